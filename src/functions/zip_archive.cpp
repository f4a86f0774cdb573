#include "functions/zip_archive.h"

#include <zip.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/console.h"
#include "io/load_save.h"

namespace {

// The file-type bits of a Unix mode, as zip archives store them in an entry's upper attribute half.
constexpr zip_uint32_t kModeTypeMask = 0170000;
constexpr zip_uint32_t kModeSymbolicLink = 0120000;

constexpr const char* kWriteFailed = "UNZIP: Failed to write compressed file entry :o\n";

bool IsSymbolicLink(zip_t* archive, zip_uint64_t index) {
  zip_uint8_t system = 0;
  zip_uint32_t attributes = 0;
  if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0) return false;
  return system == ZIP_OPSYS_UNIX && ((attributes >> 16) & kModeTypeMask) == kModeSymbolicLink;
}

// The entry's bytes, read in pieces up to the size the archive states; false when it does not
// read back whole (a damaged or forged entry).
bool ReadEntry(zip_t* archive, zip_uint64_t index, zip_uint64_t size, std::vector<uint8_t>* bytes) {
  zip_file_t* entry = zip_fopen_index(archive, index, 0);
  if (entry == nullptr) return false;
  bytes->resize(size);
  zip_uint64_t done = 0;
  while (done < size) {
    const zip_int64_t n = zip_fread(entry, bytes->data() + done, size - done);
    if (n <= 0) break;
    done += static_cast<zip_uint64_t>(n);
    if (done < size) std::printf("read underflow detected\n");
  }
  zip_fclose(entry);
  return done == size;
}

int32_t Unpack(zip_t* archive, const char* destination, int32_t capacity, int32_t stride, char* names) {
  const zip_int64_t count = zip_get_num_entries(archive, 0);
  int32_t stored = 0;
  for (zip_int64_t i = 0; i < count; ++i) {
    const auto index = static_cast<zip_uint64_t>(i);
    const char* name = zip_get_name(archive, index, ZIP_FL_ENC_RAW);
    if (name == nullptr) continue;
    const std::string target = std::string(destination) + "/" + name;
    if (stored < capacity && stride > 0 && names != nullptr) {
      std::snprintf(names + static_cast<size_t>(stored) * static_cast<size_t>(stride), static_cast<size_t>(stride),
                    "%s", target.c_str());
      ++stored;
    }
    if (destination[0] == '\0' || !Zip_EntryNameIsSafe(name) || IsSymbolicLink(archive, index)) continue;
    zip_stat_t info;
    zip_stat_init(&info);
    if (zip_stat_index(archive, index, 0, &info) != 0 || (info.valid & ZIP_STAT_SIZE) == 0) continue;
    // Folders and empty files: nothing to write (a file's folders come with its write).
    if (info.size == 0) continue;
    std::vector<uint8_t> bytes;
    if (info.size > static_cast<zip_uint64_t>(kZipMaxEntryBytes) || !ReadEntry(archive, index, info.size, &bytes) ||
        !LoadSave_WriteFile(target.c_str(), bytes.data(), static_cast<int32_t>(bytes.size()))) {
      Console_DebugOutput(kWriteFailed);
    }
  }
  zip_close(archive);
  return count > 0 && count <= INT32_MAX ? static_cast<int32_t>(count) : 0;
}

}  // namespace

bool Zip_EntryNameIsSafe(const char* name) {
  if (name == nullptr || name[0] == '\0') return false;
  std::string path(name);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  if (path[0] == '/' || (path.size() >= 2 && path[1] == ':')) return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    if (path.compare(start, end - start, "..") == 0) return false;
    start = end + 1;
  }
  return true;
}

int32_t Command_Unzip(const char* archive, const char* destination, int32_t capacity, int32_t stride, char* names) {
  int error = 0;
  // Only a regular file: a folder or a device named as an archive is not one.
  zip_t* zip = archive != nullptr && LoadSave_FileExists(archive) ? zip_open(archive, ZIP_RDONLY, &error) : nullptr;
  if (zip == nullptr) {
    Console_DebugOutput("Unable to open %s for decompression\n", archive != nullptr ? archive : "");
    return 0;
  }
  return Unpack(zip, destination != nullptr ? destination : "", capacity, stride, names);
}

int32_t Command_UnzipBuffer(const IBuffer* archive, const char* destination, int32_t capacity, int32_t stride,
                            char* names) {
  zip_t* zip = nullptr;
  if (archive != nullptr && archive->GetData() != nullptr && archive->m_size > 0) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(archive->GetData(), static_cast<zip_uint64_t>(archive->m_size), 0,
                                                    &error);
    if (source != nullptr) {
      zip = zip_open_from_source(source, ZIP_RDONLY, &error);
      if (zip == nullptr) zip_source_free(source);
    }
    zip_error_fini(&error);
  }
  if (zip == nullptr) {
    Console_DebugOutput("Unable to open %s for decompression\n", "buffer");
    return 0;
  }
  return Unpack(zip, destination != nullptr ? destination : "", capacity, stride, names);
}
