#include "host/host_test_support.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

extern char** environ;

namespace host_test {

namespace fs = std::filesystem;

std::string MakeScratchDir(const std::string& name) {
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string unique = std::string(info != nullptr ? info->test_suite_name() : "suite") + "." +
                       (info != nullptr ? info->name() : "test") + "." + std::to_string(getpid()) + "." + name;
  for (char& c : unique) {
    if (c == '/') c = '_';
  }
  fs::path dir = fs::path(TOLVARINE_TEST_TMP) / unique;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir.string();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Exists(const std::string& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

std::string MinimalContainer() {
  return std::string("FORM\x08\x00\x00\x00GEN8\x00\x00\x00\x00", 16);
}

StartedProgram StartProgram(const std::string& program, const std::vector<std::string>& args,
                            const std::string& workingDir,
                            const std::map<std::string, std::optional<std::string>>& env) {
  StartedProgram started;
  started.outputPath = workingDir + "/.run_output";
  const std::string& outputPath = started.outputPath;

  // Everything the child needs is prepared before the fork.
  std::vector<std::string> argStrings = {program};
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argStrings) argv.push_back(a.data());
  argv.push_back(nullptr);

  std::map<std::string, std::string> environment;
  for (char** e = environ; *e != nullptr; ++e) {
    std::string entry(*e);
    size_t eq = entry.find('=');
    if (eq != std::string::npos) environment[entry.substr(0, eq)] = entry.substr(eq + 1);
  }
  // The runner under test never needs a display or a sound card, however ctest was started.
  environment.try_emplace("SDL_VIDEODRIVER", "offscreen");
  environment.try_emplace("SDL_AUDIODRIVER", "dummy");
  environment.try_emplace("ALSOFT_DRIVERS", "null");
  for (const auto& [key, value] : env) {
    if (value) {
      environment[key] = *value;
    } else {
      environment.erase(key);
    }
  }
  std::vector<std::string> envStrings;
  for (const auto& [key, value] : environment) envStrings.push_back(key + "=" + value);
  std::vector<char*> envp;
  for (std::string& e : envStrings) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_t pid = fork();
  if (pid == 0) {
    int fd = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || chdir(workingDir.c_str()) != 0) _exit(127);
    dup2(fd, STDOUT_FILENO);
    dup2(fd, STDERR_FILENO);
    close(fd);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  started.pid = pid < 0 ? -1 : pid;
  return started;
}

bool IsRunning(const StartedProgram& started) {
  // WNOWAIT leaves an ended child to be reaped by FinishProgram.
  siginfo_t info{};
  if (started.pid < 0) return false;
  if (waitid(P_PID, static_cast<id_t>(started.pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return false;
  return info.si_pid == 0;
}

RunResult FinishProgram(StartedProgram& started, int timeoutSeconds) {
  RunResult result;
  if (started.pid < 0) return result;
  const pid_t pid = started.pid;
  started.pid = -1;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  int status = 0;
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) return result;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      result.timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!result.timedOut && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  result.output = ReadFile(started.outputPath);
  fs::remove(started.outputPath);
  return result;
}

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& workingDir,
                     const std::map<std::string, std::optional<std::string>>& env, int timeoutSeconds) {
  StartedProgram started = StartProgram(program, args, workingDir, env);
  return FinishProgram(started, timeoutSeconds);
}

std::string PlaceRunnerIn(const std::string& directory) {
  fs::path target = fs::path(directory) / "tolvarine";
  std::error_code error;
  fs::create_hard_link(TOLVARINE_RUNNER, target, error);
  if (error) fs::copy_file(TOLVARINE_RUNNER, target, fs::copy_options::overwrite_existing);
  return target.string();
}

RoomCodeRun RunRoomCodeHeadless(const std::string& dir, const std::string& code) {
  RoomCodeRun out;
  WriteFile(dir + "/code.s", code);
  out.tool = RunProgram(TOLVARINE_CONTAINER_TOOL,
                        {"--minimal", "--room-speed", "30", "--room-code", "code.s", "game.win"}, dir);
  if (out.tool.exitCode != 0) return out;
  out.data = dir + "/data";
  std::filesystem::create_directories(out.data);
  out.run = RunProgram(TOLVARINE_RUNNER, {"-game", "game.win", "-headless", "-debugoutput", "log.txt"}, dir,
                       {{"XDG_DATA_HOME", out.data}, {"SDL_VIDEODRIVER", "offscreen"}});
  out.log = Exists(dir + "/log.txt") ? ReadFile(dir + "/log.txt") : "";
  return out;
}

std::string FindFile(const std::string& root, const std::string& name) {
  if (!std::filesystem::exists(root)) return "";
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.path().filename() == name) return entry.path().string();
  }
  return "";
}

std::string FirstMissingInOrder(const std::string& text, const std::vector<std::string>& expected) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  size_t at = 0;
  for (const std::string& want : expected) {
    while (at < lines.size() && lines[at] != want) ++at;
    if (at == lines.size()) return want;
    ++at;
  }
  return std::string();
}

void WaitForLogLine(const StartedProgram& program, const std::string& log, const std::string& line) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (IsRunning(program) && FirstMissingInOrder(ReadFile(log), {line}) != "" &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::vector<int16_t> WavSamples(const std::string& bytes) {
  if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0) return {};
  size_t at = 12;
  while (at + 8 <= bytes.size()) {
    uint32_t size = 0;
    std::memcpy(&size, bytes.data() + at + 4, 4);
    if (bytes.compare(at, 4, "data") == 0) {
      const size_t n = std::min<size_t>(size, bytes.size() - at - 8) / 2;
      std::vector<int16_t> out(n);
      std::memcpy(out.data(), bytes.data() + at + 8, n * 2);
      return out;
    }
    at += 8 + size;
  }
  return {};
}

Heard HeardTone(const std::vector<int16_t>& samples, int rate, int level) {
  size_t first = samples.size(), last = 0;
  for (size_t i = 0; i < samples.size(); ++i) {
    if (std::abs(samples[i]) > level) {
      first = std::min(first, i);
      last = i;
    }
  }
  Heard heard;
  if (first >= last) return heard;
  int crossings = 0;
  for (size_t i = first + 1; i <= last; ++i) {
    if ((samples[i - 1] < 0) != (samples[i] < 0)) ++crossings;
  }
  heard.first = first;
  heard.samples = last - first;
  heard.frequency = crossings / 2.0 / (static_cast<double>(last - first) / rate);
  return heard;
}

size_t TempDirectories(const std::string& base) {
  size_t n = 0;
  for (const auto& entry : std::filesystem::directory_iterator(base)) {
    if (entry.path().filename().string().rfind("tl_ttt_", 0) == 0) ++n;
  }
  return n;
}

}  // namespace host_test
