#include "container/game_description.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "container/description.h"
#include "container/minimal.h"

namespace container {
namespace {

// The longest side of a room or a sprite's image: texture-page entries keep sizes in 16 bits.
constexpr int64_t kMaxSide = 16384;
constexpr int32_t kFirstInstanceId = 100001;

struct EventKind {
  std::string_view name;
  int32_t type;
  int32_t number;      // the event number, or the first one when it takes N
  int32_t max_number;  // -1: takes no N; else N is 0 to this
};
constexpr EventKind kEventKinds[] = {
    {"create", 0, 0, -1},     {"destroy", 1, 0, -1},     {"alarm", 2, 0, 11},       {"step", 3, 0, -1},
    {"begin_step", 3, 1, -1}, {"end_step", 3, 2, -1},    {"keyboard", 5, 0, 255},   {"game_start", 7, 2, -1},
    {"game_end", 7, 3, -1},   {"room_start", 7, 4, -1},  {"room_end", 7, 5, -1},    {"user", 7, 10, 15},
    {"draw", 8, 0, -1},       {"draw_gui", 8, 64, -1},   {"keypress", 9, 0, 255},   {"keyrelease", 10, 0, 255},
};

constexpr std::string_view kDirectives[] = {"game", "code", "sprite", "sound", "object", "on", "room", "instance"};

struct CodeFile {
  std::string path;
  size_t first_line;  // of the joined program text, counting from 1
  size_t lines;
};

struct EventDef {
  int32_t type = 0;
  int32_t number = 0;
  std::string entry;
  size_t line = 0;
};

struct SpriteDef {
  std::string name, file;
  int32_t frames = 1;
  int32_t x_origin = 0, y_origin = 0;
  size_t line = 0;
};

struct SoundDef {
  std::string name, file;
  float volume = 1.0f;
  size_t line = 0;
};

struct ObjectDef {
  std::string name, sprite, parent;
  int32_t depth = 0;
  bool visible = true, solid = false, persistent = false;
  std::vector<EventDef> events;
  size_t line = 0;
};

struct InstanceDef {
  std::string object, entry;
  int32_t x = 0, y = 0;
  size_t line = 0;
};

struct RoomDef {
  std::string name, caption, entry;
  int32_t width = 0, height = 0, speed = 30;
  std::optional<uint32_t> colour;
  bool persistent = false;
  std::vector<InstanceDef> instances;
  size_t line = 0;
};

struct Game {
  std::string name;
  std::optional<int32_t> width, height;
  std::string program_text;
  std::vector<CodeFile> code_files;
  std::vector<SpriteDef> sprites;
  std::vector<SoundDef> sounds;
  std::vector<ObjectDef> objects;
  std::vector<RoomDef> rooms;
};

// A failure of one line: "line N: message".
struct Failure {
  std::string& error;
  bool operator()(size_t line, const std::string& message) const {
    error = "line " + std::to_string(line) + ": " + message;
    return false;
  }
};

std::string in_quotes(std::string_view text) { return "\"" + std::string(text) + "\""; }

bool read_file(const std::string& directory, const std::string& name, std::string* bytes) {
  std::filesystem::path path(name);
  if (path.is_relative() && !directory.empty()) path = std::filesystem::path(directory) / path;
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes->assign(std::istreambuf_iterator<char>(file), {});
  return !file.bad();
}

// Settings "key=value" after the positional words; false with `message` for an unknown key, a
// key given twice or a word without '='.
bool settings(std::span<const std::string> words, std::initializer_list<std::string_view> keys,
              std::map<std::string, std::string, std::less<>>* out, std::string* message) {
  for (const std::string& word : words) {
    const size_t equals = word.find('=');
    const std::string key = word.substr(0, equals);
    if (equals == std::string::npos || std::find(keys.begin(), keys.end(), key) == keys.end()) {
      std::string known;
      for (std::string_view k : keys) known += (known.empty() ? "" : ", ") + std::string(k) + "=";
      *message = in_quotes(word) + " is not a setting here (" + (known.empty() ? "none are taken" : known) + ")";
      return false;
    }
    if (!out->emplace(key, word.substr(equals + 1)).second) {
      *message = key + "= is given twice";
      return false;
    }
  }
  return true;
}

bool integer(const std::string& text, int64_t min, int64_t max, const std::string& what, int32_t* out,
             std::string* message) {
  const std::optional<int64_t> value = parse_description_integer(text, min, max);
  if (!value) {
    *message = what + " " + in_quotes(text) + " is not a whole number from " + std::to_string(min) + " to " +
               std::to_string(max);
    return false;
  }
  *out = static_cast<int32_t>(*value);
  return true;
}

bool flag(const std::map<std::string, std::string, std::less<>>& set, const char* key, bool* out, std::string* message) {
  const auto it = set.find(key);
  if (it == set.end()) return true;
  if (it->second != "0" && it->second != "1") {
    *message = std::string(key) + "= takes 0 or 1, not " + in_quotes(it->second);
    return false;
  }
  *out = it->second == "1";
  return true;
}

// Reads the lines into `game`; files are not read yet, except the code files.
bool read_lines(std::string_view text, const std::string& directory, Game* game, std::string& error) {
  const Failure fail{error};
  ObjectDef* object = nullptr;
  RoomDef* room = nullptr;
  bool named = false;
  size_t line = 0;
  while (!text.empty()) {
    ++line;
    const size_t newline = text.find('\n');
    const std::string_view raw = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    std::vector<std::string> words;
    std::string message;
    if (!split_description_line(raw, words, message)) return fail(line, message);
    if (words.empty()) continue;
    const std::string& directive = words[0];
    const std::span<const std::string> args(words.begin() + 1, words.end());
    auto positional = [&](size_t n, const char* form) {
      if (args.size() >= n) return true;
      message = in_quotes(directive) + " takes " + form;
      return false;
    };
    std::map<std::string, std::string, std::less<>> set;
    if (!named && directive != "game") return fail(line, "a game description starts with \"game NAME\"");

    if (directive == "game") {
      if (named) return fail(line, "\"game\" is given twice");
      if (!positional(1, "NAME [width=N] [height=N]") || !settings(args.subspan(1), {"width", "height"}, &set, &message))
        return fail(line, message);
      game->name = args[0];
      for (const char* key : {"width", "height"}) {
        if (!set.contains(key)) continue;
        int32_t value = 0;
        if (!integer(set.find(key)->second, 1, kMaxSide, std::string(key) + "=", &value, &message))
          return fail(line, message);
        (std::string_view(key) == "width" ? game->width : game->height) = value;
      }
      named = true;
    } else if (directive == "code") {
      if (args.size() != 1) return fail(line, "\"code\" takes FILE");
      std::string source;
      if (!read_file(directory, args[0], &source)) return fail(line, "cannot read " + in_quotes(args[0]));
      if (!source.empty() && source.back() != '\n') source += '\n';
      const size_t lines = static_cast<size_t>(std::count(source.begin(), source.end(), '\n'));
      size_t first = 1;
      if (!game->code_files.empty()) first = game->code_files.back().first_line + game->code_files.back().lines;
      game->code_files.push_back({args[0], first, lines});
      game->program_text += source;
    } else if (directive == "sprite") {
      SpriteDef sprite;
      sprite.line = line;
      if (!positional(2, "NAME FILE [frames=N] [origin=X,Y]") ||
          !settings(args.subspan(2), {"frames", "origin"}, &set, &message))
        return fail(line, message);
      sprite.name = args[0];
      sprite.file = args[1];
      if (set.contains("frames") &&
          !integer(set.find("frames")->second, 1, kMaxSide, "frames=", &sprite.frames, &message))
        return fail(line, message);
      if (set.contains("origin")) {
        const std::string& origin = set.find("origin")->second;
        const size_t comma = origin.find(',');
        if (comma == std::string::npos ||
            !integer(origin.substr(0, comma), -kMaxSide, kMaxSide, "origin x", &sprite.x_origin, &message) ||
            !integer(origin.substr(comma + 1), -kMaxSide, kMaxSide, "origin y", &sprite.y_origin, &message))
          return fail(line, comma == std::string::npos ? "origin= takes X,Y" : message);
      }
      game->sprites.push_back(std::move(sprite));
    } else if (directive == "sound") {
      SoundDef sound;
      sound.line = line;
      if (!positional(2, "NAME FILE [volume=V]") || !settings(args.subspan(2), {"volume"}, &set, &message))
        return fail(line, message);
      sound.name = args[0];
      sound.file = args[1];
      if (set.contains("volume")) {
        const std::string& text = set.find("volume")->second;
        float volume = -1.0f;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), volume);
        if (ec != std::errc() || end != text.data() + text.size() || !(volume >= 0.0f && volume <= 1.0f))
          return fail(line, "volume= takes a number from 0 to 1, not " + in_quotes(text));
        sound.volume = volume;
      }
      game->sounds.push_back(std::move(sound));
    } else if (directive == "object") {
      ObjectDef def;
      def.line = line;
      if (!positional(1, "NAME [sprite=S] [parent=P] [depth=N] [visible=0|1] [solid=0|1] [persistent=0|1]") ||
          !settings(args.subspan(1), {"sprite", "parent", "depth", "visible", "solid", "persistent"}, &set, &message) ||
          !flag(set, "visible", &def.visible, &message) || !flag(set, "solid", &def.solid, &message) ||
          !flag(set, "persistent", &def.persistent, &message))
        return fail(line, message);
      def.name = args[0];
      if (set.contains("sprite")) def.sprite = set.find("sprite")->second;
      if (set.contains("parent")) def.parent = set.find("parent")->second;
      if (set.contains("depth") && !integer(set.find("depth")->second, std::numeric_limits<int32_t>::min(),
                                            std::numeric_limits<int32_t>::max(), "depth=", &def.depth, &message))
        return fail(line, message);
      game->objects.push_back(std::move(def));
      object = &game->objects.back();
      room = nullptr;
    } else if (directive == "on") {
      if (object == nullptr) return fail(line, "\"on\" follows an \"object\" line");
      if (args.size() < 2) return fail(line, "\"on\" takes EVENT [N] ENTRY");
      const auto kind = std::find_if(std::begin(kEventKinds), std::end(kEventKinds),
                                     [&](const EventKind& k) { return k.name == args[0]; });
      if (kind == std::end(kEventKinds)) return fail(line, "unknown event " + in_quotes(args[0]));
      const size_t expected = kind->max_number < 0 ? 2 : 3;
      if (args.size() != expected)
        return fail(line, "\"on " + args[0] + "\" takes " + (expected == 2 ? "ENTRY" : "N ENTRY"));
      int32_t number = kind->number;
      if (expected == 3) {
        if (!integer(args[1], 0, kind->max_number, args[0], &number, &message)) return fail(line, message);
        number += kind->number;
      }
      for (const EventDef& e : object->events) {
        if (e.type == kind->type && e.number == number)
          return fail(line, "object " + in_quotes(object->name) + " has this event already (line " +
                                std::to_string(e.line) + ")");
      }
      object->events.push_back({kind->type, number, args.back(), line});
    } else if (directive == "room") {
      RoomDef def;
      def.line = line;
      if (!positional(3, "NAME WIDTH HEIGHT [speed=N] [colour=RRGGBB] [caption=TEXT] [code=ENTRY] [persistent=0|1]") ||
          !settings(args.subspan(3), {"speed", "colour", "caption", "code", "persistent"}, &set, &message) ||
          !integer(args[1], 1, kMaxSide, "width", &def.width, &message) ||
          !integer(args[2], 1, kMaxSide, "height", &def.height, &message) ||
          (set.contains("speed") && !integer(set.find("speed")->second, 1, 1000, "speed=", &def.speed, &message)) ||
          !flag(set, "persistent", &def.persistent, &message))
        return fail(line, message);
      def.name = args[0];
      if (set.contains("caption")) def.caption = set.find("caption")->second;
      if (set.contains("code")) def.entry = set.find("code")->second;
      if (set.contains("colour")) {
        const std::string& text = set.find("colour")->second;
        const std::optional<int64_t> rgb = text.size() == 6 ? parse_description_integer("0x" + text, 0, 0xFFFFFF)
                                                            : std::nullopt;
        if (!rgb) return fail(line, "colour= takes six hex digits RRGGBB, not " + in_quotes(text));
        // Rooms keep their colour with blue in the high byte.
        const auto v = static_cast<uint32_t>(*rgb);
        def.colour = ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
      }
      game->rooms.push_back(std::move(def));
      room = &game->rooms.back();
      object = nullptr;
    } else if (directive == "instance") {
      if (room == nullptr) return fail(line, "\"instance\" follows a \"room\" line");
      InstanceDef def;
      def.line = line;
      if (!positional(3, "OBJECT X Y [code=ENTRY]") || !settings(args.subspan(3), {"code"}, &set, &message) ||
          !integer(args[1], -1000000, 1000000, "x", &def.x, &message) ||
          !integer(args[2], -1000000, 1000000, "y", &def.y, &message))
        return fail(line, message);
      def.object = args[0];
      if (set.contains("code")) def.entry = set.find("code")->second;
      room->instances.push_back(std::move(def));
    } else {
      return fail(line, "unknown directive " + in_quotes(directive));
    }
  }
  if (!named) return fail(line, "a game description starts with \"game NAME\"");
  if (game->rooms.empty()) return fail(line, "a game needs at least one room");
  return true;
}

