// The room redraw: the application surface, views that follow instances, every visible view's
// picture (backgrounds, then instances, tiles and particle systems merged by depth, then
// foregrounds), the draw events around views and frame, the copy to the window, the GUI layer and
// the cursor.
#pragma once

#include <cstdint>

class CInstance;
class CRoom;
struct RoomBackground;
struct RoomTile;

// The room area a pass draws, as the view bounds give it.
struct RoomArea {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct AppSurfaceState {
  bool enabled = true;
  bool inUse = false;  // the enabled flag as the last redraw took it
  int32_t requestedWidth = -1;  // -1: keep the size the game header gave
  int32_t requestedHeight = -1;
  float portScaleX = 1.0f;
  float portScaleY = 1.0f;
  int32_t viewSurfaceTexture = -1;  // the texture slot of the current view's own surface
};
extern AppSurfaceState g_AppSurface;

// What the redraw draws through other parts of the renderer. Each source defaults to the one the
// runner has; tests put fakes in to see the order of the depth merge.
struct RoomDrawSources {
  // An instance without a draw event: its sprite at its position.
  void (*drawInstanceSprite)(CInstance* instance);
  bool (*spriteExists)(int32_t sprite);
  // The cursor sprite at a window position, unculled.
  void (*drawCursor)(int32_t sprite, float image, float x, float y);
  bool (*backgroundExists)(int32_t background);
  void (*drawBackground)(const RoomBackground& background, const RoomArea& area);
  void (*drawTile)(const RoomTile& tile);
  void (*sortTiles)(CRoom* room);
  // Particle-system depths from the highest down; -1e9 when there is none.
  float (*particleMaxDepth)();
  float (*particleNextDepthBelow)(float depth);
  void (*particleDrawAtDepth)(float depth);
};
extern RoomDrawSources g_RoomDrawSources;
// The runner's own sources (what a test puts back).
RoomDrawSources RoomDraw_DefaultSources();

inline constexpr float kNoParticleDepth = -1e9f;

void DrawRoom();
void DrawTheRoom(const RoomArea& area);
void Room_SetupViews();
void Room_DrawInstancesTilesParticles(const RoomArea& area);
void Room_DrawInstancesParticles(const RoomArea& area);
void Room_DrawInstances();
void Room_PerformDrawEvent(const RoomArea& area, int32_t type, int32_t number);
bool Room_PerformDrawEventClear(const RoomArea& area, int32_t type, int32_t number, bool clear);
void GR_DrawApplicationSurface(int32_t surface, int32_t x, int32_t y, int32_t width, int32_t height, bool keepAspect,
                               bool directStates);
// The current view bounds as an area.
RoomArea RoomDraw_CurrentArea();
// When a room starts and after a game is loaded: the window takes the size of the room or of its
// visible ports.
void Room_SizeWindow();
