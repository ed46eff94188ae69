// Slice and macroblock layers of the MPEG video decoder: skipped macroblocks,
// motion vectors and predictions, coefficient blocks and their storing.
#include <algorithm>
#include <cstdlib>
#include <cstddef>
#include <cstring>
#include <limits>
#include <vector>

#include "engine/mpeg/MPEGExceptions.h"
#include "engine/mpeg/VBitstream.h"
#include "engine/mpeg/VMPVDecoder.h"
#include "engine/mpeg/VideoKernels.h"

namespace {

// The largest coefficient magnitude before the transform, by position in the
// zig-zag and in the alternate scan.
struct CoefficientLimits {
  int32_t zigZag[64];
  int32_t alternate[64];
  CoefficientLimits() {
    for (int i = 0; i < 64; ++i) {
      zigZag[i] = (kTransformScale[kZigZagScan[i]] * 2047) >> 1;
      alternate[i] = (kTransformScale[kAlternateScan[i]] * 2047) >> 1;
    }
  }
};
const CoefficientLimits kLimits;

// A coefficient code table in two small levels that stay in the first-level
// cache: codes of at most 10 bits by the next 10 bits of the stream, and the
// longer ones (all beginning with six zeros) by the next 16 bits below 1024.
// Entries pack the length (bits 0-7) and the table's value (above).
class CompactCoefficientTable {
 public:
  explicit CompactCoefficientTable(const VMPEGCodeTable& table) : full_(table) {
    compact_ = table.GetMaxLength() == 16;
    for (uint32_t w = 0; w < 1024 && compact_; ++w) {
      const VMPEGCodeTable::Entry& e = table.Lookup(w << 6);
      const VMPEGCodeTable::Entry& l = table.Lookup(w);
      low_[w] = Pack(l);
      high_[w] = Pack(e);
      // Every code not starting with six zeros must end within 10 bits.
      if (w >= 16 && e.length > 10) compact_ = false;
      if ((e.value & ~0xFFFF) != 0 || (l.value & ~0xFFFF) != 0) compact_ = false;
    }
  }
  // The length (0: no code) and value of the code in the next 16 bits.
  uint32_t Lookup(uint32_t bits) const {
    if (!compact_) return Pack(full_.Lookup(bits));
    return bits >= 1024 ? high_[bits >> 6] : low_[bits];
  }

 private:
  static uint32_t Pack(const VMPEGCodeTable::Entry& e) {
    return static_cast<uint32_t>(e.length & 0xFF) | (static_cast<uint32_t>(e.value & 0xFFFF) << 8);
  }
  const VMPEGCodeTable& full_;
  bool compact_ = false;
  uint32_t high_[1024];
  uint32_t low_[1024];
};

// What dequantising multiplies by for a level: the level in intra blocks,
// 2 level + 1 with the level's sign in others.
inline int32_t CoefficientTerm(int32_t level, bool intra) {
  return intra ? level : 2 * level + (level < 0 ? -1 : 1);
}

// A run and level code with its sign bit, or an end of block, read from the
// `available` bits of `v` (its low bits): the bits taken (0: no such code
// lies whole in those bits), the scan advance (run + 1, or kEndOfBlock, which
// moves any position past kPastEnd) and the signed term.
struct PlainCode {
  static constexpr int32_t kEndOfBlock = 0xC0;
  static constexpr int32_t kPastEnd = 128;  // positions from here on: the block ended
  int length = 0;
  int32_t advance = 0;
  int32_t term = 0;
  static PlainCode At(const VMPEGCodeTable& table, bool intra, uint32_t v, int available) {
    const int maxLength = table.GetMaxLength();
    const uint32_t window = available >= maxLength ? v >> (available - maxLength) : v << (maxLength - available);
    const VMPEGCodeTable::Entry& e = table.Lookup(window);
    const int32_t run = (e.value >> 8) & 0xFF;
    if (e.length == 0 || e.length > available) return {};
    if (run == kRunEndOfBlock) return {e.length, kEndOfBlock, 0};
    const int32_t level = static_cast<int8_t>(e.value & 0xFF);
    if (run >= kRunEscape || e.length == available || level <= 0) return {};
    const bool negative = (v >> (available - 1 - e.length)) & 1;
    return {e.length + 1, run + 1, CoefficientTerm(negative ? -level : level, intra)};
  }
};

// Two codes a look where they fit: the next 11 bits of the stream index the
// run and level codes (of at most 10 bits, with their sign bits) and the end
// of block that lie whole in them, up to two, so that the reader's window
// waits on one table look for every two coefficients. The codes of 12 to 16
// bits, which all begin with kLongZeros zeros, have entries of their own,
// indexed by the 10 bits after those zeros (the rest of the code and its
// sign), chosen without a branch. An entry gives the bits its codes take,
// how many coefficients it holds, and each code's scan advance and signed
// term, in three arrays: the lengths, which the window waits on, stay in the
// first-level cache in 3 KB. An entry of one code repeats it as its second
// with no advance, which writes the same coefficient again. A length of 0
// sends the reader to the general path (escapes and bad codes).
class PairCoefficientTable {
 public:
  static constexpr int kBits = 11;
  static constexpr int kLongZeros = 7;
  static constexpr int kLongBits = 10;
  static constexpr int kMaxLength = kLongZeros + kLongBits;  // the most bits a look takes
  // What an entry holds besides its length and count.
  struct Entry {
    uint8_t advance[2];
    int8_t term[2];
  };
  PairCoefficientTable(const VMPEGCodeTable& table, bool intra) {
    for (uint32_t w = 0; w < (1u << kBits); ++w) {
      Entry& entry = entries_[w];
      entry = Entry{};
      lengths_[w] = counts_[w] = 0;
      const PlainCode first = PlainCode::At(table, intra, w, kBits);
      if (first.length == 0) continue;
      lengths_[w] = static_cast<uint8_t>(first.length);
      entry.advance[0] = static_cast<uint8_t>(first.advance);
      if (first.advance == PlainCode::kEndOfBlock) continue;
      Hold(w, first, intra);
      const int rest = kBits - first.length;
      const PlainCode second =
          rest > 0 ? PlainCode::At(table, intra, w & ((1u << rest) - 1), rest) : PlainCode{};
      if (second.length == 0) continue;
      lengths_[w] = static_cast<uint8_t>(first.length + second.length);
      entry.advance[1] = static_cast<uint8_t>(second.advance);
      if (second.advance == PlainCode::kEndOfBlock) continue;
      NoteLevel(second.term, intra);
      entry.term[1] = static_cast<int8_t>(second.term);
      counts_[w] = 2;
    }
    for (uint32_t w = 0; w < (1u << kLongBits); ++w) {
      // The code after the zeros: the index's bits, with the zeros before them.
      const PlainCode c = PlainCode::At(table, intra, w, kMaxLength);
      const uint32_t k = (1u << kBits) + w;
      entries_[k] = Entry{};
      lengths_[k] = counts_[k] = 0;
      if (c.length <= kLongZeros || c.advance == PlainCode::kEndOfBlock) continue;
      lengths_[k] = static_cast<uint8_t>(c.length);
      entries_[k].advance[0] = static_cast<uint8_t>(c.advance);
      Hold(k, c, intra);
    }
  }
  // The entry index of the codes at the window's start.
  [[gnu::always_inline]] static uint64_t Index(uint64_t window) {
    const uint64_t shortIndex = window >> (64 - kBits);
    const uint64_t longIndex = (window >> (64 - kMaxLength)) + (1u << kBits);
    return (window >> (64 - kLongZeros)) != 0 ? shortIndex : longIndex;
  }
  int Length(uint64_t index) const { return lengths_[index]; }
  int32_t Count(uint64_t index) const { return counts_[index]; }
  const Entry& At(uint64_t index) const { return entries_[index]; }
  // The largest level magnitude an entry carries.
  int32_t GetMaxLevel() const { return maxLevel_; }

 private:
  // An entry of one code.
  void Hold(uint32_t k, const PlainCode& c, bool intra) {
    NoteLevel(c.term, intra);
    entries_[k].term[0] = entries_[k].term[1] = static_cast<int8_t>(c.term);
    counts_[k] = 1;
  }
  void NoteLevel(int32_t term, bool intra) { maxLevel_ = std::max(maxLevel_, std::abs(intra ? term : term / 2)); }

