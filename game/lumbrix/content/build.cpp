#include "content/build.h"

#include <algorithm>
#include <fstream>
#include <numeric>
#include <sstream>

#include "container/bgnd.h"
#include "container/font.h"
#include "container/gen8.h"
#include "container/objt.h"
#include "container/optn.h"
#include "container/room.h"
#include "container/scpt.h"
#include "container/sound.h"
#include "container/sprt.h"
#include "container/tpag.h"
#include "container/txtr.h"
#include "container/writer.h"
#include "content/sounds.h"
#include "runtime/game_header.h"

namespace lumbrix_content {

namespace {

// Every frame and glyph keeps 2 transparent pixels round it on its page: the game draws with
// interpolation on, which would otherwise pull in a neighbour's edge.
constexpr int32_t kBorder = 2;
constexpr int32_t kPageSize = 2048;

struct Packed {
  int32_t page = 0, x = 0, y = 0;
};

// Shelf packing, tallest first (ties by order of adding), so the layout is the same every run.
std::vector<Packed> Pack(const std::vector<const Image*>& images, int32_t* pages) {
  std::vector<size_t> order(images.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return images[a]->height > images[b]->height; });
  std::vector<Packed> out(images.size());
  int32_t page = 0, x = 0, y = 0, shelf = 0;
  for (size_t i : order) {
    const int32_t w = images[i]->width + 2 * kBorder;
    const int32_t h = images[i]->height + 2 * kBorder;
    if (x + w > kPageSize) {
      x = 0;
      y += shelf;
      shelf = 0;
    }
    if (y + h > kPageSize) {
      ++page;
      x = y = shelf = 0;
    }
    out[i] = {page, x + kBorder, y + kBorder};
    x += w;
    shelf = std::max(shelf, h);
  }
  *pages = page + 1;
  return out;
}

// The instances of a room as the container holds them; ids are given in room order later.
container::RoomEntry Room(const RoomDef& def, const std::vector<Placed>& placed, int32_t* next_id) {
  container::RoomEntry room;
  room.name = def.name;
  room.width = def.width;
  room.height = def.height;
  room.speed = 30;
  room.colour = def.colour;
  room.show_colour = true;
  room.flags = 1;  // views enabled; the controller makes view 0 visible
  container::RoomViewEntry view;
  view.view_w = view.port_w = static_cast<int32_t>(kWindowWidth);
  view.view_h = view.port_h = static_cast<int32_t>(kWindowHeight);
  room.views.push_back(view);
  for (int32_t v = 1; v < 8; ++v) room.views.push_back(container::RoomViewEntry{});
  for (const Placed& p : placed) {
    room.instances.push_back(container::RoomInstanceEntry{.x = p.x, .y = p.y, .object = p.object, .id = (*next_id)++,
                                                          .code = p.code, .xscale = p.xscale, .yscale = p.yscale,
                                                          .colour = 0xFFFFFFFF, .angle = p.angle});
  }
  return room;
}

container::ObjtEntry Object(const ObjectDef& def) {
  container::ObjtEntry entry;
  entry.name = def.name;
  entry.sprite_index = def.sprite;
  entry.visible = def.visible;
  entry.depth = def.depth;
  entry.persistent = def.persistent;
  entry.parent_index = def.parent;
  for (const EventDef& e : def.events) entry.on(e.type, e.number, e.code);
  return entry;
}

// The automatic bounding box and the one mask every frame shares: what any frame covers.
void MaskAndBox(const std::vector<Image>& frames, container::SpriteEntry* s) {
  std::vector<uint8_t> mask(static_cast<size_t>(s->width) * s->height, 0);
  int32_t left = s->width, top = s->height, right = -1, bottom = -1;
  for (const Image& f : frames) {
    for (int32_t y = 0; y < f.height; ++y) {
      for (int32_t x = 0; x < f.width; ++x) {
        if (f.rgba[(static_cast<size_t>(y) * f.width + x) * 4 + 3] == 0) continue;
        mask[static_cast<size_t>(y) * s->width + x] = 1;
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
  }
  if (right < 0) left = top = right = bottom = 0;
  s->bbox_left = left;
  s->bbox_right = right;
  s->bbox_top = top;
  s->bbox_bottom = bottom;
  s->masks = {mask};
}

}  // namespace

bool ReadRooms(const std::string& room_dir, std::vector<std::vector<Placed>>* rooms, std::string* error) {
  rooms->clear();
  for (const RoomDef& def : Rooms()) {
    const std::string path = room_dir + "/" + def.file + ".txt";
    std::ifstream in(path);
    if (!in) {
      *error = "cannot read " + path;
      return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::vector<Placed> placed;
    std::string why;
    if (!ParseRoomText(text.str(), &placed, &why)) {
      *error = path + ": " + why;
      return false;
    }
    rooms->push_back(std::move(placed));
  }
  return true;
}

namespace {

// What every build of the container shares: the pictures drawn and packed on their pages, the
// fonts rasterised and the sounds synthesised. Made once; the same on every run.
struct Assets {
  std::vector<std::pair<std::string, Image>> pictures;
  std::vector<container::TexturePageEntry> entries;
  std::vector<container::TexturePage> pages;
  std::vector<std::optional<container::SpriteEntry>> sprites;
  std::vector<std::optional<container::BackgroundEntry>> bgnd;
  std::vector<std::optional<container::FontEntry>> fontEntries;
  std::vector<container::SoundEntry> sounds;
  std::vector<container::AudioFile> audio;
};

bool MakeAssets(Assets* out, std::string* error) {
  // Pictures: sprite frames, backgrounds, font sheets, in that order on the pages.
  std::vector<std::vector<Image>> spriteFrames;
  for (size_t i = 0; i < Sprites().size(); ++i) spriteFrames.push_back(DrawSprite(static_cast<int32_t>(i)));
  std::vector<Image> backgrounds;
  for (size_t i = 0; i < Backgrounds().size(); ++i) backgrounds.push_back(DrawBackground(static_cast<int32_t>(i)));
  std::vector<FontSheet> fonts(Fonts().size());
  for (size_t i = 0; i < Fonts().size(); ++i) {
    if (!RasteriseFont(Fonts()[i].dejavu, Fonts()[i].pixel_size, &fonts[i], error)) return false;
  }
  std::vector<const Image*> images;
  for (const std::vector<Image>& frames : spriteFrames) {
    for (const Image& f : frames) images.push_back(&f);
  }
  for (const Image& b : backgrounds) images.push_back(&b);
  for (const FontSheet& f : fonts) images.push_back(&f.sheet);
  int32_t pageCount = 0;
  const std::vector<Packed> packed = Pack(images, &pageCount);
  std::vector<std::vector<uint8_t>> pagePixels(static_cast<size_t>(pageCount),
                                               std::vector<uint8_t>(size_t{kPageSize} * kPageSize * 4, 0));
  std::vector<container::TexturePageEntry>& entries = out->entries;
  for (size_t i = 0; i < images.size(); ++i) {
    const Image& img = *images[i];
    const Packed& at = packed[i];
    for (int32_t y = 0; y < img.height; ++y) {
      std::copy_n(&img.rgba[static_cast<size_t>(y) * img.width * 4], static_cast<size_t>(img.width) * 4,
                  &pagePixels[static_cast<size_t>(at.page)][(static_cast<size_t>(at.y + y) * kPageSize + at.x) * 4]);
    }
    const auto w = static_cast<int16_t>(img.width);
    const auto h = static_cast<int16_t>(img.height);
    entries.push_back({static_cast<int16_t>(at.x), static_cast<int16_t>(at.y), w, h, 0, 0, w, h, w, h,
                       static_cast<int16_t>(at.page)});
  }
  std::vector<container::TexturePage>& pages = out->pages;
  for (const std::vector<uint8_t>& pixels : pagePixels) {
    pages.push_back({0, container::png_page(kPageSize, kPageSize, pixels)});
  }

  int32_t entry = 0;
  std::vector<std::optional<container::SpriteEntry>>& sprites = out->sprites;
  for (size_t i = 0; i < Sprites().size(); ++i) {
    const SpriteDef& def = Sprites()[i];
    container::SpriteEntry s;
    s.name = def.name;
    s.width = def.width;
    s.height = def.height;
    s.transparent = false;
    s.smooth = false;
    s.preload = true;
    s.x_origin = def.x_origin;
    s.y_origin = def.y_origin;
    for (const Image& f : spriteFrames[i]) {
      s.frames.push_back(entry++);
      out->pictures.emplace_back(std::string("sprites/") + def.name + "_" + std::to_string(s.frames.size() - 1), f);
    }
    MaskAndBox(spriteFrames[i], &s);
    sprites.emplace_back(std::move(s));
  }
  std::vector<std::optional<container::BackgroundEntry>>& bgnd = out->bgnd;
  for (size_t i = 0; i < Backgrounds().size(); ++i) {
    bgnd.emplace_back(container::BackgroundEntry{Backgrounds()[i].name, false, false, false, entry++});
    out->pictures.emplace_back(std::string("backgrounds/") + Backgrounds()[i].name, backgrounds[i]);
  }
  std::vector<std::optional<container::FontEntry>>& fontEntries = out->fontEntries;
  for (size_t i = 0; i < Fonts().size(); ++i) {
    const FontDef& def = Fonts()[i];
    container::FontEntry f;
    f.name = def.name;
    f.face = def.face;
    f.size = def.size;
    f.bold = def.bold;
    f.first = 32;
    f.last = 127;
    f.charset = 1;
    f.antialias = 3;
    f.page_entry = static_cast<uint32_t>(entry++);
    for (const GlyphCell& g : fonts[i].glyphs) {
      f.glyphs.push_back({g.character, static_cast<int16_t>(g.x), static_cast<int16_t>(g.y),
                          static_cast<int16_t>(g.width), static_cast<int16_t>(g.height),
                          static_cast<int16_t>(g.shift), static_cast<int16_t>(g.offset)});
    }
    fontEntries.emplace_back(std::move(f));
    out->pictures.emplace_back(std::string("fonts/") + def.name, fonts[i].sheet);
  }

  std::vector<container::SoundEntry>& sounds = out->sounds;
  std::vector<container::AudioFile>& audio = out->audio;
  for (size_t i = 0; i < Sounds().size(); ++i) {
    const SoundDef& def = Sounds()[i];
    container::SoundEntry s;
    s.name = def.name;
    s.kind = 101;
    const std::string file = def.file;
    s.type = file.substr(file.rfind('.'));
    s.file = file;
    s.volume = def.volume;
    s.group = 0;
    s.audo_index = static_cast<int32_t>(i);
    sounds.push_back(s);
    audio.push_back({false, SynthesiseSound(static_cast<int32_t>(i))});
  }

  return true;
}

const Assets* SharedAssets(std::string* error) {
  static Assets assets;
  static std::string failure;
  static const bool ok = MakeAssets(&assets, &failure);
  if (!ok) *error = failure;
  return ok ? &assets : nullptr;
}

}  // namespace

bool BuildContainer(const std::vector<std::vector<Placed>>& placed, const std::vector<int32_t>& room_order,
                    std::vector<uint8_t>* container, std::string* error) {
  const Assets* assets = SharedAssets(error);
  if (assets == nullptr) return false;
  if (placed.size() != Rooms().size()) {
    *error = "expected " + std::to_string(Rooms().size()) + " rooms, got " + std::to_string(placed.size());
    return false;
  }
  std::vector<container::ObjtEntry> objects;
  for (const ObjectDef& def : Objects()) objects.push_back(Object(def));
  std::vector<container::RoomEntry> rooms;
  int32_t nextId = kFirstInstanceId;
  for (size_t i = 0; i < Rooms().size(); ++i) rooms.push_back(Room(Rooms()[i], placed[i], &nextId));
  std::vector<container::ScriptEntry> scripts;
  for (size_t i = 0; i < ScriptNames().size(); ++i) {
    scripts.push_back({ScriptNames()[i], static_cast<uint32_t>(i), {}, false});
  }

  container::ContainerWriter writer;
  container::Gen8Header header;
  header.game_file_name = "Lumbrix";
  header.config_name = "Default";
  header.game_name = "Lumbrix";
  header.display_name = "Lumbrix";
  header.window_width = kWindowWidth;
  header.window_height = kWindowHeight;
  header.header_flags = kHeaderClassCursor;
  header.last_instance_id = static_cast<uint32_t>(nextId - 1);
  header.room_order = room_order;
  container::write_gen8(writer, header);
  container::OptnNewLayout options;
  // The game plays through the new audio engine, and the menu wants the cursor.
  options.flags = container::optn_new::kNewAudioEngine | container::optn_new::kShowCursor;
  container::write_optn(writer, options);
  writer.add_chunk("EXTN").u32(0);
  container::write_sond(writer, assets->sounds);
  const std::string groups[] = {"audiogroup_default"};
  container::write_agrp(writer, groups);
  container::write_sprt(writer, assets->sprites);
  container::write_bgnd(writer, assets->bgnd);
  writer.add_chunk("PATH").u32(0);
  container::write_scpt(writer, scripts);
  writer.add_chunk("SHDR").u32(0);
  container::write_font(writer, assets->fontEntries);
  writer.add_chunk("TMLN").u32(0);
  container::write_objt(writer, objects, header.format_version);
  container::write_room(writer, rooms);
  writer.add_chunk("DAFL");
  container::write_tpag(writer, assets->entries);
  // The code is compiled in: these are present with empty bodies (a CODE count of 0 would stand
  // for a code table of its own).
  for (const char* tag : {"CODE", "VARI", "FUNC"}) writer.add_chunk(tag);
  writer.add_string_pool();
  container::write_txtr(writer, assets->pages);
  container::write_audo(writer, assets->audio);
  container::BuildResult built = writer.build();
  if (!built.ok()) {
    *error = built.error;
    return false;
  }
  *container = std::move(built.bytes);
  return true;
}

bool BuildContent(const std::string& room_dir, BuiltContent* out, std::string* error) {
  if (!ReadRooms(room_dir, &out->rooms, error)) return false;
  std::vector<int32_t> order;
  for (size_t i = 0; i < Rooms().size(); ++i) order.push_back(static_cast<int32_t>(i));
  if (!BuildContainer(out->rooms, order, &out->container, error)) return false;
  out->pictures = SharedAssets(error)->pictures;
  return true;
}

}  // namespace lumbrix_content
