// The CODE, VARI and FUNC chunks: code entries, the variables and the functions that byte code
// names. Byte code is stored with every variable and call operand a link in a chain of
// references to the same name; the loaders replace each link by the name's runtime id.
//
// The chains are outside input: every step is checked to stay inside the CODE chunk and not to
// come back to a reference already patched; a chain that does not is a load error naming the
// variable or function.
#pragma once

#include <cstdint>

#include "runtime/container.h"

bool VARI_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
bool FUNC_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
bool Code_PrepareBytecode(uint8_t* body, uint32_t size, const ContainerBytes& container);
// Converts one buffer of byte code of version 14 or older to the current opcode numbering.
void VM_RemapOldCode(uint8_t* code, const ContainerBytes& container, uint32_t length);

// Slot count of the locals object that a run of byte code makes (the VARI local count).
int32_t VM_LocalVariableCount();
// Text of entry `index` of the string table: null for an entry of 0 (no string), and null with
// *ok false for an index outside the table or an entry outside the container.
const char* VM_StringTableText(uint32_t index, bool* ok);
// The shared record of entry `index` with a reference for the caller (null for no string, and
// with *ok false as above): every push of one entry shares one record.
struct SharedString;
SharedString* VM_StringTableRecord(uint32_t index, bool* ok);
void VM_FreeStringTableRecords();
