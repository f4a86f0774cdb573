// The ds_priority_ script functions.
#include "functions/ds_priority.h"
#include "functions/ds_script.h"

namespace {

CDS_Priority* PriorityArg(const Args& a, int32_t needed) { return DS_Lookup(g_DsPriorities, a, needed); }

BUILTIN_FN(ds_priority_create) { Args_SetReal(result, DS_CreatePriority()); }

BUILTIN_FN(ds_priority_add) {
  HANDLER_ARGS;
  if (CDS_Priority* queue = PriorityArg(a, 3)) queue->Add(a.At(1), a.At(2));
}

BUILTIN_FN(ds_priority_change_priority) {
  HANDLER_ARGS;
  if (CDS_Priority* queue = PriorityArg(a, 3)) queue->ChangePriority(a.At(1), a.At(2));
}

BUILTIN_FN(ds_priority_find_priority) {
  HANDLER_ARGS;
  if (CDS_Priority* queue = PriorityArg(a, 2)) DS_SetCopy(result, queue->FindPriority(a.At(1)));
}

BUILTIN_FN(ds_priority_delete_value) {
  HANDLER_ARGS;
  if (CDS_Priority* queue = PriorityArg(a, 2)) queue->DeleteValue(a.At(1));
}

// An empty queue gives a real 0 here, while the find functions give undefined.
BUILTIN_FN(ds_priority_delete_min) {
  HANDLER_ARGS;
  if (CDS_Priority* queue = PriorityArg(a, 1)) queue->DeleteMin(result);
}

BUILTIN_FN(ds_priority_delete_max) {
  HANDLER_ARGS;
  if (CDS_Priority* queue = PriorityArg(a, 1)) queue->DeleteMax(result);
}

BUILTIN_FN(ds_priority_find_min) {
  HANDLER_ARGS;
  if (CDS_Priority* queue = PriorityArg(a, 1)) DS_SetCopy(result, queue->FindMin());
}

BUILTIN_FN(ds_priority_find_max) {
  HANDLER_ARGS;
  if (CDS_Priority* queue = PriorityArg(a, 1)) DS_SetCopy(result, queue->FindMax());
}

}  // namespace

const DsFunction kDsPriorityFunctions[kDsPriorityFunctionCount] = {
    {"ds_priority_create", ds_priority_create, 0},
    {"ds_priority_destroy", DS_DestroyReportingHandler<DS_DestroyPriority>, 1},
    {"ds_priority_clear", DS_ClearHandler<g_DsPriorities>, 1},
    {"ds_priority_copy", DS_CopyHandler<g_DsPriorities>, 2},
    {"ds_priority_size", DS_SizeHandler<g_DsPriorities>, 1},
    {"ds_priority_empty", DS_EmptyHandler<g_DsPriorities>, 1},
    {"ds_priority_add", ds_priority_add, 3},
    {"ds_priority_change_priority", ds_priority_change_priority, 3},
    {"ds_priority_find_priority", ds_priority_find_priority, 2},
    {"ds_priority_delete_value", ds_priority_delete_value, 2},
    {"ds_priority_delete_min", ds_priority_delete_min, 1},
    {"ds_priority_find_min", ds_priority_find_min, 1},
    {"ds_priority_delete_max", ds_priority_delete_max, 1},
    {"ds_priority_find_max", ds_priority_find_max, 1},
    {"ds_priority_write", DS_WriteHandler<g_DsPriorities, true>, 1},
    {"ds_priority_read", DS_ReadHandler<g_DsPriorities, true>, 2},
};
