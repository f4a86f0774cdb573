#include "io/ini_file.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "core/console.h"
#include "io/file_services.h"
#include "io/load_save.h"

namespace {

// The parse over one text. '#' and ';' belong with the blanks: they start comments.
class Parser {
 public:
  Parser(const char* text, size_t size, std::vector<IniSection>* sections)
      : m_text(text), m_size(size), m_sections(sections) {}

  void Run() {
    if (m_size > 2 && std::memcmp(m_text, "\xEF\xBB\xBF", 3) == 0) m_at = 3;
    if (!ReadSectionHeader()) return;
    while (m_at < m_size) {
      IniKey key;
      if (ReadKey(&key)) {
        m_sections->back().keys.push_back(std::move(key));
      } else if (m_at < m_size && m_text[m_at] == '[') {
        if (!ReadSectionHeader()) return;
      }
    }
  }

 private:
  static bool IsBlank(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == '#' || c == ';'; }

  void Skip() {
    while (m_at < m_size) {
      const char c = m_text[m_at];
      if (c == '#' || c == ';') {
        while (m_at < m_size && m_text[m_at] != '\n' && m_text[m_at] != '\r') ++m_at;
        ++m_line;
      } else if (c == '\t' || c == '\n' || c == '\r' || c == ' ') {
        if (c == '\n') ++m_line;
        ++m_at;
      } else {
        return;
      }
    }
  }

  // Everything before the next '[' is passed; the name runs to the next ']'.
  bool ReadSectionHeader() {
    const void* open = std::memchr(m_text + m_at, '[', m_size - m_at);
    if (open == nullptr) {
      m_at = m_size;
      return false;
    }
    const size_t start = static_cast<size_t>(static_cast<const char*>(open) - m_text) + 1;
    const void* close = std::memchr(m_text + start, ']', m_size - start);
    if (close == nullptr) {
      m_at = m_size;
      return false;
    }
    const size_t end = static_cast<size_t>(static_cast<const char*>(close) - m_text);
    m_sections->push_back({std::string(m_text + start, end - start), {}});
    m_at = end + 1;
    return true;
  }

  bool ReadKey(IniKey* key) {
    Skip();
    if (m_at >= m_size || m_text[m_at] == '[') return false;
    const void* equals = std::memchr(m_text + m_at, '=', m_size - m_at);
    if (equals == nullptr) {
      m_at = m_size;
      return false;
    }
    size_t nameEnd = static_cast<size_t>(static_cast<const char*>(equals) - m_text);
    const size_t afterEquals = nameEnd + 1;
    while (nameEnd > m_at && IsBlank(m_text[nameEnd - 1])) --nameEnd;
    key->name.assign(m_text + m_at, nameEnd - m_at);

    const int line = m_line;
    m_at = afterEquals;
    Skip();
    // A value that would begin on a later line belongs to no key.
    if (m_line != line) return false;

    size_t start = m_at;
    size_t end;
    if (m_at < m_size && (m_text[m_at] == '"' || m_text[m_at] == '\'')) {
      const char quote = m_text[m_at];
      start = ++m_at;
      while (m_at < m_size && m_text[m_at] != quote && m_text[m_at] != '\r' && m_text[m_at] != '\n') ++m_at;
      end = m_at;
      while (m_at < m_size && m_text[m_at] != '\r' && m_text[m_at] != '\n') ++m_at;
    } else {
      while (m_at < m_size && std::strchr("\r\n#;", m_text[m_at]) == nullptr) ++m_at;
      end = m_at;
    }
    while (end > start && (m_text[end - 1] == ' ' || m_text[end - 1] == '\t')) --end;
    key->value.assign(m_text + start, end - start);
    return true;
  }

  const char* m_text;
  size_t m_size;
  std::vector<IniSection>* m_sections;
  size_t m_at = 0;
  int m_line = 0;
};

}  // namespace

IniFile::IniFile(const char* fileName, bool log) : m_fileName(fileName != nullptr ? fileName : "") {
  std::vector<uint8_t> bytes;
  if (!LoadSave_ReadSaveFile(m_fileName.c_str(), &bytes) && !LoadSave_ReadProgramFile(m_fileName.c_str(), &bytes)) {
    return;
  }
  const std::string text(bytes.begin(), bytes.end());
  if (log) Console_DebugOutput("%s file contents: %s\n", m_fileName.c_str(), text.c_str());
  OpenFromBytes(text.data(), text.size());
}

