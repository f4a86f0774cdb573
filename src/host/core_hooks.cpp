#include "host/core_hooks.h"

#include <cstring>

#include "core/function_registry.h"
#include "core/run_switches.h"
#include "core/vm_error.h"
#include "host/entry.h"
#include "host/error_report.h"
#include "host/game_flags.h"
#include "net/debug_capture.h"
#include "net/extension_names_stand_in.h"
#include "vm/script_table.h"
#include "vm/vm_context.h"
#include "world/lifecycle.h"

namespace {

void EndAfterScriptError(const char* message, int exitCode) {
  Error_Report(true, message);
  if (g_Host.subGame) {
    F_GameEnd();
    return;
  }
  Error_EndProcess(exitCode);
}

void StopWatchedCode(VMContext* context) {
  context->pc = context->codeSize;
  context->depth = 0;
}

bool FindCallableAboveBuiltins(const char* name, int32_t* id) {
  const int32_t script = Script_Find(name);
  if (script >= 0) {
    *id = kCallableScriptBase + script;
    return true;
  }
  const int32_t extension = Extension_FindFunction(name);
  if (extension >= 0) {
    *id = kCallableExtensionBase + extension;
    return true;
  }
  if (!Game_CompiledMode() && std::strcmp(name, "script_execute") == 0) {
    *id = kCallableScriptExecute;
    return true;
  }
  return false;
}

}  // namespace

void Runner_InstallCoreHooks() {
  VM_SetErrorHooks(EndAfterScriptError, StopWatchedCode);
  Builtin_SetCallableResolver(FindCallableAboveBuiltins);
  Console_SetCaptureHook(Debug_CaptureOutput);
}
