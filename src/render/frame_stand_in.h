// STAND-IN until texture objects, texture slots and page entries, the render-target stack,
// screen read-back, shaders, surfaces and the debug overlay's frame are built: the least of each
// that the device, the state cache, the batcher, the clear and the primitive list call. Each does
// what its name says on the device, without the bookkeeping of its own issue.
#pragma once

#include <cstdint>

#include "platform/d3d9/d3d9.h"
#include "render/matrix.h"

// The texture bound to the base stage (null: none); the stage-0 operations (1: modulate).
void Texture_Bind(int32_t stage, void* texture);
void Texture_SetStageOps(int32_t mode);
// The render-target stack: its depth, pushing every bound target and the depth surface, popping
// one entry (restoring what it saved) and all.
int32_t Texture_TargetStackDepth();
bool Texture_PushTarget();
bool Texture_PopTarget();
void Texture_PopAllTargets();
// Pushes, then makes `surface` target 0 (for tests of the stack).
bool Texture_PushTarget(void* surface);

// A rectangle on a texture page: source rectangle, trim offset and drawn size, the untrimmed
// size, and the page's texture slot.
struct TPageEntry {
  int16_t x, y, width, height;
  int16_t targetX, targetY, targetWidth, targetHeight;
  int16_t fullWidth, fullHeight;
  int16_t page;
};
// Slots and page-entry handles that tests register; handles are 0x40000000 + the entry's index.
bool GR_Texture_Exists(int32_t slot);
// The texture the batcher binds for a valid slot, else null.
IDirect3DTexture9* GR_Texture_Get(int32_t slot);
// The size in texels of a valid slot's texture.
bool GR_Texture_GetTextureSize(int32_t slot, float* width, float* height);
// The slot and entry of a live page-entry handle; false for a forged or freed one.
bool GR_Texture_ResolveHandle(int32_t handle, int32_t* slot, const TPageEntry** entry);
int32_t GR_Texture_StandInAddSlot(IDirect3DTexture9* texture, int32_t width, int32_t height);
int32_t GR_Texture_StandInAddEntry(const TPageEntry& entry);
void GR_Texture_StandInFreeEntry(int32_t handle);
void GR_Texture_StandInClear();

// Reads width x height pixels at (x, y) of the back buffer, cut to the bound area and the buffer:
// a new block (memory manager) of 0xAARRGGBB words, top row first, or null.
uint32_t* GR_D3D_GetScreenPixels(int32_t boundWidth, int32_t boundHeight, int32_t x, int32_t y, int32_t* width,
                                 int32_t* height);

// The current shader (null: fixed-function drawing) and the upload of the matrix block to it.
struct Shader;
Shader* Shader_GetCurrent();
void Shader_MakeCurrent(Shader* shader);
void Shader_UploadMatrices(const Matrix44* block);
extern int32_t g_ShaderMatrixUploads;

// Frees every surface (they are made again by their owners on next use).
void Surface_FreeAll();
// The debug overlay's frame.
void DebugOverlay_FrameBegin();
void DebugOverlay_FrameEnd();
