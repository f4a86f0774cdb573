#include "vm/fast_loop.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

#include "core/console.h"
#include "core/memory_manager.h"
#include "core/function_registry.h"
#include "core/value.h"
#include "vm/variable_names.h"
#include "core/math_epsilon.h"
#include "platform/system/environment.h"
#include "runtime/runner_options.h"
#include "runtime/debug_services.h"
#include "runtime/connectivity.h"
#include "script/wx_object.h"
#include "vm/bytecode.h"
#include "vm/chunk_loaders.h"
#include "vm/code_object.h"
#include "vm/opcodes.h"
#include "vm/variable_access.h"
#include "vm/vm_internal.h"
#include "runtime/game_flags.h"

namespace {

// What a translated operation does. The plain kinds run one instruction each; the fused kinds
// stand for a group of instructions and fall back to the group's plain operations when their
// fast case does not hold.
enum class Kind : uint8_t {
  kNop, kPush4, kPush8, kPushString, kGetLocal, kSetLocal, kGetArgument, kBinary, kCompare, kBranch,
  kBranchTrue, kBranchFalse, kCallBuiltin, kCallScript, kReturn, kExit, kEnd, kPopDiscard, kGeneric, kHandOver,
  // fused
  kCompareLocalBranch, kCompareArgumentBranch, kAddConstantToLocal, kLocalOpLocal, kAppendConstant,
  kArgumentOpConstant, kReturnArgument,
  // plain, again (the loop's label table follows this order)
  kGetVariable, kSetVariable,
};


// One slot of a stack of slot kinds (see StackNodes); node 0 is the empty stack.
struct StackNode {
  int32_t below = -1;  // the node of the stack under this slot
  int32_t depth = 0;   // slots, this one included
  int32_t bytes = 0;   // bytes of those slots: this slot lies that far below the frame's top
  int32_t run = 0;     // slots of this kind on top, this one included
  uint8_t kind = 0;
};

// The greatest stack a verified code may use, in bytes.
constexpr int32_t kMaxStackBytes = 65536;

struct Op {
  const void* run = nullptr;    // label of the handler
  const void* plain = nullptr;  // label of the unfused handler
  Kind kind = Kind::kNop;
  Kind plainKind = Kind::kNop;
  uint8_t binary = 0;      // kBinary: handler index (add, sub or mul); fused: the add's or sub's
  uint8_t setKind = 0;     // comparisons: sub-kind 1 to 6
  uint8_t branchOnTrue = 0;  // fused compare: branch when the comparison holds
  uint8_t rightType = 0;   // kBinary/kCompare: the written types
  uint8_t leftType = 0;
  uint32_t word = 0;
  int32_t pc = 0;          // position of the instruction
  int32_t next = 0;        // position after it
  int32_t target = 0;      // branches: op index
  const Op* targetOp = nullptr;  // and the op itself, once the ops are in place
  int32_t a = 0;           // local slot, argument index, builtin id, argument count, slot size
  int32_t b = 0;           // second local slot, builtin id, called script index
  int32_t instance = 0;    // kGetVariable, kSetVariable: self (kTargetSelf) or the global object (kInstGlobal)
  int32_t readSlots = 0;   // generic: slots on top that the handler reads
  int32_t state = 0;       // the stack before this op (a node of the code's stacks)
  int32_t depth = 0;       // slots before this op
  int64_t k = 0;           // constant bytes
  double kd = 0.0;         // numeric constant of a fused op
  SharedString* string = nullptr;
  CCode* callee = nullptr;
  VMFastCode* calleeCode = nullptr;
  const uint8_t* operand = nullptr;
  VMHandler handler = nullptr;
};

}  // namespace

struct VMFastCode {
  VMBuffer* buffer = nullptr;
  int32_t entry = 0;
  const uint8_t* codeOf = nullptr;
  int32_t length = 0;
  uint32_t generation = 0;
  bool verified = false;
  bool usesLocals = false;
  int32_t maxBytes = 0;  // the greatest depth of the stack, in bytes
  int32_t entryOp = 0;
  std::vector<Op> ops;
  std::vector<StackNode> nodes{StackNode{}};  // the stacks of the ops, shared
  std::vector<SharedString*> strings;  // references the ops hold
  ~VMFastCode() {
    for (SharedString* s : strings) SharedString_Unref(s);
  }
};

struct VMFastCodeSet {
  std::vector<std::unique_ptr<VMFastCode>> codes;
};

namespace {

bool InitialEnabled() {
  const char* off = System_GetEnvironmentVariable("TOLVARINE_CHECKED_LOOP");
  return off == nullptr || std::strcmp(off, "0") == 0 || *off == 0;
}
bool g_enabled = InitialEnabled();
uint32_t g_generation = 1;
std::vector<std::unique_ptr<VMFastCode>> g_retired;  // stale translations, freed when no run is active


// --- translation ----------------------------------------------------------------------------------

// Stacks of slot kinds during verification, shared: a stack is its top slot's node, which links
// to the node of the stack below it. Nodes are made once per (stack below, kind), so two paths
// that meet with the same stack meet at the same node, and every position keeps one number
// instead of a copy of its stack: verification stays linear in the length of the code.
struct StackNodes {
  std::vector<StackNode>* nodes;
  std::unordered_map<uint64_t, int32_t> made;

  const StackNode& operator[](int32_t node) const { return (*nodes)[static_cast<size_t>(node)]; }
  int32_t Push(int32_t below, uint8_t kind) {
    const uint64_t key = (static_cast<uint64_t>(static_cast<uint32_t>(below)) << 8) | kind;
    const auto found = made.find(key);
    if (found != made.end()) return found->second;
    const StackNode& under = (*this)[below];
    StackNode node;
    node.below = below;
    node.kind = kind;
    node.depth = under.depth + 1;
    node.bytes = under.bytes + VM_StackSlotSize(kind);
    node.run = under.depth > 0 && under.kind == kind ? under.run + 1 : 1;
    const auto id = static_cast<int32_t>(nodes->size());
    nodes->push_back(node);
    made.emplace(key, id);
    return id;
  }
};

struct Translator {
  VMBuffer* buffer;
  int32_t entry;
  const uint8_t* base;
  int32_t length;
  VMFastCode* out;
  StackNodes stacks;
  std::vector<int32_t> states;  // the stack before each reachable position (by position / 4), else -1

  bool Pop(int32_t* s, uint32_t kind) {
    if (stacks[*s].depth == 0 || stacks[*s].kind != kind) return false;
    *s = stacks[*s].below;
    return true;
  }
  // True when the top n slots are all of the kind.
  bool TopAre(int32_t s, size_t n, uint32_t kind) const {
    if (n == 0) return true;
    const StackNode& top = stacks[s];
    return top.depth > 0 && top.kind == kind && static_cast<size_t>(top.run) >= n;
  }
  void Push(int32_t* s, uint32_t kind) { *s = stacks.Push(*s, static_cast<uint8_t>(kind)); }

