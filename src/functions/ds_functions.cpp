#include "functions/ds_functions.h"

#include <cmath>

#include "core/argument_getters.h"
#include "core/console.h"
#include "core/memory_manager.h"
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

void DS_SetText(RValue* result, char* text) {
  RValue_SetString(result, text != nullptr ? text : "");
  MEM_FREE(text);
}

bool DS_OlderFormArg(const Args& a, bool boolean) {
  if (a.argc != 3) return false;
  return boolean ? a.B(2) : a.I(2) > 0;
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

constexpr uint8_t kDsFunctionFlag = 1;

template <size_t N>
void AddBuilt(const DsFunction (&functions)[N]) {
  for (const DsFunction& f : functions) Builtin_Add(f.name, f.handler, f.argumentCount, kDsFunctionFlag);
}

}  // namespace

void InitDSFunctions() {
  Builtin_Add("ds_set_precision", ds_set_precision, 1, kDsFunctionFlag);
  Builtin_Add("ds_exists", ds_exists, 2, kDsFunctionFlag);
  AddBuilt(kDsStackFunctions);
  AddBuilt(kDsQueueFunctions);
  AddBuilt(kDsListFunctions);
  AddBuilt(kDsMapFunctions);
  AddBuilt(kDsPriorityFunctions);
  AddBuilt(kDsGridFunctions);
}
