// Ring-buffered reader of a byte stream, handing out bits most significant
// first; every MPEG parser reads through it. The buffer is refilled from a
// file (or an overriding ReadSource) and only whole 32-bit words are ever
// loaded into the bit window; the end of the source is padded with zeros.
#pragma once

#include <cstdint>
#include <cstring>

class VFile;

class VBitstream {
 public:
  VBitstream(VFile* source, uint32_t bufferSize, bool refillOnDemand);
  virtual ~VBitstream();
  VBitstream(const VBitstream&) = delete;
  VBitstream& operator=(const VBitstream&) = delete;

  // Rounds up to a multiple of 4; a new size drops the buffered bytes. Returns
  // the size in force (0 after a failed allocation).
  uint32_t SetBufferSize(uint32_t size);
  uint32_t GetBufferSize() const { return size_; }
  // Reads up to `count` bytes (0: as many as fit) from the source into the
  // free part of the ring; returns the bytes read. A short read calls EndOfSource.
  uint32_t Fill(uint32_t count = 0);

  // Loads the first word; later calls do nothing.
  void Prime();
  // The next n bits (1..32); throws VBitstreamEmptyException when the data is used up.
  uint32_t ReadBits(int n) {
    const uint32_t value = PeekBits(n);
    SkipBits(n);
    return value;
  }
  // The next n bits (0..32) without consuming them.
  uint32_t PeekBits(int n) {
    if (n == 0) return 0;
    if (count_ < n) Top(n);
    return static_cast<uint32_t>(bits_ >> (64 - n));
  }
  // The next 32 bits.
  uint32_t Window() { return PeekBits(32); }
  void SkipBits(int n) {
    if (count_ < n) Top(n);
    bits_ = n >= 64 ? 0 : bits_ << n;
    count_ -= n;
  }
  // The window as it stands (left-aligned) and how many of its bits are
  // valid, for decoding a code and the bits after it from one look.
  uint64_t GetHeldBits() const { return bits_; }
  int GetHeldBitCount() const { return count_; }
  // For tight decoding loops that keep the window in locals: hands back the
  // window after bits were taken from it (`bits` left-aligned, `count` valid).
  void SetHeldBits(uint64_t bits, int count) {
    bits_ = bits;
    count_ = count;
  }
  // Loads words until at least n bits (n <= 32) are held or the data runs
  // out for now; never throws. Returns how many bits are held.
  int TopUp(int n) {
    while (count_ < n && (TakeWord(bits_, count_) || LoadWord())) {
    }
    return count_;
  }
  // Adds the next word of the ring to a window held elsewhere (`count` below
  // 33) when the ring holds one; false (nothing changed) when it does not and
  // a refill or the end of the data has to be dealt with (TopUp).
  bool TakeWord(uint64_t& bits, int& count) {
    if (produced_ - consumed_ < 4) return false;
    uint32_t word;
    std::memcpy(&word, buffer_ + readOffset_, 4);
    bits |= uint64_t{__builtin_bswap32(word)} << (32 - count);
    count += 32;
    consumed_ += 4;
    AdvanceReadOffset();
    return true;
  }
  // For tight loops that load words themselves: the ring position of the
  // next word and how many bytes from there (whole words) are stored and lie
  // before the end of the ring.
  const uint8_t* GetContiguousWords(uint32_t& bytes) const {
    const uint64_t stored = (produced_ - consumed_) & ~uint64_t{3};
    const uint32_t toEnd = size_ - readOffset_;
    bytes = stored < toEnd ? static_cast<uint32_t>(stored) : toEnd;
    return buffer_ + readOffset_;
  }
  // Marks `bytes` (whole words, at most what GetContiguousWords gave) as
  // loaded into a window held elsewhere.
  void ConsumeWords(uint32_t bytes) {
    consumed_ += bytes;
    readOffset_ += bytes;
    if (readOffset_ >= size_) readOffset_ = 0;
  }
  // Aligns to a byte, then advances to just after the next 00 00 01, so that
  // the window's top byte is the start code's value.
  void NextStartCode();
  // The top byte of the window (the value of the start code after NextStartCode).
  uint32_t StartCodeValue() { return PeekBits(8); }
  bool IsByteAligned() const { return (count_ & 7) == 0; }
  // The byte `offset` bytes after the current position (which must be byte
  // aligned) when it is buffered, else -1; nothing is consumed or loaded.
  int32_t PeekByteAhead(uint64_t offset) const;

  // Bytes of the stream before the next word to load, and bytes taken from the source.
  uint64_t GetConsumedCount() const { return consumed_; }
  uint64_t GetProducedCount() const { return produced_; }
  // Bits not yet read, counting those in the window; padding excluded.
  uint64_t GetBitsLeft() const;
  bool IsSourceEnded() const { return sourceEnded_; }
  bool RefillsOnDemand() const { return refillOnDemand_; }
  // Marks that the source will give no more bytes, so that a last partial
  // word can be read (padded with zeros).
  void MarkSourceEnded() { sourceEnded_ = true; }
  // Bytes that may still be stored without overtaking the reader.
  uint32_t GetFreeCount() const { return size_ - static_cast<uint32_t>(produced_ - consumed_); }
  // For a reader of whole bytes that never reads bits: moves up to `count`
  // buffered bytes out of the ring (a null destination drops them); returns
  // how many (0 once bits were read).
  uint32_t TakeBytes(uint8_t* destination, uint32_t count);

 protected:
  // Called when a refill got fewer bytes than it asked for.
  virtual void EndOfSource() {}
  // Reads from the source; 0 without a source.
  virtual int32_t ReadSource(uint8_t* destination, int32_t count);

 private:
  // Loads words until at least n bits (n <= 32) are held, or throws.
  void Top(int n);
  bool LoadWord();
  void AdvanceReadOffset() {
    readOffset_ += 4;
    if (readOffset_ >= size_) readOffset_ = 0;
  }

  VFile* source_;
  uint8_t* buffer_ = nullptr;
  uint32_t size_ = 0;
  uint64_t consumed_ = 0;  // stream bytes loaded into the bit accumulator
  uint64_t produced_ = 0;  // stream bytes stored in the ring
  uint64_t padding_ = 0;   // zero bytes appended after the end of the source
  uint32_t readOffset_ = 0;  // ring position of the next word to load (consumed_ modulo the size)
  uint64_t bits_ = 0;      // unread bits, left-aligned
  int count_ = 0;          // how many bits of bits_ are valid
  bool refillOnDemand_;
  bool primed_ = false;
  bool sourceEnded_ = false;
};
