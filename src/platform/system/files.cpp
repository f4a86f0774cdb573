#include "platform/system/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

bool System_IsRegularFile(const char* path) {
  struct stat st {};
  return path != nullptr && path[0] != '\0' && stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

int System_OpenRegularFile(const char* path) {
  if (!System_IsRegularFile(path)) {
    errno = EINVAL;
    return -1;
  }
  // Not waiting even if the path was swapped for a FIFO since the check; the open file is checked
  // again, so what is read is what was checked.
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    errno = EINVAL;
    return -1;
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

void System_CloseFile(int fd) {
  if (fd >= 0) close(fd);
}

int64_t System_FileSize(int fd) {
  struct stat st {};
  return fstat(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

int64_t System_Read(int fd, void* buffer, size_t size) {
  for (;;) {
    const ssize_t n = read(fd, buffer, size);
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

FILE* System_OpenRegularStream(const char* path, const char* mode) {
  const int fd = System_OpenRegularFile(path);
  if (fd < 0) return nullptr;
  FILE* stream = fdopen(fd, mode);
  if (stream == nullptr) close(fd);
  return stream;
}

std::string System_CurrentDirectory() {
  char* cwd = getcwd(nullptr, 0);
  std::string out = cwd != nullptr ? cwd : "";
  std::free(cwd);
  return out;
}

bool System_ListDirectory(const char* path, std::vector<std::string>* names) {
  names->clear();
  DIR* dir = opendir(path);
  if (dir == nullptr) return false;
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(dir);
    if (entry == nullptr) break;
    names->emplace_back(entry->d_name);
  }
  const bool complete = errno == 0;
  closedir(dir);
  return complete;
}

bool System_MatchPattern(const char* pattern, const char* name) {
  return fnmatch(pattern, name, FNM_CASEFOLD | FNM_NOESCAPE) == 0;
}

namespace {

class DirectoryFd {
 public:
  explicit DirectoryFd(const char* path) : m_fd(open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
  ~DirectoryFd() {
    if (m_fd >= 0) close(m_fd);
  }
  DirectoryFd(const DirectoryFd&) = delete;
  DirectoryFd& operator=(const DirectoryFd&) = delete;
  int get() const { return m_fd; }

 private:
  int m_fd;
};

bool MoveNoReplace(int dirFd, const char* from, const char* to) {
  if (renameat2(dirFd, from, dirFd, to, RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without the no-replace rename: a hard link fails on an existing target too.
  if (linkat(dirFd, from, dirFd, to, 0) != 0) return false;
  unlinkat(dirFd, from, 0);
  return true;
}

}  // namespace

bool System_MoveIntoFolders(const char* directory, const char* name, const std::vector<std::string_view>& parts) {
  if (parts.empty()) return false;
  DirectoryFd dir(directory);
  if (dir.get() < 0) return false;

  struct stat info {};
  if (fstatat(dir.get(), name, &info, AT_SYMLINK_NOFOLLOW) != 0) return false;
  constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;
  if (!S_ISREG(info.st_mode) || (info.st_mode & kAnyWrite) == 0) return false;

  std::string target;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    if (i > 0) target.push_back('/');
    target.append(parts[i]);
    if (mkdirat(dir.get(), target.c_str(), 0777) != 0 && errno != EEXIST) return false;
    // A link in the way could carry the file out of the directory.
    if (fstatat(dir.get(), target.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(info.st_mode)) return false;
  }
  if (!target.empty()) target.push_back('/');
  target.append(parts.back());
  return MoveNoReplace(dir.get(), name, target.c_str());
}

bool System_FileInfo(const char* path, bool followLinks, SystemFileInfo* info) {
  struct stat st {};
  if (path == nullptr || (followLinks ? stat(path, &st) : lstat(path, &st)) != 0) return false;
  info->directory = S_ISDIR(st.st_mode);
  info->regular = S_ISREG(st.st_mode);
  info->permissions = static_cast<uint32_t>(st.st_mode & 07777);
  return true;
}

bool System_IsDirectory(const char* path) {
  struct stat st {};
  return path != nullptr && stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool System_IsExecutableFile(const char* path) {
  struct stat st {};
  return path != nullptr && stat(path, &st) == 0 && S_ISREG(st.st_mode) && access(path, X_OK) == 0;
}

bool System_CanWrite(const char* path) { return path != nullptr && access(path, W_OK) == 0; }

bool System_MakeOwnerAccessible(const char* path, uint32_t permissions) {
  if (access(path, W_OK | X_OK) == 0) return true;
  return chmod(path, static_cast<mode_t>(permissions) | S_IRWXU) == 0;
}

bool System_MakeDirectory(const char* path, uint32_t permissions, bool* alreadyExists) {
  const bool made = mkdir(path, static_cast<mode_t>(permissions)) == 0;
  if (alreadyExists != nullptr) *alreadyExists = !made && errno == EEXIST;
  return made;
}

bool System_RemoveDirectory(const char* path) { return rmdir(path) == 0; }

bool System_DeleteFile(const char* path) { return unlink(path) == 0; }

bool System_RenameFile(const char* from, const char* to) { return std::rename(from, to) == 0; }

FILE* System_OpenStream(const char* path, const char* mode) { return std::fopen(path, mode); }
