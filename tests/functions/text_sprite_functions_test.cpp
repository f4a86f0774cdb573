// The text, sprite, background and texture functions called through the built-in table on the
// recording device: the text conversion of numbers, the subimage rules, the tiled room fill,
// texture values and coordinates, the refusals of vector and skeleton sprites, missing assets,
// the compiled-code entries, and draw_sprite_ext allocating nothing once warm.
#include "functions/text_sprite_functions.h"

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "assets/background.h"
#include "assets/font.h"
#include "assets/font_test_kit.h"
#include "assets/sprite_fixture.h"
#include "core/function_registry.h"
#include "core/memory_manager.h"
#include "core/value_test_util.h"
#include "functions/math_call.h"
#include "render/primitives.h"
#include "render/render_setters.h"
#include "render/text.h"
#include "skeleton/skeleton_draw_instance.h"
#include "vm/calls.h"
#include "world/instance.h"
#include "world/room.h"

namespace {

using container::SpriteEntry;
using render_test::QuadVertex;
using sprite_test::RGBA;

using math_test::Answer;
using math_test::Bool;
using math_test::Int32;
using math_test::Real;
using math_test::Text;
using math_test::Undefined;

using math_test::ArrayReals;

class TextSpriteFunctionsTest : public sprite_test::SpriteTest {
 protected:
  void SetUp() override {
    SpriteTest::SetUp();
    Builtin_Shutdown();
    TextSprite_RegisterFunctions(1);
    self = new CInstance(0, 0, 100001, -1, false);
  }
  void TearDown() override {
    delete self;
    Room_Current = nullptr;
    g_GR_View = GR_ViewState{};
    Text_Shutdown();
    Font_Shutdown();
    Background_Shutdown();
    Builtin_Shutdown();
    RuntimeErrorCapture::Reset();
    SpriteTest::TearDown();
  }

  // Calls a registered function by name with self as the caller; the arguments are released.
  Answer Call(const char* name, std::vector<RValue> args = {}) { return math_test::Call(name, std::move(args), self); }
  double CallReal(const char* name, std::vector<RValue> args = {}) {
    const Answer a = Call(name, std::move(args));
    EXPECT_EQ(a.Kind(), VALUE_REAL) << name;
    return a.Real();
  }

  // Three 4 x 4 frames side by side on a 16 x 8 page, origin (2, 2); frame f starts at u = f / 4.
  void LoadWalker() {
    SpriteEntry e;
    e.name = "walker";
    e.width = 4;
    e.height = 4;
    e.x_origin = 2;
    e.y_origin = 2;
    e.frames = {0, 1, 2};
    ASSERT_TRUE(Load(
        {{0, container::png_page(16, 8, RGBA(16, 8, [](int32_t, int32_t) { return 0xFFFFFFFFu; }))}},
        {{0, 0, 4, 4, 0, 0, 4, 4, 4, 4, 0}, {4, 0, 4, 4, 0, 0, 4, 4, 4, 4, 0}, {8, 0, 4, 4, 0, 0, 4, 4, 4, 4, 0}}, {e}))
        << Game_LoadFailure();
    ShowWholeArea();
  }
  static void ShowWholeArea() {
    g_GR_View.cullMinX = 0;
    g_GR_View.cullMinY = 0;
    g_GR_View.cullMaxX = 1000;
    g_GR_View.cullMaxY = 1000;
    g_GR_View.cullDirty = false;
  }
  // The frame (by its left u) of every quad drawn since the last call.
  std::vector<int> FramesDrawn() {
    std::vector<int> frames;
    const std::vector<QuadVertex> v = render_test::TakeQuadVertices(s_log.get());
    for (size_t i = 0; i + 6 <= v.size(); i += 6) frames.push_back(static_cast<int>(std::lround(v[i].u * 4)));
    return frames;
  }
  // A sprite of that kind without images, as vector and skeleton sprites are kept.
  static int32_t AddSpriteOfKind(int32_t kind) {
    CSprite fields;
    fields.kind = kind;
    fields.frameCount = 1;
    fields.width = 8;
    fields.height = 8;
    return Sprite_Add(fields);
  }

