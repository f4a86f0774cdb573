// The runner settings of "options.ini" beside the game, applied to the subsystems they belong to.
// A setting that the command line gave keeps the command line's value.
#pragma once

class IniFile;

// The "Windows" section, then the "DEFAULT" section.
void Runner_ReadIniDefaults(const IniFile* ini);
// The "Windows" section; nothing without a file.
void Runner_ReadIniWindows(const IniFile* ini);
