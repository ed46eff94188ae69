// Decode-ahead, skipping, display ordering and presentation of video pictures.
#include "engine/mpeg/VMPVScheduler.h"

#include <algorithm>
#include <cmath>

#include "engine/core/Clock.h"
#include "engine/graphics/PixelMap.h"
#include "engine/mpeg/MPEGExceptions.h"
#include "engine/mpeg/StreamClock.h"
#include "engine/mpeg/VBitstream.h"

namespace {

int64_t Truncate(double x) { return static_cast<int64_t>(x); }

// Bytes a sequence header can take with its matrices and an extension.
constexpr uint64_t kHeaderBytes = 256;

int64_t TicksSince(uint64_t startMicroseconds) {
  return StreamClock::MicrosecondsToTicks(GetMicroseconds() - startMicroseconds);
}

}  // namespace

VMPVScheduler::VMPVScheduler(uint32_t streamId, VBitstream* bitstream, float bufferingFactor, float reserveFactor,
                             bool clockMaster)
    : VStreamScheduler(streamId, bitstream),
      reserveFactor_(reserveFactor),
      bufferingFactor_(bufferingFactor),
      clockMaster_(clockMaster) {
  if (bitstream_) timeStamps_ = std::make_unique<VSchedulerInfoList>(bitstream_->GetBufferSize());
  static constexpr double kFactors[kFilterCount] = {0.36, 0.875, 0.875, 0.875, 0.875, 0.875,
                                                    0.7,  0.7,   0.875, 0.6,   0.6,   0.6};
  for (int i = 0; i < kFilterCount; ++i) filters_[i] = std::make_unique<VRunningStats>(kFactors[i]);
  filters_[kPDecodeRatio]->AddSample(1.0);
  filters_[kIDecodeRatio]->AddSample(1.0);
  filters_[kIShownRatio]->AddSample(1.0);
}

VMPVScheduler::~VMPVScheduler() {
  current_.reset();
  display_.clear();
}

int32_t VMPVScheduler::QueueTarget(double frameRate, float bufferingFactor) {
  return std::max<int32_t>(5, static_cast<int32_t>(frameRate * bufferingFactor + 0.5));
}

int32_t VMPVScheduler::QueueReserve(double frameRate, float reserveFactor) {
  return std::max<int32_t>(2, static_cast<int32_t>(frameRate * reserveFactor + 0.5));
}

bool VMPVScheduler::Start() {
  VStreamScheduler::Start();
  if (!bitstream_) return false;
  // A stream filled packet by packet waits until a whole sequence header
  // (with both matrices and an extension) can be there, or its input ended.
  if (!bitstream_->RefillsOnDemand() && !bitstream_->IsSourceEnded() && bitstream_->GetBitsLeft() < 8 * kHeaderBytes)
    return false;
  bitstream_->Prime();
  decoder_.StartSequence(bitstream_.get());
  const double rate = decoder_.GetFrameRate();
  // A frame rate the stream does not give is taken as 25 so that the queue stays sane.
  const double queueRate = rate > 0 && rate <= 120 ? rate : 25.0;
  queueTarget_ = QueueTarget(queueRate, bufferingFactor_);
  queueReserve_ = QueueReserve(queueRate, reserveFactor_);
  decoder_.AllocatePictures(queueTarget_ + queueReserve_);
  halfPeriod_ = rate > 0 ? static_cast<int64_t>(90000.0 / rate) >> 1 : 0;
  started_ = true;
  return false;
}

int64_t VMPVScheduler::Now() const { return clock_ ? clock_->GetTime() : 0; }

double VMPVScheduler::ExactMediaTime() const {
  // The exact frame period: at 29.97 frames a second whole half periods
  // would lose a tick every frame.
  const double rate = decoder_.GetFrameRate();
  const int64_t frames = decoder_.GetTemporalReference() + framesBeforeGroup_;
  return rate > 0 ? double(frames) * 90000.0 / rate : 0.0;
}

int64_t VMPVScheduler::GetMediaTime() { return std::llround(ExactMediaTime()); }

