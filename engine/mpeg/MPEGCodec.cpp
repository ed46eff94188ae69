// Text form of the MPEG video code tables and their expansion into direct
// lookup tables.
#include "engine/mpeg/MPEGCodec.h"

#include <cstring>

VMPEGCodeTable::VMPEGCodeTable(const char* const* codes, const int32_t* values, int count) {
  for (int i = 0; i < count; ++i) {
    const int length = static_cast<int>(std::strlen(codes[i]));
    if (length > maxLength_) maxLength_ = length;
  }
  entries_.resize(size_t{1} << maxLength_);
  for (int i = 0; i < count; ++i) {
    const int length = static_cast<int>(std::strlen(codes[i]));
    uint32_t code = 0;
    for (int k = 0; k < length; ++k) code = (code << 1) | (codes[i][k] == '1' ? 1u : 0u);
    const int freeBits = maxLength_ - length;
    const uint32_t first = code << freeBits;
    for (uint32_t j = 0; j < (1u << freeBits); ++j) {
      entries_[first + j].length = static_cast<int16_t>(length);
      entries_[first + j].value = values[i];
    }
  }
}

namespace {

struct CodeValue {
  const char* code;
  int32_t value;
};

template <size_t N>
VMPEGCodeTable MakeTable(const CodeValue (&pairs)[N]) {
  const char* codes[N];
  int32_t values[N];
  for (size_t i = 0; i < N; ++i) {
    codes[i] = pairs[i].code;
    values[i] = pairs[i].value;
  }
  return VMPEGCodeTable(codes, values, static_cast<int>(N));
}

constexpr int32_t RL(int32_t run, int32_t level) { return (run << 8) | (level & 0xFF); }

const CodeValue kAddressIncrement[] = {
    {"1", 1}, {"011", 2}, {"010", 3}, {"0011", 4}, {"0010", 5}, {"00011", 6}, {"00010", 7},
    {"0000111", 8}, {"0000110", 9}, {"00001011", 10}, {"00001010", 11}, {"00001001", 12},
    {"00001000", 13}, {"00000111", 14}, {"00000110", 15}, {"0000010111", 16}, {"0000010110", 17},
    {"0000010101", 18}, {"0000010100", 19}, {"0000010011", 20}, {"0000010010", 21},
    {"00000100011", 22}, {"00000100010", 23}, {"00000100001", 24}, {"00000100000", 25},
    {"00000011111", 26}, {"00000011110", 27}, {"00000011101", 28}, {"00000011100", 29},
    {"00000011011", 30}, {"00000011010", 31}, {"00000011001", 32}, {"00000011000", 33},
    {"00000001000", 0}, {"00000001111", -1}};

constexpr int32_t Q = kMacroblockQuant, F = kMacroblockForward, B = kMacroblockBackward,
                  P = kMacroblockPattern, I = kMacroblockIntra;

const CodeValue kTypeI[] = {{"1", I}, {"01", I | Q}};
const CodeValue kTypeP[] = {{"1", F | P},   {"01", P},         {"001", F},    {"00011", I},
                            {"00010", Q | F | P}, {"00001", Q | P}, {"000001", Q | I}};
const CodeValue kTypeB[] = {{"10", F | B},           {"11", F | B | P},    {"010", B},      {"011", B | P},
                            {"0010", F},             {"0011", F | P},      {"00011", I},    {"00010", Q | F | B | P},
                            {"000011", Q | F | P},   {"000010", Q | B | P}, {"000001", Q | I}};

const CodeValue kCodedBlockPattern[] = {
    {"111", 60},       {"1101", 4},       {"1100", 8},       {"1011", 16},      {"1010", 32},
    {"10011", 12},     {"10010", 48},     {"10001", 20},     {"10000", 40},     {"01111", 28},
    {"01110", 44},     {"01101", 52},     {"01100", 56},     {"01011", 1},      {"01010", 61},
    {"01001", 2},      {"01000", 62},     {"001111", 24},    {"001110", 36},    {"001101", 3},
    {"001100", 63},    {"0010111", 5},    {"0010110", 9},    {"0010101", 17},   {"0010100", 33},
    {"0010011", 6},    {"0010010", 10},   {"0010001", 18},   {"0010000", 34},   {"00011111", 7},
    {"00011110", 11},  {"00011101", 19},  {"00011100", 35},  {"00011011", 13},  {"00011010", 49},
    {"00011001", 21},  {"00011000", 41},  {"00010111", 14},  {"00010110", 50},  {"00010101", 22},
    {"00010100", 42},  {"00010011", 15},  {"00010010", 51},  {"00010001", 23},  {"00010000", 43},
    {"00001111", 25},  {"00001110", 37},  {"00001101", 26},  {"00001100", 38},  {"00001011", 29},
    {"00001010", 45},  {"00001001", 53},  {"00001000", 57},  {"00000111", 30},  {"00000110", 46},
    {"00000101", 54},  {"00000100", 58},  {"000000111", 31}, {"000000110", 47}, {"000000101", 55},
    {"000000100", 59}, {"000000011", 27}, {"000000010", 39}, {"000000001", 0}};

const CodeValue kMotionCode[] = {
    {"1", 0},           {"01", 1},          {"001", 2},         {"0001", 3},        {"000011", 4},
    {"0000101", 5},     {"0000100", 6},     {"0000011", 7},     {"000001011", 8},   {"000001010", 9},
    {"000001001", 10},  {"0000010001", 11}, {"0000010000", 12}, {"0000001111", 13}, {"0000001110", 14},
    {"0000001101", 15}, {"0000001100", 16}};

const CodeValue kDualPrime[] = {{"0", 0}, {"10", 1}, {"11", -1}};

const CodeValue kDCLuma[] = {{"100", 0},     {"00", 1},       {"01", 2},        {"101", 3},
                             {"110", 4},     {"1110", 5},     {"11110", 6},     {"111110", 7},
                             {"1111110", 8}, {"11111110", 9}, {"111111110", 10}, {"111111111", 11}};
const CodeValue kDCChroma[] = {{"00", 0},       {"01", 1},        {"10", 2},         {"110", 3},
                               {"1110", 4},     {"11110", 5},     {"111110", 6},     {"1111110", 7},
                               {"11111110", 8}, {"111111110", 9}, {"1111111110", 10}, {"1111111111", 11}};


const CodeValue kCoefficientsTail[] = {
    {"00000000011111", RL(0, 16)},
    {"00000000011110", RL(0, 17)},
    {"00000000011101", RL(0, 18)},
    {"00000000011100", RL(0, 19)},
    {"00000000011011", RL(0, 20)},
    {"00000000011010", RL(0, 21)},
    {"00000000011001", RL(0, 22)},
    {"00000000011000", RL(0, 23)},
    {"00000000010111", RL(0, 24)},
    {"00000000010110", RL(0, 25)},
    {"00000000010101", RL(0, 26)},
    {"00000000010100", RL(0, 27)},
    {"00000000010011", RL(0, 28)},
    {"00000000010010", RL(0, 29)},
    {"00000000010001", RL(0, 30)},
    {"00000000010000", RL(0, 31)},
    {"000000000011000", RL(0, 32)},
    {"000000000010111", RL(0, 33)},
    {"000000000010110", RL(0, 34)},
    {"000000000010101", RL(0, 35)},
    {"000000000010100", RL(0, 36)},
    {"000000000010011", RL(0, 37)},
    {"000000000010010", RL(0, 38)},
    {"000000000010001", RL(0, 39)},
    {"000000000010000", RL(0, 40)},
    {"000000000011111", RL(1, 8)},
    {"000000000011110", RL(1, 9)},
    {"000000000011101", RL(1, 10)},
    {"000000000011100", RL(1, 11)},
    {"000000000011011", RL(1, 12)},
    {"000000000011010", RL(1, 13)},
    {"000000000011001", RL(1, 14)},
    {"0000000000010011", RL(1, 15)},
    {"0000000000010010", RL(1, 16)},
    {"0000000000010001", RL(1, 17)},
    {"0000000000010000", RL(1, 18)},
    {"0000000000010100", RL(6, 3)},
    {"0000000000011010", RL(11, 2)},
    {"0000000000011001", RL(12, 2)},
    {"0000000000011000", RL(13, 2)},
    {"0000000000010111", RL(14, 2)},
    {"0000000000010110", RL(15, 2)},
    {"0000000000010101", RL(16, 2)},
    {"0000000000011111", RL(27, 1)},
    {"0000000000011110", RL(28, 1)},
    {"0000000000011101", RL(29, 1)},
    {"0000000000011100", RL(30, 1)},
    {"0000000000011011", RL(31, 1)},
    // shared 13-bit and 12-bit codes
    {"0000000010110", RL(1, 6)},  {"0000000010101", RL(1, 7)},  {"0000000010100", RL(2, 5)},
    {"0000000010011", RL(3, 4)},  {"0000000010010", RL(5, 3)},  {"0000000010001", RL(9, 2)},
    {"0000000010000", RL(10, 2)}, {"0000000011111", RL(22, 1)}, {"0000000011110", RL(23, 1)},
    {"0000000011101", RL(24, 1)}, {"0000000011100", RL(25, 1)}, {"0000000011011", RL(26, 1)},
    {"000000011100", RL(3, 3)},   {"000000010010", RL(4, 3)},   {"000000011110", RL(6, 2)},
    {"000000010101", RL(7, 2)},   {"000000010001", RL(8, 2)},   {"000000011111", RL(17, 1)},
    {"000000011010", RL(18, 1)},  {"000000011001", RL(19, 1)},  {"000000010111", RL(20, 1)},
    {"000000010110", RL(21, 1)},  {"000001", kRunEscape << 8}};

const CodeValue kCoefficients0Head[] = {
    {"10", kRunEndOfBlock << 8}, {"11", RL(0, 1)},   {"011", RL(1, 1)},  {"0100", RL(0, 2)},
    {"0101", RL(2, 1)},          {"00101", RL(0, 3)}, {"00111", RL(3, 1)}, {"00110", RL(4, 1)},
    {"000110", RL(1, 2)},        {"000111", RL(5, 1)}, {"000101", RL(6, 1)}, {"000100", RL(7, 1)},
    {"0000110", RL(0, 4)},       {"0000100", RL(2, 2)}, {"0000111", RL(8, 1)}, {"0000101", RL(9, 1)},
    {"00100110", RL(0, 5)},      {"00100001", RL(0, 6)}, {"00100101", RL(1, 3)}, {"00100100", RL(3, 2)},
    {"00100111", RL(10, 1)},     {"00100011", RL(11, 1)}, {"00100010", RL(12, 1)}, {"00100000", RL(13, 1)},
    {"0000001010", RL(0, 7)},    {"0000001100", RL(1, 4)}, {"0000001011", RL(2, 3)}, {"0000001111", RL(4, 2)},
    {"0000001001", RL(5, 2)},    {"0000001110", RL(14, 1)}, {"0000001101", RL(15, 1)}, {"0000001000", RL(16, 1)},
    {"000000011101", RL(0, 8)},  {"000000011000", RL(0, 9)}, {"000000010011", RL(0, 10)},
    {"000000010000", RL(0, 11)}, {"000000011011", RL(1, 5)}, {"000000010100", RL(2, 4)},
    {"0000000011010", RL(0, 12)}, {"0000000011001", RL(0, 13)}, {"0000000011000", RL(0, 14)},
    {"0000000010111", RL(0, 15)}};

const CodeValue kCoefficients1Head[] = {
    {"0110", kRunEndOfBlock << 8}, {"10", RL(0, 1)},     {"010", RL(1, 1)},     {"110", RL(0, 2)},
    {"00101", RL(2, 1)},           {"0111", RL(0, 3)},   {"00111", RL(3, 1)},   {"000110", RL(4, 1)},
    {"00110", RL(1, 2)},           {"000111", RL(5, 1)}, {"0000110", RL(6, 1)}, {"0000100", RL(7, 1)},
    {"11100", RL(0, 4)},           {"0000111", RL(2, 2)}, {"0000101", RL(8, 1)}, {"1111000", RL(9, 1)},
    {"11101", RL(0, 5)},           {"000101", RL(0, 6)}, {"1111001", RL(1, 3)}, {"00100110", RL(3, 2)},
    {"1111010", RL(10, 1)},        {"00100001", RL(11, 1)}, {"00100101", RL(12, 1)}, {"00100100", RL(13, 1)},
    {"000100", RL(0, 7)},          {"00100111", RL(1, 4)}, {"11111100", RL(2, 3)}, {"11111101", RL(4, 2)},
    {"000000100", RL(5, 2)},       {"000000101", RL(14, 1)}, {"000000111", RL(15, 1)}, {"0000001101", RL(16, 1)},
    {"1111011", RL(0, 8)},         {"1111100", RL(0, 9)}, {"00100011", RL(0, 10)}, {"00100010", RL(0, 11)},
    {"00100000", RL(1, 5)},        {"0000001100", RL(2, 4)}, {"11111010", RL(0, 12)}, {"11111011", RL(0, 13)},
    {"11111110", RL(0, 14)},       {"11111111", RL(0, 15)}};

template <size_t N, size_t M>
VMPEGCodeTable JoinTables(const CodeValue (&a)[N], const CodeValue (&b)[M]) {
  const char* codes[N + M];
  int32_t values[N + M];
  for (size_t i = 0; i < N; ++i) {
    codes[i] = a[i].code;
    values[i] = a[i].value;
  }
  for (size_t i = 0; i < M; ++i) {
    codes[N + i] = b[i].code;
    values[N + i] = b[i].value;
  }
  return VMPEGCodeTable(codes, values, static_cast<int>(N + M));
}

}  // namespace

