#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/d3d9/gl_device.h"
#include "platform/d3d9/gl_options.h"
#include "platform/window/gl_window.h"
#include "platform/window/window_system.h"

namespace {

GLMachineInfo g_machine;
std::string g_lastError;
bool g_forceSoftwareDXT = false;

void Probe() {
  if (g_machine.probed) return;
  g_machine.probed = true;
  // A context of the layer's own that is current already (the device's window is usually
  // attached first) answers for the driver; a hidden window and context cost several
  // milliseconds at start-up.
  GLWindow* window = nullptr;
  if (!GLWindow_OwnsCurrentContext()) {
    GLWindowDesc desc;
    desc.title = "probe";
    desc.width = 1;
    desc.height = 1;
    window = GLWindow_Create(desc);
    if (window == nullptr) {
      g_machine.error = GLWindow_LastError();
      return;
    }
  }
  auto text = [](GLenum name) {
    const GLubyte* s = glGetString(name);
    return std::string(s ? reinterpret_cast<const char*>(s) : "");
  };
  g_machine.renderer = text(GL_RENDERER);
  g_machine.vendor = text(GL_VENDOR);
  g_machine.version = text(GL_VERSION);
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &g_machine.maxTextureSize);
  glGetIntegerv(GL_MAX_SAMPLES, &g_machine.maxSamples);
  glGetIntegerv(GL_MAX_DRAW_BUFFERS, &g_machine.maxDrawBuffers);
  g_machine.s3tc = epoxy_has_gl_extension("GL_EXT_texture_compression_s3tc");
  g_machine.usable = true;
  GLWindow_Destroy(window);
}

}  // namespace

const GLMachineInfo& GLMachine_Info() {
  Probe();
  return g_machine;
}

void D3D9GL_ForceSoftwareDXT(bool on) { g_forceSoftwareDXT = on; }

bool GLFormat_ForColour(D3DFORMAT format, GLFormat* out) {
  GLFormat f;
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
      f.internalFormat = GL_RGBA8;
      f.format = GL_BGRA;
      f.type = GL_UNSIGNED_INT_8_8_8_8_REV;
      if (format == D3DFMT_X8R8G8B8) f.swizzle[3] = GL_ONE;
      break;
    case D3DFMT_A4R4G4B4:
      f.internalFormat = GL_RGBA4;
      f.format = GL_BGRA;
      f.type = GL_UNSIGNED_SHORT_4_4_4_4_REV;
      break;
    case D3DFMT_R16F:
    case D3DFMT_R32F:
      f.internalFormat = format == D3DFMT_R16F ? GL_R16F : GL_R32F;
      f.format = GL_RED;
      f.type = format == D3DFMT_R16F ? GL_HALF_FLOAT : GL_FLOAT;
      f.swizzle[1] = f.swizzle[2] = f.swizzle[3] = GL_ONE;
      break;
    case D3DFMT_DXT1:
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
      if (GLMachine_Info().s3tc && !g_forceSoftwareDXT) {
        f.compressed = true;
        f.internalFormat = format == D3DFMT_DXT1   ? GL_COMPRESSED_RGBA_S3TC_DXT1_EXT
                           : (format == D3DFMT_DXT2 || format == D3DFMT_DXT3) ? GL_COMPRESSED_RGBA_S3TC_DXT3_EXT
                                                                            : GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
      } else {
        f.decodeDXT = true;
        f.internalFormat = GL_RGBA8;
        f.format = GL_BGRA;
        f.type = GL_UNSIGNED_INT_8_8_8_8_REV;
      }
      break;
    default:
      return false;
  }
  *out = f;
  return true;
}

bool GLFormat_ForDepth(D3DFORMAT format, GLenum* internalFormat, bool* hasStencil) {
  switch (format) {
    case D3DFMT_D24S8:
      *internalFormat = GL_DEPTH24_STENCIL8;
      *hasStencil = true;
      return true;
    case D3DFMT_D24X8:
      *internalFormat = GL_DEPTH_COMPONENT24;
      *hasStencil = false;
      return true;
    case D3DFMT_D16:
    case D3DFMT_D16_LOCKABLE:
      *internalFormat = GL_DEPTH_COMPONENT16;
      *hasStencil = false;
      return true;
    case D3DFMT_D32:
      *internalFormat = GL_DEPTH_COMPONENT32;
      *hasStencil = false;
      return true;
    default:
      return false;
  }
}

bool GLMachine_SupportsSamples(DWORD samples) {
  if (samples == D3DMULTISAMPLE_NONE) return true;
  if (samples != 2 && samples != 4 && samples != 8 && samples != 16) return false;
  return static_cast<int>(samples) <= GLMachine_Info().maxSamples;
}

