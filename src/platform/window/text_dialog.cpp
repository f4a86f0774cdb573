#include "platform/window/text_dialog.h"

#include "platform/window/file_dialog.h"
#include "platform/window/zenity.h"

namespace {

ZenityChild g_open;
TextDialogKind g_openKind = TextDialogKind::Message;

// The input prompt goes through the helper's escapes and access-key underlines.
std::string EscapePrompt(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\\' || c == '_') out += c;
    out += c;
  }
  return out;
}

int32_t Answer(TextDialogKind kind, int exitCode, std::string* text) {
  if (kind == TextDialogKind::Message) {
    text->clear();
    return kTextDialogOk;
  }
  if (exitCode != 0) {
    text->clear();
    return kTextDialogCancel;
  }
  if (kind == TextDialogKind::Question) {
    text->clear();
  } else if (!text->empty() && text->back() == '\n') {
    text->pop_back();
  }
  return kTextDialogOk;
}

}  // namespace

std::vector<std::string> TextDialog_Arguments(const TextDialogSpec& spec) {
  std::vector<std::string> args;
  switch (spec.kind) {
    case TextDialogKind::Input:
    case TextDialogKind::Password:
      args.emplace_back("--entry");
      if (spec.kind == TextDialogKind::Password) args.emplace_back("--hide-text");
      args.push_back("--text=" + EscapePrompt(spec.text));
      args.push_back("--entry-text=" + spec.entryText);
      break;
    case TextDialogKind::Question:
      args.emplace_back("--question");
      args.emplace_back("--no-markup");
      args.push_back("--text=" + spec.text);
      break;
    case TextDialogKind::Message:
      args.emplace_back("--info");
      args.emplace_back("--no-markup");
      args.push_back("--text=" + spec.text);
      break;
  }
  args.push_back("--title=" + spec.title);
  if (spec.width > 0) args.push_back("--width=" + std::to_string(spec.width));
  if (spec.height > 0) args.push_back("--height=" + std::to_string(spec.height));
  return args;
}

int32_t TextDialog_Run(const TextDialogSpec& spec, std::string* text) {
  text->clear();
  ZenityChild child;
  if (!FileDialog_HasDisplay() || !Zenity_Start(TextDialog_Arguments(spec), &child)) return kTextDialogUnavailable;
  int exitCode = -1;
  Zenity_Wait(&child, &exitCode, text);
  return Answer(spec.kind, exitCode, text);
}

bool TextDialog_Open(const TextDialogSpec& spec) {
  if (g_open.pid >= 0 || !FileDialog_HasDisplay()) return false;
  if (!Zenity_Start(TextDialog_Arguments(spec), &g_open)) return false;
  g_openKind = spec.kind;
  return true;
}

bool TextDialog_Poll(int32_t* answer, std::string* text) {
  int exitCode = -1;
  if (!Zenity_Poll(&g_open, &exitCode, text)) return false;
  *answer = Answer(g_openKind, exitCode, text);
  return true;
}

void TextDialog_Close() { Zenity_End(&g_open); }
