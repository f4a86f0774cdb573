#include "content/validate.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <optional>
#include <set>

namespace lumbrix_content {

namespace {

// ---------------------------------------------------------------------------------------------
// Reading the container back.

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
  bool fits(uint64_t at, uint64_t n) const { return at + n <= m_bytes.size(); }
  uint32_t u32(uint64_t at) {
    if (!fits(at, 4)) return Fault(at);
    uint32_t v;
    std::memcpy(&v, m_bytes.data() + at, 4);
    return v;
  }
  int32_t i32(uint64_t at) { return static_cast<int32_t>(u32(at)); }
  int16_t i16(uint64_t at) {
    if (!fits(at, 2)) return static_cast<int16_t>(Fault(at));
    int16_t v;
    std::memcpy(&v, m_bytes.data() + at, 2);
    return v;
  }
  float f32(uint64_t at) {
    const uint32_t bits = u32(at);
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
  }
  // A text by the offset of its bytes (the length word lies just before).
  std::string text(uint64_t at) {
    if (at < 4) return {};
    const uint32_t n = u32(at - 4);
    if (!fits(at, n)) return std::string(1, static_cast<char>(Fault(at)));
    return std::string(reinterpret_cast<const char*>(m_bytes.data() + at), n);
  }
  std::span<const uint8_t> span(uint64_t at, uint64_t n) {
    if (!fits(at, n)) {
      Fault(at);
      return {};
    }
    return m_bytes.subspan(at, n);
  }
  // A list {count, offsets}: the offsets.
  std::vector<uint32_t> list(uint64_t at) {
    const uint32_t n = u32(at);
    std::vector<uint32_t> out;
    for (uint32_t i = 0; i < n && m_faults == 0; ++i) out.push_back(u32(at + 4 + 4ull * i));
    return out;
  }
  uint32_t faults() const { return m_faults; }

 private:
  uint32_t Fault(uint64_t) {
    ++m_faults;
    return 0;
  }
  std::span<const uint8_t> m_bytes;
  uint32_t m_faults = 0;
};

struct Chunk {
  std::string tag;
  uint32_t body;
  uint32_t size;
};

template <typename T>
std::string Str(T v) {
  if constexpr (std::is_floating_point_v<T>) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", static_cast<double>(v));
    return buf;
  } else {
    return std::to_string(v);
  }
}

// The instances with creation code and where they stand.
struct CodedInstance {
  int32_t code, room, object, x, y;
  float xscale, yscale;
};
const std::vector<CodedInstance>& CodedInstances() {
  static const std::vector<CodedInstance> table = {
      {102, 1, 22, 96, 192, 1, 1},         {103, 1, 22, 544, 192, -1, 1},
      {104, 3, 29, 1650, 6250, 23, 2},     {105, 3, 29, 1700, 5000, 20, 4},
      {106, 3, 29, 1450, 2750, 31, 5},     {107, 3, 21, 5300, 350, 4, 4},
      {108, 3, 29, 5150, 1500, 14, 1},     {109, 3, 29, 2100, 1450, 1, 12},
      {110, 3, 29, 100, 1600, 1, 11},      {111, 3, 29, -700, 1550, 1, 12},
      {112, 3, 29, 1700, 8650, 21, 2},     {113, 3, 29, 1750, 10550, 28, 2.0408f},
      {114, 3, 29, 1600, 11350, 28, 2},    {115, 5, 21, 2800, 2100, 4, 4},
  };
  return table;
}

// How many of each object a room places; wire pieces of any kind count together under -1.
struct RoomCount {
  int32_t object;
  int32_t count;
};
const std::vector<std::vector<RoomCount>>& RoomCounts() {
  static const std::vector<std::vector<RoomCount>> counts = {
      {{12, 1}},
      {{37, 1}, {24, 1}, {23, 1}, {22, 2}},
      {},
      {{16, 1}, {0, 11}, {1, 9}, {6, 9}, {7, 3}, {29, 10}, {21, 1}},
      {{16, 1}, {21, 4}, {15, 35}, {14, 4}, {-1, 141}},
      {{16, 1}, {21, 1}, {15, 35}, {14, 3}, {-1, 147}, {5, 8}},
      {{16, 1}, {21, 2}, {15, 14}, {-1, 133}},
      {{16, 1}, {21, 2}, {15, 55}, {14, 2}, {-1, 153}},
      {{16, 1}, {21, 3}, {18, 4}, {-1, 122}},
      {{16, 1}, {21, 3}, {18, 4}, {15, 38}, {14, 2}, {-1, 122}},
  };
  return counts;
}

// The menu's fixed places (object, x, y).
constexpr int32_t kMenuPlaces[][3] = {{37, 32, 0}, {24, 256, 384}, {23, 256, 512}};

class Checker {
 public:
  Checker(std::span<const uint8_t> bytes, std::vector<std::string>* breaches) : r(bytes), m_out(breaches) {}

  void Run();

 private:
  void Breach(std::string what) { m_out->push_back(std::move(what)); }
  template <typename A, typename B>
  void Expect(const std::string& where, const A& got, const B& want) {
    if (!(got == want)) Breach(where + ": " + Str(got) + " where " + Str(want) + " is expected");
  }
  void ExpectText(const std::string& where, const std::string& got, const std::string& want) {
    if (got != want) Breach(where + ": \"" + got + "\" where \"" + want + "\" is expected");
  }
  const Chunk* Find(const std::string& tag) const {
    for (const Chunk& c : m_chunks) {
      if (c.tag == tag) return &c;
    }
    return nullptr;
  }
  void Header();
  void Scripts();
  void Objects();
  void RoomsAndLevels();
  void SoundsAndAudio();
  void FontsCheck();
  void BackgroundsCheck();
  void SpritesCheck();

