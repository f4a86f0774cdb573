#include "functions/load_stand_in.h"

void InitResourceFunctions() {}
