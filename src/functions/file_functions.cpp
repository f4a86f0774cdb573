#include "functions/file_functions.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/argument_getters.h"
#include "core/console.h"
#include "core/function_registry.h"
#include "core/memory_manager.h"
#include "core/value.h"
#include "functions/handler_args.h"
#include "functions/http_functions.h"
#include "functions/json_functions.h"
#include "functions/zip_archive.h"
#include "io/file_find.h"
#include "functions/ini_functions.h"
#include "runtime/runner_options.h"
#include "runtime/error_report.h"
#include "io/file_search.h"
#include "io/file_services.h"
#include "io/load_save.h"
#include "platform/system/environment.h"
#include "platform/system/files.h"

namespace {

constexpr int32_t kFileSlots = 32;  // handles 1..31; record 0 of the text table is the legacy file
constexpr size_t kLegacyLineLimit = 1023;

constexpr const char* kNoHandleLeft = "Cannot open another file (maximum exceeded).";
constexpr const char* kNotOpenForReading = "File is not opened for reading.";
constexpr const char* kNotOpenForWriting = "File not opened for writing.";

enum BinaryMode : int32_t { kBinaryRead = 0, kBinaryWrite = 1, kBinaryReadWrite = 2 };
enum TextState : int32_t { kTextFree = 0, kTextReading = 1, kTextWriting = 2 };

struct BinaryFile {
  std::string path;
  int32_t mode = kBinaryRead;
  LoadSaveFile* file = nullptr;
  bool open = false;
};

struct TextFile {
  std::string path;
  LoadSaveFile* file = nullptr;
  int32_t state = kTextFree;
};

struct LegacyFile {
  FILE* stream = nullptr;
  int32_t state = kTextFree;
};

BinaryFile g_binaryFiles[kFileSlots];
TextFile g_textFiles[kFileSlots];
LegacyFile g_legacy;

struct FileSearch {
  FileFindList list;
  size_t next = 0;
  bool active = false;
} g_search;

// --- results and arguments ---------------------------------------------------------------------

void SetText(RValue* result, const std::string& text) { RValue_SetString(result, text.c_str()); }

bool IsHandle(int32_t handle) { return handle >= 1 && handle < kFileSlots; }

// --- paths -------------------------------------------------------------------------------------

// The full path of the copy a read takes: the save area's before the program directory's; "" when
// neither has the file.
std::string FoundPath(const char* name) {
  if (name == nullptr || name[0] == '\0') return std::string();
  if (LoadSave_SaveFileExists(name)) return LoadSave_MapSavePath(name);
  if (LoadSave_ProgramFileExists(name)) return LoadSave_MapReadPath(name);
  return std::string();
}

std::string SavePath(const char* name) {
  return name != nullptr && name[0] != '\0' ? LoadSave_MapSavePath(name) : std::string();
}

// --- binary files ------------------------------------------------------------------------------

void CloseBinary(BinaryFile* record) {
  LoadSave_FClose(record->file);  // writes the bytes back when the file was opened for writing
  record->file = nullptr;
  record->path.clear();
  record->open = false;
}

// The open record of the first argument, or null after the report.
BinaryFile* OpenBinary(int32_t argc, RValue* args) {
  const int32_t handle = Args{argc, args}.I(0);
  if (!IsHandle(handle) || !g_binaryFiles[handle].open) {
    Error_Report(false, "File is not opened.");
    return nullptr;
  }
  return &g_binaryFiles[handle];
}

void file_bin_open(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  Args_SetReal(result, -1);
  int32_t handle = 1;
  while (handle < kFileSlots && g_binaryFiles[handle].open) ++handle;
  if (handle == kFileSlots) {
    Error_Report(false, kNoHandleLeft);
    return;
  }
  BinaryFile& record = g_binaryFiles[handle];
  CloseBinary(&record);
  const char* name = Args{argc, args}.S(0);
  const int32_t mode = Args{argc, args}.I(1);
  std::string path = FoundPath(name);
  if (path.empty()) path = SavePath(name);
  const char* openMode = mode == kBinaryRead ? "rb" : mode == kBinaryWrite ? "wb" : "rw";
  if (mode != kBinaryRead) File_CreateParentDirectory(path.c_str());
  LoadSaveFile* file = path.empty() ? nullptr : LoadSave_FOpen(path.c_str(), openMode);
  if (file == nullptr) {
    Console_DebugOutput("Error opening binary file %s\n", name != nullptr ? name : "");
    return;
  }
  record.path = std::move(path);
  record.mode = mode == kBinaryRead || mode == kBinaryWrite ? mode : kBinaryReadWrite;
  record.file = file;
  record.open = true;
  Args_SetReal(result, handle);
}

void file_bin_rewrite(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const int32_t handle = Args{argc, args}.I(0);
  if (!IsHandle(handle) || !g_binaryFiles[handle].open) {
    Error_Report(false, "Trying to rewrite unopened file.");
    return;
  }
  BinaryFile& record = g_binaryFiles[handle];
  LoadSave_FClose(record.file);
  record.file = LoadSave_FOpen(record.path.c_str(), "wb+");
  record.mode = kBinaryWrite;
}

void file_bin_close(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const int32_t handle = Args{argc, args}.I(0);
  if (!IsHandle(handle) || !g_binaryFiles[handle].open) {
    Error_Report(false, "Trying to close unopened file.");
    return;
  }
  CloseBinary(&g_binaryFiles[handle]);
}

void file_bin_seek(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (BinaryFile* record = OpenBinary(argc, args)) {
    LoadSave_FSeek(record->file, Args{argc, args}.I64(1), 0);
  }
}

void file_bin_size(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (BinaryFile* record = OpenBinary(argc, args)) {
    const int64_t position = LoadSave_FTell(record->file);
    Args_SetReal(result, static_cast<double>(LoadSave_FSeek(record->file, 0, 2)));
    LoadSave_FSeek(record->file, position, 0);
  }
}

void file_bin_position(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (BinaryFile* record = OpenBinary(argc, args)) Args_SetReal(result, static_cast<double>(LoadSave_FTell(record->file)));
}

void file_bin_read_byte(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  BinaryFile* record = OpenBinary(argc, args);
  if (record == nullptr) return;
  if (record->mode == kBinaryWrite || LoadSave_FEof(record->file)) {
    Error_Report(false, "Error reading byte.");
    Args_SetReal(result, 0);
    return;
  }
  Args_SetReal(result, LoadSave_FGetC(record->file));
}

void file_bin_write_byte(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  BinaryFile* record = OpenBinary(argc, args);
  if (record == nullptr || record->mode == kBinaryRead) return;
  const uint8_t byte = static_cast<uint8_t>(Args{argc, args}.I(1) & 0xFF);
  LoadSave_FWrite(&byte, 1, 1, record->file);
}

// --- text files --------------------------------------------------------------------------------

void CloseText(TextFile* record) {
  LoadSave_FClose(record->file);  // writes the text back when it was opened for writing
  record->file = nullptr;
  record->path.clear();
  record->state = kTextFree;
}

// The lowest free text handle, or 0 after the report.
int32_t FreeTextHandle() {
  for (int32_t handle = 1; handle < kFileSlots; ++handle) {
    if (g_textFiles[handle].state == kTextFree) {
      CloseText(&g_textFiles[handle]);
      return handle;
    }
  }
  Error_Report(false, kNoHandleLeft);
  return 0;
}

void TakeText(RValue* result, int32_t handle, std::string path, LoadSaveFile* file, int32_t state) {
  TextFile& record = g_textFiles[handle];
  record.path = std::move(path);
  record.file = file;
  record.state = state;
  Args_SetReal(result, handle);
}

// The record of the first argument when it is in the state, or null after the report.
TextFile* TextIn(int32_t argc, RValue* args, int32_t state) {
  const int32_t handle = Args{argc, args}.I(0);
  if (!IsHandle(handle) || g_textFiles[handle].state != state) {
    Error_Report(false, state == kTextReading ? kNotOpenForReading : kNotOpenForWriting);
    return nullptr;
  }
  return &g_textFiles[handle];
}

void file_text_open_from_string(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  Args_SetReal(result, -1);
  const RValue* source = Args{argc, args}.V(0);
  if (source == nullptr || RValue_Kind(source) != VALUE_STRING) {
    Console_DebugOutput("ERROR!!! :: wrong type for filename\n");
    return;
  }
  const int32_t handle = FreeTextHandle();
  if (handle == 0) return;
  const char* text = WXGS(args, 0);
  const size_t size = text != nullptr ? std::strlen(text) : 0;
  TakeText(result, handle, "FileFromString", LoadSave_FOpenBytes(text, size), kTextReading);
}

void file_text_open_read(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  Args_SetReal(result, -1);
  const int32_t handle = FreeTextHandle();
  if (handle == 0) return;
  const char* name = Args{argc, args}.S(0);
  std::string path = FoundPath(name);
  LoadSaveFile* file = path.empty() ? nullptr : LoadSave_FOpen(path.c_str(), "rt");
  if (file == nullptr) {
    Console_DebugOutput("ERROR!!! :: Failed to open file: %s\n", name != nullptr ? name : "");
    return;
  }
  TakeText(result, handle, std::move(path), file, kTextReading);
}

// Opens the save-area file for writing: empty, or (append) with its contents and the position
// at their end.
void OpenTextForWriting(RValue* result, int32_t argc, RValue* args, bool append) {
  Args_SetReal(result, -1);
  const int32_t handle = FreeTextHandle();
  if (handle == 0) return;
  const char* name = Args{argc, args}.S(0);
  std::string path = SavePath(name);
  if (path.empty()) {
    Console_DebugOutput("ERROR!!! :: Failed to open file: %s\n", name != nullptr ? name : "");
    return;
  }
  File_CreateParentDirectory(path.c_str());
  if (append && !LoadSave_SaveFileExists(name)) {
    std::vector<uint8_t> bytes;
    if (LoadSave_ReadProgramFile(name, &bytes)) {
      LoadSave_WriteFile(path.c_str(), bytes.data(), static_cast<int32_t>(bytes.size()));
    }
  }
  TakeText(result, handle, path, LoadSave_FOpen(path.c_str(), append ? "a+" : "w"), kTextWriting);
}

void file_text_open_write(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  OpenTextForWriting(result, argc, args, false);
}

void file_text_open_append(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  OpenTextForWriting(result, argc, args, true);
}

void file_text_close(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const int32_t handle = Args{argc, args}.I(0);
  if (!IsHandle(handle)) {
    Error_Report(false, "Trying to close text file that has not been opened.");
    return;
  }
  if (g_textFiles[handle].state != kTextFree) CloseText(&g_textFiles[handle]);
}

void file_text_eof(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (TextFile* record = TextIn(argc, args, kTextReading)) Args_SetReal(result, LoadSave_FEof(record->file) ? 1 : 0);
}

void file_text_eoln(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (TextFile* record = TextIn(argc, args, kTextReading)) Args_SetReal(result, LoadSave_FEoln(record->file) ? 1 : 0);
}

void file_text_read_string(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  TextFile* record = TextIn(argc, args, kTextReading);
  if (record == nullptr) return;
  std::string text;
  while (!LoadSave_FEoln(record->file)) text += static_cast<char>(LoadSave_FGetC(record->file));
  SetText(result, text);
}

void file_text_read_real(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  TextFile* record = TextIn(argc, args, kTextReading);
  if (record == nullptr) return;
  double value = 0.0;
  LoadSave_FReadReal(record->file, &value);
  Args_SetReal(result, value);
}

void file_text_readln(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  TextFile* record = TextIn(argc, args, kTextReading);
  if (record == nullptr) return;
  std::string text;
  while (!LoadSave_FEof(record->file)) {
    const char c = static_cast<char>(LoadSave_FGetC(record->file));
    text += c;
    if (c == '\n') break;
  }
  SetText(result, text);
}

void file_text_write_string(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (TextFile* record = TextIn(argc, args, kTextWriting)) LoadSave_FPuts(record->file, Args{argc, args}.S(1));
}

void file_text_write_real(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  TextFile* record = TextIn(argc, args, kTextWriting);
  if (record == nullptr) return;
  char text[64];
  const int length = std::snprintf(text, sizeof text, "%g ", Args{argc, args}.R(1));
  if (length > 0) LoadSave_FWrite(text, 1, static_cast<size_t>(length), record->file);
}

void file_text_writeln(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (TextFile* record = TextIn(argc, args, kTextWriting)) LoadSave_FWrite("\r\n", 1, 2, record->file);
}

// --- the legacy file ---------------------------------------------------------------------------

// Legacy names reach the system as they are, with '\' read as '/'.
std::string LegacyName(const char* name) {
  std::string path = name != nullptr ? name : "";
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

void CloseLegacy() {
  if (g_legacy.stream != nullptr) std::fclose(g_legacy.stream);
  g_legacy = LegacyFile{};
}

void OpenLegacy(const char* name, const char* mode, int32_t state) {
  CloseLegacy();
  g_legacy.stream = System_OpenStream(LegacyName(name).c_str(), mode);
  if (g_legacy.stream != nullptr) g_legacy.state = state;
}

// The next character with the text mode's CR LF read as LF; EOF at the end.
int LegacyGetC() {
  int c = std::fgetc(g_legacy.stream);
  if (c == '\r') {
    const int after = std::fgetc(g_legacy.stream);
    if (after == '\n') return '\n';
    if (after != EOF) std::ungetc(after, g_legacy.stream);
  }
  return c;
}

bool LegacyReading() {
  if (g_legacy.state == kTextReading) return true;
  Error_Report(false, "File not opened for reading.");
  return false;
}

bool LegacyWriting() {
  if (g_legacy.state == kTextWriting) return true;
  Error_Report(false, kNotOpenForWriting);
  return false;
}

// Writes the text with every LF as CR LF, as the text mode does.
void LegacyWrite(const char* text) {
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c == '\n') std::fputc('\r', g_legacy.stream);
    std::fputc(*c, g_legacy.stream);
  }
}

