#include "core/console.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "core/run_switches.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Exists(const std::string& path) { return std::ifstream(path).good(); }

// Catches what is written to standard output (the file descriptor, so printf and friends too).
class StdoutCapture {
 public:
  explicit StdoutCapture(const std::string& path) : m_path(path) {
    std::fflush(stdout);
    m_saved = dup(STDOUT_FILENO);
    FILE* f = std::fopen(path.c_str(), "w");
    dup2(fileno(f), STDOUT_FILENO);
    std::fclose(f);
  }
  std::string Finish() {
    std::fflush(stdout);
    dup2(m_saved, STDOUT_FILENO);
    close(m_saved);
    return ReadFile(m_path);
  }

 private:
  std::string m_path;
  int m_saved;
};

class ConsoleTest : public testing::Test {
 protected:
  void SetUp() override {
    const std::string base = std::string(TOLVARINE_TEST_TMP) + "/console_" +
                             testing::UnitTest::GetInstance()->current_test_info()->name();
    m_output = base + "_output.log";
    m_debug = base + "_debug.log";
    m_stdout = base + "_stdout.txt";
    std::remove(m_output.c_str());
    std::remove(m_debug.c_str());
    Console_SetOutputFile(m_output.c_str());
    Console_SetDebugOutputFile(m_debug.c_str());
    Console_SetHeadless(true);
  }
  void TearDown() override {
    Console_SetOutputFile(nullptr);
    Console_SetDebugOutputFile(nullptr);
    Console_SetHeadless(false);
  }

  std::string m_output, m_debug, m_stdout;
};

TEST_F(ConsoleTest, EachConsoleAppendsOnlyToItsOwnLog) {
  Console_DebugOutput("Create Window\n");
  Console_Output("hello %d\n", 42);
  Console_DebugOutput("Process Chunk: %s   %d\n", "GEN8", 7);
  Console_Output("%s", "second line\n");
  EXPECT_EQ(ReadFile(m_debug), "Create Window\nProcess Chunk: GEN8   7\n");
  EXPECT_EQ(ReadFile(m_output), "hello 42\nsecond line\n");
}

TEST_F(ConsoleTest, LogFilesAreAppendedToNotReplaced) {
  { std::ofstream(m_output) << "from an earlier run\n"; }
  Console_Output("now\n");
  EXPECT_EQ(ReadFile(m_output), "from an earlier run\nnow\n");
}

TEST_F(ConsoleTest, NoLogFileNamedWritesNoFile) {
  Console_SetDebugOutputFile(nullptr);
  Console_DebugOutput("nowhere\n");
  Console_Output("somewhere\n");
  EXPECT_FALSE(Exists(m_debug));
  EXPECT_EQ(ReadFile(m_output), "somewhere\n");
}

TEST_F(ConsoleTest, LogTextIsCutTo4095CharactersAndPercentSignsStay) {
  const std::string longLine(5000, 'x');
  Console_Output("%s", longLine.c_str());
  EXPECT_EQ(ReadFile(m_output), std::string(4095, 'x'));

  std::remove(m_output.c_str());
  Console_Output("%s", "100% done, %d %s\n");
  Console_Output("%d%%\n", 50);
  EXPECT_EQ(ReadFile(m_output), "100% done, %d %s\n50%\n");
}

TEST_F(ConsoleTest, StandardOutputEchoesUnlessHeadless) {
  const std::string longLine(5000, 'y');
  for (bool headless : {false, true}) {
    SCOPED_TRACE(headless ? "headless" : "not headless");
    std::remove(m_output.c_str());
    Console_SetHeadless(headless);
    StdoutCapture capture(m_stdout);
    Console_Output("line %s\n", "one");
    Console_DebugOutput("%s", longLine.c_str());
    const std::string echoed = capture.Finish();
    // The echo is formatted on its own, so it is not cut like the log text.
    EXPECT_EQ(echoed, headless ? "" : "line one\n" + longLine);
    EXPECT_EQ(ReadFile(m_output), "line one\n");  // the log gets every line either way
  }
}

TEST_F(ConsoleTest, NullFormatWritesNothing) {
  const char* none = nullptr;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-security"  // a null format is the point here
  Console_Output(none);
#pragma GCC diagnostic pop
  EXPECT_FALSE(Exists(m_output));
}

TEST(ErrStreamConsole, CollectsTextAndGrowsByTheAddedLengthPlus1024) {
  struct Case {
    size_t filled;
    size_t added;
    size_t capacity;
  };
  const Case cases[] = {
      {100000, 3000, 106424},  // 103002 reaches 102400: grows by 3000 + 1024
      {101398, 1000, 104424},  // 101398 + 1000 + 2 == 102400: reaching it is enough
      {101397, 1000, 102400},  // one short: no growth
      {0, 16383, 102400},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.filled << " + " << c.added);
    TErrStreamConsole console;
    EXPECT_EQ(console.Capacity(), 102400u);
    EXPECT_STREQ(console.Text(), "");
    const std::string piece(10000, 'a');
    size_t filled = 0;
    while (filled + piece.size() <= c.filled) {
      console.Output("%s", piece.c_str());
      filled += piece.size();
    }
    console.Output("%s", std::string(c.filled - filled, 'a').c_str());
    ASSERT_EQ(console.Capacity(), 102400u);
    console.Output("%s", std::string(c.added, 'b').c_str());
    EXPECT_EQ(console.Capacity(), c.capacity);
    const std::string text = console.Text();
    EXPECT_EQ(text, std::string(c.filled, 'a') + std::string(c.added, 'b'));
  }
}

TEST(ErrStreamConsole, OnePieceIsCutToTheScratchBuffer) {
  TErrStreamConsole console;
  console.Output("%s|%d", std::string(20000, 'z').c_str(), 5);
  EXPECT_EQ(std::string(console.Text()), std::string(16383, 'z'));
  console.Output("%d%%", 7);
  EXPECT_EQ(std::string(console.Text()).substr(16383), "7%");
}

}  // namespace