  // The short codes' entries, then the long codes'.
  Entry entries_[(1u << kBits) + (1u << kLongBits)];
  uint8_t lengths_[(1u << kBits) + (1u << kLongBits)];
  uint8_t counts_[(1u << kBits) + (1u << kLongBits)];
  int32_t maxLevel_ = 0;
};

// Leaves a block on a bad code (`message`) or when the data ended inside it
// (null), with the reader's window handed back as given.
[[noreturn, gnu::noinline, gnu::cold]] void StopCoefficients(VBitstream& bs, uint64_t bits, int count,
                                                             const char* message) {
  bs.SetHeldBits(bits, count < 0 ? 0 : count);
  if (message) throw VMPEGException(message);
  throw VBitstreamEmptyException();
}

// The escapes and bad codes, after the pair table sent them here: the run
// (skip) and level of a coefficient, or false at the end of the block. The
// window holds at least 28 bits (the longest code with its escape fields).
template <bool kMpeg1, typename Stop>
[[gnu::always_inline]] inline bool ReadGeneralCode(uint64_t& bits, int& count, const CompactCoefficientTable& compact,
                                                   int32_t& skip, int32_t& level, Stop stop) {
  const auto look = [&](int n) { return static_cast<uint32_t>(bits >> (64 - n)); };
  const auto take = [&](int n) {
    if (n > count) stop(nullptr);
    bits <<= n;
    count -= n;
  };
  const uint32_t c = compact.Lookup(look(16));
  const int length = static_cast<int>(c & 0xFF);
  if (length == 0) stop("bad coefficient code");
  const int32_t run = static_cast<int32_t>((c >> 16) & 0xFF);
  take(length);
  if (run == kRunEndOfBlock) return false;
  skip = run;
  if (run == kRunEscape) {
    skip = static_cast<int32_t>(look(6));
    take(6);
    if (kMpeg1) {  // MPEG-1 escape levels
      level = static_cast<int32_t>(look(8));
      take(8);
      if (level == 0) {
        level = static_cast<int32_t>(look(8));
        take(8);
      } else if (level == 128) {
        level = static_cast<int32_t>(look(8)) - 256;
        take(8);
      } else if (level > 128) {
        level -= 256;
      }
    } else {
      level = static_cast<int32_t>(look(12));
      take(12);
      if (level >= 2048) level -= 4096;
    }
    if (level == 0) stop("zero coefficient level");
  } else {
    level = static_cast<int8_t>((c >> 8) & 0xFF);
    if (look(1)) level = -level;
    take(1);
  }
  return true;
}

// The same, the coefficient given to the block at scan position `i` + skip + 1
// (kIntra: an intra block's term), clamped; false at the end of the block.
template <bool kMpeg1, bool kIntra, typename Put, typename Stop>
[[gnu::always_inline]] inline bool PutGeneralCode(uint64_t& bits, int& count, const CompactCoefficientTable& compact,
                                                  int64_t& i, Put& put, Stop stop) {
  int32_t skip, level;
  if (!ReadGeneralCode<kMpeg1>(bits, count, compact, skip, level, stop)) return false;
  i += skip + 1;
  if (i > 63) stop("coefficients past the end of the block");
  put.Clamped(i, CoefficientTerm(level, kIntra));
  put.Count(1);
  return true;
}

// A DC term and up to 65 codes of at most 28 bits (231 bytes), with the
// window's loads ahead and the last 8-byte load, fit in this many bytes: with
// as many stored after the window's next byte, a block is read without
// looking for the end of the data.
constexpr uint32_t kFastReadBytes = 256;

// The reader's window taken over for a run of blocks read straight from the
// ring (kFastReadBytes stored per block from the reader's next word). It is
// refilled without a branch from any byte position and holds at least 56
// bits after each refill; its state stays in registers through the run, and
// only values leave it on the rare paths.
struct FastWindow {
  FastWindow(VBitstream& reader, const uint8_t* next)
      : bs(reader), words(next), p(next), bits(reader.GetHeldBits()), count(reader.GetHeldBitCount()) {}
  [[gnu::always_inline]] void Refill() {
    uint64_t next;
    std::memcpy(&next, p, 8);
    bits |= __builtin_bswap64(next) >> count;  // count is at most 63
    p += 7 - (count >> 3);                     // the whole bytes that joined: (63 - count) / 8
    count |= 56;
  }
  // Back to whole words: the bytes after the last word boundary leave the
  // window, or the rest of that word joins it when too few bits are held.
  // Bits below the held ones are cleared, as the reader keeps them.
  [[gnu::always_inline]] void HandBack() {
    HandBackWindow(bs, words, p, bits, count);
    words = p;
  }
  [[gnu::always_inline]] static void HandBackWindow(VBitstream& reader, const uint8_t* words, const uint8_t*& p,
                                                   uint64_t& bits, int& count) {
    uint32_t taken = static_cast<uint32_t>(p - words);
    const int partial = static_cast<int>(taken & 3);
    if (count >= 8 * partial) {
      count -= 8 * partial;
      taken -= static_cast<uint32_t>(partial);
    } else {
      for (int k = partial; k < 4; ++k, ++p, count += 8) bits |= uint64_t{*p} << (56 - count);
      taken += static_cast<uint32_t>(4 - partial);
    }
    bits = count == 0 ? 0 : bits & (~uint64_t{0} << (64 - count));
    reader.ConsumeWords(taken);
    reader.SetHeldBits(bits, count);
  }
  // Leaves the run on a bad code (or, null, data ended), the window handed
  // back. Only values go to the rare path, so that the window stays in registers.
  [[gnu::always_inline]] void Stop(const char* message) { StopWindow(bs, words, p, bits, count, message); }
  [[noreturn, gnu::noinline, gnu::cold]] static void StopWindow(VBitstream& reader, const uint8_t* words,
                                                              const uint8_t* p, uint64_t bits, int count,
                                                              const char* message) {
    HandBackWindow(reader, words, p, bits, count);
    StopCoefficients(reader, bits, count, message);
  }

  VBitstream& bs;
  const uint8_t* words;  // the ring position the reader's window ends at
  const uint8_t* p;      // the next byte to load
  uint64_t bits;
  int count;
};

// Reads one block's codes from the window up to its end of block, calling
// put(scan position, signed term) for each coefficient and put.Count(n) for
// the coefficients read. An intra block (a DC table given) begins with its DC
// size code and differential, given to dc(size, bits). `i` is the scan
// position before the first code; kFirstShort: the first code may be the
// short "1s" form of non-intra blocks. Three looks of the pair table (at most
// 17 bits each) are read after each refill; a code of the general path (at
// most 28 bits) has a refill of its own and ends the group.
template <bool kMpeg1, bool kFirstShort, typename Put, typename Dc>
[[gnu::always_inline]] inline void ReadBlockFast(FastWindow& w, int64_t i, const PairCoefficientTable& pairs,
                                                 const CompactCoefficientTable& compact, const VMPEGCodeTable* dcTable,
                                                 Put& put, Dc& dc) {
  uint64_t& bits = w.bits;
  int& count = w.count;
  const auto stop = [&](const char* message) { w.Stop(message); };
  w.Refill();
  if (dcTable) {
    // An intra block's DC size code and differential (at most 21 bits).
    const VMPEGCodeTable::Entry& d = dcTable->Lookup(static_cast<uint32_t>(bits >> (64 - dcTable->GetMaxLength())));
    if (d.length == 0) stop("bad DC size");
    bits <<= d.length;
    count -= d.length;
    const int32_t size = d.value;  // 0..11
    dc(size, static_cast<uint32_t>((bits >> 1) >> (63 - size)));
    bits <<= size;
    count -= size;
  }
  if (kFirstShort && (bits >> 63)) {
    // "1" and the sign: run 0, level 1.
    put(0, CoefficientTerm((bits >> 62) & 1 ? -1 : 1, false));
    put.Count(1);
    bits <<= 2;
    count -= 2;
    i = 0;
  }
  // The first group reads what is left of the first refill: 35 bits after a
  // DC term, 54 after a short first code.
  for (;;) {
    w.Refill();
    for (int k = 0; k < 3; ++k) {
      const uint64_t x = PairCoefficientTable::Index(bits);
      const int n = pairs.Length(x);
      if (n == 0) [[unlikely]] {
        w.Refill();
        if (!PutGeneralCode<kMpeg1, !kFirstShort>(bits, count, compact, i, put, stop)) return;
        break;
      }
      const PairCoefficientTable::Entry& e = pairs.At(x);
      bits <<= n;
      count -= n;
      i += e.advance[0];
      if (i > 63) [[unlikely]] {
        if (i >= PlainCode::kPastEnd) return;
        stop("coefficients past the end of the block");
      }
      put(i, e.term[0]);
      put.Count(pairs.Count(x));
      i += e.advance[1];
      if (i > 63) [[unlikely]] {
        if (i >= PlainCode::kPastEnd) return;
        stop("coefficients past the end of the block");
      }
      put(i, e.term[1]);
    }
  }
}

// The same near the end of the stored data or of the ring: whole words taken
// one at a time, every code checked against the bits held.
template <bool kMpeg1, bool kFirstShort, typename Put, typename Dc>
[[gnu::always_inline]] inline void ReadCoefficientsCareful(VBitstream& bs, int64_t i, const PairCoefficientTable& pairs,
                                                           const CompactCoefficientTable& compact,
                                                           const VMPEGCodeTable* dcTable, Put& put, Dc& dc) {
  uint64_t bits = bs.GetHeldBits();
  int count = bs.GetHeldBitCount();
  const auto stop = [&](const char* message) { StopCoefficients(bs, bits, count, message); };
  const auto take = [&](int n) {
    if (n > count) stop(nullptr);
    bits <<= n;
    count -= n;
  };
  // The end of the block: the window back to the reader.
  const auto end = [&] { bs.SetHeldBits(bits, count); };
  if (dcTable) {
    const VMPEGCodeTable::Entry& d = dcTable->Lookup(static_cast<uint32_t>(bits >> (64 - dcTable->GetMaxLength())));
    if (d.length == 0) stop("bad DC size");
    take(d.length);
    const int32_t size = d.value;
    const auto raw = static_cast<uint32_t>((bits >> 1) >> (63 - size));
    take(size);
    dc(size, raw);
  }
  if (kFirstShort && (bits >> 63)) {
    const int32_t term = CoefficientTerm((bits >> 62) & 1 ? -1 : 1, false);
    take(2);
    i = 0;
    put(0, term);
    put.Count(1);
  }
  for (;;) {
    if (count < 32 && !bs.TakeWord(bits, count)) {
      bs.SetHeldBits(bits, count);
      bs.TopUp(32);
      bits = bs.GetHeldBits();
      count = bs.GetHeldBitCount();
    }
    const uint64_t x = PairCoefficientTable::Index(bits);
    if (pairs.Length(x) == 0) {
      if (!PutGeneralCode<kMpeg1, !kFirstShort>(bits, count, compact, i, put, stop)) return end();
      continue;
    }
    const PairCoefficientTable::Entry& e = pairs.At(x);
    take(pairs.Length(x));
    for (int c = 0; c < 2; ++c) {
      i += e.advance[c];
      if (i > 63) {
        if (i < PlainCode::kPastEnd) stop("coefficients past the end of the block");
        return end();
      }
      put(i, e.term[c]);
      if (c == 0) put.Count(pairs.Count(x));
    }
  }
}

}  // namespace

