// The C library's allocator, set up once at start-up for a program that frees and allocates the
// same large blocks every frame.
#pragma once

// Keeps blocks up to 32 MiB in the heap and the heap's free top up to 128 MiB, instead of
// returning them to the system on every free: the OpenGL driver allocates, zeroes and frees blocks
// of a few hundred kilobytes for each batch drawn into a texture, and each round trip through the
// system cost page faults, brk and munmap on the main thread (a third of its time in a busy frame).
// Returns false when the allocator refused a setting (another C library: nothing changes).
bool Platform_TuneAllocator();
