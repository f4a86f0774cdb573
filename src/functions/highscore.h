// The high-score table: the ten best scores with a name each, kept between runs in
// "hiscore.dat" in the game's save area, and the high-score script functions.
//
// The file: "HISC", the u32 total length, then ten entries in position order, each a u32 name
// length (0: no name; a reader refuses more than 256), the UTF-8 name, 0xF0 bytes up to a
// multiple of 4, and the s32 value; little-endian.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "functions/lifecycle.h"

inline constexpr int32_t kScoreEntries = 10;
inline constexpr uint32_t kScoreNameLimit = 256;

// The table to the empty-entry name and 0 everywhere (Score_Init of functions/lifecycle.h does
// the same at start-up); neither sets the changed flag.
void Score_Clear();
// Replaces an entry (position 1 to 10); a null name is stored as an empty text.
void Score_SetEntry(int32_t position, const char* name, int32_t value);
// 0 and "" outside 1 to 10, and "" for an entry without a name.
int32_t Score_GetValue(int32_t position);
const char* Score_GetName(int32_t position);
// Inserts below every entry of the same or a higher value; a value that beats none changes
// nothing. A null name makes an entry without a name.
void Score_Add(const char* name, int32_t value);
// Whether the table changed since it was last read or written.
bool Score_Changed();

// The file's bytes for the table (names cut to 256 bytes at a character boundary), and the
// table from them (read up to the first damaged entry; a foreign or short file changes nothing).
std::vector<uint8_t> Score_FileBytes();
void Score_ReadBytes(const uint8_t* data, size_t size);
// Reads and writes the file in the save area; both clear the changed flag, also on failure.
void Score_ReadFile(const char* path);
void Score_WriteFile(const char* path);
// Score_Load (functions/load_stand_in.h) reads "hiscore.dat" and Score_Save
// (functions/lifecycle.h) writes it when the table changed.

// draw_highscore draws through these (the text module's drawing and measuring unless a test
// watches them).
struct ScoreTextOutput {
  void (*draw)(float x, float y, const char* text) = nullptr;
  int32_t (*width)(const char* text) = nullptr;
};
ScoreTextOutput Score_SetTextOutput(const ScoreTextOutput& output);
// draw_highscore: the ten names down the left edge of the box and the values right-aligned to
// its right edge, one row per tenth of its height.
void Score_Draw(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

// The display settings the script functions record; nothing shows them.
struct ScoreDisplay {
  std::string caption = "Top Ten Players";
  std::string nobody = "<nobody>";
  std::string hint = "press <Escape> to close";
  int32_t background = -1;
  bool border = true;
  int32_t backgroundColour = 0;
  int32_t colour1 = 0;
  int32_t colour2 = 0;
  std::string fontName = "Times New Roman";
  int32_t fontSize = 0;
};
extern ScoreDisplay g_ScoreDisplay;

// Registers the high-score functions (the interaction group does, in its order).
void Score_RegisterFunctions();
