// Game descriptions: what a described game is written as, and the errors that say which line
// (or which line of which code file) is wrong.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "container/bytecode_asm.h"
#include "container/game_description.h"
#include "container/minimal.h"

namespace {

namespace fs = std::filesystem;

fs::path scratch() {
  const fs::path dir = fs::path(TOLVARINE_TEST_TMP) / "game_description";
  fs::create_directories(dir);
  return dir;
}

void write_file(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
void write_file(const fs::path& path, const std::vector<uint8_t>& bytes) {
  write_file(path, std::string(bytes.begin(), bytes.end()));
}

std::vector<uint8_t> bytes_of(const container::ContainerWriter& writer) {
  const container::BuildResult result = writer.build();
  EXPECT_TRUE(result.ok()) << result.error;
  return result.bytes;
}

constexpr const char* kCodeA = ".code thing_create\n  ret.e\n.code thing_alarm\n  ret.e\n";
constexpr const char* kCodeB = ".code thing_gui\n  ret.e\n.code room_a\n  exit.i\n.code placed\n  ret.e\n";

// A 4 x 2 image of two 2 x 2 frames: frame 0 has its top left pixel, frame 1 its bottom right.
std::vector<uint8_t> two_frames() {
  std::vector<uint8_t> rgba(4 * 2 * 4, 0);
  for (size_t at : {size_t{0}, size_t{(1 * 4 + 3) * 4}}) {
    rgba[at] = 0x10;
    rgba[at + 3] = 0xFF;
  }
  return rgba;
}

void write_files(const fs::path& dir) {
  write_file(dir / "a.s", kCodeA);
  write_file(dir / "b.s", kCodeB);
  write_file(dir / "dots.png", container::png_page(4, 2, two_frames()));
  write_file(dir / "beep.wav", container::make_wav_tone({.seconds = 0.01}));
  write_file(dir / "junk.png", "not a png at all");
  write_file(dir / "junk.wav", std::string("RIFF\x04\0\0\0AVI LIST", 16));
}

}  // namespace

TEST(GameDescription, WritesWhatTheLibraryWritesForTheSameGame) {
  const fs::path dir = scratch();
  write_files(dir);
  const char* text = R"(# the game
game "Test Game" width=100
code a.s
code b.s
sprite dots dots.png frames=2 origin=1,0
sound beep beep.wav volume=0.5
object thing sprite=dots depth=-5
  on create thing_create
  on alarm 3 thing_alarm
  on draw_gui thing_gui
object child parent=thing solid=1 visible=0
room a 64 48 speed=60 colour=102030 caption="Hi there" code=room_a
  instance thing 1 2 code=placed
room b 32 32
  instance child -3 4
)";
  container::ContainerWriter described;
  std::string error;
  ASSERT_TRUE(container::read_game_description(text, dir.string(), described, error)) << error;

  container::BytecodeProgram program;
  ASSERT_TRUE(container::assemble_bytecode(std::string(kCodeA) + kCodeB, &program, &error)) << error;
  container::SpriteEntry dots;
  dots.name = "dots";
  dots.width = dots.height = 2;
  dots.bbox_left = dots.bbox_top = 0;
  dots.bbox_right = dots.bbox_bottom = 1;
  dots.x_origin = 1;
  dots.frames = {0, 1};
  dots.masks = {{1, 0, 0, 0}, {0, 0, 0, 1}};
  const std::optional<container::SpriteEntry> sprites[] = {dots};
  const container::TexturePageEntry entries[] = {{0, 0, 2, 2, 0, 0, 2, 2, 2, 2, 0}, {2, 0, 2, 2, 0, 0, 2, 2, 2, 2, 0}};
  const container::TexturePage pages[] = {{0, container::png_page(4, 2, two_frames())}};
  container::SoundEntry beep;
  beep.name = "beep";
  beep.file = "beep.wav";
  beep.volume = 0.5f;
  const container::AudioFile files[] = {{false, container::make_wav_tone({.seconds = 0.01})}};
  std::vector<container::ObjtEntry> objects(2);
  objects[0].name = "thing";
  objects[0].sprite_index = 0;
  objects[0].depth = -5;
  objects[0].on(0, 0, 0).on(2, 3, 1).on(8, 64, 2);
  objects[1].name = "child";
  objects[1].parent_index = 0;
  objects[1].solid = true;
  objects[1].visible = false;
  container::RoomEntry a{.name = "a", .width = 64, .height = 48, .speed = 60, .caption = "Hi there",
                         .colour = 0x302010, .show_colour = true, .creation_code = 3};
  a.instances = {{.x = 1, .y = 2, .object = 0, .id = 100001, .code = 4}};
  container::RoomEntry b{.name = "b", .width = 32, .height = 32};
  b.instances = {{.x = -3, .y = 4, .object = 1, .id = 100002}};
  const container::RoomEntry rooms[] = {a, b};
  container::MinimalGameParts parts;
  parts.game_name = "Test Game";
  parts.rooms = rooms;
  parts.objects = objects;
  parts.sprites = sprites;
  parts.page_entries = entries;
  parts.pages = pages;
  parts.sounds = std::span(&beep, 1);
  parts.audio_files = files;
  parts.code = &program;
  parts.new_audio_engine = true;
  parts.window_width = 100;
  parts.window_height = 48;
  container::ContainerWriter direct;
  container::add_minimal_game(direct, parts);
  EXPECT_EQ(bytes_of(described), bytes_of(direct));
}

