// The renderer on the recording device: a fixture that installs the recording interface as the
// device factory, captures both consoles and the process end, and puts the renderer's globals back.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "assets/texture.h"
#include "assets/texture_pages.h"
#include "core/console.h"
#include "runtime/error_report.h"
#include "io/main_window.h"
#include "platform/d3d9/recording_device.h"
#include "render/d3d_device.h"
#include "io/display.h"
#include "render/frame.h"
#include "render/frame_stand_in.h"
#include "render/lifecycle.h"
#include "render/primitives.h"
#include "render/render_setters.h"
#include "render/render_state.h"
#include "render/transform_3d.h"
#include "render/vertex_batch.h"
#include "render/vertex_buffer.h"
#include "render/frame_services.h"

namespace render_test {

// A vertex as the device receives it.
struct Vertex {
  float x, y, z;
  uint32_t colour;
  float u, v;
};

// The vertices of a recorded draw, 16-byte ones with u = v = 0.
inline std::vector<Vertex> VerticesOf(const D3D9RecordedDraw& draw) {
  std::vector<Vertex> out;
  for (size_t at = 0; at + draw.stride <= draw.vertices.size(); at += draw.stride) {
    Vertex v{};
    std::memcpy(&v, draw.vertices.data() + at, std::min<size_t>(draw.stride, sizeof v));
    out.push_back(v);
  }
  return out;
}

// The renderer's globals as at start-up.
inline void ResetRenderGlobals() {
  g_D3D = GR_D3DDeviceState{};
  g_Batch = GR_BatchState{};
  g_RenderStates = CRenderStateManager{};
  g_RenderLogical = GR_LogicalState{};
  g_GR_View = GR_ViewState{};
  g_GR_Frame = GR_FrameState{};
  g_GR_Draw = GR_DrawState{};
  GR_InitCirclePrecision();
  g_GR_Transform = GR_TransformState{};
  Shader_MakeCurrent(nullptr);
  GR_StartupFlags = GR_StartupFlagsRecord{};
  WindowState_Reset();
  g_Textures = TextureState{};
  Texture_CreateOnDemand = false;
  g_CornerIds = false;
}

// Frees every texture and slot a test left behind, then the device.
inline void ShutdownRenderer() {
  VertexBuffer_DeleteAll();
  VertexFormat_Reset();
  GR_Texture_FreeAll();
  while (g_Textures.head != nullptr) Texture_Free(g_Textures.head);
  Texture_PopAllTargets();
  GR_D3D_Shutdown();
}

// Both consoles into one captured text while it lives.
class CapturedConsoles {
 public:
  CapturedConsoles() : m_oldDebug(g_pDebugConsole), m_oldOutput(g_pOutputConsole) {
    g_pDebugConsole = &m_console;
    g_pOutputConsole = &m_console;
  }
  ~CapturedConsoles() {
    g_pDebugConsole = m_oldDebug;
    g_pOutputConsole = m_oldOutput;
  }
  CapturedConsoles(const CapturedConsoles&) = delete;
  CapturedConsoles& operator=(const CapturedConsoles&) = delete;
  std::string Text() const { return m_console.Text(); }

 private:
  TErrStreamConsole m_console;
  tagIConsole* m_oldDebug;
  tagIConsole* m_oldOutput;
};

class RenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    s_log = std::make_shared<D3D9RecordingLog>();
    s_config = D3D9RecordingConfig{};
    m_oldFactory = GR_D3D_SetFactory(&Factory);
    m_console = std::make_unique<CapturedConsoles>();
    s_exitCode = 0;
    s_exits = 0;
    m_oldEnd = Error_SetEndProcess(&RecordExit);
    ResetGlobals();
  }

  void TearDown() override {
    ShutdownRenderer();
    ResetGlobals();
    Error_SetEndProcess(m_oldEnd);
    Error_ClearSuppression();
    m_console.reset();
    GR_D3D_SetFactory(m_oldFactory);
  }

  static void ResetGlobals() { ResetRenderGlobals(); }

  // Creates the device on no window, as a windowed game of that size.
  bool Init(uint32_t flags = 0, int32_t width = 640, int32_t height = 480) {
    return GR_D3D_Init(nullptr, width, height, flags);
  }
  // Creates the device and opens a scene, with the log cleared.
  void InitScene(int32_t method = kVBMethodSingle) {
    ASSERT_TRUE(Init());
    g_Batch.method = method;
    ASSERT_TRUE(GR_D3D_BeginScene());
    s_log->Clear();
  }

  const std::vector<std::string>& Lines() const { return s_log->Lines(); }
  const std::vector<D3D9RecordedDraw>& Draws() const { return s_log->Draws(); }
  std::string Console() const { return m_console->Text(); }
  // The index of the first device line at or after `from` that starts with `prefix`; -1 when none.
  int Find(const std::string& prefix, int from = 0) const {
    for (int i = from; i < static_cast<int>(Lines().size()); ++i) {
      if (Lines()[i].rfind(prefix, 0) == 0) return i;
    }
    return -1;
  }
  int CountLines(const std::string& prefix) const {
    int n = 0;
    for (const std::string& line : Lines()) n += line.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }

  static std::shared_ptr<D3D9RecordingLog> s_log;
  static D3D9RecordingConfig s_config;
  static int s_exitCode;
  static int s_exits;

 private:
  static IDirect3D9* Factory() { return D3D9_CreateRecordingDirect3D(s_log, s_config); }
  static void RecordExit(int code) {
    s_exitCode = code;
    ++s_exits;
  }

  GR_Direct3DFactory m_oldFactory = nullptr;
  ErrorEndProcessFn m_oldEnd = nullptr;
  std::unique_ptr<CapturedConsoles> m_console;
};

