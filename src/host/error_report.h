// The one reporter through which every runtime error of the runner passes.
#pragma once

struct SharedString;

// Builds the report for a message (null counts as empty) and shows it; a fatal error ends the game.
void Error_Report(bool fatal, const char* message);
// Logs and shows a finished report.
void Error_Show(const char* text, bool fatal);

// The last error text and whether any error was shown.
extern SharedString* error_last;
extern bool error_occurred;

// The last step of an error that ends the process. The default ends it with the exit code;
// a replacement (tests) may return, and the caller then goes on as after a returning report.
using ErrorEndProcessFn = void (*)(int exitCode);
// Installs fn (null: the default) and returns the step that was installed before.
ErrorEndProcessFn Error_SetEndProcess(ErrorEndProcessFn fn);
void Error_EndProcess(int exitCode);
