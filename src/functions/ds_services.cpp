#include "functions/ds_services.h"

#include <cmath>
#include <cstdarg>
#include <cstring>
#include <vector>

#include "functions/ds_grid.h"
#include "functions/ds_list.h"
#include "functions/ds_priority.h"
#include "functions/ds_script.h"
#include "functions/ds_stack.h"

namespace {

// The handler a script function of the group is registered with. The services call the handlers
// themselves, so an id is checked and reported one way whoever asks.
template <size_t N>
BuiltinHandler HandlerOf(const DsFunction (&group)[N], const char* name) {
  for (const DsFunction& f : group) {
    if (std::strcmp(f.name, name) == 0) return f.handler;
  }
  return nullptr;
}

BuiltinHandler MapHandler(const char* name) { return HandlerOf(kDsMapFunctions, name); }
BuiltinHandler ListHandler(const char* name) { return HandlerOf(kDsListFunctions, name); }
BuiltinHandler QueueHandler(const char* name) { return HandlerOf(kDsQueueFunctions, name); }

// The arguments of one handler call, built as temporaries and released after it.
class HandlerCall {
 public:
  HandlerCall() = default;
  HandlerCall(const HandlerCall&) = delete;
  HandlerCall& operator=(const HandlerCall&) = delete;
  ~HandlerCall() {
    for (RValue& v : m_args) RValue_Release(&v);
  }

  HandlerCall& Real(double d) {
    m_args.push_back(RValue_MakeReal(d));
    return *this;
  }
  HandlerCall& Text(const char* text) {
    m_args.push_back(RValue_MakeUndefined());
    RValue_SetString(&m_args.back(), text);
    return *this;
  }
  HandlerCall& Int64(int64_t i) {
    RValue v = RValue_MakeUndefined();
    v.v64 = i;
    v.kind = VALUE_INT64;
    m_args.push_back(v);
    return *this;
  }
  HandlerCall& Pointer(void* p) {
    m_args.push_back(RValue_MakePointer(p));
    return *this;
  }

  // Runs the handler; its result goes to *result (which must hold a value), or is dropped.
  void Run(BuiltinHandler handler, RValue* result = nullptr) {
    RValue dropped = RValue_MakeUndefined();
    RValue* out = result != nullptr ? result : &dropped;
    handler(out, nullptr, nullptr, static_cast<int32_t>(m_args.size()), m_args.empty() ? nullptr : m_args.data());
    RValue_Release(&dropped);
  }
  // Runs the handler and hands back its result (undefined when it set none).
  RValue Result(BuiltinHandler handler) {
    RValue result = RValue_MakeUndefined();
    Run(handler, &result);
    return result;
  }

 private:
  std::vector<RValue> m_args;
};

// A handler's real result as an int: truncated toward zero, or rounded to the nearest. Anything
// that is not a real within the int range gives `otherwise`.
int32_t IntOf(RValue result, bool rounded, int32_t otherwise) {
  double d = result.val;
  const bool real = result.kind == VALUE_REAL;
  RValue_Release(&result);
  if (!real || !std::isfinite(d)) return otherwise;
  d = rounded ? std::nearbyint(d) : std::trunc(d);
  return d >= INT32_MIN && d <= INT32_MAX ? static_cast<int32_t>(d) : otherwise;
}

// ds_map_add (or another map adder) with (id, key, the value that `value` appends).
template <typename Value>
void AddToMap(BuiltinHandler handler, int32_t id, const char* key, Value value) {
  if (key == nullptr) return;
  HandlerCall call;
  call.Real(id).Text(key);
  value(call);
  call.Run(handler);
}

// What the extension adders share: no script handler (they answer the add's own result and
// report nothing), but an id that names no map adds nothing.
bool AddPairChecked(int32_t id, const char* key, double number, const char* text) {
  CDS_Map* map = g_DsMaps.Get(id);
  if (map == nullptr || key == nullptr) return false;
  return map->AddPair(key, number, text);
}

}  // namespace

// --- maps --------------------------------------------------------------------------------------

int32_t NewDsMap() { return DS_CreateMap(); }

int32_t AllocDsMapIndex() { return g_DsMaps.Allocate(); }

CDS_Map* GetDsMap(int32_t id) { return g_DsMaps.Get(id); }

void DestroyDsMap(int32_t id) {
  HandlerCall().Real(id).Run(MapHandler("ds_map_destroy"));
}

