// The text forms of every container: a little-endian byte stream as upper-case hexadecimal for
// stacks, queues, lists, priority queues and grids, and a comma-separated list of entries for
// maps.
//
// A stream text is outside input (INI files, saved data): a read decodes into a fresh container
// and replaces the contents only when the whole text was there and consistent, so a damaged text
// answers false and changes nothing. Every count is weighed against the bytes left before
// anything is allocated for it, so a text can never ask for more memory than it could fill.
#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/memory_manager.h"
#include "functions/ds_grid.h"
#include "functions/ds_list.h"
#include "functions/ds_map.h"
#include "functions/ds_priority.h"
#include "functions/ds_stack.h"
#include "io/stream.h"

namespace {

enum : uint32_t {
  kStackHeader = 101,
  kQueueHeader = 201,
  kListHeader = 301,
  kPriorityHeader = 501,
  kGridHeader = 601,
};

// Arrays nest within arrays; deeper ones are written as empty arrays and refused on reading, so
// that neither direction can run out of stack.
constexpr int32_t kMaxArrayDepth = 256;
// The least a value takes in a stream: its kind word.
constexpr int64_t kMinValueBytes = 4;

// --- writing -------------------------------------------------------------------------------------

class StreamWriter {
 public:
  explicit StreamWriter(uint32_t header) { U32(header); }
  void U32(uint32_t v) { m_stream.WriteInteger(static_cast<int32_t>(v)); }
  void Value(const RValue* v) { Value(v, 0); }
  // The hexadecimal text of everything written (a memory-manager block the caller frees).
  char* Finish() {
    char* text = nullptr;
    m_stream.ToHex(&text);
    return text;
  }

 private:
  void Value(const RValue* v, int32_t depth) {
    U32(v->kind);
    switch (v->kind) {
      case VALUE_REAL: m_stream.WriteReal(v->val); return;
      case VALUE_STRING: {
        const SharedString* s = v->pString;
        const int32_t length = s != nullptr && s->text != nullptr ? s->length : 0;
        U32(static_cast<uint32_t>(length));
        if (length > 0) m_stream.Write(s->text, length);
        return;
      }
      case VALUE_ARRAY: {
        const SharedArray* a = v->pArray;
        // An array that holds itself, directly or further down, is written empty where it
        // recurs: its text would otherwise never end.
        const bool recurs = std::find(m_path.begin(), m_path.end(), a) != m_path.end();
        if (a == nullptr || recurs || depth >= kMaxArrayDepth || a->rowCount <= 0) {
          U32(0);
          return;
        }
        m_path.push_back(a);
        U32(static_cast<uint32_t>(a->rowCount));
        for (int32_t r = 0; r < a->rowCount; ++r) {
          const SharedArrayRow& row = a->rows[r];
          const int32_t length = row.length > 0 ? row.length : 0;
          U32(static_cast<uint32_t>(length));
          for (int32_t i = 0; i < length; ++i) Value(&row.elements[i], depth + 1);
        }
        m_path.pop_back();
        return;
      }
      default: return;  // the kind word alone
    }
  }

  CStream m_stream;
  std::vector<const SharedArray*> m_path;
};

// --- reading -------------------------------------------------------------------------------------

class StreamReader {
 public:
  StreamReader(const char* text, bool olderForm) : m_olderForm(olderForm) { m_stream.FromHex(text); }

  // Whether the text starts with the header; nothing else is read otherwise.
  bool Header(uint32_t header) {
    uint32_t word = 0;
    return U32(&word) && word == header;
  }
  bool U32(uint32_t* out) {
    if (Left() < 4) return false;
    *out = static_cast<uint32_t>(m_stream.ReadInteger());
    return true;
  }
  bool I32(int32_t* out) {
    uint32_t word = 0;
    if (!U32(&word)) return false;
    *out = static_cast<int32_t>(word);
    return true;
  }
  // A count of values that the bytes left could hold.
  bool Fits(int64_t values) const { return values >= 0 && values <= Left() / kMinValueBytes; }
  // Reads a value into a fresh slot (a real 0, or undefined).
  bool Value(RValue* slot) { return m_olderForm ? OlderValue(slot) : Value(slot, 0); }

 private:
  int64_t Left() const { return static_cast<int64_t>(m_stream.GetSize()) - m_stream.GetPosition(); }

