// The script library on long data, each function called through the built-in table as compiled
// code calls it: position-based string work on long texts (ASCII, and text of mixed Cyrillic and
// ASCII), list growth and sorting, and map lookups by string key. One iteration is one whole
// program; scripts/bench divides by its units of work (bench/lua/twins.lua holds the twins).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/argument_getters.h"
#include "core/function_registry.h"
#include "core/value.h"
#include "functions/ds_functions.h"
#include "functions/math_functions.h"
#include "platform/system/allocator.h"
#include "vm/calls.h"

namespace {

constexpr int32_t kLongText = 100000;   // bytes
constexpr int32_t kCharAtText = 20000;  // characters
constexpr int32_t kCopies = 1000;
constexpr int32_t kCopyLength = 100;
constexpr int32_t kPiece = 10;
constexpr int32_t kSortReals = 20000;
constexpr int32_t kMapKeys = 100000;

// A value owned by the benchmark. Results are kept alive with DoNotOptimize of a const view: the
// writable form lets the compiler write a stale copy back over what the call stored.
struct Value {
  RValue v = RValue_MakeUndefined();
  Value() = default;
  explicit Value(double d) : v(RValue_MakeReal(d)) {}
  explicit Value(const std::string& text) { RValue_InitString(&v, text.c_str()); }
  Value(const Value&) = delete;
  Value& operator=(const Value&) = delete;
  ~Value() { RValue_Release(&v); }
};

class Library {
 public:
  Library() {
    // As the runner sets it at start-up: long texts made and freed in turn stay in the heap.
    Platform_TuneAllocator();
    Builtin_Shutdown();
    InitMathFunctions();
    InitDSFunctions();
  }
  ~Library() { Builtin_Shutdown(); }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  int32_t Id(const char* name) const {
    int32_t id = -1;
    Builtin_FindCallable(name, &id);
    return id;
  }
};

// Calls the built-in `id` with the arguments into result.
inline void Call(int32_t id, RValue* result, std::initializer_list<RValue*> args) {
  RValue* list[4];
  int32_t n = 0;
  for (RValue* a : args) list[n++] = a;
  VM_CallBuiltin(nullptr, nullptr, result, n, id, list);
}

// 100 KB of text: ASCII words, or words alternating between Cyrillic and ASCII.
std::string LongText(bool mixed, int32_t bytes) {
  const std::string ascii = "lorem ipsum dolor ";
  const std::string cyrillic = "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 ";  // "privet "
  std::string text;
  for (int32_t k = 0; static_cast<int32_t>(text.size()) < bytes; ++k) text += mixed && k % 2 == 1 ? cyrillic : ascii;
  while (static_cast<int32_t>(text.size()) > bytes && (static_cast<unsigned char>(text.back()) & 0x80) == 0) {
    text.pop_back();
  }
  return text;
}

// Characters of a well-formed text.
int32_t CharCount(const std::string& text) {
  int32_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

// string_copy of 100 characters at 1,000 positions spread over the text.
void CopySpread(benchmark::State& state, bool mixed) {
  const Library library;
  const int32_t copy = library.Id("string_copy");
  const std::string source = LongText(mixed, kLongText);
  const int32_t chars = CharCount(source);
  Value text(source);
  Value count(kCopyLength);
  Value result;
  for (auto _ : state) {
    for (int32_t k = 0; k < kCopies; ++k) {
      Value at(static_cast<double>(static_cast<int64_t>(k) * 7919 % (chars - kCopyLength) + 1));
      Call(copy, &result.v, {&text.v, &at.v, &count.v});
    }
    benchmark::DoNotOptimize(result.v.pString);
  }
  if (result.v.pString == nullptr || result.v.pString->length < kCopyLength) state.SkipWithError("short copy");
}
void BM_StringCopySpread(benchmark::State& state) { CopySpread(state, false); }
void BM_StringCopySpreadMixed(benchmark::State& state) { CopySpread(state, true); }
BENCHMARK(BM_StringCopySpread)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StringCopySpreadMixed)->Unit(benchmark::kMicrosecond);

// string_char_at of every character of a 20,000-character text, in order.
void CharAtEach(benchmark::State& state, bool mixed) {
  const Library library;
  const int32_t charAt = library.Id("string_char_at");
  std::string source = LongText(mixed, 4 * kCharAtText);
  while (CharCount(source) > kCharAtText) source.pop_back();
  Value text(source);
  Value result;
  for (auto _ : state) {
    for (int32_t i = 1; i <= kCharAtText; ++i) {
      Value at(i);
      Call(charAt, &result.v, {&text.v, &at.v});
    }
    benchmark::DoNotOptimize(result.v.pString);
  }
}
void BM_StringCharAtEach(benchmark::State& state) { CharAtEach(state, false); }
void BM_StringCharAtEachMixed(benchmark::State& state) { CharAtEach(state, true); }
BENCHMARK(BM_StringCharAtEach)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StringCharAtEachMixed)->Unit(benchmark::kMicrosecond);

