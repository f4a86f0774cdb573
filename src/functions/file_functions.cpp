#include "functions/file_functions.h"

#include "core/memory_manager.h"
#include "host/file_services.h"

void File_CreateParentDirectory(const char* path) {
  if (path == nullptr) return;
  char* parent = File_ExtractPath(path);
  if (parent[0] != '\0') File_CreateDirectoryTree(parent);
  MEM_FREE(parent);
}
