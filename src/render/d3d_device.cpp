#include "render/d3d_device.h"

#include <algorithm>

#include "assets/texture.h"
#include "assets/texture_pages.h"
#include "core/console.h"
#include "runtime/host_state.h"
#include "runtime/error_report.h"
#include "runtime/frame_timing.h"
#include "io/program.h"
#include "io/main_window.h"
#include "platform/window/gl_window.h"
#include "platform/window/window_system.h"
#include "io/display.h"
#include "render/debug_overlay.h"
#include "render/frame_services.h"
#include "render/frame.h"
#include "render/frame_stand_in.h"
#include "render/lifecycle.h"
#include "render/render_setters.h"
#include "render/render_state.h"
#include "render/surface.h"
#include "render/vertex_batch.h"
#include "render/vertex_buffer.h"


namespace {

IDirect3D9* DefaultFactory() { return Direct3DCreate9(D3D_SDK_VERSION); }
GR_Direct3DFactory g_factory = &DefaultFactory;

int32_t g_whiteSlot = -1;

constexpr DWORD kHardwareFlags = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_FPU_PRESERVE;
constexpr DWORD kSoftwareFlags = D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_FPU_PRESERVE;

UINT PresentationInterval() {
  if (g_D3D.manualVSync) return D3DPRESENT_INTERVAL_ONE;
  return g_D3D.vsync ? D3DPRESENT_INTERVAL_DEFAULT : D3DPRESENT_INTERVAL_IMMEDIATE;
}

// Manual vertical sync off: the plain presentation of the flag word's vertical sync.
void DropManualVSync(D3DPRESENT_PARAMETERS* pp, D3DSWAPEFFECT swapEffect) {
  g_D3D.manualVSync = false;
  pp->PresentationInterval = PresentationInterval();
  pp->BackBufferCount = 1;
  pp->SwapEffect = swapEffect;
}

void SetWindowSize(int32_t width, int32_t height) {
  g_D3D.windowWidth = width;
  g_D3D.windowHeight = height;
  Display_Size = DisplayExtent{width, height};
}

int32_t DesktopWidth() { return g_D3D.adapterCount > 0 ? g_D3D.adapters[0].desktopWidth : g_D3D.windowWidth; }
int32_t DesktopHeight() { return g_D3D.adapterCount > 0 ? g_D3D.adapters[0].desktopHeight : g_D3D.windowHeight; }

bool ClientSize(SDL_Window* window, int32_t* width, int32_t* height) {
  WindowRect rect;
  if (window == nullptr || !WindowSystem_Get().GetClientRect(window, &rect)) return false;
  *width = rect.right - rect.left;
  *height = rect.bottom - rect.top;
  return true;
}

// The 1x1 opaque white slot for untextured drawing that needs a texture.
void MakeWhiteTexture() {
  if (g_whiteSlot >= 0 && GR_Texture_Get(g_whiteSlot) != nullptr) return;
  uint32_t white = 0xFFFFFFFFu;
  g_whiteSlot = GR_Texture_CreateFromData(1, 1, reinterpret_cast<uint8_t*>(&white), 4);
}

}  // namespace

GR_Direct3DFactory GR_D3D_SetFactory(GR_Direct3DFactory factory) {
  GR_Direct3DFactory old = g_factory;
  g_factory = factory != nullptr ? factory : &DefaultFactory;
  return old;
}

HWND GR_D3D_WindowFor(SDL_Window* window) {
  if (window == nullptr) return nullptr;
  if (g_D3D.deviceWindow == nullptr || GLWindow_GetSDLWindow(g_D3D.deviceWindow) != window) {
    GLWindow_Destroy(g_D3D.deviceWindow);
    g_D3D.deviceWindow = GLWindow_Attach(window);
  }
  return g_D3D.deviceWindow;
}