void VMPVScheduler::SetTime(int64_t ticks) {
  exactOffset_ = double(ticks) - ExactMediaTime();
  timeOffset_ = ticks - GetMediaTime();
}

int64_t VMPVScheduler::GetTime() { return std::llround(ExactMediaTime() + exactOffset_); }

void VMPVScheduler::AddTimeStamp(uint64_t ticks) {
  if (!bitstream_ || !timeStamps_ || ticks == 0) return;
  timeStamps_->Append(bitstream_->GetProducedCount(), ticks);
}

bool VMPVScheduler::IsReadyToPresent() {
  // A stream too short to fill the queue is ready once its input has ended.
  return queueFilled_ || decoder_.IsSequenceEnded() || (endOfStream_ && bitstream_ && bitstream_->GetBitsLeft() == 0) ||
         (endOfStream_ && !CanDecodeMore());
}

void VMPVScheduler::ResetFilter(Filter f, double factor) { filters_[f]->factor = factor; }

bool VMPVScheduler::CanDecodeMore() {
  if (!timeStamps_ || !bitstream_) return false;
  if (!bitstream_->RefillsOnDemand() && timeStamps_->GetCount() < 2 && !endOfStream_ && !bitstream_->RefillsOnDemand())
    return false;
  if (decoder_.IsSequenceEnded()) return false;
  if (bitstream_->GetBitsLeft() == 0 && (endOfStream_ || bitstream_->IsSourceEnded())) return false;
  const int32_t busy = decoder_.CountBusyPictures();
  // Never more pictures than the pool holds.
  if (busy >= decoder_.GetPoolSize()) return false;
  if (!queueFilled_ || busy <= queueTarget_) return true;
  if (busy >= queueTarget_ + queueReserve_) return false;
  const int64_t d = GetTime() - Truncate(Mean(kDrawTime) + Mean(kDecodeTime) + bufferingFactor_) - Now();
  return d > 0;
}

void VMPVScheduler::Decode() {
  if (!started_ || !bitstream_) return;
  try {
    bitstream_->Prime();
    if (!clock_) return;
    const size_t c0 = display_.size();
    const int64_t t0 = Now();
    for (;;) {
      if (!CanDecodeMore()) break;
      const int64_t before = decoder_.GetPictureCounter();
      const bool ended = decoder_.IsSequenceEnded();
      DecodeStep();
      if (Now() - t0 >= 2 * halfPeriod_ && halfPeriod_ > 0) break;
      if (display_.size() != c0) break;
      // Nothing moved (no picture was read): wait for the next step.
      if (decoder_.GetPictureCounter() == before && decoder_.IsSequenceEnded() == ended) break;
    }
  } catch (const VBitstreamEmptyException&) {
    CheckEnd();
  } catch (const VMPEGException&) {
    CheckEnd();
  }
}

