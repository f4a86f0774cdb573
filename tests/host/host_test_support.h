// Helpers for the host tests: scratch directories, files, tiny containers, and running a program
// with its own working directory, environment and a time limit.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace host_test {

// A fresh directory under the test scratch area, unique to this test and process.
std::string MakeScratchDir(const std::string& name);

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);

// "FORM", the size word, then one empty "GEN8" chunk.
std::string MinimalContainer();

struct RunResult {
  int exitCode = -1;      // -1 when the program did not exit normally
  bool timedOut = false;
  std::string output;     // standard output and standard error together
};

// Runs `program` with `args` in `workingDir`. `env` adds or replaces variables; a value of
// std::nullopt removes the variable.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& workingDir,
                     const std::map<std::string, std::optional<std::string>>& env = {},
                     int timeoutSeconds = 60);

// A program started by StartProgram and not yet waited for.
struct StartedProgram {
  int pid = -1;  // -1 when it could not be started
  std::string outputPath;
};
// Starts `program` as RunProgram does, without waiting for it.
StartedProgram StartProgram(const std::string& program, const std::vector<std::string>& args,
                            const std::string& workingDir,
                            const std::map<std::string, std::optional<std::string>>& env = {});
// True while the program has not ended (it is not reaped).
bool IsRunning(const StartedProgram& started);
// Waits for the program's end (killing it after `timeoutSeconds`) and collects its result.
RunResult FinishProgram(StartedProgram& started, int timeoutSeconds = 60);

// Puts the runner into `directory` (a hard link, or a copy where linking fails), so that the
// runner's own directory is one the test controls. Returns its path.
std::string PlaceRunnerIn(const std::string& directory);

// A least game with one room whose creation code is `code` (the byte-code assembler's syntax),
// written into `dir` and run there headless without a display, its save area in `dir`/data.
struct RoomCodeRun {
  RunResult tool;  // the container writer's run
  RunResult run;   // the runner's (not run when the writer failed)
  std::string log;
  std::string data;  // the save area's root (XDG_DATA_HOME)
};
RoomCodeRun RunRoomCodeHeadless(const std::string& dir, const std::string& code);

// The first file called `name` anywhere under `root`, empty when there is none.
std::string FindFile(const std::string& root, const std::string& name);

// The lines of `text` that follow one another in `expected` order (others may come between);
// returns the first expected line not found, or an empty string when all were found in order.
std::string FirstMissingInOrder(const std::string& text, const std::vector<std::string>& expected);

// Waits (a minute at most) while the started program runs and its log file has no line `line`.
void WaitForLogLine(const StartedProgram& program, const std::string& log, const std::string& line);

// The temporary directories a runner made under `base` and has not removed.
size_t TempDirectories(const std::string& base);

// The samples of a 16-bit mono WAV file (what OpenAL Soft's wave writer records), empty when the
// bytes are not one.
std::vector<int16_t> WavSamples(const std::string& bytes);

// What was heard in recorded samples: the part from the first sample above `level` to the last
// one, and its frequency counted by zero crossings (0 when nothing was heard).
struct Heard {
  size_t first = 0;
  size_t samples = 0;  // how many from the first to the last loud one
  double frequency = 0.0;
};
Heard HeardTone(const std::vector<int16_t>& samples, int rate, int level);

// How many times `part` stands in `text`, overlapping ones included.
inline size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

}  // namespace host_test
