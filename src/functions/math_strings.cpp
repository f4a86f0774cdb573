#include "functions/math_strings.h"

#include <locale.h>
#include <wctype.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "core/argument_getters.h"
#include "core/memory_manager.h"
#include "core/utf8.h"
#include "core/value.h"
#include "core/value_text.h"
#include "functions/math_handlers.h"
#include "runtime/error_report.h"

namespace {

// The longest text a string record can hold.
constexpr int64_t kMaxTextBytes = INT32_MAX - 1;

// A text argument; a value without text reads as the empty text.
const char* TextArg(RValue* args, int32_t n) {
  const char* text = WXGS(args, n);
  return text != nullptr ? text : "";
}

void SetResultText(RValue* result, const char* text) { RValue_SetString(result, text); }
// n bytes without a zero among them (kMaxTextBytes at most) as a new string.
void SetResultBytes(RValue* result, const char* bytes, size_t n) {
  SharedString* record = SharedString_CreateSized(static_cast<int32_t>(n));
  std::memcpy(record->text, bytes, n);
  RValue_Release(result);
  result->pString = record;
  result->flags = 0;
  result->kind = VALUE_STRING;
}
void SetResultText(RValue* result, const std::string& text) { SetResultBytes(result, text.data(), text.size()); }

// The next character's code point, moving past it; 0 at the end of the text, which a character cut
// short by the end also is.
inline uint32_t NextChar(const char** p) { return **p != 0 ? UTF8_DecodeChar(p) : 0; }

// A decoded character appended in UTF-8.
void AppendChar(std::string* out, uint32_t c) {
  char encoded[4];
  char* end = encoded;
  UTF8_EncodeChar(&end, c);
  out->append(encoded, end);
}

// Moves past up to n characters; stops at the end of the text.
const char* SkipChars(const char* p, int64_t n) {
  for (; n > 0; --n) {
    const char* next = p;
    if (NextChar(&next) == 0) break;
    p = next;
  }
  return p;
}

// Characters before the end of the text: a cut-short character ends it.
int64_t CharCount(const char* p) { return UTF8_Length(p); }

// The character offset of sub's first occurrence at or after p, or null: an empty text or an
// empty sub is never found.
const char* Find(const char* p, const char* sub) {
  if (*p == 0 || *sub == 0) return nullptr;
  return UTF8_Find(p, sub);
}

// Bytes from one position of a text to a later one.
size_t ByteSpan(const char* from, const char* to) { return static_cast<size_t>(to - from); }

// Reports a result that no string record could hold; the caller then gives the empty text.
bool ReportIfTooLong(const char* function, int64_t bytes) {
  if (bytes <= kMaxTextBytes) return false;
  char message[128];
  std::snprintf(message, sizeof message, "%s : result too long", function);
  Error_Report(false, message);
  return true;
}

// Keeps only the characters whose code points pass keep.
template <typename Keep>
void Filter(RValue* result, const char* text, Keep keep) {
  std::string out;
  for (uint32_t c; (c = NextChar(&text)) != 0;) {
    if (keep(c)) out.push_back(static_cast<char>(c));
  }
  SetResultText(result, out);
}

bool IsLetter(uint32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(uint32_t c) { return c >= '0' && c <= '9'; }

// The C library's character classes and case maps under a UTF-8 locale of the runner's own, so
// that neither the player's locale nor the process's decides them and no other thread sees a
// locale change. One character maps to one: "ß" has no single upper-case character here and
// stays, where a full Unicode map would give U+1E9E, which few fonts can draw. Without a UTF-8
// locale in the C library only ASCII letters map.
locale_t CaseLocale() {
  static const locale_t locale = [] {
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
      if (const locale_t made = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(0))) return made;
    }
    return newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(0));
  }();
  return locale;
}

uint32_t ToUpper(uint32_t c, locale_t locale) {
  return iswlower_l(static_cast<wint_t>(c), locale) ? static_cast<uint32_t>(towupper_l(static_cast<wint_t>(c), locale)) : c;
}
uint32_t ToLower(uint32_t c, locale_t locale) {
  return iswupper_l(static_cast<wint_t>(c), locale) ? static_cast<uint32_t>(towlower_l(static_cast<wint_t>(c), locale)) : c;
}

template <uint32_t (*Map)(uint32_t, locale_t)>
void MapCase(RValue* result, const char* text) {
  const locale_t locale = CaseLocale();
  std::string out;
  out.reserve(std::strlen(text));
  for (uint32_t c; (c = NextChar(&text)) != 0;) {
    const uint32_t mapped = Map(c, locale);
    AppendChar(&out, mapped != 0 && mapped <= 0x10FFFF ? mapped : c);
  }
  SetResultText(result, out);
}

