// The data-structure services: how the rest of the runner and native extension libraries make,
// fill and read the maps, lists and queues that carry data to scripts, and read the id tables.
//
// Most operations call the script function of the same work, so they check ids and report a bad
// one ("Data structure with index does not exist.", non-fatal) exactly as a script call would;
// the few that work on the tables directly say so. Ids are plain ints here. A text key or value
// becomes a new string, a number a real; the container keeps its own copies. A null key (or a
// null text where a string is the value) adds nothing. Main thread only: nothing here locks.
//
// CreateDsMap and CreateDsMapOf (functions/ds_map.h) make a map that is complete before its id
// exists; they are the way to hand a result map to scripts.
#pragma once

#include <cstdint>

#include "core/value.h"
#include "functions/ds_map.h"

class CDS_List;
class CDS_Stack;
class CDS_Queue;
class CDS_Priority;
class CDS_Grid;

// --- maps --------------------------------------------------------------------------------------

// A new empty map (default buckets) in the first free slot, taken before the map is made.
int32_t NewDsMap();
// Takes a slot of the map table (the first empty one, else a new one) and leaves it empty: the
// caller stores a map in it before anything else takes a map slot.
int32_t AllocDsMapIndex();
// The map of an id; null outside the table or for an emptied slot.
CDS_Map* GetDsMap(int32_t id);
// ds_map_destroy: an id outside the table is reported, an emptied slot is left without a word.
void DestroyDsMap(int32_t id);
// ds_map_clear: a bad id is reported.
void ClearDsMap(int32_t id);
// ds_map_add with the value as a real, a real, an int64 value or a string. A present key keeps
// its value; a bad id is reported.
void AddDsMapInt(int32_t id, const char* key, int32_t value);
void AddDsMapReal(int32_t id, const char* key, double value);
void AddDsMapInt64(int32_t id, const char* key, int64_t value);
void AddDsMapString(int32_t id, const char* key, const char* value);
// ds_map_add_list: the map comes to own the list. A bad map id or list id is reported.
void AddDsMapList(int32_t id, const char* key, int32_t list);

// The adders native extensions receive by pointer, with CreateDsMap: their argument lists and
// one-byte results are the extensions' interface. True when the pair was added; false for a key
// already present, and for an id that names no map (an extension may hold a stale or made-up id:
// it must not write through it) or a null key or text. Nothing is reported.
bool DsMapAddDouble(int32_t id, const char* key, double value);
bool DsMapAddString(int32_t id, const char* key, const char* value);

static_assert(sizeof(bool) == 1, "the extension adders answer one byte");
using CreateDsMapFn = int32_t (*)(int32_t count, ...);
using DsMapAddDoubleFn = bool (*)(int32_t id, const char* key, double value);
using DsMapAddStringFn = bool (*)(int32_t id, const char* key, const char* value);

// --- lists -------------------------------------------------------------------------------------

// ds_list_create; its id.
int32_t CreateDsList();
// Takes a slot of the list table and leaves it empty, as AllocDsMapIndex does for maps.
int32_t AllocDsListIndex();
// ds_list_clear: a bad id is reported.
void ClearDsList(int32_t id);
// Appends an int64 value; a bad id is reported.
void AddDsListInt64(int32_t id, int64_t value);
// Appends the map id and marks that entry as a nested map, so the list owns the map and
// destroys it with itself. A bad list id is reported and nothing is appended.
void AddDsListMap(int32_t list, int32_t map);

// --- queues ------------------------------------------------------------------------------------

// ds_queue_create; its id.
int32_t CreateDsQueue();
// Enqueues `count` groups, each given as two arguments: a double and a pointer (void*), each
// passed as that type (an int or a literal 0 there is read as garbage). A group with a pointer
// enqueues a pointer value the queue does not own, else the number. A negative id or a count
// below 1 does nothing; an id that names no queue is reported once.
void EnqueueDsQueue(int32_t id, int32_t count, ...);
// ds_queue_dequeue into *out (released first; undefined when the queue is empty or the id names
// no queue, which is reported). A negative id does nothing. A null out discards the value.
void DequeueDsQueue(int32_t id, RValue* out);
// The queue's size; 0 for a negative id (silently) and for an id that names no queue (reported).
int32_t GetDsQueueSize(int32_t id);
// ds_queue_clear; a negative id does nothing, another bad id is reported.
void ClearDsQueue(int32_t id);

// --- tables ------------------------------------------------------------------------------------

// The live slot array of a table, one pointer per slot (null for an empty one), with the number
// of slots in *count (when count is not null). Read it at once: the next create of that kind may
// move the array, so it must not be kept across one.
CDS_Stack* const* GetDsStackTable(int32_t* count);
CDS_Queue* const* GetDsQueueTable(int32_t* count);
CDS_Priority* const* GetDsPriorityTable(int32_t* count);
CDS_Grid* const* GetDsGridTable(int32_t* count);
