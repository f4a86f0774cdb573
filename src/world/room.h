// The run-time room as the instance record uses it: its two instance lists and its physics world.
#pragma once

#include <cstdint>

#include "world/instance_list.h"

class CInstance;
class CPhysicsWorld;

class CRoom {
 public:
  CRoom() = default;
  CRoom(const CRoom&) = delete;
  CRoom& operator=(const CRoom&) = delete;

  bool persistent = false;
  InstanceList active;
  InstanceList inactive;                   // deactivated instances
  CPhysicsWorld* physics_world = nullptr;  // null when the room uses no physics
};

// The running room; null between games.
extern CRoom* Room_Current;

using InstanceVisitor = void (*)(CInstance* instance, void* context);

// Calls visit for every instance that a room still holds: both lists of the current room and of
// every kept (persistent) room copy, and the instances carried over to the next room.
void Room_VisitInstanceRoots(InstanceVisitor visit, void* context);

// Until the room table exists, kept room copies and carried instances are registered here.
void Room_KeepCopy(CRoom* room);
void Room_ForgetCopy(CRoom* room);
void Room_CarryInstance(CInstance* instance);
void Room_ClearCarried();
