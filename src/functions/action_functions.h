// The action group: the functions that the drag-and-drop editor's event code calls.
// InitActionFunctions (functions/load_stand_in.h) registers it and forgets the action particle
// system's slots.
#pragma once

#include <cstdint>

// The action particle system (-1 for none) and the particle type or emitter a slot 0..15 holds
// (-1 when the slot is empty or outside the table).
int32_t Action_ParticleSystem();
int32_t Action_ParticleType(int32_t slot);
int32_t Action_ParticleEmitter(int32_t slot);
