#include "platform/window/message_box.h"

#include <cstdio>

void MessageBox_ShowFatal(const char* caption, const char* text) {
  std::fprintf(stderr, "%s: %s\n", caption, text);
  std::fflush(stderr);
}
