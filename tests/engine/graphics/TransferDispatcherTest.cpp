#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "engine/graphics/TransferDispatcher.h"
#include "engine/graphics/TransferKernels.h"

namespace {

using R = TransferRowRoutine;

// Expected routine per (mode, solid) for depths 8, 15, 16, 24, 32.
struct Expected {
  R byDepth[5];
};

const std::map<std::pair<int, bool>, Expected>& Table() {
  static const std::map<std::pair<int, bool>, Expected> table = {
      {{0, false}, {{CopyPixelRows, CopyPixelRows, CopyPixelRows, CopyPixelRows, CopyPixelRows}}},
      {{0, true}, {{TransferMode0Depth8Table, TransferMode0Depth16, TransferMode0Depth16, TransferMode0Depth24, TransferMode0Depth32}}},
      {{1, false}, {{TransferMode1Depth8, nullptr, nullptr, nullptr, nullptr}}},
      {{2, false}, {{nullptr, TransferMode2Depth16, TransferMode2Depth16, TransferMode2Depth24, TransferMode2Depth32}}},
      {{4, false}, {{TransferMode4Depth8, TransferMode4Depth15, TransferMode4Depth16, TransferMode4Depth24, TransferMode4Depth32}}},
      {{4, true}, {{TransferMode4FlaggedDepth8, TransferMode4FlaggedDepth15, TransferMode4FlaggedDepth16, TransferMode4FlaggedDepth24, TransferMode4FlaggedDepth32}}},
      {{5, false}, {{TransferMode5Depth8, nullptr, nullptr, nullptr, nullptr}}},
      {{6, false}, {{nullptr, TransferMode6Depth15, TransferMode6Depth16, TransferMode6Depth24, TransferMode6Depth32}}},
      {{8, false}, {{TransferMode8Depth8, TransferMode8Depth15, TransferMode8Depth16, TransferMode8Depth24, TransferMode8Depth32}}},
      {{8, true}, {{TransferMode8FlaggedDepth8, TransferMode8FlaggedDepth15, TransferMode8FlaggedDepth16, TransferMode8FlaggedDepth24, TransferMode8FlaggedDepth32}}},
      {{9, false}, {{TransferMode9Depth8, nullptr, nullptr, nullptr, nullptr}}},
      {{10, false}, {{nullptr, TransferMode10Depth15, TransferMode10Depth16, TransferMode10Depth24, TransferMode10Depth32}}},
      {{12, false}, {{TransferMode12Depth8, TransferMode12Depth15, TransferMode12Depth16, TransferMode12Depth24, TransferMode12Depth32}}},
      {{12, true}, {{TransferMode12FlaggedDepth8, TransferMode12FlaggedDepth15, TransferMode12FlaggedDepth16, TransferMode12FlaggedDepth24, TransferMode12FlaggedDepth32}}},
      {{13, false}, {{TransferMode13Depth8, nullptr, nullptr, nullptr, nullptr}}},
      {{14, false}, {{nullptr, TransferMode14Depth15, TransferMode14Depth16, TransferMode14Depth24, TransferMode14Depth32}}},
      {{16, false}, {{TransferMode16Depth8, TransferMode16Depth16, TransferMode16Depth16, TransferMode16Depth24, TransferMode16Depth32}}},
      // A solid map with a mask fills the colour where the mask allows.
      {{16, true}, {{TransferMode16FlaggedDepth8, TransferMode16FlaggedDepth16, TransferMode16FlaggedDepth16, TransferMode16FlaggedDepth24, TransferMode16FlaggedDepth32}}},
      {{20, false}, {{TransferMode20Depth8, TransferMode20Depth15, TransferMode20Depth16, TransferMode20Depth24, TransferMode20Depth32}}},
      {{20, true}, {{TransferMode20FlaggedDepth8, TransferMode20FlaggedDepth15, TransferMode20FlaggedDepth16, TransferMode20FlaggedDepth24, TransferMode20FlaggedDepth32}}},
  };
  return table;
}

uint16_t FormatFor(int depth) {
  switch (depth) {
    case 8: return 2;
    case 15: return 0x8003;
    case 16: return 0x8004;
    case 24: return 6;
    default: return 8;
  }
}

TEST(SelectTransferRowRoutine, EveryModeDepthAndSourceKind) {
  const int depths[5] = {8, 15, 16, 24, 32};
  for (uint32_t mode = 0; mode < 64; ++mode) {
    for (bool solid : {false, true}) {
      TransferAttributes at;
      at.flags = mode;
      at.level = 30;
      auto it = Table().find({static_cast<int>(mode), solid});
      for (int i = 0; i < 5; ++i) {
        const R want = it == Table().end() ? nullptr : it->second.byDepth[i];
        EXPECT_EQ(SelectTransferRowRoutine(at, depths[i], FormatFor(depths[i]), solid), want)
            << "mode " << mode << " solid " << solid << " depth " << depths[i];
      }
    }
  }
}

TEST(SelectTransferRowRoutine, LevelNormalisationAndOddInputs) {
  struct Case {
    uint32_t flags;
    uint8_t level;
    int depth;
    uint16_t format;
    bool solid;
    R want;
  };
  const Case cases[] = {
      {4, 0, 16, 0x8004, false, nullptr},                 // level 0 draws nothing
      {4, 0, 8, 2, true, nullptr},
      {12, 0, 32, 8, false, nullptr},
      {4, 63, 16, 0x8004, false, CopyPixelRows},           // level 63 alone is a plain copy
      {12, 63, 16, 0x8004, false, TransferMode8Depth16},   // level 63 with alpha is mode 8
      {6, 63, 24, 6, false, TransferMode2Depth24},
      {13, 63, 8, 2, false, TransferMode9Depth8},
      {0, 0, 12, 0, false, CopyPixelRows},                 // pixel copies do not look at the depth
      {0, 0, 12, 0, true, nullptr},
      {8, 0, 12, 0, false, nullptr},
      {0, 0, 8, 11, true, TransferMode0Depth8},            // non-indexed 8-bit fill writes the red byte
      {2, 0, 32, 6, false, nullptr},                       // 32-bit pixels need a layout 7..10
      {0, 0, 32, 6, false, CopyPixelRows},
      {8, 0, 32, 10, false, TransferMode8Depth32},
      {24, 0, 16, 0x8004, false, nullptr},                 // alpha with mask
      {2, 0, 16, 0x8004, true, nullptr},                   // key on a solid source
  };
  for (const Case& c : cases) {
    TransferAttributes at;
    at.flags = c.flags;
    at.level = c.level;
    EXPECT_EQ(SelectTransferRowRoutine(at, c.depth, c.format, c.solid), c.want)
        << "flags " << c.flags << " level " << int(c.level) << " depth " << c.depth;
  }
}

}  // namespace
