// The folders of src/ stand in floors (floors.txt beside this file): a folder includes its own
// floor and those below, so that a reader can tell which folder stands on which. A lower folder
// that must reach up declares a hook that the upper one installs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Floor {
  int level = 0;
  // Empty: every header of this floor and those below. Else only these (a trailing '/' names a
  // whole folder).
  std::vector<std::string> only;
};

using FloorTable = std::map<std::string, Floor>;

struct Include {
  std::string file;    // "src/world/room.cpp"
  std::string target;  // "render/primitives.h"
  bool operator<(const Include& other) const {
    return file != other.file ? file < other.file : target < other.target;
  }
};

std::vector<std::string> DataLines(const fs::path& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    line = line.substr(0, line.find('#'));
    if (line.find_first_not_of(" \t\r") != std::string::npos) lines.push_back(line);
  }
  return lines;
}

FloorTable ReadFloors(const fs::path& path) {
  FloorTable table;
  for (const std::string& line : DataLines(path)) {
    std::istringstream words(line);
    std::string folder;
    Floor floor;
    words >> folder >> floor.level;
    std::string word;
    if (words >> word && word == "only") {
      while (words >> word) floor.only.push_back(word);
    }
    table[folder] = floor;
  }
  return table;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// A program's entry: src/main.cpp, or a game's main.cpp.
bool IsEntry(const std::string& file) { return file.size() >= 9 && file.compare(file.size() - 9, 9, "/main.cpp") == 0; }

// Why `include` breaks the table, or "" when it keeps it. Files directly under src/ (the program's
// entry) stand on the top floor; a game's folder under game/ has a floor of its own. Only a
// program's entry includes host/, which starts the runner.
std::string Breach(const FloorTable& floors, const Include& include) {
  const std::string from = FolderOf(include.file.substr(include.file.find('/') + 1));  // past "src/" or "game/"
  const std::string to = FolderOf(include.target);
  const auto target = floors.find(to);
  if (target == floors.end()) return "";  // a system or third-party header
  if (to == "host" && from != "host" && !IsEntry(include.file)) return "only a program's entry includes host/";
  if (from.empty()) return "";
  const auto source = floors.find(from);
  if (source == floors.end()) return "the folder " + from + " has no floor in floors.txt";
  if (from == to) return "";
  if (!source->second.only.empty()) {
    for (const std::string& allowed : source->second.only) {
      const bool folder = allowed.back() == '/';
      if (folder ? include.target.rfind(allowed, 0) == 0 : include.target == allowed) return "";
    }
    return from + " may include only what floors.txt names after \"only\"";
  }
  if (target->second.level > source->second.level) {
    return from + " (floor " + std::to_string(source->second.level) + ") may not include " + to + " (floor " +
           std::to_string(target->second.level) + ")";
  }
  return "";
}

// Every quoted include of the sources under `root`, their paths starting with `prefix`.
std::vector<Include> IncludesUnder(const fs::path& root, const std::string& prefix) {
  static const std::regex kInclude(R"re(^\s*#\s*include\s+"([^"]+)")re");
  std::vector<Include> found;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string extension = entry.path().extension().string();
    if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
    const std::string file = prefix + fs::relative(entry.path(), root).generic_string();
    std::ifstream in(entry.path());
    std::smatch match;
    for (std::string line; std::getline(in, line);) {
      if (std::regex_search(line, match, kInclude)) found.push_back({file, match[1]});
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

const fs::path kHere = fs::path(TOLVARINE_SOURCE_DIR) / "tests" / "layers";

TEST(LayersTest, EveryIncludeUnderSrcAndGameKeepsTheFloors) {
  const FloorTable floors = ReadFloors(kHere / "floors.txt");
  ASSERT_FALSE(floors.empty());
  std::string breaches;
  for (const char* tree : {"src", "game"}) {
    const std::vector<Include> includes = IncludesUnder(fs::path(TOLVARINE_SOURCE_DIR) / tree, std::string(tree) + "/");
    EXPECT_FALSE(includes.empty()) << tree;
    for (const Include& include : includes) {
      const std::string why = Breach(floors, include);
      if (!why.empty()) breaches += include.file + " includes \"" + include.target + "\": " + why + "\n";
    }
  }
  EXPECT_EQ(breaches, "") << "move the code to the floor it needs, or reach up through a hook that the "
                              "upper folder installs";
}

TEST(LayersTest, TheTableAllowsDownwardIncludesAndRefusesUpwardOnes) {
  const FloorTable floors = ReadFloors(kHere / "floors.txt");
  struct Case {
    const char* file;
    const char* target;
    bool allowed;
  };
  const Case cases[] = {
      {"src/world/room.cpp", "world/instance.h", true},
      {"src/world/room.cpp", "vm/interpreter.h", true},
      {"src/render/room_draw.cpp", "world/room.h", true},
      {"src/assets/sprite.cpp", "world/room.h", true},  // one floor
      {"src/io/input.cpp", "runtime/frame_timing.h", true},
      {"src/main.cpp", "host/entry.h", true},
      {"src/vm/calls.cpp", "host/entry.h", false},
      {"src/io/input.cpp", "render/display.h", false},
      {"src/world/path.cpp", "render/primitives.h", false},
      {"src/functions/math_functions.cpp", "host/frame_loop.h", false},
      {"src/core/value.cpp", "platform/window/message_box.h", true},
      {"src/core/value.cpp", "io/buffer.h", false},
      {"src/platform/window/window_system.cpp", "core/console.h", true},
      {"src/platform/window/window_system.cpp", "core/value.h", false},
      {"src/platform/window/window_system.cpp", "runtime/host_state.h", false},
      {"src/world/room.cpp", "SDL2/SDL.h", true},
      {"game/lumbrix/input_keys.cpp", "functions/interaction_functions.h", true},
      {"game/lumbrix/input_keys.cpp", "lumbrix/kit.h", true},
      {"game/lumbrix/main.cpp", "host/entry.h", true},
      {"game/lumbrix/input_keys.cpp", "host/game_loader.h", false},
      {"src/functions/game_functions.cpp", "lumbrix/names.h", false},
      {"src/host/startup.cpp", "lumbrix/names.h", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Breach(floors, {c.file, c.target}).empty(), c.allowed) << c.file << " -> " << c.target;
  }
}

}  // namespace
