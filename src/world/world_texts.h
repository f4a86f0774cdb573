// Texts owned by the game world that other modules read.
#pragma once

// Directory of the game file (up to and including its last separator); null until made.
// A memory-manager block.
extern char* working_directory;
// The game's name from its header; null when the header has none. A memory-manager block.
extern char* game_project_name;
