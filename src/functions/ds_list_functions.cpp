// The ds_list_ script functions.
#include "core/argument_getters.h"
#include "functions/ds_list.h"
#include "functions/ds_script.h"

namespace {

CDS_List* ListArg(const Args& a, int32_t needed, bool rounded = false) {
  return DS_Lookup(g_DsLists, a, needed, rounded);
}

BUILTIN_FN(ds_list_create) { Args_SetReal(result, DS_CreateList()); }

BUILTIN_FN(ds_list_add) {
  HANDLER_ARGS;
  if (!a.Has(1)) {
    DS_ReportBadId();
    return;
  }
  CDS_List* list = ListArg(a, 2);
  if (list == nullptr) return;
  for (int32_t i = 1; a.Has(i); ++i) list->Add(a.At(i));
}

BUILTIN_FN(ds_list_insert) {
  HANDLER_ARGS;
  if (CDS_List* list = ListArg(a, 3)) list->Insert(a.I(1), a.At(2));
}

BUILTIN_FN(ds_list_replace) {
  HANDLER_ARGS;
  if (CDS_List* list = ListArg(a, 3)) list->Replace(a.I(1), a.At(2));
}

BUILTIN_FN(ds_list_delete) {
  HANDLER_ARGS;
  if (CDS_List* list = ListArg(a, 2)) list->Delete(a.I(1));
}

BUILTIN_FN(ds_list_find_index) {
  HANDLER_ARGS;
  if (CDS_List* list = ListArg(a, 2)) Args_SetReal(result, list->FindIndex(a.At(1)));
}

BUILTIN_FN(ds_list_find_value) {
  HANDLER_ARGS;
  if (CDS_List* list = ListArg(a, 2)) DS_SetCopy(result, list->GetValue(a.I(1)));
}

// Marks the element at the position as holding a nested container; the result is the element
// without its marks. A position outside the list marks nothing.
void Mark(RValue* result, CDS_List* list, int32_t pos, uint32_t flag) {
  RValue* element = list->GetValue(pos);
  if (element == nullptr) return;
  element->kind |= flag;
  DS_RecordMark(list->Serial(), element, flag);
  DS_SetCopy(result, element);
}

BUILTIN_FN(ds_list_mark_as_list) {
  HANDLER_ARGS;
  if (CDS_List* list = ListArg(a, 2, true)) Mark(result, list, a.I(1), KIND_FLAG_DSLIST);
}

BUILTIN_FN(ds_list_mark_as_map) {
  HANDLER_ARGS;
  if (CDS_List* list = ListArg(a, 2)) Mark(result, list, a.I(1), KIND_FLAG_DSMAP);
}

BUILTIN_FN(ds_list_sort) {
  HANDLER_ARGS;
  if (CDS_List* list = ListArg(a, 2)) list->Sort(a.B(1));
}

BUILTIN_FN(ds_list_shuffle) {
  HANDLER_ARGS;
  if (CDS_List* list = ListArg(a, 1)) list->Shuffle();
}

BUILTIN_FN(ds_list_set) {
  HANDLER_ARGS;
  if (CDS_List* list = ListArg(a, 3)) list->Set(a.I(1), a.At(2), nullptr);
}

BUILTIN_FN(ds_list_set_post) {
  HANDLER_ARGS;
  CDS_List* list = ListArg(a, 3);
  if (list == nullptr) return;
  list->Set(a.I(1), a.At(2), result);
  result->kind &= MASK_KIND_RVALUE;
}

BUILTIN_FN(ds_list_set_pre) {
  HANDLER_ARGS;
  CDS_List* list = ListArg(a, 3, true);
  if (list == nullptr) return;
  list->Set(a.I(1), a.At(2), nullptr);
  DS_SetCopy(result, a.At(2));
}

}  // namespace

const DsFunction kDsListFunctions[kDsListFunctionCount] = {
    {"ds_list_create", ds_list_create, 0},
    {"ds_list_destroy", DS_DestroyHandler<g_DsLists, DS_DestroyList>, 1},
    {"ds_list_clear", DS_ClearHandler<g_DsLists>, 1},
    {"ds_list_copy", DS_CopyHandler<g_DsLists>, 2},
    {"ds_list_size", DS_SizeHandler<g_DsLists>, 1},
    {"ds_list_empty", DS_EmptyHandler<g_DsLists>, 1},
    {"ds_list_add", ds_list_add, -1},
    {"ds_list_insert", ds_list_insert, 3},
    {"ds_list_replace", ds_list_replace, 3},
    {"ds_list_delete", ds_list_delete, 2},
    {"ds_list_find_index", ds_list_find_index, 2},
    {"ds_list_find_value", ds_list_find_value, 2},
    {"ds_list_mark_as_list", ds_list_mark_as_list, 2},
    {"ds_list_mark_as_map", ds_list_mark_as_map, 2},
    {"ds_list_sort", ds_list_sort, 2},
    {"ds_list_shuffle", ds_list_shuffle, 1},
    {"ds_list_write", DS_WriteHandler<g_DsLists>, 1},
    {"ds_list_read", DS_ReadHandler<g_DsLists>, 2},
    {"ds_list_set", ds_list_set, 3},
    {"ds_list_set_post", ds_list_set_post, 3},
    {"ds_list_set_pre", ds_list_set_pre, 3},
};
