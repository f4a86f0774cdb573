// Fatal runtime errors of script code. VM_Error serves the byte-code handlers, which have an
// interpreter context; VM_RuntimeError everything else that runs on a script's behalf.
//
// Both report the message as a fatal error and end the game: by ending the process (exit code -1
// for VM_Error, 1 for VM_RuntimeError) unless this game was launched by another one, in which
// case they request the game's end and return. While the debugger evaluates a watch expression
// they report nothing and only mark the evaluation as failed. A caller that goes on after a
// returning call must not rely on anything it computed after the failure.
#pragma once

struct VMContext;

// Set by the debugger for the time it runs a watch expression.
extern bool g_VMWatchEvaluation;
// Set by an error during a watch evaluation; cleared before code runs.
extern bool g_VMRunFailed;

// How a fatal error ends the game: report the message and end the process with the code or, in a
// launched game, end the game and return. The host installs it at start-up; without it the
// message goes to standard error and the process ends with the code.
using VMErrorEndFn = void (*)(const char* message, int exitCode);
// Stops the running code after its current instruction (a failed watch evaluation); installed by
// the interpreter's owner at start-up, without it only the run is marked failed.
using VMWatchStopFn = void (*)(VMContext* context);
void VM_SetErrorHooks(VMErrorEndFn end, VMWatchStopFn stop);

// Messages are cut to 1023 bytes (on a character boundary).
void VM_Error(VMContext* context, const char* format, ...) __attribute__((format(printf, 2, 3)));
void VM_RuntimeError(const char* format, ...) __attribute__((format(printf, 1, 2)));