void file_open_read(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const char* name = Args{argc, args}.S(0);
  CloseLegacy();
  if (name != nullptr && File_Exists(LegacyName(name).c_str())) OpenLegacy(name, "rb", kTextReading);
}

// Opens the named legacy file for writing; no name is the error `message`.
void OpenLegacyForWriting(int32_t argc, RValue* args, const char* mode, const char* message) {
  const char* name = Args{argc, args}.S(0);
  if (name == nullptr || name[0] == '\0') {
    Error_Report(false, message);
    return;
  }
  OpenLegacy(name, mode, kTextWriting);
}

void file_open_write(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  OpenLegacyForWriting(argc, args, "w+b", "Error opening file for writing.");
}

void file_open_append(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  OpenLegacyForWriting(argc, args, "a+b", "Error opening file for appending.");
}

void file_close(RValue*, CInstance*, CInstance*, int32_t, RValue*) { CloseLegacy(); }

void file_eof(RValue* result, CInstance*, CInstance*, int32_t, RValue*) {
  if (g_legacy.state != kTextReading) {
    Error_Report(false, kNotOpenForReading);
    return;
  }
  const int c = std::fgetc(g_legacy.stream);
  if (c != EOF) std::ungetc(c, g_legacy.stream);
  Args_SetReal(result, c == EOF ? 1 : 0);
}

