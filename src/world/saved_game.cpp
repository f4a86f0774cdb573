#include "world/saved_game.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/memory_manager.h"
#include "io/buffer.h"
#include "io/input.h"
#include "io/load_save.h"
#include "runtime/frame_timing.h"
#include "runtime/host_state.h"
#include "runtime/run_state.h"
#include "vm/variable_access.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/layers.h"
#include "world/object.h"
#include "world/room.h"
#include "world/room_table.h"
#include "io/saved_values.h"

namespace {

SavedGameHooks g_hooks;

// The load waiting for the next step: the bytes of a file (ours to free), or else the index of a
// script buffer, looked up only when the load runs, since the script may delete it meanwhile.
struct QueuedLoad {
  std::unique_ptr<IBuffer> file;
  int32_t buffer = -1;
};
QueuedLoad g_queued;

IBuffer* FindBuffer(int32_t index) { return g_hooks.findBuffer != nullptr ? g_hooks.findBuffer(index) : nullptr; }

// --- the run state -------------------------------------------------------------------------------

// Fields 2 to 18 of the stream, read but not yet applied.
struct SavedRunState {
  SavedRunState() = default;
  ~SavedRunState() {
    for (char** text : {&captionScore, &captionLives, &captionHealth}) MemoryManager_Free(*text);
  }
  SavedRunState(const SavedRunState&) = delete;
  SavedRunState& operator=(const SavedRunState&) = delete;