void VMPVScheduler::DecodeStep() {
  if (!decoder_.ReadHeaders()) return;
  // The picture start code begins three bytes before the code value that
  // now leads the window.
  const uint64_t held = static_cast<uint64_t>(bitstream_->GetHeldBitCount()) / 8;
  const uint64_t consumed = bitstream_->GetConsumedCount();
  const uint64_t position = consumed >= held + 3 ? consumed - held - 3 : 0;
  uint64_t found = 0;
  const uint64_t timeStamp = timeStamps_ ? timeStamps_->PopTimeStamp(position, &found) : 0;

  decoder_.ParsePictureHeader();
  if (decoder_.TakeGroupHeaderSeen()) {
    if (!display_.empty()) statisticsRunning_ = true;
    if (statisticsRunning_) {
      filters_[kPPerGroup]->AddSample(pSeen_);
      filters_[kPDecodedPerGroup]->AddSample(pDecoded_);
    }
    if (!clock_ || clock_->IsPaused()) filters_[kPShownPerGroup]->AddSample(pDecoded_);
    groupMark_ = true;
    if (pSeen_ > 0 && pictures_ > 0) {
      const double x = double(queueTarget_) * pSeen_ / pictures_;
      if (x > 0) ResetFilter(kPDecodeRatio, std::pow(0.05, 1.0 / x));
    }
    if (!display_.empty() && queueTarget_ > 0)
      ResetFilter(kShownRatio, std::pow(0.045, double(pictures_) / (double(display_.size()) * queueTarget_)));
    previousPictures_ = pictures_;
    pictures_ = pSeen_ = pDecoded_ = 0;
    framesBeforeGroup_ = decoder_.GetCounterAtGroup() / 2;
  }
  if (timeStamp != 0) SetTime(static_cast<int64_t>(timeStamp));

  const int32_t type = decoder_.GetPictureCodingType();
  bool decode = true;
  if (!queueFilled_) {
    int32_t limit = queueTarget_;
    if (firstShown_) {
      const double x = double(GetMicroseconds() - stepTime_) * 0.09 + Mean(kDecodeTime) + Mean(kDrawTime);
      const double l = x > 0 ? std::floor(double(bufferingFactor_) * 90000.0 / x + 0.5) : 1e9;
      limit = static_cast<int32_t>(std::clamp(l, 3.0, double(queueTarget_ + queueReserve_)));
    }
    if (type == kPictureB && !noDrop_ && limit < queueTarget_) {
      const double share = (3.0 * limit - queueTarget_) / (2.0 * queueTarget_);
      if (bAccumulator_ > 1.0) {
        bAccumulator_ = bAccumulator_ - 1.0 + share;
      } else {
        bAccumulator_ += share;
        decode = false;
      }
    }
    if (decoder_.CountBusyPictures() + (decode ? 1 : 0) >= limit) {
      queueFilled_ = true;
      if (clockMaster_ && clock_) clock_->AddDriftSample(static_cast<int64_t>(firstShownTime_));
      if (!statisticsRunning_) {
        filters_[kPPerGroup]->AddSample(pSeen_);
        filters_[kPDecodedPerGroup]->AddSample(pDecoded_);
        filters_[kPShownPerGroup]->AddSample(pDecoded_);
      }
    }
  } else {
    decode = noDrop_ || !ShouldSkip();
  }

  const bool decoded = decode && decoder_.CanDecodePicture();
  const uint64_t started = GetMicroseconds();
  decoder_.DecodeOrSkipPicture(decode);
  const double time = double(TicksSince(started));
  ++pictures_;
  const int32_t slot = type >= 1 && type <= 4 ? type : 0;
  if (decoded)
    ++counts_.decoded[slot];
  else
    ++counts_.skipped[slot];
  switch (type) {
    case 2:
      ++pSeen_;
      if (!decoded) {
        filters_[kPDecodeRatio]->AddSample(0.0);
        return;
      }
      filters_[kPDecodeTime]->AddSample(time);
      filters_[kDecodeTime]->AddSample(time);
      filters_[kPDecodeRatio]->AddSample(1.0);
      ++pDecoded_;
      break;
    case 3:
      if (!decoded) return;
      filters_[kBDecodeTime]->AddSample(time);
      filters_[kDecodeTime]->AddSample(time);
      break;
    default:
      if (!decoded) {
        filters_[kIDecodeRatio]->AddSample(0.0);
        filters_[kIShownRatio]->AddSample(0.0);
        return;
      }
      filters_[kIDecodeTime]->AddSample(time);
      filters_[kDecodeTime]->AddSample(time);
      filters_[kIDecodeRatio]->AddSample(1.0);
      break;
  }
  // A frame of two field pictures is queued after its second field.
  if (decoder_.IsSecondFieldPending()) return;
  QueuePicture();
}

