// What the frame loop, the game step and the error reporter use of rendering: the end of the
// drawing frame, the room redraw, particles, device resets, full screen, the debug overlay's
// timing bars, the state resets at the end of a game, and the shader being compiled.
#pragma once

#include <cstdint>

// End_Frame: ends the drawing frame begun by Start_Frame and presents it when asked.
#include "render/frame.h"
// Redraws the room, its views and the application surface.
void DrawRoom();
// Updates every particle system that updates itself.
void ParticleSystem_UpdateAll();

// GR_D3D_ResizeWindow applies a pending window size, GR_D3D_ResetAndRestore resets the device
// (false when the reset failed), GR_D3D_ExitFullScreen leaves full screen before a dialog.
#include "render/d3d_device.h"

// A named timing bar of the debug overlay; colour is ARGB.
void DebugOverlay_BeginTiming(const char* name, uint32_t colour);
void DebugOverlay_EndTiming();

void Text_ResetState();
void VertexFormat_Reset();
#include "render/render_state.h"

// The shader being compiled or set while the event type is -1, for error reports.
struct ShaderErrorContext {
  const char* name = nullptr;
  bool fragment = false;  // else a vertex shader
};
extern ShaderErrorContext Shader_ErrorContext;
