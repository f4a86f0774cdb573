// The lower layers reach the layers above only through hooks; this installs the runner's: how a
// fatal script error ends the game, how a failed watch evaluation stops its code, which callables
// rank before the built-in functions, where the debugger's console capture goes, and what the
// error reporter asks of the game world, the display, the debugger and the error dialog.
#pragma once

// Called first thing by WinMain; calling it again changes nothing.
void Runner_InstallHooks();