const VMPEGMacroblockCodes& AcquireMPEGMacroblockCodes() {
  static const VMPEGCodeTable addressIncrement = MakeTable(kAddressIncrement);
  static const VMPEGCodeTable typeI = MakeTable(kTypeI);
  static const VMPEGCodeTable typeP = MakeTable(kTypeP);
  static const VMPEGCodeTable typeB = MakeTable(kTypeB);
  static const VMPEGCodeTable codedBlockPattern = MakeTable(kCodedBlockPattern);
  static const VMPEGCodeTable motionCode = MakeTable(kMotionCode);
  static const VMPEGMacroblockCodes codes{addressIncrement, typeI, typeP, typeB, codedBlockPattern, motionCode};
  return codes;
}

const VMPEGCodec& AcquireMPEGCodec() {
  static const VMPEGMacroblockCodes& macroblock = AcquireMPEGMacroblockCodes();
  static const VMPEGCodeTable dualPrime = MakeTable(kDualPrime);
  static const VMPEGCodeTable dcLuma = MakeTable(kDCLuma);
  static const VMPEGCodeTable dcChroma = MakeTable(kDCChroma);
  static const VMPEGCodeTable coefficients0 = JoinTables(kCoefficients0Head, kCoefficientsTail);
  static const VMPEGCodeTable coefficients1 = JoinTables(kCoefficients1Head, kCoefficientsTail);
  static const VMPEGCodec codec{macroblock.addressIncrement,
                                macroblock.typeI,
                                macroblock.typeP,
                                macroblock.typeB,
                                macroblock.codedBlockPattern,
                                macroblock.motionCode,
                                dualPrime,
                                dcLuma,
                                dcChroma,
                                coefficients0,
                                coefficients1};
  return codec;
}

