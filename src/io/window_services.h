// Window and display services for scripts: position and size requests, cursor, size limits,
// colour, monitors, and the mapping of window points into the room through the drawn views.
//
// Size changes are never applied here: they become a pending size and a display-reset countdown
// (io/main_window.h) that the frame loop and the renderer act on.
#pragma once

#include <cstdint>

inline constexpr int32_t kViewPortCount = 32;

// Where one view was drawn this frame.
struct ViewPortRecord {
  bool set = false;
  float viewX = 0;  // the room region the view shows
  float viewY = 0;
  float viewWidth = 0;
  float viewHeight = 0;
  float portX = 0;  // where it is drawn, in pixels of the game image
  float portY = 0;
  float portWidth = 0;
  float portHeight = 0;
  float angle = 0;  // degrees
  int32_t surface = -1;  // -1: the screen
};
extern ViewPortRecord g_ViewPorts[kViewPortCount];
extern int32_t g_ViewPortCount;

void Window_SetPosition(int32_t x, int32_t y);
// Screen position of the client area's top-left corner; 0 without a window.
int32_t Window_GetX();
int32_t Window_GetY();
void Window_SetSize(int32_t width, int32_t height);
void Window_SetRectangle(int32_t x, int32_t y, int32_t width, int32_t height);
void Window_SetMinWidth(int32_t value);
void Window_SetMaxWidth(int32_t value);
void Window_SetMinHeight(int32_t value);
void Window_SetMaxHeight(int32_t value);
int32_t Window_GetBackbufferWidth();
int32_t Window_GetBackbufferHeight();

// cr_* values: 0 cr_default, -1 cr_none, ... -22 cr_size_all.
int32_t Window_GetCursor();
void Window_SetCursor(int32_t cr);
// Moves the cursor to a client point, only while the window has the focus.
void Window_SetMousePosition(int32_t x, int32_t y);

// Per monitor 8 doubles: the part of (x1, y1)-(x2, y2) on it (zeros when none), then the
// monitor's rectangle. Returns the monitor count; *out is a memory-manager block the caller
// frees, null when there are no monitors.
int32_t Window_GetVisibleRects(double x1, double y1, double x2, double y2, double** out);

void Window_SetColour(uint32_t colour);
uint32_t Window_GetColour();

// Where the game image lies in the display: letterboxed or pillarboxed with the keep-aspect
// option, else the whole display.
void Window_GetAppSurfaceRect(int32_t* left, int32_t* top, int32_t* right, int32_t* bottom);

void Window_SetViewPort(int32_t n, float portX, float portY, float portWidth, float portHeight, float viewX,
                        float viewY, float viewWidth, float viewHeight, float angle, int32_t surface);
void Window_ClearViewPort(int32_t n);
void Window_ResetViewPorts();

// A window point relative to the game image, to the room through view n; the outputs are left
// alone when the view cannot map.
void Window_MapToView(int32_t n, int32_t x, int32_t y, int32_t* rx, int32_t* ry);
// A room point to the port of view n.
void Window_MapPointToView(int32_t n, float roomX, float roomY, int32_t* px, int32_t* py);
int32_t Window_MouseX();
int32_t Window_MouseY();
int32_t Window_ViewMouseX(int32_t n);
int32_t Window_ViewMouseY(int32_t n);

// The scale of the view drawing, by which window points are divided before they are mapped.
extern float View_Scale[2];