  RuntimeErrorCapture errors;
  CInstance* self = nullptr;
};

TEST_F(TextSpriteFunctionsTest, TheFiftySixNamesInOrderWithTheirCountsAndSpellingsSharingHandlers) {
  const std::pair<const char*, int32_t> expected[] = {
      {"draw_set_font", 1},
      {"draw_set_halign", 1},
      {"draw_set_valign", 1},
      {"string_width", 1},
      {"string_height", 1},
      {"string_width_ext", 3},
      {"string_height_ext", 3},
      {"draw_text", 3},
      {"draw_text_ext", 5},
      {"draw_text_transformed", 6},
      {"draw_text_ext_transformed", 8},
      {"draw_text_color", 8},
      {"draw_text_colour", 8},
      {"draw_text_transformed_color", 11},
      {"draw_text_transformed_colour", 11},
      {"draw_text_ext_color", 10},
      {"draw_text_ext_colour", 10},
      {"draw_text_ext_transformed_color", 13},
      {"draw_text_ext_transformed_colour", 13},
      {"draw_self", 0},
      {"draw_sprite", 4},
      {"draw_sprite_ext", 9},
      {"draw_sprite_pos", 11},
      {"draw_sprite_stretched", 6},
      {"draw_sprite_stretched_ext", 8},
      {"draw_sprite_part", 8},
      {"draw_sprite_part_ext", 12},
      {"draw_sprite_general", 16},
      {"draw_sprite_tiled", 4},
      {"draw_sprite_tiled_ext", 8},
      {"draw_background", 3},
      {"draw_background_ext", 8},
      {"draw_background_stretched", 5},
      {"draw_background_stretched_ext", 7},
      {"draw_background_part", 7},
      {"draw_background_part_ext", 11},
      {"draw_background_general", 15},
      {"draw_background_tiled", 3},
      {"draw_background_tiled_ext", 7},
      {"sprite_get_texture", 2},
      {"sprite_get_uvs", 2},
      {"background_get_texture", 1},
      {"background_get_uvs", 1},
      {"font_get_texture", 1},
      {"font_get_uvs", 1},
      {"texture_exists", 1},
      {"texture_get_width", 1},
      {"texture_get_height", 1},
      {"texture_set_interpolation", 1},
      {"texture_set_interpolation_ext", 2},
      {"texture_set_blending", 1},
      {"texture_set_repeat", 1},
      {"texture_set_repeat_ext", 2},
      {"texture_preload", 1},
      {"texture_set_priority", 2},
      {"shader_enable_corner_id", 1},
  };
  static_assert(std::size(expected) == 56);
  ASSERT_EQ(g_BuiltinCount, 56);
  for (int32_t k = 0; k < 56; ++k) {
    EXPECT_STREQ(g_BuiltinFunctions[k].name, expected[k].first) << k;
    EXPECT_EQ(g_BuiltinFunctions[k].argumentCount, expected[k].second) << expected[k].first;
    EXPECT_NE(g_BuiltinFunctions[k].handler, nullptr) << expected[k].first;
    EXPECT_EQ(g_BuiltinFunctions[k].flag, 1) << expected[k].first;
  }
  // Each British spelling follows its American one on the same handler; distinct functions differ.
  for (const int32_t k : {11, 13, 15, 17}) {
    EXPECT_EQ(g_BuiltinFunctions[k].handler, g_BuiltinFunctions[k + 1].handler) << expected[k].first;
    EXPECT_NE(g_BuiltinFunctions[k].handler, g_BuiltinFunctions[k + 2].handler) << expected[k].first;
  }
}

class TextFunctionsTest : public TextSpriteFunctionsTest {
 protected:
  void SetUp() override {
    TextSpriteFunctionsTest::SetUp();
    const int32_t slot = GR_Texture_Create(512, 512, false);
    ASSERT_TRUE(
        font_test::LoadFonts(&fonts, {font_test::MonoFont()}, {{0, 0, 512, 512, 0, 0, 512, 512, 512, 512, 0}}, {slot}));
    Text_ResetState();
    s_log->Clear();
  }
  // The glyph quads drawn since the last call.
  std::vector<QuadVertex> Drawn() { return render_test::TakeQuadVertices(s_log.get()); }
  static bool SameQuads(const std::vector<QuadVertex>& a, const std::vector<QuadVertex>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(QuadVertex)) == 0;
  }

