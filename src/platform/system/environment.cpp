#include "platform/system/environment.h"

#include <cstdlib>

const char* System_GetEnvironmentVariable(const char* name) {
  return name != nullptr ? std::getenv(name) : nullptr;
}
