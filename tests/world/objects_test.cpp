// Object definitions: the OBJT chunk of every format, holes, the table's order, adding and
// deleting objects, and damaged chunks.
#include <string>
#include <vector>

#include "assets/background.h"
#include "assets/texture_pages.h"
#include "container/minimal.h"
#include "host/rooms.h"
#include "script/script_test_support.h"
#include "world_test_support.h"

namespace {

class ObjectsTest : public ObjectWorldTest {};

ObjtEntry PhysicsEntry() {
  ObjtEntry e;
  e.name = "ob_crate";
  e.sprite_index = 4;
  e.visible = false;
  e.solid = true;
  e.depth = -20;
  e.persistent = true;
  e.parent_index = 1;
  e.mask_index = 6;
  container::ObjtPhysics& p = e.physics;
  p.uses_physics = true;
  p.sensor = true;
  p.shape = 2;
  p.density = 0.75f;
  p.restitution = 0.25f;
  p.group = -3;
  p.linear_damping = 0.5f;
  p.angular_damping = 0.125f;
  p.friction = 0.875f;
  p.awake = false;
  p.kinematic = true;
  p.points = {{1.0f, 2.0f}, {3.0f, 4.0f}, {5.0f, 6.0f}};
  e.on(kEventCreate, 0, kit::kLogEvent);
  return e;
}

TEST_F(ObjectsTest, EveryFormatReadsItsFieldsPhysicsAndEvents) {
  const struct {
    uint8_t format;
    bool physics;
    float friction;
    bool awake;
    bool kinematic;
  } cases[] = {{5, false, 0, false, false}, {7, true, 0.2f, true, false}, {9, true, 0.875f, false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.format));
    const ObjtEntry entries[] = {PhysicsEntry(), Entry("ob_base")};
    ASSERT_TRUE(Load(entries, c.format));
    const CObject* o = Object_Data(0);
    ASSERT_NE(o, nullptr);
    EXPECT_STREQ(o->name, "ob_crate");
    EXPECT_EQ(o->index, 0);
    EXPECT_EQ(o->sprite_index, 4);
    EXPECT_EQ(o->flags, kObjectFlagSolid | kObjectFlagPersistent);
    EXPECT_EQ(o->depth, -20);
    EXPECT_EQ(o->parent_index, 1);
    EXPECT_EQ(o->parent, Object_Data(1));
    EXPECT_EQ(o->mask_index, 6);
    // The event rows follow the physics block, whatever its size.
    EXPECT_NE(o->GetEvent(kEventCreate, 0), nullptr);
    EXPECT_EQ(o->uses_physics, c.physics);
    if (!c.physics) {
      EXPECT_EQ(o->point_count, 0);
      EXPECT_EQ(o->points, nullptr);
      continue;
    }
    EXPECT_TRUE(o->sensor);
    EXPECT_EQ(o->shape, 2);
    EXPECT_EQ(o->density, 0.75f);
    EXPECT_EQ(o->restitution, 0.25f);
    EXPECT_EQ(o->group, -3);
    EXPECT_EQ(o->linear_damping, 0.5f);
    EXPECT_EQ(o->angular_damping, 0.125f);
    EXPECT_EQ(o->friction, c.friction);
    EXPECT_EQ(o->awake, c.awake);
    EXPECT_EQ(o->kinematic, c.kinematic);
    ASSERT_EQ(o->point_count, 3);
    EXPECT_EQ(o->points[0].x, 1.0f);
    EXPECT_EQ(o->points[2].y, 6.0f);
  }
}

TEST_F(ObjectsTest, ZeroOffsetsAreHolesThatEveryLookupSkips) {
  ObjtEntry hole;
  hole.empty_slot = true;
  ASSERT_TRUE(Load({Entry("ob_a"), hole, Entry("ob_c", 1)}));
  EXPECT_EQ(Object_Count(), 3);
  EXPECT_FALSE(Object_Exists(1));
  EXPECT_EQ(Object_Data(1), nullptr);
  EXPECT_STREQ(Object_Name(1), "<undefined>");
  EXPECT_EQ(Object_Find("ob_c"), 2);
  // A parent that is a hole is no parent.
  EXPECT_EQ(Object_Data(2)->parent, nullptr);
  EXPECT_EQ(Object_Data(2)->TableParent(), nullptr);
}

