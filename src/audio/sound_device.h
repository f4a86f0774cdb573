// The OpenAL device the runner plays through: the default device, or, where none opens (no sound
// card), the library's loopback device rendered at real-time pace into a discarded buffer, so
// that voices still play, end and are released. Tests ask for a loopback device that renders only
// when they say, and read what was played.
#pragma once

#include <cstdint>
#include <vector>

// With `manual`, the next open makes a loopback device (mono float samples at `rate`) that
// renders only through SoundDevice_Render.
void SoundDevice_UseManualLoopback(bool manual, int32_t rate = 44100);
// Opens the device and makes its context current; false (nothing open) when no device opens.
bool SoundDevice_Open();
void SoundDevice_Close();
bool SoundDevice_IsOpen();
// The manual loopback device's next `frames` samples; empty when there is no such device.
std::vector<float> SoundDevice_Render(int32_t frames);
int32_t SoundDevice_Rate();
