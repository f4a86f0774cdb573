// With-blocks in byte code: pushenv makes the first target self and pushes what the block needs to
// visit the rest; popenv at the block's end makes the next target self and jumps back, or ends the
// block and restores self and other.
//
// The with-frame on the value stack, from the top down, in pointer-sized words:
//   none, one or two targets: [the second target, while there are two][0][saved other][saved self]
//   three or more:            [-1][cursor][array][saved other][saved self]
// where the array holds [0, t0, ..., t(n-2)] and the cursor walks down it. One target is visited;
// two first then second; three or more from the last to the first.
//
// Stored code may rewrite those slots, so popenv acts on a record of each open with-block kept
// beside the stack; the slots only give the frame the size compiled code expects. Nor may stored
// code read an address there: an instance's slot holds its id, the array's and cursor's 0. A popenv whose
// stack position is not that of the innermost open block is a runtime error.
#include "vm/opcodes.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/memory_manager.h"
#include "vm/bytecode.h"
#include "vm/calls.h"
#include "vm/slot_seals.h"
#include "vm/vm_internal.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/room.h"

namespace {

struct WithFrame {
  const VMContext* context;
  int32_t position;  // distance of the frame's top from the end of the stack block
  CInstance* savedSelf;
  CInstance* savedOther;
  CInstance** array;   // three or more targets; [null, t0, ..., t(n-2)]
  CInstance** cursor;  // the array entry visited last
  CInstance* second;   // two targets, until it has been visited
};

std::vector<WithFrame> g_frames;

constexpr int32_t kWord = sizeof(void*);

uint8_t* PushMarker(uint8_t* sp, intptr_t value) {
  sp -= kWord;
  std::memcpy(sp, &value, sizeof value);
  return sp;
}
uint8_t* PushInstance(uint8_t* sp, const CInstance* instance) {
  return PushMarker(sp, instance != nullptr ? instance->id : 0);
}

// Opens the block over the collected targets (self and other are already on the stack); with
// none it jumps to the block's popenv.
uint8_t* Enter(uint32_t word, uint8_t* sp, VMContext* context, WithFrame frame, const std::vector<CInstance*>& targets) {
  const size_t n = targets.size();
  if (n >= 3) {
    frame.array = static_cast<CInstance**>(MEM_ALLOC(sizeof(CInstance*) * n));
    frame.array[0] = nullptr;
    for (size_t i = 0; i + 1 < n; ++i) frame.array[i + 1] = targets[i];
    frame.cursor = frame.array + n;
    sp = PushMarker(sp, 0);  // the array
    sp = PushMarker(sp, 0);  // the cursor
    sp = PushMarker(sp, -1);
  } else {
    sp = PushMarker(sp, 0);
    if (n == 2) {
      frame.second = targets[1];
      sp = PushInstance(sp, frame.second);
    }
  }
  frame.position = VM_StackDistance(context, sp);
  g_frames.push_back(frame);
  vm_state::withFrames = g_frames.size();
  if (n == 0) {
    VM_Branch(word, context);
  } else {
    context->self = n >= 3 ? targets[n - 1] : targets[0];
  }
  return sp;
}

std::vector<CInstance*> RoomTargets() {
  std::vector<CInstance*> targets;
  if (Room_Current == nullptr) return targets;
  for (CInstance* i = Room_Current->active.first; i != nullptr; i = i->list_next) {
    if (Instance_Eligible(i)) targets.push_back(i);
  }
  return targets;
}

std::vector<CInstance*> ObjectTargets(int32_t objectIndex) {
  std::vector<CInstance*> targets;
  const int32_t count = WithList_CollectObject(objectIndex);
  if (count > 0) {
    targets.resize(static_cast<size_t>(count));
    std::vector<CInstance*> array(static_cast<size_t>(count));
    CInstance* last = nullptr;
    WithList_CopyToArray(array.data(), &last);
    for (int32_t i = 0; i + 1 < count; ++i) targets[static_cast<size_t>(i)] = array[static_cast<size_t>(i) + 1];
    targets.back() = last;
  }
  WithList_Clear();
  return targets;
}

}  // namespace

