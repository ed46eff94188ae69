#include "engine/sound/AudioChannel.h"

#include <algorithm>
#include <cstring>

#include "engine/sound/AudioDecoder.h"
#include "engine/sound/AudioMixer.h"
#include "engine/sound/AudioStream.h"
#include "engine/sound/SampleKernels.h"
#include "engine/sound/VolumeTables.h"

VAudioChannel::VAudioChannel(bool persistent) : persistent_(persistent) { AddChannelToCurrentMixer(this); }

VAudioChannel::~VAudioChannel() {
  {
    VBiasedMutexLock hold(lock_);
    DropCurrent();
    ClearQueue();
  }
  NotifyMixer(false);
}

void VAudioChannel::DropEntry(const QueueEntry& entry) {
  entry.stream->DropPlay();
  entry.stream->Release();
}

void VAudioChannel::DropCurrent() {
  steady_ = {};
  if (decoder_ && !streams_.empty()) {
    streams_.front().stream->ReleaseDecoder(decoder_);
  } else {
    delete decoder_;
  }
  decoder_ = nullptr;
}

void VAudioChannel::ClearQueue() {
  for (const QueueEntry& e : streams_) DropEntry(e);
  streams_.clear();
  queued_.store(false, std::memory_order_release);
}

void VAudioChannel::MakeCurrent(const QueueEntry& entry) {
  rateFraction_ = 0;
  position_ = entry.startFrame;
  pitch_ = entry.pitch;
  volume_ = std::clamp(entry.stream->GetVolume(), 0, 100);
  loopsLeft_ = entry.loops ? *entry.loops : entry.stream->GetLoopCount();
}

bool VAudioChannel::AdvanceStream() {
  DropCurrent();
  if (!streams_.empty()) {
    DropEntry(streams_.front());
    streams_.pop_front();
  }
  while (!streams_.empty()) {
    MakeCurrent(streams_.front());
    decoder_ = streams_.front().stream->CreateDecoder();
    if (decoder_) return true;
    DropEntry(streams_.front());
    streams_.pop_front();
  }
  queued_.store(false, std::memory_order_release);
  return false;
}

bool VAudioChannel::QueueStream(VAudioStream* stream, int32_t offsetMs, int32_t priority, int32_t pitch,
                                std::optional<int32_t> loops) {
  if (!stream) return false;
  int32_t startFrame = 0;
  if (VAudioDecoder* probe = stream->CreateDecoder()) {
    const int64_t frames = probe->GetFormat().FramesForMilliseconds(std::max(offsetMs, 0));
    startFrame = static_cast<int32_t>(std::min<int64_t>(frames, INT32_MAX));
    stream->ReleaseDecoder(probe);
  }
  bool notify = false;
  {
    VBiasedMutexLock hold(lock_);
    const QueueEntry entry{stream, priority, startFrame, pitch, loops};
    if (!streams_.empty()) {
      // A busy channel keeps its sound unless the newcomer is more urgent
      // (a smaller number).
      if (priority >= streams_.front().priority) return true;
      DropCurrent();
      ClearQueue();
    }
    stream->AddReference();
    stream->AddPlay();
    streams_.push_front(entry);
    queued_.store(true, std::memory_order_release);
    MakeCurrent(entry);
    finished_ = false;
    active_ = true;
    notify = true;
  }
  // The mixer's locks come before a channel's: notify outside the channel lock.
  if (notify) NotifyMixer(true);
  return true;
}

uint8_t* VAudioChannel::RenderBlock(uint8_t* destination, const VAudioEncodingFormat& outFormat, int32_t& frames,
                                    bool fillWithSilence) {
  if (!active_ || held_) return nullptr;
  VBiasedMutexLock hold(lock_);
  return RenderLocked(destination, outFormat, frames, fillWithSilence, false);
}

uint8_t* VAudioChannel::RenderBlockForMixing(uint8_t* destination, const VAudioEncodingFormat& outFormat,
                                             int32_t& frames) {
  if (!active_ || held_) return nullptr;
  lock_.EnterFrequent();
  uint8_t* block = RenderLocked(destination, outFormat, frames, true, false);
  lock_.LeaveFrequent();
  return block;
}

bool VAudioChannel::CanMix(const VAudioEncodingFormat& format) {
  return format.bits == 16 && format.byteOrder == 1 &&
         (format.encoding == kAudioEncodingSigned || format.encoding == kAudioEncodingUnsigned);
}

