#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "container/writer.h"
#include "tools/container_reading.h"

using container::BuildResult;
using container::ChunkBuilder;
using container::ContainerWriter;
using container::WriterOptions;
using container_test::chunks_of;
using container_test::read_u32;
using container_test::text_at;
using Bytes = std::vector<uint8_t>;

namespace {

std::vector<std::string> tags_of(const Bytes& bytes) {
  std::vector<std::string> tags;
  for (const auto& c : chunks_of(bytes)) tags.push_back(c.tag);
  return tags;
}

BuildResult built(ContainerWriter& writer) {
  BuildResult result = writer.build();
  EXPECT_TRUE(result.ok()) << result.error;
  return result;
}

}  // namespace

TEST(ContainerWriter, FramingBytesAreExact) {
  ContainerWriter writer({.chunk_alignment = 1});
  writer.add_chunk("AAAA").u8(1).u8(2).u8(3);
  writer.add_chunk("NONE");
  writer.add_chunk("BBBB").u16(0x0504);
  const Bytes expected = {'F', 'O', 'R', 'M', 29, 0, 0, 0,           //
                          'A', 'A', 'A', 'A', 3,  0, 0, 0, 1, 2, 3,  //
                          'N', 'O', 'N', 'E', 0,  0, 0, 0,           //
                          'B', 'B', 'B', 'B', 2,  0, 0, 0, 4, 5};
  EXPECT_EQ(built(writer).bytes, expected);
}

TEST(ContainerWriter, EmptyContainerIsJustTheHeader) {
  ContainerWriter writer;
  EXPECT_EQ(built(writer).bytes, (Bytes{'F', 'O', 'R', 'M', 0, 0, 0, 0}));
}

TEST(ContainerWriter, ChunkAlignmentPadsTheBodyBefore) {
  struct Case {
    uint32_t alignment;
    uint32_t first_size;  // 3 bytes written, plus padding so the next body starts aligned
  };
  for (const Case c : {Case{1, 3}, Case{4, 4}, Case{8, 8}, Case{16, 8}}) {
    ContainerWriter writer({.chunk_alignment = c.alignment});
    writer.add_chunk("AAAA").u8(1).u8(2).u8(3);
    writer.add_chunk("BBBB").u8(9).align(c.alignment).label("b");
    writer.add_chunk("CCCC").offset_to("b").u8(7);  // the last body is never padded
    const Bytes bytes = built(writer).bytes;
    const auto chunks = chunks_of(bytes);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].size, c.first_size) << c.alignment;
    EXPECT_EQ(chunks[2].size, 5u);
    for (uint32_t i = 3; i < c.first_size; ++i) EXPECT_EQ(bytes[chunks[0].body_start + i], 0);
    for (const auto& chunk : chunks) EXPECT_EQ(chunk.body_start % c.alignment, 0u) << chunk.tag;
    // align() inside a body lands on a container multiple because the body itself is aligned.
    EXPECT_EQ(read_u32(bytes, chunks[2].body_start) % c.alignment, 0u);
    EXPECT_EQ(read_u32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(chunks[2].body_start + chunks[2].size, bytes.size());
  }
}

TEST(ContainerWriter, ValuesAreLittleEndian) {
  struct Case {
    const char* name;
    std::function<void(ChunkBuilder&)> write;
    Bytes expected;
  };
  const uint8_t raw[] = {0xDE, 0xAD};
  const Case cases[] = {
      {"u8", [](ChunkBuilder& c) { c.u8(0xAB); }, {0xAB}},
      {"u16", [](ChunkBuilder& c) { c.u16(0x1234); }, {0x34, 0x12}},
      {"i16", [](ChunkBuilder& c) { c.i16(-2); }, {0xFE, 0xFF}},
      {"u32", [](ChunkBuilder& c) { c.u32(0x12345678); }, {0x78, 0x56, 0x34, 0x12}},
      {"i32", [](ChunkBuilder& c) { c.i32(-5); }, {0xFB, 0xFF, 0xFF, 0xFF}},
      {"f32", [](ChunkBuilder& c) { c.f32(1.5f); }, {0x00, 0x00, 0xC0, 0x3F}},
      {"f64", [](ChunkBuilder& c) { c.f64(-2.0); }, {0, 0, 0, 0, 0, 0, 0x00, 0xC0}},
      {"bytes", [&](ChunkBuilder& c) { c.bytes(raw); }, {0xDE, 0xAD}},
      {"zeros", [](ChunkBuilder& c) { c.u8(1).zeros(2); }, {1, 0, 0}},
      {"align", [](ChunkBuilder& c) { c.u8(1).align(4).align(4).u8(2).align(1); }, {1, 0, 0, 0, 2}},
      {"patch", [](ChunkBuilder& c) { c.u32(0).u8(9).patch_u32(0, 0x01020304); }, {4, 3, 2, 1, 9}},
  };
  for (const Case& c : cases) {
    ContainerWriter writer;
    ChunkBuilder& chunk = writer.add_chunk("DATA");
    c.write(chunk);
    EXPECT_EQ(chunk.body(), c.expected) << c.name;
    EXPECT_EQ(chunk.position(), c.expected.size()) << c.name;
  }
}

