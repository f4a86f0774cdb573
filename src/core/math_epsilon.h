// The tolerance within which two reals compare equal; math_set_epsilon changes it.
#pragma once

extern double Math_Epsilon;
