// Calls the game group's script functions as the interpreter does: found by name in the built-in
// table, with a calling instance and an other instance and real arguments.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "core/function_registry.h"
#include "core/value.h"
#include "functions/game_functions.h"

namespace game_call {

// The table holds the game group (registered once per table).
inline void Register() {
  int32_t id = -1;
  if (!Builtin_FindCallable("move_random", &id)) InitGameFunctions();
}

// The answer as a real; NaN when the function set no result (the value stays undefined).
inline double Call(const char* name, CInstance* self, CInstance* other, std::initializer_list<double> args = {}) {
  int32_t id = -1;
  if (!Builtin_FindCallable(name, &id) || id < 0 || id >= g_BuiltinCount) {
    ADD_FAILURE() << "no built-in " << name;
    return std::nan("");
  }
  std::vector<RValue> values;
  for (double a : args) values.push_back(RValue_MakeReal(a));
  RValue result = RValue_MakeUndefined();
  g_BuiltinFunctions[id].handler(&result, self, other, static_cast<int32_t>(values.size()), values.data());
  const double answer = RValue_Kind(&result) == VALUE_REAL ? result.val : std::nan("");
  RValue_Release(&result);
  return answer;
}

}  // namespace game_call
