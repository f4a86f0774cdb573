#include "container/description.h"

#include "container/game_description.h"

#include <charconv>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <vector>

namespace container {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool split_description_line(std::string_view line, std::vector<std::string>& words, std::string& error) {
  size_t i = 0;
  while (i < line.size()) {
    if (is_blank(line[i])) {
      ++i;
      continue;
    }
    if (line[i] == '#') break;
    // A word runs to a blank or a comment; quoted parts of it (caption="two words") may hold
    // blanks, '#' and escapes.
    std::string word;
    while (i < line.size() && !is_blank(line[i]) && line[i] != '#') {
      if (line[i] != '"') {
        word += line[i++];
        continue;
      }
      for (++i;; ++i) {
        if (i >= line.size()) {
          error = "missing closing quote";
          return false;
        }
        char c = line[i];
        if (c == '"') break;
        if (c == '\\') {
          if (++i >= line.size()) continue;  // reported as a missing quote
          switch (line[i]) {
            case '"': c = '"'; break;
            case '\\': c = '\\'; break;
            case 'n': c = '\n'; break;
            case 't': c = '\t'; break;
            case 'x': {
              const int high = i + 1 < line.size() ? hex_digit(line[i + 1]) : -1;
              const int low = i + 2 < line.size() ? hex_digit(line[i + 2]) : -1;
              if (high < 0 || low < 0) {
                error = "\\x needs two hex digits";
                return false;
              }
              c = static_cast<char>(high * 16 + low);
              i += 2;
              break;
            }
            default:
              error = std::string("unknown escape \\") + line[i];
              return false;
          }
        }
        word += c;
      }
      ++i;
    }
    words.push_back(std::move(word));
  }
  return true;
}

std::optional<int64_t> parse_description_integer(std::string_view text, int64_t min, int64_t max) {
  const bool negative = text.starts_with('-');
  if (negative) text.remove_prefix(1);
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(2);
    base = 16;
  }
  uint64_t magnitude = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (magnitude > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return std::nullopt;
  const int64_t value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  if (value < min || value > max) return std::nullopt;
  return value;
}

namespace {

std::optional<double> parse_real(std::string_view text) {
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

struct Line {
  std::string_view directive;
  std::vector<std::string> args;  // the words after the directive
  ChunkBuilder* chunk;            // null before the first chunk
  ContainerWriter& writer;
  std::string& error;

  bool fail(std::string message) {
    error = std::move(message);
    return false;
  }
};

struct Directive {
  size_t min_args;
  size_t max_args;
  bool needs_chunk;
  std::function<bool(Line&)> run;
};

// A directive that writes each argument as an integer of the given range.
template <typename T>
Directive integers(ChunkBuilder& (ChunkBuilder::*write)(T)) {
  return {1, SIZE_MAX, true, [write](Line& line) {
            for (const auto& arg : line.args) {
              auto v = parse_description_integer(arg, std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
              if (!v) return line.fail("\"" + arg + "\" is not a value for " + std::string(line.directive));
              (line.chunk->*write)(static_cast<T>(*v));
            }
            return true;
          }};
}

template <typename T>
Directive reals(ChunkBuilder& (ChunkBuilder::*write)(T)) {
  return {1, SIZE_MAX, true, [write](Line& line) {
            for (const auto& arg : line.args) {
              auto v = parse_real(arg);
              if (!v) return line.fail("\"" + arg + "\" is not a value for " + std::string(line.directive));
              (line.chunk->*write)(static_cast<T>(*v));
            }
            return true;
          }};
}

// A directive with one count argument.
Directive counted(ChunkBuilder& (ChunkBuilder::*write)(uint32_t)) {
  return {1, 1, true, [write](Line& line) {
            auto n = parse_description_integer(line.args[0], 0, std::numeric_limits<int32_t>::max());
            if (!n) return line.fail("\"" + line.args[0] + "\" is not a count");
            (line.chunk->*write)(static_cast<uint32_t>(*n));
            return true;
          }};
}

const std::map<std::string, Directive, std::less<>>& directives() {
  static const std::map<std::string, Directive, std::less<>> table = {
      {"chunk", {1, 1, false, [](Line& line) {
                   if (line.args[0].size() != 4) return line.fail("chunk tag \"" + line.args[0] + "\" is not four bytes long");
                   line.chunk = &line.writer.add_chunk(line.args[0]);
                   return true;
                 }}},
      {"strings", {0, 0, false, [](Line& line) {
                     line.writer.add_string_pool();
                     line.chunk = nullptr;
                     return true;
                   }}},
      {"u8", integers(&ChunkBuilder::u8)},
      {"u16", integers(&ChunkBuilder::u16)},
      {"i16", integers(&ChunkBuilder::i16)},
      {"u32", integers(&ChunkBuilder::u32)},
      {"i32", integers(&ChunkBuilder::i32)},
      {"f32", reals(&ChunkBuilder::f32)},
      {"f64", reals(&ChunkBuilder::f64)},
      {"bytes", {1, SIZE_MAX, true, [](Line& line) {
                   for (const auto& arg : line.args) {
                     auto v = parse_description_integer("0x" + arg, 0, 255);
                     if (!v || arg.size() != 2) return line.fail("\"" + arg + "\" is not a hex byte");
                     line.chunk->u8(static_cast<uint8_t>(*v));
                   }
                   return true;
                 }}},
      {"zeros", {1, 1, true, [](Line& line) {
                   auto n = parse_description_integer(line.args[0], 0, std::numeric_limits<int32_t>::max());
                   if (!n) return line.fail("\"" + line.args[0] + "\" is not a count");
                   line.chunk->zeros(static_cast<size_t>(*n));
                   return true;
                 }}},
      {"align", counted(&ChunkBuilder::align)},
      {"label", {1, 1, true, [](Line& line) {
                   line.chunk->label(line.args[0]);
                   return true;
                 }}},
      {"offset", {1, SIZE_MAX, true, [](Line& line) {
                    for (const auto& arg : line.args) line.chunk->offset_to(arg);
                    return true;
                  }}},
      {"string", {1, SIZE_MAX, true, [](Line& line) {
                    for (const auto& arg : line.args) line.chunk->string_ref(arg);
                    return true;
                  }}},
      {"string-index", {1, SIZE_MAX, true, [](Line& line) {
                          for (const auto& arg : line.args) line.chunk->u32(line.chunk->string_index(arg));
                          return true;
                        }}},
      {"list", {0, SIZE_MAX, true, [](Line& line) {
                  for (auto& arg : line.args)
                    if (arg == "-") arg.clear();
                  line.chunk->pointer_list(line.args);
                  return true;
                }}},
  };
  return table;
}

}  // namespace

bool read_description(std::string_view text, ContainerWriter& writer, std::string& error) {
  ChunkBuilder* chunk = nullptr;
  size_t line_number = 0;
  while (!text.empty()) {
    ++line_number;
    const size_t newline = text.find('\n');
    const std::string_view raw = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);

    std::vector<std::string> words;
    std::string message;
    auto fail = [&](const std::string& what) {
      error = "line " + std::to_string(line_number) + ": " + what;
      return false;
    };
    if (!split_description_line(raw, words, message)) return fail(message);
    if (words.empty()) continue;

    const auto it = directives().find(words[0]);
    if (it == directives().end()) {
      if (is_game_directive(words[0])) {
        return fail("\"" + words[0] + "\" belongs to a game description, whose first directive is \"game NAME\"");
      }
      return fail("unknown directive \"" + words[0] + "\"");
    }
    const Directive& directive = it->second;
    const size_t count = words.size() - 1;
    if (count < directive.min_args || count > directive.max_args)
      return fail("\"" + words[0] + "\" takes " +
                  (directive.min_args == directive.max_args ? std::to_string(directive.min_args)
                                                            : "at least " + std::to_string(directive.min_args)) +
                  " argument(s), not " + std::to_string(count));
    if (directive.needs_chunk && !chunk) return fail("\"" + words[0] + "\" is outside a chunk");

    Line line{words[0], std::vector<std::string>(words.begin() + 1, words.end()), chunk, writer, message};
    if (!directive.run(line)) return fail(message);
    chunk = line.chunk;
  }
  return true;
}

}  // namespace container
