// The tests' RAR 2.0 encoder. It mirrors the decoder's state (saved distances,
// previous lengths, audio predictor, current channel) so that every symbol it
// writes decodes back to the input. Its checksums come from its own bit-by-bit
// CRC-32, so a fault in the reader's CRC makes the reader refuse these archives.
#include "Rar20TestEncoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <queue>

#include "launchers/common/Rar20AudioPredictor.h"

namespace rartest {

namespace {

constexpr int kLengthBase[28] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  10,  12,  14,  16,  20,
                                 24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
constexpr int kLengthBits[28] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
constexpr int kShortBase[8] = {0, 4, 8, 16, 32, 64, 128, 192};
constexpr int kShortBits[8] = {2, 2, 3, 4, 5, 6, 6, 6};
constexpr uint32_t kMaxDistance = 0xFFFFF;
constexpr int kMaxLength = 257;

struct DistanceTable {
  uint32_t base[48];
  int bits[48];
  DistanceTable() {
    for (int i = 0; i < 48; ++i) {
      bits[i] = i < 4 ? 0 : (i < 36 ? (i - 2) / 2 : 16);
      base[i] = i == 0 ? 0 : base[i - 1] + (1u << bits[i - 1]);
    }
  }
};
const DistanceTable kDist;

int LengthSlot(int v) {
  int i = 27;
  while (kLengthBase[i] > v) --i;
  return i;
}
int DistanceSlot(uint32_t d) {
  int i = 47;
  while (kDist.base[i] > d) --i;
  return i;
}

struct Token {
  int sym = 0;
  int channel = 0;  // audio: whose code
  int sub = -1;     // repeat-length or distance symbol
  uint32_t extra1 = 0;
  int bits1 = 0;
  uint32_t extra2 = 0;
  int bits2 = 0;
};

struct Block {
  int channels = 0;  // 0 LZ
  bool keep = true;
  std::vector<Token> tokens;
};

struct MemberTokens {
  std::vector<Block> blocks;
  bool continuing = false;
  bool tablesAtEndOfPrevious = false;
};

// Prefix-code lengths of at most maxLength bits; every used symbol gets a
// code, and at least two symbols have one.
std::vector<uint8_t> CodeLengths(std::vector<uint32_t> freq, int maxLength) {
  const size_t n = freq.size();
  int used = 0;
  for (uint32_t f : freq) used += f > 0;
  for (size_t i = 0; used < 2 && i < n; ++i) {
    if (freq[i] == 0) {
      freq[i] = 1;
      ++used;
    }
  }
  std::vector<uint8_t> lengths(n, 0);
  for (;;) {
    struct Node {
      uint64_t weight;
      int left, right;
    };
    std::vector<Node> nodes;
    using Item = std::pair<uint64_t, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
    for (size_t i = 0; i < n; ++i) {
      if (freq[i] > 0) {
        nodes.push_back({freq[i], -1, static_cast<int>(i)});
        queue.push({freq[i], static_cast<int>(nodes.size() - 1)});
      }
    }
    while (queue.size() > 1) {
      Item a = queue.top();
      queue.pop();
      Item b = queue.top();
      queue.pop();
      nodes.push_back({a.first + b.first, a.second, b.second});
      queue.push({a.first + b.first, static_cast<int>(nodes.size() - 1)});
    }
    int deepest = 0;
    std::vector<std::pair<int, int>> stack = {{queue.top().second, 0}};
    while (!stack.empty()) {
      auto [node, depth] = stack.back();
      stack.pop_back();
      if (nodes[node].left < 0) {
        lengths[nodes[node].right] = static_cast<uint8_t>(std::max(depth, 1));
        deepest = std::max(deepest, depth);
      } else {
        stack.push_back({nodes[node].left, depth + 1});
        stack.push_back({nodes[node].right, depth + 1});
      }
    }
    if (deepest <= maxLength) return lengths;
    for (uint32_t& f : freq) {
      if (f > 0) f = (f + 1) / 2;
    }
  }
}

// Canonical codes: ordered by length, then by symbol.
std::vector<uint32_t> CanonicalCodes(const std::vector<uint8_t>& lengths) {
  int count[16] = {};
  for (uint8_t l : lengths) count[l]++;
  count[0] = 0;
  uint32_t next[16] = {};
  uint32_t code = 0;
  for (int len = 1; len < 16; ++len) {
    code = (code + static_cast<uint32_t>(count[len - 1])) << 1;
    next[len] = code;
  }
  std::vector<uint32_t> codes(lengths.size(), 0);
  for (size_t s = 0; s < lengths.size(); ++s) {
    if (lengths[s] != 0) codes[s] = next[lengths[s]]++;
  }
  return codes;
}

struct Coder {
  std::vector<uint8_t> lengths;
  std::vector<uint32_t> codes;
  void Make(const std::vector<uint32_t>& freq) {
    lengths = CodeLengths(freq, 15);
    codes = CanonicalCodes(lengths);
  }
  void Put(BitWriter& w, int symbol) const {
    w.Put(codes[static_cast<size_t>(symbol)], lengths[static_cast<size_t>(symbol)]);
  }
};

class Encoder {
 public:
  // Turns a member into blocks of tokens, moving the LZ and audio state on.
  MemberTokens Tokenize(const EncodeMember& m, bool continuing) {
    MemberTokens result;
    result.continuing = continuing;
    result.tablesAtEndOfPrevious = m.tablesAtEndOfPrevious;
    if (!continuing) ResetStream();
    size_t start = hist_.size();
    hist_.insert(hist_.end(), m.data.begin(), m.data.end());
    prev_.resize(hist_.size(), -1);
    std::vector<EncodeBlock> specs = m.blocks;
    if (specs.empty()) specs.push_back(EncodeBlock());
    size_t pos = start;
    const size_t end = hist_.size();
    for (size_t b = 0; b < specs.size(); ++b) {
      size_t blockEnd = (specs[b].bytes == 0 || b + 1 == specs.size()) ? end : std::min(end, pos + specs[b].bytes);
      Block block;
      block.channels = specs[b].audioChannels;
      block.keep = specs[b].keepLengths;
      if (block.channels > 0) {
        channels_ = block.channels;
        if (channel_ >= channels_) channel_ = 0;
        for (; pos < blockEnd; ++pos) {
          Token t;
          t.channel = channel_;
          t.sym = predictor_.Encode(channel_, hist_[pos]);
          block.tokens.push_back(t);
          Insert(pos);
          if (++channel_ == channels_) channel_ = 0;
        }
        result.blocks.push_back(std::move(block));
        continue;
      }
      while (pos < blockEnd) {
        if (m.symbolsPerTable > 0 && block.tokens.size() >= m.symbolsPerTable) {
          result.blocks.push_back(block);
          block.tokens.clear();
          block.keep = !block.keep;  // alternate kept and reset lengths
        }
        pos += LzStep(pos, blockEnd, block.tokens);
      }
      result.blocks.push_back(std::move(block));
    }
    return result;
  }

