#include "vm/code_object.h"
#include "vm/fast_loop.h"

#include "core/memory_manager.h"
#include "core/vm_error.h"
#include "runtime/runner_options.h"
#include "runtime/container.h"
#include "runtime/error_report.h"
#include "runtime/game_data.h"
#include "runtime/game_flags.h"
#include "runtime/link_record.h"
#include "runtime/debug_services.h"
#include "vm/interpreter.h"

CCode* g_pFirstCode = nullptr;
int32_t g_TotalCodeBlocks = 0;

namespace {

CCode** g_slots = nullptr;
int32_t g_slotCount = 0;
int32_t g_slotCapacity = 0;

const char kEmptyText[] = "";

// The text at a position of the debug file, null when it does not lie inside it.
const char* DebugText(const GameData& data, uint32_t position) {
  if (position == 0) return nullptr;
  ContainerBytes file{const_cast<uint8_t*>(data.debugBytes.data()), data.debugBytes.size()};
  bool ok = true;
  const char* text = file.TextAt(position, &ok);
  return ok ? text : nullptr;
}

void BuildFromCodeEntry(CCode* code, int32_t i) {
  const GameData& data = Game_Data();
  const ContainerBytes& container = data.container;
  const uint8_t* table = data.codeEntries;
  if (container.data == nullptr || table == nullptr || table < container.data ||
      !container.Has(static_cast<uint64_t>(table - container.data), 4ull * data.codeCount)) {
    return;
  }
  const uint32_t at = Container_U32(table + 4 * i);
  const bool newFormat = Game_ByteCodeVersion15();
  if (at == 0 || !container.Has(at, newFormat ? 20 : 8)) return;
  uint8_t* entry = container.data + at;
  bool ok = true;
  code->name = container.TextAt(Container_U32(entry), &ok);
  const uint32_t length = Container_U32(entry + 4);
  uint8_t* words = nullptr;
  if (newFormat) {
    const int64_t target = static_cast<int64_t>(at) + 12 + Container_I32(entry + 12);
    if (target < 0 || !container.Has(static_cast<uint64_t>(target), length)) return;
    words = container.data + target;
  } else {
    if (!container.Has(at + 8ull, length)) return;
    words = entry + 8;
  }
  auto* buffer = new VMBuffer();
  buffer->length = static_cast<int32_t>(length);
  buffer->code = words;
  if (newFormat) {
    buffer->locals = Container_U16(entry + 8);
    buffer->arguments = Container_U16(entry + 10);
    code->localsCount = buffer->locals;
    code->argumentCount = buffer->arguments;
    code->codeOffset = Container_I32(entry + 16);
  }
  code->code = buffer;

  // The debug file's tables: a word per code index, each the position of what belongs to it.
  const uint32_t index = static_cast<uint32_t>(i);
  if (data.scriptTexts != nullptr && 4ull * (index + 1) <= data.scriptTextsSize) {
    const uint32_t holder = Container_U32(data.scriptTexts + 4 * index);
    if (holder != 0 && holder <= data.debugBytes.size() && data.debugBytes.size() - holder >= 4) {
      code->text = DebugText(data, Container_U32(data.debugBytes.data() + holder));
    }
  }
  if (data.debugInfo != nullptr && 4ull * (index + 1) <= data.debugInfoSize) {
    const uint32_t position = Container_U32(data.debugInfo + 4 * index);
    const size_t size = data.debugBytes.size();
    if (position != 0 && position <= size && size - position >= 4) {
      const uint32_t count = Container_U32(data.debugBytes.data() + position);
      if ((size - position - 4) / 4 >= count) {
        auto* lines = new VMBuffer();
        lines->length = static_cast<int32_t>(count * 4);
        lines->code = const_cast<uint8_t*>(data.debugBytes.data()) + position + 4;
        code->lineTable = lines;
      }
    }
  }
}

}  // namespace

VMBuffer::~VMBuffer() {
  VM_FreeFastCodes(this);
  if (owned) MEM_FREE(code);
}

CCode::CCode(int32_t i, int32_t variant) : kind(variant == 1 ? kCodeKindRunVariant : kCodeKindRun), index(i) {
  value = RValue_MakeReal(0);
  const GameData& data = Game_Data();
  if (Game_CompiledMode()) {
    const GameLinkRecord* record = data.linkRecord;
    // The loaders refuse indices outside the table; this guards a code object made directly.
    if (record != nullptr && record->functions != nullptr && i >= 0 && i < record->functionCount) {
      native = &record->functions[i];
      name = native->name;
    }
    text = kEmptyText;
  } else if (i >= 0 && static_cast<uint32_t>(i) < data.codeCount) {
    BuildFromCodeEntry(this, i);
  } else {
    text = kEmptyText;
  }
  textCopy = text;
  if (i >= 0) {
    next = g_pFirstCode;
    g_pFirstCode = this;
    ++g_TotalCodeBlocks;
  }
}

