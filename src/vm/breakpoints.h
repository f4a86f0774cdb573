// Breakpoints in byte code: an armed breakpoint replaces the instruction word at its position by
// a break word and keeps the word it replaced.
//
// STAND-IN until the debugger support is built: a small table that tests (and later the debugger)
// fill, and a pause that returns at once unless a test installs a hook.
#pragma once

#include <cstdint>

inline constexpr uint32_t kVMBreakpointWord = 0xFF0F0000u;  // break, sub-code 0, no operand
inline constexpr int32_t kVMBreakpointSlots = 32;

// Arms a breakpoint at an instruction word; false when the table is full.
bool Breakpoint_Add(uint8_t* at);
// Restores every word and empties the table.
void Breakpoint_ClearAll();
// True when an armed breakpoint sits at this word; `saved` (when given) receives the word it
// replaced.
bool Breakpoint_Find(const uint8_t* at, uint32_t* saved);
void Breakpoint_DisarmAll();  // puts the saved words back
void Breakpoint_ArmAll();     // writes the break words again
// True when a break word stands in the code now.
bool Breakpoint_AnyArmed();
// Holds the game while a debugger has it paused (through the debugger's pause loop); a hook
// installed by a test runs as the pause.
void Breakpoint_Pause();
void Breakpoint_SetPauseHook(void (*hook)());
