// A temporary program directory (also the current directory) and save area for file tests,
// with the debug console captured.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "core/console.h"
#include "core/memory_manager.h"
#include "io/file_services.h"
#include "runtime/game_header.h"
#include "io/load_save.h"
#include "io/program.h"
#include "world/lifecycle.h"

class CaptureConsole final : public tagIConsole {
 public:
  void Output(const char* format, ...) override __attribute__((format(printf, 2, 3))) {
    char line[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    text += line;
  }
  std::string text;
};

inline char* TestStrDup(const char* s) {
  size_t n = std::strlen(s) + 1;
  char* out = static_cast<char*>(MEM_ALLOC(n));
  std::memcpy(out, s, n);
  return out;
}

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline bool PathExists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

class HostFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = std::string(TOLVARINE_TEST_TMP) + "/host_XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    // The current directory comes back resolved, so the paths compared with it must be too.
    char* real = realpath(pattern.c_str(), nullptr);
    ASSERT_NE(real, nullptr);
    root = real;
    std::free(real);
    program = root + "/program";
    saveRoot = root + "/data";
    ASSERT_EQ(mkdir(program.c_str(), 0777), 0);
    ASSERT_EQ(mkdir(saveRoot.c_str(), 0777), 0);
    save = saveRoot + "/TestGame/";

    char* cwd = getcwd(nullptr, 0);
    oldCwd = cwd;
    std::free(cwd);
    ASSERT_EQ(chdir(program.c_str()), 0);
    setenv("XDG_DATA_HOME", saveRoot.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);

    Runner_SetGameFilePath((program + "/game.win").c_str());
    game_project_name = TestStrDup("TestGame");
    g_GameHeader.headerFlags = 0;
    Win32_FreeSaveDirectory();
    savedConsole = g_pDebugConsole;
    g_pDebugConsole = &log;
  }

  void TearDown() override {
    g_pDebugConsole = savedConsole;
    LoadSave_FreeWhitelist(&g_pReadWhitelist);
    LoadSave_FreeWhitelist(&g_pSaveWhitelist);
    MEM_FREE(game_project_name);
    game_project_name = nullptr;
    MEM_FREE(working_directory);
    working_directory = nullptr;
    Win32_FreeSaveDirectory();
    Runner_SetGameFilePath(nullptr);
    if (chdir(oldCwd.c_str()) != 0) ADD_FAILURE() << "cannot return to " << oldCwd;
    File_DeleteTree(root.c_str());
  }

  std::string MapRead(const std::string& path) {
    char out[4096];
    LoadSave_MapReadPath(out, sizeof out, path.c_str());
    return out;
  }

  std::string MapSave(const std::string& path) {
    char out[4096];
    LoadSave_MapSavePath(out, sizeof out, path.c_str());
    return out;
  }

  std::string root, program, saveRoot, save, oldCwd;
  CaptureConsole log;
  tagIConsole* savedConsole = nullptr;
};
