// The writers of particular chunk kinds: the bytes a loader reads back at each field's place.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "container/gen8.h"
#include "container/minimal.h"
#include "container/objt.h"
#include "container/optn.h"
#include "container/room.h"
#include "container/tpag.h"
#include "container/txtr.h"
#include "tools/container_reading.h"

namespace {

using namespace container;
using namespace container_test;

ChunkView only_chunk(const std::vector<uint8_t>& bytes, const std::string& tag) {
  for (const ChunkView& c : chunks_of(bytes)) {
    if (c.tag == tag) return c;
  }
  ADD_FAILURE() << "no " << tag << " chunk";
  return {};
}

TEST(Gen8Writer, EveryFormatVersionPutsItsFieldsAndTheRoomOrderInPlace) {
  const struct {
    uint8_t version;
    uint32_t room_order_at;
  } cases[] = {{7, 36}, {8, 100}, {9, 100}, {10, 104}, {11, 112}, {12, 120}, {13, 124}, {14, 128}, {15, 128}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.version));
    ContainerWriter writer;
    Gen8Header header;
    header.format_version = c.version;
    header.window_width = 800;
    header.info_flags = 0x4;
    header.display_name = "Shown";
    header.room_order = {4, 2, 9};
    write_gen8(writer, header);
    const BuildResult built = writer.build();
    ASSERT_TRUE(built.ok()) << built.error;
    const ChunkView gen8 = only_chunk(built.bytes, "GEN8");
    const uint32_t body = gen8.body_start;
    EXPECT_EQ(gen8_room_order_offset(c.version), c.room_order_at);
    EXPECT_EQ(gen8.size, c.room_order_at + 4 + 3 * 4);
    EXPECT_EQ(built.bytes[body + 1], c.version);
    EXPECT_EQ(read_u32(built.bytes, body + c.room_order_at), 3u);
    EXPECT_EQ(read_u32(built.bytes, body + c.room_order_at + 12), 9u);
    EXPECT_EQ(text_at(built.bytes, read_u32(built.bytes, body + 8)), "Default");
    if (c.version >= 8) {
      EXPECT_EQ(read_u32(built.bytes, body + 60), 800u);
    }
    if (c.version >= 10) {
      EXPECT_EQ(text_at(built.bytes, read_u32(built.bytes, body + 100)), "Shown");
    }
    if (c.version >= 12) {
      EXPECT_EQ(read_u32(built.bytes, body + 112), 4u);
    }
  }
}

TEST(OptnWriter, OldLayoutWordsThenConstants) {
  ContainerWriter writer;
  OptnOldLayout options;
  options.set(optn_old::kFullScreen, 1);
  options.set(optn_old::kScale, 150);
  options.set(optn_old::kVariableRead, 1);
  options.constants = {{"VersionMajor", "2"}, {"VersionMinor", "17"}};
  write_optn(writer, options);
  const BuildResult built = writer.build();
  ASSERT_TRUE(built.ok()) << built.error;
  const uint32_t body = only_chunk(built.bytes, "OPTN").body_start;
  EXPECT_EQ(read_u32(built.bytes, body + optn_old::kFullScreen), 1u);
  EXPECT_EQ(read_u32(built.bytes, body + optn_old::kScale), 150u);
  EXPECT_EQ(read_u32(built.bytes, body + optn_old::kVariableRead), 1u);
  EXPECT_EQ(read_u32(built.bytes, body + optn_old::kConstantCount), 2u);
  EXPECT_EQ(text_at(built.bytes, read_u32(built.bytes, body + 144)), "VersionMajor");
  EXPECT_EQ(text_at(built.bytes, read_u32(built.bytes, body + 156)), "17");
}

TEST(OptnWriter, NewLayoutMarkerVersionFlagsThenConstants) {
  ContainerWriter writer;
  OptnNewLayout options;
  options.layout_version = 3;
  options.flags = optn_new::kFullScreen | optn_new::kNewAudioEngine;
  options.window_colour = 0x123456;
  options.constants = {{"Speed", "4"}};
  write_optn(writer, options);
  const BuildResult built = writer.build();
  ASSERT_TRUE(built.ok()) << built.error;
  const uint32_t body = only_chunk(built.bytes, "OPTN").body_start;
  EXPECT_EQ(read_u32(built.bytes, body), 0xFFFFFFFFu);
  EXPECT_EQ(read_u32(built.bytes, body + 4), 3u);
  EXPECT_EQ(read_u32(built.bytes, body + 8), 0x5u);
  EXPECT_EQ(read_u32(built.bytes, body + 20), 0x123456u);
  EXPECT_EQ(read_u32(built.bytes, body + 60), 1u);
  EXPECT_EQ(text_at(built.bytes, read_u32(built.bytes, body + 68)), "4");
}

