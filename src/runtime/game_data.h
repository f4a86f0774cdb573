// What the loader keeps of the game data container for the pass, for every part of the runner
// that reads the container's tables after the load.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/container.h"

struct GameLinkRecord;

// What the loader keeps for the pass. Pointers lead into the container or the debug file's bytes.
struct GameData {
  ContainerBytes container;  // null data when there is none
  GameLinkRecord* linkRecord = nullptr;
  int32_t codeEntryCount = 0;  // the link record's compiled-function count
  bool haveCode = false;       // a CODE chunk with a body was met
  bool haveHeader = false;     // a GEN7, GEN8 or GENL chunk was met, empty or not
  uint32_t codeCount = 0;
  const uint8_t* codeEntries = nullptr;
  uint32_t stringCount = 0;
  const uint8_t* strings = nullptr;
  const uint8_t* variBody = nullptr;
  uint32_t variWords = 0;
  uint8_t* texturePageEntries = nullptr;  // the TPAG body, kept for the TXTR step
  uint32_t texturePageEntriesSize = 0;
  std::vector<int32_t> textureSlots;      // slot of each TXTR page
  std::string optionsFilePath;
  std::string debugFilePath;
  std::vector<uint8_t> debugBytes;
  const uint8_t* debugInfo = nullptr;     // DBGI table (past its first word)
  uint32_t debugInfoSize = 0;
  const uint8_t* scriptTexts = nullptr;   // SCPT table (past its first word)
  uint32_t scriptTextsSize = 0;
  uint32_t instanceNameCount = 0;         // INST
  const uint8_t* instanceNames = nullptr;
  std::string firstGamePath;              // of the first game started in this process
};
const GameData& Game_Data();
// The record the loader fills.
GameData& Game_MutableData();