  font_test::LoadedFonts fonts;
};

TEST_F(TextFunctionsTest, DrawnTextIsTheTextFormOfAnyValue) {
  Call("draw_set_font", {Real(0)});
  struct Case {
    RValue value;
    const char* drawn;
  };
  const Case cases[] = {
      {Real(5), "5"},    {Real(2.5), "2.50"},        {Real(-0.126), "-0.13"}, {Int32(-7), "-7"},
      {Bool(true), "1"}, {Undefined(), "undefined"}, {Text("a#b"), "a#b"},    {Real(std::nan("")), "NaN"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.drawn);
    Call("draw_text", {Real(10), Real(20), c.value});
    const std::vector<QuadVertex> byScript = Drawn();
    Text_Draw(10, 20, c.drawn, -1, -1);
    const std::vector<QuadVertex> byText = Drawn();
    EXPECT_FALSE(byText.empty());
    EXPECT_TRUE(SameQuads(byScript, byText));
  }
  // An emoji draws as the one character that stands for any the font lacks.
  Call("draw_text", {Real(0), Real(0), Text("\xF0\x9F\x98\x80" "a")});
  const std::vector<QuadVertex> emoji = Drawn();
  Text_Draw(0, 0, "\xEF\xBF\xBD" "a", -1, -1);
  EXPECT_TRUE(SameQuads(emoji, Drawn()));
  // The number 5 is its digit alone: one glyph where 5.00 would be four.
  Call("draw_text", {Real(0), Real(0), Real(5)});
  EXPECT_EQ(Drawn().size(), 6u);
  // A long text grows the scratch block past its first size.
  const std::string longText(3000, 'x');
  Call("draw_text_ext", {Real(0), Real(0), Text(longText.c_str()), Real(-1), Real(-1)});
  EXPECT_EQ(Drawn().size(), 6u * 3000);
}

TEST_F(TextFunctionsTest, TheColourAndTransformedFormsPassTheirArgumentsInOrder) {
  Call("draw_set_font", {Real(0)});
  Call("draw_text_ext_transformed_colour", {Real(5), Real(6), Real(42), Real(20), Real(-1), Real(2), Real(3), Real(0),
                                            Real(0x0000FF), Real(0x00FF00), Real(0xFF0000), Real(0xFFFFFF), Real(0.5)});
  const std::vector<QuadVertex> byScript = Drawn();
  Text_DrawTransformedColour(5, 6, "42", 20, -1, 2, 3, 0, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF, 0.5f);
  EXPECT_TRUE(SameQuads(byScript, Drawn()));
  Call("draw_text_color",
       {Real(1), Real(2), Text("ab"), Real(0x0000FF), Real(0x0000FF), Real(0x00FF00), Real(0x00FF00), Real(1)});
  const std::vector<QuadVertex> colour = Drawn();
  Text_DrawColour(1, 2, "ab", -1, -1, 0x0000FF, 0x0000FF, 0x00FF00, 0x00FF00, 1);
  EXPECT_TRUE(SameQuads(colour, Drawn()));
}

