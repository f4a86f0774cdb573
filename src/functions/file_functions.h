// File services of the script library that the runner uses directly.
#pragma once

// Creates every missing directory of the part of the path before its last separator.
void File_CreateParentDirectory(const char* path);
