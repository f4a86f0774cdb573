#include "functions/highscore.h"

#include <cstdio>
#include <cstring>

#include "core/function_registry.h"
#include "functions/handler_args.h"
#include "functions/lifecycle.h"
#include "functions/load_stand_in.h"
#include "io/input.h"
#include "io/load_save.h"
#include "runtime/run_state.h"
#include "render/text.h"

ScoreDisplay g_ScoreDisplay;

namespace {

constexpr const char* kScoreFile = "hiscore.dat";
constexpr const char* kDefaultName = "DEFAULT";
constexpr uint8_t kPadding = 0xF0;

struct ScoreEntry {
  bool hasName = false;
  std::string name;
  int32_t value = 0;
};

ScoreEntry g_table[kScoreEntries];
bool g_changed = false;

bool InTable(int32_t position) { return position >= 1 && position <= kScoreEntries; }

void PutU32(std::vector<uint8_t>* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t GetU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// At most 256 bytes, never splitting a character: a reader refuses a longer name and everything
// after it.
size_t WrittenNameBytes(const std::string& name) {
  if (name.size() <= kScoreNameLimit) return name.size();
  size_t length = kScoreNameLimit;
  while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80) --length;
  return length;
}

size_t Padded(size_t length) { return (length + 3) & ~static_cast<size_t>(3); }

void DrawWithText(float x, float y, const char* text) { Text_Draw(x, y, text, -1, -1); }
int32_t WidthWithText(const char* text) { return Text_GetWidth(text, -1, -1); }

ScoreTextOutput g_output{DrawWithText, WidthWithText};

// --- script functions ------------------------------------------------------------------------


void SetReal(RValue* result, double value) { Args_SetReal(result, value); }

BUILTIN_FN(HighscoreShow) {
  (void)result;
  Args{argc, argv}.I(0);
  IO_Clear();
}

BUILTIN_FN(HighscoreSetBackground) {
  (void)result;
  g_ScoreDisplay.background = Args{argc, argv}.I(0);
}

BUILTIN_FN(HighscoreSetBorder) {
  (void)result;
  g_ScoreDisplay.border = Args{argc, argv}.B(0);
}

BUILTIN_FN(HighscoreSetFont) {
  (void)result;
  const Args a{argc, argv};
  const RValue* name = a.V(0);
  if (name != nullptr && RValue_Kind(name) == VALUE_STRING) {
    const char* text = a.S(0);
    g_ScoreDisplay.fontName = text != nullptr ? text : "";
    g_ScoreDisplay.fontSize = a.I(1);
  }
}

BUILTIN_FN(HighscoreSetStrings) {
  (void)result;
  const Args a{argc, argv};
  const char* caption = a.S(0);
  const char* nobody = a.S(1);
  const char* hint = a.S(2);
  g_ScoreDisplay.caption = caption != nullptr ? caption : "";
  g_ScoreDisplay.nobody = nobody != nullptr ? nobody : "";
  g_ScoreDisplay.hint = hint != nullptr ? hint : "";
}

BUILTIN_FN(HighscoreSetColors) {
  (void)result;
  const Args a{argc, argv};
  g_ScoreDisplay.backgroundColour = a.I(0);
  g_ScoreDisplay.colour1 = a.I(1);
  g_ScoreDisplay.colour2 = a.I(2);
}

BUILTIN_FN(HighscoreShowExt) {
  (void)result;
  const Args a{argc, argv};
  a.I(0);
  g_ScoreDisplay.background = a.I(1);
  g_ScoreDisplay.border = a.B(2);
  g_ScoreDisplay.colour1 = a.I(3);
  g_ScoreDisplay.colour2 = a.I(4);
  const char* font = a.S(5);
  g_ScoreDisplay.fontName = font != nullptr ? font : "";
  g_ScoreDisplay.fontSize = a.I(6);
  IO_Clear();
}

BUILTIN_FN(HighscoreClear) {
  (void)result;
  (void)argc;
  (void)argv;
  Score_Clear();
}

BUILTIN_FN(HighscoreAdd) {
  (void)result;
  const Args a{argc, argv};
  Score_Add(a.S(0), a.I(1));
}

BUILTIN_FN(HighscoreAddCurrent) {
  (void)result;
  (void)argc;
  (void)argv;
  Score_Add(kDefaultName, g_RunState.score);
  IO_Clear();
}

BUILTIN_FN(HighscoreValue) { SetReal(result, Score_GetValue(Args{argc, argv}.I(0))); }

BUILTIN_FN(HighscoreName) { RValue_SetString(result, Score_GetName(Args{argc, argv}.I(0))); }

BUILTIN_FN(DrawHighscore) {
  (void)result;
  const Args a{argc, argv};
  Score_Draw(a.I(0), a.I(1), a.I(2), a.I(3));
}

}  // namespace

// --- the table -------------------------------------------------------------------------------

void Score_Init() { Score_Clear(); }

