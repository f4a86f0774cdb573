// Voices heard in what the loopback device renders: tones, endings, loops, gains, fades, stops,
// pause, pitch and positions; and the pool of sources with its priorities.
#include <gtest/gtest.h>

#include "audio/audio_fixture.h"

namespace audio_test {
namespace {

constexpr double kBlock = 1024.0 / kRate;  // a gain change ramps over one such block

TEST_F(AudioTest, ATonePlaysAtItsFrequencyAndEndsAfterItsLength) {
  ASSERT_TRUE(StartWithTones({Tone(0.25, 440.0), Tone(1.0, 1000.0)}));
  EXPECT_LT(Rms(Render(0.05)), 1e-6);  // nothing before a play
  const int32_t first = Audio_PlaySimpleSound(0, 1.0, 0);
  EXPECT_EQ(first, 400001);
  const std::vector<float> heard = Render(0.2);
  EXPECT_GT(Rms(heard), 0.2);
  // 440 Hz: 88 zero crossings in 0.1 s.
  EXPECT_NEAR(ZeroCrossings(heard) / 2.0, 440.0 * 0.2, 4.0);
  EXPECT_TRUE(Audio_IsPlaying(first));
  Render(0.1);
  EXPECT_FALSE(Audio_IsPlaying(first));
  EXPECT_FALSE(Audio_Exists(first));
  EXPECT_LT(Rms(Render(0.05)), 1e-6);
  // The next play gets the next id, and another sound its own frequency.
  const int32_t second = Audio_PlaySimpleSound(1, 1.0, 0);
  EXPECT_EQ(second, 400002);
  EXPECT_NEAR(ZeroCrossings(Render(0.5)) / 2.0, 500.0, 4.0);
}

TEST_F(AudioTest, ALoopingVoiceGoesOnPastItsLength) {
  ASSERT_TRUE(StartWithTones({Tone(0.25)}));
  const int32_t voice = Audio_PlaySimpleSound(0, 1.0, 1);
  Render(0.6);
  EXPECT_TRUE(Audio_IsPlaying(voice));
  EXPECT_GT(Rms(Render(0.1)), 0.2);
}

TEST_F(AudioTest, GainHalfHalvesTheLevel) {
  ASSERT_TRUE(StartWithTones({Tone(1.0)}));
  const int32_t voice = Audio_PlaySimpleSound(0, 1.0, 1);
  Render(kBlock);
  const double full = Rms(Render(0.1));
  Audio_SetSoundGain(voice, 0.5f, 0);
  Render(kBlock);
  EXPECT_NEAR(Rms(Render(0.1)) / full, 0.5, 0.02);
  EXPECT_FLOAT_EQ(Audio_GetGain(voice), 0.5f);
  // On the asset: the sound's gain multiplies the voice's.
  Audio_SetSoundGain(0, 0.5f, 0);
  Render(kBlock);
  EXPECT_NEAR(Rms(Render(0.1)) / full, 0.25, 0.02);
}

TEST_F(AudioTest, FadesTakeTheRoomsFramesAndAtLeastOne) {
  ASSERT_TRUE(StartWithTones({Tone(1.0)}));
  CRoom room;
  room.m_speed = 60;
  Room_Current = &room;
  const int32_t voice = Audio_PlaySimpleSound(0, 1.0, 1);
  Audio_SetSoundGain(voice, 0.0f, 1000);
  const CAudioVoice* v = Audio_FindVoice(voice);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->fadeStepsLeft, 62);  // 1000 / (1000 / 60) in whole milliseconds
  for (int i = 0; i < 61; ++i) Audio_Tick();
  EXPECT_NEAR(Audio_GetGain(voice), 1.0 / 62, 1e-4);
  Audio_Tick();
  EXPECT_NEAR(Audio_GetGain(voice), 0.0, 1e-5);  // 62 added steps, not an exact 0
  EXPECT_EQ(v->fadeStepsLeft, 0);
  Render(kBlock);
  EXPECT_LT(Rms(Render(0.05)), 1e-4);

