#include "platform/window/file_dialog.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

bool NonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

}  // namespace

bool FileDialog_HasDisplay() { return NonEmptyEnv("DISPLAY") || NonEmptyEnv("WAYLAND_DISPLAY"); }

bool FileDialog_Show(const FileDialogRequest& request, std::string* path) {
  if (!FileDialog_HasDisplay()) return false;

  std::vector<std::string> args = {"zenity", "--file-selection"};
  if (request.save) {
    args.emplace_back("--save");
    if (request.confirmOverwrite) args.emplace_back("--confirm-overwrite");
  }
  args.push_back("--title=" + request.title);
  if (!request.initialPath.empty()) args.push_back("--filename=" + request.initialPath);
  for (const FileDialogFilter& filter : request.filters) {
    std::string arg = "--file-filter=" + filter.name + " |";
    for (const std::string& pattern : filter.patterns) arg += " " + pattern;
    args.push_back(arg);
  }
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int pipeFds[2];
  if (pipe(pipeFds) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
  pid_t pid = 0;
  // Not installed: the spawn fails and the dialog counts as cancelled.
  int spawned = posix_spawnp(&pid, "zenity", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (spawned != 0) {
    close(pipeFds[0]);
    return false;
  }

  std::string chosen;
  char buffer[1024];
  for (;;) {
    ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
    if (n > 0) {
      chosen.append(buffer, static_cast<size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  close(pipeFds[0]);

  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
  while (!chosen.empty() && (chosen.back() == '\n' || chosen.back() == '\r')) chosen.pop_back();
  if (chosen.empty()) return false;
  *path = chosen;
  return true;
}

bool FileDialog_Open(const char* title, const char* filterName, const char* pattern,
                     std::string* path) {
  FileDialogRequest request;
  request.title = title != nullptr ? title : "";
  request.filters.push_back(
      FileDialogFilter{filterName != nullptr ? filterName : "", {pattern != nullptr ? pattern : "*"}});
  return FileDialog_Show(request, path);
}
