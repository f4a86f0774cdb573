#include "platform/window/file_dialog.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/window/zenity.h"

namespace {

bool NonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

}  // namespace

bool FileDialog_HasDisplay() { return NonEmptyEnv("DISPLAY") || NonEmptyEnv("WAYLAND_DISPLAY"); }

bool FileDialog_Show(const FileDialogRequest& request, std::string* path) {
  if (!FileDialog_HasDisplay()) return false;

  std::vector<std::string> args = {"--file-selection"};
  if (request.save) {
    args.emplace_back("--save");
    if (request.confirmOverwrite) args.emplace_back("--confirm-overwrite");
  }
  args.push_back("--title=" + request.title);
  if (!request.initialPath.empty()) args.push_back("--filename=" + request.initialPath);
  for (const FileDialogFilter& filter : request.filters) {
    std::string arg = "--file-filter=" + filter.name + " |";
    for (const std::string& pattern : filter.patterns) arg += " " + pattern;
    args.push_back(arg);
  }
  // Not installed: the dialog counts as cancelled.
  ZenityChild child;
  if (!Zenity_Start(args, &child)) return false;
  int exitCode = -1;
  std::string chosen;
  Zenity_Wait(&child, &exitCode, &chosen);
  if (exitCode != 0) return false;
  while (!chosen.empty() && (chosen.back() == '\n' || chosen.back() == '\r')) chosen.pop_back();
  if (chosen.empty()) return false;
  *path = chosen;
  return true;
}

bool FileDialog_Open(const char* title, const char* filterName, const char* pattern,
                     std::string* path) {
  FileDialogRequest request;
  request.title = title != nullptr ? title : "";
  request.filters.push_back(
      FileDialogFilter{filterName != nullptr ? filterName : "", {pattern != nullptr ? pattern : "*"}});
  return FileDialog_Show(request, path);
}
