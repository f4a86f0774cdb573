#include "host/hooks.h"

#include <cstring>
#include <iterator>

#include "assets/asset_names_stand_in.h"
#include "assets/font.h"
#include "assets/render_hooks.h"
#include "assets/sprite_table.h"
#include "audio/audio_engine.h"
#include "audio/debug_views_stand_in.h"
#include "audio/sound_names_stand_in.h"
#include "core/function_registry.h"
#include "core/run_switches.h"
#include "core/type_conversions.h"
#include "core/value.h"
#include "core/vm_error.h"
#include "functions/buffer_functions.h"
#include "host/entry.h"
#include "host/error_dialog.h"
#include "io/options_file.h"
#include "net/async_events.h"
#include "net/debug_capture.h"
#include "functions/random.h"
#include "render/debug_overlay.h"
#include "render/frame_services.h"
#include "render/particles.h"
#include "render/overlay_draw.h"
#include "render/room_draw.h"
#include "render/shader_names_stand_in.h"
#include "runtime/debug_services.h"
#include "runtime/error_report.h"
#include "runtime/game_flags.h"
#include "script/js_object.h"
#include "vm/constants.h"
#include "vm/error_position.h"
#include "vm/extension_names_stand_in.h"
#include "vm/script_table.h"
#include "vm/vm_context.h"
#include "world/asset_names_stand_in.h"
#include "world/event_context.h"
#include "world/lifecycle.h"
#include "world/object.h"
#include "world/object_roots.h"
#include "world/room_table.h"
#include "world/saved_game.h"

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

void DescribeErrorContext(ErrorReportContext* context) {
  if (context->event.type == kEventTypeShader) {
    context->shaderName = Shader_ErrorContext.name;
    context->fragmentShader = Shader_ErrorContext.fragment;
  } else if (context->event.type == kEventTypeTimeline) {
    context->ownerName = TimeLine_Name(context->event.objectIndex);
  } else {
    context->eventName = Event_GetName(context->event.type, context->event.number);
    context->ownerName = Object_Name(context->event.objectIndex);
  }
  context->byteCode = VM_GetErrorPosition(&context->position);
}

bool ErrorToDebugger(const char* dialogText) {
  if (!Debug_IsConnected()) return false;
  Debug_SetErrorText(dialogText);
  Debug_WaitWhilePaused();
  return true;
}

bool ShowErrorDialog(const std::string& dialogText, bool allowIgnore) {
  g_ErrorForm.text = dialogText;
  g_ErrorForm.allowIgnore = allowIgnore;
  return ErrorDialog_Show(&g_ErrorForm) == 1;
}

bool NumericConstant(const char* name, double* value) {
  const RValue* constant = Constant_Lookup(name);
  if (constant == nullptr || RValue_Kind(constant) != VALUE_REAL) return false;
  *value = constant->val;
  return true;
}

// In the order a name is looked up: objects first, shaders last.
constexpr AssetFinder kAssetFinders[] = {
    {Object_Find, kAssetObject},         {Sprite_Find, kAssetSprite},     {Sound_Find, kAssetSound},
    {Audio_Find, kAssetSound},           {Background_Find, kAssetBackground}, {Path_Find, kAssetPath},
    {Font_Find, kAssetFont},             {TimeLine_Find, kAssetTimeLine}, {Script_Find, kAssetScript},
    {Room_Find, kAssetRoom},             {Shader_FindByName, kAssetShader}};

}  // namespace

void Runner_InstallHooks() {
  Constant_SetAssetFinders(kAssetFinders, static_cast<int32_t>(std::size(kAssetFinders)));
  OptionsFile_SetConstantLookup(&NumericConstant);
  Async_SetEventPoster(&AsyncQueue_PostEventMap);
  WXObject_SetRootVisitor(&World_VisitObjectRoots);
  TypeConversion_SetDefaultValue(&JS_Object_DefaultValue);
  AssetRenderHooks assets;
  assets.flush = &GraphicsFlush;
  assets.forgetTexture = &GR_BatchForgetTexture;
  assets.frameNumber = &DebugOverlay_FrameNumber;
  assets.debugFontSlot = &DebugOverlay_FontSlot;
  Assets_SetRenderHooks(assets);
  ParticleRandomSource random;
  random.real = &Random_Real;
  random.integer = &Random_Int;
  Particle_SetRandomSource(random);
  DebugOverlayAudioViews audioViews;
  audioViews.debug = &Audio_DrawDebug;
  audioViews.syncGroups = &Audio_DrawSyncDebug;
  DebugOverlay_SetAudioViews(audioViews);
  ErrorReportHooks errors;
  errors.describeContext = &DescribeErrorContext;
  errors.leaveFullScreen = &GR_D3D_ExitFullScreen;
  errors.toDebugger = &ErrorToDebugger;
  errors.showDialog = &ShowErrorDialog;
  Error_SetHooks(errors);
  VM_SetErrorHooks(EndAfterScriptError, StopWatchedCode);
  Builtin_SetCallableResolver(FindCallableAboveBuiltins);
  Console_SetCaptureHook(Debug_CaptureOutput);
  SavedGameHooks saves;
  saves.findBuffer = &GetBuffer;
  saves.sizeWindow = &Room_SizeWindow;
  SavedGame_SetHooks(saves);
}
