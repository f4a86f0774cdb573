// Colour conversions: script colours to vertex colours, alpha bytes, channel mixes, and hue,
// saturation and value both ways.
#include <gtest/gtest.h>

#include <cstdint>

#include "core/colour.h"

namespace {

TEST(ColourTest, ScriptColoursBecomeVertexColoursWithRedAndBlueExchanged) {
  EXPECT_EQ(Colour_ToVertex(0x0000FF, 255), 0xFFFF0000u);
  EXPECT_EQ(Colour_ToVertex(0xFF0000, 128), 0x800000FFu);
  EXPECT_EQ(Colour_ToVertex(0x7F123456, 0), 0x00563412u);  // bits above 23 are dropped
  EXPECT_EQ(Colour_SetAlphaByte(0xAB123456u, 0x40), 0x40123456u);
}

TEST(ColourTest, AlphaToByteClampsAndTruncates) {
  const struct {
    float alpha;
    int32_t byte;
  } cases[] = {{0.999f, 254}, {2.0f, 255}, {-0.5f, 0}, {0.5f, 127}, {1.0f, 255}, {0.0f, 0}};
  for (const auto& c : cases) EXPECT_EQ(Colour_AlphaToByte(c.alpha), c.byte) << c.alpha;
}

TEST(ColourTest, MergeMixesEachChannelRoundingHalvesToEven) {
  EXPECT_EQ(Colour_Merge(0x000000, 0xFFFFFF, 0.5f), 0x808080u);  // 127.5 rounds to 128
  EXPECT_EQ(Colour_Merge(0x000000, 0x030303, 0.5f), 0x020202u);  // 1.5 rounds to 2
  EXPECT_EQ(Colour_Merge(0x000000, 0x050505, 0.5f), 0x020202u);  // 2.5 rounds to 2
  EXPECT_EQ(Colour_Merge(0x0000FF, 0xFF0000, 0.0f), 0x0000FFu);
  EXPECT_EQ(Colour_Lerp(0x0000FF, 0xFF0000, 1.0f), 0xFF0000u);
  EXPECT_EQ(Colour_Merge(0xFF000000u, 0xFF000000u, 0.5f), 0u);  // no alpha in the result
  // t is not clamped: 100 + 2 x (200 - 100) = 300 keeps its low 8 bits.
  EXPECT_EQ(Colour_Merge(100, 200, 2.0f), 300u & 0xFF);
  // The mix is summed in double precision: 85 x 0.732 + 210 x 0.268 is a little above 118.5 there,
  // exactly 118.5 (rounding to 118) in floats.
  EXPECT_EQ(Colour_Merge(85, 210, 0.268f), 119u);
}

TEST(ColourTest, HueSaturationAndValueOfColours) {
  const struct {
    uint32_t colour;
    uint8_t hue, saturation, value;
  } cases[] = {
      {0x0000FF, 0, 255, 255},    // red
      {0x00FF00, 85, 255, 255},   // green
      {0xFF0000, 170, 255, 255},  // blue
      {0x808080, 0, 0, 128},      // grey
      {0x000000, 0, 0, 0},
      {0xFF00FF, 213, 255, 255},  // magenta: (G - B) x 60 = -60 degrees, plus 360
  };
  for (const auto& c : cases) {
    const ColourHSV hsv = Colour_ToHSV(c.colour);
    EXPECT_EQ(hsv.hue, c.hue) << std::hex << c.colour;
    EXPECT_EQ(hsv.saturation, c.saturation) << std::hex << c.colour;
    EXPECT_EQ(hsv.value, c.value) << std::hex << c.colour;
  }
}

TEST(ColourTest, ColoursFromHueSaturationAndValue) {
  const struct {
    int32_t hue, saturation, value;
    uint32_t colour;
  } cases[] = {
      {0, 0, 255, 0xFFFFFF},    {255, 255, 255, 0x0000FF},  // hue 255 is 360 degrees, which is 0
      {85, 255, 255, 0x00FF00}, {170, 255, 255, 0xFF0000},  {0, 255, 0, 0x000000},
      {256, 255, 255, 0x0000FF},  // the record keeps the low 8 bits: 256 acts as 0
  };
  for (const auto& c : cases) {
    ColourHSV hsv;
    Colour_InitHSV(&hsv, c.hue, c.saturation, c.value);
    EXPECT_EQ(Colour_FromHSV(hsv), c.colour) << c.hue << " " << c.saturation << " " << c.value;
  }
  // A round trip through the record keeps a saturated colour.
  ColourRGB rgb;
  Colour_InitRGB(&rgb, 0x12, 0x34, 0x56);
  EXPECT_EQ(rgb.blue, 0x56);
  EXPECT_EQ(Colour_FromRGB(rgb), 0x563412u);
}

}  // namespace