struct VMPVDecoder::CoefficientTables {
  const PairCoefficientTable* pairs;
  const CompactCoefficientTable* compact;
};

namespace {

// Every table the coefficient reader uses, by kind of block (intra or not)
// and code table (the first, or the second that intra blocks may use).
struct CoefficientTableSet {
  explicit CoefficientTableSet(const VMPEGCodec& codec)
      : compact{CompactCoefficientTable(codec.coefficients0), CompactCoefficientTable(codec.coefficients1)},
        pairs{{PairCoefficientTable(codec.coefficients0, false), PairCoefficientTable(codec.coefficients1, false)},
               {PairCoefficientTable(codec.coefficients0, true), PairCoefficientTable(codec.coefficients1, true)}} {}
  CompactCoefficientTable compact[2];
  PairCoefficientTable pairs[2][2];      // [intra][second]
};

// The tables of intra blocks (the first or, by the picture's choice, the
// second code table) or of non-intra blocks (always the first). Inline: a
// call per block for what is, after the first, one flag test.
template <bool kIntra>
[[gnu::always_inline]] inline VMPVDecoder::CoefficientTables CoefficientTablesFor(const VMPEGCodec& codec,
                                                                               bool second) {
  static const CoefficientTableSet set(codec);
  return {&set.pairs[kIntra][second], &set.compact[second]};
}

// Row (bits 0-7) and column (bits 8-15) masks of each raster position.
struct PositionMasks {
  uint16_t mask[64];
  PositionMasks() {
    for (int p = 0; p < 64; ++p) mask[p] = static_cast<uint16_t>((1u << (p >> 3)) | (1u << (8 + (p & 7))));
  }
};
const PositionMasks kPositionMasks;

// A mask of 8 bits spread into 8 flag bytes.
struct MaskFlags {
  uint64_t bytes[256];
  MaskFlags() {
    for (uint32_t m = 0; m < 256; ++m) {
      uint64_t v = 0;
      for (int k = 0; k < 8; ++k)
        if (m & (1u << k)) v |= uint64_t{1} << (8 * k);
      bytes[m] = v;
    }
  }
};
const MaskFlags kMaskFlags;

// Predicts from a window reaching past an edge of the plane: the area is
// gathered with the edge samples repeated. Rare, so kept out of line.
[[gnu::noinline]] void PredictPlaneEdge(const uint8_t* plane, int32_t planeWidth, int32_t rows, int32_t rowBase,
                                        int32_t rowStep, int32_t x, int32_t y, int32_t hx, int32_t hy, int32_t w,
                                        int32_t h, uint8_t* dst, int32_t dstStride, bool average) {
  uint8_t fetched[17][17];
  const int32_t fw = w + hx, fh = h + hy;
  for (int32_t r = 0; r < fh; ++r) {
    const int32_t sr = std::clamp(y + r, 0, rows - 1);
    const uint8_t* line = plane + int64_t{rowBase + sr * rowStep} * planeWidth;
    for (int32_t c = 0; c < fw; ++c) fetched[r][c] = line[std::clamp(x + c, 0, planeWidth - 1)];
  }
  PredictBlock(fetched[0], 17, hx, hy, w, h, dst, dstStride, average);
}

// Predicts a w x h block (w, h <= 16) from a plane at integer position (x, y)
// with half-sample flags; rows of the source are those of one field (0 top,
// 1 bottom) or of the frame (-1). Positions outside the plane read its edge.
// Inline: it runs three times for every predicted macroblock.
[[gnu::always_inline]] inline void PredictPlane(const uint8_t* plane, int32_t planeWidth, int32_t planeHeight,
                                                int32_t field, int32_t x, int32_t y, int32_t hx, int32_t hy,
                                                int32_t w, int32_t h, uint8_t* dst, int32_t dstStride,
                                                bool average) {
  const int32_t rowStep = field < 0 ? 1 : 2;
  const int32_t rowBase = field < 0 ? 0 : field;
  const int32_t rows = field < 0 ? planeHeight : planeHeight / 2;
  if (x >= 0 && y >= 0 && x + w + hx <= planeWidth && y + h + hy <= rows) {
    const uint8_t* src = plane + (int64_t{rowBase} + int64_t{y} * rowStep) * planeWidth + x;
    PredictBlock(src, ptrdiff_t{rowStep} * planeWidth, hx, hy, w, h, dst, dstStride, average);
    return;
  }
  PredictPlaneEdge(plane, planeWidth, rows, rowBase, rowStep, x, y, hx, hy, w, h, dst, dstStride, average);
}

// Motion codes with their sign bit by the next 11 bits of the stream: the
// signed motion code and the bits taken (0: no code, or one the table does
// not hold; the general path decides).
class MotionCodeTable {
 public:
  static constexpr int kBits = 11;
  struct Entry {
    int8_t value;
    uint8_t length;
  };
  explicit MotionCodeTable(const VMPEGCodeTable& table) {
    const int shift = table.GetMaxLength() - (kBits - 1);
    for (uint32_t w = 0; w < (1u << kBits); ++w) {
      entries_[w] = {0, 0};
      if (shift > 0) continue;
      const VMPEGCodeTable::Entry& e = table.Lookup((w >> 1) >> -shift);
      if (e.length == 0 || e.value < 0 || e.value > 16) continue;
      if (e.value == 0) {
        entries_[w] = {0, static_cast<uint8_t>(e.length)};
        continue;
      }
      const bool negative = (w >> (kBits - 1 - e.length)) & 1;
      entries_[w] = {static_cast<int8_t>(negative ? -e.value : e.value), static_cast<uint8_t>(e.length + 1)};
    }
  }
  Entry Lookup(uint64_t window) const { return entries_[window >> (64 - kBits)]; }

