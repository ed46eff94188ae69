// Decoding, playing and clock keeping of a movie's sound.
#include "engine/mpeg/VMPAScheduler.h"

#include "engine/mpeg/MPEGExceptions.h"
#include "engine/mpeg/StreamClock.h"
#include "engine/mpeg/VBitstream.h"
#include "engine/mpeg/VMPADecoder.h"
#include "engine/mpeg/VMPAStream.h"
#include "engine/sound/AudioChannel.h"
#include "engine/sound/AudioDevice.h"
#include "engine/sound/AudioMixer.h"

VMPAScheduler::VMPAScheduler(uint32_t streamId, VBitstream* bitstream, float bufferingFactor, float reserveFactor)
    : VStreamScheduler(streamId, bitstream),
      decoder_(std::make_unique<VMPADecoder>(bitstream, bufferingFactor, reserveFactor)),
      stream_(new VMPAStream(decoder_.get())),
      bufferingFactor_(bufferingFactor),
      reserveFactor_(reserveFactor) {}

VMPAScheduler::~VMPAScheduler() {
  if (channel_) {
    // After Stop the mixer no longer reads the stream or its decoder.
    channel_->Stop();
    channel_->MarkFinished();
    channel_->Release();
  }
  if (stream_) stream_->Release();
  decoder_.reset();
}

int64_t VMPAScheduler::AudioLatency() {
  VAudioMixer* mixer = GetCurrentMixer();
  VAudioDevice* device = mixer ? mixer->GetDevice() : nullptr;
  return device ? int64_t{device->GetLatency()} * 90 : 0;
}

bool VMPAScheduler::Start() {
  VStreamScheduler::Start();
  started_ = true;
  return false;
}

void VMPAScheduler::Decode() {
  if (!started_ || !bitstream_) return;
  try {
    while (!decoder_->IsFull() && decoder_->HasWholeFrame()) {
      // The frame's header leads the bit reader now.
      const uint64_t held = static_cast<uint64_t>(bitstream_->GetHeldBitCount()) / 8;
      const uint64_t consumed = bitstream_->GetConsumedCount();
      const uint64_t position = consumed >= held ? consumed - held : 0;
      const int64_t before = decoder_->GetSamplesWritten();
      const int32_t result = decoder_->DecodeFrame();
      if (result == kMPANeedMoreData) break;
      uint64_t found = 0;
      const uint64_t stamp = input_.PopTimeStamp(position, &found);
      if (result == 0 && stamp != 0 && decoder_->GetSamplesWritten() > before)
        output_.Append(static_cast<uint64_t>(before), stamp);
    }
  } catch (const VBitstreamEmptyException&) {
    CheckEnd();
  } catch (const VMPEGException&) {
    CheckEnd();
  }
}

void VMPAScheduler::CheckEnd() {
  if (bitstream_ && bitstream_->IsSourceEnded()) SetEndOfStream();
}

bool VMPAScheduler::Present(PixelMap* /*map*/, const VRect* /*rect*/) {
  if (!started_) return true;
  // The channel takes decoded samples ahead of mixing them: the point the
  // mixer has reached is its count of frames played, in the stream's rate.
  auto read = static_cast<uint64_t>(decoder_->GetSamplesRead());
  // The output rate is the device's: the mixer copies the device's format
  // on its own thread for every block, so its copy is not read here.
  VAudioMixer* mixer = GetCurrentMixer();
  VAudioDevice* device = mixer ? mixer->GetDevice() : nullptr;
  const int32_t outputRate = device ? device->GetEncodingFormat().rate : 0;
  if (channel_ && queued_ && outputRate > 0) {
    const double perFrame = double(decoder_->GetSampleRate()) * rate_ / outputRate;
    const auto mixed = static_cast<uint64_t>(double(channel_->GetFramesPlayed()) * perFrame) *
                       static_cast<uint64_t>(decoder_->GetChannels());
    if (mixed < read) read = mixed;
  }
  uint64_t at = 0;
  const uint64_t stamp = output_.PopTimeStamp(read, &at);
  if (stamp != 0) {
    // The stamp belongs to the frame's first sample; the read point lies on.
    const double perSecond = double(decoder_->GetSampleRate()) * decoder_->GetChannels() * rate_;
    const int64_t since = perSecond > 0 ? static_cast<int64_t>(double(read - at) * 90000.0 / perSecond) : 0;
    SyncClock(static_cast<int64_t>(stamp) + since);
  }
  // Without a mixer nothing is ever heard: the sound ends with its input.
  const bool drained = endOfStream_ && (GetCurrentMixer() == nullptr ||
                                        (!decoder_->HasWholeFrame() && decoder_->GetAvailable() == 0));
  if (!IsPlaying()) return !drained;
  if (!queued_) {
    if (channel_) {
      queued_ = stream_->PlayOnChannel(channel_, 0, 32767, 440);
    } else {
      queued_ = stream_->PlayOnNewChannel(channel_, 0, 32767, 440);
    }
  }
  return !drained;
}

void VMPAScheduler::SetVolume(int32_t volume) {
  if (channel_) channel_->SetChannelVolume(volume);
}

bool VMPAScheduler::SetPlaying(bool playing) {
  if (channel_) {
    if (playing)
      channel_->Resume();
    else
      channel_->Pause();
  }
  return VStreamScheduler::SetPlaying(playing);
}

int64_t VMPAScheduler::GetMediaTime() { return static_cast<int64_t>(decoder_->GetClock() * 90000.0); }

int64_t VMPAScheduler::GetTime() { return GetPresentationTime(); }

void VMPAScheduler::SyncClock(int64_t ticks) {
  if (clock_) clock_->AddDriftSample(ticks - AudioLatency());
}

int64_t VMPAScheduler::GetPresentationTime() { return clock_ ? clock_->GetTime() : 0; }

void VMPAScheduler::SetRate(double rate) {
  VStreamScheduler::SetRate(rate);
  decoder_->SetRate(rate);
}

void VMPAScheduler::AddTimeStamp(uint64_t ticks) {
  if (!bitstream_ || ticks == 0) return;
  input_.Append(bitstream_->GetProducedCount(), ticks);
}

bool VMPAScheduler::IsReadyToPresent() {
  return decoder_->GetAvailable() >= 1152 * decoder_->GetChannels() || endOfStream_;
}
