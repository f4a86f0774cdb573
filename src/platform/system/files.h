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

// What the runner asks about a path. Permission bits are the system's (owner 0700, group 0070,
// others 0007), kept as numbers so callers need no system header to read them.
struct SystemFileInfo {
  bool directory = false;
  bool regular = false;
  uint32_t permissions = 0;  // the mode's permission bits (07777)
  // Some write bit is set, for owner, group or others. It says nothing about whether this
  // process may write: that is System_CanWrite.
  bool anyWriteBit() const { return (permissions & 0222u) != 0; }
};
// Fills *info for the path, after following links or (followLinks false) for the link itself.
// False when the path cannot be examined; *info is then left as it was.
bool System_FileInfo(const char* path, bool followLinks, SystemFileInfo* info);
// True when the path names a directory (after following links).
bool System_IsDirectory(const char* path);
// True when the path names a regular file (after following links) that this process may run.
bool System_IsExecutableFile(const char* path);
// True when this process may write to the path, checked with its real user and group ids.
bool System_CanWrite(const char* path);
// Gives this process write and search rights on a directory where it has not both: `permissions`
// (the directory's current bits) plus the owner's read, write and search bits. True when the
// rights were there already or the change was made.
bool System_MakeOwnerAccessible(const char* path, uint32_t permissions);

// Makes one directory with `permissions` (before the process's file mask). On failure
// *alreadyExists, when given, tells whether the failure was that the name is taken (by a
// directory or anything else); that tells a race lost from a real failure without errno.
bool System_MakeDirectory(const char* path, uint32_t permissions, bool* alreadyExists);
// Removes an empty directory.
bool System_RemoveDirectory(const char* path);
// Removes a name that is not a directory (a link itself, never what it points at).
bool System_DeleteFile(const char* path);
// Renames `from` to `to`, replacing a file already named `to`.
bool System_RenameFile(const char* from, const char* to);
// A stdio stream of any path, opened with a stdio `mode` (so "w" creates or truncates), or null.
// Unlike System_OpenRegularStream nothing is checked first: meant for files the runner writes.
FILE* System_OpenStream(const char* path, const char* mode);
