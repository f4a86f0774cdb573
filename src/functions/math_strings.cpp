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
// A new string record of n bytes (kMaxTextBytes at most) for the caller to fill and then hand
// to SetResultRecord; the arguments stay alive until then, whatever the result held.
SharedString* NewText(size_t n, uint32_t form) {
  SharedString* record = SharedString_CreateSized(static_cast<int32_t>(n));
  record->form = form;
  return record;
}
void SetResultRecord(RValue* result, SharedString* record) {
  RValue_Release(result);
  result->pString = record;
  result->flags = 0;
  result->kind = VALUE_STRING;
}
// n bytes without a zero among them (kMaxTextBytes at most) as a new string.
void SetResultBytes(RValue* result, const char* bytes, size_t n) {
  SharedString* record = NewText(n, SHARED_TEXT_UNKNOWN);
  std::memcpy(record->text, bytes, n);
  SetResultRecord(result, record);
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

// A text argument with what its record knows of it. Most texts are well-formed, and then
// characters are found by their lead bytes (on ASCII text, positions are byte offsets) and
// searched for as bytes: a well-formed text inside another lands on a character boundary.
// Anything else (ill-formed bytes, a value that is not a string) takes the decoding paths.
struct Text {
  const char* text;
  int64_t bytes;  // when the form is known
  uint32_t form;  // SHARED_TEXT_ASCII, _UTF8 or _OTHER
  bool Known() const { return form != SHARED_TEXT_OTHER; }
  const char* End() const { return text + bytes; }
};

Text ArgText(RValue* args, int32_t n) {
  const RValue* v = &args[n];
  if (RValue_Kind(v) == VALUE_STRING && v->pString != nullptr && v->pString->text != nullptr) {
    SharedString* record = v->pString;
    const uint32_t form = SharedString_Form(record);
    if (form != SHARED_TEXT_OTHER) return {record->text, record->length, form};
  }
  return {TextArg(args, n), -1, SHARED_TEXT_OTHER};
}

// Bytes of the well-formed character that starts with this lead byte.
inline int64_t CharBytes(unsigned char lead) { return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4; }

// Moves past up to n characters from p, a character boundary of t.
const char* Skip(const Text& t, const char* p, int64_t n) {
  if (t.form == SHARED_TEXT_ASCII) {
    const int64_t left = t.End() - p;
    return p + (n < left ? (n > 0 ? n : 0) : left);
  }
  if (t.form == SHARED_TEXT_UTF8) {
    const char* end = t.End();
    for (; n > 0 && p < end; --n) p += CharBytes(static_cast<unsigned char>(*p));
    return p;
  }
  return SkipChars(p, n);
}

// Characters from p up to `to`, both boundaries of a well-formed text: its lead bytes.
int64_t CountLeads(const char* p, const char* to) {
  int64_t n = 0;
  // Eight bytes at a time: a continuation byte has its top bit set and the one below it clear.
  for (; to - p >= 8; p += 8) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    const uint64_t continuations = word & ~(word << 1) & 0x8080808080808080ull;
    n += 8 - __builtin_popcountll(continuations);
  }
  for (; p < to; ++p) n += (static_cast<unsigned char>(*p) & 0xC0) != 0x80;
  return n;
}

int64_t Count(const Text& t) {
  if (t.form == SHARED_TEXT_ASCII) return t.bytes;
  if (t.form == SHARED_TEXT_UTF8) return CountLeads(t.text, t.End());
  return CharCount(t.text);
}

