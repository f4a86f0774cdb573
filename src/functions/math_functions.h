// The Math group of script functions: type tests, array access by call, random numbers, numbers,
// strings and geometry.
#pragma once

// Registers the group's 108 functions in the built-in table, in their fixed order.
void InitMathFunctions();
