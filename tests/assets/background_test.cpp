// Backgrounds on the recording device: written containers with pages, page entries and
// backgrounds, image files in a save area of the test's own, downloads finished by hand, the
// operations of the table and each draw call's emitter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "assets/background.h"
#include "assets/bitmap32.h"
#include "assets/texture.h"
#include "assets/texture_pages.h"
#include "container/bgnd.h"
#include "container/gen8.h"
#include "container/tpag.h"
#include "container/txtr.h"
#include "container/writer.h"
#include "core/run_switches.h"
#include "host/game_loader.h"
#include "io/load_save.h"
#include "world/async_queue.h"
#include "net/async_test_support.h"
#include "assets/http_stand_in.h"
#include "assets/sprite_fixture.h"
#include "render/render_fixture.h"

namespace {

using container::BackgroundEntry;
using container::TexturePageEntry;

using sprite_test::RGBA;

std::vector<uint8_t> PNG(int32_t width, int32_t height, uint32_t argb = 0xFF102030u) {
  return container::png_page(static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                             RGBA(width, height, [&](int32_t, int32_t) { return argb; }));
}

// Each page pixel tells where it is.
uint32_t PagePixel(int32_t x, int32_t y) { return 0xFF000000u | static_cast<uint32_t>(x) << 8 | static_cast<uint32_t>(y); }

BackgroundEntry Entry(const std::string& name, int32_t pageEntry) {
  BackgroundEntry b;
  b.name = name;
  b.page_entry = pageEntry;
  return b;
}

struct QV {
  float x, y, z;
  uint32_t colour;
  float u, v;
};
static_assert(sizeof(QV) == 24);

struct Box {
  float left, top, right, bottom;
  bool operator==(const Box&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Box& b) {
  return out << "(" << b.left << ", " << b.top << ")-(" << b.right << ", " << b.bottom << ")";
}
// The rectangle the vertices cover.
Box Bounds(const std::vector<QV>& v) {
  Box b{v[0].x, v[0].y, v[0].x, v[0].y};
  for (const QV& q : v) {
    b.left = std::min(b.left, q.x);
    b.top = std::min(b.top, q.y);
    b.right = std::max(b.right, q.x);
    b.bottom = std::max(b.bottom, q.y);
  }
  return b;
}

std::vector<async_test::MapEvent> g_fired;
void RecordEvent(int32_t number) { g_fired.push_back({number, async_test::MapEntries(g_AsyncLoad)}); }

class BackgroundTest : public render_test::RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    InitScene();
    m_root = std::filesystem::path(TOLVARINE_TEST_TMP) /
             ("backgrounds_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(m_root);
    std::filesystem::create_directories(m_root);
    Win32_SetSaveDirectory((m_root.string() + "/").c_str());
    m_wasHeadless = g_IsHeadless;
    g_IsHeadless = true;
  }
  void TearDown() override {
    g_IsHeadless = m_wasHeadless;
    Async_Shutdown();
    Background_Shutdown();
    Runner_FreeGameData();
    Win32_FreeSaveDirectory();
    std::filesystem::remove_all(m_root);
    RenderTest::TearDown();
  }

  void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    ASSERT_TRUE(LoadSave_WriteFile(name.c_str(), bytes.data(), static_cast<int32_t>(bytes.size())));
  }

  bool Load(const std::vector<container::TexturePage>& pages, const std::vector<TexturePageEntry>& tpag,
            const std::vector<std::optional<BackgroundEntry>>& backgrounds) {
    container::ContainerWriter writer;
    container::write_gen8(writer, {});
    container::write_tpag(writer, tpag);
    container::write_txtr(writer, pages);
    container::write_bgnd(writer, backgrounds);
    const container::BuildResult built = writer.build();
    if (!built.ok()) return false;
    m_bytes = built.bytes;
    return Game_ScanHeaderChunks({m_bytes.data(), m_bytes.size()}) && Game_LoadChunks(m_bytes.data(), m_bytes.size());
  }

  // The vertices of every draw since the log was cleared, after a flush.
  std::vector<QV> Drawn() {
    GraphicsFlush();
    std::vector<QV> out;
    for (const D3D9RecordedDraw& d : Draws()) {
      const size_t n = d.vertices.size() / sizeof(QV);
      const size_t at = out.size();
      out.resize(at + n);
      std::memcpy(out.data() + at, d.vertices.data(), n * sizeof(QV));
    }
    s_log->Clear();
    return out;
  }

