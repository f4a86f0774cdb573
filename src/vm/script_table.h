// Scripts: the game's named functions. The SCPT chunk lists them; each becomes a CScript in the
// script table, bound to its code: in a translated game to the native function at its code index
// in the link record, otherwise to a code object over its CODE entry. A script's callable id is
// its index + 100000.
#pragma once

#include <cstdint>

#include "runtime/container.h"

class CInstance;
class CStream;
struct CCode;
struct LinkFunction;
struct RValue;

class CScript {
 public:
  CScript() = default;
  virtual ~CScript();
  CScript(const CScript&) = delete;
  CScript& operator=(const CScript&) = delete;

  // Fills the script from its SCPT entry (8 bytes the caller checked lie inside the container);
  // false when the entry's name or text does not lie inside it.
  bool LoadFromChunk(const uint8_t* entry, const ContainerBytes& container);
  // Binds the script to its code; false when there is none to bind to.
  bool Compile();
  CCode* GetCode() const { return m_pCode; }
  // The script's text: its stored text, the unscrambled code stream, or "".
  const char* GetStream();
  static void Delete(CScript* script) { delete script; }

  CStream* m_pCodeStream = nullptr;  // owned; never filled by this build's loaders
  CCode* m_pCode = nullptr;          // owned
  const LinkFunction* m_pNative = nullptr;
  int32_t m_codeIndex = -1;          // the CODE entry or translated-function index
  char* m_pText = nullptr;           // owned: the script's text when the game has no code
  const char* m_pName = nullptr;     // points into the container (or a caller's text)

 private:
  void Clear();
  char* m_pStreamText = nullptr;     // owned: the last unscrambled text
};

// The fixed seed of the stored-text scrambling.
inline constexpr int32_t kScriptTextSeed = 27;

// Deletes every script and frees the table.
void Script_Init();
// Fills the table from the SCPT chunk; false (with the load failed) when the chunk is damaged or,
// in a translated game, names a code index outside the link record's functions.
bool Script_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
// Binds every script to its code; the first failure is shown as a fatal error and gives false.
bool Script_Prepare();
int32_t Script_Number();
bool Script_Exists(int32_t index);
const char* Script_Name(int32_t index);  // "<undefined>" when there is no such script
// The lowest index whose script has exactly that name (bytes compared), -1 when none.
int32_t Script_Find(const char* name);
CScript* Script_Data(int32_t index);  // null when out of range or empty
// Runs a script with argc arguments (values; null for none), which are released afterwards.
// False only when the index names no script.
bool Script_Perform(int32_t index, CInstance* self, CInstance* other, int32_t argc, RValue* result, RValue* args);
// Replaces the table with scripts of these names bound to no code (null: an empty slot). For
// tools and tests that need only the names.
void Script_SetNames(const char* const* names, int32_t count);
// Deletes every script and its name, and frees the table.
void Script_DeleteAll();