 private:
  Entry entries_[1u << kBits];
};

// Made with the program's other tables rather than at first use, so that
// the decoding needs no guard test.
const MotionCodeTable kMotionCodes(AcquireMPEGMacroblockCodes().motionCode);

// A code table at two bytes an entry, indexed as the table is, so that it
// stays in the first-level cache; an entry of length 0 (no code, or a value
// outside what `Value` holds) sends the caller to the table itself.
template <typename Value>
class ByteCodeTable {
 public:
  struct Entry {
    Value value;
    uint8_t length;
  };
  explicit ByteCodeTable(const VMPEGCodeTable& table)
      : bits_(table.GetMaxLength()), entries_(size_t{1} << table.GetMaxLength()) {
    for (uint32_t w = 0; w < entries_.size(); ++w) {
      const VMPEGCodeTable::Entry& e = table.Lookup(w);
      const bool fits = e.length > 0 && e.length < 256 && e.value >= std::numeric_limits<Value>::min() &&
                        e.value <= std::numeric_limits<Value>::max();
      entries_[w] = fits ? Entry{static_cast<Value>(e.value), static_cast<uint8_t>(e.length)} : Entry{0, 0};
    }
  }
  // How many bits index the table.
  int GetBits() const { return bits_; }
  Entry Lookup(uint32_t bits) const { return entries_[bits]; }

 private:
  int bits_;
  std::vector<Entry> entries_;
};

struct MacroblockCodes {
  ByteCodeTable<int8_t> addressIncrement, codedBlockPattern;
  ByteCodeTable<uint8_t> types[3];  // of I, P and B pictures
};

const MacroblockCodes kMacroblockCodes{
    ByteCodeTable<int8_t>(AcquireMPEGMacroblockCodes().addressIncrement),
    ByteCodeTable<int8_t>(AcquireMPEGMacroblockCodes().codedBlockPattern),
    {ByteCodeTable<uint8_t>(AcquireMPEGMacroblockCodes().typeI),
     ByteCodeTable<uint8_t>(AcquireMPEGMacroblockCodes().typeP),
     ByteCodeTable<uint8_t>(AcquireMPEGMacroblockCodes().typeB)}};

// The entry of `bits` in the small table, or in the full one when the small one has none.
template <typename Value>
[[gnu::always_inline]] inline VMPEGCodeTable::Entry LookupCode(const ByteCodeTable<Value>& small,
                                                              const VMPEGCodeTable& full, uint32_t bits) {
  const typename ByteCodeTable<Value>::Entry e = small.Lookup(bits);
  if (e.length != 0) [[likely]]
    return {e.length, e.value};
  return full.Lookup(bits);
}

}  // namespace

void VMPVDecoder::DecodeSlice() {
  const uint32_t code = bs_->ReadBits(8);
  if (code < 0x01 || code > 0xAF) throw VMPEGException("slice start code expected");
  int32_t row = static_cast<int32_t>(code) - 1;
  if (syntaxMode_ == 2 && verticalSize_ > 2800) row += static_cast<int32_t>(bs_->ReadBits(3)) << 7;
  if (row >= MacroblockRows()) return;
  if (IsDataPartitioned()) priorityBreakpoint_ = static_cast<int32_t>(bs_->ReadBits(7));
  SetQuantiserScale(bs_->ReadBits(5));
  while (bs_->ReadBits(1)) bs_->SkipBits(8);
  address_ = row * mbWidth_ - 1;
  addressColumn_ = -1;
  addressRow_ = row;
  dcPredictor_[0] = dcPredictor_[1] = dcPredictor_[2] = 0;
  std::memset(pmv_, 0, sizeof(pmv_));
  lastDirections_ = 0;
  bool first = true;
  do {
    DecodeMacroblock(first);
    first = false;
  } while (bs_->PeekBits(23) != 0);
}

const VMPVPicture* VMPVDecoder::ReferenceFor(int direction, int32_t sourceField) const {
  if (pictureCodingType_ == kPictureB) return direction == 0 ? older_.get() : newer_.get();
  // The second field of a frame reads the other parity from the first field.
  if (IsFieldPicture() && secondField_ && sourceField != FieldParity()) return current_.get();
  return newer_.get();
}

void VMPVDecoder::PredictSkipped(int32_t address, int32_t count) {
  dcPredictor_[0] = dcPredictor_[1] = dcPredictor_[2] = 0;
  int32_t directions, motionType;
  if (pictureCodingType_ == kPictureP) {
    std::memset(pmv_, 0, sizeof(pmv_));
    // A zero vector from the field of the same parity in field pictures.
    fieldSelect_[0][0] = FieldParity();
    directions = kMacroblockForward;
    motionType = IsFieldPicture() ? 1 : 2;
  } else if (pictureCodingType_ == kPictureB) {
    if (lastDirections_ == 0) throw VMPEGException("skipped macroblock after an intra one");
    directions = lastDirections_;
    motionType = lastMotionType_;
  }
  // Intra pictures have no skipped macroblocks; D pictures neither.
  else {
    throw VMPEGException("skipped macroblock in an intra picture");
  }
  // Every macroblock of the run has the same vectors: predicted as one wide
  // block per macroblock row.
  while (count > 0) {
    const int32_t mbx = address % mbWidth_, mby = address / mbWidth_;
    const int32_t n = std::min(count, mbWidth_ - mbx);
    FormPrediction(mbx, mby, n, directions, motionType);
    address += n;
    count -= n;
  }
}

void VMPVDecoder::DecodeMacroblock(bool first) {
  const int32_t total = mbWidth_ * MacroblockRows();
  int32_t increment = 0;
  if (bs_->PeekBits(11) & 0x400) {
    // The next macroblock ("1"), the most common increment.
    bs_->SkipBits(1);
    increment = 1;
  } else {
    for (;;) {
      const uint32_t bits = bs_->PeekBits(11);
      if (bits == 0x0F) {  // stuffing
        bs_->SkipBits(11);
      } else if (bits == 0x08) {  // escape
        increment += 33;
        bs_->SkipBits(11);
        if (increment > total) throw VMPEGException("macroblock address past the picture");
      } else {
        break;
      }
    }
    const VMPEGCodeTable::Entry a =
        LookupCode(kMacroblockCodes.addressIncrement, codec_.addressIncrement, bs_->PeekBits(11));
    if (a.length == 0 || a.value <= 0) throw VMPEGException("bad macroblock address increment");
    bs_->SkipBits(a.length);
    increment += a.value;
  }
  if (int64_t{address_} + increment >= total) throw VMPEGException("macroblock address past the picture");
  if (!first && increment > 1) PredictSkipped(address_ + 1, increment - 1);
  address_ += increment;
  // The column and row followed along rather than divided out.
  addressColumn_ += increment;
  while (addressColumn_ >= mbWidth_) {
    addressColumn_ -= mbWidth_;
    ++addressRow_;
  }
  const int32_t mbx = addressColumn_, mby = addressRow_;

  int32_t flags;
  if (pictureCodingType_ == kPictureD) {
    if (!bs_->ReadBits(1)) throw VMPEGException("bad macroblock type");
    flags = kMacroblockIntra;
  } else {
    const VMPEGCodeTable& table = pictureCodingType_ == kPictureI   ? codec_.typeI
                                  : pictureCodingType_ == kPictureP ? codec_.typeP
                                                                    : codec_.typeB;
    const ByteCodeTable<uint8_t>& small = kMacroblockCodes.types[pictureCodingType_ - kPictureI];
    const VMPEGCodeTable::Entry t = LookupCode(small, table, bs_->PeekBits(small.GetBits()));
    if (t.length == 0) throw VMPEGException("bad macroblock type");
    bs_->SkipBits(t.length);
    flags = t.value;
  }
  const bool intra = (flags & kMacroblockIntra) != 0;
  // Frame pictures: 1 field, 2 frame motion; field pictures: 1 field, 2 16x8 motion.
  int32_t motionType = IsFieldPicture() ? 1 : 2;
  if (syntaxMode_ == 2 && (IsFieldPicture() || !framePredFrameDct_) &&
      (flags & (kMacroblockForward | kMacroblockBackward))) {
    motionType = static_cast<int32_t>(bs_->ReadBits(2));
    // Dual prime (3) only predicts P pictures; 0 is reserved.
    if (motionType == 0 || (motionType == 3 && pictureCodingType_ != kPictureP)) {
      throw VMPEGException("bad motion type");
    }
  }
  dctType_ = 0;
  if (syntaxMode_ == 2 && !IsFieldPicture() && !framePredFrameDct_ && (intra || (flags & kMacroblockPattern)))
    dctType_ = static_cast<int32_t>(bs_->ReadBits(1));
  if (flags & kMacroblockQuant) SetQuantiserScale(bs_->ReadBits(5));

  const int blocks = 4 + 2 * chromaFormat_;
  if (intra) {
    if (concealmentVectors_) {
      motionType_ = IsFieldPicture() ? 1 : 2;
      DecodeMotionVectors(0);
      bs_->SkipBits(1);
    } else {
      std::memset(pmv_, 0, sizeof(pmv_));
    }
    lastDirections_ = 0;
    uint8_t* dst[12];
    int32_t stride[12];
    BlockDestinations(mbx, mby, dst, stride);
    DecodeBlocks((1u << blocks) - 1, blocks, true, [&](int b) { StoreBlock(dst[b], stride[b], true); });
    if (pictureCodingType_ == kPictureD) bs_->SkipBits(1);
    return;
  }
  dcPredictor_[0] = dcPredictor_[1] = dcPredictor_[2] = 0;
  int32_t directions = flags & (kMacroblockForward | kMacroblockBackward);
  if (pictureCodingType_ == kPictureP && !(flags & kMacroblockForward)) {
    std::memset(pmv_, 0, sizeof(pmv_));
    directions = kMacroblockForward;
    motionType = IsFieldPicture() ? 1 : 2;
    fieldSelect_[0][0] = FieldParity();
  }
  motionType_ = motionType;
  if (flags & kMacroblockForward) DecodeMotionVectors(0);
  if (flags & kMacroblockBackward) DecodeMotionVectors(1);
  FormPrediction(mbx, mby, 1, directions, motionType);
  lastDirections_ = directions;
  lastMotionType_ = motionType;
  if (flags & kMacroblockPattern) {
    const VMPEGCodeTable::Entry c =
        LookupCode(kMacroblockCodes.codedBlockPattern, codec_.codedBlockPattern, bs_->PeekBits(9));
    if (c.length == 0) throw VMPEGException("bad coded block pattern");
    bs_->SkipBits(c.length);
    uint32_t pattern = static_cast<uint32_t>(c.value);
    if (chromaFormat_ == 2) pattern = (pattern << 2) | bs_->ReadBits(2);
    uint8_t* dst[12];
    int32_t stride[12];
    BlockDestinations(mbx, mby, dst, stride);
    DecodeBlocks(pattern, blocks, false, [&](int b) { StoreBlock(dst[b], stride[b], false); });
  }
}

