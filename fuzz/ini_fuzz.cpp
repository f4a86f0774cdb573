// Feeds arbitrary bytes to the INI parser, serialises what it parsed, and parses and serialises
// that text again: no byte sequence may make the parser read past its text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "io/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly the input's length, so that a read past the end is caught.
  char* text = static_cast<char*>(std::malloc(size > 0 ? size : 1));
  for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>(data[i]);
  IniFile ini;
  ini.OpenFromBytes(text, size);
  std::free(text);
  const std::string once = ini.Serialise();
  IniFile again;
  again.OpenFromBytes(once.data(), once.size());
  again.WriteString("fuzz", "key", once.c_str());
  again.DeleteKey("fuzz", "key");
  again.DeleteSection("fuzz");
  (void)again.Serialise();
  return 0;
}
