// CBitmap32: construction from TBitmaps, background removal, smoothing, alpha from another image,
// resampling, opaque bounds, conversion back and gradients.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "assets/bitmap.h"
#include "assets/bitmap32.h"

namespace {

// A format-6 or format-7 TBitmap of the given pixels (0xAARRGGBB; alpha dropped for 24 bits).
std::unique_ptr<TBitmap> MakeTBitmap(int w, int h, const std::vector<uint32_t>& pixels, int format) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(format);
  bitmap->SetWidth(w);
  bitmap->SetHeight(h);
  int32_t stride = 0;
  uint8_t* first = bitmap->ScanLine(0, nullptr, &stride);
  const int bytes = format == kBitmap24 ? 3 : 4;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint32_t c = pixels[static_cast<size_t>(y) * w + x];
      for (int k = 0; k < bytes; ++k) first[y * stride + x * bytes + k] = static_cast<uint8_t>(c >> (8 * k));
    }
  }
  return bitmap;
}

std::vector<uint32_t> PixelsOf(const CBitmap32& b) {
  return std::vector<uint32_t>(b.Pixels(), b.Pixels() + static_cast<size_t>(b.GetWidth()) * b.GetHeight());
}

CBitmap32 FromPixels(int w, int h, const std::vector<uint32_t>& pixels) {
  auto t = MakeTBitmap(w, h, pixels, kBitmap32);
  return CBitmap32(t.get(), false, false, true);
}

constexpr uint32_t R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF, K = 0xFF000000, W = 0xFFFFFFFF;

TEST(CBitmap32, ConvertingAndKeepingAlpha) {
  auto t32 = MakeTBitmap(2, 1, {0x80112233, 0x00445566}, kBitmap32);
  CBitmap32 kept(t32.get(), false, false, true);
  ASSERT_TRUE(kept.IsValid());
  EXPECT_EQ(PixelsOf(kept), (std::vector<uint32_t>{0x80112233, 0x00445566}));
  CBitmap32 opaque(t32.get(), false, false, false);
  EXPECT_EQ(PixelsOf(opaque), (std::vector<uint32_t>{0xFF112233, 0xFF445566}));
  EXPECT_EQ(opaque.GetPixelData()->byteSize, 8u);

  auto t24 = MakeTBitmap(2, 1, {0x00112233, 0x00445566}, kBitmap24);
  CBitmap32 from24(t24.get(), false, false);
  EXPECT_EQ(PixelsOf(from24), (std::vector<uint32_t>{0xFF112233, 0xFF445566}));
  // Keeping alpha takes 32-bit images only.
  CBitmap32 refused(t24.get(), false, false, true);
  EXPECT_FALSE(refused.IsValid());
  CBitmap32 none(nullptr, true, true);
  EXPECT_FALSE(none.IsValid());
}

TEST(CBitmap32, RemoveBackgroundSpreadsNeighbourColoursOnePixelDeep) {
  // The bottom-left colour (K) is the background.
  auto t = MakeTBitmap(3, 3,
                       {K, R, K,  //
                        K, K, G,  //
                        K, B, K},
                       kBitmap24);
  CBitmap32 b(t.get(), true, false);
  const std::vector<uint32_t> p = PixelsOf(b);
  // Every background pixel is transparent and coloured by its first opaque neighbour in the
  // order left, right, above, below; a pixel whose neighbours are all background keeps black.
  EXPECT_EQ(p[0], R & 0xFFFFFF);  // right
  EXPECT_EQ(p[1], R);
  EXPECT_EQ(p[2], R & 0xFFFFFF);  // left
  EXPECT_EQ(p[3], 0u);            // left and right transparent, above transparent, below too
  EXPECT_EQ(p[4], G & 0xFFFFFF);  // right (left is transparent)
  EXPECT_EQ(p[5], G);
  EXPECT_EQ(p[6], B & 0xFFFFFF);  // right
  EXPECT_EQ(p[8], B & 0xFFFFFF);  // left
  // Smoothing without removal changes nothing.
  CBitmap32 smoothOnly(t.get(), false, true);
  EXPECT_EQ(PixelsOf(smoothOnly)[0], K);
}

TEST(CBitmap32, FillSpreadsOnePixelDeepOnly) {
  CBitmap32 b = FromPixels(4, 1, {R, 0, 0, 0});
  b.FillTransparentColours();
  EXPECT_EQ(PixelsOf(b), (std::vector<uint32_t>{R, R & 0xFFFFFF, 0, 0}));
}

