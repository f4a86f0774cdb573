// Looking assets up by name after every kind of change to their tables: each finder must answer
// what a walk over the table in index order answers (the first existing entry with that name; the
// last for audio assets), whatever was added, deleted, renamed or assigned since the last lookup.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "assets/asset_names_stand_in.h"
#include "assets/background.h"
#include "assets/font.h"
#include "assets/sprite.h"
#include "assets/sprite_table.h"
#include "audio/audio_engine.h"
#include "vm/constants.h"
#include "vm/script_table.h"
#include "world/object.h"
#include "world/path.h"
#include "world/room_table.h"

namespace {

struct Table {
  int32_t (*find)(const char*);
  int32_t (*number)();
  bool (*exists)(int32_t);
  const char* (*name)(int32_t);
  bool lastWins = false;
};

int32_t Scan(const Table& t, const char* name) {
  int32_t found = -1;
  for (int32_t i = 0; i < t.number(); ++i) {
    if (!t.exists(i) || std::strcmp(t.name(i), name) != 0) continue;
    found = i;
    if (!t.lastWins) break;
  }
  return found;
}

// Every name the table holds now, the names it held before and one it never held. An entry
// without a name reads as "<undefined>", which no lookup finds.
void ExpectFindsAsTheScan(const Table& t, std::vector<std::string>* seen, const char* when) {
  for (int32_t i = 0; i < t.number(); ++i) {
    if (t.exists(i) && std::strcmp(t.name(i), "<undefined>") != 0) seen->push_back(t.name(i));
  }
  seen->push_back("never there");
  for (const std::string& name : *seen) {
    EXPECT_EQ(t.find(name.c_str()), Scan(t, name.c_str())) << "\"" << name << "\" " << when;
  }
}

int32_t AddSprite(const char* name) {
  CSprite fields;
  fields.name = name;
  return Sprite_Add(fields);
}

TEST(AssetLookup, SpritesAfterAddDeleteDuplicateAndAssign) {
  Sprite_Init();
  const Table t{Sprite_Find, Sprite_Number, Sprite_Exists, Sprite_Name};
  std::vector<std::string> seen;
  const int32_t twin = AddSprite("twin");
  AddSprite("other");
  AddSprite("twin");
  ExpectFindsAsTheScan(t, &seen, "after three adds, one name twice");
  EXPECT_EQ(Sprite_Find("twin"), twin);
  int32_t kind = kAssetNone;
  EXPECT_EQ(Constant_FindAsset("twin", false, &kind), twin);
  EXPECT_EQ(kind, kAssetSprite);
  ASSERT_TRUE(Sprite_Delete(twin));
  ExpectFindsAsTheScan(t, &seen, "after the first twin is deleted");
  EXPECT_EQ(Sprite_Find("twin"), 2);
  // The lookup of all tables answers anew, not what it answered before the delete.
  EXPECT_EQ(Constant_FindAsset("twin", false, &kind), 2);
  const int32_t copy = Sprite_Duplicate(1);
  ASSERT_GE(copy, 0);
  ExpectFindsAsTheScan(t, &seen, "after a duplicate");
  ASSERT_TRUE(Sprite_Assign(twin, 1));
  ExpectFindsAsTheScan(t, &seen, "after a deleted slot is assigned");
  Sprite_AddEmpty();
  ExpectFindsAsTheScan(t, &seen, "after an empty add");
  Sprite_Init();
  ExpectFindsAsTheScan(t, &seen, "after the table is emptied");
  EXPECT_EQ(Sprite_Find("twin"), -1);
  EXPECT_EQ(Constant_FindAsset("twin", false, &kind), -1);
  EXPECT_EQ(kind, kAssetNone);
}

TEST(AssetLookup, RoomsAfterAddRenameDuplicateAndAssign) {
  Room_Init();
  const Table t{Room_Find, Room_Number, Room_Exists, Room_Name};
  std::vector<std::string> seen;
  const int32_t first = Room_Add();
  const int32_t second = Room_Add();
  ExpectFindsAsTheScan(t, &seen, "after two adds");
  ASSERT_TRUE(Room_SetName(second, "level"));
  ASSERT_TRUE(Room_SetName(first, "level"));
  ExpectFindsAsTheScan(t, &seen, "after both are renamed alike");
  EXPECT_EQ(Room_Find("level"), first);
  ASSERT_TRUE(Room_SetName(first, "menu"));
  EXPECT_EQ(Room_Find("level"), second);
  ASSERT_GE(Room_Duplicate(second), 0);
  ASSERT_TRUE(Room_Assign(first, second));
  ExpectFindsAsTheScan(t, &seen, "after a duplicate and an assign");
  Room_FreeDefinitions();
  ExpectFindsAsTheScan(t, &seen, "after the rooms are freed");
}

TEST(AssetLookup, ObjectsAfterAddRenameAndDelete) {
  Object_Init();
  const Table t{Object_Find, [] { return 4; }, Object_Exists, Object_Name};
  std::vector<std::string> seen;
  const int32_t a = Object_Add();
  const int32_t b = Object_Add();
  ExpectFindsAsTheScan(t, &seen, "after two adds");
  Object_Data(a)->SetName("enemy");
  Object_Data(b)->SetName("enemy");
  ExpectFindsAsTheScan(t, &seen, "after both are renamed alike");
  ASSERT_TRUE(Object_Delete(a));
  ExpectFindsAsTheScan(t, &seen, "after the first is deleted");
  EXPECT_EQ(Object_Find("enemy"), b);
  Object_Shutdown();
  EXPECT_EQ(Object_Find("enemy"), -1);
}

TEST(AssetLookup, BackgroundsFontsPathsScriptsAndAudio) {
  const char* names[] = {"a", nullptr, "b", "a"};
  Background_StandInSetNames(names, 4);
  const Table backgrounds{Background_Find, Background_Number, Background_Exists, Background_Name};
  std::vector<std::string> seen;
  ExpectFindsAsTheScan(backgrounds, &seen, "backgrounds as set");
  ASSERT_TRUE(Background_Delete(0));
  ExpectFindsAsTheScan(backgrounds, &seen, "backgrounds after a delete");
  ASSERT_TRUE(Background_Assign(1, 2));
  Background_AddEmpty();
  ExpectFindsAsTheScan(backgrounds, &seen, "backgrounds after an assign and an add");
  Background_Init();

  Font_SetNamesForTest(names, 4);
  const Table fonts{Font_Find, Font_Number, Font_Exists, Font_Name};
  seen.clear();
  ExpectFindsAsTheScan(fonts, &seen, "fonts as set");
  ASSERT_TRUE(Font_Delete(0));
  ExpectFindsAsTheScan(fonts, &seen, "fonts after a delete");
  Font_SetNamesForTest(nullptr, 0);

  Path_Init();
  const Table paths{Path_Find, Path_Number, Path_Exists, Path_Name};
  seen.clear();
  const int32_t p = Path_Add();
  Path_Add();
  ExpectFindsAsTheScan(paths, &seen, "paths after two adds");
  ASSERT_TRUE(Path_Delete(p));
  ASSERT_GE(Path_Duplicate(1), 0);
  ASSERT_TRUE(Path_Assign(p, 1));
  ExpectFindsAsTheScan(paths, &seen, "paths after a delete, a duplicate and an assign");
  Path_Init();

  Script_SetNames(names, 4);
  const Table scripts{Script_Find, Script_Number, Script_Exists, Script_Name};
  seen.clear();
  ExpectFindsAsTheScan(scripts, &seen, "scripts as set");
  Script_SetNames(nullptr, 0);
  ExpectFindsAsTheScan(scripts, &seen, "scripts emptied");

  Audio_SetNames(names, 4);
  const Table audio{Audio_Find, Audio_Number, [](int32_t i) { return Audio_Name(i) != nullptr; },
                    [](int32_t i) { return Audio_Name(i) != nullptr ? Audio_Name(i) : ""; }, true};
  seen.clear();
  ExpectFindsAsTheScan(audio, &seen, "audio as set");
  EXPECT_EQ(Audio_Find("a"), 3);
  Audio_SetNames(nullptr, 0);
  EXPECT_EQ(Audio_Find("a"), -1);
}

}  // namespace
