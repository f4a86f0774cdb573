// Byte code for the interpreter tests: assembled from text, written into a container, loaded
// through the chunk loaders, and wrapped in code objects.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "container/bytecode_asm.h"
#include "container/writer.h"
#include "runtime/container.h"
#include "host/game_loader.h"
#include "runtime/game_header.h"
#include "vm/chunk_loaders.h"
#include "vm/code_object.h"

struct LoadedProgram {
  std::vector<uint8_t> bytes;
  std::vector<std::unique_ptr<CCode>> codes;
  bool loaded = false;

  CCode* Code(size_t i) { return codes.at(i).get(); }
};

// Assembles and loads; the code objects are made from the loaded CODE entries.
inline void LoadProgram(const std::string& source, LoadedProgram* out) {
  out->codes.clear();
  out->loaded = false;
  container::BytecodeProgram program;
  std::string error;
  ASSERT_TRUE(container::assemble_bytecode(source, &program, &error)) << error;
  g_GameHeader.versionAtLeast15 = !program.old_layout;
  container::ContainerWriter writer;
  container::write_bytecode(writer, program);
  writer.add_string_pool();
  container::BuildResult built = writer.build();
  ASSERT_TRUE(built.ok()) << built.error;
  out->bytes = std::move(built.bytes);
  ContainerBytes container{out->bytes.data(), out->bytes.size()};
  ASSERT_TRUE(Game_ScanHeaderChunks(container)) << Game_LoadFailure();
  ContainerChunks chunks(container);
  for (ContainerChunk chunk; chunks.Next(&chunk);) {
    if (std::strcmp(chunk.tag, "FUNC") == 0) FUNC_Load(chunk.body, chunk.size, container);
    if (std::strcmp(chunk.tag, "CODE") == 0) Code_PrepareBytecode(chunk.body, chunk.size, container);
  }
  ASSERT_FALSE(Game_LoadFailed()) << Game_LoadFailure();
  const GameData& data = Game_Data();
  for (uint32_t i = 0; i < data.codeCount; ++i) {
    const uint32_t entry = Container_U32(data.codeEntries + 4 * i);
    const uint8_t* e = out->bytes.data() + entry;
    // The code object reads its own entry; the test builds the buffer only where it did not.
    auto code = std::make_unique<CCode>(static_cast<int32_t>(i), 0);
    if (code->code == nullptr) {
      auto* buffer = new VMBuffer();
      buffer->length = static_cast<int32_t>(Container_U32(e + 4));
      if (program.old_layout) {
        buffer->code = const_cast<uint8_t*>(e + 8);
      } else {
        buffer->locals = Container_U16(e + 8);
        buffer->arguments = Container_U16(e + 10);
        buffer->code = const_cast<uint8_t*>(e + 12 + Container_I32(e + 12));
      }
      code->code = buffer;
    }
    code->kind = 1;
    if (code->name == nullptr) code->name = reinterpret_cast<const char*>(out->bytes.data() + Container_U32(e));
    out->codes.push_back(std::move(code));
  }
  out->loaded = true;
}