  // Successor positions of the instruction at `at` and the stack after it; false: not verified.
  bool Step(int32_t at, int32_t s, std::vector<std::pair<int32_t, int32_t>>* next, bool* usesLocals) {
    if (at < 0 || at % 4 != 0 || at + 4 > length) return false;
    const uint32_t word = VM_ReadWord(base + at);
    const int32_t len = VM_InstructionLength(word);
    if (len > length - at) return false;
    const int32_t after = at + len;
    const uint32_t t1 = VM_Type1(word);
    const uint32_t t2 = VM_Type2(word);
    const bool hasOperand = VM_HasOperandWord(word);
    const uint8_t* operand = base + at + 4;
    auto fall = [&](int32_t st) {
      next->emplace_back(after, st);
      return true;
    };
    auto branchTo = [&](int32_t st) {
      const int64_t target = static_cast<int64_t>(at) + 4 * static_cast<int64_t>(VM_BranchOffset(word));
      if (target < 0 || target > length) return false;
      if (target < length && !VM_IsInstructionStart(buffer, base, length, static_cast<int32_t>(target))) return false;
      next->emplace_back(static_cast<int32_t>(target), st);
      return true;
    };
    // The reference operands of a variable instruction: index and instance slots (ints).
    auto popReference = [&](int32_t* st) {
      const uint32_t w = hasOperand ? VM_ReadWord(operand) : (kRefNoIndex | kRefImmediateInstance | kRefIdMask);
      if ((w & kRefNoIndex) == 0 && !Pop(st, VMT_INT)) return false;
      if ((w & kRefImmediateInstance) == 0) {
        *usesLocals = true;  // the instance is known only when it runs
        if (!Pop(st, VMT_INT)) return false;
      } else {
        const int32_t instance = VM_Immediate(word);
        if (instance == kInstLocal || instance == kInstLocalOrSelf || instance == kInstScopeChain ||
            instance == kInstScopeWalk || instance == kInstArgument) {
          *usesLocals = true;
        }
      }
      return true;
    };
    if (word >= kVMBreakWords) {
      if ((word & 0xFFFF) == 0xFFFF && !TopAre(s, 1, VMT_INT)) return false;
      return fall(s);
    }
    switch (VM_Handler(word)) {
      case VMOP_PUSH:
        if (t1 == VMT_VARIABLE) {
          if (!popReference(&s)) return false;
          Push(&s, VMT_VARIABLE);
          return fall(s);
        }
        if (t1 == VMT_ERROR) {
          Push(&s, VMT_INT);
          return fall(s);
        }
        if (t1 > VMT_DEBUG_STRING) return fall(s);
        if (!hasOperand || t1 == VMT_DEBUG_STRING) return false;
        if (t1 == VMT_STRING) {
          bool ok = true;
          VM_StringTableText(VM_ReadWord(operand), &ok);
          if (!ok) return false;
        }
        Push(&s, t1);
        return fall(s);
      case VMOP_PUSHLOC:
      case VMOP_PUSHGLB:
      case VMOP_PUSHBLTN: {
        if (!hasOperand) return false;
        const int32_t id = static_cast<int32_t>(VM_ReadWord(operand) & kRefIdMask);
        if (VM_Handler(word) == VMOP_PUSHBLTN) {
          if (Variable_BuiltinEntry(id) == nullptr) return false;
        } else if (id < kUserVariableBase) {
          return false;
        }
        if (VM_Handler(word) == VMOP_PUSHLOC) *usesLocals = true;
        Push(&s, VMT_VARIABLE);
        return fall(s);
      }
      case VMOP_PUSHI:
        Push(&s, VMT_INT);
        return fall(s);
      case VMOP_POP: {
        if (t1 != VMT_INT && t1 != VMT_VARIABLE) return false;
        if (t2 == VMT_FLOAT || t2 > VMT_STRING) return false;
        if (t1 == VMT_INT) {
          if (!Pop(&s, t2) || !popReference(&s)) return false;
        } else if (!popReference(&s) || !Pop(&s, t2)) {
          return false;
        }
        return fall(s);
      }
      case VMOP_DUP: {
        const uint32_t type = (word >> 16) & 0xFF;
        if (type > VMT_STRING) return fall(s);
        if ((word & 0x7F00u) != 0) {
          if (type != VMT_VARIABLE) return false;
          const size_t moved = ((word >> 4) & 0xF) + (word & 0xF);
          if (!TopAre(s, moved, VMT_VARIABLE)) return false;
          return fall(s);
        }
        const uint32_t count = word & 0xFFFF;
        const bool single = (count & 0x8000u) != 0;
        const size_t copies = single ? 1 : (count & 0x7FFF) + 1;
        const size_t reach = single ? (count & 0x7FFF) + 1 : copies;
        if (!TopAre(s, reach, type)) return false;
        // Each copy adds at least 4 bytes: more than the greatest stack would not verify anyway.
        if (stacks[s].bytes + static_cast<int64_t>(copies) * 4 > kMaxStackBytes) return false;
        for (size_t i = 0; i < copies; ++i) Push(&s, type);
        return fall(s);
      }
      case VMOP_CONV:
        if ((word & 0x300u) != 0 || t1 > VMT_STRING || t2 > VMT_STRING) return false;
        if (!Pop(&s, t1)) return false;
        Push(&s, t2);
        return fall(s);
      case VMOP_MUL: case VMOP_DIV: case VMOP_REM: case VMOP_MOD: case VMOP_ADD: case VMOP_SUB:
      case VMOP_AND: case VMOP_OR: case VMOP_XOR: case VMOP_SHL: case VMOP_SHR: {
        if (t1 > VMT_STRING || t2 > VMT_STRING) return false;
        if (!Pop(&s, t1) || !Pop(&s, t2)) return false;
        uint32_t result;
        if (t1 == VMT_VARIABLE || t2 == VMT_VARIABLE) {
          result = VMT_VARIABLE;
        } else if ((t1 == VMT_INT || t1 == VMT_DOUBLE) && (t2 == VMT_INT || t2 == VMT_DOUBLE)) {
          result = t1 == VMT_INT && t2 == VMT_INT ? VMT_INT : VMT_DOUBLE;
        } else {
          return false;
        }
        Push(&s, result);
        return fall(s);
      }
      case VMOP_NEG:
      case VMOP_NOT:
        if (t1 > VMT_STRING) return fall(s);
        if (!TopAre(s, 1, t1)) return false;
        return fall(s);
      case VMOP_SET:
        if (t1 > VMT_STRING || t2 > VMT_STRING) return false;
        if (!Pop(&s, t1) || !Pop(&s, t2)) return false;
        Push(&s, VMT_BOOL);
        return fall(s);
      case VMOP_B:
        return branchTo(s);
      case VMOP_BT:
      case VMOP_BF: {
        const StackNode& top = stacks[s];
        if (top.depth == 0 || (top.kind != VMT_INT && top.kind != VMT_BOOL && top.kind != VMT_FLOAT)) return false;
        s = top.below;
        return branchTo(s) && fall(s);
      }
      case VMOP_CALL: {
        if (t1 != VMT_INT || !hasOperand) return false;
        const int32_t n = VM_Immediate(word);
        if (n < 0 || VM_ReadInt(operand) < 0) return false;
        if (!TopAre(s, static_cast<size_t>(n), VMT_VARIABLE)) return false;
        for (int32_t i = 0; i < n; ++i) s = stacks[s].below;
        Push(&s, VMT_VARIABLE);
        return fall(s);
      }
      case VMOP_RET:
        if (t1 == VMT_ERROR) return true;
        if (t1 > VMT_STRING || !TopAre(s, 1, t1)) return false;
        return true;
      case VMOP_EXIT:
        return true;
      case VMOP_POPZ:
        // A debugger string is a string slot to drop, as the checked loop drops it.
        if (t1 > VMT_DEBUG_STRING) return fall(s);
        if (!Pop(&s, t1 == VMT_DEBUG_STRING ? VMT_STRING : t1)) return false;
        return fall(s);
      default:
        return false;  // with-blocks and the rest: the checked loop
    }
  }

