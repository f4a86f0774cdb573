// The physics stand-in records what the runner asks of it, until the physics world exists: every
// fixture bound to a body (with its offset) and every body destroyed. Tests read the record.
#pragma once

#include <cstdint>
#include <vector>

#include "world/physics_service.h"

struct PhysicsBindRecord {
  CInstance* instance;
  CPhysicsFixture fixture;  // a copy, as it was when bound
  float offsetX;
  float offsetY;
};

struct PhysicsRecord {
  std::vector<PhysicsBindRecord> binds;
  int32_t bodiesCreated = 0;
  int32_t bodiesDestroyed = 0;
};

const PhysicsRecord& Physics_Record();
void Physics_ClearRecord();
// Fixture definitions not yet deleted.
int32_t PhysicsFixture_LiveCount();
