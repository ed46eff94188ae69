#include "engine/sound/MediaAudioStream.h"

#include <algorithm>
#include <cstring>

#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchive.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VTask.h"
#include "engine/sound/AudioDecoder.h"
#include "engine/sound/SoundReaderRegistry.h"
#include "engine/sound/SoundWriter.h"

namespace {
constexpr int32_t kWorkBytes = 16384;
}  // namespace

namespace {

// Refills a streamed sound on every pass of the user-interface thread. It
// holds a reference and lets go once it holds the last one.
class RefillTask : public VTask {
 public:
  RefillTask(MediaAudioStream* stream, VTaskManager* manager)
      : VTask(0, true, true, true, manager), stream_(stream) {
    stream_->AddReference();
  }
  // A manager deleted while the sound still streams (the program quitting
  // during it) deletes the task: its reference goes with it, so that the
  // last release deletes the stream.
  ~RefillTask() override {
    if (stream_) stream_->Release();
  }
  RefillTask(const RefillTask&) = delete;
  RefillTask& operator=(const RefillTask&) = delete;
  bool Step(uint32_t /*pass*/) override {
    if (!stream_) return false;
    if (stream_->GetReferenceCount() <= 1) {
      stream_->Release();
      stream_ = nullptr;
      return false;
    }
    stream_->Refill();
    return true;
  }

 private:
  MediaAudioStream* stream_;
};

}  // namespace

MediaAudioStream::MediaAudioStream(uint16_t mediaId) { Open(mediaId); }

MediaAudioStream::MediaAudioStream(const VFileSpec& fileSpec, uint32_t typeCode)
    : fileSpec_(fileSpec), typeCode_(typeCode) {
  if (typeCode_ == kUnknownFileType) typeCode_ = fileSpec_.GetFileTypeFromExtension(kSoundCategory);
  file_.SetFileSpec(fileSpec_);
  if (!file_.Open(1)) {
    loadFailed_ = -1;
    return;
  }
  CreateReader(file_, typeCode_);
}

MediaAudioStream::~MediaAudioStream() {
  reader_.reset();
  if (file_.IsOpen()) file_.Close();
}

int32_t MediaAudioStream::Open(uint16_t mediaId) {
  if (loadFailed_ != 0) return 0;
  if (mediaId == 0) return -1;
  mediaId_ = mediaId;
  MediaArchive* archive = GetCurrentArchive();
  uint32_t type = typeCode_;
  if (!archive || !archive->OpenMedia(mediaId, file_, type)) {
    loadFailed_ = -1;
    return -1;
  }
  typeCode_ = type;
  return CreateReader(file_, typeCode_);
}

int32_t MediaAudioStream::CreateReader(VFile& file, uint32_t typeCode) {
  reader_.reset(CreateSoundReader(file, typeCode));
  if (!reader_) return -1;
  const int32_t result = reader_->ReadHeader();
  if (result != 0) {
    reader_.reset();
    return result;
  }
  dataSize_ = std::max(reader_->GetDataEnd() - reader_->GetDataStart(), 0);
  format_ = reader_->GetFormat();
  if (VAudioDecoder* decoder = CreateDecoder()) {
    durationMs_ = static_cast<int32_t>(std::min<int64_t>(decoder->GetDurationMs(), INT32_MAX));
    ReleaseDecoder(decoder);
  }
  if (dataSize_ <= kLoadWholeLimit) LoadWhole();
  return result;
}

const VAudioDecoderConfig* MediaAudioStream::GetDecoderConfig() const {
  return reader_ ? reader_->GetDecoderConfig() : nullptr;
}

