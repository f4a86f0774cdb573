#include "runtime/runner_options.h"

#include <vector>

RunnerOptions g_RunnerOptions;

namespace {
std::vector<std::string> g_parameters;
}  // namespace

int32_t Runner_ParameterCount() { return static_cast<int32_t>(g_parameters.size()); }

const char* Runner_ParameterString(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= g_parameters.size()) return nullptr;
  return g_parameters[static_cast<size_t>(index)].c_str();
}

void Runner_ClearParameters() { g_parameters.clear(); }

void Runner_AddParameter(const std::string& token) { g_parameters.push_back(token); }