// The index of the entry called `name` among `defs`, or -1.
template <typename Def>
int32_t index_of(const std::vector<Def>& defs, const std::string& name) {
  for (size_t i = 0; i < defs.size(); ++i) {
    if (defs[i].name == name) return static_cast<int32_t>(i);
  }
  return -1;
}

// A name listed twice among one kind would make one of them unreachable by name.
template <typename Def>
bool unique_names(const std::vector<Def>& defs, const char* kind, const Failure& fail) {
  for (size_t i = 0; i < defs.size(); ++i) {
    const int32_t first = index_of(defs, defs[i].name);
    if (static_cast<size_t>(first) != i)
      return fail(defs[i].line, std::string(kind) + " " + in_quotes(defs[i].name) + " is listed twice (first on line " +
                                    std::to_string(defs[static_cast<size_t>(first)].line) + ")");
  }
  return true;
}

struct Built {
  BytecodeProgram program;
  std::vector<TexturePage> pages;
  std::vector<TexturePageEntry> page_entries;
  std::vector<std::optional<SpriteEntry>> sprites;
  std::vector<SoundEntry> sounds;
  std::vector<AudioFile> audio_files;
  std::vector<ObjtEntry> objects;
  std::vector<RoomEntry> rooms;
};

bool assemble(const Game& game, Built* built, std::string& error) {
  std::string message;
  if (assemble_bytecode(game.program_text, &built->program, &message)) return true;
  // "line N: ..." of the joined text, told as the line of its file.
  size_t number = 0;
  if (message.starts_with("line ")) {
    const size_t colon = message.find(':');
    std::from_chars(message.data() + 5, message.data() + colon, number);
    for (const CodeFile& file : game.code_files) {
      if (number >= file.first_line && number < file.first_line + file.lines) {
        error = file.path + " line " + std::to_string(number - file.first_line + 1) + message.substr(colon);
        return false;
      }
    }
  }
  error = (game.code_files.empty() ? std::string("code") : game.code_files.back().path) + " " + message;
  return false;
}

