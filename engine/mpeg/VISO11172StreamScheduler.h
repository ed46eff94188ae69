// The demultiplexer of ISO 11172-1 (MPEG-1 system) streams: parses pack and
// system headers, makes one child scheduler per announced audio and video
// stream and copies each packet's payload into its child's bit stream, with
// the packet's presentation time stamp tied to the byte position at which
// the payload lands. The file is read in large blocks; every header is
// parsed from memory with bounds, and data between packets is passed over
// byte by byte until the next start code.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/mpeg/VMPSScheduler.h"
#include "engine/mpeg/VPacketHeader.h"

class VFile;

class VISO11172StreamScheduler : public VMPSScheduler {
 public:
  // What the demultiplexer saw of one delivered packet: its stream, the file
  // position of its start code, the child bit stream's produced count before
  // the payload, and the payload's length and time stamp.
  struct PacketInfo {
    uint32_t streamId;
    int64_t filePosition;
    uint64_t streamPosition;
    uint32_t dataLength;
    bool hasPts;
    uint64_t pts;
  };
  using PacketObserver = std::function<void(const PacketInfo&)>;

  // The file is not owned; it is read from its current position 0.
  VISO11172StreamScheduler(uint32_t streamId, VFile* file, float bufferingFactor, float reserveFactor);
  ~VISO11172StreamScheduler() override;

  bool ReadPacket() override;
  void CheckEnd() override;
  void SetEndOfStream() override;
  int64_t GetTime() override;
  int64_t GetPresentationTime() override;

  // Set when the stream is not an MPEG-1 system stream (an MPEG-2 program
  // stream's pack header): nothing is read from it.
  bool IsRefused() const { return refused_; }
  // Bytes passed over between packets, and packets skipped as broken.
  uint64_t GetSkippedBytes() const { return skippedBytes_; }
  uint32_t GetBrokenPackets() const { return brokenPackets_; }
  void SetPacketObserver(PacketObserver observer) { observer_ = std::move(observer); }
  // The file position of the next byte to parse.
  int64_t GetPosition() const { return position_; }
  uint64_t GetSCR() const { return scr_; }
  uint32_t GetMuxRate() const { return muxRate_; }
  uint32_t GetRateBound() const { return rateBound_; }

  // The buffer sizes a child gets from the system header's bounds.
  static uint32_t AudioBufferSize(uint32_t scale, uint32_t bound);
  static uint32_t VideoBufferSize(uint32_t rateBound, uint32_t scale, uint32_t bound);

 protected:
  // Make the child schedulers (the bit stream is handed over); null leaves
  // the stream without a child. Tests and tools put their own children here.
  virtual std::unique_ptr<VStreamScheduler> CreateAudioChild(uint32_t streamId, VBitstream* bitstream);
  virtual std::unique_ptr<VStreamScheduler> CreateVideoChild(uint32_t streamId, VBitstream* bitstream);
  // Hands a packet's payload to its child: by default copied into the
  // child's bit stream, which has room for it. A child that takes the bytes
  // straight from the staging block (nothing to decode from a ring) overrides
  // this; its bit stream then stays empty.
  virtual void DeliverPayload(VStreamScheduler& child, const uint8_t* data, uint32_t length);

 private:
  class ChildBitstream;

  // Makes sure the staging block holds `count` bytes from the position on
  // (fewer at the end of the file); answers how many it holds.
  size_t Ensure(size_t count);
  const uint8_t* At() const { return stage_.data() + (position_ - stageStart_); }
  bool ParsePackHeader();
  bool ParseSystemHeader();
  // Passes over bytes up to the next start code of the system layer.
  bool Resync();
  void CreateChild(uint32_t streamId, uint32_t scale, uint32_t bound);

  VFile* file_;
  int64_t fileLength_;
  int64_t position_ = 0;  // next byte to parse
  std::vector<uint8_t> stage_;
  int64_t stageStart_ = 0;
  size_t stageLength_ = 0;
  bool fileEnded_ = false;
  VPacketHeader header_;
  VStreamScheduler* audioChild_ = nullptr;
  VStreamScheduler* videoChild_ = nullptr;
  uint64_t scr_ = 0;
  uint32_t muxRate_ = 0;
  uint32_t rateBound_ = 0;
  uint32_t audioBound_ = 0, videoBound_ = 0;
  bool fixedFlag_ = false, cspsFlag_ = false, audioLock_ = false, videoLock_ = false;
  bool refused_ = false;
  uint64_t skippedBytes_ = 0;
  uint32_t brokenPackets_ = 0;
  PacketObserver observer_;
};
