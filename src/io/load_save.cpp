#include "io/load_save.h"

#include <limits.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/memory_manager.h"
#include "io/file_services.h"
#include "runtime/host_state.h"
#include "runtime/game_header.h"
#include "io/program.h"
#include "platform/system/environment.h"
#include "platform/system/files.h"
#include "platform/system/process.h"

LoadSaveWhitelistEntry* g_pReadWhitelist = nullptr;
LoadSaveWhitelistEntry* g_pSaveWhitelist = nullptr;

struct LoadSaveFile {
  uint8_t* data = nullptr;
  int64_t capacity = 0;
  int64_t size = 0;  // bytes held: loaded or written, whichever reaches further
  int64_t position = 0;
  bool text = false;
  char* writeBackPath = nullptr;
  bool writeBack = false;
};

namespace {

std::string g_savePrefix;
std::string g_refusedName;  // the last game name refused as a folder name, logged once

}  // namespace

std::string LoadSave_FullPath(const char* path) {
  if (path == nullptr || path[0] == '\0') return std::string();
  std::string p = path;
  std::replace(p.begin(), p.end(), '\\', '/');
  if (p[0] != '/') p = System_CurrentDirectory() + "/" + p;
  bool trailing = p.back() == '/';
  std::vector<std::string> parts;
  size_t i = 0;
  while (i < p.size()) {
    size_t j = p.find('/', i);
    if (j == std::string::npos) j = p.size();
    std::string part = p.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    i = j + 1;
  }
  std::string out;
  for (const std::string& part : parts) out += "/" + part;
  if (out.empty() || trailing) out += '/';
  return out;
}

namespace {

std::string FullPath(const char* path) { return LoadSave_FullPath(path); }

// Where full lies at or below the directory dir, the offset of the rest of full after dir and
// its separator; else npos. An empty dir holds nothing.
size_t AfterDirectory(const std::string& full, std::string dir) {
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (dir.empty()) return std::string::npos;
  if (dir == "/") return full.empty() || full[0] != '/' ? std::string::npos : 1;
  if (full.compare(0, dir.size(), dir) != 0) return std::string::npos;
  if (full.size() == dir.size()) return full.size();
  return full[dir.size()] == '/' ? dir.size() + 1 : std::string::npos;
}

std::string Join(std::string dir, const std::string& rest) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir + rest;
}

bool EqualsIgnoringAsciiCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    unsigned char ca = static_cast<unsigned char>(*a);
    unsigned char cb = static_cast<unsigned char>(*b);
    if (ca >= 'A' && ca <= 'Z') ca += 'a' - 'A';
    if (cb >= 'A' && cb <= 'Z') cb += 'a' - 'A';
    if (ca != cb) return false;
    if (ca == '\0') return true;
  }
}

bool Matches(const LoadSaveWhitelistEntry* entry, const std::string& full, bool directoriesOnly) {
  if (entry->directory) return AfterDirectory(full, entry->path) != std::string::npos;
  return !directoriesOnly && EqualsIgnoringAsciiCase(entry->path, full.c_str());
}

bool IsListed(const LoadSaveWhitelistEntry* list, const char* path, bool directoriesOnly) {
  std::string full = FullPath(path);
  if (full.empty()) return false;
  for (const LoadSaveWhitelistEntry* e = list; e != nullptr; e = e->next) {
    if (Matches(e, full, directoriesOnly)) return true;
  }
  return false;
}

std::string WorkingDirectory() {
  return working_directory != nullptr && working_directory[0] != '\0' ? FullPath(working_directory) : std::string();
}

std::string MapRead(const char* path) {
  std::string full = FullPath(path);
  if (full.empty()) return full;
  std::string program = FullPath(Win32_GetProgramDirectory());
  size_t rest = AfterDirectory(full, System_CurrentDirectory());
  if (rest != std::string::npos) {
    if (AfterDirectory(full, program) != std::string::npos) return full;
    return Join(program, full.substr(rest));
  }
  rest = AfterDirectory(full, WorkingDirectory());
  if (rest != std::string::npos) return Join(program, full.substr(rest));
  return IsListed(g_pReadWhitelist, full.c_str(), false) ? full : std::string();
}