// The code index of the entry called `name`; false (and a failure of `line`) when there is none.
bool code_index(const Built& built, const std::string& name, size_t line, const Failure& fail, int32_t* out) {
  for (size_t i = 0; i < built.program.codes.size(); ++i) {
    if (built.program.codes[i].name == name) {
      *out = static_cast<int32_t>(i);
      return true;
    }
  }
  return fail(line, "no code entry " + in_quotes(name) + " in the code files");
}

bool build_sprite(const SpriteDef& def, const std::string& directory, Built* built, const Failure& fail) {
  std::string file;
  if (!read_file(directory, def.file, &file)) return fail(def.line, "cannot read " + in_quotes(def.file));
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgba;
  std::string message;
  if (!read_png({reinterpret_cast<const uint8_t*>(file.data()), file.size()}, kMaxSide, &width, &height, &rgba,
                &message))
    return fail(def.line, def.file + ": " + message);
  const auto frames = static_cast<uint32_t>(def.frames);
  if (width % frames != 0)
    return fail(def.line, def.file + " is " + std::to_string(width) + " pixels wide, which " +
                              std::to_string(frames) + " frames do not divide");
  const uint32_t frame_width = width / frames;
  SpriteEntry sprite;
  sprite.name = def.name;
  sprite.width = static_cast<int32_t>(frame_width);
  sprite.height = static_cast<int32_t>(height);
  sprite.x_origin = def.x_origin;
  sprite.y_origin = def.y_origin;
  // The bounding box holds every pixel that is not fully transparent in any frame (the whole
  // frame when none is).
  int32_t left = sprite.width, top = sprite.height, right = -1, bottom = -1;
  const auto page = static_cast<int16_t>(built->pages.size());
  for (uint32_t f = 0; f < frames; ++f) {
    std::vector<uint8_t> mask(size_t{frame_width} * height, 0);
    for (uint32_t y = 0; y < height; ++y) {
      for (uint32_t x = 0; x < frame_width; ++x) {
        if (rgba[(size_t{y} * width + f * frame_width + x) * 4 + 3] == 0) continue;
        mask[size_t{y} * frame_width + x] = 1;
        left = std::min(left, static_cast<int32_t>(x));
        right = std::max(right, static_cast<int32_t>(x));
        top = std::min(top, static_cast<int32_t>(y));
        bottom = std::max(bottom, static_cast<int32_t>(y));
      }
    }
    sprite.masks.push_back(std::move(mask));
    sprite.frames.push_back(static_cast<int32_t>(built->page_entries.size()));
    const auto w = static_cast<int16_t>(frame_width), h = static_cast<int16_t>(height);
    built->page_entries.push_back({static_cast<int16_t>(f * frame_width), 0, w, h, 0, 0, w, h, w, h, page});
  }
  if (right < 0) {
    left = top = 0;
    right = sprite.width - 1;
    bottom = sprite.height - 1;
  }
  sprite.bbox_left = left;
  sprite.bbox_right = right;
  sprite.bbox_top = top;
  sprite.bbox_bottom = bottom;
  // The page holds the image as read (any colour type), written again as 8-bit RGBA.
  built->pages.push_back({0, png_page(width, height, rgba)});
  built->sprites.emplace_back(std::move(sprite));
  return true;
}