  Reader r;
  std::vector<std::string>* m_out;
  std::vector<Chunk> m_chunks;
};

void Checker::Run() {
  if (!r.fits(0, 8) || std::memcmp(r.span(0, 4).data(), "FORM", 4) != 0) {
    Breach("container: no FORM header");
    return;
  }
  const uint32_t total = r.u32(4) + 8;
  for (uint64_t at = 8; at + 8 <= total && r.fits(at, 8);) {
    const auto tag = r.span(at, 4);
    const uint32_t size = r.u32(at + 4);
    m_chunks.push_back({std::string(tag.begin(), tag.end()), static_cast<uint32_t>(at + 8), size});
    at += 8ull + size;
  }
  const char* order[] = {"GEN8", "OPTN", "EXTN", "SOND", "AGRP", "SPRT", "BGND", "PATH", "SCPT", "SHDR", "FONT",
                         "TMLN", "OBJT", "ROOM", "DAFL", "TPAG", "CODE", "VARI", "FUNC", "STRG", "TXTR", "AUDO"};
  std::string got, want;
  for (const Chunk& c : m_chunks) got += c.tag + " ";
  for (const char* t : order) want += std::string(t) + " ";
  if (got != want) Breach("chunk order: " + got + "where " + want + "is expected");
  for (const Chunk& c : m_chunks) {
    if ((c.tag == "CODE" || c.tag == "VARI" || c.tag == "FUNC") && c.size != 0) {
      Breach(c.tag + ": body of " + Str(c.size) + " bytes where an empty one is expected");
    }
  }
  if (const Chunk* extn = Find("EXTN"); extn != nullptr && (extn->size != 4 || r.u32(extn->body) != 0)) {
    Breach("EXTN: not a single zero");
  }
  Header();
  Scripts();
  Objects();
  RoomsAndLevels();
  SoundsAndAudio();
  FontsCheck();
  BackgroundsCheck();
  SpritesCheck();
  if (r.faults() != 0) Breach("container: " + Str(r.faults()) + " reads past its end");
}

void Checker::Header() {
  const Chunk* gen8 = Find("GEN8");
  if (gen8 == nullptr) return Breach("GEN8: missing");
  const uint32_t b = gen8->body;
  ExpectText("GEN8 configuration", r.text(r.u32(b + 8)), "Default");
  Expect("GEN8 last instance id", r.u32(b + 12), static_cast<uint32_t>(kLastInstanceId));
  ExpectText("GEN8 game name", r.text(r.u32(b + 40)), "Lumbrix");
  Expect("GEN8 window width", r.u32(b + 60), kWindowWidth);
  Expect("GEN8 window height", r.u32(b + 64), kWindowHeight);
  if ((r.u32(b + 68) & 0x20u) == 0) Breach("GEN8 flags: the cursor flag 0x20 is not set");
  const uint32_t order = b + 128;
  Expect("GEN8 room order count", r.u32(order), static_cast<uint32_t>(Rooms().size()));
  for (uint32_t i = 0; i < Rooms().size(); ++i) Expect("GEN8 room order " + Str(i), r.u32(order + 4 + 4 * i), i);
  const Chunk* optn = Find("OPTN");
  if (optn == nullptr) return Breach("OPTN: missing");
  if (r.i32(optn->body) >= 0 || r.u32(optn->body + 4) != 2) Breach("OPTN: not the new layout of version 2");
  const uint32_t flags = r.u32(optn->body + 8);
  if ((flags & 0x4u) == 0) Breach("OPTN: the new audio engine is off");
  if ((flags & 0x10u) == 0) Breach("OPTN: the cursor is not shown");
}

void Checker::Scripts() {
  const Chunk* scpt = Find("SCPT");
  if (scpt == nullptr) return Breach("SCPT: missing");
  const std::vector<uint32_t> entries = r.list(scpt->body);
  Expect("SCPT count", entries.size(), ScriptNames().size());
  for (size_t i = 0; i < std::min(entries.size(), ScriptNames().size()); ++i) {
    ExpectText("SCPT " + Str(i) + " name", r.text(r.u32(entries[i])), ScriptNames()[i]);
    Expect("SCPT " + ScriptNames()[i] + " code index", r.u32(entries[i] + 4), static_cast<uint32_t>(i));
  }
}

void Checker::Objects() {
  const Chunk* objt = Find("OBJT");
  if (objt == nullptr) return Breach("OBJT: missing");
  const std::vector<uint32_t> entries = r.list(objt->body);
  Expect("OBJT count", entries.size(), lumbrix_content::Objects().size());
  for (size_t i = 0; i < std::min(entries.size(), lumbrix_content::Objects().size()); ++i) {
    const ObjectDef& def = lumbrix_content::Objects()[i];
    const std::string where = "object " + Str(i) + " (" + def.name + ")";
    const uint32_t e = entries[i];
    ExpectText(where + " name", r.text(r.u32(e)), def.name);
    Expect(where + " sprite", r.i32(e + 4), def.sprite);
    Expect(where + " visible", r.u32(e + 8), def.visible ? 1u : 0u);
    Expect(where + " solid", r.u32(e + 12), 0u);
    Expect(where + " depth", r.i32(e + 16), def.depth);
    Expect(where + " persistent", r.u32(e + 20), def.persistent ? 1u : 0u);
    Expect(where + " parent", r.i32(e + 24), def.parent);
    Expect(where + " mask", r.i32(e + 28), -1);
    Expect(where + " physics", r.u32(e + 32), 0u);
    const uint32_t points = r.u32(e + 32 + 32);
    const uint32_t rowsAt = e + 32 + 48 + points * 8;
    std::vector<EventDef> events;
    const std::vector<uint32_t> rows = r.list(rowsAt);
    for (size_t type = 0; type < rows.size(); ++type) {
      for (uint32_t ev : r.list(rows[type])) {
        const uint32_t number = r.u32(ev);
        for (uint32_t action : r.list(ev + 4)) {
          events.push_back({static_cast<uint32_t>(type), number, r.i32(action + 4 * 8)});
        }
      }
    }
    auto key = [](const EventDef& a) { return std::tuple(a.type, a.number, a.code); };
    std::vector<EventDef> want = def.events;
    std::sort(events.begin(), events.end(), [&](auto& a, auto& b) { return key(a) < key(b); });
    std::sort(want.begin(), want.end(), [&](auto& a, auto& b) { return key(a) < key(b); });
    if (events.size() != want.size() ||
        !std::equal(events.begin(), events.end(), want.begin(), [&](auto& a, auto& b) { return key(a) == key(b); })) {
      std::string got;
      for (const EventDef& ev : events) got += " " + Str(ev.type) + "/" + Str(ev.number) + "->" + Str(ev.code);
      Breach(where + " events:" + (got.empty() ? " none" : got) + " do not match the table");
    }
  }
}

