// lumbrix-content [--rooms DIR] [--preview DIR] OUTPUT: writes Lumbrix's data container, which the
// game's build embeds in the program. --preview also writes every sprite frame, background and
// font sheet and a map of every room as PNG files.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "container/txtr.h"
#include "content/build.h"

namespace {

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

bool WritePng(const std::string& path, const lumbrix_content::Image& image) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  return WriteBytes(path, container::png_page(static_cast<uint32_t>(image.width),
                                              static_cast<uint32_t>(image.height), image.rgba));
}

}  // namespace

int main(int argc, char** argv) {
  std::string rooms = LUMBRIX_ROOM_DIR;
  std::string preview;
  std::string output;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--rooms" || arg == "--preview") && i + 1 < argc) {
      (arg == "--rooms" ? rooms : preview) = argv[++i];
    } else if (output.empty() && !arg.starts_with("--")) {
      output = arg;
    } else {
      output.clear();
      break;
    }
  }
  if (output.empty()) {
    std::fprintf(stderr, "usage: lumbrix-content [--rooms DIR] [--preview DIR] OUTPUT\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  lumbrix_content::BuiltContent built;
  std::string error;
  if (!lumbrix_content::BuildContent(rooms, &built, &error)) {
    std::fprintf(stderr, "lumbrix-content: %s\n", error.c_str());
    return 1;
  }
  if (!WriteBytes(output, built.container)) {
    std::fprintf(stderr, "lumbrix-content: cannot write %s\n", output.c_str());
    return 1;
  }
  if (!preview.empty()) {
    bool ok = true;
    for (const auto& [name, image] : built.pictures) ok = WritePng(preview + "/" + name + ".png", image) && ok;
    const auto& defs = lumbrix_content::Rooms();
    for (size_t i = 0; i < defs.size(); ++i) {
      ok = WritePng(preview + "/rooms/" + defs[i].name + ".png",
                    lumbrix_content::DrawRoomMap(defs[i].width, defs[i].height, built.rooms[i])) &&
           ok;
    }
    if (!ok) {
      std::fprintf(stderr, "lumbrix-content: cannot write the preview in %s\n", preview.c_str());
      return 1;
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("lumbrix-content: %zu bytes in %.2f s\n", built.container.size(), seconds);
  return 0;
}
