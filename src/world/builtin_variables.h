// The built-in variables of the game and of instances: one getter and setter pair each, entered in
// the built-in variable table in a fixed order (the entry index is the variable's id, which stored
// byte code and translated code rely on).
#pragma once

// The 84 instance variables (ids 0..83), then the 123 variables of the game.
void Variable_BuiltIn_InitInstance();
void Variable_BuiltIn_InitGlobal();