void Checker::SoundsAndAudio() {
  const Chunk* sond = Find("SOND");
  const Chunk* audo = Find("AUDO");
  if (sond == nullptr || audo == nullptr) return Breach("SOND or AUDO: missing");
  const std::vector<uint32_t> entries = r.list(sond->body);
  const std::vector<uint32_t> files = r.list(audo->body);
  Expect("SOND count", entries.size(), Sounds().size());
  Expect("AUDO count", files.size(), Sounds().size());
  for (size_t i = 0; i < std::min(entries.size(), Sounds().size()); ++i) {
    const SoundDef& def = Sounds()[i];
    const uint32_t e = entries[i];
    const std::string where = "sound " + Str(i) + " (" + def.name + ")";
    ExpectText(where + " name", r.text(r.u32(e)), def.name);
    Expect(where + " kind", r.i32(e + 4), 101);
    ExpectText(where + " file", r.text(r.u32(e + 12)), def.file);
    Expect(where + " volume", r.f32(e + 20), def.volume);
    Expect(where + " audio group", r.i32(e + 28), 0);
    Expect(where + " audio entry", r.i32(e + 32), static_cast<int32_t>(i));
    if (i < files.size()) {
      const uint32_t length = r.u32(files[i]);
      const std::span<const uint8_t> wav = r.span(files[i] + 4, length);
      if (wav.size() < 44 || std::memcmp(wav.data(), "RIFF", 4) != 0 || std::memcmp(wav.data() + 8, "WAVE", 4) != 0 ||
          wav[20] != 1 || wav[34] != 16) {
        Breach(where + ": its audio is not a 16-bit PCM WAV image");
      }
    }
  }
}

void Checker::FontsCheck() {
  const Chunk* font = Find("FONT");
  if (font == nullptr) return Breach("FONT: missing");
  const std::vector<uint32_t> entries = r.list(font->body);
  Expect("FONT count", entries.size(), Fonts().size());
  for (size_t i = 0; i < std::min(entries.size(), Fonts().size()); ++i) {
    const FontDef& def = Fonts()[i];
    const uint32_t e = entries[i];
    const std::string where = "font " + Str(i) + " (" + def.name + ")";
    ExpectText(where + " name", r.text(r.u32(e)), def.name);
    ExpectText(where + " face", r.text(r.u32(e + 4)), def.face);
    Expect(where + " size", r.u32(e + 8), def.size);
    Expect(where + " bold", r.u32(e + 12), def.bold ? 1u : 0u);
    const uint32_t range = r.u32(e + 20);
    Expect(where + " first", range & 0xFFFFu, 32u);
    Expect(where + " character set", (range >> 16) & 0xFFu, 1u);
    Expect(where + " antialiasing", range >> 24, 3u);
    Expect(where + " last", r.u32(e + 24), 127u);
    Expect(where + " glyphs", r.u32(e + 40), 96u);
  }
}

void Checker::BackgroundsCheck() {
  const Chunk* bgnd = Find("BGND");
  if (bgnd == nullptr) return Breach("BGND: missing");
  const std::vector<uint32_t> entries = r.list(bgnd->body);
  Expect("BGND count", entries.size(), Backgrounds().size());
  for (size_t i = 0; i < std::min(entries.size(), Backgrounds().size()); ++i) {
    const std::string where = "background " + Str(i);
    ExpectText(where + " name", r.text(r.u32(entries[i])), Backgrounds()[i].name);
    for (uint32_t k = 1; k <= 3; ++k) Expect(where + " flag " + Str(k), r.u32(entries[i] + 4 * k), 0u);
  }
}

void Checker::SpritesCheck() {
  const Chunk* sprt = Find("SPRT");
  if (sprt == nullptr) return Breach("SPRT: missing");
  const std::vector<uint32_t> entries = r.list(sprt->body);
  Expect("SPRT count", entries.size(), Sprites().size());
  for (size_t i = 0; i < std::min(entries.size(), Sprites().size()); ++i) {
    const SpriteDef& def = Sprites()[i];
    const uint32_t e = entries[i];
    const std::string where = "sprite " + Str(i) + " (" + def.name + ")";
    ExpectText(where + " name", r.text(r.u32(e)), def.name);
    Expect(where + " width", r.i32(e + 4), def.width);
    Expect(where + " height", r.i32(e + 8), def.height);
    Expect(where + " transparent", r.u32(e + 28), 0u);
    Expect(where + " smooth", r.u32(e + 32), 0u);
    Expect(where + " x origin", r.i32(e + 48), def.x_origin);
    Expect(where + " y origin", r.i32(e + 52), def.y_origin);
    const int32_t frames = r.i32(e + 56);
    Expect(where + " frames", frames, def.frames);
    if (frames > 0) Expect(where + " masks", r.u32(e + 60 + 4 * static_cast<uint32_t>(frames)), 1u);
  }
}

