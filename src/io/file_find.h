// The result list of file_find_first, which file_find_next reads one name at a time.
#pragma once

#include <string>
#include <vector>

struct FileFindList {
  std::vector<std::string> names;  // in the order they were found
};

// Adds a name unless it is "." or "..", null, or already listed.
void FileFind_AddName(FileFindList* list, const char* name);
