// The run-time room as the instance record, the frame loop and the game step see it, and the
// current room.
//
// Rooms, their views and layers are not built yet: the record holds what those callers read,
// and the room services have no backgrounds to act on.
#pragma once

#include <cstdint>

#include "world/instance_list.h"

class CInstance;
class CPhysicsWorld;

// One of a room's eight views, as the mouse mapping reads it.
struct CRoomView {
  bool visible = false;
  int32_t surfaceId = -1;  // the surface the view draws to; -1 the screen
};

class CRoom {
 public:
  CRoom() = default;
  CRoom(const CRoom&) = delete;
  CRoom& operator=(const CRoom&) = delete;

  // Frames per second; the frame corrects 0 or less to 1 in the room before using it.
  int32_t m_speed = 30;
  bool persistent = false;
  InstanceList active;
  InstanceList inactive;                   // deactivated instances
  CPhysicsWorld* physics_world = nullptr;  // null when the room uses no physics
  int32_t width = 0;
  int32_t height = 0;
  CRoomView views[8];

  // Adds each background's speeds to its position.
  void ScrollBackgrounds();
};

// The running room; null between games.
extern CRoom* Room_Current;

// Set to 1 by the room reset and changed by nothing else; the view mapping divides by it.
extern float View_Scale[2];

using InstanceVisitor = void (*)(CInstance* instance, void* context);

// Calls visit for every instance that a room still holds: both lists of the current room and of
// every kept (persistent) room copy, and the instances carried over to the next room.
void Room_VisitInstanceRoots(InstanceVisitor visit, void* context);

// Until the room table exists, kept room copies and carried instances are registered here.
void Room_KeepCopy(CRoom* room);
void Room_ForgetCopy(CRoom* room);
void Room_CarryInstance(CInstance* instance);
void Room_ClearCarried();

// Deletes the room's instances that are marked for deletion.
void Room_DeleteMarked(CRoom* room);
