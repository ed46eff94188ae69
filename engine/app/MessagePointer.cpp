#include "engine/app/MessagePointer.h"

#include <cstddef>
#include <vector>

namespace {

struct Entry {
  uint32_t token;
  const void* pointer;
  const std::type_info* type;
};

// Registrations nest like the dispatches that make them, so the table stays
// as short as the deepest nesting and is searched from its end.
std::vector<Entry>& Entries() {
  static std::vector<Entry> entries;
  return entries;
}

uint32_t gLastToken = 0;

}  // namespace

namespace message_pointer_detail {

uint32_t Register(const void* pointer, const std::type_info& type) {
  std::vector<Entry>& entries = Entries();
  // Tokens are never 0 and never one that is still live, even after the
  // counter wraps.
  for (;;) {
    ++gLastToken;
    if (gLastToken == 0) continue;
    bool live = false;
    for (const Entry& e : entries) {
      if (e.token == gLastToken) {
        live = true;
        break;
      }
    }
    if (!live) break;
  }
  entries.push_back(Entry{gLastToken, pointer, &type});
  return gLastToken;
}

void Unregister(uint32_t token) {
  std::vector<Entry>& entries = Entries();
  for (size_t i = entries.size(); i-- > 0;) {
    if (entries[i].token == token) {
      entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }
}

const void* Resolve(uint32_t token, const std::type_info& type) {
  if (token == 0) return nullptr;
  const std::vector<Entry>& entries = Entries();
  for (size_t i = entries.size(); i-- > 0;) {
    if (entries[i].token == token) return *entries[i].type == type ? entries[i].pointer : nullptr;
  }
  return nullptr;
}

}  // namespace message_pointer_detail
