// The directory search behind file_find_first and file_attributes.
//
// A mask is a directory and a pattern for the names in it ("/save/levels/*.lvl"); only the
// last component may hold wildcards. Names are matched without regard to letter case, with
// '*' and '?' (and '[...]' sets), and a leading dot is an ordinary character. As on the
// desktop system the game was made for, "*.*" matches every name and a pattern ending in ".*"
// also matches the name without any dot ("save.*" matches "save").
//
// Attribute bits: fa_readonly 0x01 (no write permission), fa_hidden 0x02 (a leading dot),
// fa_sysfile 0x04 (never set here), fa_directory 0x10, fa_archive 0x20 (a regular file).
#pragma once

#include <cstdint>

inline constexpr int32_t fa_readonly = 0x01;
inline constexpr int32_t fa_hidden = 0x02;
inline constexpr int32_t fa_sysfile = 0x04;
inline constexpr int32_t fa_volumeid = 0x08;
inline constexpr int32_t fa_directory = 0x10;
inline constexpr int32_t fa_archive = 0x20;

struct FileFindList;

// True when the name matches the mask's last component by the rules above.
bool FileSearch_Match(const char* pattern, const char* name);

// Adds the names that match each mask (either may be null or empty) to the list, the first
// mask's first. A directory is taken only when the attribute mask holds fa_directory; any other
// entry when the attribute mask holds no other bit, or shares a bit with the entry's attributes.
void Win32_FindFiles(FileFindList* list, const char* firstMask, const char* secondMask, double attributeMask);
// The attributes of the first entry that matches the path taken as a mask; 0 when none does.
int32_t Win32_GetFileAttributes(const char* path);
