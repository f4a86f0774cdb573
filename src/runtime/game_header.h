// The game header (GEN8; GEN7 and GENL are read the same way) and the game options (OPTN): the
// two chunks that configure the runner for one game.
//
// The header is read twice: by the pre-scan before the window exists (window size, flags, names,
// then the built-in functions are registered) and in the chunk pass (run-state fields and the
// room order). Each field is read only when the body is long enough to hold it; a text offset
// that leads outside the container, or a room order longer than the body, fails the load.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/container.h"

// Header flags (offset 68).
inline constexpr uint32_t kHeaderFullScreen = 0x1;
inline constexpr uint32_t kHeaderClassCursor = 0x20;
inline constexpr uint32_t kHeaderResizable = 0x40;
inline constexpr uint32_t kHeaderRestrictedExternals = 0x1000;
inline constexpr uint32_t kHeaderSaveInAppData = 0x2000;
inline constexpr uint32_t kHeaderBorderless = 0x4000;
inline constexpr uint32_t kHeaderScriptObjectMode = 0x8000;
// Information flags (offset 112): bit 2 turns gamepad polling on.
inline constexpr uint64_t kInfoGamepadPolling = 0x4;

struct GameHeader {
  const uint8_t* body = nullptr;
  uint32_t bodySize = 0;
  // Byte 0 as stored; the debug flag is its bit 0.
  uint8_t firstByte = 0;
  bool debugFlag = false;
  uint8_t formatVersion = 0;
  std::optional<std::string> gameFileName;     // offset 4
  std::optional<std::string> configName;       // offset 8
  int32_t lastInstanceId = 0;                  // offset 12
  int32_t lastTileId = 0;                      // offset 16
  int32_t gameId = 0;                          // offset 20
  uint8_t identifier[16] = {};                 // offset 24
  std::optional<std::string> gameName;         // offset 40
  int32_t windowWidth = 0;                     // offset 60, version 8 and later
  int32_t windowHeight = 0;                    // offset 64
  uint32_t headerFlags = 0;                    // offset 68
  uint32_t word72 = 0;
  uint64_t word76 = 0;
  uint64_t word84 = 0;
  std::optional<std::string> displayName;      // offset 100, version 10 and later
  uint64_t word104 = 0;                        // version 11 and later
  uint64_t infoFlags = ~uint64_t{0};           // offset 112, version 12 and later; all set before
  uint32_t word120 = 0;                        // version 13 and later
  uint32_t word124 = 0;                        // version 14 and later
  std::vector<int32_t> roomOrder;
  bool versionAtLeast15 = false;
  bool scriptObjectMode = false;               // header flag 0x8000, set by the chunk pass
};
extern GameHeader g_GameHeader;
// Which header the pre-scan read: 800 for GEN8, 700 for GENL, else 0. Some built-in functions take
// other argument counts in older games, so it is set before they are registered.
extern int32_t GameFormatVersion;

// Where the room order starts in a header of the given format version.
uint32_t GameHeader_RoomOrderOffset(uint8_t formatVersion);

// The pre-scan's reading of a header chunk (then the built-in functions are registered by the
// caller). False when the chunk is damaged (reported through Game_FailLoad).
bool Game_ScanHeaderChunk(const char* tag, uint8_t* body, uint32_t size, const ContainerBytes& container);
// The chunk pass's reading: run-state fields and the room order, which the loader then hands
// to the rooms. True unless damaged.
bool Game_LoadHeader(uint8_t* body, uint32_t size, const ContainerBytes& container);
// Forgets the header (teardown).
void GameHeader_Reset();

// Game options.
struct GameOptions {
  bool fullScreen = false;
  bool newAudioEngine = false;  // not reset between loads
  bool showCursor = true;
  int32_t scale = 100;
  uint32_t windowColour = 0xFFFFFF;
  bool switchDisplayMode = false;
  int32_t colourDepthCode = 0;
  int32_t resolutionCode = 0;
  int32_t frequencyCode = 0;
  int32_t integerOption1 = 0;
  int32_t integerOption2 = 0;
  bool altEnterTogglesFullScreen = true;
  bool freezeWhileInactive = false;
  bool everyErrorFatal = false;
  // Clear: a variable that was never set reads as the real 0.
  bool variableReadOption = false;
  const uint8_t* image = nullptr;
  int32_t option13 = 255;
  // Options 1 to 18 by number (13 lives in option13): kept so the layouts are read exactly;
  // nothing in this runner reads them yet. 16 to 18 are not reset between loads.
  bool option[19] = {false, false, false, false, false, false, true, true, true, true,
                     true, true, false, false, true, false, false, false, false};
  std::vector<std::string> constantNames;
  std::vector<std::string> constantValues;
  int32_t versionMajor = 0;  // from the constants "VersionMajor" and "VersionMinor"; not reset
  int32_t versionMinor = 0;
};
extern GameOptions g_GameOptions;

// Sets the options to their defaults (start of every load).
void Options_Reset();
// Reads an OPTN chunk: false for a new-layout chunk whose version is not 2 (nothing is set) and
// for a damaged chunk (reported through Game_FailLoad).
bool Options_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
