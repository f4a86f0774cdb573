// Room definitions loaded from ROOM entries the container writer wrote: the fixed fields, the
// background, view, instance and tile lists, layers, physics by data format, and what a
// run-time copy takes from its definition.
#include <gtest/gtest.h>

#include <cstring>
#include <span>

#include "container/gen8.h"
#include "container/minimal.h"
#include "container/room.h"
#include "host/game_loader.h"
#include "world/room.h"
#include "world/room_table.h"
#include "world_driver.h"

namespace {

using container::RoomEntry;

class RoomLoadingTest : public WorldDriverTest {
 protected:
  // The u32 at a container offset.
  uint32_t Word(size_t at) const {
    uint32_t v;
    std::memcpy(&v, Bytes().data() + at, 4);
    return v;
  }
  // The container offset of room i's entry.
  uint32_t EntryOf(int32_t room) const {
    for (size_t at = 8; at + 8 <= Bytes().size();) {
      if (std::memcmp(Bytes().data() + at, "ROOM", 4) == 0) return Word(at + 8 + 4 + 4 * static_cast<size_t>(room));
      at += 8 + Word(at + 4);
    }
    return 0;
  }
};

TEST_F(RoomLoadingTest, ARoomEntryWithEveryList) {
  RoomEntry room{.name = "r", .width = 320, .height = 200, .speed = 40, .persistent = true};
  room.caption = "Hall";
  room.colour = 0x123456;
  room.show_colour = true;
  room.flags = 0x3;  // views on, clear the view background; bit 2 clear: clear the display buffer
  room.uses_physics = true;
  room.gravity_x = 9.8f;
  room.gravity_y = -2.5f;
  room.pixel_to_metre = 0.1f;
  room.views = {{.visible = 1, .view_x = 10, .port_w = 300}};
  room.backgrounds = {{.visible = 1, .index = 3, .x = 5, .hspeed = 2}};
  room.tiles = {{.x = 4, .y = 5, .background = 2, .left = 1, .top = 2, .width = 8, .height = 9, .depth = 1000,
                 .id = 10000005, .xscale = 2.0f, .colour = 0x80FF0000}};
  room.layer_format = 2;
  room.layers = {{.id = 1, .kind = 1, .depth_index = 0, .background = {.visible = 1, .index = 3}, .colour = 0x40112233},
                 {.id = 2, .kind = 2, .depth_index = 1, .instance_ids = {100001, 100002}},
                 {.id = 3, .kind = 3, .depth_index = -1, .tiles = {{.x = 7, .id = 10000006}}}};
  ASSERT_TRUE(Load(std::span(&room, 1), {}));
  const CRoom* r = Room_Data(0);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->caption, "Hall");
  EXPECT_EQ(r->m_speed, 40);
  EXPECT_TRUE(r->persistent);
  EXPECT_EQ(r->colour, 0x123456u);
  EXPECT_TRUE(r->show_colour);
  EXPECT_TRUE(r->enable_views);
  EXPECT_TRUE(r->clear_view_background);
  EXPECT_TRUE(r->clear_display_buffer);
  EXPECT_EQ(r->gravity_x, 9) << "whole numbers";
  EXPECT_EQ(r->gravity_y, -2);
  EXPECT_NE(r->physics_world, nullptr);
  EXPECT_TRUE(r->views[0].visible);
  EXPECT_EQ(r->views[0].view_x, 10.0f);
  EXPECT_EQ(r->views[0].angle, 0.0f);
  EXPECT_EQ(r->views[0].port_w, 300);
  EXPECT_EQ(r->views[1].view_w, 640.0f) << "views past the list keep their defaults";
  EXPECT_EQ(r->backgrounds[0].index, 3);
  EXPECT_EQ(r->backgrounds[0].x, 5.0f);
  EXPECT_EQ(r->backgrounds[0].hspeed, 2.0f);
  // The empty instance list reads as none: its offset in the entry is rewritten to 0.
  EXPECT_FALSE(r->instance_list_present);
  EXPECT_EQ(Word(EntryOf(0) + 48), 0u);
  ASSERT_TRUE(r->tile_list_present);
  ASSERT_EQ(r->tile_records.size(), 1u);
  EXPECT_EQ(r->tile_records[0].id, 10000005);
  EXPECT_EQ(r->tile_records[0].depth, 1000);

  ASSERT_EQ(r->layers.size(), 3u);
  EXPECT_EQ(r->layers[0].depth, 100);
  EXPECT_EQ(r->layers[1].depth, 200);
  EXPECT_EQ(r->layers[2].depth, 0);
  ASSERT_EQ(r->layers[0].elements.size(), 1u);
  EXPECT_EQ(r->layers[0].elements[0].background.index, 3);
  EXPECT_EQ(r->layers[0].elements[0].background.blend, 0x112233u);
  EXPECT_FLOAT_EQ(r->layers[0].elements[0].background.alpha, 0x40 / 255.0f);
  ASSERT_EQ(r->layers[1].elements.size(), 2u);
  EXPECT_EQ(r->layers[1].elements[1].instanceId, 100002);
  ASSERT_EQ(r->layers[2].elements.size(), 1u);
  ASSERT_EQ(r->layers[2].elements[0].tiles.size(), 1u);
  EXPECT_EQ(r->layers[2].elements[0].tiles[0].x, 7);

  // The running copy places the tiles and keeps the layers.
  Start();
  ASSERT_NE(Room_Current, nullptr);
  ASSERT_EQ(Room_Current->tiles.size(), 1u);
  const RoomTile& t = Room_Current->tiles[0];
  EXPECT_EQ(t.x, 4.0f);
  EXPECT_EQ(t.depth, 1000.0f);
  EXPECT_EQ(t.xscale, 2.0f);
  EXPECT_EQ(t.blend, 0xFF0000u);
  EXPECT_FLOAT_EQ(t.alpha, 0x80 / 255.0f);
  EXPECT_TRUE(t.visible);
  EXPECT_EQ(Room_Current->layers.size(), 3u);
  EXPECT_EQ(Room_Current->caption, "Hall");

  // A copy keeps the destination's view surfaces.
  CRoom copy;
  copy.views[0].surfaceId = 7;
  copy.Assign(r, false);
  EXPECT_EQ(copy.views[0].surfaceId, 7);
  EXPECT_EQ(copy.views[0].port_w, 300);
  EXPECT_EQ(copy.active.count, 0) << "no instances without asking for them";
}

TEST_F(RoomLoadingTest, DataFormatFiveKeepsNoPhysicsWorld) {
  for (const uint8_t format : {5, 6}) {
    SCOPED_TRACE(format);
    container::ContainerWriter writer;
    container::Gen8Header header;
    header.format_version = format;
    container::write_gen8(writer, header);
    writer.add_string_pool();
    RoomEntry room{.name = "r"};
    room.uses_physics = true;
    room.gravity_y = 10.0f;
    container::write_room(writer, std::span(&room, 1));
    ASSERT_TRUE(Load(writer));
    ASSERT_NE(Room_Data(0), nullptr);
    EXPECT_EQ(Room_Data(0)->uses_physics, format >= 6);
    EXPECT_EQ(Room_Data(0)->physics_world != nullptr, format >= 6);
    EXPECT_EQ(Room_Data(0)->gravity_y, format >= 6 ? 10 : 0);
    Room_FreeDefinitions();
  }
}

}  // namespace
