// A 300-frame 400 x 300 GIF animation exactly as ImageMagick writes it with
//   convert -size 400x300 xc:navy -fill yellow -draw 'circle 200,150 200,100'
//           -duplicate 299 -loop 0 long.gif
// made in a fraction of the time: ImageMagick makes two and three frames, and
// every further frame repeats the third one's blocks, byte for byte as the
// full command writes them. Its frames stacked in one map are over the
// readers' size limit; any one frame is not.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/TempDir.h"

namespace testsupport {

// Writes the animation to `path`, using `dir` for ImageMagick's two small
// files (`dir`/two.gif, `dir`/three.gif, the latter with frame 0 as the long
// one's). Fails the test when ImageMagick cannot make them.
inline void MakeLongGifAnimation(const std::string& dir, const std::string& path) {
  const std::string two = dir + "/two.gif", three = dir + "/three.gif";
  for (const auto& [file, copies] : {std::pair{two, 1}, std::pair{three, 2}}) {
    ASSERT_EQ(std::system(("convert -size 400x300 xc:navy -fill yellow -draw 'circle 200,150 200,100' -duplicate " +
                           std::to_string(copies) + " -loop 0 '" + file + "'")
                              .c_str()),
              0);
  }
  const std::string twoBytes = ReadBytes(two), threeBytes = ReadBytes(three);
  ASSERT_GT(threeBytes.size(), twoBytes.size());
  const std::string frame = threeBytes.substr(twoBytes.size() - 1, threeBytes.size() - twoBytes.size());
  ASSERT_EQ(twoBytes.substr(0, twoBytes.size() - 1) + frame + ";", threeBytes);
  std::string longBytes = twoBytes.substr(0, twoBytes.size() - 1);
  for (int i = 2; i < 300; ++i) longBytes += frame;
  WriteBytes(path, longBytes + ";");
}

}  // namespace testsupport