// The first place of sub's m bytes in the n bytes from p. A short sub is found by scanning for its
// first byte, which the C library does many bytes at a time; when first bytes turn up densely
// without a match, the rest goes to memmem, whose time stays linear on any input.
const char* FindBytes(const char* p, size_t n, const char* sub, size_t m) {
  constexpr size_t kShortSub = 32;
  if (m == 0 || m > n) return nullptr;
  if (m > kShortSub) return static_cast<const char*>(memmem(p, n, sub, m));
  const char* const lastStart = p + (n - m);
  size_t falseStarts = 0;
  for (const char* at = p; at <= lastStart; ++at) {
    at = static_cast<const char*>(std::memchr(at, static_cast<unsigned char>(sub[0]), static_cast<size_t>(lastStart - at) + 1));
    if (at == nullptr) return nullptr;
    if (std::memcmp(at + 1, sub + 1, m - 1) == 0) return at;
    if (++falseStarts > 64 && falseStarts * 16 > static_cast<size_t>(at - p)) {
      return static_cast<const char*>(memmem(at + 1, static_cast<size_t>(p + n - (at + 1)), sub, m));
    }
  }
  return nullptr;
}

// Find for two well-formed texts, from p (a boundary of t) on.
const char* FindIn(const Text& t, const char* p, const Text& sub) {
  if (!t.Known() || !sub.Known()) return Find(p, sub.text);
  if (sub.bytes == 0 || p >= t.End()) return nullptr;
  return FindBytes(p, static_cast<size_t>(t.End() - p), sub.text, static_cast<size_t>(sub.bytes));
}

// Bytes of a text of either kind.
int64_t Bytes(const Text& t) { return t.Known() ? t.bytes : static_cast<int64_t>(std::strlen(t.text)); }