void Checker::RoomsAndLevels() {
  const Chunk* room = Find("ROOM");
  if (room == nullptr) return Breach("ROOM: missing");
  const std::vector<uint32_t> entries = r.list(room->body);
  Expect("ROOM count", entries.size(), Rooms().size());
  int32_t nextId = kFirstInstanceId;
  std::set<int32_t> codesSeen;
  for (size_t i = 0; i < std::min(entries.size(), Rooms().size()); ++i) {
    const RoomDef& def = Rooms()[i];
    const uint32_t e = entries[i];
    const std::string where = std::string(def.name);
    ExpectText(where + " name", r.text(r.u32(e)), def.name);
    Expect(where + " width", r.i32(e + 8), def.width);
    Expect(where + " height", r.i32(e + 12), def.height);
    Expect(where + " speed", r.i32(e + 16), 30);
    Expect(where + " colour", r.u32(e + 24), def.colour);
    Expect(where + " creation code", r.i32(e + 32), -1);
    if ((r.u32(e + 36) & 1u) == 0) Breach(where + ": views are not enabled");
    const std::vector<uint32_t> views = r.list(r.u32(e + 44));
    if (views.empty()) {
      Breach(where + ": no view 0");
    } else {
      const int32_t want[] = {0, 0, 0, 1024, 768, 0, 0, 1024, 768, 32, 32, -1, -1, -1};
      for (uint32_t w = 0; w < 14; ++w) Expect(where + " view 0 word " + Str(w), r.i32(views[0] + 4 * w), want[w]);
    }
    std::vector<Placed> placed;
    for (uint32_t at : r.list(r.u32(e + 48))) {
      Placed p;
      p.x = r.i32(at);
      p.y = r.i32(at + 4);
      p.object = r.i32(at + 8);
      const int32_t id = r.i32(at + 12);
      p.code = r.i32(at + 16);
      p.xscale = r.f32(at + 20);
      p.yscale = r.f32(at + 24);
      const uint32_t colour = r.u32(at + 28);
      p.angle = r.f32(at + 32);
      const std::string inst = where + " instance " + Str(id);
      if (id != nextId) Breach(where + ": instance id " + Str(id) + " out of order (" + Str(nextId) + " expected)");
      nextId = id + 1;
      Expect(inst + " colour", colour, 0xFFFFFFFFu);
      if (p.code >= 0) codesSeen.insert(p.code);
      placed.push_back(p);
    }
    for (std::string& b : ValidateRoom(static_cast<int32_t>(i), placed)) Breach(std::move(b));
  }
  for (const CodedInstance& c : CodedInstances()) {
    if (!codesSeen.contains(c.code)) Breach("creation code " + Str(c.code) + " is placed nowhere");
  }
  if (nextId - 1 != kLastInstanceId) Breach("rooms: the last instance id is " + Str(nextId - 1));
}

// ---------------------------------------------------------------------------------------------
// The level rules.

constexpr double kPi = std::numbers::pi;

struct Pt {
  double x = 0, y = 0;
};
double Dist(Pt a, Pt b) { return std::hypot(a.x - b.x, a.y - b.y); }
bool Meets(Pt a, Pt b) { return std::abs(a.x - b.x) < 3 && std::abs(a.y - b.y) < 3; }
double Direction(Pt a, Pt b) {
  double d = std::atan2(-(b.y - a.y), b.x - a.x) * 180 / kPi;
  if (d < 0) d += 360;
  return d;
}
Pt Along(Pt p, double length, double dir) {
  return {p.x + length * std::cos(dir * kPi / 180), p.y - length * std::sin(dir * kPi / 180)};
}
double AngleDifference(double a, double b) { return std::remainder(a - b, 360.0); }

struct Rect {
  double x0, y0, x1, y1;
  bool contains(Pt p, double grow = 0) const {
    return p.x >= x0 - grow - 1e-6 && p.x <= x1 + grow + 1e-6 && p.y >= y0 - grow - 1e-6 && p.y <= y1 + grow + 1e-6;
  }
  double outside(Pt p) const {
    const double dx = std::max({x0 - p.x, 0.0, p.x - x1});
    const double dy = std::max({y0 - p.y, 0.0, p.y - y1});
    return std::hypot(dx, dy);
  }
  double depth(Pt p) const { return std::min({p.x - x0, x1 - p.x, p.y - y0, y1 - p.y}); }
};

struct Position {
  int32_t list = -1;
  double t = 0;
};

class Board {
 public:
  explicit Board(const std::vector<Placed>& placed) {
    for (const Placed& p : placed) {
      if (!IsWirePiece(p.object)) continue;
      std::vector<Pt> nodes;
      for (const auto& [dx, dy] : PieceNodes(p.object)) {
        nodes.push_back({static_cast<float>(p.x + dx * static_cast<double>(p.xscale)),
                         static_cast<float>(p.y + dy * static_cast<double>(p.yscale))});
      }
      pieces.push_back(nodes);
      Add(nodes);
    }
    for (const std::vector<Pt>& l : m_lists) {
      if (!l.empty()) lists.push_back(l);
    }
  }