 private:
  void ResetStream() {
    hist_.clear();
    prev_.clear();
    std::fill(std::begin(head3_), std::end(head3_), -1);
    std::fill(std::begin(head2_), std::end(head2_), -1);
    std::fill(std::begin(oldDist_), std::end(oldDist_), 0u);
    oldPtr_ = lastDist_ = lastLength_ = 0;
    channels_ = 1;
    channel_ = 0;
    predictor_.Reset();
    streamStart_ = 0;
  }

  static uint32_t Hash3(const uint8_t* p) { return ((p[0] << 16) | (p[1] << 8) | p[2]) * 2654435761u >> 16; }

  void Insert(size_t pos) {
    if (pos + 2 < hist_.size()) {
      uint32_t h = Hash3(&hist_[pos]);
      prev_[pos] = head3_[h];
      head3_[h] = static_cast<int64_t>(pos);
    }
    if (pos + 1 < hist_.size()) head2_[hist_[pos] | hist_[pos + 1] << 8] = static_cast<int64_t>(pos);
  }

  size_t MatchLength(size_t pos, uint32_t distance, size_t limit) const {
    if (distance == 0 || distance > pos - streamStart_) return 0;
    size_t n = 0;
    while (n < limit && hist_[pos + n] == hist_[pos + n - distance]) ++n;
    return n;
  }

  static int Adjust(uint32_t d) { return (d >= 0x101) + (d >= 0x2000) + (d >= 0x40000); }

  void Remember(uint32_t length, uint32_t distance) {
    oldDist_[oldPtr_++ & 3] = distance;
    lastDist_ = distance;
    lastLength_ = length;
  }

