// The fixed-function pipeline of the OpenGL device, pixel by pixel under the offscreen driver.
// Every expected pixel comes from the pipeline's definition, computed by hand or by a small
// reference calculation here, and is compared with a tolerance of a few levels per channel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/gl_options.h"
#include "platform/d3d9_test_util.h"

namespace {

struct V16 {
  float x, y, z;
  D3DCOLOR c;
};
struct V24 {
  float x, y, z;
  D3DCOLOR c;
  float u, v;
};
struct V36 {
  float x, y, z, nx, ny, nz;
  D3DCOLOR c;
  float u, v;
};

constexpr DWORD kFVF16 = D3DFVF_XYZ | D3DFVF_DIFFUSE;                                 // 0x42
constexpr DWORD kFVF24 = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;                   // 0x142
constexpr DWORD kFVF36 = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;  // 0x152

D3DMATRIX Identity() {
  D3DMATRIX m{};
  for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
  return m;
}

D3DMATRIX Translation(float x, float y, float z) {
  D3DMATRIX m = Identity();
  m.m[3][0] = x;
  m.m[3][1] = y;
  m.m[3][2] = z;
  return m;
}

D3DMATRIX Scaling(float x, float y, float z) {
  D3DMATRIX m{};
  m.m[0][0] = x;
  m.m[1][1] = y;
  m.m[2][2] = z;
  m.m[3][3] = 1.0f;
  return m;
}

// Rotation about x in the row-vector convention (y goes towards z for positive angles).
D3DMATRIX RotationX(float degrees) {
  const float r = degrees * 3.14159265f / 180.0f, c = std::cos(r), s = std::sin(r);
  D3DMATRIX m = Identity();
  m.m[1][1] = c;
  m.m[1][2] = s;
  m.m[2][1] = -s;
  m.m[2][2] = c;
  return m;
}

// Screen pixels (x right, y down) to clip space, z passed through times zScale. With halfPixel
// the translation is corrected as the renderer does: x loses 1 / width, y gains 1 / height.
D3DMATRIX PixelProjection(float width, float height, bool halfPixel, float zScale = 1.0f) {
  D3DMATRIX m{};
  m.m[0][0] = 2.0f / width;
  m.m[1][1] = -2.0f / height;
  m.m[2][2] = zScale;
  m.m[3][0] = -1.0f;
  m.m[3][1] = 1.0f;
  m.m[3][3] = 1.0f;
  if (halfPixel) {
    m.m[3][0] -= 1.0f / width;
    m.m[3][1] += 1.0f / height;
  }
  return m;
}

DWORD D3D9_Bits(float f) {
  DWORD bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

int Channel(uint32_t c, int i) { return static_cast<int>((c >> (8 * i)) & 255); }

::testing::AssertionResult Near(uint32_t got, uint32_t want, int tolerance = 2) {
  for (int i = 0; i < 4; ++i) {
    if (std::abs(Channel(got, i) - Channel(want, i)) > tolerance) {
      char text[96];
      std::snprintf(text, sizeof text, "got 0x%08X, want 0x%08X", got, want);
      return ::testing::AssertionFailure() << text;
    }
  }
  return ::testing::AssertionSuccess();
}

// 0..1 channels to a packed colour, rounded.
uint32_t Pack(float a, float r, float g, float b) {
  auto q = [](float v) { return static_cast<uint32_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
  return (q(a) << 24) | (q(r) << 16) | (q(g) << 8) | q(b);
}

// Two clockwise triangles covering [l, r) x [t, b) in screen pixels.
template <typename V>
std::vector<V> Quad(float l, float t, float r, float b, V proto, float u0 = 0, float v0 = 0, float u1 = 1,
                    float v1 = 1) {
  auto at = [&](float x, float y, float u, float v) {
    V p = proto;
    p.x = x;
    p.y = y;
    if constexpr (sizeof(V) >= sizeof(V24)) {
      p.u = u;
      p.v = v;
    }
    return p;
  };
  V a = at(l, t, u0, v0), b2 = at(r, t, u1, v0), c = at(l, b, u0, v1), d = at(r, b, u1, v1);
  return {a, b2, c, c, b2, d};
}

class FixedFunctionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    EnsureOffscreenVideo();
    s_d3d = Direct3DCreate9(D3D_SDK_VERSION);
  }
  static void TearDownTestSuite() {
    if (s_d3d) s_d3d->Release();
    s_d3d = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(s_d3d, nullptr) << Direct3D9_LastError();
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = 32;
    pp.BackBufferHeight = 32;
    pp.BackBufferFormat = D3DFMT_A8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_COPY;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    ASSERT_EQ(s_d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x42, &pp, &device), D3D_OK);
    UseTarget(16, 16);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    // The runner's two-dimensional defaults: no lighting, no culling, no depth test.
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    // Its stage 0: texture times diffuse for colour and alpha.
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetFVF(kFVF24);
  }
  void TearDown() override {
    if (device == nullptr) return;
    device->EndScene();
    if (target) target->Release();
    if (depth) depth->Release();
    EXPECT_EQ(device->Release(), 0u);
  }

  // A lockable colour target with a depth-stencil surface of the same size, both bound.
  void UseTarget(UINT width, UINT height) {
    if (target) target->Release();
    if (depth) depth->Release();
    ASSERT_EQ(device->CreateRenderTarget(width, height, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &target, nullptr),
              D3D_OK);
    ASSERT_EQ(device->CreateDepthStencilSurface(width, height, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE, &depth,
                                                nullptr),
              D3D_OK);
    ASSERT_EQ(device->SetRenderTarget(0, target), D3D_OK);
    ASSERT_EQ(device->SetDepthStencilSurface(depth), D3D_OK);
    width_ = width;
    height_ = height;
    SetProjection(PixelProjection(static_cast<float>(width), static_cast<float>(height), true));
  }
  void SetProjection(const D3DMATRIX& m) { ASSERT_EQ(device->SetTransform(D3DTS_PROJECTION, &m), D3D_OK); }
  void ClearTo(D3DCOLOR colour, float z = 1.0f, DWORD stencil = 0) {
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, colour, z, stencil),
              D3D_OK);
  }
  template <typename V>
  void Draw(D3DPRIMITIVETYPE type, const std::vector<V>& vertices, UINT primitives = 0) {
    if (primitives == 0) {
      const UINT n = static_cast<UINT>(vertices.size());
      primitives = type == D3DPT_POINTLIST       ? n
                   : type == D3DPT_LINELIST      ? n / 2
                   : type == D3DPT_LINESTRIP     ? n - 1
                   : type == D3DPT_TRIANGLELIST  ? n / 3
                                                 : n - 2;
    }
    ASSERT_EQ(device->DrawPrimitiveUP(type, primitives, vertices.data(), sizeof(V)), D3D_OK);
  }
  std::vector<uint32_t> Pixels() { return LockPixels(target); }
  uint32_t PixelAt(UINT x, UINT y) { return Pixels()[y * width_ + x]; }

  IDirect3DTexture9* MakeTexture(UINT width, UINT height, const std::vector<uint32_t>& argb,
                                 D3DFORMAT format = D3DFMT_A8R8G8B8) {
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(device->CreateTexture(width, height, 1, 0, format, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < height; ++y) {
      std::memcpy(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch, &argb[y * width], width * 4);
    }
    texture->UnlockRect(0);
    return texture;
  }

  static IDirect3D9* s_d3d;
  IDirect3DDevice9* device = nullptr;
  IDirect3DSurface9* target = nullptr;
  IDirect3DSurface9* depth = nullptr;
  UINT width_ = 0, height_ = 0;
};

IDirect3D9* FixedFunctionTest::s_d3d = nullptr;

// Texel (i, j) of the 8 x 8 test texture: every texel its own colour.
uint32_t Texel(int i, int j) {
  return 0xFF000000u | static_cast<uint32_t>(i * 32 + 16) << 16 | static_cast<uint32_t>(j * 32 + 16) << 8 | 0x80u;
}

