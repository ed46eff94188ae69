#include "title/modules/storyline/StorylineCatalog.h"

#include <new>
#include <string>

#include "engine/core/VString.h"

StorylineCatalog::StorylineCatalog() {
  for (int32_t i = 0; i < kStorylineCount; ++i) {
    ItemRef key;
    key.ParseItemRef(VString(("ST00" + std::to_string(i + 1)).c_str()));
    storylines_[static_cast<size_t>(i)].reset(new (std::nothrow) StorylineRecord(key));
  }
}

StorylineCatalog::~StorylineCatalog() = default;

const StorylineRecord* StorylineCatalog::Find(const ItemRef& storyline) const {
  // An event without a storyline reference names none of them.
  if (!storyline.IsItemRefValid()) return nullptr;
  for (const auto& record : storylines_) {
    if (record && record->GetKey().GetNumber() == storyline.GetNumber()) return record.get();
  }
  return nullptr;
}

const StorylineRecord* StorylineCatalog::Get(int32_t index) const {
  if (index < 0 || index >= kStorylineCount) return nullptr;
  return storylines_[static_cast<size_t>(index)].get();
}
