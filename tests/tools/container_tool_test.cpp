// The tolvarine-container front end, run as a separate program.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>

#include "container/description.h"
#include "container/minimal.h"
#include "container/writer.h"

namespace {

struct ToolRun {
  int exit_code;
  std::string output;  // stdout and stderr together
};

ToolRun run_tool(const std::string& args) {
  const std::string command = std::string(TOLVARINE_CONTAINER_TOOL) + " " + args + " 2>&1";
  ToolRun run{-1, {}};
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[512];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
  const int status = pclose(pipe);
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::filesystem::path scratch(const std::string& name) {
  const std::filesystem::path dir = std::filesystem::path(TOLVARINE_TEST_TMP) / "container_tool";
  std::filesystem::create_directories(dir);
  return dir / name;
}

void write_text(const std::filesystem::path& path, const std::string& text) { std::ofstream(path) << text; }

std::vector<uint8_t> read_bytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

constexpr const char* kDescription = R"(chunk GEN8
  u32 15
  string "Lumbrix"
  offset ROOM/0
chunk ROOM
  label ROOM/0
  list ROOM/0 -
)";

}  // namespace

TEST(ContainerTool, HelpDescribesTheUsage) {
  const ToolRun run = run_tool("--help");
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_TRUE(run.output.starts_with("usage: tolvarine-container")) << run.output;
  for (const char* word : {"--size-word", "--truncate", "--unknown-chunk-at", "--chunk-alignment", "string-index",
                           "game NAME", "sprite NAME FILE.png", "on EVENT [N] ENTRY", "instance OBJECT X Y"})
    EXPECT_NE(run.output.find(word), std::string::npos) << word;
}

TEST(ContainerTool, WritesWhatTheLibraryWritesWithTheSameOptions) {
  const auto description = scratch("same.txt");
  write_text(description, kDescription);
  struct Case {
    std::string args;
    container::WriterOptions options;
  };
  const Case cases[] = {
      {"", {}},
      {"--chunk-alignment 1 --unknown-chunk-at 1", {.chunk_alignment = 1, .unknown_chunk_at = 1}},
      {"--size-word 7 --truncate 3", {.size_word = 7, .truncate = 3}},
  };
  for (const Case& c : cases) {
    const auto output = scratch("same.win");
    std::filesystem::remove(output);
    const ToolRun run = run_tool(c.args + " " + description.string() + " " + output.string());
    ASSERT_EQ(run.exit_code, 0) << c.args << ": " << run.output;

    container::ContainerWriter writer(c.options);
    std::string error;
    ASSERT_TRUE(container::read_description(kDescription, writer, error)) << error;
    const auto expected = writer.build();
    ASSERT_TRUE(expected.ok()) << expected.error;
    EXPECT_EQ(read_bytes(output), expected.bytes) << c.args;
  }
}

TEST(ContainerTool, ReadsTheDescriptionFromStandardInput) {
  const auto description = scratch("stdin.txt");
  const auto output = scratch("stdin.win");
  write_text(description, "chunk ABCD\nu8 1\n");
  const ToolRun run = run_tool("- " + output.string() + " < " + description.string());
  ASSERT_EQ(run.exit_code, 0) << run.output;
  EXPECT_EQ(read_bytes(output), (std::vector<uint8_t>{'F', 'O', 'R', 'M', 9, 0, 0, 0, 'A', 'B', 'C', 'D', 1, 0, 0, 0, 1}));
}

TEST(ContainerTool, FailuresSayWhatWentWrong) {
  const auto good = scratch("fail_good.txt");
  const auto bad = scratch("fail_bad.txt");
  const auto unresolved = scratch("fail_unresolved.txt");
  write_text(good, kDescription);
  write_text(bad, "chunk ABCD\nu8 300\n");
  write_text(unresolved, "chunk ABCD\noffset nowhere\n");
  const std::string out = scratch("fail.win").string();
  struct Case {
    std::string args;
    int exit_code;
    std::string message;
  };
  const Case cases[] = {
      {"", 2, "expected DESCRIPTION and OUTPUT"},
      {good.string(), 2, "expected DESCRIPTION and OUTPUT"},
      {"--frobnicate 1 " + good.string() + " " + out, 2, "unknown option --frobnicate"},
      {good.string() + " " + out + " --truncate", 2, "--truncate needs a value"},
      {"--size-word -3 " + good.string() + " " + out, 2, "\"-3\" is not a number"},
      {scratch("missing.txt").string() + " " + out, 1, "cannot read"},
      {bad.string() + " " + out, 1, "line 2: \"300\" is not a value for u8"},
      {unresolved.string() + " " + out, 1, "unresolved label \"nowhere\""},
      {"--chunk-alignment 3 " + good.string() + " " + out, 1, "chunk alignment 3"},
      {good.string() + " " + scratch("no_dir/x.win").string(), 1, "cannot write"},
  };
  for (const Case& c : cases) {
    const ToolRun run = run_tool(c.args);
    EXPECT_EQ(run.exit_code, c.exit_code) << c.args << ": " << run.output;
    EXPECT_NE(run.output.find(c.message), std::string::npos) << c.args << ": " << run.output;
  }
}

TEST(ContainerTool, MinimalWritesAGameAndTakesOneOutputOnly) {
  const std::filesystem::path out = scratch("minimal.win");
  std::filesystem::remove(out);
  const ToolRun run = run_tool("--minimal " + out.string());
  ASSERT_EQ(run.exit_code, 0) << run.output;
  const std::vector<uint8_t> bytes = read_bytes(out);
  ASSERT_GE(bytes.size(), 16u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "FORM");
  EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 12), "GEN8");

  const ToolRun extra = run_tool("--minimal " + out.string() + " " + scratch("other.win").string());
  EXPECT_EQ(extra.exit_code, 2);
  EXPECT_NE(extra.output.find("--minimal expects OUTPUT alone"), std::string::npos) << extra.output;
}

// --room-speed gives the minimal game one room at that speed, as the library writes it.
TEST(ContainerTool, RoomSpeedAddsOneRoomToTheMinimalGame) {
  const std::filesystem::path out = scratch("room.win");
  std::filesystem::remove(out);
  const ToolRun run = run_tool("--minimal --room-speed 30 " + out.string());
  ASSERT_EQ(run.exit_code, 0) << run.output;
  container::ContainerWriter writer;
  const container::RoomEntry room{.name = "room0", .width = 320, .height = 240, .speed = 30};
  container::add_minimal_game(writer, std::span(&room, 1));
  const container::BuildResult built = writer.build();
  ASSERT_TRUE(built.ok()) << built.error;
  EXPECT_EQ(read_bytes(out), built.bytes);

  const struct {
    std::string args;
    std::string message;
  } failures[] = {
      {"--room-speed 30 " + scratch("x.txt").string() + " " + out.string(), "--room-speed goes with --minimal"},
      {"--minimal " + out.string() + " --room-speed", "--room-speed needs a value"},
      {"--minimal --room-speed fast " + out.string(), "\"fast\" is not a number"},
      {"--minimal --room-speed 3000000000 " + out.string(), "\"3000000000\" is not a number"},
  };
  for (const auto& f : failures) {
    const ToolRun bad = run_tool(f.args);
    EXPECT_EQ(bad.exit_code, 2) << f.args << ": " << bad.output;
    EXPECT_NE(bad.output.find(f.message), std::string::npos) << f.args << ": " << bad.output;
  }
}
