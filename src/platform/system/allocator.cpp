#include "platform/system/allocator.h"

#include <cstdlib>  // defines __GLIBC__ on the GNU C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

bool Platform_TuneAllocator() {
#if defined(__GLIBC__)
  // The largest mmap threshold the allocator takes on 64-bit systems; setting it also stops the
  // allocator from moving it, and from lowering the trim threshold with it.
  constexpr int kMmapThreshold = 32 << 20;
  constexpr int kTrimThreshold = 128 << 20;
  constexpr int kTopPad = 4 << 20;
  const bool mmap = mallopt(M_MMAP_THRESHOLD, kMmapThreshold) == 1;
  const bool trim = mallopt(M_TRIM_THRESHOLD, kTrimThreshold) == 1;
  const bool pad = mallopt(M_TOP_PAD, kTopPad) == 1;
  return mmap && trim && pad;
#else
  return false;
#endif
}
