#include "functions/display_functions.h"
#include "functions/draw_functions.h"
#include "functions/load_stand_in.h"
#include "functions/screen_capture.h"
#include "functions/skeleton_functions.h"
#include "functions/surface_functions.h"
#include "functions/text_sprite_functions.h"
#include "functions/tile_functions.h"

// The groups register in a fixed order, which is the order of their names in the built-in table.
void InitGraphicFunctions() {
  Display_RegisterFunctions(1);
  Screen_RegisterFunctions(1);
  Draw_RegisterFunctions(1);
  TextSprite_RegisterFunctions(1);
  Tile_RegisterFunctions(1);
  Surface_RegisterFunctions(1);
  Skeleton_RegisterFunctions(1);
}

// The three-dimensional names (state, primitives, shapes, transforms, lights, matrices, models)
// are a group of their own; none of them is registered yet.
void Init3DFunctions() {}