  // The nearest point on any wire, as the game finds it (first found wins a tie).
  Position Nearest(Pt p) const {
    Position best;
    double bestD = -1;
    for (size_t e = 0; e < lists.size(); ++e) {
      for (size_t j = 0; j + 1 < lists[e].size(); ++j) {
        const auto [d, t] = Foot(p, lists[e][j], lists[e][j + 1]);
        if (bestD < 0 || d < bestD) {
          bestD = d;
          best = {static_cast<int32_t>(e), static_cast<double>(j) + t};
        }
      }
    }
    return best;
  }
  // The distance to each wire, nearest first.
  std::vector<std::pair<double, int32_t>> Distances(Pt p) const {
    std::vector<std::pair<double, int32_t>> out;
    for (size_t e = 0; e < lists.size(); ++e) {
      double best = 1e18;
      for (size_t j = 0; j + 1 < lists[e].size(); ++j) best = std::min(best, Foot(p, lists[e][j], lists[e][j + 1]).first);
      out.emplace_back(best, static_cast<int32_t>(e));
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  Pt At(Position pos) const {
    const std::vector<Pt>& l = lists[static_cast<size_t>(pos.list)];
    const size_t j = std::min(static_cast<size_t>(std::max(0.0, std::floor(pos.t))), l.size() - 2);
    const double f = pos.t - static_cast<double>(j);
    return {l[j].x + (l[j + 1].x - l[j].x) * f, l[j].y + (l[j + 1].y - l[j].y) * f};
  }
  // The direction of rising t at a position.
  double SegmentDirection(Position pos) const {
    const std::vector<Pt>& l = lists[static_cast<size_t>(pos.list)];
    const size_t j = std::min(static_cast<size_t>(std::max(0.0, std::floor(pos.t))), l.size() - 2);
    return Direction(l[j], l[j + 1]);
  }
  // Where a jump to one side lands (left first when both are asked), or nothing.
  std::optional<Position> Landing(Position from, double heading, bool left) const {
    const Pt c = At(from);
    const double a = heading + (left ? 90 : -90);
    const Pt probe = Along(Along(c, 30, a), 40, heading);
    const Position hit = Nearest(probe);
    if (hit.list < 0) return std::nullopt;
    if (hit.list == from.list && std::abs(std::floor(hit.t) - std::floor(from.t)) <= 1) return std::nullopt;
    return hit;
  }

  std::vector<std::vector<Pt>> pieces;
  std::vector<std::vector<Pt>> lists;

 private:
  static std::pair<double, double> Foot(Pt p, Pt a, Pt b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double l2 = dx * dx + dy * dy;
    double t = l2 < 1e-20 ? 0 : ((p.x - a.x) * dx + (p.y - a.y) * dy) / l2;
    t = std::clamp(t, 0.0, 0.99999999);
    return {std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy), t};
  }
  // A new piece's list, merged with the lists whose ends meet its own ends, as the game merges.
  void Add(const std::vector<Pt>& nodes) {
    std::vector<Pt> list = nodes;
    const Pt head = list.front(), tail = list.back();
    for (std::vector<Pt>& e : m_lists) {
      if (e.empty()) continue;
      const Pt f = e.front(), l = e.back();
      const size_t n = e.size();
      if (Meets(f, head)) {
        for (size_t i = 1; i < n; ++i) list.insert(list.begin(), e[i]);
      } else if (Meets(f, tail)) {
        for (size_t i = 1; i < n; ++i) list.push_back(e[i]);
      } else if (Meets(l, head)) {
        for (size_t i = 1; i < n; ++i) list.insert(list.begin(), e[n - 1 - i]);
      } else if (Meets(l, tail)) {
        for (size_t i = 1; i < n; ++i) list.push_back(e[n - 1 - i]);
      } else {
        continue;
      }
      e.clear();
    }
    m_lists.push_back(std::move(list));
  }
  std::vector<std::vector<Pt>> m_lists;
};

// The cell sizes a chip sprite exists for.
bool ChipSizeHasSprite(double w, double h) {
  const std::pair<int, int> sizes[] = {{3, 3}, {4, 3}, {4, 4}, {5, 3}, {5, 4}, {5, 5}};
  auto fits = [&](double cw, double ch) {
    for (double cell : {50.0, 100.0}) {
      const double a = cw / cell, b = ch / cell;
      if (std::abs(a - std::round(a)) > 1e-6 || std::abs(b - std::round(b)) > 1e-6) continue;
      for (const auto& [sw, sh] : sizes) {
        if (std::lround(a) == sw && std::lround(b) == sh) return true;
      }
    }
    return false;
  };
  return fits(w, h) || fits(h, w);
}

class LevelChecker {
 public:
  LevelChecker(int32_t room, const std::vector<Placed>& placed) : m_room(room), m_placed(placed), m_board(placed) {
    m_name = Rooms()[static_cast<size_t>(room)].name;
    for (const Placed& p : placed) {
      if (p.object == kChip) {
        m_chips.push_back({static_cast<double>(p.x), static_cast<double>(p.y), p.x + 100.0 * p.xscale,
                           p.y + 100.0 * p.yscale});
        m_chipPlaced.push_back(p);
      }
    }
  }

  std::vector<std::string> Run() {
    Pieces();
    Ends();
    Chips();
    Spawners();
    Winnable();
    if (m_room == 3) Tutorial();
    return m_out;
  }

 private:
  void Breach(const std::string& what) { m_out.push_back(m_name + ": " + what); }
  static std::string At(Pt p) { return "(" + Str(std::round(p.x * 10) / 10) + ", " + Str(std::round(p.y * 10) / 10) + ")"; }

  // The chip a wire end belongs to: the one within the leaving distance of it.
  int32_t ChipAt(Pt p) const {
    for (size_t c = 0; c < m_chips.size(); ++c) {
      if (m_chips[c].contains(p, 20)) return static_cast<int32_t>(c);
    }
    return -1;
  }

