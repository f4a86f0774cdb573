#include "host/rooms.h"

#include <vector>

#include "audio/audio_engine.h"
#include "audio/lifecycle.h"
#include "core/console.h"
#include "core/memory_manager.h"
#include "runtime/debug_services.h"
#include "runtime/connectivity.h"
#include "render/d3d_device.h"
#include "render/effects.h"
#include "render/frame_stand_in.h"
#include "render/room_draw.h"
#include "render/render_setters.h"
#include "vm/constants.h"
#include "vm/script_table.h"
#include "host/command_line.h"
#include "host/entry.h"
#include "host/error_dialog.h"
#include "runtime/error_report.h"
#include "host/frame_loop.h"
#include "runtime/game_header.h"
#include "io/input.h"
#include "runtime/run_state.h"
#include "io/window_services.h"
#include "vm/code_object.h"
#include "world/deferred.h"
#include "world/event.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/instance_queues.h"
#include "world/layers.h"
#include "world/object.h"
#include "world/object_lists.h"
#include "world/room.h"
#include "world/room_table.h"
#include "world/timeline.h"

namespace {

constexpr int32_t kOtherGameStart = 2;
constexpr int32_t kOtherGameEnd = 3;
constexpr int32_t kOtherRoomStart = 4;
constexpr int32_t kOtherRoomEnd = 5;

struct PrepareStep {
  const char* logLine;
  bool (*step)();
  const char* failure;
};

void RunCode(CInstance* self, CCode* code) {
  RValue result = RValue_MakeReal(0);
  Code_ExecuteReport(self, self, code, &result, 1);
  RValue_Release(&result);
}

// The room's own creation code runs with a stand-in instance of its own as self and other.
void RunRoomCreationCode(CCode* code) {
  auto* self = new CInstance(0.0f, 0.0f, 0, 0, false);
  RunCode(self, code);
  delete self;
}

void DeleteCarried() {
  for (CInstance*& instance : Room_Carried) {
    delete instance;
    instance = nullptr;
  }
  Room_Carried.clear();
}

// Takes the carried persistent instances into the current room: merged into an instance of the
// same id, or made anew; neither gets a Create event.
void MergeCarried(CRoom* room) {
  for (CInstance*& carried : Room_Carried) {
    if (carried == nullptr) continue;
    CInstance* target = nullptr;
    for (CInstance* i = room->active.first; i != nullptr; i = i->list_next) {
      if (i->id == carried->id) {
        target = i;
        break;
      }
    }
    if (target != nullptr) {
      target->Assign(carried, true);
      target->RebuildPhysicsBody(room);
    } else {
      target = new CInstance(carried->x, carried->y, carried->id, carried->object_index, true);
      target->Assign(carried, true);
      target->RebuildPhysicsBody(room);
      room->active.InsertByDepth(target);
      InstanceIdTable.Insert(target->id, target);
    }
    target->carried_over = true;
    delete carried;
    carried = nullptr;
  }
  std::vector<CInstance*>().swap(Room_Carried);
}

// The sound hardware starts (with the audio engine when the game uses it) before the sounds are
// made playable.
bool PrepareSound() {
  Audio_SetEngineOn(g_GameOptions.newAudioEngine);
  Sound_InitHardware();
  return Sound_Prepare();
}

}  // namespace

bool Runner_PrepareAll() {
  static const PrepareStep kSteps[] = {
      {"Extension_Prepare() \n", Extension_Prepare, "Failed to prepare extension packages."},
      {"Code_Constant_Prepare() \n", Constant_Prepare, "Failed to define the constants."},
      {"Script_Prepare() \n", Script_Prepare, "Failed to compile the scripts."},
      {"TimeLine_Prepare() \n", TimeLine_Prepare, "Failed to compile the actions in the time lines."},
      {"Object_Prepare() \n", Object_Prepare, "Failed to compile the actions in the objects."},
      {"Room_Prepare() \n", Room_Prepare, nullptr},
      {"Sound_Prepare() \n", PrepareSound, "Failed to prepare the sounds."},
  };
  for (const PrepareStep& s : kSteps) {
    Console_DebugOutput("%s", s.logLine);
    if (!s.step()) {
      if (s.failure != nullptr) Win32_MessageBox(s.failure);
      return false;
    }
  }
  Audio_Prepare();
  Console_DebugOutput("InitGraphics() \n");
  Console_DebugOutput("Finished PrepareGame() \n");
  return true;
}

