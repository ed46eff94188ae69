// One place of the house index: the panorama bubble it stands for, the value
// of its region in the mask of the turning house model, the model's frame
// that shows it, its 0-based position in the index list, the item it opens
// and its title.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/core/VLinkedList.h"
#include "engine/core/VString.h"
#include "engine/script/ItemRef.h"

class IndexEntry : public VListElement {
 public:
  IndexEntry() = default;
  ~IndexEntry() override = default;
  IndexEntry(const IndexEntry&) = delete;
  IndexEntry& operator=(const IndexEntry&) = delete;

  // Fills every field; the title is copied (null: none).
  void Set(int32_t position, int32_t bubbleNumber, int32_t frame, int32_t maskValue, const ItemRef& item,
           const VString* title);

  int32_t GetBubbleNumber() const { return bubbleNumber_; }
  int32_t GetFrame() const { return frame_; }
  int32_t GetMaskValue() const { return maskValue_; }
  int32_t GetPosition() const { return position_; }
  const ItemRef& GetItem() const { return item_; }
  // Null when the entry has none.
  const VString* GetTitle() const { return title_.get(); }

 private:
  int32_t bubbleNumber_ = -1;
  int32_t frame_ = -1;
  int32_t maskValue_ = -1;
  int32_t position_ = -1;
  ItemRef item_;
  std::unique_ptr<VString> title_;
};
