// Reading environment variables for scripts.
#pragma once

// A new memory-manager copy of the variable's UTF-8 value, or null when it is not set.
char* Win32_GetEnvironmentVariable(const char* name);