uint8_t* DoPushEnv(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) {
  if ((word & 0x800000u) != 0) {
    VM_Fail(context, "DoPushEnv :: Execution Engine type error");  // a script object as the target
    return sp;
  }
  if (!VM_StackHolds(context, sp, 4)) {
    VM_Fail(context, "pushenv: no target on the stack");
    return sp;
  }
  if (VM_InsideSealedSlot(context, sp, 4)) {
    VM_Fail(context, "pushenv: the stack holds a variable where the target belongs");
    return sp;
  }
  const int32_t target = VM_ReadInt(sp);
  sp += 4;
  if (target == kWithLocal) {
    VM_Fail(context, "Cannot use local in with statement");
    return sp;
  }
  if (target == kWithGlobal) {
    VM_Fail(context, "Cannot use global in with statement");
    return sp;
  }
  WithFrame frame{context, 0, context->self, context->other, nullptr, nullptr, nullptr};
  sp = PushInstance(sp, frame.savedSelf);
  sp = PushInstance(sp, frame.savedOther);
  std::vector<CInstance*> targets;
  if (target == kWithSelf || target == kWithBuiltinSelf) {
    context->other = frame.savedSelf;
    targets.push_back(frame.savedSelf);
  } else if (target == kWithOther) {
    context->other = frame.savedSelf;
    targets.push_back(frame.savedOther);
  } else if (target == kWithAll) {
    context->other = frame.savedSelf;
    targets = RoomTargets();
  } else if (target >= kFirstInstanceId) {
    CInstance* instance = Instance_Find(target);
    if (Instance_Eligible(instance)) {
      context->other = frame.savedSelf;
      targets.push_back(instance);
    }
  } else if (target >= 0) {
    context->other = frame.savedSelf;
    targets = ObjectTargets(target);
  }
  // noone and the other negative targets visit nothing.
  return Enter(word, sp, context, frame, targets);
}

uint8_t* DoPopEnv(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) {
  const int32_t position = VM_StackDistance(context, sp);
  size_t found = g_frames.size();
  for (size_t i = g_frames.size(); i-- > 0;) {
    if (g_frames[i].context == context) {
      found = i;
      break;
    }
  }
  if (found == g_frames.size() || g_frames[found].position != position) {
    VM_Fail(context, "popenv without a matching pushenv");
    return sp;
  }
  WithFrame& frame = g_frames[found];
  const bool breakOut = ((word >> 16) & 0xFF) == 0xF0;
  if (frame.array != nullptr) {
    if (!breakOut && --frame.cursor > frame.array) {
      context->self = *frame.cursor;
      std::memcpy(sp + kWord, &frame.cursor, sizeof frame.cursor);
      VM_Branch(word, context);
      return sp;
    }
    MEM_FREE(frame.array);
    sp += 3 * kWord;
  } else if (frame.second != nullptr) {
    if (!breakOut) {
      context->self = frame.second;
      frame.second = nullptr;
      sp += kWord;
      frame.position = VM_StackDistance(context, sp);
      VM_Branch(word, context);
      return sp;
    }
    sp += 2 * kWord;
  } else {
    sp += kWord;
  }
  sp += 2 * kWord;
  context->self = frame.savedSelf;
  context->other = frame.savedOther;
  g_frames.erase(g_frames.begin() + static_cast<ptrdiff_t>(found));
  vm_state::withFrames = g_frames.size();
  return sp;
}

void VM_DropWithFrames(const VMContext* context, int32_t distance) {
  for (size_t i = g_frames.size(); i-- > 0;) {
    if (g_frames[i].context != context || g_frames[i].position <= distance) continue;
    MEM_FREE(g_frames[i].array);
    g_frames.erase(g_frames.begin() + static_cast<ptrdiff_t>(i));
  }
  vm_state::withFrames = g_frames.size();
}
