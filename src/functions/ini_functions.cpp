#include "functions/ini_functions.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/argument_getters.h"
#include "core/function_registry.h"
#include "core/memory_manager.h"
#include "core/value.h"
#include "core/value_text.h"
#include "io/ini_file.h"
#include "runtime/error_report.h"
#include "functions/handler_args.h"

namespace {

std::unique_ptr<IniFile> g_openIni;

constexpr const char* kReadUndefined = "Trying to read from undefined INI file";
constexpr const char* kChangeUndefined = "Trying to change undefined INI file";

// The open file, or null after the report.
IniFile* Require(const char* message) {
  if (g_openIni == nullptr) Error_Report(false, message);
  return g_openIni.get();
}

// Serialises (writing when changed) and drops the open file; its text.
std::string CloseOpen() {
  if (g_openIni == nullptr) return std::string();
  std::string text = g_openIni->Serialise();
  g_openIni.reset();
  return text;
}

BUILTIN_FN(ini_open) {
  HANDLER_ARGS;
  F_IniOpen(a.S(0));
}

BUILTIN_FN(ini_open_from_string) {
  HANDLER_ARGS;
  const char* text = a.S(0);
  CloseOpen();
  g_openIni = std::make_unique<IniFile>();
  g_openIni->Clear();
  g_openIni->OpenFromString(text);
}

BUILTIN_FN(ini_close) {
  const std::string text = CloseOpen();
  RValue_SetString(result, text.c_str());
}

BUILTIN_FN(ini_read_string) {
  HANDLER_ARGS;
  IniFile* ini = Require(kReadUndefined);
  if (ini == nullptr) return;
  const IniKey* key = ini->FindKey(a.S(0), a.S(1));
  if (key != nullptr) {
    RValue_SetString(result, key->value.c_str());
    return;
  }
  if (!a.Has(2)) {
    RValue_SetString(result, "");
    return;
  }
  char* cursor = nullptr;
  char* base = nullptr;
  size_t capacity = 0;
  RValue_AppendText(&cursor, &base, &capacity, a.V(2));
  RValue_SetString(result, base != nullptr ? base : "");
  MEM_FREE(base);
}

BUILTIN_FN(ini_read_real) {
  HANDLER_ARGS;
  const double fallback = a.R(2);
  Args_SetReal(result, F_IniReadReal(a.S(0), a.S(1), fallback));
}

BUILTIN_FN(ini_write_string) {
  HANDLER_ARGS;
  if (IniFile* ini = Require(kReadUndefined)) ini->WriteString(a.S(0), a.S(1), a.S(2));
}

BUILTIN_FN(ini_write_real) {
  HANDLER_ARGS;
  F_IniWriteReal(a.S(0), a.S(1), a.R(2));
}

BUILTIN_FN(ini_key_exists) {
  HANDLER_ARGS;
  if (IniFile* ini = Require(kReadUndefined)) Args_SetReal(result, ini->FindKey(a.S(0), a.S(1)) != nullptr ? 1.0 : 0.0);
}

BUILTIN_FN(ini_section_exists) {
  HANDLER_ARGS;
  if (IniFile* ini = Require(kReadUndefined)) Args_SetReal(result, ini->FindSection(a.S(0)) != nullptr ? 1.0 : 0.0);
}

BUILTIN_FN(ini_key_delete) {
  HANDLER_ARGS;
  if (IniFile* ini = Require(kChangeUndefined)) ini->DeleteKey(a.S(0), a.S(1));
}

BUILTIN_FN(ini_section_delete) {
  HANDLER_ARGS;
  if (IniFile* ini = Require(kChangeUndefined)) ini->DeleteSection(a.S(0));
}

}  // namespace

void F_IniOpen(const char* name) {
  if (name == nullptr) return;
  CloseOpen();
  g_openIni = std::make_unique<IniFile>(name, false);
}

double F_IniReadReal(const char* section, const char* key, double fallback) {
  IniFile* ini = Require(kReadUndefined);
  if (ini == nullptr) return fallback;
  const IniKey* found = ini->FindKey(section, key);
  return found != nullptr ? Ini_AtoF(found->value.c_str()) : fallback;
}

void F_IniWriteReal(const char* section, const char* key, double value) {
  IniFile* ini = Require(kReadUndefined);
  if (ini == nullptr) return;
  // "%f" of the largest double is 316 characters: the whole text is kept.
  char text[400];
  const auto written = std::to_chars(text, text + sizeof text - 1, value, std::chars_format::fixed, 6);
  *written.ptr = '\0';
  ini->WriteString(section, key, text);
}

IniFile* Ini_OpenFile() { return g_openIni.get(); }

void Ini_CloseOpenFile() { CloseOpen(); }

double Ini_AtoF(const char* text) {
  if (text == nullptr) return 0.0;
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
  const bool negative = *text == '-';
  if (*text == '+' || *text == '-') ++text;
  if (*text == '+' || *text == '-') return 0.0;
  double value = 0.0;
  const char* end = text;
  while (*end != '\0') ++end;
  if (std::from_chars(text, end, value).ec == std::errc::invalid_argument) return 0.0;
  return negative ? -value : value;
}

void Ini_RegisterFunctions(uint8_t flag) {
  struct Entry {
    const char* name;
    BuiltinHandler handler;
    int32_t argumentCount;
  };
  static constexpr Entry kEntries[] = {
      {"ini_open", ini_open, 1},
      {"ini_open_from_string", ini_open_from_string, 1},
      {"ini_close", ini_close, 0},
      {"ini_read_string", ini_read_string, 3},
      {"ini_read_real", ini_read_real, 3},
      {"ini_write_string", ini_write_string, 3},
      {"ini_write_real", ini_write_real, 3},
      {"ini_key_exists", ini_key_exists, 2},
      {"ini_section_exists", ini_section_exists, 1},
      {"ini_key_delete", ini_key_delete, 2},
      {"ini_section_delete", ini_section_delete, 1},
  };
  for (const Entry& e : kEntries) Builtin_Add(e.name, e.handler, e.argumentCount, flag);
}