bool GR_D3D_Init(void* windowHandle, int32_t width, int32_t height, uint32_t flags) {
  auto* window = static_cast<SDL_Window*>(windowHandle);
  g_D3D.window = window;
  g_D3D.headerFlags = flags;
  if (window != nullptr) g_Host.windowDestroyed = false;
  int32_t clientWidth = width;
  int32_t clientHeight = height;
  ClientSize(window, &clientWidth, &clientHeight);
  g_D3D.screenWidth = std::min(width, clientWidth);
  g_D3D.screenHeight = std::min(height, clientHeight);
  Display_AppSurfaceSize = DisplayExtent{width, height};

  const int32_t depth = Display_GetColourDepth();
  if (depth != 16 && depth != 32) {
    Display_MessageBox(
        "This program requires 16-bit (High Color) or 32-bit (Full Color) mode. Please change this in your display "
        "properties and run again.");
    return false;
  }
  if (!GR_D3D_CreateDevice(window, g_D3D.screenWidth, g_D3D.screenHeight, flags)) {
    // Without a device the game still runs, drawing nothing; the window shows so it takes input.
    GR_D3D_ShowWindow();
    return false;
  }
  GR_SetMatrix(kMatrixWorld, Matrix_Identity());
  CRenderStateManager::Reset();
  GR_RestoreRenderStates();
  GR_D3D_Clear(0, 1.0f, 0, kClearTarget | kClearDepth | kClearStencil);
  GraphicsFlush();
  GR_SetViewport(0, 0, g_D3D.windowWidth, g_D3D.windowHeight);
  GR_SetView(0, 0, static_cast<float>(g_D3D.windowWidth), static_cast<float>(g_D3D.windowHeight), 0);
  GR_D3D_InitTiming();
  // The slot table starts again; a white slot of an earlier device goes with it.
  if (Texture* white = GR_Texture_Get(g_whiteSlot)) Texture_Free(white);
  g_whiteSlot = -1;
  GR_Texture_Init();
  MakeWhiteTexture();
  return true;
}

bool GR_D3D_CreateDevice(SDL_Window* window, int32_t width, int32_t height, uint32_t flags) {
  // No desktop compositor library exists here: plain interface, managed resources, no manual sync.
  g_D3D.plainD3D9 = true;
  g_D3D.manualVSync = false;
  g_D3D.vsync = (flags & kD3DFlagVSync) != 0;
  g_D3D.interpolate = (flags & kD3DFlagInterpolate) != 0;
  g_D3D.keepAspect = (flags & kD3DFlagKeepAspect) != 0;
  Display_KeepAspect = g_D3D.keepAspect;
  const bool software = (flags & kD3DFlagSoftwareVertices) != 0 || GR_StartupFlags.softwareVertexProcessing;
  g_D3D.behaviourFlags = software ? kSoftwareFlags : kHardwareFlags;
  g_D3D.fullscreen = (flags & kD3DFlagFullScreen) != 0;
  if (g_D3D.fullscreen) g_WindowState.fullscreen = true;
  g_D3D.manualClears = GR_StartupFlags.manualClear;
  g_D3D.intelWorkaround = GR_StartupFlags.manualClear;
  g_Batch.method = GR_StartupFlags.vertexBufferMethod;

  // The window's context comes first: the interface then learns what the driver offers from it
  // instead of from a context of its own.
  const HWND focus = GR_D3D_WindowFor(window);
  Console_DebugOutput("Create D3D9 interface\n");
  g_D3D.d3d = g_factory();
  g_D3D.resourcePool = D3DPOOL_MANAGED;
  if (g_D3D.d3d == nullptr) {
    Display_MessageBox("Failed to create Direct3D 9 device");
    return false;
  }

  Console_DebugOutput("Enumerate Adapters\n");
  GR_D3D_EnumAdapters();
  GR_D3D_CheckIntelAdapter();
  g_Batch.intelWorkaround = g_D3D.intelWorkaround;
  const DisplayMode mode = GR_D3D_FindDisplayMode(width, height);
  if (g_D3D.fullscreen) {
    width = DesktopWidth();
    height = DesktopHeight();
  }
  Console_DebugOutput("Selected Resolution: %dx%d\n", width, height);
  Console_DebugOutput("Prepare to create device\n");

  D3DPRESENT_PARAMETERS& pp = g_D3D.pp;
  pp = D3DPRESENT_PARAMETERS{};
  pp.BackBufferWidth = static_cast<UINT>(std::max(width, 0));
  pp.BackBufferHeight = static_cast<UINT>(std::max(height, 0));
  pp.BackBufferFormat = D3DFMT_A8R8G8B8;
  pp.BackBufferCount = g_D3D.manualVSync ? 2 : 1;
  pp.MultiSampleType = D3DMULTISAMPLE_NONE;
  pp.SwapEffect = g_D3D.manualVSync ? D3DSWAPEFFECT_FLIPEX : D3DSWAPEFFECT_COPY;
  pp.hDeviceWindow = nullptr;
  pp.Windowed = g_D3D.fullscreen ? FALSE : TRUE;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D24S8;
  pp.PresentationInterval = PresentationInterval();
  Console_DebugOutput("Creating D3D device - ARGB=32bit, D24S8, SwapEffect=Copy, %s\n",
                      software ? "Software vertex processing" : "Hardware vertex processing");
  IDirect3DDevice9* device = nullptr;
  HRESULT hr = g_D3D.d3d->CreateDevice(mode.adapter, D3DDEVTYPE_HAL, focus, g_D3D.behaviourFlags, &pp, &device);
  if (FAILED(hr) && g_D3D.manualVSync) {
    DropManualVSync(&pp, D3DSWAPEFFECT_COPY);
    hr = g_D3D.d3d->CreateDevice(mode.adapter, D3DDEVTYPE_HAL, focus, g_D3D.behaviourFlags, &pp, &device);
  }
  if (FAILED(hr)) {
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    Console_DebugOutput("Creating D3D device - ARGB=32bit, D16, SwapEffect=Discard, Software Vertex Processing\n");
    g_D3D.behaviourFlags = kSoftwareFlags;
    hr = g_D3D.d3d->CreateDevice(mode.adapter, D3DDEVTYPE_HAL, focus, kSoftwareFlags, &pp, &device);
  }
  if (FAILED(hr) || device == nullptr) {
    Display_MessageBox(
        "Failed to create Direct3D Device. Please check that your drivers are up-to-date. Alternatively try "
        "switching your computer to a lower resolution to reduce graphics memory requirements.");
    Error_EndProcess(-1);
    // A replaced end step returns: go on as without an interface.
    g_D3D.d3d->Release();
    g_D3D.d3d = nullptr;
    return false;
  }
  g_D3D.device = device;
  // Which renderer draws (a GPU's or a software one) explains most of a game's speed.
  D3DADAPTER_IDENTIFIER9 identifier{};
  if (SUCCEEDED(g_D3D.d3d->GetAdapterIdentifier(mode.adapter, 0, &identifier))) {
    Console_DebugOutput("Adapter: %s\n", identifier.Description);
  }

  Console_DebugOutput("Creating screen render target\n");
  SetWindowSize(static_cast<int32_t>(pp.BackBufferWidth), static_cast<int32_t>(pp.BackBufferHeight));
  Console_DebugOutput("Get Device Caps\n");
  device->GetDeviceCaps(&g_D3D.caps);
  g_D3D.supportedSamples = 0;
  for (DWORD samples : {2u, 4u, 8u, 16u}) {
    if (SUCCEEDED(g_D3D.d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, pp.BackBufferFormat, TRUE,
                                                        static_cast<D3DMULTISAMPLE_TYPE>(samples), nullptr))) {
      g_D3D.supportedSamples |= samples;
    }
  }
  Display_SupportedSamples = g_D3D.supportedSamples;
  g_D3D.maxRenderTargets = static_cast<int32_t>(std::min<DWORD>(g_D3D.caps.NumSimultaneousRTs, 4));
  g_D3D.pendingWidth = -1;
  g_D3D.pendingHeight = -1;
  Console_DebugOutput("Graphics initialisation end...\n");
  return true;
}

