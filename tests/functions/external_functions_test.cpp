// The external_* functions: the checks of external_define and what each form hands to the
// native-call table (which, until libraries load, answers -1 and the real 0).
#include <string>
#include <vector>

#include "core/registry_test_support.h"
#include "functions/load_stand_in.h"
#include "functions/math_call.h"
#include "net/native_calls_stand_in.h"

namespace {

using math_test::Answer;
using math_test::Call;
using math_test::Real;
using math_test::Text;

class ExternalFunctionsTest : public RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    InitMiscFunctions();
    External_StandInLog() = ExternalStandInLog{};
  }
  static const ExternalStandInLog& Asked() { return External_StandInLog(); }
};

// external_define(library, name, calltype, restype, argnumb, types...).
std::vector<RValue> DefineArgs(double count, std::vector<double> types) {
  std::vector<RValue> args = {Text("x.dll"), Text("f"), Real(0), Real(0), Real(count)};
  for (double t : types) args.push_back(Real(t));
  return args;
}

TEST_F(ExternalFunctionsTest, DefineRefusesBadShapesWithItsMessages) {
  const struct {
    std::vector<RValue> args;
    const char* message;
  } cases[] = {
      {DefineArgs(2, {0}), "Wrong number of arguments to external_define()"},
      {{Text("x.dll"), Text("f"), Real(0), Real(0)}, "Wrong number of arguments to external_define()"},
      {DefineArgs(17, std::vector<double>(17, 0)), "DLL functions can have at most 16 arguments"},
      {DefineArgs(5, {0, 0, 1, 0, 0}), "DLL functions with more than 4 arguments cannot have string arguments"},
      {DefineArgs(5, {0, 0, 0, 0, 2}), "DLL functions with more than 4 arguments cannot have string arguments"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    RuntimeErrorCapture::Reset();
    const Answer answer = Call("external_define", c.args);
    EXPECT_EQ(answer.Kind(), VALUE_UNDEFINED);
    EXPECT_EQ(RuntimeErrorCapture::LastError(), c.message);
    EXPECT_EQ(RuntimeErrorCapture::Exits(), 0);
  }
  EXPECT_EQ(Asked().defines, 0) << "nothing reached the table";
}

TEST_F(ExternalFunctionsTest, AMissingLibraryGivesMinusOneAndTheDefineMessage) {
  std::vector<RValue> args = {Text("missing.dll"), Text("twice"), Real(1), Real(1), Real(3),
                              Real(1), Real(0), Real(7)};
  EXPECT_EQ(Call("external_define", args).Real(), -1.0);
  EXPECT_EQ(RuntimeErrorCapture::LastError(), "Error defining an external function.");
  EXPECT_EQ(RuntimeErrorCapture::Exits(), 0);
  EXPECT_EQ(Asked().library, "missing.dll");
  EXPECT_EQ(Asked().name, "twice");
  EXPECT_EQ(Asked().callType, 1);
  EXPECT_EQ(Asked().argumentCount, 3);
  EXPECT_EQ(std::vector<int32_t>(Asked().kinds, Asked().kinds + 4), (std::vector<int32_t>{1, 0, 0, 0}))
      << "only a type of exactly 1 is a string";
  EXPECT_TRUE(Asked().resultIsString);
}

TEST_F(ExternalFunctionsTest, NumberedDefineFormsHaveFixedShapes) {
  // external_define2(library, name, type1, type2, restype): cdecl, the result type last.
  EXPECT_EQ(Call("external_define2", {Text("lib.so"), Text("g"), Real(1), Real(0), Real(1)}).Real(), -1.0);
  EXPECT_EQ(Asked().callType, 0);
  EXPECT_EQ(Asked().argumentCount, 2);
  EXPECT_EQ(Asked().kinds[0], 1);
  EXPECT_EQ(Asked().kinds[1], 0);
  EXPECT_TRUE(Asked().resultIsString);
  // external_define4 rounds its types to the nearest integer.
  Call("external_define4", {Text("lib.so"), Text("h"), Real(0.6), Real(1.4), Real(0), Real(0.5), Real(0.7)});
  EXPECT_EQ(Asked().argumentCount, 4);
  EXPECT_EQ(std::vector<int32_t>(Asked().kinds, Asked().kinds + 4), (std::vector<int32_t>{1, 1, 0, 0}));
  EXPECT_TRUE(Asked().resultIsString);
  // external_define7(library, name, restype): seven reals.
  Call("external_define7", {Text("lib.so"), Text("k"), Real(0)});
  EXPECT_EQ(Asked().argumentCount, 7);
  EXPECT_EQ(std::vector<int32_t>(Asked().kinds, Asked().kinds + 7), std::vector<int32_t>(7, 0));
  EXPECT_FALSE(Asked().resultIsString);
  EXPECT_EQ(Asked().defines, 3);
}

TEST_F(ExternalFunctionsTest, CallsPassTheArgumentsAfterTheIdAndAnswerZero) {
  // An index never defined.
  EXPECT_EQ(Call("external_call", {Real(5), Real(1)}).Real(), 0.0);
  EXPECT_EQ(Asked().callIndex, 5);
  EXPECT_EQ(Asked().callArgumentCount, 1);
  // The id is rounded to the nearest integer.
  Call("external_call", {Real(1.6)});
  EXPECT_EQ(Asked().callIndex, 2);
  EXPECT_EQ(Asked().callArgumentCount, 0);
  // 17 arguments after the id are handed on (one too many for any definition); 18 call nothing.
  std::vector<RValue> seventeen(18, Real(1));
  EXPECT_EQ(Call("external_call", seventeen).Real(), 0.0);
  EXPECT_EQ(Asked().callArgumentCount, 17);
  const int32_t calls = Asked().calls;
  std::vector<RValue> eighteen(19, Real(1));
  EXPECT_EQ(Call("external_call", eighteen).Real(), 0.0);
  EXPECT_EQ(Asked().calls, calls);
  EXPECT_EQ(Call("external_call", {}).Real(), 0.0);
  EXPECT_EQ(Asked().calls, calls);
  // A numbered form hands on its own count, whatever the call brought.
  EXPECT_EQ(Call("external_call3", {Real(4), Text("a")}).Real(), 0.0);
  EXPECT_EQ(Asked().callIndex, 4);
  EXPECT_EQ(Asked().callArgumentCount, 3);
  EXPECT_FALSE(RuntimeErrorCapture::Reported());
}

TEST_F(ExternalFunctionsTest, FreeTakesOnlyAString) {
  Call("external_free", {Real(3)});
  EXPECT_EQ(Asked().frees, 0);
  Call("external_free", {Text("lib.so")});
  EXPECT_EQ(Asked().frees, 1);
  EXPECT_EQ(Asked().freed, "lib.so");
}

}  // namespace
