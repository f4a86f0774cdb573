// The File group registered in an otherwise empty table, over a temporary program directory and
// save area, with runtime errors and the console captured.
#pragma once

#include "functions/file_functions.h"
#include "functions/math_call.h"
#include "host/host_fixture.h"

namespace file_test {

using math_test::Call;
using math_test::CallReal;
using math_test::CallText;
using math_test::Real;
using math_test::Text;

class FileFunctionsTest : public HostFilesTest {
 protected:
  void SetUp() override {
    HostFilesTest::SetUp();
    Builtin_Shutdown();
    InitFileFunctions();
    RuntimeErrorCapture::Reset();
  }
  void TearDown() override {
    Builtin_Shutdown();
    HostFilesTest::TearDown();
  }

  // The message of the last runtime error since the previous call, or "".
  static std::string TakeError() { return RuntimeErrorCapture::Take(); }

  RuntimeErrorCapture errors;
};

}  // namespace file_test