const uint8_t kZigZagScan[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                 12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
const uint8_t kAlternateScan[64] = {0,  8,  16, 24, 1,  9,  2,  10, 17, 25, 32, 40, 48, 56, 57, 49,
                                    41, 33, 26, 18, 3,  11, 4,  12, 19, 27, 34, 42, 50, 58, 35, 43,
                                    51, 59, 20, 28, 5,  13, 6,  14, 21, 29, 36, 44, 52, 60, 37, 45,
                                    53, 61, 22, 30, 7,  15, 23, 31, 38, 46, 54, 62, 39, 47, 55, 63};
const uint8_t kDefaultIntraMatrix[64] = {8,  16, 19, 22, 26, 27, 29, 34, 16, 16, 22, 24, 27, 29, 34, 37,
                                         19, 22, 26, 27, 29, 34, 34, 38, 22, 22, 26, 27, 29, 34, 37, 40,
                                         22, 26, 27, 29, 32, 35, 40, 48, 26, 27, 29, 32, 35, 40, 48, 58,
                                         26, 27, 29, 34, 38, 46, 56, 69, 27, 29, 35, 38, 46, 56, 69, 83};
const uint8_t kNonLinearQuantiserScale[32] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  10, 12,  14,  16,  18,  20,  22,
                                              24, 28, 32, 36, 40, 44, 48, 52, 56, 64, 72, 80, 88, 96, 104, 112};