TEST_F(ObjectsTest, WithMoreObjectsThanBucketsTheTableOrderInterleaves) {
  std::vector<ObjtEntry> entries;
  for (int32_t i = 0; i < 600; ++i) entries.push_back(Entry(("ob_" + std::to_string(i)).c_str()));
  entries[1].name = "twin";
  entries[512].name = "twin";
  ASSERT_TRUE(Load(entries));
  EXPECT_EQ(Object_Find("twin"), 512);  // met before object 1
  EXPECT_EQ(Object_Find("ob_599"), 599);
  EXPECT_EQ(Object_Find("ob_"), -1);

  DebugConsoleCapture console;
  ASSERT_TRUE(Object_Prepare());
  const std::string log = console.Text();
  EXPECT_NE(log.find("Preparing 600 objects:\n\tObjects 0: ob_0\n\tObjects 512: twin\n\tObjects 1: twin\n"
                     "\tObjects 513: ob_513\n\tObjects 2: ob_2\n"),
            std::string::npos);
  EXPECT_EQ(Event_Current.objectIndex, 511);  // the last one prepared
}

TEST_F(ObjectsTest, AddedObjectsTakeTheNextIndexAndDeletedOnesLeaveAHole) {
  std::vector<ObjtEntry> entries(38, Entry("ob"));
  ASSERT_TRUE(Load(entries));
  EXPECT_EQ(Object_Add(), 38);
  EXPECT_STREQ(Object_Name(38), "__newobject38");
  EXPECT_EQ(Object_Find("__newobject38"), 38);
  EXPECT_TRUE(Object_Delete(38));
  EXPECT_FALSE(Object_Exists(38));
  EXPECT_EQ(Object_Find("__newobject38"), -1);
  EXPECT_EQ(Object_Count(), 39);
  EXPECT_EQ(Object_Add(), 39);
  EXPECT_STREQ(Object_Name(39), "__newobject39");
  EXPECT_TRUE(Object_Delete(1000));  // nothing there: still true
}

TEST_F(ObjectsTest, AnInstanceOfADeletedObjectCanStillBeDestroyed) {
  ObjtEntry child = Entry("ob_child", 0);
  child.on(kEventStep, 0, kit::kLogEvent);
  ASSERT_TRUE(Load({Entry("ob_parent"), child}));
  CInstance* instance = NewInstance(1, 100001);
  EXPECT_EQ(Object_Data(0)->instances_recursive.count, 1);
  CObject* parent = Object_Data(0);
  // The handler deletes its own object (and its parent) while it runs.
  kit::TheLog().onEvent = [](CInstance*, CInstance*) {
    Object_Delete(1);
    Object_Delete(0);
  };
  EXPECT_TRUE(Event_Perform(instance, instance, kEventStep, 0));
  EXPECT_FALSE(Object_Exists(1));
  EXPECT_FALSE(Event_Perform(instance, instance, kEventStep, 0));
  m_room.active.Remove(instance);
  std::erase(m_instances, instance);
  delete instance;
  EXPECT_EQ(parent->instances_recursive.count, 0);
}

TEST_F(ObjectsTest, ClearingTheInstanceListsLeavesTheInstancesAlone) {
  ASSERT_TRUE(Load({Entry("ob_parent"), Entry("ob_child", 0)}));
  CInstance* a = NewInstance(1, 100001);
  NewInstance(0, 100002);
  EXPECT_EQ(Object_Data(0)->instances_recursive.count, 2);
  Object_ClearInstanceLists();
  for (int32_t i : {0, 1}) {
    EXPECT_EQ(Object_Data(i)->instances.count, 0);
    EXPECT_EQ(Object_Data(i)->instances_recursive.count, 0);
  }
  EXPECT_EQ(a->object_def, Object_Data(1));
  Object_Data(1)->AddInstance(a);  // the saved-game loader joins them again
  EXPECT_EQ(Object_Data(0)->instances_recursive.count, 1);
}

TEST_F(ObjectsTest, ParentsLinkOnlyToObjectsInRange) {
  ASSERT_TRUE(Load({Entry("ob_a", 100000), Entry("ob_b", -5), Entry("ob_c", 0), Entry("ob_d", 7)}));
  EXPECT_EQ(Object_Data(0)->parent, nullptr);
  EXPECT_EQ(Object_Data(1)->parent, nullptr);
  EXPECT_EQ(Object_Data(2)->parent, Object_Data(0));
  EXPECT_EQ(Object_Data(3)->parent, nullptr);
  EXPECT_TRUE(Object_Data(2)->IsAncestor(0));
  EXPECT_FALSE(Object_Data(0)->IsAncestor(2));
  // A parent added later is seen by the walks that go through the table.
  while (Object_Count() < 8) Object_Add();
  Object_Data(7)->parent_index = 2;
  EXPECT_TRUE(Object_Data(3)->IsAncestor(0));
}