TEST(ContainerWriter, StringPoolLayoutAndNameOffsets) {
  ContainerWriter writer;
  const std::string accented = "h\xC3\xA9llo";  // UTF-8 bytes, 6 of them
  ChunkBuilder& a = writer.add_chunk("AAAA");
  a.string_ref(accented).string_ref("").string_ref(accented);
  writer.add_chunk("BBBB").string_ref("b").u32(a.string_index("b"));
  const Bytes bytes = built(writer).bytes;

  const auto chunks = chunks_of(bytes);
  ASSERT_EQ(tags_of(bytes), (std::vector<std::string>{"AAAA", "BBBB", "STRG"}));
  const uint32_t strg = chunks[2].body_start;
  ASSERT_EQ(read_u32(bytes, strg), 3u);
  // Entries in order of first use, each {length, bytes, NUL}, each length word 4-aligned.
  const std::string texts[] = {accented, "", "b"};
  std::vector<uint32_t> text_offsets;
  for (uint32_t i = 0; i < 3; ++i) {
    const uint32_t entry = read_u32(bytes, strg + 4 + 4 * i);
    EXPECT_EQ(entry % 4, 0u);
    EXPECT_EQ(read_u32(bytes, entry), texts[i].size()) << i;
    EXPECT_EQ(text_at(bytes, entry + 4), texts[i]) << i;
    EXPECT_EQ(bytes[entry + 4 + texts[i].size()], 0) << i;
    text_offsets.push_back(entry + 4);
  }
  EXPECT_EQ(read_u32(bytes, strg + 4), strg + 16);  // the first entry follows the offset table
  EXPECT_EQ(chunks[2].size, 4u + 12 + 12 + 8 + 8);    // and the entries fill the rest, padded to 4

  // Names point at the text itself, the byte after the length word; repeats share one entry.
  const uint32_t a_body = chunks[0].body_start;
  EXPECT_EQ(read_u32(bytes, a_body), text_offsets[0]);
  EXPECT_EQ(read_u32(bytes, a_body + 4), text_offsets[1]);
  EXPECT_EQ(read_u32(bytes, a_body + 8), text_offsets[0]);
  EXPECT_EQ(read_u32(bytes, chunks[1].body_start), text_offsets[2]);
  EXPECT_EQ(read_u32(bytes, chunks[1].body_start + 4), 2u);  // entry number of "b"
}

TEST(ContainerWriter, StringPoolGoesWhereItWasAdded) {
  ContainerWriter writer;
  writer.add_chunk("AAAA").string_ref("x");
  writer.add_string_pool();
  writer.add_chunk("BBBB").string_ref("y");  // after the pool was placed, still pooled
  const Bytes bytes = built(writer).bytes;
  ASSERT_EQ(tags_of(bytes), (std::vector<std::string>{"AAAA", "STRG", "BBBB"}));
  const auto chunks = chunks_of(bytes);
  EXPECT_EQ(read_u32(bytes, chunks[1].body_start), 2u);
  EXPECT_EQ(text_at(bytes, read_u32(bytes, chunks[2].body_start)), "y");
}

TEST(ContainerWriter, StringPoolIsWrittenOnlyWhenUsedOrAsked) {
  ContainerWriter plain;
  plain.add_chunk("AAAA").u32(1);
  EXPECT_EQ(tags_of(built(plain).bytes), (std::vector<std::string>{"AAAA"}));

  ContainerWriter asked;
  asked.add_string_pool();
  asked.add_chunk("AAAA").u32(1);
  const Bytes bytes = built(asked).bytes;
  ASSERT_EQ(tags_of(bytes), (std::vector<std::string>{"STRG", "AAAA"}));
  EXPECT_EQ(chunks_of(bytes)[0].size, 4u);
  EXPECT_EQ(read_u32(bytes, 16), 0u);
}

