// Costs of the Math group's hot entries: a random real, the direction and length components that
// translated game code calls every step, and copying part of a UTF-8 text by character position.
#include <benchmark/benchmark.h>

#include <string>

#include "core/function_registry.h"
#include "core/value.h"
#include "functions/math_functions.h"
#include "functions/math_geometry.h"
#include "functions/random.h"

namespace {

void BM_RandomReal(benchmark::State& state) {
  Random_Seed(1);
  for (auto _ : state) benchmark::DoNotOptimize(Random_Real(100.0));
}
BENCHMARK(BM_RandomReal);

void BM_PointDirection(benchmark::State& state) {
  float x = 1.5f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(F_PointDirection(10.0f, 20.0f, x, 7.25f));
    x += 0.5f;
  }
}
BENCHMARK(BM_PointDirection);

void BM_LengthdirX(benchmark::State& state) {
  float dir = 0.0f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(F_LengthdirX(64.0f, dir));
    dir += 1.25f;
  }
}
BENCHMARK(BM_LengthdirX);

// string_copy(text, 30, 40) through its table entry, on a text of 100 characters of which every
// fourth takes two bytes and every tenth three.
void BM_StringCopy(benchmark::State& state) {
  Builtin_Shutdown();
  InitMathFunctions();
  int32_t id = -1;
  Builtin_FindCallable("string_copy", &id);
  const BuiltinHandler handler = g_BuiltinFunctions[id].handler;
  std::string text;
  for (int i = 0; i < 100; ++i) text += i % 10 == 0 ? "\xE2\x82\xAC" : (i % 4 == 0 ? "\xC3\xA9" : "a");
  RValue args[3] = {RValue_MakeUndefined(), RValue_MakeReal(30), RValue_MakeReal(40)};
  RValue_SetString(&args[0], text.c_str());
  RValue result = RValue_MakeUndefined();
  for (auto _ : state) {
    handler(&result, nullptr, nullptr, 3, args);
    benchmark::DoNotOptimize(result.pString);
  }
  RValue_Release(&result);
  RValue_Release(&args[0]);
  Builtin_Shutdown();
}
BENCHMARK(BM_StringCopy);

}  // namespace
