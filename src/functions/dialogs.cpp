#include "functions/dialogs.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

#include "core/console.h"
#include "core/memory_manager.h"
#include "core/run_switches.h"
#include "functions/ds_map.h"
#include "io/program.h"
#include "render/d3d_device.h"

namespace {

constexpr const char* kLoginTitle = "Login";
constexpr const char* kLoginUserPrompt = "Username";
constexpr const char* kLoginPasswordPrompt = "Password";

// The dialog queue, newest first; the oldest request is the one on screen.
DIALOG_REQ_CONTEXT* g_dialogs = nullptr;

DialogBackend g_backend = {TextDialog_Run, TextDialog_Open, TextDialog_Poll, TextDialog_Close};

// The open asynchronous dialog. A login asks for its two fields in turn.
struct OpenDialog {
  int32_t id = -1;
  int32_t kind = kDialogInput;
  bool askingPassword = false;
  std::string userName;
};
OpenDialog g_open;

// --- texts -----------------------------------------------------------------------------------

// The bytes of the UTF-8 sequence that starts with this byte (a stray byte stands alone).
size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead < 0xF8) return 4;
  if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
  if (lead >= 0xC0) return 2;
  return 1;
}

std::string CutDefault(const char* text) {
  if (text == nullptr) return std::string();
  size_t length = std::strlen(text);
  if (length <= kDialogDefaultBytes) return std::string(text, length);
  length = kDialogDefaultBytes;
  // Back to the start of the character the cut would split.
  while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
  return std::string(text, length);
}

// An answer as the edit box holds it: at most 4,096 UTF-16 units, whole characters only.
std::string KeepAnswer(const std::string& text) {
  size_t units = 0;
  size_t at = 0;
  while (at < text.size()) {
    const size_t bytes = SequenceLength(static_cast<unsigned char>(text[at]));
    const size_t charUnits = bytes == 4 ? 2 : 1;
    if (units + charUnits > kDialogAnswerUnits || at + bytes > text.size()) break;
    units += charUnits;
    at += bytes;
  }
  return text.substr(0, at);
}

std::string LineFeeds(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (c == '\r') c = '\n';
  }
  return out;
}

std::string Text(const char* text) { return text != nullptr ? text : ""; }

// --- layout ----------------------------------------------------------------------------------

// Dialog units of the dialogs' 8-point font at 96 dots per inch.
DialogRect FromUnits(int32_t x, int32_t y, int32_t width, int32_t height) {
  return DialogRect{x * 3 / 2, y * 13 / 8, (x + width) * 3 / 2, (y + height) * 13 / 8};
}

void MeasureCells(const char* text, size_t length, bool, int32_t* width, int32_t* height) {
  int32_t characters = 0;
  for (size_t i = 0; i < length; i += SequenceLength(static_cast<unsigned char>(text[i]))) ++characters;
  *width = characters * 6;
  *height = 13;
}

DialogTextMeasure g_measure = MeasureCells;

TextDialogSpec Sized(TextDialogSpec spec, const DialogLayout& layout) {
  spec.width = layout.frame.Width();
  spec.height = layout.frame.Height();
  return spec;
}

TextDialogSpec InputSpec(const std::string& caption, const std::string& prompt, const std::string& defaultText) {
  DialogLayout layout = Dialog_Template(kDialogInput);
  Dialog_FitText(&layout, prompt.c_str(), kDialogIdInputPrompt, false,
                 {kDialogIdOk, kDialogIdCancel, kDialogIdInputEdit});
  TextDialogSpec spec;
  spec.kind = TextDialogKind::Input;
  spec.title = caption;
  spec.text = LineFeeds(prompt);
  spec.entryText = LineFeeds(defaultText);
  return Sized(spec, layout);
}

TextDialogSpec QuestionSpec(const std::string& caption, const std::string& text) {
  DialogLayout layout = Dialog_Template(kDialogQuestion);
  Dialog_FitText(&layout, text.c_str(), kDialogIdQuestionText, true, {kDialogIdYes, kDialogIdNo});
  TextDialogSpec spec;
  spec.kind = TextDialogKind::Question;
  spec.title = caption;
  spec.text = LineFeeds(text);
  return Sized(spec, layout);
}

