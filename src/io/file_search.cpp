#include "io/file_search.h"

#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "io/file_find.h"
#include "platform/system/files.h"

namespace {

constexpr int32_t kAttributeBits = 0x37;

struct Found {
  std::string name;
  int32_t attributes;
};

bool Fnmatch(const std::string& pattern, const char* name) {
  return System_MatchPattern(pattern.c_str(), name);
}

int32_t Attributes(const std::string& path, const char* name) {
  SystemFileInfo info;
  if (!System_FileInfo(path.c_str(), true, &info) && !System_FileInfo(path.c_str(), false, &info)) return -1;
  int32_t a = 0;
  if (info.directory) {
    a |= fa_directory;
  } else if (info.regular) {
    a |= fa_archive;
  }
  // Permission bits decide for everyone; the access test adds what they do not show (a file
  // owned by someone else, a read-only mount).
  if (!info.anyWriteBit() || !System_CanWrite(path.c_str())) a |= fa_readonly;
  const bool dots = std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
  if (name[0] == '.' && !dots) a |= fa_hidden;
  return a & kAttributeBits;
}

// The entries matching a mask, ordered by name without regard to letter case.
std::vector<Found> Search(const char* mask) {
  std::vector<Found> found;
  if (mask == nullptr || mask[0] == '\0') return found;
  const std::string text = mask;
  const size_t slash = text.rfind('/');
  const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : text.substr(0, slash);
  const std::string pattern = slash == std::string::npos ? text : text.substr(slash + 1);
  if (pattern.empty()) return found;
  std::vector<std::string> names;
  System_ListDirectory(directory.c_str(), &names);
  for (const std::string& name : names) {
    if (!FileSearch_Match(pattern.c_str(), name.c_str())) continue;
    const std::string path = directory == "/" ? "/" + name : directory + "/" + name;
    const int32_t attributes = Attributes(path, name.c_str());
    if (attributes >= 0) found.push_back(Found{name, attributes});
  }
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    const int folded = strcasecmp(a.name.c_str(), b.name.c_str());
    return folded != 0 ? folded < 0 : a.name < b.name;
  });
  return found;
}

}  // namespace

bool FileSearch_Match(const char* pattern, const char* name) {
  if (pattern == nullptr || name == nullptr) return false;
  const std::string p = pattern;
  if (p == "*.*") return true;
  if (Fnmatch(p, name)) return true;
  if (p.size() >= 2 && p.compare(p.size() - 2, 2, ".*") == 0 && std::strchr(name, '.') == nullptr) {
    return Fnmatch(p.substr(0, p.size() - 2), name);
  }
  return false;
}

void Win32_FindFiles(FileFindList* list, const char* firstMask, const char* secondMask, double attributeMask) {
  const int32_t wanted = std::fabs(attributeMask) < 2147483648.0 ? static_cast<int32_t>(attributeMask) : 0;
  const bool directories = (wanted & fa_directory) != 0;
  const bool everyFile = (wanted & ~fa_directory) == 0;
  for (const char* mask : {firstMask, secondMask}) {
    for (const Found& entry : Search(mask)) {
      const bool take = (entry.attributes & fa_directory) != 0 ? directories
                                                               : everyFile || (entry.attributes & wanted) != 0;
      if (take) FileFind_AddName(list, entry.name.c_str());
    }
  }
}

int32_t Win32_GetFileAttributes(const char* path) {
  const std::vector<Found> found = Search(path);
  return found.empty() ? 0 : found.front().attributes;
}
