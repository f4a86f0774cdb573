#include "render/frame_services.h"

ShaderErrorContext Shader_ErrorContext;

// Vertex formats are not built yet.
void VertexFormat_Reset() {}
