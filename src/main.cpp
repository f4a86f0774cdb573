#include "host/command_line.h"
#include "host/entry.h"
#include "runtime/game_flags.h"

int main(int argc, char** argv) {
  // This runner carries no translated game: the code of the game it loads is the container's
  // byte code, run by the interpreter.
  Game_SetCompiledMode(false);
  return WinMain(Runner_BuildCommandLine(argc, argv).c_str());
}