namespace {

// A motion code, its sign and residual bit by bit, throwing on bad codes.
[[gnu::noinline]] int32_t DecodeMotionBitByBit(VBitstream& bs, const VMPEGCodec& codec, int32_t predictor,
                                               int32_t rSize) {
  const VMPEGCodeTable::Entry& m = codec.motionCode.Lookup(bs.PeekBits(10));
  if (m.length == 0) throw VMPEGException("bad motion code");
  bs.SkipBits(m.length);
  if (m.value == 0) return predictor;
  const bool negative = bs.ReadBits(1) != 0;
  const int32_t residual = rSize ? static_cast<int32_t>(bs.ReadBits(rSize)) : 0;
  int32_t delta = ((m.value - 1) << rSize) + residual + 1;
  if (negative) delta = -delta;
  const int32_t low = -(16 << rSize), high = (16 << rSize) - 1, range = 32 << rSize;
  int32_t v = predictor + delta;
  if (v > high) v -= range;
  if (v < low) v += range;
  return v;
}

}  // namespace

// Inline: two or four times in every predicted macroblock.
inline int32_t VMPVDecoder::DecodeMotionComponent(int32_t predictor, int32_t fCode) {
  if (fCode < 1 || fCode > 9) throw VMPEGException("bad f_code");
  const int32_t rSize = fCode - 1;
  // The code, its sign and the residual from one look at the window, when
  // it holds them all; otherwise (and for bad codes) bit by bit, which also
  // throws when the data runs out.
  bs_->TopUp(32);
  const uint64_t bits = bs_->GetHeldBits();
  const int count = bs_->GetHeldBitCount();
  // Codes of magnitude 0 to 3 are that many zeros and a one (then the sign
  // bit): counted rather than looked up, which waits on no table load.
  const int zeros = __builtin_clzll(bits | 1);
  MotionCodeTable::Entry e;
  if (zeros <= 3) {
    const bool negative = (bits >> (62 - zeros)) & 1;
    e = zeros == 0 ? MotionCodeTable::Entry{0, 1}
                   : MotionCodeTable::Entry{static_cast<int8_t>(negative ? -zeros : zeros),
                                            static_cast<uint8_t>(zeros + 2)};
  } else {
    e = kMotionCodes.Lookup(bits);
  }
  const int taken = e.length + (e.value != 0 ? rSize : 0);
  // (At least the 10 bits the table is read with must be there, as bit by bit.)
  if (e.length == 0 || taken > count || count < 10) [[unlikely]]
    return DecodeMotionBitByBit(*bs_, codec_, predictor, rSize);
  bs_->SetHeldBits(bits << taken, count - taken);
  if (e.value == 0) return predictor;
  const int32_t residual = rSize ? static_cast<int32_t>((bits << e.length) >> (64 - rSize)) : 0;
  const int32_t magnitude = ((e.value < 0 ? -e.value : e.value) - 1) * (1 << rSize) + residual + 1;
  const int32_t low = -(16 << rSize), high = (16 << rSize) - 1, range = 32 << rSize;
  int32_t v = predictor + (e.value < 0 ? -magnitude : magnitude);
  if (v > high) v -= range;
  if (v < low) v += range;
  return v;
}

int32_t VMPVDecoder::DecodeDualPrimeDelta() {
  const VMPEGCodeTable::Entry& d = codec_.dualPrime.Lookup(bs_->PeekBits(codec_.dualPrime.GetMaxLength()));
  if (d.length == 0) throw VMPEGException("bad dual-prime vector");
  bs_->SkipBits(d.length);
  return d.value;
}

// The vectors to the fields of the other parity, from the same-parity vector
// (field units) and the small differential.
void VMPVDecoder::ComputeDualPrimeVectors(int32_t mvx, int32_t mvy, int32_t dmvx, int32_t dmvy) {
  const auto scaled = [](int32_t v, int32_t m) { return (m * v + (v > 0 ? 1 : 0)) >> 1; };
  if (!IsFieldPicture()) {
    // [0]: the top field from the bottom one, [1]: the bottom field from the top one.
    const int32_t topScale = topFieldFirst_ ? 1 : 3, bottomScale = topFieldFirst_ ? 3 : 1;
    dualPrime_[0][0] = scaled(mvx, topScale) + dmvx;
    dualPrime_[0][1] = scaled(mvy, topScale) + dmvy - 1;
    dualPrime_[1][0] = scaled(mvx, bottomScale) + dmvx;
    dualPrime_[1][1] = scaled(mvy, bottomScale) + dmvy + 1;
  } else {
    dualPrime_[0][0] = scaled(mvx, 1) + dmvx;
    dualPrime_[0][1] = scaled(mvy, 1) + dmvy + (pictureStructure_ == 1 ? -1 : 1);
  }
}

void VMPVDecoder::DecodeMotionVectors(int s) {
  if (motionType_ == 3) {
    const bool field = IsFieldPicture();
    pmv_[0][s][0] = DecodeMotionComponent(pmv_[0][s][0], fCode_[s][0]);
    const int32_t dmvx = DecodeDualPrimeDelta();
    if (field) {
      pmv_[0][s][1] = DecodeMotionComponent(pmv_[0][s][1], fCode_[s][1]);
    } else {
      pmv_[0][s][1] = DecodeMotionComponent(pmv_[0][s][1] >> 1, fCode_[s][1]) * 2;
    }
    const int32_t dmvy = DecodeDualPrimeDelta();
    pmv_[1][s][0] = pmv_[0][s][0];
    pmv_[1][s][1] = pmv_[0][s][1];
    ComputeDualPrimeVectors(pmv_[0][s][0], field ? pmv_[0][s][1] : pmv_[0][s][1] >> 1, dmvx, dmvy);
    return;
  }
  if (IsFieldPicture()) {
    // Field vectors in field units: one (field motion) or two (16x8 motion).
    const int vectors = motionType_ == 1 ? 1 : 2;
    for (int r = 0; r < vectors; ++r) {
      fieldSelect_[r][s] = static_cast<int32_t>(bs_->ReadBits(1));
      pmv_[r][s][0] = DecodeMotionComponent(pmv_[r][s][0], fCode_[s][0]);
      pmv_[r][s][1] = DecodeMotionComponent(pmv_[r][s][1], fCode_[s][1]);
    }
    if (vectors == 1) {
      pmv_[1][s][0] = pmv_[0][s][0];
      pmv_[1][s][1] = pmv_[0][s][1];
    }
    return;
  }
  if (motionType_ == 2) {
    pmv_[0][s][0] = DecodeMotionComponent(pmv_[0][s][0], fCode_[s][0]);
    pmv_[0][s][1] = DecodeMotionComponent(pmv_[0][s][1], fCode_[s][1]);
    pmv_[1][s][0] = pmv_[0][s][0];
    pmv_[1][s][1] = pmv_[0][s][1];
    return;
  }
  for (int r = 0; r < 2; ++r) {
    fieldSelect_[r][s] = static_cast<int32_t>(bs_->ReadBits(1));
    pmv_[r][s][0] = DecodeMotionComponent(pmv_[r][s][0], fCode_[s][0]);
    pmv_[r][s][1] = DecodeMotionComponent(pmv_[r][s][1] >> 1, fCode_[s][1]) * 2;
  }
}

