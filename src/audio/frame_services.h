// What the frame loop uses of audio.
#pragma once

#include "audio/audio_engine.h"
#include "audio/sound_hardware.h"
