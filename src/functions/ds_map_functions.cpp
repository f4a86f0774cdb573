// The ds_map_ script functions.
#include "core/argument_getters.h"
#include "functions/ds_list.h"
#include "functions/ds_map.h"
#include "functions/ds_script.h"
#include "runtime/error_report.h"

namespace {

CDS_Map* MapArg(int32_t argc, RValue* args, int32_t needed, bool rounded = false) {
  return DS_Lookup(g_DsMaps, argc, args, needed, rounded);
}

void ds_map_create(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  DS_SetReal(result, DS_CreateMap(argc == 1 ? WXGI32(args, 0) : CDS_Map::kDefaultBuckets));
}

void ds_map_add(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  DS_SetReal(result, 0.0);
  if (CDS_Map* map = MapArg(argc, args, 3)) DS_SetBool(result, map->Add(&args[1], &args[2]));
}

void ds_map_set(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (CDS_Map* map = MapArg(argc, args, 3)) map->Set(&args[1], &args[2], nullptr);
}

void ds_map_set_pre(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (argc < 3) return;
  DS_SetCopy(result, &args[2]);
  if (CDS_Map* map = MapArg(argc, args, 3)) map->Set(&args[1], &args[2], nullptr);
}

void ds_map_set_post(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  CDS_Map* map = MapArg(argc, args, 3);
  if (map == nullptr) return;
  map->Set(&args[1], &args[2], result);
  result->kind &= MASK_KIND_RVALUE;
}

// The nested forms: the value must be a plain real naming an existing container of the kind the
// mark stands for; the stored copy carries the mark and the map records itself as its holder.
enum class Nested { kAdd, kReplace };

template <typename T>
void StoreNested(RValue* result, int32_t argc, RValue* args, const DsTable<T>& table, uint32_t flag,
                 const char* invalid, Nested how) {
  DS_SetReal(result, 0.0);
  CDS_Map* map = MapArg(argc, args, 3);
  if (map == nullptr) return;
  const RValue* value = &args[2];
  if (value->kind != VALUE_REAL || table.GetByReal(value->val) == nullptr) {
    Error_Report(false, invalid);
    return;
  }
  RValue marked = *value;
  marked.kind = VALUE_REAL | flag;
  // An add whose key exists stores nothing and takes no ownership; a replace always stores.
  const bool answer = how == Nested::kAdd ? map->Add(&args[1], &marked) : map->Replace(&args[1], &marked);
  if (answer || how == Nested::kReplace) DS_RecordMark(map->Serial(), &marked, flag);
  DS_SetBool(result, answer);
}

void ds_map_add_list(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  StoreNested(result, argc, args, g_DsLists, KIND_FLAG_DSLIST, "Invalid list index for value", Nested::kAdd);
}

void ds_map_add_map(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  StoreNested(result, argc, args, g_DsMaps, KIND_FLAG_DSMAP, "Invalid map index for value", Nested::kAdd);
}

void ds_map_replace(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  DS_SetReal(result, 0.0);
  if (CDS_Map* map = MapArg(argc, args, 3)) DS_SetBool(result, map->Replace(&args[1], &args[2]));
}

void ds_map_replace_list(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  StoreNested(result, argc, args, g_DsLists, KIND_FLAG_DSLIST, "Invalid list index for value", Nested::kReplace);
}

void ds_map_replace_map(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  StoreNested(result, argc, args, g_DsMaps, KIND_FLAG_DSMAP, "Invalid map index for value", Nested::kReplace);
}

void ds_map_delete(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (CDS_Map* map = MapArg(argc, args, 2)) map->Delete(&args[1]);
}

void ds_map_exists(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (CDS_Map* map = MapArg(argc, args, 2)) DS_SetBool(result, map->Exists(&args[1]));
}

void ds_map_find_value(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  CDS_Map* map = MapArg(argc, args, 2, true);
  if (map == nullptr) return;
  const CDS_MapEntry* entry = map->Find(&args[1]);
  DS_SetCopy(result, entry != nullptr ? &entry->value : nullptr);
}

void ds_map_find_previous(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (CDS_Map* map = MapArg(argc, args, 2)) DS_SetCopy(result, map->FindPrevious(&args[1]));
}

void ds_map_find_next(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (CDS_Map* map = MapArg(argc, args, 2)) DS_SetCopy(result, map->FindNext(&args[1]));
}

void ds_map_find_first(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (CDS_Map* map = MapArg(argc, args, 1)) DS_SetCopy(result, map->FindFirst());
}

void ds_map_find_last(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (CDS_Map* map = MapArg(argc, args, 1)) DS_SetCopy(result, map->FindLast());
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
    {"ds_map_add_list", ds_map_add_list, 3},
    {"ds_map_add_map", ds_map_add_map, 3},
    {"ds_map_replace", ds_map_replace, 3},
    {"ds_map_replace_list", ds_map_replace_list, 3},
    {"ds_map_replace_map", ds_map_replace_map, 3},
    {"ds_map_delete", ds_map_delete, 2},
    {"ds_map_exists", ds_map_exists, 2},
    {"ds_map_find_value", ds_map_find_value, 2},
    {"ds_map_find_previous", ds_map_find_previous, 2},
    {"ds_map_find_next", ds_map_find_next, 2},
    {"ds_map_find_first", ds_map_find_first, 1},
    {"ds_map_find_last", ds_map_find_last, 1},
    {"ds_map_write", DS_NotBuiltYet, 1},
    {"ds_map_read", DS_NotBuiltYet, 2},
    {"ds_map_secure_save", DS_NotBuiltYet, 2},
    {"ds_map_secure_load", DS_NotBuiltYet, 1},
};