  bool Real(double* out) {
    if (Left() < 8) return false;
    *out = m_stream.ReadReal();
    return true;
  }
  bool String(RValue* slot) {
    uint32_t length = 0;
    if (!U32(&length) || length > static_cast<uint64_t>(Left())) return false;
    SharedString* s = SharedString_CreateSized(static_cast<int32_t>(length));
    m_stream.Read(s->text, length);
    *slot = RValue_MakeUndefined();
    slot->pString = s;
    slot->kind = VALUE_STRING;
    return true;
  }

  // The older form: every kind word is followed by a real and a string; a string's word takes
  // the string, any other the real.
  bool OlderValue(RValue* slot) {
    uint32_t word = 0;
    double real = 0.0;
    RValue text = RValue_MakeUndefined();
    if (!U32(&word) || !Real(&real) || !String(&text)) return false;
    RValue_Release(slot);
    if (word == VALUE_STRING) {
      *slot = text;
    } else {
      RValue_Release(&text);
      *slot = RValue_MakeReal(real);
    }
    return true;
  }

  bool Value(RValue* slot, int32_t depth) {
    uint32_t word = 0;
    if (!U32(&word)) return false;
    RValue_Release(slot);
    switch (word) {
      case VALUE_REAL: {
        double real = 0.0;
        if (!Real(&real)) return false;
        *slot = RValue_MakeReal(real);
        return true;
      }
      case VALUE_STRING: return String(slot);
      case VALUE_ARRAY: return Array(slot, depth);
      case VALUE_PTR:
      case VALUE_UNDEFINED:
      case VALUE_INT32:
      case VALUE_INT64:
      case VALUE_NULL:
      case VALUE_BOOL:
        // The word with a zero payload (a null pointer, 0, false).
        *slot = RValue_MakeUndefined();
        slot->kind = word;
        return true;
      default:
        // A marked word must not make the reader own the container with id 0, and an object or
        // iterator with a zero payload would be a null object: these read as undefined.
        return true;
    }
  }

  bool Array(RValue* slot, int32_t depth) {
    uint32_t rows = 0;
    if (!U32(&rows) || !Fits(static_cast<int32_t>(rows)) || depth >= kMaxArrayDepth) return false;
    // The slot owns the array from the start, so a read that fails half way frees what it made.
    SharedArray* a = SharedArray_Create(slot);
    *slot = RValue_MakeUndefined();
    slot->pArray = a;
    slot->kind = VALUE_ARRAY;
    if (rows == 0) return true;
    a->rows = static_cast<SharedArrayRow*>(MEM_ALLOC(sizeof(SharedArrayRow) * rows));
    a->rowCount = static_cast<int32_t>(rows);
    for (uint32_t r = 0; r < rows; ++r) {
      uint32_t length = 0;
      if (!U32(&length) || !Fits(static_cast<int32_t>(length))) return false;
      if (length == 0) continue;
      SharedArrayRow& row = a->rows[r];
      row.elements = static_cast<RValue*>(MEM_ALLOC(sizeof(RValue) * length));  // reals 0
      row.length = static_cast<int32_t>(length);
      for (uint32_t i = 0; i < length; ++i) {
        if (!Value(&row.elements[i], depth + 1)) return false;
      }
    }
    return true;
  }

  CStream m_stream;
  bool m_olderForm;
};

}  // namespace

// --- the five stream forms -------------------------------------------------------------------------

char* CDS_Stack::WriteText() const {
  StreamWriter w(kStackHeader);
  w.U32(static_cast<uint32_t>(m_count));
  for (int32_t i = 0; i < m_count; ++i) w.Value(&m_storage[i]);
  return w.Finish();
}

bool CDS_Stack::ReadText(const char* text, bool olderForm) {
  StreamReader r(text, olderForm);
  int32_t count = 0;
  if (!r.Header(kStackHeader) || !r.I32(&count) || !r.Fits(count)) return false;
  CDS_Stack fresh;
  fresh.m_storage = DS_GrowSlots(nullptr, count);
  fresh.m_capacity = count;
  for (int32_t i = 0; i < count; ++i) {
    if (!r.Value(&fresh.m_storage[i])) return false;
  }
  fresh.m_count = count;
  Clear();
  std::swap(m_count, fresh.m_count);
  std::swap(m_capacity, fresh.m_capacity);
  std::swap(m_storage, fresh.m_storage);
  return true;
}

char* CDS_Queue::WriteText() const {
  StreamWriter w(kQueueHeader);
  w.U32(static_cast<uint32_t>(m_end));
  w.U32(static_cast<uint32_t>(m_start));
  w.U32(static_cast<uint32_t>(m_capacity));
  for (int32_t i = 0; i < m_capacity; ++i) w.Value(&m_storage[i]);
  return w.Finish();
}