namespace {

// A size the host asked for (a resize of the window, window_set_size) becomes the pending size.
void TakeHostRequest() {
  WindowState& s = g_WindowState;
  if (g_D3D.fullscreen || s.pendingWidth <= 0 || s.pendingHeight <= 0) return;
  if (g_D3D.pendingWidth < 0) {
    g_D3D.pendingWidth = s.pendingWidth;
    g_D3D.pendingHeight = s.pendingHeight;
  }
  s.pendingWidth = 0;
  s.pendingHeight = 0;
  s.sizeChanged = false;
}

void PlaceWindow(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (g_D3D.window == nullptr) return;
  WindowRect rect{0, 0, width, height};
  WindowSystem_Get().AdjustWindowRect(&rect, g_WindowState.windowedStyle);
  WindowSystem_Get().SetWindowPos(g_D3D.window, x + rect.left, y + rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top);
}

}  // namespace

bool GR_D3D_Reset() {
  g_D3D.fullscreen = g_WindowState.fullscreen;
  TakeHostRequest();
  Texture_PopAllTargets();
  if (g_D3D.device == nullptr || g_D3D.d3d == nullptr) return false;
  D3DDISPLAYMODE desktop;
  if (FAILED(g_D3D.d3d->GetAdapterDisplayMode(0, &desktop))) return false;
  if (FAILED(g_D3D.d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, desktop.Format, TRUE,
                                                    static_cast<D3DMULTISAMPLE_TYPE>(g_D3D.samples), nullptr))) {
    g_D3D.samples = 0;
    g_D3D.aaSwapEffect = D3DSWAPEFFECT_COPY;
  }
  D3DPRESENT_PARAMETERS& pp = g_D3D.pp;
  pp.PresentationInterval = PresentationInterval();
  const bool pending = g_D3D.pendingWidth >= 0;
  int32_t width = pending ? g_D3D.pendingWidth : g_D3D.windowWidth;
  int32_t height = pending ? g_D3D.pendingHeight : g_D3D.windowHeight;
  if (g_D3D.fullscreen) {
    pp.Windowed = FALSE;
    width = DesktopWidth();
    height = DesktopHeight();
    SetWindowSize(width, height);
  } else {
    pp.Windowed = TRUE;
    if (!pending && g_WindowState.backbufferWidth > 0 && g_WindowState.backbufferHeight > 0) {
      width = g_WindowState.backbufferWidth;
      height = g_WindowState.backbufferHeight;
    }
  }
  pp.BackBufferWidth = static_cast<UINT>(std::max(width, 1));
  pp.BackBufferHeight = static_cast<UINT>(std::max(height, 1));
  pp.BackBufferCount = g_D3D.manualVSync ? 2 : 1;
  pp.SwapEffect = g_D3D.manualVSync ? D3DSWAPEFFECT_FLIPEX : g_D3D.aaSwapEffect;
  pp.MultiSampleType = static_cast<D3DMULTISAMPLE_TYPE>(g_D3D.samples);
  HRESULT hr = g_D3D.device->Reset(&pp);
  if (FAILED(hr)) {
    Console_DebugOutput("Reset() Failed: %X\n", static_cast<unsigned>(hr));
    if (g_D3D.manualVSync) {
      DropManualVSync(&pp, g_D3D.aaSwapEffect);
      hr = g_D3D.device->Reset(&pp);
    }
    if (FAILED(hr)) {
      g_D3D.samples = 0;
      pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
      pp.MultiSampleType = D3DMULTISAMPLE_NONE;
      Console_DebugOutput("Change SWAP+Multisample type effect, try Reset() again\n");
      hr = g_D3D.device->Reset(&pp);
      if (FAILED(hr)) return false;
    }
  }

  WindowState& s = g_WindowState;
  if (!g_D3D.fullscreen) {
    if (pending) {
      s.backbufferWidth = g_D3D.pendingWidth;
      s.backbufferHeight = g_D3D.pendingHeight;
    } else if (s.backbufferWidth <= 0 || s.backbufferHeight <= 0) {
      s.backbufferWidth = static_cast<int32_t>(pp.BackBufferWidth);
      s.backbufferHeight = static_cast<int32_t>(pp.BackBufferHeight);
    }
    SetWindowSize(s.backbufferWidth, s.backbufferHeight);
    if (pending && !g_D3D.keepWindowInPlace) {
      int32_t screenWidth = 0;
      int32_t screenHeight = 0;
      WindowSystem_Get().GetScreenSize(&screenWidth, &screenHeight);
      PlaceWindow((screenWidth - g_D3D.windowWidth) / 2, (screenHeight - g_D3D.windowHeight) / 2, g_D3D.windowWidth,
                  g_D3D.windowHeight);
    }
    GR_SetScreenSize(g_D3D.windowWidth, g_D3D.windowHeight);
  } else if (pending) {
    s.backbufferWidth = g_D3D.pendingWidth;
    s.backbufferHeight = g_D3D.pendingHeight;
  }
  g_D3D.keepWindowInPlace = false;

  GR_D3D_Clear(0, 1.0f, 0, kClearTarget | kClearDepth | kClearStencil);
  g_D3D.pendingWidth = -1;
  g_D3D.pendingHeight = -1;
  GR_RestoreRenderStates();
  return true;
}