  // Walks every path from the entry; false when two paths meet with different stacks.
  bool Verify() {
    std::vector<int32_t> work{entry};
    states[static_cast<size_t>(entry) / 4] = 0;
    int32_t maxBytes = 0;
    bool usesLocals = false;
    std::vector<std::pair<int32_t, int32_t>> next;
    while (!work.empty()) {
      const int32_t at = work.back();
      work.pop_back();
      if (at == length) continue;  // the end
      next.clear();
      if (!Step(at, states[static_cast<size_t>(at) / 4], &next, &usesLocals)) return false;
      for (const auto& [to, st] : next) {
        const int32_t bytes = stacks[st].bytes;
        if (bytes > kMaxStackBytes) return false;
        if (bytes > maxBytes) maxBytes = bytes;
        const size_t i = static_cast<size_t>(to) / 4;
        if (states[i] >= 0) {
          if (states[i] != st) return false;
          continue;
        }
        states[i] = st;
        work.push_back(to);
      }
    }
    out->maxBytes = maxBytes + 16;
    out->usesLocals = usesLocals;
    return true;
  }
};

bool IsArgumentName(const char* name, int32_t* index) {
  if (name == nullptr || std::strncmp(name, "argument", 8) != 0) return false;
  const char* digits = name + 8;
  if (*digits < '0' || *digits > '9') return false;
  char* end = nullptr;
  const long n = std::strtol(digits, &end, 10);
  if (*end != 0 || n > 15) return false;
  *index = static_cast<int32_t>(n);
  return true;
}

// The variable of self or of the global object that a push or pop names without array index,
// declaration or instance operand: its id, with the instance in *instance; -1 otherwise.
int32_t PlainVariable(uint32_t word, const uint8_t* operand, int32_t* instance) {
  if (!VM_HasOperandWord(word)) return -1;
  const uint32_t w = VM_ReadWord(operand);
  if ((w & kRefNoIndex) == 0 || (w & kRefImmediateInstance) == 0 || (w & (kRefDeclaration | kRefInstanceId)) != 0) {
    return -1;
  }
  *instance = VM_Immediate(word);
  const int32_t id = static_cast<int32_t>(w & kRefIdMask);
  return (*instance == kTargetSelf || *instance == kInstGlobal) && id >= kUserVariableBase ? id : -1;
}

// A local variable written by a pop without array index or declaration: its slot; -1 otherwise.
int32_t LocalStoreSlot(uint32_t word, const uint8_t* operand) {
  if (!VM_HasOperandWord(word) || VM_Immediate(word) != kInstLocal) return -1;
  const uint32_t w = VM_ReadWord(operand);
  // With the instance-id flag the immediate names instance 99,993, not the locals.
  if ((w & kRefNoIndex) == 0 || (w & kRefImmediateInstance) == 0 || (w & (kRefDeclaration | kRefInstanceId)) != 0) {
    return -1;
  }
  const int32_t id = static_cast<int32_t>(w & kRefIdMask);
  return id >= kUserVariableBase ? id - kUserVariableBase : -1;
}

}  // namespace

// The label table of the loop, filled by its first call.
namespace {
const void* const* g_labels = nullptr;
}