TEST_F(FixedFunctionTest, TexturedQuadIsTexelExactWithTheHalfPixelCorrectionAndBlendsNeighboursWithout) {
  std::vector<uint32_t> texels;
  for (int j = 0; j < 8; ++j)
    for (int i = 0; i < 8; ++i) texels.push_back(Texel(i, j));
  IDirect3DTexture9* texture = MakeTexture(8, 8, texels);
  ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  const V24 white{0, 0, 0, 0xFFFFFFFF, 0, 0};

  // Corrected: the quad's texel centres land on pixel centres, linear filtering or not.
  ClearTo(0xFF000000);
  Draw(D3DPT_TRIANGLELIST, Quad(4, 4, 12, 12, white));
  std::vector<uint32_t> pixels = Pixels();
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool inside = x >= 4 && x < 12 && y >= 4 && y < 12;
      const uint32_t want = inside ? Texel(x - 4, y - 4) : 0xFF000000u;
      ASSERT_TRUE(Near(pixels[y * 16 + x], want, 1)) << x << "," << y;
    }
  }

  // Uncorrected: every pixel centre sits on a texel corner and takes the mean of four texels.
  SetProjection(PixelProjection(16, 16, false));
  ClearTo(0xFF000000);
  Draw(D3DPT_TRIANGLELIST, Quad(4, 4, 12, 12, white));
  pixels = Pixels();
  for (int j = 1; j < 8; ++j) {
    for (int i = 1; i < 8; ++i) {
      uint32_t want = 0xFF000000u;
      for (int c = 0; c < 3; ++c) {
        const int sum = Channel(Texel(i - 1, j - 1), c) + Channel(Texel(i, j - 1), c) + Channel(Texel(i - 1, j), c) +
                        Channel(Texel(i, j), c);
        want |= static_cast<uint32_t>((sum + 2) / 4) << (8 * c);
      }
      ASSERT_TRUE(Near(pixels[(4 + j) * 16 + 4 + i], want)) << i << "," << j;
    }
  }
  device->SetTexture(0, nullptr);
  texture->Release();
}

// The blend factor of Direct3D 9's definition, for channel ch (0 red .. 3 alpha) of 0..1 colours.
float BlendFactorOf(DWORD f, const float* s, const float* d, const float* k, int ch) {
  switch (f) {
    case D3DBLEND_ONE: return 1.0f;
    case D3DBLEND_SRCCOLOR:
    case D3DBLEND_SRCCOLOR2: return s[ch];
    case D3DBLEND_INVSRCCOLOR:
    case D3DBLEND_INVSRCCOLOR2: return 1.0f - s[ch];
    case D3DBLEND_SRCALPHA:
    case D3DBLEND_BOTHSRCALPHA: return s[3];
    case D3DBLEND_INVSRCALPHA:
    case D3DBLEND_BOTHINVSRCALPHA: return 1.0f - s[3];
    case D3DBLEND_DESTALPHA: return d[3];
    case D3DBLEND_INVDESTALPHA: return 1.0f - d[3];
    case D3DBLEND_DESTCOLOR: return d[ch];
    case D3DBLEND_INVDESTCOLOR: return 1.0f - d[ch];
    case D3DBLEND_SRCALPHASAT: return ch == 3 ? 1.0f : std::min(s[3], 1.0f - d[3]);
    case D3DBLEND_BLENDFACTOR: return k[ch];
    case D3DBLEND_INVBLENDFACTOR: return 1.0f - k[ch];
    default: return 0.0f;
  }
}

void Unpack(uint32_t c, float* rgba) {
  rgba[0] = static_cast<float>(Channel(c, 2)) / 255.0f;
  rgba[1] = static_cast<float>(Channel(c, 1)) / 255.0f;
  rgba[2] = static_cast<float>(Channel(c, 0)) / 255.0f;
  rgba[3] = static_cast<float>(Channel(c, 3)) / 255.0f;
}

uint32_t Blend(DWORD src, DWORD dst, DWORD op, uint32_t source, uint32_t destination, uint32_t factor) {
  float s[4], d[4], k[4], out[4];
  Unpack(source, s);
  Unpack(destination, d);
  Unpack(factor, k);
  for (int ch = 0; ch < 4; ++ch) {
    float fs = BlendFactorOf(src, s, d, k, ch), fd = BlendFactorOf(dst, s, d, k, ch);
    // The "both" sources set the destination factor as well.
    if (src == D3DBLEND_BOTHSRCALPHA) fd = 1.0f - s[3];
    if (src == D3DBLEND_BOTHINVSRCALPHA) fd = s[3];
    const float a = s[ch] * fs, b = d[ch] * fd;
    switch (op) {
      case D3DBLENDOP_SUBTRACT: out[ch] = a - b; break;
      case D3DBLENDOP_REVSUBTRACT: out[ch] = b - a; break;
      case D3DBLENDOP_MIN: out[ch] = std::min(s[ch], d[ch]); break;
      case D3DBLENDOP_MAX: out[ch] = std::max(s[ch], d[ch]); break;
      default: out[ch] = a + b; break;
    }
  }
  return Pack(out[3], out[0], out[1], out[2]);
}

TEST_F(FixedFunctionTest, EveryBlendFactorPairMatchesTheBlendEquation) {
  constexpr uint32_t kSource = 0x99CC3366, kDestination = 0x402080E0, kFactor = 0x80C04010;
  constexpr DWORD kFactors = 17;
  UseTarget(kFactors, kFactors);
  ClearTo(kDestination);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_BLENDFACTOR, kFactor);
  device->SetFVF(kFVF16);
  // One pixel per pair: source factor across, destination factor down.
  for (DWORD src = 1; src <= kFactors; ++src) {
    for (DWORD dst = 1; dst <= kFactors; ++dst) {
      device->SetRenderState(D3DRS_SRCBLEND, src);
      device->SetRenderState(D3DRS_DESTBLEND, dst);
      Draw(D3DPT_TRIANGLELIST, Quad<V16>(static_cast<float>(src - 1), static_cast<float>(dst - 1),
                                         static_cast<float>(src), static_cast<float>(dst), V16{0, 0, 0, kSource}));
    }
  }
  std::vector<uint32_t> pixels = Pixels();
  for (DWORD src = 1; src <= kFactors; ++src) {
    for (DWORD dst = 1; dst <= kFactors; ++dst) {
      EXPECT_TRUE(Near(pixels[(dst - 1) * kFactors + src - 1], Blend(src, dst, D3DBLENDOP_ADD, kSource, kDestination, kFactor)))
          << "source " << src << ", destination " << dst;
    }
  }

  // The renderer's four modes under each blend operation, and separate alpha factors.
  struct Mode {
    DWORD src, dst;
  };
  const Mode modes[] = {{D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},
                        {D3DBLEND_SRCALPHA, D3DBLEND_ONE},
                        {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCCOLOR},
                        {D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR}};
  ClearTo(kDestination);
  for (DWORD op = D3DBLENDOP_ADD; op <= D3DBLENDOP_MAX; ++op) {
    for (DWORD m = 0; m < 4; ++m) {
      device->SetRenderState(D3DRS_BLENDOP, op);
      device->SetRenderState(D3DRS_SRCBLEND, modes[m].src);
      device->SetRenderState(D3DRS_DESTBLEND, modes[m].dst);
      Draw(D3DPT_TRIANGLELIST, Quad<V16>(static_cast<float>(m), static_cast<float>(op), static_cast<float>(m + 1),
                                         static_cast<float>(op + 1), V16{0, 0, 0, kSource}));
    }
  }
  device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
  device->SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetRenderState(D3DRS_SRCBLENDALPHA, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_DESTBLENDALPHA, D3DBLEND_ONE);
  Draw(D3DPT_TRIANGLELIST, Quad<V16>(8, 8, 9, 9, V16{0, 0, 0, kSource}));
  pixels = Pixels();
  for (DWORD op = D3DBLENDOP_ADD; op <= D3DBLENDOP_MAX; ++op) {
    for (DWORD m = 0; m < 4; ++m) {
      EXPECT_TRUE(Near(pixels[op * kFactors + m], Blend(modes[m].src, modes[m].dst, op, kSource, kDestination, kFactor)))
          << "operation " << op << ", mode " << m;
    }
  }
  const uint32_t colour = Blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, kSource, kDestination, 0);
  const uint32_t alpha = Blend(D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_ADD, kSource, kDestination, 0);
  EXPECT_TRUE(Near(pixels[8 * kFactors + 8], (alpha & 0xFF000000u) | (colour & 0x00FFFFFFu)));
}

