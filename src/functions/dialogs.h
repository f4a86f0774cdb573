// The dialogs behind the interaction functions: a modal input line and a modal yes/no question,
// which hold the step until answered, and a queue of asynchronous dialogs (input, question,
// message, login) that answer a request id at once and deliver their answer later as the
// asynchronous dialog event (Other event 63) with a result map in async_load.
//
// Asynchronous dialogs are records of the asynchronous queue (world/async_queue.h). At most one of
// them is open at a time, the oldest one queued; it is polled from the message pump, and the next
// one opens when the previous one's event is built. A modal dialog may open while an asynchronous
// one is on screen; it never completes a request.
//
// With -headless, or where no dialog can be shown, a dialog is answered at once as Cancel (No);
// a message is logged and answered as OK. Asynchronous ones still answer through event 63.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "world/async_queue.h"
#include "platform/window/text_dialog.h"

// Kinds of asynchronous dialog.
inline constexpr int32_t kDialogInput = 0;
inline constexpr int32_t kDialogQuestion = 1;
inline constexpr int32_t kDialogMessage = 2;
inline constexpr int32_t kDialogLogin = 3;

// The longest default text kept, in bytes (longer ones are cut at their last whole character),
// and the most UTF-16 units of an answer kept.
inline constexpr size_t kDialogDefaultBytes = 8193;
inline constexpr size_t kDialogAnswerUnits = 4096;

struct DIALOG_REQ_CONTEXT : HTTP_REQ_CONTEXT {
  DIALOG_REQ_CONTEXT(int32_t kind, const char* first, const char* second, const char* third);
  // Leaves the dialog queue, ending its dialog when it is the open one.
  ~DIALOG_REQ_CONTEXT() override;

  // Input, question, message: the caption, the prompt or text, and (input) the default text.
  // Login: the user name and the password that the two fields start with.
  std::string m_first;
  std::string m_second;
  std::string m_third;
  int32_t m_kind;
  DIALOG_REQ_CONTEXT* m_pNextDialog = nullptr;  // the next older request
};

// Modal input: true and the entered text in *text on OK; false on Cancel.
bool Dialog_GetString(const char* caption, const char* prompt, const char* defaultText, std::string* text);
// Modal question: true for Yes.
bool Dialog_ShowQuestion(const char* caption, const char* text);

// Each leaves full screen, queues a request and answers its id.
int32_t Dialog_GetStringAsync(const char* caption, const char* prompt, const char* defaultText);
int32_t Dialog_ShowQuestionAsync(const char* caption, const char* text);
int32_t Dialog_ShowMessageAsync(const char* caption, const char* text);
int32_t Dialog_GetLoginAsync(const char* userName, const char* password);

// Completions of the four kinds: the result map in *asyncLoad; 63.
int32_t Dialog_InputResult(HTTP_REQ_CONTEXT* record, void* userData, int32_t* asyncLoad);
int32_t Dialog_QuestionResult(HTTP_REQ_CONTEXT* record, void* userData, int32_t* asyncLoad);
int32_t Dialog_MessageResult(HTTP_REQ_CONTEXT* record, void* userData, int32_t* asyncLoad);
int32_t Dialog_LoginResult(HTTP_REQ_CONTEXT* record, void* userData, int32_t* asyncLoad);

// The answer of the request with that id (state done, status, result data); a request no longer
// queued is left alone. The login form keeps the user name's length as the data length: above
// 0 the status is length + 1, else 0.
void Dialog_Complete(int32_t id, int32_t status, const std::string& text);
void Dialog_CompleteLogin(int32_t id, int32_t length, const std::string& text);

// Polls the open asynchronous dialog (the message pump calls it while one is open).
void Dialog_Poll();
// The request id of the open asynchronous dialog, -1 when none is open.
int32_t Dialog_OpenRequest();
// The end of the game: ends the open dialog and empties the dialog queue.
void Dialog_Shutdown();

// The decimal number at the start of a text (leading blanks, optional sign, digits, a decimal
// point and an exponent); 0 when the text does not start with one. Hexadecimal numbers and the
// words for infinity and NaN are not numbers here.
double Dialog_ReadNumber(const char* text);

// How dialogs are shown: the platform's text dialogs unless a test scripts them.
struct DialogBackend {
  int32_t (*run)(const TextDialogSpec& spec, std::string* text) = nullptr;
  bool (*open)(const TextDialogSpec& spec) = nullptr;
  bool (*poll)(int32_t* answer, std::string* text) = nullptr;
  void (*close)() = nullptr;
};
// Installs a back end (null members: nothing can be shown) and returns the one before it.
DialogBackend Dialog_SetBackend(const DialogBackend& backend);

// --- layout --------------------------------------------------------------------------------

struct DialogRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
};
struct DialogControl {
  int32_t id;
  DialogRect rect;
};
struct DialogLayout {
  DialogRect frame;
  std::vector<DialogControl> controls;
  DialogControl* Find(int32_t id);
};

// Control ids of the dialog templates.
inline constexpr int32_t kDialogIdOk = 1;
inline constexpr int32_t kDialogIdCancel = 2;
inline constexpr int32_t kDialogIdInputPrompt = 1055;
inline constexpr int32_t kDialogIdInputEdit = 1061;
inline constexpr int32_t kDialogIdYes = 1066;
inline constexpr int32_t kDialogIdNo = 1067;
inline constexpr int32_t kDialogIdQuestionText = 1068;
inline constexpr int32_t kDialogIdMessageText = 1084;

// The templates of the input, question and message dialogs in pixels (the kind's constant).
DialogLayout Dialog_Template(int32_t kind);

// Measures one line of text: its width and height in pixels.
using DialogTextMeasure = void (*)(const char* text, size_t length, bool centred, int32_t* width, int32_t* height);
// Installs a measure (null: the built-in one, an average character cell) and returns the one before.
DialogTextMeasure Dialog_SetTextMeasure(DialogTextMeasure measure);

// Fits the text control to the text's lines (each line break, CR, starts a line, and each line
// takes as many rows as its width needs): the dialog grows by the change of the control's height,
// and the listed controls move down by the same amount. A missing control changes nothing.
void Dialog_FitText(DialogLayout* layout, const char* text, int32_t textControl, bool centred,
                    std::initializer_list<int32_t> moved);
