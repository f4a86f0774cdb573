// Turning byte-code positions into something a person reads: the source line of a position (from
// the code's debug info and source text, with "#line" markers) and a listing of instructions.
#pragma once

#include <climits>
#include <cstdint>

struct VMBuffer;
class tagIConsole;

// When set, every code object is listed on the debug console before it runs. Nothing in the
// runner sets it; it is there for whoever debugs the interpreter.
extern bool g_VMListing;

// The {code position, text position} pair that covers a code position, null when none does.
const uint32_t* VM_FindDebugEntry(const VMBuffer* debugInfo, int32_t position);
// Source line number of a pair's text position, -1 without a pair or text. A "#line token N"
// marker line makes the line after it line N; the token (when asked for) is a new
// memory-manager copy that the caller frees.
int32_t VM_GetLineNumber(const uint32_t* pair, const char* text, char** token);
// The text of that line, in a shared 256-byte buffer valid until the next call.
const char* VM_GetSourceLine(const uint32_t* pair, const char* text);

// Prints the instruction at `position` and returns where the next one starts. An instruction
// that runs past `size` is printed as cut and ends the listing.
int32_t VM_DisassembleOne(const char* codeName, const uint8_t* code, int32_t position, tagIConsole* console,
                          int32_t size = INT32_MAX);
void VM_Disassemble(const char* codeName, const VMBuffer* code, tagIConsole* console);

const char* VM_OpcodeName(uint32_t opcode);
const char* VM_TypeSuffix(uint32_t type);
