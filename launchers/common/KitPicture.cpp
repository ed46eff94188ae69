#include "launchers/common/KitPicture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>

#include "engine/core/MediaTypes.h"
#include "engine/core/VFile.h"
#include "engine/core/VFileSpec.h"
#include "engine/graphics/PictureFileReader.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VPicture.h"
#include "engine/image/ImageRegistry.h"
#include "engine/image/JpegLibraryLoader.h"
#include "launchers/common/ArchiveAwareFile.h"
#include "platform/File.h"
#include "platform/MessageBox.h"

namespace kit {
namespace {

void SetReason(std::string* reason, const std::string& text) {
  if (reason != nullptr) *reason = text;
}

// The pixels of a map, whatever its depth.
bool CopyPixels(PixelMap& map, KitImage& out) {
  const int32_t w = map.GetWidth();
  const int32_t h = map.GetHeight();
  if (w <= 0 || h <= 0) return false;
  out.width = w;
  out.height = h;
  out.pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  PixelMapLock lock(&map);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      VRGBColor c;
      if (!map.GetPixel(VPoint(x, y), c)) return false;
      out.pixels[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
          (static_cast<uint32_t>(c.red) << 16) | (static_cast<uint32_t>(c.green) << 8) | c.blue;
    }
  }
  return true;
}

// The engine's readers read files: the bytes go to a private temporary file.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::vector<uint8_t>& bytes) {
    const char* dir = std::getenv("TMPDIR");
    std::random_device random;
    const uint64_t tag = (static_cast<uint64_t>(random()) << 32) ^ random();
    char name[40];
    std::snprintf(name, sizeof name, "/ostrevan-picture-%016llx", static_cast<unsigned long long>(tag));
    const std::string path = std::string(dir != nullptr && dir[0] != '\0' ? dir : "/tmp") + name;
    if (platform::FileExists(path) || !platform::CreateEmptyFile(path)) return;
    path_ = path;
    const int fd = platform::OpenFile(path, platform::kFileWrite);
    if (fd < 0) return;
    const auto size = static_cast<int64_t>(bytes.size());
    ok_ = size == 0 || platform::WriteAt(fd, bytes.data(), size, 0) == size;
    ok_ = platform::CloseFile(fd) && ok_;
  }
  ~TemporaryFile() {
    if (!path_.empty()) platform::DeleteFile(path_);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  bool Ok() const { return ok_; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  bool ok_ = false;
};

bool DecodeWithReader(const std::vector<uint8_t>& bytes, uint32_t type, int32_t selection, KitImage& out,
                      std::string* reason) {
  TemporaryFile temp(bytes);
  if (!temp.Ok()) {
    SetReason(reason, "no temporary file");
    return false;
  }
  VFile file(VFileSpec(temp.Path().c_str()), kUnknownFileType, kUnknownFileType);
  if (!file.Open(1)) {
    SetReason(reason, "cannot open");
    return false;
  }
  std::unique_ptr<VImageReader> reader(CreateImageReaderForFile(&file, type));
  if (!reader) {
    file.Close();
    SetReason(reason, "no reader");
    return false;
  }
  const int32_t previousDepth = SetLoadPixelFormat(24);
  const bool previousArrange = GetArrangeBlackAndWhite();
  SetArrangeBlackAndWhite(false);
  std::unique_ptr<PixelMap> map(ReadImageWithReader(*reader, kReadPixels | kReadColorTable, selection, -1));
  SetArrangeBlackAndWhite(previousArrange);
  SetLoadPixelFormat(previousDepth);
  bool ok = false;
  if (map) {
    ok = CopyPixels(*map, out);
    // A chain of frames: only the first is wanted.
  } else {
    SetReason(reason, reader->GetFailureReason().empty() ? "refused" : reader->GetFailureReason());
  }
  file.Close();
  return ok;
}

bool DecodeJpeg(const std::vector<uint8_t>& bytes, KitImage& out, std::string* reason) {
  if (bytes.size() > UINT32_MAX) {
    SetReason(reason, "file too large");
    return false;
  }
  // libjpeg's complaints are for the program's own pictures; here a refused
  // picture is the caller's message to give.
  platform::MessageBoxCapture previous = platform::SetMessageBoxCapture(
      [](const std::string&, const std::string&, platform::MessageBoxIcon) { return platform::kMessageBoxOk; });
  VPicture* picture = DecodeJpegWithLibrary(bytes.data(), static_cast<uint32_t>(bytes.size()));
  platform::SetMessageBoxCapture(previous);
  if (picture == nullptr) {
    SetReason(reason, GetJpegFailureReason().empty() ? "refused" : GetJpegFailureReason());
    return false;
  }
  bool ok = picture->GetPixelMap() != nullptr && CopyPixels(*picture->GetPixelMap(), out);
  picture->Release();
  if (!ok) SetReason(reason, "no pixels");
  return ok;
}

}  // namespace

PictureFormat SniffPicture(const uint8_t* data, size_t length) {
  if (data == nullptr) return PictureFormat::kUnknown;
  if (length >= 2 && data[0] == 'B' && data[1] == 'M') return PictureFormat::kBmp;
  if (length >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return PictureFormat::kJpeg;
  if (length >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0)) {
    return PictureFormat::kGif;
  }
  return PictureFormat::kUnknown;
}

bool DecodePicture(const std::vector<uint8_t>& bytes, KitImage& out, std::string* reason) {
  out = KitImage{};
  bool ok = false;
  switch (SniffPicture(bytes.data(), bytes.size())) {
    case PictureFormat::kBmp:
      ok = DecodeWithReader(bytes, MakeTypeCode(".BMP"), -1, out, reason);
      break;
    case PictureFormat::kGif:
      ok = DecodeWithReader(bytes, MakeTypeCode("GIFf"), 0, out, reason);
      break;
    case PictureFormat::kJpeg:
      ok = DecodeJpeg(bytes, out, reason);
      break;
    case PictureFormat::kUnknown:
      SetReason(reason, "unknown picture format");
      break;
  }
  if (!ok || !out.IsValid()) {
    out = KitImage{};
    return false;
  }
  return true;
}

bool LoadPictureFile(const std::string& path, KitImage& out, std::string* reason) {
  out = KitImage{};
  if (path.empty()) {
    SetReason(reason, "no path");
    return false;
  }
  CArchiveAwareFile file;
  if (!file.Open(path)) {
    SetReason(reason, "not found");
    return false;
  }
  std::vector<uint8_t> bytes;
  const bool read = file.ReadAll(bytes);
  file.Close();
  if (!read) {
    SetReason(reason, "cannot read");
    return false;
  }
  return DecodePicture(bytes, out, reason);
}

}  // namespace kit
