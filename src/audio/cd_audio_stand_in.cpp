#include "audio/cd_audio_stand_in.h"

bool CD_Present() { return false; }
bool CD_Playing() { return false; }
void CD_Play(int32_t, int32_t) {}
void CD_Stop() {}
void CD_Pause() {}
void CD_Resume() {}
