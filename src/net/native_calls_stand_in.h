// STAND-IN until native libraries are loaded: the table of functions bound from native libraries.
// No library loads yet, so every definition answers -1, every call the real 0, and freeing does
// nothing. What each entry point was last asked is kept, so the script layer above can be tested.
#pragma once

#include <cstdint>
#include <string>

struct RValue;

inline constexpr int32_t kExternalMaxArguments = 16;
// Argument kinds: one word per argument, for the largest count plus one.
inline constexpr int32_t kExternalKindWords = 17;
inline constexpr int32_t kExternalKindReal = 0;
inline constexpr int32_t kExternalKindString = 1;

// The index of the bound function, or -1. kinds holds argumentCount words (1 string, 0 real).
int32_t External_Define(const char* library, const char* name, int32_t callType, int32_t argumentCount,
                        const int32_t* kinds, bool resultIsString);
// Calls the bound function; the result is always written (the real 0 unless the call made one).
void External_Call(int32_t index, int32_t argumentCount, RValue* args, RValue* result);
// Unloads the library and leaves its functions uncallable.
void External_Free(const char* library);

// What the stand-in was asked last, and how often.
struct ExternalStandInLog {
  int32_t defines = 0;
  std::string library;
  std::string name;
  int32_t callType = 0;
  int32_t argumentCount = 0;
  int32_t kinds[kExternalKindWords] = {};
  bool resultIsString = false;
  int32_t calls = 0;
  int32_t callIndex = 0;
  int32_t callArgumentCount = 0;
  int32_t frees = 0;
  std::string freed;
};
ExternalStandInLog& External_StandInLog();
