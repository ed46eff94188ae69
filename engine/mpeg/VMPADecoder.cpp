// Frame search, decoding into the output ring and handing samples out.
#include "engine/mpeg/VMPADecoder.h"

#include <algorithm>
#include <cstring>

#include "engine/mpeg/MPEGExceptions.h"
#include "engine/mpeg/VBitstream.h"
#include "engine/mpeg/VLayerIIFrame.h"

VMPADecoder::VMPADecoder(VBitstream* bits, float bufferingFactor, float reserveFactor)
    : bits_(bits), decodeOnDemand_(false), bufferingFactor_(bufferingFactor), reserveFactor_(reserveFactor) {
  format_ = VAudioEncodingFormat(44100, 16, false, kAudioEncodingSigned);
}

VMPADecoder::VMPADecoder(float bufferingFactor, float reserveFactor)
    : bits_(nullptr), decodeOnDemand_(true), bufferingFactor_(bufferingFactor), reserveFactor_(reserveFactor) {
  format_ = VAudioEncodingFormat(44100, 16, false, kAudioEncodingSigned);
}

VMPADecoder::~VMPADecoder() = default;

uint64_t VMPADecoder::BitPosition() const {
  return bits_->GetConsumedCount() * 8 - static_cast<uint64_t>(bits_->GetHeldBitCount());
}

void VMPADecoder::SkipTo(uint64_t bitPosition) {
  uint64_t now = BitPosition();
  while (now < bitPosition) {
    const int n = static_cast<int>(std::min<uint64_t>(bitPosition - now, 32));
    bits_->SkipBits(n);
    now += static_cast<uint64_t>(n);
  }
}

bool VMPADecoder::IsFull() const {
  if (ringSize_ == 0) return false;
  const int32_t available = available_.load(std::memory_order_acquire);
  if (waiting_ && (available > 0 || posted_.load(std::memory_order_acquire))) return true;
  return ringSize_ - available < 1152 * channels_;
}

int32_t VMPADecoder::FindFrame() {
  if (!bits_) return kMPAPeekNeedMore;
  for (;;) {
    const int32_t found = header_.Peek(*bits_);
    if (found == kMPAPeekNeedMore) return found;
    bool accept = found == kMPAPeekFound;
    if (!accept) {
      lastRefusal_ = found;
      // The reasons a stream is refused for, while none of its frames was taken.
      const bool telling = found == kMPAPeekLowSampleRate || found == kMPAPeekFreeFormat;
      if (telling && streamRefusal_ == 0 && framesDecoded_ == 0 && IsRepeatedHeader()) {
        streamRefusal_ = found;
        streamRefusalHeader_ = header_;
      }
    } else {
      const bool inStep = BitPosition() == expectedPosition_;
      const bool sameKind =
          framesDecoded_ == 0 || (header_.layer == layer_ && header_.sampleRateIndex == sampleRateIndex_);
      if (!inStep || !sameKind) accept = ConfirmNextHeader();
    }
    if (accept && bits_->IsSourceEnded() &&
        bits_->GetBitsLeft() < static_cast<uint64_t>(header_.frameBytes) * 8) {
      // The data ends inside this frame: it can never be decoded, and a later
      // header may still be whole.
      ++cutFrames_;
      accept = false;
    }
    if (accept) {
      frameBytes_ = header_.frameBytes;
      return kMPAPeekFound;
    }
    ++refusedHeaders_;
    bits_->SkipBits(8);
  }
}

bool VMPADecoder::ConfirmNextHeader() const {
  // A header found after bytes that belong to no frame, or one that changes
  // the stream's layer or rate, is taken only when the next frame's header
  // follows right after it (where those bytes are already buffered): a
  // chance sync word in damaged data practically never passes.
  uint32_t word = 0;
  for (uint64_t i = 0; i < 4; ++i) {
    const int32_t byte = bits_->PeekByteAhead(static_cast<uint64_t>(header_.frameBytes) + i);
    if (byte < 0) return true;  // not here yet, or the end of the data
    word = (word << 8) | static_cast<uint32_t>(byte);
  }
  VMPAHeader next;
  if ((word >> 20) != 0xFFF || next.Parse(word) != 0) return false;
  return next.layer == header_.layer && next.sampleRateIndex == header_.sampleRateIndex;
}