  void Pieces() {
    std::vector<Pt> ends;
    for (const std::vector<Pt>& nodes : m_board.pieces) {
      for (size_t j = 0; j + 1 < nodes.size(); ++j) {
        if (Dist(nodes[j], nodes[j + 1]) < 0.5) Breach("a segment of length 0 at " + At(nodes[j]));
      }
      ends.push_back(nodes.front());
      ends.push_back(nodes.back());
    }
    std::vector<bool> reported(ends.size(), false);
    for (size_t a = 0; a < ends.size(); ++a) {
      int32_t meeting = 1;
      for (size_t b = 0; b < ends.size(); ++b) {
        if (a == b || !Meets(ends[a], ends[b])) continue;
        ++meeting;
        if (a < b && Dist(ends[a], ends[b]) > 0.01) {
          Breach("wire ends at " + At(ends[a]) + " and " + At(ends[b]) + " join but do not coincide");
        }
      }
      if (meeting > 2 && !reported[a]) {
        Breach(Str(meeting) + " wire ends at one point " + At(ends[a]));
        for (size_t b = 0; b < ends.size(); ++b) {
          if (Meets(ends[a], ends[b])) reported[b] = true;
        }
      }
    }
  }

  // Each end of each wire: at a chip it must lead in; elsewhere a jump must take the mover on.
  void Ends() {
    for (size_t e = 0; e < m_board.lists.size(); ++e) {
      const std::vector<Pt>& l = m_board.lists[e];
      const size_t n = l.size();
      for (const bool tail : {false, true}) {
        const Pt end = tail ? l[n - 1] : l[0];
        const Pt before = tail ? l[n - 2] : l[1];
        const double heading = Direction(before, end);
        const double last = Dist(before, end);
        const int32_t chip = ChipAt(end);
        if (chip >= 0) {
          const Rect& c = m_chips[static_cast<size_t>(chip)];
          if (c.contains(end) && c.depth(end) > 2) Breach("the wire end at " + At(end) + " lies deep inside its chip");
          if (last > 1000) Breach("the last segment into the chip at " + At(end) + " is " + Str(std::lround(last)) + " px, over 1000");
          if (last < 60) Breach("the segment at the chip end " + At(end) + " is " + Str(std::lround(last)) + " px, under 60");
          // The end test fires up to 1% of the segment early; the 10-pixel probe must still reach.
          const Pt early = Along(end, -0.01 * last, heading);
          if (!c.contains(Along(end, 10, heading)) || !c.contains(Along(early, 10, heading))) {
            Breach("the entry probe of the wire end at " + At(end) + " misses its chip");
          }
          continue;
        }
        const Position from{static_cast<int32_t>(e), tail ? static_cast<double>(n) - 1.00001 : 0.0};
        if (!m_board.Landing(from, heading, true) && !m_board.Landing(from, heading, false)) {
          Breach("a mover waits at the wire end " + At(end) + ": no landing point on either side");
        }
      }
    }
  }

  void Chips() {
    for (size_t c = 0; c < m_chips.size(); ++c) {
      const Rect& r = m_chips[c];
      const double w = r.x1 - r.x0, h = r.y1 - r.y0;
      if (!ChipSizeHasSprite(w, h)) {
        Breach("the chip at " + At({r.x0, r.y0}) + " of " + Str(w) + " x " + Str(h) + " has no sprite");
      }
      bool entered = false;
      for (const std::vector<Pt>& l : m_board.lists) {
        entered = entered || ChipAt(l.front()) == static_cast<int32_t>(c) || ChipAt(l.back()) == static_cast<int32_t>(c);
      }
      if (!entered) Breach("no wire leads into the chip at " + At({r.x0, r.y0}));
    }
  }

  void Spawners() {
    const Placed* player = nullptr;
    for (const Placed& p : m_placed) {
      if (p.object == kPlayerSpawn) player = &p;
    }
    for (const Placed& p : m_placed) {
      const Pt at{static_cast<double>(p.x), static_cast<double>(p.y)};
      if (p.object == kPlayerSpawn || p.object == kGhostSpawner || p.object == kChaserSpawner) {
        const auto d = m_board.Distances(at);
        if (d.empty()) {
          Breach("the spawner at " + At(at) + " has no wire");
          continue;
        }
        if (d[0].first > 50 || (d.size() > 1 && d[1].first - d[0].first < 10)) {
          Breach("the spawner at " + At(at) + " is not clearly nearer one wire than any other");
        }
        if (p.object != kPlayerSpawn && player != nullptr && Dist(at, {static_cast<double>(player->x), static_cast<double>(player->y)}) < 600) {
          Breach("the ghost spawner at " + At(at) + " is too near the player's start");
        }
      } else if (p.object == kTurretSpawner) {
        std::vector<std::pair<double, size_t>> d;
        for (size_t c = 0; c < m_chips.size(); ++c) d.emplace_back(m_chips[c].outside(at), c);
        std::sort(d.begin(), d.end());
        if (d.empty() || d[0].first >= 500 || (d.size() > 1 && d[1].first - d[0].first < 1)) {
          Breach("the turret spawner at " + At(at) + " is not within its beam of one nearest chip");
        }
      }
    }
  }

