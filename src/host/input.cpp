#include "host/input.h"

// Keyboard, mouse and gamepads are not built yet: no device is open and no pointer is tracked.
void IO_Init() {}
void IO_Shutdown() {}
void IO_ResetPointerTable() {}
void IO_CopyPointerTable() {}