// string_pos of a needle that first occurs at the end of 100 KB.
void PosAtEnd(benchmark::State& state, bool mixed) {
  const Library library;
  const int32_t pos = library.Id("string_pos");
  Value text(LongText(mixed, kLongText) + "needle");
  Value needle(std::string("needle"));
  Value result;
  for (auto _ : state) {
    Call(pos, &result.v, {&needle.v, &text.v});
    benchmark::DoNotOptimize(std::as_const(result.v.val));
  }
  // The call may hand a number back in another kind than a real.
  if (RValue_ToReal(&result.v) < 1) state.SkipWithError("needle not found");
}
void BM_StringPosAtEnd(benchmark::State& state) { PosAtEnd(state, false); }
void BM_StringPosAtEndMixed(benchmark::State& state) { PosAtEnd(state, true); }
BENCHMARK(BM_StringPosAtEnd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StringPosAtEndMixed)->Unit(benchmark::kMicrosecond);

// Ten-byte pieces appended up to 100 KB, each with string_insert at length + 1.
void BM_StringInsertAppend(benchmark::State& state) {
  const Library library;
  const int32_t insert = library.Id("string_insert");
  Value piece(std::string("0123456789"));
  for (auto _ : state) {
    Value text(std::string(""));
    Value next;
    for (int32_t n = 0; n < kLongText / kPiece; ++n) {
      Value at(static_cast<double>(n) * kPiece + 1);
      Call(insert, &next.v, {&piece.v, &text.v, &at.v});
      std::swap(text.v, next.v);
    }
    if (text.v.pString->length != kLongText) state.SkipWithError("wrong length");
  }
}
BENCHMARK(BM_StringInsertAppend)->Unit(benchmark::kMicrosecond);

// ds_list_add of n reals to a new list; the argument is the count.
void BM_ListAdd(benchmark::State& state) {
  const Library library;
  const int32_t create = library.Id("ds_list_create");
  const int32_t add = library.Id("ds_list_add");
  const int32_t destroy = library.Id("ds_list_destroy");
  const auto n = static_cast<int32_t>(state.range(0));
  Value list;
  Value result;
  for (auto _ : state) {
    Call(create, &list.v, {});
    for (int32_t i = 0; i < n; ++i) {
      Value v(i);
      Call(add, &result.v, {&list.v, &v.v});
    }
    state.PauseTiming();
    Call(destroy, &result.v, {&list.v});
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ListAdd)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// ds_list_sort, ascending, of 20,000 random reals (the same ones each time).
void BM_ListSort(benchmark::State& state) {
  const Library library;
  const int32_t create = library.Id("ds_list_create");
  const int32_t add = library.Id("ds_list_add");
  const int32_t clear = library.Id("ds_list_clear");
  const int32_t sort = library.Id("ds_list_sort");
  const int32_t destroy = library.Id("ds_list_destroy");
  std::mt19937 draw(60);
  std::vector<double> reals;
  for (int32_t i = 0; i < kSortReals; ++i) reals.push_back(static_cast<double>(draw() % 1000000));
  Value list;
  Value result;
  Value ascending(1);
  Call(create, &list.v, {});
  for (auto _ : state) {
    state.PauseTiming();
    Call(clear, &result.v, {&list.v});
    for (double r : reals) {
      Value v(r);
      Call(add, &result.v, {&list.v, &v.v});
    }
    state.ResumeTiming();
    Call(sort, &result.v, {&list.v, &ascending.v});
  }
  Call(destroy, &result.v, {&list.v});
}
BENCHMARK(BM_ListSort)->Unit(benchmark::kMillisecond);

// ds_map_find_value of each of 100,000 string keys, with distinct records of the same texts.
void BM_MapFindValue(benchmark::State& state) {
  const Library library;
  const int32_t create = library.Id("ds_map_create");
  const int32_t add = library.Id("ds_map_add");
  const int32_t find = library.Id("ds_map_find_value");
  const int32_t destroy = library.Id("ds_map_destroy");
  Value map;
  Value result;
  Call(create, &map.v, {});
  std::vector<RValue> probes(static_cast<size_t>(kMapKeys), RValue_MakeUndefined());
  for (int32_t i = 0; i < kMapKeys; ++i) {
    Value key("key" + std::to_string(i));
    Value v(i);
    Call(add, &result.v, {&map.v, &key.v, &v.v});
    RValue_InitString(&probes[static_cast<size_t>(i)], ("key" + std::to_string(i)).c_str());
  }
  for (auto _ : state) {
    for (RValue& probe : probes) Call(find, &result.v, {&map.v, &probe});
    benchmark::DoNotOptimize(std::as_const(result.v.val));
  }
  if (RValue_ToReal(&result.v) != kMapKeys - 1) state.SkipWithError("wrong value");
  for (RValue& probe : probes) RValue_Release(&probe);
  Call(destroy, &result.v, {&map.v});
}
BENCHMARK(BM_MapFindValue)->Unit(benchmark::kMillisecond);

}  // namespace
