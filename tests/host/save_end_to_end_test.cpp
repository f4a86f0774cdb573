// The runner without a display on written games whose room creation code saves: an asynchronous
// buffer save queued just before the game ends (the step never reaches its asynchronous phase, and
// the save must still be on disk when the runner has exited), and a saved game.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host/host_test_support.h"

namespace {

using namespace host_test;

// The container was written and the headless run ended by itself with exit code 0.
void ExpectCleanExit(const RoomCodeRun& game) {
  ASSERT_EQ(game.tool.exitCode, 0) << game.tool.output;
  ASSERT_FALSE(game.run.timedOut) << game.log;
  ASSERT_EQ(game.run.exitCode, 0) << game.run.output << game.log;
}

TEST(SaveEndToEndTest, ASaveQueuedJustBeforeTheGameEndsIsWritten) {
  const std::string dir = MakeScratchDir("save_at_end");
  // global.buf = buffer_base64_decode("bGFzdA==") (the bytes "last");
  // buffer_save_async(global.buf, "last.sav", 0, 4); game_end().
  const RoomCodeRun game = RunRoomCodeHeadless(dir,
                                               ".code room_code\n"
                                               "  push.s \"bGFzdA==\"\n  conv.s.v\n"
                                               "  call.i buffer_base64_decode 1\n"
                                               "  pop.v.v global.buf vflags=10\n"
                                               "  push.i.i 4\n  conv.i.v\n  push.i.i 0\n  conv.i.v\n"
                                               "  push.s \"last.sav\"\n  conv.s.v\n"
                                               "  push.v global.buf vflags=10\n"
                                               "  call.i buffer_save_async 4\n"
                                               "  popz.v\n"
                                               "  call.i game_end 0\n"
                                               "  popz.v\n"
                                               "  exit.i\n");
  ExpectCleanExit(game);
  if (::testing::Test::HasFatalFailure()) return;

  const std::string saved = FindFile(game.data, "last.sav");
  ASSERT_NE(saved, "") << "the queued save reaches the save area\n" << game.log;
  EXPECT_EQ(std::filesystem::path(saved).parent_path().filename(), "default");
  EXPECT_EQ(ReadFile(saved), "last");
}

TEST(SaveEndToEndTest, ARoomCreationCodeSavesTheGameIntoTheSaveArea) {
  const std::string dir = MakeScratchDir("game_save");
  // game_save("slot1.sav"), then the headless run ends after the creation code.
  const RoomCodeRun game = RunRoomCodeHeadless(dir,
                                               ".code room_code\n"
                                               "  push.s \"slot1.sav\"\n  conv.s.v\n"
                                               "  call.i game_save 1\n"
                                               "  popz.v\n"
                                               "  exit.i\n");
  ExpectCleanExit(game);
  if (::testing::Test::HasFatalFailure()) return;

  const std::string saved = FindFile(game.data, "slot1.sav");
  ASSERT_NE(saved, "") << game.log;
  const std::string bytes = ReadFile(saved);
  ASSERT_GE(bytes.size(), 8u);
  // The stream marker, then the input section's own one later on.
  const std::string marker("\x53\x03\x00\x00", 4);
  EXPECT_EQ(bytes.substr(0, 4), marker);
  EXPECT_NE(bytes.find(marker, 4), std::string::npos);
}

}  // namespace
