// A window with an OpenGL 3.3 core context on it: what the graphics device draws through.
// Drawing never goes to the window's own framebuffer except when a frame is presented.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

struct SDL_Window;

struct GLWindowDesc {
  const char* title = "";
  int width = 640;
  int height = 480;
  bool visible = false;  // a hidden window is shown later with GLWindow_Show
  bool resizable = false;
};

// Starts SDL's video subsystem (counted, so every window pairs with one stop), creates the window
// and its context and makes the context current. Null on failure; GLWindow_LastError says why.
GLWindow* GLWindow_Create(const GLWindowDesc& desc);
// An OpenGL 3.3 core context on a window made elsewhere (with SDL_WINDOW_OPENGL); destroying the
// result deletes the context and leaves the window to its maker. Null on failure.
GLWindow* GLWindow_Attach(SDL_Window* window);
void GLWindow_Destroy(GLWindow* window);
const char* GLWindow_LastError();
// True when the current OpenGL context is one of these windows' own: every one of them is made
// alike, so what the current one answers about the driver holds for all of them.
bool GLWindow_OwnsCurrentContext();

SDL_Window* GLWindow_GetSDLWindow(GLWindow* window);
void GLWindow_MakeCurrent(GLWindow* window);  // cheap when it is current already
void GLWindow_Show(GLWindow* window);
bool GLWindow_IsShown(GLWindow* window);
void GLWindow_GetClientSize(GLWindow* window, int* width, int* height);  // drawable pixels
// 0 presents at once, 1 waits for the vertical blank; false when the driver cannot do it.
bool GLWindow_SetSwapInterval(GLWindow* window, int interval);
void GLWindow_Swap(GLWindow* window);
// Reads what the window shows, top row first, BGRA bytes; false when it cannot.
bool GLWindow_ReadPixels(GLWindow* window, int x, int y, int width, int height, void* bgra);
// The display the window is on (0 when unknown).
int GLWindow_GetDisplayIndex(GLWindow* window);
