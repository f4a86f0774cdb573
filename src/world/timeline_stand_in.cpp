#include <cstdio>
#include <string>
#include <utility>

#include "world/event.h"
#include "world/event_context.h"
#include "world/load_stand_in.h"
#include "world/timeline.h"

// STAND-IN: see world/timeline.h.
namespace {

std::vector<std::pair<CTimeLine*, std::string>> g_timelines;

}  // namespace

CTimeLine::~CTimeLine() {
  for (uintptr_t entry : m_entries) {
    if (!IsScriptEntry(entry)) delete reinterpret_cast<CEvent*>(entry);
  }
}

uintptr_t CTimeLine::GetEvent(int32_t moment) const {
  return moment >= 0 && moment < GetCount() ? m_entries[static_cast<size_t>(moment)] : 0;
}

int32_t CTimeLine::GetTime(int32_t moment) const {
  return moment >= 0 && moment < GetCount() ? m_times[static_cast<size_t>(moment)] : 0;
}

void CTimeLine::AddMoment(int32_t time, int32_t script) {
  Insert(time, static_cast<uintptr_t>(script) * 2 + 1);
}

void CTimeLine::AddEventMoment(int32_t time, CEvent* event) { Insert(time, reinterpret_cast<uintptr_t>(event)); }

void CTimeLine::Insert(int32_t time, uintptr_t entry) {
  size_t at = 0;
  while (at < m_times.size() && m_times[at] < time) ++at;
  if (at < m_times.size() && m_times[at] == time) {
    if (!IsScriptEntry(entry)) delete reinterpret_cast<CEvent*>(entry);
    return;
  }
  m_times.insert(m_times.begin() + static_cast<std::ptrdiff_t>(at), time);
  m_entries.insert(m_entries.begin() + static_cast<std::ptrdiff_t>(at), entry);
}

CTimeLine* TimeLine_Data(int32_t timelineIndex) {
  if (timelineIndex < 0 || static_cast<size_t>(timelineIndex) >= g_timelines.size()) return nullptr;
  return g_timelines[static_cast<size_t>(timelineIndex)].first;
}

const char* TimeLine_Name(int32_t timelineIndex) {
  return TimeLine_Data(timelineIndex) != nullptr ? g_timelines[static_cast<size_t>(timelineIndex)].second.c_str()
                                                 : "<undefined>";
}

int32_t TimeLine_Add() {
  const auto index = static_cast<int32_t>(g_timelines.size());
  g_timelines.emplace_back(new CTimeLine(), "__newtimeline" + std::to_string(index));
  return index;
}

void TimeLine_DeleteAll() {
  for (auto& [timeline, name] : g_timelines) delete timeline;
  g_timelines.clear();
}