bool build_sound(const SoundDef& def, const std::string& directory, Built* built, const Failure& fail) {
  std::string file;
  if (!read_file(directory, def.file, &file)) return fail(def.line, "cannot read " + in_quotes(def.file));
  if (file.size() < 12 || file.compare(0, 4, "RIFF") != 0 || file.compare(8, 4, "WAVE") != 0)
    return fail(def.line, def.file + " is not a WAV file (RIFF ... WAVE)");
  SoundEntry sound;
  sound.name = def.name;
  sound.kind = 101;  // a WAV image in AUDO
  sound.type = ".wav";
  sound.file = std::filesystem::path(def.file).filename().string();
  sound.volume = def.volume;
  sound.audo_index = static_cast<int32_t>(built->audio_files.size());
  built->sounds.push_back(std::move(sound));
  built->audio_files.push_back({false, std::vector<uint8_t>(file.begin(), file.end())});
  return true;
}

bool build_objects(const Game& game, Built* built, const Failure& fail) {
  for (const ObjectDef& def : game.objects) {
    ObjtEntry& object = built->objects.emplace_back();
    object.name = def.name;
    object.depth = def.depth;
    object.visible = def.visible;
    object.solid = def.solid;
    object.persistent = def.persistent;
    if (!def.sprite.empty()) {
      object.sprite_index = index_of(game.sprites, def.sprite);
      if (object.sprite_index < 0) return fail(def.line, "no sprite " + in_quotes(def.sprite));
    }
    if (!def.parent.empty()) {
      object.parent_index = index_of(game.objects, def.parent);
      if (object.parent_index < 0) return fail(def.line, "no object " + in_quotes(def.parent));
      // Parents are followed up to the root: a ring would never end.
      std::vector<bool> seen(game.objects.size(), false);
      for (int32_t at = index_of(game.objects, def.name); at >= 0;) {
        if (seen[static_cast<size_t>(at)]) return fail(def.line, "object " + in_quotes(def.name) + " is its own ancestor");
        seen[static_cast<size_t>(at)] = true;
        const std::string& parent = game.objects[static_cast<size_t>(at)].parent;
        at = parent.empty() ? -1 : index_of(game.objects, parent);
      }
    }
    for (const EventDef& event : def.events) {
      int32_t index = 0;
      if (!code_index(*built, event.entry, event.line, fail, &index)) return false;
      object.on(static_cast<size_t>(event.type), static_cast<uint32_t>(event.number), index);
    }
  }
  return true;
}