TextDialogSpec MessageSpec(const std::string& caption, const std::string& text) {
  DialogLayout layout = Dialog_Template(kDialogMessage);
  Dialog_FitText(&layout, text.c_str(), kDialogIdMessageText, false, {kDialogIdOk});
  TextDialogSpec spec;
  spec.kind = TextDialogKind::Message;
  spec.title = caption;
  spec.text = LineFeeds(text);
  return Sized(spec, layout);
}

TextDialogSpec LoginSpec(const DIALOG_REQ_CONTEXT& request, bool password) {
  TextDialogSpec spec;
  spec.kind = password ? TextDialogKind::Password : TextDialogKind::Input;
  spec.title = kLoginTitle;
  spec.text = password ? kLoginPasswordPrompt : kLoginUserPrompt;
  spec.entryText = password ? request.m_second : request.m_first;
  return spec;
}

TextDialogSpec SpecOf(const DIALOG_REQ_CONTEXT& request) {
  switch (request.m_kind) {
    case kDialogInput: return InputSpec(request.m_first, request.m_second, request.m_third);
    case kDialogQuestion: return QuestionSpec(request.m_first, request.m_second);
    case kDialogMessage: return MessageSpec(request.m_first, request.m_second);
    default: return LoginSpec(request, false);
  }
}

// --- the queue -------------------------------------------------------------------------------

AsyncCompletionFn CompletionOf(int32_t kind) {
  switch (kind) {
    case kDialogInput: return Dialog_InputResult;
    case kDialogQuestion: return Dialog_QuestionResult;
    case kDialogMessage: return Dialog_MessageResult;
    default: return Dialog_LoginResult;
  }
}

DIALOG_REQ_CONTEXT* FindRequest(int32_t id) {
  for (HTTP_REQ_CONTEXT* record = g_pHttpHead; record != nullptr; record = record->m_pNext) {
    if (record->m_id == id) return dynamic_cast<DIALOG_REQ_CONTEXT*>(record);
  }
  return nullptr;
}

void Unlink(const DIALOG_REQ_CONTEXT* request) {
  for (DIALOG_REQ_CONTEXT** link = &g_dialogs; *link != nullptr; link = &(*link)->m_pNextDialog) {
    if (*link == request) {
      *link = request->m_pNextDialog;
      return;
    }
  }
}

void CloseOpen() {
  if (g_open.id >= 0 && g_backend.close != nullptr) g_backend.close();
  g_open = OpenDialog{};
  Win32_SetModelessDialog(nullptr);
}

// A dialog that cannot be shown answers at once: Cancel or No, and a message is logged and OK.
void AnswerAtOnce(const DIALOG_REQ_CONTEXT& request) {
  switch (request.m_kind) {
    case kDialogMessage:
      Console_Output("%s: %s\n", request.m_first.c_str(), LineFeeds(request.m_second).c_str());
      Dialog_Complete(request.m_id, 1, "OK");
      break;
    case kDialogLogin: Dialog_CompleteLogin(request.m_id, 0, std::string()); break;
    default: Dialog_Complete(request.m_id, 0, std::string()); break;
  }
}

bool Show(const TextDialogSpec& spec) {
  if (g_IsHeadless || g_backend.open == nullptr || !g_backend.open(spec)) return false;
  Win32_SetModelessDialog(Dialog_Poll);
  return true;
}

void Dialog_ShowNext() {
  if (g_dialogs == nullptr || g_open.id >= 0) return;
  DIALOG_REQ_CONTEXT* oldest = g_dialogs;
  while (oldest->m_pNextDialog != nullptr) oldest = oldest->m_pNextDialog;
  if (oldest->m_kind == kDialogQuestion) Win32_PumpMessages();
  g_open.id = oldest->m_id;
  g_open.kind = oldest->m_kind;
  if (!Show(SpecOf(*oldest))) {
    g_open = OpenDialog{};
    AnswerAtOnce(*oldest);
  }
}

void Dialog_Finish(int32_t id) {
  for (DIALOG_REQ_CONTEXT* request = g_dialogs; request != nullptr; request = request->m_pNextDialog) {
    if (request->m_id == id) {
      Unlink(request);
      break;
    }
  }
  Dialog_ShowNext();
}

int32_t Queue(int32_t kind, const char* first, const char* second, const char* third) {
  GR_D3D_ExitFullScreen();
  auto* request = new DIALOG_REQ_CONTEXT(kind, first, second, third);
  request->m_pNextDialog = g_dialogs;
  g_dialogs = request;
  const int32_t id = request->m_id;
  if (request->m_pNextDialog == nullptr) Dialog_ShowNext();
  return id;
}

