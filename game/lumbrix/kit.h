// What every translated function of the game is written with. A function is the short run of
// statements its script, event or creation code holds, in this shape:
//
//   RValue* tll_Script_name(CInstance* selfIn, CInstance* otherIn, RValue* result, int32_t argc,
//                           RValue** args) {
//     CInstance* self = selfIn;            // a with block switches these
//     CInstance* other = otherIn;
//     tll::Frame frame("tll_Script_name"); // on the trace chain until the function leaves
//     tll::Local local;                    // locals start undefined and are released on the way out
//     frame.Line(1);                       // before each statement, its source line
//     ...
//     return result;
//   }
//
// Own user variables are slots of the value array by fixed index; built-in variables, other
// targets' variables and built-in functions go through the runner. Every way out of a function or
// of a with block goes through destructors, so the frame is popped and each open iteration ends
// however the statements leave.
#pragma once

#include <cmath>
#include <cstdint>

#include "core/math_epsilon.h"
#include "core/stack_trace.h"
#include "core/value.h"
#include "functions/math_numeric.h"
#include "functions/text_sprite_functions.h"
#include "render/primitives.h"
#include "runtime/link_record.h"
#include "script/wx_object.h"
#include "vm/calls.h"
#include "vm/variable_access.h"
#include "vm/variable_names.h"
#include "world/instance.h"

namespace tll {

// The function's frame on the trace chain, under its own name; error reports print its line.
class Frame {
 public:
  explicit Frame(const char* name) : m_frame{nullptr, name, 0} { StackTrace_Push(&m_frame); }
  ~Frame() { StackTrace_Pop(&m_frame); }
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;
  void Line(int32_t line) { m_frame.line = line; }

