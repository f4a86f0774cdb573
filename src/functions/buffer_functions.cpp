#include "functions/buffer_functions.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/argument_getters.h"
#include "core/console.h"
#include "core/function_registry.h"
#include "core/value.h"
#include "core/vm_error.h"
#include "runtime/error_report.h"
#include "io/load_save.h"
#include "functions/ds_map.h"
#include "world/async_queue.h"
#include "render/vertex_buffer.h"
#include "functions/handler_args.h"

// --- the table -----------------------------------------------------------------------------------

namespace {

constexpr int32_t kFirstCapacity = 32;

std::vector<IBuffer*> g_buffers;  // null for a free slot; the size is the capacity

}  // namespace

IBuffer* GetBuffer(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(g_buffers.size())) return nullptr;
  return g_buffers[static_cast<size_t>(index)];
}

int32_t AllocBufferIndex() {
  for (size_t i = 0; i < g_buffers.size(); ++i) {
    if (g_buffers[i] == nullptr) return static_cast<int32_t>(i);
  }
  const size_t first = g_buffers.size();
  g_buffers.resize(first == 0 ? kFirstCapacity : first * 2, nullptr);
  return static_cast<int32_t>(first);
}

int32_t AddBuffer(IBuffer* buffer) {
  const int32_t index = AllocBufferIndex();
  g_buffers[static_cast<size_t>(index)] = buffer;
  return index;
}

int32_t CreateBuffer(int32_t size, int32_t kind, int32_t alignment) {
  if (kind < eBuffer_Format_Fixed || kind > eBuffer_Format_VBuffer) {
    VM_RuntimeError(
        "Unknown buffer type, should be one of buffer_fixed, buffer_grow, buffer_wrap, buffer_fast, buffer_vbuffer");
    return -1;
  }
  if (kind == eBuffer_Format_Fast) return AddBuffer(new Buffer_Fast(size, kind, alignment));
  return AddBuffer(new Buffer_Standard(size, kind, alignment));
}

int32_t CreateBufferFromMemory(void* data, int32_t size, bool ownsMemory) {
  return AddBuffer(new Buffer_Standard(data, size, eBuffer_Format_Fixed, 1, ownsMemory));
}

bool FreeBuffer(int32_t index) {
  IBuffer* buffer = GetBuffer(index);
  if (buffer == nullptr) return false;
  g_buffers[static_cast<size_t>(index)] = nullptr;
  delete buffer;
  return true;
}

int32_t Buffer_TableCapacity() { return static_cast<int32_t>(g_buffers.size()); }

namespace {
uint64_t g_tableGeneration = 0;
}  // namespace

uint64_t Buffer_TableGeneration() { return g_tableGeneration; }

void Buffer_FreeAll() {
  ++g_tableGeneration;
  BufferAsync_Reset();
  for (IBuffer* buffer : g_buffers) delete buffer;
  g_buffers.clear();
  g_buffers.shrink_to_fit();
}

// --- asynchronous saves and loads ----------------------------------------------------------------

namespace {

struct AsyncFileEntry {
  IBuffer* buffer = nullptr;  // loads: in use until the request completes
  std::string fileName;
  std::vector<uint8_t> data;  // saves: the bytes as they were at the call
  int32_t size = 0;
  int32_t offset = 0;
};

struct GroupState {
  bool open = false;
  std::string name;
  std::vector<AsyncFileEntry> saves;
  std::vector<AsyncFileEntry> loads;
} g_group;

struct GroupOptions {
  bool showDialog = false;
  std::string subtitle;
  std::string slotTitle;
  double padIndex = 0;
  double slotSize = 0;
} g_groupOptions;

void ReleaseLoads(std::vector<AsyncFileEntry>* entries) {
  for (AsyncFileEntry& e : *entries) {
    if (e.buffer != nullptr) --e.buffer->m_inUseCount;
  }
  entries->clear();
}

std::string JoinPath(const std::string& group, const std::string& file) {
  return group.empty() ? file : group + "/" + file;
}

// The bytes of a file looked for in the save area, then in the program directory.
bool ReadEitherPlace(const std::string& path, std::vector<uint8_t>* bytes) {
  if (path.empty()) return false;
  return LoadSave_ReadSaveFile(path.c_str(), bytes) || LoadSave_ReadProgramFile(path.c_str(), bytes);
}

// A request of the asynchronous queue: its poll does all the file work at once, its completion
// hands out {"id", "status", "error"} as event 72.
struct ASYNC_SAVE_LOAD_REQ_CONTEXT : HTTP_REQ_CONTEXT {
  ASYNC_SAVE_LOAD_REQ_CONTEXT(std::vector<AsyncFileEntry>* pending, const std::string& group, int32_t saveMode,
                              bool fromGroup);
  // Pending loads that never ran (the queue shut down) give their buffers back.
  ~ASYNC_SAVE_LOAD_REQ_CONTEXT() override;

