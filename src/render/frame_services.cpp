#include "render/frame_services.h"

ShaderErrorContext Shader_ErrorContext;
