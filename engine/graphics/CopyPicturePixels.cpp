#include "engine/graphics/CopyPicturePixels.h"


#include "engine/graphics/DepthConversion.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/TransferDispatcher.h"
#include "engine/graphics/VColorTable.h"

namespace {

// The first pixel of the rectangle and the signed row step of a locked map.
uint8_t* RectStart(const PixelMap& map, const VRect& rect, int32_t& step) {
  uint8_t* base = map.GetPixels();
  if (!base) return nullptr;
  step = map.GetRowBytes();
  if (map.IsDibSection()) {
    base += int64_t{map.GetHeight() - 1} * map.GetRowBytes();
    step = -step;
  }
  return base + int64_t{rect.top} * step + int64_t{rect.left} * BytesPerPixel(map.GetDepth());
}

}  // namespace

bool CopyPicturePixels(PixelMap& source, PixelMap& destination, const VRect* sourceRect, const VRect* destinationRect) {
  // Big-endian 16-bit sources are turned little-endian for the converters;
  // a copy between two maps of the same big-endian format needs no conversion
  // (and has no converter once the source was turned).
  if ((source.GetPixelFormat() == kFormat555 || source.GetPixelFormat() == kFormat565) &&
      !(source.GetPixelFormat() == destination.GetPixelFormat() && source.GetDepth() == destination.GetDepth()))
    source.ConvertPixelFormat(source.GetPixelFormat(), source.GetPixelFormat() | kFormatLittleEndianWords);

  VRect s = sourceRect ? *sourceRect : source.GetBounds();
  VRect d = destinationRect ? *destinationRect : destination.GetBounds();
  ClipTransferRects(s, d, source.GetBounds(), destination.GetBounds());
  const int32_t width = s.GetWidth();
  const int32_t height = s.GetHeight();
  if (width <= 0 || height <= 0) return false;

  PixelMapLock sourceLock(&source);
  PixelMapLock destinationLock(&destination);
  int32_t sourceStep = 0;
  int32_t destinationStep = 0;
  const uint8_t* sp = RectStart(source, s, sourceStep);
  uint8_t* dp = RectStart(destination, d, destinationStep);
  if (!sp || !dp) return false;

  VColorTable* sourceTable = source.PeekColorTable();
  VColorTable* destinationTable = destination.PeekColorTable();
  const bool compatible = !sourceTable || !destinationTable || destinationTable->BeginsWith(*sourceTable);

  if (source.GetPixelFormat() == destination.GetPixelFormat() &&
      (source.GetPixelFormat() != kFormatIndexed8 || compatible) && source.GetDepth() == destination.GetDepth()) {
    TransferAttributes none;
    TransferRowRoutine routine =
        SelectTransferRowRoutine(none, destination.GetDepth(), destination.GetPixelFormat(), false);
    if (routine) {
      TransferRowArgs args;
      args.source = sp;
      args.sourceRowBytes = sourceStep;
      args.destination = dp;
      args.destinationRowBytes = destinationStep;
      args.width = width;
      args.height = height;
      args.bytesPerPixel = BytesPerPixel(destination.GetDepth());
      args.depth = destination.GetDepth();
      args.pixelFormat = destination.GetPixelFormat();
      routine(args);
    }
    return true;
  }

  DepthConverter converter = GetDepthConverter(source.GetDepth(), destination.GetDepth());
  if (!converter) return true;
  PixelMapAttributes record;
  source.GetAttributes(record);
  TransferAttributes key = record.ToTransferAttributes();
  ColorTableData sourceData;
  ColorTableData destinationData;
  if (sourceTable) sourceData = sourceTable->GetColorTableData(false);
  if (destinationTable) destinationData = destinationTable->GetColorTableData(destination.GetDepth() == 8);
  converter(sp, sourceStep, source.GetPixelFormat(), sourceTable ? &sourceData : nullptr, dp, destinationStep,
            destination.GetPixelFormat(), destinationTable ? &destinationData : nullptr, width, height, &key);
  record.flags = key.flags;
  record.keyIndex = key.keyIndex;
  record.keyColor = key.keyColor;
  destination.SetAttributes(record);
  return true;
}
