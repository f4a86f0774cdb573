// Every test program runs with the hooks the runner installs at start-up, so that code reaching
// the ground layer's hooks (a script error ending the game, the callables before the built-ins)
// behaves in a test as it does in the runner.
#include "host/hooks.h"

namespace {

const bool g_installed = [] {
  Runner_InstallHooks();
  return true;
}();

}  // namespace
