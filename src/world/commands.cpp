#include "world/commands.h"

#include <cmath>
#include <string>

#include "assets/sprite.h"
#include "assets/sprite_table.h"
#include "runtime/error_report.h"
#include "runtime/frame_timing.h"
#include "runtime/run_state.h"
#include "world/event.h"
#include "world/instance.h"
#include "world/object.h"
#include "world/room.h"
#include "world/room_table.h"

namespace {

void ReportWithNumber(const char* text, int32_t number, bool fatal) {
  const std::string message = text + std::to_string(number);
  Error_Report(fatal, message.c_str());
}

void Fatal(const char* text) {
  Error_Report(true, text);
  g_RoomChangeCode = kRoomChangeQuit;
}

void SetPosition(CInstance* instance, float x, float y) {
  if (instance->x == x && instance->y == y) return;
  instance->x = x;
  instance->y = y;
  instance->MarkBoundingBoxDirty();
}


CInstance* CreateInstance(int32_t object, float x, float y, const float* speedAndDirection) {
  if (!Object_Exists(object)) {
    ReportWithNumber("Creating instance for non-existing object: ", object, false);
    return nullptr;
  }
  if (Room_Current == nullptr) return nullptr;
  CInstance* instance = Room_Current->CreateInstance(x, y, object);
  if (instance == nullptr) return nullptr;  // no id left to give it
  if (speedAndDirection != nullptr) {
    instance->SetSpeed(speedAndDirection[0]);
    instance->SetDirection(speedAndDirection[1]);
  }
  Event_Perform(instance, instance, kEventCreate, 0);
  instance->create_event_run = true;
  return instance;
}

}  // namespace

CInstance* Command_CreateInstance(int32_t object, float x, float y) {
  return CreateInstance(object, x, y, nullptr);
}

CInstance* Command_CreateInstanceMoving(int32_t object, float x, float y, float speed, float direction) {
  const float motion[2] = {speed, direction};
  return CreateInstance(object, x, y, motion);
}

void Command_DestroyInstance(CInstance* instance) {
  if (instance == nullptr || instance->destroy_event_run) return;
  instance->destroy_event_run = true;
  Event_Perform(instance, instance, kEventDestroy, 0);
  instance->marked = true;
}

void Command_ChangeInstance(CInstance* instance, int32_t object, bool performEvents) {
  if (!Object_Exists(object)) {
    ReportWithNumber("Asking to change into non-existing object: ", object, false);
    return;
  }
  if (instance == nullptr || object == instance->object_index) return;
  if (performEvents && !instance->destroy_event_run) Event_Perform(instance, instance, kEventDestroy, 0);
  instance->ChangeObject(object);
  if (performEvents) Event_Perform(instance, instance, kEventCreate, 0);
}

void Command_SetSprite(CInstance* instance, int32_t sprite) {
  if (!Sprite_Exists(sprite)) {
    ReportWithNumber("Setting instance to non-existing sprite: ", sprite, false);
    return;
  }
  if (instance != nullptr) instance->SetSpriteIndex(sprite);
}

void Command_GotoRoom(int32_t room) {
  g_RoomChangeCode = room;
  g_RunState.transitionKind = 0;
  if (!Room_Exists(room)) {
    ReportWithNumber("Unexisting room number: ", room, true);
    g_RoomChangeCode = kRoomChangeQuit;
  }
}

void Command_PreviousRoom() {
  if (Room_CurrentIndex == Room_First()) {
    Fatal("Moving to previous room before the first room.");
    return;
  }
  Command_GotoRoom(Room_Previous(Room_CurrentIndex));
}

void Command_NextRoom() {
  if (Room_CurrentIndex == Room_Last()) {
    Fatal("Moving to next room after the last room.");
    return;
  }
  Command_GotoRoom(Room_Next(Room_CurrentIndex));
}

void Command_RestartRoom() { Command_GotoRoom(Room_CurrentIndex); }

void Command_EndGame() { g_RoomChangeCode = kRoomChangeEndGame; }
void Command_RestartGame() { g_RoomChangeCode = kRoomChangeRestart; }

void Command_Snap(CInstance* instance, float hsnap, float vsnap) {
  if (instance == nullptr) return;
  float x = instance->x;
  float y = instance->y;
  // nearbyint rounds halves to even under the default rounding mode.
  if (hsnap > 0.0f) x = static_cast<float>(std::nearbyint(static_cast<double>(x) / hsnap) * hsnap);
  if (vsnap > 0.0f) y = static_cast<float>(std::nearbyint(static_cast<double>(y) / vsnap) * vsnap);
  SetPosition(instance, x, y);
}

void Command_Wrap(CInstance* instance, bool horizontal, bool vertical) {
  if (instance == nullptr || Room_Current == nullptr) return;
  // An instance that leaves by one edge comes in with its sprite's scaled size beyond the other;
  // one without a sprite wraps by its position alone.
  float w = 0.0f;
  float h = 0.0f;
  if (const CSprite* sprite = Sprite_Data(instance->sprite_index); sprite != nullptr) {
    w = static_cast<float>(sprite->width) * instance->image_xscale;
    h = static_cast<float>(sprite->height) * instance->image_yscale;
  }
  const float roomWidth = static_cast<float>(Room_Current->width);
  const float roomHeight = static_cast<float>(Room_Current->height);
  float x = instance->x;
  float y = instance->y;
  if (horizontal) {
    if (instance->hspeed < 0.0f && x < 0.0f) x = roomWidth + x + w;
    if (instance->hspeed > 0.0f && x >= roomWidth) x = x - roomWidth - w;
  }
  if (vertical) {
    if (instance->vspeed < 0.0f && y < 0.0f) y = roomHeight + y + h;
    if (instance->vspeed > 0.0f && y >= roomHeight) y = y - roomHeight - h;
  }
  SetPosition(instance, x, y);
}

void Command_MoveTowards(CInstance* instance, float x, float y, float speed) {
  if (instance == nullptr) return;
  // Each setter recomputes the other form: the last one keeps the direction the first two gave.
  instance->SetHSpeed(x - instance->x);
  instance->SetVSpeed(y - instance->y);
  instance->SetSpeed(speed);
}

int32_t F_InstanceCreate(float x, float y, int32_t object) {
  const CInstance* instance = Command_CreateInstance(object, x, y);
  return instance != nullptr ? instance->id : -1;
}

void F_InstanceDestroy(CInstance* instance) { Command_DestroyInstance(instance); }
