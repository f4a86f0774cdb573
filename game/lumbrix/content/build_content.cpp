// lumbrix-content OUTPUT: writes Lumbrix's data container, which the game's build embeds in the
// program. Until the game's own content lives in this folder it is the least complete game.
#include <cstdio>
#include <fstream>

#include "container/minimal.h"
#include "container/writer.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: lumbrix-content OUTPUT\n");
    return 2;
  }
  container::ContainerWriter writer;
  container::add_minimal_game(writer);
  const container::BuildResult built = writer.build();
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(built.bytes.data()), static_cast<std::streamsize>(built.bytes.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "lumbrix-content: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