  // Riding a wire in a direction (+1 rising t, -1 falling): what its far end leads to.
  struct State {
    int32_t list;
    int32_t dir;
    bool operator<(const State& o) const { return std::tie(list, dir) < std::tie(o.list, o.dir); }
  };
  double Heading(Position pos, int32_t dir) const { return m_board.SegmentDirection(pos) + (dir > 0 ? 0 : 180); }
  State AfterLanding(Position from, int32_t dir, Position to) const {
    const bool flip = std::abs(AngleDifference(m_board.SegmentDirection(from), m_board.SegmentDirection(to))) > 90;
    return {to.list, flip ? -dir : dir};
  }
  Position EndOf(State s) const {
    const size_t n = m_board.lists[static_cast<size_t>(s.list)].size();
    return {s.list, s.dir > 0 ? static_cast<double>(n) - 1.00001 : 0.0};
  }
  // The wires a mover leaves a chip by, each in the direction away from it.
  std::vector<State> Leaving(int32_t chip) const {
    std::vector<State> out;
    for (size_t e = 0; e < m_board.lists.size(); ++e) {
      const std::vector<Pt>& l = m_board.lists[e];
      if (ChipAt(l.front()) == chip) out.push_back({static_cast<int32_t>(e), 1});
      if (ChipAt(l.back()) == chip) out.push_back({static_cast<int32_t>(e), -1});
    }
    return out;
  }

  void Winnable() {
    const Placed* player = nullptr;
    for (const Placed& p : m_placed) {
      if (p.object == kPlayerSpawn) player = &p;
    }
    if (player == nullptr || m_board.lists.empty()) return;
    const Position start = m_board.Nearest({static_cast<double>(player->x), static_cast<double>(player->y)});
    std::set<State> seen;
    std::vector<State> todo{{start.list, player->yscale < 0 ? -1 : 1}};
    std::set<int32_t> chipsReached;
    while (!todo.empty()) {
      const State s = todo.back();
      todo.pop_back();
      if (!seen.insert(s).second) continue;
      const std::vector<Pt>& l = m_board.lists[static_cast<size_t>(s.list)];
      // Jumps from anywhere along the wire, to either side.
      for (size_t j = 0; j + 1 < l.size(); ++j) {
        const double length = Dist(l[j], l[j + 1]);
        for (double along = 0; along < length; along += 8) {
          const Position at{s.list, static_cast<double>(j) + along / length};
          for (bool left : {true, false}) {
            if (auto to = m_board.Landing(at, Heading(at, s.dir), left)) todo.push_back(AfterLanding(at, s.dir, *to));
          }
        }
      }
      const Position end = EndOf(s);
      const int32_t chip = ChipAt(m_board.At(end));
      if (chip >= 0) {
        if (chipsReached.insert(chip).second) {
          for (const State& out : Leaving(chip)) todo.push_back(out);
        }
        continue;
      }
      for (bool left : {true, false}) {
        if (auto to = m_board.Landing(end, Heading(end, s.dir), left)) {
          todo.push_back(AfterLanding(end, s.dir, *to));
          break;
        }
      }
    }
    for (size_t c = 0; c < m_chips.size(); ++c) {
      if (!chipsReached.contains(static_cast<int32_t>(c))) {
        Breach("the chip at " + At({m_chips[c].x0, m_chips[c].y0}) + " cannot be reached from the player's start");
      }
    }
  }

  // Rides from a position as a mover without keys does, recording the triggers (by creation
  // code) in the order they are first entered, until it enters a chip, meets a trigger in
  // `stop` or has ridden `limit` pixels.
  std::vector<int32_t> Ride(Position pos, int32_t dir, const std::set<int32_t>& stop, int32_t* chip_entered) const {
    std::vector<int32_t> seen;
    *chip_entered = -1;
    for (int32_t step = 0; step < 20000; ++step) {
      const Pt p = m_board.At(pos);
      for (const Placed& t : m_placed) {
        if (t.object != kTrigger) continue;
        const Rect r{static_cast<double>(t.x), static_cast<double>(t.y), t.x + 50.0 * t.xscale, t.y + 50.0 * t.yscale};
        if (r.contains(p) && std::find(seen.begin(), seen.end(), t.code) == seen.end()) {
          seen.push_back(t.code);
          if (stop.contains(t.code)) return seen;
        }
      }
      const std::vector<Pt>& l = m_board.lists[static_cast<size_t>(pos.list)];
      const double n = static_cast<double>(l.size());
      const bool atEnd = dir > 0 ? pos.t > n - 1.01 : pos.t <= 0;
      if (atEnd) {
        const double heading = Heading(pos, dir);
        for (size_t c = 0; c < m_chips.size(); ++c) {
          if (m_chips[c].contains(Along(p, 10, heading))) *chip_entered = static_cast<int32_t>(c);
        }
        if (*chip_entered >= 0) return seen;
        std::optional<Position> to = m_board.Landing(pos, heading, true);
        if (!to) to = m_board.Landing(pos, heading, false);
        if (!to) return seen;
        const State next = AfterLanding(pos, dir, *to);
        pos = *to;
        dir = next.dir;
        continue;
      }
      const size_t j = std::min(static_cast<size_t>(std::floor(pos.t)), l.size() - 2);
      const double length = std::max(1e-9, Dist(l[j], l[j + 1]));
      pos.t = std::clamp(pos.t + dir * 8.0 / length, 0.0, n - 1.00001);
    }
    return seen;
  }

