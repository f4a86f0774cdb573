// Named constants: the built-in names ("self", "c_red", "vk_enter", ...) registered at start-up,
// then the constants the game and its extensions define. Scripts compiled to native code have
// their constants folded in; the table serves the name lookups made at run time.
//
// Entries are only appended and a name may appear more than once: every lookup searches from the
// newest entry back, so the entry added last wins.
#pragma once

#include <cstdint>

struct RValue;

// Appends an entry holding a counted copy of the value.
void Constant_Add(const char* name, const RValue* value);
void Constant_AddReal(const char* name, double value);
// The value of the newest entry whose name matches ignoring ASCII letter case; null when none.
// The pointer stays valid until the table is freed.
const RValue* Constant_Lookup(const char* name);
// out starts as the real -1. An object, sprite, legacy sound, audio asset, background, path,
// font, timeline, script, room or shader of exactly that name (tried in that order) gives its
// index as a real; else the newest constant of exactly that name (case-sensitive) gives a counted
// copy of its value. False when nothing matched.
bool Constant_Find(const char* name, RValue* out);
// The asset kinds of the name tables (asset_get_type's codes); shaders have one of their own.
inline constexpr int32_t kAssetNone = -1;
inline constexpr int32_t kAssetObject = 0;
inline constexpr int32_t kAssetSprite = 1;
inline constexpr int32_t kAssetSound = 2;  // legacy sounds and the audio engine's assets
inline constexpr int32_t kAssetRoom = 3;
inline constexpr int32_t kAssetBackground = 4;
inline constexpr int32_t kAssetPath = 5;
inline constexpr int32_t kAssetScript = 6;
inline constexpr int32_t kAssetFont = 7;
inline constexpr int32_t kAssetTimeLine = 8;
inline constexpr int32_t kAssetShader = 9;
// The asset lookup of Constant_Find: the index of the first table (in its order) that knows the
// name, -1 when none; *kind (may be null) gets that table's kind. Shaders are tried only when
// asked for.
int32_t Constant_FindAsset(const char* name, bool withShaders, int32_t* kind);
// One kind of asset that Constant_FindAsset looks a name up in.
struct AssetFinder {
  int32_t (*find)(const char* name);
  int32_t kind;
};
// The asset tables live above the interpreter: the host installs their finders at start-up, in
// the order of the lookup (the array must stay). Without them no name is an asset. Answers are
// kept until any NameIndex is invalidated, so every table a finder reads must keep its names in
// one (core/name_index.h) and invalidate it on each change.
void Constant_SetAssetFinders(const AssetFinder* finders, int32_t count);
// Not empty, a letter or underscore first, then only letters, digits and underscores.
bool Constant_IsValidName(const char* name);
// A constant of the game or an extension. The name is trimmed; an invalid one shows the message
// box "Constant name %s  is not valid." and gives false. The value text is read as a number, a
// quoted text (its inside, as a string) or the name of a constant already defined (its value);
// anything else is the real 0, with a log line naming the constant.
bool Constant_AddUser(const char* nameText, const char* valueText);
// Adds the game's constants (the game options' list) in order; false at the first invalid name.
bool Constant_Prepare();
// The 506 built-in constants, all reals; "dll_cdecl" and "dll_stdcall" are left out while
// external calls are restricted.
void Constant_InitBuiltins();
// Empties the table (teardown).
void Constant_Free();
int32_t Constant_Count();

// Frees the memory-manager block *target holds and stores a new one holding the text without its
// leading and trailing blanks (bytes whose signed value is 32 or less: control characters, the
// space and every byte from 128 up); a null text stores null.
void String_TrimCopy(char** target, const char* text);
