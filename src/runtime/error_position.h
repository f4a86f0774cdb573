// Where the interpreter is, as a runtime error report names it.
#pragma once

#include <cstdint>

struct VMErrorPosition {
  const char* codeName = nullptr;      // name of the code being interpreted
  bool hasDebugInfo = false;           // the code maps positions to source lines
  // With debug information: the function named by the source's line marker (null when none),
  // the source line number and the text of that line.
  const char* functionName = nullptr;
  int32_t line = -1;
  const char* sourceLine = nullptr;
};