void RefuseSave(const std::string& full) {
  Console_DebugOutput("Error! not allowing save with filename '%s'\n", full.c_str());
}

std::string MapSave(const char* path) {
  std::string full = FullPath(path);
  // Compared and joined in its normal form, so that no part of it ("..") leads out of it.
  std::string save = FullPath(Win32_GetSaveDirectory());
  // Without a save area (a game without a name) nothing may be written anywhere.
  if (save.empty() || full.empty()) {
    RefuseSave(full);
    return std::string();
  }
  bool whitelisted = IsListed(g_pSaveWhitelist, full.c_str(), false);
  std::string result;
  size_t rest;
  // The save area is looked at first: a runner started from a parent folder of the save area
  // (the home folder, say) would otherwise nest save-area paths inside the save area again.
  if (AfterDirectory(full, save) != std::string::npos) {
    result = full;
  } else if ((rest = AfterDirectory(full, System_CurrentDirectory())) != std::string::npos) {
    result = Join(save, full.substr(rest));
  } else if ((rest = AfterDirectory(full, WorkingDirectory())) != std::string::npos) {
    result = Join(save, full.substr(rest));
  } else {
    if (whitelisted) return full;
    RefuseSave(full);
    return std::string();
  }
  if (whitelisted) Console_DebugOutput("Warning! Save location - redirected to: '%s'\n", result.c_str());
  return result;
}

void CopyOut(char* destination, size_t size, const std::string& mapped) {
  if (destination == nullptr || size == 0) return;
  if (mapped.size() + 1 > size) {
    destination[0] = '\0';
    return;
  }
  std::memcpy(destination, mapped.c_str(), mapped.size() + 1);
}

std::string XdgFolder(const char* variable, const char* fallback) {
  const char* value = System_GetEnvironmentVariable(variable);
  // The base-directory rules ignore a relative value.
  if (value != nullptr && value[0] == '/') {
    std::string folder = value;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
  }
  std::string home;
  const char* env = System_GetEnvironmentVariable("HOME");
  if (env != nullptr && env[0] == '/') {
    home = env;
  } else {
    home = System_UserHomeDirectory();
  }
  if (home.empty()) return home;
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return Join(home, fallback);
}

void Reserve(LoadSaveFile* file, int64_t needed) {
  if (needed <= file->capacity) return;
  int64_t capacity = std::max<int64_t>({needed, file->capacity * 2, 64});
  file->data = static_cast<uint8_t*>(MEM_REALLOC(file->data, static_cast<size_t>(capacity)));
  file->capacity = capacity;
}

bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

// The game's name becomes one folder of the save area; a name that is not one plain folder name
// (a separator in it, ".", "..") would steer every write elsewhere.
bool IsPlainFolderName(const char* name) {
  if (name == nullptr || name[0] == '\0') return false;
  if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
  return std::strpbrk(name, "/\\") == nullptr;
}

}  // namespace

const char* Win32_GetSaveDirectory() {
  if (!g_savePrefix.empty()) return g_savePrefix.c_str();
  if (game_project_name == nullptr || game_project_name[0] == '\0') return "";
  if (!IsPlainFolderName(game_project_name)) {
    if (g_refusedName != game_project_name) {
      g_refusedName = game_project_name;
      Console_DebugOutput("The game's name '%s' cannot name a save folder: saving is unavailable\n", game_project_name);
    }
    return "";
  }
  bool config = (g_GameHeader.headerFlags & kHeaderSaveInAppData) != 0;
  std::string folder = config ? XdgFolder("XDG_CONFIG_HOME", ".config") : XdgFolder("XDG_DATA_HOME", ".local/share");
  if (folder.empty()) return "";
  g_savePrefix = Join(folder, game_project_name) + "/";
  Console_DebugOutput("SavePrePend = %s\n", g_savePrefix.c_str());
  return g_savePrefix.c_str();
}

