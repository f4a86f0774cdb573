#include "functions/load_stand_in.h"

void InitInteractionFunctions() {}
void Score_Load() {}