  size_t LzStep(size_t pos, size_t end, std::vector<Token>& out) {
    const size_t limit = std::min<size_t>(kMaxLength, end - pos);
    // A repeated distance first.
    size_t bestRepeat = 0;
    int repeatIndex = 0;
    for (int k = 1; k <= 4; ++k) {
      uint32_t d = oldDist_[(oldPtr_ - static_cast<uint32_t>(k)) & 3];
      size_t len = MatchLength(pos, d, limit);
      if (len > bestRepeat && static_cast<int>(len) - 2 - Adjust(d) >= 0) {
        bestRepeat = len;
        repeatIndex = k;
      }
    }
    size_t best = 0;
    uint32_t bestDist = 0;
    if (limit >= 3) {
      int64_t cand = head3_[Hash3(&hist_[pos])];
      for (int depth = 0; cand >= 0 && depth < 24; ++depth, cand = prev_[static_cast<size_t>(cand)]) {
        uint32_t d = static_cast<uint32_t>(pos - static_cast<size_t>(cand));
        if (d > kMaxDistance) break;
        size_t len = MatchLength(pos, d, limit);
        int minimum = 3 + (d >= 0x2000) + (d >= 0x40000);
        if (len > best && static_cast<int>(len) >= minimum) {
          best = len;
          bestDist = d;
        }
      }
    }
    Token t;
    size_t taken = 0;
    if (bestRepeat >= 2 && bestRepeat + 1 >= best) {
      uint32_t d = oldDist_[(oldPtr_ - static_cast<uint32_t>(repeatIndex)) & 3];
      if (d == lastDist_ && bestRepeat == lastLength_) {
        t.sym = 256;
      } else {
        t.sym = 256 + repeatIndex;
        int v = static_cast<int>(bestRepeat) - 2 - Adjust(d);
        int slot = LengthSlot(v);
        t.sub = slot;
        t.extra1 = static_cast<uint32_t>(v - kLengthBase[slot]);
        t.bits1 = kLengthBits[slot];
      }
      Remember(static_cast<uint32_t>(bestRepeat), d);
      taken = bestRepeat;
    } else if (best >= 3) {
      int v = static_cast<int>(best) - 3 - (bestDist >= 0x2000) - (bestDist >= 0x40000);
      int slot = LengthSlot(v);
      t.sym = 270 + slot;
      t.extra1 = static_cast<uint32_t>(v - kLengthBase[slot]);
      t.bits1 = kLengthBits[slot];
      int ds = DistanceSlot(bestDist - 1);
      t.sub = ds;
      t.extra2 = bestDist - 1 - kDist.base[ds];
      t.bits2 = kDist.bits[ds];
      Remember(static_cast<uint32_t>(best), bestDist);
      taken = best;
    } else {
      int64_t two = limit >= 2 ? head2_[hist_[pos] | hist_[pos + 1] << 8] : -1;
      uint32_t d = two >= 0 ? static_cast<uint32_t>(pos - static_cast<size_t>(two)) : 0;
      if (two >= 0 && d <= 256 && MatchLength(pos, d, 2) == 2) {
        int slot = 7;
        while (kShortBase[slot] > static_cast<int>(d - 1)) --slot;
        t.sym = 261 + slot;
        t.extra1 = d - 1 - static_cast<uint32_t>(kShortBase[slot]);
        t.bits1 = kShortBits[slot];
        Remember(2, d);
        taken = 2;
      } else {
        t.sym = hist_[pos];
        taken = 1;
      }
    }
    out.push_back(t);
    for (size_t i = 0; i < taken; ++i) Insert(pos + i);
    return taken;
  }


  std::vector<uint8_t> hist_;
  std::vector<int64_t> prev_;
  int64_t head3_[1 << 16];
  int64_t head2_[1 << 16];
  uint32_t oldDist_[4] = {};
  uint32_t oldPtr_ = 0;
  uint32_t lastDist_ = 0;
  uint32_t lastLength_ = 0;
  int channels_ = 1;
  int channel_ = 0;
  Rar20AudioPredictor predictor_;
  size_t streamStart_ = 0;
};

// Writes blocks with their tables, mirroring the decoder's table state.
class Emitter {
 public:
  void ResetStream() {
    std::fill(std::begin(prevLengths_), std::end(prevLengths_), 0);
    channel_ = 0;
    channels_ = 1;
    audio_ = false;
  }

  // The current code's table-change symbol.
  void PutChange(BitWriter& w) {
    if (audio_) {
      audioCoders_[channel_].Put(w, 256);
    } else {
      literal_.Put(w, 269);
    }
  }

