// Test support for the image readers: a temporary folder, ImageMagick as the
// decoding oracle (`convert FILE rgb:-`), and pictures loaded through the
// reader registry at 24 bits with their rows read back as RGB.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/MediaTypes.h"
#include "engine/core/VFileSpec.h"
#include "engine/image/ImageRegistry.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VPicture.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace imgtest {

struct RGBImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgb;  // rows top-down, 3 bytes a pixel
};

using testsupport::Capture;

inline int RunCommand(const std::string& command) { return std::system(command.c_str()); }

// What ImageMagick decodes from the file (the image selected by `which`,
// e.g. "[0]", or "" for the whole file after `extra` operators).
inline RGBImage Oracle(const std::string& path, const std::string& which = "[0]", const std::string& extra = "") {
  RGBImage image;
  const std::string size =
      Capture("convert '" + path + "'" + which + " " + extra + " -format '%w %h' info: 2>/dev/null");
  if (std::sscanf(size.c_str(), "%d %d", &image.width, &image.height) != 2) return image;
  const std::string bytes = Capture("convert '" + path + "'" + which + " " + extra + " -depth 8 rgb:- 2>/dev/null");
  image.rgb.assign(bytes.begin(), bytes.end());
  return image;
}

// The RGB of a rectangle of a map (GetPixel, so every depth and layout works).
inline RGBImage Pixels(PixelMap& map, int32_t top = 0, int32_t height = -1) {
  RGBImage image;
  image.width = map.GetWidth();
  image.height = height < 0 ? map.GetHeight() - top : height;
  PixelMapLock lock(&map);
  for (int32_t y = 0; y < image.height; ++y) {
    for (int32_t x = 0; x < image.width; ++x) {
      VRGBColor c;
      if (!map.GetPixel(VPoint(x, top + y), c)) c = VRGBColor(1, 2, 3);
      image.rgb.push_back(c.red);
      image.rgb.push_back(c.green);
      image.rgb.push_back(c.blue);
    }
  }
  return image;
}

// Compares two images; `bits` per channel (5 for 15-bit sources etc.):
// values are compared after dropping the bits the depth cannot hold.
inline ::testing::AssertionResult SameImage(const RGBImage& got, const RGBImage& want, int32_t bits = 8,
                                            int32_t greenBits = -1) {
  if (got.width != want.width || got.height != want.height)
    return ::testing::AssertionFailure() << "size " << got.width << "x" << got.height << " vs " << want.width << "x"
                                         << want.height;
  if (got.rgb.size() != want.rgb.size())
    return ::testing::AssertionFailure() << "byte count " << got.rgb.size() << " vs " << want.rgb.size();
  if (greenBits < 0) greenBits = bits;
  int32_t mismatches = 0;
  std::string first;
  for (size_t i = 0; i < got.rgb.size(); ++i) {
    const int32_t shift = 8 - ((i % 3 == 1) ? greenBits : bits);
    if ((got.rgb[i] >> shift) != (want.rgb[i] >> shift)) {
      if (mismatches++ == 0) {
        const size_t pixel = i / 3;
        first = "pixel (" + std::to_string(pixel % static_cast<size_t>(got.width)) + ", " +
                std::to_string(pixel / static_cast<size_t>(got.width)) + ") channel " + std::to_string(i % 3) +
                ": " + std::to_string(got.rgb[i]) + " vs " + std::to_string(want.rgb[i]);
      }
    }
  }
  if (mismatches) return ::testing::AssertionFailure() << mismatches << " differing values, first at " << first;
  return ::testing::AssertionSuccess();
}

// Compares two images allowing each value to differ by up to `tolerance`.
inline ::testing::AssertionResult SameImageWithin(const RGBImage& got, const RGBImage& want, int32_t tolerance) {
  if (got.width != want.width || got.height != want.height || got.rgb.size() != want.rgb.size())
    return ::testing::AssertionFailure() << "size " << got.width << "x" << got.height << " vs " << want.width << "x"
                                         << want.height;
  for (size_t i = 0; i < got.rgb.size(); ++i) {
    const int32_t d = static_cast<int32_t>(got.rgb[i]) - static_cast<int32_t>(want.rgb[i]);
    if (d > tolerance || d < -tolerance)
      return ::testing::AssertionFailure() << "value " << i << ": " << int(got.rgb[i]) << " vs " << int(want.rgb[i]);
  }
  return ::testing::AssertionSuccess();
}

// Loader settings of the tests: 24-bit maps, colour tables not rearranged
// (so index images keep their exact colours), restored afterwards. `tools`
// are the outside programs the tests run (ImageMagick and Python for Make,
// MakePython and Oracle).
class ImageFixture : public testsupport::TempDirTest {
 protected:
  explicit ImageFixture(std::vector<std::string> tools = {"convert", "python3"})
      : TempDirTest("ostrevan_img_"), tools_(std::move(tools)) {}
  void SetUp() override {
    TempDirTest::SetUp();
    for (const std::string& tool : tools_) testsupport::RequireTool(tool);
    previousDepth_ = SetLoadPixelFormat(24);
    previousArrange_ = GetArrangeBlackAndWhite();
    SetArrangeBlackAndWhite(false);
  }
  void TearDown() override {
    SetLoadPixelFormat(previousDepth_);
    SetArrangeBlackAndWhite(previousArrange_);
  }

  // Makes a file with ImageMagick: `convert ARGS OUT`.
  std::string Make(const std::string& name, const std::string& args) {
    const std::string out = Path(name);
    EXPECT_EQ(RunCommand("convert " + args + " '" + out + "' 2>/dev/null"), 0) << args;
    return out;
  }

  // Writes a file from a Python expression producing bytes (struct etc.).
  std::string MakePython(const std::string& name, const std::string& script) {
    const std::string out = Path(name);
    const std::string py = Path(name + ".py");
    std::ofstream(py) << "import struct, sys\n" << script << "\nopen(sys.argv[1], 'wb').write(data)\n";
    EXPECT_EQ(RunCommand("python3 '" + py + "' '" + out + "'"), 0) << script;
    return out;
  }

  static void WriteBytes(const std::string& path, const std::string& bytes) { testsupport::WriteBytes(path, bytes); }
  static std::string ReadBytes(const std::string& path) { return testsupport::ReadBytes(path); }

  std::vector<std::string> tools_;
  int32_t previousDepth_ = 0;
  bool previousArrange_ = true;
};

// A picture read from a file (the type from the extension), or null when
// the load failed. The caller releases it.
inline VPicture* LoadPicture(const std::string& path, int32_t flags = 0, int32_t selection = -4) {
  auto* picture = new VPicture(VFileSpec(path.c_str()), kUnknownFileType, flags, selection, -4);
  if (!picture->GetPixelMap()) {
    picture->Release();
    return nullptr;
  }
  return picture;
}

}  // namespace imgtest
