#include "vm/chunk_loaders.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "core/console.h"
#include "core/function_registry.h"
#include "core/value.h"
#include "vm/variable_names.h"
#include "runtime/frame_timing.h"
#include "runtime/error_report.h"
#include "runtime/game_data.h"
#include "runtime/game_flags.h"
#include "runtime/host_state.h"
#include "vm/bytecode.h"
#include "vm/fast_loop.h"

namespace {

int32_t g_localCount = 0;
int32_t g_instanceCount = 0;
int32_t g_globalCount = 0;
// The container whose byte code was loaded last; the string table's entries are checked against it.
ContainerBytes g_container;

// The CODE chunk's body as a range of container offsets; empty when the container has none.
struct CodeRange {
  uint64_t begin = 0;
  uint64_t end = 0;
};

CodeRange FindCodeChunk(const ContainerBytes& container) {
  CodeRange range;
  ContainerChunks chunks(container);
  for (ContainerChunk chunk; chunks.Next(&chunk);) {
    if (std::strcmp(chunk.tag, "CODE") == 0) {
      range.begin = static_cast<uint64_t>(chunk.body - container.data);
      range.end = range.begin + chunk.size;
    }
  }
  return range;
}

const char* NameText(const ContainerBytes& container, uint32_t offset) {
  bool ok = true;
  const char* text = container.TextAt(offset, &ok);
  return text != nullptr ? text : (ok ? "" : "<name outside the container>");
}

// An unknown name ends the game: at once when there is no game to return to.
void UnresolvedName(const char* what, const char* name) {
  char message[1024];
  std::snprintf(message, sizeof message, "Error on load\nUnable to find %s %s\n", what, name);
  Error_Show(message, true);
  if (!g_Host.subGame) Error_EndProcess(1);
  g_RoomChangeCode = kRoomChangeEndGame;
}

// Walks one chain of references and stores `id` in every operand. `stepBits` is the width of the
// signed distance field; `keepFlags` keeps the operand's flag bits above that field (variables)
// or not (calls).
bool LinkChain(const char* tag, const char* what, const char* name, const ContainerBytes& container,
               const CodeRange& code, uint32_t count, uint32_t first, int32_t stepBits, bool keepFlags, int32_t id) {
  std::unordered_set<uint64_t> seen;
  int64_t at = first;
  for (uint32_t i = 0; i < count; ++i) {
    if (at < 0 || static_cast<uint64_t>(at) < code.begin || static_cast<uint64_t>(at) + 8 > code.end) {
      Game_FailLoad(tag, "the references to %s %s leave the code (at %lld)", what, name, static_cast<long long>(at));
      return false;
    }
    if (!seen.insert(static_cast<uint64_t>(at)).second) {
      Game_FailLoad(tag, "the references to %s %s run in a loop (at %lld)", what, name, static_cast<long long>(at));
      return false;
    }
    uint8_t* operand = container.data + at + 4;
    const uint32_t w = Container_U32(operand);
    int64_t step;
    if (stepBits == 32) {
      step = static_cast<int32_t>(w);
    } else {
      const uint32_t shift = static_cast<uint32_t>(32 - stepBits);
      step = static_cast<int32_t>(w << shift) >> shift;
    }
    // Only the bits above the step field are flags: in old data bit 28 is the step's sign, and
    // keeping it would mark every backward-chained reference as a declaration.
    const uint32_t flags = keepFlags && stepBits < 32 ? w & ~((1u << stepBits) - 1) & 0xF0000000u : 0;
    const uint32_t linked = keepFlags ? flags | (static_cast<uint32_t>(id) & 0x0FFFFFFFu) : static_cast<uint32_t>(id);
    std::memcpy(operand, &linked, 4);
    at += step;
  }
  return true;
}

}  // namespace

int32_t VM_LocalVariableCount() { return g_localCount; }

