// Timelines: sorted moments, each a time in steps with one handler (a compiled event or a
// script), and the table of timelines by index with their names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/container.h"

class CEvent;

class CTimeLine {
 public:
  CTimeLine() = default;
  virtual ~CTimeLine();
  CTimeLine(const CTimeLine&) = delete;
  CTimeLine& operator=(const CTimeLine&) = delete;

  // A TMLN timeline entry at that container offset; false, with `problem` set, when it or one of
  // its action lists is damaged.
  bool LoadFromChunk(const ContainerBytes& container, uint32_t entryOffset, std::string* problem);
  bool Compile();

  int32_t GetCount() const { return static_cast<int32_t>(m_times.size()); }
  // A moment's entry: a CEvent pointer, or a script tag (script index x 2 + 1); 0 out of range.
  uintptr_t GetEvent(int32_t moment) const;
  int32_t GetTime(int32_t moment) const;  // 0 out of range

  int32_t FindMoment(int32_t time) const;  // -1 when no moment has that time
  // The first moment at or after the position (the count when none); the last moment at or
  // before it (-1 when none).
  int32_t FindFirstAtOrAfter(double position) const;
  int32_t FindLastAtOrBefore(double position) const;

  // A script moment at its sorted place; nothing when a moment has that time already.
  void AddMoment(int32_t time, int32_t script);
  // A handler moment (the timeline takes the event); the event is deleted when the time is taken.
  void AddEventMoment(int32_t time, CEvent* event);
  // The moment at exactly that time runs the script instead of its handler.
  void SetMomentScript(int32_t time, int32_t script);
  // timeline_moment_clear: removes the moment at exactly that time, if there is one.
  void DeleteMoment(int32_t time);
  void Clear();

  static bool IsScriptEntry(uintptr_t entry) { return (entry & 1) != 0; }
  static int32_t ScriptOfEntry(uintptr_t entry) { return static_cast<int32_t>(entry >> 1); }
  static uintptr_t ScriptEntry(int32_t script) { return static_cast<uintptr_t>(script) * 2 + 1; }

 private:
  void Insert(int32_t time, uintptr_t entry);

  std::vector<uintptr_t> m_entries;
  std::vector<int32_t> m_times;
};

// A moment's handler is running: removing its moment meanwhile (the moment deleting or clearing
// its own timeline) frees the handler only once it has returned.
class TimeLineMomentRun {
 public:
  explicit TimeLineMomentRun(uintptr_t entry);
  ~TimeLineMomentRun();
  TimeLineMomentRun(const TimeLineMomentRun&) = delete;
  TimeLineMomentRun& operator=(const TimeLineMomentRun&) = delete;

 private:
  uintptr_t m_entry;
};

void TimeLine_Init();
bool TimeLine_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
// Compiles every timeline's moments as event 100000 of the timeline; false at the first failure.
bool TimeLine_Prepare();
int32_t TimeLine_Number();
bool TimeLine_Exists(int32_t index);
CTimeLine* TimeLine_Data(int32_t index);  // null when the index names no timeline
const char* TimeLine_Name(int32_t index);  // "<undefined>" when it does not exist
int32_t TimeLine_Find(const char* name);   // exact match, -1 when none
// timeline_add: an empty timeline at the next index, named "__newtimeline" and its index.
int32_t TimeLine_Add();
// timeline_delete: later timelines move down one index.
bool TimeLine_Delete(int32_t index);
void TimeLine_DeleteAll();
void TimeLine_Shutdown();
