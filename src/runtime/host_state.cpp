#include "runtime/host_state.h"

#include <cstring>

#include "core/memory_manager.h"

HostState g_Host;
std::string g_CommandLine;
char* g_pGameFilePath = nullptr;
char* g_pExitTarget = nullptr;
GameChangeRequest g_GameChange;
char* working_directory = nullptr;
char* game_project_name = nullptr;

char* Host_DupText(const char* text) { return text != nullptr ? Host_DupTextN(text, std::strlen(text)) : nullptr; }

char* Host_DupTextN(const char* text, size_t length) {
  char* copy = static_cast<char*>(MEM_ALLOC(length + 1));
  if (length != 0) std::memcpy(copy, text, length);
  copy[length] = '\0';
  return copy;
}

void Host_ReplaceText(char** slot, const char* text) {
  char* copy = Host_DupText(text);
  Host_FreeText(slot);
  *slot = copy;
}

void Host_FreeText(char** slot) {
  if (*slot != nullptr) MEM_FREE(*slot);
  *slot = nullptr;
}

void Runner_RequestGameChange(const char* target, const char* exitTarget, const char* savePrefix) {
  Host_ReplaceText(&g_GameChange.target, target);
  Host_ReplaceText(&g_GameChange.exitTarget, exitTarget);
  Host_ReplaceText(&g_GameChange.savePrefix, savePrefix);
}
