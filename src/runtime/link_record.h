// The link record: how a program with a built-in game hands the runner its container, its
// variable and function counts and the name tables of its translated code.
//
// The runner without a game has no provider, so its record stays empty (no container) and the
// game is read from a file. A program with a built-in game installs its provider before WinMain.
#pragma once

#include <cstdint>

// A name the translated code uses, with the slot the loader binds it to.
struct LinkName {
  const char* name;
  int32_t slot;
};

// One translated function by code index.
struct LinkFunction {
  const char* name;
  void* function;
};

struct GameLinkRecord {
  const uint8_t* data = nullptr;  // the built-in container, null when there is none
  uint32_t dataSize = 0;
  int32_t globalCount = 0;
  int32_t instanceCount = 0;
  int32_t functionCount = 0;
  LinkName** variables = nullptr;  // null-terminated
  LinkName** builtins = nullptr;   // null-terminated
  LinkFunction* functions = nullptr;  // functionCount entries
};

// The names the translated code's own declarations use for the same records.
using VariableLink = LinkName;
using BuiltinLink = LinkName;
using FunctionLink = LinkFunction;
using LinkRecord = GameLinkRecord;

using LinkRecordProvider = void (*)(GameLinkRecord* record);
// Installs the provider that fills the record (null: none, the record stays empty).
void Game_SetLinkRecordProvider(LinkRecordProvider provider);
// Fills the record through the installed provider.
GameLinkRecord* Game_FillLinkRecord(GameLinkRecord* record);

// The record of the loaded game (null before a game is loaded).
GameLinkRecord* Game_LinkRecord();
// Makes a record the loaded game's without loading one (null: none), as a program that links its
// translated code without a container does; its function count limits the code indices.
void Game_UseLinkRecord(GameLinkRecord* record);
// Binds the record's slots: every variable name to its variable id (a built-in variable's index,
// else a user variable's id, the name added when new), every built-in name to its callable id
// (-1 when nothing has that name).
void Game_BindLinkRecord(const GameLinkRecord* record);