void VMPVDecoder::FormPrediction(int32_t mbx, int32_t mby, int32_t count, int32_t directions,
                                 int32_t motionType) {
  if (motionType == 2 && !IsFieldPicture()) {
    // Frame motion in a frame picture, the common case: forward from the
    // older reference in B pictures (else the newer), backward from the newer.
    const bool bidirectional = pictureCodingType_ == kPictureB;
    if (directions & kMacroblockForward) {
      const VMPVPicture* ref = bidirectional ? older_.get() : newer_.get();
      if (!ref) throw VMPEGException("reference picture missing");
      PredictMacroblock<false>(*ref, mbx, mby, count, pmv_[0][0][0] << fullPel_[0], pmv_[0][0][1] << fullPel_[0],
                               -1, -1, false);
    }
    if (directions & kMacroblockBackward) {
      const VMPVPicture* ref = newer_.get();
      if (!ref) throw VMPEGException("reference picture missing");
      PredictMacroblock<false>(*ref, mbx, mby, count, pmv_[0][1][0] << fullPel_[1], pmv_[0][1][1] << fullPel_[1],
                               -1, -1, (directions & kMacroblockForward) != 0);
    }
    return;
  }
  if (count > 1 && (IsFieldPicture() || motionType == 3)) {
    for (int32_t k = 0; k < count; ++k) FormPrediction(mbx + k, mby, 1, directions, motionType);
    return;
  }
  bool average = false;
  for (int s = 0; s < 2; ++s) {
    if (!(directions & (s == 0 ? kMacroblockForward : kMacroblockBackward))) continue;
    if (motionType == 3) {
      // Dual prime: the same-parity prediction averaged with the other parity's.
      if (IsFieldPicture()) {
        const int32_t parity = FieldParity();
        const VMPVPicture* same = ReferenceFor(0, parity);
        const VMPVPicture* other = ReferenceFor(0, 1 - parity);
        if (!same || !other) throw VMPEGException("reference picture missing");
        PredictFieldPictureMacroblock(*same, parity, mbx, mby, pmv_[0][0][0], pmv_[0][0][1], 0, 16, false);
        PredictFieldPictureMacroblock(*other, 1 - parity, mbx, mby, dualPrime_[0][0], dualPrime_[0][1], 0, 16, true);
      } else {
        const VMPVPicture* ref = ReferenceFor(0, 0);
        if (!ref) throw VMPEGException("reference picture missing");
        for (int r = 0; r < 2; ++r) {
          PredictMacroblock<true>(*ref, mbx, mby, 1, pmv_[0][0][0], pmv_[0][0][1] >> 1, r, r, false);
          PredictMacroblock<true>(*ref, mbx, mby, 1, dualPrime_[r][0], dualPrime_[r][1], 1 - r, r, true);
        }
      }
      average = true;
      continue;
    }
    if (IsFieldPicture()) {
      const int halves = motionType == 1 ? 1 : 2;
      for (int r = 0; r < halves; ++r) {
        const VMPVPicture* ref = ReferenceFor(s, fieldSelect_[r][s]);
        if (!ref) throw VMPEGException("reference picture missing");
        PredictFieldPictureMacroblock(*ref, fieldSelect_[r][s], mbx, mby, pmv_[r][s][0], pmv_[r][s][1], 8 * r,
                                      halves == 1 ? 16 : 8, average);
      }
      average = true;
      continue;
    }
    const VMPVPicture* ref = ReferenceFor(s, 0);
    if (!ref) throw VMPEGException("reference picture missing");
    if (motionType == 2) {
      PredictMacroblock<false>(*ref, mbx, mby, count, pmv_[0][s][0] << fullPel_[s], pmv_[0][s][1] << fullPel_[s],
                               -1, -1, average);
    } else {
      for (int r = 0; r < 2; ++r)
        PredictMacroblock<true>(*ref, mbx, mby, count, pmv_[r][s][0], pmv_[r][s][1] >> 1, fieldSelect_[r][s], r,
                                average);
    }
    average = true;
  }
}

template <bool kField>
void VMPVDecoder::PredictMacroblock(const VMPVPicture& ref, int32_t mbx, int32_t mby, int32_t count, int32_t mvx,
                                    int32_t mvy, int32_t sourceField, int32_t destField, bool average) {
  VMPVPicture& cur = *current_;
  constexpr bool field = kField;
  if constexpr (!kField) sourceField = destField = -1;
  const int32_t lw = cur.GetLumaWidth(), lh = cur.GetLumaHeight();
  const int32_t cw = cur.GetChromaWidth(), ch = cur.GetChromaHeight();
  // Source rows: those of one field (every second line) or of the frame.
  const int32_t rowStep = sourceField < 0 ? 1 : 2;
  const int32_t rowBase = sourceField < 0 ? 0 : sourceField;
  // Luma: frame prediction 16 x 16, field prediction 16 x 8 on every second line.
  const int32_t lumaHeight = field ? 8 : 16;
  const int32_t lx = mbx * 16 + (mvx >> 1), ly = (field ? mby * 8 : mby * 16) + (mvy >> 1);
  const int32_t lhx = mvx & 1, lhy = mvy & 1;
  uint8_t* lumaDst = cur.Y() + int64_t{mby * 16 + (field ? destField : 0)} * lw + mbx * 16;
  const int32_t lumaStride = field ? 2 * lw : lw;
  const int32_t cmvx = mvx / 2;
  const int32_t cmvy = chromaFormat_ == 1 ? mvy / 2 : mvy;
  const int32_t mbChromaHeight = chromaFormat_ == 1 ? 8 : 16;
  const int32_t chromaHeight = field ? mbChromaHeight / 2 : mbChromaHeight;
  const int32_t chromaBase = field ? mby * mbChromaHeight / 2 : mby * mbChromaHeight;
  const int32_t cx = mbx * 8 + (cmvx >> 1), cy = chromaBase + (cmvy >> 1);
  const int32_t chx = cmvx & 1, chy = cmvy & 1;
  const int64_t chromaDst = int64_t{mby * mbChromaHeight + (field ? destField : 0)} * cw + mbx * 8;
  const int32_t chromaStride = field ? 2 * cw : cw;
  const int32_t lumaWidth = 16 * count, chromaWidth = 8 * count;
  // The rows of the source: a field has half the frame's (no division: this runs for every prediction).
  const int32_t lumaRows = sourceField < 0 ? lh : lh >> 1, chromaRows = sourceField < 0 ? ch : ch >> 1;
  if (lx >= 0 && ly >= 0 && lx + lumaWidth + lhx <= lw && ly + lumaHeight + lhy <= lumaRows && cx >= 0 &&
      cy >= 0 && cx + chromaWidth + chx <= cw && cy + chromaHeight + chy <= chromaRows) {
    // Everything inside the planes: the kernels straight on them, both chroma planes at once.
    const VPredictionKernels& kernels = *prediction_;
    kernels.area[lhx][lhy][average](ref.Y() + (int64_t{rowBase} + int64_t{ly} * rowStep) * lw + lx,
                                    ptrdiff_t{rowStep} * lw, lumaDst, lumaStride, lumaWidth, lumaHeight);
    const int64_t chromaSrc = (int64_t{rowBase} + int64_t{cy} * rowStep) * cw + cx;
    kernels.pair[chx][chy][average](ref.Cb() + chromaSrc, ref.Cr() + chromaSrc, ptrdiff_t{rowStep} * cw,
                                    cur.Cb() + chromaDst, cur.Cr() + chromaDst, chromaStride, chromaWidth,
                                    chromaHeight);
    return;
  }
  if (count > 1) {
    for (int32_t k = 0; k < count; ++k)
      PredictMacroblock<kField>(ref, mbx + k, mby, 1, mvx, mvy, sourceField, destField, average);
    return;
  }
  PredictPlane(ref.Y(), lw, lh, sourceField, lx, ly, lhx, lhy, 16, lumaHeight, lumaDst, lumaStride, average);
  PredictPlane(ref.Cb(), cw, ch, sourceField, cx, cy, chx, chy, 8, chromaHeight, cur.Cb() + chromaDst, chromaStride,
               average);
  PredictPlane(ref.Cr(), cw, ch, sourceField, cx, cy, chx, chy, 8, chromaHeight, cur.Cr() + chromaDst, chromaStride,
               average);
}

