#include <string>
#include <vector>

#include "file_call.h"
#include "io/ini_file.h"
#include "functions/ini_functions.h"
#include "functions/lifecycle.h"

namespace file_test {
namespace {

// Sections newest first, each as "[name]" and then "key=value" per key, newest first: the order
// in which lookups see them and the file is written.
std::string Shape(const IniFile& ini) {
  std::string out;
  const auto& sections = ini.Sections();
  for (auto s = sections.rbegin(); s != sections.rend(); ++s) {
    out += "[" + s->name + "]";
    for (auto k = s->keys.rbegin(); k != s->keys.rend(); ++k) out += " " + k->name + "=" + k->value;
    out += ";";
  }
  return out;
}

TEST(IniParseTest, TextsGiveTheirSectionsAndKeys) {
  struct Case {
    const char* text;
    const char* shape;
  } cases[] = {
      {"[s]\r\na=one two   ; note\r\n", "[s] a=one two;"},
      {"[s]\r\na=\"quoted\"   # note\r\n", "[s] a=quoted;"},
      {"[s]\r\na=\"  inside  \"\r\n", "[s] a=  inside;"},
      {"[s]\r\na='it \"is\"'\r\n", "[s] a=it \"is\";"},
      {"[s]\r\na=\r\nb=2\r\n", "[s] b=2;"},
      {"[s]\r\na=   ; only a comment\r\nb=2\r\n", "[s] b=2;"},
      {"k=before\r\n[s]\r\nb=2\r\n", "[s] b=2;"},
      {"[s]\r\nno equals\r\nb=2\r\n", "[s] no equals\r\nb=2;"},
      {"[s]\na=1\n; comment\n[t]\nb=2\n", "[t] b=2;[s] a=1;"},
      {"\xEF\xBB\xBF[s]\r\na=1\r\n", "[s] a=1;"},
      {"\xEF\xBB\xBF", ""},
      {"[s]\r\na=1\r\n[s]\r\nb=2\r\n", "[s] b=2;[s] a=1;"},
      {"[s]\r\na=1\r\na=2\r\n", "[s] a=2 a=1;"},
      {"[s]\r\n=empty name\r\n", "[s] =empty name;"},
      {"[unclosed\r\na=1\r\n", ""},
      {"[s]\r\na=\"unterminated", "[s] a=unterminated;"},
      {"[s]\r\na", "[s];"},
  };
  for (const Case& c : cases) {
    IniFile ini;
    ini.OpenFromString(c.text);
    EXPECT_EQ(Shape(ini), c.shape) << c.text;
  }
}

TEST(IniParseTest, DuplicateSectionsShowOnlyTheLaterToLookupsAndBothAreWritten) {
  IniFile ini;
  ini.OpenFromString("[s]\r\na=1\r\n[s]\r\nb=2\r\n");
  EXPECT_EQ(ini.FindKey("s", "a"), nullptr);
  ASSERT_NE(ini.FindKey("s", "b"), nullptr);
  EXPECT_EQ(ini.Serialise(), "[s]\r\nb=\"2\"\r\n[s]\r\na=\"1\"\r\n");
}

TEST(IniWriteTest, SerialisesNewestFirstInDoubleQuotes) {
  IniFile ini;
  ini.OpenFromString("[a]\r\nx=1\r\ny=2\r\n[b]\r\nz=3\r\n");
  EXPECT_TRUE(ini.WriteString("a", "w", "new"));
  EXPECT_TRUE(ini.WriteString("c", "k", nullptr));
  EXPECT_TRUE(ini.WriteString("a", "x", "changed"));
  EXPECT_FALSE(ini.WriteString(nullptr, "k", "v"));
  EXPECT_FALSE(ini.WriteString("a", nullptr, "v"));
  EXPECT_EQ(ini.Serialise(),
            "[c]\r\nk=\"\"\r\n"
            "[b]\r\nz=\"3\"\r\n"
            "[a]\r\nw=\"new\"\r\ny=\"2\"\r\nx=\"changed\"\r\n");

  EXPECT_TRUE(ini.DeleteKey("a", "y"));
  EXPECT_FALSE(ini.DeleteKey("a", "y"));
  EXPECT_FALSE(ini.DeleteKey("none", "x"));
  EXPECT_TRUE(ini.DeleteSection("b"));
  EXPECT_FALSE(ini.DeleteSection("b"));
  EXPECT_EQ(ini.Serialise(), "[c]\r\nk=\"\"\r\n[a]\r\nw=\"new\"\r\nx=\"changed\"\r\n");
}

TEST(IniWriteTest, AValueHoldingADoubleQuoteReadsBackWhole) {
  IniFile ini;
  ini.WriteString("s", "quote", "say \"hi\"");
  ini.WriteString("s", "plain", "it's");
  const std::string text = ini.Serialise();
  EXPECT_EQ(text, "[s]\r\nplain=\"it's\"\r\nquote='say \"hi\"'\r\n");
  IniFile back;
  back.OpenFromString(text.c_str());
  EXPECT_STREQ(back.ReadString("s", "quote", ""), "say \"hi\"");
  EXPECT_STREQ(back.ReadString("s", "plain", ""), "it's");
}

TEST(IniWriteTest, NumbersReadLikeAtofWithAPoint) {
  EXPECT_DOUBLE_EQ(Ini_AtoF("  3.000000"), 3.0);
  EXPECT_DOUBLE_EQ(Ini_AtoF("+2.5e1x"), 25.0);
  EXPECT_DOUBLE_EQ(Ini_AtoF("-0.25"), -0.25);
  EXPECT_EQ(Ini_AtoF("abc"), 0.0);
  EXPECT_EQ(Ini_AtoF("--1"), 0.0);
  EXPECT_EQ(Ini_AtoF(""), 0.0);
}

class IniFunctionsTest : public FileFunctionsTest {
 protected:
  void TearDown() override {
    Ini_CloseOpenFile();
    FileFunctionsTest::TearDown();
  }
  std::string SaveFile(const char* name) { return save + name; }
};

TEST_F(IniFunctionsTest, TheGamesRoundTripThroughTheFastEntries) {
  F_IniOpen("saveData.ini");
  EXPECT_EQ(CallReal("ini_key_exists", {Text("data"), Text("unlocked")}), 0.0);
  EXPECT_EQ(CallText("ini_close"), "");
  EXPECT_FALSE(PathExists(SaveFile("saveData.ini")));
  EXPECT_FALSE(PathExists(program + "/saveData.ini"));

  F_IniOpen("saveData.ini");
  F_IniWriteReal("data", "unlocked", 3);
  EXPECT_EQ(CallText("ini_close"), "[data]\r\nunlocked=\"3.000000\"\r\n");
  EXPECT_EQ(ReadAll(SaveFile("saveData.ini")), "[data]\r\nunlocked=\"3.000000\"\r\n");

  F_IniOpen("saveData.ini");
  EXPECT_EQ(CallReal("ini_key_exists", {Text("data"), Text("unlocked")}), 1.0);
  EXPECT_EQ(F_IniReadReal("data", "unlocked", 0), 3.0);
  EXPECT_EQ(TakeError(), "");
}

TEST_F(IniFunctionsTest, NumbersAreStoredInTheFixedForm) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {{3, "3.000000"}, {-0.5, "-0.500000"}, {1.0 / 3, "0.333333"}, {1e-9, "0.000000"}};
  Call("ini_open_from_string", {Text("")});
  for (const Case& c : cases) {
    F_IniWriteReal("s", "k", c.value);
    EXPECT_EQ(CallText("ini_read_string", {Text("s"), Text("k"), Text("")}), c.text);
  }
}

TEST_F(IniFunctionsTest, LargeNumbersKeepEveryDigit) {
  F_IniOpen("big.ini");
  F_IniWriteReal("s", "k", 1e300);
  CallText("ini_close");
  const std::string text = ReadAll(SaveFile("big.ini"));
  EXPECT_GT(text.size(), 300u);
  F_IniOpen("big.ini");
  EXPECT_EQ(F_IniReadReal("s", "k", 0), 1e300);
  EXPECT_EQ(CallReal("ini_read_real", {Text("s"), Text("missing"), Real(7.5)}), 7.5);
}

TEST_F(IniFunctionsTest, TheSaveAreaCopyIsReadBeforeTheProgramDirectorys) {
  WriteAll(program + "/both.ini", "[s]\r\nfrom=program\r\n");
  ASSERT_TRUE(LoadSave_WriteFile("both.ini", "[s]\r\nfrom=save\r\n", 17));
  Call("ini_open", {Text("both.ini")});
  EXPECT_EQ(CallText("ini_read_string", {Text("s"), Text("from"), Text("")}), "save");
}

TEST_F(IniFunctionsTest, ReadsAndWritesThroughTheScriptFunctions) {
  WriteAll(program + "/game.ini", "[a]\r\nx=1\r\n[b]\r\ny=two\r\n");
  Call("ini_open", {Text("game.ini")});
  EXPECT_EQ(CallText("ini_read_string", {Text("b"), Text("y"), Text("d")}), "two");
  EXPECT_EQ(CallText("ini_read_string", {Text("b"), Text("none"), Real(4)}), "4");
  EXPECT_EQ(CallText("ini_read_string", {Text("b"), Text("none"), Real(2.5)}), "2.50");
  EXPECT_EQ(CallReal("ini_read_real", {Text("a"), Text("x"), Real(0)}), 1.0);
  EXPECT_EQ(CallReal("ini_section_exists", {Text("b")}), 1.0);
  Call("ini_write_string", {Text("c"), Text("z"), Text("new")});
  Call("ini_write_real", {Text("a"), Text("r"), Real(3)});
  Call("ini_key_delete", {Text("a"), Text("x")});
  Call("ini_section_delete", {Text("b")});
  EXPECT_EQ(CallReal("ini_section_exists", {Text("b")}), 0.0);
  EXPECT_EQ(CallText("ini_close"), "[c]\r\nz=\"new\"\r\n[a]\r\nr=\"3.000000\"\r\n");
  EXPECT_EQ(ReadAll(save + "game.ini"), "[c]\r\nz=\"new\"\r\n[a]\r\nr=\"3.000000\"\r\n");
  EXPECT_EQ(ReadAll(program + "/game.ini"), "[a]\r\nx=1\r\n[b]\r\ny=two\r\n");
  EXPECT_EQ(TakeError(), "");
}

TEST_F(IniFunctionsTest, AnUnchangedFileIsNotWritten) {
  WriteAll(program + "/same.ini", "[a]\r\nx=1\r\n");
  Call("ini_open", {Text("same.ini")});
  EXPECT_EQ(CallText("ini_close"), "[a]\r\nx=\"1\"\r\n");
  EXPECT_FALSE(PathExists(save + "same.ini"));
}

TEST_F(IniFunctionsTest, TheFlushCommandWritesWhileTheFileStaysOpen) {
  Call("ini_open", {Text("flush.ini")});
  Call("ini_write_string", {Text("s"), Text("k"), Text("v")});
  Call("ini_write_string", {Text("SYSTEM_COMMAND"), Text("INI_FILE_FLUSH"), Text("NOW")});
  EXPECT_EQ(ReadAll(save + "flush.ini"), "[s]\r\nk=\"v\"\r\n");
  EXPECT_EQ(CallReal("ini_section_exists", {Text("SYSTEM_COMMAND")}), 0.0);
  Call("ini_write_string", {Text("s"), Text("k2"), Text("w")});
  EXPECT_EQ(CallText("ini_close"), "[s]\r\nk2=\"w\"\r\nk=\"v\"\r\n");
}

TEST_F(IniFunctionsTest, AnIniFromAStringCreatesNoFile) {
  Call("ini_open_from_string", {Text("[s]\nk = v ; c\n")});
  Call("ini_write_string", {Text("s"), Text("n"), Text("1")});
  EXPECT_EQ(CallText("ini_close"), "[s]\r\nn=\"1\"\r\nk=\"v\"\r\n");
  EXPECT_FALSE(PathExists(save));
}

TEST_F(IniFunctionsTest, WithNoFileOpenReadsAndChangesAreReported) {
  EXPECT_EQ(CallText("ini_close"), "");
  EXPECT_EQ(TakeError(), "");
  struct Case {
    const char* name;
    std::vector<RValue> (*args)();
    const char* message;
  } cases[] = {
      {"ini_read_string", [] { return std::vector<RValue>{Text("s"), Text("k"), Text("d")}; }, "Trying to read from undefined INI file"},
      {"ini_read_real", [] { return std::vector<RValue>{Text("s"), Text("k"), Real(1)}; }, "Trying to read from undefined INI file"},
      {"ini_write_string", [] { return std::vector<RValue>{Text("s"), Text("k"), Text("v")}; }, "Trying to read from undefined INI file"},
      {"ini_write_real", [] { return std::vector<RValue>{Text("s"), Text("k"), Real(1)}; }, "Trying to read from undefined INI file"},
      {"ini_key_exists", [] { return std::vector<RValue>{Text("s"), Text("k")}; }, "Trying to read from undefined INI file"},
      {"ini_section_exists", [] { return std::vector<RValue>{Text("s")}; }, "Trying to read from undefined INI file"},
      {"ini_key_delete", [] { return std::vector<RValue>{Text("s"), Text("k")}; }, "Trying to change undefined INI file"},
      {"ini_section_delete", [] { return std::vector<RValue>{Text("s")}; }, "Trying to change undefined INI file"},
  };
  for (const Case& c : cases) {
    Call(c.name, c.args());
    EXPECT_EQ(TakeError(), c.message) << c.name;
  }
  EXPECT_EQ(CallReal("ini_read_real", {Text("s"), Text("k"), Real(6)}), 6.0);
  EXPECT_EQ(F_IniReadReal("s", "k", 2.5), 2.5);
  EXPECT_EQ(TakeError(), "Trying to read from undefined INI file");
}

TEST_F(IniFunctionsTest, AnIniStillOpenAtShutdownIsWritten) {
  Call("ini_open", {Text("left.ini")});
  Call("ini_write_string", {Text("s"), Text("k"), Text("v")});
  File_CloseAll();
  EXPECT_EQ(ReadAll(save + "left.ini"), "[s]\r\nk=\"v\"\r\n");
  EXPECT_EQ(Ini_OpenFile(), nullptr);
}

}  // namespace
}  // namespace file_test
