// Console capture for the remote debugger: while a debugger is attached and asks for it,
// every console line is handed to it as well.
#pragma once

void Debug_CaptureOutput(const char* text);
