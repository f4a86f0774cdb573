#include "platform/winmm/joystick.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr UINT kAxisCaps[] = {0, 0, JOYCAPS_HASZ, JOYCAPS_HASR, JOYCAPS_HASU, JOYCAPS_HASV};

class SdlBackEnd final : public JoystickBackEnd {
 public:
  UINT GetPosEx(UINT id, JOYINFOEX* info) override {
    SDL_Joystick* joystick = nullptr;
    if (const UINT error = Open(id, &joystick); error != JOYERR_NOERROR) return error;
    DWORD* const axes[] = {&info->dwXpos, &info->dwYpos, &info->dwZpos,
                           &info->dwRpos, &info->dwUpos, &info->dwVpos};
    const int axisCount = SDL_JoystickNumAxes(joystick);
    for (int a = 0; a < 6; ++a) {
      *axes[a] = Joystick_PositionFromAxis(a < axisCount ? SDL_JoystickGetAxis(joystick, a) : 0);
    }
    info->dwButtons = 0;
    info->dwButtonNumber = 0;
    const int buttons = std::min(SDL_JoystickNumButtons(joystick), 32);
    for (int b = 0; b < buttons; ++b) {
      if (SDL_JoystickGetButton(joystick, b) != 0) {
        info->dwButtons |= DWORD{1} << b;
        ++info->dwButtonNumber;
      }
    }
    info->dwPOV = SDL_JoystickNumHats(joystick) > 0 ? Joystick_PovFromHat(SDL_JoystickGetHat(joystick, 0))
                                                    : JOY_POVCENTERED;
    return JOYERR_NOERROR;
  }

  UINT GetDevCaps(UINT id, JOYCAPSA* caps) override {
    SDL_Joystick* joystick = nullptr;
    if (const UINT error = Open(id, &joystick); error != JOYERR_NOERROR) return error;
    *caps = JOYCAPSA();
    const char* name = SDL_JoystickName(joystick);
    if (name != nullptr) {
      size_t n = std::min(std::strlen(name), static_cast<size_t>(MAXPNAMELEN - 1));
      // Never keep half a character.
      while (n > 0 && n < std::strlen(name) && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) --n;
      std::memcpy(caps->szPname, name, n);
    }
    const int axes = std::clamp(SDL_JoystickNumAxes(joystick), 0, 6);
    caps->wNumAxes = static_cast<UINT>(axes);
    caps->wNumButtons = static_cast<UINT>(std::clamp(SDL_JoystickNumButtons(joystick), 0, 32));
    for (int a = 0; a < axes; ++a) caps->wCaps |= kAxisCaps[a];
    if (SDL_JoystickNumHats(joystick) > 0) caps->wCaps |= JOYCAPS_HASPOV | JOYCAPS_POV4DIR;
    return JOYERR_NOERROR;
  }

 private:
  struct Held {
    SDL_Joystick* joystick = nullptr;
    SDL_JoystickID id = -1;
  };

  // The joystick that is device `index` now, opened once and kept while it stays there.
  UINT Open(UINT index, SDL_Joystick** out) {
    if (!m_tried) {
      m_tried = true;
      SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
      m_loaded = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
    }
    if (!m_loaded) return MMSYSERR_NODRIVER;
    if (index >= kHeldCount) return JOYERR_PARMS;
    SDL_JoystickUpdate();
    Held& held = m_held[index];
    if (static_cast<int>(index) >= SDL_NumJoysticks()) {
      Release(held);
      return JOYERR_UNPLUGGED;
    }
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(static_cast<int>(index));
    if (held.joystick == nullptr || held.id != id || SDL_JoystickGetAttached(held.joystick) == SDL_FALSE) {
      Release(held);
      held.joystick = SDL_JoystickOpen(static_cast<int>(index));
      if (held.joystick == nullptr) return JOYERR_UNPLUGGED;
      held.id = id;
    }
    *out = held.joystick;
    return JOYERR_NOERROR;
  }

  static void Release(Held& held) {
    if (held.joystick != nullptr) SDL_JoystickClose(held.joystick);
    held = Held();
  }

  static constexpr UINT kHeldCount = 16;
  bool m_tried = false;
  bool m_loaded = false;
  Held m_held[kHeldCount];
};

JoystickBackEnd* g_installed = nullptr;

}  // namespace

void Joystick_InstallBackEnd(JoystickBackEnd* backEnd) { g_installed = backEnd; }

JoystickBackEnd& Joystick_BackEnd() {
  static SdlBackEnd sdl;
  return g_installed != nullptr ? *g_installed : sdl;
}

UINT joyGetPos(UINT id, JOYINFO* info) {
  if (info == nullptr) return JOYERR_PARMS;
  JOYINFOEX ex;
  ex.dwFlags = JOY_RETURNX | JOY_RETURNY | JOY_RETURNZ | JOY_RETURNBUTTONS;
  const UINT result = Joystick_BackEnd().GetPosEx(id, &ex);
  if (result != JOYERR_NOERROR) return result;
  info->wXpos = ex.dwXpos;
  info->wYpos = ex.dwYpos;
  info->wZpos = ex.dwZpos;
  info->wButtons = ex.dwButtons & 0xF;
  return JOYERR_NOERROR;
}

UINT joyGetPosEx(UINT id, JOYINFOEX* info) {
  if (info == nullptr) return JOYERR_PARMS;
  return Joystick_BackEnd().GetPosEx(id, info);
}

UINT joyGetDevCapsA(UINT id, JOYCAPSA* caps) {
  if (caps == nullptr) return JOYERR_PARMS;
  return Joystick_BackEnd().GetDevCaps(id, caps);
}

DWORD Joystick_PositionFromAxis(int16_t value) { return static_cast<DWORD>(static_cast<int32_t>(value) + 32768); }

DWORD Joystick_PovFromHat(uint8_t sdlHat) {
  switch (sdlHat) {
    case SDL_HAT_UP: return JOY_POVFORWARD;
    case SDL_HAT_RIGHTUP: return 4500;
    case SDL_HAT_RIGHT: return JOY_POVRIGHT;
    case SDL_HAT_RIGHTDOWN: return 13500;
    case SDL_HAT_DOWN: return JOY_POVBACKWARD;
    case SDL_HAT_LEFTDOWN: return 22500;
    case SDL_HAT_LEFT: return JOY_POVLEFT;
    case SDL_HAT_LEFTUP: return 31500;
    default: return JOY_POVCENTERED;
  }
}
