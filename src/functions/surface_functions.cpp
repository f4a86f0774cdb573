#include "functions/surface_functions.h"

void Surface_RegisterFunctions(uint8_t) {}
