#include "vm/code_listing.h"

#include <cinttypes>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/console.h"
#include "core/function_registry.h"
#include "core/memory_manager.h"
#include "vm/variable_names.h"
#include "vm/bytecode.h"
#include "vm/chunk_loaders.h"
#include "vm/code_object.h"

bool g_VMListing = false;

namespace {
char g_sourceLine[256];

uint32_t ReadU32(const uint8_t* at) {
  uint32_t v;
  std::memcpy(&v, at, 4);
  return v;
}

void Pad(std::string* line, size_t column) {
  if (line->size() < column) line->append(column - line->size(), ' ');
}
}  // namespace

const char* VM_OpcodeName(uint32_t opcode) {
  switch (opcode & 0xFF) {
    case 0x05: return "popv";
    case 0x07: return "conv";
    case 0x08: return "mul";
    case 0x09: return "div";
    case 0x0A: return "rem";
    case 0x0B: return "mod";
    case 0x0C: return "add";
    case 0x0D: return "sub";
    case 0x0E: return "and";
    case 0x0F: return "or";
    case 0x10: return "xor";
    case 0x11: return "neg";
    case 0x12: return "not";
    case 0x13: return "shl";
    case 0x14: return "shr";
    case 0x15: return "set";
    case 0x45: return "pop";
    case 0x80: return "pushv";
    case 0x84: return "push.i";
    case 0x86: return "dup";
    case 0x99:
    case 0xD9: return "call";
    case 0x9C: return "ret";
    case 0x9D: return "exit";
    case 0x9E: return "popz";
    case 0xB6: return "b";
    case 0xB7: return "bt";
    case 0xB8: return "bf";
    case 0xBA: return "pushenv";
    case 0xBB: return "popenv";
    case 0xC0: return "push";
    case 0xC1: return "push.l";
    case 0xC2: return "push.g";
    case 0xC3: return "push.b";
    case 0xFF: return "break";
    default: return "unknown";
  }
}

const char* VM_TypeSuffix(uint32_t type) {
  switch (type & 0xF) {
    case 0: return ".d";
    case 1: return ".f";
    case 2: return ".i";
    case 3: return ".l";
    case 4: return ".b";
    case 5: return ".v";
    case 6: return ".s";
    case 7: return ".ds";
    case 15: return ".e";
    default: return "";
  }
}

const uint32_t* VM_FindDebugEntry(const VMBuffer* debugInfo, int32_t position) {
  if (debugInfo == nullptr || debugInfo->code == nullptr) return nullptr;
  const auto* pairs = reinterpret_cast<const uint32_t*>(debugInfo->code);
  const int32_t count = debugInfo->length / 8;
  const uint32_t* found = nullptr;
  for (int32_t i = 0; i < count; ++i) {
    const uint32_t* pair = pairs + 2 * i;
    if (static_cast<int64_t>(pair[0]) > position) break;
    found = pair;
  }
  return found;
}

int32_t VM_GetLineNumber(const uint32_t* pair, const char* text, char** token) {
  if (pair == nullptr || text == nullptr) return -1;
  const int64_t length = static_cast<int64_t>(std::strlen(text));
  int64_t p = pair[1];
  if (p > length) p = length - 1;
  if (p < 0) return -1;
  const char* q = text + p;
  int32_t count = 0;
  while (q > text) {
    --q;
    while (q > text && (static_cast<unsigned char>(*q) & 0xC0) == 0x80) --q;
    if (*q != '\n') continue;
    if (std::strncmp(q + 1, "#line ", 6) != 0) {
      ++count;
      continue;
    }
    const char* s = q + 7;
    const char* tokenStart = s;
    while (*s != '\0' && *s != ' ' && *s != '\t' && *s != '\r' && *s != '\n') ++s;
    const size_t tokenLength = static_cast<size_t>(s - tokenStart);
    while (*s == ' ' || *s == '\t') ++s;
    int32_t sign = 1;
    if (*s == '-' || *s == '+') sign = *s++ == '-' ? -1 : 1;
    int64_t n = 0;
    while (*s >= '0' && *s <= '9' && n < INT32_MAX) n = n * 10 + (*s++ - '0');
    if (token != nullptr) {
      *token = static_cast<char*>(MemoryManager_Alloc(tokenLength + 1, __FILE__, __LINE__, true));
      std::memcpy(*token, tokenStart, tokenLength);
    }
    return static_cast<int32_t>(sign * n + count - 1);
  }
  return count + 1;
}

const char* VM_GetSourceLine(const uint32_t* pair, const char* text) {
  if (pair == nullptr || text == nullptr) return "<unknown source line>";
  int64_t characters = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if ((static_cast<unsigned char>(*c) & 0xC0) != 0x80) ++characters;
  }
  int64_t steps = std::min<int64_t>(pair[1], characters - 1);
  const char* q = text;
  const char* lineStart = text;
  for (; steps > 0 && *q != '\0'; --steps) {
    if (*q == '\n') lineStart = q + 1;
    ++q;
    while ((static_cast<unsigned char>(*q) & 0xC0) == 0x80) ++q;
  }
  size_t n = 0;
  // A line ends at its carriage return, or at a bare line feed in text that has none.
  while (n < sizeof g_sourceLine - 1 && lineStart[n] != '\0' && lineStart[n] != '\r' && lineStart[n] != '\n') {
    g_sourceLine[n] = lineStart[n];
    ++n;
  }
  g_sourceLine[n] = '\0';
  return g_sourceLine;
}