CCode::~CCode() {
  if (index >= 0 && unlinked == 0) {
    for (CCode** link = &g_pFirstCode; *link != nullptr; link = &(*link)->next) {
      if (*link == this) {
        *link = next;
        --g_TotalCodeBlocks;
        break;
      }
    }
  }
  RValue_Release(&value);
  delete code;
  delete lineTable;
}

int32_t Code_Add(int32_t index, int32_t variant) {
  const GameData& data = Game_Data();
  if (g_slotCount + 1 > g_slotCapacity) {
    int32_t capacity = (g_slotCapacity * 3 + 1) / 2;
    if (capacity == 0) capacity = static_cast<int32_t>(data.codeCount);
    if (capacity < g_slotCount + 1) capacity = g_slotCount + 1;
    g_slots = static_cast<CCode**>(MEM_REALLOC(g_slots, sizeof(CCode*) * capacity));
    g_slotCapacity = capacity;
  }
  const int32_t slot = g_slotCount++;
  g_slots[slot] = nullptr;
  if (index == -1 || !(data.haveCode || Game_CompiledMode())) return slot;
  if (Game_CompiledMode()) {
    const GameLinkRecord* record = data.linkRecord;
    const int32_t count = record != nullptr && record->functions != nullptr ? record->functionCount : 0;
    if (index < 0 || index >= count) {
      Game_FailLoad(nullptr, "code index %d lies outside the %d translated functions", index, count);
      return slot;
    }
  }
  g_slots[slot] = new CCode(index, variant);
  return slot;
}

CCode* Code_GetByIndex(int32_t slot) {
  if (slot < 0 || slot >= g_slotCount) return nullptr;
  return g_slots[slot];
}

int32_t Code_SlotCount() { return g_slotCount; }

void Code_FreeSlots() {
  MEM_FREE(g_slots);
  g_slots = nullptr;
  g_slotCount = g_slotCapacity = 0;
}

namespace {
bool ExecuteWithArguments(CInstance* self, CInstance* other, CCode* code, RValue* result, int32_t scopeFlags,
                          int32_t argc, RValue* args) {
  if (!g_RunnerOptions.codeExecutionMode || code == nullptr) return true;
  g_VMRunFailed = false;
  if (code->kind == kCodeKindRun || code->kind == kCodeKindRunVariant) {
    if (code->native != nullptr && code->native->function != nullptr) {
      reinterpret_cast<NativeEventFunction>(code->native->function)(self, other);
    } else if (code->code != nullptr && code->code->length > 0) {
      const bool profiling = Profiler_Enabled;
      if (profiling) Profiler_Enter(1, code->index);
      VM_ExecuteCode(code, self, other, result, nullptr, argc, args, scopeFlags, nullptr);
      if (profiling) Profiler_Leave();
    }
  } else if (code->kind == kCodeKindConstant && result != nullptr) {
    RValue_Assign(result, &code->value);
  }
  return true;
}
}  // namespace

bool Code_Execute(CInstance* self, CInstance* other, CCode* code, RValue* result, int32_t scopeFlags) {
  return ExecuteWithArguments(self, other, code, result, scopeFlags, 0, nullptr);
}

bool Code_ExecuteReport(CInstance* self, CInstance* other, CCode* code, RValue* result, int32_t scopeFlags) {
  if (Code_Execute(self, other, code, result, scopeFlags)) return true;
  Error_Report(false, error_last != nullptr ? error_last->text : "");
  g_VMRunFailed = false;
  return false;
}

bool Code_ExecuteScript(CInstance* self, CInstance* other, CCode* code, RValue* result, int32_t scopeFlags) {
  return Code_ExecuteScriptWithArguments(self, other, code, result, scopeFlags, 0, nullptr);
}

bool Code_ExecuteScriptWithArguments(CInstance* self, CInstance* other, CCode* code, RValue* result,
                                     int32_t scopeFlags, int32_t argc, RValue* args) {
  if (ExecuteWithArguments(self, other, code, result, scopeFlags, argc, args)) return true;
  RValue_Release(result);
  RValue_SetString(result, "ERROR");
  return false;
}
