// Start-up and teardown of the byte-code interpreter, as the host calls them.
#pragma once

// Clears every breakpoint slot and the debugger's instruction counter; makes the with-list.
void VM_Init();
// Frees the interpreter's with-list.
void VM_Shutdown();
