// The process's environment variables.
#pragma once

// The value of an environment variable, or null when it is not set (an empty value is not null).
// The text belongs to the environment: it stays valid until the environment is next changed.
const char* System_GetEnvironmentVariable(const char* name);
