// Loading CODE, VARI and FUNC (both layouts), the listing of each instruction form, source lines,
// and the assembler's round trip.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/function_registry.h"
#include "core/memory_manager.h"
#include "core/registry_test_support.h"
#include "vm/code_listing.h"
#include "vm/vm_test_support.h"

namespace {

// The body of the container's chunk `tag` (null without one), its size in *size.
uint8_t* ChunkBody(const ContainerBytes& container, const char* tag, uint32_t* size) {
  ContainerChunks chunks(container);
  for (ContainerChunk chunk; chunks.Next(&chunk);) {
    if (std::strcmp(chunk.tag, tag) == 0) {
      *size = chunk.size;
      return chunk.body;
    }
  }
  return nullptr;
}

class ByteCodeLoadTest : public RegistryTest {
 protected:
  std::string Listing(size_t entry) {
    TErrStreamConsole console;
    VM_Disassemble(m_program.Code(entry)->name, m_program.Code(entry)->code, &console);
    return console.Text();
  }
  LoadedProgram m_program;
};

const char kEveryMnemonic[] =
    ".code main locals=2 args=1\n"
    "top:\n"
    "  push.d 1.5\n  push.f 0.25\n  push.i -7\n  push.l 5000000000\n  push.b true\n  push.s \"text\"\n"
    "  push.v self.x\n  push.e imm=3\n  pushv.v vflags=0 imm=-1\n  push.l.v local.n\n  push.g.v global.score\n"
    "  push.b.v builtin.room\n  push.i.i 5\n  pop.v.i inst(3).x\n  popv.v.v\n  dup.i 2\n  conv.i.d\n"
    "  mul.d.d\n  div.d.d\n  rem.i.i\n  mod.i.i\n  add.i.i kind=1\n  sub.d.i\n  and.b.b\n  or.b.b\n  xor.i.i\n"
    "  neg.d.d\n  not.b.b\n  shl.i.i\n  shr.l.i\n  set.i.i 3\n  b top\n  bt end\n  bf top\n  call.i fn 2\n  call.v 1\n"
    "  pushenv end\n  popenv top\n  ret.v\n  exit.i\n  popz.v\n  break -1\n"
    "end:\n  popz.e\n"
    ".code second\n  push.g.v global.score\n  call.i fn 0\n  ret.e\n";

void Fn(RValue*, CInstance*, CInstance*, int32_t, RValue*) {}
bool GetRoom(CInstance*, int32_t, RValue*) { return true; }

TEST_F(ByteCodeLoadTest, RoundTripOfEveryMnemonicGivesIdenticalBytes) {
  for (const char* layout : {"", ".layout old\n.chains backward\n"}) {
    container::BytecodeProgram first, second;
    std::string error;
    ASSERT_TRUE(container::assemble_bytecode(std::string(layout) + kEveryMnemonic, &first, &error)) << error;
    const std::string text = container::disassemble_bytecode(first);
    ASSERT_TRUE(container::assemble_bytecode(text, &second, &error)) << error << "\n" << text;
    container::ContainerWriter a, b;
    container::write_bytecode(a, first);
    container::write_bytecode(b, second);
    EXPECT_EQ(a.build().bytes, b.build().bytes) << text;
    EXPECT_EQ(container::disassemble_bytecode(second), text);
  }
}

TEST_F(ByteCodeLoadTest, NewLayoutLinksVariablesAndFunctionsAndListsEveryForm) {
  Builtin_Add("fn", &Fn, -1, 0);
  Variable_BuiltinAdd("room", &GetRoom, nullptr);
  LoadProgram(std::string(".chains backward\n") + kEveryMnemonic, &m_program);
  ASSERT_TRUE(m_program.loaded);
  EXPECT_EQ(Variable_InstanceNameCount(), 1);
  EXPECT_EQ(Variable_GlobalNameCount(), 1);
  EXPECT_EQ(VM_LocalVariableCount(), 1);
  const std::string listing = Listing(0);
  EXPECT_EQ(listing, R"(00000000 : 000000c0000000000000f83f push.d    1.500000
0000000c : 000001c00000803e         push.f    0.250000
00000014 : 000002c0f9ffffff         push.i    -7
0000001c : 000003c000f2052a01000000 push.l    5000000000
00000028 : 000004c001000000         push.b    true
00000030 : 000006c000000000         push.s    "text"
00000038 : ffff05c0a0860120         push.v    $x$
00000040 : 03000fc0                 push.e    3
00000044 : ffff0580                 pushv.v   
00000048 : f9ff05c1a0860120         push.l.v  $n$
00000050 : fbff05c2a0860120         push.g.v  $score$
00000058 : faff05c300000020         push.b.v  $room$
00000060 : 05000284                 push.i.i  
00000064 : 03002545a0860120         pop.v.i   $<unknown variable>$
0000006c : 00005505                 popv.v.v  
00000070 : 02000286                 dup.i     
00000074 : 00000207                 conv.i.d  
00000078 : 00000008                 mul.d.d   
0000007c : 00000009                 div.d.d   
00000080 : 0000220a                 rem.i.i   
00000084 : 0000220b                 mod.i.i   
00000088 : 0001220c                 add.i.i   
0000008c : 0000200d                 sub.d.i   
00000090 : 0000440e                 and.b.b   
00000094 : 0000440f                 or.b.b    
00000098 : 00002210                 xor.i.i   
0000009c : 00000011                 neg.d.d   
000000a0 : 00004412                 not.b.b   
000000a4 : 00002213                 shl.i.i   
000000a8 : 00002314                 shr.l.i   
000000ac : 00032215                 set.i.i   
000000b0 : d4ff7fb6                 b         0x00000000
000000b4 : 0b0000b7                 bt        0x000000e0
000000b8 : d2ff7fb8                 bf        0x00000000
000000bc : 020002d900000000         call.i    fn
000000c4 : 01000599                 call.v    
000000c8 : 060000ba                 pushenv   0x000000e0
000000cc : cdff7fbb                 popenv    0x00000000
000000d0 : 0000059c                 ret.v     
000000d4 : 0000029d                 exit.i    
000000d8 : 0000059e                 popz.v    
000000dc : ffff0fff                 break     -1
000000e0 : 00000f9e                 popz.e    
)");
  EXPECT_EQ(Listing(1),
            "00000000 : fbff05c2a0860120         push.g.v  $score$\n"
            "00000008 : 000002d900000000         call.i    fn\n"
            "00000010 : 00000f9c                 ret.e     \n");
}

TEST_F(ByteCodeLoadTest, InstanceCountZeroBecomesTwo) {
  LoadProgram(".code main\n  push.g.v global.g\n", &m_program);
  EXPECT_EQ(Variable_InstanceNameCount(), 2);
}

TEST_F(ByteCodeLoadTest, OldLayoutRemapsOpcodesAndChainsBy29Bits) {
  Builtin_Add("fn", &Fn, -1, 0);
  // Old byte 0x13 (the old sixth comparison slot) becomes set with comparison kind 3.
  LoadProgram(".layout old\n.code main\n  shl.i.i\n  push.v self.a\n  push.v self.a\n  call.i fn 0\n", &m_program);
  const uint8_t* code = m_program.Code(0)->code->code;
  EXPECT_EQ(Container_U32(code), 0x15220300u);
  const int32_t a = Variable_FindOrAdd("a");
  EXPECT_EQ(Container_U32(code + 8) & 0x0FFFFFFFu, static_cast<uint32_t>(a) & 0x0FFFFFFFu);
  EXPECT_EQ(Container_U32(code + 16) & 0x0FFFFFFFu, static_cast<uint32_t>(a) & 0x0FFFFFFFu);
  int32_t fn = -1;
  ASSERT_TRUE(Builtin_FindCallable("fn", &fn));
  EXPECT_EQ(Container_U32(code + 24), static_cast<uint32_t>(fn));
}

TEST_F(ByteCodeLoadTest, OldLayoutLinksCallsAcrossCodesWithChainsInBothDirections) {
  Builtin_Add("unused", &Fn, -1, 0);
  Builtin_Add("fa", &Fn, -1, 0);
  Builtin_Add("fb", &Fn, -1, 0);
  SetNames(Script_SetNames, {"scr_x", "scr_hit"});
  // Calls to three callables and a variable, interleaved over two codes, so that every chain
  // crosses the entry header between the codes; backward, every step but the last is negative.
  const char kSource[] =
      ".code first\n  call.i fb 0\n  push.v self.hp\n  call.i fa 1\n  call.i scr_hit 0\n  pop.v.v self.hp\n"
      ".code second\n  call.i fa 0\n  push.v self.hp\n  call.i fb 2\n  call.i fa 0\n";
  // The variable keeps its reference flags (bit 29 here) and nothing else above its id: old byte
  // code has no declaration flag, bit 28 was part of the chain step.
  const uint32_t hp = 0x20000000u | 100000u;
  const uint32_t expected[2][5] = {{2, hp, 1, 100001, hp}, {1, hp, 2, 1}};
  for (const char* chains : {"forward", "backward"}) {
    SCOPED_TRACE(chains);
    LoadProgram(std::string(".layout old\n.chains ") + chains + "\n" + kSource, &m_program);
    ASSERT_TRUE(m_program.loaded);
    ASSERT_EQ(Variable_FindOrAdd("hp"), 100000);
    for (size_t c = 0; c < 2; ++c) {
      const uint8_t* code = m_program.Code(c)->code->code;
      for (size_t i = 0; i < (c == 0 ? 5u : 4u); ++i) {
        EXPECT_EQ(Container_U32(code + 8 * i + 4), expected[c][i]) << "code " << c << ", instruction " << i;
      }
    }
  }
}

// The container of `source`, and where its chunks' bodies lie in it.
struct BuiltContainer {
  std::vector<uint8_t> bytes;
  uint8_t* Body(const char* tag, uint32_t* size) {
    ContainerChunks chunks({bytes.data(), bytes.size()});
    for (ContainerChunk chunk; chunks.Next(&chunk);) {
      if (std::strcmp(chunk.tag, tag) == 0) {
        *size = chunk.size;
        return chunk.body;
      }
    }
    ADD_FAILURE() << "no chunk " << tag;
    return nullptr;
  }
};

void Build(const std::string& source, BuiltContainer* out) {
  container::BytecodeProgram program;
  std::string error;
  ASSERT_TRUE(container::assemble_bytecode(source, &program, &error)) << error;
  container::ContainerWriter writer;
  container::write_bytecode(writer, program);
  writer.add_string_pool();
  container::BuildResult built = writer.build();
  ASSERT_TRUE(built.ok()) << built.error;
  out->bytes = std::move(built.bytes);
}

TEST_F(ByteCodeLoadTest, EntriesWithoutReferencesLinkAndWriteNothing) {
  // "idle" and "fb" are the second entries of VARI and FUNC; their counts are set to 0 below while
  // their first-reference positions still name their one reference, or lie far outside the code.
  const char kSource[] =
      ".code first\n  push.v self.kept\n  call.i fa 0\n  push.v self.idle\n  call.i fb 0\n"
      ".code empty\n"
      ".code last\n  push.v self.kept\n  call.i fa 0\n";
  // One layout and first-reference position; a failed assertion ends only this case.
  const auto check = [&](bool old, bool outside) {
    Reset();
    Builtin_Add("unused", &Fn, -1, 0);
    Builtin_Add("fa", &Fn, -1, 0);
    Builtin_Add("fb", &Fn, -1, 0);
    BuiltContainer built;
    ASSERT_NO_FATAL_FAILURE(Build(std::string(old ? ".layout old\n" : "") + kSource, &built));
    uint32_t codeSize = 0, variSize = 0, funcSize = 0;
    uint8_t* code = built.Body("CODE", &codeSize);
    uint8_t* vari = built.Body("VARI", &variSize);
    uint8_t* func = built.Body("FUNC", &funcSize);
    ASSERT_TRUE(code != nullptr && vari != nullptr && func != nullptr);
    // The second entry's reference count; its first-reference position follows.
    uint8_t* idle = vari + (old ? 12 + 4 : 12 + 20 + 12);
    uint8_t* fb = func + (old ? 12 + 4 : 4 + 12 + 4);
    for (uint8_t* entry : {idle, fb}) {
      ASSERT_EQ(Container_U32(entry), 1u);
      const uint32_t zero = 0, far = 0xFFFFFFF0u;
      std::memcpy(entry, &zero, 4);
      if (outside) std::memcpy(entry + 4, &far, 4);
    }
    // What the code must hold afterwards: the other entries' references linked, all else as written.
    const uint32_t firstEntry = Container_U32(code + 4);
    const uint32_t lastEntry = Container_U32(code + 12);
    ContainerBytes container{built.bytes.data(), built.bytes.size()};
    const auto codeAt = [&](uint32_t entry) -> uint8_t* {
      uint8_t* e = container.data + entry;
      return old ? e + 8 : e + 12 + Container_I32(e + 12);
    };
    std::vector<uint8_t> expected(code, code + codeSize);
    const auto expect = [&](uint8_t* at, uint32_t word) { std::memcpy(expected.data() + (at - code), &word, 4); };
    for (uint32_t entry : {firstEntry, lastEntry}) {
      expect(codeAt(entry) + 4, 0x20000000u | 100000u);
      expect(codeAt(entry) + 12, 1);
    }
    g_GameHeader.versionAtLeast15 = !old;
    ASSERT_TRUE(Game_ScanHeaderChunks(container)) << Game_LoadFailure();
    EXPECT_TRUE(FUNC_Load(func, funcSize, container));
    EXPECT_FALSE(Game_LoadFailed()) << Game_LoadFailure();
    EXPECT_EQ(std::vector<uint8_t>(code, code + codeSize), expected);
    EXPECT_EQ(Game_Data().codeCount, 3u);
  };
  for (const bool old : {false, true}) {
    for (const bool outside : {false, true}) {
      SCOPED_TRACE(std::string(old ? "old" : "new") + (outside ? ", first reference outside" : ""));
      check(old, outside);
    }
  }
  Game_ClearLoadFailure();
}

TEST_F(ByteCodeLoadTest, ChainsThatLeaveTheCodeOrLoopAreLoadErrors) {
  container::BytecodeProgram program;
  std::string error;
  ASSERT_TRUE(container::assemble_bytecode(".code main\n  push.v self.hp\n  push.v self.hp\n", &program, &error));
  g_GameHeader.versionAtLeast15 = true;
  struct Case {
    uint32_t step;
    const char* message;
  } cases[] = {{0x0FFFFF00u, "leave the code"}, {0, "run in a loop"}};
  for (const Case& c : cases) {
    container::ContainerWriter writer;
    container::write_bytecode(writer, program);
    writer.add_string_pool();
    std::vector<uint8_t> bytes = writer.build().bytes;
    ContainerBytes container{bytes.data(), bytes.size()};
    uint32_t variSize = 0;
    uint8_t* vari = ChunkBody(container, "VARI", &variSize);
    ASSERT_NE(vari, nullptr);
    const uint32_t first = Container_U32(vari + 12 + 16);
    std::memcpy(bytes.data() + first + 4, &c.step, 4);
    Game_ClearLoadFailure();
    EXPECT_FALSE(VARI_Load(vari, variSize, container));
    EXPECT_NE(std::string(Game_LoadFailure()).find(c.message), std::string::npos) << Game_LoadFailure();
    EXPECT_NE(std::string(Game_LoadFailure()).find("hp"), std::string::npos) << Game_LoadFailure();
  }
  Game_ClearLoadFailure();
}

// A code entry whose code runs past the container is refused in both layouts, not left to run
// nothing.
TEST_F(ByteCodeLoadTest, ACodeEntryOutsideTheContainerIsALoadError) {
  for (const bool old : {false, true}) {
    for (const bool byLength : {false, true}) {
      SCOPED_TRACE(std::string(old ? "old" : "new") + (byLength ? ", length" : ", offset"));
      container::BytecodeProgram program;
      std::string error;
      ASSERT_TRUE(container::assemble_bytecode(std::string(old ? ".layout old\n" : "") + ".code main\n  push.i.i 1\n  popz.i\n",
                                               &program, &error))
          << error;
      g_GameHeader.versionAtLeast15 = !old;
      container::ContainerWriter writer;
      container::write_bytecode(writer, program);
      writer.add_string_pool();
      std::vector<uint8_t> bytes = writer.build().bytes;
      ContainerBytes container{bytes.data(), bytes.size()};
      uint32_t codeSize = 0;
      uint8_t* code = ChunkBody(container, "CODE", &codeSize);
      ASSERT_NE(code, nullptr);
      const uint32_t entry = Container_U32(code + 4);
      const uint32_t far = static_cast<uint32_t>(bytes.size());
      if (byLength || old) {
        std::memcpy(bytes.data() + entry + 4, &far, 4);  // a length past the end
      } else {
        std::memcpy(bytes.data() + entry + 12, &far, 4);  // an offset past the end
      }
      Game_ClearLoadFailure();
      EXPECT_FALSE(Code_PrepareBytecode(code, codeSize, container));
      EXPECT_NE(std::string(Game_LoadFailure()).find("code entry 0 lies outside the container"), std::string::npos)
          << Game_LoadFailure();
    }
  }
  Game_ClearLoadFailure();
}

// The slot counts at the head of the chunk come from the file: counts that no entry names are a
// load error, never the size of a table.
TEST_F(ByteCodeLoadTest, SlotCountsBeyondTheEntriesAreLoadErrors) {
  container::BytecodeProgram program;
  std::string error;
  ASSERT_TRUE(container::assemble_bytecode(".code main\n  push.v self.hp\n  push.v global.score\n", &program, &error));
  g_GameHeader.versionAtLeast15 = true;
  for (const uint32_t counts : {0u, 4u}) {  // global count, then instance count
    container::ContainerWriter writer;
    container::write_bytecode(writer, program);
    writer.add_string_pool();
    std::vector<uint8_t> bytes = writer.build().bytes;
    ContainerBytes container{bytes.data(), bytes.size()};
    uint32_t variSize = 0;
    uint8_t* vari = ChunkBody(container, "VARI", &variSize);
    ASSERT_NE(vari, nullptr);
    const uint32_t huge = 0x40000000u;
    std::memcpy(vari + counts, &huge, 4);
    Game_ClearLoadFailure();
    EXPECT_FALSE(VARI_Load(vari, variSize, container));
    EXPECT_NE(std::string(Game_LoadFailure()).find("out of range"), std::string::npos) << Game_LoadFailure();
    const uint32_t three = 3;  // more than the two entries name
    std::memcpy(vari + counts, &three, 4);
    Game_ClearLoadFailure();
    EXPECT_FALSE(VARI_Load(vari, variSize, container));
  }
  Game_ClearLoadFailure();
}

TEST(CodeListing, SourceLinesAndMarkers) {
  const uint32_t pairs[] = {4, 0, 8, 4, 12, 15};
  VMBuffer info;
  info.code = reinterpret_cast<uint8_t*>(const_cast<uint32_t*>(pairs));
  info.length = sizeof pairs;
  EXPECT_EQ(VM_FindDebugEntry(&info, 3), nullptr);
  EXPECT_EQ(VM_FindDebugEntry(&info, 9), pairs + 2);
  EXPECT_EQ(VM_GetLineNumber(nullptr, "a", nullptr), -1);
  EXPECT_STREQ(VM_GetSourceLine(nullptr, "a"), "<unknown source line>");
  EXPECT_EQ(VM_GetLineNumber(pairs + 2, "a\nb\nc", nullptr), 3);
  EXPECT_STREQ(VM_GetSourceLine(pairs + 2, "a\r\nb\r\nc"), "b");
  char* token = nullptr;
  EXPECT_EQ(VM_GetLineNumber(pairs + 4, "x\n#line s 10\ny\nz", &token), 11);
  ASSERT_NE(token, nullptr);
  EXPECT_STREQ(token, "s");
  MemoryManager_Free(token);
  // A marker on the very first line is not one.
  EXPECT_EQ(VM_GetLineNumber(pairs + 4, "#line s 10\nb", nullptr), 2);
}

}  // namespace
