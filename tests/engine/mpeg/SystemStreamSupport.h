// Helpers of the system stream tests: streams made by ffmpeg, the
// elementary streams and packet time stamps that ffmpeg and ffprobe see in
// them, and splitting a stream with the demultiplexer.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <utility>

#include "engine/core/VFile.h"
#include "engine/core/VFileSpec.h"
#include "engine/mpeg/SystemStreamSplitter.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "engine/mpeg/MpegTestSupport.h"

namespace mpegtest {

// Two seconds of a moving test picture with a tone, as a system stream made
// with the given output options.
inline bool MakeSystemStream(const std::string& options, const std::string& path, double seconds = 2.0) {
  return RunFfmpeg("-f lavfi -i testsrc=size=160x120:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100 -t " +
                   std::to_string(seconds) + " " + options + " " + path);
}

// ffmpeg's copy of one elementary stream ("v" or "a").
inline std::string ReferenceElementaryStream(const std::string& stream, const std::string& kind,
                                             const std::string& out) {
  const std::string format = kind == "v" ? "mpeg1video" : "mp2";
  if (!RunFfmpeg("-i " + stream + " -map 0:" + kind + " -c copy -f " + format + " " + out)) return {};
  return testsupport::ReadBytes(out);
}

// ffprobe's (file position, PTS) pairs of the packets that carry both, by
// stream index (0 video, 1 audio as ffmpeg numbers them here).
inline std::set<std::pair<int64_t, uint64_t>> ProbePacketStamps(const std::string& stream, int index) {
  const std::string ffprobe = testsupport::RequireTool("ffprobe");
  std::set<std::pair<int64_t, uint64_t>> pairs;
  if (ffprobe.empty()) return pairs;
  const std::string csv = testsupport::Capture(ffprobe + " -v error -show_entries packet=stream_index,pts,pos -of csv " +
                                               stream + " 2>&1");
  std::istringstream lines(csv);
  std::string line;
  while (std::getline(lines, line)) {
    int i = -1;
    char pts[32] = {}, pos[32] = {};
    if (std::sscanf(line.c_str(), "packet,%d,%31[^,],%31s", &i, pts, pos) != 3 || i != index) continue;
    if (std::string(pts) == "N/A" || std::string(pos) == "N/A") continue;
    pairs.emplace(std::stoll(pos), std::stoull(pts));
  }
  return pairs;
}

inline std::string Bytes(const SystemStreamSplitter::Stream* s) {
  return s ? std::string(s->bytes.begin(), s->bytes.end()) : std::string();
}

inline std::set<std::pair<int64_t, uint64_t>> PacketStamps(const SystemStreamSplitter::Stream* s) {
  std::set<std::pair<int64_t, uint64_t>> pairs;
  if (s)
    for (const auto& p : s->packets)
      if (p.hasPts) pairs.emplace(p.filePosition, p.pts);
  return pairs;
}

}  // namespace mpegtest
