#include "core/registry_message.h"

#include "core/console.h"
#include "platform/window/message_box.h"

namespace {

void PrintMessage(const char* text) { MessageBox_ShowFatal("Tolvarine", text); }

RegistryMessageSink g_sink = &PrintMessage;

}  // namespace

void Registry_ShowMessage(const char* text) {
  if (text == nullptr) text = "";
  Console_DebugOutput("%s\n", text);
  g_sink(text);
}

RegistryMessageSink Registry_SetMessageSink(RegistryMessageSink sink) {
  RegistryMessageSink previous = g_sink;
  g_sink = sink != nullptr ? sink : &PrintMessage;
  return previous;
}
