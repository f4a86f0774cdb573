#include "host/command_line.h"
#include "host/entry.h"
#include "lumbrix/names.h"
#include "runtime/game_flags.h"

int main(int argc, char** argv) {
  // The game's code is translated: the container's code entries name native functions.
  Game_SetCompiledMode(true);
  lumbrix::Install();
  return WinMain(Runner_BuildCommandLine(argc, argv).c_str());
}
