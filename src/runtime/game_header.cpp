#include "runtime/game_header.h"

#include <cstring>

#include "core/console.h"
#include "io/ini_file.h"
#include "runtime/runner_options.h"
#include "runtime/host_state.h"
#include "runtime/run_state.h"
#include "io/window_services.h"

GameHeader g_GameHeader;
int32_t GameFormatVersion = 0;
GameOptions g_GameOptions;

namespace {

// Reads the fields of one body that are there; a field past the body's end is left alone.
class BodyReader {
 public:
  BodyReader(const char* tag, const uint8_t* body, uint32_t size, const ContainerBytes& container)
      : m_tag(tag), m_body(body), m_size(size), m_container(container) {}

  bool Has(uint32_t offset, uint32_t width) const { return offset <= m_size && width <= m_size - offset; }
  template <typename T>
  void U8(uint32_t offset, T* out) const {
    if (Has(offset, 1)) *out = static_cast<T>(m_body[offset]);
  }
  template <typename T>
  void U32(uint32_t offset, T* out) const {
    if (Has(offset, 4)) *out = static_cast<T>(Container_U32(m_body + offset));
  }
  void U64(uint32_t offset, uint64_t* out) const {
    if (Has(offset, 8)) *out = Container_U64(m_body + offset);
  }
  // The text whose container offset stands at `offset`; false (reported) when it does not end
  // inside the container. A missing field or offset 0 gives no text.
  bool Text(uint32_t offset, const char* what, std::optional<std::string>* out) const {
    out->reset();
    if (!Has(offset, 4)) return true;
    const uint32_t at = Container_U32(m_body + offset);
    bool ok = true;
    const char* text = m_container.TextAt(at, &ok);
    if (!ok) {
      Game_FailLoad(m_tag, "the %s text at container offset %u does not end inside the container", what, at);
      return false;
    }
    if (text != nullptr) *out = text;
    return true;
  }
  // A pointer to a container offset kept for later use: null for 0, false (reported) outside.
  bool Pointer(uint32_t offset, const char* what, const uint8_t** out) const {
    if (!Has(offset, 4)) return true;
    const uint32_t at = Container_U32(m_body + offset);
    if (at == 0) {
      *out = nullptr;
      return true;
    }
    if (at >= m_container.size) {
      Game_FailLoad(m_tag, "the %s at container offset %u lies outside the container", what, at);
      return false;
    }
    *out = m_container.data + at;
    return true;
  }

  const char* tag() const { return m_tag; }
  const uint8_t* body() const { return m_body; }
  uint32_t size() const { return m_size; }
  const ContainerBytes& container() const { return m_container; }

