// INI text as sections of key/value pairs: the reading half, which "options.ini" needs. Names
// and values are byte strings compared exactly. Duplicates stay apart; a lookup finds the one
// that stood last in the text. Writing the text back comes with the ini script functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct IniKey {
  std::string name;
  std::string value;
};

struct IniSection {
  std::string name;
  std::vector<IniKey> keys;  // in text order
};

class IniFile {
 public:
  // An empty INI without a name.
  IniFile() = default;
  // Reads the named file (from the save area when it is there, else from the program directory)
  // and parses it; a missing file gives an empty INI that keeps the name. With `log` set the
  // whole text is logged first.
  IniFile(const char* fileName, bool log);

  // Parses `text` (null counts as empty) in place of what the INI held.
  void OpenFromString(const char* text);
  void OpenFromBytes(const char* text, size_t size);

  const std::string& FileName() const { return m_fileName; }
  const std::vector<IniSection>& Sections() const { return m_sections; }
  const IniSection* FindSection(const char* section) const;
  // The key of the first section of that name found, or null.
  const IniKey* FindKey(const char* section, const char* key) const;
  // The value's leading decimal integer (0 when it has none), or `fallback` when the key is missing.
  int32_t ReadInt(const char* section, const char* key, int32_t fallback) const;
  const char* ReadString(const char* section, const char* key, const char* fallback) const;

 private:
  std::string m_fileName;
  std::vector<IniSection> m_sections;  // in text order
};

// atoi without its undefined overflow: leading blanks, an optional sign and the digits that
// follow; 0 without digits; values past the 32-bit range are clamped.
int32_t Ini_AtoI(const char* text);
