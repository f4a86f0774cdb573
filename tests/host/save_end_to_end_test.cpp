// The runner without a display on a written game whose room creation code queues an asynchronous
// buffer save and ends the game at once: the step never reaches its asynchronous phase, and the
// save must still be on disk when the runner has exited.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host/host_test_support.h"

namespace {

using namespace host_test;

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
  ASSERT_EQ(game.tool.exitCode, 0) << game.tool.output;
  ASSERT_FALSE(game.run.timedOut) << game.log;
  ASSERT_EQ(game.run.exitCode, 0) << game.run.output << game.log;

  const std::string saved = FindFile(game.data, "last.sav");
  ASSERT_NE(saved, "") << "the queued save reaches the save area\n" << game.log;
  EXPECT_EQ(std::filesystem::path(saved).parent_path().filename(), "default");
  EXPECT_EQ(ReadFile(saved), "last");
}

}  // namespace
