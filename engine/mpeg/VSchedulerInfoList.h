// Time stamps tied to byte positions of a bit stream (or to sample counts of
// a decoder): what a stream scheduler keeps to know when the data it reads
// should be presented.
#pragma once

#include <cstdint>
#include <cstddef>
#include <deque>

// One time stamp: the position (bytes written into the owning bit stream
// since its creation) and the 90 kHz time.
struct VSchedulerInfo {
  uint64_t position = 0;
  uint64_t timeStamp = 0;
};

class VSchedulerInfoList {
 public:
  explicit VSchedulerInfoList(uint32_t bufferSize = 0) : bufferSize_(bufferSize) {}

  void Append(uint64_t position, uint64_t timeStamp) { entries_.push_back({position, timeStamp}); }
  // Removes every entry from the head whose position is at most `position`;
  // answers the last removed entry's time stamp and position (0 and 0 when
  // none was removed).
  uint64_t PopTimeStamp(uint64_t position, uint64_t* foundPosition);
  size_t GetCount() const { return entries_.size(); }
  bool IsEmpty() const { return entries_.empty(); }
  const VSchedulerInfo& Front() const { return entries_.front(); }
  void Clear() { entries_.clear(); }
  uint32_t GetBufferSize() const { return bufferSize_; }

 private:
  std::deque<VSchedulerInfo> entries_;
  uint32_t bufferSize_;
};