// Characters up to a line end or the end of the file, at most 1023; the LF is kept when asked.
std::string LegacyReadLine(bool keepLineEnd) {
  std::string text;
  while (text.size() < kLegacyLineLimit) {
    const int c = LegacyGetC();
    if (c == EOF) break;
    if (c == '\n' || (c == '\r' && !keepLineEnd)) {
      if (keepLineEnd) text += '\n';
      break;
    }
    text += static_cast<char>(c);
  }
  return text;
}

void file_read_string(RValue* result, CInstance*, CInstance*, int32_t, RValue*) {
  if (LegacyReading()) SetText(result, LegacyReadLine(false));
}

void file_readln(RValue* result, CInstance*, CInstance*, int32_t, RValue*) {
  if (LegacyReading()) SetText(result, LegacyReadLine(true));
}

void file_read_real(RValue* result, CInstance*, CInstance*, int32_t, RValue*) {
  if (!LegacyReading()) return;
  double value = 0.0;
  if (std::fscanf(g_legacy.stream, "%lf", &value) != 1) value = 0.0;
  Args_SetReal(result, value);
}

void file_write_string(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const char* text = Args{argc, args}.S(0);
  if (LegacyWriting() && text != nullptr) LegacyWrite(text);
}

void file_write_real(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (LegacyWriting()) std::fprintf(g_legacy.stream, "%10.4f", Args{argc, args}.R(0));
}