bool VMPADecoder::IsRepeatedHeader() const {
  uint8_t first[4];
  for (uint64_t i = 0; i < 4; ++i) {
    const int32_t byte = bits_->PeekByteAhead(i);
    if (byte < 0) return false;
    first[i] = static_cast<uint8_t>(byte);
  }
  // The fields every header of a stream repeats: ID, layer, protection, bit
  // rate and sampling frequency (not padding and the rest).
  auto same = [&](uint64_t at) {
    const int32_t b0 = bits_->PeekByteAhead(at);
    const int32_t b1 = bits_->PeekByteAhead(at + 1);
    const int32_t b2 = bits_->PeekByteAhead(at + 2);
    return b0 == 0xFF && b1 == first[1] && b2 >= 0 && (b2 & 0xFC) == (first[2] & 0xFC);
  };
  if (header_.frameBytes > 0) {
    const auto length = static_cast<uint64_t>(header_.frameBytes);
    // The data ending right where the frame does counts as well.
    if (bits_->IsSourceEnded() && bits_->GetBitsLeft() == length * 8) return true;
    return same(length);
  }
  // No length in the header (free format): the next such header within the
  // longest frame the format allows.
  for (uint64_t at = 4; at < 4096; ++at) {
    if (bits_->PeekByteAhead(at) < 0) return false;
    if (same(at)) return true;
  }
  return false;
}

bool VMPADecoder::HasWholeFrame() {
  if (FindFrame() != kMPAPeekFound) return false;
  if (!sized_) {
    // The first header sizes the bit stream, before its frame has to fit.
    sized_ = true;
    SizeBuffers();
  }
  const uint64_t needed = static_cast<uint64_t>(header_.frameBytes) * 8;
  // A bit stream that refills itself is asked for the rest of the frame;
  // others are filled by their owner (the system stream's demultiplexer).
  if (bits_->GetBitsLeft() < needed && bits_->RefillsOnDemand() && !bits_->IsSourceEnded()) bits_->Fill(0);
  return bits_->GetBitsLeft() >= needed;
}

void VMPADecoder::SizeBuffers() {
  const double bytesPerSecond = (static_cast<double>(header_.BitRateKbps()) * 1000.0 + 7.0) / 8.0;
  const double wanted = (static_cast<double>(bufferingFactor_) + reserveFactor_) * bytesPerSecond;
  // At least two of the longest frames (1441 bytes).
  uint64_t size = 4096;
  while (size < wanted && size < (uint64_t{1} << 24)) size <<= 1;
  if (size > bits_->GetBufferSize()) bits_->SetBufferSize(static_cast<uint32_t>(size));
}

void VMPADecoder::SizeRing(int32_t channels) {
  const int32_t unit = 1152 * channels;
  double wanted = static_cast<double>(sampleRate_) * bufferingFactor_ * channels;
  wanted = std::clamp(wanted, 2.0 * unit, double{1 << 24});
  const int32_t size = static_cast<int32_t>((static_cast<int64_t>(wanted) + unit - 1) / unit * unit);
  if (size != ringSize_) {
    ringSize_ = size;
    ring_.assign(static_cast<size_t>(size), 0);
  }
}