// The byte offsets of one object's parts in the container the test wrote (format 15).
struct EntryParts {
  uint32_t entry;   // the entry
  uint32_t rows;    // its row count word
  uint32_t row;     // the row `type`
  uint32_t event;   // the first event entry of that row
  uint32_t action;  // that event's first action
};
EntryParts Locate(const ObjectWorldTest* t, uint32_t objt, uint32_t objectIndex, uint32_t type, uint32_t points) {
  const auto word = [t](uint32_t at) { return Container_U32(t->m_bytes.data() + at); };
  EntryParts p{};
  p.entry = word(objt + 4 + 4 * objectIndex);
  p.rows = p.entry + 4 * (8 + 12) + 8 * points;
  p.row = word(p.rows + 4 + 4 * type);
  p.event = word(p.row + 4);
  p.action = word(p.event + 8);
  return p;
}

TEST_F(ObjectsTest, DamagedChunksFailTheLoadNamingTheObject) {
  using Damage = void (*)(ObjectsTest*, const EntryParts&);
  const struct {
    const char* what;
    Damage damage;
    const char* message;
  } cases[] = {
      {"count past the body", [](ObjectsTest* t, const EntryParts&) { t->Patch(t->m_objt, 1000); }, "OBJT"},
      {"entry outside", [](ObjectsTest* t, const EntryParts&) { t->Patch(t->m_objt + 8, 0xFFFFFFF0u); },
       "object 1's entry or name does not lie inside the container"},
      {"name outside", [](ObjectsTest* t, const EntryParts& p) { t->Patch(p.entry, 0x7FFFFFFFu); },
       "object 1's entry or name"},
      {"points past the end", [](ObjectsTest* t, const EntryParts& p) { t->Patch(p.entry + 4 * 16, 0x20000000u); },
       "object 1 \"ob_target\": its 536870912 physics points do not lie inside the container"},
      {"negative point count", [](ObjectsTest* t, const EntryParts& p) { t->Patch(p.entry + 4 * 16, 0xFFFFFFFFu); },
       "physics points do not lie inside"},
      {"row count past the end", [](ObjectsTest* t, const EntryParts& p) { t->Patch(p.rows, 0x40000000u); },
       "event rows do not lie inside"},
      {"row outside", [](ObjectsTest* t, const EntryParts& p) { t->Patch(p.rows + 4 + 4 * 3, 0xFFFFFFFEu); },
       "its event row 3 does not lie inside"},
      {"row count of events past the end", [](ObjectsTest* t, const EntryParts& p) { t->Patch(p.row, 0x3FFFFFFFu); },
       "events of its row 3 do not lie inside"},
      {"event entry outside", [](ObjectsTest* t, const EntryParts& p) { t->Patch(p.row + 4, 0xFFFFFFFCu); },
       "an event entry of its row 3 lies outside"},
      {"action list past the end", [](ObjectsTest* t, const EntryParts& p) { t->Patch(p.event + 4, 0x7FFFFFFFu); },
       "its event (3, 1): its action list does not end inside"},
      {"first action outside", [](ObjectsTest* t, const EntryParts& p) { t->Patch(p.event + 8, 0xFFFFFFF0u); },
       "its event (3, 1): its first action lies outside"},
      {"code index past the functions", [](ObjectsTest* t, const EntryParts& p) { t->Patch(p.action + 32, 11); },
       "its code index 11 names no code of the game"},
      {"negative code index", [](ObjectsTest* t, const EntryParts& p) { t->Patch(p.action + 32, 0xFFFFFFFFu); },
       "its code index -1 names no code"},
      {"event number 256", [](ObjectsTest* t, const EntryParts& p) { t->Patch(p.event, 256); },
       "object 1 \"ob_target\": its event (3, 256) has a number beyond every object and key"},
      {"negative event number", [](ObjectsTest* t, const EntryParts& p) { t->Patch(p.event, 0xFFFFFFFFu); },
       "its event (3, 4294967295) has a number beyond"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    static Damage damage;
    damage = c.damage;
    ObjtEntry target = Entry("ob_target");
    target.on(kEventStep, 1, kit::kLogEvent);
    const ObjtEntry entries[] = {Entry("ob_first"), target, Entry("ob_last")};
    EXPECT_FALSE(Load(entries, 15, [](ObjectWorldTest* t) {
      damage(static_cast<ObjectsTest*>(t), Locate(t, t->m_objt, 1, kEventStep, 0));
    }));
    EXPECT_NE(std::string(Game_LoadFailure()).find(c.message), std::string::npos) << Game_LoadFailure();
  }
}

TEST_F(ObjectsTest, EventNumbersMayReachTheObjectCountAndRowsPastTheTwelfthArePassedOver) {
  std::vector<ObjtEntry> entries(300, Entry("ob"));
  entries[7].on(kEventCollision, 299, kit::kLogEvent).on(kEventKeyboard, 255, kit::kLogEvent);
  entries[7].rows.resize(14);
  entries[7].on(11, 4, kit::kLogEvent).on(12, 0, kit::kLogEvent).on(13, 1000000, kit::kLogEvent);
  ASSERT_TRUE(Load(entries));
  const CObject* o = Object_Data(7);
  EXPECT_NE(o->GetEvent(kEventCollision, 299), nullptr);
  EXPECT_NE(o->GetEvent(kEventKeyboard, 255), nullptr);
  EXPECT_NE(o->GetEvent(11, 4), nullptr);

  entries[7].on(kEventCollision, 300, kit::kLogEvent);
  EXPECT_FALSE(Load(entries));
  EXPECT_NE(std::string(Game_LoadFailure()).find("object 7 \"ob\": its event (4, 300) has a number beyond"),
            std::string::npos)
      << Game_LoadFailure();
}

// Every entry of a damaged container points at one object entry whose event has the largest
// number allowed: each object would add a row of 20,000 slots.
TEST_F(ObjectsTest, ObjectsSharingOneEntryCannotAskForRowsBeyondAnyMemory) {
  std::vector<ObjtEntry> entries(20000);
  for (ObjtEntry& e : entries) e.empty_slot = true;
  entries[0] = Entry("ob_shared");
  entries[0].on(kEventCollision, 19999, kit::kLogEvent);
  EXPECT_FALSE(Load(entries, 15, [](ObjectWorldTest* t) {
    const uint32_t shared = Container_U32(t->m_bytes.data() + t->m_objt + 4);
    for (uint32_t i = 1; i < 20000; ++i) t->Patch(t->m_objt + 4 + 4 * i, shared);
  }));
  EXPECT_NE(std::string(Game_LoadFailure()).find("\"ob_shared\": the event rows of the objects up to this one need "
                                                 "more than 16777216 slots"),
            std::string::npos)
      << Game_LoadFailure();
  // Far fewer objects sharing it load: nothing forbids sharing itself.
  EXPECT_TRUE(Load(entries, 15, [](ObjectWorldTest* t) {
    const uint32_t shared = Container_U32(t->m_bytes.data() + t->m_objt + 4);
    for (uint32_t i = 1; i < 100; ++i) t->Patch(t->m_objt + 4 + 4 * i, shared);
  }));
  EXPECT_NE(Object_Data(99)->GetEvent(kEventCollision, 19999), nullptr);
}

TEST_F(ObjectsTest, AParentChainThatComesBackOnItselfFailsTheLoad) {
  const struct {
    std::vector<int32_t> parents;
    const char* message;
  } cases[] = {
      {{0}, "object 0 \"ob\": its parent chain comes back"},
      {{-100, 2, 1}, "object 1 \"ob\": its parent chain comes back"},
      {{1, 2, 3, 1}, "object 0 \"ob\": its parent chain comes back"},
  };
  for (const auto& c : cases) {
    std::vector<ObjtEntry> entries;
    for (int32_t parent : c.parents) entries.push_back(Entry("ob", parent));
    EXPECT_FALSE(Load(entries));
    EXPECT_NE(std::string(Game_LoadFailure()).find(c.message), std::string::npos) << Game_LoadFailure();
  }
  // A long chain without a cycle is fine.
  std::vector<ObjtEntry> chain;
  for (int32_t i = 0; i < 200; ++i) chain.push_back(Entry("ob", i + 1 < 200 ? i + 1 : -100));
  EXPECT_TRUE(Load(chain));
  EXPECT_TRUE(Object_Data(0)->IsAncestor(199));
}

// Loading a whole game: the OBJT chunk reaches the loader with the header's format version, the
// preparation prepares the objects and the game's start builds the lists.
TEST_F(ObjectsTest, AGameLoadsPreparesAndListsItsObjects) {
  ObjtEntry parent = Entry("ob_parent");
  parent.on(kEventStep, 0, kit::kLogEvent);
  parent.physics.friction = 0.5f;
  const ObjtEntry objects[] = {parent, Entry("ob_child", 0)};
  container::ContainerWriter writer;
  container::add_minimal_game(writer, {}, objects);
  container::BuildResult built = writer.build();
  ASSERT_TRUE(built.ok()) << built.error;
  m_bytes = std::move(built.bytes);
  ASSERT_TRUE(Game_ScanHeaderChunks({m_bytes.data(), m_bytes.size()}));
  ASSERT_TRUE(Game_LoadChunks(m_bytes.data(), m_bytes.size())) << Game_LoadFailure();
  ASSERT_EQ(Object_Count(), 2);
  EXPECT_EQ(Object_Data(0)->friction, 0.5f);  // format 15 reads the friction
  EXPECT_EQ(Object_Data(1)->parent, Object_Data(0));
  EXPECT_TRUE(Runner_PrepareAll());
  StartGame();
  EXPECT_EQ(List(kEventStep, 0), (std::vector<int32_t>{0, 1}));
  Runner_DeleteRoomCopies();
  Runner_FreeGameData();
  GR_Texture_FreeAll();
}

}  // namespace
