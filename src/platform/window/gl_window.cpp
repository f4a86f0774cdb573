#include "platform/window/gl_window.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

struct GLWindow {
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  bool shown = false;
  bool attached = false;  // the window belongs to someone else
};

namespace {

std::string g_lastError;
std::vector<SDL_GLContext> g_contexts;  // every live context made here

void EnsureDisplayDriverChoice() {
  // With no display server there is nothing for the default drivers to open; the offscreen
  // driver still gives a context through Mesa.
  if (std::getenv("SDL_VIDEODRIVER") == nullptr && std::getenv("DISPLAY") == nullptr &&
      std::getenv("WAYLAND_DISPLAY") == nullptr) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
  }
}

// The OpenGL driver modules stay loaded once a context has brought them in: destroying the last
// context would otherwise unload them, and the next context (the device's, after the probe's)
// would pay for loading and starting the driver again. It also keeps the driver's own caches
// reachable for leak checkers.
void PinDriverModules() {
  static bool pinned = false;
  if (pinned) return;
  pinned = true;
  FILE* maps = std::fopen("/proc/self/maps", "r");
  if (maps == nullptr) return;
  char line[4096];
  while (std::fgets(line, sizeof line, maps)) {
    const char* path = std::strchr(line, '/');
    if (path == nullptr) continue;
    std::string file(path);
    while (!file.empty() && (file.back() == '\n' || file.back() == ' ')) file.pop_back();
    if (file.find("/dri/") == std::string::npos && file.find("libgallium") == std::string::npos &&
        file.find("_mesa.so") == std::string::npos) {
      continue;
    }
    if (void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE)) dlclose(handle);
  }
  std::fclose(maps);
}

}  // namespace

const char* GLWindow_LastError() { return g_lastError.c_str(); }

namespace {

void AskForCoreContext() {
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  // The device draws into its own framebuffer objects; the window's needs colour only.
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
}

// Makes a 3.3 core context current on the window; null (the window left alone) on failure.
SDL_GLContext MakeContext(SDL_Window* sdlWindow) {
  SDL_GLContext context = SDL_GL_CreateContext(sdlWindow);
  if (context == nullptr) {
    g_lastError = std::string("cannot create an OpenGL 3.3 core context: ") + SDL_GetError();
    return nullptr;
  }
  SDL_GL_MakeCurrent(sdlWindow, context);
  if (epoxy_gl_version() < 33) {
    g_lastError = "the OpenGL context is older than version 3.3";
    SDL_GL_DeleteContext(context);
    return nullptr;
  }
  PinDriverModules();
  g_contexts.push_back(context);
  return context;
}

}  // namespace

GLWindow* GLWindow_Create(const GLWindowDesc& desc) {
  EnsureDisplayDriverChoice();
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    g_lastError = std::string("cannot start the video system: ") + SDL_GetError();
    return nullptr;
  }
  AskForCoreContext();
  Uint32 flags = SDL_WINDOW_OPENGL | (desc.visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN);
  if (desc.resizable) flags |= SDL_WINDOW_RESIZABLE;
  SDL_Window* sdlWindow = SDL_CreateWindow(desc.title ? desc.title : "", SDL_WINDOWPOS_CENTERED,
                                           SDL_WINDOWPOS_CENTERED, desc.width > 0 ? desc.width : 1,
                                           desc.height > 0 ? desc.height : 1, flags);
  if (sdlWindow == nullptr) {
    g_lastError = std::string("cannot create a window for OpenGL: ") + SDL_GetError();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  SDL_GLContext context = MakeContext(sdlWindow);
  if (context == nullptr) {
    SDL_DestroyWindow(sdlWindow);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  auto* window = new GLWindow;
  window->window = sdlWindow;
  window->context = context;
  window->shown = desc.visible;
  return window;
}

GLWindow* GLWindow_Attach(SDL_Window* sdlWindow) {
  if (sdlWindow == nullptr || SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
  AskForCoreContext();
  SDL_GLContext context = MakeContext(sdlWindow);
  if (context == nullptr) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  auto* window = new GLWindow;
  window->window = sdlWindow;
  window->context = context;
  window->shown = (SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_SHOWN) != 0;
  window->attached = true;
  return window;
}

void GLWindow_Destroy(GLWindow* window) {
  if (window == nullptr) return;
  if (SDL_GL_GetCurrentContext() == window->context) SDL_GL_MakeCurrent(window->window, nullptr);
  std::erase(g_contexts, window->context);
  SDL_GL_DeleteContext(window->context);
  if (!window->attached) SDL_DestroyWindow(window->window);
  delete window;
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool GLWindow_OwnsCurrentContext() {
  SDL_GLContext current = SDL_GL_GetCurrentContext();
  return current != nullptr && std::find(g_contexts.begin(), g_contexts.end(), current) != g_contexts.end();
}

SDL_Window* GLWindow_GetSDLWindow(GLWindow* window) { return window ? window->window : nullptr; }

void GLWindow_MakeCurrent(GLWindow* window) {
  if (window != nullptr && SDL_GL_GetCurrentContext() != window->context) {
    SDL_GL_MakeCurrent(window->window, window->context);
  }
}

void GLWindow_Show(GLWindow* window) {
  if (window == nullptr) return;
  SDL_ShowWindow(window->window);
  window->shown = true;
}

bool GLWindow_IsShown(GLWindow* window) { return window != nullptr && window->shown; }

void GLWindow_GetClientSize(GLWindow* window, int* width, int* height) {
  int w = 0, h = 0;
  if (window != nullptr) SDL_GL_GetDrawableSize(window->window, &w, &h);
  if (width) *width = w;
  if (height) *height = h;
}

bool GLWindow_SetSwapInterval(GLWindow* window, int interval) {
  if (window == nullptr) return false;
  GLWindow_MakeCurrent(window);
  return SDL_GL_SetSwapInterval(interval) == 0;
}

void GLWindow_Swap(GLWindow* window) {
  if (window == nullptr) return;
  GLWindow_MakeCurrent(window);
  SDL_GL_SwapWindow(window->window);
}

bool GLWindow_ReadPixels(GLWindow* window, int x, int y, int width, int height, void* bgra) {
  if (window == nullptr || width <= 0 || height <= 0) return false;
  GLWindow_MakeCurrent(window);
  int w = 0, h = 0;
  SDL_GL_GetDrawableSize(window->window, &w, &h);
  if (x < 0 || y < 0 || x + width > w || y + height > h) return false;
  while (glGetError() != GL_NO_ERROR) {
  }
  GLint readFbo = 0, packAlign = 4, packRow = 0;
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFbo);
  glGetIntegerv(GL_PACK_ALIGNMENT, &packAlign);
  glGetIntegerv(GL_PACK_ROW_LENGTH, &packRow);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  auto* out = static_cast<unsigned char*>(bgra);
  // The window's framebuffer has its bottom row first; callers get the top row first.
  for (int row = 0; row < height; ++row) {
    glReadPixels(x, h - 1 - (y + row), width, 1, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                 out + static_cast<size_t>(row) * width * 4);
  }
  glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFbo));
  glPixelStorei(GL_PACK_ALIGNMENT, packAlign);
  glPixelStorei(GL_PACK_ROW_LENGTH, packRow);
  return glGetError() == GL_NO_ERROR;
}

int GLWindow_GetDisplayIndex(GLWindow* window) {
  if (window == nullptr) return 0;
  int index = SDL_GetWindowDisplayIndex(window->window);
  return index < 0 ? 0 : index;
}
