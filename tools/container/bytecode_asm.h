// A small assembler and disassembler for byte code, and the writer of the CODE, VARI and FUNC
// chunks it goes into.
//
// Syntax, one item a line (";" starts a comment):
//   .layout old|new           data layout of the chunks (default new); must come first
//   .chains forward|backward  order in which each name's references are chained (default forward)
//   .code NAME [locals=N] [args=N]   starts a code entry
//   LABEL:                    names the next instruction (branch targets)
//   MNEMONIC[.T1[.T2]] [operand...] [imm=N] [kind=N] [vflags=N] [raw=0xWORD]
// Mnemonics and type suffixes (.d .f .i .l .b .v .s .ds .e) are the listing's. Operands:
//   push.T value       .d/.f number, .i/.l integer, .b true|false, .s "text", .v VARIABLE,
//                      .e none (the immediate, imm=N, is pushed)
//   push.i.i N         the 16-bit immediate form
//   pop.v.T VARIABLE   pop.i.T VARIABLE (the value is taken before the reference's operands)
//   push.l/push.g/push.b.v VARIABLE
//   VARIABLE           self.NAME, other.NAME, global.NAME, builtin.NAME, local.NAME or inst(N).NAME;
//                      the instance type is the word's immediate, vflags the operand's top 4 bits
//                      (default 2)
//   call.i FUNCTION ARGC    call.T ARGC (the form without an operand)
//   b/bt/bf/pushenv/popenv LABEL      dup.T N      set.T.T KIND      break N (sub-code)
//   kind=N sets bits 8-15 (the variant of arithmetic); raw= gives the whole word where the
//   syntax cannot say it (the operand still follows the syntax).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "container/writer.h"

namespace container {

struct BytecodeRef {
  enum class Kind { Variable, Function, String };
  Kind kind;
  uint32_t position;  // of the instruction word, in its code
  uint32_t symbol;    // index into variables / functions
  std::string text;   // Kind::String
};

struct BytecodeCode {
  std::string name;
  uint16_t locals = 0;
  uint16_t arguments = 0;
  std::vector<uint8_t> bytes;  // reference operands hold 0 until written
  std::vector<BytecodeRef> refs;
  std::vector<std::pair<uint32_t, std::string>> labels;  // position, name (for the disassembly)
};

struct BytecodeVariable {
  std::string name;
  int32_t scope;  // -5 global, -1 instance, -6 built-in, -7 local
  int32_t index;
};

struct BytecodeProgram {
  bool old_layout = false;
  bool backward_chains = false;
  std::vector<BytecodeCode> codes;
  std::vector<BytecodeVariable> variables;
  std::vector<std::string> functions;
  int32_t global_count = 0;
  int32_t instance_count = 0;
  int32_t local_count = 0;
};

// False with `error` ("line N: ...") on a line it cannot read.
bool assemble_bytecode(std::string_view text, BytecodeProgram* program, std::string* error);
// Text that assembles to the same program.
std::string disassemble_bytecode(const BytecodeProgram& program);
// Adds the CODE, VARI and FUNC chunks (in that order) with every reference chained.
void write_bytecode(ContainerWriter& writer, const BytecodeProgram& program);

}  // namespace container