  std::filesystem::path m_root;
  std::vector<uint8_t> m_bytes;
  bool m_wasHeadless = false;
};

TEST_F(BackgroundTest, ContainerBackgroundsTakeTheirPageEntrysFullSize) {
  // Entry 0 trimmed: 4 x 3 of a 10 x 6 image.
  const std::vector<TexturePageEntry> tpag = {{0, 0, 4, 3, 2, 1, 4, 3, 10, 6, 0}, {0, 0, 8, 8, 0, 0, 8, 8, 8, 8, 0}};
  BackgroundEntry sky = Entry("sky", 0);
  sky.transparent = sky.preload = true;
  ASSERT_TRUE(Load({{0, PNG(8, 8)}}, tpag, {sky, std::nullopt, Entry("twin", 1), Entry("none", -1), Entry("twin", 1)}))
      << Game_LoadFailure();
  EXPECT_EQ(Background_Number(), 5);
  EXPECT_FALSE(Background_Exists(1));
  EXPECT_EQ(Background_Data(1), nullptr);
  EXPECT_EQ(Background_Data(5), nullptr);
  EXPECT_EQ(Background_Data(-1), nullptr);
  EXPECT_STREQ(Background_Name(5), "<undefined>");
  EXPECT_STREQ(Background_Name(1), "<undefined>");
  EXPECT_STREQ(Background_Name(0), "sky");
  const CBackground* b = Background_Data(0);
  EXPECT_EQ(b->GetWidth(), 10);
  EXPECT_EQ(b->GetHeight(), 6);
  EXPECT_TRUE(b->GetTransparent());
  EXPECT_FALSE(b->GetSmooth());
  EXPECT_TRUE(b->GetPreload());
  EXPECT_EQ(b->GetSlot(), -1);
  EXPECT_EQ(GR_Texture_Resolve(b->GetTexture()).entry, b->GetPageEntry());
  EXPECT_EQ(Background_GetWidth(3), 0) << "no page entry: size 0";
  EXPECT_EQ(Background_Data(3)->GetTexture(), -1);
  // A copy of a background with neither an entry nor an image is as empty.
  const int32_t blank = Background_Duplicate(3);
  ASSERT_EQ(blank, 5);
  EXPECT_EQ(Background_Data(blank)->GetBitmap(), nullptr);
  EXPECT_EQ(Background_Data(blank)->GetSlot(), -1);
  EXPECT_EQ(Background_GetWidth(1), 0);

  EXPECT_EQ(Background_Find("twin"), 2);
  EXPECT_EQ(Background_Find("Twin"), -1);
  ASSERT_TRUE(Background_Delete(2));
  EXPECT_FALSE(Background_Delete(2));
  EXPECT_EQ(Background_Find("twin"), 4) << "a deleted background's name is not found";
  ASSERT_TRUE(Background_Delete(4));
  EXPECT_EQ(Background_Find("twin"), -1);
  EXPECT_EQ(Background_Number(), 6) << "indices stay";
}

