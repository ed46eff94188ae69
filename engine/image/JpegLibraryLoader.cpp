#include "engine/image/JpegLibraryLoader.h"

// libjpeg's headers need the declarations of <stdio.h> first.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include <jerror.h>
#include <jpeglib.h>

#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchive.h"
#include "engine/core/Memory.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFile.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VPicture.h"
#include "engine/image/ImageRegistry.h"
#include "engine/image/JpegKernels.h"
#include "platform/MessageBox.h"

namespace {

// libjpeg's error manager followed by the recovery point of the call in progress.
struct JpegErrorManager {
  jpeg_error_mgr pub;
  jmp_buf recovery;
};

// The memory source: libjpeg's source manager, then (unused here) a file
// handle, the start of the data block and the start-of-data flag.
struct JpegMemorySource {
  jpeg_source_mgr pub;
  FILE* file;
  const JOCTET* start;
  uint8_t startOfData;
};

// Large pictures are refused by libjpeg (its memory error) before they can
// take the process's memory: the application's pictures are far smaller.
constexpr long kMaxJpegMemory = 256L * 1024 * 1024;
// Media larger than this are not read into memory.
constexpr uint32_t kMaxJpegData = 64u * 1024 * 1024;

struct JpegState {
  jpeg_decompress_struct decompressor;
  JpegErrorManager errors;
  bool created = false;
  uint32_t dataLength = 0;
  uint8_t* data = nullptr;
  uint32_t outputWidth = 0;
  uint32_t outputHeight = 0;
  JSAMPARRAY rowBuffer = nullptr;
  // CMYK pictures: the row after conversion to red, green, blue.
  JSAMPARRAY rgbBuffer = nullptr;
  PixelMap* decodingMap = nullptr;
  std::string failureReason;
};

JpegState gJpeg;

// Runs one libjpeg call with the recovery point set in this frame, which
// holds no C++ objects (the call is a lambda capturing references only), so
// the jump back from JpegErrorExit skips nothing that needs destroying.
// True when the call returned, false when libjpeg reported a fatal error.
template <class Call>
__attribute__((noinline)) bool GuardedCall(Call call) {
  if (setjmp(gJpeg.errors.recovery) != 0) return false;
  call();
  return true;
}

// Warnings (corrupt data that libjpeg decodes anyway) are not shown.
void SilentOutputMessage(j_common_ptr) {}

// After a libjpeg error: the decompressor is destroyed, the rows decoded so
// far are dropped and the data block is freed.
void AbandonJpegDecode() {
  if (gJpeg.created) {
    jpeg_destroy_decompress(&gJpeg.decompressor);
    gJpeg.created = false;
  }
  gJpeg.rowBuffer = nullptr;
  gJpeg.rgbBuffer = nullptr;
  delete gJpeg.decodingMap;
  gJpeg.decodingMap = nullptr;
  FreeJpegData();
}

// A picture refused after the header was read (not a libjpeg error): the
// reason is shown like libjpeg's messages, and the decode abandoned.
void RefuseJpegDecode(const char* reason) {
  gJpeg.failureReason = reason;
  platform::ShowMessageBox("JPEG Fatal Error", reason, platform::MessageBoxIcon::kNone);
  AbandonJpegDecode();
}

// ---- The memory source

void InitSource(j_decompress_ptr cinfo) {
  reinterpret_cast<JpegMemorySource*>(cinfo->src)->startOfData = 1;
}

// The whole block was handed out at installation: asking for more means the
// data ended before their end-of-image marker.
boolean FillInputBuffer(j_decompress_ptr cinfo) {
  ERREXIT(cinfo, JERR_INPUT_EMPTY);
  return FALSE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count < 1) return;
  jpeg_source_mgr* src = cinfo->src;
  while (count > static_cast<long>(src->bytes_in_buffer)) {
    count -= static_cast<long>(src->bytes_in_buffer);
    src->next_input_byte += src->bytes_in_buffer;
    src->bytes_in_buffer = 0;
    (void)src->fill_input_buffer(cinfo);
  }
  src->next_input_byte += count;
  src->bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

// ---- Rows

// The channel each byte of a 32-bit layout takes (-1: the unused byte, 0).
constexpr int8_t kSpreadRGBX[4] = {0, 1, 2, -1};
constexpr int8_t kSpreadBGRX[4] = {2, 1, 0, -1};
constexpr int8_t kSpreadXRGB[4] = {-1, 0, 1, 2};
constexpr int8_t kSpreadXBGR[4] = {-1, 2, 1, 0};

uint8_t NearestIndex(const ColorTableData& palette, uint8_t r, uint8_t g, uint8_t b) {
  if (palette.nearestIndex) return palette.nearestIndex[NearestIndexKey(r, g, b)];
  const int32_t index = FindNearestColorIndex(palette, VRGBColor(r, g, b));
  return static_cast<uint8_t>(index < 0 ? 0 : index);
}

}  // namespace