  int32_t gameId = 0;
  int32_t roomIndex = -1;
  int32_t roomChange = kRoomChangeNone;
  int32_t transitionKind = 0;
  int32_t score = 0;
  bool showScore = false;
  bool showScoreWasSet = false;
  char* captionScore = nullptr;
  int32_t lives = 0;
  bool showLives = false;
  char* captionLives = nullptr;
  double health = 0.0;
  bool showHealth = false;
  char* captionHealth = nullptr;
  int32_t cursorSprite = -1;
  int32_t stepCounter = 0;
  bool drawEnableDrawEvent = true;
};

void SaveRunState(IBuffer* buffer) {
  const RunState& s = g_RunState;
  SavedWriter w{buffer};
  w.S32(kSavedGameMarker);
  w.S32(s.gameId);
  w.S32(Room_CurrentIndex);
  w.S32(g_RoomChangeCode);
  w.S32(s.transitionKind);
  w.S32(s.score);
  w.Bool(s.showScore);
  w.Bool(s.showScoreWasSet);
  w.String(s.captionScore);
  w.S32(s.lives);
  w.Bool(s.showLives);
  w.String(s.captionLives);
  w.F64(s.health);
  w.Bool(s.showHealth);
  w.String(s.captionHealth);
  w.S32(s.cursorSprite);
  // The buffer's s32 item truncates the 64-bit count safely.
  w.Put(eBuffer_S32, static_cast<double>(s.stepCounter));
  w.Bool(s.drawEnableDrawEvent);
}

bool ReadRunState(IBuffer* buffer, SavedRunState* out) {
  SavedReader r{buffer};
  if (r.S32() != kSavedGameMarker || r.failed) return false;
  out->gameId = r.S32();
  out->roomIndex = r.S32();
  out->roomChange = r.S32();
  out->transitionKind = r.S32();
  out->score = r.S32();
  out->showScore = r.Bool();
  out->showScoreWasSet = r.Bool();
  out->captionScore = r.String();
  out->lives = r.S32();
  out->showLives = r.Bool();
  out->captionLives = r.String();
  out->health = r.F64();
  out->showHealth = r.Bool();
  out->captionHealth = r.String();
  out->cursorSprite = r.S32();
  out->stepCounter = r.S32();
  out->drawEnableDrawEvent = r.Bool();
  return !r.failed;
}

void ApplyRunState(SavedRunState* saved) {
  RunState& s = g_RunState;
  s.gameId = saved->gameId;
  g_RoomChangeCode = saved->roomChange;
  s.transitionKind = saved->transitionKind;
  s.score = saved->score;
  s.showScore = saved->showScore;
  s.showScoreWasSet = saved->showScoreWasSet;
  s.lives = saved->lives;
  s.showLives = saved->showLives;
  s.health = saved->health;
  s.showHealth = saved->showHealth;
  // The texts move over: the record no longer frees them.
  const struct {
    char** slot;
    char** text;
  } captions[] = {{&s.captionScore, &saved->captionScore},
                  {&s.captionLives, &saved->captionLives},
                  {&s.captionHealth, &saved->captionHealth}};
  for (const auto& c : captions) {
    Host_FreeText(c.slot);
    *c.slot = *c.text;
    *c.text = nullptr;
  }
  s.cursorSprite = saved->cursorSprite;
  s.stepCounter = saved->stepCounter;
  s.drawEnableDrawEvent = saved->drawEnableDrawEvent;
}

// --- the rooms -----------------------------------------------------------------------------------

// The run-time rooms and counters of a stream, read but not yet in place.
struct SavedRooms {
  std::vector<std::unique_ptr<CRoom>> rooms;
  int32_t lastInstanceId = 0;
  int32_t lastTileId = 0;
};

void SaveRooms(IBuffer* buffer) {
  SavedWriter w{buffer};
  w.S32(static_cast<int32_t>(Room_Copies.size()));
  w.S32(Room_InstanceIdCounter());
  w.S32(Room_TileIdCounter());
  for (CRoom* room : Room_Copies) {
    w.Bool(room != nullptr);
    if (room != nullptr) room->SaveState(buffer);
  }
}

bool ReadRooms(IBuffer* buffer, SavedRooms* out) {
  SavedReader r{buffer};
  // Every room takes at least its present flag.
  const int32_t count = r.Count(4);
  out->lastInstanceId = r.S32();
  out->lastTileId = r.S32();
  // The counters only grow from here: a negative one would hand out ids that name objects.
  if (r.failed || out->lastInstanceId < 0 || out->lastTileId < 0) return false;
  out->rooms.resize(static_cast<size_t>(count));
  for (std::unique_ptr<CRoom>& slot : out->rooms) {
    const bool present = r.Bool();
    if (r.failed) return false;
    if (!present) continue;
    slot = std::make_unique<CRoom>();
    if (!slot->LoadState(buffer)) return false;
  }
  return true;
}

// The current room's instances are found by id, through their objects (the active ones) and in
// the layers, as when a room is entered; every other room's wait until it is entered again.
void EnterInstances(CRoom* room) {
  for (CInstance* i = room->active.first; i != nullptr; i = i->list_next) {
    if (i->object_def != nullptr && !i->deactivated) i->object_def->AddInstanceOnce(i);
    if (InstanceIdTable.Find(i->id) == nullptr) InstanceIdTable.Insert(i->id, i);
    Layer_AddInstance(i);
  }
  for (CInstance* i = room->inactive.first; i != nullptr; i = i->list_next) {
    if (InstanceIdTable.Find(i->id) == nullptr) InstanceIdTable.Insert(i->id, i);
  }
}

void ApplyRooms(SavedRooms* saved, int32_t currentIndex) {
  // The instances of the running room go first; the table and the object lists are emptied
  // without deleting anything else, since every other instance is deleted with its room.
  if (CRoom* current = Room_Current) {
    current->DeleteAllInstances();
    current->DeleteInactiveInstances();
  }
  Layer_FreeAll();
  Object_ClearInstanceLists();
  InstanceIdTable.Clear(kDisposeNone);
  Room_SetInstanceIdCounter(saved->lastInstanceId);
  Room_SetTileIdCounter(saved->lastTileId);

  // Every room of the array goes, those past the saved count too. A current room that no slot
  // holds (one a caller installed itself) is not ours to delete.
  for (CRoom*& room : Room_Copies) {
    delete room;
    room = nullptr;
  }
  Room_Current = nullptr;
  Room_Copies.assign(saved->rooms.size(), nullptr);
  for (size_t i = 0; i < saved->rooms.size(); ++i) Room_Copies[i] = saved->rooms[i].release();

  // The reader checked that the current room is among them.
  Room_CurrentIndex = currentIndex;
  Room_Current = Room_Copies[static_cast<size_t>(currentIndex)];
  EnterInstances(Room_Current);
  if (g_hooks.sizeWindow != nullptr) g_hooks.sizeWindow();
}

// A load refused: one line saying which section would not read.
bool Refuse(const char* section) {
  Console_DebugOutput("WARNING: Game load failed, the saved game's %s could not be read\n", section);
  return false;
}

}  // namespace

SavedGameHooks SavedGame_SetHooks(const SavedGameHooks& hooks) {
  const SavedGameHooks previous = g_hooks;
  g_hooks = hooks;
  return previous;
}

void Game_SaveState(IBuffer* buffer) {
  SaveRunState(buffer);
  Variable_SaveGlobals(buffer);
  SaveRooms(buffer);
  IO_SaveState(buffer);
}

