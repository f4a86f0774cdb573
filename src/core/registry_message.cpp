#include "core/registry_message.h"

#include "core/console.h"
#include "platform/window/message_box.h"

namespace {

// A box with one OK button where someone can answer it; otherwise the line goes to the log.
void PrintMessage(const char* text) {
  MessageBoxRequest request;
  request.caption = "Tolvarine";
  request.text = text;
  request.icon = MessageBoxIcon::Warning;
  MessageBox_Show(request);
}

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