bool build_rooms(const Game& game, Built* built, const Failure& fail) {
  int32_t id = kFirstInstanceId;
  for (const RoomDef& def : game.rooms) {
    RoomEntry& room = built->rooms.emplace_back();
    room.name = def.name;
    room.width = def.width;
    room.height = def.height;
    room.speed = def.speed;
    room.persistent = def.persistent;
    if (!def.caption.empty()) room.caption = def.caption;
    if (def.colour) {
      room.colour = *def.colour;
      room.show_colour = true;
    }
    if (!def.entry.empty() && !code_index(*built, def.entry, def.line, fail, &room.creation_code)) return false;
    for (const InstanceDef& placed : def.instances) {
      RoomInstanceEntry instance{.x = placed.x, .y = placed.y, .object = index_of(game.objects, placed.object), .id = id++};
      if (instance.object < 0) return fail(placed.line, "no object " + in_quotes(placed.object));
      if (!placed.entry.empty() && !code_index(*built, placed.entry, placed.line, fail, &instance.code)) return false;
      room.instances.push_back(instance);
    }
  }
  return true;
}

}  // namespace

bool is_game_directive(std::string_view word) {
  return std::find(std::begin(kDirectives), std::end(kDirectives), word) != std::end(kDirectives);
}

bool is_game_description(std::string_view text) {
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    std::vector<std::string> words;
    std::string error;
    if (!split_description_line(text.substr(0, newline), words, error)) return false;
    if (!words.empty()) return words[0] == "game";
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
  }
  return false;
}

