#include "core/command_tokens.h"

bool CommandTokens_IsSeparator(unsigned char c) { return c != 0 && c <= 0x20; }

namespace {

size_t SkipSeparators(size_t position, const char* text) {
  while (CommandTokens_IsSeparator(static_cast<unsigned char>(text[position]))) ++position;
  return position;
}

}  // namespace

size_t CommandTokens_Scan(size_t position, const char* text, std::string* out, bool* found) {
  out->clear();
  *found = false;
  if (text == nullptr) return position;
  position = SkipSeparators(position, text);
  if (text[position] == '\0') return position;
  *found = true;
  bool quoted = false;
  for (;;) {
    unsigned char c = static_cast<unsigned char>(text[position]);
    if (c == '\0' || (!quoted && CommandTokens_IsSeparator(c))) break;
    if (c == '\\') {
      // Backslashes are text, except in front of a double quote: there each pair gives one, and
      // an odd one left over makes the quote itself text.
      size_t run = 0;
      while (text[position + run] == '\\') ++run;
      if (text[position + run] != '"') {
        out->append(run, '\\');
        position += run;
        continue;
      }
      out->append(run / 2, '\\');
      position += run;
      if (run % 2 == 1) {
        out->push_back('"');
        ++position;
      }
      continue;
    }
    if (c == '"') {
      quoted = !quoted;
    } else {
      out->push_back(static_cast<char>(c));
    }
    ++position;
  }
  return position;
}

std::vector<std::string> CommandTokens_Split(const char* text) {
  std::vector<std::string> tokens;
  std::string token;
  size_t position = 0;
  for (;;) {
    bool found = false;
    position = CommandTokens_Scan(position, text, &token, &found);
    if (!found) return tokens;
    tokens.push_back(token);
  }
}