int32_t VMPADecoder::DecodeFrame() {
  if (!bits_ || IsFull() || !HasWholeFrame()) return kMPANeedMoreData;
  // A Layer II frame of another channel count or rate waits until every
  // sample of the old layout has been read and the last change taken over.
  const bool newLayout = header_.layer == 2 && (ringSize_ == 0 || header_.Channels() != channels_ ||
                                                header_.SampleRate() != sampleRate_);
  if (newLayout && (available_.load(std::memory_order_acquire) > 0 || posted_.load(std::memory_order_acquire))) {
    waiting_ = true;
    return kMPANeedMoreData;
  }
  waiting_ = false;
  const uint64_t start = BitPosition();
  const uint64_t end = start + static_cast<uint64_t>(header_.frameBytes) * 8;
  const int32_t read = header_.Read(*bits_);
  if (read != 0) {
    // Not reached after a successful FindFrame; kept for safety.
    lastRefusal_ = read;
    return read;
  }
  const bool rateChanged = header_.sampleRateIndex != sampleRateIndex_ || header_.layer != layer_;
  const bool changed = rateChanged || header_.mode != mode_;
  if (changed) {
    layer_ = header_.layer;
    mode_ = header_.mode;
    sampleRateIndex_ = header_.sampleRateIndex;
    frameDuration_ = static_cast<double>(header_.SamplesPerFrame()) / header_.SampleRate();
    frameBytes_ = header_.frameBytes;
    // The history of the synthesis belongs to the old rate.
    if (rateChanged) filterBank_.Reset();
    frame_.reset(layer_ == 2 ? new VLayerIIFrame(header_) : nullptr);
  }
  if (!frame_) {
    ++framesDecoded_;
    SkipTo(end);
    expectedPosition_ = end;
    return kMPAFrameNotLayerII;
  }
  frame_->SetHeader(header_);
  auto* layerII = static_cast<VLayerIIFrame*>(frame_.get());
  layerII->SetBitBudget(static_cast<int64_t>(end - BitPosition()));
  const int32_t decoded = frame_->Decode(*bits_);
  if (decoded != 0) {
    // Probably not a frame at all: search on from here instead of passing
    // over the length its header claims, and check the next header found.
    expectedPosition_ = UINT64_MAX;
    return decoded;
  }
  ++framesDecoded_;
  SkipTo(end);
  expectedPosition_ = end;
  if (newLayout) {
    // Nothing reads the ring now (it is drained and no change is pending):
    // it is sized for the new layout, and the layout is posted before its
    // first samples count as available.
    const bool channelsChanged = header_.Channels() != channels_ || ringSize_ == 0;
    channels_ = header_.Channels();
    sampleRate_ = header_.SampleRate();
    SizeRing(channels_);
    writeIndex_ = 0;
    if (channelsChanged) filterBank_.Reset();
    postedChannels_ = channels_;
    postedSampleRate_ = sampleRate_;
    posted_.store(true, std::memory_order_release);
  }
  int16_t* out = ring_.data() + writeIndex_;
  filterBank_.Synthesize(*frame_, channels_, out);
  const int32_t count = 1152 * channels_;
  writeIndex_ += count;
  if (writeIndex_ >= ringSize_) writeIndex_ = 0;
  samplesWritten_ += count;
  available_.fetch_add(count, std::memory_order_release);
  return 0;
}

bool VMPADecoder::TakeOverLayout() {
  const bool posted = posted_.load(std::memory_order_acquire);
  if (posted) {
    readChannels_ = postedChannels_;
    readSampleRate_ = postedSampleRate_;
    readIndex_ = 0;
    format_.stereo = readChannels_ == 2 ? 1 : 0;
  }
  const double rate = rate_.load();
  if (posted || rate != readRate_) {
    readRate_ = rate;
    format_.rate = static_cast<int32_t>(readSampleRate_ * readRate_);
  }
  if (posted) posted_.store(false, std::memory_order_release);
  return posted;
}

uint8_t* VMPADecoder::Decode(uint8_t* destination, int32_t& frames, const VAudioEncodingFormat&, bool& failed) {
  failed = false;
  if (available_.load(std::memory_order_acquire) == 0 && decodeOnDemand_ && bits_) {
    try {
      DecodeFrame();
    } catch (const VBitstreamEmptyException&) {
    } catch (const VMPEGException&) {
    }
  }
  // Samples seen here were written after any layout posted for them, so
  // the layout is taken over first; a caller that sized its buffer by the
  // old format gets nothing this time.
  const int32_t available = available_.load(std::memory_order_acquire);
  if (TakeOverLayout()) {
    frames = 0;
    return nullptr;
  }
  const int32_t channels = readChannels_;
  int32_t n = std::min(frames, available / channels);
  if (n > 0) n = std::min(n, (ringSize_ - readIndex_) / channels);
  if (n <= 0) {
    frames = 0;
    return nullptr;
  }
  const size_t bytes = static_cast<size_t>(n) * static_cast<size_t>(channels) * sizeof(int16_t);
  uint8_t* target = destination;
  if (!target) {
    if (!buffer_.Ensure(static_cast<int32_t>(bytes))) {
      frames = 0;
      failed = true;
      return nullptr;
    }
    target = buffer_.GetData();
  }
  // Copied out before the space is given back, so the decoding side never
  // overwrites samples still being read.
  std::memcpy(target, ring_.data() + readIndex_, bytes);
  readIndex_ += n * channels;
  if (readIndex_ >= ringSize_) readIndex_ = 0;
  samplesRead_ += n * channels;
  available_.fetch_sub(n * channels, std::memory_order_release);
  clock_.store(clock_.load() + n / (static_cast<double>(readSampleRate_) * readRate_));
  frames = n;
  return target;
}

void VMPADecoder::SetRate(double rate) { rate_.store(rate > 0 ? rate : 1.0); }
