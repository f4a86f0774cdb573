// STAND-IN until shaders are built: the least of them that the device, the frame and the matrices
// call. Each does what its name says, without the bookkeeping of its own issue.
#pragma once

#include <cstdint>

#include "render/matrix.h"

// The current shader (null: fixed-function drawing) and the upload of the matrix block to it.
struct Shader;
Shader* Shader_GetCurrent();
void Shader_MakeCurrent(Shader* shader);
void Shader_UploadMatrices(const Matrix44* block);
extern int32_t g_ShaderMatrixUploads;
