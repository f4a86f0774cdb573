// Events: how an object's handlers are addressed, found (own or inherited) and run.
//
// An event is addressed by (type, number). Every object keeps one row of handlers per type,
// indexed by number; a handler an object lacks may come from its parent chain, and a collision
// handler may also be one written against an ancestor of the other object. The entry points
// below are the only ways the runner runs an object event: each keeps the current event context
// (world/event_context.h) and the nesting depth right, whatever the handler does.
#pragma once

#include <cstdint>
#include <string>

struct CCode;
class CInstance;
struct ContainerBytes;

// Event types; the twelfth row is loaded like the others but no phase dispatches it.
inline constexpr int32_t kEventCreate = 0;
inline constexpr int32_t kEventDestroy = 1;
inline constexpr int32_t kEventAlarm = 2;
inline constexpr int32_t kEventStep = 3;
inline constexpr int32_t kEventCollision = 4;  // number: the other object's index
inline constexpr int32_t kEventKeyboard = 5;
inline constexpr int32_t kEventMouse = 6;
inline constexpr int32_t kEventOther = 7;
inline constexpr int32_t kEventDraw = 8;
inline constexpr int32_t kEventKeyPress = 9;
inline constexpr int32_t kEventKeyRelease = 10;
inline constexpr int32_t kEventTypeCount = 12;

// More events than this in progress at once is taken for runaway recursion.
inline constexpr int32_t kEventMaxDepth = 32;

// The relative flag of the running action; the action functions set it, and every event starts
// with it cleared.
extern bool argument_relative;

// One compiled handler. A handler loaded without code (the game has neither translated nor byte
// code) keeps a null name and counts as absent everywhere.
class CEvent {
 public:
  CEvent() = default;
  virtual ~CEvent();
  CEvent(const CEvent&) = delete;
  CEvent& operator=(const CEvent&) = delete;

  // Reads an action list {count, offsets of action entries} at a container offset: in a game
  // with code the handler becomes defined, with the code index in word 8 of the first action
  // (none when the list is empty). False, with `problem` set, when the list or its first action
  // does not lie inside the container or names no code the game has.
  bool LoadFromChunk(const ContainerBytes& container, uint32_t actionListOffset, std::string* problem);
  // Nothing to prepare.
  bool Compile() { return true; }
  // Runs the handler for self and other; false when the code failed (it reported that itself).
  bool Execute(CInstance* self, CInstance* other);
  // object_event_clear keeps handlers: nothing to do.
  void Clear() {}

  bool Defined() const { return name != nullptr; }

  CCode* code = nullptr;       // owned; null for a handler without actions
  const char* name = nullptr;  // "" once loaded with code
};

// The number of code indices the game can run: translated functions, or CODE entries.
int32_t Event_CodeIndexCount();

// The handler object objectIndex has or inherits for (type, number), and in *definingObject the
// index of the object whose row supplied it (the start object when none is found). A type
// outside 0..11 or a negative number is the fatal error "Invalid event argument".
CEvent* Event_FindHandler(int32_t objectIndex, int32_t type, int32_t number, int32_t* definingObject);

// Finds and runs the handler with (defining object, type, number) as the current event; true
// when a handler ran and completed. More than 32 nested events are refused with a fatal error.
bool PerformEvent(CInstance* self, CInstance* other, int32_t objectIndex, int32_t type, int32_t number);
// PerformEvent for self's own object, behind the room-change filter; nothing for a null self.
bool Event_Perform(CInstance* self, CInstance* other, int32_t type, int32_t number);
// PerformEvent for a given object, behind the room-change filter; nothing for a null self.
bool Event_PerformObject(CInstance* self, CInstance* other, int32_t objectIndex, int32_t type, int32_t number);
// The event for every active instance of the current room (self and other the instance); nothing
// while a room change is pending.
void Event_PerformAll(int32_t type, int32_t number);
// While a room change is pending only create, destroy, alarm and other events of a persistent
// instance, or in a persistent room, are performed.
bool Event_PassesRoomChangeFilter(const CInstance* self, int32_t type);
// Runs moment momentIndex of the timeline as the event (timeline, 100000, the moment's time).
void TimeLine_Execute(CInstance* self, CInstance* other, int32_t timelineIndex, int32_t momentIndex);

// The number of PerformEvent calls in progress.
int32_t Event_NestingDepth();