TEST_F(FixedFunctionTest, AlphaTestComparesTheEightBitAlphaWithTheReference) {
  const DWORD alphas[] = {0x7F, 0x80, 0x81};
  UseTarget(9, 3);
  ClearTo(0x00000000);
  device->SetFVF(kFVF16);
  device->SetRenderState(D3DRS_ALPHAREF, 0x80);
  // Column 0 has the test off; columns 1-8 use the functions 1-8.
  for (DWORD func = 0; func <= 8; ++func) {
    device->SetRenderState(D3DRS_ALPHATESTENABLE, func != 0);
    if (func != 0) device->SetRenderState(D3DRS_ALPHAFUNC, func);
    for (DWORD i = 0; i < 3; ++i) {
      Draw(D3DPT_TRIANGLELIST, Quad<V16>(static_cast<float>(func), static_cast<float>(i), static_cast<float>(func + 1),
                                         static_cast<float>(i + 1), V16{0, 0, 0, alphas[i] << 24 | 0xFFFFFF}));
    }
  }
  auto passes = [](DWORD func, DWORD a, DWORD ref) {
    switch (func) {
      case 0: return true;
      case D3DCMP_NEVER: return false;
      case D3DCMP_LESS: return a < ref;
      case D3DCMP_EQUAL: return a == ref;
      case D3DCMP_LESSEQUAL: return a <= ref;
      case D3DCMP_GREATER: return a > ref;
      case D3DCMP_NOTEQUAL: return a != ref;
      case D3DCMP_GREATEREQUAL: return a >= ref;
      default: return true;
    }
  };
  const std::vector<uint32_t> pixels = Pixels();
  for (DWORD func = 0; func <= 8; ++func) {
    for (DWORD i = 0; i < 3; ++i) {
      const uint32_t want = passes(func, alphas[i], 0x80) ? (alphas[i] << 24 | 0xFFFFFF) : 0u;
      EXPECT_EQ(pixels[i * 9 + func], want) << "function " << func << ", alpha " << alphas[i];
    }
  }
}

TEST_F(FixedFunctionTest, FlatShadingTakesTheFirstVertexAndGouraudInterpolates) {
  device->SetFVF(kFVF16);
  SetProjection(PixelProjection(16, 16, false));  // pixel centres on whole coordinates
  // One triangle, red at (0, 0), green at (16, 0), blue at (0, 16); then a second one whose
  // first vertex is green, covering the other half.
  const std::vector<V16> triangles = {{0, 0, 0, 0xFFFF0000}, {16, 0, 0, 0xFF00FF00}, {0, 16, 0, 0xFF0000FF},
                                      {16, 0, 0, 0xFF00FF00}, {16, 16, 0, 0xFFFF0000}, {0, 16, 0, 0xFF0000FF}};
  struct Sample {
    int x, y;
  };
  const Sample inFirst[] = {{2, 3}, {5, 5}, {10, 2}, {1, 12}};
  const Sample inSecond[] = {{14, 14}, {9, 12}};

  ClearTo(0xFF000000);
  Draw(D3DPT_TRIANGLELIST, triangles);
  std::vector<uint32_t> pixels = Pixels();
  for (const Sample& p : inFirst) {
    const float gx = static_cast<float>(p.x) / 16.0f, gy = static_cast<float>(p.y) / 16.0f;
    EXPECT_TRUE(Near(pixels[p.y * 16 + p.x], Pack(1.0f, 1.0f - gx - gy, gx, gy))) << p.x << "," << p.y;
  }

  device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
  ClearTo(0xFF000000);
  Draw(D3DPT_TRIANGLELIST, triangles);
  pixels = Pixels();
  for (const Sample& p : inFirst) EXPECT_EQ(pixels[p.y * 16 + p.x], 0xFFFF0000u) << p.x << "," << p.y;
  for (const Sample& p : inSecond) EXPECT_EQ(pixels[p.y * 16 + p.x], 0xFF00FF00u) << p.x << "," << p.y;
}

TEST_F(FixedFunctionTest, ColourWriteMaskKeepsTheMaskedChannels) {
  constexpr uint32_t kOld = 0x11223344, kNew = 0xAABBCCDD;
  UseTarget(16, 1);
  ClearTo(kOld);
  device->SetFVF(kFVF16);
  for (DWORD mask = 0; mask < 16; ++mask) {
    device->SetRenderState(D3DRS_COLORWRITEENABLE, mask);
    Draw(D3DPT_TRIANGLELIST, Quad<V16>(static_cast<float>(mask), 0, static_cast<float>(mask + 1), 1, V16{0, 0, 0, kNew}));
  }
  const std::vector<uint32_t> pixels = Pixels();
  for (DWORD mask = 0; mask < 16; ++mask) {
    // Bits 1 red, 2 green, 4 blue, 8 alpha; bytes are blue, green, red, alpha from the bottom.
    const uint32_t bytes = ((mask & 4) ? 0xFFu : 0) | ((mask & 2) ? 0xFF00u : 0) | ((mask & 1) ? 0xFF0000u : 0) |
                           ((mask & 8) ? 0xFF000000u : 0);
    EXPECT_EQ(pixels[mask], (kNew & bytes) | (kOld & ~bytes)) << "mask " << mask;
  }
}

// A projection with w = eye z (near 1, far 100) under which the square (+-z, +-z) at depth z
// fills the target.
D3DMATRIX PerspectiveProjection() {
  D3DMATRIX m{};
  const float nearZ = 1.0f, farZ = 100.0f;
  m.m[0][0] = 1.0f;
  m.m[1][1] = 1.0f;
  m.m[2][2] = farZ / (farZ - nearZ);
  m.m[2][3] = 1.0f;
  m.m[3][2] = -nearZ * farZ / (farZ - nearZ);
  return m;
}

float FogOf(DWORD mode, float d, float start, float end, float density) {
  float f;
  switch (mode) {
    case D3DFOG_EXP: f = std::exp(-d * density); break;
    case D3DFOG_EXP2: f = std::exp(-(d * density) * (d * density)); break;
    default: f = (end - d) / (end - start); break;
  }
  return std::clamp(f, 0.0f, 1.0f);
}

