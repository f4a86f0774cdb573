#include "host/command_line.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "audio/lifecycle.h"
#include "core/run_switches.h"
#include "host/entry.h"
#include "runtime/connectivity.h"
#include "physics/lifecycle.h"
#include "render/lifecycle.h"

namespace {

void ResetOptionState() {
  g_RunnerOptions = RunnerOptions();
  GR_StartupFlags = GR_StartupFlagsRecord();
  Debug_OverlayFlags = 0;
  Audio_NoAudio = false;
  Extension_CallsDisabled = false;
  Host_FreeText(&g_pGameFilePath);
  Host_FreeText(&g_pExitTarget);
  Console_SetHeadless(false);
  Console_SetOutputFile(nullptr);
  Console_SetDebugOutputFile(nullptr);
}

std::vector<std::string> Parameters() {
  std::vector<std::string> list;
  for (int32_t i = 0; i < Runner_ParameterCount(); ++i) list.emplace_back(Runner_ParameterString(i));
  return list;
}

std::string GamePath() { return g_pGameFilePath != nullptr ? g_pGameFilePath : "<null>"; }

struct Case {
  const char* name;
  std::string line;
  std::vector<std::string> tokens;
  std::function<void()> check;
};

class CommandLineTest : public testing::Test {
 protected:
  void SetUp() override { ResetOptionState(); }
  void TearDown() override { ResetOptionState(); }
};

TEST_F(CommandLineTest, TokensAndOptions) {
  const std::vector<Case> cases = {
      {"quoted path with a blank", "prog -game \"C:/My Games/t.win\"", {"prog", "-game", "C:/My Games/t.win"},
       [] { EXPECT_EQ(GamePath(), "C:/My Games/t.win"); }},
      {"quotes inside a token", "ab\"c d\"e", {"abc de"}, [] {}},
      {"quotes around an option", "\"-game\" x.win", {"-game", "x.win"}, [] { EXPECT_EQ(GamePath(), "x.win"); }},
      {"empty quoted token", "a \"\" b", {"a", "", "b"}, [] {}},
      {"control bytes separate, extra blanks vanish", "  a\tb\x01" "c  ", {"a", "b", "c"}, [] {}},
      {"non-ASCII bytes stay in the token", "-game /spiele/\xc3\xbc\xe2\x82\xac.win",
       {"-game", "/spiele/\xc3\xbc\xe2\x82\xac.win"}, [] { EXPECT_EQ(GamePath(), "/spiele/\xc3\xbc\xe2\x82\xac.win"); }},
      {"later -game wins", "-game a.win -game b.win", {"-game", "a.win", "-game", "b.win"},
       [] { EXPECT_EQ(GamePath(), "b.win"); }},
      {"later -exit and -debugoutput win", "-exit a -exit b -debugoutput l1 -debugoutput l2",
       {"-exit", "a", "-exit", "b", "-debugoutput", "l1", "-debugoutput", "l2"},
       [] {
         EXPECT_STREQ(g_pExitTarget, "b");
         EXPECT_EQ(g_DebugOutputFileName, "l2");
         EXPECT_TRUE(g_RunnerOptions.debugOutput);
       }},
      {"-debug before any game", "-debug -audiodebug", {"-debug", "-audiodebug"},
       [] {
         EXPECT_TRUE(g_RunnerOptions.debug);
         EXPECT_EQ(Debug_OverlayFlags, kDebugOverlayShow | kDebugOverlayAudio);
         EXPECT_TRUE(Physics_AssertHandlerInstalled());
       }},
      {"-debug after -game does nothing", "-game g.win -debug", {"-game", "g.win", "-debug"},
       [] {
         EXPECT_FALSE(g_RunnerOptions.debug);
         EXPECT_EQ(Debug_OverlayFlags, 0);
       }},
      {"vavaruvo:// with a final slash", "prog vavaruvo://run/", {"prog", "vavaruvo://run/"},
       [] {
         EXPECT_TRUE(g_RunnerOptions.hasLaunchArgs);
         EXPECT_EQ(g_RunnerOptions.launchArgs, "run");
       }},
      {"vavaruvo: short form", "vavaruvo:x", {"vavaruvo:x"}, [] { EXPECT_EQ(g_RunnerOptions.launchArgs, "x"); }},
      {"vavaruvo: keeps inner slashes", "vavaruvo://a/b//", {"vavaruvo://a/b//"},
       [] { EXPECT_EQ(g_RunnerOptions.launchArgs, "a/b/"); }},
      {"-novb then -multivb keeps buffers off", "-novb -multivb", {"-novb", "-multivb"},
       [] {
         EXPECT_EQ(GR_StartupFlags.vertexBufferMethod, 2);
         EXPECT_TRUE(GR_StartupFlags.vertexBufferMethodSet);
       }},
      {"-multivb then -novb", "-multivb -novb", {"-multivb", "-novb"},
       [] { EXPECT_EQ(GR_StartupFlags.vertexBufferMethod, 2); }},
      {"-multivb alone", "-multivb", {"-multivb"}, [] { EXPECT_EQ(GR_StartupFlags.vertexBufferMethod, 1); }},
      {"missing -game argument", "prog -game", {"prog", "-game"},
       [] {
         ASSERT_NE(g_pGameFilePath, nullptr);
         EXPECT_STREQ(g_pGameFilePath, "");
       }},
      {"missing -game argument before trailing blanks", "prog -game   ", {"prog", "-game"},
       [] { EXPECT_EQ(GamePath(), ""); }},
      {"missing -sleepmargin argument", "-sleepmargin", {"-sleepmargin"},
       [] {
         EXPECT_EQ(g_RunnerOptions.sleepMargin, 0);
         EXPECT_TRUE(g_RunnerOptions.sleepMarginSet);
       }},
      {"negative sleep margin", "-sleepmargin -5", {"-sleepmargin", "-5"},
       [] { EXPECT_EQ(g_RunnerOptions.sleepMargin, -5); }},
      {"missing -profiledump arguments", "-profiledump", {"-profiledump"},
       [] {
         EXPECT_TRUE(g_RunnerOptions.profileDump);
         EXPECT_EQ(g_RunnerOptions.profileDumpFile, "");
         EXPECT_EQ(g_RunnerOptions.profileDumpInterval, 0);
       }},
      {"-profiledump file and interval", "-profiledump p.csv 250", {"-profiledump", "p.csv", "250"},
       [] {
         EXPECT_EQ(g_RunnerOptions.profileDumpFile, "p.csv");
         EXPECT_EQ(g_RunnerOptions.profileDumpInterval, 250);
       }},
      {"-record then -playback share the input file", "-record r.rec -playback p.rec",
       {"-record", "r.rec", "-playback", "p.rec"},
       [] {
         EXPECT_TRUE(g_RunnerOptions.record);
         EXPECT_TRUE(g_RunnerOptions.playback);
         EXPECT_EQ(g_RunnerOptions.inputFileName, "p.rec");
       }},
      {"an option's argument is not read as an option", "-game -headless", {"-game", "-headless"},
       [] {
         EXPECT_EQ(GamePath(), "-headless");
         EXPECT_FALSE(g_IsHeadless);
       }},
      {"options are case-sensitive", "-HEADLESS -vanillagfx -vanillaGFX", {"-HEADLESS", "-vanillagfx", "-vanillaGFX"},
       [] {
         EXPECT_FALSE(g_IsHeadless);
         EXPECT_TRUE(GR_StartupFlags.noAdapterDetection);
       }},
      {"switches", "-headless -noaudio -ext -noerrors -oldexec -inawindow -steam -software -intel -manualvsync -trace",
       {"-headless", "-noaudio", "-ext", "-noerrors", "-oldexec", "-inawindow", "-steam", "-software", "-intel",
        "-manualvsync", "-trace"},
       [] {
         EXPECT_TRUE(g_IsHeadless);
         EXPECT_TRUE(Audio_NoAudio);
         EXPECT_TRUE(Extension_CallsDisabled);
         EXPECT_FALSE(g_RunnerOptions.showErrors);
         EXPECT_FALSE(g_RunnerOptions.codeExecutionMode);
         EXPECT_TRUE(g_RunnerOptions.inAWindow);
         EXPECT_TRUE(g_RunnerOptions.restrictedExternals);
         EXPECT_TRUE(GR_StartupFlags.softwareVertexProcessing);
         EXPECT_TRUE(GR_StartupFlags.manualClear);
         EXPECT_TRUE(GR_StartupFlags.alternateSync && GR_StartupFlags.alternateSyncSet);
         EXPECT_TRUE(g_RunnerOptions.trace);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetOptionState();
    Runner_ParseCommandLine(c.line.c_str());
    EXPECT_EQ(Parameters(), c.tokens);
    c.check();
  }
}

TEST_F(CommandLineTest, ParameterBounds) {
  Runner_ParseCommandLine("prog -game \"a b.win\" extra");
  ASSERT_EQ(Runner_ParameterCount(), 4);
  EXPECT_STREQ(Runner_ParameterString(0), "prog");
  EXPECT_STREQ(Runner_ParameterString(3), "extra");
  EXPECT_EQ(Runner_ParameterString(-1), nullptr);
  EXPECT_EQ(Runner_ParameterString(4), nullptr);
  EXPECT_EQ(Runner_ParameterString(INT32_MIN), nullptr);

  // A new parse replaces the list rather than adding to it.
  Runner_ParseCommandLine("only");
  ASSERT_EQ(Runner_ParameterCount(), 1);
  EXPECT_EQ(Runner_ParameterString(1), nullptr);
}

TEST_F(CommandLineTest, LongTokensAndManyParametersGrow) {
  std::string longToken(10000, 'x');
  std::string line = "-game " + longToken;
  for (int i = 0; i < 300; ++i) line += " p" + std::to_string(i);
  Runner_ParseCommandLine(line.c_str());
  EXPECT_EQ(GamePath(), longToken);
  ASSERT_EQ(Runner_ParameterCount(), 302);
  EXPECT_STREQ(Runner_ParameterString(301), "p299");
}

TEST_F(CommandLineTest, ParserResetsOnlyItsOwnSwitches) {
  Runner_ParseCommandLine("-debug -noaudio -ext -oldexec -inawindow -record r.rec -trace -noerrors -sleepmargin 3");
  Runner_ParseCommandLine("next");
  // Reset by every parse:
  EXPECT_FALSE(g_RunnerOptions.debug);
  EXPECT_EQ(Debug_OverlayFlags, 0);
  EXPECT_FALSE(Audio_NoAudio);
  EXPECT_FALSE(Extension_CallsDisabled);
  EXPECT_TRUE(g_RunnerOptions.codeExecutionMode);
  EXPECT_FALSE(g_RunnerOptions.inAWindow);
  EXPECT_FALSE(g_RunnerOptions.record);
  // Stay in force for later passes:
  EXPECT_TRUE(g_RunnerOptions.trace);
  EXPECT_FALSE(g_RunnerOptions.showErrors);
  EXPECT_EQ(g_RunnerOptions.sleepMargin, 3);
  EXPECT_EQ(g_RunnerOptions.inputFileName, "r.rec");
}

TEST_F(CommandLineTest, ReadTokenRecordsNothingAtTheEnd) {
  Runner_ParseCommandLine("");
  EXPECT_EQ(Runner_ParameterCount(), 0);
  EXPECT_EQ(Runner_ReadToken(0, nullptr), 0u);
  EXPECT_EQ(Runner_ReadToken(3, "ab "), 3u);
  EXPECT_STREQ(Runner_LastToken(), "");
  EXPECT_EQ(Runner_ParameterCount(), 0);
  EXPECT_EQ(Runner_ReadToken(0, " ab cd"), 3u);
  EXPECT_STREQ(Runner_LastToken(), "ab");
  EXPECT_EQ(Runner_ParameterCount(), 1);
}

TEST_F(CommandLineTest, HeadlessScanFindsWholeTokensOnly) {
  const struct {
    const char* line;
    bool found;
  } cases[] = {
      {"prog -headless", true},
      {"prog \"-headless\"", true},
      {"prog -headlessly", false},
      {"prog -game -headless", true},  // the scan looks at every token, arguments too
      {"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    Runner_ParseCommandLine("untouched");
    EXPECT_EQ(Runner_CommandLineHasToken(c.line, "-headless"), c.found);
    EXPECT_EQ(Runner_ParameterCount(), 1);  // the scan records nothing
  }
}

TEST_F(CommandLineTest, BuiltCommandLineParsesBackToTheArguments) {
  const std::vector<std::string> args = {"/opt/my runner/tolvarine", "-game", "/data/a b\tc.win", "",
                                         "\xc3\xa4\xc3\xb6", "plain", "q\"uote.win", "\"", "a\\\"b",
                                         "ends in \\", "c:\\dir\\x.win", "\\\\server\\share", "two \\\\\""};
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::string line = Runner_BuildCommandLine(static_cast<int>(argv.size()), argv.data());
  Runner_ParseCommandLine(line.c_str());
  EXPECT_EQ(Parameters(), args);
  EXPECT_EQ(GamePath(), "/data/a b\tc.win");
}

// A quote inside an argument is text: what follows it stays in the arguments after it.
TEST_F(CommandLineTest, QuoteInsideAnArgumentTogglesNothing) {
  const char* argv[] = {"prog", "-game", "q\"uote.win", "-headless", "-debugoutput", "q.txt"};
  const std::string line = Runner_BuildCommandLine(6, argv);
  Runner_ParseCommandLine(line.c_str());
  EXPECT_EQ(GamePath(), "q\"uote.win");
  EXPECT_TRUE(g_RunnerOptions.headless);
  EXPECT_EQ(g_DebugOutputFileName, "q.txt");
  // Backslashes are text unless a quote follows them.
  Runner_ParseCommandLine("-game c:\\g\\x.win");
  EXPECT_EQ(GamePath(), "c:\\g\\x.win");
}

}  // namespace
