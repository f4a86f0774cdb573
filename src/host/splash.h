// The start-up splash: "splash.png" in the program directory, shown for five frames fitted to the
// back buffer with its aspect ratio kept (not with -headless).
#pragma once

#include <cstdint>

bool Splash_Exists();
// Draws the image for frame i (reading the file and making its texture on first use); i < 0
// frees them. Nothing is drawn without the file or when it cannot be made into a texture.
void Splash_Draw(int32_t i);
// The start-up step: five frames of the splash, each cleared to black and presented, with
// texture interpolation on while they last. False when nothing was shown.
bool Splash_Show();
