#include "script/variable_list.h"

#include <cstring>

#include "core/console.h"
#include "core/crc32.h"
#include "core/memory_manager.h"
#include "core/value_text.h"
#include "vm/variable_names.h"
#include "io/buffer.h"
#include "runtime/game_flags.h"

namespace {

// Read of a variable that was never set, when the game treats such reads as errors.
constexpr double kUnsetReadMarker = 12345678.9;

CVariableNode* g_freeNodes = nullptr;
int32_t g_freeNodeCount = 0;

RValue EmptyValue() {
  RValue v;
  v.v64 = 0;
  v.flags = 0;
  v.kind = VALUE_UNDEFINED;
  return v;
}

CVariableNode* TakeNode() {
  CVariableNode* node = g_freeNodes;
  if (node != nullptr) {
    g_freeNodes = node->freeNext;
    --g_freeNodeCount;
  } else {
    node = static_cast<CVariableNode*>(MemoryManager_Alloc(sizeof(CVariableNode), __FILE__, __LINE__, true));
    node->key = EmptyValue();
    node->value = EmptyValue();
  }
  node->bucketNext = nullptr;
  node->freeNext = nullptr;
  node->hash = 0;
  return node;
}

void SetReal(RValue* v, double d) {
  RValue_Release(v);
  v->val = d;
  v->flags = 0;
  v->kind = VALUE_REAL;
}

void WriteInt(IBuffer* b, int32_t i) {
  RValue_Release(&b->m_scratch);
  b->m_scratch.val = static_cast<double>(i);
  b->m_scratch.kind = VALUE_REAL;
  b->Write(eBuffer_S32, &b->m_scratch);
}

// The name a node is saved under: the loader looks names up among the user variables, so an id
// is saved under its user-variable name.
const char* SavedName(const CVariableNode* node) {
  const RValue& key = node->key;
  switch (key.kind & MASK_KIND_RVALUE) {
    case VALUE_INT32: {
      const char* name = Variable_UserVariableName(key.v32);
      return name != nullptr ? name : Variable_GetName(nullptr, -1, key.v32);
    }
    case VALUE_STRING:
      return key.pString != nullptr && key.pString->text != nullptr ? key.pString->text : "";
    default:
      return "<unknown variable>";
  }
}

}  // namespace

void WXValue_Copy(RValue* target, const RValue* source) {
  if (target == source) return;
  switch (source->kind & MASK_KIND_RVALUE) {
    case VALUE_REAL:
    case VALUE_STRING:
    case VALUE_ARRAY:
    case VALUE_PTR:
    case VALUE_OBJECT:
    case VALUE_INT32:
    case VALUE_INT64:
    case VALUE_FUNCREF:
    case VALUE_BOOL:
    case VALUE_ITERATOR:
      RValue_Assign(target, source);
      return;
    default: {
      const uint32_t flags = source->flags;
      const uint32_t kind = source->kind;
      RValue_Release(target);
      target->v64 = 0;
      target->flags = flags;
      target->kind = kind;
      return;
    }
  }
}

// --- nodes -----------------------------------------------------------------------------------

CVariableNode* CVariableList::NewIdNode(int32_t id) {
  CVariableNode* node = TakeNode();
  node->key.v64 = 0;
  node->key.v32 = id;
  node->key.flags = 0;
  node->key.kind = VALUE_INT32;
  SetReal(&node->value, 0.0);
  node->hash = static_cast<uint32_t>(id);
  return node;
}

CVariableNode* CVariableList::NewNameNode(const char* name) {
  CVariableNode* node = TakeNode();
  RValue_SetString(&node->key, name != nullptr ? name : "");
  node->key.flags = 0;
  SetReal(&node->value, 0.0);
  node->hash = CRC32_String(name != nullptr ? name : "");
  return node;
}

CVariableNode* CVariableList::NewValueNode(const RValue* key) {
  CVariableNode* node = TakeNode();
  WXValue_Copy(&node->key, key);
  SetReal(&node->value, 0.0);
  node->hash = RValue_Hash(key);
  return node;
}

CVariableNode* CVariableList::NewKeyValueNode(const RValue* key, const RValue* value) {
  CVariableNode* node = TakeNode();
  WXValue_Copy(&node->key, key);
  WXValue_Copy(&node->value, value);
  node->hash = RValue_Hash(key);
  return node;
}

CVariableNode* CVariableList::CopyNode(const CVariableNode* source) {
  CVariableNode* node = TakeNode();
  WXValue_Copy(&node->key, &source->key);
  WXValue_Copy(&node->value, &source->value);
  node->value.flags = source->value.flags;
  node->hash = source->hash;
  return node;
}

void CVariableList::FreeNode(CVariableNode* node) {
  if (node == nullptr) return;
  node->bucketNext = nullptr;
  node->freeNext = g_freeNodes;
  g_freeNodes = node;
  ++g_freeNodeCount;
  RValue_Release(&node->key);
  node->key.flags = 0;
  RValue_Release(&node->value);
  node->value.flags = 0;
}

int32_t CVariableList::FreeNodeCount() { return g_freeNodeCount; }

// --- the map ---------------------------------------------------------------------------------

CVariableList::CVariableList() : m_buckets{}, m_count(0) {}

CVariableList::~CVariableList() { Clear(); }

void CVariableList::Add(CVariableNode* node) {
  CVariableNode*& head = m_buckets[node->hash & kBucketMask];
  node->bucketNext = head;
  head = node;
  ++m_count;
}

