// "ostrevan-tool panorama render": the picture (its width spanning the full
// turn, centred on the horizon) becomes the one picture bubble of a viewer of
// the given size (focal length width / 2); the camera points at the yaw and
// pitch given (clamped to the viewer's pitch limits) and one frame is rendered.
#include "tools/PanoramaCommands.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <numbers>

#include "engine/core/MediaTypes.h"
#include "engine/core/VFileSpec.h"
#include "engine/graphics/ColorConstants.h"
#include "engine/graphics/PictureFileReader.h"
#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VPicture.h"
#include "engine/image/JpegLibraryLoader.h"
#include "engine/panorama/BubbleViewControl.h"
#include "engine/panorama/VPictureBubble.h"
#include "tools/ImageDecodeCommand.h"
#include "tools/PixelMapPpm.h"

namespace {

struct RenderOptions {
  std::string picture;
  std::string output;
  float yaw = 0.0f;
  float pitch = 0.0f;
  bool fast = false;
  int32_t depth = 16;
  int32_t width = 640;
  int32_t height = 480;
};

bool ParseDouble(const std::string& text, double& out) {
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return end != text.c_str() && *end == '\0' && std::isfinite(out);
}

bool ParseFloat(const std::string& text, float& out) {
  double v = 0.0;
  if (!ParseDouble(text, v)) return false;
  out = static_cast<float>(v);
  return true;
}

// A yaw given in radians, brought into one turn while it still has the
// precision of the text: yaw, yaw + 2pi and yaw - 2pi become the same float.
bool ParseYaw(const std::string& text, float& out) {
  constexpr double kTurn = 2 * std::numbers::pi;
  double v = 0.0;
  if (!ParseDouble(text, v)) return false;
  v = std::fmod(v, kTurn);
  if (v < 0.0) v += kTurn;
  out = static_cast<float>(v);
  if (out >= kBubbleTwoPi) out = 0.0f;
  return true;
}

bool ParseInt(const std::string& text, int32_t& out) {
  const auto r = std::from_chars(text.data(), text.data() + text.size(), out);
  return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

// 0 parsed, 2 not understood.
int Parse(const std::vector<std::string>& args, RenderOptions& o, std::ostream& err) {
  if (args.size() < 3 || args[0] != "render") return 2;
  o.picture = args[1];
  o.output = args[2];
  for (size_t i = 3; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--fast") {
      o.fast = true;
    } else if (a == "--yaw" && hasValue) {
      if (!ParseYaw(args[++i], o.yaw)) return err << "ostrevan-tool: bad yaw '" << args[i] << "'\n", 2;
    } else if (a == "--pitch" && hasValue) {
      if (!ParseFloat(args[++i], o.pitch)) return err << "ostrevan-tool: bad pitch '" << args[i] << "'\n", 2;
    } else if (a == "--depth" && hasValue) {
      if (!ParseInt(args[++i], o.depth) || (o.depth != 16 && o.depth != 32)) {
        return err << "ostrevan-tool: depth must be 16 or 32\n", 2;
      }
    } else if (a == "--size" && hasValue) {
      const std::string& s = args[++i];
      const size_t x = s.find('x');
      if (x == std::string::npos || !ParseInt(s.substr(0, x), o.width) || !ParseInt(s.substr(x + 1), o.height) ||
          o.width < 16 || o.height < 16 || o.width > 8192 || o.height > 8192) {
        return err << "ostrevan-tool: bad size '" << s << "' (WxH, 16 to 8192)\n", 2;
      }
    } else {
      err << "ostrevan-tool: unknown option '" << a << "'\n";
      return 2;
    }
  }
  return 0;
}

bool IsUsable(VPicture* picture) {
  return picture->GetPixelMap() != nullptr && picture->GetWidth() > 0 && picture->GetHeight() > 0;
}

}  // namespace

VPicture* LoadPanoramaPicture(const std::string& path, std::string& reason) {
  reason.clear();
  if (VFileSpec(path.c_str()).GetFileTypeFromExtension(kImageCategory) == MakeTypeCode("JPEG")) {
    std::string bytes;
    reason = ReadPictureFile(path, bytes);
    if (!reason.empty()) return nullptr;
    VPicture* picture = DecodeJpegQuietly(bytes);
    if (picture != nullptr && IsUsable(picture)) return picture;
    if (picture != nullptr) picture->Release();
    reason = GetJpegFailureReason();
    reason = reason.empty() ? "libjpeg cannot decode it" : "libjpeg cannot decode it: " + reason;
    return nullptr;
  }
  // The reader's own depth: the viewer converts into its map.
  constexpr int32_t kFlags = kReadPixels | kReadAlpha | kReadColorTable;
  VPicture* picture = nullptr;
  {
    ScopedLoadPixelFormat depth(-1);
    picture = new VPicture(VFileSpec(path.c_str()), kUnknownFileType, kFlags, FirstPictureSelection(path), -1);
  }
  if (IsUsable(picture)) return picture;
  picture->Release();
  reason = ExplainUnreadablePicture(path, kFlags);
  return nullptr;
}

int RunPanoramaCommand(const std::vector<std::string>& args, std::ostream& /*out*/, std::ostream& err) {
  RenderOptions o;
  if (const int parsed = Parse(args, o, err); parsed != 0) return parsed;
  std::string reason;
  VPicture* picture = LoadPanoramaPicture(o.picture, reason);
  if (picture == nullptr) {
    err << "ostrevan-tool: cannot read panorama '" << o.picture << "': " << reason << "\n";
    return 1;
  }
  const VFRect rootBounds(0.0f, -kBubbleHalfPi, kBubbleTwoPi, kBubbleHalfPi);
  auto viewer = std::make_unique<BubbleViewControl>(1, 0, rootBounds, 0, 0, 0, o.width, o.height, nullptr);
  const float resolution = static_cast<float>(picture->GetWidth()) / kBubbleTwoPi;
  const float halfHeight = static_cast<float>(picture->GetHeight()) / resolution * 0.5f;
  // Bounds are relative to the root's top-left corner (the upper pole).
  new VPictureBubble(VBubble::kAutomaticId, picture,
                     VFRect(0.0f, kBubbleHalfPi - halfHeight, kBubbleTwoPi, kBubbleHalfPi + halfHeight), 0,
                     viewer->GetRoot());
  picture->Release();
  viewer->SetRenderMode(o.fast ? 2 : 1);
  viewer->SetView(o.yaw, o.pitch);
  if (std::fabs(viewer->GetPitch() - o.pitch) > 1e-6f && std::fabs(o.pitch) <= kBubblePi) {
    err << "ostrevan-tool: pitch limited to " << viewer->GetPitch() << "\n";
  }
  const uint16_t format = GetDefaultPixelFormat(o.depth);
  PixelMap target(VRect(0, 0, o.width, o.height), o.depth, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, format);
  if (!target.HasStorage() || !viewer->PreparePanoramaMap(o.depth, format) || !viewer->RenderPanorama(target)) {
    err << "ostrevan-tool: " << o.picture << ": cannot render the panorama\n";
    return 1;
  }
  if (!WritePixelMapPPM(o.output, target).empty()) {
    err << "ostrevan-tool: cannot write " << o.output << "\n";
    return 1;
  }
  return 0;
}
