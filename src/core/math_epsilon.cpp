#include "core/math_epsilon.h"

double Math_Epsilon = 1e-10;