// Damage in the BGND chunk fails the load naming the chunk; nothing past the container is read
// (the sanitizer build checks that).
TEST_F(BackgroundTest, DamagedChunksFailTheLoad) {
  const struct {
    const char* name;
    void (*write)(container::ChunkBuilder&);
    const char* says;
  } cases[] = {
      {"offsets past the body", [](container::ChunkBuilder& c) { c.u32(5).u32(0); }, "5 background offsets"},
      {"entry outside", [](container::ChunkBuilder& c) { c.u32(1).u32(0xFFFFFFF0u); }, "background 0's entry"},
      {"name outside", [](container::ChunkBuilder& c) { c.u32(1).offset_to("e").label("e").u32(0xFFFFFF00u).zeros(16); },
       "background 0's entry or name"},
      {"page entry outside",
       [](container::ChunkBuilder& c) { c.u32(1).offset_to("e").label("e").string_ref("b").zeros(12).u32(0xFFFFFF00u); },
       "background 0's page entry at container offset 4294967040 is misplaced"},
      // Its 16-bit fields are read in place: an odd offset is refused, not read misaligned.
      {"page entry at an odd offset",
       [](container::ChunkBuilder& c) {
         c.u32(1).offset_to("e").label("e").string_ref("b").zeros(12).offset_to("odd").align(2).u8(0).label("odd").zeros(22);
       },
       "background 0's page entry at container offset"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    container::ContainerWriter writer;
    container::write_gen8(writer, {});
    c.write(writer.add_chunk("BGND"));
    const container::BuildResult built = writer.build();
    ASSERT_TRUE(built.ok()) << built.error;
    m_bytes = built.bytes;
    EXPECT_FALSE(Game_ScanHeaderChunks({m_bytes.data(), m_bytes.size()}) &&
                 Game_LoadChunks(m_bytes.data(), m_bytes.size()));
    const std::string failure = Game_LoadFailure();
    EXPECT_NE(failure.find("chunk BGND: "), std::string::npos) << failure;
    EXPECT_NE(failure.find(c.says), std::string::npos) << failure;
    EXPECT_EQ(Background_Number(), 0);
  }
}

TEST_F(BackgroundTest, DuplicateOfATrimmedPageBackgroundOwnsItsPixelsInPlace) {
  // Source rectangle (2, 1) 4 x 3 of the page, trimmed to (1, 2) of a 7 x 6 image.
  const std::vector<TexturePageEntry> tpag = {{2, 1, 4, 3, 1, 2, 4, 3, 7, 6, 0}};
  ASSERT_TRUE(Load({{0, container::png_page(8, 8, RGBA(8, 8, PagePixel))}}, tpag, {Entry("page", 0)}))
      << Game_LoadFailure();
  const int32_t copy = Background_Duplicate(0);
  ASSERT_EQ(copy, 1);
  EXPECT_STREQ(Background_Name(copy), "__newbackground1");
  const CBackground* b = Background_Data(copy);
  EXPECT_EQ(b->GetPageEntry(), nullptr);
  EXPECT_GE(b->GetSlot(), 0);
  EXPECT_EQ(b->GetTexture(), b->GetSlot());
  EXPECT_EQ(b->GetWidth(), 7);
  EXPECT_EQ(b->GetHeight(), 6);
  ASSERT_NE(b->GetBitmap(), nullptr);
  ASSERT_EQ(b->GetBitmap()->GetWidth(), 7);
  ASSERT_EQ(b->GetBitmap()->GetHeight(), 6);
  const uint32_t* px = b->GetBitmap()->Pixels();
  for (int32_t y = 0; y < 6; ++y) {
    for (int32_t x = 0; x < 7; ++x) {
      const bool inside = x >= 1 && x < 5 && y >= 2 && y < 5;
      const uint32_t expected = inside ? PagePixel(x - 1 + 2, y - 2 + 1) : 0u;
      EXPECT_EQ(px[y * 7 + x], expected) << x << "," << y;
    }
  }
  EXPECT_NE(Background_Data(0)->GetPageEntry(), nullptr) << "the source keeps its entry";
  EXPECT_EQ(Background_Duplicate(5), -1);
}

TEST_F(BackgroundTest, AssignChecksBothIndicesAndFillsAnEmptyDestination) {
  const std::vector<TexturePageEntry> tpag = {{0, 0, 8, 8, 0, 0, 8, 8, 8, 8, 0}};
  ASSERT_TRUE(Load({{0, PNG(8, 8)}}, tpag, {Entry("a", 0), std::nullopt, Entry("c", 0)})) << Game_LoadFailure();
  EXPECT_FALSE(Background_Assign(5, 2)) << "destination out of range";
  EXPECT_FALSE(Background_Assign(0, 1)) << "empty source";
  EXPECT_FALSE(Background_Assign(0, 3));
  EXPECT_EQ(Background_Number(), 3);
  EXPECT_FALSE(Background_Exists(1));
  ASSERT_TRUE(Background_Assign(1, 2));
  EXPECT_EQ(Background_GetWidth(1), 8);
  EXPECT_EQ(Background_Data(1)->GetPageEntry(), Background_Data(2)->GetPageEntry());
  // A copy of an own image has pixels of its own.
  const int32_t red = Background_AddEmpty();
  Background_Data(red)->CreateColour(3, 2, 0x0000FF, false);
  ASSERT_TRUE(Background_Assign(0, red));
  const CBackground* a = Background_Data(0);
  ASSERT_NE(a->GetBitmap(), nullptr);
  EXPECT_NE(a->GetBitmap(), Background_Data(red)->GetBitmap());
  EXPECT_NE(a->GetSlot(), Background_Data(red)->GetSlot());
  EXPECT_EQ(a->GetPageEntry(), nullptr);
  EXPECT_EQ(a->GetBitmap()->Pixels()[5], 0xFFFF0000u);
}

TEST_F(BackgroundTest, FilesAddReplaceAndFailToDecode) {
  WriteFile("small.png", PNG(6, 5));
  WriteFile("broken.png", {0x89, 'P', 'N', 'G', 1, 2, 3});
  EXPECT_EQ(Background_Add(nullptr, false, false, false), -1);
  EXPECT_EQ(Background_Add("missing.png", false, false, false), -1);
  EXPECT_EQ(Background_Number(), 0);
  const int32_t small = Background_Add("small.png", false, true, true);
  ASSERT_EQ(small, 0);
  EXPECT_STREQ(Background_Name(small), "__newbackground0");
  EXPECT_EQ(Background_GetWidth(small), 6);
  EXPECT_EQ(Background_GetHeight(small), 5);
  EXPECT_TRUE(Background_Data(small)->GetSmooth());
  EXPECT_GE(Background_Data(small)->GetSlot(), 0);

  const int32_t broken = Background_Add("broken.png", false, false, false);
  EXPECT_EQ(broken, 1) << "an undecodable file still gets its index";
  EXPECT_EQ(Background_GetWidth(broken), 0);
  EXPECT_EQ(Background_Data(broken)->GetBitmap(), nullptr);
  EXPECT_NE(Console().find("Failed to decode background data in "), std::string::npos);
  EXPECT_NE(Console().find("broken.png\n"), std::string::npos);

  EXPECT_FALSE(Background_Replace(7, "small.png", false, false, false));
  EXPECT_FALSE(Background_Replace(broken, "missing.png", false, false, false));
  ASSERT_TRUE(Background_Delete(broken));
  EXPECT_TRUE(Background_Replace(broken, "small.png", false, false, false)) << "an empty index is refilled";
  EXPECT_EQ(Background_GetWidth(broken), 6);
  EXPECT_EQ(Background_AddAlpha("missing.png", false), -1);
  EXPECT_FALSE(Background_ReplaceAlpha(9, "small.png", false));
}

TEST_F(BackgroundTest, AddAlphaKeepsOpaquePixelsOfTheBottomLeftColour) {
  // The bottom-left pixel's colour also stands at (0, 0); (1, 0) is half transparent.
  WriteFile("alpha.png", container::png_page(2, 2, RGBA(2, 2, [](int32_t x, int32_t y) -> uint32_t {
                                               if (x == 1 && y == 0) return 0x80FFFFFFu;
                                               return (x == 0) ? 0xFF00FF00u : 0xFF0000FFu;
                                             })));
  const int32_t i = Background_AddAlpha("alpha.png", false);
  ASSERT_GE(i, 0);
  const CBackground* b = Background_Data(i);
  EXPECT_TRUE(b->GetTransparent()) << "the flag is stored";
  const uint32_t* px = b->GetBitmap()->Pixels();
  EXPECT_EQ(px[0], 0xFF00FF00u);
  EXPECT_EQ(px[2], 0xFF00FF00u) << "the bottom-left pixel stays";
  EXPECT_EQ(px[1] >> 24, 0x80u) << "alpha kept";
  // Without keeping alpha, the transparent flag clears the bottom-left colour.
  const int32_t j = Background_Add("alpha.png", true, false, false);
  EXPECT_EQ(Background_Data(j)->GetBitmap()->Pixels()[0] >> 24, 0u);
  ASSERT_TRUE(Background_ReplaceAlpha(j, "alpha.png", false));
  EXPECT_EQ(Background_Data(j)->GetBitmap()->Pixels()[0], 0xFF00FF00u);
}

TEST_F(BackgroundTest, OversizedImagesBecomeRedAtTheLimit) {
  ASSERT_EQ(Texture_MaxSize(), 8192);
  std::vector<uint32_t> pixels(9000u * 100u, 0xFF00FF00u);
  CBackground b;
  ASSERT_TRUE(b.CreateFromPixels(pixels.data(), 9000, 100, false, false, false, true));
  EXPECT_EQ(b.GetWidth(), 8192);
  EXPECT_EQ(b.GetHeight(), 100);
  ASSERT_NE(b.GetBitmap(), nullptr);
  ASSERT_EQ(b.GetBitmap()->GetWidth(), 8192);
  const uint32_t* px = b.GetBitmap()->Pixels();
  size_t wrong = 0;
  for (size_t k = 0; k < 8192u * 100u; ++k) wrong += px[k] != 0xFFFF0000u ? 1 : 0;
  EXPECT_EQ(wrong, 0u);
  EXPECT_NE(Console().find("Error creating background: image width or height exceeds maximum texture size of 8192\n"),
            std::string::npos);
}

TEST_F(BackgroundTest, DownloadsGiveTheIndexAtOnceAndFillItWhenDone) {
  const char* urls[] = {"http://127.0.0.1/good.png", "https://127.0.0.1/junk", "http://127.0.0.1/missing.png",
                        "http://127.0.0.1/empty"};
  const int32_t good = Background_Add(urls[0], false, false, false);
  const int32_t junk = Background_Add(urls[1], false, false, false);
  const int32_t missing = Background_Add(urls[2], false, false, false);
  const int32_t empty = Background_AddEmpty();
  EXPECT_FALSE(Background_Replace(empty, urls[3], true, false, false)) << "a download answers false";
  EXPECT_EQ(good, 0);
  EXPECT_EQ(missing, 2);
  EXPECT_TRUE(Background_Exists(good));
  EXPECT_EQ(Background_GetWidth(good), 0) << "empty until the download completes";

  const std::vector<uint8_t> bodies[] = {PNG(5, 4), {1, 2, 3}, PNG(2, 2), {}};
  const int32_t statuses[] = {200, 200, 404, 200};
  for (int i = 0; i < 4; ++i) {
    HTTP_REQ_CONTEXT* r = HTTP_FindPendingGet(urls[i]);
    ASSERT_NE(r, nullptr) << urls[i];
    HTTP_FinishGet(r, statuses[i], bodies[i]);
  }
  g_fired.clear();
  Async_ProcessQueue(RecordEvent);
  EXPECT_EQ(Background_GetWidth(good), 5);
  EXPECT_EQ(Background_GetHeight(good), 4);
  EXPECT_EQ(Background_GetWidth(junk), 0);
  EXPECT_EQ(Background_GetWidth(missing), 0) << "not 200: not decoded";
  EXPECT_NE(Console().find("Failed to decode background data in https://127.0.0.1/junk\n"), std::string::npos);
  EXPECT_EQ(Console().find("missing.png"), std::string::npos);

  ASSERT_EQ(g_fired.size(), 4u);
  for (const async_test::MapEvent& e : g_fired) {
    EXPECT_EQ(e.eventNumber, 60);
    ASSERT_EQ(e.entries.size(), 4u);
    const auto i = static_cast<size_t>(e.Find("id")->real);
    ASSERT_LT(i, 4u);
    EXPECT_EQ(e.Find("filename")->text, urls[i]);
    EXPECT_EQ(e.Find("http_status")->real, statuses[i]);
    EXPECT_EQ(e.Find("status")->real, bodies[i].empty() ? -1 : 0);
  }
}

TEST_F(BackgroundTest, ColoursGradientsAndSetAlpha) {
  CBackground colour;
  colour.CreateColour(4, 3, 0x00FF00, true);
  EXPECT_EQ(colour.GetWidth(), 4);
  EXPECT_TRUE(colour.GetPreload());
  EXPECT_FALSE(colour.GetTransparent());
  ASSERT_NE(colour.GetBitmap(), nullptr);
  EXPECT_EQ(colour.GetBitmap()->Pixels()[11], 0xFF00FF00u);
  EXPECT_GE(colour.GetSlot(), 0);

  CBackground gradient;
  gradient.CreateGradient(3, 1, 0x000000, 0xFFFFFF, kGradientHorizontal, false);
  ASSERT_NE(gradient.GetBitmap(), nullptr);
  const uint32_t* g = gradient.GetBitmap()->Pixels();
  EXPECT_EQ(g[0], 0xFF000000u);
  EXPECT_LT(g[0] & 0xFF, g[1] & 0xFF);
  EXPECT_LT(g[1] & 0xFF, g[2] & 0xFF);
  EXPECT_EQ(g[2] >> 24, 0xFFu);

  // Black alpha source: the colour's pixels become transparent over the part both cover.
  CBackground black;
  black.CreateColour(2, 2, 0x000000, false);
  colour.SetAlphaFrom(black);
  EXPECT_EQ(colour.GetBitmap()->Pixels()[0] >> 24, 0u);
  EXPECT_EQ(colour.GetBitmap()->Pixels()[3] >> 24, 0xFFu) << "outside the source";
  EXPECT_GE(colour.GetSlot(), 0);

  CBackground none;
  colour.SetAlphaFrom(none);
  EXPECT_NE(Console().find("Both bitmaps need to be duplicated first\n"), std::string::npos);
}

TEST_F(BackgroundTest, EachDrawCallUsesItsEmitter) {
  const std::vector<TexturePageEntry> tpag = {{0, 0, 8, 4, 0, 0, 8, 4, 8, 4, 0}};
  ASSERT_TRUE(Load({{0, PNG(16, 16)}}, tpag, {Entry("page", 0)})) << Game_LoadFailure();
  const CBackground* page = Background_Data(0);
  CBackground own;
  own.CreateColour(8, 4, 0xFFFFFF, false);
  s_log->Clear();
  for (const CBackground* b : {page, static_cast<const CBackground*>(&own)}) {
    SCOPED_TRACE(b == page ? "page" : "own");
    ASSERT_TRUE(b->Draw(10, 20));
    std::vector<QV> v = Drawn();
    ASSERT_EQ(v.size(), 6u);
    EXPECT_EQ(Bounds(v), (Box{10, 20, 18, 24}));

    ASSERT_TRUE(b->DrawExt(0, 0, 2, 3, 90, 0x0000FF, 0.5f));
    v = Drawn();
    ASSERT_EQ(v.size(), 6u);
    // A positive angle turns anticlockwise on screen: the top edge goes up from the origin.
    EXPECT_NEAR(v[1].x, 0, 1e-4);
    EXPECT_NEAR(v[1].y, -16, 1e-4);
    EXPECT_EQ(v[0].colour, GR_ColourToARGB(0x0000FF, 0.5f));

    ASSERT_TRUE(b->DrawStretched(1, 2, 16, 2, 0xFFFFFF, 1));
    v = Drawn();
    ASSERT_EQ(v.size(), 6u);
    EXPECT_EQ(Bounds(v), (Box{1, 2, 17, 4}));
    EXPECT_FALSE(b->DrawStretched(1, 2, 0, 2, 0xFFFFFF, 1));
    EXPECT_FALSE(b->DrawStretched(1, 2, 4, -1, 0xFFFFFF, 1));

    ASSERT_TRUE(b->DrawPart(2, 1, 4, 2, 5, 5, 2, 1, 0xFFFFFF, 1));
    v = Drawn();
    ASSERT_EQ(v.size(), 6u);
    EXPECT_EQ(Bounds(v), (Box{5, 5, 13, 7}));
    EXPECT_FLOAT_EQ(v[0].y, 5.0f) << "not turned";
    EXPECT_FLOAT_EQ(v[1].y, 5.0f);

    ASSERT_TRUE(b->DrawGeneral(0, 0, 8, 4, 0, 0, 1, 1, 0, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF, 1));
    v = Drawn();
    ASSERT_EQ(v.size(), 6u);
    EXPECT_EQ(v[0].colour, 0xFFFF0000u) << "the first corner's colour";
    EXPECT_EQ(Bounds(v), (Box{0, 0, 8, 4}));

    // One row of 8-wide tiles across the 640-wide view, not repeated downwards.
    ASSERT_TRUE(b->DrawTiled(0, 100, 1, 1, true, false, 0, 0, 640, 480, 0xFFFFFF, 1));
    v = Drawn();
    ASSERT_GE(v.size(), 4u * 80u);
    const Box row = Bounds(v);
    EXPECT_LE(row.left, 0);
    EXPECT_GE(row.right, 640);
    EXPECT_EQ(row.top, 100);
    EXPECT_EQ(row.bottom, 104);
  }
  // A stretched background whose own width is 0 draws nothing.
  CBackground empty;
  EXPECT_FALSE(empty.DrawStretched(0, 0, 10, 10, 0xFFFFFF, 1));
  EXPECT_FALSE(empty.Draw(0, 0)) << "no slot: nothing drawn";
  EXPECT_TRUE(Drawn().empty());
}

}  // namespace