const char* VM_StringTableText(uint32_t index, bool* ok) {
  const GameData& data = Game_Data();
  if (data.strings == nullptr || index >= data.stringCount) {
    *ok = false;
    return nullptr;
  }
  const uint32_t entry = Container_U32(data.strings + 4 * static_cast<size_t>(index));
  if (entry == 0) return nullptr;
  if (!g_container.Has(entry, 4)) {
    *ok = false;
    return nullptr;
  }
  const char* text = g_container.TextAt(entry + 4, ok);
  return text;
}

namespace {
// One record per string-table entry, made on its first push; each records the text it was made
// from, so that a table replaced by another load makes new ones.
struct TableRecord {
  const char* text = nullptr;
  SharedString* record = nullptr;
};
// Given back at exit, where no shutdown ran (tools, tests).
struct TableRecords : std::vector<TableRecord> {
  ~TableRecords() { VM_FreeStringTableRecords(); }
};
TableRecords g_tableRecords;
}  // namespace

SharedString* VM_StringTableRecord(uint32_t index, bool* ok) {
  const char* text = VM_StringTableText(index, ok);
  if (text == nullptr) return nullptr;
  if (index >= g_tableRecords.size()) g_tableRecords.resize(static_cast<size_t>(index) + 1);
  TableRecord& entry = g_tableRecords[index];
  if (entry.text != text || entry.record == nullptr) {
    SharedString_Unref(entry.record);
    entry.text = text;
    entry.record = SharedString_Create(text);
  }
  ++entry.record->refCount;
  return entry.record;
}

void VM_FreeStringTableRecords() {
  for (TableRecord& entry : g_tableRecords) SharedString_Unref(entry.record);
  g_tableRecords.clear();
}

bool VARI_Load(uint8_t* body, uint32_t size, const ContainerBytes& container) {
  g_container = container;
  g_localCount = 0;
  g_instanceCount = 0;
  g_globalCount = 0;
  const CodeRange code = FindCodeChunk(container);
  if (!Game_ByteCodeVersion15()) {
    for (uint32_t at = 0; at + 12 <= size; at += 12) {
      const uint8_t* entry = body + at;
      const char* name = NameText(container, Container_U32(entry));
      const int32_t id = Variable_FindOrAdd(name);
      if (!LinkChain("VARI", "variable", name, container, code, Container_U32(entry + 4), Container_U32(entry + 8),
                     29, true, id)) {
        return false;
      }
    }
    return true;
  }
  // A body too short for its three counts names no variable; the counts it lacks are 0.
  uint8_t counts[12] = {};
  std::memcpy(counts, body, std::min<uint32_t>(size, 12));
  g_globalCount = Container_I32(counts);
  g_instanceCount = Container_I32(counts + 4);
  g_localCount = Container_I32(counts + 8);
  if (g_instanceCount == 0) g_instanceCount = 2;
  // Every slot of the two tables is named by an entry of the chunk, so a count beyond the entries
  // is damage; it must not size a table (a count read from the file would allocate gigabytes).
  const int64_t entries = size >= 12 ? (size - 12) / 20 : 0;
  const int64_t slotLimit = std::max<int64_t>(entries, 2);
  if (g_globalCount < 0 || g_instanceCount < 0 || g_localCount < 0 || g_localCount > 0xFFFF ||
      g_globalCount > slotLimit || g_instanceCount > slotLimit) {
    Game_FailLoad("VARI", "variable counts %d, %d, %d are out of range", g_globalCount, g_instanceCount, g_localCount);
    return false;
  }
  Variable_SetNameTableSizes(g_globalCount, g_instanceCount);
  Console_DebugOutput("got %d global variables\n", g_globalCount);
  Console_DebugOutput("got %d instance variables\n", g_instanceCount);
  Console_DebugOutput("got %d local variables\n", g_localCount);
  for (uint32_t at = 12; at + 20 <= size; at += 20) {
    const uint8_t* entry = body + at;
    const char* name = NameText(container, Container_U32(entry));
    int32_t scope = Container_I32(entry + 4);
    const int32_t index = Container_I32(entry + 8);
    if (index == kScopeGlobalOrSelf) scope = kScopeGlobalOrSelf;
    const int32_t id = Variable_SetName(name, scope, index);
    if (id < 0) {
      UnresolvedName("variable", name);
      continue;
    }
    if (!LinkChain("VARI", "variable", name, container, code, Container_U32(entry + 12), Container_U32(entry + 16), 28,
                   true, id)) {
      return false;
    }
  }
  return true;
}

