// The room redraw's CPU cost on the recording device (log off): a room of 1,000 instances with a
// sprite each, seen through two views side by side, drawn into the application surface and
// copied to the window. Until sprites draw themselves, each instance's sprite is a 32 x 32 quad
// of one texture slot, which is what a sprite draw sends to the batcher.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "assets/texture_pages.h"
#include "runtime/run_state.h"
#include "recording_renderer.h"
#include "render/d3d_device.h"
#include "render/room_draw.h"
#include "render/surface.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/object.h"
#include "world/room.h"

namespace {

int32_t g_spriteSlot = -1;

void DrawQuad(CInstance* instance) {
  GR_Texture_DrawExt(g_spriteSlot, 0, 0, instance->x, instance->y, 1, 1, 0, 0xFFFFFF, 1);
}

void BM_DrawRoomThousandInstancesTwoViews(benchmark::State& state) {
  RecordingRenderer renderer;
  if (!renderer.ok()) {
    state.SkipWithError("no recording device");
    return;
  }
  Object_Init();
  Object_Add();
  g_spriteSlot = GR_Texture_Create(32, 32, false);
  g_RoomDrawSources = RoomDraw_DefaultSources();
  g_RoomDrawSources.spriteExists = [](int32_t sprite) { return sprite >= 0; };
  g_RoomDrawSources.drawInstanceSprite = &DrawQuad;
  CRoom room;
  room.width = 2048;
  room.height = 768;
  room.enable_views = true;
  for (int32_t n = 0; n < 2; ++n) {
    CRoomView& v = room.views[n];
    v.visible = true;
    v.view_x = static_cast<float>(n * 1024);
    v.view_w = 1024;
    v.view_h = 768;
    v.port_x = n * 512;
    v.port_w = 512;
    v.port_h = 768;
  }
  Room_Current = &room;
  for (int32_t i = 0; i < 1000; ++i) {
    CInstance* instance = room.CreateInstance(static_cast<float>((i * 37) % 2000), static_cast<float>((i * 53) % 740), 0);
    instance->sprite_index = 0;
  }
  GR_D3D_BeginScene();
  for (auto _ : state) {
    DrawRoom();
    benchmark::DoNotOptimize(g_RunState.applicationSurface);
  }
  GR_D3D_EndScene();
  Room_Current = nullptr;
  room.DeleteAllInstances();
  Surface_FreeAll();
  g_RunState = RunState{};
  g_AppSurface = AppSurfaceState{};
  g_RoomDrawSources = RoomDraw_DefaultSources();
  Object_Shutdown();
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_DrawRoomThousandInstancesTwoViews)->Unit(benchmark::kMicrosecond);

}  // namespace
