#include "world/event.h"

#include "vm/script_table.h"
#include "core/value.h"
#include "runtime/container.h"
#include "runtime/error_report.h"
#include "runtime/frame_timing.h"
#include "runtime/game_data.h"
#include "runtime/game_flags.h"
#include "runtime/link_record.h"
#include "vm/code_object.h"
#include "world/event_context.h"
#include "world/instance.h"
#include "world/object.h"
#include "world/room.h"
#include "world/timeline.h"

bool argument_relative = false;

namespace {

int32_t g_depth = 0;
// The word of an action entry that holds its code index.
constexpr uint32_t kActionCodeWord = 8;
const char kDefinedName[] = "";

// The three values an event or timeline moment replaces for its run.
class EventScope {
 public:
  EventScope(int32_t objectIndex, int32_t type, int32_t number)
      : m_object(Event_Current.objectIndex), m_type(Event_Current.type), m_number(Event_Current.number) {
    Event_Current.objectIndex = objectIndex;
    Event_Current.type = type;
    Event_Current.number = number;
  }
  ~EventScope() {
    Event_Current.objectIndex = m_object;
    Event_Current.type = m_type;
    Event_Current.number = m_number;
  }
  EventScope(const EventScope&) = delete;
  EventScope& operator=(const EventScope&) = delete;

 private:
  int32_t m_object;
  int32_t m_type;
  int32_t m_number;
};

bool RoomChangePending() { return g_RoomChangeCode != kRoomChangeNone; }

}  // namespace

int32_t Event_CodeIndexCount() {
  const GameData& data = Game_Data();
  if (Game_CompiledMode()) {
    const GameLinkRecord* record = data.linkRecord;
    return record != nullptr && record->functions != nullptr ? record->functionCount : 0;
  }
  return static_cast<int32_t>(data.codeCount);
}

CEvent::~CEvent() { delete code; }

bool CEvent::LoadFromChunk(const ContainerBytes& container, uint32_t actionListOffset, std::string* problem) {
  if (!container.Has(actionListOffset, 4)) {
    *problem = "its action list lies outside the container";
    return false;
  }
  const uint32_t actionCount = Container_U32(container.data + actionListOffset);
  if (!container.Has(actionListOffset + 4ull, 4ull * actionCount)) {
    *problem = "its action list does not end inside the container";
    return false;
  }
  // Without any code the handler stays undefined, so it is never found.
  if (!Game_CompiledMode() && !Game_Data().haveCode) return true;
  delete code;
  code = nullptr;
  name = kDefinedName;
  // Only the first action's code is run; an empty list is a handler that does nothing.
  if (actionCount == 0) return true;
  const uint32_t action = Container_U32(container.data + actionListOffset + 4);
  if (!container.Has(action, 4ull * (kActionCodeWord + 1))) {
    *problem = "its first action lies outside the container";
    return false;
  }
  const int32_t codeIndex = Container_I32(container.data + action + 4 * kActionCodeWord);
  if (codeIndex < 0 || codeIndex >= Event_CodeIndexCount()) {
    *problem = "its code index " + std::to_string(codeIndex) + " names no code of the game";
    return false;
  }
  code = new CCode(codeIndex, 0);
  return true;
}

bool CEvent::Execute(CInstance* self, CInstance* other) {
  const bool relative = argument_relative;
  argument_relative = false;
  bool completed = true;
  if (code != nullptr) {
    RValue scratch = RValue_MakeReal(0);
    completed = Code_ExecuteReport(self, other, code, &scratch, 1);
    RValue_Release(&scratch);
  }
  argument_relative = relative;
  return completed;
}

bool PerformEvent(CInstance* self, CInstance* other, int32_t objectIndex, int32_t type, int32_t number) {
  int32_t defining = objectIndex;
  CEvent* event = Event_FindHandler(objectIndex, type, number, &defining);
  if (event == nullptr) return false;
  if (++g_depth > kEventMaxDepth) {
    Error_Report(true, "PerformEvent recursion depth failure - check for infinite loops, check objects for parenting");
    --g_depth;
    return false;
  }
  bool completed;
  {
    EventScope scope(defining, type, number);
    completed = event->Execute(self, other);
  }
  --g_depth;
  return completed;
}

bool Event_PassesRoomChangeFilter(const CInstance* self, int32_t type) {
  if (!RoomChangePending()) return true;
  const bool persistent =
      (self != nullptr && self->persistent) || (Room_Current != nullptr && Room_Current->persistent);
  return persistent && (type == kEventCreate || type == kEventDestroy || type == kEventAlarm || type == kEventOther);
}

bool Event_Perform(CInstance* self, CInstance* other, int32_t type, int32_t number) {
  if (self == nullptr || !Event_PassesRoomChangeFilter(self, type)) return false;
  return PerformEvent(self, other, self->object_index, type, number);
}

bool Event_PerformObject(CInstance* self, CInstance* other, int32_t objectIndex, int32_t type, int32_t number) {
  // Handlers run on their self instance: without one there is nothing to run them on.
  if (self == nullptr || !Event_PassesRoomChangeFilter(self, type)) return false;
  return PerformEvent(self, other, objectIndex, type, number);
}

void Event_PerformAll(int32_t type, int32_t number) {
  const CRoom* room = Room_Current;
  if (RoomChangePending() || room == nullptr) return;
  for (CInstance* instance = room->active.first; instance != nullptr;) {
    // Read first: the instance may leave the list during its event.
    CInstance* next = instance->list_next;
    if (Instance_Eligible(instance) && Event_PassesRoomChangeFilter(instance, type)) {
      PerformEvent(instance, instance, instance->object_index, type, number);
      // The rest of the walk belongs to the room it started in.
      if (Room_Current != room) return;
    }
    instance = next;
  }
}

void TimeLine_Execute(CInstance* self, CInstance* other, int32_t timelineIndex, int32_t momentIndex) {
  if (RoomChangePending()) return;
  const CTimeLine* timeline = TimeLine_Data(timelineIndex);
  if (timeline == nullptr) return;
  const uintptr_t entry = timeline->GetEvent(momentIndex);
  if (entry == 0) return;
  EventScope scope(timelineIndex, kEventTypeTimeline, timeline->GetTime(momentIndex));
  if (CTimeLine::IsScriptEntry(entry)) {
    RValue scratch = RValue_MakeReal(0);
    Script_Perform(CTimeLine::ScriptOfEntry(entry), self, other, 0, &scratch, nullptr);
    RValue_Release(&scratch);
  } else {
    reinterpret_cast<CEvent*>(entry)->Execute(self, other);
  }
}

int32_t Event_NestingDepth() { return g_depth; }
