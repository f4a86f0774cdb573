// The run state of one game: the values behind the game's built-in variables that the host
// sets to their defaults at the start of every pass and frees at its end.
#pragma once

#include <cstdint>

inline constexpr int32_t kNoSurface = static_cast<int32_t>(0xFEEEDEADu);

struct RunState {
  int32_t transitionKind = 0;
  int32_t score = 0;
  int32_t lives = -1;
  double health = 100.0;
  bool showScore = true;
  bool showLives = false;
  bool showHealth = false;
  bool showScoreWasSet = false;   // a script wrote show_score; saved with the run state
  char* captionHealth = nullptr;  // memory-manager texts, null for "no string"
  char* captionScore = nullptr;
  char* captionLives = nullptr;
  int32_t viewCurrent = 0;
  int32_t cursorSprite = -1;
  int64_t stepCounter = 0;
  bool drawEnableDrawEvent = true;
  int32_t gameId = 0;
  int32_t applicationSurface = kNoSurface;
  int32_t applicationSurfaceWidth = -1;
  int32_t applicationSurfaceHeight = -1;
  bool applicationSurfaceDrawEnable = true;
  bool surfaceResizePending = false;
  int32_t pendingResizeWidth = -1;
  int32_t pendingResizeHeight = -1;
  bool fileFunctionFlag = false;
  char* pendingSavedGameName = nullptr;  // the saved game a frame is to load
};
extern RunState g_RunState;

// Sets every run-state value to its default (the start of a pass).
void Runner_InitRunGlobals();
// Frees the pass's texts and paths and resets the surface values (the end of a pass).
void Runner_FreeRunGlobals();
