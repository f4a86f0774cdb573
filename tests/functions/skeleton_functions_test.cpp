// The skeleton functions through the built-in table, called by an instance whose sprite is an
// ordinary one (no skeleton state), and on sprites that are no skeleton sprites.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "assets/sprite.h"
#include "assets/sprite_table.h"
#include "core/function_registry.h"
#include "core/value_test_util.h"
#include "functions/ds_list.h"
#include "functions/ds_tables.h"
#include "assets/skeleton_sprite.h"
#include "functions/load_stand_in.h"
#include "functions/math_call.h"
#include "functions/skeleton_functions.h"
#include "world/instance.h"

namespace {

using math_test::Answer;
using math_test::Real;
using math_test::Text;

class SkeletonFunctionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Sprite_Init();
    Builtin_Shutdown();
    Skeleton_RegisterFunctions(1);
    CSprite fields;
    fields.name = "plain";
    fields.frameCount = 3;
    plain = Sprite_Add(fields);
    self = new CInstance(0, 0, 100001, -1, false);
    self->sprite_index = plain;
    self->image_index = 2;
    RuntimeErrorCapture::Reset();
  }
  void TearDown() override {
    delete self;
    Builtin_Shutdown();
    Sprite_Init();
  }

  Answer Call(const char* name, std::vector<RValue> args = {}) { return math_test::Call(name, std::move(args), self); }
  static std::string TakeError() { return RuntimeErrorCapture::Take(); }

  int32_t plain = -1;
  CInstance* self = nullptr;
  RuntimeErrorCapture errors;
};

TEST(SkeletonRegistrationTest, TheGraphicsGroupHoldsItsNamesOnceEach) {
  Builtin_Shutdown();
  Skeleton_RegisterFunctions(1);
  EXPECT_EQ(g_BuiltinCount, 23);
  Builtin_Shutdown();
  InitGraphicFunctions();
  EXPECT_EQ(g_BuiltinCount, 286);
  std::set<std::string> names;
  for (int32_t k = 0; k < g_BuiltinCount; ++k) names.insert(g_BuiltinFunctions[k].name);
  EXPECT_EQ(names.size(), 286u);
  Builtin_Shutdown();
}

// Without a skeleton state each instance function answers its fixed value and changes nothing.
TEST_F(SkeletonFunctionsTest, InstanceFunctionsWithoutASkeleton) {
  const struct {
    const char* name;
    std::vector<double> reals;  // the arguments after the leading text, if any
    bool text;                  // the first argument is a name
    double answer;              // NaN: the answer is the empty text
  } kCases[] = {
      {"skeleton_animation_set", {}, true, 0},
      {"skeleton_animation_set_ext", {1}, true, -1},
      {"skeleton_animation_mix", {}, true, -1},
      {"skeleton_animation_get_duration", {}, true, 0},
      {"skeleton_animation_clear", {0}, false, 0},
      {"skeleton_skin_set", {}, true, -1},
      {"skeleton_attachment_set", {0}, true, -1},
      {"skeleton_attachment_create", {0, 0, 0, 0, 1, 1, 0}, true, -1},
      {"skeleton_collision_draw_set", {1}, false, -1},
      {"skeleton_bone_data_get", {0}, true, -1},
      {"skeleton_bone_data_set", {0}, true, -1},
      {"skeleton_bone_state_get", {0}, true, -1},
      {"skeleton_bone_state_set", {0}, true, -1},
  };
  for (const auto& c : kCases) {
    std::vector<RValue> args;
    if (c.text) args.push_back(Text("walk"));
    for (double r : c.reals) args.push_back(Real(r));
    const Answer answer = Call(c.name, std::move(args));
    EXPECT_EQ(answer.Real(), c.answer) << c.name;
  }
  EXPECT_EQ(self->image_index, 2) << "image_index stays without a skeleton";
  for (const char* getter : {"skeleton_animation_get", "skeleton_skin_get"}) EXPECT_EQ(Call(getter).Text(), "");
  EXPECT_EQ(Call("skeleton_animation_get_ext", {Real(0)}).Text(), "");
  EXPECT_EQ(Call("skeleton_attachment_get", {Text("hand")}).Text(), "");
  EXPECT_EQ(TakeError(), "");
  EXPECT_EQ(self->skeleton, nullptr) << "no state is made for an ordinary sprite";

  const BuiltinFunction* get = nullptr;
  const BuiltinFunction* getExt = nullptr;
  for (int32_t k = 0; k < g_BuiltinCount; ++k) {
    if (std::string(g_BuiltinFunctions[k].name) == "skeleton_animation_get") get = &g_BuiltinFunctions[k];
    if (std::string(g_BuiltinFunctions[k].name) == "skeleton_animation_get_ext") getExt = &g_BuiltinFunctions[k];
  }
  ASSERT_TRUE(get != nullptr && getExt != nullptr);
  EXPECT_EQ(get->handler, getExt->handler);
}

// Drawing a sprite that is no skeleton (or none) does nothing and says nothing; the list
// functions report the sprite before they look at the list.
TEST_F(SkeletonFunctionsTest, SpriteFunctionsOnSpritesThatAreNoSkeletons) {
  const int32_t list = g_DsLists.Create();
  for (double sprite : {static_cast<double>(plain), 99.0, -1.0}) {
    EXPECT_EQ(Call("draw_skeleton", {Real(sprite), Text("walk"), Text("default"), Real(0), Real(0), Real(0), Real(1),
                                     Real(1), Real(0), Real(0xFFFFFF), Real(1)})
                  .Real(),
              -1);
    EXPECT_EQ(Call("draw_skeleton_time", {Real(sprite), Text("walk"), Text("default"), Real(0.5), Real(0), Real(0),
                                          Real(1), Real(1), Real(0), Real(0xFFFFFF), Real(1)})
                  .Real(),
              -1);
    EXPECT_EQ(Call("draw_skeleton_collision",
                   {Real(sprite), Text("walk"), Real(0), Real(0), Real(0), Real(1), Real(1), Real(0), Real(0)})
                  .Real(),
              -1);
    EXPECT_EQ(TakeError(), "") << sprite;
  }
  const std::pair<const char*, const char*> kLists[] = {
      {"skeleton_animation_list", "skeleton_animation_list: Sprite is not a Skeleton"},
      {"skeleton_skin_list", "skeleton_skin_list: Sprite is not a Skeleton"},
      {"skeleton_slot_data", "skeleton_slot_map: Sprite is not a Skeleton"},
  };
  for (const auto& [name, message] : kLists) {
    EXPECT_EQ(Call(name, {Real(plain), Real(list)}).Real(), -1) << name;
    EXPECT_EQ(TakeError(), message);
    EXPECT_EQ(Call(name, {Real(plain), Real(list + 7)}).Real(), -1) << name;
    EXPECT_EQ(TakeError(), message) << "the sprite is checked first";
  }

  // A skeleton sprite: the list must exist.
  CSprite fields;
  fields.kind = kSpriteKindSkeleton;
  const int32_t skeletal = Sprite_Add(fields);
  Sprite_Data(skeletal)->skeleton = new CSkeletonSprite("dancer.json");
  for (const auto& [name, message] : kLists) {
    EXPECT_EQ(Call(name, {Real(skeletal), Real(list + 7)}).Real(), -1) << name;
    EXPECT_EQ(TakeError(), "Data structure with index does not exist.") << name;
    EXPECT_EQ(Call(name, {Real(skeletal), Real(list)}).Real(), -1) << "a filled list still answers -1";
    EXPECT_EQ(TakeError(), "") << name;
  }
  g_DsLists.Destroy(list);
}

}  // namespace
