// File access through the save area.
//
// Reads by name come from the program directory (the game file's folder), writes go to the
// per-game save area ($XDG_DATA_HOME/<game>/, or $XDG_CONFIG_HOME/<game>/ when the header asks
// for it). A path is first made absolute ('\\' read as '/', "." and ".." resolved against the
// current directory) and then mapped; a path outside every allowed place maps to "" and so
// fails in whatever uses it. Directory comparisons respect separator boundaries: "/games/a"
// admits "/games/a/x" but not "/games/ab".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The absolute, lexically normal form of a path as the runner reads paths: '\\' is read as '/',
// a relative path is taken against the current directory, "." and empty parts vanish and ".."
// removes the part before it (never above the root). A trailing separator is kept. "" for "".
std::string LoadSave_FullPath(const char* path);

// The save-area prefix with its trailing '/'; "" when the game has no name or no home folder
// can be found. Computed on first use and kept.
const char* Win32_GetSaveDirectory();
// A relaunch hands over the prefix of the game that asked for it; null or "" forgets it.
void Win32_SetSaveDirectory(const char* prefix);
// End of a pass: forget the prefix so that the next game computes its own.
void Win32_FreeSaveDirectory();

// Allow lists of places outside the program directory and the save area, newest first.
struct LoadSaveWhitelistEntry {
  LoadSaveWhitelistEntry* next;
  char* path;  // absolute; a memory-manager block
  bool directory;
};
// Files chosen in an open-file dialog.
extern LoadSaveWhitelistEntry* g_pReadWhitelist;
// Files chosen in a save-file dialog, and workshop item folders.
extern LoadSaveWhitelistEntry* g_pSaveWhitelist;

// A directory entry admits the paths under it (letter case counts); a file entry admits its
// own path in any ASCII letter case.
bool LoadSave_IsWhitelisted(const LoadSaveWhitelistEntry* list, const char* path);
bool LoadSave_IsWhitelistedDirectory(const LoadSaveWhitelistEntry* list, const char* path);
void LoadSave_AddToWhitelist(LoadSaveWhitelistEntry** list, const char* path, bool directory);
// Entries live until the process ends; this releases a list then.
void LoadSave_FreeWhitelist(LoadSaveWhitelistEntry** list);

// Write the mapped path into destination, or "" for a refused path or one that does not fit.
// A refused save path is logged: "Error! not allowing save with filename '%s'".
void LoadSave_MapReadPath(char* destination, size_t size, const char* path);
void LoadSave_MapSavePath(char* destination, size_t size, const char* path);

// The whole file as a new memory-manager block of at least 1 byte (the caller frees it), its
// length in *size; null when it cannot be read. No mapping. Files of 2 GiB or more are refused.
uint8_t* LoadSave_ReadFile(const char* path, int32_t* size);
// True when the path names a regular file that opens for reading. No mapping.
bool LoadSave_FileExists(const char* path);
uint8_t* LoadSave_ReadSaveFile(const char* path, int32_t* size);
uint8_t* LoadSave_ReadProgramFile(const char* path, int32_t* size);
bool LoadSave_SaveFileExists(const char* path);
bool LoadSave_ProgramFileExists(const char* path);
// Writes size bytes to the save-mapped path, creating its missing directories.
bool LoadSave_WriteFile(const char* path, const void* data, int32_t size);
bool LoadSave_DeleteFile(const char* path);

// The same operations for C++ callers: the mapped path ("" when refused), and the whole file
// into a byte vector (false when it cannot be read).
std::string LoadSave_MapReadPath(const char* path);
std::string LoadSave_MapSavePath(const char* path);
bool LoadSave_ReadProgramFile(const char* path, std::vector<uint8_t>* bytes);
bool LoadSave_ReadSaveFile(const char* path, std::vector<uint8_t>* bytes);

// Whether the game's own files come from the program directory (on) or the save area (off: a
// game file that only exists there). Switched on at the start of every load.
void LoadSave_SetReadFromProgramDirectory(bool on);
bool LoadSave_ReadFromProgramDirectory();

class IniFile;
// Hook for "options.ini" after loading; the file module takes nothing from it.
void LoadSave_OnOptionsLoaded(IniFile* options);

// A whole file held in memory between open and close; nothing reaches the disk before close,
// which writes the bytes back into the save area when the handle was opened for writing.
struct LoadSaveFile;

// Mode letters anywhere in the mode text: 'r' read, 'w' write, 'a' read + write at the end,
// '+' write, 't' text (a leading UTF-8 byte-order mark is skipped). Reads look in the program
// directory first, then in the save area. Null for a missing file opened only for reading.
LoadSaveFile* LoadSave_FOpen(const char* path, const char* mode);
// A file for reading over a copy of the bytes, with nothing to write back.
LoadSaveFile* LoadSave_FOpenBytes(const void* data, size_t size);
void LoadSave_FClose(LoadSaveFile* file);
int64_t LoadSave_FTell(const LoadSaveFile* file);
// Origin 0 start, 1 current, 2 end; the position stays within the data. Returns the position.
int64_t LoadSave_FSeek(LoadSaveFile* file, int64_t offset, int origin);
bool LoadSave_FEof(const LoadSaveFile* file);
// At the end, or at a CR or LF byte.
bool LoadSave_FEoln(const LoadSaveFile* file);
// The byte at the position (0..255); 0xFF at the end, where the position still moves on.
int LoadSave_FGetC(LoadSaveFile* file);
// Skips white space and reads a decimal number; returns the bytes consumed (0 and no move when
// no number follows, *value then 0).
int LoadSave_FReadReal(LoadSaveFile* file, double* value);
size_t LoadSave_FRead(void* data, size_t size, size_t count, LoadSaveFile* file);
size_t LoadSave_FWrite(const void* data, size_t size, size_t count, LoadSaveFile* file);
// Writes the text with every bare LF turned into CR LF; returns the bytes written.
size_t LoadSave_FPuts(LoadSaveFile* file, const char* text);