bool CDS_Queue::ReadText(const char* text, bool olderForm) {
  StreamReader r(text, olderForm);
  int32_t end = 0, start = 0, capacity = 0;
  if (!r.Header(kQueueHeader) || !r.I32(&end) || !r.I32(&start) || !r.I32(&capacity) || !r.Fits(capacity)) {
    return false;
  }
  if (start < 0 || start > end || end > capacity) return false;
  CDS_Queue fresh;
  fresh.m_storage = DS_GrowSlots(nullptr, capacity);
  fresh.m_capacity = capacity;
  for (int32_t i = 0; i < capacity; ++i) {
    if (!r.Value(&fresh.m_storage[i])) return false;
  }
  fresh.m_end = end;
  fresh.m_start = start;
  Clear();
  // Storage sized exactly to what was read.
  MEM_FREE(m_storage);
  m_storage = nullptr;
  std::swap(m_end, fresh.m_end);
  std::swap(m_start, fresh.m_start);
  std::swap(m_capacity, fresh.m_capacity);
  std::swap(m_storage, fresh.m_storage);
  return true;
}

char* CDS_List::WriteText() const {
  StreamWriter w(kListHeader);
  w.U32(static_cast<uint32_t>(m_size));
  for (int32_t i = 0; i < m_size; ++i) w.Value(&m_storage[i]);
  return w.Finish();
}

bool CDS_List::ReadText(const char* text, bool olderForm) {
  StreamReader r(text, olderForm);
  int32_t size = 0;
  if (!r.Header(kListHeader) || !r.I32(&size) || !r.Fits(size)) return false;
  CDS_List fresh;
  fresh.Reserve(size);
  for (int32_t i = 0; i < size; ++i) {
    fresh.m_size = i + 1;  // what is read so far goes with the fresh list if the rest fails
    if (!r.Value(&fresh.m_storage[i])) return false;
  }
  fresh.m_size = size;
  // Clear's effects (owned containers destroyed); the slots past the size go as Copy lets them.
  Clear();
  for (int32_t i = 0; i < m_capacity; ++i) {
    DS_DropMark(Serial(), &m_storage[i]);
    RValue_Release(&m_storage[i]);
  }
  MEM_FREE(m_storage);
  m_storage = nullptr;
  m_capacity = 0;
  std::swap(m_size, fresh.m_size);
  std::swap(m_capacity, fresh.m_capacity);
  std::swap(m_storage, fresh.m_storage);
  return true;
}

char* CDS_Priority::WriteText() const {
  StreamWriter w(kPriorityHeader);
  w.U32(static_cast<uint32_t>(m_count));
  for (int32_t i = 0; i < m_count; ++i) w.Value(&m_priorities[i]);
  for (int32_t i = 0; i < m_count; ++i) w.Value(&m_values[i]);
  return w.Finish();
}

bool CDS_Priority::ReadText(const char* text, bool olderForm) {
  StreamReader r(text, olderForm);
  int32_t count = 0;
  if (!r.Header(kPriorityHeader) || !r.I32(&count) || !r.Fits(2 * static_cast<int64_t>(count))) return false;
  CDS_Priority fresh;
  fresh.m_values = DS_GrowSlots(nullptr, count);
  fresh.m_priorities = DS_GrowSlots(nullptr, count);
  fresh.m_valueCapacity = count;
  fresh.m_priorityCapacity = count;
  for (int32_t i = 0; i < count; ++i) {
    if (!r.Value(&fresh.m_priorities[i])) return false;
  }
  for (int32_t i = 0; i < count; ++i) {
    if (!r.Value(&fresh.m_values[i])) return false;
  }
  fresh.m_count = count;
  Clear();
  std::swap(m_count, fresh.m_count);
  std::swap(m_valueCapacity, fresh.m_valueCapacity);
  std::swap(m_values, fresh.m_values);
  std::swap(m_priorityCapacity, fresh.m_priorityCapacity);
  std::swap(m_priorities, fresh.m_priorities);
  return true;
}

char* CDS_Grid::WriteText() const {
  StreamWriter w(kGridHeader);
  w.U32(static_cast<uint32_t>(m_width));
  w.U32(static_cast<uint32_t>(m_height));
  for (int32_t x = 0; x < m_columns; ++x) {
    for (int32_t y = 0; y < m_rows; ++y) w.Value(Cell(x, y));
  }
  return w.Finish();
}

