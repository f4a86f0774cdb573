#include "host/file_services_stand_in.h"

#include <string>

namespace {
std::string g_savePrefix;
}

void File_CreateTempDirectory() {}
void File_DeleteTempDirectory() {}
void LoadSave_SetSavePrefix(const char* prefix) { g_savePrefix = prefix != nullptr ? prefix : ""; }
const char* LoadSave_GetSavePrefix() { return g_savePrefix.c_str(); }