  std::vector<AsyncFileEntry> entries;  // oldest first; worked newest first
  std::string groupName;
  int32_t mode;  // 1 save, 0 load
  int32_t status = 1;
  int32_t error = 0;
  int32_t group;
};

// The requests on the queue, so that a reset can take them off.
std::vector<ASYNC_SAVE_LOAD_REQ_CONTEXT*> g_requests;

void Work(HTTP_REQ_CONTEXT* record) {
  auto* request = static_cast<ASYNC_SAVE_LOAD_REQ_CONTEXT*>(record);
  for (auto it = request->entries.rbegin(); it != request->entries.rend(); ++it) {
    AsyncFileEntry& e = *it;
    const std::string path = JoinPath(request->groupName, e.fileName);
    if (request->mode == 1) {
      if (!LoadSave_WriteFile(path.c_str(), e.data.data(), static_cast<int32_t>(e.data.size()))) request->status = 0;
      continue;
    }
    std::vector<uint8_t> bytes;
    if (ReadEitherPlace(path, &bytes) || ReadEitherPlace(e.fileName, &bytes)) {
      if (!bytes.empty() && e.buffer != nullptr) {
        CopyMemoryToBuffer(e.buffer, bytes.data(), static_cast<int64_t>(bytes.size()), 0, e.size, e.offset, true,
                           false, false);
      }
    } else {
      request->status = 0;
    }
    if (e.buffer != nullptr) --e.buffer->m_inUseCount;
    e.buffer = nullptr;
  }
  request->m_status = kAsyncStatusDone;
}

int32_t Complete(HTTP_REQ_CONTEXT* record, void*, int32_t* asyncLoad) {
  const auto* request = static_cast<const ASYNC_SAVE_LOAD_REQ_CONTEXT*>(record);
  *asyncLoad = CreateDsMap(3, "id", static_cast<double>(request->m_id), nullptr, "status",
                           static_cast<double>(request->status), nullptr, "error", static_cast<double>(request->error),
                           nullptr);
  return kAsyncEventSaveLoad;
}

ASYNC_SAVE_LOAD_REQ_CONTEXT::ASYNC_SAVE_LOAD_REQ_CONTEXT(std::vector<AsyncFileEntry>* pending, const std::string& group,
                                                         int32_t saveMode, bool fromGroup)
    : HTTP_REQ_CONTEXT(nullptr, 0, Complete, nullptr, nullptr, false),
      entries(std::move(*pending)),
      groupName(group),
      mode(saveMode),
      group(fromGroup ? 1 : 0) {
  pending->clear();
  m_pPoll = Work;
  g_requests.push_back(this);
}

ASYNC_SAVE_LOAD_REQ_CONTEXT::~ASYNC_SAVE_LOAD_REQ_CONTEXT() {
  ReleaseLoads(&entries);
  std::erase(g_requests, this);
}

int32_t MakeRequest(std::vector<AsyncFileEntry>* entries, const std::string& groupName, int32_t mode, bool group) {
  return (new ASYNC_SAVE_LOAD_REQ_CONTEXT(entries, groupName, mode, group))->m_id;
}

}  // namespace

void BufferAsync_Reset() {
  while (!g_requests.empty()) HTTP_RemoveRequest(g_requests.back());
  ReleaseLoads(&g_group.loads);
  g_group = GroupState{};
  g_groupOptions = GroupOptions{};
}

