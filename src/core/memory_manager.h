// The tracked allocator behind all runtime memory that is not a class instance.
//
// Every block carries a 16-byte header {size, 0xDEADC0DE, 0xBAADB00B, 0} in front of the address
// handed out. Blocks never shrink on reallocation and grown blocks are zero past their old
// contents, which array and table code relies on for new elements. Running out of memory never
// returns null: the out-of-memory handler tells the user and ends the process.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr uint32_t kMemoryMagic1 = 0xDEADC0DEu;
inline constexpr uint32_t kMemoryMagic2 = 0xBAADB00Bu;

struct MemoryBlockHeader {
  uint32_t size;
  uint32_t magic1;
  uint32_t magic2;
  uint32_t reserved;
};
static_assert(sizeof(MemoryBlockHeader) == 16);

// size is 64-bit so that a request beyond the header's 32-bit size reaches the out-of-memory
// handler instead of being truncated.
void* MemoryManager_Alloc(size_t size, const char* file, int line, bool zero);
void MemoryManager_Free(void* p);
bool MemoryManager_IsAllocated(const void* p);
void* MemoryManager_Realloc(void* p, size_t size, const char* file, int line, bool unused = false);
void* MemoryManager_Resize(void** var, size_t size, const char* file, int line);
template <typename T>
T* MemoryManager_Resize(T** var, size_t size, const char* file, int line) {
  return static_cast<T*>(MemoryManager_Resize(reinterpret_cast<void**>(var), size, file, line));
}

void MemoryManager_Init();
void MemoryManager_FrameTick();
void MemoryManager_Report();
void MemoryManager_DumpUsage();
[[noreturn]] void MemoryManager_OutOfMemory(uint64_t requested);

// Statistics, for diagnostics and tests.
int64_t MemoryManager_BytesInUse();
uint32_t MemoryManager_FrameCount();
bool MemoryManager_IsInitialised();

// The recorded size of a manager block (0 for anything else).
uint32_t MemoryManager_BlockSize(const void* p);

// The process heap the manager draws from. Tests swap in a failing one to reach the
// out-of-memory path without exhausting the machine.
using MemoryHeapAllocFn = void* (*)(size_t);
MemoryHeapAllocFn MemoryManager_SetHeapAlloc(MemoryHeapAllocFn fn);

// The code and interpreter modules' own entry points.
void* Code_AllocMem(size_t size);
void* Code_ReallocMem(void* p, size_t size);
void Code_FreeMem(void* p);
void VM_FreeMem(void* p);

#define MEM_ALLOC(size) MemoryManager_Alloc((size), __FILE__, __LINE__, true)
#define MEM_ALLOC_RAW(size) MemoryManager_Alloc((size), __FILE__, __LINE__, false)
#define MEM_REALLOC(p, size) MemoryManager_Realloc((p), (size), __FILE__, __LINE__)
#define MEM_FREE(p) MemoryManager_Free(p)
