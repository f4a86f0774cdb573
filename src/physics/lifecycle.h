// What the host uses of physics.
#pragma once

// Installs the runner's assertion handler into the physics library ("-debug").
void Physics_InstallAssertHandler();
bool Physics_AssertHandlerInstalled();