// The text with the first (or every) occurrence of sub replaced; occurrences never overlap and the
// replacement itself is never searched.
void Replace(RValue* result, const char* function, const char* text, const char* sub, const char* replacement,
             bool all) {
  const char* found = Find(text, sub);
  if (found == nullptr) {
    SetResultText(result, text);
    return;
  }
  const size_t subBytes = std::strlen(sub);
  const size_t replacementBytes = std::strlen(replacement);
  std::string out;
  const char* rest = text;
  for (; found != nullptr; found = all ? Find(rest, sub) : nullptr) {
    if (ReportIfTooLong(function, static_cast<int64_t>(out.size() + ByteSpan(rest, found) + replacementBytes))) {
      SetResultText(result, "");
      return;
    }
    out.append(rest, found);
    out.append(replacement, replacementBytes);
    rest = found + subBytes;
  }
  if (ReportIfTooLong(function, static_cast<int64_t>(out.size() + std::strlen(rest)))) {
    SetResultText(result, "");
    return;
  }
  out.append(rest);
  SetResultText(result, out);
}

// 1-based positions below 1 count as 1.
int64_t FromOne(int32_t index) { return index < 1 ? 0 : static_cast<int64_t>(index) - 1; }

}  // namespace

char* F_StringFromValue(const RValue* value) {
  char* base = nullptr;
  char* cursor = nullptr;
  size_t capacity = 0;
  TextBuffer_Append(&cursor, &base, &capacity, "");
  RValue_AppendText(&cursor, &base, &capacity, value);
  const size_t n = static_cast<size_t>(cursor - base);
  char* text = static_cast<char*>(MEM_ALLOC_RAW(n + 1));
  std::memcpy(text, base, n + 1);
  MemoryManager_Free(base);
  return text;
}

namespace math_builtins {

void String(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  char* text = F_StringFromValue(&args[0]);
  SetResultText(result, text);
  MemoryManager_Free(text);
}

void Int64(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const int64_t n = RValue_ToInt64(&args[0]);
  RValue_Release(result);
  result->v64 = n;
  result->flags = 0;
  result->kind = VALUE_INT64;
}

void Ptr(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  void* p = RValue_ToPointer(&args[0]);
  RValue_Release(result);
  *result = RValue_MakePointer(p);
}

// A negative dec counts as 0, the width is kept within +-255 and the precision within 255, so no
// argument can make the text unbounded; the text itself is never cut.
void StringFormat(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  if (RValue_Kind(&args[0]) == VALUE_STRING) {
    SetResultText(result, TextArg(args, 0));
    return;
  }
  const double x = WXGR(args, 0);
  const int64_t total = WXGI32(args, 1);
  int64_t dec = WXGI32(args, 2);
  if (dec < 0) dec = 0;
  int64_t width = total + dec;
  if (width > 255) width = 255;
  if (width < -255) width = -255;
  if (dec > 255) dec = 255;
  const int w = static_cast<int>(width);
  const int precision = static_cast<int>(dec);
  const int n = std::snprintf(nullptr, 0, "%*.*f", w, precision, x);
  std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
  std::snprintf(text.data(), text.size() + 1, "%*.*f", w, precision, x);
  SetResultText(result, text);
}

// Only the low 16 bits of a larger code point are encoded, always in three bytes; a code point
// up to 127 (negative ones included) keeps its low 7 bits.
void Chr(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const int32_t c = WXGI32(args, 0);
  const uint32_t u = static_cast<uint32_t>(c);
  char text[4] = {};
  if (c <= 0x7F) {
    text[0] = static_cast<char>(u & 0x7F);
  } else if (c <= 0x7FF) {
    text[0] = static_cast<char>(0xC0 | ((u >> 6) & 0x1F));
    text[1] = static_cast<char>(0x80 | (u & 0x3F));
  } else {
    text[0] = static_cast<char>(0xE0 | ((u >> 12) & 0x0F));
    text[1] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    text[2] = static_cast<char>(0x80 | (u & 0x3F));
  }
  SetResultText(result, text);
}

// One byte as it is, without any UTF-8 encoding.
void AnsiChar(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const char text[2] = {static_cast<char>(static_cast<uint32_t>(WXGI32(args, 0)) & 0xFF), 0};
  SetResultText(result, text);
}

void Ord(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const char* text = TextArg(args, 0);
  Args_SetReal(result, NextChar(&text));
}

void StringLength(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, static_cast<double>(CharCount(TextArg(args, 0))));
}

void StringByteLength(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, static_cast<double>(std::strlen(TextArg(args, 0))));
}

void StringPos(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const char* sub = TextArg(args, 0);
  const char* text = TextArg(args, 1);
  const char* found = Find(text, sub);
  if (found == nullptr) {
    Args_SetReal(result, 0.0);
    return;
  }
  int64_t position = 1;
  for (const char* p = text; p < found; ++position) NextChar(&p);
  Args_SetReal(result, static_cast<double>(position));
}