  Audio_SetSoundGain(voice, 1.0f, 1);
  EXPECT_EQ(v->fadeStepsLeft, 1);
  Audio_Tick();
  EXPECT_FLOAT_EQ(Audio_GetGain(voice), 1.0f);
  // A room whose speed is not yet corrected fades as at speed 1.
  room.m_speed = 0;
  Audio_SetSoundGain(voice, 0.0f, 3000);
  EXPECT_EQ(v->fadeStepsLeft, 3);
  Room_Current = nullptr;
}

TEST_F(AudioTest, StoppingAVoiceSilencesItAtOnceAndReleasesItAtTheNextTick) {
  ASSERT_TRUE(StartWithTones({Tone(1.0)}));
  const int32_t voice = Audio_PlaySimpleSound(0, 1.0, 1);
  Render(0.05);
  const CAudioVoice* v = g_Audio.voices[0].get();
  Audio_StopSound(voice);
  EXPECT_FALSE(Audio_Exists(voice));
  EXPECT_TRUE(v->active);
  Render(kBlock);
  EXPECT_LT(Rms(Render(0.05)), 1e-4);
  Audio_Tick();
  EXPECT_FALSE(v->active);

  // On an asset: every voice of it.
  const int32_t a = Audio_PlaySimpleSound(0, 1.0, 1);
  const int32_t b = Audio_PlaySimpleSound(0, 1.0, 1);
  Render(0.05);
  EXPECT_TRUE(Audio_IsPlaying(0));
  Audio_StopSound(0);
  Audio_Tick();
  EXPECT_FALSE(Audio_IsPlaying(a));
  EXPECT_FALSE(Audio_IsPlaying(b));
  EXPECT_FALSE(Audio_IsPlaying(0));
}

TEST_F(AudioTest, PauseAndResume) {
  ASSERT_TRUE(StartWithTones({Tone(1.0)}));
  const int32_t voice = Audio_PlaySimpleSound(0, 1.0, 0);
  Render(0.1);
  Audio_PauseSound(voice);
  EXPECT_TRUE(Audio_IsPaused(voice));
  EXPECT_TRUE(Audio_IsPlaying(voice));  // paused counts as playing
  const float at = Audio_GetTrackPos(voice);
  EXPECT_LT(Rms(Render(0.1)), 1e-6);
  EXPECT_FLOAT_EQ(Audio_GetTrackPos(voice), at);
  Audio_ResumeSound(voice);
  EXPECT_FALSE(Audio_IsPaused(voice));
  EXPECT_GT(Rms(Render(0.1)), 0.2);
  Audio_PauseAll();
  EXPECT_TRUE(Audio_IsPaused(0));
  Audio_ResumeAll();
  EXPECT_FALSE(Audio_IsPaused(0));
}

TEST_F(AudioTest, PitchTwoDoublesTheZeroCrossingsAndIsClamped) {
  ASSERT_TRUE(StartWithTones({Tone(2.0)}));
  const int32_t voice = Audio_PlaySimpleSound(0, 1.0, 1);
  const int32_t normal = ZeroCrossings(Render(0.25));
  Audio_SetPitch(voice, 2.0f);
  Render(kBlock);
  EXPECT_NEAR(ZeroCrossings(Render(0.25)), 2 * normal, 6);
  EXPECT_FLOAT_EQ(Audio_GetPitch(voice), 2.0f);
  Audio_SetPitch(voice, 0.0f);
  EXPECT_FLOAT_EQ(Audio_GetPitch(voice), 0.0039f);
  Audio_SetPitch(0, 1000.0f);
  EXPECT_FLOAT_EQ(Audio_GetPitch(0), 256.0f);
}

TEST_F(AudioTest, LengthsAndTrackPositions) {
  ASSERT_TRUE(StartWithTones({Tone(0.25), Tone(1.0)}));
  EXPECT_FLOAT_EQ(Audio_GetLength(0), 0.25f);
  const int32_t voice = Audio_PlaySimpleSound(1, 1.0, 0);
  EXPECT_FLOAT_EQ(Audio_GetLength(voice), 1.0f);
  Render(0.5);
  EXPECT_NEAR(Audio_GetTrackPos(voice), 0.5, 0.01);
  Audio_SetTrackPosition(voice, 0.9f);
  EXPECT_NEAR(Audio_GetTrackPos(voice), 0.9, 0.01);
  // A start position past the length is ignored; one inside it starts new voices there.
  Audio_SetTrackPosition(0, 0.3f);
  EXPECT_FLOAT_EQ(Audio_GetTrackPos(0), 0.0f);
  Audio_SetTrackPosition(0, 0.1f);
  EXPECT_FLOAT_EQ(Audio_GetTrackPos(0), 0.1f);
  const int32_t late = Audio_PlaySimpleSound(0, 1.0, 0);
  EXPECT_NEAR(Audio_GetTrackPos(late), 0.1, 0.01);
  Render(0.16);
  EXPECT_FALSE(Audio_IsPlaying(late));
}

TEST_F(AudioTest, TheFullPoolStealsOnlyForAHigherPriority) {
  ASSERT_TRUE(StartWithTones({Tone(1.0)}));
  ASSERT_EQ(g_Audio.sources.size(), 128u);
  for (int i = 0; i < 128; ++i) ASSERT_EQ(Audio_PlaySimpleSound(0, 5.0, 1), 400001 + i);
  EXPECT_EQ(Audio_PlaySimpleSound(0, 5.0, 1), -1);
  const int32_t stolen = Audio_PlaySimpleSound(0, 6.0, 1);
  EXPECT_EQ(stolen, 400129);
  EXPECT_EQ(g_Audio.voices[0]->voiceId, stolen);
  EXPECT_FALSE(Audio_IsPlaying(400001));
  EXPECT_TRUE(Audio_IsPlaying(stolen));
  // A voice fading out is the first to go.
  Audio_StopSound(400050);
  EXPECT_EQ(Audio_PlaySimpleSound(0, 1.0, 1), 400130);
  EXPECT_EQ(g_Audio.voices[49]->voiceId, 400130);
}

TEST_F(AudioTest, ChannelCountsAreAtLeastTwoAndAtMostWhatTheLibraryMakes) {
  ASSERT_TRUE(StartWithTones({Tone(1.0)}));
  Audio_PlaySimpleSound(0, 1.0, 1);
  Audio_SetChannelCount(1);
  EXPECT_EQ(g_Audio.sources.size(), 2u);
  EXPECT_TRUE(g_Audio.voices.empty());
  EXPECT_NE(m_log.text.find("Audio setting channel count to 2\n"), std::string::npos);
  m_log.text.clear();
  Audio_SetChannelCount(2);
  EXPECT_EQ(m_log.text, "");

  Audio_SetChannelCount(1000);
  const size_t made = g_Audio.sources.size();
  EXPECT_GT(made, 2u);
  EXPECT_LE(made, 1000u);
  EXPECT_EQ(g_Audio.voiceLimit, static_cast<int32_t>(made));
  for (size_t i = 0; i < made; ++i) ASSERT_GT(Audio_PlaySimpleSound(0, 1.0, 1), 0);
  EXPECT_EQ(Audio_PlaySimpleSound(0, 1.0, 1), -1);
  // The last source is heard alone.
  for (size_t i = 0; i + 1 < made; ++i) Audio_StopVoice(g_Audio.voices[i].get(), true);
  EXPECT_TRUE(Audio_IsPlaying(g_Audio.voices.back()->voiceId));
  Render(kBlock);
  EXPECT_GT(Rms(Render(0.05)), 0.2);
}

}  // namespace
}  // namespace audio_test