void ConvertJpegRgbRow(const uint8_t* rgb, uint8_t* d, int32_t width, uint16_t pixelFormat,
                       const ColorTableData* palette) {
  if (!rgb || !d) return;
  const bool bigEndian = (pixelFormat & 0x8000) == 0;
  // One loop per layout, chosen once per row: a whole panorama's rows go
  // through here. The 16- and 32-bit layouts, the screens' own, go through
  // the vector kernels.
  const auto each = [&](auto store) {
    for (int32_t x = 0; x < width; ++x, rgb += 3) store(x, rgb[0], rgb[1], rgb[2]);
  };
  switch (pixelFormat & 0x7FFF) {
    case kFormat555:
      JpegPackRow16(rgb, d, width, false, bigEndian);
      break;
    case kFormat565:
      JpegPackRow16(rgb, d, width, true, bigEndian);
      break;
    case kFormatRGB24:
      std::memcpy(d, rgb, static_cast<size_t>(width > 0 ? width : 0) * 3);
      break;
    case kFormatBGR24:
      each([&](int32_t x, uint8_t r, uint8_t g, uint8_t b) { d[3 * x] = b, d[3 * x + 1] = g, d[3 * x + 2] = r; });
      break;
    case kFormatRGBX32:
      JpegSpreadRow32(rgb, d, width, kSpreadRGBX);
      break;
    case kFormatBGRX32:
      JpegSpreadRow32(rgb, d, width, kSpreadBGRX);
      break;
    case kFormatXRGB32:
      JpegSpreadRow32(rgb, d, width, kSpreadXRGB);
      break;
    case kFormatXBGR32:
      JpegSpreadRow32(rgb, d, width, kSpreadXBGR);
      break;
    case kFormatGrey8:
      each([&](int32_t x, uint8_t r, uint8_t g, uint8_t b) {
        d[x] = static_cast<uint8_t>((r * 19595 + g * 38470 + b * 7471 + 32768) >> 16);
      });
      break;
    case kFormatIndexed8:
      if (!palette || !palette->colors) return;
      each([&](int32_t x, uint8_t r, uint8_t g, uint8_t b) { d[x] = NearestIndex(*palette, r, g, b); });
      break;
    default:
      return;
  }
}

void ConvertJpegCmykRow(const uint8_t* cmyk, uint8_t* rgb, int32_t width) {
  if (!cmyk || !rgb) return;
  for (int32_t x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
    const uint32_t k = cmyk[3];
    // round(ink x k / 255), exactly, in integers.
    for (int32_t c = 0; c < 3; ++c) {
      const uint32_t v = cmyk[c] * k + 128;
      rgb[c] = static_cast<uint8_t>((v + (v >> 8)) >> 8);
    }
  }
}