TEST(CBitmap32, SmoothingCascades) {
  // The corner is visited first and lowers its two opaque neighbours; the centre then lowers all
  // eight, so the pixels next to both lose 64.
  CBitmap32 b = FromPixels(3, 3, {0, W, W, W, 0, W, W, W, W});
  b.SmoothEdges();
  std::vector<uint32_t> alpha;
  for (uint32_t p : PixelsOf(b)) alpha.push_back(p >> 24);
  EXPECT_EQ(alpha, (std::vector<uint32_t>{0, 0xBF, 0xDF, 0xBF, 0, 0xDF, 0xDF, 0xDF, 0xDF}));
  // A pixel of alpha 32 brought to 0 counts as transparent for the pixels after it.
  CBitmap32 c = FromPixels(3, 1, {0, 0x20FFFFFF, W});
  c.SmoothEdges();
  EXPECT_EQ(PixelsOf(c), (std::vector<uint32_t>{0, 0x00FFFFFF, 0xDFFFFFFF}));
  // Alpha below 32 is left as it is.
  CBitmap32 d = FromPixels(2, 1, {0, 0x1FFFFFFF});
  d.SmoothEdges();
  EXPECT_EQ(PixelsOf(d)[1], 0x1FFFFFFFu);
}

TEST(CBitmap32, EdgeCases) {
  // Resize: 3 x 1 to 6 x 1 repeats each pixel, to 2 x 1 takes pixels 0 and 1.
  CBitmap32 wide = FromPixels(3, 1, {R, G, B});
  wide.Resize(6, 1);
  EXPECT_EQ(PixelsOf(wide), (std::vector<uint32_t>{R, R, G, G, B, B}));
  EXPECT_EQ(wide.GetPixelData()->byteSize, 24u);
  CBitmap32 narrow = FromPixels(3, 1, {R, G, B});
  narrow.Resize(2, 1);
  EXPECT_EQ(PixelsOf(narrow), (std::vector<uint32_t>{R, G}));
  narrow.Resize(0, 5);
  EXPECT_EQ(narrow.GetWidth(), 2);

  // Alpha from a white image stays; from a black one every common pixel goes transparent.
  CBitmap32 white(2, 2, 0xFFFFFF), black(1, 2, 0);
  CBitmap32 a = FromPixels(2, 2, {0x80102030, R, G, B});
  a.SetAlphaFrom(&white);
  EXPECT_EQ(PixelsOf(a), (std::vector<uint32_t>{0x80102030, R, G, B}));
  a.SetAlphaFrom(&black);
  EXPECT_EQ(PixelsOf(a), (std::vector<uint32_t>{0x00102030, R, 0x0000FF00, B}));
  CBitmap32 grey(1, 1, 0x306090);  // (0x90 + 0x60 + 0x30) / 3 = 0x60
  CBitmap32 lowered = FromPixels(1, 1, {R});
  lowered.SetAlphaFrom(&grey);
  EXPECT_EQ(PixelsOf(lowered)[0], 0x60FF0000u);
  lowered.SetAlphaFrom(nullptr);
  EXPECT_EQ(PixelsOf(lowered)[0], 0x60FF0000u);

  // Opaque bounds.
  CBitmap32 clear(10, 10, 0);
  clear.SetAlphaFrom(&clear);  // black: every pixel transparent
  CBitmap32Rect r = clear.GetOpaqueBounds();
  EXPECT_EQ((std::vector<int>{r.left, r.top, r.right, r.bottom}), (std::vector<int>{9, 9, 0, 0}));
  CBitmap32 dot = FromPixels(4, 3, {0, 0, 0, 0, 0, 0, R, 0, 0, G, 0, 0});
  r = dot.GetOpaqueBounds();
  EXPECT_EQ((std::vector<int>{r.left, r.top, r.right, r.bottom}), (std::vector<int>{1, 1, 2, 2}));

  // Sub-rectangles must lie inside.
  CBitmap32 source = FromPixels(3, 2, {1, 2, 3, 4, 5, 6});
  CBitmap32 part(source, 1, 0, 2, 2);
  ASSERT_TRUE(part.IsValid());
  EXPECT_EQ(PixelsOf(part), (std::vector<uint32_t>{2, 3, 5, 6}));
  EXPECT_FALSE(CBitmap32(source, 2, 0, 2, 1).IsValid());
  EXPECT_FALSE(CBitmap32(source, -1, 0, 1, 1).IsValid());
  CBitmap32 copy(source);
  EXPECT_EQ(PixelsOf(copy), PixelsOf(source));
  copy.Assign(copy);
  EXPECT_EQ(PixelsOf(copy), PixelsOf(source));

  // Filled images: a size of 0 or less becomes 1; script colours are blue-green-red.
  CBitmap32 filled(0, -3, 0x0000FF);
  EXPECT_EQ(PixelsOf(filled), (std::vector<uint32_t>{0xFFFF0000}));
}