  void PutTables(BitWriter& w, const Block& block) {
    audio_ = block.channels > 0;
    std::vector<uint8_t> table;
    if (audio_) {
      channels_ = block.channels;
      if (channel_ >= channels_) channel_ = 0;
      for (int c = 0; c < channels_; ++c) {
        std::vector<uint32_t> freq(257, 0);
        freq[256] = 1;
        for (const Token& t : block.tokens) {
          if (t.channel == c) freq[static_cast<size_t>(t.sym)]++;
        }
        audioCoders_[c].Make(freq);
        table.insert(table.end(), audioCoders_[c].lengths.begin(), audioCoders_[c].lengths.end());
      }
    } else {
      std::vector<uint32_t> lf(298, 0), df(48, 0), rf(28, 0);
      lf[269] = 1;
      for (const Token& t : block.tokens) {
        lf[static_cast<size_t>(t.sym)]++;
        if (t.sym >= 270) df[static_cast<size_t>(t.sub)]++;
        if (t.sym > 256 && t.sym < 261) rf[static_cast<size_t>(t.sub)]++;
      }
      literal_.Make(lf);
      distance_.Make(df);
      repeat_.Make(rf);
      table = literal_.lengths;
      table.insert(table.end(), distance_.lengths.begin(), distance_.lengths.end());
      table.insert(table.end(), repeat_.lengths.begin(), repeat_.lengths.end());
    }
    w.Put(audio_ ? 1 : 0, 1);
    w.Put(block.keep ? 1 : 0, 1);
    if (audio_) w.Put(static_cast<uint32_t>(channels_ - 1), 2);
    if (!block.keep) std::fill(std::begin(prevLengths_), std::end(prevLengths_), 0);

    struct Pre {
      int sym;
      uint32_t extra;
      int bits;
    };
    std::vector<Pre> pre;
    for (size_t i = 0; i < table.size();) {
      size_t run = 1;
      while (i + run < table.size() && table[i + run] == table[i]) ++run;
      if (table[i] == 0 && run >= 11) {
        size_t n = std::min<size_t>(run, 138);
        pre.push_back({18, static_cast<uint32_t>(n - 11), 7});
        i += n;
      } else if (table[i] == 0 && run >= 3) {
        size_t n = std::min<size_t>(run, 10);
        pre.push_back({17, static_cast<uint32_t>(n - 3), 3});
        i += n;
      } else if (i > 0 && table[i] == table[i - 1] && run >= 3) {
        size_t n = std::min<size_t>(run, 6);
        pre.push_back({16, static_cast<uint32_t>(n - 3), 2});
        i += n;
      } else {
        pre.push_back({(table[i] - prevLengths_[i]) & 15, 0, 0});
        ++i;
      }
    }
    std::vector<uint32_t> pf(19, 0);
    for (const Pre& p : pre) pf[static_cast<size_t>(p.sym)]++;
    Coder preCoder;
    preCoder.Make(pf);
    for (uint8_t l : preCoder.lengths) w.Put(l, 4);
    for (const Pre& p : pre) {
      preCoder.Put(w, p.sym);
      if (p.bits > 0) w.Put(p.extra, p.bits);
    }
    std::copy(table.begin(), table.end(), prevLengths_);
  }

  void PutTokens(BitWriter& w, const Block& block) {
    for (const Token& t : block.tokens) {
      if (audio_) {
        audioCoders_[t.channel].Put(w, t.sym);
        if (++channel_ == channels_) channel_ = 0;
        continue;
      }
      literal_.Put(w, t.sym);
      if (t.sym > 256 && t.sym < 261) {
        repeat_.Put(w, t.sub);
        w.Put(t.extra1, t.bits1);
      } else if (t.sym >= 261 && t.sym < 269) {
        w.Put(t.extra1, t.bits1);
      } else if (t.sym >= 270) {
        w.Put(t.extra1, t.bits1);
        distance_.Put(w, t.sub);
        w.Put(t.extra2, t.bits2);
      }
    }
  }

 private:
  uint8_t prevLengths_[1028] = {};
  Coder literal_, distance_, repeat_, audioCoders_[4];
  bool audio_ = false;
  int channels_ = 1;
  int channel_ = 0;
};

void Put16(std::vector<uint8_t>& v, size_t at, uint16_t x) {
  v[at] = static_cast<uint8_t>(x);
  v[at + 1] = static_cast<uint8_t>(x >> 8);
}
void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + static_cast<size_t>(i)] = static_cast<uint8_t>(x >> (8 * i));
}

std::vector<uint8_t> StartArchive(bool solid) {
  std::vector<uint8_t> out = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
  std::vector<uint8_t> main(13, 0);
  main[2] = 0x73;
  Put16(main, 3, solid ? 0x08 : 0x00);
  Put16(main, 5, 13);
  Put16(main, 0, static_cast<uint16_t>(Crc32(main.data() + 2, 11)));
  out.insert(out.end(), main.begin(), main.end());
  return out;
}

std::vector<MemberPlace> gPlaces;