bool FUNC_Load(uint8_t* body, uint32_t size, const ContainerBytes& container) {
  g_container = container;
  const CodeRange code = FindCodeChunk(container);
  const bool current = Game_ByteCodeVersion15();
  uint32_t count = 0;
  uint32_t at = 0;
  if (current) {
    if (!Container_ReadCount("FUNC", body, size, 0, 12, &count)) return false;
    at = 4;
  } else {
    count = size / 12;
  }
  for (uint32_t i = 0; i < count; ++i, at += 12) {
    const uint8_t* entry = body + at;
    const char* name = NameText(container, Container_U32(entry));
    int32_t id = -1;
    if (!Builtin_FindCallable(name, &id) || id < 0) {
      UnresolvedName("function", name);
      continue;
    }
    if (!LinkChain("FUNC", "function", name, container, code, Container_U32(entry + 4), Container_U32(entry + 8), 32,
                   false, id)) {
      return false;
    }
  }
  if (current && at < size && !Variable_LoadCodeLocals(body + at, size - at, container)) {
    Game_FailLoad("FUNC", "the local-variable names run past the chunk");
    return false;
  }
  return true;
}

void VM_RemapOldCode(uint8_t* code, const ContainerBytes&, uint32_t length) {
  // Old handler index -> current one; old 17..22 were the six comparisons.
  static constexpr uint8_t kMap[32] = {0,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19,
                                       20, 21, 21, 21, 21, 21, 21, 22, 23, 24, 25, 26, 27, 28, 29, 31};
  for (uint32_t at = 0; at + 4 <= length;) {
    uint32_t word = Container_U32(code + at);
    const uint32_t old = word >> 24;
    const uint32_t index = kMap[old & 0x1F];
    word = (word & 0x00FFFFFFu) | ((old & 0xE0u) | index) << 24;
    if (index == VMOP_SET) word = (word & 0xFFFF00FFu) | (((old & 0x1F) - 16) & 0xFF) << 8;
    std::memcpy(code + at, &word, 4);
    at += 4 + ((old & kVMOperandBit) != 0 ? static_cast<uint32_t>(VM_OperandSize(VM_Type1(word))) : 0);
  }
}

bool Code_PrepareBytecode(uint8_t* body, uint32_t size, const ContainerBytes& container) {
  VM_InvalidateFastCodes();
  g_container = container;
  const bool version15 = Game_ByteCodeVersion15();
  uint32_t count = 0;
  if (!Container_ReadCount("CODE", body, size, 0, 4, &count)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t entry = Container_U32(body + 4 + 4 * static_cast<size_t>(i));
    // The older entry holds its code after its 8-byte head; the newer one names it by an offset
    // from its word at 12 (entries of one script share their code).
    bool inside = container.Has(entry, version15 ? 16 : 8);
    if (inside) {
      const uint32_t length = Container_U32(container.data + entry + 4);
      const int64_t code = version15 ? int64_t{entry} + 12 + Container_I32(container.data + entry + 12) : int64_t{entry} + 8;
      inside = code >= 0 && container.Has(static_cast<uint64_t>(code), length);
    }
    if (!inside) {
      Game_FailLoad("CODE", "code entry %u lies outside the container", i);
      return false;
    }
    if (!version15) VM_RemapOldCode(container.data + entry + 8, container, Container_U32(container.data + entry + 4));
  }
  return true;
}
