// The ds_list_ script functions.
#include "core/argument_getters.h"
#include "functions/ds_list.h"
#include "functions/ds_script.h"

namespace {

CDS_List* ListArg(int32_t argc, RValue* args, int32_t needed, bool rounded = false) {
  return DS_Lookup(g_DsLists, argc, args, needed, rounded);
}

void ds_list_create(RValue* result, CInstance*, CInstance*, int32_t, RValue*) { DS_SetReal(result, DS_CreateList()); }

void ds_list_add(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (argc < 2) {
    DS_ReportBadId();
    return;
  }
  CDS_List* list = ListArg(argc, args, 2);
  if (list == nullptr) return;
  for (int32_t i = 1; i < argc; ++i) list->Add(&args[i]);
}

void ds_list_insert(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (CDS_List* list = ListArg(argc, args, 3)) list->Insert(WXGI32(args, 1), &args[2]);
}

void ds_list_replace(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (CDS_List* list = ListArg(argc, args, 3)) list->Replace(WXGI32(args, 1), &args[2]);
}

void ds_list_delete(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (CDS_List* list = ListArg(argc, args, 2)) list->Delete(WXGI32(args, 1));
}

void ds_list_find_index(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (CDS_List* list = ListArg(argc, args, 2)) DS_SetReal(result, list->FindIndex(&args[1]));
}

void ds_list_find_value(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (CDS_List* list = ListArg(argc, args, 2)) DS_SetCopy(result, list->GetValue(WXGI32(args, 1)));
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

void ds_list_mark_as_list(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (CDS_List* list = ListArg(argc, args, 2, true)) Mark(result, list, WXGI32(args, 1), KIND_FLAG_DSLIST);
}

void ds_list_mark_as_map(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (CDS_List* list = ListArg(argc, args, 2)) Mark(result, list, WXGI32(args, 1), KIND_FLAG_DSMAP);
}

void ds_list_sort(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (CDS_List* list = ListArg(argc, args, 2)) list->Sort(WXGB(args, 1));
}

void ds_list_shuffle(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (CDS_List* list = ListArg(argc, args, 1)) list->Shuffle();
}

void ds_list_set(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (CDS_List* list = ListArg(argc, args, 3)) list->Set(WXGI32(args, 1), &args[2], nullptr);
}

void ds_list_set_post(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  CDS_List* list = ListArg(argc, args, 3);
  if (list == nullptr) return;
  list->Set(WXGI32(args, 1), &args[2], result);
  result->kind &= MASK_KIND_RVALUE;
}

void ds_list_set_pre(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  CDS_List* list = ListArg(argc, args, 3, true);
  if (list == nullptr) return;
  list->Set(WXGI32(args, 1), &args[2], nullptr);
  DS_SetCopy(result, &args[2]);
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
    {"ds_list_write", DS_NotBuiltYet, 1},
    {"ds_list_read", DS_NotBuiltYet, 2},
    {"ds_list_set", ds_list_set, 3},
    {"ds_list_set_post", ds_list_set_post, 3},
    {"ds_list_set_pre", ds_list_set_pre, 3},
};
