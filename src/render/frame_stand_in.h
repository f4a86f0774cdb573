// STAND-IN until shaders, surfaces, screen effects, the room redraw's window sizing and the debug
// overlay's frame are built: the least of each that the device, the frame, the matrices and room
// entry call. Each does what its name says, without the bookkeeping of its own issue.
#pragma once

#include <cstdint>

#include "render/matrix.h"

// The current shader (null: fixed-function drawing) and the upload of the matrix block to it.
struct Shader;
Shader* Shader_GetCurrent();
void Shader_MakeCurrent(Shader* shader);
void Shader_UploadMatrices(const Matrix44* block);
extern int32_t g_ShaderMatrixUploads;

// On entering a room: the screen effects end.
void Effect_Clear();

// The debug overlay's frame.
void DebugOverlay_FrameBegin();
void DebugOverlay_FrameEnd();
