#include "host/host_platform.h"
#include "host/load_save.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <vector>

#include "host/entry.h"
#include "host/input.h"
#include "platform/window/messages.h"

namespace {

std::string g_exePath;
bool g_exePathKnown = false;
std::string g_programDirectory;
bool g_programDirectoryKnown = false;

std::string DirectoryWithSlash(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "/";
  return path.substr(0, slash + 1);
}

class DirectoryFd {
 public:
  explicit DirectoryFd(const char* path) : m_fd(open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
  ~DirectoryFd() {
    if (m_fd >= 0) close(m_fd);
  }
  DirectoryFd(const DirectoryFd&) = delete;
  DirectoryFd& operator=(const DirectoryFd&) = delete;
  int get() const { return m_fd; }

 private:
  int m_fd;
};

bool SplitAtName(std::string_view name, std::vector<std::string_view>* parts) {
  if (name.find('@') == std::string_view::npos) return false;
  size_t start = 0;
  for (;;) {
    size_t at = name.find('@', start);
    std::string_view part = name.substr(start, at == std::string_view::npos ? at : at - start);
    if (part.empty() || part == "." || part == "..") return false;
    parts->push_back(part);
    if (at == std::string_view::npos) return true;
    start = at + 1;
  }
}

bool MoveNoReplace(int dirFd, const char* from, const char* to) {
  if (renameat2(dirFd, from, dirFd, to, RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without the no-replace rename: a hard link fails on an existing target too.
  if (linkat(dirFd, from, dirFd, to, 0) != 0) return false;
  unlinkat(dirFd, from, 0);
  return true;
}

volatile sig_atomic_t g_quitSignalled = 0;

// The first quit signal asks the game to end; a runner stuck where the main loop never comes back
// (a dialog, an endless script) must still be stoppable, so the next one takes the default action.
void QuitSignalHandler(int) {
  g_quitSignalled = 1;
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);
}

void HeadlessCrashHandler(int) {
  static const char kText[] = "Exception detected during the unit tests!\n";
  ssize_t written = write(STDOUT_FILENO, kText, sizeof kText - 1);
  (void)written;
  _exit(1);
}

}  // namespace

const char* Win32_GetExePath() {
  if (!g_exePathKnown) {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    g_exePath = error ? std::string() : exe.string();
    g_exePathKnown = true;
  }
  return g_exePath.c_str();
}

const char* Win32_GetProgramDirectory() {
  if (!g_programDirectoryKnown) {
    const char* base = (g_pGameFilePath != nullptr && g_pGameFilePath[0] != '\0')
                           ? g_pGameFilePath
                           : Win32_GetExePath();
    g_programDirectory = DirectoryWithSlash(Win32_GetFullPath(base));
    g_programDirectoryKnown = true;
  }
  return g_programDirectory.c_str();
}

void Win32_ForgetProgramDirectory() {
  g_programDirectory.clear();
  g_programDirectoryKnown = false;
}

std::string Win32_GetFullPath(const char* path) { return LoadSave_FullPath(path); }

namespace {
void (*g_pumpHook)() = nullptr;
}  // namespace

void Win32_SetPumpMessagesHook(void (*hook)()) { g_pumpHook = hook; }

const char* Runner_GetGameFilePath() { return g_pGameFilePath; }

void Runner_SetGameFilePath(const char* path) {
  if (path != nullptr) {
    Host_ReplaceText(&g_pGameFilePath, path);
  } else {
    Host_FreeText(&g_pGameFilePath);
  }
  Win32_ForgetProgramDirectory();
}

void Win32_PumpMessages() {
  if (g_pumpHook != nullptr) g_pumpHook();
  if (g_quitSignalled != 0) {
    g_Host.running = 0;
    return;
  }
  WindowMessage message;
  while (Window_PeekMessage(&message)) {
    if (message.message == WM_QUIT) {
      g_Host.running = 0;
      return;
    }
    Window_DispatchMessage(message);
  }
}

void Win32_PostQuit() {
  WindowMessage message;
  message.message = WM_QUIT;
  Window_PostMessage(message);
}

void Win32_InitPlatform() { IO_ResetPointerTable(); }

void Win32_MoveAtFiles() {
  std::string directory = DirectoryWithSlash(Win32_GetExePath());
  Win32_MoveAtFilesIn(directory.c_str());
}

void Win32_MoveAtFilesIn(const char* directory) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(directory)) {
    while (dirent* entry = readdir(dir)) names.emplace_back(entry->d_name);
    closedir(dir);
  }
  // Listed first: moving files while the directory is read could skip or repeat entries.
  for (const std::string& name : names) Win32_MoveAtFile(directory, name.c_str());
}

bool Win32_MoveAtFile(const char* directory, const char* name) {
  std::vector<std::string_view> parts;
  if (name[0] == '.' || !SplitAtName(name, &parts)) return false;
  DirectoryFd dir(directory);
  if (dir.get() < 0) return false;

  struct stat info;
  if (fstatat(dir.get(), name, &info, AT_SYMLINK_NOFOLLOW) != 0) return false;
  constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;
  if (!S_ISREG(info.st_mode) || (info.st_mode & kAnyWrite) == 0) return false;

  std::string target;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    if (i > 0) target.push_back('/');
    target.append(parts[i]);
    if (mkdirat(dir.get(), target.c_str(), 0777) != 0 && errno != EEXIST) return false;
    // A link in the way could carry the file out of the program's directory.
    if (fstatat(dir.get(), target.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISDIR(info.st_mode)) {
      return false;
    }
  }
  target.push_back('/');
  target.append(parts.back());
  return MoveNoReplace(dir.get(), name, target.c_str());
}

void Win32_InstallHeadlessHandlers() {
  // Its own stack, so that a stack overflow still reaches the handler.
  static char alternateStack[64 * 1024];
  stack_t stack{};
  stack.ss_sp = alternateStack;
  stack.ss_size = sizeof alternateStack;
  sigaltstack(&stack, nullptr);

  struct sigaction action{};
  action.sa_handler = HeadlessCrashHandler;
  action.sa_flags = SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) sigaction(signal, &action, nullptr);
}

void Win32_InstallQuitSignalHandlers() {
  struct sigaction action{};
  action.sa_handler = QuitSignalHandler;
  // Interrupted reads and writes carry on; the sleeps of the frame wait resume by themselves.
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM}) sigaction(signal, &action, nullptr);
}

bool Win32_QuitSignalled() { return g_quitSignalled != 0; }