bool GR_D3D_ResetAndRestore() {
  Surface_FreeAll();
  const bool reset = GR_D3D_Reset();
  if (g_D3D.device != nullptr) {
    GR_D3D_Clear(0, 1.0f, 0, kClearTarget | kClearDepth | kClearStencil);
    GR_RestoreRenderStates();
  }
  return reset;
}

bool GR_D3D_BeginScene() {
  if (g_D3D.device == nullptr || g_D3D.sceneDepth != 0) return false;
  const HRESULT level = g_D3D.device->TestCooperativeLevel();
  if (level == D3DERR_DEVICENOTRESET || (!g_D3D.plainD3D9 && level == D3DERR_DEVICELOST)) GR_D3D_ResetAndRestore();
  const HRESULT hr = g_D3D.device->BeginScene();
  Texture_PopAllTargets();
  int32_t width = 0;
  int32_t height = 0;
  if (ClientSize(g_D3D.window, &width, &height)) {
    g_WindowState.clientWidth = width;
    g_WindowState.clientHeight = height;
  }
  DebugOverlay_FrameBegin();
  g_D3D.sceneDepth = 1;
  return SUCCEEDED(hr);
}

bool GR_D3D_EndScene() {
  if (g_D3D.device == nullptr || g_D3D.sceneDepth != 1) return false;
  GraphicsFlush();
  DebugOverlay_FrameEnd();
  g_D3D.sceneDepth = 0;
  GraphicsFlush();
  // Entries left over would keep a surface as target 0 and no later frame would reach the window.
  if (Texture_TargetStackDepth() > 1) {
    Texture_PopAllTargets();
  } else {
    Texture_PopTarget();
  }
  GraphicsFlush();
  VBPool_EndFrame();
  const HRESULT hr = g_D3D.device->EndScene();
  Texture_PopAllTargets();
  return SUCCEEDED(hr);
}