void Score_Draw(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  // In 64 bits: a script's rectangle may span the whole integer range.
  const int64_t step = (int64_t{y2} - y1) / kScoreEntries;
  for (int32_t position = 1; position <= kScoreEntries; ++position) {
    const auto y = static_cast<float>(y1 + (position - 1) * step);
    g_output.draw(static_cast<float>(x1), y, Score_GetName(position));
    char value[256];
    std::snprintf(value, sizeof value, "%d", Score_GetValue(position));
    g_output.draw(static_cast<float>(int64_t{x2} - g_output.width(value)), y, value);
  }
}

void Score_Clear() {
  for (ScoreEntry& entry : g_table) entry = ScoreEntry{true, g_ScoreDisplay.nobody, 0};
}

void Score_SetEntry(int32_t position, const char* name, int32_t value) {
  if (!InTable(position)) return;
  g_table[position - 1] = ScoreEntry{true, name != nullptr ? name : "", value};
}

int32_t Score_GetValue(int32_t position) { return InTable(position) ? g_table[position - 1].value : 0; }

const char* Score_GetName(int32_t position) {
  if (!InTable(position) || !g_table[position - 1].hasName) return "";
  return g_table[position - 1].name.c_str();
}

void Score_Add(const char* name, int32_t value) {
  int32_t p = 0;
  while (p < kScoreEntries && g_table[p].value >= value) ++p;
  if (p == kScoreEntries) return;
  for (int32_t i = kScoreEntries - 1; i > p; --i) g_table[i] = std::move(g_table[i - 1]);
  g_table[p] = ScoreEntry{name != nullptr, name != nullptr ? name : "", value};
  g_changed = true;
}

bool Score_Changed() { return g_changed; }

// --- the file --------------------------------------------------------------------------------

std::vector<uint8_t> Score_FileBytes() {
  std::vector<uint8_t> out = {'H', 'I', 'S', 'C'};
  PutU32(&out, 0);
  for (const ScoreEntry& entry : g_table) {
    const size_t length = entry.hasName ? WrittenNameBytes(entry.name) : 0;
    PutU32(&out, static_cast<uint32_t>(length));
    out.insert(out.end(), entry.name.begin(), entry.name.begin() + static_cast<std::ptrdiff_t>(length));
    out.resize(out.size() + (Padded(length) - length), kPadding);
    PutU32(&out, static_cast<uint32_t>(entry.value));
  }
  const auto total = static_cast<uint32_t>(out.size());
  for (int i = 0; i < 4; ++i) out[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(total >> (8 * i));
  return out;
}

void Score_ReadBytes(const uint8_t* data, size_t size) {
  if (data == nullptr || size < 8 || std::memcmp(data, "HISC", 4) != 0 || size < GetU32(data + 4)) return;
  size_t at = 8;
  for (ScoreEntry& entry : g_table) {
    entry.hasName = false;
    entry.name.clear();
    if (size - at < 4) return;
    const uint32_t length = GetU32(data + at);
    if (length > kScoreNameLimit || size - at - 4 < Padded(length) + 4) return;
    at += 4;
    if (length > 0) {
      entry.hasName = true;
      entry.name.assign(reinterpret_cast<const char*>(data + at), length);
    }
    at += Padded(length);
    entry.value = static_cast<int32_t>(GetU32(data + at));
    at += 4;
  }
}

void Score_ReadFile(const char* path) {
  std::vector<uint8_t> bytes;
  if (LoadSave_ReadSaveFile(path, &bytes)) Score_ReadBytes(bytes.data(), bytes.size());
  g_changed = false;
}

void Score_WriteFile(const char* path) {
  const std::vector<uint8_t> bytes = Score_FileBytes();
  LoadSave_WriteFile(path, bytes.data(), static_cast<int32_t>(bytes.size()));
  g_changed = false;
}

void Score_Load() { Score_ReadFile(kScoreFile); }

void Score_Save() {
  if (g_changed) Score_WriteFile(kScoreFile);
}

ScoreTextOutput Score_SetTextOutput(const ScoreTextOutput& output) {
  const ScoreTextOutput previous = g_output;
  g_output = output.draw != nullptr && output.width != nullptr ? output : ScoreTextOutput{DrawWithText, WidthWithText};
  return previous;
}

void Score_RegisterFunctions() {
  Builtin_Add("highscore_show", HighscoreShow, 1, 1);
  Builtin_Add("highscore_set_background", HighscoreSetBackground, 1, 1);
  Builtin_Add("highscore_set_border", HighscoreSetBorder, 1, 1);
  Builtin_Add("highscore_set_font", HighscoreSetFont, 3, 1);
  Builtin_Add("highscore_set_strings", HighscoreSetStrings, 3, 1);
  Builtin_Add("highscore_set_colors", HighscoreSetColors, 3, 1);
  Builtin_Add("highscore_show_ext", HighscoreShowExt, 7, 1);
  Builtin_Add("highscore_clear", HighscoreClear, 0, 1);
  Builtin_Add("highscore_add", HighscoreAdd, 2, 1);
  Builtin_Add("highscore_add_current", HighscoreAddCurrent, 0, 1);
  Builtin_Add("highscore_value", HighscoreValue, 1, 1);
  Builtin_Add("highscore_name", HighscoreName, 1, 1);
  Builtin_Add("draw_highscore", DrawHighscore, 4, 1);
}
