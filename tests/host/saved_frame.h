// Written games that save their own screen: their byte code of calls, assembling and writing
// them, running the runner on one until it ends itself, and decoding the PNG file it left in its
// save area (host_test::FindFile finds it).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "assets/image_decode.h"
#include "container/bytecode_asm.h"
#include "container/minimal.h"
#include "host/host_test_support.h"

namespace frame_test {

struct Frame {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;  // 0xAARRGGBB, rows top first
  uint32_t At(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

inline std::optional<Frame> DecodePng(const std::string& bytes) {
  Frame frame;
  const uint32_t* pixels = PNG_Decode(bytes.data(), bytes.size(), &frame.width, &frame.height, false);
  if (pixels == nullptr || frame.width <= 0 || frame.height <= 0) {
    PNG_FreeDecoder();
    return std::nullopt;
  }
  frame.pixels.assign(pixels, pixels + static_cast<size_t>(frame.width) * frame.height);
  PNG_FreeDecoder();
  return frame;
}

// Runs the runner on `game` in `dir` with its save area under dir/data; the game must end itself.
inline host_test::RunResult RunToEnd(const std::string& dir, const std::string& game) {
  std::filesystem::create_directories(dir + "/data");
  return host_test::RunProgram(TOLVARINE_RUNNER, {"-game", game, "-debugoutput", "log.txt"}, dir,
                               {{"XDG_DATA_HOME", dir + "/data"}, {"SDL_VIDEODRIVER", "offscreen"}}, 60);
}

// Assembles `code` into `program`; false (a test failure) when it does not assemble.
inline bool Assemble(const std::string& code, container::BytecodeProgram* program) {
  std::string error;
  if (container::assemble_bytecode(code, program, &error)) return true;
  ADD_FAILURE() << error;
  return false;
}

// Writes a minimal game of these parts to `path`; false (a test failure) when it cannot.
inline bool WriteGame(const std::string& path, const container::MinimalGameParts& parts) {
  container::ContainerWriter writer;
  container::add_minimal_game(writer, parts);
  const container::BuildResult built = writer.write_file(path);
  EXPECT_TRUE(built.ok()) << built.error;
  return built.ok();
}

// A call in byte code: the arguments (each pushing one variant) go on the stack last first, and the
// result is stored in `store` (a global) or dropped.
inline std::string CallCode(const std::string& function, const std::vector<std::string>& args,
                            const std::string& store = {}) {
  std::string code;
  for (auto it = args.rbegin(); it != args.rend(); ++it) code += *it;
  code += "call.i " + function + " " + std::to_string(args.size()) + "\n";
  code += store.empty() ? "popz.v\n" : "pop.v.v global." + store + " vflags=10\n";
  return code;
}
inline std::string Int(int64_t v) { return "push.i " + std::to_string(v) + "\nconv.i.v\n"; }
inline std::string Number(double v) { return "push.d " + std::to_string(v) + "\nconv.d.v\n"; }
inline std::string Str(const std::string& v) { return "push.s \"" + v + "\"\nconv.s.v\n"; }
inline std::string Global(const std::string& name) { return "push.v global." + name + " vflags=10\n"; }

}  // namespace frame_test
