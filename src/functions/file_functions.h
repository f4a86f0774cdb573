// The File group of script functions: text, binary and legacy files, file searches, file and
// directory operations, file-name parts, programs, the environment and the command line; and
// the file services the runner uses directly.
#pragma once

// Closes every open text and binary file (writing back those open for writing) and the legacy
// file, and ends any search.
void File_CloseFiles();

// Empties the file tables, ends any search and registers the group (the INI, HTTP, JSON and zip
// functions among it).
void InitFileFunctions();
