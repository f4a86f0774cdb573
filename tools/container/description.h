// A text description of a container, one directive a line, for writing containers by hand:
//
//   # a comment runs to the end of the line
//   chunk GEN8              starts a chunk; the directives below fill its body
//   u8 / u16 / i16 / u32 / i32 N...    integers: decimal, or hex with 0x; i16/i32 may be negative
//   f32 / f64 X...          floating-point numbers
//   bytes HH...             raw bytes in hex
//   zeros N                 N zero bytes
//   align N                 zero bytes up to a multiple of N
//   label NAME              names this position
//   offset NAME...          u32 container offset of each label
//   string TEXT...          u32 container offset of each text in the string pool
//   string-index TEXT...    u32 entry number of each text in the string pool
//   list NAME...            u32 count, then the offset of each label ("-" for an empty slot)
//   strings                 puts the STRG chunk here
//
// Texts and names with blanks are written in double quotes, with the escapes \" \\ \n \t \xHH.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "container/writer.h"

namespace container {

// Adds the described chunks to the writer. On failure returns false and sets error to
// "line N: what is wrong".
bool read_description(std::string_view text, ContainerWriter& writer, std::string& error);

// Splits one line into words as descriptions are written: blanks separate words, '#' starts a
// comment, a quoted word may hold blanks and the escapes above. False with `error` when a quote
// is left open or an escape is unknown.
bool split_description_line(std::string_view line, std::vector<std::string>& words, std::string& error);
// A whole decimal or 0x hex integer (may be negative) within [min, max].
std::optional<int64_t> parse_description_integer(std::string_view text, int64_t min, int64_t max);

}  // namespace container
