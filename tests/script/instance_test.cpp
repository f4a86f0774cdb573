#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/memory_manager.h"
#include "io/buffer.h"
#include "script/global_names.h"
#include "script_test_support.h"
#include "world/skeleton_instance.h"

namespace {

using InstanceTest = WorldTest;

struct Field {
  const char* name;
  std::function<double(const CInstance&)> get;
};

// Every field of the saved form.
const std::vector<Field>& SavedFields() {
  static const std::vector<Field> fields = [] {
    std::vector<Field> f = {
        {"id", [](const CInstance& i) { return i.id; }},
        {"deactivated", [](const CInstance& i) { return i.deactivated; }},
        {"object_index", [](const CInstance& i) { return i.object_index; }},
        {"sprite_index", [](const CInstance& i) { return i.sprite_index; }},
        {"image_index", [](const CInstance& i) { return i.image_index; }},
        {"image_speed", [](const CInstance& i) { return i.image_speed; }},
        {"image_xscale", [](const CInstance& i) { return i.image_xscale; }},
        {"image_yscale", [](const CInstance& i) { return i.image_yscale; }},
        {"image_angle", [](const CInstance& i) { return i.image_angle; }},
        {"image_alpha", [](const CInstance& i) { return i.image_alpha; }},
        {"image_blend", [](const CInstance& i) { return i.image_blend; }},
        {"mask_index", [](const CInstance& i) { return i.mask_index; }},
        {"depth", [](const CInstance& i) { return i.depth; }},
        {"precise", [](const CInstance& i) { return i.precise; }},
        {"x", [](const CInstance& i) { return i.x; }},
        {"y", [](const CInstance& i) { return i.y; }},
        {"xstart", [](const CInstance& i) { return i.xstart; }},
        {"ystart", [](const CInstance& i) { return i.ystart; }},
        {"xprevious", [](const CInstance& i) { return i.xprevious; }},
        {"yprevious", [](const CInstance& i) { return i.yprevious; }},
        {"direction", [](const CInstance& i) { return i.direction; }},
        {"speed", [](const CInstance& i) { return i.speed; }},
        {"friction", [](const CInstance& i) { return i.friction; }},
        {"gravity_direction", [](const CInstance& i) { return i.gravity_direction; }},
        {"gravity", [](const CInstance& i) { return i.gravity; }},
        {"hspeed", [](const CInstance& i) { return i.hspeed; }},
        {"vspeed", [](const CInstance& i) { return i.vspeed; }},
        {"bbox_left", [](const CInstance& i) { return i.bbox_left; }},
        {"bbox_right", [](const CInstance& i) { return i.bbox_right; }},
        {"bbox_top", [](const CInstance& i) { return i.bbox_top; }},
        {"bbox_bottom", [](const CInstance& i) { return i.bbox_bottom; }},
        {"visible", [](const CInstance& i) { return i.visible; }},
        {"solid", [](const CInstance& i) { return i.solid; }},
        {"persistent", [](const CInstance& i) { return i.persistent; }},
        {"marked", [](const CInstance& i) { return i.marked; }},
        {"path_index", [](const CInstance& i) { return i.path_index; }},
        {"path_position", [](const CInstance& i) { return i.path_position; }},
        {"path_positionprevious", [](const CInstance& i) { return i.path_positionprevious; }},
        {"path_speed", [](const CInstance& i) { return i.path_speed; }},
        {"path_scale", [](const CInstance& i) { return i.path_scale; }},
        {"path_orientation", [](const CInstance& i) { return i.path_orientation; }},
        {"path_endaction", [](const CInstance& i) { return i.path_endaction; }},
        {"path_xstart", [](const CInstance& i) { return i.path_xstart; }},
        {"path_ystart", [](const CInstance& i) { return i.path_ystart; }},
        {"timeline_index", [](const CInstance& i) { return i.timeline_index; }},
        {"timeline_positionprevious", [](const CInstance& i) { return i.timeline_positionprevious; }},
        {"timeline_position", [](const CInstance& i) { return i.timeline_position; }},
        {"timeline_speed", [](const CInstance& i) { return i.timeline_speed; }},
        {"timeline_running", [](const CInstance& i) { return i.timeline_running; }},
        {"timeline_loop", [](const CInstance& i) { return i.timeline_loop; }},
        {"outside_room", [](const CInstance& i) { return i.outside_room; }},
    };
    static const char* const kAlarms[] = {"alarm0", "alarm1", "alarm2", "alarm3", "alarm4",  "alarm5",
                                          "alarm6", "alarm7", "alarm8", "alarm9", "alarm10", "alarm11"};
    for (int a = 0; a < kInstanceAlarmCount; ++a) {
      f.push_back({kAlarms[a], [a](const CInstance& i) { return i.alarm[a]; }});
    }
    return f;
  }();
  return fields;
}

// Gives every saved field a value unlike its default (and unlike the definition's).
void FillSavedFields(CInstance& i, int32_t objectIndex) {
  i.id = 123456;
  i.object_index = objectIndex;
  i.sprite_index = 7;
  i.image_index = 2.5f;
  i.image_speed = 0.25f;
  i.image_xscale = -2.0f;
  i.image_yscale = 3.0f;
  i.image_angle = 45.0f;
  i.image_alpha = 0.5f;
  i.image_blend = 0x123456;
  i.mask_index = 9;
  i.depth = -42.0f;
  i.precise = true;
  float v = 1.5f;
  for (float* f : {&i.x, &i.y, &i.xstart, &i.ystart, &i.xprevious, &i.yprevious, &i.direction, &i.speed,
                   &i.friction, &i.gravity_direction, &i.gravity, &i.hspeed, &i.vspeed}) {
    *f = (v += 1.25f);
  }
  i.bbox_dirty = false;
  i.bbox_left = -3;
  i.bbox_right = 40;
  i.bbox_top = -7;
  i.bbox_bottom = 90;
  i.visible = false;
  i.solid = true;
  i.persistent = true;
  for (int a = 0; a < kInstanceAlarmCount; ++a) i.alarm[a] = 100 + a;
  i.marked = true;
  i.path_index = 3;
  i.path_position = 0.25f;
  i.path_positionprevious = 0.125f;
  i.path_speed = 4.0f;
  i.path_scale = 2.0f;
  i.path_orientation = 90.0f;
  i.path_endaction = 2;
  i.path_xstart = 11.0f;
  i.path_ystart = 12.0f;
  i.timeline_index = 5;
  i.timeline_positionprevious = 6.0f;
  i.timeline_position = 7.0f;
  i.timeline_speed = 0.5f;
  i.timeline_running = true;
  i.timeline_loop = true;
  i.outside_room = true;
}

std::string TextOfSlot(const RValue& v) {
  return RValue_Kind(&v) == VALUE_STRING && v.pString != nullptr ? v.pString->text : "<not a string>";
}

TEST_F(InstanceTest, ANewInstanceWithoutADefinitionHasTheDefaults) {
  Variable_SetNameTableSizes(0, 3);
  Event_PassCounter = 77;
  CInstance i(10.0f, 20.0f, 100000, -1, true);
  struct Default {
    const char* name;
    double value;
    double actual;
  };
  for (const Default& d : {
           Default{"object_index", 0, static_cast<double>(i.object_index)},
           Default{"id", 100000, static_cast<double>(i.id)},
           Default{"x", 10, i.x}, Default{"y", 20, i.y},
           Default{"xstart", 10, i.xstart}, Default{"ystart", 20, i.ystart},
           Default{"xprevious", 10, i.xprevious}, Default{"yprevious", 20, i.yprevious},
           Default{"image_xscale", 1, i.image_xscale}, Default{"image_yscale", 1, i.image_yscale},
           Default{"image_alpha", 1, i.image_alpha}, Default{"image_speed", 1, i.image_speed},
           Default{"image_index", 0, i.image_index}, Default{"image_angle", 0, i.image_angle},
           Default{"image_blend", 0xFFFFFF, static_cast<double>(i.image_blend)},
           Default{"gravity_direction", 270, i.gravity_direction}, Default{"gravity", 0, i.gravity},
           Default{"speed", 0, i.speed}, Default{"direction", 0, i.direction},
           Default{"path_index", -1, static_cast<double>(i.path_index)}, Default{"path_scale", 1, i.path_scale},
           Default{"path_position", 0, i.path_position},
           Default{"timeline_index", -1, static_cast<double>(i.timeline_index)},
           Default{"timeline_speed", 1, i.timeline_speed},
           Default{"mouse_state", 2, static_cast<double>(i.mouse_state)},
           Default{"layer_id", -1, static_cast<double>(i.layer_id)},
           Default{"creation_stamp", 77, static_cast<double>(i.creation_stamp)},
           // Without a definition: a default definition's flags, sprite and mask.
           Default{"visible", 1, static_cast<double>(i.visible)}, Default{"solid", 0, static_cast<double>(i.solid)},
           Default{"persistent", 0, static_cast<double>(i.persistent)},
           Default{"sprite_index", -1, static_cast<double>(i.sprite_index)},
           Default{"mask_index", -1, static_cast<double>(i.mask_index)}, Default{"depth", 0, i.depth},
       }) {
    EXPECT_EQ(d.actual, d.value) << d.name;
  }
  for (int a = 0; a < kInstanceAlarmCount; ++a) EXPECT_EQ(i.alarm[a], -1) << a;
  EXPECT_TRUE(i.bbox_dirty);
  EXPECT_FALSE(i.marked || i.deactivated || i.destroy_event_run || i.carried_over || i.create_event_run || i.in_layer);
  EXPECT_EQ(i.object_def, nullptr);
  EXPECT_EQ(i.m_objectKind, kObjectKindInstance);
  EXPECT_GE(i.m_tableIndex, 0);
  EXPECT_EQ(ObjectTable_Entry(i.m_tableIndex), &i);
  ASSERT_EQ(i.m_slotCount, 3);
  for (int s = 0; s < 3; ++s) EXPECT_EQ(i.m_slots[s].kind, VALUE_UNSET);
}

TEST_F(InstanceTest, ADefinitionGivesFlagsDepthMaskAndSpriteAndItsLists) {
  CSprite sprite;
  sprite.frameCount = 3;
  const int32_t spriteIndex = Sprite_Add(sprite);
  CSprite skeletal;
  skeletal.frameCount = 1;
  skeletal.kind = kSpriteKindSkeleton;
  const int32_t skeletonSprite = Sprite_Add(skeletal);
  CObject* parent = NewObject("parent");
  CObject* def = NewObject("child", 15, kObjectFlagSolid | kObjectFlagPersistent);
  def->parent = parent;
  def->mask_index = 4;
  def->sprite_index = spriteIndex;

  auto* joined = new CInstance(0, 0, 100001, def->index, true);
  CInstance alone(0, 0, 100002, def->index, false);
  EXPECT_EQ(joined->object_def, def);
  EXPECT_TRUE(joined->solid);
  EXPECT_FALSE(joined->visible);
  EXPECT_TRUE(joined->persistent);
  EXPECT_EQ(joined->depth, 15.0f);
  EXPECT_EQ(joined->mask_index, 4);
  EXPECT_EQ(joined->sprite_index, spriteIndex);
  EXPECT_TRUE(def->instances.Contains(joined));
  EXPECT_TRUE(def->instances_recursive.Contains(joined));
  EXPECT_TRUE(parent->instances_recursive.Contains(joined));
  EXPECT_FALSE(parent->instances.Contains(joined));
  EXPECT_FALSE(def->instances.Contains(&alone));

  // image_index stays inside the sprite's frames; a skeleton sprite brings a skeleton.
  joined->image_index = 2.9f;
  joined->SetSpriteIndex(spriteIndex);
  EXPECT_EQ(joined->image_index, 2.9f);
  joined->image_index = 3.0f;
  joined->SetSpriteIndex(spriteIndex);
  EXPECT_EQ(joined->image_index, 0.0f);
  joined->SetSpriteIndex(skeletonSprite);
  EXPECT_NE(joined->skeleton, nullptr);

  delete joined;
  EXPECT_EQ(def->instances.count, 0);
  EXPECT_EQ(def->instances_recursive.count, 0);
  EXPECT_EQ(parent->instances_recursive.count, 0);
}

TEST_F(InstanceTest, SavingAndLoadingReproducesEverySavedField) {
  NewObject("zero");
  CObject* def = NewObject("one", 3, kObjectFlagVisible);
  Variable_SetNameTableSizes(0, 3);
  const int32_t extra = Variable_FindOrAddUser("extra");

  CInstance saved(0, 0, 100001, def->index, false);
  FillSavedFields(saved, def->index);
  saved.creation_stamp = 5;
  saved.layer_id = 8;
  saved.mouse_state = 1;
  RValue_SetString(&saved.m_slots[0], "slot text");
  saved.m_slots[1] = Real(4.5);
  RValue element = Real(9.0);
  RValue_SetElement(&saved.m_slots[2], &element, ArrayIndex_Pack(1, 0));
  RValue mapped = Real(-1.0);
  saved.m_properties->SetVar(extra, ARRAY_INDEX_NONE, &mapped);

  Buffer_Standard buffer(64, eBuffer_Format_Grow, 1);
  saved.SaveToBuffer(&buffer);
  buffer.WriteString("after the instance");
  buffer.Seek(0, 0);

  Event_PassCounter = 99;
  CInstance loaded(0, 0, 0, -1, false);
  loaded.layer_id = 3;
  loaded.mouse_state = 2;
  DebugConsoleCapture console;
  ASSERT_TRUE(loaded.LoadFromBuffer(&buffer, true));
  for (const Field& f : SavedFields()) EXPECT_EQ(f.get(loaded), f.get(saved)) << f.name;
  EXPECT_EQ(loaded.object_def, def);
  EXPECT_TRUE(def->instances.Contains(&loaded)) << "joined: not deactivated";
  EXPECT_EQ(loaded.creation_stamp, 99u) << "not part of the saved form";
  EXPECT_EQ(loaded.layer_id, 3);
  EXPECT_EQ(loaded.mouse_state, 2);
  EXPECT_EQ(TextOfSlot(loaded.m_slots[0]), "slot text");
  EXPECT_EQ(loaded.m_slots[1].val, 4.5);
  RValue out = RValue_MakeUndefined();
  EXPECT_TRUE(RValue_GetElement(&out, &loaded.m_slots[2], ArrayIndex_Pack(1, 0)));
  EXPECT_EQ(out.val, 9.0);
  EXPECT_TRUE(loaded.m_properties->GetVar(extra, ARRAY_INDEX_NONE, &out));
  EXPECT_EQ(out.val, -1.0);
  RValue_Release(&out);
  EXPECT_EQ(console.Occurrences("WARNING"), 0);
  char* after = buffer.ReadString();
  EXPECT_STREQ(after, "after the instance");
  MemoryManager_Free(after);
  def->RemoveInstance(&loaded);
}

TEST_F(InstanceTest, ADeactivatedInstanceLoadsWithoutJoiningItsObject) {
  CObject* def = NewObject("zero");
  CInstance saved(0, 0, 100001, def->index, false);
  saved.deactivated = true;
  Buffer_Standard buffer(64, eBuffer_Format_Grow, 1);
  saved.SaveToBuffer(&buffer);
  buffer.Seek(0, 0);
  CInstance loaded(0, 0, 0, -1, false);
  ASSERT_TRUE(loaded.LoadFromBuffer(&buffer, true));
  EXPECT_TRUE(loaded.deactivated);
  EXPECT_EQ(loaded.object_def, def);
  EXPECT_EQ(def->instances.count, 0);
}

TEST_F(InstanceTest, ADirtyBoundingBoxIsComputedBeforeSaving) {
  CInstance saved(12.7f, -3.2f, 100001, -1, false);
  ASSERT_TRUE(saved.bbox_dirty);
  Buffer_Standard buffer(64, eBuffer_Format_Grow, 1);
  saved.SaveToBuffer(&buffer);
  EXPECT_FALSE(saved.bbox_dirty);
  // Without a sprite the box is the position, truncated.
  EXPECT_EQ(saved.bbox_left, 12);
  EXPECT_EQ(saved.bbox_right, 12);
  EXPECT_EQ(saved.bbox_top, -3);
  EXPECT_EQ(saved.bbox_bottom, -3);
}

TEST_F(InstanceTest, ASlotCountMismatchWarnsAndNeverWritesPastTheSlots) {
  struct Case {
    int32_t savedSlots;
    int32_t loadingSlots;
  };
  for (const Case& c : {Case{4, 2}, Case{2, 4}}) {
    SCOPED_TRACE(c.savedSlots);
    Variable_SetNameTableSizes(0, c.savedSlots);
    Buffer_Standard buffer(64, eBuffer_Format_Grow, 1);
    {
      CInstance saved(0, 0, 100001, -1, false);
      for (int32_t s = 0; s < c.savedSlots; ++s) RValue_SetString(&saved.m_slots[s], std::to_string(s).c_str());
      saved.SaveToBuffer(&buffer);
    }
    buffer.WriteString("after the instance");
    buffer.Seek(0, 0);

    Variable_SetNameTableSizes(0, c.loadingSlots);
    CInstance loaded(0, 0, 0, -1, false);
    DebugConsoleCapture console;
    EXPECT_TRUE(loaded.LoadFromBuffer(&buffer, false));
    EXPECT_EQ(console.Occurrences("WARNING! game_load variable mismatch - unpredictable results!\n"), 1);
    ASSERT_EQ(loaded.m_slotCount, c.loadingSlots);
    for (int32_t s = 0; s < c.loadingSlots; ++s) {
      if (s < c.savedSlots) {
        EXPECT_EQ(TextOfSlot(loaded.m_slots[s]), std::to_string(s));
      } else {
        EXPECT_EQ(loaded.m_slots[s].kind, VALUE_UNSET);
      }
    }
    char* after = buffer.ReadString();
    EXPECT_STREQ(after, "after the instance");
    MemoryManager_Free(after);
  }
}

TEST_F(InstanceTest, LoadingATruncatedRecordFails) {
  CInstance saved(0, 0, 100001, -1, false);
  Buffer_Standard buffer(64, eBuffer_Format_Grow, 1);
  saved.SaveToBuffer(&buffer);
  Buffer_Standard cut(40, eBuffer_Format_Fixed, 1);
  std::memcpy(cut.GetData(), buffer.GetData(), 40);
  CInstance loaded(0, 0, 0, -1, false);
  EXPECT_FALSE(loaded.LoadFromBuffer(&cut, false));
}

TEST_F(InstanceTest, AssignCopiesStateAndVariablesButNotPlacementBookkeeping) {
  Variable_SetNameTableSizes(0, 1);
  CObject* a = NewObject("a");
  CObject* b = NewObject("b");
  CInstance source(0, 0, 100001, b->index, false);
  FillSavedFields(source, b->index);
  source.object_def = b;
  source.creation_code = reinterpret_cast<CCode*>(&source);  // any address stands for a code object
  source.layer_id = 4;
  source.mouse_state = 1;
  source.create_event_run = true;
  source.in_layer = true;
  source.destroy_event_run = true;
  source.creation_stamp = 1;
  RValue_SetString(&source.m_slots[0], "copied");
  RValue one = Real(1.0);
  source.m_properties->SetVar(100005, ARRAY_INDEX_NONE, &one);
  source.skeleton = new CSkeletonInstance(&source);
  source.skeleton->m_animationDuration = 2.0f;

  Event_PassCounter = 50;
  CInstance target(0, 0, 100002, a->index, true);
  target.carried_over = true;
  target.path_xstart = -1.0f;
  target.path_ystart = -2.0f;
  target.Assign(&source, true);

  for (const Field& f : SavedFields()) {
    if (std::string(f.name) == "path_xstart" || std::string(f.name) == "path_ystart") continue;
    EXPECT_EQ(f.get(target), f.get(source)) << f.name;
  }
  EXPECT_EQ(target.path_xstart, -1.0f) << "the path start point stays";
  EXPECT_EQ(target.path_ystart, -2.0f);
  EXPECT_FALSE(target.carried_over);
  EXPECT_EQ(target.creation_stamp, 50u);
  EXPECT_EQ(target.layer_id, -1);
  EXPECT_EQ(target.mouse_state, 2);
  EXPECT_FALSE(target.create_event_run || target.in_layer || target.destroy_event_run);
  EXPECT_EQ(target.creation_code, source.creation_code);
  EXPECT_EQ(target.object_def, b);
  EXPECT_FALSE(a->instances.Contains(&target));
  EXPECT_TRUE(b->instances.Contains(&target));
  EXPECT_EQ(target.m_slots[0].pString, source.m_slots[0].pString);
  EXPECT_EQ(source.m_slots[0].pString->refCount, 2);
  EXPECT_TRUE(target.m_properties->Exists(100005));
  ASSERT_NE(target.skeleton, nullptr);
  EXPECT_NE(target.skeleton, source.skeleton);
  EXPECT_EQ(target.skeleton->m_animationDuration, 2.0f);

  target.Assign(&target, true);  // a copy of itself changes nothing
  EXPECT_EQ(b->instances.count, 1);
  source.object_def = nullptr;
}

TEST_F(InstanceTest, TheIdTableFindsIdsThatShareABucket) {
  CObject* def = NewObject("obj");
  auto* first = new CInstance(0, 0, 100000, def->index, true);
  auto* second = new CInstance(0, 0, 100512, def->index, true);
  InstanceIdTable.Insert(first->id, first);
  InstanceIdTable.Insert(second->id, second);
  EXPECT_EQ(100000 & 511, 100512 & 511);
  EXPECT_EQ(Instance_Find(100000), first);
  EXPECT_EQ(Instance_Find(100512), second) << "behind the other in its bucket";
  EXPECT_EQ(Instance_Find(-5), nullptr);
  EXPECT_EQ(Instance_Find(101024), nullptr);
  EXPECT_EQ(InstanceIdTable.Count(), 2);

  EXPECT_TRUE(InstanceIdTable.Remove(100000));  // the instance stays
  EXPECT_FALSE(InstanceIdTable.Remove(100000));
  EXPECT_EQ(Instance_Find(100512), second);
  EXPECT_EQ(def->instances.count, 2);

  EXPECT_TRUE(InstanceIdTable.Delete(100512, kDisposeDelete));
  EXPECT_EQ(def->instances.count, 1) << "deleted";
  EXPECT_EQ(InstanceIdTable.Count(), 0);

  // A deleted instance takes its id entry with it.
  InstanceIdTable.Insert(first->id, first);
  delete first;
  EXPECT_EQ(Instance_Find(100000), nullptr);
  EXPECT_EQ(InstanceIdTable.Count(), 0);
}

TEST_F(InstanceTest, DeleteAllTakesDownEveryEnteredInstance) {
  CObject* def = NewObject("obj");
  for (int32_t id : {100000, 100512, 100001, 101024}) InstanceIdTable.Insert(id, new CInstance(0, 0, id, def->index, true));
  Instances_DeleteAll();
  EXPECT_EQ(InstanceIdTable.Count(), 0);
  EXPECT_EQ(def->instances.count, 0);
  EXPECT_EQ(Instance_Find(100001), nullptr);
}

TEST_F(InstanceTest, GlobalBuiltinNamesAreMatchedExactly) {
  struct Case {
    const char* name;
    bool global;
  };
  for (const Case& c : {Case{"working_directory", true}, Case{"application_surface", true}, Case{"argument15", true},
                        Case{"room", true}, Case{"x", false}, Case{"Room", false}, Case{"room ", false},
                        Case{"argument16", false}, Case{"", false}, Case{nullptr, false}}) {
    EXPECT_EQ(JS_IsGlobalBuiltinName(c.name), c.global) << (c.name != nullptr ? c.name : "null");
  }
}

TEST_F(InstanceTest, ObjectModeHandsNewInstancesToTheAccessorInstaller) {
  static int installed = 0;
  installed = 0;
  Instance_SetAccessorInstaller([](CInstance*) { ++installed; });
  { CInstance i(0, 0, 100000, -1, false); }
  EXPECT_EQ(installed, 0) << "not in object mode";
  Game_SetObjectMode(true);
  { CInstance i(0, 0, 100000, -1, false); }
  EXPECT_EQ(installed, 1);
  Instance_SetAccessorInstaller(nullptr);
}

}  // namespace
