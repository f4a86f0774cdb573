#include "core/memory_manager.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "core/console.h"
#include "core/run_switches.h"
#include "platform/window/message_box.h"

namespace {

std::atomic<uint32_t> g_frameCount{0};
std::atomic<bool> g_initialised{false};
std::atomic<MemoryHeapAllocFn> g_heapAlloc{&std::malloc};

constexpr uint32_t kAlignedFlag = 0x80000000u;
constexpr uint32_t kAlignedMaxOffset = 0x2000u;

// Bytes in use are counted per thread: a locked read-modify-write of one shared counter on every
// allocation and free would cost more than the heap call itself. Each thread's slot lives in its
// own thread storage (trivial, so reaching it is one segment-relative access); the first count
// links it into a list that the reader sums, and the thread folds it into g_retiredBytes when it
// ends. Only the owning thread writes a slot, so a relaxed load and store suffice and the reader
// still sees whole values. Allocation and freeing keep separate totals: one shared total would
// chain every allocation's update to the previous free's through memory.
struct UsageSlot {
  std::atomic<int64_t> allocated{0};
  std::atomic<int64_t> freed{0};
  UsageSlot* prev = nullptr;
  UsageSlot* next = nullptr;
  bool linked = false;
  bool gone = false;  // folded at thread (or program) end; later counts go to g_retiredBytes
};

std::mutex& SlotListLock() {
  static std::mutex* lock = new std::mutex;  // never destroyed: threads may end during exit
  return *lock;
}
UsageSlot* g_slots = nullptr;
std::atomic<int64_t> g_retiredBytes{0};
thread_local UsageSlot t_usage;

inline int64_t SlotBytes(const UsageSlot& slot) {
  return slot.allocated.load(std::memory_order_relaxed) - slot.freed.load(std::memory_order_relaxed);
}

// Made on a thread's first count; its destructor runs when the thread ends.
struct UsageSlotUnlinker {
  UsageSlotUnlinker() {
    std::lock_guard<std::mutex> hold(SlotListLock());
    t_usage.next = g_slots;
    if (g_slots != nullptr) g_slots->prev = &t_usage;
    g_slots = &t_usage;
    t_usage.linked = true;
  }
  ~UsageSlotUnlinker() {
    std::lock_guard<std::mutex> hold(SlotListLock());
    g_retiredBytes.fetch_add(SlotBytes(t_usage), std::memory_order_relaxed);
    t_usage.allocated.store(0, std::memory_order_relaxed);
    t_usage.freed.store(0, std::memory_order_relaxed);
    if (t_usage.prev != nullptr) t_usage.prev->next = t_usage.next; else g_slots = t_usage.next;
    if (t_usage.next != nullptr) t_usage.next->prev = t_usage.prev;
    t_usage.linked = false;
    t_usage.gone = true;
  }
};

inline void Bump(std::atomic<int64_t>& total, int64_t amount) {
  total.store(total.load(std::memory_order_relaxed) + amount, std::memory_order_relaxed);
}

// The thread's first count, and counts after its slot was folded.
__attribute__((noinline)) void CountSlow(int64_t delta) {
  if (t_usage.gone) {
    // Blocks freed by thread-exit or static destructors after this thread's slot was folded.
    g_retiredBytes.fetch_add(delta, std::memory_order_relaxed);
    return;
  }
  static thread_local UsageSlotUnlinker unlinker;
  if (delta >= 0) Bump(t_usage.allocated, delta); else Bump(t_usage.freed, -delta);
}

inline void CountAllocated(uint32_t size) {
  if (__builtin_expect(t_usage.linked, 1)) {
    Bump(t_usage.allocated, size);
  } else {
    CountSlow(size);
  }
}

inline void CountFreed(uint32_t size) {
  if (__builtin_expect(t_usage.linked, 1)) {
    Bump(t_usage.freed, size);
  } else {
    CountSlow(-static_cast<int64_t>(size));
  }
}

inline MemoryBlockHeader* HeaderOf(const void* p) {
  return reinterpret_cast<MemoryBlockHeader*>(const_cast<char*>(static_cast<const char*>(p)) - sizeof(MemoryBlockHeader));
}

// These peek at the bytes in front of a pointer that may not be ours at all (IsAllocated's whole
// job), so the address sanitizer must not treat the peek as an overflow. A foreign pointer need
// not be aligned, hence the byte copies.
__attribute__((no_sanitize("address"))) inline uint32_t WordBefore(const void* p, int words) {
  uint32_t w;
  __builtin_memcpy(&w, static_cast<const char*>(p) - 4 * words, sizeof w);
  return w;
}

// Two 4-byte loads on purpose: one 8-byte load of both magic words would straddle the two 8-byte
// stores that wrote the header and stall on a block just made.
__attribute__((no_sanitize("address"))) inline bool HasHeader(const void* p) {
  return WordBefore(p, 3) == kMemoryMagic1 && WordBefore(p, 2) == kMemoryMagic2;
}

__attribute__((no_sanitize("address"))) inline bool IsAlignedBlock(const void* p) {
  uint32_t marker = WordBefore(p, 1);
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
  // The header records the size in 32 bits; a larger request is refused, never truncated.
  if (size > UINT32_MAX) MemoryManager_OutOfMemory(size);
  size_t total = size + sizeof(MemoryBlockHeader);
  void* raw = g_heapAlloc.load(std::memory_order_relaxed)(total);
  if (raw == nullptr) MemoryManager_OutOfMemory(size);
  // Two aligned 8-byte stores: the checks in Free and the heap's own bookkeeping then read whole
  // words of single pending stores, which the processor forwards without a stall.
  const uint64_t lo = static_cast<uint32_t>(size) | (uint64_t{kMemoryMagic1} << 32);
  const uint64_t hi = kMemoryMagic2;  // reserved word 0
  __builtin_memcpy(static_cast<char*>(raw), &lo, 8);
  __builtin_memcpy(static_cast<char*>(raw) + 8, &hi, 8);
  void* p = static_cast<char*>(raw) + sizeof(MemoryBlockHeader);
  if (zero) std::memset(p, 0, size);
  CountAllocated(static_cast<uint32_t>(size));
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

namespace {

inline void ReleaseBlock(void* p) {
  MemoryBlockHeader* h = HeaderOf(p);
  CountFreed(h->size);
  // Clear the second magic word (with the reserved word, one aligned store) so a second free of
  // the same block is caught rather than corrupting the heap.
  const uint64_t cleared = 0;
  __builtin_memcpy(reinterpret_cast<char*>(h) + 8, &cleared, 8);
  std::free(h);
}

// The heap grows a block where it lies whenever it can, so a container growing by small steps
// does not copy all of itself every time. The header moves with the block and is rewritten.
void* GrowInPlace(void* p, uint32_t old, size_t size) {
  if (size > UINT32_MAX) MemoryManager_OutOfMemory(size);
  void* raw = std::realloc(HeaderOf(p), size + sizeof(MemoryBlockHeader));
  if (raw == nullptr) MemoryManager_OutOfMemory(size);  // the old block stays as it was
  const uint32_t recorded = static_cast<uint32_t>(size);
  std::memcpy(raw, &recorded, sizeof recorded);  // the size word; the magic words moved along
  void* q = static_cast<char*>(raw) + sizeof(MemoryBlockHeader);
  std::memset(static_cast<char*>(q) + old, 0, size - old);
  CountAllocated(recorded - old);
  return q;
}

// Everything but the common case, kept out of line so that the common case needs no stack frame.
__attribute__((noinline)) void FreeUncommon(void* p) {
  if (p == nullptr) return;
  if (HasHeader(p)) {
    ReleaseBlock(p);
    return;
  }
  if (IsAlignedBlock(p)) return;
  // Handing free() a pointer we did not make would corrupt the heap later and far away.
  StopOnBadBlock(p, "free");
}

}  // namespace

void MemoryManager_Free(void* p) {
  if (__builtin_expect(p != nullptr && t_usage.linked && HasHeader(p), 1)) {
    ReleaseBlock(p);
    return;
  }
  FreeUncommon(p);
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
    if (g_heapAlloc.load(std::memory_order_relaxed) == &std::malloc) return GrowInPlace(p, old, size);
    // A substituted heap function sees every block the manager makes, grown ones included.
    void* q = NewBlock(size, false);
    std::memcpy(q, p, old);
    std::memset(static_cast<char*>(q) + old, 0, size - old);
    MemoryManager_Free(p);
    return q;
  }
  if (IsAlignedBlock(p)) {
    // Nothing here makes aligned blocks; one that arrives is moved into an ordinary block and
    // the original left to its maker, as freeing it would be.
    uint32_t offset = WordBefore(p, 1) & ~kAlignedFlag;
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
  int64_t used = MemoryManager_BytesInUse();
  Console_DebugOutput("Total memory used = %d(0x%08lx) bytes\n", static_cast<int>(used),
                      static_cast<unsigned long>(static_cast<uint32_t>(used)));
}

void MemoryManager_OutOfMemory(uint64_t requested) {
  if (!g_IsHeadless) {
    MessageBox_ShowFatal("Fatal Memory Error", "Out of Memory!");
  }
  std::printf("Out of Memory allocating %lld bytes\n", static_cast<long long>(requested));
  // Worker threads may still be running: static destructors must not run under them, so leave
  // without them once everything written so far is out.
  std::fflush(nullptr);
  std::_Exit(-1);
}

int64_t MemoryManager_BytesInUse() {
  std::lock_guard<std::mutex> hold(SlotListLock());
  int64_t total = g_retiredBytes.load(std::memory_order_relaxed);
  for (const UsageSlot* s = g_slots; s != nullptr; s = s->next) total += SlotBytes(*s);
  return total;
}
uint32_t MemoryManager_FrameCount() { return g_frameCount.load(); }
bool MemoryManager_IsInitialised() { return g_initialised.load(); }

MemoryHeapAllocFn MemoryManager_SetHeapAlloc(MemoryHeapAllocFn fn) {
  return g_heapAlloc.exchange(fn != nullptr ? fn : &std::malloc);
}

void* Code_AllocMem(size_t size) { return MemoryManager_Alloc(size, "Code_Main", __LINE__, false); }
void* Code_ReallocMem(void* p, size_t size) { return MemoryManager_Realloc(p, size, "Code_Main", __LINE__); }
void Code_FreeMem(void* p) { MemoryManager_Free(p); }
void VM_FreeMem(void* p) { MemoryManager_Free(p); }