void StartGame() {
  Console_DebugOutput("StartGame()\n");
  ObjectLists_Build();
  g_RunState.score = 0;
  g_RunState.lives = -1;
  g_RunState.cursorSprite = -1;
  g_RunState.stepCounter = 0;
  g_RunState.transitionKind = 0;
  // Without its extensions initialised the game enters no room: the loop runs frames without one.
  if (!Extension_RunInitFunctions()) return;
  Window_SetCursor(g_GameOptions.showCursor ? 0 : -1);
  GR_SetTextureInterpolation(g_D3D.interpolate);
  Runner_DeleteRoomCopies();
  Room_Copies.assign(static_cast<size_t>(Room_Number()), nullptr);
  DeleteCarried();
  const int32_t first = Room_First();
  if (Debug_StartPaused) {
    // The debugger enters the first room itself when it lets the game run.
  } else if (!Room_Exists(first)) {
    // With no room to enter the game has nothing to play: it ends at the end of its first frame,
    // as game_end would end it, rather than running empty frames until someone closes it.
    if (Room_Order().empty()) {
      Console_DebugOutput("StartGame: the game has no room to enter; it ends after its first frame\n");
    } else {
      Console_DebugOutput("StartGame: the first room %d does not exist\n", first);
    }
    g_RoomChangeCode = kRoomChangeEndGame;
  } else {
    const CRoom* definition = Room_Data(first);
    Console_DebugOutput("StartGame: room %d \"%s\" (%d x %d, speed %d)\n", first, Room_Name(first),
                        definition->width, definition->height, definition->m_speed);
    g_RoomChangeCode = first;
    Room_Start(first, true);
    if (g_RoomChangeCode >= 0) {
      const int32_t next = g_RoomChangeCode;
      Room_End(false);
      Room_Start(next, false);
    }
  }
  Console_DebugOutput("StartGame() - DONE\n");
  MemoryManager_Report();
}

void Room_Start(int32_t index, bool first) {
  g_RoomChangeCode = kRoomChangeNone;
  if (first) IO_Clear();
  Effect_Clear();
  CRoom* definition = Room_Data(index);
  if (index < 0 || definition == nullptr) {
    // Only an existing room is ever asked for; a forged index ends the game instead of crashing.
    Console_DebugOutput("Room_Start: room %d does not exist\n", index);
    g_RoomChangeCode = kRoomChangeEndGame;
    return;
  }
  if (static_cast<size_t>(index) >= Room_Copies.size()) Room_Copies.resize(static_cast<size_t>(index) + 1, nullptr);
  Room_CurrentIndex = index;
  CRoom* room = Room_Copies[index];
  const bool isNew = room == nullptr;
  if (isNew) {
    room = new CRoom();
    Room_Copies[index] = room;
    room->Assign(definition, true);
  } else {
    // Back from waiting: its instances are found by id again, the active ones through their
    // objects too; the deactivated ones stay outside their objects until activated.
    for (CInstance* i = room->active.first; i != nullptr; i = i->list_next) {
      if (i->object_def != nullptr) i->object_def->AddInstanceOnce(i);
      InstanceIdTable.Insert(i->id, i);
    }
    for (CInstance* i = room->inactive.first; i != nullptr; i = i->list_next) InstanceIdTable.Insert(i->id, i);
  }
  Room_SetCurrent(room);
  Room_SizeWindow();

  MergeCarried(room);
  Layer_BuildRoomLayers(room);

  if (isNew) {
    std::vector<int32_t> created;
    created.swap(room->createdIds);
    for (int32_t id : created) {
      CInstance* instance = Instance_Find(id);
      if (instance == nullptr) continue;
      if (instance->carried_over) {
        instance->carried_over = false;
        continue;
      }
      if (instance->marked) continue;
      Event_PerformObject(instance, instance, instance->object_index, kEventCreate, 0);
      instance->create_event_run = true;
      if (instance->creation_code != nullptr) RunCode(instance, instance->creation_code);
    }
  }
  Room_DeleteMarked(room);

  if (first) {
    Event_PerformAll(kEventOther, kOtherGameStart);
    Room_DeleteMarked(Room_Current);
  }
  if (isNew && room->creation_code != nullptr) {
    RunRoomCreationCode(room->creation_code);
    if (g_RunnerOptions.headless) {
      // A headless run exists to run the first new room's creation code: it ends here.
      Console_DebugOutput("Room_Start: headless run ends after the creation code of room %d\n", index);
      Runner_EndProcess(0);
    }
  }
  Event_PerformAll(kEventOther, kOtherRoomStart);
  Room_DeleteMarked(Room_Current);
}

