#include <iterator>

#include "lumbrix/embedded_container.h"
#include "lumbrix/names.h"

namespace lumbrix {

// The links of built-in variables and functions, named as the code names them.
#define LUMBRIX_DEFINE_LINK(name) LinkName name{#name, 0};
namespace var {
LUMBRIX_VARIABLES(LUMBRIX_DEFINE_LINK, LUMBRIX_SKIP, LUMBRIX_SKIP)
}
namespace fn {
LUMBRIX_BUILTINS(LUMBRIX_DEFINE_LINK)
}
// User variables are reached by fixed index, so their links only carry the name to the binding.
namespace user {
LUMBRIX_VARIABLES(LUMBRIX_SKIP, LUMBRIX_DEFINE_LINK, LUMBRIX_DEFINE_LINK)
}
#undef LUMBRIX_DEFINE_LINK

namespace {

#define LUMBRIX_BUILTIN_VARIABLE(name) &var::name,
#define LUMBRIX_USER_VARIABLE(name) &user::name,
#define LUMBRIX_FUNCTION_LINK(name) &fn::name,
LinkName* g_variables[] = {
    LUMBRIX_VARIABLES(LUMBRIX_BUILTIN_VARIABLE, LUMBRIX_USER_VARIABLE, LUMBRIX_USER_VARIABLE) nullptr};
LinkName* g_builtins[] = {LUMBRIX_BUILTINS(LUMBRIX_FUNCTION_LINK) nullptr};

#define LUMBRIX_FUNCTION_ENTRY(name) {#name, reinterpret_cast<void*>(&name)},
LinkFunction g_functions[] = {LUMBRIX_FUNCTIONS(LUMBRIX_FUNCTION_ENTRY, LUMBRIX_FUNCTION_ENTRY)};

static_assert(std::size(g_functions) == code::kCount);
static_assert(inst::kCount == 90 && glob::kCount == 5);

}  // namespace

void FillLinkRecord(GameLinkRecord* record) {
  record->data = EmbeddedContainer_Data();
  record->dataSize = EmbeddedContainer_Size();
  record->globalCount = glob::kCount;
  record->instanceCount = inst::kCount;
  record->functionCount = code::kCount;
  record->variables = g_variables;
  record->builtins = g_builtins;
  record->functions = g_functions;
}

void Install() { Game_SetLinkRecordProvider(FillLinkRecord); }

}  // namespace lumbrix
