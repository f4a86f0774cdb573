// Lumbrix's content: the tables of what the translated code names by index (objects, rooms,
// sprites, sounds, fonts, backgrounds), the rooms' placed instances read from rooms/*.txt, and
// the container built from them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumbrix_content {

// Event types as the object table stores them.
enum EventType : uint32_t { kCreate = 0, kDestroy = 1, kAlarm = 2, kStep = 3, kOther = 7, kDraw = 8 };

struct EventDef {
  uint32_t type;
  uint32_t number;
  int32_t code;
};

struct ObjectDef {
  const char* name;
  int32_t sprite;
  bool visible;
  int32_t depth;
  bool persistent;
  int32_t parent;  // -100: none
  std::vector<EventDef> events;
};

struct RoomDef {
  const char* name;
  int32_t width;
  int32_t height;
  uint32_t colour;  // blue-green-red
  const char* file;  // rooms/<file>.txt
};

struct SpriteDef {
  const char* name;
  int32_t width;
  int32_t height;
  int32_t x_origin;
  int32_t y_origin;
  int32_t frames;
};

struct SoundDef {
  const char* name;
  const char* file;
  float volume;
};

struct FontDef {
  const char* name;
  const char* face;  // the name the entry keeps
  uint32_t size;
  bool bold;
  const char* dejavu;  // the DejaVu face rasterised in its place
  uint32_t pixel_size;  // what it is rasterised at
};

struct BackgroundDef {
  const char* name;
  int32_t width;
  int32_t height;
};

const std::vector<ObjectDef>& Objects();
const std::vector<RoomDef>& Rooms();
const std::vector<SpriteDef>& Sprites();
const std::vector<SoundDef>& Sounds();
const std::vector<FontDef>& Fonts();
const std::vector<BackgroundDef>& Backgrounds();
// Script i's name: function i of the link record without "tll_Script_".
const std::vector<std::string>& ScriptNames();
// The object index of a name, -1 when none.
int32_t ObjectIndex(const std::string& name);

inline constexpr int32_t kFirstInstanceId = 100000;
inline constexpr int32_t kLastInstanceId = 101084;
inline constexpr uint32_t kWindowWidth = 1024;
inline constexpr uint32_t kWindowHeight = 768;

// Object numbers the rules below name.
enum ObjectNumber : int32_t {
  kWireHorizontal = 0, kWireVertical = 1, kWireQuarter = 2, kWireElbowTl = 3, kWireElbowBl = 4, kWireDiagonal = 5,
  kWireElbowTr = 6, kWireElbowBr = 7, kWireReverseLoop = 8, kPlayerSpawn = 16, kChaserSpawner = 14,
  kGhostSpawner = 15, kTurretSpawner = 18, kChip = 21, kTrigger = 29,
};
bool IsWirePiece(int32_t object);
// A wire piece's node offsets in list order, at scale 1 (empty for other objects).
const std::vector<std::pair<double, double>>& PieceNodes(int32_t object);

// One placed instance, as a room file line gives it.
struct Placed {
  int32_t object = 0;
  int32_t x = 0;
  int32_t y = 0;
  float xscale = 1.0f;
  float yscale = 1.0f;
  int32_t code = -1;
  float angle = 0.0f;
};

// Parses a room file: one instance a line ("object x y xscale yscale [code|-] [angle]"), '#'
// starting a comment. False with a message naming the line on any fault.
bool ParseRoomText(const std::string& text, std::vector<Placed>* out, std::string* error);

}  // namespace lumbrix_content
