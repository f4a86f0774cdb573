#include "host/environment.h"

#include <cstdlib>

#include "host/entry.h"

char* Win32_GetEnvironmentVariable(const char* name) {
  if (name == nullptr) return nullptr;
  return Host_DupText(std::getenv(name));
}