TEST(TexturePageWriters, EntriesAndPagesAreReachedThroughTheirOffsets) {
  ContainerWriter writer;
  const TexturePageEntry entries[] = {{1, 2, 3, 4, 0, 0, 3, 4, 3, 4, 1}, {5, 6, 7, 8, 0, 0, 7, 8, 7, 8, 0}};
  write_tpag(writer, entries);
  const TexturePage pages[] = {{1, {}}, {0, std::vector<uint8_t>(tiny_png().begin(), tiny_png().end())}};
  write_txtr(writer, pages);
  const BuildResult built = writer.build();
  ASSERT_TRUE(built.ok()) << built.error;
  const std::vector<uint8_t>& b = built.bytes;

  const uint32_t tpag = only_chunk(b, "TPAG").body_start;
  ASSERT_EQ(read_u32(b, tpag), 2u);
  const uint32_t second = read_u32(b, tpag + 8);
  EXPECT_EQ(b[second], 5);
  EXPECT_EQ(b[second + 20], 0);
  EXPECT_EQ(b[read_u32(b, tpag + 4) + 20], 1);

  const uint32_t txtr = only_chunk(b, "TXTR").body_start;
  ASSERT_EQ(read_u32(b, txtr), 2u);
  const uint32_t first_page = read_u32(b, txtr + 4);
  EXPECT_EQ(read_u32(b, first_page), 1u);
  EXPECT_EQ(read_u32(b, first_page + 4), 0u);  // no image
  const uint32_t image = read_u32(b, read_u32(b, txtr + 8) + 4);
  ASSERT_LT(image + tiny_png().size(), b.size() + 1);
  EXPECT_EQ(std::memcmp(b.data() + image, tiny_png().data(), tiny_png().size()), 0);
}

// Each entry's fields lie where a loader reads them: the given ones, creation code -1, zero flags
// and scalars, and four lists of its own, each present (non-zero offset) and empty.
TEST(RoomWriter, EntriesHoldTheirFieldsAndEmptyListsAnEmptySlotIsOffsetZero) {
  ContainerWriter writer;
  const RoomEntry rooms[] = {
      {.name = "first", .width = 320, .height = 200, .speed = 30},
      {.empty_slot = true},
      {.name = std::nullopt, .width = 1, .height = 2, .speed = -4},
  };
  write_room(writer, rooms);
  const BuildResult built = writer.build();
  ASSERT_TRUE(built.ok()) << built.error;
  const std::vector<uint8_t>& b = built.bytes;
  const ChunkView chunk = only_chunk(b, "ROOM");
  ASSERT_EQ(read_u32(b, chunk.body_start), 3u);
  EXPECT_EQ(read_u32(b, chunk.body_start + 8), 0u);
  const struct {
    uint32_t entry;
    std::string name;
    int32_t width, height, speed;
  } expected[] = {{read_u32(b, chunk.body_start + 4), "first", 320, 200, 30},
                  {read_u32(b, chunk.body_start + 12), "", 1, 2, -4}};
  std::vector<uint32_t> lists;
  for (const auto& e : expected) {
    SCOPED_TRACE(e.name);
    ASSERT_GE(e.entry, chunk.body_start);
    ASSERT_LE(e.entry + kRoomEntrySize, chunk.body_start + chunk.size);
    EXPECT_EQ(e.entry % 4, 0u);
    const uint32_t name = read_u32(b, e.entry);
    if (e.name.empty()) {
      EXPECT_EQ(name, 0u);
    } else {
      EXPECT_EQ(text_at(b, name), e.name);
    }
    EXPECT_EQ(read_u32(b, e.entry + 4), 0u);  // no caption
    EXPECT_EQ(static_cast<int32_t>(read_u32(b, e.entry + 8)), e.width);
    EXPECT_EQ(static_cast<int32_t>(read_u32(b, e.entry + 12)), e.height);
    EXPECT_EQ(static_cast<int32_t>(read_u32(b, e.entry + 16)), e.speed);
    EXPECT_EQ(read_u32(b, e.entry + 32), 0xFFFFFFFFu);  // no creation code
    for (uint32_t at : {20u, 24u, 28u, 36u, 56u, 60u, 64u, 68u, 72u, 76u, 80u, 84u}) {
      EXPECT_EQ(read_u32(b, e.entry + at), 0u) << at;
    }
    for (uint32_t at = 40; at <= 52; at += 4) {
      const uint32_t list = read_u32(b, e.entry + at);
      EXPECT_NE(list, 0u) << at;
      EXPECT_EQ(read_u32(b, list), 0u) << at;
      lists.push_back(list);
    }
  }
  std::sort(lists.begin(), lists.end());
  EXPECT_EQ(std::adjacent_find(lists.begin(), lists.end()), lists.end());  // none shared
}

