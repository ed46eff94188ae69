// Fuzz target: arbitrary bytes as the metrics medium of a picture font. The
// first byte picks the form ("FONT" or "RDX ") and the glyph strip (an alpha
// strip, a colour strip or none); the rest is the medium. The record is
// parsed directly, then the font is made from a small archive holding the
// strip and the medium, and every character is drawn and rendered with and
// without clipping, so widths that run past the strip are exercised.
#include <cstdint>
#include <string>
#include <vector>

#include "ImageFuzzSupport.h"
#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchive.h"
#include "engine/archive/MediaEntry.h"
#include "engine/controls/FontRecord.h"
#include "engine/controls/VPictureFont.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/image/RawImageFile.h"

namespace {

constexpr int32_t kStripWidth = 40;
constexpr int32_t kStripHeight = 7;

std::string ReadAll(const char* path) {
  std::string bytes;
  if (FILE* f = std::fopen(path, "rb")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    std::fclose(f);
  }
  return bytes;
}

// The strips' bytes, made once through the engine's own writers.
const std::string& AlphaStrip() {
  static const std::string bytes = [] {
    VAlphaChannel channel(VRect(0, 0, kStripWidth, kStripHeight));
    for (int32_t y = 0; y < kStripHeight; ++y) {
      for (int32_t x = 0; x < kStripWidth; ++x) {
        *channel.GetPixelMap()->GetPixelAddress(VPoint(x, y)) = static_cast<uint8_t>((x * 5 + y) % 64);
      }
    }
    VFile file(VFileSpec(imagefuzz::ScratchPath("font")), kUnknownFileType, kUnknownFileType);
    if (!file.Open(2)) return std::string();
    channel.Write(file);
    file.Close();
    return ReadAll(imagefuzz::ScratchPath("font"));
  }();
  return bytes;
}

const std::string& ColourStrip() {
  static const std::string bytes = [] {
    PixelMap map(VRect(0, 0, kStripWidth, kStripHeight), 24, nullptr, nullptr, nullptr, PixelMap::kStorageMemory);
    for (int32_t y = 0; y < kStripHeight; ++y) {
      for (int32_t x = 0; x < kStripWidth; ++x) {
        map.SetPixel(VPoint(x, y), VRGBColor(static_cast<uint8_t>(x * 6), static_cast<uint8_t>(y * 30), 9));
      }
    }
    VFile file(VFileSpec(imagefuzz::ScratchPath("font")), kUnknownFileType, kUnknownFileType);
    if (!file.Open(2)) return std::string();
    VRawImageWriter writer(&file);
    writer.WriteImage(-1, map, 1, -2, -1, 1);
    file.Close();
    return ReadAll(imagefuzz::ScratchPath("font"));
  }();
  return bytes;
}

// An archive of the entries (id 7 each), in the order given.
std::string Archive(const std::vector<std::pair<uint32_t, std::string>>& media) {
  const auto count = static_cast<int16_t>(media.size());
  std::string bytes(static_cast<size_t>(archive_format::kHeaderSize + archive_format::kEntrySize * count), '\0');
  archive_format::EncodeHeader(count, reinterpret_cast<uint8_t*>(bytes.data()));
  uint32_t offset = static_cast<uint32_t>(bytes.size());
  for (size_t i = 0; i < media.size(); ++i) {
    MediaEntry entry;
    entry.id = 7;
    entry.type = media[i].first;
    entry.offset = offset;
    entry.size = static_cast<uint32_t>(media[i].second.size());
    archive_format::EncodeEntry(entry, reinterpret_cast<uint8_t*>(bytes.data()) + archive_format::kHeaderSize +
                                           archive_format::kEntrySize * i);
    offset += entry.size;
  }
  for (const auto& medium : media) bytes += medium.second;
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t selector = data[0];
  const std::string medium(reinterpret_cast<const char*>(data + 1), size - 1);
  const bool full = (selector & 1) == 0;
  FontRecord record;
  if (ParseFontRecord(data + 1, size - 1, full, record) && record.name.size() > FontRecord::kMaxNameLength) {
    __builtin_trap();
  }

  std::vector<std::pair<uint32_t, std::string>> media;
  switch ((selector >> 1) % 3) {
    case 0: media.emplace_back(MakeTypeCode("RAX "), AlphaStrip()); break;
    case 1: media.emplace_back(MakeTypeCode("RIX "), ColourStrip()); break;
    default: break;
  }
  media.emplace_back(full ? MakeTypeCode("FONT") : MakeTypeCode("RDX "), medium);
  const std::string archiveBytes = Archive(media);
  if (!imagefuzz::WriteScratch("font", reinterpret_cast<const uint8_t*>(archiveBytes.data()), archiveBytes.size())) {
    return 0;
  }
  MediaArchive archive{VFileSpec(imagefuzz::ScratchPath("font"))};
  if (!archive.IsOpen()) return 0;
  ScopedMediaArchive serve(&archive);
  auto* font = new VPictureFont(7, 0);
  std::string text(255, ' ');
  for (int c = 1; c < 256; ++c) text[static_cast<size_t>(c - 1)] = static_cast<char>(c);
  PixelMap canvas(VRect(0, 0, 64, 24), 24, nullptr, nullptr, nullptr, PixelMap::kStorageMemory);
  {
    DrawPort port(&canvas);
    const VRGBColor white(255, 255, 255);
    const VRect clip(3, 2, 50, 20);
    port.DrawText(text.c_str(), 255, -30, 12, font, &white, true, nullptr);
    port.DrawText(text.c_str(), 255, 1, 12, font, &white, true, &clip);
  }
  if (VAlphaChannel* coverage = RenderPictureFontText(text.c_str(), 255, *font)) coverage->Release();
  delete font;
  return 0;
}
