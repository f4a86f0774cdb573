// Lists and maps that own the lists and maps their values name.
//
// A value marked as a nested list or map (bit 30 or 31 of its kind word, on a real whose
// truncated value is the id) makes the container that holds it own what the id names: clearing
// or destroying the holder destroys it. Ids are reused, and a copied list or map carries its
// source's marks, so a mark alone cannot be trusted. Each list and map therefore has a serial
// number that is never reused, and a container that is marked records the serial of every holder
// that marked it (once per marking). A holder destroys only what still lists it, and a holder
// that releases a marked value without destroying it (delete, overwrite) drops one record. A
// container being cleared is never destroyed from within, so one that owns itself, directly or
// through others, is destroyed once.
#pragma once

#include <cstdint>
#include <vector>

#include "core/value.h"

inline constexpr uint32_t kDsMarkBits = KIND_FLAG_DSLIST | KIND_FLAG_DSMAP;

// Whether a stored value's marks are honoured: only a real (low 16 bits of the kind word 0) that
// carries one of them.
inline bool DS_IsMarked(const RValue* v) { return (v->kind & 0xFFFFu) == 0 && (v->kind & kDsMarkBits) != 0; }

// Moves a value whose references the caller took (a temporary copy) into a slot, as the slot's
// own: an array that took the temporary as its owner is owned by the slot instead.
inline void DS_Adopt(RValue* slot, RValue* taken) {
  *slot = *taken;
  if (RValue_Kind(slot) == VALUE_ARRAY && slot->pArray != nullptr && slot->pArray->owner == taken) {
    slot->pArray->owner = slot;
  }
  *taken = RValue_MakeUndefined();
}

// The part of a list or map that ownership works on.
class DsOwnable {
 public:
  DsOwnable();
  DsOwnable(const DsOwnable&) = delete;
  DsOwnable& operator=(const DsOwnable&) = delete;

  // Unique for the process's life: never handed to two lists or maps.
  uint64_t Serial() const { return m_serial; }
  // The serials of the holders that marked this container, one entry per marking.
  const std::vector<uint64_t>& Holders() const { return m_holders; }
  bool ListsHolder(uint64_t holder) const;
  void AddHolder(uint64_t holder) { m_holders.push_back(holder); }
  // Removes one record of the holder, if there is one.
  void DropHolder(uint64_t holder);
  // Set while the container empties itself; a container in that state is not destroyed.
  bool Clearing() const { return m_clearing; }

 protected:
  ~DsOwnable() = default;
  bool m_clearing = false;

 private:
  uint64_t m_serial;
  std::vector<uint64_t> m_holders;
};

// The holder has just set `flag` (one of the two marks) on a value it stores: the list or map the
// value names, if any, records the holder.
void DS_RecordMark(uint64_t holder, const RValue* value, uint32_t flag);
// The holder releases a marked value without acting on the mark: one record of the holder is
// dropped from what the value names. Nothing happens for an unmarked value.
void DS_DropMark(uint64_t holder, const RValue* value);
// The holder is being cleared or destroyed: what the value's marks name is destroyed (its slot
// emptied first) when it still lists the holder and is not itself being cleared; otherwise the
// holder's record is dropped. Nothing happens for an unmarked value.
void DS_ReleaseOwned(uint64_t holder, const RValue* value);

// Destroys every list and map and frees the six tables (teardown; later creates start at id 0).
void DS_FreeAll();
