// Overlay drawing, as the input overlay uses it: a pixel-exact projection and a vertex batch.
#pragma once

#include <cstdint>

#include "render/vertex_batch.h"

void DebugOverlay_BeginDraw();
void DebugOverlay_EndDraw();

// The bytes written so far into the open batch (none when no batch is open).
const uint8_t* GR_PendingVertexBytes(int32_t* size);
extern int32_t g_DebugOverlayDraws;