void AppendMember(std::vector<uint8_t>& out, const std::string& name, const std::vector<uint8_t>& packed,
                  uint32_t unpackedSize, uint32_t crc, uint8_t method, uint8_t version, uint16_t flags) {
  std::vector<uint8_t> h(32 + name.size(), 0);
  h[2] = 0x74;
  Put16(h, 3, static_cast<uint16_t>(0x8000 | 0x80 | flags));
  Put16(h, 5, static_cast<uint16_t>(h.size()));
  Put32(h, 7, static_cast<uint32_t>(packed.size()));
  Put32(h, 11, unpackedSize);
  h[15] = 0;
  Put32(h, 16, crc);
  Put32(h, 20, 0x5A2B6000);
  h[24] = version;
  h[25] = method;
  Put16(h, 26, static_cast<uint16_t>(name.size()));
  Put32(h, 28, 0x20);
  std::memcpy(h.data() + 32, name.data(), name.size());
  Put16(h, 0, static_cast<uint16_t>(Crc32(h.data() + 2, h.size() - 2)));
  gPlaces.push_back({out.size(), out.size() + h.size(), packed.size()});
  out.insert(out.end(), h.begin(), h.end());
  out.insert(out.end(), packed.begin(), packed.end());
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void BitWriter::Put(uint32_t value, int bits) {
  for (int i = bits - 1; i >= 0; --i) {
    acc_ = acc_ << 1 | ((value >> i) & 1);
    if (++used_ == 8) {
      bytes_.push_back(static_cast<uint8_t>(acc_));
      acc_ = 0;
      used_ = 0;
    }
  }
}

std::vector<uint8_t> BitWriter::Finish() {
  std::vector<uint8_t> out = bytes_;
  if (used_ > 0) out.push_back(static_cast<uint8_t>(acc_ << (8 - used_)));
  return out;
}

std::vector<uint8_t> BuildRarArchive(const std::vector<EncodeMember>& members, bool solid) {
  gPlaces.clear();
  auto encoder = std::make_unique<Encoder>();
  Emitter emitter;
  std::vector<MemberTokens> tokens(members.size());
  bool streamStarted = false;
  for (size_t i = 0; i < members.size(); ++i) {
    if (members[i].stored) continue;
    bool continuing = solid && streamStarted;
    tokens[i] = encoder->Tokenize(members[i], continuing);
    streamStarted = true;
  }
  std::vector<uint8_t> out = StartArchive(solid);
  for (size_t i = 0; i < members.size(); ++i) {
    const EncodeMember& m = members[i];
    const uint32_t crc = Crc32(m.data.data(), m.data.size());
    if (m.stored) {
      uint16_t flags = static_cast<uint16_t>(m.extraFlags | (solid && i > 0 ? 0x10 : 0));
      AppendMember(out, m.name, m.data, static_cast<uint32_t>(m.data.size()), crc, 0x30, m.version, flags);
      continue;
    }
    const MemberTokens& mt = tokens[i];
    BitWriter w;
    if (!mt.continuing) emitter.ResetStream();
    for (size_t b = 0; b < mt.blocks.size(); ++b) {
      const bool tablesAlreadyRead = b == 0 && mt.continuing && mt.tablesAtEndOfPrevious;
      if (!tablesAlreadyRead) {
        if (b > 0 || mt.continuing) emitter.PutChange(w);
        emitter.PutTables(w, mt.blocks[b]);
      }
      emitter.PutTokens(w, mt.blocks[b]);
    }
    // The next member of the stream may take its first tables from here.
    size_t next = i + 1;
    while (next < members.size() && members[next].stored) ++next;
    if (next < members.size() && tokens[next].continuing && tokens[next].tablesAtEndOfPrevious) {
      emitter.PutChange(w);
      emitter.PutTables(w, tokens[next].blocks.front());
    }
    uint16_t flags = static_cast<uint16_t>(m.extraFlags | (mt.continuing ? 0x10 : 0));
    // Two zero bytes after the last code, as lsar reads ahead of it.
    std::vector<uint8_t> packed = w.Finish();
    packed.push_back(0);
    packed.push_back(0);
    AppendMember(out, m.name, packed, static_cast<uint32_t>(m.data.size()), crc, 0x33, m.version, flags);
  }
  return out;
}

std::vector<MemberPlace> LastMemberPlaces() { return gPlaces; }

std::vector<uint8_t> WrapPackedMember(const std::string& name, const std::vector<uint8_t>& packed,
                                      uint32_t unpackedSize, uint32_t crc, uint8_t method, uint8_t version,
                                      uint16_t extraFlags) {
  gPlaces.clear();
  std::vector<uint8_t> out = StartArchive(false);
  AppendMember(out, name, packed, unpackedSize, crc, method, version, extraFlags);
  return out;
}

}  // namespace rartest