 private:
  const char* m_tag;
  const uint8_t* m_body;
  uint32_t m_size;
  const ContainerBytes& m_container;
};

bool ReadRoomOrder(const BodyReader& r, uint8_t version, std::vector<int32_t>* order) {
  order->clear();
  const uint32_t at = GameHeader_RoomOrderOffset(version);
  if (!r.Has(at, 4)) return true;
  uint32_t count = 0;
  if (!Container_ReadCount(r.tag(), r.body(), r.size(), at, 4, &count)) return false;
  order->reserve(count);
  for (uint32_t i = 0; i < count; ++i) order->push_back(Container_I32(r.body() + at + 4 + 4 * i));
  return true;
}

// Old options layout: one word per option at a fixed place.
struct OldOption {
  uint32_t offset;
  void (*set)(GameOptions& o, int32_t word);
};
constexpr OldOption kOldLayout[] = {
    {0, [](GameOptions& o, int32_t w) { o.fullScreen = w != 0; }},
    {4, [](GameOptions& o, int32_t w) { o.option[1] = w != 0; }},
    {8, [](GameOptions& o, int32_t w) { o.newAudioEngine = w != 0; }},
    {12, [](GameOptions& o, int32_t w) { o.option[2] = w != 0; }},
    {16, [](GameOptions& o, int32_t w) { o.showCursor = w != 0; }},
    {20, [](GameOptions& o, int32_t w) { o.scale = w; }},
    {24, [](GameOptions& o, int32_t w) { o.option[3] = w != 0; }},
    {28, [](GameOptions& o, int32_t w) { o.option[4] = w != 0; }},
    {32, [](GameOptions& o, int32_t w) { o.windowColour = static_cast<uint32_t>(w); }},
    {36, [](GameOptions& o, int32_t w) { o.switchDisplayMode = w != 0; }},
    {40, [](GameOptions& o, int32_t w) { o.colourDepthCode = w; }},
    {44, [](GameOptions& o, int32_t w) { o.resolutionCode = w; }},
    {48, [](GameOptions& o, int32_t w) { o.frequencyCode = w; }},
    {52, [](GameOptions& o, int32_t w) { o.option[5] = w != 0; }},
    {56, [](GameOptions& o, int32_t w) { o.integerOption1 = w; }},
    {60, [](GameOptions& o, int32_t w) { o.altEnterTogglesFullScreen = w != 0; }},
    {64, [](GameOptions& o, int32_t w) { o.option[6] = w != 0; }},
    {68, [](GameOptions& o, int32_t w) { o.option[7] = w != 0; }},
    {72, [](GameOptions& o, int32_t w) { o.option[8] = w != 0; }},
    {76, [](GameOptions& o, int32_t w) { o.option[9] = w != 0; }},
    {80, [](GameOptions& o, int32_t w) { o.option[10] = w != 0; }},
    {84, [](GameOptions& o, int32_t w) { o.integerOption2 = w; }},
    {88, [](GameOptions& o, int32_t w) { o.freezeWhileInactive = w != 0; }},
    {92, [](GameOptions& o, int32_t w) { o.option[11] = w != 0; }},
    {108, [](GameOptions& o, int32_t w) { o.option[12] = w != 0; }},
    {112, [](GameOptions& o, int32_t w) { o.option13 = w != 0 ? 1 : 0; }},
    {116, [](GameOptions& o, int32_t w) { o.option[14] = w != 0; }},
    {124, [](GameOptions& o, int32_t w) { o.option[15] = w != 0; }},
    {128, [](GameOptions& o, int32_t w) { o.everyErrorFatal = w != 0; }},
    {132, [](GameOptions& o, int32_t w) { o.variableReadOption = w != 0; }},
};
constexpr uint32_t kOldOption16 = 136;
constexpr uint32_t kOldConstants = 140;

// New options layout: one bit per boolean option.
struct NewFlag {
  uint32_t bit;
  bool GameOptions::*flag;
  int option;  // 0: `flag` names the field; else the numbered option
};
constexpr NewFlag kNewFlags[] = {
    {0x1, &GameOptions::fullScreen, 0},
    {0x2, nullptr, 1},
    {0x4, &GameOptions::newAudioEngine, 0},
    {0x8, nullptr, 2},
    {0x10, &GameOptions::showCursor, 0},
    {0x20, nullptr, 3},
    {0x40, nullptr, 4},
    {0x80, &GameOptions::switchDisplayMode, 0},
    {0x100, nullptr, 5},
    {0x200, &GameOptions::altEnterTogglesFullScreen, 0},
    {0x400, nullptr, 6},
    {0x800, nullptr, 7},
    {0x1000, nullptr, 8},
    {0x2000, nullptr, 9},
    {0x4000, nullptr, 10},
    {0x8000, &GameOptions::freezeWhileInactive, 0},
    {0x10000, nullptr, 11},
    {0x20000, nullptr, 12},
    {0x40000, nullptr, 14},
    {0x100000, nullptr, 15},
    {0x200000, &GameOptions::everyErrorFatal, 0},
    {0x400000, &GameOptions::variableReadOption, 0},
    {0x1000000, nullptr, 17},
    {0x2000000, nullptr, 18},
};
constexpr uint32_t kNewOption16 = 0x800000;
constexpr uint32_t kNewConstants = 60;

// n pairs of text offsets {name, value}.
bool ReadConstants(const BodyReader& r, uint32_t at, GameOptions* o) {
  if (!r.Has(at, 4)) return true;
  uint32_t count = 0;
  if (!Container_ReadCount(r.tag(), r.body(), r.size(), at, 8, &count)) return false;
  std::vector<std::string> names(count);
  std::vector<std::string> values(count);
  for (uint32_t i = 0; i < count; ++i) {
    std::optional<std::string> name;
    std::optional<std::string> value;
    if (!r.Text(at + 4 + 8 * i, "constant name", &name) || !r.Text(at + 8 + 8 * i, "constant value", &value)) {
      return false;
    }
    names[i] = name.value_or("");
    values[i] = value.value_or("");
  }
  for (uint32_t i = 0; i < count; ++i) {
    if (names[i] == "VersionMajor") o->versionMajor = Ini_AtoI(values[i].c_str());
    if (names[i] == "VersionMinor") o->versionMinor = Ini_AtoI(values[i].c_str());
  }
  o->constantNames = std::move(names);
  o->constantValues = std::move(values);
  return true;
}

}  // namespace