void file_writeln(RValue*, CInstance*, CInstance*, int32_t, RValue*) {
  if (LegacyWriting()) LegacyWrite("\n");
}

// --- searches, files and directories -----------------------------------------------------------

void EndSearch() {
  g_search.list.names.clear();
  g_search.next = 0;
  g_search.active = false;
}

void file_find_next(RValue* result, CInstance*, CInstance*, int32_t, RValue*) {
  if (!g_search.active || g_search.next >= g_search.list.names.size()) {
    SetText(result, "");
    return;
  }
  SetText(result, g_search.list.names[g_search.next++]);
}

void file_find_first(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  EndSearch();
  const char* mask = Args{argc, args}.S(0);
  if (mask != nullptr && mask[0] != '\0') {
    const std::string saveMask = LoadSave_MapSavePath(mask);
    const std::string programMask = LoadSave_MapReadPath(mask);
    Win32_FindFiles(&g_search.list, saveMask.c_str(), programMask.c_str(), Args{argc, args}.R(1));
  }
  g_search.active = !g_search.list.names.empty();
  file_find_next(result, nullptr, nullptr, 0, nullptr);
}

void file_find_close(RValue*, CInstance*, CInstance*, int32_t, RValue*) { EndSearch(); }

void file_exists(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  Args_SetReal(result, FoundPath(Args{argc, args}.S(0)).empty() ? 0 : 1);
}