TEST_F(TextFunctionsTest, MeasuringTakesStringsOnlyAndTheFontAndAlignmentSettersFollowTheBackEnd) {
  Call("draw_set_font", {Real(0)});
  EXPECT_EQ(CallReal("string_width", {Text("abc")}), 30);
  EXPECT_EQ(CallReal("string_height", {Text("a#b")}), 24);
  EXPECT_EQ(CallReal("string_height_ext", {Text("a#b"), Real(20), Real(-1)}), 32);  // 20 apart, 12 tall
  EXPECT_EQ(CallReal("string_height_ext", {Text("a#b"), Real(-5), Real(-1)}), 24);  // below 0: the tallest glyph
  EXPECT_EQ(CallReal("string_width_ext", {Text("aaaa bbbb"), Real(-1), Real(45)}), 40);
  // An emoji is one character, which this font has no glyph for: no part of it measures as a
  // character of its own.
  EXPECT_EQ(CallReal("string_width", {Text("\xF0\x9F\x98\x80\xF0\x9F\x98\x80" "a")}), 10);
  EXPECT_FALSE(RuntimeErrorCapture::Reported());

  // A number is not measured as its text: the string getter refuses it.
  Call("string_width", {Real(5)});
  EXPECT_EQ(RuntimeErrorCapture::Take(), "string_width argument 1 incorrect type (0) expecting a String (WXGS)");

  Call("draw_set_halign", {Real(2)});
  Call("draw_set_valign", {Real(1)});
  EXPECT_EQ(Text_GetHAlign(), 2);
  EXPECT_EQ(Text_GetVAlign(), 1);
  Call("draw_set_halign", {Real(3)});
  EXPECT_EQ(Text_GetHAlign(), 0);
  F_DrawSetHAlign(1);
  F_DrawSetVAlign(2);
  EXPECT_EQ(Text_GetHAlign(), 1);
  EXPECT_EQ(Text_GetVAlign(), 2);
  F_DrawSetVAlign(-1);
  EXPECT_EQ(Text_GetVAlign(), 0);
  // A missing font selects the built-in one.
  F_DrawSetFont(7);
  EXPECT_EQ(Text_GetFont(), -1);
  F_DrawSetFont(0);
  EXPECT_EQ(Text_GetFont(), 0);
}

TEST_F(TextSpriteFunctionsTest, SubimageMinusOneTakesTheCallersFrameExceptInDrawSpritePos) {
  LoadWalker();
  self->image_index = 2.7f;
  Call("draw_sprite", {Real(0), Real(-1), Real(50), Real(50)});
  EXPECT_EQ(FramesDrawn(), std::vector<int>{2});
  Call("draw_sprite_ext", {Real(0), Real(-1), Real(50), Real(50), Real(1), Real(1), Real(0), Real(0xFFFFFF), Real(1)});
  EXPECT_EQ(FramesDrawn(), std::vector<int>{2});
  // A subimage beyond the frames wraps in the sprite.
  Call("draw_sprite", {Real(0), Real(4), Real(50), Real(50)});
  EXPECT_EQ(FramesDrawn(), std::vector<int>{1});

  // draw_sprite_pos passes -1 on, and the sprite wraps it to its last frame.
  self->image_index = 0;
  Call("draw_sprite_pos",
       {Real(0), Real(-1), Real(0), Real(0), Real(4), Real(0), Real(4), Real(4), Real(0), Real(4), Real(1)});
  EXPECT_EQ(FramesDrawn(), std::vector<int>{2});

  // The compiled entry truncates toward zero; the script form rounds down.
  self->image_index = 2.7f;
  F_DrawSpriteExt(self, 0, -1, 50, 50, 1, 1, 0, 0xFFFFFF, 1);
  EXPECT_EQ(FramesDrawn(), std::vector<int>{2});
  self->image_index = -0.5f;
  F_DrawSpriteExt(self, 0, -1, 50, 50, 1, 1, 0, 0xFFFFFF, 1);
  EXPECT_EQ(FramesDrawn(), std::vector<int>{0});
  Call("draw_sprite", {Real(0), Real(-1), Real(50), Real(50)});
  EXPECT_EQ(FramesDrawn(), std::vector<int>{2});  // floor(-0.5) = -1, the last frame
  EXPECT_FALSE(RuntimeErrorCapture::Reported());
}

TEST_F(TextSpriteFunctionsTest, DrawSelfDrawsTheCallerAndReportsAMissingSpriteEachTime) {
  LoadWalker();
  self->sprite_index = 0;
  self->image_index = 1.9f;
  self->x = 30;
  self->y = 40;
  self->image_xscale = 2;
  Call("draw_self");
  const std::vector<QuadVertex> v = render_test::TakeQuadVertices(s_log.get());
  ASSERT_EQ(v.size(), 6u);
  EXPECT_FLOAT_EQ(v[0].u, 0.25f);  // frame 1
  EXPECT_EQ(v[0].x, 26);           // 30 - origin 2 x scale 2
  EXPECT_EQ(v[0].y, 38);
  EXPECT_EQ(g_SkeletonDrawInstance, nullptr);

  self->sprite_index = -1;
  for (int call = 0; call < 2; ++call) {
    Call("draw_self");
    EXPECT_EQ(RuntimeErrorCapture::Take(), "Trying to draw non-existing sprite.") << call;
  }
  EXPECT_TRUE(FramesDrawn().empty());
}

