#include "platform/window/file_dialog.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "core/run_switches.h"
#include "io/file_dialogs.h"
#include "host/host_test_support.h"

namespace {

using host_test::Exists;
using host_test::MakeScratchDir;
using host_test::ReadFile;
using host_test::WriteFile;

// A stand-in "zenity" on PATH that records its arguments and answers as told.
std::string InstallFakeZenity(const std::string& dir, const std::string& body) {
  std::string script = dir + "/zenity";
  WriteFile(script, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + dir + "/args.txt\"\n" + body);
  chmod(script.c_str(), 0755);
  return dir;
}

TEST(FileDialogTest, AnswersFromTheDesktopHelper) {
  const std::string bin = MakeScratchDir("bin");
  const std::string oldPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  setenv("PATH", (bin + ":" + oldPath).c_str(), 1);
  setenv("DISPLAY", ":77", 1);
  unsetenv("WAYLAND_DISPLAY");

  const struct {
    const char* name;
    const char* body;
    bool chosen;
    const char* path;
  } cases[] = {
      {"picked", "printf '/home/u/My Games/a.win\\n'\n", true, "/home/u/My Games/a.win"},
      {"cancelled", "exit 1\n", false, nullptr},
      {"empty answer", "exit 0\n", false, nullptr},
      {"killed", "kill -9 $$\n", false, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InstallFakeZenity(bin, c.body);
    std::string path = "untouched";
    EXPECT_EQ(FileDialog_Open("Open", "All Files (*.*)", "*", &path), c.chosen);
    EXPECT_EQ(path, c.chosen ? c.path : "untouched");
    EXPECT_EQ(ReadFile(bin + "/args.txt"), "--file-selection\n--title=Open\n--file-filter=All Files (*.*) | *\n");
  }

  // Without a display the helper is never started.
  std::remove((bin + "/args.txt").c_str());
  unsetenv("DISPLAY");
  std::string path;
  EXPECT_FALSE(FileDialog_HasDisplay());
  EXPECT_FALSE(FileDialog_Open("Open", "All Files (*.*)", "*", &path));
  EXPECT_FALSE(Exists(bin + "/args.txt"));

  // Not installed: cancelled.
  setenv("DISPLAY", ":77", 1);
  setenv("PATH", (bin + "/nothing-here").c_str(), 1);
  EXPECT_FALSE(FileDialog_Open("Open", "All Files (*.*)", "*", &path));
  setenv("PATH", oldPath.c_str(), 1);
}

// The game's dialogs: a fake helper on PATH and a display, put back afterwards.
class GameFileDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    bin = MakeScratchDir("game_dialogs");
    oldPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    setenv("PATH", (bin + ":" + oldPath).c_str(), 1);
    setenv("DISPLAY", ":77", 1);
  }
  void TearDown() override {
    setenv("PATH", oldPath.c_str(), 1);
    unsetenv("DISPLAY");
    g_IsHeadless = false;
  }
  std::string Args() { return ReadFile(bin + "/args.txt"); }

  std::string bin, oldPath;
};

TEST(FileDialogFilterTest, PairsOfDescriptionAndPatterns) {
  using Lines = std::vector<std::pair<std::string, std::vector<std::string>>>;
  const struct {
    const char* filter;
    Lines lines;
  } cases[] = {
      {"Text files|*.txt|All files|*.*", {{"Text files", {"*.txt"}}, {"All files", {"*"}}}},
      {"Images|*.png;*.jpg; *.gif", {{"Images", {"*.png", "*.jpg", "*.gif"}}}},
      {"Levels|*.lvl|Dangling", {{"Levels", {"*.lvl"}}}},
      {"Anything|", {{"Anything", {"*"}}}},
      {"Only words", {}},
      {"", {}},
      {nullptr, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.filter != nullptr ? c.filter : "(null)");
    Lines got;
    for (const FileDialogFilter& f : FileDialog_ParseFilter(c.filter)) got.emplace_back(f.name, f.patterns);
    EXPECT_EQ(got, c.lines);
  }
}

TEST(FileDialogFilterTest, DefaultExtensionComesFromTheFirstPattern) {
  const struct {
    const char* filter;
    const char* extension;
  } cases[] = {
      {"Text|*.txt|All|*.*", "txt"},
      {"Images|*.png;*.jpg", "png"},
      {"Save|slot.sav", "sav"},
      {"All|*.*|Text|*.txt", ""},
      {"Some|*.tx?", ""},
      {"All|*|Text|*.txt", "txt"},  // the first dot after the first bar
      {"Text (*.txt)|*.txt", "txt"},  // a dot in the description does not count
      {"No pattern", ""},
      {nullptr, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FileDialog_DefaultExtension(c.filter), c.extension) << c.filter;
}

TEST_F(GameFileDialogTest, SaveDialogAsksBeforeReplacingAndAddsTheExtension) {
  const struct {
    const char* answer;
    const char* result;
  } cases[] = {
      {"/home/u/level one", "/home/u/level one.lvl"},
      {"/home/u/level.two", "/home/u/level.two"},
      {"/home/u.d/plain", "/home/u.d/plain.lvl"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    InstallFakeZenity(bin, std::string("printf '%s\\n' '") + c.answer + "'\n");
    const char* chosen = Win32_GetSaveFileName("Levels|*.lvl|All files|*.*", "start", "/levels", "Save level");
    ASSERT_NE(chosen, nullptr);
    EXPECT_STREQ(chosen, c.result);
    EXPECT_EQ(Args(),
              "--file-selection\n--save\n--confirm-overwrite\n--title=Save level\n--filename=/levels/start\n"
              "--file-filter=Levels | *.lvl\n--file-filter=All files | *\n");
  }
}

TEST_F(GameFileDialogTest, OpenDialogOffersTheNameInItsDirectory) {
  InstallFakeZenity(bin, "printf '/levels/a.lvl\\n'\n");
  const struct {
    const char* name;
    const char* directory;
    const char* filename;  // "" when none is offered
  } cases[] = {
      {"save.dat", "/games/", "--filename=/games/save.dat\n"},
      {"save.dat", "/games", "--filename=/games/save.dat\n"},
      {"/other/save.dat", "/games", "--filename=/other/save.dat\n"},
      {nullptr, "/games", "--filename=/games/\n"},
      {"", nullptr, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.filename);
    EXPECT_STREQ(Win32_GetOpenFileName("Levels|*.lvl", c.name, c.directory, nullptr), "/levels/a.lvl");
    EXPECT_EQ(Args(), std::string("--file-selection\n--title=\n") + c.filename + "--file-filter=Levels | *.lvl\n");
  }
}

TEST_F(GameFileDialogTest, CancelledOrUnattendedGivesNothing) {
  InstallFakeZenity(bin, "exit 1\n");
  EXPECT_EQ(Win32_GetOpenFileName("All|*.*", "a", nullptr, "Open"), nullptr);
  EXPECT_EQ(Win32_GetSaveFileName("All|*.*", "a", nullptr, "Save"), nullptr);

  InstallFakeZenity(bin, "printf '/x\\n'\n");
  std::remove((bin + "/args.txt").c_str());
  g_IsHeadless = true;
  EXPECT_EQ(Win32_GetOpenFileName("All|*.*", "a", nullptr, "Open"), nullptr);
  EXPECT_EQ(Win32_GetSaveFileName("All|*.*", "a", nullptr, "Save"), nullptr);
  EXPECT_FALSE(Exists(bin + "/args.txt"));
}

}  // namespace