uint8_t* MediaAudioStream::ReadSamples(uint8_t* destination, int32_t& bytes, bool& failed) {
  failed = false;
  VMutexLock hold(lock_);
  if (streaming_) {
    const auto ringSize = static_cast<uint32_t>(ring_.size());
    // A request larger than the ring is served in ring-sized parts.
    bytes = static_cast<int32_t>(std::min<uint32_t>(static_cast<uint32_t>(std::max(bytes, 0)), ringSize));
    const uint32_t available = filled_ - consumed_;
    if (available < 1) {
      if (!reader_ || sourceEnded_) {
        bytes = 0;
        return nullptr;
      }
      // The ring ran dry: silence keeps the channel's timing while it refills.
      const int32_t frameBytes = std::max(format_.FrameBytes(), 1);
      bytes = bytes / frameBytes * frameBytes;
      if (bytes <= 0) return nullptr;
      if (work_.size() < static_cast<size_t>(bytes)) work_.resize(static_cast<size_t>(bytes));
      if (FillSilence(work_.data(), format_, bytes / frameBytes) == 0) std::memset(work_.data(), 0, work_.size());
      return work_.data();
    }
    bytes = static_cast<int32_t>(std::min<uint32_t>(static_cast<uint32_t>(bytes), available));
    // Copied out while the lock is held: once consumed_ moves, Refill may
    // write over these bytes of the ring.
    uint8_t* out = destination;
    if (!out) {
      if (work_.size() < static_cast<size_t>(bytes)) work_.resize(static_cast<size_t>(bytes));
      out = work_.data();
    }
    const uint32_t offset = consumed_ % ringSize;
    const uint32_t first = std::min(ringSize - offset, static_cast<uint32_t>(bytes));
    std::memcpy(out, ring_.data() + offset, first);
    std::memcpy(out + first, ring_.data(), static_cast<size_t>(bytes) - first);
    consumed_ += static_cast<uint32_t>(bytes);
    readPosition_ += bytes;
    return out;
  }
  if (loadedWhole_) return ReadLoaded(bytes, failed);
  if (!reader_) {
    bytes = 0;
    return nullptr;
  }
  reader_->SetPosition(readPosition_);
  bool ended = false;
  uint8_t* data = reader_->Read(destination, bytes, ended);
  readPosition_ = reader_->GetPosition();
  if (!data) bytes = 0;
  failed = ended && !data && !reader_->IsAtEnd();
  return data;
}

uint8_t* MediaAudioStream::ReadSamplesAt(int32_t position, uint8_t* destination, int32_t& bytes, bool& failed,
                                         bool& lasting) {
  if (samplesFixed_.load(std::memory_order_acquire)) return TakeFixedAt(position, bytes, failed, lasting);
  {
    VMutexLock hold(lock_);
    if (!streaming_ && loadedWhole_) {
      // A loaded sound never changes: it is read without the lock from now
      // on (the reader's position matters no more once it is in memory).
      samplesFixed_.store(true, std::memory_order_release);
      return TakeFixedAt(position, bytes, failed, lasting);
    }
  }
  return VAudioStream::ReadSamplesAt(position, destination, bytes, failed, lasting);
}

bool MediaAudioStream::IsAtEnd(int32_t position) const {
  if (VAudioStream::IsAtEnd(position)) return true;
  if (streaming_) return filled_ == consumed_ && (!reader_ || sourceEnded_);
  return reader_ && !loadedWhole_ && reader_->IsPastEnd(position);
}

bool MediaAudioStream::IsFinished() const {
  if (VAudioStream::IsFinished()) return true;
  if (streaming_) return reader_ && sourceEnded_;
  VMutexLock hold(lock_);  // the mixer thread moves the reader as it plays
  return reader_ && !loadedWhole_ && reader_->IsAtEnd();
}

