#include "container/minimal.h"

#include "container/gen8.h"
#include "container/optn.h"
#include "container/tpag.h"
#include "container/txtr.h"

namespace container {

void add_minimal_game(ContainerWriter& writer) { add_minimal_game(writer, MinimalGameParts{}); }

void add_minimal_game(ContainerWriter& writer, std::span<const RoomEntry> rooms, std::span<const ObjtEntry> objects,
                      const BytecodeProgram* program) {
  MinimalGameParts parts;
  parts.rooms = rooms;
  parts.objects = objects;
  parts.code = program;
  add_minimal_game(writer, parts);
}

void add_minimal_game(ContainerWriter& writer, const MinimalGameParts& parts) {
  const std::span<const RoomEntry> rooms = parts.rooms;
  Gen8Header header;
  header.game_name = parts.game_name;
  header.display_name = parts.game_name;
  header.window_width = parts.window_width;
  header.window_height = parts.window_height;
  for (size_t i = 0; i < rooms.size(); ++i) {
    if (!rooms[i].empty_slot) header.room_order.push_back(static_cast<int32_t>(i));
    // As a game's header does, the id counters start past every id its rooms place.
    for (const RoomInstanceEntry& r : rooms[i].instances) {
      if (r.id > 0 && static_cast<uint32_t>(r.id) > header.last_instance_id) header.last_instance_id = static_cast<uint32_t>(r.id);
    }
    for (const RoomTileEntry& t : rooms[i].tiles) {
      if (t.id > 0 && static_cast<uint32_t>(t.id) > header.last_tile_id) header.last_tile_id = static_cast<uint32_t>(t.id);
    }
  }
  write_gen8(writer, header);
  OptnNewLayout options;
  if (parts.new_audio_engine) options.flags |= optn_new::kNewAudioEngine;
  write_optn(writer, options);
  // Lists without entries: a count of 0.
  writer.add_chunk("EXTN").u32(0);
  write_sond(writer, parts.sounds);
  write_agrp(writer, parts.audio_groups);
  write_sprt(writer, parts.sprites);
  if (parts.backgrounds.empty()) {
    writer.add_chunk("BGND").u32(0);
  } else {
    write_bgnd(writer, parts.backgrounds);
  }
  for (const char* tag : {"PATH", "SCPT", "SHDR"}) writer.add_chunk(tag).u32(0);
  if (parts.fonts.empty()) {
    writer.add_chunk("FONT").u32(0);
  } else {
    write_font(writer, parts.fonts);
  }
  writer.add_chunk("TMLN").u32(0);
  write_objt(writer, parts.objects, header.format_version);
  write_room(writer, rooms);
  writer.add_chunk("DAFL");
  const TexturePageEntry entry{0, 0, 1, 1, 0, 0, 1, 1, 1, 1, 0};
  write_tpag(writer, parts.pages.empty() ? std::span(&entry, 1) : parts.page_entries);
  // Compiled code needs no byte code: these stay empty.
  if (parts.code != nullptr) {
    write_bytecode(writer, *parts.code);
  } else {
    for (const char* tag : {"CODE", "VARI", "FUNC"}) writer.add_chunk(tag);
  }
  writer.add_string_pool();
  const TexturePage page{0, std::vector<uint8_t>(tiny_png().begin(), tiny_png().end())};
  write_txtr(writer, parts.pages.empty() ? std::span(&page, 1) : parts.pages);
  write_audo(writer, parts.audio_files);
}

}  // namespace container

namespace container {

void add_tone_game(ContainerWriter& writer, RoomEntry room, double frequency) {
  // audio_play_sound(0, 10, true): the arguments are pushed last first.
  static constexpr const char* kPlayTone =
      ".code room_create\n"
      "push.i.i 1\nconv.i.v\npush.i.i 10\nconv.i.v\npush.i.i 0\nconv.i.v\n"
      "call.i audio_play_sound 3\npopz.v\nret.e\n";
  BytecodeProgram program;
  std::string error;
  assemble_bytecode(kPlayTone, &program, &error);
  room.creation_code = 0;
  ToneSpec tone;
  tone.frequency = frequency;
  tone.seconds = 0.5;
  SoundEntry sound;
  sound.name = "tone";
  const AudioFile file{false, make_wav_tone(tone)};
  MinimalGameParts parts;
  parts.rooms = std::span(&room, 1);
  parts.sounds = std::span(&sound, 1);
  parts.audio_files = std::span(&file, 1);
  parts.code = &program;
  parts.new_audio_engine = true;
  add_minimal_game(writer, parts);
}

}  // namespace container