TEST(ContainerWriter, LabelsResolveAcrossChunksInBothDirections) {
  ContainerWriter writer;
  writer.add_chunk("AAAA").label("a/start").offset_to("b/record").offset_to("").offset_to("b/end");
  writer.add_chunk("BBBB").u32(0).label("b/record").u32(7).offset_to("a/start").offset_to("b/record").label("b/end");
  const Bytes bytes = built(writer).bytes;
  const auto chunks = chunks_of(bytes);
  const uint32_t a = chunks[0].body_start, b = chunks[1].body_start;

  EXPECT_EQ(read_u32(bytes, a), b + 4);  // forward, into a later chunk
  EXPECT_EQ(read_u32(bytes, read_u32(bytes, a)), 7u);
  EXPECT_EQ(read_u32(bytes, a + 4), 0u);            // no label: none
  EXPECT_EQ(read_u32(bytes, a + 8), b + 16);        // a label may sit at the end of a body
  EXPECT_EQ(read_u32(bytes, b + 8), a);             // backward, into an earlier chunk
  EXPECT_EQ(read_u32(bytes, b + 12), b + 4);        // within the same chunk
}

TEST(ContainerWriter, PointerListWritesCountAndOffsets) {
  ContainerWriter writer;
  const std::vector<std::string> slots = {"SPRT/0", "", "SPRT/2"};
  ChunkBuilder& sprt = writer.add_chunk("SPRT");
  sprt.pointer_list(slots);
  sprt.label("SPRT/0").string_ref("first").u32(10);
  sprt.label("SPRT/2").string_ref("third").u32(30);
  writer.add_chunk("EMPT").pointer_list({});
  const Bytes bytes = built(writer).bytes;
  const auto chunks = chunks_of(bytes);
  const uint32_t body = chunks[0].body_start;

  ASSERT_EQ(read_u32(bytes, body), 3u);
  EXPECT_EQ(read_u32(bytes, body + 8), 0u);
  EXPECT_EQ(read_u32(bytes, body + 4), body + 16);
  EXPECT_EQ(read_u32(bytes, body + 12), body + 24);
  EXPECT_EQ(text_at(bytes, read_u32(bytes, read_u32(bytes, body + 12))), "third");
  EXPECT_EQ(read_u32(bytes, read_u32(bytes, body + 12) + 4), 30u);
  EXPECT_EQ(chunks[1].size, 4u);
  EXPECT_EQ(read_u32(bytes, chunks[1].body_start), 0u);
}

namespace {

// Two chunks pointing at each other and at a string, so damage that shifts them shows.
void fill_pair(ContainerWriter& writer) {
  writer.add_chunk("AAAA").offset_to("b").string_ref("name");
  writer.add_chunk("BBBB").label("b").u32(0xB0B0B0B0).offset_to("b");
}

}  // namespace

TEST(ContainerWriter, WrongSizeWordLeavesEverythingElseIntact) {
  ContainerWriter good, bad({.size_word = 0x01020304});
  fill_pair(good);
  fill_pair(bad);
  Bytes expected = built(good).bytes;
  const Bytes damaged = built(bad).bytes;
  ASSERT_EQ(damaged.size(), expected.size());
  EXPECT_EQ(read_u32(damaged, 4), 0x01020304u);
  std::memcpy(expected.data() + 4, damaged.data() + 4, 4);
  EXPECT_EQ(damaged, expected);
}

TEST(ContainerWriter, TruncatedContainerCutsTheLastChunkShort) {
  ContainerWriter good, bad({.truncate = 5});
  fill_pair(good);
  fill_pair(bad);
  const Bytes whole = built(good).bytes;
  const Bytes cut = built(bad).bytes;
  ASSERT_EQ(cut.size(), whole.size() - 5);
  EXPECT_TRUE(std::equal(cut.begin() + 8, cut.end(), whole.begin() + 8));
  EXPECT_EQ(read_u32(cut, 4), cut.size() - 8);  // the header still fits, so only the chunk is wrong
  const auto last = chunks_of(cut).back();
  EXPECT_EQ(last.tag, "STRG");
  EXPECT_GT(last.body_start + last.size, cut.size());
}

