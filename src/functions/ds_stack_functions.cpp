// The ds_stack_ and ds_queue_ script functions.
#include "functions/ds_script.h"
#include "functions/ds_stack.h"

namespace {

BUILTIN_FN(ds_stack_create) { Args_SetReal(result, DS_CreateStack()); }

// With no value the call is reported as a bad id, whatever the id.
BUILTIN_FN(ds_stack_push) {
  HANDLER_ARGS;
  if (!a.Has(1)) {
    DS_ReportBadId();
    return;
  }
  CDS_Stack* stack = DS_Lookup(g_DsStacks, a, 2);
  if (stack == nullptr) return;
  for (int32_t i = 1; a.Has(i); ++i) stack->Push(a.At(i));
}

BUILTIN_FN(ds_stack_pop) {
  HANDLER_ARGS;
  if (CDS_Stack* stack = DS_Lookup(g_DsStacks, a, 1)) DS_SetCopy(result, stack->Pop());
}

BUILTIN_FN(ds_stack_top) {
  HANDLER_ARGS;
  if (CDS_Stack* stack = DS_Lookup(g_DsStacks, a, 1)) DS_SetCopy(result, stack->Top());
}

BUILTIN_FN(ds_queue_create) { Args_SetReal(result, DS_CreateQueue()); }

// The id is checked even when no value comes; no value is no error.
BUILTIN_FN(ds_queue_enqueue) {
  HANDLER_ARGS;
  CDS_Queue* queue = DS_Lookup(g_DsQueues, a, 1);
  if (queue == nullptr) return;
  for (int32_t i = 1; a.Has(i); ++i) queue->Enqueue(a.At(i));
}

BUILTIN_FN(ds_queue_dequeue) {
  HANDLER_ARGS;
  if (CDS_Queue* queue = DS_Lookup(g_DsQueues, a, 1)) DS_SetCopy(result, queue->Dequeue());
}

BUILTIN_FN(ds_queue_head) {
  HANDLER_ARGS;
  if (CDS_Queue* queue = DS_Lookup(g_DsQueues, a, 1)) DS_SetCopy(result, queue->Head());
}

BUILTIN_FN(ds_queue_tail) {
  HANDLER_ARGS;
  if (CDS_Queue* queue = DS_Lookup(g_DsQueues, a, 1)) DS_SetCopy(result, queue->Tail());
}

}  // namespace

const DsFunction kDsStackFunctions[kDsStackFunctionCount] = {
    {"ds_stack_create", ds_stack_create, 0},
    {"ds_stack_destroy", DS_DestroyReportingHandler<DS_DestroyStack>, 1},
    {"ds_stack_clear", DS_ClearHandler<g_DsStacks>, 1},
    {"ds_stack_copy", DS_CopyHandler<g_DsStacks>, 2},
    {"ds_stack_size", DS_SizeHandler<g_DsStacks>, 1},
    {"ds_stack_empty", DS_EmptyHandler<g_DsStacks>, 1},
    {"ds_stack_push", ds_stack_push, -1},
    {"ds_stack_pop", ds_stack_pop, 1},
    {"ds_stack_top", ds_stack_top, 1},
    {"ds_stack_write", DS_WriteHandler<g_DsStacks>, 1},
    {"ds_stack_read", DS_ReadHandler<g_DsStacks>, 2},
};

const DsFunction kDsQueueFunctions[kDsQueueFunctionCount] = {
    {"ds_queue_create", ds_queue_create, 0},
    {"ds_queue_destroy", DS_DestroyReportingHandler<DS_DestroyQueue>, 1},
    {"ds_queue_clear", DS_ClearHandler<g_DsQueues>, 1},
    {"ds_queue_copy", DS_CopyHandler<g_DsQueues, true>, 2},
    {"ds_queue_size", DS_SizeHandler<g_DsQueues>, 1},
    {"ds_queue_empty", DS_EmptyHandler<g_DsQueues>, 1},
    {"ds_queue_enqueue", ds_queue_enqueue, -1},
    {"ds_queue_dequeue", ds_queue_dequeue, 1},
    {"ds_queue_head", ds_queue_head, 1},
    {"ds_queue_tail", ds_queue_tail, 1},
    {"ds_queue_write", DS_WriteHandler<g_DsQueues>, 1},
    {"ds_queue_read", DS_ReadHandler<g_DsQueues>, 2},
};