TEST_F(TextSpriteFunctionsTest, MissingAssetsAreReportedAndNothingIsDrawnOrAnswered) {
  LoadWalker();
  struct Case {
    const char* function;
    std::vector<double> args;
    const char* message;
  };
  const char* sprite = "Trying to draw non-existing sprite.";
  const char* spriteTexture = "Trying to get texture from non-existing sprite.";
  const char* background = "Trying to draw non-existing background.";
  const Case cases[] = {
      {"draw_sprite", {3, 0, 0, 0}, sprite},
      {"draw_sprite_ext", {-1, 0, 0, 0, 1, 1, 0, 0, 1}, sprite},
      {"draw_sprite_pos", {9, 0, 0, 0, 1, 0, 1, 1, 0, 1, 1}, sprite},
      {"draw_sprite_stretched", {9, 0, 0, 0, 4, 4}, sprite},
      {"draw_sprite_part", {9, 0, 0, 0, 4, 4, 0, 0}, sprite},
      {"draw_sprite_general", {9, 0, 0, 0, 4, 4, 0, 0, 1, 1, 0, 0, 0, 0, 0, 1}, sprite},
      {"draw_sprite_tiled", {9, 0, 0, 0}, sprite},
      {"sprite_get_texture", {9, 0}, spriteTexture},
      {"sprite_get_uvs", {9, 0}, spriteTexture},
      {"draw_background", {0, 0, 0}, background},
      {"draw_background_general", {0, 0, 0, 4, 4, 0, 0, 1, 1, 0, 0, 0, 0, 0, 1}, background},
      {"draw_background_tiled_ext", {-1, 0, 0, 1, 1, 0, 1}, background},
      {"background_get_texture", {0}, "Trying to get texture from non-existing background."},
      {"background_get_uvs", {0}, "Trying to get texture from non-existing background."},
      {"font_get_texture", {0}, "trying to get texture from non-existing font"},
      {"font_get_uvs", {3}, "trying to get texture from non-existing font"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.function);
    std::vector<RValue> args;
    for (const double d : c.args) args.push_back(Real(d));
    const Answer answer = Call(c.function, std::move(args));
    EXPECT_EQ(RuntimeErrorCapture::Take(), c.message);
    EXPECT_EQ(answer.Kind(), VALUE_UNDEFINED);
    EXPECT_TRUE(FramesDrawn().empty());
  }
  F_DrawSpriteExt(self, 5, 0, 0, 0, 1, 1, 0, 0xFFFFFF, 1);
  EXPECT_EQ(RuntimeErrorCapture::Take(), sprite);
  EXPECT_TRUE(FramesDrawn().empty());
}

