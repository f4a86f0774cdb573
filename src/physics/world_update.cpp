#include "physics/world_update.h"

#include "world/physics_service.h"
#include "world/room.h"

bool PhysicsWorldUpdate(int32_t roomSpeed, bool anyInstanceOnPath) {
  CRoom* room = Room_Current;
  if (room == nullptr || room->physics_world == nullptr) return false;
  room->physics_world->Update(roomSpeed, anyInstanceOnPath);
  return true;
}
