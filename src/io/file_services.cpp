#include "io/file_services.h"

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "core/command_tokens.h"
#include "core/memory_manager.h"
#include "core/runtime_random.h"
#include "core/utf8.h"
#include "runtime/host_state.h"
#include "io/program.h"
#include "platform/system/environment.h"
#include "platform/system/files.h"
#include "platform/system/process.h"

namespace {

std::string g_tempDirectory;
std::string g_tempBase;

char* NewText(const char* text, size_t length) { return Host_DupTextN(text, length); }
char* NewText(const std::string& text) { return Host_DupTextN(text.data(), text.size()); }

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Position of the last separator, or npos.
size_t LastSeparator(const std::string& path) { return path.find_last_of("/\\"); }

}  // namespace

bool File_ShellExecute(const char* file, const char* parameters, const char* directory) {
  if (file == nullptr || file[0] == '\0') return false;
  std::string target = file;
  std::string resolved = target;
  if (resolved[0] != '/') {
    std::string base = directory != nullptr && directory[0] != '\0' ? directory : System_CurrentDirectory();
    if (!base.empty() && base[0] != '/') base = System_CurrentDirectory() + "/" + base;
    resolved = base + "/" + target;
  }
  std::vector<std::string> args;
  if (System_IsExecutableFile(resolved.c_str())) {
    args.push_back(resolved);
    for (std::string& a : CommandTokens_Split(parameters)) args.push_back(std::move(a));
  } else {
    // A target that begins with '-' would be read as an option of the opener.
    if (target[0] == '-') target = "./" + target;
    args = {"xdg-open", target};
  }
  int pid = 0;
  if (!System_Spawn(args, directory, &pid)) return false;
  System_ReapInBackground(pid);
  return true;
}

