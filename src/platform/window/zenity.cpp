#include "platform/window/zenity.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace {

// Reads what is there; true at the end of the output (the child closed its side).
bool Drain(ZenityChild* child) {
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(child->output, buffer, sizeof buffer);
    if (n > 0) {
      child->text.append(buffer, static_cast<size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
    }
  }
}

void Finish(ZenityChild* child, int status, int* exitCode, std::string* text) {
  Drain(child);
  close(child->output);
  *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  *text = std::move(child->text);
  *child = ZenityChild{};
}

}  // namespace

bool Zenity_Start(const std::vector<std::string>& args, ZenityChild* child) {
  std::vector<std::string> all;
  all.reserve(args.size() + 1);
  all.emplace_back("zenity");
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);

  // Close-on-exec, so that no other child the runner starts holds the pipe open.
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, "zenity", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (spawned != 0) {
    close(pipeFds[0]);
    return false;
  }
  fcntl(pipeFds[0], F_SETFL, fcntl(pipeFds[0], F_GETFL) | O_NONBLOCK);
  child->pid = pid;
  child->output = pipeFds[0];
  child->text.clear();
  return true;
}

bool Zenity_Poll(ZenityChild* child, int* exitCode, std::string* text) {
  if (child->pid < 0) return false;
  Drain(child);
  int status = 0;
  pid_t ended = 0;
  while ((ended = waitpid(child->pid, &status, WNOHANG)) < 0 && errno == EINTR) {
  }
  if (ended == 0) return false;
  if (ended < 0) status = 0xFF00;  // cannot be waited for: as a failed helper
  Finish(child, status, exitCode, text);
  return true;
}

void Zenity_Wait(ZenityChild* child, int* exitCode, std::string* text) {
  *exitCode = -1;
  text->clear();
  if (child->pid < 0) return;
  pollfd watch{child->output, POLLIN, 0};
  while (!Drain(child)) {
    if (poll(&watch, 1, -1) < 0 && errno != EINTR) break;
  }
  int status = 0;
  pid_t ended = 0;
  while ((ended = waitpid(child->pid, &status, 0)) < 0 && errno == EINTR) {
  }
  if (ended < 0) status = 0xFF00;
  Finish(child, status, exitCode, text);
}

void Zenity_End(ZenityChild* child) {
  if (child->pid < 0) return;
  kill(child->pid, SIGTERM);
  while (waitpid(child->pid, nullptr, 0) < 0 && errno == EINTR) {
  }
  close(child->output);
  *child = ZenityChild{};
}