TEST_F(FixedFunctionTest, FogFollowsItsModeAtEachDepthAndTableFogWins) {
  constexpr D3DCOLOR kFog = 0xFF204060;
  const float start = 0.2f, end = 0.8f, density = 2.0f;
  device->SetFVF(kFVF16);
  device->SetRenderState(D3DRS_FOGENABLE, TRUE);
  device->SetRenderState(D3DRS_FOGCOLOR, kFog);
  device->SetRenderState(D3DRS_FOGSTART, D3D9_Bits(start));
  device->SetRenderState(D3DRS_FOGEND, D3D9_Bits(end));
  device->SetRenderState(D3DRS_FOGDENSITY, D3D9_Bits(density));
  auto fogged = [&](float f) {
    return Pack(1.0f, f + (1 - f) * 0x20 / 255.0f, f + (1 - f) * 0x40 / 255.0f, f + (1 - f) * 0x60 / 255.0f);
  };
  struct Case {
    const char* name;
    DWORD table, vertex;
    float zScale;  // projected depth = zScale x eye depth
    float distanceScale;  // the distance the winning mode reads, per unit of eye depth
  };
  const Case cases[] = {
      {"table linear", D3DFOG_LINEAR, D3DFOG_NONE, 1.0f, 1.0f},
      {"table exp", D3DFOG_EXP, D3DFOG_NONE, 1.0f, 1.0f},
      {"table exp2", D3DFOG_EXP2, D3DFOG_NONE, 1.0f, 1.0f},
      {"vertex linear", D3DFOG_NONE, D3DFOG_LINEAR, 1.0f, 1.0f},
      {"vertex exp", D3DFOG_NONE, D3DFOG_EXP, 1.0f, 1.0f},
      {"vertex exp2", D3DFOG_NONE, D3DFOG_EXP2, 1.0f, 1.0f},
      // Orthographic table fog reads the projected depth, vertex fog the eye depth.
      {"table over vertex", D3DFOG_LINEAR, D3DFOG_LINEAR, 0.5f, 0.5f},
      {"vertex, halved projection", D3DFOG_NONE, D3DFOG_LINEAR, 0.5f, 1.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    device->SetRenderState(D3DRS_FOGTABLEMODE, c.table);
    device->SetRenderState(D3DRS_FOGVERTEXMODE, c.vertex);
    SetProjection(PixelProjection(16, 16, true, c.zScale));
    for (float z : {0.1f, 0.5f, 0.9f}) {
      ClearTo(0xFF000000);
      Draw(D3DPT_TRIANGLELIST, Quad<V16>(0, 0, 16, 16, V16{0, 0, z, 0xFFFFFFFF}));
      const DWORD mode = c.table != D3DFOG_NONE ? c.table : c.vertex;
      EXPECT_TRUE(Near(PixelAt(7, 9), fogged(FogOf(mode, z * c.distanceScale, start, end, density)))) << "depth " << z;
    }
  }

  // Under a perspective projection table fog reads eye depth; range fog reads eye distance.
  device->SetRenderState(D3DRS_FOGSTART, D3D9_Bits(1.0f));
  device->SetRenderState(D3DRS_FOGEND, D3D9_Bits(11.0f));
  SetProjection(PerspectiveProjection());
  for (bool range : {false, true}) {
    for (DWORD table : {D3DFOG_LINEAR, D3DFOG_NONE}) {
      if (range && table != D3DFOG_NONE) continue;
      device->SetRenderState(D3DRS_FOGTABLEMODE, table);
      device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
      device->SetRenderState(D3DRS_RANGEFOGENABLE, range);
      for (float z : {2.0f, 5.0f, 10.0f}) {
        const float e = 1.2f * z;  // every corner at the same distance from the eye
        ClearTo(0xFF000000);
        Draw(D3DPT_TRIANGLELIST, std::vector<V16>{{-e, e, z, 0xFFFFFFFF}, {e, e, z, 0xFFFFFFFF}, {-e, -e, z, 0xFFFFFFFF},
                                                  {-e, -e, z, 0xFFFFFFFF}, {e, e, z, 0xFFFFFFFF}, {e, -e, z, 0xFFFFFFFF}});
        const float d = range ? std::sqrt(2 * e * e + z * z) : z;
        EXPECT_TRUE(Near(PixelAt(7, 9), fogged(FogOf(D3DFOG_LINEAR, d, 1.0f, 11.0f, 1.0f))))
            << (table ? "table" : "vertex") << (range ? " range" : "") << " at " << z;
      }
    }
  }

  // Fog off, or no mode chosen, leaves the colour alone.
  device->SetRenderState(D3DRS_RANGEFOGENABLE, FALSE);
  for (bool enabled : {false, true}) {
    device->SetRenderState(D3DRS_FOGENABLE, enabled);
    device->SetRenderState(D3DRS_FOGTABLEMODE, enabled ? D3DFOG_NONE : D3DFOG_LINEAR);
    device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_NONE);
    ClearTo(0xFF000000);
    Draw(D3DPT_TRIANGLELIST, std::vector<V16>{{-12, 12, 10, 0xFFFFFFFF}, {12, 12, 10, 0xFFFFFFFF}, {-12, -12, 10, 0xFFFFFFFF}});
    EXPECT_EQ(PixelAt(2, 2), 0xFFFFFFFFu);
  }
}

D3DLIGHT9 Directional(float dx, float dy, float dz, D3DCOLORVALUE diffuse) {
  D3DLIGHT9 l{};
  l.Type = D3DLIGHT_DIRECTIONAL;
  l.Diffuse = diffuse;
  l.Direction = D3DVECTOR{dx, dy, dz};
  return l;
}

D3DLIGHT9 Point(float x, float y, float z, float range, float a0, float a1, float a2) {
  D3DLIGHT9 l{};
  l.Type = D3DLIGHT_POINT;
  l.Diffuse = D3DCOLORVALUE{1, 1, 1, 0};
  l.Position = D3DVECTOR{x, y, z};
  l.Range = range;
  l.Attenuation0 = a0;
  l.Attenuation1 = a1;
  l.Attenuation2 = a2;
  return l;
}

D3DVECTOR Apply(const D3DVECTOR& v, const D3DMATRIX& m, float w) {
  return D3DVECTOR{v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0] + w * m.m[3][0],
                   v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1] + w * m.m[3][1],
                   v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2] + w * m.m[3][2]};
}

TEST_F(FixedFunctionTest, DirectionalAndPointLightsLightAQuadAsTheFixedPipelineDefinesThem) {
  // A quad over the whole target at depth 0.5, facing the eye (normal -z), white vertices; the
  // material gives the ambient part, the vertex colour the diffuse part.
  device->SetFVF(kFVF36);
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  device->SetRenderState(D3DRS_AMBIENT, 0x00404040);
  D3DMATERIAL9 material{};
  material.Diffuse = D3DCOLORVALUE{0, 0, 0, 1};  // unused: diffuse comes from the vertex
  material.Ambient = D3DCOLORVALUE{0.25f, 0.25f, 0.25f, 1};
  ASSERT_EQ(device->SetMaterial(&material), D3D_OK);
  const float ambient = 0.25f * 0x40 / 255.0f;
  auto quad = [&](float nx, float ny, float nz, float xScale = 1.0f) {
    const V36 proto{0, 0, 0.5f, nx, ny, nz, 0xFFFFFFFF, 0, 0};
    return Quad<V36>(0, 0, 16 / xScale, 16, proto);
  };
  auto grey = [](float v) { return Pack(1.0f, v, v, v); };

  // Directional: the light travels along its direction; N.L = 0.8. Drawn once more with the view
  // turned about x and the world turned back, so the light must follow the view into camera space.
  for (bool turned : {false, true}) {
    SCOPED_TRACE(turned ? "turned view" : "plain view");
    const D3DMATRIX view = turned ? RotationX(40) : Identity(), world = turned ? RotationX(-40) : Identity();
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_WORLD, &world);
    // The camera-space direction (0, 0.6, 0.8) expressed in world space.
    const D3DVECTOR dir = Apply(D3DVECTOR{0, 0.6f, 0.8f}, turned ? RotationX(-40) : Identity(), 0.0f);
    const D3DLIGHT9 light = Directional(dir.x, dir.y, dir.z, D3DCOLORVALUE{1.0f, 0.5f, 0.25f, 0});
    ASSERT_EQ(device->SetLight(0, &light), D3D_OK);
    ASSERT_EQ(device->LightEnable(0, TRUE), D3D_OK);
    ClearTo(0xFF000000);
    Draw(D3DPT_TRIANGLELIST, quad(0, 0, -1));
    EXPECT_TRUE(Near(PixelAt(5, 9), Pack(1.0f, ambient + 0.8f, ambient + 0.4f, ambient + 0.2f)));
  }
  const D3DMATRIX identity = Identity();
  device->SetTransform(D3DTS_VIEW, &identity);
  device->SetTransform(D3DTS_WORLD, &identity);

  // Normals go through the inverse transpose of world x view: a world stretched 2 x along x
  // turns the normal (0.6, 0, -0.8) to (0.3, 0, -0.8), normalised, so N.L = 0.8 / |(0.3, 0, -0.8)|.
  const D3DLIGHT9 straight = Directional(0, 0, 1, D3DCOLORVALUE{1, 1, 1, 0});
  device->SetLight(0, &straight);
  const D3DMATRIX stretch = Scaling(2, 1, 1);
  device->SetTransform(D3DTS_WORLD, &stretch);
  device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
  ClearTo(0xFF000000);
  Draw(D3DPT_TRIANGLELIST, quad(0.6f, 0, -0.8f, 2.0f));
  EXPECT_TRUE(Near(PixelAt(5, 9), grey(ambient + 0.8f / std::sqrt(0.09f + 0.64f))));
  device->SetTransform(D3DTS_WORLD, &identity);
  device->LightEnable(0, FALSE);

  // Point: every corner is 12 from the light, N.L = 4 / 12, attenuation 1 / (1 + 0.1 x 12).
  // The view moves the eye, and the light is given in world space.
  const D3DMATRIX view = Translation(3, -2, 1), world = Translation(-3, 2, -1);
  device->SetTransform(D3DTS_VIEW, &view);
  device->SetTransform(D3DTS_WORLD, &world);
  struct PointCase {
    float range;
    bool lit;
  };
  for (PointCase c : {PointCase{20.0f, true}, PointCase{11.0f, false}}) {
    const D3DLIGHT9 light = Point(8 - 3, 8 + 2, 0.5f - 4 - 1, c.range, 1.0f, 0.1f, 0.0f);
    ASSERT_EQ(device->SetLight(1, &light), D3D_OK);
    device->LightEnable(1, TRUE);
    ClearTo(0xFF000000);
    Draw(D3DPT_TRIANGLELIST, quad(0, 0, -1));
    const float diffuse = c.lit ? (4.0f / 12.0f) / (1.0f + 0.1f * 12.0f) : 0.0f;
    EXPECT_TRUE(Near(PixelAt(7, 3), grey(ambient + diffuse))) << "range " << c.range;
  }
  // A vertex without a normal gets the ambient part only.
  device->SetFVF(kFVF16);
  ClearTo(0xFF000000);
  Draw(D3DPT_TRIANGLELIST, Quad<V16>(0, 0, 16, 16, V16{0, 0, 0.5f, 0xFFFFFFFF}));
  EXPECT_TRUE(Near(PixelAt(7, 3), grey(ambient)));
}

