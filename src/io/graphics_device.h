// The record of the main window's graphics device: the interface, the device and what it was
// made with, the window it draws on and the adapter table. The renderer makes, resets and
// releases the device; the texture table and the display services read the record.
#pragma once

#include <cstdint>

#include "platform/d3d9/d3d9.h"

struct SDL_Window;

struct DisplayMode {
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t bitsPerPixel = 0;
  uint8_t refreshRate = 0;
  uint16_t modeNumber = 0;
  uint32_t adapter = 0;
};

struct AdapterInfo {
  uint32_t flags = 0;  // bit 0 portrait desktop, bit 1 subordinate of a multi-head group
  uint32_t adaptersInGroup = 0;
  uint32_t modeCount = 0;
  D3DCAPS9 caps{};
  char description[512] = {};
  char deviceName[512] = {};
  DisplayMode* modes = nullptr;  // memory manager
  int32_t desktopX = 0;
  int32_t desktopY = 0;
  int32_t desktopWidth = 0;
  int32_t desktopHeight = 0;
  int32_t desktopBits = 0;
  int32_t desktopRefresh = 0;
  HMONITOR monitor = nullptr;
  uint32_t ordinal = 0;
  uint32_t masterOrdinal = 0;
  AdapterInfo* master = nullptr;
  AdapterInfo* next = nullptr;
};

// Creation flags of the game header that the device reads.
inline constexpr uint32_t kD3DFlagFullScreen = 0x1;
inline constexpr uint32_t kD3DFlagVSync = 0x2;
inline constexpr uint32_t kD3DFlagSoftwareVertices = 0x4;
inline constexpr uint32_t kD3DFlagInterpolate = 0x8;
inline constexpr uint32_t kD3DFlagKeepAspect = 0x10;
inline constexpr uint32_t kD3DFlagShowOnce = 0x4000;

struct GR_D3DDeviceState {
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  D3DCAPS9 caps{};
  D3DPRESENT_PARAMETERS pp{};
  D3DPOOL resourcePool = D3DPOOL_MANAGED;
  uint32_t behaviourFlags = 0;
  uint32_t headerFlags = 0;
  bool fullscreen = false;
  bool vsync = false;
  bool manualVSync = false;
  bool plainD3D9 = true;
  bool manualClears = false;
  bool intelWorkaround = false;
  bool interpolate = false;
  bool keepAspect = false;
  // Anti-aliasing asked for (0, 2, 4, 8, 16) and the swap effect that goes with it.
  int32_t samples = 0;
  D3DSWAPEFFECT aaSwapEffect = D3DSWAPEFFECT_COPY;
  uint32_t supportedSamples = 0;  // bits 2, 4, 8, 16
  int32_t maxRenderTargets = 1;
  int32_t sceneDepth = 0;
  int32_t windowWidth = 0;  // the back buffer
  int32_t windowHeight = 0;
  int32_t screenWidth = 0;  // what views are set for
  int32_t screenHeight = 0;
  int32_t pendingWidth = -1;  // a size the next reset applies; -1 when none
  int32_t pendingHeight = -1;
  // Set by the host to keep the window where it is at the next reset.
  bool keepWindowInPlace = false;
  bool windowShown = false;
  SDL_Window* window = nullptr;  // the main window
  HWND deviceWindow = nullptr;   // its drawing context, when the device draws on it
  // The adapter table.
  AdapterInfo* adapters = nullptr;
  int32_t adapterCount = 0;
};
extern GR_D3DDeviceState g_D3D;
