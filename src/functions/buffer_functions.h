// The buffer table and the buffer script functions, with the asynchronous saves and loads.
//
// Buffers are reached by index. The table grows by doubling (first 32 slots) and reuses the
// lowest free slot. Every index a script passes is checked before use.
#pragma once

#include <cstdint>

#include "io/buffer.h"

// The buffer of an index, or null for an index outside the table or a free slot.
IBuffer* GetBuffer(int32_t index);
// The lowest free slot, growing the table when none is free.
int32_t AllocBufferIndex();
// A new fast (kind 3) or standard buffer in a new slot; its index. A kind outside 0..4 is a fatal
// runtime error and gives -1.
int32_t CreateBuffer(int32_t size, int32_t kind, int32_t alignment);
// A fixed buffer of alignment 1 over the memory, in a new slot; its index.
int32_t CreateBufferFromMemory(void* data, int32_t size, bool ownsMemory);
// Puts a buffer the caller made into a new slot; the table owns it from then on.
int32_t AddBuffer(IBuffer* buffer);
// Destroys the buffer of the index and frees its slot; false when there is none.
bool FreeBuffer(int32_t index);
// The table's slot count.
int32_t Buffer_TableCapacity();
// Destroys every buffer and the table (the end of the process, and tests).
void Buffer_FreeAll();
// Rises each time Buffer_FreeAll empties the table: a holder of an index and a pointer from
// before then holds neither (the same slot and address may belong to a new buffer).
uint64_t Buffer_TableGeneration();

// Registers the buffer script functions.
void InitBufferFunctions();

// Asynchronous saves and loads are requests of the asynchronous queue (world/async_queue.h): the
// step's asynchronous phase polls them, which does their file work, and fires event 72.
// Drops the open group, the pending entries and the queued requests (tests, game end).
void BufferAsync_Reset();
