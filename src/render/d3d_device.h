// The graphics device of the main window: its creation with fallbacks, resets, the frame's
// scene, presentation and release; the adapter table, display modes and display functions.
#pragma once

#include <cstdint>

#include "io/graphics_device.h"

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