uint32_t GameHeader_RoomOrderOffset(uint8_t formatVersion) {
  if (formatVersion < 8) return 36;
  if (formatVersion < 10) return 100;
  if (formatVersion == 10) return 104;
  if (formatVersion == 11) return 112;
  if (formatVersion == 12) return 120;
  if (formatVersion == 13) return 124;
  return 128;
}

bool Game_ScanHeaderChunk(const char* tag, uint8_t* body, uint32_t size, const ContainerBytes& container) {
  GameHeader& h = g_GameHeader;
  GameFormatVersion = std::strcmp(tag, "GEN8") == 0 ? 800 : std::strcmp(tag, "GENL") == 0 ? 700 : 0;
  BodyReader r(tag, body, size, container);
  h.body = body;
  h.bodySize = size;
  r.U8(0, &h.firstByte);
  h.debugFlag = (h.firstByte & 1) != 0;
  r.U8(1, &h.formatVersion);
  const uint8_t version = h.formatVersion;
  if (!r.Text(4, "game file name", &h.gameFileName) || !r.Text(8, "configuration name", &h.configName)) return false;
  // Before format version 8 the room order starts at 36, so offset 40 holds a room index.
  h.gameName.reset();
  if (version >= 8 && !r.Text(40, "game name", &h.gameName)) return false;
  Host_ReplaceText(&game_project_name, h.gameName ? h.gameName->c_str() : nullptr);
  r.U32(20, &h.gameId);
  uint32_t flags = 0;
  if (version >= 8) r.U32(68, &flags);
  if ((flags & kHeaderRestrictedExternals) != 0 || g_Host.subGame) g_RunnerOptions.restrictedExternals = true;
  h.displayName.reset();
  if (version >= 10 && !r.Text(100, "display name", &h.displayName)) return false;
  if (version >= 11) r.U64(104, &h.word104);
  h.infoFlags = ~uint64_t{0};
  if (version >= 12) r.U64(112, &h.infoFlags);
  if (version >= 13) r.U32(120, &h.word120);
  if (version >= 14) r.U32(124, &h.word124);
  if (version >= 8) {
    r.U32(60, &h.windowWidth);
    r.U32(64, &h.windowHeight);
    h.headerFlags = flags;
    g_RunState.applicationSurfaceWidth = h.windowWidth;
    g_RunState.applicationSurfaceHeight = h.windowHeight;
  }
  h.versionAtLeast15 = version >= 15;
  return true;
}