CVariableNode* CVariableList::Find(int32_t id) const {
  for (CVariableNode* n = m_buckets[static_cast<uint32_t>(id) & kBucketMask]; n != nullptr; n = n->bucketNext) {
    if ((n->key.kind & MASK_KIND_RVALUE) == VALUE_INT32 && n->key.v32 == id) return n;
  }
  return nullptr;
}

CVariableNode* CVariableList::FindByName(const char* name) const {
  if (name == nullptr) return nullptr;
  const uint32_t hash = CRC32_String(name);
  for (CVariableNode* n = m_buckets[hash & kBucketMask]; n != nullptr; n = n->bucketNext) {
    if (n->hash == hash && n->key.kind == VALUE_STRING && n->key.pString != nullptr &&
        n->key.pString->text != nullptr && std::strcmp(n->key.pString->text, name) == 0) {
      return n;
    }
  }
  return nullptr;
}

CVariableNode* CVariableList::FindByValue(const RValue* key) const {
  const uint32_t hash = RValue_Hash(key);
  for (CVariableNode* n = m_buckets[hash & kBucketMask]; n != nullptr; n = n->bucketNext) {
    if (n->hash == hash && RValue_Equals(&n->key, key)) return n;
  }
  return nullptr;
}

bool CVariableList::GetVar(int32_t id, int32_t arrayIndex, RValue* out) {
  ArrayIndexError.pending = false;
  Variable_InstanceMissing = false;
  CVariableNode* node = Find(id);
  if (node != nullptr) return RValue_GetElement(out, &node->value, arrayIndex);
  if ((Options_Flags() & kOptionVariableReadError) == 0) {
    SetReal(out, 0.0);
    return true;
  }
  SetReal(out, kUnsetReadMarker);
  return false;
}

void CVariableList::SetVar(int32_t id, int32_t arrayIndex, const RValue* value) {
  ArrayIndexError.pending = false;
  CVariableNode* node = Find(id);
  if (node == nullptr) {
    node = NewIdNode(id);
    Add(node);
  }
  RValue_SetElement(&node->value, value, arrayIndex);
}

void CVariableList::Remove(CVariableNode* node) {
  if (node == nullptr) return;
  for (CVariableNode** link = &m_buckets[node->hash & kBucketMask]; *link != nullptr; link = &(*link)->bucketNext) {
    if (*link == node) {
      *link = node->bucketNext;
      --m_count;
      FreeNode(node);
      return;
    }
  }
}

void CVariableList::Clear() {
  // Unlink everything first: releasing a value can run an owned object's destructor, which must
  // not find half-freed nodes in this map.
  CVariableNode* heads[kBucketCount];
  std::memcpy(heads, m_buckets, sizeof heads);
  std::memset(m_buckets, 0, sizeof m_buckets);
  m_count = 0;
  for (CVariableNode* head : heads) {
    while (head != nullptr) {
      CVariableNode* next = head->bucketNext;
      FreeNode(head);
      head = next;
    }
  }
}

void CVariableList::Assign(const CVariableList* source) {
  if (source == this) return;
  Clear();
  if (source == nullptr) return;
  for (int32_t b = 0; b < kBucketCount; ++b) {
    for (const CVariableNode* n = source->m_buckets[b]; n != nullptr; n = n->bucketNext) Add(CopyNode(n));
  }
}

void CVariableList::Save(IBuffer* buffer) const {
  WriteInt(buffer, m_count);
  for (int32_t b = 0; b < kBucketCount; ++b) {
    for (const CVariableNode* n = m_buckets[b]; n != nullptr; n = n->bucketNext) {
      buffer->WriteString(SavedName(n));
      RValue_Serialise(&n->value, buffer);
    }
  }
}

bool CVariableList::Load(IBuffer* buffer) {
  Clear();
  if (buffer->Read(eBuffer_S32, &buffer->m_scratch) != 0) return false;
  const int32_t n = static_cast<int32_t>(buffer->m_scratch.val);
  // Every node takes at least a name's terminator and a kind word: a larger count is damage.
  constexpr int64_t kMinNodeBytes = 5;
  if (n < 0 || n * kMinNodeBytes > static_cast<int64_t>(buffer->m_size) - buffer->m_position) return false;
  for (int32_t i = 0; i < n; ++i) {
    char* name = buffer->ReadString();
    if (name == nullptr) return false;  // the data ran out
    const int32_t id = Variable_FindUser(name);
    bool read = false;
    if (id < 0) {
      Console_DebugOutput("WARNING: Load game failed to find variable \"%s\"\n", name);
      RValue scratch = EmptyValue();
      read = RValue_Deserialise(&scratch, buffer);
      RValue_Release(&scratch);
    } else {
      CVariableNode* node = NewIdNode(id);
      read = RValue_Deserialise(&node->value, buffer);
      Add(node);
    }
    MemoryManager_Free(name);
    if (!read) return false;
  }
  return true;
}

// --- iteration -------------------------------------------------------------------------------

CVariableNode* CVariableListIterator::First() {
  m_bucket = -1;
  m_node = nullptr;
  return Next();
}

CVariableNode* CVariableListIterator::Next() {
  if (m_node != nullptr && m_node->bucketNext != nullptr) {
    m_node = m_node->bucketNext;
    return m_node;
  }
  while (++m_bucket < CVariableList::kBucketCount) {
    if (m_list->m_buckets[m_bucket] != nullptr) {
      m_node = m_list->m_buckets[m_bucket];
      return m_node;
    }
  }
  m_bucket = CVariableList::kBucketCount;
  m_node = nullptr;
  return nullptr;
}
