// Helpers of the video decoder tests: making streams with ffmpeg, decoding a
// stream into planar YUV frames, and comparing frames.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/core/VFile.h"
#include "engine/core/VFileSpec.h"
#include "engine/mpeg/VBitstream.h"
#include "engine/mpeg/VideoStreamDecoder.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace mpegtest {

// The ffmpeg program, or "" (the calling test skips, or fails under CI=true).
inline std::string Ffmpeg() {
  return testsupport::RequireTool("ffmpeg");
}

// Runs ffmpeg with the arguments (quiet, overwriting); true on success.
inline bool RunFfmpeg(const std::string& arguments) {
  const std::string command = Ffmpeg() + " -nostdin -loglevel error -y " + arguments + " 2>&1; echo \"rc=$?\"";
  const std::string output = testsupport::Capture(command);
  const bool ok = output.find("rc=0") != std::string::npos;
  if (!ok) ADD_FAILURE() << command << "\n" << output;
  return ok;
}

// One decoded frame: the visible area of the planes, Y then Cb then Cr.
struct Frame {
  int width = 0, height = 0, chromaFormat = 1;
  std::vector<uint8_t> bytes;
};

inline Frame CopyFrame(const VMPVPicture& p) {
  Frame f;
  f.width = p.width;
  f.height = p.height;
  f.chromaFormat = p.GetChromaFormat();
  for (int y = 0; y < p.height; ++y)
    f.bytes.insert(f.bytes.end(), p.Y() + y * p.GetLumaWidth(), p.Y() + y * p.GetLumaWidth() + p.width);
  const int cw = (p.width + 1) / 2;
  const int ch = f.chromaFormat == 1 ? (p.height + 1) / 2 : p.height;
  for (const uint8_t* plane : {p.Cb(), p.Cr()})
    for (int y = 0; y < ch; ++y)
      f.bytes.insert(f.bytes.end(), plane + y * p.GetChromaWidth(), plane + y * p.GetChromaWidth() + cw);
  return f;
}

struct Decoded {
  bool started = false;
  std::vector<Frame> frames;
  int pictureErrors = 0;
  int sliceErrors = 0;
};

// Decodes a whole file in display order.
inline Decoded DecodeFile(const std::string& path, int poolSize = 4) {
  Decoded out;
  VFile file(VFileSpec(path.c_str()), 0, 0);
  if (!file.Open(1)) return out;
  VBitstream bitstream(&file, 32768, true);
  VideoStreamDecoder decoder(bitstream, poolSize);
  out.started = decoder.Start();
  if (!out.started) return out;
  while (auto picture = decoder.Next()) out.frames.push_back(CopyFrame(*picture));
  out.pictureErrors = decoder.GetPictureErrorCount();
  out.sliceErrors = decoder.GetDecoder().GetSliceErrorCount();
  return out;
}

// The reference frames of ffmpeg's decoder, in the same layout.
inline std::vector<std::string> ReferenceFrames(const std::string& stream, const std::string& yuvPath, int width,
                                                int height, int chromaFormat) {
  const std::string format = chromaFormat == 1 ? "yuv420p" : "yuv422p";
  if (!RunFfmpeg("-i " + stream + " -fps_mode passthrough -f rawvideo -pix_fmt " + format + " " + yuvPath)) return {};
  const std::string all = testsupport::ReadBytes(yuvPath);
  const size_t cw = static_cast<size_t>((width + 1) / 2);
  const size_t ch = static_cast<size_t>(chromaFormat == 1 ? (height + 1) / 2 : height);
  const size_t size = static_cast<size_t>(width) * height + 2 * cw * ch;
  std::vector<std::string> frames;
  for (size_t at = 0; at + size <= all.size(); at += size) frames.push_back(all.substr(at, size));
  return frames;
}

inline double Psnr(const std::vector<uint8_t>& a, const std::string& b) {
  if (a.size() != b.size()) return -1;
  double se = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    const double d = double(a[i]) - double(uint8_t(b[i]));
    se += d * d;
  }
  if (se == 0) return 99;
  return 10 * std::log10(255.0 * 255.0 * double(a.size()) / se);
}

}  // namespace mpegtest
