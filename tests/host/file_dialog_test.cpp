#include "platform/window/file_dialog.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

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

}  // namespace