// --- script functions ----------------------------------------------------------------------------

namespace {

constexpr uint8_t kBufferFunctionFlag = 0;

void SetEmptyText(RValue* result) { RValue_SetString(result, ""); }

void SetNullPointer(RValue* result) {
  RValue_Release(result);
  *result = RValue_MakePointer(nullptr);
}

void Report(const char* prefix, const char* message) { Error_Report(false, (std::string(prefix) + message).c_str()); }

// Checks the count and the kinds: 'n' a real, 's' a string, '.' anything. Reports and gives false
// on the first fault.
bool CheckArgs(const Args& a, const char* kinds, const char* prefix = "") {
  if (a.argc != static_cast<int32_t>(std::strlen(kinds))) {
    Report(prefix, "Illegal argument count");
    return false;
  }
  for (int32_t i = 0; a.Has(i); ++i) {
    const uint32_t kind = RValue_Kind(a.V(i));
    if ((kinds[i] == 'n' && kind != VALUE_REAL) || (kinds[i] == 's' && kind != VALUE_STRING)) {
      Report(prefix, "Illegal argument type");
      return false;
    }
  }
  return true;
}

// The buffer of argument n, or null after the report.
IBuffer* BufferArg(const Args& a, int32_t n, const char* prefix = "") {
  IBuffer* buffer = GetBuffer(a.I(n));
  if (buffer == nullptr) Report(prefix, "Illegal Buffer Index");
  return buffer;
}

BUILTIN_FN(buffer_create) {
  HANDLER_ARGS;
  constexpr const char* kPrefix = "buffer_create: ";
  Args_SetReal(result, -1);
  if (!CheckArgs(a, "nnn", kPrefix)) return;
  const double size = a.At(0)->val;
  const double alignment = a.At(2)->val;
  const bool alignmentLegal = alignment >= 1 && alignment <= 1024;
  // The block holds size + alignment bytes, which must stay within 2^31 - 1.
  const int32_t blockAlignment = alignmentLegal ? Buffer_NormaliseAlignment(static_cast<int32_t>(alignment)) : 1;
  if (!(size >= 1) || size + blockAlignment > static_cast<double>(kBuffer_MaxBlock)) {
    Report(kPrefix, "Illegal size");
    return;
  }
  if (!alignmentLegal) {
    Report(kPrefix, "Illegal alignment size");
    return;
  }
  const int32_t index = CreateBuffer(a.I(0), a.I(1), a.I(2));
  Args_SetReal(result, index);
}

BUILTIN_FN(buffer_delete) {
  HANDLER_ARGS;
  Args_SetReal(result, 0);
  if (!CheckArgs(a, "n")) return;
  IBuffer* buffer = GetBuffer(a.I(0));
  if (buffer == nullptr) return;
  if (buffer->m_inUseCount > 0) {
    Error_Report(false, "Cannot delete buffer, it's in use");
    return;
  }
  FreeBuffer(a.I(0));
}

BUILTIN_FN(buffer_write) {
  HANDLER_ARGS;
  Args_SetReal(result, -1);
  if (!CheckArgs(a, "nn.")) return;
  IBuffer* buffer = BufferArg(a, 0);
  if (buffer == nullptr) return;
  const int32_t type = a.I(1);
  const uint32_t kind = RValue_Kind(a.At(2));
  const bool isNumber = kind == VALUE_REAL || kind == VALUE_BOOL;
  const bool suits = type == eBuffer_String ? kind == VALUE_STRING
                     : type == eBuffer_Text ? (kind == VALUE_STRING || isNumber)
                                            : isNumber;
  if (!suits) {
    Error_Report(false, "Wrong tll type for buffer type");
    return;
  }
  Args_SetReal(result, buffer->Write(type, a.At(2)));
}

BUILTIN_FN(buffer_read) {
  HANDLER_ARGS;
  Args_SetReal(result, 0);
  if (!CheckArgs(a, "nn")) return;
  IBuffer* buffer = BufferArg(a, 0);
  if (buffer == nullptr) return;
  const int32_t code = buffer->Read(a.I(1), result);
  const bool outside = (code == -1 && RValue_Kind(result) == VALUE_REAL && result->val == -3.0) || code == -2;
  if (outside) {
    Error_Report(false, "Attempting to read from outside the buffer, returning 0");
    Args_SetReal(result, 0);
  } else if (code != 0) {
    Args_SetReal(result, 0);
  }
}

BUILTIN_FN(buffer_peek) {
  HANDLER_ARGS;
  Args_SetReal(result, 0);
  if (!CheckArgs(a, "nnn")) return;
  if (IBuffer* buffer = BufferArg(a, 0)) buffer->Peek(a.I(1), a.I(2), result);
}

BUILTIN_FN(buffer_poke) {
  HANDLER_ARGS;
  Args_SetReal(result, 0);
  if (!CheckArgs(a, "nnnn")) return;
  if (IBuffer* buffer = BufferArg(a, 0)) buffer->Poke(a.I(1), a.I(2), a.At(3));
}

BUILTIN_FN(buffer_seek) {
  HANDLER_ARGS;
  Args_SetReal(result, -1);
  if (!CheckArgs(a, "nnn")) return;
  if (IBuffer* buffer = BufferArg(a, 0)) Args_SetReal(result, buffer->Seek(a.I(1), a.I(2)));
}

BUILTIN_FN(buffer_tell) {
  HANDLER_ARGS;
  Args_SetReal(result, -1);
  if (!CheckArgs(a, "n")) return;
  if (IBuffer* buffer = BufferArg(a, 0)) Args_SetReal(result, buffer->m_position);
}

BUILTIN_FN(buffer_get_size) {
  HANDLER_ARGS;
  Args_SetReal(result, -1);
  if (!CheckArgs(a, "n")) return;
  if (IBuffer* buffer = BufferArg(a, 0)) Args_SetReal(result, buffer->m_size);
}

BUILTIN_FN(buffer_resize) {
  HANDLER_ARGS;
  Args_SetReal(result, 0);
  if (!CheckArgs(a, "nn")) return;
  if (IBuffer* buffer = BufferArg(a, 0)) buffer->Resize(a.I(1));
}

BUILTIN_FN(buffer_copy) {
  HANDLER_ARGS;
  Args_SetReal(result, 0);
  if (!CheckArgs(a, "nnnnn")) return;
  const int32_t source = a.I(0);
  const int32_t dest = a.I(3);
  if (source == dest) {
    Error_Report(false, "Source and Destination buffers can't be the same");
    return;
  }
  IBuffer* from = GetBuffer(source);
  IBuffer* to = GetBuffer(dest);
  if (from == nullptr || to == nullptr) {
    Error_Report(false, "Illegal Source Buffer Index");
    return;
  }
  from->Copy(a.I(1), a.I(2), to, a.I(4));
}

BUILTIN_FN(buffer_fill) {
  HANDLER_ARGS;
  Args_SetReal(result, 0);
  if (!CheckArgs(a, "nnnnn")) return;
  if (IBuffer* buffer = BufferArg(a, 0)) {
    buffer->Fill(a.I(1), a.I(4), a.I(2), a.At(3), 0, true);
  }
}

BUILTIN_FN(buffer_md5) {
  HANDLER_ARGS;
  SetEmptyText(result);
  if (!CheckArgs(a, "nnn")) return;
  if (IBuffer* buffer = BufferArg(a, 0)) buffer->MD5(result, a.I(1), a.I(2));
}

BUILTIN_FN(buffer_sha1) {
  HANDLER_ARGS;
  SetEmptyText(result);
  if (!CheckArgs(a, "nnn")) return;
  if (IBuffer* buffer = BufferArg(a, 0)) buffer->SHA1(result, a.I(1), a.I(2));
}

BUILTIN_FN(buffer_base64_encode) {
  HANDLER_ARGS;
  Args_SetReal(result, -1);
  if (!CheckArgs(a, "nnn")) return;
  if (IBuffer* buffer = BufferArg(a, 0)) buffer->Base64Encode(result, a.I(1), a.I(2));
}

// A new empty grow buffer that `fill` fills from the text argument; discarded with the report
// when it fails.
template <typename FillFn>
void NewBufferFrom(RValue* result, const Args& a, FillFn fill) {
  Args_SetReal(result, -1);
  if (!CheckArgs(a, "s")) return;
  auto* buffer = new Buffer_Standard();
  if (!fill(buffer, a.S(0))) {
    delete buffer;
    Error_Report(false, "Cannot load buffer file");
    return;
  }
  Args_SetReal(result, AddBuffer(buffer));
}

BUILTIN_FN(buffer_base64_decode) {
  HANDLER_ARGS;
  NewBufferFrom(result, a, [](IBuffer* b, const char* text) { return b->Base64Decode(text, 0, -1); });
}

BUILTIN_FN(buffer_base64_decode_ext) {
  HANDLER_ARGS;
  Args_SetReal(result, 0);
  if (!CheckArgs(a, "nsn")) return;
  if (IBuffer* buffer = BufferArg(a, 0)) buffer->Base64Decode(a.S(1), a.I(2), -1);
}

BUILTIN_FN(buffer_sizeof) {
  HANDLER_ARGS;
  Args_SetReal(result, -1);
  if (!CheckArgs(a, "n")) return;
  Args_SetReal(result, Buffer_TypeSize(a.I(0)));
}

BUILTIN_FN(buffer_get_address) {
  HANDLER_ARGS;
  constexpr const char* kPrefix = "buffer_get_address: ";
  SetNullPointer(result);
  if (!CheckArgs(a, "n", kPrefix)) return;
  if (IBuffer* buffer = BufferArg(a, 0, kPrefix)) result->ptr = buffer->GetData();
}

// The buffer and the existing surface of a surface call, or null after the report.
IBuffer* SurfaceCallBuffer(const Args& a, const char* prefix) {
  if (!CheckArgs(a, "nnnnn", prefix)) return nullptr;
  IBuffer* buffer = BufferArg(a, 0, prefix);
  if (buffer == nullptr) return nullptr;
  const BufferSurfaceAccess* access = Buffer_GetSurfaceAccess();
  if (access == nullptr || !access->exists(a.I(1))) {
    Report(prefix, "surface does not exist");
    return nullptr;
  }
  return buffer;
}

BUILTIN_FN(buffer_get_surface) {
  HANDLER_ARGS;
  Args_SetReal(result, -1);
  if (IBuffer* buffer = SurfaceCallBuffer(a, "Error in buffer_get_surface(): ")) {
    buffer->GetSurface(a.I(1), a.I(2), a.I(3), a.I(4));
  }
}

BUILTIN_FN(buffer_set_surface) {
  HANDLER_ARGS;
  Args_SetReal(result, -1);
  if (IBuffer* buffer = SurfaceCallBuffer(a, "Error in buffer_set_surface(): ")) {
    buffer->SetSurface(a.I(1), a.I(3), a.I(4));
  }
}

BUILTIN_FN(buffer_save) {
  HANDLER_ARGS;
  Args_SetReal(result, 0);
  if (!CheckArgs(a, "ns")) return;
  if (IBuffer* buffer = BufferArg(a, 0)) buffer->Save(a.S(1), 0, -1);
}

BUILTIN_FN(buffer_save_ext) {
  HANDLER_ARGS;
  Args_SetReal(result, 0);
  if (!CheckArgs(a, "nsnn")) return;
  if (IBuffer* buffer = BufferArg(a, 0)) buffer->Save(a.S(1), a.I(2), a.I(3));
}

BUILTIN_FN(buffer_load) {
  HANDLER_ARGS;
  NewBufferFrom(result, a, [](IBuffer* b, const char* name) { return b->Load(name, 0, -1, 0); });
}

BUILTIN_FN(buffer_load_ext) {
  HANDLER_ARGS;
  Args_SetReal(result, 0);
  if (!CheckArgs(a, "nsn")) return;
  if (IBuffer* buffer = BufferArg(a, 0)) buffer->Load(a.S(1), 0, -1, a.I(2));
}

BUILTIN_FN(buffer_load_partial) {
  HANDLER_ARGS;
  Args_SetReal(result, 0);
  if (!CheckArgs(a, "nsnnn")) return;
  if (IBuffer* buffer = BufferArg(a, 0)) {
    buffer->Load(a.S(1), a.I(2), a.I(3), a.I(4));
  }
}

std::string FileNameArg(const Args& a, int32_t n) {
  const char* name = a.S(n);
  return name != nullptr ? name : "";
}

// Queues an entry of the mode (1 save, 0 load) for the call's buffer, file, offset and size: it
// joins the open group's list, or becomes a request of its own in "default".
void QueueEntry(RValue* result, const Args& a, int32_t mode) {
  Args_SetReal(result, -1);
  if (a.argc != 4) {
    Error_Report(false, "Illegal argument count");
    return;
  }
  std::vector<AsyncFileEntry>& pending = mode == 1 ? g_group.saves : g_group.loads;
  const std::vector<AsyncFileEntry>& other = mode == 1 ? g_group.loads : g_group.saves;
  if (!other.empty()) {
    VM_RuntimeError("mixing async save and loads in the same group");
    return;
  }
  IBuffer* buffer = BufferArg(a, 0);
  if (buffer == nullptr) return;
  AsyncFileEntry entry;
  entry.fileName = FileNameArg(a, 1);
  entry.offset = a.I(2);
  entry.size = a.I(3);
  if (mode == 1) {
    entry.data = buffer->CopyRegionOut(entry.offset, entry.size, false);  // later changes do not reach the file
  } else {
    entry.buffer = buffer;
    ++buffer->m_inUseCount;
  }
  pending.push_back(std::move(entry));
  if (!g_group.open) Args_SetReal(result, MakeRequest(&pending, "default", mode, false));
}

BUILTIN_FN(buffer_save_async) {
  HANDLER_ARGS;
  QueueEntry(result, a, 1);
}

BUILTIN_FN(buffer_load_async) {
  HANDLER_ARGS;
  QueueEntry(result, a, 0);
}

// Answers nothing: the result stays undefined.
BUILTIN_FN(buffer_async_group_begin) {
  HANDLER_ARGS;
  if (g_group.open) {
    VM_RuntimeError("only one buffer group at a time");
    return;
  }
  const std::string name = FileNameArg(a, 0);
  if (name.find_first_of(" \t\r\n\\/") != std::string::npos) {
    VM_RuntimeError("Group name should not contain whitespace or slash characters.");
    return;
  }
  g_group.open = true;
  g_group.name = name;
}

BUILTIN_FN(buffer_async_group_end) {
  Args_SetReal(result, -1);
  if (!g_group.open) {
    VM_RuntimeError("no matching buffer_group_begin");
    return;
  }
  const std::string name = g_group.name;
  g_group.open = false;
  g_group.name.clear();
  if (!g_group.loads.empty()) {
    Args_SetReal(result, MakeRequest(&g_group.loads, name, 0, true));
  } else if (!g_group.saves.empty()) {
    Args_SetReal(result, MakeRequest(&g_group.saves, name, 1, true));
  } else {
    VM_RuntimeError("no content in group to save");
  }
}

BUILTIN_FN(buffer_async_group_option) {
  HANDLER_ARGS;
  Args_SetReal(result, 0);
  if (!a.Has(1)) return;
  const char* name = a.Text(0);
  if (name == nullptr) return;
  const std::string option = name;
  if (option == "showdialog") {
    g_groupOptions.showDialog = a.Above0(1);
    Args_SetReal(result, 1);
  } else if (option == "subtitle" || option == "slottitle") {
    const char* text = a.Text(1);
    (option == "subtitle" ? g_groupOptions.subtitle : g_groupOptions.slotTitle) = text != nullptr ? text : "";
    Args_SetReal(result, 1);
  } else if (option == "savepadindex") {
    g_groupOptions.padIndex = a.R(1);
  } else if (option == "saveslotsize") {
    g_groupOptions.slotSize = a.R(1);
  } else if (option == "temprloc") {
    const char* path = a.Text(1);
    if (path != nullptr && path[0] != '\0') {
      LoadSave_AddToWhitelist(&g_pSaveWhitelist, LoadSave_FullPath(path).c_str(), true);
    }
  } else {
    Console_DebugOutput("unknown option %s passed to F_BUFFER_Async_Group_Option\n", name);
  }
}

// --- vertex buffers ------------------------------------------------------------------------------

// What the copies read of a vertex buffer.
struct VertexBufferView {
  bool frozen = false;
  bool hasFormat = false;
  int32_t vertexCount = 0;
  int32_t stride = 0;  // bytes a vertex, from the format of the contents
  const uint8_t* data = nullptr;
  int64_t bytes = 0;  // the bytes written, inside the data
};

bool VertexBuffer_View(int32_t id, VertexBufferView* view) {
  const VertexBuffer* buffer = VertexBuffer_Get(id);
  if (buffer == nullptr) return false;
  view->frozen = buffer->frozen;
  view->hasFormat = buffer->contents != nullptr;
  view->stride = buffer->contents != nullptr ? buffer->contents->stride : 0;
  view->data = buffer->data;
  view->bytes = buffer->data != nullptr ? std::min<int64_t>(buffer->writePosition, buffer->capacity) : 0;
  // Only whole vertices inside the written bytes are read.
  view->vertexCount = view->stride > 0 ? static_cast<int32_t>(std::min<int64_t>(buffer->vertexCount, view->bytes / view->stride)) : 0;
  return true;
}

// The vertex buffer of argument 0 after the checks every vertex-buffer call shares; false after
// the report.
bool UsableVertexBuffer(const Args& a, const std::string& prefix, const char* missing, const char* verb,
                        VertexBufferView* view) {
  if (!VertexBuffer_View(a.I(0), view)) {
    Error_Report(false, (prefix + missing).c_str());
    return false;
  }
  if (view->frozen) {
    Error_Report(false, (prefix + "Can't " + verb + " frozen vertex buffer.").c_str());
    return false;
  }
  if (view->vertexCount <= 0 || !view->hasFormat || view->stride <= 0) {
    Error_Report(false, (prefix + "Can't " + verb + " empty vertex buffer.").c_str());
    return false;
  }
  return true;
}

// The first vertex and the count, the count cut to the vertices after the first; false after
// the report.
bool VertexRange(const std::string& prefix, const VertexBufferView& view, int32_t first, int32_t* count) {
  if (*count <= 0) {
    Error_Report(false, (prefix + "Specified number of verts invalid.").c_str());
    return false;
  }
  if (first < 0 || first >= view.vertexCount) {
    Error_Report(false, (prefix + "Specified start vertex out of range.").c_str());
    return false;
  }
  if (*count > view.vertexCount - first) *count = view.vertexCount - first;
  return true;
}

void CreateFromVertexBuffer(RValue* result, const Args& a, bool ext) {
  const std::string prefix = ext ? "buffer_create_from_vertex_buffer_ext: " : "buffer_create_from_vertex_buffer: ";
  Args_SetReal(result, -1);
  if (!CheckArgs(a, ext ? "nnnnn" : "nnn", prefix.c_str())) return;
  VertexBufferView view;
  if (!UsableVertexBuffer(a, prefix, "Specified vertex buffer doesn't exist.", "create buffer from", &view)) return;
  const double alignment = a.At(2)->val;
  if (!(alignment >= 1 && alignment <= 1024)) {
    Report(prefix.c_str(), "Illegal alignment size");
    return;
  }
  int32_t first = 0;
  int32_t count = view.vertexCount;
  if (ext) {
    first = a.I(3);
    count = a.I(4);
    if (!VertexRange(prefix, view, first, &count)) return;
  }
  const int64_t bytes = static_cast<int64_t>(count) * view.stride;
  const int64_t start = static_cast<int64_t>(first) * view.stride;
  int32_t index = -1;
  if (bytes <= kBuffer_MaxBlock - 512 && start + bytes <= view.bytes) {
    index = CreateBuffer(static_cast<int32_t>(bytes), a.I(1), a.I(2));
  }
  IBuffer* buffer = GetBuffer(index);
  if (buffer == nullptr) {
    Error_Report(false, "buffer_create_from_vertex_buffer: Error occurred created buffer");
    return;
  }
  CopyMemoryToMemory(buffer->GetData(), buffer->m_size, view.data, view.bytes, start, bytes, 0, false, false);
  Args_SetReal(result, index);
}

BUILTIN_FN(buffer_create_from_vertex_buffer) {
  HANDLER_ARGS;
  CreateFromVertexBuffer(result, a, false);
}

BUILTIN_FN(buffer_create_from_vertex_buffer_ext) {
  HANDLER_ARGS;
  CreateFromVertexBuffer(result, a, true);
}

BUILTIN_FN(buffer_copy_from_vertex_buffer) {
  HANDLER_ARGS;
  const std::string prefix = "buffer_copy_from_vertex_buffer: ";
  if (a.argc != 5) {
    Report(prefix.c_str(), "Illegal argument count");
    return;
  }
  VertexBufferView view;
  if (!UsableVertexBuffer(a, prefix, "Illegal Vertex Buffer Index", "copy from", &view)) return;
  const int32_t first = a.I(1);
  int32_t count = a.I(2);
  if (!VertexRange(prefix, view, first, &count)) return;
  IBuffer* dest = GetBuffer(a.I(3));
  if (dest == nullptr) {
    Report(prefix.c_str(), "Illegal Destination Buffer Index");
    return;
  }
  CopyMemoryToBuffer(dest, view.data, view.bytes, static_cast<int64_t>(first) * view.stride,
                     static_cast<int64_t>(count) * view.stride, a.I(4),
                     dest->m_kind == eBuffer_Format_Grow || dest->m_size == 0, dest->m_kind == eBuffer_Format_Wrap,
                     false);
}

struct BufferFunction {
  const char* name;
  BuiltinHandler handler;
  int32_t argumentCount;
};

}  // namespace