// The result data of an answered request: the text, its stored length in *length.
std::string ResultData(const HTTP_REQ_CONTEXT* record, int32_t* length) {
  *length = record->m_received.load();
  if (record->m_pBuffer == nullptr || record->m_bufferSize <= 0) return std::string();
  return std::string(reinterpret_cast<const char*>(record->m_pBuffer), static_cast<size_t>(record->m_bufferSize - 1));
}

void StoreAnswer(HTTP_REQ_CONTEXT* record, int32_t status, const std::string& text, int32_t length) {
  MEM_FREE(record->m_pBuffer);
  record->m_pBuffer = static_cast<uint8_t*>(MEM_ALLOC(text.size() + 1));
  std::memcpy(record->m_pBuffer, text.c_str(), text.size() + 1);
  record->m_bufferSize = static_cast<int32_t>(text.size() + 1);
  record->m_received = length;
  record->m_httpStatus = status;
  record->m_status = kAsyncStatusDone;
}

int32_t TextResult(HTTP_REQ_CONTEXT* record, int32_t* asyncLoad) {
  int32_t length = 0;
  const std::string text = ResultData(record, &length);
  *asyncLoad = CreateDsMap(4, "id", static_cast<double>(record->m_id), nullptr, "result", 0.0, text.c_str(), "value",
                           Dialog_ReadNumber(text.c_str()), nullptr, "status",
                           static_cast<double>(record->m_httpStatus), nullptr);
  Dialog_Finish(record->m_id);
  return kAsyncEventDialog;
}

}  // namespace

// --- requests --------------------------------------------------------------------------------

DIALOG_REQ_CONTEXT::DIALOG_REQ_CONTEXT(int32_t kind, const char* first, const char* second, const char* third)
    : HTTP_REQ_CONTEXT(nullptr, 0, CompletionOf(kind), nullptr, nullptr, false),
      m_first(Text(first)),
      m_second(Text(second)),
      m_third(Text(third)),
      m_kind(kind) {}

DIALOG_REQ_CONTEXT::~DIALOG_REQ_CONTEXT() {
  Unlink(this);
  if (g_open.id == m_id) CloseOpen();
}

// --- modal dialogs ---------------------------------------------------------------------------

bool Dialog_GetString(const char* caption, const char* prompt, const char* defaultText, std::string* text) {
  GR_D3D_ExitFullScreen();
  if (g_IsHeadless || g_backend.run == nullptr) return false;
  std::string answer;
  if (g_backend.run(InputSpec(Text(caption), Text(prompt), CutDefault(defaultText)), &answer) != kTextDialogOk) {
    return false;
  }
  *text = KeepAnswer(answer);
  return true;
}

bool Dialog_ShowQuestion(const char* caption, const char* text) {
  GR_D3D_ExitFullScreen();
  std::string answer;
  const bool yes = !g_IsHeadless && g_backend.run != nullptr &&
                   g_backend.run(QuestionSpec(Text(caption), Text(text)), &answer) == kTextDialogOk;
  Console_Output(yes ? "Finished dialog - IDOK\n" : "Finished dialog - IDCANCEL\n");
  return yes;
}

// --- asynchronous dialogs --------------------------------------------------------------------

int32_t Dialog_GetStringAsync(const char* caption, const char* prompt, const char* defaultText) {
  return Queue(kDialogInput, caption, prompt, CutDefault(defaultText).c_str());
}
int32_t Dialog_ShowQuestionAsync(const char* caption, const char* text) {
  return Queue(kDialogQuestion, caption, text, nullptr);
}
int32_t Dialog_ShowMessageAsync(const char* caption, const char* text) {
  return Queue(kDialogMessage, caption, text, nullptr);
}
int32_t Dialog_GetLoginAsync(const char* userName, const char* password) {
  return Queue(kDialogLogin, CutDefault(userName).c_str(), CutDefault(password).c_str(), nullptr);
}

void Dialog_Complete(int32_t id, int32_t status, const std::string& text) {
  DIALOG_REQ_CONTEXT* request = FindRequest(id);
  if (request != nullptr) StoreAnswer(request, status, text, static_cast<int32_t>(text.size()));
}