void Room_End(bool endOfGame) {
  CRoom* room = Room_Current;
  if (room == nullptr) return;
  Room_DeleteMarked(room);
  const int32_t pending = g_RoomChangeCode;
  g_RoomChangeCode = kRoomChangeNone;
  Event_PerformAll(kEventOther, kOtherRoomEnd);
  Room_DeleteMarked(room);
  if (endOfGame) {
    Event_PerformAll(kEventOther, kOtherGameEnd);
    Room_DeleteMarked(room);
  }
  g_RoomChangeCode = pending;
  IO_ClearVirtualKeys();
  // What the end events changed (an object, a depth, an activation) is settled here, in the room
  // that holds the instances: a kept room must not carry a pending change into the next room,
  // where it would relink or move an instance that is not there.
  Deferred_ApplyObjectChanges();
  Deferred_ApplyDepthChanges();
  Deferred_ApplyActivation();

  DeleteCarried();
  Room_Carried.reserve(10);
  for (CInstance* i = room->active.first; i != nullptr; i = i->list_next) {
    if (!i->persistent || i->marked || i->deactivated) continue;
    auto* copy = new CInstance(i->x, i->y, i->id, i->object_index, false);
    copy->Assign(i, false);
    Room_Carried.push_back(copy);
    i->marked = true;
  }
  Room_DeleteMarked(room);
  Layer_FreeAll();

  const int32_t index = Room_CurrentIndex;
  const bool held = index >= 0 && static_cast<size_t>(index) < Room_Copies.size() && Room_Copies[index] == room;
  if (!room->persistent) {
    // A current room that no slot holds (one a caller installed itself) is not ours to delete.
    if (held) {
      Room_Copies[index] = nullptr;
      delete room;
    }
    Room_SetCurrent(nullptr);
  } else {
    // Kept for the next visit: its instances leave the object lists and the id table until then,
    // the deactivated ones too, so that no other room finds (or activates) them by id.
    for (CInstance* i = room->active.first; i != nullptr; i = i->list_next) {
      if (i->marked || i->deactivated || i->persistent) continue;
      if (i->object_def != nullptr) i->object_def->RemoveInstance(i);
      InstanceIdTable.RemoveInstance(i->id, i);
    }
    for (CInstance* i = room->inactive.first; i != nullptr; i = i->list_next) InstanceIdTable.RemoveInstance(i->id, i);
    Room_SetCurrent(nullptr);
  }
  Room_ActivationQueue.Clear();
}

void Room_Goto(int32_t roomIndex) {
  Room_End(false);
  Room_Start(roomIndex, false);
}

void Room_SetCurrent(CRoom* room) { Room_Current = room; }

void Runner_DeleteRoomCopies() {
  for (CRoom*& room : Room_Copies) {
    if (room == Room_Current) Room_Current = nullptr;
    delete room;
    room = nullptr;
  }
  if (Room_Current != nullptr) {
    // A current room outside the array (a test's own) is not ours to delete.
    Room_Current = nullptr;
  }
  std::vector<CRoom*>().swap(Room_Copies);
}

void Runner_FreeCarriedInstances() {
  DeleteCarried();
  std::vector<CInstance*>().swap(Room_Carried);
}
