// STAND-IN until gamepads are built: the gamepad registrar registers nothing yet.
#pragma once

void InitGamepadFunctions();
