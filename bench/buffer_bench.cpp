// Throughput of byte-at-a-time buffer access and of the codecs that buffers and files use.
// "bytes_per_second" is the rate of the bytes moved or digested.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "core/base64.h"
#include "core/md5.h"
#include "core/sha1.h"
#include "core/value.h"
#include "io/buffer.h"

namespace {

constexpr int32_t kMegabyte = 1 << 20;

// Writes then reads 1 MB as u8 through the typed operations.
void WriteThenReadBytes(IBuffer& buffer, RValue& value) {
  buffer.Seek(0, 0);
  for (int32_t i = 0; i < kMegabyte; ++i) {
    value.val = static_cast<double>(i & 0xFF);
    buffer.Write(eBuffer_U8, &value);
  }
  buffer.Seek(0, 0);
  double sum = 0;
  for (int32_t i = 0; i < kMegabyte; ++i) {
    buffer.Read(eBuffer_U8, &value);
    sum += value.val;
  }
  benchmark::DoNotOptimize(sum);
}

void BM_FastBufferWriteReadU8(benchmark::State& state) {
  Buffer_Fast buffer(kMegabyte, eBuffer_Format_Fast, 1);
  RValue value = RValue_MakeReal(0);
  for (auto _ : state) WriteThenReadBytes(buffer, value);
  state.SetBytesProcessed(state.iterations() * 2 * static_cast<int64_t>(kMegabyte));
}
BENCHMARK(BM_FastBufferWriteReadU8)->Unit(benchmark::kMillisecond);

// The grow buffer starts at 1 byte and grows as it is written.
void BM_GrowBufferWriteReadU8(benchmark::State& state) {
  RValue value = RValue_MakeReal(0);
  for (auto _ : state) {
    Buffer_Standard buffer(1, eBuffer_Format_Grow, 1);
    WriteThenReadBytes(buffer, value);
  }
  state.SetBytesProcessed(state.iterations() * 2 * static_cast<int64_t>(kMegabyte));
}
BENCHMARK(BM_GrowBufferWriteReadU8)->Unit(benchmark::kMillisecond);

std::vector<uint8_t> Megabyte() {
  std::vector<uint8_t> bytes(kMegabyte);
  for (int32_t i = 0; i < kMegabyte; ++i) bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(i * 31 + 7);
  return bytes;
}

void BM_Base64Encode(benchmark::State& state) {
  const std::vector<uint8_t> bytes = Megabyte();
  std::vector<char> text(bytes.size() * 4 / 3 + 4);
  for (auto _ : state) {
    Base64_Encode(bytes.data(), bytes.size(), text.data());
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_Base64Encode)->Unit(benchmark::kMillisecond);

void BM_Base64Decode(benchmark::State& state) {
  const std::vector<uint8_t> bytes = Megabyte();
  std::vector<char> text(bytes.size() * 4 / 3 + 4);
  Base64_Encode(bytes.data(), bytes.size(), text.data());
  std::vector<uint8_t> out(bytes.size() + 4);
  for (auto _ : state) {
    Base64_Decode(text.data(), out.size(), out.data(), true);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_Base64Decode)->Unit(benchmark::kMillisecond);

// Digests 1 MB per iteration with `digest` (bytes, length).
template <typename Digest>
void DigestMegabyte(benchmark::State& state, Digest digest) {
  const std::vector<uint8_t> bytes = Megabyte();
  for (auto _ : state) benchmark::DoNotOptimize(digest(bytes.data(), static_cast<uint32_t>(bytes.size())));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

void BM_MD5(benchmark::State& state) {
  DigestMegabyte(state, [](const uint8_t* bytes, uint32_t length) {
    MD5_CTX context;
    MD5_Init(&context);
    MD5_Update(&context, bytes, length);
    MD5_Final(&context);
    return context.digest[0];
  });
}
BENCHMARK(BM_MD5)->Unit(benchmark::kMillisecond);

void BM_SHA1(benchmark::State& state) {
  DigestMegabyte(state, [](const uint8_t* bytes, uint32_t length) {
    SHA1Context context;
    SHA1_Reset(&context);
    SHA1_Input(&context, bytes, length);
    SHA1_Result(&context);
    return context.Message_Digest[0];
  });
}
BENCHMARK(BM_SHA1)->Unit(benchmark::kMillisecond);

}  // namespace