bool GLMachine_DisplayMode(int display, D3DDISPLAYMODE* mode) {
  SDL_DisplayMode m;
  if (SDL_GetDesktopDisplayMode(display, &m) != 0) return false;
  mode->Width = static_cast<UINT>(m.w);
  mode->Height = static_cast<UINT>(m.h);
  mode->RefreshRate = static_cast<UINT>(m.refresh_rate);
  mode->Format = SDL_BITSPERPIXEL(m.format) == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8;
  return true;
}

bool D3D9GL_DesktopMode(int display, int* width, int* height, int* refreshRate, int* bitsPerPixel) {
  if (!WindowLayer_EnsureVideo()) return false;
  SDL_DisplayMode m;
  if (SDL_GetDesktopDisplayMode(display, &m) != 0) return false;
  *width = m.w;
  *height = m.h;
  *refreshRate = m.refresh_rate;
  *bitsPerPixel = SDL_BYTESPERPIXEL(m.format) * 8;
  return true;
}

namespace {

D3DCAPS9 MakeCaps(UINT adapter) {
  const GLMachineInfo& info = GLMachine_Info();
  D3DCAPS9 caps{};
  caps.DeviceType = D3DDEVTYPE_HAL;
  caps.AdapterOrdinal = adapter;
  caps.Caps2 = D3DCAPS2_DYNAMICTEXTURES;
  caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;
  caps.RasterCaps = D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_FOGVERTEX |
                    D3DPRASTERCAPS_FOGTABLE | D3DPRASTERCAPS_FOGRANGE | D3DPRASTERCAPS_SCISSORTEST |
                    D3DPRASTERCAPS_WFOG | D3DPRASTERCAPS_ZFOG;
  caps.PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW |
                          D3DPMISCCAPS_COLORWRITEENABLE | D3DPMISCCAPS_BLENDOP | D3DPMISCCAPS_SEPARATEALPHABLEND;
  caps.TextureCaps = D3DPTEXTURECAPS_ALPHA;
  caps.TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MAGFPOINT |
                           D3DPTFILTERCAPS_MAGFLINEAR;
  DWORD side = static_cast<DWORD>(std::max(info.maxTextureSize, 1));
  caps.MaxTextureWidth = caps.MaxTextureHeight = std::min(side, kD3D9MaxTextureSide);
  caps.MaxAnisotropy = 1;
  caps.MaxTextureBlendStages = 8;
  caps.MaxSimultaneousTextures = 8;
  caps.MaxActiveLights = 8;
  caps.MaxPointSize = 64.0f;
  caps.MaxPrimitiveCount = 0xFFFFF;
  caps.MaxVertexIndex = 0xFFFFFF;
  caps.MaxStreams = 16;
  caps.MaxStreamStride = 255;
  // No shader is compiled on this device yet: shader model 0.
  caps.VertexShaderVersion = D3DVS_VERSION(0, 0);
  caps.MaxVertexShaderConst = 256;
  caps.PixelShaderVersion = D3DPS_VERSION(0, 0);
  caps.MasterAdapterOrdinal = adapter;
  caps.AdapterOrdinalInGroup = 0;
  caps.NumberOfAdaptersInGroup = 1;
  caps.NumSimultaneousRTs = static_cast<DWORD>(std::clamp(info.maxDrawBuffers, 1, 4));
  caps.StretchRectFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR |
                               D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
  return caps;
}

void CopyText(char* out, size_t size, const std::string& text) {
  size_t n = std::min(size - 1, text.size());
  std::memcpy(out, text.data(), n);
  out[n] = 0;
}

}  // namespace

GLDirect3D9::GLDirect3D9() { SDL_InitSubSystem(SDL_INIT_VIDEO); }

GLDirect3D9::~GLDirect3D9() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

ULONG GLDirect3D9::AddRef() { return ++m_refs; }

ULONG GLDirect3D9::Release() {
  ULONG refs = --m_refs;
  if (refs == 0) delete this;
  return refs;
}

UINT GLDirect3D9::GetAdapterCount() {
  int n = SDL_GetNumVideoDisplays();
  return n > 0 ? static_cast<UINT>(n) : 0;
}

HRESULT GLDirect3D9::GetAdapterIdentifier(UINT adapter, DWORD, D3DADAPTER_IDENTIFIER9* id) {
  if (id == nullptr || adapter >= GetAdapterCount()) return D3DERR_INVALIDCALL;
  const GLMachineInfo& info = GLMachine_Info();
  std::memset(id, 0, sizeof *id);
  CopyText(id->Driver, sizeof id->Driver, "OpenGL " + info.version);
  // The renderer's own name, so the description names the adapter that is really there.
  CopyText(id->Description, sizeof id->Description, info.renderer);
  char name[32];
  std::snprintf(name, sizeof name, "DISPLAY%u", adapter + 1);
  CopyText(id->DeviceName, sizeof id->DeviceName, name);
  return D3D_OK;
}

