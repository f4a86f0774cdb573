// The sprite and background functions of the resource group through the built-in table, on the
// recording device, with image files in the test's save area.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "assets/background.h"
#include "assets/bitmap32.h"
#include "assets/font.h"
#include "assets/image_decode.h"
#include "assets/sprite_fixture.h"
#include "container/txtr.h"
#include "core/function_registry.h"
#include "core/value_test_util.h"
#include "functions/load_stand_in.h"
#include "functions/math_call.h"
#include "runtime/game_header.h"

namespace {

using math_test::Call;
using math_test::CallReal;
using math_test::CallText;
using math_test::Real;
using math_test::Text;

constexpr uint32_t kRed = 0xFFFF0000u;

struct Image {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;  // 0xAARRGGBB
};

class ResourceSpriteTest : public sprite_test::SpriteTest {
 protected:
  void SetUp() override {
    SpriteTest::SetUp();
    Register(800);
    RuntimeErrorCapture::Reset();
  }
  void TearDown() override {
    Builtin_Shutdown();
    GameFormatVersion = 0;
    Background_Shutdown();
    Font_Shutdown();
    SpriteTest::TearDown();
  }

  static void Register(int32_t version) {
    Builtin_Shutdown();
    GameFormatVersion = version;
    InitResourceFunctions();
  }

  // A PNG file in the save area whose pixels come from f(x, y).
  template <typename F>
  void WritePng(const std::string& name, int32_t width, int32_t height, F f) {
    WriteFile(name, container::png_page(width, height, sprite_test::RGBA(width, height, f)));
  }