TEST_F(TextSpriteFunctionsTest, VectorAndSkeletonSpritesAreRefusedByTheFrameRectangleFunctions) {
  LoadWalker();
  const int32_t vector = AddSpriteOfKind(kSpriteKindVector);
  const int32_t skeleton = AddSpriteOfKind(kSpriteKindSkeleton);
  struct Case {
    const char* function;
    int32_t argc;
    const char* vectorMessage;
    const char* skeletonMessage;
    bool answersMinusOne;
  };
  const Case cases[] = {
      {"sprite_get_texture", 2, "sprite_get_texture: not supported for vector sprites",
       "sprite_get_texture: not supported for skeleton based sprites", true},
      {"sprite_get_uvs", 2, "sprite_get_uvs: not supported for vector sprites",
       "sprite_get_uvs: not supported for vector sprites", false},
      {"draw_sprite_pos", 11, "draw_sprite_pos: not supported for vector sprites",
       "draw_sprite_pos: not supported for skeleton based sprites", false},
      {"draw_sprite_part", 8, "draw_sprite_part: not supported for vector sprites",
       "draw_sprite_part: not supported for skeleton based sprites", false},
      {"draw_sprite_part_ext", 12, "draw_sprite_part_ext: not supported for vector sprites",
       "draw_sprite_part_ext: not supported for skeleton based sprites", false},
      {"draw_sprite_general", 16, "draw_sprite_general: not supported for vector sprites",
       "draw_sprite_general: not supported for skeleton based sprites", false},
  };
  for (const Case& c : cases) {
    for (const int32_t sprite : {vector, skeleton}) {
      SCOPED_TRACE(std::string(c.function) + (sprite == vector ? " vector" : " skeleton"));
      std::vector<RValue> args{Real(sprite), Real(0)};
      while (static_cast<int32_t>(args.size()) < c.argc) args.push_back(Real(1));
      const Answer answer = Call(c.function, std::move(args));
      EXPECT_EQ(RuntimeErrorCapture::Take(), sprite == vector ? c.vectorMessage : c.skeletonMessage);
      if (c.answersMinusOne) {
        ASSERT_EQ(answer.Kind(), VALUE_REAL);
        EXPECT_EQ(answer.v.val, -1);
      } else {
        EXPECT_EQ(answer.Kind(), VALUE_UNDEFINED);
      }
    }
  }
  // The same functions accept a bitmap sprite.
  Call("draw_sprite_part", {Real(0), Real(1), Real(0), Real(0), Real(2), Real(2), Real(50), Real(50)});
  EXPECT_FALSE(RuntimeErrorCapture::Reported());
  EXPECT_EQ(FramesDrawn(), std::vector<int>{1});
}

TEST_F(TextSpriteFunctionsTest, TiledSpritesFillTheWholeRoomWhateverTheViewShows) {
  // A sprite drawing from a slot of its own: the tiler fills the area it is given.
  CSprite fields;
  fields.frameCount = 1;
  fields.width = 32;
  fields.height = 32;
  const int32_t index = Sprite_Add(fields);
  Sprite_Data(index)->slots = {GR_Texture_Create(32, 32, false)};
  CRoom room;
  room.width = 640;
  room.height = 480;
  Room_Current = &room;
  g_GR_View.cullMinX = 100;
  g_GR_View.cullMinY = 100;
  g_GR_View.cullMaxX = 200;
  g_GR_View.cullMaxY = 150;
  g_GR_View.cullDirty = false;
  s_log->Clear();

  for (const char* function : {"draw_sprite_tiled", "draw_sprite_tiled_ext"}) {
    SCOPED_TRACE(function);
    std::vector<RValue> args{Real(index), Real(0), Real(5), Real(7)};
    if (std::strcmp(function, "draw_sprite_tiled_ext") == 0) {
      for (const double d : {1.0, 1.0, double{0xFFFFFF}, 1.0}) args.push_back(Real(d));
    }
    Call(function, std::move(args));
    const std::vector<QuadVertex> v = render_test::TakeQuadVertices(s_log.get());
    ASSERT_FALSE(v.empty());
    float left = 1e9f, top = 1e9f, right = -1e9f, bottom = -1e9f;
    for (const QuadVertex& q : v) {
      left = std::min(left, q.x);
      top = std::min(top, q.y);
      right = std::max(right, q.x);
      bottom = std::max(bottom, q.y);
    }
    // Tiles line up with (5, 7) and cover (0, 0)-(640, 480) with less than a tile to spare.
    EXPECT_EQ(left, 5 - 32);
    EXPECT_EQ(top, 7 - 32);
    EXPECT_EQ(right, 645);
    EXPECT_EQ(bottom, 487);
    EXPECT_EQ(v.size(), 4u * 21 * 16);  // triangle fans of four vertices
  }
}