int32_t VM_DisassembleOne(const char* codeName, const uint8_t* code, int32_t position, tagIConsole* console,
                          int32_t size) {
  char text[160];
  std::string line;
  if (size - position < 4) {
    std::snprintf(text, sizeof text, "%08x : <cut>\n", position);
    console->Output("%s", text);
    return size;
  }
  const uint32_t word = ReadU32(code + position);
  const int32_t length = VM_InstructionLength(word);
  std::snprintf(text, sizeof text, "%08x : ", position);
  line = text;
  if (length > size - position) {
    console->Output("%s<cut>\n", line.c_str());
    return size;
  }
  for (int32_t i = 0; i < length; ++i) {
    std::snprintf(text, sizeof text, "%02x", code[position + i]);
    line += text;
  }
  Pad(&line, 36);
  const uint32_t opcode = VM_Opcode(word);
  const uint32_t type1 = VM_Type1(word);
  const uint32_t type2 = VM_Type2(word);
  const char* mnemonic = VM_OpcodeName(opcode);
  line += mnemonic;
  size_t assumed = 36 + std::strlen(mnemonic);
  if ((opcode & 0xA0) == 0x80) {
    line += VM_TypeSuffix(type1);
    assumed += 2;
  } else if ((opcode & 0xA0) == 0) {
    line += VM_TypeSuffix(type1);
    line += VM_TypeSuffix(type2);
    assumed += 4;
  }
  if (assumed < 46) line.append(46 - assumed, ' ');
  const uint8_t* operand = code + position + 4;
  if ((opcode & kVMOperandBit) != 0) {
    switch (type1) {
      case VMT_DOUBLE: {
        double d;
        std::memcpy(&d, operand, 8);
        std::snprintf(text, sizeof text, "%f", d);
        break;
      }
      case VMT_FLOAT: {
        float f;
        std::memcpy(&f, operand, 4);
        std::snprintf(text, sizeof text, "%f", static_cast<double>(f));
        break;
      }
      case VMT_INT: {
        const auto v = static_cast<int32_t>(ReadU32(operand));
        const BuiltinFunction* entry = nullptr;
        if (opcode == 0xD9 && v <= 99999 && Builtin_GetEntry(v, &entry, nullptr, nullptr, nullptr) && entry != nullptr) {
          std::snprintf(text, sizeof text, "%s", entry->name);
        } else {
          std::snprintf(text, sizeof text, "%d", v);
        }
        break;
      }
      case VMT_LONG: {
        int64_t l;
        std::memcpy(&l, operand, 8);
        std::snprintf(text, sizeof text, "%" PRId64, l);
        break;
      }
      case VMT_BOOL:
        std::snprintf(text, sizeof text, "%s", ReadU32(operand) == 1 ? "true" : "false");
        break;
      case VMT_VARIABLE: {
        const uint32_t v = ReadU32(operand);
        if ((v & 0x20000000u) != 0) {
          const int32_t instance = VM_Immediate(word) + ((v & 0x40000000u) != 0 ? 100000 : 0);
          std::snprintf(text, sizeof text, "$%s$",
                        Variable_GetName(codeName, instance, static_cast<int32_t>(v & 0x0FFFFFFFu)));
        } else {
          std::snprintf(text, sizeof text, "$unknown$");
        }
        break;
      }
      case VMT_STRING: {
        bool ok = true;
        const char* s = VM_StringTableText(ReadU32(operand), &ok);
        std::snprintf(text, sizeof text, "\"%s\"", s != nullptr ? s : "");
        break;
      }
      case VMT_DEBUG_STRING:
        // The debugger's watch strings are not kept by this runner.
        std::snprintf(text, sizeof text, "\"\"");
        break;
      case VMT_ERROR:
        std::snprintf(text, sizeof text, "%d", VM_Immediate(word));
        break;
      default:
        text[0] = '\0';
        break;
    }
    line += text;
  } else if ((opcode & kVMBranchBit) != 0) {
    const int64_t target = position + 4 * static_cast<int64_t>(VM_BranchOffset(word));
    std::snprintf(text, sizeof text, "0x%08x", static_cast<uint32_t>(target));
    line += text;
  }
  console->Output("%s\n", line.c_str());
  return position + length;
}

void VM_Disassemble(const char* codeName, const VMBuffer* code, tagIConsole* console) {
  if (code == nullptr || code->code == nullptr) return;
  for (int32_t at = 0; at < code->length;) at = VM_DisassembleOne(codeName, code->code, at, console, code->length);
}
