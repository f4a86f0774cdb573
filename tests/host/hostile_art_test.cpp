// Containers whose art is hostile, run by the built runner: each is refused with a message naming
// its chunk and ends as every refused container does (exit code 1 through the teardown), never by
// running out of memory, a misaligned read or a silent blank.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "container/minimal.h"
#include "container/writer.h"
#include "host/host_test_support.h"

namespace {

using namespace host_test;

// The container offset of the first entry of the first chunk tagged `tag`.
uint32_t FirstEntryOf(const std::vector<uint8_t>& bytes, const char* tag) {
  const auto at = std::search(bytes.begin(), bytes.end(), tag, tag + 4);
  if (at == bytes.end()) return 0;
  uint32_t entry = 0;
  std::memcpy(&entry, &*at + 12, 4);  // tag, size, count, then the first offset
  return entry;
}

void PutU32(std::vector<uint8_t>& bytes, uint32_t at, uint32_t value) { std::memcpy(bytes.data() + at, &value, 4); }

struct HostileCase {
  const char* name;
  std::function<void(container::ContainerWriter&)> write;
  std::function<void(std::vector<uint8_t>&)> damage;  // after the build; may be empty
  const char* says;
};

TEST(HostileArtTest, RefusedWithTheChunkNamedAndExitCodeOne) {
  const std::vector<container::TexturePageEntry> oneEntry = {{0, 0, 1, 1, 0, 0, 1, 1, 1, 1, 0}};
  const HostileCase cases[] = {
      {"empty sprite with 2^31 - 1 masks",
       [&](container::ContainerWriter& w) {
         container::SpriteEntry s;
         s.name = "empty";
         s.frames = {0};
         const std::vector<std::optional<container::SpriteEntry>> sprites = {s};
         container::MinimalGameParts parts;
         parts.sprites = sprites;
         container::add_minimal_game(w, parts);
       },
       [](std::vector<uint8_t>& b) { PutU32(b, FirstEntryOf(b, "SPRT") + 64, 0x7FFFFFFF); },
       "chunk SPRT: sprite 0: its mask count 2147483647 exceeds its frame count 1"},
      {"background page entry at an odd offset",
       [](container::ContainerWriter& w) {
         container::add_minimal_game(w);
         // A second BGND chunk replaces the first's (empty) table when it is loaded.
         w.add_chunk("BGND").u32(1).offset_to("e").label("e").string_ref("b").zeros(12).offset_to("odd").align(2).u8(0)
             .label("odd").zeros(22);
       },
       nullptr, "chunk BGND: background 0's page entry at container offset"},
      {"page image that does not decode",
       [&](container::ContainerWriter& w) {
         const std::vector<container::TexturePage> pages = {
             {0, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 1, 2, 3, 4, 5, 6, 7, 8, 9}}};
         container::MinimalGameParts parts;
         parts.page_entries = oneEntry;
         parts.pages = pages;
         container::add_minimal_game(w, parts);
       },
       nullptr, "chunk TXTR: page 0's image at container offset"},
      {"page entry naming a missing page",
       [&](container::ContainerWriter& w) {
         const std::vector<container::TexturePageEntry> entries = {{0, 0, 1, 1, 0, 0, 1, 1, 1, 1, 3}};
         const std::vector<container::TexturePage> pages = {{0, {}}};
         container::MinimalGameParts parts;
         parts.page_entries = entries;
         parts.pages = pages;
         container::add_minimal_game(w, parts);
       },
       nullptr, "chunk TPAG: entry 0 names page 3 of 1"},
  };
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.name);
    container::ContainerWriter writer;
    c.write(writer);
    container::BuildResult built = writer.build();
    ASSERT_TRUE(built.ok()) << built.error;
    if (c.damage) c.damage(built.bytes);
    const std::string dir = MakeScratchDir("work");
    WriteFile(dir + "/bad.win", std::string(built.bytes.begin(), built.bytes.end()));
    const RunResult run =
        RunProgram(TOLVARINE_RUNNER, {"-game", "bad.win", "-debugoutput", "log.txt", "-headless"}, dir, {}, 60);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
    const std::string log = ReadFile(dir + "/log.txt");
    EXPECT_NE(log.find("Failed to load the game"), std::string::npos) << log;
    EXPECT_EQ(log.find("Entering main loop."), std::string::npos) << log;
  }
}

}  // namespace
