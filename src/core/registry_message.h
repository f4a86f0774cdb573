// Message boxes of the registries ("INTERNAL ERROR: Adding too many variables", invalid constant
// names), shown through the window layer's message boxes.
#pragma once

// Shows the text to the user (one OK button) and returns when it was dismissed.
void Registry_ShowMessage(const char* text);

// Replaces the step that shows the text (null: the window layer's box) and returns the one that
// was installed before; the window layer installs its dialog here, tests a recorder.
using RegistryMessageSink = void (*)(const char* text);
RegistryMessageSink Registry_SetMessageSink(RegistryMessageSink sink);