TEST_F(FixedFunctionTest, CullingRemovesTheChosenWindingOnScreen) {
  device->SetFVF(kFVF16);
  // Clockwise on screen (y down) at the top left, counter-clockwise at the bottom right.
  const std::vector<V16> triangles = {{0, 0, 0, 0xFFFF0000},  {8, 0, 0, 0xFFFF0000},  {0, 8, 0, 0xFFFF0000},
                                      {16, 16, 0, 0xFF00FF00}, {16, 8, 0, 0xFF00FF00}, {8, 16, 0, 0xFF00FF00}};
  struct Case {
    DWORD cull;
    bool clockwise, counterClockwise;
  };
  for (Case c : {Case{D3DCULL_NONE, true, true}, Case{D3DCULL_CW, false, true}, Case{D3DCULL_CCW, true, false}}) {
    device->SetRenderState(D3DRS_CULLMODE, c.cull);
    ClearTo(0xFF000000);
    Draw(D3DPT_TRIANGLELIST, triangles);
    EXPECT_EQ(PixelAt(2, 2), c.clockwise ? 0xFFFF0000u : 0xFF000000u) << "cull " << c.cull;
    EXPECT_EQ(PixelAt(13, 13), c.counterClockwise ? 0xFF00FF00u : 0xFF000000u) << "cull " << c.cull;
  }
}

TEST_F(FixedFunctionTest, StencilTestPassesAndFailsAndItsOperationsWrite) {
  device->SetFVF(kFVF16);
  const V16 black{0, 0, 0, 0xFF000000}, red{0, 0, 0, 0xFFFF0000};
  // Writes reference 1 into the stencil of [4, 12) x [4, 12) without touching colour.
  auto mark = [&] {
    device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    device->SetRenderState(D3DRS_STENCILREF, 1);
    Draw(D3DPT_TRIANGLELIST, Quad(4, 4, 12, 12, black));
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
  };
  auto count = [&](bool inside) {
    int red = 0;
    const std::vector<uint32_t> pixels = Pixels();
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        const bool in = x >= 4 && x < 12 && y >= 4 && y < 12;
        if (in == inside && pixels[y * 16 + x] == 0xFFFF0000u) ++red;
      }
    return red;
  };
  struct Case {
    const char* name;
    DWORD func, ref;
    int insideRed, outsideRed;
  };
  for (Case c : {Case{"equal passes inside", D3DCMP_EQUAL, 1, 64, 0}, Case{"not-equal passes outside", D3DCMP_NOTEQUAL, 1, 0, 192},
                 Case{"less: 2 < 1 fails", D3DCMP_LESS, 2, 0, 0}, Case{"greater: 2 > 1 and 2 > 0", D3DCMP_GREATER, 2, 64, 192}}) {
    SCOPED_TRACE(c.name);
    ClearTo(0xFF000000);
    mark();
    device->SetRenderState(D3DRS_STENCILFUNC, c.func);
    device->SetRenderState(D3DRS_STENCILREF, c.ref);
    Draw(D3DPT_TRIANGLELIST, Quad(0, 0, 16, 16, red));
    EXPECT_EQ(count(true), c.insideRed);
    EXPECT_EQ(count(false), c.outsideRed);
  }

  // The fail operation writes where the test fails; the depth-fail one where depth fails.
  ClearTo(0xFF000000, 0.5f);
  device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_NEVER);
  device->SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_REPLACE);
  device->SetRenderState(D3DRS_STENCILREF, 2);
  Draw(D3DPT_TRIANGLELIST, Quad(0, 0, 8, 16, red));  // draws nothing, stencil 2 on the left
  device->SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
  device->SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_INCR);
  Draw(D3DPT_TRIANGLELIST, Quad(0, 8, 16, 16, V16{0, 0, 0.75f, 0xFF000000}));  // behind: bottom rows + 1
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  device->SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
  EXPECT_EQ(PixelAt(3, 12), 0xFF000000u);
  // Quadrants now hold: top left 2, top right 0, bottom left 3, bottom right 1.
  const int quadrantOf[4] = {1, 3, 0, 2};  // value -> quadrant (0 top left, 1 top right, 2 bottom left, 3 bottom right)
  device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
  for (DWORD value = 0; value < 4; ++value) {
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
    device->SetRenderState(D3DRS_STENCILREF, value);
    Draw(D3DPT_TRIANGLELIST, Quad(0, 0, 16, 16, red));
    for (int q = 0; q < 4; ++q) {
      EXPECT_EQ(PixelAt(q % 2 ? 12 : 3, q / 2 ? 12 : 3), q == quadrantOf[value] ? 0xFFFF0000u : 0xFF000000u)
          << "stencil " << value << ", quadrant " << q;
    }
  }
}

// The lit pixels of a target that was cleared to black, as "x,y" texts in row order.
std::vector<std::string> Lit(const std::vector<uint32_t>& pixels, UINT width) {
  std::vector<std::string> lit;
  for (size_t i = 0; i < pixels.size(); ++i) {
    if ((pixels[i] & 0xFFFFFF) != 0) lit.push_back(std::to_string(i % width) + "," + std::to_string(i / width));
  }
  return lit;
}

std::vector<std::string> Span(int x0, int y0, int x1, int y1) {  // inclusive, row order
  std::vector<std::string> out;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) out.push_back(std::to_string(x) + "," + std::to_string(y));
  return out;
}