void Win32_SetSaveDirectory(const char* prefix) { g_savePrefix = prefix != nullptr ? prefix : ""; }

void Win32_FreeSaveDirectory() {
  g_savePrefix.clear();
  g_refusedName.clear();
}

bool LoadSave_IsWhitelisted(const LoadSaveWhitelistEntry* list, const char* path) {
  return IsListed(list, path, false);
}

bool LoadSave_IsWhitelistedDirectory(const LoadSaveWhitelistEntry* list, const char* path) {
  return IsListed(list, path, true);
}

void LoadSave_AddToWhitelist(LoadSaveWhitelistEntry** list, const char* path, bool directory) {
  if (list == nullptr || path == nullptr || path[0] == '\0') return;
  auto* entry = new LoadSaveWhitelistEntry{*list, Host_DupText(FullPath(path).c_str()), directory};
  *list = entry;
}

void LoadSave_FreeWhitelist(LoadSaveWhitelistEntry** list) {
  if (list == nullptr) return;
  while (LoadSaveWhitelistEntry* e = *list) {
    *list = e->next;
    MEM_FREE(e->path);
    delete e;
  }
}

void LoadSave_MapReadPath(char* destination, size_t size, const char* path) {
  CopyOut(destination, size, path != nullptr ? MapRead(path) : std::string());
}

void LoadSave_MapSavePath(char* destination, size_t size, const char* path) {
  std::string mapped = path != nullptr ? MapSave(path) : std::string();
  if (!mapped.empty() && mapped.size() + 1 > size) RefuseSave(mapped);
  CopyOut(destination, size, mapped);
}

uint8_t* LoadSave_ReadFile(const char* path, int32_t* size) {
  if (size != nullptr) *size = 0;
  if (path == nullptr || path[0] == '\0') return nullptr;
  const int fd = System_OpenRegularFile(path);
  if (fd < 0) return nullptr;
  const int64_t fileSize = System_FileSize(fd);
  if (fileSize < 0 || fileSize > INT32_MAX) {
    System_CloseFile(fd);
    return nullptr;
  }
  size_t length = static_cast<size_t>(fileSize);
  auto* block = static_cast<uint8_t*>(MEM_ALLOC(std::max<size_t>(length, 1)));
  size_t done = 0;
  while (done < length) {
    const int64_t n = System_Read(fd, block + done, length - done);
    if (n <= 0) break;  // the file shrank meanwhile: report what was there
    done += static_cast<size_t>(n);
  }
  System_CloseFile(fd);
  if (size != nullptr) *size = static_cast<int32_t>(done);
  return block;
}

bool LoadSave_FileExists(const char* path) {
  const int fd = System_OpenRegularFile(path);
  System_CloseFile(fd);
  return fd >= 0;
}

uint8_t* LoadSave_ReadSaveFile(const char* path, int32_t* size) {
  return LoadSave_ReadFile(MapSave(path).c_str(), size);
}

uint8_t* LoadSave_ReadProgramFile(const char* path, int32_t* size) {
  return LoadSave_ReadFile(MapRead(path).c_str(), size);
}

bool LoadSave_SaveFileExists(const char* path) { return LoadSave_FileExists(MapSave(path).c_str()); }

bool LoadSave_ProgramFileExists(const char* path) { return LoadSave_FileExists(MapRead(path).c_str()); }

