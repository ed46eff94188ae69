// The seven storylines of the title ("ST001" to "ST007"), loaded once and
// owned here. The timeline bands and the storyline panel look an event's
// storyline up here for the icons of its cards and for its picture; the
// storyline screen keeps the one catalogue they share.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "engine/script/ItemRef.h"
#include "title/modules/storyline/StorylineRecord.h"

class StorylineCatalog {
 public:
  static constexpr int32_t kStorylineCount = 7;

  // Loads the seven storylines; one that cannot be read is kept empty.
  StorylineCatalog();
  ~StorylineCatalog();
  StorylineCatalog(const StorylineCatalog&) = delete;
  StorylineCatalog& operator=(const StorylineCatalog&) = delete;

  // The storyline whose key has the reference's number (any category); null
  // when none of the seven has it.
  const StorylineRecord* Find(const ItemRef& storyline) const;
  // Storyline i (0..6), or null.
  const StorylineRecord* Get(int32_t index) const;

 private:
  std::array<std::unique_ptr<StorylineRecord>, kStorylineCount> storylines_;
};