bool CDS_Grid::ReadText(const char* text, bool olderForm) {
  StreamReader r(text, olderForm);
  int32_t width = 0, height = 0;
  if (!r.Header(kGridHeader) || !r.I32(&width) || !r.I32(&height)) return false;
  const int64_t cells = width > 0 && height > 0 ? static_cast<int64_t>(width) * height : 0;
  if (!r.Fits(cells)) return false;
  CDS_Grid fresh(width, height);
  for (int32_t x = 0; x < fresh.m_columns; ++x) {
    for (int32_t y = 0; y < fresh.m_rows; ++y) {
      if (!r.Value(fresh.Cell(x, y))) return false;
    }
  }
  SetSize(0, 0);
  std::swap(m_cells, fresh.m_cells);
  std::swap(m_width, fresh.m_width);
  std::swap(m_height, fresh.m_height);
  std::swap(m_columns, fresh.m_columns);
  std::swap(m_rows, fresh.m_rows);
  return true;
}

// --- the map form --------------------------------------------------------------------------------

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendField(std::string& out, const RValue* v) {
  if (v->kind == VALUE_STRING) {
    const char* text = v->pString != nullptr && v->pString->text != nullptr ? v->pString->text : "";
    for (const char* p = text; *p != '\0'; ++p) {
      const auto byte = static_cast<uint8_t>(*p);
      out += kHexDigits[byte >> 4];
      out += kHexDigits[byte & 15];
    }
    return;
  }
  // The 8 payload bytes from the most significant down, stopping once the rest are zero.
  const auto bits = static_cast<uint64_t>(v->v64);
  for (int32_t b = 7; b >= 0; --b) {
    const uint64_t rest = b == 7 ? bits : bits & ((uint64_t{1} << (8 * (b + 1))) - 1);
    if (rest == 0) break;
    const auto byte = static_cast<uint8_t>(bits >> (8 * b));
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 15];
  }
}

// Digits of either case; any other character reads as 0.
uint32_t Nibble(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<uint32_t>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<uint32_t>(c - 'a' + 10);
  return 0;
}

// A field: [from, to). A string field takes its digit pairs as bytes (an odd last digit is
// dropped, the text ends at a zero byte); a real field fills the payload from the most
// significant digit down with its first 16 digits.
RValue ReadField(const char* from, const char* to, bool isString) {
  RValue v = RValue_MakeUndefined();
  if (isString) {
    std::string bytes;
    for (const char* p = from; to - p >= 2; p += 2) bytes += static_cast<char>((Nibble(p[0]) << 4) | Nibble(p[1]));
    RValue_SetString(&v, bytes.c_str());
    return v;
  }
  uint64_t bits = 0;
  const int64_t digits = std::min<int64_t>(to - from, 16);
  for (int64_t i = 0; i < digits; ++i) bits |= static_cast<uint64_t>(Nibble(from[i])) << (60 - 4 * i);
  v = RValue_MakeReal(0.0);
  v.v64 = static_cast<int64_t>(bits);
  return v;
}

const char* FieldEnd(const char* p) {
  while (*p != '\0' && *p != ':' && *p != ',') ++p;
  return p;
}

}  // namespace

char* CDS_Map::WriteText() const {
  std::string out;
  ForEach([&out](const CDS_MapEntry& entry) {
    if (!out.empty()) out += ',';
    out += kHexDigits[(entry.key.kind == VALUE_STRING ? 1 : 0) | (entry.value.kind == VALUE_STRING ? 2 : 0)];
    out += ':';
    AppendField(out, &entry.key);
    out += ':';
    AppendField(out, &entry.value);
  });
  auto* text = static_cast<char*>(MEM_ALLOC(out.size() + 1));
  std::memcpy(text, out.c_str(), out.size() + 1);
  return text;
}

bool CDS_Map::ReadText(const char* text) {
  // The entries go; what their values own stays alive.
  RemoveAll();
  if (text == nullptr) return true;
  const char* p = text;
  while (*p != '\0') {
    const auto type = static_cast<uint8_t>(*p++);
    if (*p == ':') ++p;
    const char* keyEnd = FieldEnd(p);
    RValue key = ReadField(p, keyEnd, (type & 1) != 0);
    p = keyEnd;
    if (*p == ':') ++p;
    const char* valueEnd = FieldEnd(p);
    RValue value = ReadField(p, valueEnd, (type & 2) != 0);
    p = valueEnd;
    Insert(&key, &value, Hash(&key));  // a key named twice gives two entries
    RValue_Release(&key);
    RValue_Release(&value);
    // Fields beyond the third are skipped up to the entry's comma.
    while (*p != '\0' && *p != ',') ++p;
    if (*p == ',') ++p;
  }
  return true;
}