// Occurrences may overlap: the search resumes one character after each one found. An empty sub
// counts once per character.
void StringCount(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const char* sub = TextArg(args, 0);
  const char* text = TextArg(args, 1);
  if (*sub == 0) {
    Args_SetReal(result, static_cast<double>(CharCount(text)));
    return;
  }
  int64_t count = 0;
  for (const char* found = Find(text, sub); found != nullptr; found = Find(SkipChars(found, 1), sub)) ++count;
  Args_SetReal(result, static_cast<double>(count));
}

void StringCopy(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const char* text = TextArg(args, 0);
  const int64_t skip = FromOne(WXGI32(args, 1));
  const int32_t count = WXGI32(args, 2);
  const char* from = SkipChars(text, skip);
  const char* to = SkipChars(from, count < 0 ? 0 : count);
  SetResultBytes(result, from, ByteSpan(from, to));
}

void StringCharAt(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const char* p = SkipChars(TextArg(args, 0), FromOne(WXGI32(args, 1)));
  std::string text;
  if (const uint32_t c = NextChar(&p); c != 0) AppendChar(&text, c);
  SetResultText(result, text);
}

void StringOrdAt(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const char* p = SkipChars(TextArg(args, 0), FromOne(WXGI32(args, 1)));
  const uint32_t c = NextChar(&p);
  Args_SetReal(result, c != 0 ? static_cast<double>(c) : -1.0);
}

// Bytes 0x80..0xFF answer -128..-1. A position beyond the end reads the last byte; the empty
// text has none and answers 0.
void StringByteAt(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const char* text = TextArg(args, 0);
  const int64_t length = static_cast<int64_t>(std::strlen(text));
  int64_t at = FromOne(WXGI32(args, 1));
  if (at >= length) at = length - 1;
  Args_SetReal(result, at < 0 ? 0.0 : static_cast<double>(static_cast<int8_t>(text[at])));
}

// A byte set to 0 ends the text there.
void StringSetByteAt(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  std::string text = TextArg(args, 0);
  const int32_t index = WXGI32(args, 1);
  const uint32_t byte = static_cast<uint32_t>(WXGI32(args, 2)) & 0xFF;
  if (index < 1 || static_cast<size_t>(index) > text.size()) {
    Error_Report(false, "string_set_byte_at : index beyond end of string");
  } else {
    text[static_cast<size_t>(index) - 1] = static_cast<char>(byte);
  }
  SetResultText(result, text.c_str());
}

void StringDelete(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const char* text = TextArg(args, 0);
  const int32_t index = WXGI32(args, 1);
  const int32_t count = WXGI32(args, 2);
  if (index < 1 || count <= 0 || index > CharCount(text)) {
    SetResultText(result, text);
    return;
  }
  const char* from = SkipChars(text, static_cast<int64_t>(index) - 1);
  const char* to = SkipChars(from, count);
  std::string out(text, from);
  out.append(to);
  SetResultText(result, out);
}

void StringInsert(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const char* sub = TextArg(args, 0);
  const char* text = TextArg(args, 1);
  const char* at = SkipChars(text, FromOne(WXGI32(args, 2)));
  const size_t bytes = std::strlen(text) + std::strlen(sub);
  if (ReportIfTooLong("string_insert", static_cast<int64_t>(bytes))) {
    SetResultText(result, "");
    return;
  }
  std::string out(text, at);
  out.append(sub);
  out.append(at);
  SetResultText(result, out);
}

void StringReplace(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Replace(result, "string_replace", TextArg(args, 0), TextArg(args, 1), TextArg(args, 2), false);
}

void StringReplaceAll(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Replace(result, "string_replace_all", TextArg(args, 0), TextArg(args, 1), TextArg(args, 2), true);
}

void StringLower(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  MapCase<ToLower>(result, TextArg(args, 0));
}

void StringUpper(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  MapCase<ToUpper>(result, TextArg(args, 0));
}

void StringRepeat(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const std::string_view text = TextArg(args, 0);
  const int32_t count = WXGI32(args, 1);
  if (count <= 0 || text.empty() ||
      ReportIfTooLong("string_repeat", static_cast<int64_t>(text.size()) * count)) {
    SetResultText(result, "");
    return;
  }
  std::string out;
  out.reserve(text.size() * static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) out.append(text);
  SetResultText(result, out);
}

void StringLetters(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Filter(result, TextArg(args, 0), IsLetter);
}

void StringDigits(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Filter(result, TextArg(args, 0), IsDigit);
}

void StringLettersDigits(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Filter(result, TextArg(args, 0), [](uint32_t c) { return IsLetter(c) || IsDigit(c); });
}

}  // namespace math_builtins
