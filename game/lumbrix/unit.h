// The short forms a unit of translated code writes its calls and number tests with. Everything
// here lives in an unnamed namespace, so each unit that includes it has its own result slot for
// the calls it makes, as every translated unit has.
#pragma once

#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "lumbrix/kit.h"
#include "lumbrix/names.h"
#include "world/commands.h"

namespace {

tll::Static s_unit;  // the unit's result slot for the calls it makes

// An argument as a number; one the caller did not pass counts as 0.
[[maybe_unused]] double Arg(int32_t argc, RValue** args, int32_t i) { return i < argc ? tll::Num(*args[i]) : 0.0; }

// A built-in through its slot with number arguments; its result as a number.
template <typename... Numbers>
double Fn(CInstance* self, CInstance* other, const LinkName& function, Numbers... numbers) {
  return tll::Num(*tll::Call(self, other, &s_unit, function, tll::Real(static_cast<double>(numbers))...));
}
template <typename... Numbers>
void Do(CInstance* self, CInstance* other, const LinkName& function, Numbers... numbers) {
  tll::Call(self, other, &s_unit, function, tll::Real(static_cast<double>(numbers))...);
}
// Another script, called directly; what it returned (the unit's slot) as a number.
template <typename... Numbers>
double Run(tll::ScriptFunction script, CInstance* self, CInstance* other, Numbers... numbers) {
  return tll::Num(*tll::Script(script, self, other, &s_unit, tll::Real(static_cast<double>(numbers))...));
}

// a < b and a > b on numbers, with the math epsilon.
[[maybe_unused]] bool Less(double a, double b) { return tll::Positive(b - a); }
[[maybe_unused]] bool Greater(double a, double b) { return tll::Positive(a - b); }

// A built-in variable of another target as a number.
[[maybe_unused]] double BuiltinOf(int32_t target, const LinkName& variable) {
  tll::Local v;
  tll::GetFrom(target, variable, &v);
  return tll::Num(*v);
}
// Self's built-in variable as a number.
[[maybe_unused]] double Builtin(CInstance* self, const LinkName& variable) {
  tll::Local v;
  tll::Get(self, variable, &v);
  return tll::Num(*v);
}
// Element 0 of a built-in view array of self (view_wport[0] and the like) as a number.
[[maybe_unused]] double ViewOf(CInstance* self, const LinkName& variable) {
  tll::Local v;
  tll::Get(self, variable, &v, 0);
  return tll::Num(*v);
}
[[maybe_unused]] double OwnNum(CInstance* self, int32_t index) { return tll::Num(tll::Own(self, index)); }
[[maybe_unused]] void SetOwn(CInstance* self, int32_t index, double d) { tll::SetReal(&tll::Own(self, index), d); }
[[maybe_unused]] void SetGlobal(int32_t index, double d) { tll::SetReal(&tll::Global(index), d); }
[[maybe_unused]] double GlobalNum(int32_t index) { return tll::Num(tll::Global(index)); }
[[maybe_unused]] void AddOwn(CInstance* self, int32_t index, double d) { SetOwn(self, index, OwnNum(self, index) + d); }
// Another target's user variable as a number.
[[maybe_unused]] double Of(int32_t target, int32_t index) {
  tll::Local v;
  tll::GetOn(target, index, &v);
  return tll::Num(*v);
}

}  // namespace

namespace {

// The shape of a script whose statements all run in a with block over its first argument: its
// frame, the iteration and the one way out. The body gets the frame, the visited instance as
// self and the caller as other, and answers true when it left through a return statement.
template <typename Body>
RValue* WithFirstArgument(const char* name, CInstance* self, CInstance* other, RValue* result, int32_t argc,
                          RValue** args, Body body) {
  tll::Frame frame(name);
  frame.Line(1);
  tll::With with(&self, &other, tll::Int(Arg(argc, args, 0)));
  if (with.Any()) {
    do {
      if (body(frame, self, other)) return result;
    } while (with.Next());
  }
  return result;
}

// The same for a body that takes the script's second argument as a number.
template <typename Body>
RValue* WithFirstArgumentAnd(const char* name, CInstance* self, CInstance* other, RValue* result, int32_t argc,
                             RValue** args, Body body) {
  const double second = Arg(argc, args, 1);
  return WithFirstArgument(name, self, other, result, argc, args,
                           [&](tll::Frame& frame, CInstance* self, CInstance* other) {
                             return body(frame, self, other, second);
                           });
}

// A creation script: an instance of `object` at (x, y) whose variables get their start values in
// the order given, in a with block over it; answers its id.
struct StartValue {
  int32_t variable;
  double value;
};
[[maybe_unused]] RValue* CreateWithStartValues(tll::Frame& frame, CInstance* self, CInstance* other, RValue* result,
                                               double x, double y, int32_t object,
                                               std::initializer_list<StartValue> start) {
  frame.Line(1);
  const int32_t made = F_InstanceCreate(static_cast<float>(x), static_cast<float>(y), object);
  frame.Line(2);
  tll::With with(&self, &other, made);
  if (!with.Any()) return result;
  do {
    int32_t line = 3;
    for (const StartValue& v : start) {
      frame.Line(line++);
      SetOwn(self, v.variable, v.value);
    }
    frame.Line(line);
    return tll::Return(result, self->id);
  } while (with.Next());
  return result;
}

}  // namespace
