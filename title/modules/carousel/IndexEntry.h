// One place of the house index: the panorama bubble it stands for, where the
// rotating house model shows it, the item it opens and its title.
#pragma once

#include <cstdint>
#include <string>

#include "engine/script/ItemRef.h"

struct IndexEntry {
  int32_t bubbleNumber = -1;
  int32_t frame = -1;
  int32_t maskValue = -1;
  // 0-based place in the index list.
  int32_t position = 0;
  ItemRef item;
  std::string title;
};
