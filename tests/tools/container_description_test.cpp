#include <gtest/gtest.h>

#include "container/description.h"
#include "container/writer.h"

using container::ContainerWriter;
using container::read_description;

namespace {

std::vector<uint8_t> bytes_of(ContainerWriter& writer) {
  const auto result = writer.build();
  EXPECT_TRUE(result.ok()) << result.error;
  return result.bytes;
}

}  // namespace

TEST(ContainerDescription, MatchesTheSameCallsMadeDirectly) {
  const char* text = R"(# a header comment
chunk GEN8   # a trailing comment
  u8 1 0xff
  u16 0x1234
  i16 -2 32767
  u32 4294967295
  i32 -2147483648
  f32 1.5
  f64 -0.25
  bytes 00 7f FF
  zeros 2
  align 4
  label "GEN8/with blank"
  offset "GEN8/with blank" ROOM/0
  string Lumbrix "say \"hi\"\\\n\t\x41#"
  string-index Lumbrix
strings

chunk ROOM
  label ROOM/0
  list ROOM/0 - "GEN8/with blank"
  list
)";
  ContainerWriter described;
  std::string error;
  ASSERT_TRUE(read_description(text, described, error)) << error;

  ContainerWriter direct;
  const uint8_t raw[] = {0x00, 0x7F, 0xFF};
  direct.add_chunk("GEN8")
      .u8(1).u8(0xFF).u16(0x1234).i16(-2).i16(32767).u32(4294967295u).i32(-2147483647 - 1)
      .f32(1.5f).f64(-0.25).bytes(raw).zeros(2).align(4)
      .label("GEN8/with blank").offset_to("GEN8/with blank").offset_to("ROOM/0")
      .string_ref("Lumbrix").string_ref("say \"hi\"\\\n\tA#")
      .u32(0);
  direct.add_string_pool();
  const std::vector<std::string> list = {"ROOM/0", "", "GEN8/with blank"};
  direct.add_chunk("ROOM").label("ROOM/0").pointer_list(list).pointer_list({});

  EXPECT_EQ(bytes_of(described), bytes_of(direct));
}

TEST(ContainerDescription, AcceptsWindowsLineEndings) {
  ContainerWriter described, direct;
  std::string error;
  ASSERT_TRUE(read_description("chunk ABCD\r\nu8 1 2\r\n\r\n", described, error)) << error;
  direct.add_chunk("ABCD").u8(1).u8(2);
  EXPECT_EQ(bytes_of(described), bytes_of(direct));
}

TEST(ContainerDescription, QuotesMayCoverPartOfAWord) {
  std::vector<std::string> words;
  std::string error;
  ASSERT_TRUE(container::split_description_line("room caption=\"Level 1\" a\"#b\"c # note", words, error)) << error;
  EXPECT_EQ(words, (std::vector<std::string>{"room", "caption=Level 1", "a#bc"}));
}

TEST(ContainerDescription, ErrorsNameTheLine) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"u8 1", "line 1: \"u8\" is outside a chunk"},
      {"chunk GEN8\nstrings\nu32 1", "line 3: \"u32\" is outside a chunk"},
      {"chunk AB", "line 1: chunk tag \"AB\" is not four bytes long"},
      {"# comment\n\nchunk ABCD\nfrobnicate 1", "line 4: unknown directive \"frobnicate\""},
      {"chunk ABCD\nu8 256", "line 2: \"256\" is not a value for u8"},
      {"chunk ABCD\ni16 -32769", "line 2: \"-32769\" is not a value for i16"},
      {"chunk ABCD\nu32 -1", "line 2: \"-1\" is not a value for u32"},
      {"chunk ABCD\nu32 4294967296", "line 2: \"4294967296\" is not a value for u32"},
      {"chunk ABCD\nu32 12abc", "line 2: \"12abc\" is not a value for u32"},
      {"chunk ABCD\nu32 0x", "line 2: \"0x\" is not a value for u32"},
      {"chunk ABCD\nf64 one", "line 2: \"one\" is not a value for f64"},
      {"chunk ABCD\nbytes 1", "line 2: \"1\" is not a hex byte"},
      {"chunk ABCD\nbytes zz", "line 2: \"zz\" is not a hex byte"},
      {"chunk ABCD\nalign -4", "line 2: \"-4\" is not a count"},
      {"chunk ABCD\nstring \"open", "line 2: missing closing quote"},
      {"chunk ABCD\nstring \"ends in escape\\", "line 2: missing closing quote"},
      {"chunk ABCD\nstring \"a\\q\"", "line 2: unknown escape \\q"},
      {"chunk ABCD\nstring \"\\x4\"", "line 2: \\x needs two hex digits"},
      {"chunk ABCD\nlabel a b", "line 2: \"label\" takes 1 argument(s), not 2"},
      {"chunk ABCD\nu32", "line 2: \"u32\" takes at least 1 argument(s), not 0"},
      {"strings now", "line 1: \"strings\" takes 0 argument(s), not 1"},
      {"chunk ABCD\nroom r 10 10", "line 2: \"room\" belongs to a game description, whose first directive is \"game NAME\""},
  };
  for (const Case& c : cases) {
    ContainerWriter writer;
    std::string error;
    EXPECT_FALSE(read_description(c.text, writer, error)) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
  }
}