void VMPVDecoder::PredictFieldPictureMacroblock(const VMPVPicture& ref, int32_t sourceField, int32_t mbx,
                                                int32_t mby, int32_t mvx, int32_t mvy, int32_t rowOffset,
                                                int32_t height, bool average) {
  VMPVPicture& cur = *current_;
  const int32_t parity = FieldParity();
  const int32_t lw = cur.GetLumaWidth(), lh = cur.GetLumaHeight();
  uint8_t* dst = cur.Y() + int64_t{2 * (mby * 16 + rowOffset) + parity} * lw + mbx * 16;
  PredictPlane(ref.Y(), lw, lh, sourceField, mbx * 16 + (mvx >> 1), mby * 16 + rowOffset + (mvy >> 1), mvx & 1,
               mvy & 1, 16, height, dst, 2 * lw, average);
  const int32_t cw = cur.GetChromaWidth(), ch = cur.GetChromaHeight();
  const bool half = chromaFormat_ == 1;
  const int32_t cmvx = mvx / 2;
  const int32_t cmvy = half ? mvy / 2 : mvy;
  const int32_t mbChromaHeight = half ? 8 : 16;
  const int32_t chromaRow = mby * mbChromaHeight + (half ? rowOffset / 2 : rowOffset);
  const int32_t h = half ? height / 2 : height;
  const int64_t dstOffset = int64_t{2 * chromaRow + parity} * cw + mbx * 8;
  PredictPlane(ref.Cb(), cw, ch, sourceField, mbx * 8 + (cmvx >> 1), chromaRow + (cmvy >> 1), cmvx & 1, cmvy & 1, 8,
               h, cur.Cb() + dstOffset, 2 * cw, average);
  PredictPlane(ref.Cr(), cw, ch, sourceField, mbx * 8 + (cmvx >> 1), chromaRow + (cmvy >> 1), cmvx & 1, cmvy & 1, 8,
               h, cur.Cr() + dstOffset, 2 * cw, average);
}

inline const uint8_t* VMPVDecoder::ScanOrder() const { return alternateScan_ ? kAlternateScan : kZigZagScan; }

inline const int32_t* VMPVDecoder::ScanLimits() const { return alternateScan_ ? kLimits.alternate : kLimits.zigZag; }

void VMPVDecoder::MakeScaledMatrix(int which) {
  ScanStep* scaled = scaledMatrices_[which];
  const int32_t* matrix = which == 0 ? intraLuma_ : which == 1 ? intraChroma_ : which == 2 ? nonIntraLuma_
                                                                                            : nonIntraChroma_;
  const uint8_t* scan = ScanOrder();
  const int32_t* limits = ScanLimits();
  for (int i = 0; i < 64; ++i) {
    const int p = scan[i];
    // Prescaled entries times a quantiser scale fit in 32 bits (below 2^22 * 112).
    scaled[i].scale = matrix[p] * quantiserScale_;
    scaled[i].mask = kPositionMasks.mask[p];
  }
  scaledFor_[which] = quantiserScale_;
  // Whether every code of the pair tables stays within the limits (their
  // largest level, dequantised as in the coefficient reader).
  const bool intra = which < 2;
  const int32_t maxLevel =
      intra ? std::max(CoefficientTablesFor<true>(codec_, false).pairs->GetMaxLevel(),
                       CoefficientTablesFor<true>(codec_, true).pairs->GetMaxLevel())
            : CoefficientTablesFor<false>(codec_, false).pairs->GetMaxLevel();
  const int64_t maxTerm = CoefficientTerm(maxLevel, intra);
  const int shift = (intra ? 3 : 4) + (syntaxMode_ == 1 ? 0 : 1);
  // Within the limit whichever way the shift rounds, and the product within
  // 32 bits.
  bool fits = maxLevel > 0;
  for (int i = 0; i < 64; ++i) {
    const int64_t bound = std::min<int64_t>(int64_t{limits[i]} << shift, std::numeric_limits<int32_t>::max());
    fits = fits && maxTerm * scaled[i].scale <= bound;
  }
  scaledFits_[which] = fits;
}

void VMPVDecoder::DecodeBlock(int component, bool intra) {
  VCoefficientBlock& b = block_;
  b.Clear();
  flatBlock_ = false;
  const int which = (intra ? 0 : 2) + (component == 0 ? 0 : 1);
  if (!intra) {
    if (syntaxMode_ == 1)
      DecodeCoefficients<false, true>(-1, which, CoefficientTablesFor<false>(codec_, false), component);
    else
      DecodeCoefficients<false, false>(-1, which, CoefficientTablesFor<false>(codec_, false), component);
    return;
  }
  if (pictureCodingType_ == kPictureD) {
    // D pictures: the DC term alone.
    const VMPEGCodeTable& dcTable = component == 0 ? codec_.dcLuma : codec_.dcChroma;
    const VMPEGCodeTable::Entry& d = dcTable.Lookup(bs_->PeekBits(dcTable.GetMaxLength()));
    if (d.length == 0) throw VMPEGException("bad DC size");
    bs_->SkipBits(d.length);
    const int32_t size = d.value;
    SetIntraDc(component, size, size > 0 ? bs_->ReadBits(size) : 0);
    FinishBlock(1, 1);
    return;
  }
  if (syntaxMode_ == 1)
    DecodeCoefficients<true, true>(0, which, CoefficientTablesFor<true>(codec_, intraVlcFormat_ != 0), component);
  else
    DecodeCoefficients<true, false>(0, which, CoefficientTablesFor<true>(codec_, intraVlcFormat_ != 0), component);
}

[[gnu::always_inline]] inline void VMPVDecoder::SetIntraDc(int component, int32_t size, uint32_t raw) {
  // The differential: `size` bits, the negative values below half the range.
  // Without a branch (the sign is random): the top bit clear means a
  // negative differential, 2^size - 1 below the bits' value; size 0 reads 0.
  const int32_t value = static_cast<int32_t>(raw);
  const int32_t top = static_cast<int32_t>(raw >> ((size - 1) & 31)) & (size > 0);
  const int32_t negative = ((1 << size) - 1) & (top - 1) & -static_cast<int32_t>(size > 0);
  int32_t& predictor = dcPredictor_[component];
  // Keep the predictor within what any precision can carry.
  predictor = std::clamp(predictor + value - negative, -2048, 2047);
  const int32_t dc = std::clamp(predictor * (1 << (3 - intraDcPrecision_)), -2048, 2047);
  block_.c[0] = dc * 8192;
  block_.count = 1;
}

// Dequantises into the decoder's block, with its row and column masks and
// coefficient count: put(scan position, signed term), put.Count(coefficients
// read). The product's shift rounds down, negative values too. Writing one
// coefficient twice is harmless. Without kClamp the pair table's codes
// are taken to stay within the transform's limits at the current scale, with
// their products in 32 bits (MatrixFitsTableCodes); the long codes and
// escapes are clamped always.
template <bool kIntra, bool kMpeg1, bool kClamp>
struct VMPVDecoder::BlockSink {
  static constexpr int32_t kShift = (kIntra ? 3 : 4) + (kMpeg1 ? 0 : 1);
  BlockSink(VMPVDecoder& d, int which)
      : decoder(d), steps(d.ScaledMatrix(which)), positions(d.ScanOrder()), limits(d.ScanLimits()),
        coefficients(d.block_.c) {}
  [[gnu::always_inline]] void operator()(int64_t k, int32_t term) {
    if constexpr (kClamp) return Clamped(k, term);
    Store(k, (term * steps[k].scale) >> kShift);
  }
  [[gnu::always_inline]] void Clamped(int64_t k, int32_t term) {
    const int64_t limit = limits[k];
    Store(k, static_cast<int32_t>(std::clamp((int64_t{term} * steps[k].scale) >> kShift, -limit, limit)));
  }
  [[gnu::always_inline]] void Store(int64_t k, int32_t value) {
    coefficients[positions[k]] = value;
    masks |= steps[k].mask;
  }
  // `n` more coefficients coded.
  [[gnu::always_inline]] void Count(int32_t n) { coded += n; }
  void Finish() {
    decoder.block_.count = coded;
    decoder.FinishBlock(masks & 0xFF, masks >> 8);
  }
  VMPVDecoder& decoder;
  const ScanStep* steps;
  const uint8_t* positions;
  const int32_t* limits;
  int32_t* coefficients;
  uint32_t masks = 0x0101;
  int32_t coded = kIntra ? 1 : 0;  // the DC term, read first
};

