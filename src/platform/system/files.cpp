#include "platform/system/files.h"

#include <fcntl.h>
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