namespace {

void Translate(VMBuffer* buffer, VMFastCode* out) {
  Translator t{buffer, out->entry, buffer->code, buffer->length, out, StackNodes{&out->nodes, {}}, {}};
  if (out->entry < 0 || out->entry > buffer->length || out->entry % 4 != 0) return;
  // An entry off the instruction grid (the container names it, nothing checks it against the
  // code) reads operands as words: the checked loop runs that, instruction by instruction.
  if (out->entry < buffer->length && !VM_IsInstructionStart(buffer, buffer->code, buffer->length, out->entry)) return;
  t.states.assign(static_cast<size_t>(buffer->length) / 4 + 1, -1);
  if (out->entry == buffer->length) {  // empty code: only its end
    t.states.back() = 0;
  } else if (!t.Verify()) {
    return;
  }
  // Ops in position order; a final one stands for the end of the code.
  std::vector<int32_t> opAt(static_cast<size_t>(buffer->length) / 4 + 1, -1);
  out->ops.reserve(static_cast<size_t>(std::count_if(t.states.begin(), t.states.end() - 1, [](int32_t st) { return st >= 0; })) + 1);
  out->nodes.shrink_to_fit();
  for (int32_t at = 0; at < buffer->length; at += 4) {
    const int32_t state = t.states[static_cast<size_t>(at) / 4];
    if (state < 0) continue;
    opAt[static_cast<size_t>(at) / 4] = static_cast<int32_t>(out->ops.size());
    Op op;
    op.pc = at;
    op.word = VM_ReadWord(buffer->code + at);
    op.next = at + VM_InstructionLength(op.word);
    op.operand = buffer->code + at + 4;
    op.state = state;
    op.depth = out->nodes[static_cast<size_t>(state)].depth;
    out->ops.push_back(op);
  }
  {
    Op end;
    end.kind = Kind::kEnd;
    end.pc = end.next = buffer->length;
    end.state = std::max(t.states.back(), 0);
    end.depth = out->nodes[static_cast<size_t>(end.state)].depth;
    opAt[static_cast<size_t>(buffer->length) / 4] = static_cast<int32_t>(out->ops.size());
    out->ops.push_back(end);
  }
  // The loop steps from an op to the one after it in the list: that must be the instruction at
  // the op's end. No reachable instruction may start inside another one either.
  for (size_t i = 0; i + 1 < out->ops.size(); ++i) {
    const Op& op = out->ops[i];
    const uint32_t h = VM_Handler(op.word);
    const bool falls = op.word >= kVMBreakWords || (h != VMOP_B && h != VMOP_RET && h != VMOP_EXIT);
    const int32_t following = out->ops[i + 1].pc;
    if (following < op.next || (falls && following != op.next)) {
      out->ops.clear();
      return;
    }
  }
  out->entryOp = opAt[static_cast<size_t>(out->entry) / 4];
  std::vector<uint8_t> isTarget(out->ops.size(), 0);
  // Plain kinds.
  for (Op& op : out->ops) {
    if (op.kind == Kind::kEnd) continue;
    const uint32_t word = op.word;
    const uint32_t t1 = VM_Type1(word);
    const uint32_t t2 = VM_Type2(word);
    const uint32_t h = VM_Handler(word);
    op.handler = VM_GetHandler(h);
    op.kind = Kind::kGeneric;
    op.readSlots = op.depth;  // a generic handler may read any slot unless narrowed below
    if (word >= kVMBreakWords) {
      op.kind = (word & 0xFFFF) == 0xFFFF ? Kind::kGeneric : Kind::kNop;
      op.readSlots = 1;
      continue;
    }
    switch (h) {
      case VMOP_PUSH:
        if (t1 == VMT_ERROR) {
          op.kind = Kind::kPush4;
          op.k = VM_Immediate(word);
        } else if (t1 > VMT_DEBUG_STRING) {
          op.kind = Kind::kNop;
        } else if (t1 == VMT_STRING) {
          bool ok = true;
          op.kind = Kind::kPushString;
          op.string = VM_StringTableRecord(VM_ReadWord(op.operand), &ok);
          if (op.string != nullptr) out->strings.push_back(op.string);
        } else if (t1 != VMT_VARIABLE) {
          op.a = VM_OperandSize(t1);
          op.kind = op.a == 8 ? Kind::kPush8 : Kind::kPush4;
          std::memcpy(&op.k, op.operand, static_cast<size_t>(op.a));
        } else {
          op.readSlots = 2;
          const int32_t id = PlainVariable(word, op.operand, &op.instance);
          if (id >= 0) {
            op.kind = Kind::kGetVariable;
            op.a = id - kUserVariableBase;
          }
        }
        break;
      case VMOP_PUSHI:
        op.kind = Kind::kPush4;
        op.k = VM_Immediate(word);
        break;
      case VMOP_PUSHLOC:
        op.kind = Kind::kGetLocal;
        op.a = static_cast<int32_t>(VM_ReadWord(op.operand) & kRefIdMask) - kUserVariableBase;
        op.readSlots = 0;
        break;
      case VMOP_PUSHBLTN: {
        const BuiltinVariable* entry = Variable_BuiltinEntry(static_cast<int32_t>(VM_ReadWord(op.operand) & kRefIdMask));
        op.readSlots = 0;
        if (entry != nullptr && IsArgumentName(entry->name, &op.a)) op.kind = Kind::kGetArgument;
        break;
      }
      case VMOP_PUSHGLB: {
        op.readSlots = 0;
        // A global read as push.v global reads it (the checked loop's handlers agree on a set value).
        const int32_t id = static_cast<int32_t>(VM_ReadWord(op.operand) & kRefIdMask);
        op.kind = Kind::kGetVariable;
        op.instance = kInstGlobal;
        op.a = id - kUserVariableBase;
        break;
      }
      case VMOP_POP: {
        op.readSlots = 3;
        const int32_t slot = LocalStoreSlot(word, op.operand);
        if (slot >= 0 && (t2 == VMT_VARIABLE || t2 == VMT_DOUBLE || t2 == VMT_INT)) {
          op.kind = Kind::kSetLocal;
          op.a = slot;
          op.b = static_cast<int32_t>(t2);
        } else if (t2 == VMT_VARIABLE || t2 == VMT_DOUBLE || t2 == VMT_INT) {
          const int32_t id = PlainVariable(word, op.operand, &op.instance);
          if (id >= 0) {
            op.kind = Kind::kSetVariable;
            op.a = id;
            op.b = static_cast<int32_t>(t2);
            op.readSlots = 1;
          }
        }
        break;
      }
      case VMOP_DUP:
      case VMOP_CONV:
      case VMOP_NEG:
      case VMOP_NOT:
        break;
      case VMOP_ADD:
      case VMOP_SUB:
      case VMOP_MUL:
      case VMOP_SET: {
        op.readSlots = 2;
        const bool numeric = (t1 == VMT_VARIABLE || t1 == VMT_INT || t1 == VMT_DOUBLE) &&
                             (t2 == VMT_VARIABLE || t2 == VMT_INT || t2 == VMT_DOUBLE);
        const uint32_t sub = (word >> 8) & 0xF;
        op.rightType = static_cast<uint8_t>(t1);
        op.leftType = static_cast<uint8_t>(t2);
        if (h == VMOP_SET) {
          if (numeric && sub >= 1 && sub <= 6) {
            op.kind = Kind::kCompare;
            op.setKind = static_cast<uint8_t>(sub);
          }
        } else if (numeric && sub == 0 && (t1 == VMT_VARIABLE || t2 == VMT_VARIABLE)) {
          op.kind = Kind::kBinary;
          op.binary = static_cast<uint8_t>(h);
        }
        break;
      }
      case VMOP_DIV: case VMOP_REM: case VMOP_MOD: case VMOP_AND: case VMOP_OR: case VMOP_XOR:
      case VMOP_SHL: case VMOP_SHR:
        op.readSlots = 2;
        break;
      case VMOP_B:
      case VMOP_BT:
      case VMOP_BF: {
        op.kind = h == VMOP_B ? Kind::kBranch : h == VMOP_BT ? Kind::kBranchTrue : Kind::kBranchFalse;
        const int32_t target = op.pc + 4 * VM_BranchOffset(word);
        op.target = opAt[static_cast<size_t>(target) / 4];
        isTarget[static_cast<size_t>(op.target)] = 1;
        break;
      }
      case VMOP_CALL: {
        const int32_t id = VM_ReadInt(op.operand);
        op.a = VM_Immediate(word);
        op.readSlots = op.a;
        if (id < kCallableScriptBase) {
          op.kind = Kind::kCallBuiltin;
          op.b = id;
        } else if (id < kCallableScriptExecute) {
          CCode* callee = VM_LookupScriptCode(id - kCallableScriptBase);
          op.kind = callee != nullptr && callee->code != nullptr ? Kind::kCallScript : Kind::kHandOver;
          op.callee = callee;
          op.b = id - kCallableScriptBase;
        } else {
          op.kind = Kind::kHandOver;  // script_execute and extensions
        }
        break;
      }
      case VMOP_RET:
        op.kind = Kind::kReturn;
        op.a = t1 == VMT_ERROR ? 0 : VM_StackSlotSize(t1);
        break;
      case VMOP_EXIT:
        op.kind = Kind::kExit;
        break;
      case VMOP_POPZ:
        op.kind = t1 > VMT_DEBUG_STRING ? Kind::kNop : Kind::kPopDiscard;
        op.a = static_cast<int32_t>(t1 == VMT_DEBUG_STRING ? VMT_STRING : t1);
        break;
      default:
        break;
    }
  }
  // Fused groups: only where no branch lands inside the group.
  const size_t count = out->ops.size();
  auto inside = [&](size_t i, size_t n) {
    if (i + n > count) return true;
    for (size_t j = i + 1; j < i + n; ++j) {
      if (isTarget[j] != 0 || out->ops[j].pc != out->ops[j - 1].next) return true;
    }
    return false;
  };
  auto numericConstant = [](const Op& op, double* value) {
    if (op.kind != Kind::kPush4 && op.kind != Kind::kPush8) return false;
    const uint32_t h = VM_Handler(op.word);
    const uint32_t t1 = VM_Type1(op.word);
    if (h == VMOP_PUSHI || (h == VMOP_PUSH && t1 == VMT_INT) || (h == VMOP_PUSH && t1 == VMT_ERROR)) {
      *value = static_cast<double>(static_cast<int32_t>(op.k));
      return true;
    }
    if (h == VMOP_PUSH && t1 == VMT_DOUBLE) {
      std::memcpy(value, &op.k, 8);
      return true;
    }
    return false;
  };
  for (Op& op : out->ops) op.plainKind = op.kind;
  for (size_t i = 0; i < count; ++i) {
    Op& first = out->ops[i];
    double constant = 0.0;
    if (first.kind == Kind::kGetArgument && first.depth == 0 && !inside(i, 2) && out->ops[i + 1].kind == Kind::kReturn &&
        VM_Type1(out->ops[i + 1].word) == VMT_VARIABLE) {
      first.kind = Kind::kReturnArgument;  // a called script returns its argument
      continue;
    }
    if (first.kind == Kind::kGetArgument && !inside(i, 3) && numericConstant(out->ops[i + 1], &constant) &&
        out->ops[i + 2].kind == Kind::kBinary && out->ops[i + 2].leftType == VMT_VARIABLE &&
        (out->ops[i + 2].binary == VMOP_ADD || out->ops[i + 2].binary == VMOP_SUB)) {
      // argumentN + or - a constant, pushed: the fourth op may start its own group.
      first.kind = Kind::kArgumentOpConstant;
      first.kd = out->ops[i + 2].binary == VMOP_ADD ? constant : -constant;
      continue;
    }
    if (inside(i, 4)) continue;
    Op& second = out->ops[i + 1];
    Op& third = out->ops[i + 2];
    Op& fourth = out->ops[i + 3];
    const bool readsValue = first.kind == Kind::kGetLocal || first.kind == Kind::kGetArgument;
    if (readsValue && numericConstant(second, &constant) && third.kind == Kind::kCompare &&
        third.leftType == VMT_VARIABLE && (fourth.kind == Kind::kBranchTrue || fourth.kind == Kind::kBranchFalse)) {
      first.kind = first.kind == Kind::kGetLocal ? Kind::kCompareLocalBranch : Kind::kCompareArgumentBranch;
      first.kd = constant;
      first.setKind = third.setKind;
      first.branchOnTrue = fourth.kind == Kind::kBranchTrue ? 1 : 0;
      first.target = fourth.target;
      continue;
    }
    if (first.kind != Kind::kGetLocal || fourth.kind != Kind::kSetLocal || fourth.b != VMT_VARIABLE) continue;
    if (numericConstant(second, &constant) && third.kind == Kind::kBinary && third.leftType == VMT_VARIABLE &&
        (third.binary == VMOP_ADD || third.binary == VMOP_SUB) && fourth.a == first.a) {
      first.kind = Kind::kAddConstantToLocal;
      first.kd = third.binary == VMOP_ADD ? constant : -constant;
    } else if (second.kind == Kind::kGetLocal && third.kind == Kind::kBinary && third.leftType == VMT_VARIABLE &&
               third.rightType == VMT_VARIABLE) {
      first.kind = Kind::kLocalOpLocal;
      first.b = second.a;
      first.binary = third.binary;
      first.k = fourth.a;
    } else if (second.kind == Kind::kPushString && VM_Handler(third.word) == VMOP_ADD && VM_Type1(third.word) == VMT_STRING &&
               VM_Type2(third.word) == VMT_VARIABLE && ((third.word >> 8) & 0xF) == 0 && fourth.a == first.a) {
      first.kind = Kind::kAppendConstant;
      first.string = second.string;
    }
  }
  out->verified = true;
}

}  // namespace

