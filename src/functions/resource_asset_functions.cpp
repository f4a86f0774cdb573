// Script functions of legacy sounds, fonts, scripts, paths and timelines, with script_execute.
#include <cstdint>

#include "assets/font.h"
#include "assets/sprite_table.h"
#include "audio/audio_engine.h"
#include "audio/sound_names_stand_in.h"
#include "core/console.h"
#include "core/function_registry.h"
#include "functions/resource_handlers.h"
#include "host/error_report.h"
#include "host/game_header.h"
#include "vm/script_table.h"
#include "world/path.h"
#include "world/timeline.h"

namespace resource {
namespace {

// --- sounds -----------------------------------------------------------------------------------

bool NewAudio() { return g_GameOptions.newAudioEngine; }

RESOURCE_FN(SoundExists) {
  RESOURCE_ARGS;
  SetBool(result, NewAudio() ? Audio_Exists(a.I(0)) : Sound_Exists(a.I(0)));
}
RESOURCE_FN(SoundName) {
  RESOURCE_ARGS;
  SetText(result, NewAudio() ? Audio_GetName(a.I(0)) : Sound_Name(a.I(0)));
}
RESOURCE_FN(SoundGetKind) { RESOURCE_ARGS; SetReal(result, Sound_GetKind(a.I(0))); }
RESOURCE_FN(SoundGetPreload) { RESOURCE_ARGS; SetBool(result, Sound_GetPreload(a.I(0))); }
// Unloading and preparing belong to sounds the legacy table can load, which it cannot yet.
RESOURCE_FN(SoundDiscard) { RESOURCE_ARGS; }
RESOURCE_FN(SoundRestore) { RESOURCE_ARGS; }
RESOURCE_FN(SoundAdd) {
  RESOURCE_ARGS;
  if (!NewAudio()) SetReal(result, Sound_Add(a.S(0), a.I(1), a.B(2)));
}
RESOURCE_FN(SoundReplace) {
  RESOURCE_ARGS;
  if (NewAudio()) return;
  const int32_t sound = a.I(0);
  SetBool(result, Sound_Exists(sound) && Sound_Replace(sound, a.S(1), a.I(2), a.B(3)));
}
RESOURCE_FN(SoundDelete) {
  RESOURCE_ARGS;
  if (!NewAudio()) DeleteExisting(result, a.I(0), Sound_Exists, Sound_Delete, "Trying to delete non-existing sound.");
}

// --- fonts ------------------------------------------------------------------------------------

RESOURCE_FN(FontExists) { RESOURCE_ARGS; SetBool(result, Font_Exists(a.I(0))); }
RESOURCE_FN(FontName) { RESOURCE_ARGS; SetText(result, Font_Name(a.I(0))); }
RESOURCE_FN(FontGetFontName) {
  RESOURCE_ARGS;
  const CFontTL* f = Font_Data(a.I(0));
  SetText(result, f != nullptr ? f->GetFontName() : "");
}
RESOURCE_FN(FontGetSize) {
  RESOURCE_ARGS;
  const CFontTL* f = Font_Data(a.I(0));
  SetReal(result, f != nullptr ? f->GetSize() : 0);
}
RESOURCE_FN(FontGetBold) {
  RESOURCE_ARGS;
  const CFontTL* f = Font_Data(a.I(0));
  SetBool(result, f != nullptr && f->GetBold());
}
RESOURCE_FN(FontGetItalic) {
  RESOURCE_ARGS;
  const CFontTL* f = Font_Data(a.I(0));
  SetBool(result, f != nullptr && f->GetItalic());
}
RESOURCE_FN(FontGetFirst) {
  RESOURCE_ARGS;
  const CFontTL* f = Font_Data(a.I(0));
  SetReal(result, f != nullptr ? f->GetFirst() : -1);
}
RESOURCE_FN(FontGetLast) {
  RESOURCE_ARGS;
  const CFontTL* f = Font_Data(a.I(0));
  SetReal(result, f != nullptr ? f->GetLast() : -1);
}

RESOURCE_FN(FontAdd) {
  RESOURCE_ARGS;
  SetReal(result, Font_Add(a.S(0), a.I(1), a.B(2), a.B(3), a.I(4), a.I(5)));
}

// A font made from a sprite needs the sprite: without it the error and -1.
bool FontSpriteExists(RValue* result, int32_t sprite) {
  if (Sprite_Exists(sprite)) return true;
  Error_Report(false, "Trying to create font from non-existing sprite.");
  SetReal(result, -1);
  return false;
}

RESOURCE_FN(FontAddSprite) {
  RESOURCE_ARGS;
  if (FontSpriteExists(result, a.I(0))) SetReal(result, Font_AddSprite(a.I(0), a.I(1), a.B(2), a.I(3)));
}

RESOURCE_FN(FontAddSpriteExt) {
  RESOURCE_ARGS;
  if (FontSpriteExists(result, a.I(0))) SetReal(result, Font_AddSpriteExt(a.I(0), a.S(1), a.B(2), a.I(3)));
}

RESOURCE_FN(FontReplace) {
  RESOURCE_ARGS;
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

RESOURCE_FN(FontReplaceSprite) {
  RESOURCE_ARGS;
  SetBool(result, FontReplaceChecks(a) && Font_ReplaceSprite(a.I(0), a.I(1), a.I(2), a.B(3), a.I(4)));
}

RESOURCE_FN(FontReplaceSpriteExt) {
  RESOURCE_ARGS;
  SetBool(result, FontReplaceChecks(a) && Font_ReplaceSpriteExt(a.I(0), a.I(1), a.S(2), a.B(3), a.I(4)));
}

RESOURCE_FN(FontDelete) {
  RESOURCE_ARGS;
  DeleteExisting(result, a.I(0), Font_Exists, Font_Delete, "Trying to delete non-existing font.");
}

// --- scripts ----------------------------------------------------------------------------------

RESOURCE_FN(ScriptExists) { RESOURCE_ARGS; SetBool(result, Script_Exists(a.I(0))); }
RESOURCE_FN(ScriptName) { RESOURCE_ARGS; SetText(result, Script_Name(a.I(0))); }
RESOURCE_FN(ScriptGetText) {
  RESOURCE_ARGS;
  CScript* script = Script_Data(a.I(0));
  SetText(result, script != nullptr ? script->GetStream() : "");
}

constexpr int32_t kScriptExecuteValues = 16;

// Runs a script of compiled code by index with the arguments after it. (Byte code calls the
// interpreter's own form of it.)
RESOURCE_FN(ScriptExecute) {
  RESOURCE_ARGS;
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

RESOURCE_FN(PathExists) { RESOURCE_ARGS; SetBool(result, Path_Exists(a.I(0))); }
RESOURCE_FN(PathName) { RESOURCE_ARGS; SetText(result, Path_Name(a.I(0))); }
RESOURCE_FN(PathGetLength) {
  RESOURCE_ARGS;
  const CPath* p = Path_Data(a.I(0));
  SetReal(result, p != nullptr ? p->GetLength() : -1.0f);
}
RESOURCE_FN(PathGetTime) {
  RESOURCE_ARGS;
  const CPath* p = Path_Data(a.I(0));
  SetReal(result, p != nullptr ? static_cast<float>(p->GetTime() * a.R(1)) : -1.0f);
}
template <int32_t (CPath::*Get)() const>
RESOURCE_FN(PathInt) {
  RESOURCE_ARGS;
  const CPath* p = Path_Data(a.I(0));
  SetReal(result, p != nullptr ? (p->*Get)() : -1);
}
RESOURCE_FN(PathGetClosed) {
  RESOURCE_ARGS;
  const CPath* p = Path_Data(a.I(0));
  SetBool(result, p != nullptr && p->GetClosed());
}
template <float PathPoint::*Field>
RESOURCE_FN(PathPointValue) {
  RESOURCE_ARGS;
  const CPath* p = Path_Data(a.I(0));
  SetReal(result, p != nullptr ? p->GetPoint(a.I(1)).*Field : -1.0f);
}
template <float (CPath::*Get)(float) const>
RESOURCE_FN(PathPositionValue) {
  RESOURCE_ARGS;
  const CPath* p = Path_Data(a.I(0));
  SetReal(result, p != nullptr ? (p->*Get)(a.F(1)) : -1.0f);
}

RESOURCE_FN(PathSetKind) {
  RESOURCE_ARGS;
  if (CPath* p = Path_Data(a.I(0))) p->SetKind(a.I(1));
}
RESOURCE_FN(PathSetClosed) {
  RESOURCE_ARGS;
  if (CPath* p = Path_Data(a.I(0))) p->SetClosed(a.B(1));
}
RESOURCE_FN(PathSetPrecision) {
  RESOURCE_ARGS;
  if (CPath* p = Path_Data(a.I(0))) p->SetPrecision(a.I(1));
}
RESOURCE_FN(PathAdd) { RESOURCE_ARGS; SetReal(result, Path_Add()); }
RESOURCE_FN(PathDuplicate) {
  RESOURCE_ARGS;
  if (!Path_Exists(a.I(0))) {
    Error_Report(false, "Trying to duplicate non-existing path.");
    SetReal(result, 0);
    return;
  }
  SetReal(result, Path_Duplicate(a.I(0)));
}
RESOURCE_FN(PathAssign) {
  RESOURCE_ARGS;
  if (!Path_Assign(a.I(0), a.I(1))) Error_Report(false, "Error assigning a path.");
}
RESOURCE_FN(PathAppend) {
  RESOURCE_ARGS;
  CPath* target = Path_Data(a.I(0));
  const CPath* source = Path_Data(a.I(1));
  if (target == nullptr) Error_Report(false, "Appending to non-existing path.");
  if (source == nullptr) Error_Report(false, "Appending a non-existing path.");
  if (target != nullptr && source != nullptr) target->Append(source);
}
RESOURCE_FN(PathDelete) {
  RESOURCE_ARGS;
  DeleteExisting(result, a.I(0), Path_Exists, Path_Delete, "Trying to delete non-existing path.");
}
RESOURCE_FN(PathAddPoint) {
  RESOURCE_ARGS;
  if (CPath* p = Path_Data(a.I(0))) p->AddPoint(a.F(1), a.F(2), a.F(3));
}
RESOURCE_FN(PathInsertPoint) {
  RESOURCE_ARGS;
  if (CPath* p = Path_Data(a.I(0))) p->InsertPoint(a.I(1), a.F(2), a.F(3), a.F(4));
}
RESOURCE_FN(PathChangePoint) {
  RESOURCE_ARGS;
  if (CPath* p = Path_Data(a.I(0))) p->ChangePoint(a.I(1), a.F(2), a.F(3), a.F(4));
}
RESOURCE_FN(PathDeletePoint) {
  RESOURCE_ARGS;
  if (CPath* p = Path_Data(a.I(0))) p->DeletePoint(a.I(1));
}
template <void (CPath::*Edit)()>
RESOURCE_FN(PathEdit) {
  RESOURCE_ARGS;
  if (CPath* p = Path_Data(a.I(0))) (p->*Edit)();
}
RESOURCE_FN(PathRotate) {
  RESOURCE_ARGS;
  if (CPath* p = Path_Data(a.I(0))) p->Rotate(a.F(1));
}
RESOURCE_FN(PathRescale) {
  RESOURCE_ARGS;
  if (CPath* p = Path_Data(a.I(0))) p->Rescale(a.F(1), a.F(2));
}
RESOURCE_FN(PathShift) {
  RESOURCE_ARGS;
  if (CPath* p = Path_Data(a.I(0))) p->Shift(a.F(1), a.F(2));
}

// --- timelines --------------------------------------------------------------------------------

RESOURCE_FN(TimeLineExists) { RESOURCE_ARGS; SetBool(result, TimeLine_Exists(a.I(0))); }
RESOURCE_FN(TimeLineName) { RESOURCE_ARGS; SetText(result, TimeLine_Name(a.I(0))); }
RESOURCE_FN(TimeLineAdd) { RESOURCE_ARGS; SetReal(result, TimeLine_Add()); }
RESOURCE_FN(TimeLineDelete) {
  RESOURCE_ARGS;
  DeleteExisting(result, a.I(0), TimeLine_Exists, TimeLine_Delete, "Trying to delete non-existing timeline.");
}
RESOURCE_FN(TimeLineMomentClear) {
  RESOURCE_ARGS;
  if (CTimeLine* t = TimeLine_Data(a.I(0))) t->DeleteMoment(a.I(1));
}
RESOURCE_FN(TimeLineClear) {
  RESOURCE_ARGS;
  if (CTimeLine* t = TimeLine_Data(a.I(0))) t->Clear();
}
RESOURCE_FN(TimeLineMomentAdd) {
  RESOURCE_ARGS;
  Console_DebugOutput("timeline_moment_add :: deprecated function\n");
}
RESOURCE_FN(TimeLineMomentAddScript) {
  RESOURCE_ARGS;
  CTimeLine* t = TimeLine_Data(a.I(0));
  if (t == nullptr) return;
  const int32_t time = a.I(1);
  if (t->FindMoment(time) < 0) {
    t->AddMoment(time, a.I(2));
  } else {
    t->SetMomentScript(time, a.I(2));
  }
}
RESOURCE_FN(TimeLineSize) {
  RESOURCE_ARGS;
  const CTimeLine* t = TimeLine_Data(a.I(0));
  SetReal(result, t != nullptr ? t->GetCount() : -1);
}
RESOURCE_FN(TimeLineMaxMoment) {
  RESOURCE_ARGS;
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