TEST(GameDescription, ErrorsNameTheLineOrTheCodeFilesLine) {
  const fs::path dir = scratch();
  write_files(dir);
  write_file(dir / "bad.s", ".code fine\n  ret.e\n.code broken\n  frobnicate.i\n");
  const std::string room = "room r 10 10\n";
  struct Case {
    std::string text;
    std::string error;
  };
  const Case cases[] = {
      {"room r 10 10\n", "line 1: a game description starts with \"game NAME\""},
      {"game g\ngame h\n", "line 2: \"game\" is given twice"},
      {"game g\n", "line 1: a game needs at least one room"},
      {"game g\nfrobnicate\n", "line 2: unknown directive \"frobnicate\""},
      {"game g width=0\n", "line 1: width= \"0\" is not a whole number from 1 to 16384"},
      {"game g\nroom r 10 10 speed=fast\n", "line 2: speed= \"fast\" is not a whole number from 1 to 1000"},
      {"game g\nroom r 10 10 colour=red\n", "line 2: colour= takes six hex digits RRGGBB, not \"red\""},
      {"game g\nroom r 10 10 depth=3\n",
       "line 2: \"depth=3\" is not a setting here (speed=, colour=, caption=, code=, persistent=)"},
      {"game g\nroom r 10 10 speed=5 speed=6\n", "line 2: speed= is given twice"},
      {"game g\nroom r 10\n", "line 2: \"room\" takes NAME WIDTH HEIGHT [speed=N] [colour=RRGGBB] [caption=TEXT] "
                              "[code=ENTRY] [persistent=0|1]"},
      {"game g\ninstance o 1 1\n" + room, "line 2: \"instance\" follows a \"room\" line"},
      {"game g\non step s\n" + room, "line 2: \"on\" follows an \"object\" line"},
      {"game g\nobject o\non jump s\n" + room, "line 3: unknown event \"jump\""},
      {"game g\nobject o\non alarm 12 s\n" + room, "line 3: alarm \"12\" is not a whole number from 0 to 11"},
      {"game g\nobject o\non step 1 s\n" + room, "line 3: \"on step\" takes ENTRY"},
      {"game g\ncode a.s\nobject o\non create thing_create\non create thing_alarm\n" + room,
       "line 5: object \"o\" has this event already (line 4)"},
      {"game g\nobject o visible=yes\n" + room, "line 2: visible= takes 0 or 1, not \"yes\""},
      {"game g\nobject o\non step nothing\n" + room, "line 3: no code entry \"nothing\" in the code files"},
      {"game g\nobject o sprite=none\n" + room, "line 2: no sprite \"none\""},
      {"game g\nobject o parent=p\nobject p parent=o\n" + room, "line 2: object \"o\" is its own ancestor"},
      {"game g\n" + room + "instance ghost 1 1\n", "line 3: no object \"ghost\""},
      {"game g\n" + room + room, "line 3: room \"r\" is listed twice (first on line 2)"},
      {"game g\ncode missing.s\n", "line 2: cannot read \"missing.s\""},
      {"game g\ncode a.s\ncode bad.s\n" + room, "bad.s line 4: unknown instruction frobnicate.i"},
      {"game g\nsprite s junk.png\n" + room, "line 2: junk.png: not a readable PNG file"},
      {"game g\nsprite s dots.png frames=3\n" + room, "line 2: dots.png is 4 pixels wide, which 3 frames do not divide"},
      {"game g\nsprite s dots.png origin=1\n" + room, "line 2: origin= takes X,Y"},
      {"game g\nsound s junk.wav\n" + room, "line 2: junk.wav is not a WAV file (RIFF ... WAVE)"},
      {"game g\nsound s beep.wav volume=2\n" + room, "line 2: volume= takes a number from 0 to 1, not \"2\""},
  };
  for (const Case& c : cases) {
    container::ContainerWriter writer;
    std::string error;
    EXPECT_FALSE(container::read_game_description(c.text, dir.string(), writer, error)) << c.text;
    EXPECT_EQ(error.substr(0, c.error.size()), c.error) << c.text;
  }
}

TEST(GameDescription, IsToldFromAChunkDescriptionByItsFirstDirective) {
  EXPECT_TRUE(container::is_game_description("# a comment\n\n  game \"My game\"\nroom r 1 1\n"));
  EXPECT_FALSE(container::is_game_description("chunk GEN8\ngame x\n"));
  EXPECT_FALSE(container::is_game_description(""));
}