bool GR_D3D_Present() {
  GR_D3D_ShowWindow();
  if (g_D3D.device == nullptr) return false;
  if (g_D3D.manualVSync && g_D3D.vsync && g_FrameTiming.displayResetCountdown != 1) {
    D3DRASTER_STATUS status{};
    while (SUCCEEDED(g_D3D.device->GetRasterStatus(0, &status)) && !status.InVBlank) {
    }
  }
  return SUCCEEDED(g_D3D.device->Present(nullptr, nullptr, nullptr, nullptr));
}

void GR_D3D_ShowWindow() {
  if (g_D3D.windowShown) return;
  if (g_D3D.window != nullptr) {
    const int passes = (g_D3D.headerFlags & kD3DFlagShowOnce) != 0 ? 1 : 10;
    for (int i = 0; i < passes; ++i) {
      WindowSystem_Get().ShowWindow(g_D3D.window);
      Win32_PumpMessages();
    }
  }
  g_D3D.windowShown = true;
}

void GR_D3D_ExitFullScreen() {
  GR_D3D_ShowWindow();
  if (!g_D3D.fullscreen && !g_WindowState.fullscreen) return;
  g_D3D.fullscreen = false;
  g_WindowState.fullscreen = false;
  const bool sceneOpen = g_D3D.sceneDepth != 0;
  if (sceneOpen) End_Frame(false);
  GR_D3D_Reset();
  if (sceneOpen) Start_Frame();
}

void GR_D3D_ApplyWindowSize() {
  if (g_D3D.fullscreen || g_D3D.pendingWidth < 0) return;
  WindowRect outer;
  if (g_D3D.window != nullptr && WindowSystem_Get().GetWindowRect(g_D3D.window, &outer)) {
    WindowRect rect{0, 0, g_D3D.pendingWidth, g_D3D.pendingHeight};
    WindowSystem_Get().AdjustWindowRect(&rect, g_WindowState.windowedStyle);
    WindowSystem_Get().SetWindowPos(g_D3D.window, outer.left, outer.top, rect.right - rect.left, rect.bottom - rect.top);
  }
  GR_SetScreenSize(g_D3D.pendingWidth, g_D3D.pendingHeight);
}

void GR_D3D_ResizeWindow() {
  TakeHostRequest();
  GR_D3D_ApplyWindowSize();
}

bool GR_D3D_ShadersSupported() {
  return (g_D3D.caps.VertexShaderVersion & 0xFFFF) >= 0x200 && (g_D3D.caps.PixelShaderVersion & 0xFFFF) >= 0x200;
}

void GR_D3D_Release() {
  Texture_PopAllTargets();
  if (g_D3D.device != nullptr) {
    while (g_D3D.device->Release() > 0) {
    }
    g_D3D.device = nullptr;
  }
  if (g_D3D.d3d != nullptr) g_D3D.d3d->Release();
  g_D3D.d3d = nullptr;
  GLWindow_Destroy(g_D3D.deviceWindow);
  g_D3D.deviceWindow = nullptr;
  g_D3D.pendingWidth = -1;
  g_D3D.pendingHeight = -1;
}

void GR_D3D_Shutdown() {
  GR_Texture_Free(g_whiteSlot);
  g_whiteSlot = -1;
  Surface_FreeAll();
  // Script vertex buffers and formats hold device objects: they let go before the device does.
  VertexBuffer_FreeAll();
  VertexFormat_ReleaseDeclarations();
  VBPool_FreeAll();
  GR_D3D_Release();
  GR_D3D_FreeAdapters();
  g_D3D.sceneDepth = 0;
  g_D3D.windowShown = false;
  g_D3D.window = nullptr;
}

void GR_GetScreenSize(int32_t* width, int32_t* height) {
  *width = g_D3D.screenWidth;
  *height = g_D3D.screenHeight;
}

void GR_InitHook() {}

int32_t GR_D3D_WhiteTexture() { return GR_Texture_Get(g_whiteSlot) != nullptr ? g_whiteSlot : -1; }
