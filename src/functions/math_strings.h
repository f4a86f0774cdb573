// Text forms of values for the rest of the runner.
#pragma once

struct RValue;

// The text that string() gives for the value, in a new memory-manager block of exactly the needed
// size (with its terminating zero); the caller frees it with MemoryManager_Free.
char* F_StringFromValue(const RValue* value);
