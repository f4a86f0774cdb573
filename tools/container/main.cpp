// tolvarine-container: writes data containers from the command line.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "container/description.h"
#include "container/game_description.h"
#include "container/minimal.h"
#include "container/writer.h"

namespace {

constexpr std::string_view kUsage = R"(usage: tolvarine-container [options] DESCRIPTION OUTPUT
       tolvarine-container [options] --minimal [--room-speed N [--room-code CODE | --draw-code CODE | --tone HZ]] OUTPUT
       tolvarine-container [options] --demo-views [--save-frame STEP FILE] OUTPUT

Writes the container that the text file DESCRIPTION describes ("-" reads standard input) to OUTPUT.
With --minimal it writes the least complete game instead: every chunk of a game in its usual
order with empty lists, a header (format version 15, 320 x 240), options, one texture page and
one texture-page entry. The runner loads and starts it; without rooms the game ends after its
first frame. --room-speed N adds one room, "room0" of 320 x 240 at N frames per second, as the
first room of the room order: the game then runs in it until it is ended (window closed, SIGINT
or SIGTERM). --room-code CODE gives that room a creation code: CODE is a file of byte-code
assembly ("-" reads standard input) whose first code entry becomes the room's creation code (its
codes go into the CODE, VARI and FUNC chunks). With -headless the runner ends with exit code 0
once such a code has run. --draw-code CODE instead places one instance of an object "drawer" in
that room whose Draw event runs the first code entry of CODE (with game_end there, the game ends
after its first frame is drawn and shown). --tone HZ instead gives that room a creation code that plays a looping
half-second sine tone of HZ Hz (sound 0, "tone", on the new audio engine). --demo-views writes a
game of one room in colour seen through two views whose ports sit side by side (a window of
320 x 120), with four instances of a 32 x 32 sprite in it. --save-frame STEP FILE adds a controller
that, at step STEP, saves the screen as the PNG file FILE in the game's save area and ends the game.

Options (the last three damage the container on purpose, for testing loaders):
  --chunk-alignment N   start every chunk body at a multiple of N: 1, 2, 4 (default), 8 or 16
  --size-word N         write N as the size word instead of the container size - 8
  --truncate N          cut the last N bytes off; the size word fits what is left
  --unknown-chunk-at N  insert a chunk with the unknown tag JUNK at position N of the chunks
  --help                show this text

Description: one directive a line, '#' starts a comment, words with blanks in double quotes
(escapes \" \\ \n \t \xHH). Offsets count from the start of the container.
  chunk TAG             start a chunk; the lines below fill its body
  u8|u16|i16|u32|i32 N...  integers (decimal or 0x hex)
  f32|f64 X...          floating-point numbers
  bytes HH...           raw bytes in hex
  zeros N | align N     N zero bytes | zero bytes up to a multiple of N
  label NAME            name this position
  offset NAME...        u32 offset of each label
  string TEXT...        u32 offset of each text in the string pool (STRG)
  string-index TEXT...  u32 entry number of each text in the string pool
  list NAME...          u32 count, then the offset of each label ("-" for none)
  strings               put the STRG chunk here (else it ends the container)

A description whose first directive is "game NAME" describes a whole game instead, its words
split the same way. Files are found beside the description; sprites, sounds, objects and rooms
are numbered from 0 in the order they are listed, and byte code names them by those numbers.
  game NAME [width=N] [height=N]       the game's name; its window (default: the first room's size)
  code FILE                            byte-code assembler text (several files form one program)
  sprite NAME FILE.png [frames=N] [origin=X,Y]   N frames side by side in the image
  sound NAME FILE.wav [volume=V]       a sound for the audio engine
  object NAME [sprite=S] [parent=P] [depth=N] [visible=0|1] [solid=0|1] [persistent=0|1]
    on EVENT [N] ENTRY                 the object's event runs code entry ENTRY: create, destroy,
                                       alarm N, step, begin_step, end_step, draw, draw_gui,
                                       keyboard K, keypress K, keyrelease K, game_start, game_end,
                                       room_start, room_end, user N
  room NAME WIDTH HEIGHT [speed=N] [colour=RRGGBB] [caption=TEXT] [code=ENTRY] [persistent=0|1]
    instance OBJECT X Y [code=ENTRY]   an instance in the room above; rooms play in their order
)";

