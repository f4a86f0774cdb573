// json_decode and json_encode of about 1 MB of nested JSON: objects of a few members holding
// arrays of numbers, strings and smaller objects. "bytes_per_second" is the text's size over the
// time of one decode (text to maps and lists) or one encode (maps and lists to text).
#include <benchmark/benchmark.h>

#include <string>

#include "core/function_registry.h"
#include "core/value.h"
#include "functions/ds_map.h"
#include "functions/ds_tables.h"
#include "functions/json_functions.h"

namespace {

// Records like { "id": 17, "name": "item 17", "tags": ["a", "b"], "pos": { "x": 1.5, "y": -2 },
// "scores": [1, 2, 3, 4] } under "items", until the text passes the size.
std::string NestedText(size_t bytes) {
  std::string text = "{ \"items\": [";
  for (int i = 0; text.size() < bytes; ++i) {
    if (i > 0) text += ", ";
    const std::string n = std::to_string(i);
    text += "{ \"id\": " + n + ", \"name\": \"item " + n + "\", \"tags\": [\"a\", \"b\\n\"], \"pos\": { \"x\": " + n +
            ".5, \"y\": -2 }, \"scores\": [1, 2, 3, " + n + "] }";
  }
  text += "] }";
  return text;
}

const std::string& Text() {
  static const std::string text = NestedText(1 << 20);
  return text;
}

void BM_JsonDecode(benchmark::State& state) {
  const std::string& text = Text();
  for (auto _ : state) {
    const int32_t map = F_JsonParseIntoMap(text.c_str(), -1);
    benchmark::DoNotOptimize(map);
    DS_DestroyMap(map);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_JsonDecode)->Unit(benchmark::kMillisecond);

void BM_JsonEncode(benchmark::State& state) {
  const int32_t map = F_JsonParseIntoMap(Text().c_str(), -1);
  std::string out;
  for (auto _ : state) {
    F_JsonMapToText(map, &out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(out.size()));
  state.counters["text_bytes"] = static_cast<double>(out.size());
  DS_DestroyMap(map);
}
BENCHMARK(BM_JsonEncode)->Unit(benchmark::kMillisecond);

}  // namespace
