// Splits a whole system stream into its elementary streams in memory: the
// demultiplexer with children that only collect the payload bytes (taken
// straight from the demultiplexer's staging block, not through a bit
// stream's ring) and the packets' time stamps. Used where a movie is
// converted rather than played. It also reads one stream as it comes
// (OpenStream): packets are then read only as that stream's reader asks,
// and only the payload not yet taken is held, whatever the file's length.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/mpeg/VISO11172StreamScheduler.h"

class SystemStreamSplitter : public VISO11172StreamScheduler {
 public:
  struct Stream {
    uint32_t streamId = 0;
    uint64_t byteCount = 0;
    std::vector<uint8_t> bytes;  // empty when the bytes are not kept
    std::vector<PacketInfo> packets;
  };

  // The file is not owned. With keepBytes false only the counts are kept.
  explicit SystemStreamSplitter(VFile* file, bool keepBytes = true);
  ~SystemStreamSplitter() override;

  // Reads the stream to its end; false when it was refused or held no
  // audio or video stream.
  bool SplitAll();
  // The streams in the order the system headers announced them.
  const std::vector<Stream>& GetStreams() const { return streams_; }
  // The first stream of the kind (0xE0..0xEF video, 0xC0..0xDF audio), or null.
  const Stream* FindVideo() const;
  const Stream* FindAudio() const;

  // Reading one stream as it comes, on a splitter made with keepBytes false
  // and not split: reads packets until the first stream of the kind is
  // announced and follows it from there (what SplitAll would have collected
  // for that stream, FindVideo or FindAudio). Null when the file ends first or
  // was refused; GetStreams then tells whether it held any stream. The bit
  // stream's ring holds `bufferSize` bytes. No packet list is kept.
  enum class Kind { kVideo, kAudio };
  std::unique_ptr<VBitstream> OpenStream(Kind kind, uint32_t bufferSize);

 protected:
  std::unique_ptr<VStreamScheduler> CreateAudioChild(uint32_t streamId, VBitstream* bitstream) override;
  std::unique_ptr<VStreamScheduler> CreateVideoChild(uint32_t streamId, VBitstream* bitstream) override;
  void DeliverPayload(VStreamScheduler& child, const uint8_t* data, uint32_t length) override;

 private:
  class CollectingChild;
  class StreamReader;
  // Reads one packet (or header); false once the stream has ended.
  bool Step();
  // Up to `count` bytes of the followed stream, reading packets until some
  // are there; 0 once the file has ended.
  size_t ReadFollowed(uint8_t* destination, size_t count);
  // A payload of the followed stream: into the reader's room, the rest queued.
  void TakeFollowed(const uint8_t* data, size_t length);
  std::unique_ptr<VStreamScheduler> MakeChild(uint32_t streamId, VBitstream* bitstream, int32_t kind);
  void Drain();
  // The list size reserved for a stream's packets, from the file's length.
  size_t ExpectedPackets() const;
  // The bytes reserved for a stream's payload at its first packet.
  size_t RoomForPayload() const;

  VFile* source_;
  bool keepBytes_;
  std::vector<Stream> streams_;
  std::vector<CollectingChild*> collectors_;
  bool streaming_ = false;
  bool stopped_ = false;  // a step that neither read on nor ended
  // The followed stream's payload not yet read, from queueHead_ on.
  std::vector<uint8_t> queue_;
  size_t queueHead_ = 0;
  // The room of the read in progress, while it reads packets.
  uint8_t* direct_ = nullptr;
  size_t directRoom_ = 0;
  size_t directUsed_ = 0;
};
