#include "io/environment.h"

#include "platform/system/environment.h"
#include "runtime/host_state.h"

char* Win32_GetEnvironmentVariable(const char* name) {
  if (name == nullptr) return nullptr;
  return Host_DupText(System_GetEnvironmentVariable(name));
}
