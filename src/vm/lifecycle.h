// Start-up and teardown of the byte-code interpreter, as the host calls them.
#pragma once

void VM_Init();
// Frees the interpreter's with-list.
void VM_Shutdown();
