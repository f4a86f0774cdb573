// The interaction functions as scripts call them: registration and the caption, key and mouse
// queries, message and input dialogs (answered by a script), file dialogs through a stand-in
// helper, the functions that only log, and show_error.
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "functions/interaction_call.h"
#include "functions/interaction_functions.h"
#include "runtime/error_report.h"
#include "io/load_save.h"

namespace {

using namespace interaction_test;

TEST(InteractionRegistrationTest, RegistersTheGroupInOrderWithItsCounts) {
  const std::vector<std::pair<std::string, int32_t>> expected = {
      {"splash_set_caption", 1}, {"splash_set_fullscreen", 1}, {"splash_set_border", 1},
      {"splash_set_size", 2}, {"splash_set_adapt", 1}, {"splash_set_top", 1}, {"splash_set_color", 1},
      {"splash_set_main", 1}, {"splash_set_scale", 1}, {"splash_set_cursor", 1}, {"splash_set_interrupt", 1},
      {"splash_set_stop_key", 1}, {"splash_set_stop_mouse", 1}, {"splash_show_video", 2},
      {"splash_show_image", 2}, {"splash_show_text", 2}, {"show_image", 3}, {"show_video", 3},
      {"show_text", 4}, {"show_message", 1}, {"show_question", 1}, {"show_message_async", 1},
      {"show_question_async", 1}, {"show_error", 2}, {"show_info", 0}, {"load_info", 1},
      {"highscore_show", 1}, {"highscore_set_background", 1}, {"highscore_set_border", 1},
      {"highscore_set_font", 3}, {"highscore_set_strings", 3}, {"highscore_set_colors", 3},
      {"highscore_show_ext", 7}, {"highscore_clear", 0}, {"highscore_add", 2}, {"highscore_add_current", 0},
      {"highscore_value", 1}, {"highscore_name", 1}, {"draw_highscore", 4}, {"show_message_ext", 4},
      {"message_background", 1}, {"message_button", 1}, {"message_alpha", 1}, {"message_text_font", 4},
      {"message_button_font", 4}, {"message_input_font", 4}, {"message_mouse_color", 1},
      {"message_input_color", 1}, {"message_position", 2}, {"message_size", 2}, {"message_caption", 2},
      {"show_menu", 2}, {"show_menu_pos", 4}, {"get_integer", 2}, {"get_integer_async", 2}, {"get_string", 2},
      {"get_string_async", 2}, {"get_login_async", 2}, {"get_color", 1}, {"get_open_filename", 2},
      {"get_save_filename", 2}, {"get_open_filename_ext", 4}, {"get_save_filename_ext", 4},
      {"get_directory", 1}, {"get_directory_alt", 2}, {"keyboard_get_numlock", 0}, {"keyboard_set_numlock", 1},
      {"keyboard_key_press", 1}, {"keyboard_key_release", 1}, {"keyboard_set_map", 2}, {"keyboard_get_map", 1},
      {"keyboard_unset_map", 0}, {"keyboard_check", 1}, {"keyboard_check_pressed", 1},
      {"keyboard_check_released", 1}, {"keyboard_check_direct", 1}, {"mouse_check_button", 1},
      {"mouse_check_button_pressed", 1}, {"mouse_check_button_released", 1}, {"mouse_wheel_up", 0},
      {"mouse_wheel_down", 0}, {"joystick_exists", 1}, {"joystick_direction", 1}, {"joystick_name", 1},
      {"joystick_axes", 1}, {"joystick_buttons", 1}, {"joystick_has_pov", 1}, {"joystick_check_button", 2},
      {"joystick_xpos", 1}, {"joystick_ypos", 1}, {"joystick_zpos", 1}, {"joystick_rpos", 1},
      {"joystick_upos", 1}, {"joystick_vpos", 1}, {"joystick_pov", 1}, {"keyboard_clear", 1},
      {"mouse_clear", 1}, {"io_clear", 0}, {"io_handle", 0}, {"device_mouse_dbclick_enable", 1},
      {"keyboard_wait", 0}, {"mouse_wait", 0}, {"browser_input_capture", 1},
  };
  ASSERT_EQ(expected.size(), 103u);
  Builtin_Shutdown();
  InitInteractionFunctions();
  ASSERT_EQ(g_BuiltinCount, 103);
  for (int32_t i = 0; i < g_BuiltinCount; ++i) {
    const BuiltinFunction* entry = nullptr;
    ASSERT_TRUE(Builtin_GetEntry(i, &entry, nullptr, nullptr, nullptr));
    EXPECT_EQ(entry->name, expected[static_cast<size_t>(i)].first) << i;
    EXPECT_EQ(entry->argumentCount, expected[static_cast<size_t>(i)].second) << entry->name;
  }
  Builtin_Shutdown();
  WindowState_Reset();
}

// The caption is the game's display name, else the runner's own; the window made later keeps it,
// and it is the title of every message box.
TEST_F(InteractionTest, TheCaptionIsTheDisplayNameOrTheRunnersOwn) {
  for (const char* name : {static_cast<const char*>(nullptr), "Lumbrix"}) {
    SCOPED_TRACE(name != nullptr ? name : "no display name");
    WindowState_Reset();
    if (name != nullptr) g_GameHeader.displayName = name;
    EXPECT_STREQ(Window_GetCaption(), "");
    Builtin_Shutdown();
    InitInteractionFunctions();
    const std::string caption = name != nullptr ? name : "Made with Tolvarine";
    EXPECT_EQ(Window_GetCaption(), caption);
    output.text.clear();
    Call("show_message", {Text("hi")});
    EXPECT_EQ(output.text, caption + ": hi\n");
    g_GameHeader.displayName.reset();
  }
}

TEST_F(InteractionTest, KeyZeroAndOneAskForNoKeyAndAnyKey) {
  IO_InputState& s = g_IOInputState;
  const struct {
    const char* function;
    bool* keys;
  } forms[] = {{"keyboard_check", s.keyHeld}, {"keyboard_check_pressed", s.keyPressed},
               {"keyboard_check_released", s.keyReleased}};
  for (const auto& form : forms) {
    SCOPED_TRACE(form.function);
    g_IOInputState = IO_InputState{};
    EXPECT_EQ(CallReal(form.function, {Real(0)}), 1.0);
    EXPECT_EQ(CallReal(form.function, {Real(1)}), 0.0);
    EXPECT_EQ(CallReal(form.function, {Real(65)}), 0.0);
    form.keys[65] = true;
    EXPECT_EQ(CallReal(form.function, {Real(0)}), 0.0);
    EXPECT_EQ(CallReal(form.function, {Real(1)}), 1.0);
    EXPECT_EQ(CallReal(form.function, {Real(65)}), 1.0);
    // Keys 0 and 1 are themselves among the keys scanned.
    form.keys[65] = false;
    form.keys[0] = true;
    EXPECT_EQ(CallReal(form.function, {Real(0)}), 0.0);
    EXPECT_EQ(CallReal(form.function, {Real(1)}), 1.0);
    // Outside the table: 0, and the state is left alone.
    form.keys[255] = true;
    const IO_InputState before = s;
    EXPECT_EQ(CallReal(form.function, {Real(256)}), 0.0);
    EXPECT_EQ(CallReal(form.function, {Real(-5)}), 0.0);
    EXPECT_EQ(std::memcmp(before.keyHeld, s.keyHeld, sizeof s.keyHeld), 0);
    EXPECT_EQ(std::memcmp(before.keyPressed, s.keyPressed, sizeof s.keyPressed), 0);
    EXPECT_EQ(CallReal(form.function, {Real(255)}), 1.0);
  }
  g_IOInputState = IO_InputState{};
  EXPECT_TRUE(F_KeyboardCheck(0));
  g_IOInputState.keyHeld[200] = true;
  EXPECT_FALSE(F_KeyboardCheck(0));
  EXPECT_TRUE(F_KeyboardCheck(1));
  EXPECT_TRUE(F_KeyboardCheck(200));
  EXPECT_FALSE(F_KeyboardCheck(256));
  EXPECT_FALSE(F_KeyboardCheck(-1));
}

TEST_F(InteractionTest, MouseClearOfMinusOneClearsTheThreeButtonsOfTheFirstMouseOnly) {
  IO_InputState& s = g_IOInputState;
  for (int32_t device : {0, 1}) {
    for (int32_t b = 0; b < IO_BUTTON_COUNT; ++b) {
      s.buttonHeld[device][b] = s.buttonPressed[device][b] = s.buttonReleased[device][b] = true;
    }
  }
  Call("mouse_clear", {Real(-1)});
  for (int32_t b = 0; b < IO_BUTTON_COUNT; ++b) {
    EXPECT_FALSE(s.buttonHeld[0][b] || s.buttonPressed[0][b] || s.buttonReleased[0][b]) << b;
    EXPECT_TRUE(s.buttonHeld[1][b] && s.buttonPressed[1][b] && s.buttonReleased[1][b]) << b;
  }
  s.buttonHeld[0][1] = s.buttonHeld[0][2] = true;
  Call("mouse_clear", {Real(2)});
  EXPECT_FALSE(s.buttonHeld[0][1]);
  EXPECT_TRUE(s.buttonHeld[0][2]);

  // The wheel of device 0, and the key map put back by keyboard_unset_map.
  s.wheelUp[0] = true;
  EXPECT_EQ(CallReal("mouse_wheel_up"), 1.0);
  EXPECT_EQ(CallReal("mouse_wheel_down"), 0.0);
  Call("keyboard_set_map", {Real(65), Real(66)});
  EXPECT_EQ(CallReal("keyboard_get_map", {Real(65)}), 66.0);
  Call("keyboard_unset_map");
  EXPECT_EQ(CallReal("keyboard_get_map", {Real(65)}), 65.0);
  s.keyHeld[70] = true;
  Call("keyboard_clear", {Real(70)});
  EXPECT_FALSE(s.keyHeld[70]);
}

// show_message converts its argument: numbers as text, '#' as a line break, "\#" as '#'.
TEST_F(InteractionTest, ShowMessageShowsTheConvertedText) {
  const struct {
    RValue value;
    const char* shown;
  } cases[] = {
      {Real(2.5), "2.50"},
      {Real(3), "3"},
      {Text("one#two"), "one\ntwo"},
      {Text("one\\#two"), "one#two"},
  };
  for (const auto& c : cases) {
    output.text.clear();
    const math_test::Answer a = Call("show_message", {math_test::Share(c.value)});
    EXPECT_EQ(output.text, std::string("Made with Tolvarine: ") + c.shown + "\n");
    EXPECT_EQ(a.Kind(), VALUE_UNDEFINED) << "the result is not set";
  }
  for (const auto& c : cases) {
    RValue v = c.value;
    RValue_Release(&v);
  }
  // A missing argument reads as the real 0.
  output.text.clear();
  int32_t id = -1;
  ASSERT_TRUE(Builtin_FindCallable("show_message", &id));
  RValue result = RValue_MakeUndefined();
  VM_CallBuiltin(nullptr, nullptr, &result, 0, id, nullptr);
  EXPECT_EQ(output.text, "Made with Tolvarine: 0\n");
}

TEST_F(InteractionTest, InputDialogsShowThePromptAsTypedAndTheDefaultConverted) {
  script.answers = {{kTextDialogOk, "word"}, {kTextDialogOk, "  -12.5e1xyz"}, {kTextDialogOk, "letters"}};
  EXPECT_EQ(CallText("get_string", {Text("Level #1"), Text("a#b")}), "word");
  EXPECT_EQ(CallReal("get_integer", {Text("How many?"), Real(7)}), -125.0);
  EXPECT_EQ(CallReal("get_integer", {Text("How many?"), Real(7)}), 0.0);
  ASSERT_EQ(script.shown.size(), 3u);
  EXPECT_EQ(script.shown[0].kind, TextDialogKind::Input);
  EXPECT_EQ(script.shown[0].title, "Made with Tolvarine");
  EXPECT_EQ(script.shown[0].text, "Level #1");
  EXPECT_EQ(script.shown[0].entryText, "a\nb");
  EXPECT_EQ(script.shown[1].entryText, "7");

  // Numbers only as decimal text.
  const struct {
    const char* answer;
    double value;
  } numbers[] = {{"0x1A", 0.0}, {"inf", 0.0}, {"nan", 0.0}, {"+3", 3.0}, {".5", 0.5}, {"1e3", 1000.0},
                 {"2e", 2.0}, {"-", 0.0}, {"", 0.0}};
  for (const auto& n : numbers) {
    script.answers = {{kTextDialogOk, n.answer}};
    EXPECT_EQ(CallReal("get_integer", {Text("n"), Text("")}), n.value) << n.answer;
  }

  // Cancel: get_string gives "", get_integer leaves its result unset.
  script.answers = {{kTextDialogCancel, "ignored"}, {kTextDialogCancel, "ignored"}};
  EXPECT_EQ(CallText("get_string", {Text("p"), Text("d")}), "");
  EXPECT_EQ(Call("get_integer", {Text("p"), Real(1)}).Kind(), VALUE_UNDEFINED);
}

TEST_F(InteractionTest, QuestionsAnswerOneForYes) {
  script.answers = {{kTextDialogOk, ""}, {kTextDialogCancel, ""}};
  EXPECT_EQ(CallReal("show_question", {Text("Quit?#Really?")}), 1.0);
  EXPECT_EQ(CallReal("show_question", {Text("Quit?")}), 0.0);
  ASSERT_EQ(script.shown.size(), 2u);
  EXPECT_EQ(script.shown[0].kind, TextDialogKind::Question);
  EXPECT_EQ(script.shown[0].text, "Quit?\nReally?");
  EXPECT_NE(output.text.find("Finished dialog - IDOK\n"), std::string::npos);
  EXPECT_NE(output.text.find("Finished dialog - IDCANCEL\n"), std::string::npos);
}

TEST_F(InteractionTest, FunctionsThatOnlyLogSayWhatTheyDoNotDo) {
  const struct {
    const char* function;
    int32_t argc;
    const char* line;
    int kind;  // 0 not set, 1 real, 2 text
    double real;
  } cases[] = {
      {"show_info", 0, "show_info(str) not supported", 0, 0},
      {"load_info", 1, "load_info(str) not supported", 1, 0},
      {"show_message_ext", 4, "show_message_ext(str,but1,but2,but3) not impleneted", 1, 1},
      {"show_menu", 2, "show_menu(str,default) not implemented.", 1, 0},
      {"show_menu_pos", 4, "show_menu_pos(X,Y,str,default) not implemented.", 1, 0},
      {"get_color", 1, "get_color(def) is not implemented", 1, 0},
      {"get_directory", 1, "get_directory(dname) not implemented.", 2, 0},
      {"get_directory_alt", 2, "get_directory_alt(capt,root) not implemented.", 2, 0},
      {"message_background", 1, "message_background(back) not impleneted", 0, 0},
      {"message_button", 1, "message_button(spr) not impleneted", 0, 0},
      {"message_text_font", 4, "message_text_font(name,size,color,style) not impleneted", 0, 0},
      {"message_button_font", 4, "message_button_font(name,size,color,style) not impleneted", 0, 0},
      {"message_input_font", 4, "message_input_font(name,size,color,style) not impleneted", 0, 0},
      {"message_alpha", 1, "message_alpha(alpha) not impleneted", 0, 0},
      {"message_mouse_color", 1, "message_mouse_color(col) not impleneted", 0, 0},
      {"message_input_color", 1, "message_input_color(col) not impleneted", 0, 0},
      {"message_position", 2, "message_position(x,y) not impleneted", 0, 0},
      {"message_size", 2, "message_size(w,h)not impleneted", 0, 0},
      {"message_caption", 2, "message_caption(show,str) not impleneted", 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.function);
    output.text.clear();
    std::vector<RValue> args;
    for (int32_t i = 0; i < c.argc; ++i) args.push_back(i == 0 ? Text("x") : Real(1));
    const math_test::Answer a = Call(c.function, std::move(args));
    EXPECT_EQ(output.text, std::string(c.line) + "\n");
    switch (c.kind) {
      case 0: EXPECT_EQ(a.Kind(), VALUE_UNDEFINED); break;
      case 1: EXPECT_EQ(a.Real(), c.real); break;
      default: EXPECT_EQ(a.Kind(), VALUE_STRING); EXPECT_EQ(a.Text(), ""); break;
    }
  }
}

TEST_F(InteractionTest, AcceptedDisplaysRecordOrClearInput) {
  Call("splash_set_caption", {Text("Intro")});
  Call("splash_set_size", {Real(640), Real(480)});
  Call("splash_set_fullscreen", {Real(1)});
  Call("splash_set_scale", {Real(1.5)});
  EXPECT_EQ(Interaction_Splash().caption, "Intro");
  EXPECT_EQ(Interaction_Splash().width, 640);
  EXPECT_EQ(Interaction_Splash().height, 480);
  EXPECT_TRUE(Interaction_Splash().fullscreen);
  EXPECT_EQ(Interaction_Splash().scale, 1.5);
  g_IOInputState.keyHeld[40] = true;
  EXPECT_EQ(Call("show_video", {Text("intro.mp4"), Real(1), Real(0)}).Kind(), VALUE_UNDEFINED);
  EXPECT_FALSE(g_IOInputState.keyHeld[40]);
  EXPECT_TRUE(script.shown.empty());
}

TEST_F(InteractionTest, ShowErrorIsFatalWhenAskedToAbort) {
  Error_ClearSuppression();
  Call("show_error", {Text("not so bad"), Real(0)});
  EXPECT_NE(RuntimeErrorCapture::LastReport().find("not so bad"), std::string::npos);
  EXPECT_FALSE(Error_Suppressed());
  Call("show_error", {Text("the end"), Real(1)});
  EXPECT_NE(RuntimeErrorCapture::LastReport().find("the end"), std::string::npos);
  EXPECT_TRUE(Error_Suppressed());
  Error_ClearSuppression();
}

// File dialogs through a stand-in helper on PATH: a chosen file may then be read from outside the
// program directory; a cancelled dialog adds nothing.
TEST_F(InteractionTest, FileDialogsAllowTheChosenFileOnly) {
  const std::string bin = root + "/bin";
  const std::string outside = root + "/elsewhere";
  ASSERT_EQ(mkdir(bin.c_str(), 0755), 0);
  ASSERT_EQ(mkdir(outside.c_str(), 0755), 0);
  WriteAll(outside + "/level.txt", "level one");
  const std::string oldPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  setenv("PATH", (bin + ":" + oldPath).c_str(), 1);
  setenv("DISPLAY", ":77", 1);
  const auto helper = [&](const std::string& body) {
    WriteAll(bin + "/zenity", "#!/bin/sh\n" + body);
    chmod((bin + "/zenity").c_str(), 0755);
  };

  helper("exit 1\n");
  EXPECT_EQ(CallText("get_open_filename", {Text("Text|*.txt"), Text("")}), "");
  EXPECT_EQ(CallText("get_save_filename_ext", {Text("Text|*.txt"), Text("a"), Text(""), Text("Save")}), "");
  EXPECT_EQ(g_pReadWhitelist, nullptr);
  EXPECT_EQ(g_pSaveWhitelist, nullptr);
  EXPECT_EQ(MapRead(outside + "/level.txt"), "");

  helper("printf '%s\\n' '" + outside + "/level.txt'\n");
  g_IOInputState.keyHeld[40] = true;
  EXPECT_EQ(CallText("get_open_filename", {Text("Text|*.txt"), Text("")}), outside + "/level.txt");
  EXPECT_FALSE(g_IOInputState.keyHeld[40]) << "input is cleared";
  EXPECT_EQ(MapRead(outside + "/level.txt"), outside + "/level.txt");
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(LoadSave_ReadProgramFile((outside + "/level.txt").c_str(), &bytes));
  EXPECT_EQ(g_pSaveWhitelist, nullptr);
  EXPECT_EQ(CallText("get_save_filename", {Text("Text|*.txt"), Text("")}), outside + "/level.txt");
  EXPECT_EQ(MapSave(outside + "/level.txt"), outside + "/level.txt");

  setenv("PATH", oldPath.c_str(), 1);
  unsetenv("DISPLAY");
}

}  // namespace
