#include "render/virtual_keys_draw.h"

#include "io/display.h"
#include "io/input.h"
#include "io/window_services.h"
#include "render/overlay_draw.h"

void IO_DrawVirtualKeys() {
  if (IO_VirtualKeys == nullptr) return;
  int32_t visible = 0;
  for (int32_t i = 0; i < IO_VirtualKeyCount; ++i) {
    if ((IO_VirtualKeys[i].flags & kVirtualKeyVisible) != 0) ++visible;
  }
  if (visible == 0) return;
  double guiWidth = 0;
  double guiHeight = 0;
  IO_GuiSize(&guiWidth, &guiHeight);
  if (guiWidth <= 0 || guiHeight <= 0) return;

  DebugOverlay_BeginDraw();
  struct Vertex {
    float x, y, z;
    uint32_t colour;
    float u, v;
  };
  static_assert(sizeof(Vertex) == 24);
  auto* out = static_cast<Vertex*>(GR_AllocVerts(4, nullptr, sizeof(Vertex), 6 * visible));
  int32_t ox = 0;
  int32_t oy = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  Window_GetAppSurfaceRect(&ox, &oy, &right, &bottom);
  const double spanX = Display_Size.width - 2.0 * ox;
  const double spanY = Display_Size.height - 2.0 * oy;
  for (int32_t i = 0; i < IO_VirtualKeyCount && out != nullptr; ++i) {
    const VirtualKey& k = IO_VirtualKeys[i];
    if ((k.flags & kVirtualKeyVisible) == 0) continue;
    const float x1 = static_cast<float>(k.left / guiWidth * spanX + ox);
    const float x2 = static_cast<float>(k.right / guiWidth * spanX + ox);
    const float y1 = static_cast<float>(k.top / guiHeight * spanY + oy);
    const float y2 = static_cast<float>(k.bottom / guiHeight * spanY + oy);
    const float corners[6][2] = {{x1, y1}, {x2, y1}, {x2, y2}, {x2, y2}, {x1, y2}, {x1, y1}};
    for (const auto& c : corners) *out++ = Vertex{c[0], c[1], 0.5f, 0xFFFFFFFFu, 0.0f, 0.0f};
  }
  DebugOverlay_EndDraw();
}