bool Game_LoadHeader(uint8_t* body, uint32_t size, const ContainerBytes& container) {
  GameHeader& h = g_GameHeader;
  BodyReader r("GEN8", body, size, container);
  h.body = body;
  h.bodySize = size;
  r.U8(1, &h.formatVersion);
  r.U32(20, &h.gameId);
  g_RunState.gameId = h.gameId;
  if (r.Has(24, 16)) std::memcpy(h.identifier, body + 24, 16);
  r.U32(12, &h.lastInstanceId);
  r.U32(16, &h.lastTileId);
  if (h.formatVersion >= 8) {
    r.U32(60, &h.windowWidth);
    r.U32(64, &h.windowHeight);
    r.U32(68, &h.headerFlags);
    r.U32(72, &h.word72);
    r.U64(76, &h.word76);
    r.U64(84, &h.word84);
  }
  if (!ReadRoomOrder(r, h.formatVersion, &h.roomOrder)) return false;
  h.scriptObjectMode = (h.headerFlags & kHeaderScriptObjectMode) != 0;
  return true;
}

void GameHeader_Reset() { g_GameHeader = GameHeader(); }

void Options_Reset() {
  GameOptions& o = g_GameOptions;
  const GameOptions defaults;
  const bool newAudio = o.newAudioEngine;
  const bool kept[] = {o.option[16], o.option[17], o.option[18]};
  const int32_t major = o.versionMajor;
  const int32_t minor = o.versionMinor;
  o = defaults;
  o.newAudioEngine = newAudio;
  o.option[16] = kept[0];
  o.option[17] = kept[1];
  o.option[18] = kept[2];
  o.versionMajor = major;
  o.versionMinor = minor;
}

bool Options_Load(uint8_t* body, uint32_t size, const ContainerBytes& container) {
  BodyReader r("OPTN", body, size, container);
  GameOptions o = g_GameOptions;
  int32_t first = 0;
  r.U32(0, &first);
  if (first < 0) {
    uint32_t layoutVersion = 0;
    r.U32(4, &layoutVersion);
    if (layoutVersion != 2) {
      Console_DebugOutput("OPTN: layout version %u is not 2, options left alone\n", layoutVersion);
      return false;
    }
    if (r.Has(8, 8)) {
      const uint32_t flags = static_cast<uint32_t>(Container_U64(body + 8));
      for (const NewFlag& f : kNewFlags) {
        bool& target = f.option == 0 ? o.*(f.flag) : o.option[f.option];
        target = (flags & f.bit) != 0;
      }
      if (g_GameHeader.formatVersion >= 5) o.option[16] = (flags & kNewOption16) != 0;
      if (g_RunnerOptions.inAWindow) o.fullScreen = false;
    }
    r.U32(16, &o.scale);
    r.U32(20, &o.windowColour);
    r.U32(24, &o.colourDepthCode);
    r.U32(28, &o.resolutionCode);
    r.U32(32, &o.frequencyCode);
    r.U32(36, &o.integerOption1);
    r.U32(40, &o.integerOption2);
    if (!r.Pointer(52, "image", &o.image)) return false;
    if (r.Has(56, 4)) o.option13 = Container_U32(body + 56) != 0 ? 1 : 0;
    if (!ReadConstants(r, kNewConstants, &o)) return false;
  } else {
    for (const OldOption& field : kOldLayout) {
      if (r.Has(field.offset, 4)) field.set(o, Container_I32(body + field.offset));
      if (field.offset == 0 && g_RunnerOptions.inAWindow) o.fullScreen = false;
    }
    if (!r.Pointer(104, "image", &o.image)) return false;
    if (g_GameHeader.formatVersion >= 5 && r.Has(kOldOption16, 4)) o.option[16] = Container_U32(body + kOldOption16) != 0;
    o.option[17] = false;
    o.option[18] = false;
    if (!ReadConstants(r, kOldConstants, &o)) return false;
  }
  Window_SetColour(o.windowColour);
  g_GameOptions = std::move(o);
  return true;
}
