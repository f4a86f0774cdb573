#include "functions/draw_functions.h"

void Draw_RegisterFunctions(uint8_t) {}
