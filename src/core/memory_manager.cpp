#include "core/memory_manager.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/console.h"
#include "core/run_switches.h"
#include "platform/window/message_box.h"

namespace {

std::atomic<int64_t> g_bytesInUse{0};
std::atomic<uint32_t> g_frameCount{0};
std::atomic<bool> g_initialised{false};
std::atomic<MemoryHeapAllocFn> g_heapAlloc{&std::malloc};

constexpr uint32_t kAlignedFlag = 0x80000000u;
constexpr uint32_t kAlignedMaxOffset = 0x2000u;

inline MemoryBlockHeader* HeaderOf(const void* p) {
  return reinterpret_cast<MemoryBlockHeader*>(const_cast<char*>(static_cast<const char*>(p)) - sizeof(MemoryBlockHeader));
}

// These peek at the bytes in front of a pointer that may not be ours at all (IsAllocated's whole
// job), so the address sanitizer must not treat the peek as an overflow.
__attribute__((no_sanitize("address"))) inline bool HasHeader(const void* p) {
  const uint32_t* w = static_cast<const uint32_t*>(p);
  return w[-3] == kMemoryMagic1 && w[-2] == kMemoryMagic2;
}

__attribute__((no_sanitize("address"))) inline bool IsAlignedBlock(const void* p) {
  uint32_t marker = static_cast<const uint32_t*>(p)[-1];
  if ((marker & kAlignedFlag) == 0) return false;
  uint32_t offset = marker & ~kAlignedFlag;
  if (offset >= kAlignedMaxOffset) return false;
  const char* base = static_cast<const char*>(p) - offset;
  return HasHeader(base);
}

[[noreturn]] void StopOnBadBlock(const void* p, const char* what) {
  std::fprintf(stderr, "MemoryManager: %s of a block with a damaged header (%p)\n", what, p);
  std::fflush(stderr);
  __builtin_trap();
}

void* NewBlock(size_t size, bool zero) {
  if (size > UINT32_MAX - sizeof(MemoryBlockHeader)) MemoryManager_OutOfMemory(size);
  size_t total = size + sizeof(MemoryBlockHeader);
  void* raw = g_heapAlloc.load(std::memory_order_relaxed)(total);
  if (raw == nullptr) MemoryManager_OutOfMemory(size);
  auto* h = static_cast<MemoryBlockHeader*>(raw);
  h->size = static_cast<uint32_t>(size);
  h->magic1 = kMemoryMagic1;
  h->magic2 = kMemoryMagic2;
  h->reserved = 0;
  void* p = h + 1;
  if (zero) std::memset(p, 0, size);
  g_bytesInUse.fetch_add(static_cast<int64_t>(size), std::memory_order_relaxed);
  return p;
}

void NewHandler() { MemoryManager_OutOfMemory(0); }

struct StaticInit {
  StaticInit() {
    std::set_new_handler(&NewHandler);
    MemoryManager_Init();
  }
} g_staticInit;

}  // namespace

void* MemoryManager_Alloc(size_t size, const char*, int, bool zero) {
  if (size == 0) return nullptr;
  return NewBlock(size, zero);
}

void MemoryManager_Free(void* p) {
  if (p == nullptr) return;
  if (HasHeader(p)) {
    MemoryBlockHeader* h = HeaderOf(p);
    g_bytesInUse.fetch_sub(static_cast<int64_t>(h->size), std::memory_order_relaxed);
    // Clear the magic so a second free of the same block is caught rather than corrupting the heap.
    h->magic1 = 0;
    h->magic2 = 0;
    std::free(h);
    return;
  }
  if (IsAlignedBlock(p)) return;
  // Handing free() a pointer we did not make would corrupt the heap later and far away.
  StopOnBadBlock(p, "free");
}

bool MemoryManager_IsAllocated(const void* p) {
  if (p == nullptr) return false;
  return HasHeader(p) || IsAlignedBlock(p);
}

uint32_t MemoryManager_BlockSize(const void* p) {
  if (p == nullptr || !HasHeader(p)) return 0;
  return HeaderOf(p)->size;
}

void* MemoryManager_Realloc(void* p, size_t size, const char*, int, bool) {
  if (p == nullptr) return size == 0 ? nullptr : NewBlock(size, true);
  if (HasHeader(p)) {
    uint32_t old = HeaderOf(p)->size;
    if (old >= size) return p;
    void* q = NewBlock(size, false);
    std::memcpy(q, p, old);
    std::memset(static_cast<char*>(q) + old, 0, size - old);
    MemoryManager_Free(p);
    return q;
  }
  if (IsAlignedBlock(p)) {
    // Nothing here makes aligned blocks; one that arrives is moved into an ordinary block and
    // the original left to its maker, as freeing it would be.
    uint32_t offset = static_cast<const uint32_t*>(p)[-1] & ~kAlignedFlag;
    uint32_t base = HeaderOf(static_cast<char*>(p) - offset)->size;
    uint32_t usable = base > offset ? base - offset : 0;
    if (usable >= size) return p;
    void* q = NewBlock(size, true);
    std::memcpy(q, p, usable);
    return q;
  }
  StopOnBadBlock(p, "reallocation");
}

void* MemoryManager_Resize(void** var, size_t size, const char* file, int line) {
  *var = MemoryManager_Realloc(*var, size, file, line);
  return *var;
}

void MemoryManager_Init() { g_initialised.store(true); }
void MemoryManager_FrameTick() { g_frameCount.fetch_add(1, std::memory_order_relaxed); }
void MemoryManager_Report() {}

void MemoryManager_DumpUsage() {
  int64_t used = g_bytesInUse.load();
  Console_DebugOutput("Total memory used = %d(0x%08lx) bytes\n", static_cast<int>(used),
                      static_cast<unsigned long>(static_cast<uint32_t>(used)));
}

void MemoryManager_OutOfMemory(uint64_t requested) {
  if (!g_IsHeadless) {
    MessageBox_ShowFatal("Fatal Memory Error", "Out of Memory!");
  }
  std::printf("Out of Memory allocating %lld bytes\n", static_cast<long long>(requested));
  std::fflush(stdout);
  std::exit(-1);
}

int64_t MemoryManager_BytesInUse() { return g_bytesInUse.load(); }
uint32_t MemoryManager_FrameCount() { return g_frameCount.load(); }
bool MemoryManager_IsInitialised() { return g_initialised.load(); }

MemoryHeapAllocFn MemoryManager_SetHeapAlloc(MemoryHeapAllocFn fn) {
  return g_heapAlloc.exchange(fn != nullptr ? fn : &std::malloc);
}

void* Code_AllocMem(size_t size) { return MemoryManager_Alloc(size, "Code_Main", __LINE__, false); }
void* Code_ReallocMem(void* p, size_t size) { return MemoryManager_Realloc(p, size, "Code_Main", __LINE__); }
void Code_FreeMem(void* p) { MemoryManager_Free(p); }
void VM_FreeMem(void* p) { MemoryManager_Free(p); }