bool File_ExecuteProgram(const char* program, const char* parameters, const char* directory, bool wait) {
  if (program == nullptr) return false;
  std::vector<std::string> args{program};
  for (std::string& a : CommandTokens_Split(parameters)) args.push_back(std::move(a));
  int pid = 0;
  if (!System_Spawn(args, directory, &pid)) return false;
  if (!wait) {
    System_ReapInBackground(pid);
    return true;
  }
  while (!System_ChildEnded(pid)) {
    Win32_PumpMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

const char* File_GetTempDirectory() { return g_tempDirectory.c_str(); }

void File_CreateTempDirectory() { File_FindTempBase(); }

void File_FindTempBase() {
  const char* tmp = System_GetEnvironmentVariable("TMPDIR");
  File_MakeTempDirectory(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp");
}

void File_MakeTempDirectory(const char* base) {
  g_tempBase = base != nullptr ? base : "";
  std::string dir = g_tempBase;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (!File_DirectoryExists(dir.c_str())) File_CreateDirectoryTree(dir.c_str());
  if (dir.empty() || dir.back() != '/') dir += '/';

  // mkdir either makes a new directory or reports that the name is taken, so two runs starting
  // at once can never end up sharing one.
  for (int attempt = 0; attempt < 65536; ++attempt) {
    float r = static_cast<float>(Runtime_Rand());
    int n = static_cast<int>(static_cast<double>(r) / 32767.0 * 100000.0);
    g_tempDirectory = dir + "tl_ttt_" + std::to_string(n);
    bool taken = false;
    if (System_MakeDirectory(g_tempDirectory.c_str(), 0700, &taken) || !taken) return;
  }
}

void File_DeleteTempDirectory() {
  if (g_tempDirectory.empty()) return;
  File_DeleteDirectory(g_tempDirectory.c_str());
  g_tempDirectory.clear();
}

void File_DeleteDirectory(const char* path) {
  if (path == nullptr) return;
  File_DeleteTree(path);
}

bool File_DeleteTree(const char* path) {
  if (path == nullptr || path[0] == '\0') return false;
  SystemFileInfo info;
  if (!System_FileInfo(path, false, &info) || !info.directory) return false;
  // Entries of a directory can only be removed when it is writable; a read-only file needs
  // nothing here, since removing it is a change to its directory.
  System_MakeOwnerAccessible(path, info.permissions);
  // Listed first: removing entries while the directory is read could skip some.
  std::vector<std::string> names;
  if (!System_ListDirectory(path, &names)) return false;
  std::string prefix = path;
  if (prefix.back() != '/') prefix += '/';
  for (const std::string& name : names) {
    if (File_IsDotEntry(name.c_str())) continue;
    const std::string full = prefix + name;
    SystemFileInfo entry;
    if (!System_FileInfo(full.c_str(), false, &entry)) return false;
    const bool ok = entry.directory ? File_DeleteTree(full.c_str()) : System_DeleteFile(full.c_str());
    if (!ok) return false;
  }
  return System_RemoveDirectory(path);
}

bool File_IsDotEntry(const char* name) {
  return name != nullptr && name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

char* File_GetCurrentDirectory() { return NewText(System_CurrentDirectory()); }

bool File_Exists(const char* path) { return System_IsRegularFile(path); }

bool File_DirectoryExists(const char* path) { return System_IsDirectory(path); }

bool File_CreateDirectory(const char* path) {
  if (path == nullptr) return false;
  bool taken = false;
  return System_MakeDirectory(path, 0777, &taken) || (taken && File_DirectoryExists(path));
}

bool File_CreateDirectoryTree(const char* path) {
  if (path == nullptr || path[0] == '\0') return false;
  std::string p = path;
  if (p.size() >= 2 && IsSeparator(p.back())) p.pop_back();
  if (File_DirectoryExists(p.c_str())) return true;
  char* parent = File_ExtractPath(p.c_str());
  bool ok;
  if (p == parent) {
    ok = true;
  } else {
    ok = File_CreateDirectoryTree(parent) && File_CreateDirectory(p.c_str());
  }
  MEM_FREE(parent);
  return ok;
}

const char* File_FindLastChar(const char* text, uint32_t ch) {
  if (text == nullptr) return nullptr;
  const unsigned char* start = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* p = start + std::strlen(text);
  while (p > start) {
    --p;
    if (*p & 0x80) {
      while (p > start && (*p & 0xC0) == 0x80) --p;
    }
    const unsigned char* character = p;
    if (UTF8_DecodeScalar(character) == ch) return reinterpret_cast<const char*>(p);
  }
  return nullptr;
}

char* File_ExtractPath(const char* path) {
  std::string p = path != nullptr ? path : "";
  size_t cut = LastSeparator(p);
  if (cut == std::string::npos) return NewText("", 0);
  if (cut == 0) return NewText(p.data(), 1);  // the root itself
  return NewText(p.data(), cut);
}

char* File_ExtractName(const char* path) {
  std::string p = path != nullptr ? path : "";
  size_t cut = LastSeparator(p);
  return NewText(cut == std::string::npos ? p : p.substr(cut + 1));
}

char* File_ExtractDrive(const char* path) {
  if (path != nullptr && path[0] != '\0' && path[1] == ':') return NewText(path, 2);
  return NewText("", 0);
}

char* File_ExtractExt(const char* path) {
  std::string p = path != nullptr ? path : "";
  size_t cut = LastSeparator(p);
  size_t nameStart = cut == std::string::npos ? 0 : cut + 1;
  if (nameStart == 0 && p.size() >= 2 && p[1] == ':') nameStart = 2;
  size_t dot = p.find_last_of('.');
  if (dot == std::string::npos || dot < nameStart) return NewText("", 0);
  return NewText(p.substr(dot));
}

char* File_StripTrailingBackslash(char* text) {
  if (text == nullptr) return text;
  size_t n = std::strlen(text);
  if (n >= 2 && IsSeparator(text[n - 1])) text[n - 1] = '\0';
  return text;
}

void File_CreateParentDirectory(const char* path) {
  if (path == nullptr) return;
  char* parent = File_ExtractPath(path);
  if (parent[0] != '\0') File_CreateDirectoryTree(parent);
  MEM_FREE(parent);
}