void IniFile::Clear() {
  m_fileName.clear();
  m_sections.clear();
  m_dirty = false;
}

void IniFile::OpenFromString(const char* text) {
  OpenFromBytes(text != nullptr ? text : "", text != nullptr ? std::strlen(text) : 0);
}

void IniFile::OpenFromBytes(const char* text, size_t size) {
  m_sections.clear();
  Parser(text, size, &m_sections).Run();
}

const IniSection* IniFile::FindSection(const char* section) const {
  if (section == nullptr) return nullptr;
  for (auto it = m_sections.rbegin(); it != m_sections.rend(); ++it) {
    if (it->name == section) return &*it;
  }
  return nullptr;
}

const IniKey* IniFile::FindKey(const char* section, const char* key) const {
  const IniSection* found = FindSection(section);
  if (found == nullptr || key == nullptr) return nullptr;
  for (auto it = found->keys.rbegin(); it != found->keys.rend(); ++it) {
    if (it->name == key) return &*it;
  }
  return nullptr;
}

bool IniFile::WriteString(const char* section, const char* key, const char* value) {
  m_dirty = true;
  if (section != nullptr && std::strcmp(section, "SYSTEM_COMMAND") == 0) {
    if (key != nullptr && value != nullptr && std::strcmp(key, "INI_FILE_FLUSH") == 0 && std::strcmp(value, "NOW") == 0) {
      Serialise();
    }
    return true;
  }
  if (section == nullptr || key == nullptr) return false;
  IniKey* found = const_cast<IniKey*>(FindKey(section, key));
  if (found == nullptr) {
    IniSection* owner = const_cast<IniSection*>(FindSection(section));
    if (owner == nullptr) owner = &m_sections.emplace_back(IniSection{section, {}});
    found = &owner->keys.emplace_back(IniKey{key, {}});
  }
  found->value = value != nullptr ? value : "";
  return true;
}

bool IniFile::DeleteKey(const char* section, const char* key) {
  auto* owner = const_cast<IniSection*>(FindSection(section));
  const IniKey* found = FindKey(section, key);
  if (owner == nullptr || found == nullptr) return false;
  owner->keys.erase(owner->keys.begin() + (found - owner->keys.data()));
  m_dirty = true;
  return true;
}

bool IniFile::DeleteSection(const char* section) {
  const IniSection* found = FindSection(section);
  if (found == nullptr) return false;
  m_sections.erase(m_sections.begin() + (found - m_sections.data()));
  m_dirty = true;
  return true;
}

std::string IniFile::Serialise() {
  size_t size = 0;
  for (const IniSection& section : m_sections) {
    size += section.name.size() + 4;
    for (const IniKey& key : section.keys) size += key.name.size() + key.value.size() + 5;
  }
  std::string text;
  text.reserve(size);
  for (auto section = m_sections.rbegin(); section != m_sections.rend(); ++section) {
    text += '[';
    text += section->name;
    text += "]\r\n";
    for (auto key = section->keys.rbegin(); key != section->keys.rend(); ++key) {
      // The reader ends a value at its own quote character, so a value holding a double quote
      // goes between apostrophes when it has none of those.
      const bool apostrophes = key->value.find('"') != std::string::npos && key->value.find('\'') == std::string::npos;
      const char quote = apostrophes ? '\'' : '"';
      text += key->name;
      text += '=';
      text += quote;
      text += key->value;
      text += quote;
      text += "\r\n";
    }
  }
  // A failed write is not reported: the game goes on with what it holds. A text too large for
  // one write is not cut short on disk.
  if (m_dirty && !m_fileName.empty() && text.size() <= static_cast<size_t>(INT32_MAX)) {
    LoadSave_WriteFile(m_fileName.c_str(), text.data(), static_cast<int32_t>(text.size()));
  }
  m_dirty = false;
  return text;
}

int32_t IniFile::ReadInt(const char* section, const char* key, int32_t fallback) const {
  const IniKey* found = FindKey(section, key);
  return found != nullptr ? Ini_AtoI(found->value.c_str()) : fallback;
}

const char* IniFile::ReadString(const char* section, const char* key, const char* fallback) const {
  const IniKey* found = FindKey(section, key);
  return found != nullptr ? found->value.c_str() : fallback;
}

int32_t Ini_AtoI(const char* text) {
  if (text == nullptr) return 0;
  const long long value = std::strtoll(text, nullptr, 10);
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}
