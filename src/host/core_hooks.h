// The ground layer (src/core) reaches the layers above only through hooks; this installs the
// runner's: how a fatal script error ends the game, how a failed watch evaluation stops its code,
// which callables rank before the built-in functions, and where the debugger's console capture goes.
#pragma once

// Called first thing by WinMain; calling it again changes nothing.
void Runner_InstallCoreHooks();