void file_delete(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const char* name = Args{argc, args}.S(0);
  const bool deleted = name != nullptr && LoadSave_SaveFileExists(name) && LoadSave_DeleteFile(name);
  Args_SetReal(result, deleted ? 1 : 0);
}

void file_rename(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const char* from = Args{argc, args}.S(0);
  bool renamed = false;
  if (from != nullptr && LoadSave_SaveFileExists(from)) {
    const std::string to = SavePath(Args{argc, args}.S(1));
    renamed = !to.empty() && System_RenameFile(LoadSave_MapSavePath(from).c_str(), to.c_str());
  }
  Args_SetReal(result, renamed ? 1 : 0);
}

void file_copy(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  Args_SetReal(result, -1);
  const char* source = Args{argc, args}.S(0);
  const char* destination = Args{argc, args}.S(1);
  const std::string sourcePath = FoundPath(source);
  std::vector<uint8_t> bytes;
  FILE* in = sourcePath.empty() ? nullptr : System_OpenStream(sourcePath.c_str(), "rb");
  if (in == nullptr && (source == nullptr || !LoadSave_ReadProgramFile(source, &bytes))) {
    Console_DebugOutput("Unable to open source file %s\n", source != nullptr ? source : "");
    return;
  }
  const std::string destinationPath = SavePath(destination);
  if (!destinationPath.empty()) File_CreateParentDirectory(destinationPath.c_str());
  FILE* out = destinationPath.empty() ? nullptr : System_OpenStream(destinationPath.c_str(), "wb");
  if (out == nullptr) {
    Console_DebugOutput("Unable to open destination file %s\n", destination != nullptr ? destination : "");
    if (in != nullptr) std::fclose(in);
    return;
  }
  bool ok = true;
  if (in != nullptr) {
    char piece[4096];
    size_t n;
    while ((n = std::fread(piece, 1, sizeof piece, in)) > 0) ok = ok && std::fwrite(piece, 1, n, out) == n;
    ok = ok && !std::ferror(in);
    std::fclose(in);
  } else if (!bytes.empty()) {
    ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  }
  ok = std::fclose(out) == 0 && ok;
  if (ok) Args_SetReal(result, 0);
}

bool DirectoryIn(const std::string& path) { return !path.empty() && File_DirectoryExists(path.c_str()); }

void directory_exists(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const char* name = Args{argc, args}.S(0);
  const bool exists = name != nullptr && name[0] != '\0' &&
                      (DirectoryIn(LoadSave_MapSavePath(name)) || DirectoryIn(LoadSave_MapReadPath(name)));
  Args_SetReal(result, exists ? 1 : 0);
}

void directory_create(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const std::string path = SavePath(Args{argc, args}.S(0));
  if (!path.empty()) File_CreateDirectoryTree(path.c_str());
  Args_SetReal(result, DirectoryIn(path) ? 1 : 0);
}

void directory_destroy(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const std::string path = SavePath(Args{argc, args}.S(0));
  if (DirectoryIn(path)) File_DeleteTree(path.c_str());
}

void file_attributes(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const char* name = Args{argc, args}.S(0);
  int32_t attributes = 0;
  if (name != nullptr && name[0] != '\0') {
    const std::string savePath = LoadSave_MapSavePath(name);
    if (!savePath.empty()) attributes = Win32_GetFileAttributes(savePath.c_str());
    const std::string programPath = attributes == 0 ? LoadSave_MapReadPath(name) : std::string();
    if (!programPath.empty()) attributes = Win32_GetFileAttributes(programPath.c_str());
  }
  Args_SetReal(result, attributes & 0x37);
}

