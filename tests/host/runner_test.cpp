// The built runner, end to end: start-up markers, the relaunch, the paths without a game, and a
// game with a room that runs until a signal ends it.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "container/minimal.h"
#include "container/writer.h"
#include "host/host_test_support.h"
#include "tools/container_reading.h"

namespace {

using namespace host_test;

const std::vector<std::string> kStartupMarkers = {
    "*     Wexa Works Runner v1.0(999)[r32908]    *",
    "***************************************\t ",
    "Get Resolution",
    "Create Window",
    "Init Graphics",
    "GR_D3D_Init()",
    "Background_InitTextures()",
    "Sprite_InitTextures()",
    "Font_InitTextures()",
    "IO Init",
    "Process Messages",
    "Splash!",
    "Start Frame",
    "Part Create Textures",
    "Debug Init Remote Interface",
    "VM Init",
    "Create Score Form",
    "Create Load Form",
    "Create Error Form",
    "Do The Work",
    "LoadGameData()",
    "PrepareGame()",
    "Run_Start",
    "**********************************.",
    "Entering main loop.",
    "**********************************.",
};


TEST(RunnerTest, StartsUpWithItsMarkersInOrder) {
  const std::string dir = MakeScratchDir("work");
  WriteFile(dir + "/t.win", MinimalContainer());
  RunResult run = RunProgram(TOLVARINE_RUNNER, {"-game", "t.win", "-debugoutput", "log.txt", "-headless"}, dir);
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output, "");  // headless: nothing echoed
  const std::string log = ReadFile(dir + "/log.txt");
  // The banner's first rule comes before the load; the rest of the markers after it.
  std::vector<std::string> all = {"***************************************", kStartupMarkers[0], kStartupMarkers[1],
                                  "RunnerLoadGame: " + dir + "/t.win", "IFF wad found"};
  all.insert(all.end(), kStartupMarkers.begin() + 2, kStartupMarkers.end());
  EXPECT_EQ(FirstMissingInOrder(log, all), "") << log;
  EXPECT_EQ(Count(log, "Wexa Works Runner"), 1u);
}

// A damaged container is caught by the pre-scan, before any window opens: the runner says what
// is wrong and exits with 1.
TEST(RunnerTest, DamagedContainerEndsWithAMessageBeforeTheWindow) {
  const std::string good = MinimalContainer();
  const struct {
    const char* name;
    std::string bytes;
    const char* says;
  } cases[] = {
      {"wrong size word", std::string("FORM\x09\x00\x00\x00GEN8\x00\x00\x00\x00", 16), "size word says 9 bytes"},
      {"truncated", std::string("FORM\x0c\x00\x00\x00GEN8\x10\x00\x00\x00\x01\x02\x03\x04", 20),
       "chunk GEN8 at offset 8 has a body of 16 bytes"},
      {"text file", "this is not a game\n", "size word"},
      {"empty file", "", "too short for its header"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string dir = MakeScratchDir("work");
    WriteFile(dir + "/bad.win", c.bytes);
    RunResult run = RunProgram(TOLVARINE_RUNNER, {"-game", "bad.win", "-debugoutput", "log.txt", "-headless"}, dir);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("cannot be loaded"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
    const std::string log = ReadFile(dir + "/log.txt");
    EXPECT_EQ(FirstMissingInOrder(log, {"Get Resolution"}), "") << log;
    EXPECT_EQ(Count(log, "Create Window"), 0u) << log;
  }
}

TEST(RunnerTest, MissingGameFileEndsWithExitCodeOne) {
  const std::string dir = MakeScratchDir("work");
  RunResult run = RunProgram(TOLVARINE_RUNNER, {"-game", "missing.win", "-debugoutput", "log.txt", "-headless"}, dir);
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.output.find("Unable to find game!!: " + dir + "/missing.win"), std::string::npos) << run.output;
  const std::string log = ReadFile(dir + "/log.txt");
  EXPECT_EQ(FirstMissingInOrder(log, {"Reading File " + dir + "/missing.win", "FAILED to load File " + dir + "/missing.win"}),
            "")
      << log;
  EXPECT_EQ(Count(log, "Get Resolution"), 0u);
  // The game has no name yet, so no save area is asked about it.
  EXPECT_EQ(Count(log, "not allowing save"), 0u) << log;
}

// The game written by `tolvarine-container --minimal` loads: every chunk is logged in file order.
TEST(RunnerTest, MinimalGameLoadsEveryChunk) {
  const std::string dir = MakeScratchDir("work");
  RunResult tool = RunProgram(TOLVARINE_CONTAINER_TOOL, {"--minimal", "game.win"}, dir);
  ASSERT_EQ(tool.exitCode, 0) << tool.output;
  WriteFile(dir + "/options.ini", "[Windows]\nSleepMargin=4\n");
  RunResult run = RunProgram(TOLVARINE_RUNNER, {"-game", "game.win", "-debugoutput", "log.txt", "-headless"}, dir);
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 0);
  const std::string bytes = ReadFile(dir + "/game.win");
  std::vector<std::string> expected = {"Checking if INIFile " + dir + "/options.ini Exists",
                                       dir + "/options.ini file contents: [Windows]", "LoadGameData()"};
  size_t chunks = 0;
  for (const auto& chunk : container_test::chunks_of(std::vector<uint8_t>(bytes.begin(), bytes.end()))) {
    expected.push_back("Process Chunk: " + chunk.tag + "   " + std::to_string(chunk.size));
    ++chunks;
  }
  EXPECT_EQ(chunks, 22u);
  expected.push_back("StartGame: the game has no room to enter; it ends after its first frame");
  expected.push_back("Entering main loop.");
  const std::string log = ReadFile(dir + "/log.txt");
  EXPECT_EQ(FirstMissingInOrder(log, expected), "") << log;
}

