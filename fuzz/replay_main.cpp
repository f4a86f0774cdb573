// Runs a fuzz target's entry point over stored inputs, outside libFuzzer: every file named on the
// command line, and every file in each directory named there (arguments starting with "-" are
// libFuzzer's flags, passed over). The normal build runs the seeds
// and the regression inputs (earlier findings) this way on every test run.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Optional in a fuzz target, as it is for libFuzzer.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::filesystem::path> InputsOf(const std::filesystem::path& path) {
  std::vector<std::filesystem::path> inputs;
  if (std::filesystem::is_directory(path)) {
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
      if (entry.is_regular_file()) inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
  } else {
    inputs.push_back(path);
  }
  return inputs;
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
  size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] == '-') continue;  // a libFuzzer flag (a target may give itself some)
    if (!std::filesystem::exists(argv[i])) {
      std::fprintf(stderr, "replay: %s does not exist\n", argv[i]);
      return 1;
    }
    for (const std::filesystem::path& input : InputsOf(argv[i])) {
      std::ifstream file(input, std::ios::binary);
      const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
      // Exactly the input's bytes, as the fuzzer hands them over.
      std::vector<uint8_t> exact(bytes);
      LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
      std::printf("replay: %s\n", input.string().c_str());
      ++replayed;
    }
  }
  std::printf("replay: %zu inputs, none failed\n", replayed);
  return replayed > 0 ? 0 : 1;
}