bool VM_FastLoopEnabled() { return g_enabled; }
void VM_SetFastLoopEnabled(bool enabled) { g_enabled = enabled; }

void VM_InvalidateFastCodes() { ++g_generation; }

VMFastCode* VM_FastCodeFor(VMBuffer* buffer, int32_t entry) {
  if (!g_enabled || buffer == nullptr || buffer->code == nullptr) return nullptr;
  if (buffer->fastCodes == nullptr) buffer->fastCodes = new VMFastCodeSet();
  auto& codes = buffer->fastCodes->codes;
  for (auto& code : codes) {
    if (code->entry != entry) continue;
    if (code->codeOf == buffer->code && code->length == buffer->length && code->generation == g_generation) {
      return code->verified ? code.get() : nullptr;
    }
    g_retired.push_back(std::move(code));
    code = std::move(codes.back());
    codes.pop_back();
    break;
  }
  if (g_labels == nullptr) {
    uint8_t* none = nullptr;
    VM_InterpretFast(nullptr, nullptr, &none, nullptr);
  }
  auto code = std::make_unique<VMFastCode>();
  code->buffer = buffer;
  code->entry = entry;
  code->codeOf = buffer->code;
  code->length = buffer->length;
  code->generation = g_generation;
  Translate(buffer, code.get());
  if (code->verified) {
    for (Op& op : code->ops) {
      op.run = g_labels[static_cast<int>(op.kind)];
      op.plain = g_labels[static_cast<int>(op.plainKind)];
      op.targetOp = &code->ops[static_cast<size_t>(op.target)];
    }
  }
  codes.push_back(std::move(code));
  return codes.back()->verified ? codes.back().get() : nullptr;
}

void VM_FreeRetiredFastCodes() { g_retired.clear(); }

bool VM_FastCodeUsesLocals(const VMFastCode* code) { return code->usesLocals; }

void VM_FreeFastCodes(VMBuffer* buffer) {
  if (buffer->fastCodes == nullptr) return;
  ++g_generation;  // other translations may call into these
  delete buffer->fastCodes;
  buffer->fastCodes = nullptr;
}

// --- the loop -------------------------------------------------------------------------------------

