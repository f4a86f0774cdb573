#include "platform/system/terminal_text.h"

namespace {

void AppendEscaped(std::string* out, unsigned char byte) {
  static constexpr char kHex[] = "0123456789abcdef";
  out->append("\\x");
  out->push_back(kHex[byte >> 4]);
  out->push_back(kHex[byte & 0xF]);
}

}  // namespace

std::string Terminal_Printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7F) {
      AppendEscaped(&out, byte);
    } else if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      AppendEscaped(&out, byte);
      AppendEscaped(&out, static_cast<unsigned char>(text[++i]));
    } else {
      out.push_back(static_cast<char>(byte));
    }
  }
  return out;
}

void Terminal_Write(std::FILE* stream, std::string_view text) {
  const std::string printable = Terminal_Printable(text);
  std::fwrite(printable.data(), 1, printable.size(), stream);
  std::fflush(stream);
}
