#include "engine/graphics/TransferDispatcher.h"

#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/TransferKernels.h"

namespace {

// Routines by destination depth column: 8, 15, 16, 24, 32.
struct Row {
  TransferRowRoutine byDepth[5];
};

constexpr Row kPixelRows[21] = {
    /* 0 */ {{CopyPixelRows, CopyPixelRows, CopyPixelRows, CopyPixelRows, CopyPixelRows}},
    /* 1 */ {{TransferMode1Depth8, nullptr, nullptr, nullptr, nullptr}},
    /* 2 */ {{nullptr, TransferMode2Depth16, TransferMode2Depth16, TransferMode2Depth24, TransferMode2Depth32}},
    /* 3 */ {},
    /* 4 */ {{TransferMode4Depth8, TransferMode4Depth15, TransferMode4Depth16, TransferMode4Depth24, TransferMode4Depth32}},
    /* 5 */ {{TransferMode5Depth8, nullptr, nullptr, nullptr, nullptr}},
    /* 6 */ {{nullptr, TransferMode6Depth15, TransferMode6Depth16, TransferMode6Depth24, TransferMode6Depth32}},
    /* 7 */ {},
    /* 8 */ {{TransferMode8Depth8, TransferMode8Depth15, TransferMode8Depth16, TransferMode8Depth24, TransferMode8Depth32}},
    /* 9 */ {{TransferMode9Depth8, nullptr, nullptr, nullptr, nullptr}},
    /* 10 */ {{nullptr, TransferMode10Depth15, TransferMode10Depth16, TransferMode10Depth24, TransferMode10Depth32}},
    /* 11 */ {},
    /* 12 */ {{TransferMode12Depth8, TransferMode12Depth15, TransferMode12Depth16, TransferMode12Depth24, TransferMode12Depth32}},
    /* 13 */ {{TransferMode13Depth8, nullptr, nullptr, nullptr, nullptr}},
    /* 14 */ {{nullptr, TransferMode14Depth15, TransferMode14Depth16, TransferMode14Depth24, TransferMode14Depth32}},
    /* 15 */ {},
    /* 16 */ {{TransferMode16Depth8, TransferMode16Depth16, TransferMode16Depth16, TransferMode16Depth24, TransferMode16Depth32}},
    /* 17 */ {},
    /* 18 */ {},
    /* 19 */ {},
    /* 20 */ {{TransferMode20Depth8, TransferMode20Depth15, TransferMode20Depth16, TransferMode20Depth24, TransferMode20Depth32}},
};

// Solid sources: a key colour selects nothing (a solid colour has no pixels to
// compare); a mask gates a fill of the colour.
constexpr Row kSolidRows[21] = {
    /* 0 */ {{TransferMode0Depth8, TransferMode0Depth16, TransferMode0Depth16, TransferMode0Depth24, TransferMode0Depth32}},
    {}, {}, {},
    /* 4 */ {{TransferMode4FlaggedDepth8, TransferMode4FlaggedDepth15, TransferMode4FlaggedDepth16, TransferMode4FlaggedDepth24, TransferMode4FlaggedDepth32}},
    {}, {}, {},
    /* 8 */ {{TransferMode8FlaggedDepth8, TransferMode8FlaggedDepth15, TransferMode8FlaggedDepth16, TransferMode8FlaggedDepth24, TransferMode8FlaggedDepth32}},
    {}, {}, {},
    /* 12 */ {{TransferMode12FlaggedDepth8, TransferMode12FlaggedDepth15, TransferMode12FlaggedDepth16, TransferMode12FlaggedDepth24, TransferMode12FlaggedDepth32}},
    {}, {}, {},
    /* 16 */ {{TransferMode16FlaggedDepth8, TransferMode16FlaggedDepth16, TransferMode16FlaggedDepth16, TransferMode16FlaggedDepth24, TransferMode16FlaggedDepth32}},
    {}, {}, {},
    /* 20 */ {{TransferMode20FlaggedDepth8, TransferMode20FlaggedDepth15, TransferMode20FlaggedDepth16, TransferMode20FlaggedDepth24, TransferMode20FlaggedDepth32}},
};

}  // namespace

int32_t NormalizeTransferMode(const TransferAttributes& attributes) {
  uint32_t mode = attributes.flags;
  if (mode & kTransferLevel) {
    if (attributes.level == 0) return -1;
    if (attributes.level >= 63) mode &= ~uint32_t{kTransferLevel};
  }
  return mode > 20 ? 21 : static_cast<int32_t>(mode);
}

TransferRowRoutine SelectTransferRowRoutine(const TransferAttributes& attributes, int32_t depth, uint16_t pixelFormat,
                                            bool solidSource) {
  const int32_t mode = NormalizeTransferMode(attributes);
  if (mode < 0 || mode > 20) return nullptr;
  if (mode == 0 && !solidSource) return CopyPixelRows;  // a byte copy at any depth
  const int32_t column = DepthTableColumn(depth);
  if (column < 0) return nullptr;
  // 32-bit pixels are meaningful only in the layouts 7 to 10 (the colour bytes
  // and the colourless fourth byte are known for those alone).
  if (depth == 32 && !Is32BitFormat(pixelFormat)) return nullptr;
  if (solidSource) {
    if (mode == 0 && depth == 8 && pixelFormat == kFormatIndexed8) return TransferMode0Depth8Table;
    return kSolidRows[mode].byDepth[column];
  }
  return kPixelRows[mode].byDepth[column];
}