TEST_F(FixedFunctionTest, PointsLinesStripsAndFansLightTheirPixels) {
  device->SetFVF(kFVF16);
  SetProjection(PixelProjection(16, 16, false));  // vertices on pixel centres
  const D3DCOLOR w = 0xFFFFFFFF;
  struct Case {
    const char* name;
    D3DPRIMITIVETYPE type;
    std::vector<V16> vertices;
    DWORD lastPixel;
    std::vector<std::string> lit;
  };
  auto join = [](std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    std::sort(a.begin(), a.end());
    a.erase(std::unique(a.begin(), a.end()), a.end());
    return a;
  };
  const std::vector<Case> cases = {
      {"points", D3DPT_POINTLIST, {{2, 3, 0, w}, {7, 7, 0, w}, {15, 0, 0, w}}, TRUE, {"15,0", "2,3", "7,7"}},
      {"line list with last pixels", D3DPT_LINELIST, {{1, 1, 0, w}, {6, 1, 0, w}, {10, 2, 0, w}, {10, 5, 0, w}}, TRUE,
       join(Span(1, 1, 6, 1), Span(10, 2, 10, 5))},
      {"line list without last pixels", D3DPT_LINELIST, {{1, 1, 0, w}, {6, 1, 0, w}, {10, 2, 0, w}, {10, 5, 0, w}}, FALSE,
       join(Span(1, 1, 5, 1), Span(10, 2, 10, 4))},
      {"line strip", D3DPT_LINESTRIP, {{2, 10, 0, w}, {8, 10, 0, w}, {8, 14, 0, w}}, TRUE,
       join(Span(2, 10, 8, 10), Span(8, 10, 8, 14))},
      // Triangles, with vertices on pixel corners so that their edges are unambiguous.
      {"triangle strip", D3DPT_TRIANGLESTRIP,
       {{7.5f, -0.5f, 0, w}, {11.5f, -0.5f, 0, w}, {7.5f, 3.5f, 0, w}, {11.5f, 3.5f, 0, w}}, TRUE, Span(8, 0, 11, 3)},
      {"triangle fan", D3DPT_TRIANGLEFAN,
       {{-0.5f, -0.5f, 0, w}, {3.5f, -0.5f, 0, w}, {3.5f, 2.5f, 0, w}, {-0.5f, 2.5f, 0, w}}, TRUE, Span(0, 0, 3, 2)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    device->SetRenderState(D3DRS_LASTPIXEL, c.lastPixel);
    ClearTo(0xFF000000);
    Draw(c.type, c.vertices);
    std::vector<std::string> lit = Lit(Pixels(), 16);
    std::sort(lit.begin(), lit.end());
    std::vector<std::string> want = c.lit;
    std::sort(want.begin(), want.end());
    EXPECT_EQ(lit, want);
  }

  // Point size and the fill modes.
  device->SetRenderState(D3DRS_POINTSIZE, D3D9_Bits(3.0f));
  ClearTo(0xFF000000);
  Draw(D3DPT_POINTLIST, std::vector<V16>{{5, 12, 0, w}});
  EXPECT_EQ(Lit(Pixels(), 16), Span(4, 11, 6, 13));
  device->SetRenderState(D3DRS_POINTSIZE, D3D9_Bits(1.0f));
  const std::vector<V16> square = {{2, 2, 0, w}, {12, 2, 0, w}, {2, 12, 0, w}, {2, 12, 0, w}, {12, 2, 0, w}, {12, 12, 0, w}};
  device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  ClearTo(0xFF000000);
  Draw(D3DPT_TRIANGLELIST, square);
  std::vector<uint32_t> pixels = Pixels();
  EXPECT_EQ(pixels[2 * 16 + 7], w);    // on the top edge
  EXPECT_EQ(pixels[7 * 16 + 7], w);    // on the diagonal
  EXPECT_EQ(pixels[5 * 16 + 4], 0xFF000000u);  // inside, off every edge
  device->SetRenderState(D3DRS_FILLMODE, D3DFILL_POINT);
  ClearTo(0xFF000000);
  Draw(D3DPT_TRIANGLELIST, square);
  EXPECT_EQ(Lit(Pixels(), 16), (std::vector<std::string>{"2,2", "12,2", "2,12", "12,12"}));
}

TEST_F(FixedFunctionTest, DepthTestUsesTheFunctionTheWriteFlagAndTheViewportDepthRange) {
  device->SetFVF(kFVF16);
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  struct Case {
    DWORD func;
    bool nearer, equal, farther;  // depths 0.25, 0.5 and 0.75 against a stored 0.5
  };
  const Case cases[] = {{D3DCMP_NEVER, false, false, false},  {D3DCMP_LESS, true, false, false},
                        {D3DCMP_EQUAL, false, true, false},   {D3DCMP_LESSEQUAL, true, true, false},
                        {D3DCMP_GREATER, false, false, true}, {D3DCMP_NOTEQUAL, true, false, true},
                        {D3DCMP_GREATEREQUAL, false, true, true}, {D3DCMP_ALWAYS, true, true, true}};
  for (const Case& c : cases) {
    device->SetRenderState(D3DRS_ZFUNC, c.func);
    ClearTo(0xFF000000, 0.5f);
    Draw(D3DPT_TRIANGLELIST, Quad<V16>(0, 0, 5, 16, V16{0, 0, 0.25f, 0xFFFF0000}));
    Draw(D3DPT_TRIANGLELIST, Quad<V16>(5, 0, 10, 16, V16{0, 0, 0.5f, 0xFFFF0000}));
    Draw(D3DPT_TRIANGLELIST, Quad<V16>(10, 0, 16, 16, V16{0, 0, 0.75f, 0xFFFF0000}));
    EXPECT_EQ(PixelAt(2, 8) == 0xFFFF0000u, c.nearer) << "function " << c.func;
    EXPECT_EQ(PixelAt(7, 8) == 0xFFFF0000u, c.equal) << "function " << c.func;
    EXPECT_EQ(PixelAt(12, 8) == 0xFFFF0000u, c.farther) << "function " << c.func;
  }
  // Without depth writes a nearer quad leaves the stored depth as it was.
  device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  ClearTo(0xFF000000, 0.5f);
  Draw(D3DPT_TRIANGLELIST, Quad<V16>(0, 0, 16, 16, V16{0, 0, 0.25f, 0xFF0000FF}));
  Draw(D3DPT_TRIANGLELIST, Quad<V16>(0, 0, 16, 16, V16{0, 0, 0.4f, 0xFF00FF00}));
  EXPECT_EQ(PixelAt(8, 8), 0xFF00FF00u);
  // The viewport's depth range squeezes depth: 0.5 lands at 0.25 + 0.5 x 0.5 = 0.5 of 0.25..0.75,
  // and 1.0 at 0.75, nearer than a stored 0.8.
  device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  ClearTo(0xFF000000, 0.8f);
  D3DVIEWPORT9 vp{0, 0, 16, 16, 0.25f, 0.75f};
  device->SetViewport(&vp);
  Draw(D3DPT_TRIANGLELIST, Quad<V16>(0, 0, 16, 16, V16{0, 0, 1.0f, 0xFFFFFF00}));
  EXPECT_EQ(PixelAt(8, 8), 0xFFFFFF00u);
  // Without a depth-stencil surface the test passes everything.
  device->SetDepthStencilSurface(nullptr);
  Draw(D3DPT_TRIANGLELIST, Quad<V16>(0, 0, 16, 16, V16{0, 0, 1.0f, 0xFF00FFFF}));
  EXPECT_EQ(PixelAt(8, 8), 0xFF00FFFFu);
}

TEST_F(FixedFunctionTest, StageZeroOperationsAndSamplerAddressing) {
  // Texel 0xC0804020 with alpha 0x80; diffuse 0x80FF8040.
  IDirect3DTexture9* texture = MakeTexture(1, 1, {0x80C08040});
  constexpr D3DCOLOR kDiffuse = 0x40FF8020;
  constexpr DWORD kFactor = 0xFF102030;
  device->SetRenderState(D3DRS_TEXTUREFACTOR, kFactor);
  auto channels = [](uint32_t c, float* v) { Unpack(c, v); };
  float t[4], d[4], k[4];
  channels(0x80C08040, t);
  channels(kDiffuse, d);
  channels(kFactor, k);
  struct Case {
    const char* name;
    bool textured;
    DWORD colourOp, colourArg1, colourArg2, alphaOp, alphaArg1, alphaArg2;
    std::function<float(int)> want;  // channel 0 red .. 3 alpha
  };
  const std::vector<Case> cases = {
      {"modulate", true, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE,
       [&](int c) { return t[c] * d[c]; }},
      {"select texture", true, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
       D3DTA_DIFFUSE, [&](int c) { return t[c]; }},
      {"select diffuse", true, D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG2, D3DTA_TEXTURE,
       D3DTA_DIFFUSE, [&](int c) { return d[c]; }},
      {"no texture reads white", false, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE,
       D3DTA_DIFFUSE, [&](int c) { return d[c]; }},
      {"default stage with no texture", false, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_SELECTARG1,
       D3DTA_TEXTURE, D3DTA_CURRENT, [&](int c) { return c == 3 ? 1.0f : d[c]; }},
      {"stage disabled", true, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
       D3DTA_DIFFUSE, [&](int c) { return d[c]; }},
      {"alpha disabled", true, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_DISABLE, D3DTA_TEXTURE,
       D3DTA_DIFFUSE, [&](int c) { return c == 3 ? d[3] : t[c]; }},
      {"factor, complement", true, D3DTOP_MODULATE, D3DTA_TFACTOR, D3DTA_TEXTURE | D3DTA_COMPLEMENT, D3DTOP_SELECTARG1,
       D3DTA_TFACTOR, D3DTA_DIFFUSE, [&](int c) { return c == 3 ? k[3] : k[c] * (1 - t[c]); }},
      {"alpha replicate", true, D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE, D3DTA_DIFFUSE,
       D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_DIFFUSE, [&](int c) { return c == 3 ? d[3] : t[3]; }},
      {"add", true, D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_DIFFUSE,
       [&](int c) { return std::min(t[c] + d[c], 1.0f); }},
      {"subtract", true, D3DTOP_SUBTRACT, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SUBTRACT, D3DTA_TEXTURE, D3DTA_DIFFUSE,
       [&](int c) { return std::max(t[c] - d[c], 0.0f); }},
      {"modulate 2x", true, D3DTOP_MODULATE2X, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE4X, D3DTA_TEXTURE,
       D3DTA_DIFFUSE, [&](int c) { return std::min(t[c] * d[c] * (c == 3 ? 4.0f : 2.0f), 1.0f); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    device->SetTexture(0, c.textured ? texture : nullptr);
    device->SetTextureStageState(0, D3DTSS_COLOROP, c.colourOp);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, c.colourArg1);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, c.colourArg2);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, c.alphaOp);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, c.alphaArg1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, c.alphaArg2);
    ClearTo(0);
    Draw(D3DPT_TRIANGLELIST, Quad<V24>(0, 0, 16, 16, V24{0, 0, 0, kDiffuse, 0, 0}));
    EXPECT_TRUE(Near(PixelAt(8, 8), Pack(c.want(3), c.want(0), c.want(1), c.want(2))));
  }
  device->SetTexture(0, nullptr);
  texture->Release();

  // Addressing: a 2 x 1 texture, red then green, across u 0..2. Wrap repeats it; clamp holds the
  // edge texel; border takes the border colour.
  IDirect3DTexture9* strip = MakeTexture(2, 1, {0xFFFF0000, 0xFF00FF00});
  device->SetTexture(0, strip);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  device->SetSamplerState(0, D3DSAMP_BORDERCOLOR, 0xFF0000FF);
  struct Address {
    DWORD mode;
    uint32_t third, fourth;  // the colours of quarters 3 and 4
  };
  for (Address a : {Address{D3DTADDRESS_WRAP, 0xFFFF0000, 0xFF00FF00}, Address{D3DTADDRESS_CLAMP, 0xFF00FF00, 0xFF00FF00},
                    Address{D3DTADDRESS_MIRROR, 0xFF00FF00, 0xFFFF0000}, Address{D3DTADDRESS_BORDER, 0xFF0000FF, 0xFF0000FF}}) {
    device->SetSamplerState(0, D3DSAMP_ADDRESSU, a.mode);
    ClearTo(0);
    Draw(D3DPT_TRIANGLELIST, Quad<V24>(0, 0, 16, 16, V24{0, 0, 0, 0xFFFFFFFF, 0, 0}, 0, 0, 2, 1));
    EXPECT_EQ(PixelAt(1, 8), 0xFFFF0000u) << "mode " << a.mode;
    EXPECT_EQ(PixelAt(6, 8), 0xFF00FF00u) << "mode " << a.mode;
    EXPECT_EQ(PixelAt(10, 8), a.third) << "mode " << a.mode;
    EXPECT_EQ(PixelAt(14, 8), a.fourth) << "mode " << a.mode;
  }
  device->SetTexture(0, nullptr);
  strip->Release();
}