  void Tutorial() {
    // The three horizontal wires where tutorial2's ghosts appear.
    for (double y : {1800.0, 1850.0, 1900.0}) {
      std::vector<std::pair<double, double>> spans;
      for (const std::vector<Pt>& l : m_board.lists) {
        for (size_t j = 0; j + 1 < l.size(); ++j) {
          if (std::abs(l[j].y - y) < 0.5 && std::abs(l[j + 1].y - y) < 0.5) {
            spans.emplace_back(std::min(l[j].x, l[j + 1].x), std::max(l[j].x, l[j + 1].x));
          }
        }
      }
      std::sort(spans.begin(), spans.end());
      double covered = -1000;
      for (const auto& [a, b] : spans) {
        if (a <= covered + 0.5) covered = std::max(covered, b);
      }
      if (covered < 3350 - 0.5) Breach("no horizontal wire at y " + Str(y) + " spans x -1000 to 3350");
    }
    const Placed* player = nullptr;
    for (const Placed& p : m_placed) {
      if (p.object == kPlayerSpawn) player = &p;
    }
    if (player == nullptr || m_chips.empty()) return;
    // The way to the chip: the lessons in order.
    const Position start = m_board.Nearest({static_cast<double>(player->x), static_cast<double>(player->y)});
    int32_t chip = -1;
    std::vector<int32_t> way = Ride(start, player->yscale < 0 ? -1 : 1, {}, &chip);
    way.erase(std::remove_if(way.begin(), way.end(), [](int32_t c) { return c > 108; }), way.end());
    if (chip < 0 || way != std::vector<int32_t>{104, 105, 106, 108}) {
      std::string got;
      for (int32_t c : way) got += " " + Str(c);
      Breach("the way from the start to the chip passes the triggers" + (got.empty() ? std::string(" none") : got) +
             (chip < 0 ? " and does not reach the chip" : "") + ", not 104 105 106 108");
    }
    // Every way away from the chip: "wrong way", then tutorial5's, then tutorial6's.
    for (size_t c = 0; c < m_chips.size(); ++c) {
      for (const State& s : Leaving(static_cast<int32_t>(c))) {
        const size_t n = m_board.lists[static_cast<size_t>(s.list)].size();
        int32_t entered = -1;
        std::vector<int32_t> away =
            Ride({s.list, s.dir > 0 ? 0.0 : static_cast<double>(n) - 1.00001}, s.dir, {111, 114}, &entered);
        away.erase(std::remove_if(away.begin(), away.end(), [](int32_t code) { return code <= 108; }), away.end());
        const bool upper = away == std::vector<int32_t>{109, 110, 111};
        const bool lower = away == std::vector<int32_t>{112, 113, 114};
        if (!upper && !lower) {
          std::string got;
          for (int32_t code : away) got += " " + Str(code);
          Breach("a way away from the chip passes the triggers" + (got.empty() ? std::string(" none") : got) +
                 " instead of wrong way, then tutorial5's, then tutorial6's");
        }
      }
    }
  }

  int32_t m_room;
  const std::vector<Placed>& m_placed;
  Board m_board;
  std::string m_name;
  std::vector<Rect> m_chips;
  std::vector<Placed> m_chipPlaced;
  std::vector<std::string> m_out;
};


// What one room places: the counts, the menu's places, the instances with creation code, and for
// the levels the rules that keep them playable.
std::vector<std::string> RoomContract(int32_t room, const std::vector<Placed>& placed) {
  std::vector<std::string> out;
  const std::string where = Rooms()[static_cast<size_t>(room)].name;
  auto Breach = [&](const std::string& what) { out.push_back(what); };
  const size_t i = static_cast<size_t>(room);
  for (const Placed& p : placed) {
    if (p.code < 0) continue;
    const std::string inst = where + " instance with code " + Str(p.code);
    const auto it = std::find_if(CodedInstances().begin(), CodedInstances().end(),
                                 [&](const CodedInstance& c) { return c.code == p.code; });
    if (it == CodedInstances().end()) {
      Breach(inst + ": not a creation code the game has");
    } else if (it->room != room || it->object != p.object || it->x != p.x || it->y != p.y ||
               it->xscale != p.xscale || it->yscale != p.yscale) {
      Breach(inst + ": object " + Str(p.object) + " at (" + Str(p.x) + ", " + Str(p.y) + ") scale " + Str(p.xscale) +
             " x " + Str(p.yscale) + " is not where the game puts it");
    }
  }
  // Counts.
  std::map<int32_t, int32_t> have;
  int32_t pieces = 0;
  for (const Placed& p : placed) {
    ++have[p.object];
    if (IsWirePiece(p.object)) ++pieces;
  }
  int32_t expectedTotal = 0;
  for (const RoomCount& c : RoomCounts()[i]) {
    const int32_t got = c.object == -1 ? pieces : have[c.object];
    if (got != c.count) {
      Breach(where + ": " + Str(got) + " " + (c.object == -1 ? "wire pieces" : Objects()[static_cast<size_t>(c.object)].name) +
             " where " + Str(c.count) + " are expected");
    }
    if (c.object != 5 || i != 5) expectedTotal += c.count;
  }
  if (static_cast<int32_t>(placed.size()) != expectedTotal) {
    Breach(where + ": " + Str(placed.size()) + " instances where " + Str(expectedTotal) + " are expected");
  }
  if (i == 1) {
    for (const auto& [object, x, y] : kMenuPlaces) {
      const bool found = std::any_of(placed.begin(), placed.end(),
                                     [&](const Placed& p) { return p.object == object && p.x == x && p.y == y; });
      if (!found) Breach(where + ": " + Objects()[static_cast<size_t>(object)].name + " is not at (" + Str(x) + ", " + Str(y) + ")");
    }
  }
  return out;
}

}  // namespace

std::vector<std::string> ValidateRoom(int32_t room, const std::vector<Placed>& placed) {
  std::vector<std::string> out = RoomContract(room, placed);
  if (room >= 3) {
    for (std::string& b : LevelChecker(room, placed).Run()) out.push_back(std::move(b));
  }
  return out;
}

std::vector<std::string> ValidateContainer(std::span<const uint8_t> container) {
  std::vector<std::string> breaches;
  Checker(container, &breaches).Run();
  return breaches;
}

}  // namespace lumbrix_content
