// Shell, directory and temporary-directory services, and path splitting.
//
// Texts are UTF-8. Every function that returns a new text returns a memory-manager block that the
// caller frees (MEM_FREE). Failures are reported as false or null, never by a message.
#pragma once

#include <cstdint>

// Opens a document or URL with the desktop's handler, or starts an executable file directly with
// the parameters. The target is handed over as one argument, never through a shell. A relative
// target is taken against directory (null or "" for the current one). Does not wait.
bool File_ShellExecute(const char* file, const char* parameters, const char* directory);

// Starts program with the parameters (split at blanks; double quotes group) in directory (null
// or "" for the current one). With wait, returns only when the program has ended, pumping window
// messages every 50 ms meanwhile.
bool File_ExecuteProgram(const char* program, const char* parameters, const char* directory, bool wait);

// The run's temporary directory ("" while none was made).
const char* File_GetTempDirectory();
// Start-up: makes the run's temporary directory under $TMPDIR (or /tmp).
void File_CreateTempDirectory();
void File_FindTempBase();
// Makes a new, so far unused "tl_ttt_<n>" directory in base and makes it the temporary directory.
void File_MakeTempDirectory(const char* base);
// Shutdown: deletes the temporary directory with everything in it.
void File_DeleteTempDirectory();

// Deletes the directory and everything below it (null: nothing).
void File_DeleteDirectory(const char* path);
// Deletes a directory tree. Symbolic links are removed, never followed; read-only entries are
// made writable first. Stops at the first entry that cannot be removed and answers false.
bool File_DeleteTree(const char* path);
bool File_IsDotEntry(const char* name);

char* File_GetCurrentDirectory();
// True for an existing regular file (not a directory, device or other special file).
bool File_Exists(const char* path);
bool File_DirectoryExists(const char* path);
bool File_CreateDirectory(const char* path);
// Creates the directory and its missing parents from the top down; a trailing separator is
// ignored. A relative path has no root to start from and fails.
bool File_CreateDirectoryTree(const char* path);

// The last character equal to ch in the UTF-8 text, or null.
const char* File_FindLastChar(const char* text, uint32_t ch);
// Path splitting. Both '/' and '\\' separate.
// Creates every missing directory of the part of the path before its last separator.
void File_CreateParentDirectory(const char* path);
char* File_ExtractPath(const char* path);   // before the last separator; "/" for "/a"; "" without one
char* File_ExtractName(const char* path);   // after the last separator; the whole path without one
char* File_ExtractDrive(const char* path);  // "C:" style drive prefix, else ""
char* File_ExtractExt(const char* path);    // extension of the name with its dot, else ""
// Removes one trailing separator from a text of at least 2 bytes; returns text.
char* File_StripTrailingBackslash(char* text);
