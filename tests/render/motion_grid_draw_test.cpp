// A motion grid drawn on the recording device: one filled rectangle a cell, column by column, red
// where forbidden and green where free, in the draw alpha.
#include "render/render_fixture.h"

#include "render/motion_grid_draw.h"
#include "world/lifecycle.h"
#include "world/motion_grid.h"

namespace render_test {
namespace {

class MotionGridDrawTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    InitScene();
  }
  void TearDown() override {
    Grid_Shutdown();
    RenderTest::TearDown();
  }
  // Every vertex sent since the last call, in order, with the kind of each draw.
  std::vector<Vertex> Drawn(std::vector<D3DPRIMITIVETYPE>* types) {
    GraphicsFlush();
    std::vector<Vertex> out;
    for (const D3D9RecordedDraw& draw : Draws()) {
      types->push_back(draw.type);
      const std::vector<Vertex> vertices = VerticesOf(draw);
      out.insert(out.end(), vertices.begin(), vertices.end());
    }
    s_log->Clear();
    return out;
  }
};

TEST_F(MotionGridDrawTest, CellsAreFilledRectanglesColumnByColumnInTheirColours) {
  // 3 x 2 cells of 10 x 8 at (5, 4); (1, 0) and (2, 1) forbidden.
  const int32_t id = MPGrid_Create(5, 4, 3, 2, 10, 8);
  MPGrid_AddCell(id, 1, 0);
  MPGrid_AddCell(id, 2, 1);
  GR_SetAlpha(0.5f);
  GR_SetColour(0xFFFFFF);
  MPGrid_Draw(id);

  std::vector<D3DPRIMITIVETYPE> types;
  const std::vector<Vertex> v = Drawn(&types);
  ASSERT_FALSE(types.empty());
  for (D3DPRIMITIVETYPE t : types) EXPECT_EQ(t, D3DPT_TRIANGLEFAN) << "filled, not outlined";
  // A filled rectangle is a fan of five corners from its top left; the primitive puts the far
  // corner (the next cell's near one) past the whole pixel.
  ASSERT_EQ(v.size(), 6u * 5u);
  const struct {
    int32_t i, j;
    uint32_t colour;  // as the device takes it: alpha, red, green, blue
  } cells[] = {{0, 0, 0x7F008000u}, {0, 1, 0x7F008000u}, {1, 0, 0x7FFF0000u},
               {1, 1, 0x7F008000u}, {2, 0, 0x7F008000u}, {2, 1, 0x7FFF0000u}};
  for (size_t k = 0; k < 6; ++k) {
    const float x1 = 5.0f + 10.0f * static_cast<float>(cells[k].i);
    const float y1 = 4.0f + 8.0f * static_cast<float>(cells[k].j);
    const Vertex* corner = &v[k * 5];
    EXPECT_FLOAT_EQ(corner[0].x, x1) << "cell " << k;
    EXPECT_FLOAT_EQ(corner[0].y, y1) << "cell " << k;
    EXPECT_FLOAT_EQ(corner[2].x, x1 + 10.0f + 1.01f) << "cell " << k;
    EXPECT_FLOAT_EQ(corner[2].y, y1 + 8.0f + 1.01f) << "cell " << k;
    for (int c = 0; c < 5; ++c) EXPECT_EQ(corner[c].colour, cells[k].colour) << "cell " << k << " corner " << c;
  }
  EXPECT_EQ(g_GR_Draw.colour, 0x7FFFFFFFu) << "the draw colour is left as it was";
}

TEST_F(MotionGridDrawTest, AnUnknownGridOrOneWithoutCellsDrawsNothing) {
  MPGrid_Draw(0);
  MPGrid_Draw(-1);
  const int32_t empty = MPGrid_Create(0, 0, 0, 5, 10, 10);
  MPGrid_Draw(empty);
  std::vector<D3DPRIMITIVETYPE> types;
  EXPECT_TRUE(Drawn(&types).empty());
}

}  // namespace
}  // namespace render_test
