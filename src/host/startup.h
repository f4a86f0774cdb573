// Start-up and shutdown of one pass of the restart loop, in their fixed orders.
#pragma once

#include <cstdint>

// PrepareGame seeds the runner's generator (core/runtime_random.h) with this before the game
// loads, so a game's random sequences repeat from run to run.
inline constexpr uint32_t kPrepareGameSeed = 2101988;

// Initialises every table and service the start-up relies on; always true.
bool Runner_InitGlobals();
// Loads the game, creates the window and the graphics, and prepares and begins the game; false
// when a step fails.
bool Runner_StartUp();
bool Runner_InitGraphics();
bool PrepareGame();
void Runner_Begin();
void Runner_EnterMainLoop();
void Runner_AfterMainLoop();
// Tears every table and service down in the fixed order, then destroys the main window.
void Runner_Shutdown();

// Registers the argument-checking handlers of ds_grid_set, ds_grid_get and the vertex_* functions
// (true) or their fast variants without checks (false).
void Runner_SetReleaseMode(bool checking);

// Called with each step's name before the step runs, in Runner_InitGlobals and Runner_Shutdown;
// null to stop. Lets diagnostics and tests follow the order.
using RunnerStepObserver = void (*)(const char* step);
void Runner_SetStepObserver(RunnerStepObserver observer);
