// The room table and order, room instances and their lists, and the instance and room commands.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assets/sprite_table.h"
#include "core/value_test_util.h"
#include "host/frame_loop.h"
#include "host/rooms.h"
#include "runtime/run_state.h"
#include "script/script_test_support.h"
#include "world/activation.h"
#include "world/commands.h"
#include "world/deferred.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/instance_queues.h"
#include "world/room.h"
#include "world/room_table.h"

namespace {

class RoomWorldTest : public WorldTest {
 protected:
  void TearDown() override {
    Runner_DeleteRoomCopies();
    Runner_FreeCarriedInstances();
    Room_Current = nullptr;
    Room_FreeDefinitions();
    Room_SetInstanceIdCounter(0);
    Room_SetTileIdCounter(0);
    WorldTest::TearDown();
  }
  // Enters room for the test; the room deletes its instances when it goes.
  CRoom* Enter() {
    auto* room = new CRoom();
    Room_Copies = {room};
    Room_Current = room;
    return room;
  }
  static std::vector<CInstance*> Walk(const InstanceList& list) {
    std::vector<CInstance*> out;
    for (CInstance* i = list.first; i != nullptr; i = i->list_next) out.push_back(i);
    return out;
  }
};

TEST_F(RoomWorldTest, TheOrderAnswersPreviousAndNext) {
  EXPECT_EQ(Room_First(), -1);
  EXPECT_EQ(Room_Last(), -1);
  EXPECT_EQ(Room_Next(0), -1);
  Room_LoadOrder({5, 2, 7});
  EXPECT_EQ(Room_First(), 5);
  EXPECT_EQ(Room_Last(), 7);
  EXPECT_EQ(Room_Next(2), 7);
  EXPECT_EQ(Room_Previous(2), 5);
  EXPECT_EQ(Room_Previous(9), 2) << "a room not in the order: the second-to-last";
  EXPECT_EQ(Room_Next(9), 2) << "a room not in the order: the second";
}

TEST_F(RoomWorldTest, RoomsMadeAtRunTime) {
  for (int i = 0; i < 10; ++i) EXPECT_EQ(Room_Add(), i);
  EXPECT_EQ(Room_Add(), 10);
  EXPECT_STREQ(Room_Name(10), "__newroom10");
  EXPECT_EQ(Room_Find("__newroom10"), 10);
  EXPECT_EQ(Room_Find("__NEWROOM10"), -1);
  EXPECT_EQ(Room_Duplicate(99), -1);
  EXPECT_EQ(Room_Duplicate(-1), -1);
  EXPECT_FALSE(Room_Assign(0, 99));
  EXPECT_FALSE(Room_Assign(99, 0));
  EXPECT_STREQ(Room_Name(99), "<undefined>");
  const int32_t copy = Room_Duplicate(3);
  EXPECT_EQ(copy, 11);
  EXPECT_STREQ(Room_Name(copy), "__newroom11");
}

TEST_F(RoomWorldTest, InstanceRecordsOfAnAddedRoomArePlacedOnEntryInOrder) {
  NewObject("obj");
  Room_SetInstanceIdCounter(100000);
  const int32_t room = Room_Add();
  const int32_t first = Room_Data(room)->AddInstanceRecord(10.7f, 20.2f, 0);
  const int32_t second = Room_Data(room)->AddInstanceRecord(-3.0f, 4.0f, 0);
  EXPECT_EQ(first, 100001);
  EXPECT_EQ(second, 100002);
  // A room assigned from it owns copies of the records and gets its instances on entry, once.
  const int32_t other = Room_Add();
  ASSERT_TRUE(Room_Assign(other, room));
  EXPECT_EQ(Room_Data(other)->active.count, 0) << "a definition holds no instances";

  Room_Copies.assign(2, nullptr);
  Room_Start(other, false);
  ASSERT_NE(Room_Current, nullptr);
  const std::vector<CInstance*> placed = Walk(Room_Current->active);
  ASSERT_EQ(placed.size(), 2u);
  EXPECT_EQ(placed[0]->id, first);
  EXPECT_EQ(placed[0]->x, 10.0f);
  EXPECT_EQ(placed[0]->y, 20.0f);
  EXPECT_EQ(placed[1]->id, second);
  EXPECT_EQ(Instance_Find(first), placed[0]);
  EXPECT_TRUE(placed[0]->create_event_run);
  Room_End(false);
  EXPECT_EQ(Room_Current, nullptr);
  EXPECT_EQ(Instance_Find(first), nullptr) << "a room that is not persistent goes with its instances";
}

TEST_F(RoomWorldTest, ActiveInstancesStandInDepthOrder) {
  CRoom* room = Enter();
  NewObject("level", 0);
  NewObject("above", -10);
  CInstance* a = room->CreateInstance(0, 0, 0);
  CInstance* b = room->CreateInstance(0, 0, 1);
  CInstance* c = room->CreateInstance(0, 0, 0);
  EXPECT_EQ(Walk(room->active), (std::vector<CInstance*>{b, a, c})) << "-10, then the first 0, then the second";
  EXPECT_EQ(b->sort_depth, -10.0f);
  EXPECT_EQ(c->id, a->id + 2);
}

TEST_F(RoomWorldTest, ADestroyedInstanceIsCountedUntilTheMarkedAreDeleted) {
  CRoom* room = Enter();
  NewObject("obj");
  CInstance* a = room->CreateInstance(0, 0, 0);
  room->CreateInstance(0, 0, 0);
  const int32_t id = a->id;
  Command_DestroyInstance(a);
  Command_DestroyInstance(a);  // the second does nothing
  EXPECT_TRUE(a->marked);
  EXPECT_EQ(room->active.count, 2);
  Room_DeleteMarked(room);
  EXPECT_EQ(room->active.count, 1);
  EXPECT_EQ(Instance_Find(id), nullptr);
}

TEST_F(RoomWorldTest, DeactivationMovesInstancesAtTheDeferredUpdate) {
  CRoom* room = Enter();
  CObject* obj = NewObject("obj");
  CInstance* a = room->CreateInstance(0, 0, 0);
  CInstance* b = room->CreateInstance(0, 0, 0);
  CInstance* c = room->CreateInstance(0, 0, 0);
  const struct {
    const char* name;
    std::vector<CInstance*> deactivate;
    std::vector<CInstance*> reactivate;
    std::vector<CInstance*> active;
    std::vector<CInstance*> inactive;
  } cases[] = {
      {"deactivated in the step", {b}, {}, {a, c}, {b}},
      {"deactivated and activated before the update", {a}, {a}, {a, c}, {b}},
      {"activated again: back at its depth", {}, {b}, {a, c, b}, {}},
      {"appended at the end, in list order", {c, a}, {}, {b}, {a, c}},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    for (CInstance* i : k.deactivate) {
      i->deactivated = true;
      Room_ActivationQueue.AddUnique(i);
    }
    for (CInstance* i : k.reactivate) {
      i->deactivated = false;
      Room_ActivationQueue.AddUnique(i);
    }
    Deferred_ApplyActivation();
    EXPECT_EQ(Room_ActivationQueue.Count(), 0);
    EXPECT_EQ(Walk(room->active), k.active);
    EXPECT_EQ(Walk(room->inactive), k.inactive);
    EXPECT_EQ(obj->instances.count, static_cast<int32_t>(k.active.size())) << "only active instances are listed";
  }
  // Deleting a deactivated instance whose move is still pending unlinks it from the active list.
  b->deactivated = true;
  Room_ActivationQueue.AddUnique(b);
  room->DeleteInstance(b);
  EXPECT_EQ(room->active.count, 0);
  EXPECT_EQ(Walk(room->inactive), (std::vector<CInstance*>{a, c}));
}

TEST_F(RoomWorldTest, BackgroundsScrollByTheirSpeeds) {
  CRoom room;
  room.backgrounds[0].hspeed = 2.5f;
  room.backgrounds[0].vspeed = -1.0f;
  room.backgrounds[7].x = 10.0f;
  room.backgrounds[7].vspeed = 3.0f;
  room.ScrollBackgrounds();
  room.ScrollBackgrounds();
  EXPECT_EQ(room.backgrounds[0].x, 5.0f);
  EXPECT_EQ(room.backgrounds[0].y, -2.0f);
  EXPECT_EQ(room.backgrounds[7].x, 10.0f);
  EXPECT_EQ(room.backgrounds[7].y, 6.0f);
  EXPECT_EQ(room.backgrounds[3].x, 0.0f);
}

// The collector's roots: both lists of the running room, every kept room copy's, and the carried
// instances; each once.
TEST_F(RoomWorldTest, TheInstanceRootsAreEveryInstanceARoomHolds) {
  NewObject("obj");
  CRoom* current = Enter();
  auto* kept = new CRoom();
  Room_Copies.push_back(kept);
  Room_Copies.push_back(nullptr);
  CInstance* a = current->CreateInstance(0, 0, 0);
  CInstance* b = current->CreateInstance(0, 0, 0);
  b->deactivated = true;
  Room_ActivationQueue.AddUnique(b);
  Deferred_ApplyActivation();
  CInstance* c = kept->CreateInstance(0, 0, 0);
  auto* carried = new CInstance(0, 0, 7, 0, false);
  Room_Carried.push_back(carried);
  std::vector<CInstance*> seen;
  Room_VisitInstanceRoots([](CInstance* i, void* out) { static_cast<std::vector<CInstance*>*>(out)->push_back(i); },
                          &seen);
  EXPECT_EQ(seen, (std::vector<CInstance*>{a, b, c, carried}));
}

TEST_F(RoomWorldTest, SnapAndWrap) {
  CRoom* room = Enter();
  room->width = 100;
  room->height = 100;
  NewObject("obj");
  CInstance* i = room->CreateInstance(48, 7, 0);
  Command_Snap(i, 32, 0);
  EXPECT_EQ(i->x, 64.0f);
  EXPECT_EQ(i->y, 7.0f);
  i->x = 80;
  Command_Snap(i, 32, 0);
  EXPECT_EQ(i->x, 64.0f) << "2.5 rounds to the even 2";
  i->x = -20;
  i->hspeed = 0;
  Command_Wrap(i, true, true);
  EXPECT_EQ(i->x, -20.0f) << "no motion, no wrap";
  i->hspeed = -1;
  Command_Wrap(i, true, false);
  EXPECT_EQ(i->x, 80.0f) << "without a sprite the position alone wraps";
}

TEST_F(RoomWorldTest, WrapCarriesTheSpritesScaledSizeAcross) {
  CRoom* room = Enter();
  room->width = 100;
  room->height = 60;
  NewObject("obj");
  CSprite s;
  s.frameCount = 1;
  s.width = 32;
  s.height = 16;
  const int32_t sprite = Sprite_Add(s);
  const struct {
    float x, y, hspeed, vspeed, xscale, yscale;
    bool horizontal, vertical;
    float wantX, wantY;
  } cases[] = {
      {-20, 10, -1, 0, 1, 1, true, true, 112, 10},    // 100 + -20 + 32
      {100, 10, 1, 0, 1, 1, true, true, -32, 10},     // 100 - 100 - 32
      {-20, 10, -1, 0, 2, 1, true, true, 144, 10},    // the width scaled by image_xscale
      {10, -5, 0, -1, 1, 1, true, true, 10, 71},      // 60 + -5 + 16
      {10, 70, 0, 1, 1, 0.5f, true, true, 10, 2},     // 70 - 60 - 8
      {-20, -5, -1, -1, 1, 1, false, true, -20, 71},  // horizontal not asked for
      {50, 30, -1, 1, 1, 1, true, true, 50, 30},      // inside: unchanged
  };
  for (const auto& c : cases) {
    CInstance* i = room->CreateInstance(c.x, c.y, 0);
    i->SetSpriteIndex(sprite);
    i->image_xscale = c.xscale;
    i->image_yscale = c.yscale;
    i->hspeed = c.hspeed;
    i->vspeed = c.vspeed;
    Command_Wrap(i, c.horizontal, c.vertical);
    EXPECT_EQ(i->x, c.wantX) << "from " << c.x << "," << c.y;
    EXPECT_EQ(i->y, c.wantY) << "from " << c.x << "," << c.y;
  }
}

// Ids are never reused: at the largest id the counters stop with an error rather than wrap, and
// nothing that needs an id is made; every id below the limit is given as before.
TEST_F(RoomWorldTest, TheIdCountersStopAtTheLargestId) {
  RuntimeErrorCapture errors;
  CRoom* room = Enter();
  NewObject("obj");
  constexpr int32_t kLargest = 2147483647;
  Room_SetInstanceIdCounter(kLargest - 1);
  Room_SetTileIdCounter(kLargest - 1);
  CInstance* last = room->CreateInstance(0, 0, 0);
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->id, kLargest);
  EXPECT_EQ(room->AddTile(RoomTile{}), 0);
  EXPECT_EQ(room->tiles[0].id, kLargest);
  const struct {
    const char* name;
    int32_t (*make)(CRoom*);
    const char* message;
  } cases[] = {
      {"instance", [](CRoom* r) { return r->CreateInstance(0, 0, 0) == nullptr ? -1 : 0; }, "instance id limit reached"},
      {"instance_create", [](CRoom*) { return F_InstanceCreate(0, 0, 0); }, "instance id limit reached"},
      {"instance_copy", [](CRoom* r) { return Instance_Copy(r->active.first, true); }, "instance id limit reached"},
      {"room_instance_add", [](CRoom* r) { return r->AddInstanceRecord(1, 2, 0); }, "instance id limit reached"},
      {"tile", [](CRoom* r) { return r->AddTile(RoomTile{}); }, "tile id limit reached"},
      {"room_tile_add", [](CRoom* r) { return r->AddTileRecord(0, 0, 0, 8, 8, 0, 0, 0, 1, 1, 0xFFFFFFFF); },
       "tile id limit reached"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RuntimeErrorCapture::Reset();
    EXPECT_EQ(c.make(room), -1);
    EXPECT_EQ(RuntimeErrorCapture::LastError(), c.message);
  }
  EXPECT_EQ(room->active.count, 1);
  EXPECT_EQ(room->tiles.size(), 1u);
  EXPECT_TRUE(room->instance_records.empty());
  EXPECT_TRUE(room->tile_records.empty());
  EXPECT_EQ(Room_InstanceIdCounter(), kLargest);
  EXPECT_EQ(Room_TileIdCounter(), kLargest);
}

TEST_F(RoomWorldTest, CommandFailures) {
  RuntimeErrorCapture errors;
  Enter();
  Room_LoadOrder({0, 1});
  Room_Add();
  Room_Add();
  NewObject("obj");
  const struct {
    const char* name;
    void (*run)();
    const char* message;
    bool fatal;
  } cases[] = {
      {"create", [] { EXPECT_EQ(F_InstanceCreate(0, 0, 42), -1); }, "Creating instance for non-existing object: 42", false},
      {"change", [] { Command_ChangeInstance(Room_Current->active.first, 42, true); },
       "Asking to change into non-existing object: 42", false},
      {"sprite", [] { Command_SetSprite(nullptr, 7); }, "Setting instance to non-existing sprite: 7", false},
      {"room", [] { Command_GotoRoom(9); }, "Unexisting room number: 9", true},
      {"previous", [] { Room_CurrentIndex = 0; Command_PreviousRoom(); },
       "Moving to previous room before the first room.", true},
      {"next", [] { Room_CurrentIndex = 1; Command_NextRoom(); }, "Moving to next room after the last room.", true},
  };
  Room_Current->CreateInstance(0, 0, 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RuntimeErrorCapture::Reset();
    c.run();
    EXPECT_EQ(RuntimeErrorCapture::LastError(), c.message);
    EXPECT_EQ(g_RoomChangeCode == kRoomChangeQuit, c.fatal);
  }
  RuntimeErrorCapture::Reset();
  g_RunState.transitionKind = 3;
  Command_GotoRoom(1);
  EXPECT_EQ(g_RoomChangeCode, 1);
  EXPECT_EQ(g_RunState.transitionKind, 0);
  g_RoomChangeCode = kRoomChangeNone;
}

}  // namespace
