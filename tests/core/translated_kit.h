// A small game of hand-written translated functions, bound through a link record of its own:
// scripts, an object event with a with-block, a creation code, and a script that returns from
// inside nested with-blocks. Every function follows the rules of translated code: a trace frame
// with its own name and the line of each statement, a static result value for the calls it makes,
// user variables in fixed slots of the instance, built-in variables and functions through the
// bound slots, with-blocks through the with-iterator, reals compared with the math epsilon.
#pragma once

#include <cstdint>
#include <vector>

class CInstance;
struct GameLinkRecord;

namespace kit {

// Code indices (positions in the function table); the scripts come first.
enum : int32_t {
  kAdd = 0,             // script kit_add(a, b): a + b
  kNoReturn = 1,        // script kit_no_return(): hits += 1, returns nothing
  kCaller = 2,          // script kit_caller(): kit_add(1, 2), then kit_no_return(); returns its static
  kFail = 3,            // script kit_fail(): a type error on line 4
  kFailOuter = 4,       // script kit_fail_outer(): calls kit_fail on line 7
  kNestedReturn = 5,    // script kit_nested_return(a, b): with (a) with (b) return id; else -1
  kEqual = 6,           // script kit_equal(a, b): 1 when a = b within the epsilon, else 0
  kLogScript = 7,       // script kit_log_event(): logs self, other and the current event
  kScriptCount = 8,
  kStepEvent = 8,       // event of ob_kit: with (target) { hits += 1; destroy when asked }
  kCreationCode = 9,    // creation code: x = 5; kit_note(x)
  kLogEvent = 10,       // an object event: logs self, other and the current event, then the hook
  kFunctionCount = 11,
};

// Translator indices of the kit's user instance variables.
inline constexpr int32_t kHits = 0;
inline constexpr int32_t kTarget = 1;
inline constexpr int32_t kDestroy = 2;
inline constexpr int32_t kInstanceVariableCount = 3;

// The link record: variables "x", "hits", "target", "destroy", "alarm"; built-ins "kit_note"
// and "kit_missing".
GameLinkRecord* LinkRecord();
const char* FunctionName(int32_t codeIndex);

// What kit_log_event and the logging event saw at one run.
struct EventSeen {
  int32_t self = -1;  // instance ids; -1 for none
  int32_t other = -1;
  int32_t type = 0;   // the current event's type, number and object
  int32_t number = 0;
  int32_t object = -1;
  bool operator==(const EventSeen&) const = default;
};

// What the functions saw.
struct Log {
  std::vector<EventSeen> events;  // each run of kit_log_event or the logging event
  // Called by the logging event after it logged (tests make handlers that nest, fail, ...).
  void (*onEvent)(CInstance* self, CInstance* other) = nullptr;
  std::vector<int32_t> visited;  // ids of the instances the step event's with-block visited
  std::vector<double> notes;     // arguments kit_note received
  CInstance* selfAfterWith = nullptr;
  CInstance* otherAfterWith = nullptr;
  int32_t withCount = 0;         // what the step event's WithIterator_Begin returned
};
Log& TheLog();

// Registers the built-in "kit_note" (and the built-in variables "x" and "alarm" when missing),
// makes the record the game's, binds it, and sizes the instance variables.
void Install();
// The container of the kit's scripts: a SCPT chunk naming kit_add .. kit_equal by code index.
std::vector<uint8_t> ScriptContainer();
// Loads the SCPT chunk of a container and binds the scripts; false when either fails.
bool LoadScripts(std::vector<uint8_t>* bytes);
// Deletes the scripts, forgets the record and releases the functions' static values.
void Uninstall();

}  // namespace kit
