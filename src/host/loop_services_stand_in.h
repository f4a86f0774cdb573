// Stand-in for what the frame loop uses of the gamepads; the gamepad module replaces this file.
#pragma once

// Announces every connected gamepad to the game again.
void Gamepad_AnnounceAll();
