// Switches and inspection of the OpenGL device that tests and diagnostics use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/d3d9/d3d9.h"

// Textures created from now on decode DXT blocks in software even where OpenGL could take them.
void D3D9GL_ForceSoftwareDXT(bool on);
// What OpenGL holds for a level of a texture of the OpenGL device, as B, G, R, A bytes top row
// first; false for other textures or formats that do not read back as 32 bits.
bool D3D9GL_ReadTextureLevel(IDirect3DTexture9* texture, UINT level, std::vector<uint8_t>* bgra);
// The window a device of the OpenGL implementation presents to.
HWND D3D9GL_GetDeviceWindow(IDirect3DDevice9* device);
// Fixed-function programs the OpenGL device has compiled so far (0 for other devices).
size_t D3D9GL_ProgramCount(IDirect3DDevice9* device);
// The desktop mode of a display as the system reports it, with bits per pixel counted from its
// bytes per pixel (a 4-byte desktop is 32); false when the display cannot be read.
bool D3D9GL_DesktopMode(int display, int* width, int* height, int* refreshRate, int* bitsPerPixel);
// The test switch of lost devices: the device reports itself lost (not reset) until a Reset
// succeeds, and its next `failingResets` Resets fail. False for other devices.
bool D3D9GL_LoseDevice(IDirect3DDevice9* device, int failingResets);