template <bool kIntra, bool kMpeg1>
void VMPVDecoder::DecodeCoefficients(int32_t i, int which, CoefficientTables tables, int component) {
  VBitstream& bs = *bs_;
  BlockSink<kIntra, kMpeg1, true> put(*this, which);
  const VMPEGCodeTable* dcTable = !kIntra ? nullptr : component == 0 ? &codec_.dcLuma : &codec_.dcChroma;
  auto dc = [&](int32_t size, uint32_t raw) { SetIntraDc(component, size, raw); };
  bs.TopUp(32);
  ReadCoefficientsCareful<kMpeg1, !kIntra>(bs, i, *tables.pairs, *tables.compact, dcTable, put, dc);
  put.Finish();
}

template <typename Store>
void VMPVDecoder::DecodeBlocks(uint32_t pattern, int blocks, bool intra, Store store) {
  if (pictureCodingType_ == kPictureD) {
    DecodeBlocksChecked(pattern, blocks, 0, intra, store);
    return;
  }
  // Without clamping the pair tables' codes when none of them can need it.
  const int luma = intra ? 0 : 2;
  const bool fit = MatrixFitsTableCodes(luma) && MatrixFitsTableCodes(luma + 1);
  if (syntaxMode_ == 1) {
    if (intra)
      fit ? DecodeBlockRun<true, true, false>(pattern, blocks, store)
          : DecodeBlockRun<true, true, true>(pattern, blocks, store);
    else
      fit ? DecodeBlockRun<false, true, false>(pattern, blocks, store)
          : DecodeBlockRun<false, true, true>(pattern, blocks, store);
  } else {
    if (intra)
      DecodeBlockRun<true, false, true>(pattern, blocks, store);
    else
      DecodeBlockRun<false, false, true>(pattern, blocks, store);
  }
}

template <typename Store>
void VMPVDecoder::DecodeBlocksChecked(uint32_t pattern, int blocks, int first, bool intra, Store& store) {
  // Block by block, each checking for the end of the data.
  for (int b = first; b < blocks; ++b) {
    if (!((pattern >> (blocks - 1 - b)) & 1)) continue;
    DecodeBlock(b < 4 ? 0 : 1 + (b & 1), intra);
    store(b);
  }
}

template <bool kIntra, bool kMpeg1, bool kClamp, typename Store>
void VMPVDecoder::DecodeBlockRun(uint32_t pattern, int blocks, Store& store) {
  uint32_t stored = 0;
  const uint8_t* words = bs_->GetContiguousWords(stored);
  const uint8_t* const end = words + stored;
  FastWindow w(*bs_, words);
  const CoefficientTables tables = CoefficientTablesFor<kIntra>(codec_, kIntra && intraVlcFormat_ != 0);
  for (int b = 0; b < blocks; ++b) {
    if (!((pattern >> (blocks - 1 - b)) & 1)) continue;
    if (static_cast<size_t>(end - w.p) < kFastReadBytes) {
      // Near the end of what the ring holds in one piece: the rest checked.
      w.HandBack();
      DecodeBlocksChecked(pattern, blocks, b, kIntra, store);
      return;
    }
    const int component = b < 4 ? 0 : 1 + (b & 1);
    block_.ClearCoefficients();  // the flags and the count are set when the block is finished
    flatBlock_ = false;
    BlockSink<kIntra, kMpeg1, kClamp> put(*this, (kIntra ? 0 : 2) + (component == 0 ? 0 : 1));
    const VMPEGCodeTable* dcTable = !kIntra ? nullptr : component == 0 ? &codec_.dcLuma : &codec_.dcChroma;
    auto dc = [&](int32_t size, uint32_t raw) { SetIntraDc(component, size, raw); };
    ReadBlockFast<kMpeg1, !kIntra>(w, kIntra ? 0 : -1, *tables.pairs, *tables.compact, dcTable,
                                   put, dc);
    put.Finish();
    store(b);
  }
  w.HandBack();
}

void VMPVDecoder::FinishBlock(uint32_t rowMask, uint32_t columnMask) {
  VCoefficientBlock& b = block_;
  if (rowMask == 1 && columnMask == 1) {
    // Only the DC term: a flat block, stored without a transform.
    flatBlock_ = true;
    flatValue_ = InverseTransformFlatValue(b.c[0]);
    return;
  }
  // The transform runs when the block is stored. The flags are written in
  // one store: the transform reads them in one load, which a pair of smaller
  // stores could not hand on to it while they are pending.
  static_assert(offsetof(VCoefficientBlock, columnFlags) == offsetof(VCoefficientBlock, rowFlags) + 8);
  const uint64_t flags[2] = {kMaskFlags.bytes[rowMask], kMaskFlags.bytes[columnMask]};
#if defined(__SSE2__)
  _mm_storeu_si128(reinterpret_cast<__m128i*>(b.rowFlags),
                   _mm_set_epi64x(static_cast<int64_t>(flags[1]), static_cast<int64_t>(flags[0])));
#else
  std::memcpy(b.rowFlags, flags, 16);
#endif
}

void VMPVDecoder::BlockDestinations(int32_t mbx, int32_t mby, uint8_t** dst, int32_t* stride) {
  VMPVPicture& cur = *current_;
  const int32_t lw = cur.GetLumaWidth(), cw = cur.GetChromaWidth();
  const int32_t chromaBlocks = chromaFormat_ == 1 ? 1 : 2;
  if (IsFieldPicture()) {
    // The lines of one field: every second line of the frame.
    const int32_t parity = FieldParity();
    for (int block = 0; block < 4; ++block) {
      dst[block] = cur.Y() + int64_t{2 * (mby * 16 + (block >> 1) * 8) + parity} * lw + mbx * 16 + (block & 1) * 8;
      stride[block] = 2 * lw;
    }
    for (int k = 0; k < chromaBlocks; ++k) {
      const int32_t row = chromaFormat_ == 1 ? mby * 8 : mby * 16 + 8 * k;
      const int64_t offset = int64_t{2 * row + parity} * cw + mbx * 8;
      dst[4 + 2 * k] = cur.Cb() + offset;
      dst[5 + 2 * k] = cur.Cr() + offset;
      stride[4 + 2 * k] = stride[5 + 2 * k] = 2 * cw;
    }
    return;
  }
  // Frame pictures: the luma blocks of field transforms (dctType_) take
  // every second line, those of frame transforms 8 lines each.
  uint8_t* luma = cur.Y() + int64_t{mby * 16} * lw + mbx * 16;
  const int64_t lumaRow = dctType_ ? lw : 8 * int64_t{lw};
  for (int block = 0; block < 4; ++block) {
    dst[block] = luma + (block >> 1) * lumaRow + (block & 1) * 8;
    stride[block] = dctType_ ? 2 * lw : lw;
  }
  const int32_t mbChromaHeight = chromaFormat_ == 1 ? 8 : 16;
  const int64_t chroma = int64_t{mby * mbChromaHeight} * cw + mbx * 8;
  const int64_t chromaRow = dctType_ ? cw : 8 * int64_t{cw};
  for (int k = 0; k < chromaBlocks; ++k) {
    dst[4 + 2 * k] = cur.Cb() + chroma + k * chromaRow;
    dst[5 + 2 * k] = cur.Cr() + chroma + k * chromaRow;
    // A single chroma block per plane (4:2:0) takes its 8 lines whatever the transform.
    stride[4 + 2 * k] = stride[5 + 2 * k] = chromaFormat_ != 1 && dctType_ ? 2 * cw : cw;
  }
}

void VMPVDecoder::StoreBlock(uint8_t* dst, int32_t stride, bool intra) {
  if (flatBlock_)
    StoreFlatBlockPixels(flatValue_, dst, stride, intra);
  else
    transformAndStore_(block_, dst, stride, intra);
}