TEST_F(TextSpriteFunctionsTest, TextureValuesAndCoordinates) {
  // Frame 0: at (0, 0) of a 256 x 256 page, 32 x 16, untrimmed. Frame 1: trimmed out of 32 x 32.
  SpriteEntry e;
  e.name = "tile";
  e.width = 32;
  e.height = 32;
  e.frames = {0, 1};
  // A second sprite's entry records no whole-image size.
  SpriteEntry blank;
  blank.name = "blank";
  blank.width = 8;
  blank.height = 8;
  blank.frames = {2};
  ASSERT_TRUE(Load({{0, container::png_page(256, 256, RGBA(256, 256, [](int32_t, int32_t) { return 0xFF00FF00u; }))}},
                   {{0, 0, 32, 16, 0, 0, 32, 16, 32, 16, 0},
                    {64, 32, 30, 28, 1, 2, 30, 28, 32, 32, 0},
                    {128, 0, 8, 8, 0, 0, 8, 8, 0, 0, 0}},
                   {e, blank}))
      << Game_LoadFailure();
  const Answer uvs0 = Call("sprite_get_uvs", {Real(0), Real(0)});
  EXPECT_EQ(ArrayReals(uvs0), (std::vector<double>{0, 0, 0.125, 0.0625, 0, 0, 1, 1}));
  const Answer uvs1 = Call("sprite_get_uvs", {Real(0), Real(1)});
  EXPECT_EQ(ArrayReals(uvs1), (std::vector<double>{0.25, 0.125, 94.0 / 256, 60.0 / 256, 1, 2, 30.0 / 32, 28.0 / 32}));
  // Without a whole-image size the stored part counts as the whole image, never a division by 0.
  const Answer uvsBlank = Call("sprite_get_uvs", {Real(1), Real(0)});
  EXPECT_EQ(ArrayReals(uvsBlank), (std::vector<double>{0.5, 0, 136.0 / 256, 8.0 / 256, 0, 0, 1, 1}));

  // A frame's texture is a page entry: a stable value of pointer kind that is no slot.
  const Answer texture = Call("sprite_get_texture", {Real(0), Real(0)});
  const Answer again = Call("sprite_get_texture", {Real(0), Real(0)});
  ASSERT_EQ(texture.Kind(), VALUE_PTR);
  EXPECT_EQ(texture.v.ptr, again.v.ptr);
  EXPECT_NE(texture.v.ptr, Call("sprite_get_texture", {Real(0), Real(1)}).v.ptr);
  EXPECT_EQ(CallReal("texture_exists", {texture.v}), 0);
  EXPECT_EQ(CallReal("texture_get_width", {texture.v}), 1);
  // The subimage wraps, and -1 takes the caller's frame.
  self->image_index = 3.5f;
  EXPECT_EQ(Call("sprite_get_texture", {Real(0), Real(-1)}).v.ptr,
            Call("sprite_get_texture", {Real(0), Real(1)}).v.ptr);

  // The page itself is slot 0; numbers past the slots, up to 16384 and beyond 32 bits name nothing.
  const int32_t slots = GR_Texture_Count();
  EXPECT_EQ(CallReal("texture_exists", {Real(0)}), 1);
  EXPECT_EQ(CallReal("texture_get_width", {Real(0)}), 1);
  for (const double n : {double(slots), 16384.0, -1.0, 4294967296.0}) {
    SCOPED_TRACE(n);
    EXPECT_EQ(CallReal("texture_exists", {Real(n)}), 0);
    EXPECT_EQ(CallReal("texture_get_width", {Real(n)}), 1);
    EXPECT_EQ(CallReal("texture_get_height", {Real(n)}), 1);
    Call("texture_preload", {Real(n)});
    Call("texture_set_priority", {Real(n), Real(3)});
  }
  EXPECT_FALSE(RuntimeErrorCapture::Reported());
}

