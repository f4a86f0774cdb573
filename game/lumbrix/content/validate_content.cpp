// lumbrix-validate CONTAINER: reads a built Lumbrix container back and names every breach of the
// contract the game's code relies on and of the level rules; exit code 1 when there is any.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "content/validate.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: lumbrix-validate CONTAINER\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "lumbrix-validate: cannot read %s\n", argv[1]);
    return 1;
  }
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::vector<std::string> breaches = lumbrix_content::ValidateContainer(bytes);
  for (const std::string& b : breaches) std::fprintf(stderr, "lumbrix-validate: %s\n", b.c_str());
  return breaches.empty() ? 0 : 1;
}
