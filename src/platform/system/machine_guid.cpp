#include "platform/system/machine_guid.h"

#include <fcntl.h>
#include <unistd.h>

#include <optional>

namespace {

constexpr const char* kUnreadable = "NOT SUPPORTED";
// A machine id is 32 hexadecimal digits; anything much longer is not one.
constexpr size_t kMaxIdBytes = 256;

std::optional<std::string> g_override;
std::optional<std::string> g_read;

std::string ReadMachineId() {
  const int fd = open("/etc/machine-id", O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return kUnreadable;
  char bytes[kMaxIdBytes + 1];
  size_t done = 0;
  while (done < sizeof bytes) {
    const ssize_t n = read(fd, bytes + done, sizeof bytes - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(fd);
  if (done > kMaxIdBytes) return kUnreadable;
  std::string id(bytes, done);
  const size_t end = id.find_first_of("\r\n");
  if (end != std::string::npos) id.resize(end);
  // A zero byte would end the text early where the id is used as one.
  if (id.empty() || id.find('\0') != std::string::npos) return kUnreadable;
  return id;
}

}  // namespace

std::string OS_GetMachineGuid() {
  if (g_override) return *g_override;
  if (!g_read) g_read = ReadMachineId();
  return *g_read;
}

void OS_SetMachineGuidForTesting(const char* guid) {
  if (guid != nullptr) {
    g_override = guid;
  } else {
    g_override.reset();
  }
}