void ConvertJpegGreyRow(const uint8_t* grey, uint8_t* destination, int32_t width, uint16_t pixelFormat,
                        const ColorTableData* palette) {
  if (!grey || !destination) return;
  if ((pixelFormat & 0x7FFF) == kFormatGrey8) {
    std::memcpy(destination, grey, static_cast<size_t>(width > 0 ? width : 0));
    return;
  }
  // Every other layout takes the grey as equal red, green and blue.
  uint8_t rgb[3 * 64];
  for (int32_t x = 0; x < width; x += 64) {
    const int32_t n = width - x < 64 ? width - x : 64;
    for (int32_t i = 0; i < n; ++i) rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = grey[x + i];
    const int32_t bytes = (pixelFormat & 0x7FFF) <= kFormat565 ? 2 : ((pixelFormat & 0x7FFF) <= kFormatBGR24 ? 3 : 4);
    const int32_t step = (pixelFormat & 0x7FFF) == kFormatIndexed8 ? 1 : bytes;
    ConvertJpegRgbRow(rgb, destination + x * step, n, pixelFormat, palette);
  }
}

void SetJpegMemorySource(jpeg_decompress_struct* cinfo, const uint8_t* data, uint32_t length) {
  if (!cinfo->src) {
    cinfo->src = static_cast<jpeg_source_mgr*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(JpegMemorySource)));
  }
  auto* src = reinterpret_cast<JpegMemorySource*>(cinfo->src);
  src->pub.init_source = InitSource;
  src->pub.fill_input_buffer = FillInputBuffer;
  src->pub.skip_input_data = SkipInputData;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = TermSource;
  src->pub.next_input_byte = data;
  src->pub.bytes_in_buffer = data ? length : 0;
  src->file = nullptr;
  src->start = data;
  src->startOfData = 0;
}

void JpegErrorExit(jpeg_common_struct* cinfo) {
  char text[JMSG_LENGTH_MAX] = {};
  (*cinfo->err->format_message)(cinfo, text);
  gJpeg.failureReason = text;
  platform::ShowMessageBox("JPEG Fatal Error", text, platform::MessageBoxIcon::kNone);
  longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->recovery, 1);
}

bool FreeJpegData() {
  gJpeg.dataLength = 0;
  FreeMemory(gJpeg.data);
  gJpeg.data = nullptr;
  return true;
}

bool SetJpegData(const uint8_t* data, uint32_t length) {
  FreeJpegData();
  if (length == 0) return true;
  if (!data || length > kMaxJpegData) return false;
  gJpeg.data = static_cast<uint8_t*>(AllocateMemory(static_cast<int32_t>(length)));
  if (!gJpeg.data) return false;
  std::memcpy(gJpeg.data, data, length);
  gJpeg.dataLength = length;
  return true;
}

bool LoadJpegData(uint16_t mediaId) {
  FreeJpegData();
  MediaArchive* archive = GetArchiveForMedia(mediaId);
  if (!archive) return false;
  VFile file;
  uint32_t type = MakeTypeCode("JPEG");
  MediaEntry entry;
  if (!archive->OpenMedia(mediaId, file, type, &entry)) return false;
  if (entry.size > kMaxJpegData) return false;
  if (entry.size == 0) return true;
  gJpeg.data = static_cast<uint8_t*>(AllocateMemory(static_cast<int32_t>(entry.size)));
  if (!gJpeg.data) return false;
  gJpeg.dataLength = entry.size;
  if (file.Read(gJpeg.data, static_cast<int32_t>(entry.size)) != static_cast<int32_t>(entry.size)) {
    FreeJpegData();
    return false;
  }
  return true;
}