// The form of a result made of pieces of well-formed texts cut at character boundaries.
uint32_t PiecesForm(const Text& a, const Text& b) {
  if (!a.Known() || !b.Known()) return SHARED_TEXT_UNKNOWN;
  return a.form == SHARED_TEXT_ASCII && b.form == SHARED_TEXT_ASCII ? SHARED_TEXT_ASCII : SHARED_TEXT_UTF8;
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
void Replace(RValue* result, const char* function, const Text& text, const Text& sub, const char* replacement,
             bool all) {
  const char* found = FindIn(text, text.text, sub);
  if (found == nullptr) {
    SetResultText(result, text.text);
    return;
  }
  const size_t subBytes = static_cast<size_t>(Bytes(sub));
  const size_t replacementBytes = std::strlen(replacement);
  std::string out;
  const char* rest = text.text;
  for (; found != nullptr; found = all ? FindIn(text, rest, sub) : nullptr) {
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
  Args_SetReal(result, static_cast<double>(Count(ArgText(args, 0))));
}

void StringByteLength(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, static_cast<double>(std::strlen(TextArg(args, 0))));
}

void StringPos(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const Text sub = ArgText(args, 0);
  const Text text = ArgText(args, 1);
  const char* found = FindIn(text, text.text, sub);
  if (found == nullptr) {
    Args_SetReal(result, 0.0);
    return;
  }
  int64_t position = 1;
  if (text.form == SHARED_TEXT_ASCII) {
    position += found - text.text;
  } else if (text.form == SHARED_TEXT_UTF8) {
    position += CountLeads(text.text, found);
  } else {
    for (const char* p = text.text; p < found; ++position) NextChar(&p);
  }
  Args_SetReal(result, static_cast<double>(position));
}

// Occurrences may overlap: the search resumes one character after each one found. An empty sub
// counts once per character.
void StringCount(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const Text sub = ArgText(args, 0);
  const Text text = ArgText(args, 1);
  if (*sub.text == 0) {
    Args_SetReal(result, static_cast<double>(Count(text)));
    return;
  }
  int64_t count = 0;
  for (const char* found = FindIn(text, text.text, sub); found != nullptr;) {
    ++count;
    // A sub that reads as no character matches a cut-short last character, which no step passes.
    const char* next = Skip(text, found, 1);
    if (next == found) break;
    found = FindIn(text, next, sub);
  }
  Args_SetReal(result, static_cast<double>(count));
}

void StringCopy(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const Text text = ArgText(args, 0);
  const int64_t skip = FromOne(WXGI32(args, 1));
  const int32_t count = WXGI32(args, 2);
  const char* from = Skip(text, text.text, skip);
  const char* to = Skip(text, from, count < 0 ? 0 : count);
  SharedString* out = NewText(ByteSpan(from, to), PiecesForm(text, text));
  std::memcpy(out->text, from, ByteSpan(from, to));
  SetResultRecord(result, out);
}

void StringCharAt(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const Text text = ArgText(args, 0);
  const char* p = Skip(text, text.text, FromOne(WXGI32(args, 1)));
  if (text.Known()) {
    // A well-formed character reads back to the same bytes.
    const size_t n = p < text.End() ? static_cast<size_t>(CharBytes(static_cast<unsigned char>(*p))) : 0;
    SharedString* out = NewText(n, PiecesForm(text, text));
    std::memcpy(out->text, p, n);
    SetResultRecord(result, out);
    return;
  }
  std::string out;
  if (const uint32_t c = NextChar(&p); c != 0) AppendChar(&out, c);
  SetResultText(result, out);
}

void StringOrdAt(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const Text text = ArgText(args, 0);
  const char* p = Skip(text, text.text, FromOne(WXGI32(args, 1)));
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
  const Text text = ArgText(args, 0);
  const int32_t index = WXGI32(args, 1);
  const int32_t count = WXGI32(args, 2);
  if (index < 1 || count <= 0 || index > Count(text)) {
    SetResultText(result, text.text);
    return;
  }
  const char* from = Skip(text, text.text, static_cast<int64_t>(index) - 1);
  const char* to = Skip(text, from, count);
  const size_t head = ByteSpan(text.text, from);
  const size_t tail = static_cast<size_t>(Bytes(text)) - ByteSpan(text.text, to);
  SharedString* out = NewText(head + tail, PiecesForm(text, text));
  std::memcpy(out->text, text.text, head);
  std::memcpy(out->text + head, to, tail);
  SetResultRecord(result, out);
}

void StringInsert(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const Text sub = ArgText(args, 0);
  const Text text = ArgText(args, 1);
  const char* at = Skip(text, text.text, FromOne(WXGI32(args, 2)));
  const int64_t textBytes = Bytes(text);
  const int64_t subBytes = Bytes(sub);
  if (ReportIfTooLong("string_insert", textBytes + subBytes)) {
    SetResultText(result, "");
    return;
  }
  // Written straight into the result: the text may be long and this is called in loops.
  const size_t head = ByteSpan(text.text, at);
  SharedString* out = NewText(static_cast<size_t>(textBytes + subBytes), PiecesForm(text, sub));
  std::memcpy(out->text, text.text, head);
  std::memcpy(out->text + head, sub.text, static_cast<size_t>(subBytes));
  std::memcpy(out->text + head + subBytes, at, static_cast<size_t>(textBytes) - head);
  SetResultRecord(result, out);
}

void StringReplace(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Replace(result, "string_replace", ArgText(args, 0), ArgText(args, 1), TextArg(args, 2), false);
}

void StringReplaceAll(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Replace(result, "string_replace_all", ArgText(args, 0), ArgText(args, 1), TextArg(args, 2), true);
}

void StringLower(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  MapCase<ToLower>(result, TextArg(args, 0));
}

void StringUpper(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  MapCase<ToUpper>(result, TextArg(args, 0));
}

void StringRepeat(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const Text text = ArgText(args, 0);
  const int64_t bytes = Bytes(text);
  const int32_t count = WXGI32(args, 1);
  if (count <= 0 || bytes == 0 || ReportIfTooLong("string_repeat", bytes * count)) {
    SetResultText(result, "");
    return;
  }
  // Written straight into the result, doubling what is there: no second copy of a long text.
  const size_t total = static_cast<size_t>(bytes) * static_cast<size_t>(count);
  SharedString* out = NewText(total, PiecesForm(text, text));
  std::memcpy(out->text, text.text, static_cast<size_t>(bytes));
  for (size_t filled = static_cast<size_t>(bytes); filled < total;) {
    const size_t chunk = filled < total - filled ? filled : total - filled;
    std::memcpy(out->text + filled, out->text, chunk);
    filled += chunk;
  }
  SetResultRecord(result, out);
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