// --- file names --------------------------------------------------------------------------------

// The position of the last '\', or when there is none the last '/'; npos without either.
size_t LastSeparator(const std::string& name) {
  const size_t backslash = name.rfind('\\');
  return backslash != std::string::npos ? backslash : name.rfind('/');
}

void filename_name(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const char* name = Args{argc, args}.S(0);
  const std::string text = name != nullptr ? name : "";
  const size_t cut = LastSeparator(text);
  SetText(result, cut == std::string::npos ? text : text.substr(cut + 1));
}

// The directory part of the name or, when it has none, of the file's found path; the closing
// separator '\' when asked. "" when neither gives one.
void DirectoryPart(RValue* result, int32_t argc, RValue* args, bool withSeparator, const char* nullMessage) {
  const char* name = Args{argc, args}.S(0);
  if (name == nullptr) {
    Error_Report(true, nullMessage);
    return;
  }
  std::string text = name;
  size_t cut = LastSeparator(text);
  if (cut == std::string::npos) {
    text = FoundPath(name);
    cut = LastSeparator(text);
  }
  if (cut == std::string::npos) {
    SetText(result, "");
    return;
  }
  SetText(result, text.substr(0, cut) + (withSeparator ? "\\" : ""));
}

void filename_path(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  DirectoryPart(result, argc, args, true, "null string passed to filename_path");
}

void filename_dir(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  DirectoryPart(result, argc, args, false, "null string passed to filename_dir");
}

// A path splitter's answer, freed after use.
void SetSplit(RValue* result, char* part) {
  SetText(result, part != nullptr ? part : "");
  MEM_FREE(part);
}

void filename_drive(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const char* name = Args{argc, args}.S(0);
  SetSplit(result, name != nullptr ? File_ExtractDrive(name) : nullptr);
}

void filename_ext(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const char* name = Args{argc, args}.S(0);
  SetSplit(result, name != nullptr ? File_ExtractExt(name) : nullptr);
}

void filename_change_ext(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const char* name = Args{argc, args}.S(0);
  const char* ext = Args{argc, args}.S(1);
  const std::string text = name != nullptr ? name : "";
  const std::string extension = ext != nullptr ? ext : "";
  const size_t dot = text.rfind('.');
  if (dot != std::string::npos) {
    SetText(result, text.substr(0, dot) + extension);
  } else {
    SetText(result, text + (!extension.empty() && extension[0] != '.' ? "." : "") + extension);
  }
}

// --- programs, the environment and parameters ----------------------------------------------------

void execute_program(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const char* program = Args{argc, args}.S(0);
  const bool started = program != nullptr && program[0] != '\0' &&
                       File_ExecuteProgram(program, Args{argc, args}.S(1), nullptr, Args{argc, args}.B(2));
  if (!started) Console_DebugOutput("Cannot execute %s\n", program != nullptr ? program : "");
  Args_SetReal(result, started ? 0 : -1);
}

void execute_shell(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const char* program = Args{argc, args}.S(0);
  if (program == nullptr || program[0] == '\0') {
    Args_SetReal(result, 0);
    return;
  }
  const bool opened = File_ShellExecute(program, Args{argc, args}.S(1), nullptr);
  if (!opened) Console_DebugOutput("Cannot execute %s\n", program);
  Args_SetReal(result, opened ? 0 : -1);
}

void environment_get_variable(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const char* name = Args{argc, args}.S(0);
  const char* value = System_GetEnvironmentVariable(name);
  SetText(result, value != nullptr ? value : "");
}

void parameter_count(RValue* result, CInstance*, CInstance*, int32_t, RValue*) {
  Args_SetReal(result, Runner_ParameterCount());
}

void parameter_string(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const char* text = Runner_ParameterString(Args{argc, args}.I(0));
  SetText(result, text != nullptr ? text : "");
}

// --- registration ------------------------------------------------------------------------------

struct FileFunction {
  const char* name;
  BuiltinHandler handler;
  int32_t argumentCount;
};

constexpr uint8_t kFileFunctionFlag = 0;