TEST(MinimalGame, RoomsGoInTheRoomChunkAndTheirOrderInTheHeader) {
  ContainerWriter writer;
  const RoomEntry rooms[] = {{.name = "a", .speed = 30}, {.empty_slot = true}, {.name = "c", .speed = 60}};
  add_minimal_game(writer, rooms);
  const BuildResult built = writer.build();
  ASSERT_TRUE(built.ok()) << built.error;
  const std::vector<uint8_t>& b = built.bytes;
  const uint32_t gen8 = only_chunk(b, "GEN8").body_start;
  const uint32_t order = gen8 + gen8_room_order_offset(15);
  ASSERT_EQ(read_u32(b, order), 2u);
  EXPECT_EQ(read_u32(b, order + 4), 0u);
  EXPECT_EQ(read_u32(b, order + 8), 2u);
  const uint32_t room = only_chunk(b, "ROOM").body_start;
  EXPECT_EQ(read_u32(b, room), 3u);
  EXPECT_EQ(read_u32(b, read_u32(b, room + 12) + 16), 60u);

  // Without rooms: an empty room list and an empty order, as before.
  ContainerWriter plain;
  add_minimal_game(plain);
  const BuildResult without = plain.build();
  ASSERT_TRUE(without.ok()) << without.error;
  EXPECT_EQ(only_chunk(without.bytes, "ROOM").size, 4u);
  EXPECT_EQ(read_u32(without.bytes, only_chunk(without.bytes, "GEN8").body_start + gen8_room_order_offset(15)), 0u);
}

TEST(MinimalGame, HoldsEveryChunkOfAGameInOrder) {
  ContainerWriter writer;
  add_minimal_game(writer);
  const BuildResult built = writer.build();
  ASSERT_TRUE(built.ok()) << built.error;
  std::vector<std::string> tags;
  for (const ChunkView& c : chunks_of(built.bytes)) tags.push_back(c.tag);
  const std::vector<std::string> expected = {"GEN8", "OPTN", "EXTN", "SOND", "AGRP", "SPRT", "BGND", "PATH",
                                             "SCPT", "SHDR", "FONT", "TMLN", "OBJT", "ROOM", "DAFL", "TPAG",
                                             "CODE", "VARI", "FUNC", "STRG", "TXTR", "AUDO"};
  EXPECT_EQ(tags, expected);
}

TEST(ObjtWriter, EachFormatPutsThePhysicsBlockBeforeTheEventRows) {
  const struct {
    uint8_t version;
    uint32_t physics_words;
  } cases[] = {{5, 0}, {7, 9}, {9, 12}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.version));
    ContainerWriter writer;
    ObjtEntry hole;
    hole.empty_slot = true;
    ObjtEntry object;
    object.name = "ob_crate";
    object.depth = -7;
    object.physics.points = {{1.5f, 2.5f}};
    object.physics.friction = 0.75f;
    object.on(3, 2, 41);
    const ObjtEntry objects[] = {hole, object};
    write_objt(writer, objects, c.version);
    const BuildResult built = writer.build();
    ASSERT_TRUE(built.ok()) << built.error;
    const std::vector<uint8_t>& b = built.bytes;
    const uint32_t body = only_chunk(b, "OBJT").body_start;
    EXPECT_EQ(read_u32(b, body), 2u);
    EXPECT_EQ(read_u32(b, body + 4), 0u);
    const uint32_t entry = read_u32(b, body + 8);
    EXPECT_EQ(text_at(b, read_u32(b, entry)), "ob_crate");
    EXPECT_EQ(read_u32(b, entry + 16), static_cast<uint32_t>(-7));
    EXPECT_EQ(read_u32(b, entry + 24), static_cast<uint32_t>(-100));  // no parent
    const uint32_t points = c.physics_words > 0 ? 1 : 0;
    if (c.physics_words > 0) {
      EXPECT_EQ(read_u32(b, entry + 32 + 32), 1u);  // the point count
    }
    if (c.version >= 9) {
      EXPECT_EQ(read_u32(b, entry + 32 + 36), 0x3F400000u);  // friction 0.75
    }
    const uint32_t rows = entry + 32 + 4 * c.physics_words + 8 * points;
    ASSERT_EQ(read_u32(b, rows), 12u);
    const uint32_t step = read_u32(b, rows + 4 + 4 * 3);
    ASSERT_EQ(read_u32(b, step), 1u);
    const uint32_t event = read_u32(b, step + 4);
    EXPECT_EQ(read_u32(b, event), 2u);      // the number
    ASSERT_EQ(read_u32(b, event + 4), 1u);  // one action
    EXPECT_EQ(read_u32(b, read_u32(b, event + 8) + 4 * kObjtActionCodeWord), 41u);
  }
}

TEST(ObjtWriter, AnEventOfMoreThanOneActionIsWrittenWithAWarning) {
  ContainerWriter writer;
  ObjtEntry plain;
  plain.name = "ob_plain";
  plain.on(3, 0, 1);
  ObjtEntry busy;
  busy.name = "ob_busy";
  busy.rows[3].push_back(ObjtEvent{2, {4, 5, 6}});
  const ObjtEntry objects[] = {plain, busy};
  write_objt(writer, objects, 15);
  ASSERT_TRUE(writer.build().ok());
  EXPECT_EQ(writer.warnings(),
            std::vector<std::string>{"object 1 (ob_busy) event 3/2 has 3 actions: only the first action's code runs"});
}

}  // namespace
