// Files as the runner reads them: only regular files. A FIFO, a device or a directory given where a
// file is expected is refused before anything could wait on it (opening a FIFO for reading waits
// for a writer, and reading a device may never end).
#pragma once

#include <cstdint>
#include <cstdio>

// True when the path names a regular file (after following links).
bool System_IsRegularFile(const char* path);
// A read-only descriptor of a regular file, or -1 (errno set; EINVAL for anything else). The
// caller closes it with System_CloseFile.
int System_OpenRegularFile(const char* path);
void System_CloseFile(int fd);
// Size of an open file in bytes, -1 on failure.
int64_t System_FileSize(int fd);
// Reads up to `size` bytes, carrying on after interruptions; the count read, 0 at the end, -1 on failure.
int64_t System_Read(int fd, void* buffer, size_t size);
// A stdio stream of a regular file, opened with `mode` (which must read, not create), or null.
FILE* System_OpenRegularStream(const char* path, const char* mode);

#include <string>

// The process's current directory, "" when it cannot be read.
std::string System_CurrentDirectory();
#include <string_view>
#include <vector>

// The names in a directory, "." and ".." included, in the order the system gives them. False
// when the directory cannot be read to its end.
bool System_ListDirectory(const char* path, std::vector<std::string>* names);
// Shell-style pattern match ('*', '?', '[...]'), letter case ignored, backslash not an escape.
bool System_MatchPattern(const char* pattern, const char* name);
// Inside `directory`, moves the writable regular file `name` to parts[0]/parts[1]/.../parts[n-1],
// making the folders on the way. Never replaces an existing file, never follows a link on the way.
bool System_MoveIntoFolders(const char* directory, const char* name, const std::vector<std::string_view>& parts);