TEST_F(FixedFunctionTest, VertexBufferDrawsMatchTheSameDrawsFromUserMemory) {
  std::vector<uint32_t> texels;
  for (int j = 0; j < 8; ++j)
    for (int i = 0; i < 8; ++i) texels.push_back(Texel(i, j));
  IDirect3DTexture9* texture = MakeTexture(8, 8, texels);
  device->SetTexture(0, texture);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  // Three overlapping quads of different colours and texture windows, a fan and a strip.
  std::vector<V24> list;
  for (const std::vector<V24>& q :
       {Quad<V24>(1, 1, 9, 9, V24{0, 0, 0, 0xFFFFFFFF, 0, 0}), Quad<V24>(5, 3, 15, 12, V24{0, 0, 0, 0x80FF8040, 0, 0}, 0.25f, 0, 1, 0.75f),
        Quad<V24>(2, 8, 12, 15, V24{0, 0, 0, 0xC040C0FF, 0, 0}, 1, 1, 0, 0)}) {
    list.insert(list.end(), q.begin(), q.end());
  }
  const std::vector<V24> fan = {{12, 2, 0, 0xFF00FF00, 0.5f, 0.5f}, {15, 2, 0, 0xFF0000FF, 1, 0}, {15, 6, 0, 0xFFFF0000, 1, 1}};

  // From user memory.
  ClearTo(0xFF202020);
  Draw(D3DPT_TRIANGLELIST, list);
  Draw(D3DPT_TRIANGLEFAN, fan);
  const std::vector<uint32_t> expected = Pixels();
  ASSERT_GT(Lit(expected, 16).size(), 200u);

  // From a dynamic buffer filled the way the renderer's ring fills it: a discarding lock for
  // the first batch, an appending one for the second, drawn from a stream offset and a start vertex.
  IDirect3DVertexBuffer9* dynamic = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(64 * sizeof(V24), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0, D3DPOOL_SYSTEMMEM,
                                       &dynamic, nullptr),
            D3D_OK);
  void* data = nullptr;
  const UINT listBytes = static_cast<UINT>(list.size() * sizeof(V24));
  ASSERT_EQ(dynamic->Lock(sizeof(V24), listBytes, &data, D3DLOCK_DISCARD), D3D_OK);
  std::memcpy(data, list.data(), listBytes);
  ASSERT_EQ(dynamic->Unlock(), D3D_OK);
  ClearTo(0xFF202020);
  ASSERT_EQ(device->SetStreamSource(0, dynamic, sizeof(V24), sizeof(V24)), D3D_OK);
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 6), D3D_OK);
  ASSERT_EQ(dynamic->Lock(sizeof(V24) + listBytes, 3 * sizeof(V24), &data, D3DLOCK_NOOVERWRITE), D3D_OK);
  std::memcpy(data, fan.data(), 3 * sizeof(V24));
  ASSERT_EQ(dynamic->Unlock(), D3D_OK);
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, static_cast<UINT>(list.size()), 1), D3D_OK);
  EXPECT_EQ(Pixels(), expected);

  // Rewritten with a plain lock while the earlier draws are queued: they keep the old vertices,
  // and the next draw sees the new ones.
  ClearTo(0xFF202020);
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 6), D3D_OK);
  std::vector<V24> moved = fan;
  for (V24& v : moved) v.x -= 11;
  ASSERT_EQ(dynamic->Lock(sizeof(V24) + listBytes, 3 * sizeof(V24), &data, 0), D3D_OK);
  std::memcpy(data, moved.data(), 3 * sizeof(V24));
  ASSERT_EQ(dynamic->Unlock(), D3D_OK);
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, static_cast<UINT>(list.size()), 1), D3D_OK);
  std::vector<uint32_t> withMoved = Pixels();
  ClearTo(0xFF202020);
  Draw(D3DPT_TRIANGLELIST, list);
  Draw(D3DPT_TRIANGLEFAN, moved);
  EXPECT_EQ(withMoved, Pixels());

  // A managed buffer in a declared format (position 2-D, colour, texture coordinates, the
  // layout of a script vertex format), and the same vertices split over two streams.
  struct V20 {
    float x, y;
    D3DCOLOR c;
    float u, v;
  };
  const D3DVERTEXELEMENT9 one[] = {{0, 0, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_POSITION, 0},
                                   {0, 8, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                   {0, 12, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                   D3DDECL_END()};
  const D3DVERTEXELEMENT9 two[] = {{0, 0, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_POSITION, 0},
                                   {1, 0, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                   {1, 4, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                   D3DDECL_END()};
  IDirect3DVertexDeclaration9 *declOne = nullptr, *declTwo = nullptr;
  ASSERT_EQ(device->CreateVertexDeclaration(one, &declOne), D3D_OK);
  ASSERT_EQ(device->CreateVertexDeclaration(two, &declTwo), D3D_OK);
  std::vector<V20> packed;
  std::vector<float> positions;
  std::vector<uint8_t> rest;
  for (const V24& v : list) {
    packed.push_back(V20{v.x, v.y, v.c, v.u, v.v});
    positions.insert(positions.end(), {v.x, v.y});
    const float tail[2] = {v.u, v.v};
    rest.insert(rest.end(), reinterpret_cast<const uint8_t*>(&v.c), reinterpret_cast<const uint8_t*>(&v.c) + 4);
    rest.insert(rest.end(), reinterpret_cast<const uint8_t*>(tail), reinterpret_cast<const uint8_t*>(tail) + 8);
  }
  device->SetVertexDeclaration(declOne);
  ClearTo(0xFF202020);
  ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 6, packed.data(), sizeof(V20)), D3D_OK);
  const std::vector<uint32_t> declared = Pixels();
  device->SetFVF(kFVF24);
  ClearTo(0xFF202020);
  Draw(D3DPT_TRIANGLELIST, list);
  EXPECT_EQ(declared, Pixels());  // the z that the 2-D position lacks is 0 either way
  device->SetVertexDeclaration(declOne);

  auto filled = [&](const void* bytes, UINT size) {
    IDirect3DVertexBuffer9* b = nullptr;
    EXPECT_EQ(device->CreateVertexBuffer(size, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &b, nullptr), D3D_OK);
    void* p = nullptr;
    EXPECT_EQ(b->Lock(0, 0, &p, 0), D3D_OK);
    std::memcpy(p, bytes, size);
    b->Unlock();
    return b;
  };
  IDirect3DVertexBuffer9* whole = filled(packed.data(), static_cast<UINT>(packed.size() * sizeof(V20)));
  IDirect3DVertexBuffer9* first = filled(positions.data(), static_cast<UINT>(positions.size() * sizeof(float)));
  IDirect3DVertexBuffer9* second = filled(rest.data(), static_cast<UINT>(rest.size()));
  ClearTo(0xFF202020);
  device->SetStreamSource(0, whole, 0, sizeof(V20));
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 6), D3D_OK);
  EXPECT_EQ(Pixels(), declared);
  device->SetVertexDeclaration(declTwo);
  device->SetStreamSource(0, first, 0, 8);
  device->SetStreamSource(1, second, 0, 12);
  ClearTo(0xFF202020);
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 6), D3D_OK);
  EXPECT_EQ(Pixels(), declared);
  // Reading past a stream's end is refused.
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 6), D3DERR_INVALIDCALL);

  device->SetStreamSource(0, nullptr, 0, 0);
  device->SetStreamSource(1, nullptr, 0, 0);
  device->SetVertexDeclaration(nullptr);
  device->SetTexture(0, nullptr);
  for (IUnknown* object : std::initializer_list<IUnknown*>{whole, first, second, dynamic, declOne, declTwo, texture}) {
    EXPECT_EQ(object->Release(), 0u);
  }
}