bool read_game_description(std::string_view text, const std::string& directory, ContainerWriter& writer,
                           std::string& error) {
  const Failure fail{error};
  Game game;
  if (!read_lines(text, directory, &game, error)) return false;
  if (!unique_names(game.sprites, "sprite", fail) || !unique_names(game.sounds, "sound", fail) ||
      !unique_names(game.objects, "object", fail) || !unique_names(game.rooms, "room", fail))
    return false;
  Built built;
  if (!assemble(game, &built, error)) return false;
  for (const SpriteDef& sprite : game.sprites) {
    if (!build_sprite(sprite, directory, &built, fail)) return false;
  }
  for (const SoundDef& sound : game.sounds) {
    if (!build_sound(sound, directory, &built, fail)) return false;
  }
  if (!build_objects(game, &built, fail) || !build_rooms(game, &built, fail)) return false;

  MinimalGameParts parts;
  parts.game_name = game.name;
  parts.rooms = built.rooms;
  parts.objects = built.objects;
  parts.sprites = built.sprites;
  parts.sounds = built.sounds;
  parts.audio_files = built.audio_files;
  parts.new_audio_engine = true;
  parts.code = built.program.codes.empty() ? nullptr : &built.program;
  if (!built.pages.empty()) {
    parts.pages = built.pages;
    parts.page_entries = built.page_entries;
  }
  parts.window_width = game.width.value_or(built.rooms.front().width);
  parts.window_height = game.height.value_or(built.rooms.front().height);
  add_minimal_game(writer, parts);
  return true;
}

}  // namespace container
