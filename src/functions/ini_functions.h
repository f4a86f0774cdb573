// The one INI file that scripts keep open, the ini script functions and the entries that
// compiled game code calls directly.
#pragma once

#include <cstdint>

class IniFile;

// Closes the open INI file (writing it when changed) and opens the named one; a missing file
// gives an empty INI that keeps the name, so later writes create it. No name: nothing happens.
void F_IniOpen(const char* name);
// The key's value read as a number, or the fallback when the key is missing or no file is open.
double F_IniReadReal(const char* section, const char* key, double fallback);
// Stores the number in "%f" form (always with '.').
void F_IniWriteReal(const char* section, const char* key, double value);

// The open INI file, or null.
IniFile* Ini_OpenFile();
// Shutdown: the open INI file is closed as ini_close closes it.
void Ini_CloseOpenFile();
// Registers the ini script functions with the flag of their group.
void Ini_RegisterFunctions(uint8_t flag);
// atof with '.' as the decimal point whatever the locale; 0 without a number.
double Ini_AtoF(const char* text);