bool Game_LoadState(IBuffer* buffer) {
  SavedRunState runState;
  if (!ReadRunState(buffer, &runState)) return Refuse("run state");
  SavedGlobals globals;
  if (!Variable_ReadGlobals(buffer, &globals)) return Refuse("global variables");
  SavedRooms rooms;
  if (!ReadRooms(buffer, &rooms)) return Refuse("rooms");
  // A game is always saved inside a room: a stream whose current room is not among its rooms
  // would leave the game running in none.
  const int32_t current = runState.roomIndex;
  if (current < 0 || static_cast<size_t>(current) >= rooms.rooms.size() || rooms.rooms[static_cast<size_t>(current)] == nullptr) {
    return Refuse("current room");
  }
  // The input section is last and changes nothing unless it reads whole; after it, nothing of
  // the stream can fail any more.
  if (!IO_LoadState(buffer)) return Refuse("input state");
  ApplyRunState(&runState);
  Variable_ApplyGlobals(&globals);
  ApplyRooms(&rooms, runState.roomIndex);
  return true;
}

bool Game_SaveBuffer(int32_t index) {
  IBuffer* buffer = FindBuffer(index);
  if (buffer == nullptr) return false;
  Game_SaveState(buffer);
  return true;
}

void Game_Save(const char* fileName) {
  if (fileName == nullptr) return;
  Buffer_Standard buffer(131072, eBuffer_Format_Grow, 1);
  Game_SaveState(&buffer);
  const std::string path = LoadSave_MapSavePath(fileName);
  if (path.empty() || !LoadSave_WriteFile(path.c_str(), buffer.GetData(), buffer.m_position)) {
    Console_DebugOutput("WARNING: Game save failed, cannot write %s\n", path.c_str());
  }
}

bool Game_QueueLoad(int32_t index) {
  if (g_queued.file != nullptr) {
    Console_DebugOutput("WARNING: Load game being ignored due to load game already queued\n");
    return false;
  }
  if (FindBuffer(index) == nullptr) {
    Console_DebugOutput("WARNING: No buffer available for %d\n", index);
    return false;
  }
  g_queued.buffer = index;
  return true;
}

void Game_Load(const char* fileName) {
  if (fileName == nullptr) {
    Console_DebugOutput("WARNING: Game load failed, null filename passed\n");
    return;
  }
  std::vector<uint8_t> bytes;
  if (!LoadSave_ReadSaveFile(fileName, &bytes) && !LoadSave_ReadProgramFile(fileName, &bytes)) {
    // The path names where the file was found; empty when it is in neither place.
    std::string path;
    if (LoadSave_SaveFileExists(fileName)) {
      path = LoadSave_MapSavePath(fileName);
    } else if (LoadSave_ProgramFileExists(fileName)) {
      path = LoadSave_MapReadPath(fileName);
    }
    Console_DebugOutput("WARNING: Game load failed, %s not found\n", path.c_str());
    return;
  }
  if (g_queued.file != nullptr) {
    // The bytes read are dropped with this call; the queued file stays the one to load.
    Console_DebugOutput("WARNING: Load game being ignored due to load game already queued\n");
    return;
  }
  auto buffer = std::make_unique<Buffer_Standard>(static_cast<int32_t>(bytes.size()), eBuffer_Format_Grow, 1);
  buffer->CopyIn(bytes.data(), static_cast<int64_t>(bytes.size()), 0, -1, 0);
  buffer->m_position = 0;
  g_queued.file = std::move(buffer);
  g_queued.buffer = -1;
}

bool Game_DoQueuedLoad() {
  if (g_queued.file != nullptr) {
    const std::unique_ptr<IBuffer> file = std::move(g_queued.file);
    g_queued.buffer = -1;
    return Game_LoadState(file.get());
  }
  if (g_queued.buffer < 0) return false;
  const int32_t index = g_queued.buffer;
  g_queued.buffer = -1;
  IBuffer* buffer = FindBuffer(index);
  if (buffer == nullptr) {
    Console_DebugOutput("WARNING: No buffer available for %d\n", index);
    return false;
  }
  // The stream is read from a fixed copy: a wrap buffer would hand out its bytes without end, and
  // a fast one no typed item. The copy keeps the offsets, so the alignment the save was written
  // with still holds.
  Buffer_Standard copy(buffer->m_size, eBuffer_Format_Fixed, buffer->m_alignment);
  if (buffer->m_size > 0 && buffer->GetData() != nullptr) {
    std::memcpy(copy.GetData(), buffer->GetData(), static_cast<size_t>(buffer->m_size));
  }
  copy.m_usedSize = buffer->m_usedSize;
  copy.m_position = std::clamp(buffer->m_position, 0, buffer->m_size);
  if (!Game_LoadState(&copy)) return false;
  buffer->m_position = copy.m_position;
  return true;
}

void Game_ClearQueuedLoad() {
  g_queued.file.reset();
  g_queued.buffer = -1;
}