void VMPVScheduler::QueuePicture() {
  const PicturePtr& picture = decoder_.GetCurrentPicture();
  if (!picture) return;
  picture->queued = true;
  DisplayEntry entry;
  entry.picture = picture;
  entry.field = picture->bottomFieldFirst;
  entry.time = static_cast<uint64_t>(GetTime());
  entry.type = picture->pictureCodingType;
  entry.groupMark = groupMark_;
  groupMark_ = false;
  const bool interlaced = picture->pictureStructure == 3 && !picture->progressiveSequence && !picture->progressiveFrame;
  display_.push_back(entry);
  if (interlaced) {
    DisplayEntry second = entry;
    second.field = 1 - entry.field;
    second.time = entry.time + static_cast<uint64_t>(halfPeriod_);
    second.groupMark = false;
    display_.push_back(second);
  }
  std::stable_sort(display_.begin(), display_.end(),
                   [](const DisplayEntry& a, const DisplayEntry& b) { return a.time < b.time; });
}

bool VMPVScheduler::ShouldSkip() {
  if (decoder_.IsSecondFieldPending()) return false;
  const int32_t type = decoder_.GetPictureCodingType();
  if (decoder_.AreReferencesMissing() && type != kPictureI && type != kPictureD) return true;
  const int64_t t = GetTime();
  const int64_t now = Now();
  const size_t n = display_.size();
  if (type == kPictureB) {
    return n == 0 || skipBUntilP_ || t - now < Truncate(double(bufferingFactor_) * 90000.0) ||
           Mean(kPDecodeRatio) < 0.95;
  }
  if (type == kPictureP) {
    skipBUntilP_ = false;
    if (n == 0 || t < now) return true;
    auto near = [](double x) { return static_cast<int32_t>(std::floor(x + 0.5)); };
    const double perGroup = Mean(kPPerGroup);
    const double decodedPerGroup = Mean(kPDecodedPerGroup);
    const double shownPerGroup = Mean(kPShownPerGroup);
    // Ratios of groups without P pictures count as full.
    const double r2 = perGroup > 0 ? decodedPerGroup / perGroup : 1.0;
    const double r1 = decodedPerGroup > 0 ? shownPerGroup / decodedPerGroup : 1.0;
    int32_t k;
    if (r2 > 0.9)
      k = pDecoded_ + 1;
    else if (r1 > 0.5)
      k = near(decodedPerGroup) + 1;
    else if (r1 < 0.5)
      k = near(decodedPerGroup) - 1;
    else
      k = near(decodedPerGroup);
    if (n < 3) {
      if (r2 > 0.75) {
        k = std::min(k, near(perGroup) - 1);
      } else {
        const double slack = (Mean(kDrawTime) + Mean(kPDecodeTime)) * double(pDecoded_ - k);
        k = t - Truncate(slack) - now >= 0 ? pDecoded_ + 1 : pDecoded_;
      }
    }
    if (k <= 0 && Mean(kIDecodeRatio) > 0.95 && Mean(kIShownRatio) > 0.95) k = 1;
    return pDecoded_ >= k || Mean(kIShownRatio) < 0.95;
  }
  if (n == 0 && now + Truncate(Mean(kIDecodeTime)) > t) return true;
  if (decoder_.AreReferencesMissing() && !decoder_.IsClosedGop()) skipBUntilP_ = true;
  return false;
}

void VMPVScheduler::CloseShownCount() {
  filters_[kPShownPerGroup]->AddSample(pShown_);
  pShown_ = 0;
}

void VMPVScheduler::DropEntry(size_t index) {
  DisplayEntry& entry = display_[index];
  if (entry.groupMark) CloseShownCount();
  filters_[kShownRatio]->AddSample(0.0);
  entry.picture->displayCount = 0;
  entry.picture->queued = false;
  ++counts_.dropped;
  display_.erase(display_.begin() + static_cast<std::ptrdiff_t>(index));
}

