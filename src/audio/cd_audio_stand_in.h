// STAND-IN until CD audio is built: a machine without a CD drive. Nothing is present or playing,
// and the commands do nothing.
#pragma once

#include <cstdint>

bool CD_Present();
bool CD_Playing();
void CD_Play(int32_t firstTrack, int32_t lastTrack);
void CD_Stop();
void CD_Pause();
void CD_Resume();
