// The graphics device of the main window: its creation with fallbacks, resets, the frame's
// scene, presentation and release; the adapter table, display modes and display functions.
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

// The interface factory: the OpenGL device unless a test installed another (the recording one).
// Returns the one installed before.
using GR_Direct3DFactory = IDirect3D9* (*)();
GR_Direct3DFactory GR_D3D_SetFactory(GR_Direct3DFactory factory);
// A window handle for the device: the drawing context made on the main window (null window: null).
HWND GR_D3D_WindowFor(SDL_Window* window);

bool GR_D3D_Init(void* window, int32_t width, int32_t height, uint32_t flags);
bool GR_D3D_CreateDevice(SDL_Window* window, int32_t width, int32_t height, uint32_t flags);
bool GR_D3D_Reset();
bool GR_D3D_ResetAndRestore();
bool GR_D3D_BeginScene();
bool GR_D3D_EndScene();
bool GR_D3D_Present();
void GR_D3D_ShowWindow();
void GR_D3D_ExitFullScreen();
void GR_D3D_ApplyWindowSize();
void GR_D3D_ResizeWindow();
bool GR_D3D_ShadersSupported();
void GR_D3D_Release();
void GR_D3D_Shutdown();
void GR_GetScreenSize(int32_t* width, int32_t* height);
void GR_InitHook();
// The id of the 1x1 white texture slot made by GR_D3D_Init, -1 when none.
int32_t GR_D3D_WhiteTexture();

// Display adapters and modes.
void GR_D3D_EnumAdapters();
void GR_D3D_FreeAdapters();
DisplayMode GR_D3D_FindDisplayMode(int32_t width, int32_t height);
// Picks from a mode list as GR_D3D_FindDisplayMode does; null when no mode is picked.
const DisplayMode* GR_D3D_PickDisplayMode(const DisplayMode* modes, uint32_t count, int32_t width, int32_t height);
void GR_D3D_CheckIntelAdapter();
void Display_MessageBox(const char* text);

// Display functions.
int32_t Display_GetWidth();
int32_t Display_GetHeight();
int32_t Display_GetFrequency();
int32_t Display_GetColourDepth();
int32_t Display_GetOrientation();
bool Display_TestAll(int32_t width, int32_t height, int32_t frequency, int32_t depth);
bool Display_SetAll(int32_t width, int32_t height, int32_t frequency, int32_t depth);
bool Display_SetSize(int32_t width, int32_t height);
bool Display_SetFrequency(int32_t frequency);
bool Display_SetColourDepth(int32_t depth);
int32_t Display_MouseGetX();
int32_t Display_MouseGetY();
void Display_MouseSet(int32_t x, int32_t y);
void Display_SetMultisample(int32_t samples);
void Display_SetVSync(bool on);
void Display_ReportFPS();