bool VMPVScheduler::Present(PixelMap* map, const VRect* rect) {
  if (!started_ || !clock_) return true;
  if (clock_->IsPaused() && firstShown_) return true;
  const int64_t now = Now();
  const int64_t T = now + Truncate(Mean(kDrawTime));

  if (firstShown_ && onTime_ && !noDrop_ && !display_.empty() && static_cast<int64_t>(display_.front().time) < T) {
    bool droppedIntra = false;
    while (display_.size() >= 2 && static_cast<int64_t>(display_[1].time) < T) {
      if (display_.front().type == kPictureI || display_.front().type == kPictureD) droppedIntra = true;
      DropEntry(0);
    }
    const DisplayEntry& last = display_.front();
    if (static_cast<int64_t>(last.time) < T) {
      const double spread = filters_[kIDecodeTime]->GetStandardDeviation() + Mean(kIDecodeTime);
      int64_t limit;
      if (last.type == kPictureI || last.type == kPictureD)
        limit = int64_t{previousPictures_} * 2 * halfPeriod_;
      else if (last.type == kPictureP)
        limit = Truncate(spread);
      else
        limit = Truncate(spread * 0.5);
      if (T - static_cast<int64_t>(last.time) > limit) {
        if (last.type == kPictureI || last.type == kPictureD || droppedIntra) filters_[kIShownRatio]->AddSample(0.0);
        DropEntry(0);
      }
    }
  }

  bool early = false;
  if (!display_.empty()) early = static_cast<int64_t>(display_.front().time) - T > Truncate(Mean(kPDecodeTime) * 0.5);
  onTime_ = !early;
  if (!display_.empty() && (!firstShown_ || !early)) {
    DisplayEntry entry = display_.front();
    if (entry.groupMark) CloseShownCount();
    if (entry.type == kPictureP)
      ++pShown_;
    else if (entry.type != kPictureB)
      filters_[kIShownRatio]->AddSample(1.0);
    filters_[kShownRatio]->AddSample(1.0);
    current_ = entry.picture;
    if (!firstShown_) {
      firstShown_ = true;
      firstShownTime_ = entry.time;
    }
    ++counts_.shown;
    if (map && rect) {
      DrawFrame(map, rect);
      frameChanged_ = true;
    }
    const bool interlaced = current_->pictureStructure == 3 && !current_->progressiveSequence && !current_->progressiveFrame;
    current_->displayCount -= interlaced ? 1 : 2;
    if (current_->displayCount <= 0) current_->queued = false;
    display_.erase(display_.begin());
    if (showObserver_) showObserver_(showContext_, entry);
  }
  if (display_.empty()) {
    if (decoder_.IsSequenceEnded()) return false;
    if (bitstream_ && bitstream_->GetBitsLeft() == 0 && (endOfStream_ || bitstream_->IsSourceEnded())) return false;
    // Input that has ended and holds no further decodable picture.
    if ((endOfStream_ || (bitstream_ && bitstream_->IsSourceEnded())) && !CanDecodeMore()) return false;
  }
  return true;
}

void VMPVScheduler::CheckEnd() {
  decoder_.EndSequence();
  if (bitstream_ && bitstream_->IsSourceEnded()) SetEndOfStream();
}

void VMPVScheduler::MarkStepTime() { stepTime_ = GetMicroseconds(); }

void VMPVScheduler::GetFrameBounds(VRect& bounds) {
  bounds = VRect(0, 0, decoder_.GetHorizontalSize(), decoder_.GetVerticalSize());
}

bool VMPVScheduler::DrawFrame(PixelMap* map, const VRect* rect) {
  if (!current_ || !map || !rect) return false;
  if (current_->width > rect->GetWidth() || current_->height > rect->GetHeight()) return false;
  const uint64_t started = ReadCycleCounter();
  const VRect target(rect->left, rect->top, rect->left + current_->width, rect->top + current_->height);
  const bool ok = current_->ConvertToPicture(*map, target);
  const uint64_t cycles = ReadCycleCounter() - started;
  const uint64_t perSecond = gCyclesPerSecond.load(std::memory_order_relaxed);
  if (perSecond != 0 && perSecond != ~uint64_t{0})
    filters_[kDrawTime]->AddSample(double(cycles) * 90000.0 / double(perSecond));
  return ok;
}

bool VMPVScheduler::TakeFrameChanged() {
  const bool changed = frameChanged_;
  frameChanged_ = false;
  return changed;
}

bool VMPVScheduler::SetShowFirstFrame(bool show) {
  const bool old = showFirstFrame_;
  showFirstFrame_ = show;
  return old;
}
