#include "functions/display_functions.h"

void Display_RegisterFunctions(uint8_t) {}
