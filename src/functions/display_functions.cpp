#include "functions/display_functions.h"

#include <cstdint>

#include "core/function_registry.h"
#include "core/memory_manager.h"
#include "core/value.h"
#include "functions/handler_args.h"
#include "runtime/frame_timing.h"
#include "io/main_window.h"
#include "runtime/run_state.h"
#include "io/window_services.h"
#include "world/room_mouse.h"
#include "platform/window/window_system.h"
#include "render/d3d_device.h"
#include "render/lifecycle.h"
#include "render/vertex_batch.h"

VectorAntiAliasState g_VectorAntiAlias;

void Display_RequestReset() { g_FrameTiming.displayResetCountdown = 1; }

namespace {

void SetReal(RValue* result, double value) { Args_SetReal(result, value); }
void SetBool(RValue* result, bool value) { Args_SetReal(result, value ? 1.0 : 0.0); }


// --- display ----------------------------------------------------------------------------------

BUILTIN_FN(DisplayGetWidth) {
  HANDLER_ARGS;
  SetReal(result, Display_GetWidth());
}
BUILTIN_FN(DisplayGetHeight) {
  HANDLER_ARGS;
  SetReal(result, Display_GetHeight());
}
BUILTIN_FN(DisplayGetColourDepth) {
  HANDLER_ARGS;
  SetReal(result, Display_GetColourDepth());
}
BUILTIN_FN(DisplayGetFrequency) {
  HANDLER_ARGS;
  SetReal(result, Display_GetFrequency());
}
BUILTIN_FN(DisplayGetOrientation) {
  HANDLER_ARGS;
  SetReal(result, Display_GetOrientation());
}

// A mode change, whatever its answer, is followed by a reset: every surface is gone afterwards,
// so scripts learn to make theirs again even when the mode stayed as it was.
void AnswerModeChange(RValue* result, bool changed) {
  GR_D3D_ResetAndRestore();
  SetBool(result, changed);
}

BUILTIN_FN(DisplaySetSize) {
  HANDLER_ARGS;
  AnswerModeChange(result, Display_SetSize(a.I(0), a.I(1)));
}
BUILTIN_FN(DisplaySetColourDepth) {
  HANDLER_ARGS;
  AnswerModeChange(result, Display_SetColourDepth(a.I(0)));
}
BUILTIN_FN(DisplaySetFrequency) {
  HANDLER_ARGS;
  AnswerModeChange(result, Display_SetFrequency(a.I(0)));
}
BUILTIN_FN(DisplaySetAll) {
  HANDLER_ARGS;
  AnswerModeChange(result, Display_SetAll(a.I(0), a.I(1), a.I(2), a.I(3)));
}
BUILTIN_FN(DisplayTestAll) {
  HANDLER_ARGS;
  SetBool(result, Display_TestAll(a.I(0), a.I(1), a.I(2), a.I(3)));
}

BUILTIN_FN(DisplayReset) {
  HANDLER_ARGS;
  // Only the low byte names a level; Display_SetMultisample turns anything but 2, 4, 8 or 16 off.
  Display_SetMultisample(a.I(0) & 0xFF);
  Display_SetVSync(a.B(1));
  Display_RequestReset();
}

BUILTIN_FN(DisplayMouseGetX) {
  HANDLER_ARGS;
  SetReal(result, Display_MouseGetX());
}
BUILTIN_FN(DisplayMouseGetY) {
  HANDLER_ARGS;
  SetReal(result, Display_MouseGetY());
}
BUILTIN_FN(DisplayMouseSet) {
  HANDLER_ARGS;
  Display_MouseSet(a.I(0), a.I(1));
}

BUILTIN_FN(DrawEnableDrawEvent) {
  HANDLER_ARGS;
  g_RunState.drawEnableDrawEvent = a.B(0);
}

BUILTIN_FN(DisplayGetVertexBufferMethod) {
  HANDLER_ARGS;
  SetReal(result, GR_StartupFlags.vertexBufferMethod);
}
BUILTIN_FN(DisplaySetVertexBufferMethod) {
  HANDLER_ARGS;
  GraphicsFlush();
  const int32_t method = a.I(0);
  if (method >= kVBMethodSingle && method <= kVBMethodNone) {
    GR_StartupFlags.vertexBufferMethod = method;
    GR_SetVertexBufferMethod(method);
  }
  SetReal(result, 0);
}

BUILTIN_FN(DisplayGetAlternateSync) {
  HANDLER_ARGS;
  SetBool(result, GR_StartupFlags.alternateSync);
}
BUILTIN_FN(DisplaySetAlternateSync) {
  HANDLER_ARGS;
  GR_StartupFlags.alternateSync = a.B(0);
  Display_RequestReset();
  SetReal(result, 0);
}

BUILTIN_FN(DrawEnableSwfAA) {
  HANDLER_ARGS;
  g_VectorAntiAlias.enabled = a.B(0);
}
BUILTIN_FN(DrawSetSwfAALevel) {
  HANDLER_ARGS;
  const float level = a.F(0);  // the getter gives NaN as 0
  g_VectorAntiAlias.level = level < 0.0f ? 0.0f : level > 1.0f ? 1.0f : level;
}
BUILTIN_FN(DrawGetSwfAALevel) {
  HANDLER_ARGS;
  SetReal(result, g_VectorAntiAlias.level);
}

// --- window -----------------------------------------------------------------------------------

// Window properties this platform does not offer: accepted and dropped.
BUILTIN_FN(WindowNoEffect) {
  HANDLER_ARGS;
}
// Their read-back: always 0.
BUILTIN_FN(WindowAnswerZero) {
  HANDLER_ARGS;
  SetReal(result, 0);
}

BUILTIN_FN(WindowGetVisible) {
  HANDLER_ARGS;
  SetBool(result, g_WindowState.visible);
}
BUILTIN_FN(WindowSetFullscreen) {
  HANDLER_ARGS;
  Window_SetFullscreen(a.B(0));
}
BUILTIN_FN(WindowGetFullscreen) {
  HANDLER_ARGS;
  SetBool(result, Window_GetFullscreen());
}
BUILTIN_FN(WindowSetCaption) {
  HANDLER_ARGS;
  Window_SetCaption(a.S(0));
}
BUILTIN_FN(WindowGetCaption) {
  HANDLER_ARGS;
  RValue_Release(result);
  RValue_InitString(result, Window_GetCaption());
}
BUILTIN_FN(WindowSetCursor) {
  HANDLER_ARGS;
  Window_SetCursor(a.I(0));
}
BUILTIN_FN(WindowGetCursor) {
  HANDLER_ARGS;
  SetReal(result, Window_GetCursor());
}
BUILTIN_FN(WindowSetColour) {
  HANDLER_ARGS;
  Window_SetColour(static_cast<uint32_t>(a.I(0)));
}
BUILTIN_FN(WindowGetColour) {
  HANDLER_ARGS;
  SetReal(result, Window_GetColour());
}
BUILTIN_FN(WindowSetMinWidth) {
  HANDLER_ARGS;
  Window_SetMinWidth(a.I(0));
}
BUILTIN_FN(WindowSetMaxWidth) {
  HANDLER_ARGS;
  Window_SetMaxWidth(a.I(0));
}
BUILTIN_FN(WindowSetMinHeight) {
  HANDLER_ARGS;
  Window_SetMinHeight(a.I(0));
}
BUILTIN_FN(WindowSetMaxHeight) {
  HANDLER_ARGS;
  Window_SetMaxHeight(a.I(0));
}
BUILTIN_FN(WindowSetPosition) {
  HANDLER_ARGS;
  Window_SetPosition(a.I(0), a.I(1));
}
BUILTIN_FN(WindowSetSize) {
  HANDLER_ARGS;
  Window_SetSize(a.I(0), a.I(1));
}
BUILTIN_FN(WindowSetRectangle) {
  HANDLER_ARGS;
  Window_SetRectangle(a.I(0), a.I(1), a.I(2), a.I(3));
}

// The outer rectangle goes to the middle of the desktop of the adapter the device runs on (the
// screen, before there is a device); the move leaves painting to the next frame.
BUILTIN_FN(WindowCenter) {
  HANDLER_ARGS;
  WindowSystem& system = WindowSystem_Get();
  SDL_Window* window = g_WindowState.window;
  WindowRect outer;
  if (window == nullptr || !system.GetWindowRect(window, &outer)) return;
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  if (g_D3D.adapterCount > 0) {
    const AdapterInfo& adapter = g_D3D.adapters[0];
    left = adapter.desktopX;
    top = adapter.desktopY;
    width = adapter.desktopWidth;
    height = adapter.desktopHeight;
  } else if (!system.GetScreenSize(&width, &height)) {
    return;
  }
  const int32_t outerWidth = outer.right - outer.left;
  const int32_t outerHeight = outer.bottom - outer.top;
  system.MoveWindow(window, left + (width - outerWidth) / 2, top + (height - outerHeight) / 2);
}

BUILTIN_FN(WindowGetX) {
  HANDLER_ARGS;
  SetReal(result, Window_GetX());
}
BUILTIN_FN(WindowGetY) {
  HANDLER_ARGS;
  SetReal(result, Window_GetY());
}
BUILTIN_FN(WindowGetWidth) {
  HANDLER_ARGS;
  SetReal(result, Window_GetWidth());
}
BUILTIN_FN(WindowGetHeight) {
  HANDLER_ARGS;
  SetReal(result, Window_GetHeight());
}

BUILTIN_FN(WindowGetVisibleRects) {
  HANDLER_ARGS;
  double* values = nullptr;
  const int32_t monitors = Window_GetVisibleRects(a.R(0), a.R(1), a.R(2), a.R(3), &values);
  RValue_Release(result);
  *result = RValue_MakeUndefined();
  result->kind = VALUE_ARRAY;
  result->pArray = SharedArray_Create(result);
  // Filled from the last element down, so that the row grows once.
  for (int32_t i = monitors * 8 - 1; i >= 0; --i) {
    const RValue element = RValue_MakeReal(values[i]);
    SharedArray_Grow(result, &element, i);
  }
  MemoryManager_Free(values);
}

BUILTIN_FN(WindowMouseGetX) {
  HANDLER_ARGS;
  SetReal(result, Window_MouseX());
}
BUILTIN_FN(WindowMouseGetY) {
  HANDLER_ARGS;
  SetReal(result, Window_MouseY());
}
BUILTIN_FN(WindowMouseSet) {
  HANDLER_ARGS;
  Window_SetMousePosition(a.I(0), a.I(1));
}
BUILTIN_FN(WindowViewMouseGetX) {
  HANDLER_ARGS;
  SetReal(result, Window_ViewMouseX(a.I(0)));
}
BUILTIN_FN(WindowViewMouseGetY) {
  HANDLER_ARGS;
  SetReal(result, Window_ViewMouseY(a.I(0)));
}
BUILTIN_FN(WindowViewsMouseGetX) {
  HANDLER_ARGS;
  SetReal(result, Window_DeviceMouseX(0));
}
BUILTIN_FN(WindowViewsMouseGetY) {
  HANDLER_ARGS;
  SetReal(result, Window_DeviceMouseY(0));
}

#undef ARGS
#undef DISPLAY_FN

struct Entry {
  const char* name;
  BuiltinHandler handler;
  int32_t count;
};

const Entry kDisplayFunctions[] = {
    {"display_get_width", DisplayGetWidth, 0},
    {"display_get_height", DisplayGetHeight, 0},
    {"display_get_colordepth", DisplayGetColourDepth, 0},
    {"display_get_frequency", DisplayGetFrequency, 0},
    {"display_get_orientation", DisplayGetOrientation, 0},
    {"display_set_size", DisplaySetSize, 2},
    {"display_set_colordepth", DisplaySetColourDepth, 1},
    {"display_set_frequency", DisplaySetFrequency, 1},
    {"display_set_all", DisplaySetAll, 4},
    {"display_test_all", DisplayTestAll, 4},
    {"display_reset", DisplayReset, 2},
    {"display_mouse_get_x", DisplayMouseGetX, 0},
    {"display_mouse_get_y", DisplayMouseGetY, 0},
    {"display_mouse_set", DisplayMouseSet, 2},
    {"draw_enable_drawevent", DrawEnableDrawEvent, 1},
    {"display_get_windows_vertex_buffer_method", DisplayGetVertexBufferMethod, 0},
    {"display_get_windows_alternate_sync", DisplayGetAlternateSync, 0},
    {"display_set_windows_vertex_buffer_method", DisplaySetVertexBufferMethod, 1},
    {"display_set_windows_alternate_sync", DisplaySetAlternateSync, 1},
    {"draw_enable_swf_aa", DrawEnableSwfAA, 1},
    {"draw_set_swf_aa_level", DrawSetSwfAALevel, 1},
    {"draw_get_swf_aa_level", DrawGetSwfAALevel, 0},
    {"window_set_visible", WindowNoEffect, 1},
    {"window_get_visible", WindowGetVisible, 0},
    {"window_set_fullscreen", WindowSetFullscreen, 1},
    {"window_get_fullscreen", WindowGetFullscreen, 0},
    {"window_set_showborder", WindowNoEffect, 1},
    {"window_get_showborder", WindowAnswerZero, 0},
    {"window_set_showicons", WindowNoEffect, 1},
    {"window_get_showicons", WindowAnswerZero, 0},
    {"window_set_stayontop", WindowNoEffect, 1},
    {"window_get_stayontop", WindowAnswerZero, 0},
    {"window_set_sizeable", WindowNoEffect, 1},
    {"window_get_sizeable", WindowAnswerZero, 0},
    {"window_set_caption", WindowSetCaption, 1},
    {"window_get_caption", WindowGetCaption, 0},
    {"window_set_cursor", WindowSetCursor, 1},
    {"window_get_cursor", WindowGetCursor, 0},
    {"window_set_color", WindowSetColour, 1},
    {"window_set_colour", WindowSetColour, 1},
    {"window_get_color", WindowGetColour, 0},
    {"window_get_colour", WindowGetColour, 0},
    {"window_set_min_width", WindowSetMinWidth, 1},
    {"window_set_max_width", WindowSetMaxWidth, 1},
    {"window_set_min_height", WindowSetMinHeight, 1},
    {"window_set_max_height", WindowSetMaxHeight, 1},
    {"window_set_position", WindowSetPosition, 2},
    {"window_set_size", WindowSetSize, 2},
    {"window_set_rectangle", WindowSetRectangle, 4},
    {"window_center", WindowCenter, 0},
    {"window_default", WindowNoEffect, 0},
    {"window_get_x", WindowGetX, 0},
    {"window_get_y", WindowGetY, 0},
    {"window_get_width", WindowGetWidth, 0},
    {"window_get_height", WindowGetHeight, 0},
    {"window_get_visible_rects", WindowGetVisibleRects, 4},
    {"window_mouse_get_x", WindowMouseGetX, 0},
    {"window_mouse_get_y", WindowMouseGetY, 0},
    {"window_mouse_set", WindowMouseSet, 2},
    {"window_view_mouse_get_x", WindowViewMouseGetX, 1},
    {"window_view_mouse_get_y", WindowViewMouseGetY, 1},
    {"window_view_mouse_set", WindowNoEffect, 3},
    {"window_views_mouse_get_x", WindowViewsMouseGetX, 0},
    {"window_views_mouse_get_y", WindowViewsMouseGetY, 0},
    {"window_views_mouse_set", WindowNoEffect, 2},
};
static_assert(sizeof kDisplayFunctions / sizeof kDisplayFunctions[0] == 65, "the display group has 65 names");

}  // namespace

void Display_RegisterFunctions(uint8_t flag) {
  for (const Entry& e : kDisplayFunctions) Builtin_Add(e.name, e.handler, e.count, flag);
}
