// The least complete game: every chunk of a game in its usual file order, each list empty, with a
// header, options, one texture page and one page entry. What end-to-end tests start from and
// what `tolvarine-container --minimal` writes.
#pragma once

#include <span>
#include <string>

#include "container/bgnd.h"
#include "container/bytecode_asm.h"
#include "container/font.h"
#include "container/objt.h"
#include "container/room.h"
#include "container/sound.h"
#include "container/sprt.h"
#include "container/tpag.h"
#include "container/txtr.h"
#include "container/writer.h"

namespace container {

// Without rooms: the runner ends such a game after its first frame.
void add_minimal_game(ContainerWriter& writer);
// With these rooms in the ROOM chunk and the room order 0, 1, ... in the header (empty slots
// left out of the order), so the game starts in the first room and runs until it is ended; and
// with these objects in the OBJT chunk. With a program its codes go into CODE, VARI and FUNC
// (code indices in rooms and objects count in it); without one those chunks stay empty.
void add_minimal_game(ContainerWriter& writer, std::span<const RoomEntry> rooms,
                      std::span<const ObjtEntry> objects = {}, const BytecodeProgram* program = nullptr);

// Everything a minimal game can carry beyond the least: rooms and objects as above, sounds with
// their audio groups and embedded files, and byte code (CODE, VARI and FUNC stay empty without).
struct MinimalGameParts {
  std::span<const RoomEntry> rooms = {};
  std::span<const ObjtEntry> objects = {};
  std::span<const SoundEntry> sounds = {};
  std::span<const std::string> audio_groups = {};
  std::span<const AudioFile> audio_files = {};
  const BytecodeProgram* code = nullptr;
  bool new_audio_engine = false;
  // Sprites with the page entries and pages their frames use; without pages the game has one
  // 1 x 1 page and one entry on it.
  std::span<const std::optional<SpriteEntry>> sprites = {};
  std::span<const TexturePageEntry> page_entries = {};
  std::span<const TexturePage> pages = {};
  // Fonts whose page entries lie among those above (the FONT chunk stays empty without).
  std::span<const std::optional<FontEntry>> fonts = {};
  // Backgrounds whose page entries lie among those above (the BGND chunk stays empty without).
  std::span<const std::optional<BackgroundEntry>> backgrounds = {};
  // The game's name and display name (the save area's folder is named after it).
  std::string game_name = "Minimal";
  // The header's window size (and so the application surface's first size).
  int32_t window_width = 320;
  int32_t window_height = 240;
};
void add_minimal_game(ContainerWriter& writer, const MinimalGameParts& parts);

}  // namespace container

namespace container {

// A minimal game whose one room (the given one, its creation code replaced) plays a looping
// half-second sine tone of `frequency` Hz at start, on the new audio engine.
void add_tone_game(ContainerWriter& writer, RoomEntry room, double frequency);

// A game of one room showing two views: a room of 640 x 480 in colour 0x3060C0 (blue-green-red),
// seen through view 0 (the room's top left quarter) and view 1 (its bottom right quarter) whose
// ports of 160 x 120 sit side by side, and four instances of object "marker" at (40, 40),
// (280, 200), (360, 280) and (600, 440), each showing sprite "block": 32 x 32 pixels of colour
// 0xFFD020 (red-green-blue) with its origin at the top left.
// With `save_step` above 0 a controller object ends the game at that step of its End Step event,
// after saving the screen as `save_file` (screen_save) in the save area.
void add_demo_views_game(ContainerWriter& writer, int32_t save_step = 0, const std::string& save_file = {});

// Byte code of two entries: NAME_create (a Create event's: global.frames = 0) and NAME_end_step
// (an End Step event's: counts the steps in global.frames and, at step `step`, runs the byte code
// `before_save`, saves the screen as `file` and ends the game).
std::string save_frame_code(const std::string& name, int32_t step, const std::string& file,
                            const std::string& before_save = {});

}  // namespace container
