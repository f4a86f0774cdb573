#include "functions/audio_functions.h"

#include <cstdint>

#include "audio/audio_engine.h"
#include "audio/lifecycle.h"
#include "core/argument_getters.h"
#include "core/console.h"
#include "core/function_registry.h"
#include "core/value.h"
#include "functions/handler_args.h"

namespace {

using Args = RValue*;

// Every handler leaves its result as the caller set it while -noaudio is on.
#define AUDIO_HANDLER(name) void name(RValue* result, CInstance*, CInstance*, int32_t, Args args)
#define NO_AUDIO_RETURN \
  if (Audio_NoAudio) return;

// A handler that reads one id and hands it on, storing nothing.
template <void (*kOperation)(int32_t)>
void IdCommand(RValue*, CInstance*, CInstance*, int32_t, Args args) {
  NO_AUDIO_RETURN
  kOperation(WXGI32(args, 0));
}
// A handler that reads one id and answers the operation's number (true and false as 1 and 0).
template <auto kOperation>
void IdQuery(RValue* result, CInstance*, CInstance*, int32_t, Args args) {
  NO_AUDIO_RETURN
  Args_SetReal(result, static_cast<double>(kOperation(WXGI32(args, 0))));
}

AUDIO_HANDLER(audio_play_sound) {
  NO_AUDIO_RETURN
  const int32_t sound = WXGI32(args, 0);
  const double priority = WXGR(args, 1);
  const int32_t loop = WXGI32(args, 2);
  Args_SetReal(result, Audio_PlaySimpleSound(sound, priority, loop > 0 ? 1 : 0));
}

AUDIO_HANDLER(audio_play_sound_at) {
  NO_AUDIO_RETURN
  const int32_t sound = WXGI32(args, 0);
  const double x = WXGR(args, 1), y = WXGR(args, 2), z = WXGR(args, 3);
  const double ref = WXGR(args, 4), max = WXGR(args, 5), factor = WXGR(args, 6);
  const int32_t loop = WXGI32(args, 7);
  const double priority = WXGR(args, 8);
  Args_SetReal(result, Audio_PlaySoundAt(sound, x, y, z, ref, max, factor, loop > 0 ? 1 : 0, priority));
}

AUDIO_HANDLER(audio_play_sound_on) {
  NO_AUDIO_RETURN
  const int32_t emitter = WXGI32(args, 0);
  const int32_t sound = WXGI32(args, 1);
  const int32_t loop = WXGI32(args, 2);
  const double priority = WXGR(args, 3);
  Args_SetReal(result, Audio_PlaySound(emitter, sound, loop > 0 ? 1 : 0, priority));
}

AUDIO_HANDLER(audio_stop_all) {
  (void)result;
  (void)args;
  NO_AUDIO_RETURN
  Audio_StopAll(0);
}
AUDIO_HANDLER(audio_pause_all) {
  (void)result;
  (void)args;
  NO_AUDIO_RETURN
  Audio_PauseAll();
}
AUDIO_HANDLER(audio_resume_all) {
  (void)result;
  (void)args;
  NO_AUDIO_RETURN
  Audio_ResumeAll();
}

AUDIO_HANDLER(audio_sound_gain) {
  (void)result;
  NO_AUDIO_RETURN
  const int32_t id = WXGI32(args, 0);
  const float gain = WXGF(args, 1);
  const int32_t time = WXGI32(args, 2);
  Audio_SetSoundGain(id, gain, time);
}
AUDIO_HANDLER(audio_sound_pitch) {
  (void)result;
  NO_AUDIO_RETURN
  const int32_t id = WXGI32(args, 0);
  Audio_SetPitch(id, WXGF(args, 1));
}
AUDIO_HANDLER(audio_sound_set_track_position) {
  (void)result;
  NO_AUDIO_RETURN
  const int32_t id = WXGI32(args, 0);
  Audio_SetTrackPosition(id, WXGF(args, 1));
}
AUDIO_HANDLER(audio_get_name) {
  NO_AUDIO_RETURN
  const char* name = Audio_GetName(WXGI32(args, 0));
  RValue_SetString(result, name);
}
AUDIO_HANDLER(audio_sound_get_listener_mask) {
  NO_AUDIO_RETURN
  Args_SetReal(result, static_cast<uint32_t>(Audio_GetVoiceListenerMask(WXGI32(args, 0))));
}
AUDIO_HANDLER(audio_sound_set_listener_mask) {
  (void)result;
  NO_AUDIO_RETURN
  const int32_t id = WXGI32(args, 0);
  Audio_SetVoiceListenerMask(id, WXGI32(args, 1));
}
AUDIO_HANDLER(audio_system) {
  (void)args;
  NO_AUDIO_RETURN
  Args_SetReal(result, Audio_UsingNewAudio() ? 1.0 : 0.0);
}

// Retired music functions: each only says so; the one that asks answers 0.
template <const char* kName, bool kAnswers>
void Deprecated(RValue* result, CInstance*, CInstance*, int32_t, Args) {
  NO_AUDIO_RETURN
  Console_DebugOutput("%s :: deprecated function\n", kName);
  if (kAnswers) Args_SetReal(result, 0.0);
}
constexpr char kPlayMusic[] = "audio_play_music";
constexpr char kStopMusic[] = "audio_stop_music";
constexpr char kPauseMusic[] = "audio_pause_music";
constexpr char kResumeMusic[] = "audio_resume_music";
constexpr char kMusicGain[] = "audio_music_gain";
constexpr char kMusicIsPlaying[] = "audio_music_is_playing";

struct Entry {
  const char* name;
  BuiltinHandler handler;
  int32_t argumentCount;
};

const Entry kEntries[] = {
    {"audio_play_sound", audio_play_sound, 3},
    {"audio_play_sound_at", audio_play_sound_at, 9},
    {"audio_play_sound_on", audio_play_sound_on, 4},
    {"audio_stop_sound", IdCommand<Audio_StopSound>, 1},
    {"audio_stop_all", audio_stop_all, 0},
    {"audio_pause_sound", IdCommand<Audio_PauseSound>, 1},
    {"audio_resume_sound", IdCommand<Audio_ResumeSound>, 1},
    {"audio_pause_all", audio_pause_all, 0},
    {"audio_resume_all", audio_resume_all, 0},
    {"audio_is_playing", IdQuery<Audio_IsPlaying>, 1},
    {"audio_is_paused", IdQuery<Audio_IsPaused>, 1},
    {"audio_exists", IdQuery<Audio_Exists>, 1},
    {"audio_sound_gain", audio_sound_gain, 3},
    {"audio_sound_get_gain", IdQuery<Audio_GetGain>, 1},
    {"audio_sound_pitch", audio_sound_pitch, 2},
    {"audio_sound_get_pitch", IdQuery<Audio_GetPitch>, 1},
    {"audio_sound_length", IdQuery<Audio_GetLength>, 1},
    {"audio_sound_set_track_position", audio_sound_set_track_position, 2},
    {"audio_sound_get_track_position", IdQuery<Audio_GetTrackPos>, 1},
    {"audio_get_type", IdQuery<Audio_GetType>, 1},
    {"audio_get_name", audio_get_name, 1},
    {"audio_sound_get_listener_mask", audio_sound_get_listener_mask, 1},
    {"audio_sound_set_listener_mask", audio_sound_set_listener_mask, 2},
    {"audio_channel_num", IdCommand<Audio_SetChannelCount>, 1},
    {"audio_system", audio_system, 0},
    {kPlayMusic, Deprecated<kPlayMusic, false>, 2},
    {kStopMusic, Deprecated<kStopMusic, false>, 0},
    {kPauseMusic, Deprecated<kPauseMusic, false>, 0},
    {kResumeMusic, Deprecated<kResumeMusic, false>, 0},
    {kMusicGain, Deprecated<kMusicGain, false>, 2},
    {kMusicIsPlaying, Deprecated<kMusicIsPlaying, true>, 0},
};

}  // namespace

void InitSoundFunctions() {
  for (const Entry& e : kEntries) Builtin_Add(e.name, e.handler, e.argumentCount, 0);
}