inline std::shared_ptr<D3D9RecordingLog> RenderTest::s_log;
inline D3D9RecordingConfig RenderTest::s_config;
inline int RenderTest::s_exitCode = 0;
inline int RenderTest::s_exits = 0;

// Writes `count` 24-byte vertices whose x counts up from `firstX`.
inline void WriteVertices(void* at, int32_t count, float firstX) {
  auto* v = static_cast<float*>(at);
  for (int32_t i = 0; i < count; ++i) {
    v[i * 6 + 0] = firstX + static_cast<float>(i);
    v[i * 6 + 1] = 0;
    v[i * 6 + 2] = 0;
    uint32_t colour = 0xFFFFFFFFu;
    std::memcpy(&v[i * 6 + 3], &colour, 4);
    v[i * 6 + 4] = 0;
    v[i * 6 + 5] = 0;
  }
}

// What creating the device logs, in order, for a back buffer of that size.
inline std::vector<std::string> CreationSteps(int32_t width, int32_t height) {
  return {"Create D3D9 interface\n",
          "Enumerate Adapters\n",
          "Selected Resolution: " + std::to_string(width) + "x" + std::to_string(height) + "\n",
          "Prepare to create device\n",
          "Creating D3D device - ARGB=32bit, D24S8, SwapEffect=Copy, Hardware vertex processing\n",
          "Creating screen render target\n",
          "Get Device Caps\n",
          "Graphics initialisation end...\n"};
}

// The first of `steps` not found in `text` after the ones before it; empty when all are there.
inline std::string FirstMissingInOrder(const std::string& text, const std::vector<std::string>& steps) {
  size_t at = 0;
  for (const std::string& step : steps) {
    const size_t found = text.find(step, at);
    if (found == std::string::npos) return step;
    at = found + step.size();
  }
  return "";
}

// A 24-byte vertex as the quad emitters write it.
struct QuadVertex {
  float x, y, z;
  uint32_t colour;
  float u, v;
};
static_assert(sizeof(QuadVertex) == 24);

// The draws in the log, after a flush; the log is cleared.
inline std::vector<D3D9RecordedDraw> TakeDraws(D3D9RecordingLog* log) {
  GraphicsFlush();
  std::vector<D3D9RecordedDraw> draws = log->Draws();
  log->Clear();
  return draws;
}

// The 24-byte vertices of every draw in the log, after a flush; the log is cleared.
inline std::vector<QuadVertex> TakeQuadVertices(D3D9RecordingLog* log) {
  GraphicsFlush();
  std::vector<QuadVertex> out;
  for (const D3D9RecordedDraw& d : log->Draws()) {
    const size_t n = d.vertices.size() / sizeof(QuadVertex);
    const size_t at = out.size();
    out.resize(at + n);
    std::memcpy(out.data() + at, d.vertices.data(), n * sizeof(QuadVertex));
  }
  log->Clear();
  return out;
}

// Reads the back buffer through a lockable copy; BGRA words top row first.
inline std::vector<uint32_t> ReadBackBuffer(int32_t width, int32_t height) {
  IDirect3DDevice9* device = g_D3D.device;
  IDirect3DSurface9* backBuffer = nullptr;
  IDirect3DSurface9* copy = nullptr;
  std::vector<uint32_t> pixels;
  if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer))) return pixels;
  if (SUCCEEDED(device->CreateRenderTarget(static_cast<UINT>(width), static_cast<UINT>(height), D3DFMT_A8R8G8B8,
                                           D3DMULTISAMPLE_NONE, 0, TRUE, &copy, nullptr)) &&
      SUCCEEDED(device->StretchRect(backBuffer, nullptr, copy, nullptr, D3DTEXF_NONE))) {
    D3DLOCKED_RECT locked;
    if (SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
      for (int32_t y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch);
        pixels.insert(pixels.end(), row, row + width);
      }
      copy->UnlockRect();
    }
  }
  if (copy != nullptr) copy->Release();
  backBuffer->Release();
  return pixels;
}

inline float FirstX(const D3D9RecordedDraw& draw) {
  float x = 0;
  std::memcpy(&x, draw.vertices.data(), sizeof x);
  return x;
}

}  // namespace render_test