bool LoadSave_WriteFile(const char* path, const void* data, int32_t size) {
  if (size < 0 || (data == nullptr && size > 0)) return false;
  std::string mapped = MapSave(path);
  if (mapped.empty()) return false;
  File_CreateParentDirectory(mapped.c_str());
  FILE* f = System_OpenStream(mapped.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = size == 0 || std::fwrite(data, 1, static_cast<size_t>(size), f) == static_cast<size_t>(size);
  return std::fclose(f) == 0 && ok;
}

bool LoadSave_DeleteFile(const char* path) {
  std::string mapped = MapSave(path);
  return !mapped.empty() && System_DeleteFile(mapped.c_str());
}

void LoadSave_OnOptionsLoaded(IniFile*) {}

LoadSaveFile* LoadSave_FOpen(const char* path, const char* mode) {
  if (path == nullptr || mode == nullptr) return nullptr;
  bool text = std::strchr(mode, 't') != nullptr;
  bool append = std::strchr(mode, 'a') != nullptr;
  bool read = append || std::strchr(mode, 'r') != nullptr;
  bool write = append || std::strchr(mode, 'w') != nullptr || std::strchr(mode, '+') != nullptr;

  LoadSaveFile* file = nullptr;
  if (read) {
    int32_t size = 0;
    uint8_t* block = LoadSave_ReadProgramFile(path, &size);
    if (block == nullptr) block = LoadSave_ReadSaveFile(path, &size);
    if (block != nullptr) {
      file = new LoadSaveFile;
      file->data = block;  // the block is at least 1 byte, so it serves as the buffer directly
      file->capacity = std::max<int64_t>(size, 1);
      file->size = size;
      if (text && size >= 3 && block[0] == 0xEF && block[1] == 0xBB && block[2] == 0xBF) file->position = 3;
    }
  }
  if (write) {
    if (file == nullptr) {
      file = new LoadSaveFile;
    } else if (append) {
      file->position = file->size;
    }
    file->writeBackPath = Host_DupText(path);
    file->writeBack = true;
  }
  if (file != nullptr) file->text = text;
  return file;
}

LoadSaveFile* LoadSave_FOpenBytes(const void* data, size_t size) {
  if (size > static_cast<size_t>(INT32_MAX) || (data == nullptr && size > 0)) return nullptr;
  auto* file = new LoadSaveFile;
  Reserve(file, static_cast<int64_t>(size));
  if (size > 0) std::memcpy(file->data, data, size);
  file->size = static_cast<int64_t>(size);
  return file;
}

void LoadSave_FClose(LoadSaveFile* file) {
  if (file == nullptr) return;
  if (file->writeBack && file->writeBackPath != nullptr) {
    LoadSave_WriteFile(file->writeBackPath, file->data, static_cast<int32_t>(file->size));
  }
  MEM_FREE(file->writeBackPath);
  MEM_FREE(file->data);
  delete file;
}

int64_t LoadSave_FTell(const LoadSaveFile* file) { return file != nullptr ? file->position : 0; }

int64_t LoadSave_FSeek(LoadSaveFile* file, int64_t offset, int origin) {
  if (file == nullptr) return 0;
  int64_t base;
  switch (origin) {
    case 0: base = 0; break;
    case 1: base = file->position; break;
    case 2: base = file->size; break;
    default: return file->position;
  }
  file->position = std::clamp<int64_t>(base + offset, 0, file->size);
  return file->position;
}

bool LoadSave_FEof(const LoadSaveFile* file) { return file == nullptr || file->position >= file->size; }

bool LoadSave_FEoln(const LoadSaveFile* file) {
  if (LoadSave_FEof(file)) return true;
  uint8_t c = file->data[file->position];
  return c == '\r' || c == '\n';
}

int LoadSave_FGetC(LoadSaveFile* file) {
  if (file == nullptr) return 0xFF;
  if (file->position >= file->size) {
    ++file->position;
    return 0xFF;
  }
  return file->data[file->position++];
}

int LoadSave_FReadReal(LoadSaveFile* file, double* value) {
  if (value != nullptr) *value = 0.0;
  if (file == nullptr || file->position >= file->size) return 0;
  const uint8_t* d = file->data;
  int64_t end = file->size;
  int64_t i = file->position;
  while (i < end && (d[i] == ' ' || (d[i] >= '\t' && d[i] <= '\r'))) ++i;
  int64_t start = i;
  if (i < end && (d[i] == '+' || d[i] == '-')) ++i;
  int64_t digits = 0;
  while (i < end && IsDigit(d[i])) ++i, ++digits;
  if (i < end && d[i] == '.') {
    ++i;
    while (i < end && IsDigit(d[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < end && (d[i] == 'e' || d[i] == 'E')) {
    int64_t j = i + 1;
    if (j < end && (d[j] == '+' || d[j] == '-')) ++j;
    if (j < end && IsDigit(d[j])) {
      while (j < end && IsDigit(d[j])) ++j;
      i = j;
    }
  }
  // The number is parsed from a copy, so the parser never sees a byte past the data.
  std::string number(reinterpret_cast<const char*>(d + start), static_cast<size_t>(i - start));
  if (value != nullptr) *value = std::strtod(number.c_str(), nullptr);
  int consumed = static_cast<int>(i - file->position);
  file->position = i;
  return consumed;
}

size_t LoadSave_FRead(void* data, size_t size, size_t count, LoadSaveFile* file) {
  if (data == nullptr || file == nullptr || size == 0 || count == 0) return 0;
  if (file->position >= file->size) return 0;
  size_t wanted = count > SIZE_MAX / size ? SIZE_MAX : size * count;
  size_t k = std::min(wanted, static_cast<size_t>(file->size - file->position));
  std::memcpy(data, file->data + file->position, k);
  file->position += static_cast<int64_t>(k);
  return k;
}

size_t LoadSave_FWrite(const void* data, size_t size, size_t count, LoadSaveFile* file) {
  if (data == nullptr || file == nullptr || size == 0 || count == 0) return 0;
  if (count > SIZE_MAX / size) return 0;
  size_t bytes = size * count;
  if (bytes > static_cast<size_t>(INT32_MAX) || file->position > INT32_MAX - static_cast<int64_t>(bytes)) return 0;
  Reserve(file, file->position + static_cast<int64_t>(bytes));
  std::memcpy(file->data + file->position, data, bytes);
  file->position += static_cast<int64_t>(bytes);
  file->size = std::max(file->size, file->position);
  return bytes;
}

size_t LoadSave_FPuts(LoadSaveFile* file, const char* text) {
  if (file == nullptr || text == nullptr || text[0] == '\0') return 0;
  std::string converted;
  for (size_t i = 0; text[i] != '\0'; ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) converted += '\r';
    converted += text[i];
  }
  return LoadSave_FWrite(converted.data(), 1, converted.size(), file);
}

namespace {
bool g_readFromProgramDirectory = true;

bool TakeBlock(uint8_t* block, int32_t size, std::vector<uint8_t>* bytes) {
  if (block == nullptr) return false;
  bytes->assign(block, block + size);
  MemoryManager_Free(block);
  return true;
}
}  // namespace

std::string LoadSave_MapReadPath(const char* path) {
  std::vector<char> buffer(PATH_MAX * 2);
  LoadSave_MapReadPath(buffer.data(), buffer.size(), path);
  return buffer.data();
}

std::string LoadSave_MapSavePath(const char* path) {
  std::vector<char> buffer(PATH_MAX * 2);
  LoadSave_MapSavePath(buffer.data(), buffer.size(), path);
  return buffer.data();
}

bool LoadSave_ReadProgramFile(const char* path, std::vector<uint8_t>* bytes) {
  int32_t size = 0;
  uint8_t* block = LoadSave_ReadProgramFile(path, &size);
  return TakeBlock(block, size, bytes);
}

bool LoadSave_ReadSaveFile(const char* path, std::vector<uint8_t>* bytes) {
  int32_t size = 0;
  uint8_t* block = LoadSave_ReadSaveFile(path, &size);
  return TakeBlock(block, size, bytes);
}

void LoadSave_SetReadFromProgramDirectory(bool on) { g_readFromProgramDirectory = on; }
bool LoadSave_ReadFromProgramDirectory() { return g_readFromProgramDirectory; }
