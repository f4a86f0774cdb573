// Lumbrix's content: the container built into the program keeps the game's contract and the level
// rules, a fresh generator run gives the same bytes, the checks name each kind of broken layout,
// and the runner loads the whole container.
#include <AL/al.h>
#include <AL/alut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "assets/font.h"
#include "assets/image_decode.h"
#include "assets/sprite_table.h"
#include "audio/audio_engine.h"
#include "audio/sound_device.h"
#include "content/build.h"
#include "content/validate.h"
#include "game_fixture.h"
#include "world/object.h"
#include "world/room_table.h"

namespace {

using lumbrix_content::Placed;

std::vector<uint8_t> Embedded() {
  GameLinkRecord record;
  lumbrix::FillLinkRecord(&record);
  return std::vector<uint8_t>(record.data, record.data + record.dataSize);
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

TEST(LumbrixContent, TheBuiltInContainerKeepsTheContract) {
  const std::vector<uint8_t> bytes = Embedded();
  EXPECT_EQ(Joined(lumbrix_content::ValidateContainer(bytes)), "");
}

TEST(LumbrixContent, AFreshGeneratorRunGivesTheEmbeddedBytes) {
  lumbrix_content::BuiltContent built;
  std::string error;
  ASSERT_TRUE(lumbrix_content::BuildContent(LUMBRIX_ROOM_DIR, &built, &error)) << error;
  const std::vector<uint8_t> embedded = Embedded();
  ASSERT_EQ(built.container.size(), embedded.size());
  EXPECT_TRUE(built.container == embedded);
}

// ---------------------------------------------------------------------------------------------
// Broken layouts, each made from the real rooms by one change.

std::vector<std::vector<Placed>> RealRooms() {
  std::vector<std::vector<Placed>> rooms;
  std::string error;
  EXPECT_TRUE(lumbrix_content::ReadRooms(LUMBRIX_ROOM_DIR, &rooms, &error)) << error;
  return rooms;
}

Placed& First(std::vector<Placed>& room, int32_t object, int32_t skip = 0) {
  for (Placed& p : room) {
    if (p.object == object && skip-- == 0) return p;
  }
  static Placed none;
  ADD_FAILURE() << "no object " << object;
  return none;
}

struct LayoutCase {
  const char* what;
  int32_t room;
  std::function<void(std::vector<Placed>&)> change;
  const char* named;  // a part of the breach's text
};

TEST(LumbrixContent, ChecksNameEachBrokenLayout) {
  using namespace lumbrix_content;
  const LayoutCase cases[] = {
      {"a tutorial trigger moved", 3,
       [](auto& room) {
         for (Placed& p : room) {
           if (p.code == 104) p.x += 50;
         }
       },
       "code 104: object 29 at (1700, 6250)"},
      {"three ends at a point", 6,
       // A vertical piece ending where two pieces of the first string join.
       [](auto& room) { room.push_back({kWireVertical, First(room, kWireHorizontal, 1).x, 2025, 1, -1, -1, 0}); },
       "3 wire ends at one point"},
      {"a 350 x 350 chip", 4,
       [](auto& room) { First(room, kChip).xscale = First(room, kChip).yscale = 3.5f; },
       "of 350 x 350 has no sprite"},
      {"an entry end 12 px short", 6, [](auto& room) { First(room, kChip, 1).x += 12; }, "entry probe"},
      {"a diagonal missing from rm_level1", 5,
       [](auto& room) { room.erase(room.begin() + (&First(room, kWireDiagonal) - room.data())); },
       "7 ob_wire_diagonal where 8"},
      {"a ghost on the player's start", 7,
       [](auto& room) {
         const Placed& player = First(room, kPlayerSpawn);
         Placed& ghost = First(room, kGhostSpawner);
         ghost.x = player.x;
         ghost.y = player.y;
       },
       "too near the player's start"},
      {"a chip no wire reaches", 9,
       [](auto& room) {
         First(room, kChip, 2).x += 600;
         First(room, kChip, 2).y -= 1200;
       },
       "no wire leads into the chip"},
  };
  const std::vector<std::vector<Placed>> rooms = RealRooms();
  ASSERT_EQ(rooms.size(), Rooms().size());
  for (size_t r = 0; r < rooms.size(); ++r) {
    EXPECT_EQ(Joined(ValidateRoom(static_cast<int32_t>(r), rooms[r])), "") << Rooms()[r].name;
  }
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Placed> room = rooms[static_cast<size_t>(c.room)];
    c.change(room);
    const std::string breaches = Joined(ValidateRoom(c.room, room));
    EXPECT_NE(breaches.find(c.named), std::string::npos) << breaches;
  }
}

// The container as a list of chunks, for changing single fields in place.
uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
size_t ChunkBody(const std::vector<uint8_t>& b, const char* tag) {
  for (size_t at = 8; at + 8 <= b.size(); at += 8 + U32(b, at + 4)) {
    if (std::memcmp(b.data() + at, tag, 4) == 0) return at + 8;
  }
  ADD_FAILURE() << "no chunk " << tag;
  return 0;
}
// Entry i of the list {count, offsets} at `at`.
size_t Entry(const std::vector<uint8_t>& b, size_t at, uint32_t i) { return U32(b, at + 4 + 4 * size_t{i}); }

TEST(LumbrixContent, ChecksNameChangedContainerFields) {
  const std::vector<uint8_t> good = Embedded();
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> change;
    const char* named;
  };
  const Case cases[] = {
      {"ids out of order",
       [](auto& b) {
         // Swap the ids of rm_level2's first two instances.
         const size_t instances = U32(b, Entry(b, ChunkBody(b, "ROOM"), 4) + 48);
         const size_t a = Entry(b, instances, 0) + 12;
         const size_t c = Entry(b, instances, 1) + 12;
         for (int k = 0; k < 4; ++k) std::swap(b[a + k], b[c + k]);
       },
       "rm_level2: instance id"},
      {"a volume changed",
       [](auto& b) {
         const float half = 0.5f;
         std::memcpy(b.data() + Entry(b, ChunkBody(b, "SOND"), 1) + 20, &half, 4);
       },
       "sound 1 (sn_damage) volume: 0.5 where 0.28"},
      {"a sprite origin moved",
       [](auto& b) { b[Entry(b, ChunkBody(b, "SPRT"), 12) + 48] = 0; },
       "sprite 12 (sp_player) x origin: 0 where 29"},
      {"an event's code index changed",
       [](auto& b) {
         // ob_control's first event row (Create): its one action's code word.
         const size_t object = Entry(b, ChunkBody(b, "OBJT"), 12);
         const size_t rows = object + 32 + 48;
         const size_t event = Entry(b, Entry(b, rows, 0), 0);
         const size_t action = Entry(b, event + 4, 0);
         b[action + 32] = 7;
       },
       "object 12 (ob_control) events"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> bytes = good;
    c.change(bytes);
    const std::string breaches = Joined(lumbrix_content::ValidateContainer(bytes));
    EXPECT_NE(breaches.find(c.named), std::string::npos) << breaches;
  }
}

// The banner "HACKING_COMPLETE." with its box, and tutorial3's longer line, fit the window in
// the faces the fonts are rasterised from.
TEST(LumbrixContent, TheLongestTextsFitTheWindow) {
  using namespace lumbrix_content;
  auto width = [](int32_t font, const std::string& text) {
    FontSheet sheet;
    std::string error;
    EXPECT_TRUE(RasteriseFont(Fonts()[static_cast<size_t>(font)].dejavu, Fonts()[static_cast<size_t>(font)].pixel_size,
                              &sheet, &error))
        << error;
    int32_t w = 0;
    for (char ch : text) w += sheet.glyphs[static_cast<size_t>(ch - 32)].shift;
    return w;
  };
  const int32_t banner = width(1, "HACKING_COMPLETE.");
  EXPECT_GT(banner, 600);  // large, as a banner is
  EXPECT_LE(banner + 20, static_cast<int32_t>(kWindowWidth));
  EXPECT_LE(width(3, "You can move in any direction on a chip."), static_cast<int32_t>(kWindowWidth) - 40);
  EXPECT_LE(width(2, "Welcome to the TUTORIAL."), static_cast<int32_t>(kWindowWidth) - 40);
}

using LumbrixLoadTest = LumbrixGameTest;

TEST_F(LumbrixLoadTest, TheRunnerLoadsEveryPartOfTheContainer) {
  // The fixture's load has passed: no chunk was unknown.
  EXPECT_EQ(Object_Count(), 38);
  EXPECT_EQ(Room_Number(), 10);
  EXPECT_EQ(Sprite_Number(), 36);
  EXPECT_EQ(Font_Number(), 4);
  EXPECT_EQ(Audio_Number(), 10);
  EXPECT_EQ(Object_Find("ob_control"), 12);
  EXPECT_EQ(Room_Find("rm_menu"), 1);
  EXPECT_EQ(Sprite_Find("sp_title_abort"), 35);
  EXPECT_EQ(Font_Find("fn_message"), 3);
}

// Every texture page of the built container decodes to a picture of its stated size.
TEST(LumbrixContent, TexturePagesDecode) {
  const std::vector<uint8_t> b = Embedded();
  const size_t txtr = ChunkBody(b, "TXTR");
  const uint32_t pages = U32(b, txtr);
  ASSERT_GE(pages, 1u);
  for (uint32_t i = 0; i < pages; ++i) {
    const size_t image = U32(b, Entry(b, txtr, i) + 4);
    int32_t w = 0, h = 0;
    const uint32_t* pixels = PNG_Decode(b.data() + image, b.size() - image, &w, &h, false);
    EXPECT_NE(pixels, nullptr) << "page " << i;
    EXPECT_EQ(w, 2048);
    EXPECT_EQ(h, 2048);
    PNG_FreeDecoder();
  }
}

// The samples of sound `index`'s WAV image in the container (16-bit mono, data at byte 44).
std::vector<int16_t> Samples(const std::vector<uint8_t>& b, uint32_t index, int32_t* rate) {
  const size_t record = Entry(b, ChunkBody(b, "AUDO"), index);
  const size_t wav = record + 4;
  *rate = static_cast<int32_t>(U32(b, wav + 24));
  std::vector<int16_t> out(U32(b, wav + 40) / 2);
  std::memcpy(out.data(), b.data() + wav + 44, out.size() * 2);
  return out;
}

// Every sound's image becomes an OpenAL buffer as the runner makes them; the looping ones join
// end to start with no bigger step than any inside them; the laser's charge and shot last the
// turret's 98 and 120 steps at 60 a second.
TEST(LumbrixContent, SoundsBecomeBuffersLoopCleanlyAndLastTheirSteps) {
  const std::vector<uint8_t> b = Embedded();
  SoundDevice_UseManualLoopback(true);
  ASSERT_TRUE(SoundDevice_Open());
  ASSERT_EQ(alutInitWithoutContext(nullptr, nullptr), AL_TRUE);
  for (uint32_t i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    const size_t record = Entry(b, ChunkBody(b, "AUDO"), i);
    const ALuint buffer = alutCreateBufferFromFileImage(b.data() + record + 4, static_cast<ALsizei>(U32(b, record)));
    EXPECT_NE(buffer, 0u) << alutGetErrorString(alutGetError());
    ALint bits = 0;
    alGetBufferi(buffer, AL_BITS, &bits);
    EXPECT_EQ(bits, 16);
    alDeleteBuffers(1, &buffer);
  }
  alutExit();
  SoundDevice_Close();
  SoundDevice_UseManualLoopback(false);

  for (uint32_t looping : {0u, 4u}) {
    int32_t rate = 0;
    const std::vector<int16_t> s = Samples(b, looping, &rate);
    ASSERT_GT(s.size(), 2u);
    int32_t largest = 0;
    for (size_t k = 1; k < s.size(); ++k) largest = std::max(largest, std::abs(s[k] - s[k - 1]));
    EXPECT_LE(std::abs(s.front() - s.back()), largest) << "sound " << looping;
  }
  for (const auto& [sound, steps] : {std::pair{8u, 98.0}, std::pair{9u, 120.0}}) {
    int32_t rate = 0;
    const std::vector<int16_t> s = Samples(b, sound, &rate);
    EXPECT_NEAR(static_cast<double>(s.size()) / rate, steps / 60.0, 0.02) << "sound " << sound;
  }
}

}  // namespace
