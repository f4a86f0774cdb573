#include "runtime/run_state.h"

#include "runtime/host_state.h"
#include "io/program.h"

RunState g_RunState;

namespace {

void ResetSurfaceValues(RunState& s) {
  s.applicationSurfaceWidth = -1;
  s.applicationSurfaceHeight = -1;
  s.pendingResizeWidth = -1;
  s.pendingResizeHeight = -1;
  s.gameId = 0;
  s.applicationSurface = kNoSurface;
  s.applicationSurfaceDrawEnable = true;
  s.surfaceResizePending = false;
}

}  // namespace

void Runner_InitRunGlobals() {
  RunState& s = g_RunState;
  g_Host.running = 0;
  g_Host.pausedByDebugger = false;
  s.transitionKind = 0;
  s.score = 0;
  s.lives = -1;
  s.health = 100.0;
  s.showScore = true;
  s.showLives = false;
  s.showHealth = false;
  s.showScoreWasSet = false;
  Host_ReplaceText(&s.captionHealth, "Health: ");
  Host_FreeText(&s.captionScore);
  Host_FreeText(&s.captionLives);
  s.viewCurrent = 0;
  s.cursorSprite = -1;
  s.stepCounter = 0;
  s.drawEnableDrawEvent = true;
  ResetSurfaceValues(s);
  s.fileFunctionFlag = false;
}

void Runner_FreeRunGlobals() {
  RunState& s = g_RunState;
  Host_FreeText(&s.captionScore);
  Host_FreeText(&s.captionLives);
  Host_FreeText(&s.captionHealth);
  Host_FreeText(&s.pendingSavedGameName);
  Host_FreeText(&g_pGameFilePath);
  Host_FreeText(&working_directory);
  Win32_ForgetProgramDirectory();
  ResetSurfaceValues(s);
}
