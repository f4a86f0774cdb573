#include "platform/system/process.h"

#include <execinfo.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

extern char** environ;

namespace {

volatile sig_atomic_t g_quitSignalled = 0;

void QuitSignalHandler(int) {
  g_quitSignalled = 1;
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);
}

// The sanitizer build installs no crash handler (its own report says more), so what follows is
// left out of it altogether.
#if defined(__SANITIZE_ADDRESS__)
#define TOLVARINE_CRASH_HANDLER 0
#else
#define TOLVARINE_CRASH_HANDLER 1
#endif

#if TOLVARINE_CRASH_HANDLER
const char* g_crashNotice = "";

// The -output file, where the notice and the backtrace go too (opened only in the handler).
char g_crashLog[4096] = "";

// Only async-signal-safe calls from here on: the heap or stdio may be what broke.
void WriteText(int fd, const char* text) {
  for (size_t left = std::strlen(text); left > 0;) {
    const ssize_t n = write(fd, text, left);
    if (n <= 0) return;
    text += n;
    left -= static_cast<size_t>(n);
  }
}

const char* SignalName(int signal) {
  switch (signal) {
    case SIGSEGV: return "SIGSEGV (invalid memory access)";
    case SIGBUS: return "SIGBUS (bus error)";
    case SIGFPE: return "SIGFPE (arithmetic error)";
    case SIGILL: return "SIGILL (illegal instruction)";
    case SIGABRT: return "SIGABRT (abort)";
    default: return "an unexpected signal";
  }
}

void WriteReport(int fd, int signal, void* const* frames, int count) {
  WriteText(fd, "Crashed on ");
  WriteText(fd, SignalName(signal));
  WriteText(fd, "; backtrace:\n");
  backtrace_symbols_fd(frames, count, fd);
}

void CrashHandler(int signal) {
  void* frames[64];
  const int count = backtrace(frames, 64);
  WriteText(STDOUT_FILENO, g_crashNotice);
  WriteReport(STDERR_FILENO, signal, frames, count);
  if (g_crashLog[0] != '\0') {
    const int fd = open(g_crashLog, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) {
      WriteText(fd, g_crashNotice);
      WriteReport(fd, signal, frames, count);
      close(fd);
    }
  }
  _exit(1);
}
#endif

}  // namespace

std::string System_ExecutablePath() {
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : exe.string();
}

std::string System_UserHomeDirectory() {
  const passwd* pw = getpwuid(getuid());
  if (pw == nullptr || pw->pw_dir == nullptr || pw->pw_dir[0] != '/') return std::string();
  return pw->pw_dir;
}

bool System_Spawn(const std::vector<std::string>& args, const char* directory, int* child) {
  if (args.empty() || args[0].empty()) return false;
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return false;
  bool ok = true;
  if (directory != nullptr && directory[0] != '\0') {
    ok = posix_spawn_file_actions_addchdir_np(&actions, directory) == 0;
  }
  pid_t pid = 0;
  if (ok) ok = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  if (ok) *child = pid;
  return ok;
}

void System_ReapInBackground(int child) {
  std::thread([child] {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

bool System_ChildEnded(int child) {
  int status = 0;
  const pid_t r = waitpid(child, &status, WNOHANG);
  return r == child || (r < 0 && errno != EINTR);
}

void System_InstallQuitSignalHandlers() {
  struct sigaction action{};
  action.sa_handler = QuitSignalHandler;
  // Interrupted reads and writes carry on; the sleeps of the frame wait resume by themselves.
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM}) sigaction(signal, &action, nullptr);
}

bool System_QuitSignalled() { return g_quitSignalled != 0; }

void System_InstallCrashHandlers(const char* notice, const char* logPath) {
#if !TOLVARINE_CRASH_HANDLER
  // The sanitizer's own report says more, and a handler of ours would hide it.
  (void)notice;
  (void)logPath;
#else
  g_crashNotice = notice != nullptr ? notice : "";
  g_crashLog[0] = '\0';
  if (logPath != nullptr && std::strlen(logPath) < sizeof g_crashLog) std::strcpy(g_crashLog, logPath);
  // The first backtrace loads the unwinder, which allocates: done here, not in the handler.
  void* warm[1];
  backtrace(warm, 1);
  // Its own stack, so that a stack overflow still reaches the handler.
  static char alternateStack[64 * 1024];
  stack_t stack{};
  stack.ss_sp = alternateStack;
  stack.ss_size = sizeof alternateStack;
  sigaltstack(&stack, nullptr);

  struct sigaction action{};
  action.sa_handler = CrashHandler;
  action.sa_flags = SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) sigaction(signal, &action, nullptr);
#endif
}

int32_t System_KernelVersion() {
  utsname names{};
  if (uname(&names) != 0) return -1;
  int major = 0;
  int minor = 0;
  if (std::sscanf(names.release, "%d.%d", &major, &minor) != 2 || major < 0 || minor < 0 || major > 32767 || minor > 65535) {
    return -1;
  }
  return major * 65536 + minor;
}

// Linux keeps a nice value per thread: the thread id in place of a process id names one thread.
bool System_SetThreadNice(int32_t nice) {
  return setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice) == 0;
}

int32_t System_ThreadNice() {
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
  return errno == 0 ? nice : 0;
}