 private:
  StackTraceFrame m_frame;
};

// A value that starts undefined and releases what it holds when it goes: a function's local, and
// (as a static) a unit's result slot for the calls it makes, released at program exit.
struct Local {
  RValue value = RValue_MakeUndefined();
  Local() = default;
  ~Local() { RValue_Release(&value); }
  Local(const Local&) = delete;
  Local& operator=(const Local&) = delete;
  RValue* operator&() { return &value; }
  RValue& operator*() { return value; }
};
using Static = Local;

// --- numbers and truth ---------------------------------------------------------------------------

// The number a value holds: reals, integers and booleans; anything else counts as 0.
inline double Num(const RValue& v) {
  switch (RValue_Kind(&v)) {
    case VALUE_REAL: return v.val;
    case VALUE_INT32:
    case VALUE_BOOL: return v.v32;
    case VALUE_INT64: return static_cast<double>(v.v64);
    default: return 0.0;
  }
}
inline bool Truth(double d) { return d > 0.5; }
inline bool Truth(const RValue& v) { return Truth(Num(v)); }
// Numbers are equal within the math epsilon; tests against zero use it too.
inline bool Equal(double a, double b) { return std::fabs(a - b) <= Math_Epsilon; }
inline bool Positive(double d) { return d > Math_Epsilon; }
inline bool Negative(double d) { return d < -Math_Epsilon; }
// Targets, object indices and array indices: truncated toward zero.
// Out of range (or not a number) they name nothing: the most negative integer.
inline int32_t Int(double d) {
  return d > -2147483649.0 && d < 2147483648.0 ? static_cast<int32_t>(d) : INT32_MIN;
}
inline int32_t Int(const RValue& v) { return Int(Num(v)); }

inline RValue Real(double d) { return RValue_MakeReal(d); }

// A text as a value, for the calls that take a string; released when it goes.
class Text {
 public:
  explicit Text(const char* text) { RValue_SetString(&value, text); }
  ~Text() { RValue_Release(&value); }
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;
  RValue value = RValue_MakeUndefined();
};
// The text a value holds; null when it holds none.
inline const char* TextOf(const RValue& v) {
  if (RValue_Kind(&v) != VALUE_STRING || v.pString == nullptr) return nullptr;
  return v.pString->text;
}
inline void SetReal(RValue* target, double d) {
  RValue_Release(target);
  *target = RValue_MakeReal(d);
}
inline void Set(RValue* target, const RValue& value) { RValue_Assign(target, &value); }
// A return statement's copy into the result: numbers by value, strings and arrays by reference.
inline RValue* Return(RValue* result, const RValue& value) { return RValue_Assign(result, &value); }
inline RValue* Return(RValue* result, double d) {
  SetReal(result, d);
  return result;
}

// min and max through their fast entries: the first of the smallest or largest.
inline double Pick(void (*pick)(RValue*, int32_t, RValue**), double a, double b) {
  RValue va = Real(a), vb = Real(b), r = RValue_MakeUndefined();
  RValue* values[] = {&va, &vb};
  pick(&r, 2, values);
  const double d = Num(r);
  RValue_Release(&r);
  return d;
}
inline double Min(double a, double b) { return Pick(F_Min, a, b); }
inline double Max(double a, double b) { return Pick(F_Max, a, b); }

// --- variables -----------------------------------------------------------------------------------

// Own user variables: the slot of self's value array, or of the global object's.
inline RValue& Own(CInstance* self, int32_t index) { return self->m_slots[index]; }
inline RValue& Global(int32_t index) { return g_pGlobalObject->m_slots[index]; }

// Another target's user variable by its fixed index: an instance id, an object index (its first
// instance to read, every instance to write) or -3 for all. A missing one reads as undefined.
inline void GetOn(int32_t target, int32_t index, RValue* out) {
  RValue_Release(out);
  Variable_GetArrayFromTarget(target, index, ARRAY_INDEX_NONE, out);
}
inline void SetOn(int32_t target, int32_t index, const RValue& value) {
  Variable_SetArrayOnTarget(target, index, ARRAY_INDEX_NONE, &value);
}

// Built-in variables through their bound slots, of self or of another target; `element` is the
// array index for the variables that are arrays (view_wport[0] passes 0).
inline void Get(CInstance* self, const LinkName& variable, RValue* out, int32_t element = ARRAY_INDEX_NONE) {
  RValue_Release(out);
  Variable_GetValue(self, variable.slot, element, out);
}
inline void Set(CInstance* self, const LinkName& variable, const RValue& value, int32_t element = ARRAY_INDEX_NONE) {
  Variable_SetValue(self, variable.slot, element, &value);
}
inline void GetFrom(int32_t target, const LinkName& variable, RValue* out, int32_t element = ARRAY_INDEX_NONE) {
  RValue_Release(out);
  Variable_GetFromTarget(target, variable.slot, element, out);
}
inline void SetOnTarget(int32_t target, const LinkName& variable, const RValue& value,
                        int32_t element = ARRAY_INDEX_NONE) {
  Variable_SetOnTarget(target, variable.slot, element, &value);
}

// --- calls ---------------------------------------------------------------------------------------

// What a test watches: every built-in function the code calls, through its slot or its fast
// entry, by name with its arguments, just before the call. Null (as in the game) watches nothing.
using CallWatcher = void (*)(const char* name, int32_t argc, const RValue* const* argv);
inline CallWatcher g_callWatcher = nullptr;

// Reports a fast entry's call, its native arguments as reals, to the watcher.
template <typename... Numbers>
inline void Watch(const char* name, Numbers... numbers) {
  if (g_callWatcher == nullptr) return;
  const RValue values[] = {RValue_MakeReal(static_cast<double>(numbers))..., RValue_MakeUndefined()};
  const RValue* argv[sizeof...(Numbers) + 1] = {};
  for (size_t i = 0; i < sizeof...(Numbers); ++i) argv[i] = &values[i];
  g_callWatcher(name, static_cast<int32_t>(sizeof...(Numbers)), argv);
}

// A built-in function through its bound slot; the result lands in `result` (the unit's static or
// a local), which the caller reads at once.
template <typename... Args>
inline RValue* Call(CInstance* self, CInstance* other, RValue* result, const LinkName& function,
                    const Args&... args) {
  RValue* argv[] = {const_cast<RValue*>(&args)..., nullptr};
  if (g_callWatcher != nullptr) g_callWatcher(function.name, static_cast<int32_t>(sizeof...(Args)), argv);
  return VM_CallBuiltin(self, other, result, static_cast<int32_t>(sizeof...(Args)), function.slot, argv);
}

using ScriptFunction = RValue* (*)(CInstance*, CInstance*, RValue*, int32_t, RValue**);

// Another script, called directly with the caller's result slot: a script that returns nothing
// leaves the slot as it was.
template <typename... Args>
inline RValue* Script(ScriptFunction script, CInstance* self, CInstance* other, RValue* result, const Args&... args) {
  RValue* argv[] = {const_cast<RValue*>(&args)..., nullptr};
  return script(self, other, result, static_cast<int32_t>(sizeof...(Args)), argv);
}

// The fast entries of drawing, direct calls with native arguments.
inline void DrawSetColour(uint32_t colour) {
  Watch("draw_set_colour", colour);
  GR_SetColour(colour);
}
inline void DrawSetAlpha(double alpha) {
  Watch("draw_set_alpha", alpha);
  GR_SetAlpha(static_cast<float>(alpha));
}
inline void DrawSetFont(int32_t font) {
  Watch("draw_set_font", font);
  F_DrawSetFont(font);
}
inline void DrawSetHAlign(int32_t halign) {
  Watch("draw_set_halign", halign);
  F_DrawSetHAlign(halign);
}
inline void DrawSetVAlign(int32_t valign) {
  Watch("draw_set_valign", valign);
  F_DrawSetVAlign(valign);
}
inline void DrawRectangle(double x1, double y1, double x2, double y2, bool outline) {
  Watch("draw_rectangle", x1, y1, x2, y2, outline ? 1 : 0);
  GR_Draw_Rectangle(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2), static_cast<float>(y2),
                    outline);
}
inline void DrawSpriteExt(CInstance* self, int32_t sprite, int32_t subimage, double x, double y, double xScale,
                          double yScale, double angle, uint32_t colour, double alpha) {
  Watch("draw_sprite_ext", sprite, subimage, x, y, xScale, yScale, angle, colour, alpha);
  F_DrawSpriteExt(self, sprite, subimage, static_cast<float>(x), static_cast<float>(y), static_cast<float>(xScale),
                  static_cast<float>(yScale), static_cast<float>(angle), colour, static_cast<float>(alpha));
}

// --- with blocks ---------------------------------------------------------------------------------

// One with block over a target (-1 self, -2 other, -3 all, an instance id, an object index with
// its descendants). It switches the function's self and other while it runs and restores them
// when it ends, at the latest when it goes out of scope:
//
//   { tll::With with(&self, &other, target);
//     if (with.Any()) do { ... } while (with.Next()); }
class With {
 public:
  With(CInstance** self, CInstance** other, int32_t target) : m_self(self), m_other(other) {
    m_count = WithIterator_Begin(&m_iterator, self, other, target);
  }
  ~With() { End(); }
  With(const With&) = delete;
  With& operator=(const With&) = delete;

  bool Any() const { return m_count > 0; }
  bool Next() { return WithIterator_Next(&m_iterator, m_self); }
  void End() {
    if (m_ended) return;
    m_ended = true;
    WithIterator_End(&m_iterator, m_self, m_other);
  }

 private:
  WithIterator m_iterator{};
  CInstance** m_self;
  CInstance** m_other;
  int32_t m_count = 0;
  bool m_ended = false;
};

}  // namespace tll