UINT GLDirect3D9::GetAdapterModeCount(UINT adapter, D3DFORMAT format) {
  if (adapter >= GetAdapterCount()) return 0;
  int n = SDL_GetNumDisplayModes(static_cast<int>(adapter));
  UINT count = 0;
  for (int i = 0; i < n; ++i) {
    D3DDISPLAYMODE mode;
    if (EnumAdapterModes(adapter, format, count, &mode) == D3D_OK) ++count;
  }
  return count;
}

HRESULT GLDirect3D9::EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT index, D3DDISPLAYMODE* pMode) {
  if (pMode == nullptr || adapter >= GetAdapterCount()) return D3DERR_INVALIDCALL;
  const int wantBits = format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5 || format == D3DFMT_A1R5G5B5 ? 16 : 32;
  int n = SDL_GetNumDisplayModes(static_cast<int>(adapter));
  UINT seen = 0;
  for (int i = 0; i < n; ++i) {
    SDL_DisplayMode m;
    if (SDL_GetDisplayMode(static_cast<int>(adapter), i, &m) != 0) continue;
    int bits = SDL_BITSPERPIXEL(m.format) == 16 ? 16 : 32;
    if (bits != wantBits) continue;
    if (seen++ == index) {
      pMode->Width = static_cast<UINT>(m.w);
      pMode->Height = static_cast<UINT>(m.h);
      pMode->RefreshRate = static_cast<UINT>(m.refresh_rate);
      pMode->Format = bits == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8;
      return D3D_OK;
    }
  }
  return D3DERR_INVALIDCALL;
}

HRESULT GLDirect3D9::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* pMode) {
  if (pMode == nullptr || adapter >= GetAdapterCount()) return D3DERR_INVALIDCALL;
  return GLMachine_DisplayMode(static_cast<int>(adapter), pMode) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT GLDirect3D9::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT, BOOL,
                                                D3DMULTISAMPLE_TYPE type, DWORD* pQualityLevels) {
  if (adapter >= GetAdapterCount() || deviceType != D3DDEVTYPE_HAL) return D3DERR_INVALIDCALL;
  if (!GLMachine_Info().usable || !GLMachine_SupportsSamples(type)) return D3DERR_NOTAVAILABLE;
  if (pQualityLevels) *pQualityLevels = 1;
  return D3D_OK;
}

HRESULT GLDirect3D9::GetDeviceCaps(UINT adapter, D3DDEVTYPE deviceType, D3DCAPS9* pCaps) {
  if (pCaps == nullptr || adapter >= GetAdapterCount()) return D3DERR_INVALIDCALL;
  if (deviceType != D3DDEVTYPE_HAL || !GLMachine_Info().usable) return D3DERR_NOTAVAILABLE;
  *pCaps = MakeCaps(adapter);
  return D3D_OK;
}

HMONITOR GLDirect3D9::GetAdapterMonitor(UINT adapter) {
  if (adapter >= GetAdapterCount()) return nullptr;
  // A token, not an address: display index + 1, so that no monitor is null.
  return reinterpret_cast<HMONITOR>(static_cast<uintptr_t>(adapter) + 1);
}

HRESULT GLDirect3D9::CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND hFocusWindow, DWORD,
                                  D3DPRESENT_PARAMETERS* pp, IDirect3DDevice9** ppDevice) {
  if (ppDevice == nullptr) return D3DERR_INVALIDCALL;
  *ppDevice = nullptr;
  if (pp == nullptr || adapter >= GetAdapterCount() || deviceType != D3DDEVTYPE_HAL) return D3DERR_INVALIDCALL;
  if (!GLMachine_Info().usable) return D3DERR_NOTAVAILABLE;
  HWND window = pp->hDeviceWindow != nullptr ? pp->hDeviceWindow : hFocusWindow;
  bool ownsWindow = false;
  if (window == nullptr) {
    GLWindowDesc desc;
    desc.title = "";
    desc.width = pp->BackBufferWidth > 0 ? static_cast<int>(pp->BackBufferWidth) : 640;
    desc.height = pp->BackBufferHeight > 0 ? static_cast<int>(pp->BackBufferHeight) : 480;
    window = GLWindow_Create(desc);
    if (window == nullptr) return D3DERR_NOTAVAILABLE;
    ownsWindow = true;
  }
  auto* device = new GLDevice(this, window, ownsWindow, MakeCaps(adapter));
  HRESULT hr = device->Init(pp);
  if (FAILED(hr)) {
    device->Release();
    return hr;
  }
  *ppDevice = device;
  return D3D_OK;
}

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
  if (sdkVersion != D3D_SDK_VERSION) {
    g_lastError = "The graphics layer was asked for an interface version it does not provide.";
    return nullptr;
  }
  auto* d3d = new GLDirect3D9;  // holds the video system up across the probe
  const GLMachineInfo& info = GLMachine_Info();
  if (!info.usable) {
    g_lastError = "This machine has no usable OpenGL 3.3 (" + info.error + ").";
    d3d->Release();
    return nullptr;
  }
  return d3d;
}

const char* Direct3D9_LastError() { return g_lastError.c_str(); }