TEST(CBitmap32, ToTBitmapWritesRedGreenBlueAlpha) {
  CBitmap32 b = FromPixels(1, 1, {0x80112233});
  std::unique_ptr<TBitmap> t(b.ToTBitmap());
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->GetPixelFormat(), kBitmap32);
  const uint8_t* p = t->Pixels();
  EXPECT_EQ((std::vector<int>{p[0], p[1], p[2], p[3]}), (std::vector<int>{0x11, 0x22, 0x33, 0x80}));
  EXPECT_EQ(CBitmap32().ToTBitmap(), nullptr);
}

TEST(CBitmap32, LerpRoundsEachChannel) {
  EXPECT_EQ(Bitmap32_LerpColour(0x000000, 0xFFFFFF, 0.5), 0x808080u);
  EXPECT_EQ(Bitmap32_LerpColour(0xFF0000FF, 0x00000000, 0.0), 0x0000FFu) << "top byte 0";
  EXPECT_EQ(Bitmap32_LerpColour(0x000010, 0x000020, 0.25), 0x000014u);
}

// Script colour c (0x00BBGGRR) as the opaque pixel a gradient holds.
uint32_t Opaque(uint32_t c) { return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

TEST(CBitmap32, GradientKinds) {
  const uint32_t c1 = 0x000000, c2 = 0x0000FF;  // black to red
  auto red = [&](const CBitmap32& b, int x, int y) { return (b.Pixels()[y * b.GetWidth() + x] >> 16) & 0xFF; };

  // Horizontal, width 4: t = 0, 0.25, 0.5, 0.75; c2 itself never reached.
  std::unique_ptr<CBitmap32> h(CBitmap32::CreateGradient(4, 1, c1, c2, kGradientHorizontal));
  EXPECT_EQ(PixelsOf(*h), (std::vector<uint32_t>{Opaque(0), Opaque(64), Opaque(128), Opaque(191)}));
  // Vertical, height 2.
  std::unique_ptr<CBitmap32> v(CBitmap32::CreateGradient(1, 2, c1, c2, kGradientVertical));
  EXPECT_EQ(red(*v, 0, 0), 0u);
  EXPECT_EQ(red(*v, 0, 1), 128u);
  // Rectangle, 5 x 5: t = distance to the nearest edge / 2.5.
  std::unique_ptr<CBitmap32> r(CBitmap32::CreateGradient(5, 5, c1, c2, kGradientRectangle));
  EXPECT_EQ(red(*r, 0, 2), 0u);
  EXPECT_EQ(red(*r, 1, 1), 102u);  // 1 / 2.5 x 255
  EXPECT_EQ(red(*r, 2, 2), 204u);
  // Ellipse, 8 x 8: corners keep c1; the rings grow towards c2 inwards.
  std::unique_ptr<CBitmap32> e(CBitmap32::CreateGradient(8, 8, c1, c2, kGradientEllipse));
  EXPECT_EQ(red(*e, 0, 0), 0u);
  EXPECT_EQ(red(*e, 0, 4), 0u);
  EXPECT_EQ(red(*e, 1, 4), 64u);  // ring 1 of 4
  EXPECT_EQ(red(*e, 3, 3), 191u);  // ring 3
  EXPECT_EQ(red(*e, 4, 4), 191u);
  // Double horizontal and vertical, 4 wide / high: t = 0, 0.5, 0.5, 0.
  std::unique_ptr<CBitmap32> dh(CBitmap32::CreateGradient(4, 1, c1, c2, kGradientDoubleHorizontal));
  EXPECT_EQ(PixelsOf(*dh), (std::vector<uint32_t>{Opaque(0), Opaque(128), Opaque(128), Opaque(0)}));
  std::unique_ptr<CBitmap32> dv(CBitmap32::CreateGradient(1, 4, c1, c2, kGradientDoubleVertical));
  EXPECT_EQ(PixelsOf(*dv), PixelsOf(*dh));
  // Any other kind paints nothing: opaque black.
  std::unique_ptr<CBitmap32> other(CBitmap32::CreateGradient(2, 1, c2, c2, 9));
  EXPECT_EQ(PixelsOf(*other), (std::vector<uint32_t>{K, K}));
  // Sizes of 0 or less become 1.
  std::unique_ptr<CBitmap32> tiny(CBitmap32::CreateGradient(0, 0, c2, c2, kGradientHorizontal));
  EXPECT_EQ(PixelsOf(*tiny), (std::vector<uint32_t>{Opaque(c2)}));
}

}  // namespace
