// Fixtures of the value-operator tests: assembled programs run through the interpreter, and a
// stack of prepared slots for the variable kinds that no instruction can push yet.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/registry_test_support.h"
#include "core/value_test_util.h"
#include "vm/bytecode.h"
#include "vm/interpreter.h"
#include "vm/slot_seals.h"
#include "vm/vm_test_support.h"

namespace op_test {

// Values of the kinds no instruction makes, for hand-made stacks.
inline RValue Int32Value(int32_t i) {
  RValue v = RValue_MakeUndefined();
  v.v32 = i;
  v.kind = VALUE_INT32;
  return v;
}
inline RValue Int64Value(int64_t l) {
  RValue v = RValue_MakeUndefined();
  v.v64 = l;
  v.kind = VALUE_INT64;
  return v;
}
inline RValue KindValue(uint32_t kind, uintptr_t payload = 0) {
  RValue v = RValue_MakeUndefined();
  v.v64 = static_cast<int64_t>(payload);
  v.kind = kind;
  return v;
}

inline LoadedProgram* g_program = nullptr;
inline CCode* ScriptCode(int32_t index) {
  return g_program != nullptr ? g_program->Code(static_cast<size_t>(index) + 1) : nullptr;
}

// Runs `.code main` with the helper script "vundef" (returns undefined, so `call.i vundef 0`
// pushes an undefined variable) and keeps the result value.
class OpProgramTest : public RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    Game_SetCompiledMode(false);
    SetNames(Script_SetNames, {"vundef"});
    VM_SetScriptCodeLookup(&ScriptCode);
    g_program = &m_program;
  }
  void TearDown() override {
    VM_SetScriptCodeLookup(nullptr);
    g_program = nullptr;
    RValue_Release(&m_result);
    EXPECT_EQ(VM_StringHandleCount(), 0) << "a string slot was not released";
    RegistryTest::TearDown();
  }

  // Runs the body; the result starts as the real -1 and errors are reset first.
  void Run(const std::string& body) {
    RuntimeErrorCapture::Reset();
    LoadProgram(".code main\n" + body + "\n.code vundef\nret.e\n", &m_program);
    ASSERT_TRUE(m_program.loaded);
    RValue_Release(&m_result);
    m_result = RValue_MakeReal(-1);
    VM_ExecuteCode(m_program.Code(0), nullptr, nullptr, &m_result, nullptr, 0, nullptr, 0, nullptr);
  }

  // Runs the body and returns its top slot read as `slot` (a type suffix).
  void RunAndReturn(const std::string& body, const std::string& slot) { Run(body + "\nret." + slot); }

  // True when the body leaves exactly one slot of the given type above what was there: a
  // sentinel pushed first is back on top after that slot is popped.
  bool LeavesOneSlot(const std::string& body, const std::string& slot) {
    Run("push.i 77\n" + body + "\npopz." + slot + "\nret.i");
    return !RuntimeErrorCapture::Reported() && RValue_Kind(&m_result) == VALUE_REAL && m_result.val == 77;
  }

  // One row of a result table: the body's top slot, read as `slot`, is the text when one is given
  // and otherwise the real `value`, and the body leaves exactly that slot.
  void ExpectTyped(const char* body, const std::string& slot, double value, const char* text = nullptr) {
    SCOPED_TRACE(body);
    RunAndReturn(body, slot);
    ASSERT_FALSE(RuntimeErrorCapture::Reported()) << RuntimeErrorCapture::LastError();
    if (text != nullptr) {
      ASSERT_EQ(RValue_Kind(&m_result), VALUE_STRING);
      EXPECT_EQ(TextOf(&m_result), text);
    } else {
      EXPECT_EQ(m_result.val, value);
    }
    EXPECT_TRUE(LeavesOneSlot(body, slot));
  }

  // One row of a variable table: the body leaves one variable slot of this kind with flags 0,
  // holding the text when one is given and otherwise the real `value`.
  void ExpectVariable(const char* body, uint32_t kind, double value, const char* text = nullptr) {
    SCOPED_TRACE(body);
    RunAndReturn(body, "v");
    ASSERT_FALSE(RuntimeErrorCapture::Reported()) << RuntimeErrorCapture::LastError();
    EXPECT_EQ(m_result.kind, kind);
    EXPECT_EQ(m_result.flags, 0u);
    if (text != nullptr) {
      EXPECT_EQ(TextOf(&m_result), text);
    } else {
      EXPECT_EQ(m_result.val, value);
    }
    EXPECT_TRUE(LeavesOneSlot(body, "v"));
  }

  // The error the body stops with ("" when none); the result must stay untouched.
  std::string ErrorOf(const std::string& body) {
    Run(body + "\nret.i");
    if (!RuntimeErrorCapture::Reported()) return "";
    EXPECT_EQ(m_result.val, -1) << body;
    return RuntimeErrorCapture::LastError();
  }

  LoadedProgram m_program;
  RValue m_result = RValue_MakeReal(-1);
};

