#include "io/file_dialogs.h"

#include <cstring>

#include "core/run_switches.h"
#include "platform/window/file_dialog.h"

namespace {

std::string g_result;

std::vector<std::string> SplitOn(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The file the dialog offers at first: a name with its own directory stands alone.
std::string InitialPath(const char* name, const char* directory) {
  const std::string file = name != nullptr ? name : "";
  if (file.find('/') != std::string::npos) return file;
  std::string path = directory != nullptr ? directory : "";
  if (!path.empty() && path.back() != '/') path += '/';
  return path + file;
}

const char* Show(FileDialogRequest& request, const char* filter, const char* name, const char* directory,
                 const char* title) {
  if (g_IsHeadless) return nullptr;
  request.title = title != nullptr ? title : "";
  request.initialPath = InitialPath(name, directory);
  request.filters = FileDialog_ParseFilter(filter);
  std::string chosen;
  if (!FileDialog_Show(request, &chosen)) return nullptr;
  g_result = chosen;
  return g_result.c_str();
}

}  // namespace

std::vector<FileDialogFilter> FileDialog_ParseFilter(const char* filter) {
  std::vector<FileDialogFilter> filters;
  if (filter == nullptr || filter[0] == '\0') return filters;
  const std::vector<std::string> parts = SplitOn(filter, '|');
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    FileDialogFilter line;
    line.name = parts[i];
    for (const std::string& raw : SplitOn(parts[i + 1], ';')) {
      std::string pattern = Trim(raw);
      if (pattern.empty()) continue;
      // The desktop's "*.*" is every file, names without a dot included.
      if (pattern == "*.*") pattern = "*";
      line.patterns.push_back(pattern);
    }
    if (line.patterns.empty()) line.patterns.emplace_back("*");
    filters.push_back(std::move(line));
  }
  return filters;
}

std::string FileDialog_DefaultExtension(const char* filter) {
  if (filter == nullptr) return std::string();
  const char* bar = std::strchr(filter, '|');
  if (bar == nullptr) return std::string();
  const char* dot = std::strchr(bar + 1, '.');
  if (dot == nullptr) return std::string();
  const size_t length = std::strcspn(dot + 1, "|;");
  std::string extension = Trim(std::string(dot + 1, length));
  // A pattern such as "*.*" or "*.tx?" names no one extension to add.
  if (extension.find_first_of("*?[ ") != std::string::npos) return std::string();
  return extension;
}

const char* Win32_GetOpenFileName(const char* filter, const char* name, const char* directory, const char* title) {
  FileDialogRequest request;
  return Show(request, filter, name, directory, title);
}

const char* Win32_GetSaveFileName(const char* filter, const char* name, const char* directory, const char* title) {
  FileDialogRequest request;
  request.save = true;
  request.confirmOverwrite = true;
  const char* chosen = Show(request, filter, name, directory, title);
  if (chosen == nullptr) return nullptr;
  const std::string extension = FileDialog_DefaultExtension(filter);
  const size_t slash = g_result.rfind('/');
  const std::string base = g_result.substr(slash == std::string::npos ? 0 : slash + 1);
  if (!extension.empty() && !base.empty() && base.find('.') == std::string::npos) g_result += "." + extension;
  return g_result.c_str();
}
