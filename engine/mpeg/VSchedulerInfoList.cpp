// Time stamps consumed in position order.
#include "engine/mpeg/VSchedulerInfoList.h"

uint64_t VSchedulerInfoList::PopTimeStamp(uint64_t position, uint64_t* foundPosition) {
  uint64_t time = 0, at = 0;
  while (!entries_.empty() && entries_.front().position <= position) {
    time = entries_.front().timeStamp;
    at = entries_.front().position;
    entries_.pop_front();
  }
  if (foundPosition) *foundPosition = at;
  return time;
}