constexpr FileFunction kFileFunctions[] = {
    {"file_bin_open", file_bin_open, 2},
    {"file_bin_rewrite", file_bin_rewrite, 1},
    {"file_bin_close", file_bin_close, 1},
    {"file_bin_seek", file_bin_seek, 2},
    {"file_bin_size", file_bin_size, 1},
    {"file_bin_position", file_bin_position, 1},
    {"file_bin_read_byte", file_bin_read_byte, 1},
    {"file_bin_write_byte", file_bin_write_byte, 2},
    {"file_text_open_from_string", file_text_open_from_string, 1},
    {"file_text_open_read", file_text_open_read, 1},
    {"file_text_open_write", file_text_open_write, 1},
    {"file_text_open_append", file_text_open_append, 1},
    {"file_text_close", file_text_close, 1},
    {"file_text_eof", file_text_eof, 1},
    {"file_text_eoln", file_text_eoln, 1},
    {"file_text_read_string", file_text_read_string, 1},
    {"file_text_read_real", file_text_read_real, 1},
    {"file_text_readln", file_text_readln, 1},
    {"file_text_write_string", file_text_write_string, 2},
    {"file_text_write_real", file_text_write_real, 2},
    {"file_text_writeln", file_text_writeln, 1},
    {"file_open_read", file_open_read, 1},
    {"file_open_write", file_open_write, 1},
    {"file_open_append", file_open_append, 1},
    {"file_close", file_close, 0},
    {"file_eof", file_eof, 0},
    {"file_read_string", file_read_string, 0},
    {"file_read_real", file_read_real, 0},
    {"file_readln", file_readln, 0},
    {"file_write_string", file_write_string, 1},
    {"file_write_real", file_write_real, 1},
    {"file_writeln", file_writeln, 0},
    {"file_find_first", file_find_first, 2},
    {"file_find_next", file_find_next, 0},
    {"file_find_close", file_find_close, 0},
    {"file_exists", file_exists, 1},
    {"file_delete", file_delete, 1},
    {"file_rename", file_rename, 2},
    {"file_copy", file_copy, 2},
    {"directory_exists", directory_exists, 1},
    {"directory_create", directory_create, 1},
    {"directory_destroy", directory_destroy, 1},
    {"file_attributes", file_attributes, 2},
    {"filename_name", filename_name, 1},
    {"filename_path", filename_path, 1},
    {"filename_dir", filename_dir, 1},
    {"filename_drive", filename_drive, 1},
    {"filename_ext", filename_ext, 1},
    {"filename_change_ext", filename_change_ext, 2},
    {"execute_program", execute_program, 3},
    {"execute_shell", execute_shell, 2},
    {"environment_get_variable", environment_get_variable, 1},
    {"parameter_count", parameter_count, 0},
    {"parameter_string", parameter_string, 1},
};

// The archive's found path and the destination in the save area; the number of entries.
void zip_unzip(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const Args a{argc, args};
  const char* name = a.S(0);
  std::string archive = FoundPath(name);
  if (archive.empty()) archive = SavePath(name);
  const char* folder = a.S(1);
  std::string destination = SavePath(folder);
  // No folder named: the save area itself.
  if (folder == nullptr || folder[0] == '\0') destination = Win32_GetSaveDirectory();
  while (destination.size() > 1 && destination.back() == '/') destination.pop_back();
  Args_SetReal(result, Command_Unzip(archive.c_str(), destination.c_str(), 0, 0, nullptr));
}

// The HTTP, JSON and archive functions.
constexpr FileFunction kNetworkFunctions[] = {
    {"http_get", F_HttpGet, 1},         {"http_post_string", F_HttpPostString, 2}, {"http_get_file", F_HttpGetFile, 2},
    {"http_request", F_HttpRequest, 4}, {"json_encode", F_JsonEncode, 1},      {"json_decode", F_JsonDecode, 1},
    {"zip_unzip", zip_unzip, 2},
};

template <size_t N>
void Register(const FileFunction (&functions)[N]) {
  for (const FileFunction& f : functions) Builtin_Add(f.name, f.handler, f.argumentCount, kFileFunctionFlag);
}

}  // namespace

void File_CloseFiles() {
  for (BinaryFile& record : g_binaryFiles) CloseBinary(&record);
  for (TextFile& record : g_textFiles) CloseText(&record);
  CloseLegacy();
  EndSearch();
}

void InitFileFunctions() {
  File_CloseFiles();
  Register(kFileFunctions);
  Ini_RegisterFunctions(kFileFunctionFlag);
  Register(kNetworkFunctions);
}