bool StartJpegDecompress() {
  if (gJpeg.decodingMap || gJpeg.rowBuffer || gJpeg.created) return false;
  gJpeg.failureReason.clear();
  jpeg_decompress_struct* cinfo = &gJpeg.decompressor;
  std::memset(cinfo, 0, sizeof *cinfo);
  cinfo->err = jpeg_std_error(&gJpeg.errors.pub);
  gJpeg.errors.pub.error_exit = JpegErrorExit;
  gJpeg.errors.pub.output_message = SilentOutputMessage;

  if (!GuardedCall([&] { jpeg_create_decompress(cinfo); })) return false;
  gJpeg.created = true;
  cinfo->mem->max_memory_to_use = kMaxJpegMemory;
  if (!GuardedCall([&] {
        SetJpegMemorySource(cinfo, gJpeg.data, gJpeg.dataLength);
        jpeg_read_header(cinfo, TRUE);
      })) {
    AbandonJpegDecode();
    return false;
  }
  // The size is known from the header: nothing is allocated for a picture
  // over the engine's limit.
  if (uint64_t{cinfo->image_width} * cinfo->image_height > static_cast<uint64_t>(kMaxImagePixels)) {
    RefuseJpegDecode("size over the limit");
    return false;
  }
  // CMYK and YCCK (Adobe's inverted inks) come out as CMYK rows, turned
  // into RGB here as djpeg does; every other space libjpeg names gives
  // greyscale or RGB.
  const bool inks = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
  if (inks) cinfo->out_color_space = JCS_CMYK;
  const bool started = GuardedCall([&] {
    jpeg_start_decompress(cinfo);
    gJpeg.outputWidth = cinfo->output_width;
    gJpeg.outputHeight = cinfo->output_height;
    gJpeg.rowBuffer = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                  cinfo->output_width * cinfo->output_components, 1);
    if (inks) {
      gJpeg.rgbBuffer = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                    cinfo->output_width * 3, 1);
    }
  });
  if (!started) {
    AbandonJpegDecode();
    return false;
  }
  const int32_t components = cinfo->output_components;
  if (!(components == 1 || components == 3 || (inks && components == 4))) {
    RefuseJpegDecode("unsupported colour space");
    return false;
  }

  const int32_t previousDepth = PixelMap::SetDefaultPixelDepth(0);
  const int16_t previousKind = PixelMap::SetDefaultStorageKind(PixelMap::kStorageMemory);
  gJpeg.decodingMap = new PixelMap(VRect(0, 0, static_cast<int32_t>(gJpeg.outputWidth),
                                         static_cast<int32_t>(gJpeg.outputHeight)),
                                   0, nullptr, nullptr, nullptr, PixelMap::kStorageDefault, 1, 0);
  PixelMap::SetDefaultStorageKind(previousKind);
  PixelMap::SetDefaultPixelDepth(previousDepth);
  if (!gJpeg.decodingMap->HasStorage()) {
    RefuseJpegDecode("out of memory");
    return false;
  }
  gJpeg.decodingMap->ClearAttributes();
  gJpeg.decodingMap->SetDibSection(false);
  // Every row's pixels are written by the decode, and a picture is made only
  // once all rows are there: only the padding at the rows' ends is cleared,
  // not the whole map (a panorama's map is several megabytes).
  PixelMap& map = *gJpeg.decodingMap;
  PixelMapLock lock(&map);
  const int32_t used = map.GetWidth() * ((map.GetDepth() + 7) / 8);
  const int32_t padding = map.GetRowBytes() - used;
  if (padding > 0 && map.GetPixels() != nullptr) {
    for (int32_t y = 0; y < map.GetHeight(); ++y) {
      std::memset(map.GetPixelAddress(VPoint(0, y)) + used, 0, static_cast<size_t>(padding));
    }
  }
  return true;
}

bool ReadJpegLines(int32_t count) {
  if (count < 1 || !gJpeg.decodingMap || !gJpeg.rowBuffer || !gJpeg.created) return false;
  jpeg_decompress_struct* cinfo = &gJpeg.decompressor;
  bool failed = false;
  {
    PixelMap& map = *gJpeg.decodingMap;
    PixelMapLock lock(&map);
    VColorTable* table = map.GetDepth() == 8 ? map.PeekColorTable() : nullptr;
    ColorTableData palette;
    if (table) palette = table->GetColorTableData(true);
    const bool writable = map.GetPixels() != nullptr;
    if (!writable) gJpeg.failureReason = "out of memory";
    int32_t read = 0;
    while (cinfo->output_scanline < cinfo->output_height && read < count) {
      if (!GuardedCall([&] { jpeg_read_scanlines(cinfo, gJpeg.rowBuffer, 1); })) {
        failed = true;
        break;
      }
      ++read;
      if (!writable) {
        failed = true;
        break;
      }
      uint8_t* row = map.GetPixelAddress(VPoint(0, static_cast<int32_t>(cinfo->output_scanline) - 1));
      if (cinfo->output_components == 4 && gJpeg.rgbBuffer) {
        ConvertJpegCmykRow(gJpeg.rowBuffer[0], gJpeg.rgbBuffer[0], static_cast<int32_t>(gJpeg.outputWidth));
        ConvertJpegRgbRow(gJpeg.rgbBuffer[0], row, static_cast<int32_t>(gJpeg.outputWidth), map.GetPixelFormat(),
                          table ? &palette : nullptr);
      } else if (cinfo->output_components == 3) {
        ConvertJpegRgbRow(gJpeg.rowBuffer[0], row, static_cast<int32_t>(gJpeg.outputWidth), map.GetPixelFormat(),
                          table ? &palette : nullptr);
      } else if (cinfo->output_components == 1) {
        ConvertJpegGreyRow(gJpeg.rowBuffer[0], row, static_cast<int32_t>(gJpeg.outputWidth), map.GetPixelFormat(),
                           table ? &palette : nullptr);
      }
    }
  }
  if (failed) {
    AbandonJpegDecode();
    return false;
  }
  return true;
}

