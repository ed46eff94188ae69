#include "engine/sound/AudioStream.h"

#include <algorithm>
#include <cstring>

#include "engine/sound/AudioChannel.h"
#include "engine/sound/AudioDecoder.h"

VAudioDecoder* VAudioStream::CreateDecoder() {
  VAudioDecoder* decoder = CreateAudioDecoder(format_.formatTag);
  if (decoder) decoder->Attach(this);
  return decoder;
}

void VAudioStream::ReleaseDecoder(VAudioDecoder* decoder) { delete decoder; }

bool VAudioStream::LoadWhole() {
  VMutexLock hold(lock_);
  if (loadedWhole_) return true;
  if (dataSize_ < 0 || !data_.Ensure(std::max(dataSize_, 1))) return false;
  Reset(0);
  int32_t have = 0;
  while (have < dataSize_) {
    int32_t bytes = dataSize_ - have;
    bool failed = false;
    uint8_t* got = ReadSamples(data_.GetData() + have, bytes, failed);
    if (failed) return false;
    if (!got || bytes <= 0) {
      // The data ended early: what came is the sound.
      dataSize_ = have;
      break;
    }
    if (got != data_.GetData() + have) std::memmove(data_.GetData() + have, got, static_cast<size_t>(bytes));
    have += bytes;
  }
  loadedWhole_ = true;
  readPosition_ = 0;
  return true;
}

bool VAudioStream::IsAtEnd(int32_t position) const {
  VMutexLock hold(lock_);
  return loadedWhole_ && position >= dataSize_;
}

bool VAudioStream::IsFinished() const {
  VMutexLock hold(lock_);
  return loadedWhole_ && readPosition_ >= dataSize_;
}

uint8_t* VAudioStream::ReadSamplesAt(int32_t position, uint8_t* destination, int32_t& bytes, bool& failed,
                                     bool& lasting) {
  lasting = false;
  Reset(position);
  return ReadSamples(destination, bytes, failed);
}

void VAudioStream::Reset(int32_t position) {
  VMutexLock hold(lock_);
  readPosition_ = position;
}

uint8_t* VAudioStream::ReadLoaded(int32_t& bytes, bool& failed) {
  VMutexLock hold(lock_);
  return TakeLoaded(bytes, failed);
}

uint8_t* VAudioStream::TakeLoaded(int32_t& bytes, bool& failed) {
  failed = false;
  if (!loadedWhole_) {
    failed = true;
    bytes = 0;
    return nullptr;
  }
  return TakeAt(readPosition_, bytes);
}

const uint8_t* VAudioStream::FixedSamples(int32_t& bytes) const {
  bytes = 0;
  if (!samplesFixed_.load(std::memory_order_acquire)) return nullptr;
  bytes = dataSize_;
  return data_.GetData();
}

uint8_t* VAudioStream::TakeFixedAt(int32_t position, int32_t& bytes, bool& failed, bool& lasting) {
  failed = false;
  lasting = true;
  return TakeAt(position, bytes);
}

uint8_t* VAudioStream::TakeAt(int32_t position, int32_t& bytes) {
  if (position < 0 || position >= dataSize_ || bytes <= 0) {
    readPosition_ = position;
    bytes = 0;
    return nullptr;
  }
  bytes = std::min(bytes, dataSize_ - position);
  readPosition_ = position + bytes;
  return data_.GetData() + position;
}

bool VAudioStream::Play(int32_t offsetMs, int32_t priority, int32_t pitch) {
  auto* channel = new VAudioChannel(false);
  const bool queued = channel->QueueStream(this, offsetMs, priority, pitch);
  if (!queued) channel->MarkFinished();
  channel->Release();
  return queued;
}

bool VAudioStream::PlayOnNewChannel(VAudioChannel*& channel, int32_t offsetMs, int32_t priority, int32_t pitch) {
  channel = new VAudioChannel(true);
  if (channel->QueueStream(this, offsetMs, priority, pitch)) return true;
  channel->MarkFinished();
  channel->Release();
  channel = nullptr;
  return false;
}

bool VAudioStream::PlayOnChannel(VAudioChannel* channel, int32_t offsetMs, int32_t priority, int32_t pitch) {
  return channel && channel->QueueStream(this, offsetMs, priority, pitch);
}

int32_t VAudioStream::AddPlay() {
  VMutexLock hold(lock_);
  return ++playCount_;
}

int32_t VAudioStream::GetPlayCount() const {
  VMutexLock hold(lock_);
  return playCount_;
}

int32_t VAudioStream::DropPlay() {
  VMutexLock hold(lock_);
  return --playCount_;
}

VMemoryAudioStream::VMemoryAudioStream(const VAudioEncodingFormat& format, const void* samples, int32_t bytes) {
  format_ = format;
  dataSize_ = std::max(bytes, 0);
  if (data_.Ensure(std::max(dataSize_, 1))) {
    if (samples && dataSize_ > 0) std::memcpy(data_.GetData(), samples, static_cast<size_t>(dataSize_));
    loadedWhole_ = true;
    samplesFixed_.store(true, std::memory_order_release);
  } else {
    dataSize_ = 0;
  }
  if (format_.formatTag == kAudioTagPlain) durationMs_ = static_cast<int32_t>(format_.MillisecondsForBytes(dataSize_));
}

uint8_t* VMemoryAudioStream::ReadSamples(uint8_t* /*destination*/, int32_t& bytes, bool& failed) {
  return ReadLoaded(bytes, failed);
}

uint8_t* VMemoryAudioStream::ReadSamplesAt(int32_t position, uint8_t* /*destination*/, int32_t& bytes, bool& failed,
                                           bool& lasting) {
  if (samplesFixed_.load(std::memory_order_acquire)) return TakeFixedAt(position, bytes, failed, lasting);
  lasting = true;
  VMutexLock hold(lock_);
  readPosition_ = position;
  return TakeLoaded(bytes, failed);
}
