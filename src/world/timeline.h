// STAND-IN until the timeline table is built: the least of it that running a timeline moment
// needs (a timeline's moments and its name by index), which tests fill through TimeLine_Add and
// the moment adders. Nothing is loaded from the game data yet.
#pragma once

#include <cstdint>
#include <vector>

class CEvent;

// A timeline: moments in ascending time, each a handler or a script.
class CTimeLine {
 public:
  CTimeLine() = default;
  virtual ~CTimeLine();
  CTimeLine(const CTimeLine&) = delete;
  CTimeLine& operator=(const CTimeLine&) = delete;

  int32_t GetCount() const { return static_cast<int32_t>(m_times.size()); }
  // A moment's entry: a CEvent pointer, or a script tag (script index x 2 + 1); 0 out of range.
  uintptr_t GetEvent(int32_t moment) const;
  int32_t GetTime(int32_t moment) const;  // 0 out of range

  // A script moment at its sorted place; nothing when a moment has that time already.
  void AddMoment(int32_t time, int32_t script);
  // A handler moment (the timeline takes the event), as loading will make them.
  void AddEventMoment(int32_t time, CEvent* event);

  static bool IsScriptEntry(uintptr_t entry) { return (entry & 1) != 0; }
  static int32_t ScriptOfEntry(uintptr_t entry) { return static_cast<int32_t>(entry >> 1); }

 private:
  void Insert(int32_t time, uintptr_t entry);

  std::vector<uintptr_t> m_entries;
  std::vector<int32_t> m_times;
};

// Null when the index names no timeline.
CTimeLine* TimeLine_Data(int32_t timelineIndex);
// timeline_add: an empty timeline at the next index, named "__newtimeline" and its index.
int32_t TimeLine_Add();
