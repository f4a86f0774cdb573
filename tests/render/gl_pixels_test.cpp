// Pixels the OpenGL device writes where the renderer relies on Direct3D's rules: the top-left
// fill rule at whole and half-pixel positions, and the scissor rectangle under its render state.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9_test_util.h"

namespace {

constexpr UINT kSide = 8;

class GLPixelsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureOffscreenVideo();
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr) << Direct3D9_LastError();
    D3DPRESENT_PARAMETERS pp = WindowedPresentParams(kSide, kSide);
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x42, &pp, &device), D3D_OK);
    ASSERT_EQ(device->CreateRenderTarget(kSide, kSide, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &target, nullptr),
              D3D_OK);
    device->SetRenderTarget(0, target);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    // Pixel coordinates with pixel centres on whole numbers, y down.
    D3DMATRIX projection{};
    projection.m[0][0] = 2.0f / kSide;
    projection.m[1][1] = -2.0f / kSide;
    projection.m[2][2] = 1.0f;
    projection.m[3][0] = -1.0f;
    projection.m[3][1] = 1.0f;
    projection.m[3][3] = 1.0f;
    device->SetTransform(D3DTS_PROJECTION, &projection);
  }
  void TearDown() override {
    if (target) target->Release();
    if (device) device->Release();
    if (d3d) d3d->Release();
  }

  void Quad(float l, float t, float r, float b) {
    struct V {
      float x, y, z;
      D3DCOLOR c;
    };
    const D3DCOLOR c = 0xFFFFFFFFu;
    const V v[6] = {{l, t, 0, c}, {r, t, 0, c}, {l, b, 0, c}, {l, b, 0, c}, {r, t, 0, c}, {r, b, 0, c}};
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(V)), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
  }

  // The covered pixels as rows of '#' and '.'.
  std::vector<std::string> Covered() {
    std::vector<std::string> rows;
    D3DLOCKED_RECT locked{};
    if (target->LockRect(&locked, nullptr, D3DLOCK_READONLY) != D3D_OK) return rows;
    for (UINT y = 0; y < kSide; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch);
      std::string text;
      for (UINT x = 0; x < kSide; ++x) text += (row[x] & 0xFF) > 0x80 ? '#' : '.';
      rows.push_back(text);
    }
    target->UnlockRect();
    return rows;
  }

  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  IDirect3DSurface9* target = nullptr;
};

TEST_F(GLPixelsTest, TopLeftRuleAtWholeAndHalfPixelEdges) {
  struct Case {
    float l, t, r, b;
    std::vector<std::string> covered;
  };
  // A pixel is covered when its centre is inside; a centre on a left or top edge is inside, one
  // on a right or bottom edge is not.
  const std::vector<std::string> twoByTwo = {"........", ".##.....", ".##.....", "........",
                                             "........", "........", "........", "........"};
  const Case cases[] = {
      {1.0f, 1.0f, 3.0f, 3.0f, twoByTwo},
      {0.5f, 0.5f, 2.5f, 2.5f, twoByTwo},
      {0.51f, 0.51f, 2.51f, 2.51f, twoByTwo},
      {1.5f, 1.5f, 2.5f, 2.5f, {"........", "........", "..#.....", "........", "........", "........", "........",
                                 "........"}},
  };
  for (const Case& c : cases) {
    Quad(c.l, c.t, c.r, c.b);
    EXPECT_EQ(Covered(), c.covered) << c.l << ", " << c.t << " - " << c.r << ", " << c.b;
  }
}

TEST_F(GLPixelsTest, ScissorRectangleConfinesDrawingOnlyWhileItsStateIsOn) {
  const RECT rect{2, 3, 5, 4};
  ASSERT_EQ(device->SetScissorRect(&rect), D3D_OK);
  RECT back{};
  ASSERT_EQ(device->GetScissorRect(&back), D3D_OK);
  EXPECT_EQ(back.right, 5);
  device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
  Quad(-4.0f, -4.0f, 12.0f, 12.0f);  // crosses every edge
  EXPECT_EQ(Covered(), (std::vector<std::string>{"........", "........", "........", "..###...", "........",
                                                 "........", "........", "........"}));
  device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
  Quad(-4.0f, -4.0f, 12.0f, 12.0f);
  EXPECT_EQ(Covered(), std::vector<std::string>(kSide, "########"));
  // Setting a target makes the rectangle the whole target again.
  device->SetRenderTarget(0, target);
  ASSERT_EQ(device->GetScissorRect(&back), D3D_OK);
  EXPECT_EQ(back.right, static_cast<LONG>(kSide));
  EXPECT_EQ(back.bottom, static_cast<LONG>(kSide));
}

TEST_F(GLPixelsTest, AFlatShadedLineHasItsFirstColourUpToItsLastPixel) {
  struct V {
    float x, y, z;
    D3DCOLOR c;
  };
  const V line[2] = {{1, 2, 0, 0xFFFF0000u}, {5, 2, 0, 0xFF0000FFu}};
  for (const DWORD shade : {DWORD{D3DSHADE_FLAT}, DWORD{D3DSHADE_GOURAUD}}) {
    SCOPED_TRACE(shade);
    device->SetRenderState(D3DRS_SHADEMODE, shade);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    for (const D3DPRIMITIVETYPE type : {D3DPT_LINELIST, D3DPT_LINESTRIP}) {
      ASSERT_EQ(device->DrawPrimitiveUP(type, 1, line, sizeof(V)), D3D_OK);
    }
    ASSERT_EQ(device->EndScene(), D3D_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(target->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) + 2 * locked.Pitch);
    const uint32_t first = row[1], last = row[5];
    target->UnlockRect();
    EXPECT_EQ(first, 0xFFFF0000u);
    EXPECT_EQ(last, shade == D3DSHADE_FLAT ? 0xFFFF0000u : 0xFF0000FFu);
  }
}

}  // namespace
