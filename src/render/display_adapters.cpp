// The adapter table, the display-mode pick, the adapter check and the display functions.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/console.h"
#include "core/memory_manager.h"
#include "io/main_window.h"
#include "platform/d3d9/gl_options.h"
#include "platform/window/message_box.h"
#include "platform/window/window_system.h"
#include "render/d3d_device.h"
#include "render/lifecycle.h"

namespace {

void CopyName(char (&out)[512], const char* text) { std::snprintf(out, sizeof out, "%s", text); }

// Fills one record; false when the adapter has no hardware device.
bool FillAdapter(IDirect3D9* d3d, UINT ordinal, AdapterInfo* info) {
  *info = AdapterInfo{};
  if (FAILED(d3d->GetDeviceCaps(ordinal, D3DDEVTYPE_HAL, &info->caps)) || info->caps.DeviceType != D3DDEVTYPE_HAL) {
    return false;
  }
  D3DADAPTER_IDENTIFIER9 id{};
  d3d->GetAdapterIdentifier(ordinal, 0, &id);
  CopyName(info->description, id.Description);
  CopyName(info->deviceName, id.DeviceName);
  info->adaptersInGroup = info->caps.NumberOfAdaptersInGroup;
  info->ordinal = ordinal;

  D3DDISPLAYMODE desktop;
  if (SUCCEEDED(d3d->GetAdapterDisplayMode(ordinal, &desktop))) {
    info->desktopWidth = static_cast<int32_t>(desktop.Width);
    info->desktopHeight = static_cast<int32_t>(desktop.Height);
    info->desktopBits = desktop.Format == D3DFMT_R5G6B5 || desktop.Format == D3DFMT_X1R5G5B5 ? 16 : 32;
    info->desktopRefresh = static_cast<int32_t>(desktop.RefreshRate);
  } else {
    info->desktopWidth = 640;
    info->desktopHeight = 480;
    info->desktopBits = 8;
    info->desktopRefresh = 60;
  }
  WindowRect rect;
  if (WindowSystem_Get().GetMonitorRect(static_cast<int32_t>(ordinal), &rect)) {
    info->desktopX = rect.left;
    info->desktopY = rect.top;
  }
  info->monitor = d3d->GetAdapterMonitor(ordinal);

  // 16-bit modes, then 32-bit ones, in the order the adapter lists them.
  const UINT count16 = d3d->GetAdapterModeCount(ordinal, D3DFMT_R5G6B5);
  const UINT count32 = d3d->GetAdapterModeCount(ordinal, D3DFMT_X8R8G8B8);
  const uint64_t total = uint64_t{count16} + count32;
  if (total > 0) {
    info->modes = static_cast<DisplayMode*>(MEM_ALLOC(total * sizeof(DisplayMode)));
    uint32_t n = 0;
    for (D3DFORMAT format : {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8}) {
      const UINT count = format == D3DFMT_R5G6B5 ? count16 : count32;
      for (UINT i = 0; i < count; ++i) {
        D3DDISPLAYMODE m;
        if (FAILED(d3d->EnumAdapterModes(ordinal, format, i, &m))) continue;
        DisplayMode& out = info->modes[n];
        out.width = static_cast<uint16_t>(std::min<UINT>(m.Width, 0xFFFF));
        out.height = static_cast<uint16_t>(std::min<UINT>(m.Height, 0xFFFF));
        out.bitsPerPixel = format == D3DFMT_R5G6B5 ? 16 : 32;
        out.refreshRate = static_cast<uint8_t>(std::min<UINT>(m.RefreshRate, 0xFF));
        out.modeNumber = static_cast<uint16_t>(n);
        out.adapter = ordinal;
        ++n;
      }
    }
    info->modeCount = n;
  }
  if (info->desktopWidth < info->desktopHeight) info->flags |= 0x1;
  if (info->adaptersInGroup == 0) {
    info->flags |= 0x2;
    info->masterOrdinal = info->caps.MasterAdapterOrdinal;
  }
  return true;
}

}  // namespace

void GR_D3D_FreeAdapters() {
  for (int32_t i = 0; i < g_D3D.adapterCount; ++i) MemoryManager_Free(g_D3D.adapters[i].modes);
  delete[] g_D3D.adapters;
  g_D3D.adapters = nullptr;
  g_D3D.adapterCount = 0;
}

void GR_D3D_EnumAdapters() {
  GR_D3D_FreeAdapters();
  IDirect3D9* d3d = g_D3D.d3d;
  if (d3d == nullptr) return;
  const UINT count = d3d->GetAdapterCount();
  if (count == 0) return;
  g_D3D.adapters = new AdapterInfo[count];
  int32_t filled = 0;
  for (UINT ordinal = 0; ordinal < count; ++ordinal) {
    if (FillAdapter(d3d, ordinal, &g_D3D.adapters[filled])) ++filled;
  }
  g_D3D.adapterCount = filled;
  for (int32_t i = 0; i < filled; ++i) {
    AdapterInfo& sub = g_D3D.adapters[i];
    if ((sub.flags & 0x2) == 0) continue;
    for (int32_t j = 0; j < filled; ++j) {
      AdapterInfo& master = g_D3D.adapters[j];
      if (j == i || master.ordinal != sub.masterOrdinal) continue;
      sub.master = &master;
      sub.next = master.next;
      master.next = &sub;
      break;
    }
  }
}

