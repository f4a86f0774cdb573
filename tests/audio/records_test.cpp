// Sound records loaded from SOND, AUDO and AGRP: kind flags, empty slots, names and ids, and the
// chunks' damage.
#include <gtest/gtest.h>

#include "audio/audio_fixture.h"
#include "audio/audio_pending.h"

namespace audio_test {
namespace {

TEST_F(AudioTest, KindCodesSetTheStreamedCompressedAndDecodeFlags) {
  struct Case {
    int32_t kind;
    bool streamed, compressed, decodeOnLoad;
  };
  const Case cases[] = {{0, false, false, false},  {1, true, true, false},    {100, true, true, false},
                        {101, false, false, false}, {102, false, true, false}, {103, false, false, true}};
  std::vector<container::SoundEntry> sounds;
  for (const Case& c : cases) {
    container::SoundEntry s;
    s.kind = c.kind;
    s.audo_index = 99;  // no file
    sounds.push_back(s);
  }
  ASSERT_TRUE(Start(sounds, {}));
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].kind);
    const CAudioSound* s = Audio_GetSound(static_cast<int32_t>(i));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->streamed, cases[i].streamed);
    EXPECT_EQ(s->compressed, cases[i].compressed);
    EXPECT_EQ(s->decodeOnLoad, cases[i].decodeOnLoad);
    EXPECT_EQ(Audio_GetType(static_cast<int32_t>(i)), cases[i].streamed ? 1 : 0);
    EXPECT_EQ(s->embedded, nullptr);  // an AUDO index past the list
  }
  EXPECT_NE(m_log.text.find("Audio_Load()\n"), std::string::npos);
  EXPECT_NE(m_log.text.find("Audio_WAVs()\n"), std::string::npos);
  EXPECT_NE(m_log.text.find("AudioGroup_Load()\n"), std::string::npos);
}

TEST_F(AudioTest, EmptySlotsSharedNamesAndIdsPastTheTablesNameNothing) {
  container::SoundEntry a, gap, b;
  a.name = "boom";
  a.volume = 0.25f;
  gap.empty_slot = true;
  b.name = "boom";
  ASSERT_TRUE(Start({a, gap, b}, {{false, container::make_wav_tone(Tone())}}));
  EXPECT_EQ(Audio_Number(), 3);
  EXPECT_EQ(Audio_GetSound(1), nullptr);
  EXPECT_FALSE(Audio_Exists(1));
  EXPECT_EQ(Audio_GetType(1), -1);
  EXPECT_TRUE(Audio_Exists(0));
  EXPECT_TRUE(Audio_Exists(2));
  EXPECT_EQ(Audio_Find("boom"), 2);
  EXPECT_EQ(Audio_Find("bang"), -1);
  EXPECT_FLOAT_EQ(Audio_GetSound(0)->gain, 0.25f);
  // The asset count and 100000 + the buffer-sound count (none) name nothing.
  EXPECT_EQ(Audio_GetSound(3), nullptr);
  EXPECT_FALSE(Audio_Exists(3));
  EXPECT_EQ(Audio_GetSound(AUDIO_BUFFER_SOUND_BASE), nullptr);
  EXPECT_EQ(Audio_GetSound(-1), nullptr);
  EXPECT_STREQ(Audio_GetName(2), "boom");
  EXPECT_STREQ(Audio_GetName(3), "<undefined>");
  EXPECT_STREQ(Audio_GetName(AUDIO_BUFFER_SOUND_BASE), "<undefined>");
}

TEST_F(AudioTest, AudioGroupNamesAreKept) {
  container::SoundEntry s;
  s.group = 1;
  ASSERT_TRUE(Start({s}, {{false, container::make_wav_tone(Tone())}}, {"audiogroup_default", "music"}));
  EXPECT_EQ(CAudioGroupTable::Count(), 2);
  EXPECT_STREQ(CAudioGroupTable::Name(1), "music");
  // Group 1 is not loaded: its sound got no file and no buffer.
  EXPECT_EQ(Audio_GetSound(0)->embedded, nullptr);
  EXPECT_EQ(Audio_GetSound(0)->alBuffer, 0);
}

