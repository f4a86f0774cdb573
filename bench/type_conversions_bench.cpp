// ToString of doubles and ToNumber of numeric texts, per call.
#include <benchmark/benchmark.h>

#include <vector>

#include "core/type_conversions.h"
#include "core/value.h"

namespace {

void NumberToString(benchmark::State& state) {
  const std::vector<double> values = {0.1, 42, 1.0 / 3.0, 1e21, 1.5e-7, -123456.789, 5e-324, 1e300};
  RValue out = RValue_MakeUndefined();
  size_t i = 0;
  for (auto _ : state) {
    const RValue v = RValue_MakeReal(values[i++ % values.size()]);
    F_JS_ToString(&out, &v);
    benchmark::DoNotOptimize(out.pString);
  }
  RValue_Release(&out);
}
BENCHMARK(NumberToString);

void StringToNumber(benchmark::State& state) {
  std::vector<RValue> texts;
  for (const char* t : {"42", "  3.14159  ", "0x1A2B", "-1e-7", "Infinity", "123456789012", ".5", "abc"}) {
    RValue v = RValue_MakeUndefined();
    RValue_InitString(&v, t);
    texts.push_back(v);
  }
  RValue out = RValue_MakeUndefined();
  size_t i = 0;
  for (auto _ : state) {
    F_JS_ToNumber(&out, &texts[i++ % texts.size()]);
    benchmark::DoNotOptimize(out.val);
  }
  for (RValue& v : texts) RValue_Release(&v);
}
BENCHMARK(StringToNumber);

}  // namespace