TEST_F(TextSpriteFunctionsTest, BackgroundsAndFontsWithoutPageEntriesSpanTheirWholeTexture) {
  const int32_t index = Background_AddEmpty();
  Background_Data(index)->CreateColour(20, 10, 0x00FF00, false);
  const Answer texture = Call("background_get_texture", {Real(index)});
  ASSERT_EQ(texture.Kind(), VALUE_PTR);
  EXPECT_EQ(reinterpret_cast<intptr_t>(texture.v.ptr), Background_Data(index)->GetSlot());
  EXPECT_EQ(CallReal("texture_exists", {texture.v}), 1);
  EXPECT_EQ(ArrayReals(Call("background_get_uvs", {Real(index)})), (std::vector<double>{0, 0, 1, 1}));

  // A game-data font lies on a page entry: 64 x 32 at (128, 64) of a 512 x 256 page.
  font_test::LoadedFonts fonts;
  const int32_t page = GR_Texture_Create(512, 256, false);
  ASSERT_TRUE(
      font_test::LoadFonts(&fonts, {font_test::MonoFont()}, {{128, 64, 64, 32, 0, 0, 64, 32, 64, 32, 0}}, {page}));
  EXPECT_EQ(ArrayReals(Call("font_get_uvs", {Real(0)})), (std::vector<double>{0.25, 0.25, 0.375, 0.375}));
  const Answer fontTexture = Call("font_get_texture", {Real(0)});
  ASSERT_EQ(fontTexture.Kind(), VALUE_PTR);
  EXPECT_EQ(CallReal("texture_exists", {fontTexture.v}), 0);
  EXPECT_FALSE(RuntimeErrorCapture::Reported());
}

TEST_F(TextSpriteFunctionsTest, SamplerSwitchesIgnoreStagesOutsideZeroToSeven) {
  Call("texture_set_interpolation", {Real(0)});
  for (const bool on : g_RenderLogical.interpolate) EXPECT_FALSE(on);
  Call("texture_set_repeat", {Real(1)});
  for (const bool on : g_RenderLogical.repeat) EXPECT_TRUE(on);
  const GR_LogicalState before = g_RenderLogical;
  for (const double stage : {-1.0, 8.0, -2147483648.0}) {
    Call("texture_set_interpolation_ext", {Real(stage), Real(1)});
    Call("texture_set_repeat_ext", {Real(stage), Real(0)});
  }
  EXPECT_EQ(std::memcmp(&before, &g_RenderLogical, sizeof before), 0);
  Call("texture_set_interpolation_ext", {Real(3), Real(1)});
  Call("texture_set_repeat_ext", {Real(7), Real(0)});
  EXPECT_TRUE(g_RenderLogical.interpolate[3]);
  EXPECT_FALSE(g_RenderLogical.interpolate[2]);
  EXPECT_FALSE(g_RenderLogical.repeat[7]);
  EXPECT_TRUE(g_RenderLogical.repeat[6]);

  Call("shader_enable_corner_id", {Real(1)});
  EXPECT_TRUE(g_CornerIds);
  Call("shader_enable_corner_id", {Real(0)});
  EXPECT_FALSE(g_CornerIds);
}

std::atomic<int> g_heapAllocations{0};
void* CountingAlloc(size_t size) {
  g_heapAllocations.fetch_add(1);
  return std::malloc(size);
}

TEST_F(TextSpriteFunctionsTest, DrawSpriteExtAllocatesNothingOnceWarm) {
  LoadWalker();
  s_log->SetRecording(false);
  int32_t id = -1;
  ASSERT_TRUE(Builtin_FindCallable("draw_sprite_ext", &id));
  const BuiltinHandler handler = g_BuiltinFunctions[id].handler;
  Builtin_SetCurrent(id);
  RValue args[9] = {Real(0), Real(-1), Real(50), Real(50), Real(2), Real(2), Real(30), Real(0xFF00FF), Real(0.5)};
  RValue result = RValue_MakeUndefined();
  const auto draw = [&](int times) {
    for (int i = 0; i < times; ++i) {
      args[2].val = 10 + i % 80;
      handler(&result, self, self, 9, args);
    }
    GraphicsFlush();
  };
  draw(1000);  // warm-up
  const MemoryHeapAllocFn previous = MemoryManager_SetHeapAlloc(&CountingAlloc);
  g_heapAllocations = 0;
  draw(1000);
  MemoryManager_SetHeapAlloc(previous);
  EXPECT_EQ(g_heapAllocations.load(), 0);
  EXPECT_FALSE(RuntimeErrorCapture::Reported());
  // The calls did draw: one more lands in the batch.
  s_log->SetRecording(true);
  handler(&result, self, self, 9, args);
  EXPECT_EQ(render_test::TakeQuadVertices(s_log.get()).size(), 6u);
}

}  // namespace
