#include "audio/sound_device.h"

#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "core/console.h"

namespace {

struct DeviceState {
  bool manual = false;
  int32_t manualRate = 44100;
  ALCdevice* device = nullptr;
  ALCcontext* context = nullptr;
  bool loopback = false;
  int32_t rate = 0;
  std::thread pacer;
  std::atomic<bool> stopPacer{false};
};
DeviceState g_device;

constexpr int32_t kPacedRate = 44100;
constexpr int32_t kPacedBlock = 441;  // 10 ms

ALCdevice* OpenLoopback(int32_t rate, ALCint channels) {
  ALCdevice* device = alcLoopbackOpenDeviceSOFT(nullptr);
  if (device == nullptr) return nullptr;
  const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT, channels, ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT,
                               ALC_FREQUENCY, rate, 0};
  ALCcontext* context = alcCreateContext(device, attributes);
  if (context == nullptr) {
    alcCloseDevice(device);
    return nullptr;
  }
  g_device.context = context;
  return device;
}

// Mixes the loopback device at the pace of the clock, so sources advance as on a sound card.
void Pace() {
  std::vector<float> discard(static_cast<size_t>(kPacedBlock) * 2);
  auto due = std::chrono::steady_clock::now();
  while (!g_device.stopPacer.load()) {
    alcRenderSamplesSOFT(g_device.device, discard.data(), kPacedBlock);
    due += std::chrono::milliseconds(1000 * kPacedBlock / kPacedRate);
    std::this_thread::sleep_until(due);
  }
}

void StopPacer() {
  if (!g_device.pacer.joinable()) return;
  g_device.stopPacer = true;
  g_device.pacer.join();
}

}  // namespace

void SoundDevice_UseManualLoopback(bool manual, int32_t rate) {
  g_device.manual = manual;
  g_device.manualRate = rate;
}

bool SoundDevice_Open() {
  if (g_device.device != nullptr) return true;
  if (g_device.manual) {
    g_device.device = OpenLoopback(g_device.manualRate, ALC_MONO_SOFT);
    g_device.loopback = true;
    g_device.rate = g_device.manualRate;
  } else {
    g_device.device = alcOpenDevice(nullptr);
    if (g_device.device != nullptr) {
      g_device.context = alcCreateContext(g_device.device, nullptr);
      if (g_device.context == nullptr) {
        alcCloseDevice(g_device.device);
        g_device.device = nullptr;
      }
    }
    if (g_device.device != nullptr) {
      const ALCchar* name = alcGetString(g_device.device, ALC_DEVICE_SPECIFIER);
      Console_DebugOutput("Audio device: %s\n", name != nullptr ? name : "(unnamed)");
      g_device.loopback = false;
    } else {
      g_device.device = OpenLoopback(kPacedRate, ALC_STEREO_SOFT);
      g_device.loopback = true;
      g_device.rate = kPacedRate;
      if (g_device.device != nullptr) {
        Console_DebugOutput("Audio device: none opens; playing to a silent loopback device\n");
      }
    }
  }
  if (g_device.device == nullptr) {
    Console_DebugOutput("Audio device: none could be opened\n");
    return false;
  }
  alcMakeContextCurrent(g_device.context);
  if (g_device.loopback && !g_device.manual) {
    // A process that ends without closing the device (an exit from inside a frame) still stops
    // the thread and closes the device before the library is unloaded.
    static const bool registered = std::atexit(SoundDevice_Close) == 0;
    (void)registered;
    g_device.stopPacer = false;
    g_device.pacer = std::thread(Pace);
  }
  return true;
}

void SoundDevice_Close() {
  if (g_device.device == nullptr) return;
  StopPacer();
  alcMakeContextCurrent(nullptr);
  if (g_device.context != nullptr) alcDestroyContext(g_device.context);
  alcCloseDevice(g_device.device);
  g_device.context = nullptr;
  g_device.device = nullptr;
  g_device.loopback = false;
}

bool SoundDevice_IsOpen() { return g_device.device != nullptr; }

std::vector<float> SoundDevice_Render(int32_t frames) {
  if (g_device.device == nullptr || !g_device.loopback || g_device.pacer.joinable() || frames <= 0) return {};
  std::vector<float> out(static_cast<size_t>(frames));
  alcRenderSamplesSOFT(g_device.device, out.data(), frames);
  return out;
}

int32_t SoundDevice_Rate() { return g_device.rate; }
