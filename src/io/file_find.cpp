#include "io/file_find.h"

#include <algorithm>
#include <cstring>

void FileFind_AddName(FileFindList* list, const char* name) {
  if (list == nullptr || name == nullptr) return;
  if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return;
  if (std::find(list->names.begin(), list->names.end(), name) != list->names.end()) return;
  list->names.emplace_back(name);
}