bool VAudioChannel::BeginMix(const VAudioEncodingFormat& outFormat, int32_t frames, ScaledBlock16& block) {
  if (!CanMix(outFormat) || !active_ || held_) return false;
  lock_.EnterFrequent();
  const uint8_t* samples = TakeSteadyBlock(outFormat, frames);
  if (!samples) samples = RenderLocked(nullptr, outFormat, frames, true, true);
  if (!samples) {
    lock_.LeaveFrequent();
    return false;
  }
  // The factors change only with the volumes, the pan and the channel count.
  const int32_t volume = volumeScale_ * volume_ / 100, pan = pan_;
  if (volume != factorVolume_ || pan != factorPan_ || outFormat.stereo != factorStereo_) {
    VolumeFactors16(outFormat, volume, pan, leftFactor_, rightFactor_);
    factorVolume_ = volume;
    factorPan_ = pan;
    factorStereo_ = outFormat.stereo;
  }
  block = {samples, leftFactor_, rightFactor_};
  return true;
}

void VAudioChannel::EndMix() { lock_.LeaveFrequent(); }

const uint8_t* VAudioChannel::TakeSteadyBlock(const VAudioEncodingFormat& outFormat, int32_t frames) {
  if (!steady_.samples || frames <= 0 || volume_ == 0 || pitch_ != steady_.pitch) return nullptr;
  if (!outFormat.SameEncoding(steady_.format)) return nullptr;
  // The block that reaches the end (or a loop's restart) takes the full path.
  if (position_ < 0 || int64_t{position_} + frames > steady_.frames) return nullptr;
  const uint8_t* block = steady_.samples + int64_t{position_} * steady_.frameBytes;
  position_ += frames;
  CountPlayed(frames);
  return block;
}

void VAudioChannel::NoteSteady(const VAudioEncodingFormat& outFormat) {
  int32_t frames = 0;
  const uint8_t* samples = decoder_->FixedFrames(frames);
  if (!samples) return;
  steady_ = {samples, frames, outFormat.FrameBytes(), outFormat, pitch_};
}