TEST(RunnerTest, UnknownChunkEndsWithExitCodeOneAfterTheLoad) {
  container::ContainerWriter writer;
  container::add_minimal_game(writer);
  writer.options().unknown_chunk_at = 5;
  const std::string dir = MakeScratchDir("work");
  ASSERT_TRUE(writer.write_file(dir + "/junk.win").ok());
  RunResult run = RunProgram(TOLVARINE_RUNNER, {"-game", "junk.win", "-debugoutput", "log.txt", "-headless"}, dir);
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 1);
  const std::string log = ReadFile(dir + "/log.txt");
  EXPECT_EQ(FirstMissingInOrder(log, {"Create Window", "Process Chunk: JUNK   4", "unknown Chunk JUNK:4",
                                      "Process Chunk: AUDO   4", "Failed to load the game"}),
            "")
      << log;
  EXPECT_EQ(Count(log, "Entering main loop."), 0u);
}

TEST(RunnerTest, ExitTargetRelaunchesTheLaunchingGame) {
  const std::string dir = MakeScratchDir("work");
  WriteFile(dir + "/a.win", MinimalContainer());
  WriteFile(dir + "/b.win", MinimalContainer());
  RunResult run = RunProgram(TOLVARINE_RUNNER,
                             {"-game", "b.win", "-exit", "a.win", "-debugoutput", "log.txt", "-headless"}, dir);
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 0);
  const std::string log = ReadFile(dir + "/log.txt");
  // Two passes in one process, the launched game first; the log file and headless mode carry over.
  EXPECT_EQ(Count(log, "Wexa Works Runner"), 2u);
  EXPECT_EQ(FirstMissingInOrder(log, {"RunnerLoadGame: " + dir + "/b.win", "Entering main loop.",
                                      "RunnerLoadGame: " + dir + "/a.win", "Entering main loop."}),
            "")
      << log;
  EXPECT_EQ(run.output, "");
}

TEST(RunnerTest, DataWinBesideTheProgramUnlessAGameIsNamed) {
  const std::string program = MakeScratchDir("program");
  const std::string runner = PlaceRunnerIn(program);
  WriteFile(program + "/data.win", MinimalContainer());
  const std::string work = MakeScratchDir("work");
  WriteFile(work + "/other.win", MinimalContainer());

  RunResult beside = RunProgram(runner, {"-debugoutput", "beside.txt", "-headless"}, work);
  EXPECT_EQ(beside.exitCode, 0);
  EXPECT_EQ(FirstMissingInOrder(ReadFile(work + "/beside.txt"), {"RunnerLoadGame: " + program + "/data.win",
                                                                 "Entering main loop."}),
            "");

  RunResult named = RunProgram(runner, {"-game", "other.win", "-debugoutput", "named.txt", "-headless"}, work);
  EXPECT_EQ(named.exitCode, 0);
  EXPECT_EQ(FirstMissingInOrder(ReadFile(work + "/named.txt"), {"RunnerLoadGame: " + work + "/other.win",
                                                                "Entering main loop."}),
            "");
}

