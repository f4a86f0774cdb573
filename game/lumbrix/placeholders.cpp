// The functions whose statements are not written yet: each stands in with its signature, shows
// on the trace chain under its own name while it runs, and does nothing else. A function leaves
// this list when its source is written.
#include "lumbrix/kit.h"
#include "lumbrix/names.h"

#define PLACEHOLDER_SCRIPT(name)                                             \
  RValue* name(CInstance*, CInstance*, RValue* result, int32_t, RValue**) { \
    tll::Frame frame(#name);                                                 \
    return result;                                                           \
  }
#define PLACEHOLDER_EVENT(name) \
  void name(CInstance*, CInstance*) { tll::Frame frame(#name); }

PLACEHOLDER_SCRIPT(tll_Script_ob_control_draw_gui)
PLACEHOLDER_SCRIPT(tll_Script_control_update_minimap)
PLACEHOLDER_SCRIPT(tll_Script_ob_control_draw)
PLACEHOLDER_SCRIPT(tll_Script_coord_to_minimap)
PLACEHOLDER_SCRIPT(tll_Script_ob_text_create)
PLACEHOLDER_SCRIPT(tll_Script_tutorial0)
PLACEHOLDER_SCRIPT(tll_Script_tutorial1)
PLACEHOLDER_SCRIPT(tll_Script_tutorial2)
PLACEHOLDER_SCRIPT(tll_Script_tutorial3)
PLACEHOLDER_SCRIPT(tll_Script_tutorial4)
PLACEHOLDER_SCRIPT(tll_Script_tutorial5)
PLACEHOLDER_SCRIPT(tll_Script_tutorial6)
PLACEHOLDER_EVENT(tll_Object_ob_text_Create_0)
PLACEHOLDER_EVENT(tll_Object_ob_text_Destroy_0)
PLACEHOLDER_EVENT(tll_Object_ob_text_Draw_64)
PLACEHOLDER_EVENT(tll_Object_ob_text_Draw_0)
PLACEHOLDER_EVENT(tll_RoomCC_rm_tutorial_104_Create)
PLACEHOLDER_EVENT(tll_RoomCC_rm_tutorial_105_Create)
PLACEHOLDER_EVENT(tll_RoomCC_rm_tutorial_106_Create)
PLACEHOLDER_EVENT(tll_RoomCC_rm_tutorial_108_Create)
PLACEHOLDER_EVENT(tll_RoomCC_rm_tutorial_109_Create)
PLACEHOLDER_EVENT(tll_RoomCC_rm_tutorial_110_Create)
PLACEHOLDER_EVENT(tll_RoomCC_rm_tutorial_111_Create)
PLACEHOLDER_EVENT(tll_RoomCC_rm_tutorial_112_Create)
PLACEHOLDER_EVENT(tll_RoomCC_rm_tutorial_113_Create)
PLACEHOLDER_EVENT(tll_RoomCC_rm_tutorial_114_Create)