namespace container {

std::string save_frame_code(const std::string& name, int32_t step, const std::string& file,
                            const std::string& before_save) {
  return ".code " + name + "_create\npush.i.i 0\npop.v.i global.frames vflags=10\nret.e\n" +
         ".code " + name + "_end_step\n"
         "push.v global.frames vflags=10\npush.i.i 1\nadd.i.v\npop.v.v global.frames vflags=10\n"
         "push.v global.frames vflags=10\npush.i " + std::to_string(step) + "\nset.i.v 3\nbf done\n" +
         before_save + "push.s \"" + file + "\"\nconv.s.v\ncall.i screen_save 1\npopz.v\n"
         "call.i game_end 0\npopz.v\n"
         "done:\nret.e\n";
}

void add_demo_views_game(ContainerWriter& writer, int32_t save_step, const std::string& save_file) {
  RoomEntry room{.name = "views", .width = 640, .height = 480, .speed = 30, .colour = 0x3060C0, .show_colour = true};
  room.flags = 1;  // views enabled
  room.views = {
      RoomViewEntry{.visible = 1, .view_x = 0, .view_y = 0, .view_w = 320, .view_h = 240, .port_x = 0, .port_y = 0,
                    .port_w = 160, .port_h = 120},
      RoomViewEntry{.visible = 1, .view_x = 320, .view_y = 240, .view_w = 320, .view_h = 240, .port_x = 160,
                    .port_y = 0, .port_w = 160, .port_h = 120},
  };
  int32_t id = 100001;
  for (auto [x, y] : {std::pair{40, 40}, std::pair{280, 200}, std::pair{360, 280}, std::pair{600, 440}}) {
    room.instances.push_back(RoomInstanceEntry{.x = x, .y = y, .object = 0, .id = id++});
  }
  constexpr int32_t kSide = 32;
  std::vector<uint8_t> rgba;
  for (int32_t i = 0; i < kSide * kSide; ++i) rgba.insert(rgba.end(), {0xFF, 0xD0, 0x20, 0xFF});
  const TexturePage page{0, png_page(kSide, kSide, rgba)};
  const TexturePageEntry entry{0, 0, kSide, kSide, 0, 0, kSide, kSide, kSide, kSide, 0};
  SpriteEntry block;
  block.name = "block";
  block.width = block.height = kSide;
  block.bbox_right = block.bbox_bottom = kSide - 1;
  block.frames = {0};
  block.masks = {std::vector<uint8_t>(kSide * kSide, 1)};
  const std::optional<SpriteEntry> sprites[] = {block};
  std::vector<ObjtEntry> objects(1);
  objects[0].name = "marker";
  objects[0].sprite_index = 0;
  BytecodeProgram program;
  if (save_step > 0) {
    // End Step: event type 3, number 2.
    std::string error;
    assemble_bytecode(save_frame_code("controller", save_step, save_file), &program, &error);
    objects.emplace_back().name = "controller";
    objects.back().on(0, 0, 0).on(3, 2, 1);
    room.instances.push_back(RoomInstanceEntry{.x = 0, .y = 0, .object = 1, .id = id++});
  }
  MinimalGameParts parts;
  parts.rooms = std::span(&room, 1);
  parts.objects = objects;
  parts.sprites = sprites;
  parts.page_entries = std::span(&entry, 1);
  parts.pages = std::span(&page, 1);
  parts.code = save_step > 0 ? &program : nullptr;
  // The window the ports make, so that the application surface is the size of the screen.
  parts.window_width = 320;
  parts.window_height = 120;
  add_minimal_game(writer, parts);
}

}  // namespace container
