// The audio script functions as scripts call them: answers for unknown sounds and unloaded
// groups, the retired music functions, audio_system, and -noaudio.
#include <gtest/gtest.h>

#include "audio/audio_fixture.h"
#include "functions/math_call.h"

namespace audio_test {
namespace {

using math_test::Call;
using math_test::CallReal;
using math_test::Real;

TEST_F(AudioTest, ScriptsPlayStopAndQueryThroughTheFunctions) {
  ASSERT_TRUE(StartWithTones({Tone(1.0)}));
  const double voice = CallReal("audio_play_sound", {Real(0), Real(10), Real(1)});
  EXPECT_EQ(voice, 400001.0);
  EXPECT_EQ(CallReal("audio_is_playing", {Real(voice)}), 1.0);
  EXPECT_EQ(CallReal("audio_exists", {Real(voice)}), 1.0);
  Call("audio_sound_gain", {Real(voice), Real(0.5), Real(0)});
  EXPECT_EQ(CallReal("audio_sound_get_gain", {Real(voice)}), 0.5);
  EXPECT_EQ(CallReal("audio_sound_length", {Real(0)}), 1.0);
  EXPECT_EQ(math_test::CallText("audio_get_name", {Real(voice)}), "snd0");
  EXPECT_EQ(CallReal("audio_sound_get_listener_mask", {Real(voice)}), 1.0);
  EXPECT_EQ(CallReal("audio_system"), 1.0);
  Call("audio_stop_sound", {Real(voice)});
  EXPECT_EQ(CallReal("audio_exists", {Real(voice)}), 0.0);
  // No emitter exists.
  EXPECT_EQ(CallReal("audio_play_sound_on", {Real(0), Real(0), Real(0), Real(1)}), -1.0);
}

TEST_F(AudioTest, UnknownSoundsAnswerZeroAndUnloadedGroupsDependOnTheFunction) {
  container::SoundEntry inGroup;
  inGroup.name = "far";
  inGroup.group = 1;
  ASSERT_TRUE(Start({inGroup}, {{false, container::make_wav_tone(Tone())}}, {"audiogroup_default", "level2"}));
  EXPECT_EQ(CallReal("audio_play_sound", {Real(7), Real(1), Real(0)}), 0.0);
  EXPECT_NE(m_log.text.find("Error: no sound exists for soundid 7\n"), std::string::npos);
  EXPECT_EQ(CallReal("audio_play_sound_at", {Real(7), Real(0), Real(0), Real(0), Real(1), Real(100), Real(1),
                                              Real(0), Real(1)}),
            0.0);
  m_log.text.clear();
  EXPECT_EQ(CallReal("audio_play_sound", {Real(0), Real(1), Real(0)}), -1.0);
  EXPECT_EQ(m_log.text, "far: Audio Group 1 is not loaded\n");
  EXPECT_EQ(CallReal("audio_play_sound_at", {Real(0), Real(0), Real(0), Real(0), Real(1), Real(100), Real(1),
                                              Real(0), Real(1)}),
            0.0);
  EXPECT_EQ(CallReal("audio_sound_get_gain", {Real(99)}), 0.0);
  EXPECT_EQ(CallReal("audio_sound_get_pitch", {Real(99)}), 1.0);
  EXPECT_EQ(CallReal("audio_sound_length", {Real(99)}), -1.0);
  EXPECT_EQ(CallReal("audio_get_type", {Real(99)}), -1.0);
  EXPECT_EQ(CallReal("audio_sound_get_listener_mask", {Real(400500)}), 1.0);
}

TEST_F(AudioTest, RetiredMusicFunctionsOnlySaySo) {
  ASSERT_TRUE(Start({}, {}));
  const char* const names[] = {"audio_play_music", "audio_stop_music",  "audio_pause_music",
                               "audio_resume_music", "audio_music_gain", "audio_music_is_playing"};
  for (const char* name : names) {
    m_log.text.clear();
    const math_test::Answer a = Call(name, {});
    EXPECT_EQ(m_log.text, std::string(name) + " :: deprecated function\n");
    if (std::string(name) == "audio_music_is_playing") {
      EXPECT_EQ(a.Real(), 0.0);
    } else {
      EXPECT_EQ(a.Kind(), VALUE_UNDEFINED) << name;
    }
  }
}

TEST_F(AudioTest, ALegacyGameHasNoEngine) {
  ASSERT_TRUE(StartWithTones({Tone()}));
  Sound_QuitHardware();
  Audio_SetEngineOn(false);
  Sound_InitHardware();
  EXPECT_EQ(CallReal("audio_system"), 0.0);
  EXPECT_EQ(CallReal("audio_play_sound", {Real(0), Real(1), Real(0)}), -1.0);
  EXPECT_TRUE(g_Audio.sources.empty());
}

TEST_F(AudioTest, NoAudioOpensNothingAndLeavesEveryResultAlone) {
  Audio_NoAudio = true;
  ASSERT_TRUE(StartWithTones({Tone()}));
  EXPECT_FALSE(SoundDevice_IsOpen());
  EXPECT_FALSE(Audio_UsingNewAudio());
  EXPECT_TRUE(g_Audio.sources.empty());
  EXPECT_FALSE(Audio_Exists(0));
  EXPECT_EQ(Audio_GetType(0), -1);
  // Every registered function, with as many arguments as it takes.
  ASSERT_GT(g_BuiltinCount, 30);
  for (int32_t i = 0; i < g_BuiltinCount; ++i) {
    const BuiltinFunction& f = g_BuiltinFunctions[i];
    std::vector<RValue> args;
    for (int32_t a = 0; a < f.argumentCount; ++a) args.push_back(Real(0));
    EXPECT_EQ(Call(f.name, std::move(args)).Kind(), VALUE_UNDEFINED) << f.name;
  }
  Call("audio_channel_num", {Real(4)});
  Call("audio_stop_all");
  SoundTick();
  EXPECT_TRUE(g_Audio.sources.empty());
  EXPECT_EQ(m_log.text.find("deprecated"), std::string::npos);
}

}  // namespace
}  // namespace audio_test
