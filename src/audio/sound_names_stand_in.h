// STAND-IN until legacy sounds are loaded: the legacy sound table. It holds no sound unless a test
// names some; a named index counts as a sound of kind 0 that is not preloaded. Nothing can be
// loaded into it, so adding and replacing fail. Playing a sound only records that it plays, until
// it is stopped; nothing is heard.
#pragma once

#include <cstdint>

// The index of the legacy sound with exactly that name, -1 when none.
int32_t Sound_Find(const char* name);
void Sound_StandInSetNames(const char* const* names, int32_t count);

bool Sound_Exists(int32_t index);
// "<undefined>" when there is no such sound.
const char* Sound_Name(int32_t index);
// -1 for a missing sound.
int32_t Sound_GetKind(int32_t index);
bool Sound_GetPreload(int32_t index);
// -1: no sound can be loaded yet.
int32_t Sound_Add(const char* file, int32_t kind, bool preload);
bool Sound_Replace(int32_t index, const char* file, int32_t kind, bool preload);
// The index no longer names a sound.
bool Sound_Delete(int32_t index);

// Marks the sound as playing (with or without looping) and answers whether it exists.
bool Sound_Play(int32_t index, bool loop);
// Marks the sound as stopped; false when it does not exist.
bool Sound_Stop(int32_t index);
// Whether the sound was played and not stopped since; false for a missing sound.
bool Sound_IsPlaying(int32_t index);
// Whether the sound was last played looping.
bool Sound_IsLooping(int32_t index);