void ClearDsMap(int32_t id) {
  HandlerCall().Real(id).Run(MapHandler("ds_map_clear"));
}

void AddDsMapInt(int32_t id, const char* key, int32_t value) { AddDsMapReal(id, key, value); }

void AddDsMapReal(int32_t id, const char* key, double value) {
  AddToMap(MapHandler("ds_map_add"), id, key, [value](HandlerCall& c) { c.Real(value); });
}

void AddDsMapInt64(int32_t id, const char* key, int64_t value) {
  AddToMap(MapHandler("ds_map_add"), id, key, [value](HandlerCall& c) { c.Int64(value); });
}

void AddDsMapString(int32_t id, const char* key, const char* value) {
  if (value == nullptr) return;
  AddToMap(MapHandler("ds_map_add"), id, key, [value](HandlerCall& c) { c.Text(value); });
}

void AddDsMapList(int32_t id, const char* key, int32_t list) {
  AddToMap(MapHandler("ds_map_add_list"), id, key, [list](HandlerCall& c) { c.Real(list); });
}

bool DsMapAddDouble(int32_t id, const char* key, double value) { return AddPairChecked(id, key, value, nullptr); }

bool DsMapAddString(int32_t id, const char* key, const char* value) {
  return value != nullptr && AddPairChecked(id, key, 0.0, value);
}

// --- lists -------------------------------------------------------------------------------------

int32_t CreateDsList() {
  return IntOf(HandlerCall().Result(ListHandler("ds_list_create")), false, -1);
}

int32_t AllocDsListIndex() { return g_DsLists.Allocate(); }

void ClearDsList(int32_t id) {
  HandlerCall().Real(id).Run(ListHandler("ds_list_clear"));
}

void AddDsListInt64(int32_t id, int64_t value) { HandlerCall().Real(id).Int64(value).Run(ListHandler("ds_list_add")); }

void AddDsListMap(int32_t list, int32_t map) {
  HandlerCall().Real(list).Real(map).Run(ListHandler("ds_list_add"));
  // The append went through only for a list that exists; its last entry is the map's id.
  const CDS_List* appended = g_DsLists.Get(list);
  if (appended == nullptr) return;
  HandlerCall().Real(list).Real(appended->Size() - 1).Run(ListHandler("ds_list_mark_as_map"));
}

// --- queues ------------------------------------------------------------------------------------

int32_t CreateDsQueue() {
  return IntOf(HandlerCall().Result(QueueHandler("ds_queue_create")), true, -1);
}

void EnqueueDsQueue(int32_t id, int32_t count, ...) {
  if (id < 0 || count < 1) return;
  HandlerCall call;
  call.Real(id);
  va_list groups;
  va_start(groups, count);
  for (int32_t i = 0; i < count; ++i) {
    const double number = va_arg(groups, double);
    void* pointer = va_arg(groups, void*);
    if (pointer != nullptr) {
      call.Pointer(pointer);
    } else {
      call.Real(number);
    }
  }
  va_end(groups);
  call.Run(QueueHandler("ds_queue_enqueue"));
}

void DequeueDsQueue(int32_t id, RValue* out) {
  if (id < 0) return;
  if (out != nullptr) RValue_Release(out);
  HandlerCall().Real(id).Run(QueueHandler("ds_queue_dequeue"), out);
}

int32_t GetDsQueueSize(int32_t id) {
  if (id < 0) return 0;
  return IntOf(HandlerCall().Real(id).Result(QueueHandler("ds_queue_size")), true, 0);
}

void ClearDsQueue(int32_t id) {
  if (id < 0) return;
  HandlerCall().Real(id).Run(QueueHandler("ds_queue_clear"));
}

// --- tables ------------------------------------------------------------------------------------

namespace {

template <typename T>
T* const* SlotsOf(const DsTable<T>& table, int32_t* count) {
  if (count != nullptr) *count = table.Count();
  return table.Items();
}

}  // namespace

CDS_Stack* const* GetDsStackTable(int32_t* count) { return SlotsOf(g_DsStacks, count); }
CDS_Queue* const* GetDsQueueTable(int32_t* count) { return SlotsOf(g_DsQueues, count); }
CDS_Priority* const* GetDsPriorityTable(int32_t* count) { return SlotsOf(g_DsPriorities, count); }
CDS_Grid* const* GetDsGridTable(int32_t* count) { return SlotsOf(g_DsGrids, count); }
