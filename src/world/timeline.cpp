#include "world/timeline.h"

#include <algorithm>
#include <memory>

#include "world/event.h"
#include "world/event_context.h"
#include "world/named_table.h"

namespace {

NamedTable<CTimeLine> g_timelines;

// Handlers running now (innermost last), and those of them whose moment was removed meanwhile.
std::vector<uintptr_t> g_running;
std::vector<uintptr_t> g_orphaned;

void DisposeEntry(uintptr_t entry) {
  if (entry == 0 || CTimeLine::IsScriptEntry(entry)) return;
  if (std::find(g_running.begin(), g_running.end(), entry) != g_running.end()) {
    g_orphaned.push_back(entry);
    return;
  }
  delete reinterpret_cast<CEvent*>(entry);
}

// Words of a TMLN entry before its moments: name, moment count; each moment is {time, actions}.
constexpr uint32_t kTimeLineEntryHeader = 8;
constexpr uint32_t kMomentSize = 8;

}  // namespace

TimeLineMomentRun::TimeLineMomentRun(uintptr_t entry) : m_entry(entry) { g_running.push_back(entry); }

TimeLineMomentRun::~TimeLineMomentRun() {
  g_running.pop_back();
  const auto orphan = std::find(g_orphaned.begin(), g_orphaned.end(), m_entry);
  // Still running further out (a moment that nests itself) keeps it until the outermost returns.
  if (orphan == g_orphaned.end() || std::find(g_running.begin(), g_running.end(), m_entry) != g_running.end()) return;
  g_orphaned.erase(orphan);
  delete reinterpret_cast<CEvent*>(m_entry);
}

// --- moments ---------------------------------------------------------------------------------

CTimeLine::~CTimeLine() { Clear(); }

bool CTimeLine::LoadFromChunk(const ContainerBytes& container, uint32_t entryOffset, std::string* problem) {
  Clear();
  if (!container.Has(entryOffset, kTimeLineEntryHeader)) {
    *problem = "its entry lies outside the container";
    return false;
  }
  const uint8_t* entry = container.data + entryOffset;
  const uint32_t count = Container_U32(entry + 4);
  if (count > (container.size - entryOffset - kTimeLineEntryHeader) / kMomentSize) {
    *problem = "its " + std::to_string(count) + " moments do not fit in the container";
    return false;
  }
  m_times.reserve(count);
  m_entries.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* moment = entry + kTimeLineEntryHeader + kMomentSize * i;
    auto event = std::make_unique<CEvent>();
    if (!event->LoadFromChunk(container, Container_U32(moment + 4), problem)) {
      *problem = "moment " + std::to_string(i) + ": " + *problem;
      return false;
    }
    m_times.push_back(Container_I32(moment));
    m_entries.push_back(reinterpret_cast<uintptr_t>(event.release()));
  }
  return true;
}

bool CTimeLine::Compile() {
  Event_Current.type = kEventTypeTimeline;
  for (int32_t i = 0; i < GetCount(); ++i) {
    Event_Current.number = m_times[static_cast<size_t>(i)];
    const uintptr_t entry = m_entries[static_cast<size_t>(i)];
    if (entry != 0 && !IsScriptEntry(entry) && !reinterpret_cast<CEvent*>(entry)->Compile()) return false;
  }
  return true;
}

uintptr_t CTimeLine::GetEvent(int32_t moment) const {
  return moment >= 0 && moment < GetCount() ? m_entries[static_cast<size_t>(moment)] : 0;
}

int32_t CTimeLine::GetTime(int32_t moment) const {
  return moment >= 0 && moment < GetCount() ? m_times[static_cast<size_t>(moment)] : 0;
}

int32_t CTimeLine::FindMoment(int32_t time) const {
  const auto it = std::lower_bound(m_times.begin(), m_times.end(), time);
  return it != m_times.end() && *it == time ? static_cast<int32_t>(it - m_times.begin()) : -1;
}

int32_t CTimeLine::FindFirstAtOrAfter(double position) const {
  const auto it = std::lower_bound(m_times.begin(), m_times.end(), position,
                                   [](int32_t time, double p) { return time < p; });
  return static_cast<int32_t>(it - m_times.begin());
}

int32_t CTimeLine::FindLastAtOrBefore(double position) const {
  const auto it = std::upper_bound(m_times.begin(), m_times.end(), position,
                                   [](double p, int32_t time) { return p < time; });
  return static_cast<int32_t>(it - m_times.begin()) - 1;
}

void CTimeLine::AddMoment(int32_t time, int32_t script) { Insert(time, ScriptEntry(script)); }

void CTimeLine::AddEventMoment(int32_t time, CEvent* event) { Insert(time, reinterpret_cast<uintptr_t>(event)); }

void CTimeLine::Insert(int32_t time, uintptr_t entry) {
  const auto it = std::lower_bound(m_times.begin(), m_times.end(), time);
  if (it != m_times.end() && *it == time) {
    DisposeEntry(entry);
    return;
  }
  const auto at = it - m_times.begin();
  m_times.insert(it, time);
  m_entries.insert(m_entries.begin() + at, entry);
}

void CTimeLine::SetMomentScript(int32_t time, int32_t script) {
  const int32_t moment = FindMoment(time);
  if (moment < 0) return;
  uintptr_t& entry = m_entries[static_cast<size_t>(moment)];
  const uintptr_t previous = entry;
  entry = ScriptEntry(script);
  DisposeEntry(previous);
}

void CTimeLine::DeleteMoment(int32_t time) {
  const int32_t moment = FindMoment(time);
  if (moment < 0) return;
  const uintptr_t entry = m_entries[static_cast<size_t>(moment)];
  m_entries.erase(m_entries.begin() + moment);
  m_times.erase(m_times.begin() + moment);
  DisposeEntry(entry);
}

void CTimeLine::Clear() {
  std::vector<uintptr_t> entries;
  entries.swap(m_entries);
  m_times.clear();
  for (uintptr_t entry : entries) DisposeEntry(entry);
}

// --- table -----------------------------------------------------------------------------------

void TimeLine_Init() { g_timelines.Clear(); }
bool TimeLine_Load(uint8_t* body, uint32_t size, const ContainerBytes& container) {
  return g_timelines.Load("TMLN", body, size, container);
}

bool TimeLine_Prepare() {
  for (int32_t i = 0; i < TimeLine_Number(); ++i) {
    CTimeLine* timeline = TimeLine_Data(i);
    if (timeline == nullptr) continue;
    Event_Current.objectIndex = i;
    if (!timeline->Compile()) return false;
  }
  return true;
}

int32_t TimeLine_Number() { return g_timelines.Number(); }
CTimeLine* TimeLine_Data(int32_t index) { return g_timelines.Data(index); }
bool TimeLine_Exists(int32_t index) { return TimeLine_Data(index) != nullptr; }
const char* TimeLine_Name(int32_t index) { return g_timelines.Name(index); }
int32_t TimeLine_Find(const char* name) { return g_timelines.Find(name); }
int32_t TimeLine_Add() { return g_timelines.Add("__newtimeline"); }

bool TimeLine_Delete(int32_t index) {
  if (!TimeLine_Exists(index)) return false;
  g_timelines.Erase(index);
  return true;
}

void TimeLine_DeleteAll() { g_timelines.Clear(); }
void TimeLine_Shutdown() { TimeLine_DeleteAll(); }

// Tests name timelines by index without a container.
void TimeLine_StandInSetNames(const char* const* names, int32_t count) { g_timelines.SetNames(names, count); }
