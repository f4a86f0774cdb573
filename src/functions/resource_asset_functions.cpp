// Script functions of legacy sounds, fonts, scripts, paths and timelines, with script_execute.
#include <cstdint>

#include "assets/font.h"
#include "assets/sprite_table.h"
#include "audio/audio_engine.h"
#include "audio/sound_names_stand_in.h"
#include "core/console.h"
#include "core/function_registry.h"
#include "functions/resource_handlers.h"
#include "runtime/error_report.h"
#include "runtime/game_header.h"
#include "vm/script_table.h"
#include "world/path.h"
#include "world/timeline.h"

namespace resource {
namespace {

// --- sounds -----------------------------------------------------------------------------------

bool NewAudio() { return g_GameOptions.newAudioEngine; }

BUILTIN_FN(SoundExists) {
  HANDLER_ARGS;
  SetBool(result, NewAudio() ? Audio_Exists(a.I(0)) : Sound_Exists(a.I(0)));
}
BUILTIN_FN(SoundName) {
  HANDLER_ARGS;
  SetText(result, NewAudio() ? Audio_GetName(a.I(0)) : Sound_Name(a.I(0)));
}
BUILTIN_FN(SoundGetKind) { HANDLER_ARGS; SetReal(result, Sound_GetKind(a.I(0))); }
BUILTIN_FN(SoundGetPreload) { HANDLER_ARGS; SetBool(result, Sound_GetPreload(a.I(0))); }
// Unloading and preparing belong to sounds the legacy table can load, which it cannot yet.
BUILTIN_FN(SoundDiscard) { HANDLER_ARGS; }
BUILTIN_FN(SoundRestore) { HANDLER_ARGS; }
BUILTIN_FN(SoundAdd) {
  HANDLER_ARGS;
  if (!NewAudio()) SetReal(result, Sound_Add(a.S(0), a.I(1), a.B(2)));
}
BUILTIN_FN(SoundReplace) {
  HANDLER_ARGS;
  if (NewAudio()) return;
  const int32_t sound = a.I(0);
  SetBool(result, Sound_Exists(sound) && Sound_Replace(sound, a.S(1), a.I(2), a.B(3)));
}
BUILTIN_FN(SoundDelete) {
  HANDLER_ARGS;
  if (!NewAudio()) DeleteExisting(result, a.I(0), Sound_Exists, Sound_Delete, "Trying to delete non-existing sound.");
}

// --- fonts ------------------------------------------------------------------------------------

BUILTIN_FN(FontExists) { HANDLER_ARGS; SetBool(result, Font_Exists(a.I(0))); }
BUILTIN_FN(FontName) { HANDLER_ARGS; SetText(result, Font_Name(a.I(0))); }
BUILTIN_FN(FontGetFontName) {
  HANDLER_ARGS;
  const CFontTL* f = Font_Data(a.I(0));
  SetText(result, f != nullptr ? f->GetFontName() : "");
}
BUILTIN_FN(FontGetSize) {
  HANDLER_ARGS;
  const CFontTL* f = Font_Data(a.I(0));
  SetReal(result, f != nullptr ? f->GetSize() : 0);
}
BUILTIN_FN(FontGetBold) {
  HANDLER_ARGS;
  const CFontTL* f = Font_Data(a.I(0));
  SetBool(result, f != nullptr && f->GetBold());
}
BUILTIN_FN(FontGetItalic) {
  HANDLER_ARGS;
  const CFontTL* f = Font_Data(a.I(0));
  SetBool(result, f != nullptr && f->GetItalic());
}
BUILTIN_FN(FontGetFirst) {
  HANDLER_ARGS;
  const CFontTL* f = Font_Data(a.I(0));
  SetReal(result, f != nullptr ? f->GetFirst() : -1);
}
BUILTIN_FN(FontGetLast) {
  HANDLER_ARGS;
  const CFontTL* f = Font_Data(a.I(0));
  SetReal(result, f != nullptr ? f->GetLast() : -1);
}

BUILTIN_FN(FontAdd) {
  HANDLER_ARGS;
  SetReal(result, Font_Add(a.S(0), a.I(1), a.B(2), a.B(3), a.I(4), a.I(5)));
}

// A font made from a sprite needs the sprite: without it the error and -1.
bool FontSpriteExists(RValue* result, int32_t sprite) {
  if (Sprite_Exists(sprite)) return true;
  Error_Report(false, "Trying to create font from non-existing sprite.");
  SetReal(result, -1);
  return false;
}

BUILTIN_FN(FontAddSprite) {
  HANDLER_ARGS;
  if (FontSpriteExists(result, a.I(0))) SetReal(result, Font_AddSprite(a.I(0), a.I(1), a.B(2), a.I(3)));
}

BUILTIN_FN(FontAddSpriteExt) {
  HANDLER_ARGS;
  if (FontSpriteExists(result, a.I(0))) SetReal(result, Font_AddSpriteExt(a.I(0), a.S(1), a.B(2), a.I(3)));
}

BUILTIN_FN(FontReplace) {
  HANDLER_ARGS;
  const int32_t font = a.I(0);
  if (!Font_Exists(font)) {
    Error_Report(false, "Trying to replace non-existing font.");
    SetReal(result, 0);
    return;
  }
  SetBool(result, Font_Replace(font, a.S(1), a.I(2), a.B(3), a.B(4), a.I(5), a.I(6)));
}

// A missing font is reported but the slot is still rebuilt (the rebuild fills an empty slot of
// the table); a missing sprite ends the call.
bool FontReplaceChecks(const Args& a) {
  if (!Font_Exists(a.I(0))) Error_Report(false, "Trying to replace non-existing font.");
  if (!Sprite_Exists(a.I(1))) {
    Error_Report(false, "Trying to replace font from non-existing sprite.");
    return false;
  }
  return true;
}

BUILTIN_FN(FontReplaceSprite) {
  HANDLER_ARGS;
  SetBool(result, FontReplaceChecks(a) && Font_ReplaceSprite(a.I(0), a.I(1), a.I(2), a.B(3), a.I(4)));
}

BUILTIN_FN(FontReplaceSpriteExt) {
  HANDLER_ARGS;
  SetBool(result, FontReplaceChecks(a) && Font_ReplaceSpriteExt(a.I(0), a.I(1), a.S(2), a.B(3), a.I(4)));
}

BUILTIN_FN(FontDelete) {
  HANDLER_ARGS;
  DeleteExisting(result, a.I(0), Font_Exists, Font_Delete, "Trying to delete non-existing font.");
}

// --- scripts ----------------------------------------------------------------------------------

BUILTIN_FN(ScriptExists) { HANDLER_ARGS; SetBool(result, Script_Exists(a.I(0))); }
BUILTIN_FN(ScriptName) { HANDLER_ARGS; SetText(result, Script_Name(a.I(0))); }
BUILTIN_FN(ScriptGetText) {
  HANDLER_ARGS;
  CScript* script = Script_Data(a.I(0));
  SetText(result, script != nullptr ? script->GetStream() : "");
}

constexpr int32_t kScriptExecuteValues = 16;

// Runs a script of compiled code by index with the arguments after it. (Byte code calls the
// interpreter's own form of it.)
BUILTIN_FN(ScriptExecute) {
  HANDLER_ARGS;
  const int32_t script = a.I(0);
  if (argc < 1 || !Script_Exists(script)) {
    Error_Report(false, "Trying to execute non-existing script.");
    return;
  }
  // The index and up to 15 arguments fit the call's 16 values.
  const int32_t n = argc > kScriptExecuteValues ? kScriptExecuteValues - 1 : argc - 1;
  RValue copies[kScriptExecuteValues];
  for (int32_t i = 0; i < n; ++i) {
    copies[i] = RValue_MakeUndefined();
    RValue_Assign(&copies[i], &argv[i + 1]);
  }
  RValue scriptResult = RValue_MakeReal(0.0);
  // The script releases the copies.
  Script_Perform(script, self, other, n, &scriptResult, n > 0 ? copies : nullptr);
  RValue_Release(result);
  *result = scriptResult;
}

// --- paths ------------------------------------------------------------------------------------

BUILTIN_FN(PathExists) { HANDLER_ARGS; SetBool(result, Path_Exists(a.I(0))); }
BUILTIN_FN(PathName) { HANDLER_ARGS; SetText(result, Path_Name(a.I(0))); }
BUILTIN_FN(PathGetLength) {
  HANDLER_ARGS;
  const CPath* p = Path_Data(a.I(0));
  SetReal(result, p != nullptr ? p->GetLength() : -1.0f);
}
BUILTIN_FN(PathGetTime) {
  HANDLER_ARGS;
  const CPath* p = Path_Data(a.I(0));
  SetReal(result, p != nullptr ? static_cast<float>(p->GetTime() * a.R(1)) : -1.0f);
}
template <int32_t (CPath::*Get)() const>
BUILTIN_FN(PathInt) {
  HANDLER_ARGS;
  const CPath* p = Path_Data(a.I(0));
  SetReal(result, p != nullptr ? (p->*Get)() : -1);
}
BUILTIN_FN(PathGetClosed) {
  HANDLER_ARGS;
  const CPath* p = Path_Data(a.I(0));
  SetBool(result, p != nullptr && p->GetClosed());
}
template <float PathPoint::*Field>
BUILTIN_FN(PathPointValue) {
  HANDLER_ARGS;
  const CPath* p = Path_Data(a.I(0));
  SetReal(result, p != nullptr ? p->GetPoint(a.I(1)).*Field : -1.0f);
}
template <float (CPath::*Get)(float) const>
BUILTIN_FN(PathPositionValue) {
  HANDLER_ARGS;
  const CPath* p = Path_Data(a.I(0));
  SetReal(result, p != nullptr ? (p->*Get)(a.F(1)) : -1.0f);
}

BUILTIN_FN(PathSetKind) {
  HANDLER_ARGS;
  if (CPath* p = Path_Data(a.I(0))) p->SetKind(a.I(1));
}
BUILTIN_FN(PathSetClosed) {
  HANDLER_ARGS;
  if (CPath* p = Path_Data(a.I(0))) p->SetClosed(a.B(1));
}
BUILTIN_FN(PathSetPrecision) {
  HANDLER_ARGS;
  if (CPath* p = Path_Data(a.I(0))) p->SetPrecision(a.I(1));
}
BUILTIN_FN(PathAdd) { HANDLER_ARGS; SetReal(result, Path_Add()); }
BUILTIN_FN(PathDuplicate) {
  HANDLER_ARGS;
  if (!Path_Exists(a.I(0))) {
    Error_Report(false, "Trying to duplicate non-existing path.");
    SetReal(result, 0);
    return;
  }
  SetReal(result, Path_Duplicate(a.I(0)));
}
BUILTIN_FN(PathAssign) {
  HANDLER_ARGS;
  if (!Path_Assign(a.I(0), a.I(1))) Error_Report(false, "Error assigning a path.");
}
BUILTIN_FN(PathAppend) {
  HANDLER_ARGS;
  CPath* target = Path_Data(a.I(0));
  const CPath* source = Path_Data(a.I(1));
  if (target == nullptr) Error_Report(false, "Appending to non-existing path.");
  if (source == nullptr) Error_Report(false, "Appending a non-existing path.");
  if (target != nullptr && source != nullptr) target->Append(source);
}
BUILTIN_FN(PathDelete) {
  HANDLER_ARGS;
  DeleteExisting(result, a.I(0), Path_Exists, Path_Delete, "Trying to delete non-existing path.");
}
BUILTIN_FN(PathAddPoint) {
  HANDLER_ARGS;
  if (CPath* p = Path_Data(a.I(0))) p->AddPoint(a.F(1), a.F(2), a.F(3));
}
BUILTIN_FN(PathInsertPoint) {
  HANDLER_ARGS;
  if (CPath* p = Path_Data(a.I(0))) p->InsertPoint(a.I(1), a.F(2), a.F(3), a.F(4));
}
BUILTIN_FN(PathChangePoint) {
  HANDLER_ARGS;
  if (CPath* p = Path_Data(a.I(0))) p->ChangePoint(a.I(1), a.F(2), a.F(3), a.F(4));
}
BUILTIN_FN(PathDeletePoint) {
  HANDLER_ARGS;
  if (CPath* p = Path_Data(a.I(0))) p->DeletePoint(a.I(1));
}
template <void (CPath::*Edit)()>
BUILTIN_FN(PathEdit) {
  HANDLER_ARGS;
  if (CPath* p = Path_Data(a.I(0))) (p->*Edit)();
}
BUILTIN_FN(PathRotate) {
  HANDLER_ARGS;
  if (CPath* p = Path_Data(a.I(0))) p->Rotate(a.F(1));
}
BUILTIN_FN(PathRescale) {
  HANDLER_ARGS;
  if (CPath* p = Path_Data(a.I(0))) p->Rescale(a.F(1), a.F(2));
}
BUILTIN_FN(PathShift) {
  HANDLER_ARGS;
  if (CPath* p = Path_Data(a.I(0))) p->Shift(a.F(1), a.F(2));
}

// --- timelines --------------------------------------------------------------------------------

BUILTIN_FN(TimeLineExists) { HANDLER_ARGS; SetBool(result, TimeLine_Exists(a.I(0))); }
BUILTIN_FN(TimeLineName) { HANDLER_ARGS; SetText(result, TimeLine_Name(a.I(0))); }
BUILTIN_FN(TimeLineAdd) { HANDLER_ARGS; SetReal(result, TimeLine_Add()); }
BUILTIN_FN(TimeLineDelete) {
  HANDLER_ARGS;
  DeleteExisting(result, a.I(0), TimeLine_Exists, TimeLine_Delete, "Trying to delete non-existing timeline.");
}
BUILTIN_FN(TimeLineMomentClear) {
  HANDLER_ARGS;
  if (CTimeLine* t = TimeLine_Data(a.I(0))) t->DeleteMoment(a.I(1));
}
BUILTIN_FN(TimeLineClear) {
  HANDLER_ARGS;
  if (CTimeLine* t = TimeLine_Data(a.I(0))) t->Clear();
}
BUILTIN_FN(TimeLineMomentAdd) {
  HANDLER_ARGS;
  Console_DebugOutput("timeline_moment_add :: deprecated function\n");
}
BUILTIN_FN(TimeLineMomentAddScript) {
  HANDLER_ARGS;
  CTimeLine* t = TimeLine_Data(a.I(0));
  if (t == nullptr) return;
  const int32_t time = a.I(1);
  if (t->FindMoment(time) < 0) {
    t->AddMoment(time, a.I(2));
  } else {
    t->SetMomentScript(time, a.I(2));
  }
}
BUILTIN_FN(TimeLineSize) {
  HANDLER_ARGS;
  const CTimeLine* t = TimeLine_Data(a.I(0));
  SetReal(result, t != nullptr ? t->GetCount() : -1);
}
BUILTIN_FN(TimeLineMaxMoment) {
  HANDLER_ARGS;
  const CTimeLine* t = TimeLine_Data(a.I(0));
  if (t == nullptr) {
    SetReal(result, -1);
  } else {
    SetReal(result, t->GetCount() > 0 ? t->GetTime(t->GetCount() - 1) : 0);
  }
}

}  // namespace

void RegisterSoundFunctions(uint8_t flag) {
  Builtin_Add("sound_name", SoundName, 1, flag);
  Builtin_Add("sound_exists", SoundExists, 1, flag);
  Builtin_Add("sound_get_name", SoundName, 1, flag);
  Builtin_Add("sound_get_kind", SoundGetKind, 1, flag);
  Builtin_Add("sound_get_preload", SoundGetPreload, 1, flag);
  Builtin_Add("sound_discard", SoundDiscard, 1, flag);
  Builtin_Add("sound_restore", SoundRestore, 1, flag);
  Builtin_Add("sound_add", SoundAdd, 3, flag);
  Builtin_Add("sound_replace", SoundReplace, 4, flag);
  Builtin_Add("sound_delete", SoundDelete, 1, flag);
}

void RegisterFontFunctions(uint8_t flag) {
  Builtin_Add("font_name", FontName, 1, flag);
  Builtin_Add("font_exists", FontExists, 1, flag);
  Builtin_Add("font_get_name", FontName, 1, flag);
  Builtin_Add("font_get_fontname", FontGetFontName, 1, flag);
  Builtin_Add("font_get_size", FontGetSize, 1, flag);
  Builtin_Add("font_get_bold", FontGetBold, 1, flag);
  Builtin_Add("font_get_italic", FontGetItalic, 1, flag);
  Builtin_Add("font_get_first", FontGetFirst, 1, flag);
  Builtin_Add("font_get_last", FontGetLast, 1, flag);
  Builtin_Add("font_add", FontAdd, 6, flag);
  Builtin_Add("font_replace", FontReplace, 7, flag);
  Builtin_Add("font_add_sprite", FontAddSprite, 4, flag);
  Builtin_Add("font_add_sprite_ext", FontAddSpriteExt, 4, flag);
  Builtin_Add("font_replace_sprite", FontReplaceSprite, 5, flag);
  Builtin_Add("font_replace_sprite_ext", FontReplaceSpriteExt, 5, flag);
  Builtin_Add("font_delete", FontDelete, 1, flag);
}

void RegisterScriptFunctions(uint8_t flag) {
  Builtin_Add("script_name", ScriptName, 1, flag);
  Builtin_Add("script_exists", ScriptExists, 1, flag);
  Builtin_Add("script_get_name", ScriptName, 1, flag);
  Builtin_Add("script_get_text", ScriptGetText, 1, flag);
  Builtin_Add("script_execute", ScriptExecute, kBuiltinAnyArgs, flag);
}

void RegisterPathFunctions(uint8_t flag) {
  Builtin_Add("path_name", PathName, 1, flag);
  Builtin_Add("path_exists", PathExists, 1, flag);
  Builtin_Add("path_get_name", PathName, 1, flag);
  Builtin_Add("path_get_length", PathGetLength, 1, flag);
  Builtin_Add("path_get_time", PathGetTime, 2, flag);
  Builtin_Add("path_get_kind", PathInt<&CPath::GetKind>, 1, flag);
  Builtin_Add("path_get_closed", PathGetClosed, 1, flag);
  Builtin_Add("path_get_precision", PathInt<&CPath::GetPrecision>, 1, flag);
  Builtin_Add("path_get_number", PathInt<&CPath::GetNumber>, 1, flag);
  Builtin_Add("path_get_point_x", PathPointValue<&PathPoint::x>, 2, flag);
  Builtin_Add("path_get_point_y", PathPointValue<&PathPoint::y>, 2, flag);
  Builtin_Add("path_get_point_speed", PathPointValue<&PathPoint::speed>, 2, flag);
  Builtin_Add("path_get_x", PathPositionValue<&CPath::GetX>, 2, flag);
  Builtin_Add("path_get_y", PathPositionValue<&CPath::GetY>, 2, flag);
  Builtin_Add("path_get_speed", PathPositionValue<&CPath::GetSpeed>, 2, flag);
  Builtin_Add("path_set_kind", PathSetKind, 2, flag);
  Builtin_Add("path_set_closed", PathSetClosed, 2, flag);
  Builtin_Add("path_set_precision", PathSetPrecision, 2, flag);
  Builtin_Add("path_add", PathAdd, 0, flag);
  Builtin_Add("path_duplicate", PathDuplicate, 1, flag);
  Builtin_Add("path_assign", PathAssign, 2, flag);
  Builtin_Add("path_append", PathAppend, 2, flag);
  Builtin_Add("path_delete", PathDelete, 1, flag);
  Builtin_Add("path_add_point", PathAddPoint, 4, flag);
  Builtin_Add("path_insert_point", PathInsertPoint, 5, flag);
  Builtin_Add("path_change_point", PathChangePoint, 5, flag);
  Builtin_Add("path_delete_point", PathDeletePoint, 2, flag);
  Builtin_Add("path_clear_points", PathEdit<&CPath::Clear>, 1, flag);
  Builtin_Add("path_reverse", PathEdit<&CPath::Reverse>, 1, flag);
  Builtin_Add("path_mirror", PathEdit<&CPath::Mirror>, 1, flag);
  Builtin_Add("path_flip", PathEdit<&CPath::Flip>, 1, flag);
  Builtin_Add("path_rotate", PathRotate, 2, flag);
  Builtin_Add("path_rescale", PathRescale, 3, flag);
  Builtin_Add("path_shift", PathShift, 3, flag);
}

void RegisterTimeLineFunctions(uint8_t flag) {
  Builtin_Add("timeline_name", TimeLineName, 1, flag);
  Builtin_Add("timeline_exists", TimeLineExists, 1, flag);
  Builtin_Add("timeline_get_name", TimeLineName, 1, flag);
  Builtin_Add("timeline_add", TimeLineAdd, 0, flag);
  Builtin_Add("timeline_delete", TimeLineDelete, 1, flag);
  Builtin_Add("timeline_moment_clear", TimeLineMomentClear, 2, flag);
  Builtin_Add("timeline_clear", TimeLineClear, 1, flag);
  Builtin_Add("timeline_moment_add", TimeLineMomentAdd, 3, flag);
  Builtin_Add("timeline_moment_add_script", TimeLineMomentAddScript, 3, flag);
  Builtin_Add("timeline_size", TimeLineSize, 1, flag);
  Builtin_Add("timeline_max_moment", TimeLineMaxMoment, 1, flag);
}

}  // namespace resource