  Image ReadPng(const std::string& name) const {
    std::ifstream in(m_root / name, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Image image;
    const uint32_t* pixels = PNG_Decode(bytes.data(), bytes.size(), &image.width, &image.height, false);
    if (pixels != nullptr && image.width > 0 && image.height > 0) {
      image.pixels.assign(pixels, pixels + static_cast<size_t>(image.width) * image.height);
    }
    PNG_FreeDecoder();
    return image;
  }

  // A sprite of the table of that kind with no images.
  static int32_t Shaped(int32_t kind) {
    CSprite fields;
    fields.kind = kind;
    return Sprite_Add(fields);
  }

  static std::string TakeError() { return RuntimeErrorCapture::Take(); }
  std::string ConsoleText() const { return Console(); }

  RuntimeErrorCapture errors;
};

TEST_F(ResourceSpriteTest, MissingSpritesAnswerMinusOne) {
  for (const char* query : {"sprite_get_width", "sprite_get_number", "sprite_get_bbox_left", "sprite_get_precise",
                            "sprite_get_transparent", "sprite_delete", "sprite_duplicate"}) {
    EXPECT_EQ(CallReal(query, {Real(3)}), -1) << query;
  }
  EXPECT_EQ(CallText("sprite_get_name", {Real(3)}), "<undefined>");
  EXPECT_EQ(CallReal("sprite_exists", {Real(3)}), 0);
  EXPECT_EQ(CallReal("sprite_replace", {Real(3), Text("a.png"), Real(1), Real(0), Real(0), Real(0), Real(0)}), -1);
  EXPECT_EQ(TakeError(), "");
}

TEST_F(ResourceSpriteTest, AddingAndReplacingSetTheirFlags) {
  WritePng("four.png", 32, 8, [](int32_t x, int32_t) { return 0xFF000000u | static_cast<uint32_t>(x * 8); });
  const double sprite = CallReal("sprite_add", {Text("four.png"), Real(4), Real(0), Real(0), Real(3), Real(2)});
  ASSERT_EQ(sprite, 0);
  EXPECT_EQ(CallReal("sprite_get_number", {Real(0)}), 4);
  EXPECT_EQ(CallReal("sprite_get_width", {Real(0)}), 8);
  EXPECT_EQ(CallReal("sprite_get_xoffset", {Real(0)}), 3);
  EXPECT_EQ(CallReal("sprite_get_precise", {Real(0)}), 0);
  EXPECT_EQ(CallReal("sprite_get_preload", {Real(0)}), 0);
  EXPECT_EQ(CallText("sprite_get_name", {Real(0)}), "__newsprite0");

  EXPECT_EQ(CallReal("sprite_replace", {Real(0), Text("four.png"), Real(2), Real(0), Real(0), Real(0), Real(0)}), 1);
  EXPECT_EQ(CallReal("sprite_get_number", {Real(0)}), 2);
  EXPECT_EQ(CallReal("sprite_get_precise", {Real(0)}), 1);
  EXPECT_EQ(CallReal("sprite_get_preload", {Real(0)}), 1);
  // Eight arguments are neither layout.
  EXPECT_EQ(CallReal("sprite_replace",
                     {Real(0), Text("four.png"), Real(1), Real(0), Real(0), Real(0), Real(0), Real(0)}),
            -1);
  EXPECT_EQ(CallReal("sprite_get_number", {Real(0)}), 2);
  EXPECT_EQ(CallReal("sprite_add", {Text("none.png"), Real(1), Real(0), Real(0), Real(0), Real(0)}), -1);
  EXPECT_EQ(CallReal("sprite_exists", {Real(1)}), 0) << "a failed load leaves no slot";

  for (const char* unsupported : {"sprite_add_sprite", "sprite_replace_sprite"}) {
    EXPECT_EQ(CallReal(unsupported, {Real(0), Real(0)}), -1);
  }
  EXPECT_EQ(sprite_test::SpriteTest::LastError(), "");
  size_t lines = 0;
  for (size_t at = ConsoleText().find("unsupported function\n"); at != std::string::npos;
       at = ConsoleText().find("unsupported function\n", at + 1)) {
    ++lines;
  }
  EXPECT_EQ(lines, 2u);
}

TEST_F(ResourceSpriteTest, OldFormatFunctionsReadOnlyWhatTheyWereGiven) {
  Register(700);
  WritePng("one.png", 8, 8, [](int32_t, int32_t) { return kRed; });
  ASSERT_EQ(CallReal("sprite_add", {Text("one.png"), Real(1), Real(1), Real(0), Real(0), Real(0), Real(0), Real(0)}),
            0);
  EXPECT_EQ(CallReal("sprite_get_precise", {Real(0)}), 1);
  // Declared with 5 arguments, the handler's remove-background and smooth read as false.
  Call("sprite_add_from_screen", {Real(0), Real(0), Real(0), Real(8), Real(8)});
  EXPECT_EQ(CallReal("sprite_get_number", {Real(0)}), 2);
  EXPECT_EQ(CallReal("sprite_get_smooth", {Real(0)}), 0);
  EXPECT_EQ(CallReal("sprite_replace_alpha", {Real(0), Text("one.png"), Real(1), Real(0), Real(0), Real(0), Real(0)}),
            -1);
  EXPECT_EQ(CallReal("sprite_add_alpha", {Text("one.png"), Real(1), Real(0), Real(1), Real(0), Real(0)}), 1);
  EXPECT_EQ(TakeError(), "");
}

TEST_F(ResourceSpriteTest, AScreenRectangleThatCannotBeReadStillMakesASprite) {
  const double index = CallReal("sprite_create_from_screen", {Real(0), Real(0), Real(0), Real(0), Real(0), Real(0),
                                                              Real(0), Real(0)});
  EXPECT_EQ(index, 0);
  EXPECT_EQ(CallReal("sprite_exists", {Real(index)}), 1);
  EXPECT_EQ(CallReal("sprite_get_number", {Real(index)}), 0);
  const double background =
      CallReal("background_create_from_screen", {Real(0), Real(0), Real(0), Real(0), Real(0), Real(0)});
  EXPECT_EQ(CallReal("background_exists", {Real(background)}), 1);
  EXPECT_EQ(CallReal("background_get_width", {Real(background)}), 0);
}

TEST_F(ResourceSpriteTest, VectorAndSkeletonSpritesAreRefusedWithTheirMessages) {
  const int32_t vector = Shaped(kSpriteKindVector);
  const int32_t skeleton = Shaped(kSpriteKindSkeleton);
  WritePng("one.png", 8, 8, [](int32_t, int32_t) { return kRed; });
  const int32_t bitmap = CallReal("sprite_add", {Text("one.png"), Real(1), Real(0), Real(0), Real(0), Real(0)});

  // A vector sprite without masks may drop its precise flag but not take it.
  Sprite_Data(vector)->precise = true;
  Call("sprite_set_precise", {Real(vector), Real(0)});
  EXPECT_EQ(TakeError(), "");
  EXPECT_FALSE(Sprite_Data(vector)->precise);
  Call("sprite_set_precise", {Real(vector), Real(1)});
  EXPECT_EQ(TakeError(),
            "sprite_set_precise: can't set precise collision on vector sprite with no collision masks generated");
  EXPECT_FALSE(Sprite_Data(vector)->precise);

  Call("sprite_assign", {Real(vector), Real(skeleton)});
  EXPECT_EQ(TakeError(), "sprite_assign: not supported for vector sprites - destination sprite is a vector sprite");

  const struct {
    int32_t destination, source;
    const char* message;
  } merges[] = {
      {99, bitmap, "Cannot merge to or from non-existing sprite"},
      {vector, bitmap,
       "sprite_merge: not supported for vector sprites - destination sprite is a vector sprite"},
      {bitmap, vector,
       "sprite_merge: not supported for vector sprites - source sprite is a vector sprite"},
      {skeleton, bitmap,
       "sprite_merge: not supported for skeleton based sprites - destination sprite is a skeleton sprite"},
      {bitmap, skeleton,
       "sprite_merge: not supported for skeleton based sprites - source sprite is a skeleton sprite"},
  };
  for (const auto& m : merges) {
    Call("sprite_merge", {Real(m.destination), Real(m.source)});
    EXPECT_EQ(TakeError(), m.message);
  }
  EXPECT_EQ(CallReal("sprite_get_number", {Real(bitmap)}), 1) << "nothing was merged";
  Call("sprite_merge", {Real(bitmap), Real(bitmap)});
  EXPECT_EQ(TakeError(), "");
  EXPECT_EQ(CallReal("sprite_get_number", {Real(bitmap)}), 2);
  // Merged into itself again it copies only the frames it had (it read on into the frames it was
  // adding, through a list it had reallocated).
  Call("sprite_merge", {Real(bitmap), Real(bitmap)});
  EXPECT_EQ(CallReal("sprite_get_number", {Real(bitmap)}), 4);
  EXPECT_EQ(Sprite_Data(bitmap)->bitmaps.size(), 4u);

  EXPECT_EQ(Call("sprite_duplicate", {Real(vector)}).Kind(), VALUE_UNDEFINED);
  EXPECT_EQ(TakeError(), "sprite_duplicate: not supported for vector sprites");
  EXPECT_EQ(Call("sprite_duplicate", {Real(skeleton)}).Kind(), VALUE_UNDEFINED);
  EXPECT_EQ(TakeError(), "sprite_duplicate: not supported for skeleton based sprites");
  Call("sprite_collision_mask", {Real(skeleton), Real(0), Real(0), Real(0), Real(0), Real(0), Real(0), Real(0),
                                 Real(0)});
  EXPECT_EQ(TakeError(), "sprite_collision_mask: not supported for vector sprites");
  Call("sprite_save", {Real(vector), Real(0), Text("v.png")});
  EXPECT_EQ(TakeError(), "sprite_save: not supported for vector sprites");
  Call("sprite_set_alpha_from_sprite", {Real(bitmap), Real(vector)});
  EXPECT_EQ(TakeError(), "sprite_set_alpha_from_sprite: not supported with vector sprites - sprite to derive "
                         "transparency from is a vector sprite");
}

TEST_F(ResourceSpriteTest, SavedSpritesAndBackgroundsKeepTheirColours) {
  WritePng("red.png", 8, 4, [](int32_t, int32_t) { return kRed; });
  const double sprite = CallReal("sprite_add", {Text("red.png"), Real(1), Real(0), Real(0), Real(0), Real(0)});
  Call("sprite_save", {Real(sprite), Real(0), Text("sprite_out.png")});
  const Image saved = ReadPng("sprite_out.png");
  ASSERT_EQ(saved.width, 8);
  ASSERT_EQ(saved.height, 4);
  for (uint32_t p : saved.pixels) ASSERT_EQ(p, kRed);

  const double background = CallReal("background_add", {Text("red.png"), Real(0), Real(0)});
  ASSERT_GE(background, 0);
  Call("background_save", {Real(background), Text("background_out.png")});
  const Image back = ReadPng("background_out.png");
  ASSERT_EQ(back.width, 8);
  for (uint32_t p : back.pixels) ASSERT_EQ(p, kRed);

  Call("sprite_save", {Real(sprite), Real(5), Text("none.png")});
  EXPECT_NE(ConsoleText().find("sprite_save() failed - no bitmap data available\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(m_root / "none.png"));
  Call("background_save", {Real(9), Text("none.png")});
  EXPECT_EQ(TakeError(), "Trying to save non-existing background bitmap.");
  Call("background_save", {Real(background), Real(3)});
  EXPECT_EQ(TakeError(), "Trying to save non-existing background bitmap.") << "a file name that is no string";
}

TEST_F(ResourceSpriteTest, AStripHoldsEveryFrameSideBySide) {
  // Three 16 x 8 frames: red, green, blue, each with a white top-left pixel.
  WritePng("rgb.png", 48, 8, [](int32_t x, int32_t y) {
    if (x % 16 == 0 && y == 0) return 0xFFFFFFFFu;
    return x < 16 ? 0xFFFF0000u : x < 32 ? 0xFF00FF00u : 0xFF0000FFu;
  });
  const double sprite = CallReal("sprite_add", {Text("rgb.png"), Real(3), Real(0), Real(0), Real(0), Real(0)});
  Call("sprite_save_strip", {Real(sprite), Text("strip.png")});
  const Image strip = ReadPng("strip.png");
  ASSERT_EQ(strip.width, 48);
  ASSERT_EQ(strip.height, 8);
  const Image source = ReadPng("rgb.png");
  EXPECT_EQ(strip.pixels, source.pixels);

  const int32_t empty = Sprite_AddEmpty();
  Call("sprite_save_strip", {Real(empty), Text("empty.png")});
  Call("sprite_save_strip", {Real(sprite), Real(1)});
  EXPECT_FALSE(std::filesystem::exists(m_root / "empty.png"));
  EXPECT_EQ(TakeError(), "");
}

TEST_F(ResourceSpriteTest, BackgroundsMadeByScriptsAndTheirMissingCases) {
  const double gradient = CallReal("background_create_gradient", {Real(4), Real(2), Real(0x0000FF), Real(0xFF0000),
                                                                  Real(0)});
  EXPECT_EQ(CallReal("background_get_width", {Real(gradient)}), 4);
  EXPECT_EQ(Background_Number(), 1) << "exactly one background";
  const CBitmap32* bitmap = Background_Data(static_cast<int32_t>(gradient))->GetBitmap();
  ASSERT_NE(bitmap, nullptr);
  EXPECT_NE(bitmap->Pixels()[0], bitmap->Pixels()[3]) << "the colours run from one side to the other";
  EXPECT_EQ(CallReal("background_get_preload", {Real(gradient)}), 1);

  const double colour = CallReal("background_create_colour", {Real(3), Real(5), Real(0x00FF00)});
  EXPECT_EQ(colour, 1);
  EXPECT_EQ(CallReal("background_get_height", {Real(colour)}), 5);

  EXPECT_EQ(CallReal("background_replace", {Real(7), Text("x.png"), Real(0), Real(0)}), 0);
  EXPECT_EQ(TakeError(), "Trying to replace non-existing background.");
  EXPECT_EQ(CallReal("background_delete", {Real(7)}), 0);
  EXPECT_EQ(TakeError(), "Trying to delete non-existing background.");
  EXPECT_EQ(CallReal("background_duplicate", {Real(7)}), -1);
  EXPECT_EQ(TakeError(), "Trying to duplicate non-existing background.");
  Call("background_assign", {Real(7), Real(0)});
  EXPECT_EQ(TakeError(), "Error assigning a background.");
  EXPECT_EQ(CallReal("background_get_transparent", {Real(7)}), -1);
  EXPECT_EQ(CallText("background_get_name", {Real(7)}), "<undefined>");
  EXPECT_EQ(CallReal("background_duplicate", {Real(colour)}), 2);
  EXPECT_EQ(CallReal("background_delete", {Real(2)}), 1);
}

TEST_F(ResourceSpriteTest, PrefetchPrintsWhatItSkips) {
  WritePng("one.png", 8, 8, [](int32_t, int32_t) { return kRed; });
  const double sprite = CallReal("sprite_add", {Text("one.png"), Real(1), Real(0), Real(0), Real(0), Real(0)});
  const int32_t vector = Shaped(kSpriteKindVector);
  EXPECT_EQ(CallReal("sprite_prefetch", {Real(sprite)}), 0);
  EXPECT_EQ(CallReal("sprite_prefetch", {Real(vector)}), -1);
  EXPECT_NE(ConsoleText().find("sprite_prefetch: not supported for vector sprites (sprite id 1)\n"), std::string::npos);
  EXPECT_EQ(CallReal("sprite_prefetch", {Real(40)}), 0);
  EXPECT_NE(ConsoleText().find("sprite_prefetch: Sprite id 40 not found\n"), std::string::npos);

  RValue array = RValue_MakeUndefined();
  RValue entries[] = {Text("s"), Real(77), Real(sprite)};
  for (int32_t i = 0; i < 3; ++i) RValue_SetElement(&array, &entries[i], i);
  RValue_Release(&entries[0]);
  const size_t before = ConsoleText().size();
  EXPECT_EQ(CallReal("sprite_prefetch_multi", {math_test::Share(array)}), 0);
  EXPECT_EQ(ConsoleText().substr(before),
            "sprite_prefetch_multi: array entry 0 has wrong type\nsprite_prefetch_multi: Sprite id 77 not found\n");

  const RValue vectorEntry = Real(vector);
  RValue_SetElement(&array, &vectorEntry, 3);
  EXPECT_EQ(CallReal("sprite_prefetch_multi", {math_test::Share(array)}), -1) << "a vector sprite ends the pass";
  EXPECT_EQ(CallReal("sprite_prefetch_multi", {Real(3)}), -1);
  EXPECT_NE(ConsoleText().find("sprite_prefetch_multi: parameter should be array of sprite indices\n"),
            std::string::npos);
  RValue_SetElement(&array, &vectorEntry, ArrayIndex_Pack(1, 0));
  EXPECT_EQ(CallReal("background_prefetch_multi", {math_test::Share(array)}), -1);
  EXPECT_NE(ConsoleText().find("background_prefetch_multi: array parameter invalid\n"), std::string::npos);
  RValue_Release(&array);

  EXPECT_EQ(CallReal("background_prefetch", {Real(5)}), 0);
  EXPECT_NE(ConsoleText().find("background_prefetch: Background id 5 not found\n"), std::string::npos);
  for (const char* ignored : {"sprite_set_cache_size", "sprite_set_cache_size_ext", "font_set_cache_size",
                              "sprite_get_tpe"}) {
    EXPECT_EQ(CallReal(ignored, {Real(0), Real(1)}), 0) << ignored;
  }
}

TEST_F(ResourceSpriteTest, FontsRebuiltFromSpritesReportOnlyWhatIsMissing) {
  WritePng("glyphs.png", 16, 8, [](int32_t x, int32_t) { return x % 8 < 6 ? 0xFFFFFFFFu : 0; });
  const double sprite = CallReal("sprite_add", {Text("glyphs.png"), Real(2), Real(0), Real(0), Real(0), Real(0)});
  const char* const fonts[] = {nullptr, "serif"};
  Font_SetNamesForTest(fonts, 2);

  EXPECT_EQ(CallReal("font_replace_sprite", {Real(1), Real(9), Real(65), Real(1), Real(1)}), 0);
  EXPECT_EQ(TakeError(), "Trying to replace font from non-existing sprite.");

  EXPECT_EQ(CallReal("font_exists", {Real(0)}), 0);
  EXPECT_EQ(CallReal("font_replace_sprite", {Real(0), Real(sprite), Real(65), Real(1), Real(1)}), 1);
  EXPECT_EQ(TakeError(), "Trying to replace non-existing font.");
  EXPECT_EQ(CallReal("font_exists", {Real(0)}), 1) << "the empty slot inside the table was rebuilt";

  EXPECT_EQ(CallReal("font_replace_sprite_ext", {Real(5), Real(sprite), Text("ab"), Real(1), Real(1)}), 0)
      << "outside the table";
  EXPECT_EQ(CallReal("font_add_sprite_ext", {Real(sprite), Text("xy"), Real(0), Real(0)}), 2);
}

}  // namespace
