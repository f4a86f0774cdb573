// INI text as sections of key/value pairs, read from and written back to a file. Names and
// values are byte strings compared exactly. Duplicates stay apart. Sections and keys are kept
// in the order they arrived (text order, then writes); lookups, deletions and the written text
// all go from the newest, so a file read and written again comes out with its sections, and the
// keys of each, in reverse order.
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

  // Back to an empty INI without a name.
  void Clear();
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

  // Sets the key of the newest section of that name (creating either as the newest); a null
  // value stores "". False without a section or key name. Every call marks the INI changed. The
  // section "SYSTEM_COMMAND" is never stored: its key "INI_FILE_FLUSH" with the value "NOW"
  // writes the file at once.
  bool WriteString(const char* section, const char* key, const char* value);
  // Remove the newest matching key, or the newest matching section with its keys; true when
  // something was removed (which marks the INI changed).
  bool DeleteKey(const char* section, const char* key);
  bool DeleteSection(const char* section);
  // The whole text, newest section and key first, every line ending in CR LF. When changed and
  // named, the text also replaces the file in the save area; the change mark is cleared either
  // way, and for an INI without a name.
  std::string Serialise();
  bool Dirty() const { return m_dirty; }

 private:
  std::string m_fileName;
  std::vector<IniSection> m_sections;  // in text order
  bool m_dirty = false;
};

// atoi without its undefined overflow: leading blanks, an optional sign and the digits that
// follow; 0 without digits; values past the 32-bit range are clamped.
int32_t Ini_AtoI(const char* text);
