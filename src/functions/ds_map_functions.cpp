// The ds_map_ script functions.
#include "core/argument_getters.h"
#include "functions/ds_list.h"
#include "functions/ds_map.h"
#include "functions/ds_script.h"
#include "functions/secure_map.h"
#include "runtime/error_report.h"

namespace {

CDS_Map* MapArg(const Args& a, int32_t needed, bool rounded = false) {
  return DS_Lookup(g_DsMaps, a, needed, rounded);
}

BUILTIN_FN(ds_map_create) {
  HANDLER_ARGS;
  Args_SetReal(result, DS_CreateMap(a.argc == 1 ? a.I(0) : CDS_Map::kDefaultBuckets));
}

BUILTIN_FN(ds_map_add) {
  HANDLER_ARGS;
  Args_SetReal(result, 0.0);
  if (CDS_Map* map = MapArg(a, 3)) DS_SetBool(result, map->Add(a.At(1), a.At(2)));
}

BUILTIN_FN(ds_map_set) {
  HANDLER_ARGS;
  if (CDS_Map* map = MapArg(a, 3)) map->Set(a.At(1), a.At(2), nullptr);
}

BUILTIN_FN(ds_map_set_pre) {
  HANDLER_ARGS;
  if (!a.Has(2)) return;
  DS_SetCopy(result, a.At(2));
  if (CDS_Map* map = MapArg(a, 3)) map->Set(a.At(1), a.At(2), nullptr);
}

BUILTIN_FN(ds_map_set_post) {
  HANDLER_ARGS;
  CDS_Map* map = MapArg(a, 3);
  if (map == nullptr) return;
  map->Set(a.At(1), a.At(2), result);
  result->kind &= MASK_KIND_RVALUE;
}

// The nested forms: the value must be a plain real naming an existing container of the kind the
// mark stands for; the stored copy carries the mark and the map records itself as its holder.
enum class Nested { kAdd, kReplace };

template <typename T>
void StoreNested(RValue* result, const Args& a, const DsTable<T>& table, uint32_t flag,
                 const char* invalid, Nested how) {
  Args_SetReal(result, 0.0);
  CDS_Map* map = MapArg(a, 3);
  if (map == nullptr) return;
  const RValue* value = a.At(2);
  if (value->kind != VALUE_REAL || table.GetByReal(value->val) == nullptr) {
    Error_Report(false, invalid);
    return;
  }
  RValue marked = *value;
  marked.kind = VALUE_REAL | flag;
  // An add whose key exists stores nothing and takes no ownership; a replace always stores.
  const bool answer = how == Nested::kAdd ? map->Add(a.At(1), &marked) : map->Replace(a.At(1), &marked);
  if (answer || how == Nested::kReplace) DS_RecordMark(map->Serial(), &marked, flag);
  DS_SetBool(result, answer);
}

// ds_map_add_list, ds_map_add_map, ds_map_replace_list and ds_map_replace_map.
template <auto& table, uint32_t flag, Nested how>
BUILTIN_FN(StoreNestedHandler) {
  HANDLER_ARGS;
  StoreNested(result, a, table, flag,
              flag == KIND_FLAG_DSLIST ? "Invalid list index for value" : "Invalid map index for value", how);
}

BUILTIN_FN(ds_map_replace) {
  HANDLER_ARGS;
  Args_SetReal(result, 0.0);
  if (CDS_Map* map = MapArg(a, 3)) DS_SetBool(result, map->Replace(a.At(1), a.At(2)));
}

BUILTIN_FN(ds_map_delete) {
  HANDLER_ARGS;
  if (CDS_Map* map = MapArg(a, 2)) map->Delete(a.At(1));
}

BUILTIN_FN(ds_map_exists) {
  HANDLER_ARGS;
  if (CDS_Map* map = MapArg(a, 2)) DS_SetBool(result, map->Exists(a.At(1)));
}

BUILTIN_FN(ds_map_find_value) {
  HANDLER_ARGS;
  CDS_Map* map = MapArg(a, 2, true);
  if (map == nullptr) return;
  const CDS_MapEntry* entry = map->Find(a.At(1));
  DS_SetCopy(result, entry != nullptr ? &entry->value : nullptr);
}

BUILTIN_FN(ds_map_find_previous) {
  HANDLER_ARGS;
  if (CDS_Map* map = MapArg(a, 2)) DS_SetCopy(result, map->FindPrevious(a.At(1)));
}

BUILTIN_FN(ds_map_find_next) {
  HANDLER_ARGS;
  if (CDS_Map* map = MapArg(a, 2)) DS_SetCopy(result, map->FindNext(a.At(1)));
}

BUILTIN_FN(ds_map_find_first) {
  HANDLER_ARGS;
  if (CDS_Map* map = MapArg(a, 1)) DS_SetCopy(result, map->FindFirst());
}

BUILTIN_FN(ds_map_find_last) {
  HANDLER_ARGS;
  if (CDS_Map* map = MapArg(a, 1)) DS_SetCopy(result, map->FindLast());
}

// The map form has no older form: a third argument is read as the other kinds read it, and
// ignored.
BUILTIN_FN(ds_map_read) {
  HANDLER_ARGS;
  CDS_Map* map = MapArg(a, 2, true);
  if (map == nullptr) return;
  const char* text = a.S(1);
  (void)DS_OlderFormArg(a, false);
  if (text != nullptr) map->ReadText(text);
}

}  // namespace

const DsFunction kDsMapFunctions[kDsMapFunctionCount] = {
    {"ds_map_create", ds_map_create, 0},
    {"ds_map_destroy", DS_DestroyHandler<g_DsMaps, DS_DestroyMap>, 1},
    {"ds_map_clear", DS_ClearHandler<g_DsMaps>, 1},
    {"ds_map_copy", DS_CopyHandler<g_DsMaps>, 2},
    {"ds_map_size", DS_SizeHandler<g_DsMaps>, 1},
    {"ds_map_empty", DS_EmptyHandler<g_DsMaps>, 1},
    {"ds_map_add", ds_map_add, 3},
    {"ds_map_set", ds_map_set, 3},
    {"ds_map_set_pre", ds_map_set_pre, 3},
    {"ds_map_set_post", ds_map_set_post, 3},
    {"ds_map_add_list", StoreNestedHandler<g_DsLists, KIND_FLAG_DSLIST, Nested::kAdd>, 3},
    {"ds_map_add_map", StoreNestedHandler<g_DsMaps, KIND_FLAG_DSMAP, Nested::kAdd>, 3},
    {"ds_map_replace", ds_map_replace, 3},
    {"ds_map_replace_list", StoreNestedHandler<g_DsLists, KIND_FLAG_DSLIST, Nested::kReplace>, 3},
    {"ds_map_replace_map", StoreNestedHandler<g_DsMaps, KIND_FLAG_DSMAP, Nested::kReplace>, 3},
    {"ds_map_delete", ds_map_delete, 2},
    {"ds_map_exists", ds_map_exists, 2},
    {"ds_map_find_value", ds_map_find_value, 2},
    {"ds_map_find_previous", ds_map_find_previous, 2},
    {"ds_map_find_next", ds_map_find_next, 2},
    {"ds_map_find_first", ds_map_find_first, 1},
    {"ds_map_find_last", ds_map_find_last, 1},
    {"ds_map_write", DS_WriteHandler<g_DsMaps>, 1},
    {"ds_map_read", ds_map_read, 2},
    {"ds_map_secure_save", F_DsMapSecureSave, 2},
    {"ds_map_secure_load", F_DsMapSecureLoad, 1},
};
