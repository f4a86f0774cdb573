#include "world/world_texts.h"

char* working_directory = nullptr;
char* game_project_name = nullptr;