void Dialog_CompleteLogin(int32_t id, int32_t length, const std::string& text) {
  DIALOG_REQ_CONTEXT* request = FindRequest(id);
  if (request == nullptr) return;
  std::string data = text;
  if (length > 0 && static_cast<size_t>(length) < data.size()) data[static_cast<size_t>(length)] = '\0';
  StoreAnswer(request, length > 0 ? length + 1 : 0, data, length);
}

void Dialog_Poll() {
  if (g_open.id < 0) {
    Win32_SetModelessDialog(nullptr);
    return;
  }
  int32_t answer = kTextDialogCancel;
  std::string text;
  if (g_backend.poll == nullptr || !g_backend.poll(&answer, &text)) return;
  const bool ok = answer == kTextDialogOk;
  const OpenDialog open = g_open;
  g_open = OpenDialog{};
  Win32_SetModelessDialog(nullptr);
  switch (open.kind) {
    case kDialogInput: Dialog_Complete(open.id, ok ? 1 : 0, ok ? KeepAnswer(text) : std::string()); break;
    case kDialogQuestion:
      Console_Output(ok ? "Finished dialog - IDOK\n" : "Finished dialog - IDCANCEL\n");
      Dialog_Complete(open.id, ok ? 1 : 0, ok ? "1" : "");
      break;
    case kDialogMessage: Dialog_Complete(open.id, 1, "OK"); break;
    default:
      if (!ok) {
        Dialog_CompleteLogin(open.id, 0, std::string());
      } else if (open.askingPassword) {
        Dialog_CompleteLogin(open.id, static_cast<int32_t>(open.userName.size()),
                             open.userName + "#" + KeepAnswer(text));
      } else {
        // Then the password, in a hidden field of its own.
        const DIALOG_REQ_CONTEXT* request = FindRequest(open.id);
        g_open = open;
        g_open.askingPassword = true;
        g_open.userName = KeepAnswer(text);
        if (request == nullptr || !Show(LoginSpec(*request, true))) {
          g_open = OpenDialog{};
          Dialog_CompleteLogin(open.id, 0, std::string());
        }
      }
      break;
  }
}

int32_t Dialog_OpenRequest() { return g_open.id; }

void Dialog_Shutdown() {
  CloseOpen();
  while (g_dialogs != nullptr) Unlink(g_dialogs);
}

// --- completions -----------------------------------------------------------------------------

int32_t Dialog_InputResult(HTTP_REQ_CONTEXT* record, void*, int32_t* asyncLoad) { return TextResult(record, asyncLoad); }

int32_t Dialog_QuestionResult(HTTP_REQ_CONTEXT* record, void*, int32_t* asyncLoad) {
  return TextResult(record, asyncLoad);
}

int32_t Dialog_MessageResult(HTTP_REQ_CONTEXT* record, void*, int32_t* asyncLoad) {
  *asyncLoad = CreateDsMap(2, "id", static_cast<double>(record->m_id), nullptr, "status",
                           static_cast<double>(record->m_httpStatus), nullptr);
  Dialog_Finish(record->m_id);
  return kAsyncEventDialog;
}

int32_t Dialog_LoginResult(HTTP_REQ_CONTEXT* record, void*, int32_t* asyncLoad) {
  int32_t length = 0;
  const std::string data = ResultData(record, &length);
  const size_t userBytes = std::min(static_cast<size_t>(std::max(length, 0)), data.size());
  const std::string userName = data.substr(0, userBytes);
  // A cancelled login has no separator and nothing after it.
  const std::string password = userBytes < data.size() ? data.substr(userBytes + 1) : std::string();
  *asyncLoad = CreateDsMap(4, "id", static_cast<double>(record->m_id), nullptr, "username", 0.0, userName.c_str(),
                           "password", 0.0, password.c_str(), "status", static_cast<double>(record->m_httpStatus),
                           nullptr);
  Dialog_Finish(record->m_id);
  return kAsyncEventDialog;
}

// --- numbers ---------------------------------------------------------------------------------

