// The polyphase synthesis filter bank of MPEG audio: each time slot's 32
// subband samples go through a 32-point DCT into the synthesis vector, and
// 32 output samples are windowed sums over the last 16 vectors.
#pragma once

#include <cstdint>

class VMPAFrame;

class VFilterBank {
 public:
  explicit VFilterBank(int channels) : channels_(channels) {}
  virtual ~VFilterBank() = default;
  VFilterBank(const VFilterBank&) = delete;
  VFilterBank& operator=(const VFilterBank&) = delete;

  // Writes 1152 frames of the frame's channels, interleaved, to `output`
  // (the frame's channel count, at most the bank's).
  virtual void Synthesize(const VMPAFrame& frame, int channels, int16_t* output) = 0;

  int GetChannels() const { return channels_; }

 protected:
  int channels_;
};

class VIDCTFilterBank : public VFilterBank {
 public:
  explicit VIDCTFilterBank(int channels = 2);
  void Synthesize(const VMPAFrame& frame, int channels, int16_t* output) override;
  // Forgets the history of every channel (silence before the next frame).
  void Reset();

  // One time slot of one channel: 32 subband samples (8192 = 1.0) to 32
  // output samples written `stride` apart.
  void SynthesizeSlot(int channel, const int16_t* subbands, int16_t* output, int stride);

  // The synthesis window in 13 fraction bits by output position and tap
  // (newest vector first).
  static const int16_t* Window();
  // The 32-point DCT-II of the synthesis, unnormalised: output[m] = sum of
  // input[n] cos((2n+1) m pi / 64), inputs held to +-16383.
  static void DCT32(const int16_t* input, int32_t* output);

 private:
  // One time slot of one channel into 32 contiguous output samples.
  void SlotToBlock(int channel, const int16_t* subbands, int16_t* out);

  // Per channel: a ring of the rows of the 16 most recent slots, the newest
  // at the current position; a slot's row interleaves the first half of its
  // vector (V[j]) with the second half of the vector before (V[32+j]), the
  // two values that window taps 2i and 2i+1 take from the same slot pair.
  alignas(16) int16_t pairs_[2][16][64];
  // The second half of each channel's newest vector, for the next row.
  alignas(16) int16_t previousHigh_[2][32];
  int position_[2] = {15, 15};
};