bool FinishJpegDecompress() {
  if (!gJpeg.created) return false;
  const uint32_t remaining = GetJpegRemainingLines();
  if (remaining > 0 && !ReadJpegLines(static_cast<int32_t>(remaining))) return false;
  if (!GuardedCall([&] { jpeg_finish_decompress(&gJpeg.decompressor); })) {
    AbandonJpegDecode();
    return false;
  }
  jpeg_destroy_decompress(&gJpeg.decompressor);
  gJpeg.created = false;
  gJpeg.rowBuffer = nullptr;  // it went with the decompressor's pools
  return true;
}

VPicture* CreateJpegPicture() {
  gJpeg.rowBuffer = nullptr;
  gJpeg.rgbBuffer = nullptr;
  if (!gJpeg.decodingMap) return nullptr;
  if (gJpeg.created) {
    // The rows are not all there: the picture is not made.
    AbandonJpegDecode();
    return nullptr;
  }
  // The rows were decoded straight into a map of the picture's layout: the
  // picture takes that map over (no second map, no copy).
  PixelMap* map = gJpeg.decodingMap;
  gJpeg.decodingMap = nullptr;
  return new VPicture(map);
}

uint32_t GetJpegOutputWidth() { return gJpeg.outputWidth; }
uint32_t GetJpegOutputHeight() { return gJpeg.outputHeight; }
uint32_t GetJpegRemainingLines() {
  if (!gJpeg.created) return 0;
  return gJpeg.decompressor.output_height - gJpeg.decompressor.output_scanline;
}
bool IsJpegDecompressing() { return gJpeg.created; }
const std::string& GetJpegFailureReason() { return gJpeg.failureReason; }

VPicture* DecodeJpegMedium(uint16_t id) {
  VPicture* picture = nullptr;
  if (LoadJpegData(id) && StartJpegDecompress()) {
    const uint32_t rows = GetJpegOutputHeight();
    if (rows > 0 && ReadJpegLines(static_cast<int32_t>(rows)) && FinishJpegDecompress()) {
      picture = CreateJpegPicture();
    }
  }
  if (picture == nullptr && IsJpegDecompressing()) {
    // Rows missing: this drops the decompressor and its map.
    if (VPicture* partial = CreateJpegPicture()) partial->Release();
  }
  FreeJpegData();
  return picture;
}

VPicture* DecodeJpegWithLibrary(const uint8_t* data, uint32_t length) {
  if (gJpeg.decodingMap || gJpeg.created) return nullptr;
  gJpeg.failureReason.clear();
  if (!SetJpegData(data, length)) {
    gJpeg.failureReason = length > kMaxJpegData ? "file too large" : "out of memory";
    return nullptr;
  }
  VPicture* picture = nullptr;
  if (StartJpegDecompress() && ReadJpegLines(static_cast<int32_t>(GetJpegOutputHeight())) && FinishJpegDecompress()) {
    picture = CreateJpegPicture();
  }
  if (!picture) AbandonJpegDecode();
  FreeJpegData();
  return picture;
}
