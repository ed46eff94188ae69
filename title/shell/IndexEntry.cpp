#include "title/shell/IndexEntry.h"

void IndexEntry::Set(int32_t position, int32_t bubbleNumber, int32_t frame, int32_t maskValue, const ItemRef& item,
                     const VString* title) {
  position_ = position;
  bubbleNumber_ = bubbleNumber;
  frame_ = frame;
  maskValue_ = maskValue;
  item_ = item;
  title_.reset();
  if (title != nullptr) title_ = std::make_unique<VString>(*title);
}