// The instruction word of one assembled instruction.
inline uint32_t WordOf(const std::string& instruction) {
  container::BytecodeProgram program;
  std::string error;
  EXPECT_TRUE(container::assemble_bytecode(".code t\n" + instruction + "\n", &program, &error)) << error;
  if (program.codes.empty() || program.codes[0].bytes.size() < 4) return 0;
  uint32_t word;
  std::memcpy(&word, program.codes[0].bytes.data(), 4);
  return word;
}

// A value stack made by hand, on which one handler runs: for operands of the variable kinds that
// no instruction pushes yet (int32, int64, arrays, pointers, null, unset) and for string records
// with chosen contents. What is left on it is released when it goes.
class SlotStack {
 public:
  SlotStack() {
    m_context.stackBlock = m_block;
    m_context.stackSize = static_cast<int32_t>(sizeof m_block);
    m_context.frame = reinterpret_cast<VMCallFrame*>(m_block + sizeof m_block);
    m_context.resultType = -1;
    VM_AttachSeals(&m_context, m_seals);
    m_sp = End();
  }
  ~SlotStack() {
    for (size_t i = m_types.size(); i-- > 0;) Pop(m_types[i]);
  }
  SlotStack(const SlotStack&) = delete;
  SlotStack& operator=(const SlotStack&) = delete;

  // The value's references move onto the stack, into a sealed slot as the interpreter makes one.
  void PushValue(const RValue& v) {
    PushBytes(VMT_VARIABLE, &v, sizeof v);
    VM_Seal(&m_context, m_sp);
  }
  void PushInt(int32_t i) { PushBytes(VMT_INT, &i, 4); }
  void PushDouble(double d) { PushBytes(VMT_DOUBLE, &d, 8); }
  void PushLong(int64_t l) { PushBytes(VMT_LONG, &l, 8); }
  // The slot takes over one reference of the record (null: the null string).
  void PushString(SharedString* record) {
    const uint32_t handle = VM_StringHandleNew(record);
    PushBytes(VMT_STRING, &handle, 4);
  }

  // Runs one instruction's handler on the top `operands` slots; what it leaves in their place
  // is a slot of `resultType` (a type code). Errors are reset first.
  void Run(const std::string& instruction, size_t operands, uint32_t resultType) {
    RuntimeErrorCapture::Reset();
    uint8_t* above = m_sp;
    for (size_t i = 0; i < operands && !m_types.empty(); ++i) {
      above += SlotSize(m_types.back());
      m_types.pop_back();
    }
    const uint32_t word = WordOf(instruction);
    m_sp = VM_GetHandler(VM_Handler(word))(word, m_sp, nullptr, &m_context);
    if (m_sp < above) m_types.push_back(resultType);
  }

  RValue TopValue() const { return Load<RValue>(); }
  int32_t TopInt() const { return Load<int32_t>(); }
  double TopDouble() const { return Load<double>(); }
  int64_t TopLong() const { return Load<int64_t>(); }
  SharedString* TopString() const { return VM_StringHandleGet(Load<uint32_t>()); }
  // Bytes on the stack.
  int64_t Used() const { return End() - m_sp; }
  bool Failed() const { return m_context.failed != 0; }

 private:
  static int32_t SlotSize(uint32_t type) { return type == VMT_DOUBLE || type == VMT_LONG ? 8 : type == VMT_VARIABLE ? 16 : 4; }
  uint8_t* End() const { return const_cast<uint8_t*>(m_block) + sizeof m_block; }
  template <typename T>
  T Load() const {
    T v;
    std::memcpy(&v, m_sp, sizeof v);
    return v;
  }
  void PushBytes(uint32_t type, const void* bytes, size_t n) {
    m_sp -= n;
    std::memcpy(m_sp, bytes, n);
    m_types.push_back(type);
  }
  void Pop(uint32_t type) {
    if (m_sp >= End()) return;
    RValue v;
    VM_SlotToValue(&v, type, m_sp);
    if (type == VMT_VARIABLE || type == VMT_STRING) RValue_Release(&v);
    m_sp += SlotSize(type);
  }

  alignas(16) uint8_t m_block[1024] = {};
  uint8_t m_seals[VM_SealStorageSize(static_cast<int32_t>(sizeof m_block))];
  uint8_t* m_sp;
  VMContext m_context{};
  std::vector<uint32_t> m_types;
};

}  // namespace op_test