uint8_t* VAudioChannel::RenderLocked(uint8_t* destination, const VAudioEncodingFormat& outFormat, int32_t& frames,
                                     bool fillWithSilence, bool forMixing) {
  if (frames <= 0) return nullptr;
  if (streams_.empty()) {
    active_ = false;
    return nullptr;
  }
  if (volume_ == 0) return nullptr;
  const int32_t outFrameBytes = outFormat.FrameBytes();
  if (outFrameBytes <= 0) return nullptr;
  const int64_t blockBytes = int64_t{frames} * outFrameBytes;
  if (blockBytes > INT32_MAX) return nullptr;
  // The channel's own block is made ready only when samples are written into
  // it: a whole block mixed where the decoder holds them needs none.
  const auto blockAt = [&](int32_t frame) -> uint8_t* {
    if (!destination) {
      if (!buffer_.Ensure(static_cast<int32_t>(blockBytes))) return nullptr;
      destination = buffer_.GetData();
    }
    return destination + int64_t{frame} * outFrameBytes;
  };
  if (!decoder_) {
    decoder_ = streams_.front().stream->CreateDecoder();
    if (!decoder_) {
      AdvanceStream();
      return nullptr;
    }
  }
  // For mixing, samples that need no conversion and fill the whole block are
  // given where the decoder holds them, without a copy, when they stay there.
  uint8_t* whole = nullptr;
  int32_t produced = 0;
  bool sinceRewindEmpty = false;  // a loop restart that delivered nothing yet
  while (produced < frames) {
    const VAudioEncodingFormat& in = decoder_->GetFormat();
    const int32_t referencePitch = std::max(streams_.front().stream->GetReferencePitch(), 1);
    // The step changes only with the pitch and the rates: kept from the last block.
    if (pitch_ != stepPitch_ || referencePitch != stepReference_ || in.rate != stepInRate_ ||
        outFormat.rate != stepOutRate_) {
      const double ratio = static_cast<double>(pitch_) / referencePitch * in.rate / outFormat.rate;
      step_ = static_cast<int32_t>(std::clamp(ratio * 1024.0, 1.0, 1024.0 * 1024.0));
      stepPitch_ = pitch_;
      stepReference_ = referencePitch;
      stepInRate_ = in.rate;
      stepOutRate_ = outFormat.rate;
    }
    const int32_t step = step_;
    const int32_t left = frames - produced;
    int32_t asked = SourceFramesForStep(left, step, rateFraction_);
    const bool inPlace = step == 1024 && in.SameEncoding(outFormat);
    // Mixing reads samples already in the output format from where the
    // decoder holds them; a block is otherwise written at once.
    uint8_t* target = inPlace && !forMixing ? blockAt(produced) : nullptr;
    if (inPlace) asked = std::min(asked, left);
    decoder_->Seek(static_cast<int32_t>(std::min<int64_t>(int64_t{position_} * in.FrameBytes(), INT32_MAX)));
    int32_t delivered = asked;
    bool failed = false;
    uint8_t* data = decoder_->Decode(target, delivered, outFormat, failed);
    if (data && delivered > 0 && !failed) {
      delivered = std::min(delivered, asked);
      position_ += delivered;
      sinceRewindEmpty = false;
      int32_t outFrames = left;
      if (delivered < asked) {
        outFrames = static_cast<int32_t>(((int64_t{delivered} * 1024 - rateFraction_) - 1 + step) / step);
        outFrames = std::clamp(outFrames, 1, left);
      }
      if (inPlace && forMixing && outFrames == delivered) {
        // Kept where they are only when no other channel's read of the
        // stream can overwrite them before the group is added.
        if (produced == 0 && outFrames == frames && decoder_->SamplesLast()) {
          whole = data;
          if (!steady_.samples) NoteSteady(outFormat);
        } else if (uint8_t* piece = blockAt(produced)) {
          std::memcpy(piece, data, static_cast<size_t>(outFrames) * outFrameBytes);
        } else {
          return nullptr;
        }
      } else if (inPlace && data == target) {
        outFrames = std::min(delivered, left);
      } else if (uint8_t* piece = blockAt(produced); !piece) {
        return nullptr;
      } else if (ConvertAudioFormat(data, in, delivered, piece, outFormat, outFrames, step, &rateFraction_) == 0) {
        failed = true;  // a format the conversion cannot reach: the stream cannot play
      }
      if (!failed) {
        produced += outFrames;
        continue;
      }
    }
    if (!failed && !decoder_->IsAtEnd()) {
      // Nothing yet (a stream that is still arriving): try again next block.
      if (produced == 0) return nullptr;
      break;
    }
    // The stream is over.
    if (!failed && !sinceRewindEmpty && (loopsLeft_ > 1 || loopsLeft_ == -1)) {
      if (loopsLeft_ != -1) --loopsLeft_;
      position_ = 0;
      rateFraction_ = 0;
      decoder_->Rewind();
      sinceRewindEmpty = true;
      continue;
    }
    if (AdvanceStream()) {
      decoder_->Rewind();
      position_ = 0;
      continue;
    }
    if (!persistent_) finished_ = true;
    active_ = false;
    break;
  }
  if (produced < frames) {
    if (fillWithSilence) {
      uint8_t* rest = blockAt(produced);
      if (!rest) return nullptr;
      FillSilence(rest, outFormat, frames - produced);
    } else {
      frames = produced;
    }
  }
  if (frames <= 0) return nullptr;
  CountPlayed(frames);
  if (forMixing) return whole ? whole : destination;
  ApplyVolumeAndPan(destination, outFormat, frames, volumeScale_ * volume_ / 100, pan_);
  return destination;
}

void VAudioChannel::Stop() {
  active_ = false;
  {
    VBiasedMutexLock hold(lock_);
    DropCurrent();
    ClearQueue();
  }
  if (!persistent_) finished_ = true;
}

void VAudioChannel::SetPosition(int32_t milliseconds) {
  VBiasedMutexLock hold(lock_);
  if (streams_.empty()) return;
  if (!decoder_) decoder_ = streams_.front().stream->CreateDecoder();
  if (!decoder_) return;
  const int64_t frames = decoder_->GetFormat().FramesForMilliseconds(std::max(milliseconds, 0));
  position_ = static_cast<int32_t>(std::min<int64_t>(frames, INT32_MAX));
}

void VAudioChannel::SetChannelVolume(int32_t percent) { volume_ = std::clamp(percent, 0, 100); }
void VAudioChannel::SetVolume(int32_t percent) { volumeScale_ = std::clamp(percent, 0, 100); }
void VAudioChannel::SetPan(int32_t pan) { pan_ = std::clamp(pan, -100, 100); }

bool VAudioChannel::HasStreams() const { return queued_.load(std::memory_order_acquire); }

int32_t VAudioChannel::GetLoopsLeft() const {
  VBiasedMutexLock hold(lock_);
  return loopsLeft_;
}

void VAudioChannel::SetLoopsLeft(int32_t loops) {
  VBiasedMutexLock hold(lock_);
  loopsLeft_ = loops;
}

int32_t VAudioChannel::GetPitch() const {
  VBiasedMutexLock hold(lock_);
  return pitch_;
}

int32_t VAudioChannel::GetFramePosition() const {
  VBiasedMutexLock hold(lock_);
  return position_;
}

int64_t VAudioChannel::GetFramesPlayed() const { return framesPlayed_.load(std::memory_order_relaxed); }
