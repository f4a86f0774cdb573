// STAND-IN until physics is built: its registrar registers nothing yet.
#pragma once

void InitPhysicsFunctions();
