#include "functions/ds_functions.h"

#include <cmath>

#include "core/argument_getters.h"
#include "core/console.h"
#include "functions/ds_script.h"
#include "runtime/error_report.h"

void DS_ReportBadId() { Error_Report(false, "Data structure with index does not exist."); }

int32_t DS_IdArg(const Args& a, int32_t n) { return a.I(n); }

int32_t DS_RoundedIdArg(const Args& a, int32_t n) {
  const RValue* v = a.V(n);
  if (v == nullptr || RValue_Kind(v) != VALUE_REAL) return a.I(n);
  const double id = std::nearbyint(v->val);  // the default rounding: halves to even
  return id >= INT32_MIN && id <= INT32_MAX ? static_cast<int32_t>(id) : -1;
}

void DS_SetCopy(RValue* result, const RValue* stored) {
  if (stored == nullptr) {
    RValue_Release(result);
    *result = RValue_MakeUndefined();
    return;
  }
  RValue_Assign(result, stored);
  result->kind &= MASK_KIND_RVALUE;
}

namespace {

BUILTIN_FN(ds_set_precision) {
  HANDLER_ARGS;
  if (a.Has(0)) DS_SetPrecision(a.R(0));
}

BUILTIN_FN(ds_exists) {
  HANDLER_ARGS;
  DS_SetBool(result, a.Has(1) && DS_Exists(a.I(0), a.I(1)));
}

// The kinds whose containers come later, by name and registered argument count, in registration
// order.
struct PendingFunction {
  const char* name;
  int32_t argumentCount;
};

constexpr PendingFunction kStackFunctions[] = {
    {"ds_stack_create", 0}, {"ds_stack_destroy", 1}, {"ds_stack_clear", 1}, {"ds_stack_copy", 2},
    {"ds_stack_size", 1},   {"ds_stack_empty", 1},   {"ds_stack_push", -1}, {"ds_stack_pop", 1},
    {"ds_stack_top", 1},    {"ds_stack_write", 1},   {"ds_stack_read", 2},
};

constexpr PendingFunction kQueueFunctions[] = {
    {"ds_queue_create", 0}, {"ds_queue_destroy", 1}, {"ds_queue_clear", 1},    {"ds_queue_copy", 2},
    {"ds_queue_size", 1},   {"ds_queue_empty", 1},   {"ds_queue_enqueue", -1}, {"ds_queue_dequeue", 1},
    {"ds_queue_head", 1},   {"ds_queue_tail", 1},    {"ds_queue_write", 1},    {"ds_queue_read", 2},
};

constexpr PendingFunction kPriorityFunctions[] = {
    {"ds_priority_create", 0},          {"ds_priority_destroy", 1},
    {"ds_priority_clear", 1},           {"ds_priority_copy", 2},
    {"ds_priority_size", 1},            {"ds_priority_empty", 1},
    {"ds_priority_add", 3},             {"ds_priority_change_priority", 3},
    {"ds_priority_find_priority", 2},   {"ds_priority_delete_value", 2},
    {"ds_priority_delete_min", 1},      {"ds_priority_find_min", 1},
    {"ds_priority_delete_max", 1},      {"ds_priority_find_max", 1},
    {"ds_priority_write", 1},           {"ds_priority_read", 2},
};

constexpr PendingFunction kGridFunctions[] = {
    {"ds_grid_create", 2},
    {"ds_grid_destroy", 1},
    {"ds_grid_copy", 2},
    {"ds_grid_resize", 3},
    {"ds_grid_width", 1},
    {"ds_grid_height", 1},
    {"ds_grid_clear", 2},
    {"ds_grid_set", 4},
    {"ds_grid_set_pre", 4},
    {"ds_grid_set_post", 4},
    {"ds_grid_add", 4},
    {"ds_grid_multiply", 4},
    {"ds_grid_set_region", 6},
    {"ds_grid_add_region", 6},
    {"ds_grid_multiply_region", 6},
    {"ds_grid_set_disk", 5},
    {"ds_grid_add_disk", 5},
    {"ds_grid_multiply_disk", 5},
    {"ds_grid_set_grid_region", 8},
    {"ds_grid_add_grid_region", 8},
    {"ds_grid_multiply_grid_region", 8},
    {"ds_grid_get", 3},
    {"ds_grid_get_sum", 5},
    {"ds_grid_get_max", 5},
    {"ds_grid_get_min", 5},
    {"ds_grid_get_mean", 5},
    {"ds_grid_get_disk_sum", 4},
    {"ds_grid_get_disk_max", 4},
    {"ds_grid_get_disk_min", 4},
    {"ds_grid_get_disk_mean", 4},
    {"ds_grid_value_exists", 6},
    {"ds_grid_value_x", 6},
    {"ds_grid_value_y", 6},
    {"ds_grid_value_disk_exists", 5},
    {"ds_grid_value_disk_x", 5},
    {"ds_grid_value_disk_y", 5},
    {"ds_grid_shuffle", 1},
    {"ds_grid_write", 1},
    {"ds_grid_read", 2},
    {"ds_grid_sort", 3},
};

constexpr uint8_t kDsFunctionFlag = 1;

template <size_t N>
void AddPending(const PendingFunction (&functions)[N]) {
  for (const PendingFunction& f : functions) Builtin_Add(f.name, Handler_NotImplemented, f.argumentCount, kDsFunctionFlag);
}

template <size_t N>
void AddBuilt(const DsFunction (&functions)[N]) {
  for (const DsFunction& f : functions) Builtin_Add(f.name, f.handler, f.argumentCount, kDsFunctionFlag);
}

}  // namespace

void InitDSFunctions() {
  Builtin_Add("ds_set_precision", ds_set_precision, 1, kDsFunctionFlag);
  Builtin_Add("ds_exists", ds_exists, 2, kDsFunctionFlag);
  AddPending(kStackFunctions);
  AddPending(kQueueFunctions);
  AddBuilt(kDsListFunctions);
  AddBuilt(kDsMapFunctions);
  AddPending(kPriorityFunctions);
  AddPending(kGridFunctions);
}
