#include "host/command_line.h"
#include "host/entry.h"

int main(int argc, char** argv) {
  return WinMain(Runner_BuildCommandLine(argc, argv).c_str());
}
