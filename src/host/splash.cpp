#include "host/splash.h"

#include "assets/texture.h"
#include "core/memory_manager.h"
#include "host/command_line.h"
#include "host/frame_loop.h"
#include "io/program.h"
#include "io/load_save.h"
#include "render/d3d_device.h"
#include "render/frame_services.h"
#include "render/frame.h"
#include "render/lifecycle.h"
#include "render/render_setters.h"
#include "render/vertex_batch.h"

namespace {

constexpr const char* kSplashFile = "splash.png";

uint8_t* g_bytes = nullptr;
int32_t g_size = 0;
Texture* g_texture = nullptr;
int32_t g_width = 0;
int32_t g_height = 0;
bool g_failed = false;  // reading or decoding failed once: not tried again

struct SplashVertex {
  float x, y, z;
  uint32_t colour;
  float u, v;
};

bool Load() {
  if (g_texture != nullptr) return true;
  if (g_failed) return false;
  g_bytes = LoadSave_ReadProgramFile(kSplashFile, &g_size);
  D3DXIMAGE_INFO info{};
  if (g_bytes != nullptr && g_size > 0) {
    g_texture = Texture_CreateFromData(g_bytes, static_cast<size_t>(g_size), &info, kTextureKindARGB, 0);
  }
  if (g_texture == nullptr) {
    g_failed = true;
    return false;
  }
  g_width = static_cast<int32_t>(info.Width);
  g_height = static_cast<int32_t>(info.Height);
  return true;
}

}  // namespace

bool Splash_Exists() { return LoadSave_ProgramFileExists(kSplashFile); }

void Splash_Draw(int32_t i) {
  if (i < 0) {
    // The texture goes with the bytes: nothing draws the splash again.
    Texture_Free(g_texture);
    g_texture = nullptr;
    MemoryManager_Free(g_bytes);
    g_bytes = nullptr;
    g_size = 0;
    g_failed = false;
    return;
  }
  if (!Splash_Exists() || !Load()) return;
  const auto width = static_cast<float>(g_D3D.windowWidth);
  const auto height = static_cast<float>(g_D3D.windowHeight);
  float left = 0, top = 0, right = 1, bottom = 1;
  if (height != 0 && g_height != 0) {
    const float a = width / height;
    const float b = static_cast<float>(g_width) / static_cast<float>(g_height);
    if (a > b) {
      left = (1 - b / a) * 0.5f;
      right = 1 - left;
    } else if (a < b) {
      top = (1 - a / b) * 0.5f;
      bottom = 1 - top;
    }
  }
  GR_SetView(0, 0, width, height, 0);
  auto* v = static_cast<SplashVertex*>(GR_AllocVerts(D3DPT_TRIANGLEFAN, g_texture, 24, 4));
  const float l = left * width, r = right * width, t = top * height, b = bottom * height;
  v[0] = SplashVertex{l, t, 1, 0xFFFFFFFFu, 0, 0};
  v[1] = SplashVertex{r, t, 1, 0xFFFFFFFFu, 1, 0};
  v[2] = SplashVertex{r, b, 1, 0xFFFFFFFFu, 1, 1};
  v[3] = SplashVertex{l, b, 1, 0xFFFFFFFFu, 0, 1};
}

bool Splash_Show() {
  if (g_RunnerOptions.headless || !Splash_Exists()) return false;
  const bool interpolate = g_RenderLogical.interpolate[0];
  GR_SetTextureInterpolation(true);
  for (int32_t i = 0; i < 5; ++i) {
    Start_Frame();
    GR_D3D_Clear(0xFF000000u, 1.0f, 0, kClearTarget | kClearDepth | kClearStencil);
    Splash_Draw(i);
    End_Frame(true);
    Win32_PumpMessages();
  }
  GR_SetTextureInterpolation(interpolate);
  Splash_Draw(-1);
  return true;
}