std::optional<uint32_t> parse_u32(std::string_view text) {
  uint32_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Options that take a number and set a writer option.
struct ValueOption {
  std::string_view name;
  void (*set)(container::WriterOptions&, uint32_t);
};
constexpr ValueOption kValueOptions[] = {
    {"--chunk-alignment", [](container::WriterOptions& o, uint32_t n) { o.chunk_alignment = n; }},
    {"--size-word", [](container::WriterOptions& o, uint32_t n) { o.size_word = n; }},
    {"--truncate", [](container::WriterOptions& o, uint32_t n) { o.truncate = n; }},
    {"--unknown-chunk-at", [](container::WriterOptions& o, uint32_t n) { o.unknown_chunk_at = n; }},
};

int usage_error(const std::string& message) {
  std::cerr << "tolvarine-container: " << message << "\n(see tolvarine-container --help)\n";
  return 2;
}

int failure(const std::string& message) {
  std::cerr << "tolvarine-container: " << message << "\n";
  return 1;
}

bool read_all(const std::string& path, std::string& text) {
  if (path == "-") {
    text.assign(std::istreambuf_iterator<char>(std::cin), {});
    return !std::cin.bad();
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  text.assign(std::istreambuf_iterator<char>(file), {});
  return !file.bad();
}

}  // namespace

int main(int argc, char** argv) {
  container::WriterOptions options;
  std::vector<std::string> positional;
  bool minimal = false;
  bool demo_views = false;
  std::optional<int32_t> room_speed;
  std::optional<uint32_t> tone;
  std::optional<std::string> room_code;
  std::optional<std::string> draw_code;
  std::optional<std::pair<int32_t, std::string>> save_frame;

  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help") {
      std::cout << kUsage;
      return 0;
    }
    if (arg == "--minimal") {
      minimal = true;
      continue;
    }
    if (arg == "--demo-views") {
      demo_views = true;
      continue;
    }
    if (arg == "--room-speed") {
      if (i + 1 >= argc) return usage_error("--room-speed needs a value");
      const std::optional<uint32_t> value = parse_u32(argv[++i]);
      if (!value || *value > INT32_MAX) return usage_error(std::string("--room-speed: \"") + argv[i] + "\" is not a number");
      room_speed = static_cast<int32_t>(*value);
      continue;
    }
    if (arg == "--tone") {
      if (i + 1 >= argc) return usage_error("--tone needs a value");
      tone = parse_u32(argv[++i]);
      if (!tone || *tone == 0 || *tone > 20000) return usage_error(std::string("--tone: \"") + argv[i] + "\" is not a frequency of 1 to 20000 Hz");
      continue;
    }
    if (arg == "--save-frame") {
      if (i + 2 >= argc) return usage_error("--save-frame needs a step and a file");
      const std::optional<uint32_t> step = parse_u32(argv[++i]);
      if (!step || *step == 0 || *step > INT32_MAX) return usage_error(std::string("--save-frame: \"") + argv[i] + "\" is not a step of 1 or more");
      const std::string file = argv[++i];
      if (file.empty() || file.find_first_of("\"\\\n") != std::string::npos) {
        return usage_error("--save-frame: the file name must be a plain, non-empty name");
      }
      save_frame = std::pair{static_cast<int32_t>(*step), file};
      continue;
    }
    if (arg == "--room-code" || arg == "--draw-code") {
      if (i + 1 >= argc) return usage_error(std::string(arg) + " needs a file");
      (arg == "--room-code" ? room_code : draw_code) = argv[++i];
      continue;
    }
    if (!arg.starts_with("--")) {
      positional.emplace_back(arg);
      continue;
    }
    const auto setter = std::find_if(std::begin(kValueOptions), std::end(kValueOptions),
                                     [&](const ValueOption& option) { return option.name == arg; });
    if (setter == std::end(kValueOptions)) return usage_error("unknown option " + std::string(arg));
    if (i + 1 >= argc) return usage_error(std::string(arg) + " needs a value");
    const std::optional<uint32_t> value = parse_u32(argv[++i]);
    if (!value) return usage_error(std::string(arg) + ": \"" + argv[i] + "\" is not a number");
    setter->set(options, *value);
  }
  container::ContainerWriter writer(options);
  if (demo_views) {
    if (minimal || room_speed || room_code || draw_code || tone || positional.size() != 1) {
      return usage_error("--demo-views expects OUTPUT alone");
    }
    if (save_frame) {
      container::add_demo_views_game(writer, save_frame->first, save_frame->second);
    } else {
      container::add_demo_views_game(writer);
    }
    const container::BuildResult result = writer.write_file(positional[0]);
    return result.ok() ? 0 : failure(result.error);
  }
  if (save_frame) return usage_error("--save-frame goes with --demo-views");
  if (minimal) {
    if (positional.size() != 1) return usage_error("--minimal expects OUTPUT alone");
    if ((room_code || draw_code || tone) && !room_speed) {
      return usage_error(room_code   ? "--room-code goes with --room-speed"
                         : draw_code ? "--draw-code goes with --room-speed"
                                     : "--tone goes with --room-speed");
    }
    if ((room_code ? 1 : 0) + (draw_code ? 1 : 0) + (tone ? 1 : 0) > 1) {
      return usage_error("--room-code, --draw-code and --tone do not go together");
    }
    if (room_speed && tone) {
      const container::RoomEntry room{.name = "room0", .width = 320, .height = 240, .speed = *room_speed};
      container::add_tone_game(writer, room, *tone);
    } else if (room_speed) {
      container::RoomEntry room{.name = "room0", .width = 320, .height = 240, .speed = *room_speed};
      container::BytecodeProgram program;
      std::vector<container::ObjtEntry> objects;
      const std::optional<std::string>& code = room_code ? room_code : draw_code;
      if (code) {
        std::string text;
        if (!read_all(*code, text)) return failure("cannot read \"" + *code + "\"");
        std::string error;
        if (!container::assemble_bytecode(text, &program, &error)) return failure(*code + ": " + error);
        if (program.codes.empty()) return failure(*code + ": no code entry");
      }
      if (room_code) room.creation_code = 0;
      if (draw_code) {
        // Draw: event type 8, number 0.
        objects.emplace_back().name = "drawer";
        objects.back().on(8, 0, 0);
        room.instances.push_back(container::RoomInstanceEntry{});
      }
      container::add_minimal_game(writer, std::span(&room, 1), objects, code ? &program : nullptr);
    } else {
      container::add_minimal_game(writer);
    }
    const container::BuildResult result = writer.write_file(positional[0]);
    return result.ok() ? 0 : failure(result.error);
  }
  if (room_speed) return usage_error("--room-speed goes with --minimal");
  if (room_code) return usage_error("--room-code goes with --minimal");
  if (draw_code) return usage_error("--draw-code goes with --minimal");
  if (tone) return usage_error("--tone goes with --minimal and --room-speed");
  if (positional.size() != 2) return usage_error("expected DESCRIPTION and OUTPUT");

  std::string text;
  if (!read_all(positional[0], text)) return failure("cannot read \"" + positional[0] + "\"");
  std::string error;
  if (container::is_game_description(text)) {
    // The files it names are found beside it (from the working directory for standard input).
    const std::string directory =
        positional[0] == "-" ? std::string() : std::filesystem::path(positional[0]).parent_path().string();
    if (!container::read_game_description(text, directory, writer, error)) return failure(positional[0] + ": " + error);
  } else if (!container::read_description(text, writer, error)) {
    return failure(positional[0] + ": " + error);
  }
  const container::BuildResult result = writer.write_file(positional[1]);
  if (!result.ok()) return failure(result.error);
  return 0;
}
