// Unpacking zip archives (zip_unzip) into the save area, from a file or from a buffer's bytes.
//
// Archives come from downloads, so their entries are outside input: an entry named with an
// absolute path or a ".." part, or stored as a symbolic link, is skipped (it would write outside
// the destination); an entry larger than one block can hold, or one that does not read back
// whole, is skipped with the write-failure line. Skipped entries still count.
#pragma once

#include <cstdint>

#include "io/buffer.h"

// The largest entry written (bytes, as the archive states them).
inline constexpr int64_t kZipMaxEntryBytes = int64_t{1} << 30;

// Extracts every entry of the archive at the path into "destination/name" (a path the save area
// maps). While fewer than `capacity` names are stored, each entry's "destination/name" goes into
// the next `stride`-byte slot of `names` (cut to stride - 1 characters). The number of entries,
// or 0 with "Unable to open %s for decompression" when the archive does not open.
int32_t Command_Unzip(const char* archive, const char* destination, int32_t capacity, int32_t stride, char* names);
// The same for an archive held in a buffer (its whole data).
int32_t Command_UnzipBuffer(const IBuffer* archive, const char* destination, int32_t capacity, int32_t stride,
                            char* names);

// Whether an entry name stays inside the folder it is unpacked into: not empty, not absolute
// ('\\' read as '/', drive letters too) and without a ".." part.
bool Zip_EntryNameIsSafe(const char* name);