TEST_F(FixedFunctionTest, ChangingOnlyValuesCompilesNothingAndEachVariantCompilesOnce) {
  device->SetFVF(kFVF36);
  const std::vector<V36> quad = Quad<V36>(0, 0, 16, 16, V36{0, 0, 0.5f, 0, 0, -1, 0xFFFFFFFF, 0, 0});
  auto frame = [&] {
    ClearTo(0xFF000000);
    Draw(D3DPT_TRIANGLELIST, quad);
  };
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  device->SetRenderState(D3DRS_FOGENABLE, TRUE);
  device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
  frame();
  const size_t compiled = D3D9GL_ProgramCount(device);
  ASSERT_GE(compiled, 1u);
  // A frame of new matrices, lights, material, fog numbers, references and viewport.
  const D3DMATRIX world = Translation(1, 0, 0), view = Translation(0, 0, 0.1f);
  device->SetTransform(D3DTS_WORLD, &world);
  device->SetTransform(D3DTS_VIEW, &view);
  const D3DLIGHT9 light = Point(4, 4, -2, 50, 1, 0, 0);
  device->SetLight(3, &light);
  device->LightEnable(3, TRUE);
  D3DMATERIAL9 material{};
  material.Ambient = D3DCOLORVALUE{0.5f, 0.5f, 0.5f, 1};
  device->SetMaterial(&material);
  device->SetRenderState(D3DRS_AMBIENT, 0x00FFFFFF);
  device->SetRenderState(D3DRS_FOGCOLOR, 0x00FF0000);
  device->SetRenderState(D3DRS_FOGEND, D3D9_Bits(0.7f));
  device->SetRenderState(D3DRS_ALPHAREF, 3);
  device->SetRenderState(D3DRS_TEXTUREFACTOR, 0x12345678);
  D3DVIEWPORT9 vp{2, 2, 10, 10, 0, 1};
  device->SetViewport(&vp);
  frame();
  EXPECT_EQ(D3D9GL_ProgramCount(device), compiled);
  // The values did arrive: the lit, fogged pixel changed colour.
  EXPECT_NE(PixelAt(6, 6), 0xFF000000u);
  // A state that selects another variant compiles it once; going back compiles nothing.
  device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_LESS);
  frame();
  EXPECT_EQ(D3D9GL_ProgramCount(device), compiled + 1);
  device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
  frame();
  device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_LESS);
  frame();
  EXPECT_EQ(D3D9GL_ProgramCount(device), compiled + 1);
}

TEST_F(FixedFunctionTest, DrawsThatCannotHappenAreRefused) {
  const std::vector<V24> quad = Quad<V24>(0, 0, 4, 4, V24{0, 0, 0, 0xFFFFFFFF, 0, 0});
  EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 0, quad.data(), sizeof(V24)), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(7), 1, quad.data(), sizeof(V24)), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, nullptr, sizeof(V24)), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, quad.data(), 0), D3DERR_INVALIDCALL);
  // A stride shorter than the format's vertex would read past the data.
  EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, quad.data(), 16), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);  // no stream
  device->SetFVF(0);
  EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, quad.data(), sizeof(V24)), D3DERR_INVALIDCALL);
  device->SetFVF(kFVF24);
  device->EndScene();
  EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, quad.data(), sizeof(V24)), D3DERR_INVALIDCALL);
  device->BeginScene();
  EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad.data(), sizeof(V24)), D3D_OK);
  // The user-memory draw leaves stream 0 unset.
  IDirect3DVertexBuffer9* stream = reinterpret_cast<IDirect3DVertexBuffer9*>(1);
  UINT offset = 1, stride = 1;
  EXPECT_EQ(device->GetStreamSource(0, &stream, &offset, &stride), D3D_OK);
  EXPECT_EQ(stream, nullptr);
}

TEST_F(FixedFunctionTest, ResetRestoresTheDefaultsAndLetsGoOfBoundObjects) {
  IDirect3DTexture9* texture = MakeTexture(1, 1, {0xFFFFFFFF});
  IDirect3DVertexBuffer9* buffer = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &buffer, nullptr), D3D_OK);
  device->SetTexture(1, texture);
  device->SetStreamSource(2, buffer, 0, 16);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->EndScene();
  // Explicit targets go before a reset, the device's references included.
  IDirect3DSurface9* backBuffer = nullptr;
  ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), D3D_OK);
  device->SetRenderTarget(0, backBuffer);
  backBuffer->Release();
  device->SetDepthStencilSurface(nullptr);
  target->Release();
  depth->Release();
  target = depth = nullptr;
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = 16;
  pp.BackBufferHeight = 16;
  pp.BackBufferFormat = D3DFMT_A8R8G8B8;
  pp.Windowed = TRUE;
  pp.SwapEffect = D3DSWAPEFFECT_COPY;
  ASSERT_EQ(device->Reset(&pp), D3D_OK);
  DWORD value = 0;
  device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
  EXPECT_EQ(value, 0u);
  device->GetRenderState(D3DRS_ZENABLE, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DZB_FALSE));  // no depth buffer this time
  EXPECT_EQ(texture->Release(), 0u);
  EXPECT_EQ(buffer->Release(), 0u);
  device->BeginScene();
}

}  // namespace
