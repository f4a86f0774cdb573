// The ten sounds, synthesised: 16-bit mono PCM at 22050 Hz. The two that loop (the grind and the
// music) are made of whole periods of their loop length, so the end runs into the start without
// a click. The laser's charge and shot last as long as the turret's charge (98 steps) and shot
// (120 steps) at 60 steps a second.
#include "content/sounds.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>

#include "container/sound.h"

namespace lumbrix_content {

namespace {

constexpr int32_t kRate = 22050;
constexpr double kTau = 2 * std::numbers::pi;

// A deterministic generator (no library randomness: the same bytes on every machine).
class Noise {
 public:
  explicit Noise(uint32_t seed) : m_state(seed) {}
  double next() {  // -1 .. 1
    m_state = m_state * 1664525u + 1013904223u;
    return static_cast<double>(m_state >> 8) / static_cast<double>(1u << 23) - 1.0;
  }

 private:
  uint32_t m_state;
};

std::vector<uint8_t> Pcm(const std::vector<double>& samples) {
  std::vector<int16_t> out(samples.size());
  for (size_t i = 0; i < samples.size(); ++i) {
    out[i] = static_cast<int16_t>(std::lround(std::clamp(samples[i], -1.0, 1.0) * 32000.0));
  }
  return container::make_wav(out, kRate, 1);
}

size_t Frames(double seconds) { return static_cast<size_t>(std::lround(seconds * kRate)); }

// A short fade at both ends of a one-shot, so it starts and stops without a click.
void Fade(std::vector<double>& s, double seconds = 0.005) {
  const size_t n = std::min(Frames(seconds), s.size() / 2);
  for (size_t i = 0; i < n; ++i) {
    const double g = static_cast<double>(i) / static_cast<double>(n);
    s[i] *= g;
    s[s.size() - 1 - i] *= g;
  }
}

// The grind: a buzzing hum with a rough edge, a half-second loop of whole periods (every partial
// a multiple of 2 Hz).
std::vector<double> Grind() {
  std::vector<double> s(Frames(0.5));
  Noise noise(7);
  std::vector<std::pair<double, double>> rough;  // frequency, phase
  for (int k = 0; k < 40; ++k) rough.emplace_back(2.0 * (300 + k * 37), kTau * (noise.next() + 1) / 2);
  for (size_t i = 0; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    double v = 0;
    for (int h = 1; h <= 8; ++h) v += std::sin(kTau * 110 * h * t) / h;
    double r = 0;
    for (const auto& [f, p] : rough) r += std::sin(kTau * f * t + p);
    s[i] = 0.35 * v * (0.75 + 0.25 * std::sin(kTau * 8 * t)) + 0.02 * r;
  }
  return s;
}

// A one-shot of `seconds`: sample by sample f(t) at t seconds (in order, so f may keep state),
// faded at both ends.
std::vector<double> OneShot(double seconds, const std::function<double(double)>& f, double fade = 0.005) {
  std::vector<double> s(Frames(seconds));
  for (size_t i = 0; i < s.size(); ++i) s[i] = f(static_cast<double>(i) / kRate);
  Fade(s, fade);
  return s;
}

std::vector<double> Damage() {
  Noise noise(11);
  return OneShot(0.3, [&](double t) {
    return std::exp(-t * 12) * (0.6 * std::sin(kTau * (220 - 300 * t) * t) + 0.4 * noise.next());
  });
}

// A rising major arpeggio: the chip is hacked.
std::vector<double> Hacked() {
  return OneShot(0.8, [](double t) {
    const double notes[] = {523.25, 659.25, 783.99, 1046.5};
    double v = 0;
    for (int n = 0; n < 4; ++n) {
      const double u = t - n * 0.12;
      if (u >= 0) v += 0.25 * std::exp(-u * 4) * (std::sin(kTau * notes[n] * u) + 0.3 * std::sin(kTau * 2 * notes[n] * u));
    }
    return v;
  });
}

// Data chatter: square beeps of 35 ms every 50 ms at changing pitches.
std::vector<double> Capturing() {
  Noise noise(23);
  double pitch = 800;
  int64_t slot = -1;
  return OneShot(1.0, [&](double t) {
    const auto now = static_cast<int64_t>(t / 0.05);
    if (now != slot) {
      slot = now;
      pitch = 600 + 300 * (noise.next() + 1);
    }
    const bool on = t - static_cast<double>(now) * 0.05 < 0.035;
    return on ? 0.15 * (std::sin(kTau * pitch * t) > 0 ? 1 : -1) : 0.0;
  });
}

// The music: a 16-bar loop in A minor at 120 beats a minute, bass, arpeggio and a lead; every
// note ends inside its own slot and the tempo fits the loop exactly, so the end joins the start.
std::vector<double> Music() {
  constexpr double kBeat = 0.5;
  constexpr int kBars = 16;
  std::vector<double> s(Frames(kBars * 4 * kBeat));
  const double roots[] = {110.0, 87.31, 130.81, 98.0};  // A, F, C, G
  const int third[] = {3, 4, 4, 4};
  auto note = [&](double start, double length, double freq, double amp, int shape) {
    const size_t a = Frames(start);
    const size_t n = Frames(length);
    for (size_t i = 0; i < n && a + i < s.size(); ++i) {
      const double u = static_cast<double>(i) / kRate;
      const double env = std::min(1.0, u * 200) * std::exp(-u * 3) * std::min(1.0, (length - u) * 100);
      const double ph = kTau * freq * u;
      const double wave = shape == 0 ? std::sin(ph) : shape == 1 ? (std::sin(ph) + 0.5 * std::sin(2 * ph)) : (std::fmod(freq * u, 1.0) * 2 - 1) * 0.6;
      s[a + i] += amp * env * wave;
    }
  };
  const double lead[] = {0, 3, 7, 10, 12, 10, 7, 5, 3, 5, 7, 3, 0, -2, 0, 3};
  for (int bar = 0; bar < kBars; ++bar) {
    const double root = roots[(bar / 2) % 4];
    const double start = bar * 4 * kBeat;
    for (int b = 0; b < 4; ++b) note(start + b * kBeat, kBeat * 0.95, root / 2, 0.35, 1);
    for (int k = 0; k < 8; ++k) {
      const int step[] = {0, third[(bar / 2) % 4], 7, 12};
      const double f = root * 2 * std::pow(2.0, step[k % 4] / 12.0);
      note(start + k * kBeat / 2, kBeat / 2 * 0.9, f, 0.12, 0);
    }
    if (bar >= 4) {
      for (int k = 0; k < 2; ++k) {
        const double f = 440.0 * std::pow(2.0, lead[(bar * 2 + k) % 16] / 12.0);
        note(start + k * 2 * kBeat, 2 * kBeat * 0.95, f, 0.10, 2);
      }
    }
  }
  return s;
}

std::vector<double> MouseOver() {
  return OneShot(0.08, [](double t) { return 0.4 * std::exp(-t * 40) * std::sin(kTau * 1200 * t); }, 0.002);
}

// A falling, fading drone: the player's end.
std::vector<double> Death() {
  Noise noise(31);
  double phase = 0;
  return OneShot(1.5, [&](double t) {
    phase += kTau * (400 * std::exp(-t * 2) + 40) / kRate;
    return std::exp(-t * 1.5) * (0.5 * std::sin(phase) + 0.15 * noise.next());
  });
}

std::vector<double> HackShort() {
  return OneShot(0.15, [](double t) { return 0.4 * std::exp(-t * 15) * std::sin(kTau * (900 + 2000 * t) * t); });
}

// The charge: a tone that rises over the 98-step charge.
std::vector<double> LaserCharging() {
  constexpr double kSeconds = 98.0 / 60.0;
  double phase = 0;
  return OneShot(kSeconds, [&](double t) {
    const double u = t / kSeconds;
    phase += kTau * (200 + 1400 * u * u) / kRate;
    return (0.15 + 0.3 * u) * (std::sin(phase) + 0.3 * std::sin(3 * phase));
  });
}

// The shot: a buzzing beam for the 120 steps it lasts.
std::vector<double> Laser() {
  Noise noise(43);
  return OneShot(120.0 / 60.0, [&](double t) {
    const double saw = std::fmod(t * 180, 1.0) * 2 - 1;
    return 0.35 * saw * (0.8 + 0.2 * std::sin(kTau * 30 * t)) + 0.05 * noise.next();
  }, 0.02);
}

}  // namespace

std::vector<uint8_t> SynthesiseSound(int32_t index) {
  switch (index) {
    case 0: return Pcm(Grind());
    case 1: return Pcm(Damage());
    case 2: return Pcm(Hacked());
    case 3: return Pcm(Capturing());
    case 4: return Pcm(Music());
    case 5: return Pcm(MouseOver());
    case 6: return Pcm(Death());
    case 7: return Pcm(HackShort());
    case 8: return Pcm(LaserCharging());
    case 9: return Pcm(Laser());
    default: return {};
  }
}

int32_t SoundRate() { return kRate; }

}  // namespace lumbrix_content