void InitBufferFunctions() {
  static constexpr BufferFunction functions[] = {
      {"buffer_create", buffer_create, 3},
      {"buffer_delete", buffer_delete, 1},
      {"buffer_write", buffer_write, 3},
      {"buffer_read", buffer_read, 2},
      {"buffer_poke", buffer_poke, 4},
      {"buffer_peek", buffer_peek, 3},
      {"buffer_seek", buffer_seek, 3},
      {"buffer_save", buffer_save, 2},
      {"buffer_save_ext", buffer_save_ext, 4},
      {"buffer_load", buffer_load, 1},
      {"buffer_load_ext", buffer_load_ext, 3},
      {"buffer_load_partial", buffer_load_partial, 5},
      {"buffer_save_async", buffer_save_async, 4},
      {"buffer_load_async", buffer_load_async, 4},
      {"buffer_async_group_begin", buffer_async_group_begin, 1},
      {"buffer_async_group_end", buffer_async_group_end, 0},
      {"buffer_async_group_option", buffer_async_group_option, 2},
      {"buffer_copy", buffer_copy, 5},
      {"buffer_fill", buffer_fill, 5},
      {"buffer_get_size", buffer_get_size, 1},
      {"buffer_tell", buffer_tell, 1},
      {"buffer_resize", buffer_resize, 2},
      {"buffer_md5", buffer_md5, 3},
      {"buffer_sha1", buffer_sha1, 3},
      {"buffer_base64_encode", buffer_base64_encode, 3},
      {"buffer_base64_decode", buffer_base64_decode, 1},
      {"buffer_base64_decode_ext", buffer_base64_decode_ext, 3},
      {"buffer_sizeof", buffer_sizeof, 1},
      {"buffer_get_address", buffer_get_address, 1},
      {"buffer_get_surface", buffer_get_surface, 5},
      {"buffer_set_surface", buffer_set_surface, 5},
      {"buffer_create_from_vertex_buffer", buffer_create_from_vertex_buffer, 3},
      {"buffer_create_from_vertex_buffer_ext", buffer_create_from_vertex_buffer_ext, 5},
      {"buffer_copy_from_vertex_buffer", buffer_copy_from_vertex_buffer, 5},
  };
  for (const BufferFunction& f : functions) Builtin_Add(f.name, f.handler, f.argumentCount, kBufferFunctionFlag);
}