double Dialog_ReadNumber(const char* text) {
  if (text == nullptr) return 0.0;
  const char* p = text;
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f') ++p;
  std::string number;
  if (*p == '-') number += '-';
  if (*p == '+' || *p == '-') ++p;
  bool digits = false;
  while (*p >= '0' && *p <= '9') {
    number += *p++;
    digits = true;
  }
  if (*p == '.') {
    number += *p++;
    while (*p >= '0' && *p <= '9') {
      number += *p++;
      digits = true;
    }
  }
  if (!digits) return 0.0;
  if (*p == 'e' || *p == 'E') {
    const char* exponent = p + 1;
    if (*exponent == '+' || *exponent == '-') ++exponent;
    if (*exponent >= '0' && *exponent <= '9') {
      number.append(p, static_cast<size_t>(exponent - p));
      for (p = exponent; *p >= '0' && *p <= '9'; ++p) number += *p;
    }
  }
  // Only what the scan above accepted reaches the conversion, which reads no hexadecimal, no words
  // and no decimal comma of the user's locale.
  double value = 0.0;
  const std::from_chars_result read = std::from_chars(number.data(), number.data() + number.size(), value);
  if (read.ec == std::errc::result_out_of_range) {
    // Too small underflows to 0, too large overflows to an infinity.
    const size_t exponent = number.find_first_of("eE");
    const std::string mantissa = number.substr(0, exponent);
    const bool negativeExponent = exponent != std::string::npos && number[exponent + 1] == '-';
    const bool wholePart = mantissa.find_first_of("123456789") < mantissa.find('.');
    if (negativeExponent || !wholePart) return 0.0;
    return number[0] == '-' ? -HUGE_VAL : HUGE_VAL;
  }
  return value;
}

// --- back end and layout ---------------------------------------------------------------------

DialogBackend Dialog_SetBackend(const DialogBackend& backend) {
  const DialogBackend previous = g_backend;
  g_backend = backend;
  return previous;
}

DialogControl* DialogLayout::Find(int32_t id) {
  for (DialogControl& control : controls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

DialogLayout Dialog_Template(int32_t kind) {
  DialogLayout layout;
  switch (kind) {
    case kDialogInput:
      layout.frame = FromUnits(0, 0, 319, 74);
      layout.controls = {{kDialogIdOk, FromUnits(205, 53, 50, 14)},
                         {kDialogIdCancel, FromUnits(262, 53, 50, 14)},
                         {kDialogIdInputEdit, FromUnits(17, 27, 282, 14)},
                         {kDialogIdInputPrompt, FromUnits(17, 16, 248, 8)}};
      break;
    case kDialogQuestion:
      layout.frame = FromUnits(0, 0, 319, 74);
      layout.controls = {{kDialogIdYes, FromUnits(60, 53, 50, 14)},
                         {kDialogIdNo, FromUnits(211, 53, 50, 14)},
                         {kDialogIdQuestionText, FromUnits(17, 16, 286, 30)}};
      break;
    case kDialogMessage:
      layout.frame = FromUnits(0, 0, 316, 92);
      layout.controls = {{kDialogIdOk, FromUnits(259, 71, 50, 14)},
                         {kDialogIdMessageText, FromUnits(17, 14, 279, 51)}};
      break;
    default: break;
  }
  return layout;
}

DialogTextMeasure Dialog_SetTextMeasure(DialogTextMeasure measure) {
  const DialogTextMeasure previous = g_measure;
  g_measure = measure != nullptr ? measure : MeasureCells;
  return previous;
}

void Dialog_FitText(DialogLayout* layout, const char* text, int32_t textControl, bool centred,
                    std::initializer_list<int32_t> moved) {
  DialogControl* control = layout->Find(textControl);
  if (control == nullptr) return;
  const int32_t width = control->rect.Width();
  int32_t ignored = 0;
  int32_t lineHeight = 0;
  g_measure("W", 1, false, &ignored, &lineHeight);
  int32_t lines = 0;
  if (text != nullptr && text[0] != '\0') {
    const char* piece = text;
    for (;;) {
      const char* end = std::strchr(piece, '\r');
      const size_t length = end != nullptr ? static_cast<size_t>(end - piece) : std::strlen(piece);
      int32_t measured = 0;
      int32_t height = 0;
      g_measure(piece, length, centred, &measured, &height);
      lines += (width > 0 ? measured / width : 0) + 1;
      if (end == nullptr) break;
      piece = end + 1;
    }
  }
  const int32_t delta = control->rect.top + lines * lineHeight - control->rect.bottom;
  layout->frame.bottom += delta;
  control->rect.bottom = control->rect.top + lines * lineHeight;
  for (int32_t id : moved) {
    DialogControl* other = layout->Find(id);
    if (other == nullptr) continue;
    other->rect.top += delta;
    other->rect.bottom += delta;
  }
}