namespace {

constexpr int32_t kValueSize = static_cast<int32_t>(sizeof(RValue));

// Calls `visit(kind, slot)` for the bottom `count` slots of the stack `state` (of the code's
// stacks) whose frame's top is `top`.
template <typename Visit>
void ForEachSlot(const VMFastCode* code, int32_t state, uint8_t* top, int32_t count, Visit visit) {
  const StackNode* nodes = code->nodes.data();
  for (int32_t skip = nodes[state].depth - count; skip > 0; --skip) state = nodes[state].below;
  for (; count > 0; --count) {
    const StackNode& node = nodes[state];
    visit(node.kind, top - node.bytes);
    state = node.below;
  }
}

// Releases what the bottom `count` slots of op's stack own (strings and values).
void ReleaseSlots(VMContext* context, const VMFastCode* code, const Op* op, int32_t count) {
  if (count <= 0) return;
  ForEachSlot(code, op->state, VM_FrameTop(context), count, [](uint8_t kind, uint8_t* slot) {
    if (kind == VMT_VARIABLE) {
      VM_ReleaseValueAt(slot);
    } else if (kind == VMT_STRING) {
      SharedString_Unref(VM_StringHandleTake(VM_ReadWord(slot)));
    }
  });
}

void SealSlots(VMContext* context, const VMFastCode* code, int32_t state, uint8_t* top, int32_t count) {
  ForEachSlot(code, state, top, count, [context](uint8_t kind, uint8_t* slot) {
    if (kind == VMT_VARIABLE) VM_Seal(context, slot);
  });
}

// The call op that entered a frame, kept in the frame's spare words.
void SetCallOp(VMCallFrame* frame, const Op* op, VMFastCode* code) {
  std::memcpy(&frame->pad[0], &op, sizeof op);
  std::memcpy(&frame->pad[2], &code, sizeof code);
}
const Op* CallOpOf(const VMCallFrame* frame, VMFastCode** code) {
  const Op* op;
  std::memcpy(&op, &frame->pad[0], sizeof op);
  std::memcpy(code, &frame->pad[2], sizeof *code);
  return op;
}

// Seals the variables of every frame so that the checked loop owns the run from here: the
// current frame's first `count` slots (of op's stack), and in each caller the slots below the
// call's arguments.
void SealForCheckedLoop(VMContext* context, VMFastCode* code, const Op* op, int32_t count) {
  SealSlots(context, code, op->state, VM_FrameTop(context), count);
  for (VMCallFrame* frame = context->frame; frame->callerFramePosition >= 0;) {
    VMFastCode* callerCode = nullptr;
    const Op* call = CallOpOf(frame, &callerCode);
    uint8_t* callerTop = VM_BlockEnd(context) - frame->callerFramePosition;
    SealSlots(context, callerCode, call->state, callerTop, call->depth - call->a);
    frame = reinterpret_cast<VMCallFrame*>(callerTop);
  }
}

// Clears the marks of [from, to): nothing is sealed while the fast loop runs.
void ClearMarks(VMContext* context, const uint8_t* from, const uint8_t* to) {
  if (to > from) std::memset(VM_MarkOf(context, from), 0, static_cast<size_t>(to - from + 3) / 4);
}

inline double SlotReal(const uint8_t* slot, uint32_t type, bool* ok) {
  switch (type) {
    case VMT_INT: return static_cast<double>(VM_ReadInt(slot));
    case VMT_DOUBLE: {
      double d;
      std::memcpy(&d, slot, 8);
      return d;
    }
    default: {
      RValue v;
      std::memcpy(&v, slot, sizeof v);
      *ok = *ok && RValue_Kind(&v) == VALUE_REAL;
      return v.val;
    }
  }
}

// Sub-kinds 1 to 6 (<, <=, ==, !=, >=, >) as the bits of what they accept among below (bit 0),
// within epsilon (bit 1) and above (bit 2); a NaN difference is none of these and fails all.
constexpr uint8_t kAccepts[8] = {0, 1, 3, 2, 5, 6, 4, 4};
inline bool Decide(uint32_t subKind, double l, double r) {
  const double d = l == r ? 0.0 : l - r;
  const double e = Math_Epsilon;
  if (d != d) return false;
  if (e < 0) return VM_DecideDifference(subKind, d);  // the three places overlap
  const int place = d < -e ? 0 : d > e ? 2 : 1;
  return ((kAccepts[subKind & 7] >> place) & 1) != 0;
}

// A number or a string: what the fast paths copy and store; anything else is the handlers'.
inline bool IsPlain(uint32_t kind) {
  return kind == VALUE_REAL || kind == VALUE_INT32 || kind == VALUE_INT64 || kind == VALUE_BOOL || kind == VALUE_STRING;
}
// Pushes the copy of a variable that a read gives, when it holds a number or a string.
inline bool PushPlainCopy(const RValue* slot, uint8_t** sp) {
  if (!IsPlain(RValue_Kind(slot))) return false;
  if (RValue_Kind(slot) == VALUE_STRING && slot->pString != nullptr) ++slot->pString->refCount;
  *sp -= kValueSize;
  std::memcpy(*sp, slot, sizeof(RValue));
  return true;
}

// The current call's local slots, kept at hand while the call runs.
struct LocalSlots {
  RValue* slots = nullptr;
  uint32_t count = 0;
  void Load(const VMContext* context) {
    const WXObjectBase* locals = context->locals;
    const bool any = locals != nullptr && locals->m_slots != nullptr && locals->m_slotCount > 0;
    slots = any ? locals->m_slots : nullptr;
    count = any ? static_cast<uint32_t>(locals->m_slotCount) : 0;
  }
  RValue* At(int32_t slot) const { return static_cast<uint32_t>(slot) < count ? &slots[slot] : nullptr; }
};

// Argument n of the running call, when there is one and it holds a real.
inline bool ArgumentReal(int32_t n, double* out) {
  if (n >= vm_state::argumentCount || vm_state::arguments == nullptr) return false;
  RValue value;
  std::memcpy(&value, reinterpret_cast<const uint8_t*>(vm_state::arguments) + static_cast<size_t>(n) * kValueSize,
              sizeof value);
  *out = value.val;
  return RValue_Kind(&value) == VALUE_REAL;
}

// Appends text to a string value that holds the only reference to its record, in place, the
// record's block growing geometrically. False when the record is shared or has no block.
bool AppendInPlace(RValue* target, const SharedString* tail) {
  SharedString* s = target->pString;
  if (s == nullptr || s->refCount != 1 || s->text == nullptr || tail == nullptr || tail->text == nullptr) return false;
  const int64_t add = tail->length;
  const int64_t length = static_cast<int64_t>(s->length) + add;
  if (length > INT32_MAX - 1) return false;
  const int64_t capacity = MemoryManager_BlockSize(s->text);
  if (length + 1 > capacity) {
    const int64_t grown = length + 1 > 2 * capacity ? length + 1 : 2 * capacity;
    s->text = static_cast<char*>(MemoryManager_Realloc(s->text, static_cast<size_t>(grown), __FILE__, __LINE__));
  }
  std::memcpy(s->text + s->length, tail->text, static_cast<size_t>(add) + 1);
  s->length = static_cast<int32_t>(length);
  s->form = SharedString_JoinedForm(s->form, tail->form);
  return true;
}

}  // namespace

