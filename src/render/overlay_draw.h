// Overlay drawing, as the input overlay uses it: a pixel-exact projection and a vertex batch.
#pragma once

#include <cstdint>

#include "render/vertex_batch.h"

// Window pixels with y downwards: culling, depth test, lighting and fog off, alpha blending on, the
// overlay's font bound; EndDraw puts back the states and matrices and counts the draw.
void DebugOverlay_BeginDraw();
void DebugOverlay_EndDraw();

// The bytes written so far into the open batch (none when no batch is open).
const uint8_t* GR_PendingVertexBytes(int32_t* size);
// Overlay drawings completed (BeginDraw to EndDraw).
extern int32_t g_DebugOverlayDraws;

// The frame number that the overlay's frame end advances; glyph caches stamp their cells with it.
uint32_t DebugOverlay_FrameNumber();
void DebugOverlay_AdvanceFrame();
// The slot of the debug font's sheet (built-in image 15), made on first call and shared by the
// overlay and the built-in font; -1 when it cannot be made.
int32_t DebugOverlay_FontSlot();
// Drops the shared slot (freeing it when it is still the one made here).
void DebugOverlay_ForgetFontSlot();