TEST(ContainerWriter, UnknownChunkIsInsertedAndOthersStillResolve) {
  ContainerWriter writer({.unknown_chunk_at = 1});
  fill_pair(writer);
  const Bytes bytes = built(writer).bytes;
  ASSERT_EQ(tags_of(bytes), (std::vector<std::string>{"AAAA", std::string(container::kUnknownChunkTag), "BBBB", "STRG"}));
  const auto chunks = chunks_of(bytes);
  EXPECT_EQ(chunks[1].size, 4u);  // not empty, or a loader would pass over it unseen
  EXPECT_EQ(read_u32(bytes, chunks[0].body_start), chunks[2].body_start);
  EXPECT_EQ(read_u32(bytes, chunks[2].body_start + 4), chunks[2].body_start);
  EXPECT_EQ(text_at(bytes, read_u32(bytes, chunks[0].body_start + 4)), "name");
  EXPECT_EQ(read_u32(bytes, 4), bytes.size() - 8);

  ContainerWriter at_end({.unknown_chunk_at = 3});
  fill_pair(at_end);
  EXPECT_EQ(tags_of(built(at_end).bytes).back(), container::kUnknownChunkTag);
}

TEST(ContainerWriter, ErrorsAreReportedWithAMessage) {
  struct Case {
    const char* name;
    WriterOptions options;
    std::function<void(ContainerWriter&)> fill;
    std::vector<std::string> message_parts;
  };
  const Case cases[] = {
      {"unresolved label", {}, [](ContainerWriter& w) { w.add_chunk("AAAA").u32(1).offset_to("nowhere"); },
       {"unresolved label \"nowhere\"", "AAAA at body offset 4"}},
      {"duplicate in one chunk", {}, [](ContainerWriter& w) { w.add_chunk("AAAA").label("x").u8(0).label("x"); },
       {"duplicate label \"x\"", "AAAA at body offset 0", "AAAA at body offset 1"}},
      {"duplicate across chunks", {},
       [](ContainerWriter& w) {
         w.add_chunk("AAAA").label("x");
         w.add_chunk("BBBB").u32(0).label("x");
       },
       {"duplicate label \"x\"", "AAAA at body offset 0", "BBBB at body offset 4"}},
      {"short tag", {}, [](ContainerWriter& w) { w.add_chunk("AB"); }, {"\"AB\"", "four bytes"}},
      {"long tag", {}, [](ContainerWriter& w) { w.add_chunk("ABCDE"); }, {"\"ABCDE\"", "four bytes"}},
      {"alignment 0", {.chunk_alignment = 0}, [](ContainerWriter&) {}, {"alignment 0"}},
      {"alignment 12", {.chunk_alignment = 12}, [](ContainerWriter&) {}, {"alignment 12", "power of two"}},
      {"alignment 32", {.chunk_alignment = 32}, [](ContainerWriter&) {}, {"alignment 32", "up to 16"}},
      {"pool twice", {},
       [](ContainerWriter& w) {
         w.add_string_pool();
         w.add_string_pool();
       },
       {"string pool", "twice"}},
      {"truncate into header", {.truncate = 9}, [](ContainerWriter& w) { w.add_chunk("AAAA"); },
       {"cannot cut 9 bytes", "container of 16"}},
      {"unknown chunk past end", {.unknown_chunk_at = 2}, [](ContainerWriter& w) { w.add_chunk("AAAA"); },
       {"unknown chunk position 2"}},
  };
  for (const Case& c : cases) {
    ContainerWriter writer(c.options);
    c.fill(writer);
    const BuildResult result = writer.build();
    EXPECT_FALSE(result.ok()) << c.name;
    EXPECT_TRUE(result.bytes.empty()) << c.name;
    for (const auto& part : c.message_parts)
      EXPECT_NE(result.error.find(part), std::string::npos) << c.name << ": " << result.error;
  }
}

TEST(ContainerWriter, WriteFileWritesTheBuiltBytes) {
  const std::filesystem::path dir = TOLVARINE_TEST_TMP;
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "writer_write_file.win").string();
  ContainerWriter writer;
  fill_pair(writer);
  const BuildResult result = writer.write_file(path);
  ASSERT_TRUE(result.ok()) << result.error;
  std::ifstream file(path, std::ios::binary);
  const Bytes on_disk{std::istreambuf_iterator<char>(file), {}};
  EXPECT_EQ(on_disk, built(writer).bytes);

  const std::string missing = (dir / "no_such_dir" / "x.win").string();
  const BuildResult failed = writer.write_file(missing);
  EXPECT_FALSE(failed.ok());
  EXPECT_NE(failed.error.find(missing), std::string::npos) << failed.error;

  ContainerWriter broken;
  broken.add_chunk("AAAA").offset_to("nowhere");
  EXPECT_NE(broken.write_file(path).error.find("unresolved"), std::string::npos);
}
