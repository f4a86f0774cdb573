// Feeds arbitrary text to the containers' text readers: the first byte picks the kind and the
// older-form flag, the rest is the text. No text may make a reader leave its data, allocate more
// than the text could fill, or recurse without bound; what a read accepts, written and read
// again, must come back as the same text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/memory_manager.h"
#include "functions/ds_grid.h"
#include "functions/ds_list.h"
#include "functions/ds_map.h"
#include "functions/ds_priority.h"
#include "functions/ds_stack.h"

namespace {

std::string Take(char* text) {
  std::string out = text != nullptr ? text : "";
  MEM_FREE(text);
  return out;
}

// Reads the text; when it was accepted, the written text must be a fixed point of write(read()).
template <typename Container, typename Make>
void RoundTrip(Make make, const char* text, bool olderForm) {
  Container* first = make();
  if (first->ReadText(text, olderForm)) {
    const std::string once = Take(first->WriteText());
    Container* second = make();
    if (!second->ReadText(once.c_str(), false) || Take(second->WriteText()) != once) __builtin_trap();
    delete second;
  }
  delete first;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t selector = data[0];
  // Exactly the input as a terminated text (a zero byte inside ends it early).
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const bool olderForm = (selector & 8) != 0;
  switch (selector % 6) {
    case 0: RoundTrip<CDS_Stack>([] { return new CDS_Stack(); }, text.c_str(), olderForm); break;
    case 1: RoundTrip<CDS_Queue>([] { return new CDS_Queue(); }, text.c_str(), olderForm); break;
    case 2: RoundTrip<CDS_List>([] { return new CDS_List(); }, text.c_str(), olderForm); break;
    case 3: RoundTrip<CDS_Priority>([] { return new CDS_Priority(); }, text.c_str(), olderForm); break;
    case 4: RoundTrip<CDS_Grid>([] { return new CDS_Grid(0, 0); }, text.c_str(), olderForm); break;
    default: {
      CDS_Map first(16);
      first.ReadText(text.c_str());
      const std::string once = Take(first.WriteText());
      CDS_Map second(16);
      second.ReadText(once.c_str());
      if (Take(second.WriteText()) != once) __builtin_trap();
      break;
    }
  }
  return 0;
}