VMFastExit VM_InterpretFast(VMContext* context, VMFastCode* code, uint8_t** spInOut, RValue* result) {
  static const void* const kLabels[] = {
      &&op_nop, &&op_push4, &&op_push8, &&op_push_string, &&op_get_local, &&op_set_local, &&op_get_argument,
      &&op_binary, &&op_compare, &&op_branch, &&op_branch_true, &&op_branch_false, &&op_call_builtin,
      &&op_call_script, &&op_return, &&op_exit, &&op_end, &&op_pop_discard, &&op_generic, &&op_hand_over,
      &&op_compare_local_branch, &&op_compare_argument_branch, &&op_add_constant_to_local, &&op_local_op_local,
      &&op_append_constant, &&op_argument_op_constant, &&op_return_argument, &&op_get_variable, &&op_set_variable,
  };
  if (context == nullptr) {
    g_labels = kLabels;
    return VMFastExit::kFinished;
  }
  uint8_t* sp = *spInOut;
  const Op* op = &code->ops[static_cast<size_t>(code->entryOp)];
  sp = VM_EnsureStack(sp, context, code->maxBytes);
  if (context->failed != 0) {
    // No room for the code's stack: the run stops before its first instruction.
    *spInOut = sp;
    return VMFastExit::kChecked;
  }
  LocalSlots locals;
  locals.Load(context);
  RValue returned;
  // Script objects give their variables their own semantics: the checked loop's handlers read
  // and write them.
  const bool objectMode = Game_ObjectMode();

#define DISPATCH() goto* op->run
#define NEXT() \
  do {         \
    ++op;      \
    DISPATCH(); \
  } while (0)

  DISPATCH();

op_nop:
  NEXT();

op_push4:
  sp -= 4;
  std::memcpy(sp, &op->k, 4);
  NEXT();

op_push8:
  sp -= 8;
  std::memcpy(sp, &op->k, 8);
  NEXT();

op_push_string: {
  SharedString* s = op->string;
  if (s != nullptr) ++s->refCount;
  const uint32_t handle = VM_StringHandleNew(s);
  sp -= 4;
  std::memcpy(sp, &handle, 4);
  NEXT();
}

op_get_local: {
  const RValue* slot = locals.At(op->a);
  if (slot == nullptr || !PushPlainCopy(slot, &sp)) goto op_generic;
  NEXT();
}

op_get_variable: {
  // A set number or string of self or of the global object: the copy a variable read gives.
  const WXObjectBase* object = op->instance == kTargetSelf ? Variable_InstanceObject(context->self) : g_pGlobalObject;
  if (objectMode || object == nullptr || object->m_slots == nullptr ||
      static_cast<uint32_t>(op->a) >= static_cast<uint32_t>(object->m_slotCount)) {
    goto op_generic;
  }
  if (!PushPlainCopy(&object->m_slots[op->a], &sp)) goto op_generic;
  NEXT();
}

op_set_variable: {
  // A number or string stored into a variable of self or of the global object, as the checked
  // loop stores it (the value slot used in place, then released).
  WXObjectBase* object = op->instance == kTargetSelf ? Variable_InstanceObject(context->self) : g_pGlobalObject;
  if (objectMode || object == nullptr) goto op_generic;
  RValue value;
  if (op->b == VMT_VARIABLE) {
    std::memcpy(&value, sp, sizeof value);
    if (!IsPlain(RValue_Kind(&value))) goto op_generic;
  } else if (op->b == VMT_INT) {
    value = RValue_MakeReal(VM_ReadInt(sp));
  } else {
    double d;
    std::memcpy(&d, sp, 8);
    value = RValue_MakeReal(d);
  }
  if (op->instance == kTargetSelf) {
    Variable_SetValue(object, op->a, ARRAY_INDEX_NONE, &value);
  } else {
    Variable_SetGlobal(op->a, ARRAY_INDEX_NONE, &value);
  }
  RValue_Release(&value);
  sp += VM_StackSlotSize(static_cast<uint32_t>(op->b));
  NEXT();
}

op_set_local: {
  RValue* slot = locals.At(op->a);
  if (slot == nullptr || RValue_KindHoldsRef(slot->kind)) goto op_generic;
  RValue value;
  if (op->b == VMT_VARIABLE) {
    std::memcpy(&value, sp, sizeof value);
    if (RValue_KindHoldsRef(value.kind) && RValue_Kind(&value) != VALUE_STRING) goto op_generic;
    sp += kValueSize;
  } else if (op->b == VMT_INT) {
    value = RValue_MakeReal(VM_ReadInt(sp));
    sp += 4;
  } else {
    double d;
    std::memcpy(&d, sp, 8);
    value = RValue_MakeReal(d);
    sp += 8;
  }
  if (RValue_Kind(&value) == VALUE_UNSET) {
    sp -= VM_StackSlotSize(static_cast<uint32_t>(op->b));
    goto op_generic;
  }
  *slot = value;
  NEXT();
}

op_get_argument: {
  if (op->a >= vm_state::argumentCount || vm_state::arguments == nullptr) goto op_generic;
  RValue value;
  std::memcpy(&value, reinterpret_cast<const uint8_t*>(vm_state::arguments) + static_cast<size_t>(op->a) * kValueSize,
              sizeof value);
  if (RValue_KindHoldsRef(value.kind)) goto op_generic;
  sp -= kValueSize;
  std::memcpy(sp, &value, sizeof value);
  NEXT();
}

op_binary: {
  if (op->rightType == VMT_VARIABLE && op->leftType == VMT_VARIABLE) {
    RValue r;
    RValue l;
    std::memcpy(&r, sp, sizeof r);
    std::memcpy(&l, sp + kValueSize, sizeof l);
    if (RValue_Kind(&r) != VALUE_REAL || RValue_Kind(&l) != VALUE_REAL) goto op_generic;
    const double d = op->binary == VMOP_ADD ? l.val + r.val : op->binary == VMOP_SUB ? l.val - r.val : l.val * r.val;
    sp += kValueSize;
    const RValue v = RValue_MakeReal(d);
    std::memcpy(sp, &v, sizeof v);
    NEXT();
  }
  bool ok = true;
  const double r = SlotReal(sp, op->rightType, &ok);
  uint8_t* left = sp + VM_StackSlotSize(op->rightType);
  const double l = SlotReal(left, op->leftType, &ok);
  if (!ok) goto op_generic;
  const double d = op->binary == VMOP_ADD ? l + r : op->binary == VMOP_SUB ? l - r : l * r;
  uint8_t* end = left + VM_StackSlotSize(op->leftType);
  sp = end - kValueSize;
  const RValue v = RValue_MakeReal(d);
  std::memcpy(sp, &v, sizeof v);
  NEXT();
}

op_compare: {
  bool ok = true;
  const double r = SlotReal(sp, op->rightType, &ok);
  uint8_t* left = sp + VM_StackSlotSize(op->rightType);
  const double l = SlotReal(left, op->leftType, &ok);
  if (!ok) goto op_generic;
  sp = left + VM_StackSlotSize(op->leftType) - 4;
  const int32_t holds = Decide(op->setKind, l, r) ? 1 : 0;
  std::memcpy(sp, &holds, 4);
  NEXT();
}

op_branch:
  if (VM_CountBranch(context)) goto pump_failed;
  op = op->targetOp;
  DISPATCH();

op_branch_true:
op_branch_false: {
  if (VM_CountBranch(context)) goto pump_failed;
  const int32_t value = VM_ReadInt(sp);
  sp += 4;
  if ((value != 0) == (op->plainKind == Kind::kBranchTrue)) {
    op = op->targetOp;
    DISPATCH();
  }
  NEXT();
}

op_compare_local_branch: {
  const RValue* slot = locals.At(op->a);
  if (slot == nullptr || RValue_Kind(slot) != VALUE_REAL) goto* op->plain;
  if (VM_CountBranch(context)) goto pump_failed;
  if (Decide(op->setKind, slot->val, op->kd) == (op->branchOnTrue != 0)) {
    op = op->targetOp;
    DISPATCH();
  }
  op += 4;
  DISPATCH();
}

op_compare_argument_branch: {
  double value;
  if (!ArgumentReal(op->a, &value)) goto* op->plain;
  if (VM_CountBranch(context)) goto pump_failed;
  if (Decide(op->setKind, value, op->kd) == (op->branchOnTrue != 0)) {
    op = op->targetOp;
    DISPATCH();
  }
  op += 4;
  DISPATCH();
}

op_add_constant_to_local: {
  RValue* slot = locals.At(op->a);
  if (slot == nullptr || RValue_Kind(slot) != VALUE_REAL) goto* op->plain;
  slot->val += op->kd;
  slot->flags = 0;
  op += 4;
  DISPATCH();
}

op_local_op_local: {
  RValue* x = locals.At(op->a);
  RValue* y = locals.At(op->b);
  RValue* z = locals.At(static_cast<int32_t>(op->k));
  if (x == nullptr || y == nullptr || z == nullptr) goto* op->plain;
  if (RValue_Kind(x) == VALUE_REAL && RValue_Kind(y) == VALUE_REAL && !RValue_KindHoldsRef(z->kind)) {
    const double d = op->binary == VMOP_ADD ? x->val + y->val : op->binary == VMOP_SUB ? x->val - y->val : x->val * y->val;
    *z = RValue_MakeReal(d);
    op += 4;
    DISPATCH();
  }
  if (op->binary == VMOP_ADD && x == z && x != y && RValue_Kind(x) == VALUE_STRING && RValue_Kind(y) == VALUE_STRING &&
      AppendInPlace(x, y->pString)) {
    x->flags = 0;
    op += 4;
    DISPATCH();
  }
  goto* op->plain;
}

op_append_constant: {
  RValue* x = locals.At(op->a);
  if (x == nullptr || RValue_Kind(x) != VALUE_STRING || !AppendInPlace(x, op->string)) goto* op->plain;
  x->flags = 0;
  op += 4;
  DISPATCH();
}

op_argument_op_constant: {
  double value;
  if (!ArgumentReal(op->a, &value)) goto* op->plain;
  sp -= kValueSize;
  const RValue v = RValue_MakeReal(value + op->kd);
  std::memcpy(sp, &v, sizeof v);
  op += 3;
  DISPATCH();
}

op_return_argument: {
  if (context->depth <= 0 || op->a >= vm_state::argumentCount || vm_state::arguments == nullptr) goto* op->plain;
  std::memcpy(&returned, reinterpret_cast<const uint8_t*>(vm_state::arguments) + static_cast<size_t>(op->a) * kValueSize,
              sizeof returned);
  if (RValue_KindHoldsRef(returned.kind)) goto* op->plain;
  goto leave_call;
}

op_pop_discard:
  if (op->a == VMT_VARIABLE) {
    VM_ReleaseValueAt(sp);
  } else if (op->a == VMT_STRING) {
    SharedString_Unref(VM_StringHandleTake(VM_ReadWord(sp)));
  }
  sp += VM_StackSlotSize(static_cast<uint32_t>(op->a));
  NEXT();

op_call_builtin: {
  const int32_t id = op->b;
  if (id >= g_BuiltinCount || g_BuiltinFunctions[id].handler == nullptr) goto op_generic;
  context->current = op->pc;
  context->pc = op->next;
  sp = VM_CallBuiltinSlots(id, op->a, sp, context);
  vm_state::current = context;
  if (context->failed != 0) {
    SealForCheckedLoop(context, code, op, op->depth - op->a);
    goto hand_over;
  }
  ClearMarks(context, sp, sp + kValueSize);  // the result's seal
  locals.Load(context);
  NEXT();
}

op_call_script: {
  // A stale translation (another lookup, a buffer freed) may hold callees that are gone: the
  // checked loop looks the script up again.
  if (code->generation != g_generation) goto op_hand_over;
  VMFastCode* callee = op->calleeCode;
  if (callee != nullptr && callee->buffer != op->callee->code) {
    callee = nullptr;
  }
  if (callee == nullptr) {
    callee = VM_FastCodeFor(op->callee->code, op->callee->codeOffset);
    if (callee == nullptr) goto op_hand_over;
    const_cast<Op*>(op)->calleeCode = callee;
  }
  CCode* target = op->callee;
  const int32_t n = op->a;
  if (g_RunnerOptions.trace) Console_DebugOutput("script call = %s\n", VM_ScriptTraceName(op->b, target));
  uint8_t* end = VM_BlockEnd(context);
  auto* frame = reinterpret_cast<VMCallFrame*>(sp - sizeof(VMCallFrame));
  frame->returnPc = op->next;
  frame->callerArgumentCount = vm_state::argumentCount;
  frame->callerFramePosition = static_cast<int32_t>(end - VM_FrameTop(context));
  frame->localsGiven = context->localsGiven;
  frame->self = context->self;
  frame->other = context->other;
  frame->argumentsObject = nullptr;
  frame->codeBuffer = context->codeBuffer;
  frame->debugInfo = context->debugInfo;
  frame->sourceText = context->sourceText;
  frame->name = context->name;
  frame->tryList = nullptr;
  frame->locals = context->locals;
  const auto* arguments = reinterpret_cast<const uint8_t*>(vm_state::arguments);
  frame->callerArgumentsPosition =
      arguments >= context->stackBlock && arguments <= end ? static_cast<int32_t>(end - arguments) : -1;
  SetCallOp(frame, op, code);
  context->frame = frame;
  context->depth++;
  vm_state::argumentCount = n;
  vm_state::arguments = reinterpret_cast<RValue*>(sp);
  context->locals = callee->usesLocals ? VM_NewLocals(target->localsCount) : nullptr;
  context->localsGiven = 0;
  context->codeBuffer = target->code;
  context->codeBase = target->code->code;
  context->codeSize = target->code->length;
  context->name = target->name;
  context->debugInfo = target->lineTable;
  context->sourceText = target->text;
  if (Profiler_Enabled) Profiler_Enter(1, target->index);
  sp = reinterpret_cast<uint8_t*>(frame);
  if (sp - context->stackBlock < callee->maxBytes + kVMStackHeadroom) sp = VM_EnsureStack(sp, context, callee->maxBytes);
  code = callee;
  op = &code->ops[static_cast<size_t>(code->entryOp)];
  if (context->failed != 0) {
    // No room for the callee's stack: the checked loop unwinds the calls.
    SealForCheckedLoop(context, code, op, 0);
    goto hand_over;
  }
  if (callee->usesLocals) {
    locals.Load(context);
  } else {
    locals = LocalSlots{};
  }
  DISPATCH();
}

op_return: {
  const uint32_t type = VM_Type1(op->word);
  const int32_t size = op->a;
  if (context->depth <= 0) {
    if (result == nullptr || type == VMT_ERROR) {
      ReleaseSlots(context, code, op, op->depth);
      if (result != nullptr) {
        RValue_Release(result);
        *result = RValue_MakeUndefined();
      }
      goto finished;
    }
    RValue_Release(result);
    VM_SlotToValue(result, type, sp);
    ReleaseSlots(context, code, op, op->depth - 1);
    goto finished;
  }
  if (type == VMT_VARIABLE) {
    std::memcpy(&returned, sp, sizeof returned);
    // An array the slot owned moves with the value (to its slot in the caller, below).
    if (RValue_Kind(&returned) == VALUE_ARRAY && returned.pArray != nullptr &&
        returned.pArray->owner == reinterpret_cast<const RValue*>(sp)) {
      returned.pArray->owner = &returned;
    }
  } else if (type != VMT_ERROR) {
    VM_SlotToValue(&returned, type, sp);
  } else {
    returned = RValue_MakeUndefined();
  }
  ReleaseSlots(context, code, op, op->depth - (size > 0 ? 1 : 0));
  goto leave_call;
}

op_exit:
op_end:
  ReleaseSlots(context, code, op, op->depth);
  if (context->depth <= 0) goto finished;
  returned = RValue_MakeReal(0.0);
  goto leave_call;

leave_call: {
  VMCallFrame* frame = context->frame;
  VMFastCode* callerCode = nullptr;
  const Op* call = CallOpOf(frame, &callerCode);
  uint8_t* slot = VM_UnwindCall(context);
  VM_StoreValue(slot, returned, &returned);
  sp = slot;
  code = callerCode;
  op = call + 1;
  locals.Load(context);
  DISPATCH();
}

op_generic: {
  // The checked loop's handler, with the operands it reads sealed as it expects them.
  const int32_t reads = op->readSlots < op->depth ? op->readSlots : op->depth;
  uint8_t* readEnd = sp;
  for (int32_t i = 0, state = op->state; i < reads; ++i) {
    const StackNode& node = code->nodes[static_cast<size_t>(state)];
    if (node.kind == VMT_VARIABLE) VM_Seal(context, readEnd);
    readEnd += VM_StackSlotSize(node.kind);
    state = node.below;
  }
  context->current = op->pc;
  context->pc = op->next;
  const int32_t depth = context->depth;
  const int32_t readEndDistance = VM_StackDistance(context, readEnd);
  const int32_t beforeDistance = VM_StackDistance(context, sp);
  uint8_t* after = op->handler(op->word, sp, op->operand, context);
  readEnd = VM_BlockEnd(context) - readEndDistance;  // the handler may have grown the stack
  uint8_t* before = VM_BlockEnd(context) - beforeDistance;
  sp = after;
  vm_state::current = context;
  if (context->failed != 0) {
    SealForCheckedLoop(context, code, op, op->depth - reads);
    goto hand_over;
  }
  if (context->depth != depth || context->pc != op->next) {
    // Only with-blocks and calls move elsewhere, and neither runs here.
    VM_Fail(context, "The fast loop lost its place at %d", op->pc);
    goto hand_over;
  }
  ClearMarks(context, sp < before ? sp : before, readEnd);
  locals.Load(context);
  NEXT();
}

pump_failed:
  // The window's pump failed the run at a branch (nothing of the branch done yet): the checked
  // loop unwinds it.
  SealForCheckedLoop(context, code, op, op->depth);
  goto hand_over;

op_hand_over:
  // The rest of the run is the checked loop's, from this instruction on.
  SealForCheckedLoop(context, code, op, op->depth);
  context->pc = op->pc;
  context->current = op->pc;
  goto hand_over;

hand_over:
  *spInOut = sp;
  return VMFastExit::kChecked;

finished:
  *spInOut = VM_FrameTop(context);
  return VMFastExit::kFinished;
#undef DISPATCH
#undef NEXT
}