void MediaAudioStream::Reset(int32_t position) {
  {
    VMutexLock hold(lock_);
    if (!streaming_) {
      readPosition_ = position;
      if (reader_) reader_->SetPosition(position);
      return;
    }
    // A streamed sound can only go back to its start: the ring gets the kept
    // head at once and the next Refill reads on from the end of it.
    if (position != 0) return;
    if (readPosition_ == 0 && consumed_ == 0) return;
    readPosition_ = 0;
    consumed_ = 0;
    if (!head_.empty()) std::memcpy(ring_.data(), head_.data(), head_.size());
    filled_ = static_cast<uint32_t>(head_.size());
    ++ringEpoch_;
    rewindPending_ = true;
    sourceEnded_ = headWhole_;
  }
  // On the stream's own thread the ring is topped up at once; the mixer
  // thread (a looping sound rewinds there) leaves the file to the task.
  if (std::this_thread::get_id() == ownerThread_) Refill();
}

void MediaAudioStream::StartStreaming(int32_t ringBytes) {
  {
    std::lock_guard<std::mutex> reading(refillLock_);
    VMutexLock hold(lock_);
    if (ringBytes <= 0) return;
    samplesFixed_.store(false, std::memory_order_relaxed);
    ring_.assign(static_cast<size_t>(ringBytes), 0);
    work_.resize(kWorkBytes);
    refillBuffer_.resize(static_cast<size_t>(std::min(ringBytes, kWorkBytes)));
    head_.clear();
    head_.reserve(static_cast<size_t>(std::min(ringBytes, std::max(dataSize_, 0))));
    headWhole_ = false;
    consumed_ = 0;
    filled_ = 0;
    readPosition_ = 0;
    ++ringEpoch_;
    rewindPending_ = false;
    if (reader_) reader_->SetPosition(0);
    sourceEnded_ = !reader_ || reader_->IsAtEnd();
    streaming_ = true;
  }
  const bool wasStreaming = refillTaskMade_;
  Refill();
  if (!wasStreaming) {
    if (VTaskManager* manager = GetTaskManager()) {
      new RefillTask(this, manager);  // owned by the manager
      refillTaskMade_ = true;
    }
  }
}

void MediaAudioStream::Refill() {
  std::lock_guard<std::mutex> reading(refillLock_);
  for (;;) {
    uint32_t room = 0;
    uint32_t epoch = 0;
    {
      VMutexLock hold(lock_);
      if (!streaming_ || !reader_ || ring_.empty()) return;
      if (rewindPending_) {
        reader_->SetPosition(static_cast<int32_t>(filled_));
        rewindPending_ = false;
      }
      if (NoteSourceEnd()) return;
      const auto ringSize = static_cast<uint32_t>(ring_.size());
      const uint32_t free = ringSize - (filled_ - consumed_);
      if (free == 0) return;
      room = std::min({free, ringSize - filled_ % ringSize, static_cast<uint32_t>(refillBuffer_.size())});
      epoch = ringEpoch_;
    }
    auto count = static_cast<int32_t>(room);
    bool ended = false;
    const uint8_t* data = reader_->Read(refillBuffer_.data(), count, ended);
    VMutexLock hold(lock_);
    if (epoch != ringEpoch_) continue;  // rewound meanwhile: this read is stale
    if (!data || count <= 0) {
      NoteSourceEnd();
      return;
    }
    PublishRead(data, std::min<uint32_t>(static_cast<uint32_t>(count), room));
  }
}

bool MediaAudioStream::NoteSourceEnd() {
  sourceEnded_ = reader_->IsAtEnd();
  if (sourceEnded_ && filled_ == head_.size()) headWhole_ = true;
  return sourceEnded_;
}

void MediaAudioStream::PublishRead(const uint8_t* data, uint32_t bytes) {
  const auto ringSize = static_cast<uint32_t>(ring_.size());
  std::memcpy(ring_.data() + filled_ % ringSize, data, bytes);
  if (filled_ == head_.size() && filled_ < ringSize) {
    head_.insert(head_.end(), data, data + std::min(bytes, ringSize - filled_));
  }
  filled_ += bytes;
}

int32_t MediaAudioStream::WriteSound(VFile& file, uint32_t typeCode) {
  std::unique_ptr<VSoundWriter> writer(CreateSoundWriter(file, typeCode));
  if (!writer) return -1;
  return writer->Write(*this);
}
