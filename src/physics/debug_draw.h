// The physics world's debug drawing: the library's shapes, joints, boxes and centres drawn with
// the runner's flat primitives, in room pixels.
#pragma once

#include <cstdint>

// The primitives the drawing goes through: the runner's by default; tests put recorders in.
struct PhysicsDebugPrimitives {
  void (*setColour)(uint32_t colour);
  void (*line)(float x1, float y1, float x2, float y2);
  void (*triangle)(float x1, float y1, float x2, float y2, float x3, float y3, bool outline);
  void (*ellipse)(float x1, float y1, float x2, float y2, bool outline);
};
// Null puts the runner's primitives back.
void Physics_SetDebugPrimitives(const PhysicsDebugPrimitives* primitives);

// A library colour component (0..1) as a byte: × 256 truncated, 1.0 and above giving 255.
int32_t Physics_ColourByte(float component);
// The library's draw flags for a script's debug flags (only the low byte counts).
uint32_t Physics_DebugFlags(int32_t scriptFlags);