const DisplayMode* GR_D3D_PickDisplayMode(const DisplayMode* modes, uint32_t count, int32_t width, int32_t height) {
  const DisplayMode* pick = nullptr;
  int64_t bestHeight = 999999999;
  int64_t bestWidth = 999999999;
  for (uint32_t i = 0; i < count; ++i) {
    const int64_t dh = int64_t{modes[i].height} - height;
    const int64_t dw = int64_t{modes[i].width} - width;
    if (dh >= 0 && dh < bestHeight && dw >= 0 && dw < bestWidth) {
      pick = &modes[i];
      bestHeight = dh;
      bestWidth = dw;
    }
  }
  if (pick != nullptr) return pick;
  // The closest area; a request of zero area has no ratio and picks nothing.
  const double area = static_cast<double>(width) * static_cast<double>(height);
  double best = 99999999.0;
  for (uint32_t i = 0; i < count; ++i) {
    const DisplayMode& m = modes[i];
    const double distance = std::fabs(1.0 - static_cast<double>(m.width) * m.height / area);
    if (!(distance <= best)) continue;
    if (distance == best && pick != nullptr) {
      if (m.bitsPerPixel != 32) continue;
      if (pick->bitsPerPixel == 32 && std::abs(m.refreshRate - 60) >= std::abs(pick->refreshRate - 60)) continue;
    }
    pick = &m;
    best = distance;
  }
  return pick;
}

DisplayMode GR_D3D_FindDisplayMode(int32_t width, int32_t height) {
  if (g_D3D.adapterCount == 0) return DisplayMode{};
  const AdapterInfo& first = g_D3D.adapters[0];
  const DisplayMode* pick = GR_D3D_PickDisplayMode(first.modes, first.modeCount, width, height);
  // No usable mode, or none picked: the first adapter.
  return pick != nullptr ? *pick : DisplayMode{};
}

void GR_D3D_CheckIntelAdapter() {
  if (GR_StartupFlags.noAdapterDetection || g_D3D.adapterCount == 0) return;
  std::string description = g_D3D.adapters[0].description;
  for (char& c : description) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (description.find("intel") == std::string::npos) return;
  g_D3D.manualClears = true;
  g_D3D.intelWorkaround = true;
  Console_DebugOutput("Switching to manual clears\n");
}

void Display_MessageBox(const char* text) {
  MessageBoxRequest request;
  request.caption = Window_GetCaption();
  request.text = text != nullptr ? text : "";
  request.icon = MessageBoxIcon::Information;
  MessageBox_Show(request);
}

int32_t Display_GetWidth() {
  int32_t width = 0;
  int32_t height = 0;
  return WindowSystem_Get().GetScreenSize(&width, &height) ? width : 0;
}

int32_t Display_GetHeight() {
  int32_t width = 0;
  int32_t height = 0;
  return WindowSystem_Get().GetScreenSize(&width, &height) ? height : 0;
}

// The system answers 0 for what it does not know (no refresh rate under the offscreen driver).
int32_t Display_GetFrequency() {
  int w, h, hz, bits;
  return D3D9GL_DesktopMode(0, &w, &h, &hz, &bits) && hz > 0 ? hz : -1;
}

int32_t Display_GetColourDepth() {
  int w, h, hz, bits;
  return D3D9GL_DesktopMode(0, &w, &h, &hz, &bits) && bits > 0 ? bits : -1;
}

int32_t Display_GetOrientation() { return 0; }

// The desktop mode is never changed here: every change is refused.
bool Display_TestAll(int32_t, int32_t, int32_t, int32_t) { return false; }
bool Display_SetAll(int32_t, int32_t, int32_t, int32_t) { return false; }
bool Display_SetSize(int32_t, int32_t) { return false; }
bool Display_SetFrequency(int32_t) { return false; }
bool Display_SetColourDepth(int32_t) { return false; }

int32_t Display_MouseGetX() {
  WindowPoint p{};
  return WindowSystem_Get().GetCursorPos(&p) ? p.x : 0;
}

int32_t Display_MouseGetY() {
  WindowPoint p{};
  return WindowSystem_Get().GetCursorPos(&p) ? p.y : 0;
}

void Display_MouseSet(int32_t x, int32_t y) {
  if (Window_IsActive()) WindowSystem_Get().SetCursorPos(x, y);
}

void Display_SetMultisample(int32_t samples) {
  if (samples == 2 || samples == 4 || samples == 8 || samples == 16) {
    g_D3D.samples = samples;
    g_D3D.aaSwapEffect = D3DSWAPEFFECT_DISCARD;
  } else {
    g_D3D.samples = 0;
    g_D3D.aaSwapEffect = D3DSWAPEFFECT_COPY;
  }
}

void Display_SetVSync(bool on) { g_D3D.vsync = on; }