TEST_F(AudioTest, ChunksPointingOutsideTheContainerFailTheLoadNamingTheChunk) {
  struct Case {
    const char* tag;
    uint32_t position;  // written as the first entry's position
  };
  for (const Case& c : {Case{"SOND", 0x7FFFFFF0u}, Case{"AUDO", 0x7FFFFFF0u}, Case{"AGRP", 0x7FFFFFF0u}}) {
    SCOPED_TRACE(c.tag);
    container::ContainerWriter writer;
    for (const char* tag : {"SOND", "AGRP", "AUDO"}) {
      if (std::string(tag) == c.tag) {
        writer.add_chunk(tag).u32(1).u32(c.position);
      } else {
        writer.add_chunk(tag).u32(0);
      }
    }
    m_bytes = writer.build().bytes;
    EXPECT_FALSE(StartFromBytes());
    EXPECT_NE(std::string(Game_LoadFailure()).find(c.tag), std::string::npos) << Game_LoadFailure();
  }
  // An AUDO record whose length runs past the end.
  container::ContainerWriter writer;
  writer.add_chunk("AUDO").u32(1).offset_to("rec").label("rec").u32(1000).u32(0);
  m_bytes = writer.build().bytes;
  EXPECT_FALSE(StartFromBytes());
  EXPECT_NE(std::string(Game_LoadFailure()).find("AUDO"), std::string::npos);
  Game_ClearLoadFailure();
}

TEST_F(AudioTest, AnAudoRecordMustLieInsideItsChunk) {
  struct Case {
    const char* name;
    uint32_t length;     // the record's length word
    bool recordInAfter;  // the record sits in the chunk after AUDO
    const char* failure;  // null: loads
  };
  // The record holds 8 bytes and ends exactly where the chunk ends; a chunk of 12 bytes follows.
  const Case cases[] = {
      {"fits to the chunk's last byte", 8, false, nullptr},
      {"runs one byte into the next chunk", 9, false, "chunk AUDO: embedded file 0 of 9 bytes runs past the end of the chunk"},
      {"runs to the container's end", 8 + 8 + 12, false, "chunk AUDO: embedded file 0 of 28 bytes runs past the end"},
      {"sits in the next chunk", 4, true, "chunk AUDO: embedded file 0 lies outside the chunk"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    container::ContainerWriter writer({.chunk_alignment = 1});
    writer.add_chunk("SOND").u32(0);
    writer.add_chunk("AGRP").u32(0);
    writer.add_chunk("AUDO").u32(1).offset_to("rec").label(c.recordInAfter ? "unused" : "rec").u32(c.length).u32(0).u32(0);
    writer.add_chunk("NEXT").label(c.recordInAfter ? "rec" : "other").u32(c.length).u32(0).u32(0);
    const container::BuildResult built = writer.build();
    ASSERT_TRUE(built.ok()) << built.error;
    m_bytes = built.bytes;
    if (c.failure == nullptr) {
      EXPECT_TRUE(StartFromBytes()) << Game_LoadFailure();
    } else {
      EXPECT_FALSE(StartFromBytes());
      EXPECT_EQ(std::string(Game_LoadFailure()).rfind(c.failure, 0), 0u) << Game_LoadFailure();
    }
    Sound_QuitHardware();
  }
  Game_ClearLoadFailure();
}

TEST_F(AudioTest, AnUnloadableWavGetsBufferZeroAndAVoiceIdButPlaysNothing) {
  const std::vector<uint8_t> junk = {'R', 'I', 'F', 'F', 1, 2, 3, 4, 'j', 'u', 'n', 'k'};
  ASSERT_TRUE(Start({container::SoundEntry{}}, {{false, junk}}));
  EXPECT_EQ(Audio_GetSound(0)->alBuffer, 0);
  EXPECT_EQ(Audio_PlaySimpleSound(0, 1.0, 0), AUDIO_VOICE_ID_BASE + 1);
  EXPECT_FALSE(Audio_IsPlaying(0));
  EXPECT_LT(Rms(Render(0.1)), 1e-6);
}

TEST_F(AudioTest, TheDebugViewWordIsReplacedWhole) {
  ASSERT_TRUE(Start({}, {}));
  Audio_SetDebug(true);
  EXPECT_EQ(g_Audio.debugView, 16);
  Audio_SetSyncGroupDebug(-1);
  EXPECT_EQ(g_Audio.debugView, 0);
  Audio_SetSyncGroupDebug(2);
  EXPECT_EQ(g_Audio.debugView, 32);
}

}  // namespace
}  // namespace audio_test