// No game beside the program and none named: the file dialog is asked; when it cannot be shown
// or is cancelled the runner exits with 1. '@' names are unpacked beside the program only.
TEST(RunnerTest, WithoutAGameItExitsWithOne) {
  const std::string path = getenv("PATH") != nullptr ? getenv("PATH") : "";
  // One helper cancels; the other would pick a good game, so a run that must not show a dialog
  // fails visibly if it does.
  const std::string cancelBin = MakeScratchDir("cancel");
  WriteFile(cancelBin + "/zenity", "#!/bin/sh\nexit 1\n");
  chmod((cancelBin + "/zenity").c_str(), 0755);
  const std::string pickBin = MakeScratchDir("pick");
  WriteFile(pickBin + "/game.win", MinimalContainer());
  WriteFile(pickBin + "/zenity", "#!/bin/sh\necho '" + pickBin + "/game.win'\n");
  chmod((pickBin + "/zenity").c_str(), 0755);

  const struct {
    const char* name;
    std::vector<std::string> args;
    std::map<std::string, std::optional<std::string>> env;
  } cases[] = {
      {"headless", {"-headless"}, {{"DISPLAY", ":77"}, {"PATH", pickBin + ":" + path}}},
      {"no display", {}, {{"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}, {"PATH", pickBin + ":" + path}}},
      {"dialog cancelled", {}, {{"DISPLAY", ":77"}, {"PATH", cancelBin + ":" + path}}},
      {"empty -game", {"-game", ""}, {{"DISPLAY", ":77"}, {"PATH", cancelBin + ":" + path}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string program = MakeScratchDir("program");
    const std::string runner = PlaceRunnerIn(program);
    WriteFile(program + "/saves@slot@one", "save");
    const std::string work = MakeScratchDir("work");
    WriteFile(work + "/cwd@file", "cwd");

    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-debugoutput", "log.txt"});
    RunResult run = RunProgram(runner, args, work, c.env);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 1);
    const std::string log = ReadFile(work + "/log.txt");
    EXPECT_EQ(FirstMissingInOrder(log, {"RunnerLoadGame: " + std::string(c.args.size() == 2 ? "" : "(null)"),
                                        "RunnerLoadGame: no game file was given; name one with -game"}),
              "")
        << log;
    EXPECT_EQ(Count(log, "Get Resolution"), 0u);
    EXPECT_EQ(ReadFile(program + "/saves/slot/one"), "save");
    EXPECT_EQ(ReadFile(work + "/cwd@file"), "cwd");
    EXPECT_FALSE(Exists(work + "/cwd"));
  }
}

TEST(RunnerTest, GameChosenInTheFileDialogIsLoaded) {
  const std::string program = MakeScratchDir("program");
  const std::string runner = PlaceRunnerIn(program);
  const std::string work = MakeScratchDir("work");
  WriteFile(work + "/chosen.win", MinimalContainer());
  const std::string bin = MakeScratchDir("bin");
  WriteFile(bin + "/zenity", "#!/bin/sh\necho '" + work + "/chosen.win'\n");
  chmod((bin + "/zenity").c_str(), 0755);

  RunResult run = RunProgram(runner, {"-debugoutput", "log.txt"}, work,
                             {{"DISPLAY", ":77"}, {"PATH", bin + ":" + std::string(getenv("PATH"))}});
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 0);
  const std::string log = ReadFile(work + "/log.txt");
  EXPECT_EQ(FirstMissingInOrder(log, {"RunnerLoadGame: (null)", "RunnerLoadGame() - " + work + "/chosen.win",
                                      "Reading File " + work + "/chosen.win", "Entering main loop."}),
            "")
      << log;
  // Not headless: the console echoes the log to standard output as well.
  EXPECT_NE(run.output.find("Entering main loop."), std::string::npos);
}

// A game with a room runs frames until it is ended; SIGTERM and SIGINT end it as closing the window
// does: the normal teardown (which removes the runner's temporary directory) and exit code 0. A
// game to return to is not started after such an end: the whole program was asked to stop.
TEST(RunnerTest, AGameWithARoomRunsUntilASignalEndsIt) {
  const struct {
    const char* name;
    int signal;
    std::vector<std::string> extra;
  } cases[] = {
      {"SIGTERM", SIGTERM, {}},
      {"SIGINT", SIGINT, {}},
      {"SIGTERM with a game to return to", SIGTERM, {"-exit", "plain.win"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string dir = MakeScratchDir("work");
    const std::string tmp = dir + "/tmp";
    std::filesystem::create_directories(tmp);
    ASSERT_EQ(RunProgram(TOLVARINE_CONTAINER_TOOL, {"--minimal", "--room-speed", "30", "room.win"}, dir).exitCode, 0);
    ASSERT_EQ(RunProgram(TOLVARINE_CONTAINER_TOOL, {"--minimal", "plain.win"}, dir).exitCode, 0);

    std::vector<std::string> args = {"-game", "room.win", "-headless", "-debugoutput", "log.txt"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    StartedProgram runner = StartProgram(TOLVARINE_RUNNER, args, dir, {{"TMPDIR", tmp}});
    ASSERT_GE(runner.pid, 0);
    // Start-up may be slow on a busy machine; the frames only count once the loop runs.
    WaitForLogLine(runner, dir + "/log.txt", "Entering main loop.");
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const bool running = IsRunning(runner);
    const size_t tempDirectories = TempDirectories(tmp);
    kill(runner.pid, c.signal);
    const RunResult run = FinishProgram(runner, 60);
    const std::string log = ReadFile(dir + "/log.txt");
    EXPECT_TRUE(running) << log;
    EXPECT_EQ(tempDirectories, 1u);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(FirstMissingInOrder(log, {"Room_Load: 1 rooms", "StartGame()", "StartGame: room 0 \"room0\" (320 x 240, speed 30)",
                                        "StartGame() - DONE", "Entering main loop."}),
              "")
        << log;
    EXPECT_EQ(Count(log, "Wexa Works Runner"), 1u);
    EXPECT_EQ(TempDirectories(tmp), 0u);
  }
}

// A headless run ends with exit code 0 once the first room's creation code (byte code the
// interpreter runs) has run, before the main loop; the tool refuses code it cannot use.
TEST(RunnerTest, AHeadlessRunEndsAfterTheFirstRoomsCreationCode) {
  const std::string dir = MakeScratchDir("work");
  WriteFile(dir + "/code.s", ".code room_code\n  exit.i\n");
  WriteFile(dir + "/bad.s", ".code room_code\n  nonsense\n");
  RunResult tool = RunProgram(TOLVARINE_CONTAINER_TOOL, {"--minimal", "--room-speed", "30", "--room-code", "code.s", "room.win"}, dir);
  ASSERT_EQ(tool.exitCode, 0) << tool.output;
  const std::string tmp = dir + "/tmp";
  std::filesystem::create_directories(tmp);
  RunResult run = RunProgram(TOLVARINE_RUNNER, {"-game", "room.win", "-headless", "-debugoutput", "log.txt"}, dir,
                             {{"TMPDIR", tmp}});
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(TempDirectories(tmp), 0u) << "the game is taken down before the process ends";
  const std::string log = ReadFile(dir + "/log.txt");
  EXPECT_EQ(FirstMissingInOrder(log, {"StartGame: room 0 \"room0\" (320 x 240, speed 30)", "Room_Start: headless run ends after the creation code of room 0"}),
            "")
      << log;
  EXPECT_EQ(Count(log, "Entering main loop."), 0u) << log;

  const struct {
    std::vector<std::string> args;
    const char* says;
  } refused[] = {
      {{"--minimal", "--room-code", "code.s", "x.win"}, "--room-code goes with --room-speed"},
      {{"--minimal", "--room-speed", "30", "--room-code", "bad.s", "x.win"}, "bad.s: line 2"},
      {{"--minimal", "--room-speed", "30", "--room-code", "none.s", "x.win"}, "cannot read \"none.s\""},
      {{"--room-code", "code.s", "d.txt", "x.win"}, "--room-code goes with --minimal"},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.says);
    RunResult r = RunProgram(TOLVARINE_CONTAINER_TOOL, c.args, dir);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.output.find(c.says), std::string::npos) << r.output;
  }
}

// --draw-code places an instance whose Draw event runs the code: ending the game there ends the
// run after its first frame (without -headless, a room would otherwise run on until killed).
TEST(RunnerTest, ToolsDrawCodeEndsTheGameInItsFirstDrawEvent) {
  const std::string dir = MakeScratchDir("work");
  WriteFile(dir + "/end.s", ".code drawer_draw\n  call.i game_end 0\n  popz.v\n  exit.i\n");
  WriteFile(dir + "/room.s", ".code room_code\n  exit.i\n");
  RunResult tool =
      RunProgram(TOLVARINE_CONTAINER_TOOL, {"--minimal", "--room-speed", "1000000", "--draw-code", "end.s", "room.win"}, dir);
  ASSERT_EQ(tool.exitCode, 0) << tool.output;
  RunResult run = RunProgram(TOLVARINE_RUNNER, {"-game", "room.win", "-debugoutput", "log.txt"}, dir);
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  const std::string log = ReadFile(dir + "/log.txt");
  EXPECT_EQ(FirstMissingInOrder(log, {"StartGame: room 0 \"room0\" (320 x 240, speed 1000000)", "Entering main loop."}), "")
      << log;

  const struct {
    std::vector<std::string> args;
    const char* says;
  } refused[] = {
      {{"--minimal", "--draw-code", "end.s", "x.win"}, "--draw-code goes with --room-speed"},
      {{"--minimal", "--room-speed", "30", "--room-code", "room.s", "--draw-code", "end.s", "x.win"},
       "do not go together"},
      {{"--draw-code", "end.s", "d.txt", "x.win"}, "--draw-code goes with --minimal"},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.says);
    RunResult r = RunProgram(TOLVARINE_CONTAINER_TOOL, c.args, dir);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.output.find(c.says), std::string::npos) << r.output;
  }
}

// A game that cannot start ends through the usual teardown: exit code 1, the temporary directory
// removed. A FIFO or a directory named as the game is refused before it is opened, so nothing
// waits on it.
TEST(RunnerTest, FailedStartsExitWithOneAndLeaveNoTemporaryDirectory) {
  container::ContainerWriter writer;
  container::add_minimal_game(writer);
  const container::BuildResult built = writer.build();
  ASSERT_TRUE(built.ok()) << built.error;
  const std::string truncated(built.bytes.begin(), built.bytes.begin() + 40);
  const struct {
    const char* name;
    const char* game;
    void (*make)(const std::string& path, const std::string& truncated);
  } cases[] = {
      {"missing file", "missing.win", [](const std::string&, const std::string&) {}},
      {"directory", "dir.win", [](const std::string& path, const std::string&) { std::filesystem::create_directory(path); }},
      {"empty file", "empty.win", [](const std::string& path, const std::string&) { WriteFile(path, ""); }},
      {"truncated container", "cut.win", [](const std::string& path, const std::string& t) { WriteFile(path, t); }},
      {"FIFO", "fifo.win", [](const std::string& path, const std::string&) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string dir = MakeScratchDir("work");
    const std::string tmp = dir + "/tmp";
    std::filesystem::create_directories(tmp);
    c.make(dir + "/" + c.game, truncated);
    const RunResult run =
        RunProgram(TOLVARINE_RUNNER, {"-game", c.game, "-headless", "-debugoutput", "log.txt"}, dir, {{"TMPDIR", tmp}}, 30);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_EQ(TempDirectories(tmp), 0u);
    const std::string log = ReadFile(dir + "/log.txt");
    EXPECT_EQ(Count(log, "Create Window"), 0u) << log;
  }
}

// A runner held where its main loop never comes back (here a file dialog that does not close)
// ignores the first SIGTERM, which only asks the game to end; the second one ends it.
TEST(RunnerTest, SecondSignalEndsARunnerThatIgnoresTheFirst) {
  const std::string bin = MakeScratchDir("bin");
  WriteFile(bin + "/zenity", "#!/bin/sh\nexec sleep 20 2>/dev/null\n");
  chmod((bin + "/zenity").c_str(), 0755);
  const std::string work = MakeScratchDir("work");
  const std::string program = MakeScratchDir("program");
  const std::string runner = PlaceRunnerIn(program);
  StartedProgram started = StartProgram(runner, {"-debugoutput", "log.txt"}, work,
                                        {{"DISPLAY", ":77"}, {"PATH", bin + ":" + std::string(getenv("PATH"))}});
  ASSERT_GE(started.pid, 0);
  WaitForLogLine(started, work + "/log.txt", "RunnerLoadGame: (null)");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  kill(started.pid, SIGTERM);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_TRUE(IsRunning(started));
  kill(started.pid, SIGTERM);
  const RunResult run = FinishProgram(started, 10);
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, -1);  // ended by the signal, not by an exit
}

// Arguments reach the runner as given: a quote or a blank inside one is part of it, on the first
// pass and on the relaunch that returns to the launching game.
TEST(RunnerTest, ArgumentsWithQuotesAndBlanksArriveWhole) {
  const std::string dir = MakeScratchDir("work");
  WriteFile(dir + "/q\"uote.win", MinimalContainer());
  WriteFile(dir + "/with blank \"and\" quote.win", MinimalContainer());
  RunResult run = RunProgram(TOLVARINE_RUNNER,
                             {"-game", "q\"uote.win", "-exit", "with blank \"and\" quote.win", "-headless",
                              "-debugoutput", "q.txt"},
                             dir);
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  const std::string log = ReadFile(dir + "/q.txt");
  EXPECT_EQ(FirstMissingInOrder(log, {"RunnerLoadGame: " + dir + "/q\"uote.win", "Entering main loop.",
                                      "RunnerLoadGame: " + dir + "/with blank \"and\" quote.win",
                                      "Entering main loop."}),
            "")
      << log;
}

// The game keeps its unlocked level in "saveData.ini" in the save area: read once at start (1 when
// the key is missing), written back one higher when a level is won. Two runs with one fresh data
// folder: the second starts from what the first wrote.
TEST(RunnerTest, AGameReadsBackTheLevelItSavedInAnEarlierRun) {
  const std::string dir = MakeScratchDir("work");
  WriteFile(dir + "/code.s",
            ".code room_code\n"
            "  push.d 1\n"
            "  pop.v.d global.unlocked vflags=10\n"
            "  push.s \"saveData.ini\"\n"
            "  conv.s.v\n"
            "  call.i ini_open 1\n"
            "  popz.v\n"
            "  push.s \"unlocked\"\n"
            "  conv.s.v\n"
            "  push.s \"data\"\n"
            "  conv.s.v\n"
            "  call.i ini_key_exists 2\n"
            "  conv.v.b\n"
            "  bf loaded\n"
            "  push.d 1\n"
            "  conv.d.v\n"
            "  push.s \"unlocked\"\n"
            "  conv.s.v\n"
            "  push.s \"data\"\n"
            "  conv.s.v\n"
            "  call.i ini_read_real 3\n"
            "  pop.v.v global.unlocked vflags=10\n"
            "loaded:\n"
            "  call.i ini_close 0\n"
            "  popz.v\n"
            "  push.s \"saveData.ini\"\n"
            "  conv.s.v\n"
            "  call.i ini_open 1\n"
            "  popz.v\n"
            "  push.v global.unlocked vflags=10\n"
            "  push.d 1\n"
            "  add.d.v\n"
            "  push.s \"unlocked\"\n"
            "  conv.s.v\n"
            "  push.s \"data\"\n"
            "  conv.s.v\n"
            "  call.i ini_write_real 3\n"
            "  popz.v\n"
            "  call.i ini_close 0\n"
            "  popz.v\n"
            "  exit.i\n");
  RunResult tool = RunProgram(TOLVARINE_CONTAINER_TOOL, {"--minimal", "--room-speed", "30", "--room-code", "code.s", "game.win"}, dir);
  ASSERT_EQ(tool.exitCode, 0) << tool.output;
  const std::string data = dir + "/data";
  std::filesystem::create_directories(data);

  const auto saved = [&] {
    std::vector<std::string> texts;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(data)) {
      if (entry.path().filename() == "saveData.ini") texts.push_back(ReadFile(entry.path().string()));
    }
    return texts;
  };
  for (const char* expected : {"[data]\r\nunlocked=\"2.000000\"\r\n", "[data]\r\nunlocked=\"3.000000\"\r\n"}) {
    RunResult run = RunProgram(TOLVARINE_RUNNER, {"-game", "game.win", "-headless", "-debugoutput", "log.txt"}, dir,
                               {{"XDG_DATA_HOME", data}});
    ASSERT_FALSE(run.timedOut);
    ASSERT_EQ(run.exitCode, 0) << run.output << ReadFile(dir + "/log.txt");
    EXPECT_EQ(saved(), std::vector<std::string>{expected}) << ReadFile(dir + "/log.txt");
  }
  EXPECT_FALSE(Exists(dir + "/saveData.ini")) << "the file goes into the save area, not beside the game";
}

}  // namespace
