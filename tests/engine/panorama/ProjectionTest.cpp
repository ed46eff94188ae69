// The projection of the panorama map: geometry against ffmpeg's v360 filter
// and against a double-precision model of the camera, the metamorphic
// identities (a full turn, a half-rolled panorama, the seam), agreement across
// depths, when the mapping grid is rebuilt, and maps it must refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>
#include <utility>
#include <vector>

#include "engine/panorama/PanoramaKernels.h"
#include "engine/panorama/PanoramaRenderer.h"
#include "PanoramaTestSupport.h"
#include "support/RequireTool.h"

namespace {

using panotest::Frame;
using panotest::kPi;
using panotest::kTwoPiF;
using panotest::MakeMap;
using panotest::Rgb;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr float kFocal = 320.0f;
// The steepest pitch the viewer allows at this size: the screen edge reaches the pole.
const float kPitchLimit = static_cast<float>(kPi / 2 - std::atan(240.0 / 320.0));

// The synthetic panorama, drawn once for the suite.
class SyntheticPanorama : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<testsupport::TempDir>("ostrevan_pano_");
    const std::string convert = testsupport::FindProgram("convert");
    if (convert.empty() || dir_->Path().empty()) return;
    if (!panotest::DrawSyntheticPanorama(convert, dir_->Path("pano.ppm"), dir_->Path("pano.bmp"))) return;
    const std::string roll = "'" + convert + "' '" + dir_->Path("pano.ppm") + "' -roll +1024+0 'ppm:" +
                             dir_->Path("rolled.ppm") + "'";
    if (std::system(roll.c_str()) != 0) return;
    picture_ = panotest::ReadPpm(dir_->Path("pano.ppm"));
    rolled_ = panotest::ReadPpm(dir_->Path("rolled.ppm"));
  }
  static void TearDownTestSuite() { dir_.reset(); }

  void SetUp() override {
    REQUIRE_TOOL(convert, "convert");
    ASSERT_EQ(picture_.width, 2048) << "the synthetic panorama could not be drawn";
    ASSERT_EQ(rolled_.width, 2048);
  }

  static Frame Render(PanoramaRenderer& renderer, const panotest::Map& map, float yaw, float pitch, bool quality,
                      int depth, int width = kWidth, int height = kHeight, float focal = kFocal) {
    Frame frame(width, height, depth);
    PanoramaCamera camera;
    camera.yaw = yaw;
    camera.pitch = pitch;
    camera.focal = focal;
    camera.quality = quality;
    EXPECT_TRUE(renderer.Render(map.raster, static_cast<float>(kPi), frame.raster, camera));
    return frame;
  }

  static std::unique_ptr<testsupport::TempDir> dir_;
  static Rgb picture_;
  static Rgb rolled_;
};

std::unique_ptr<testsupport::TempDir> SyntheticPanorama::dir_;
Rgb SyntheticPanorama::picture_;
Rgb SyntheticPanorama::rolled_;

// ---- Against ffmpeg's v360 -------------------------------------------------

struct OracleCase {
  const char* name;
  float yaw;
  float pitch;
  double minimumPsnr;
};

void PrintTo(const OracleCase& c, std::ostream* os) { *os << c.name; }

class AgainstV360 : public SyntheticPanorama, public ::testing::WithParamInterface<OracleCase> {};

// v360 looks at the middle of the map with yaw 0 and up with a positive
// pitch; our yaw 0 is the map's left edge and our pitch grows downwards.
TEST_P(AgainstV360, QualityFrameMatchesTheFiltersLinearProjection) {
  REQUIRE_TOOL(ffmpeg, "ffmpeg");
  const OracleCase& c = GetParam();
  const double hfov = 2 * std::atan(kWidth / 2.0 / kFocal) * 180 / kPi;
  const double vfov = 2 * std::atan(kHeight / 2.0 / kFocal) * 180 / kPi;
  std::ostringstream filter;
  filter.precision(10);
  filter << "v360=input=e:output=flat:h_fov=" << hfov << ":v_fov=" << vfov << ":yaw=" << (c.yaw - kPi) * 180 / kPi
         << ":pitch=" << -c.pitch * 180 / kPi << ":w=" << kWidth << ":h=" << kHeight << ":interp=linear";
  const std::string out = dir_->Path(std::string("v360_") + c.name + ".ppm");
  const std::string command = "'" + ffmpeg + "' -v error -y -threads 1 -i '" + dir_->Path("pano.bmp") + "' -vf '" +
                              filter.str() + "' -frames:v 1 -pix_fmt rgb24 '" + out + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const Rgb reference = panotest::ReadPpm(out);
  ASSERT_EQ(reference.width, kWidth);

  for (int depth : {32, 16}) {
    PanoramaRenderer renderer;
    const panotest::Map map = MakeMap(picture_, depth);
    const Frame frame = Render(renderer, map, c.yaw, c.pitch, true, depth);
    const double psnr = panotest::Psnr(frame.ToRgb(), reference);
    // 16-bit frames lose a little to the 5:6:5 rounding of the map.
    const double bound = depth == 32 ? c.minimumPsnr : c.minimumPsnr - 2.0;
    EXPECT_GE(psnr, bound) << c.name << " at " << depth << " bits";
    std::printf("[ PSNR     ] %s %d-bit: %.2f dB\n", c.name, depth, psnr);
  }
}

INSTANTIATE_TEST_SUITE_P(Pitches, AgainstV360,
                         ::testing::Values(OracleCase{"level", 1.0f, 0.0f, 33.0}, OracleCase{"down", 2.5f, 0.4f, 32.0},
                                           OracleCase{"up", 4.0f, -0.4f, 32.0},
                                           OracleCase{"north_pole", 1.0f, -kPitchLimit, 27.0},
                                           OracleCase{"south_pole", 5.5f, kPitchLimit, 27.0}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Against a double-precision model ----------------------------------------

// A map whose every pixel holds its own column and row, rendered with nearest
// sampling, shows which map pixel each screen pixel reads.
Rgb CoordinateMap(int width, int rows) {
  Rgb rgb;
  rgb.width = width;
  rgb.height = rows;
  rgb.pixels.resize(static_cast<size_t>(width) * rows * 3);
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t v = static_cast<uint32_t>(x) | (static_cast<uint32_t>(y) << 12);
      uint8_t* p = &rgb.pixels[(static_cast<size_t>(y) * width + x) * 3];
      p[0] = static_cast<uint8_t>(v >> 16);
      p[1] = static_cast<uint8_t>(v >> 8);
      p[2] = static_cast<uint8_t>(v);
    }
  }
  return rgb;
}

struct ModelCase {
  float yaw;
  float pitch;
};

class AgainstModel : public ::testing::TestWithParam<ModelCase> {};

TEST_P(AgainstModel, EveryScreenPixelReadsTheMapPixelTheRayHits) {
  const ModelCase c = GetParam();
  const int mapWidth = 2048;
  const int rows = 1024;
  const Rgb coordinates = CoordinateMap(mapWidth, rows);
  const panotest::Map map = MakeMap(coordinates, 32);
  PanoramaRenderer renderer;
  Frame frame(kWidth, kHeight, 32);
  PanoramaCamera camera{c.yaw, c.pitch, kFocal, false};
  ASSERT_TRUE(renderer.Render(map.raster, static_cast<float>(kPi), frame.raster, camera));

  const double sp = std::sin(static_cast<double>(c.pitch));
  const double cp = std::cos(static_cast<double>(c.pitch));
  double worstColumn = 0.0;
  double worstRow = 0.0;
  double sumError = 0.0;
  for (int r = 0; r < kHeight; ++r) {
    for (int col = 0; col < kWidth; ++col) {
      const double x = col - kWidth / 2;
      const double y = r - kHeight / 2;
      const double vertical = y * cp + kFocal * sp;
      const double forward = kFocal * cp - y * sp;
      const double length = std::sqrt(x * x + y * y + double{kFocal} * kFocal);
      const double latitude = std::asin(vertical / length);
      const double longitude = std::atan2(x, forward);
      // The map's columns span the float full turn; its rows the composed
      // rows less three around the middle row.
      const double mapColumn = (longitude + c.yaw) * mapWidth / kTwoPiF;
      const double mapRow = latitude * (rows - 3) / kPi + rows / 2;
      const uint32_t v = frame.Pixel(col, r) & 0xFFFFFF;
      const int gotColumn = static_cast<int>(v & 0xFFF);
      const int gotRow = static_cast<int>(v >> 12);
      double dc = std::fmod(gotColumn - mapColumn, mapWidth);
      if (dc > mapWidth / 2) dc -= mapWidth;
      if (dc < -mapWidth / 2) dc += mapWidth;
      const double dr = gotRow - mapRow;
      // A column error counts as the distance on the sphere it stands for:
      // towards a pole the columns draw together.
      const double arc = std::fabs(dc) * std::cos(latitude);
      worstColumn = std::max(worstColumn, arc);
      worstRow = std::max(worstRow, std::fabs(dr));
      sumError += std::fabs(dr) + arc;
    }
  }
  const double mean = sumError / (kWidth * kHeight);
  std::printf("[ MODEL    ] pitch %.3f: worst column %.2f, worst row %.2f, mean %.3f map pixels\n", c.pitch,
              worstColumn, worstRow, mean);
  // Nearest sampling alone is half a pixel off; the grid interpolation and
  // the arcsine table add the rest, most near a pole.
  const bool steep = std::fabs(c.pitch) > 0.7f;
  EXPECT_LE(worstColumn, steep ? 2.5 : 1.0);
  EXPECT_LE(worstRow, steep ? 2.5 : 1.0);
  EXPECT_LE(mean, 0.7);
}

INSTANTIATE_TEST_SUITE_P(Views, AgainstModel,
                         ::testing::Values(ModelCase{0.0f, 0.0f}, ModelCase{1.25f, 0.4f}, ModelCase{3.0f, -0.4f},
                                           ModelCase{0.5f, 0.8f}, ModelCase{2.0f, -kPitchLimit},
                                           ModelCase{6.0f, kPitchLimit}, ModelCase{4.0f, 1.5707964f}));

// ---- Metamorphic identities ----------------------------------------------

struct Mode {
  int depth;
  bool quality;
};

TEST_F(SyntheticPanorama, AFullTurnOfYawGivesTheIdenticalFrame) {
  // Yaws whose sum with the float full turn is exact.
  for (const Mode mode : {Mode{16, true}, Mode{16, false}, Mode{32, true}, Mode{32, false}, Mode{15, true}}) {
    const panotest::Map map = MakeMap(picture_, mode.depth);
    PanoramaRenderer renderer;
    for (const float yaw : {0.0f, 0.25f, 1.0f, 1.5f, -1.5f}) {
      for (const float pitch : {0.0f, 0.4f, -kPitchLimit}) {
        const Frame a = Render(renderer, map, yaw, pitch, mode.quality, mode.depth);
        const Frame b = Render(renderer, map, yaw + kTwoPiF, pitch, mode.quality, mode.depth);
        EXPECT_TRUE(a.bytes == b.bytes) << "yaw " << yaw << " pitch " << pitch << " depth " << mode.depth
                                        << (mode.quality ? " quality" : " fast");
      }
    }
  }
}

TEST_F(SyntheticPanorama, APanoramaRolledByHalfItsWidthAtYawPlusPiGivesTheIdenticalFrame) {
  for (const Mode mode : {Mode{16, true}, Mode{16, false}, Mode{32, true}, Mode{32, false}}) {
    const panotest::Map map = MakeMap(picture_, mode.depth);
    const panotest::Map rolled = MakeMap(rolled_, mode.depth);
    PanoramaRenderer renderer;
    for (const float yaw : {0.0f, 0.5f, 0.75f}) {
      for (const float pitch : {0.0f, 0.4f, kPitchLimit}) {
        const Frame a = Render(renderer, map, yaw, pitch, mode.quality, mode.depth);
        const Frame b = Render(renderer, rolled, yaw + kTwoPiF / 2, pitch, mode.quality, mode.depth);
        EXPECT_TRUE(a.bytes == b.bytes) << "yaw " << yaw << " pitch " << pitch << " depth " << mode.depth;
      }
    }
  }
}

TEST(Seam, LookingAcrossTheSeamShowsNoGapAndNoRepeatedColumn) {
  const Rgb coordinates = CoordinateMap(2048, 1024);
  const panotest::Map map = MakeMap(coordinates, 32);
  PanoramaRenderer renderer;
  for (const float yaw : {0.0f, kTwoPiF - 0.001f, 0.3f}) {
    Frame frame(kWidth, kHeight, 32);
    PanoramaCamera camera{yaw, 0.0f, kFocal, false};
    ASSERT_TRUE(renderer.Render(map.raster, static_cast<float>(kPi), frame.raster, camera));
    for (const int row : {kHeight / 2, 10, kHeight - 5}) {
      bool crossed = false;
      for (int col = 1; col < kWidth; ++col) {
        const int before = static_cast<int>(frame.Pixel(col - 1, row) & 0xFFF);
        const int after = static_cast<int>(frame.Pixel(col, row) & 0xFFF);
        const int step = (after - before + 2048) % 2048;
        // About one map column per screen column: never backwards, never a jump.
        EXPECT_LE(step, 2) << "yaw " << yaw << " row " << row << " column " << col;
        if (after < before) crossed = true;
      }
      if (yaw != 0.3f) {
        EXPECT_TRUE(crossed) << "the view at yaw " << yaw << " should cross the seam";
      }
    }
  }
}

// ---- Depths --------------------------------------------------------------

TEST_F(SyntheticPanorama, ThirtyTwoBitFramesReducedToSixteenBitsAgreeWithSixteenBitFrames) {
  const panotest::Map map32 = MakeMap(picture_, 32);
  const panotest::Map map16 = MakeMap(picture_, 16);
  PanoramaRenderer renderer32;
  PanoramaRenderer renderer16;
  for (const float pitch : {0.0f, 0.4f, -kPitchLimit}) {
    for (const bool quality : {false, true}) {
      const Frame a = Render(renderer32, map32, 2.0f, pitch, quality, 32);
      const Frame b = Render(renderer16, map16, 2.0f, pitch, quality, 16);
      int worst = 0;
      int beyondOneStep = 0;
      for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
          const uint32_t w = a.Pixel(x, y);
          const uint32_t v = b.Pixel(x, y);
          const int dr = std::abs(static_cast<int>((w >> 19) & 31) - static_cast<int>((v >> 11) & 31));
          const int dg = std::abs(static_cast<int>((w >> 10) & 63) - static_cast<int>((v >> 5) & 63));
          const int db = std::abs(static_cast<int>((w >> 3) & 31) - static_cast<int>(v & 31));
          worst = std::max({worst, dr, dg, db});
          beyondOneStep += (dr > 1) + (dg > 1) + (db > 1);
        }
      }
      std::printf("[ DEPTHS   ] pitch %.3f %s: worst %d steps, %d of %d components beyond one step\n", pitch,
                  quality ? "quality" : "fast", worst, beyondOneStep, kWidth * kHeight * 3);
      if (!quality) {
        // Fast frames read the very same map pixel.
        EXPECT_EQ(worst, 0) << "pitch " << pitch;
      } else {
        // Quality frames blend with 8-bit weights against 5-bit ones and
        // round in another place: one step apart, two at the rare sharp edge
        // where both differences meet.
        EXPECT_LE(worst, 2) << "pitch " << pitch;
        EXPECT_LE(beyondOneStep, kWidth * kHeight * 3 / 1000) << "pitch " << pitch;
      }
    }
  }
}

// ---- The grid --------------------------------------------------------------

TEST(MappingGrid, IsRebuiltOnlyWhenPitchSizeFocalLengthOrQualityChange) {
  const panotest::Map map = MakeMap(CoordinateMap(1024, 512), 16);
  PanoramaRenderer renderer;
  auto render = [&](float yaw, float pitch, int w, int h, float f, bool quality) {
    Frame frame(w, h, 16);
    PanoramaCamera camera{yaw, pitch, f, quality};
    EXPECT_TRUE(renderer.Render(map.raster, static_cast<float>(kPi), frame.raster, camera));
  };
  render(0.0f, 0.1f, 320, 240, 160.0f, true);
  EXPECT_EQ(renderer.GetGridBuildCount(), 1);
  for (float yaw = 0.0f; yaw < 7.0f; yaw += 0.37f) render(yaw, 0.1f, 320, 240, 160.0f, true);
  EXPECT_EQ(renderer.GetGridBuildCount(), 1) << "turning must not rebuild the grid";
  render(1.0f, 0.2f, 320, 240, 160.0f, true);
  EXPECT_EQ(renderer.GetGridBuildCount(), 2) << "pitch";
  render(1.0f, 0.2f, 336, 240, 160.0f, true);
  EXPECT_EQ(renderer.GetGridBuildCount(), 3) << "size";
  render(1.0f, 0.2f, 336, 240, 200.0f, true);
  EXPECT_EQ(renderer.GetGridBuildCount(), 4) << "focal length";
  render(1.0f, 0.2f, 336, 240, 200.0f, false);
  EXPECT_EQ(renderer.GetGridBuildCount(), 5) << "fast frames sample with a half-pixel offset";
  render(2.0f, 0.2f, 336, 240, 200.0f, false);
  EXPECT_EQ(renderer.GetGridBuildCount(), 5);
}

// ---- Bad input -----------------------------------------------------------------

TEST(BadInput, MapsTheProjectionCannotAddressAreRefusedWithoutTouchingTheFrame) {
  struct MapCase {
    const char* what;
    int width;
    int rows;
    int depth;
    int rowBytes;  // 0: width x bytes per pixel
  };
  const MapCase cases[] = {
      {"wider than 16384 columns at 16 bits", 32768, 8, 16, 0},
      {"wider than 16384 columns at 32 bits (rows of 128 KiB)", 32768, 8, 32, 0},
      {"a width that is not a power of two", 1000, 8, 16, 0},
      {"too narrow", 32, 8, 16, 0},
      {"rows padded beyond the width", 1024, 8, 16, 4096},
      {"one row only", 1024, 1, 16, 0},
      {"an unknown depth", 1024, 8, 24, 0},
  };
  for (const MapCase& c : cases) {
    const int bpp = c.depth == 32 ? 4 : (c.depth == 24 ? 3 : 2);
    const int rowBytes = c.rowBytes ? c.rowBytes : c.width * bpp;
    std::vector<uint8_t> pixels(static_cast<size_t>(rowBytes) * c.rows, 0x11);
    PanoramaRaster raster{pixels.data(), rowBytes, c.width, c.rows, c.depth};
    PanoramaRenderer renderer;
    Frame frame(64, 48, c.depth == 32 ? 32 : 16);
    frame.raster.depth = c.depth;
    const std::vector<uint8_t> before = frame.bytes;
    PanoramaCamera camera{0.0f, 0.0f, 32.0f, true};
    EXPECT_FALSE(renderer.Render(raster, static_cast<float>(kPi), frame.raster, camera)) << c.what;
    EXPECT_TRUE(frame.bytes == before) << c.what;
    EXPECT_EQ(renderer.GetGridBuildCount(), 0) << c.what;
  }
}

TEST(BadInput, NonFiniteCamerasAreRefusedAndTheNextGoodFrameUsesAFreshGrid) {
  const panotest::Map map = MakeMap(CoordinateMap(1024, 512), 32);
  PanoramaRenderer renderer;
  Frame frame(64, 48, 32);
  const float nan = std::nanf("");
  const float inf = INFINITY;
  for (const PanoramaCamera camera : {PanoramaCamera{nan, 0, 32, true}, PanoramaCamera{0, nan, 32, true},
                                      PanoramaCamera{0, 0, nan, true}, PanoramaCamera{inf, 0, 32, true},
                                      PanoramaCamera{0, 0, 0, true}, PanoramaCamera{0, 0, -5, true}}) {
    EXPECT_FALSE(renderer.Render(map.raster, static_cast<float>(kPi), frame.raster, camera));
  }
  EXPECT_EQ(renderer.GetGridBuildCount(), 0);
  PanoramaCamera good{0.5f, 0.2f, 32.0f, true};
  EXPECT_TRUE(renderer.Render(map.raster, static_cast<float>(kPi), frame.raster, good));
  EXPECT_EQ(renderer.GetGridBuildCount(), 1);
  // A depth mismatch between map and frame is refused too.
  Frame other(64, 48, 16);
  EXPECT_FALSE(renderer.Render(map.raster, static_cast<float>(kPi), other.raster, good));
}

TEST(BadInput, PitchesAtAndBeyondThePolesRenderEveryPixelFromTheMap) {
  // Every map pixel is 0x00123456: any other value in the frame is a read
  // outside the map or a pixel left unwritten.
  Rgb solid;
  solid.width = 512;
  solid.height = 256;
  solid.pixels.assign(static_cast<size_t>(512) * 256 * 3, 0);
  for (size_t i = 0; i < solid.pixels.size(); i += 3) {
    solid.pixels[i] = 0x12;
    solid.pixels[i + 1] = 0x34;
    solid.pixels[i + 2] = 0x56;
  }
  const panotest::Map map = MakeMap(solid, 32);
  PanoramaRenderer renderer;
  for (const float pitch : {1.5707964f, -1.5707964f, 3.1415927f, -3.1415927f, 2.0f, 1.0e6f, 1.0e-30f}) {
    for (const bool quality : {false, true}) {
      Frame frame(100, 70, 32);
      PanoramaCamera camera{0.3f, pitch, 50.0f, quality};
      ASSERT_TRUE(renderer.Render(map.raster, static_cast<float>(kPi), frame.raster, camera)) << pitch;
      for (int y = 0; y < 70; ++y) {
        for (int x = 0; x < 100; ++x) ASSERT_EQ(frame.Pixel(x, y), 0x00123456u) << pitch << " at " << x << "," << y;
      }
    }
  }
}

}  // namespace

namespace {

// ---- Vector kernels ----------------------------------------------------------

TEST(KernelLevels, EveryLevelDrawsTheSameFrame) {
  // A map of varied pixels (a hash of the position).
  Rgb noise;
  noise.width = 1024;
  noise.height = 512;
  noise.pixels.resize(static_cast<size_t>(1024) * 512 * 3);
  uint32_t h = 2166136261u;
  for (uint8_t& b : noise.pixels) {
    h = (h ^ 0x9E3779B9u) * 16777619u;
    b = static_cast<uint8_t>(h >> 24);
  }
  const int best = GetPanoramaKernelLevel();
  for (const int depth : {15, 16, 32}) {
    const panotest::Map map = MakeMap(noise, depth);
    for (const bool quality : {false, true}) {
      // The map reduced (samples far apart) and magnified (neighbouring
      // samples read from one stretch of a row, or of two rows).
      // Widths that leave runs of every length, a frame over the seam; and
      // a wide, low one, with more than sixteen grid columns either side.
      for (const auto& [width, height] : {std::pair{203, 77}, std::pair{587, 21}})
      for (const float focal : {90.0f, 400.0f})
      for (const float pitch : {0.0f, 0.7f, -1.5707964f, 2.5f}) {
        std::vector<std::vector<uint8_t>> frames;
        for (const int level : {0, 1, 2, kPanoramaLevelAvx512}) {
          SetPanoramaKernelLevel(level);
          PanoramaRenderer renderer;
          Frame frame(width, height, depth);
          PanoramaCamera camera{6.2f, pitch, focal, quality};
          EXPECT_TRUE(renderer.Render(map.raster, static_cast<float>(kPi), frame.raster, camera));
          frames.push_back(frame.bytes);
        }
        EXPECT_TRUE(frames[0] == frames[1] && frames[0] == frames[2] && frames[0] == frames[3])
            << depth << (quality ? " quality" : " fast") << " pitch " << pitch << " focal " << focal << " width "
            << width;
      }
    }
  }
  SetPanoramaKernelLevel(best);
}

TEST(KernelLevels, NearestRunsReadTheSamePixelsAtEveryLevel) {
  // Runs straight into the kernels: short and long, rows clamped above and
  // below the map, columns wrapping both ways, steep steps. The frames the
  // renderer draws rarely clamp (the band around a pole is drawn apart).
  constexpr int32_t kWidth = 64, kRows = 32;
  std::vector<uint8_t> map(static_cast<size_t>(kWidth) * kRows * 4);
  uint32_t h = 2166136261u;
  for (uint8_t& b : map) {
    h = (h ^ 0x9E3779B9u) * 16777619u;
    b = static_cast<uint8_t>(h >> 24);
  }
  struct Case {
    uint32_t x;
    int32_t y, stepX, stepY;
    bool clamp;
  };
  constexpr int32_t kRow = 65536;
  const Case cases[] = {
      {0, 5 * kRow, 40000, 900, false},                        // inside the map
      {0xFFF00000u, 3 * kRow + 123, -70000, 0, false},         // wrapping left past column 0
      {60u << 16, 10 * kRow, 3 * kRow, 20000, false},          // wrapping right, steep in x
      {7u << 16, -4 * kRow, 1000, 9000, true},                 // from above the map into it
      {9u << 16, 28 * kRow, -2000, 11000, true},               // from inside out past the last row
      {1u << 16, -70000, 33000, -kRow, true},                  // above the map all the way
      {2u << 16, 40 * kRow, 1 << 20, kRow / 3, true},          // below the map all the way
      {5u << 16, 31 * kRow + 65535, 12345, 0, true},           // on the last row
  };
  const int best = GetPanoramaKernelLevel();
  for (const PanoramaKernelKind kind : {kPanoramaFast16, kPanoramaFast32}) {
    const int32_t bytes = kind == kPanoramaFast32 ? 4 : 2;
    const PanoramaSampleSource source{map.data(), kWidth * bytes, kWidth - 1, (kRows - 1) * kRow};
    for (const Case& c : cases) {
      for (const int32_t count : {1, 7, 8, 9, 23, 64}) {
        const PanoramaRun run{c.x, c.y, c.stepX, c.stepY, count};
        std::vector<std::vector<uint8_t>> outputs;
        for (const int level : {0, 1, 2, kPanoramaLevelAvx512}) {
          SetPanoramaKernelLevel(level);
          std::vector<uint8_t> out(static_cast<size_t>(count) * bytes + 8, 0xA5);
          RunPanoramaKernel(kind, source, run, out.data(), c.clamp);
          outputs.push_back(out);
        }
        EXPECT_TRUE(outputs[0] == outputs[1] && outputs[0] == outputs[2] && outputs[0] == outputs[3])
            << bytes * 8 << " bits, run from (" << c.x << ", " << c.y << ") step (" << c.stepX << ", " << c.stepY
            << ") count " << count << (c.clamp ? " clamped" : "");
      }
    }
    // All of them as one row of runs, of every length.
    std::vector<PanoramaRun> runs;
    std::vector<uint8_t> clamps;
    size_t pixels = 0;
    for (const Case& c : cases) {
      for (const int32_t count : {1, 7, 8, 9, 23, 64, 0}) {
        runs.push_back({c.x, c.y, c.stepX, c.stepY, count});
        clamps.push_back(c.clamp ? 1 : 0);
        pixels += static_cast<size_t>(count);
      }
    }
    std::vector<std::vector<uint8_t>> rows;
    for (const int level : {0, 1, 2, kPanoramaLevelAvx512}) {
      SetPanoramaKernelLevel(level);
      std::vector<uint8_t> out(pixels * bytes + 8, 0xA5);
      RunPanoramaKernels(kind, source, runs.data(), clamps.data(), static_cast<int32_t>(runs.size()), out.data());
      rows.push_back(out);
    }
    EXPECT_TRUE(rows[0] == rows[1] && rows[0] == rows[2] && rows[0] == rows[3]) << bytes * 8 << " bits, one row";
  }
  SetPanoramaKernelLevel(best);
}

TEST(KernelLevels, RunsAsColumnsReadTheSamePixelsAsRuns) {
  // A row's runs one after the other, as columns and as PanoramaRun's: some
  // clamped (the columns clamp every row), some wrapping, empty and long
  // ones, on a map whose last pixel ends its buffer.
  constexpr int32_t kWidth = 64, kRows = 32, kRow = 65536;
  const int best = GetPanoramaKernelLevel();
  SetPanoramaKernelLevel(kPanoramaLevelAvx512);
  for (const PanoramaKernelKind kind : {kPanoramaFast16, kPanoramaFast32}) {
    const int32_t bytes = kind == kPanoramaFast32 ? 4 : 2;
    std::vector<uint8_t> map(static_cast<size_t>(kWidth) * kRows * bytes);
    uint32_t h = 2166136261u;
    for (uint8_t& b : map) {
      h = (h ^ 0x9E3779B9u) * 16777619u;
      b = static_cast<uint8_t>(h >> 24);
    }
    const PanoramaSampleSource source{map.data(), kWidth * bytes, kWidth - 1, (kRows - 1) * kRow + 0xFFFF};
    if (!CanRunPanoramaNearestColumns(kind, source)) {
      // Refused only where the processor has no AVX-512: the renderer then
      // keeps to the runs, which the tests above check at every level.
      EXPECT_LT(GetPanoramaKernelLevel(), kPanoramaLevelAvx512);
      continue;
    }
    EXPECT_FALSE(CanRunPanoramaNearestColumns(kind == kPanoramaFast16 ? kPanoramaQuality16 : kPanoramaQuality32,
                                              source));
    const std::vector<PanoramaRun> runs = {
        {0, 5 * kRow, 40000, 900, 16},
        {0xFFF00000u, 3 * kRow + 123, -70000, 0, 13},
        {7u << 16, -4 * kRow, 1000, 9000, 23},
        {9u << 16, 28 * kRow, -2000, 11000, 16},
        {(kWidth - 1u) << 16, (kRows - 1) * kRow, 0, 0, 3},  // the map's last pixel
        {1u << 16, -70000, 33000, -kRow, 0},
        {2u << 16, 40 * kRow, 1 << 20, kRow / 3, 1},
        {60u << 16, 10 * kRow, 3 * kRow, 20000, 40},
    };
    std::vector<uint8_t> clamps;
    std::vector<uint32_t> xs;
    std::vector<int32_t> ys, stepXs, stepYs, counts;
    size_t pixels = 0;
    for (const PanoramaRun& run : runs) {
      const int64_t lastY = int64_t{run.y} + int64_t{run.stepY} * std::max(run.count - 1, 0);
      clamps.push_back(run.y < 0 || lastY < 0 || run.y > source.maxY || lastY > source.maxY ? 1 : 0);
      xs.push_back(run.x);
      ys.push_back(run.y);
      stepXs.push_back(run.stepX);
      stepYs.push_back(run.stepY);
      counts.push_back(run.count);
      pixels += static_cast<size_t>(run.count);
    }
    std::vector<uint8_t> asRuns(pixels * bytes + 8, 0xA5), asColumns(pixels * bytes + 8, 0xA5);
    SetPanoramaKernelLevel(0);
    RunPanoramaKernels(kind, source, runs.data(), clamps.data(), static_cast<int32_t>(runs.size()), asRuns.data());
    SetPanoramaKernelLevel(kPanoramaLevelAvx512);
    PanoramaRunColumns columns;
    columns.x = xs.data();
    columns.y = ys.data();
    columns.stepX = stepXs.data();
    columns.stepY = stepYs.data();
    columns.count = counts.data();
    RunPanoramaNearestColumns(kind, source, columns, static_cast<int32_t>(runs.size()), asColumns.data());
    EXPECT_TRUE(asRuns == asColumns) << bytes * 8 << " bits";
  }
  SetPanoramaKernelLevel(best);
}

}  // namespace

namespace {

TEST(KernelLevels, BilinearRunsReadTheSamePixelsAtEveryLevel) {
  // A screen row's runs straight into the bilinear kernels, at every level
  // against the single-pixel blend: long runs whose blocks lie along one row
  // of the map or cross several (steep), close together or far apart in x,
  // stepping either way, wrapping round the seam, clamped above and below the
  // map, and running along its last rows and columns (whose neighbours end
  // the buffer, so a read past it shows).
  constexpr int32_t kRow = 65536;
  struct Case {
    uint32_t x;
    int32_t y, stepX, stepY, count;
  };
  const Case cases[] = {
      {3u << 16, 5 * kRow + 4000, 52000, 0, 64},                // along one row
      {10u << 16, 7 * kRow + 60000, 51000, 3000, 48},           // into the next row midway
      {20u << 16, 4 * kRow, 40000, 13000, 32},                  // three rows a block
      {30u << 16, 12 * kRow, 30000, -21000, 33},                // four or five rows a block, upwards
      {40u << 16, 9 * kRow, 2 * kRow + 7, kRow / 2, 35},        // far apart in x
      {50u << 16, 8 * kRow + 123, -47000, 5000, 40},            // leftwards
      {0xFFF00000u, 6 * kRow, 61000, 900, 47},                  // wrapping round column 0
      {250u << 16, 3 * kRow, 70000, 200, 37},                   // past the last column
      {7u << 16, -3 * kRow, 33000, 9000, 50},                   // from above the map into it
      {9u << 16, 27 * kRow, 45000, 11000, 51},                  // from inside out past the last row
      {220u << 16, 29 * kRow + 65000, 60000, 17, 36},           // the last rows, the last columns
      {1u << 16, -70000, 33000, -kRow, 16},                     // above the map all the way
      {2u << 16, 40 * kRow, 1 << 20, kRow / 3, 17},             // below the map all the way
      {100u << 16, 15 * kRow, 0, 0, 20},                        // one map position
  };
  constexpr int32_t kWidth = 256, kRows = 32;
  const int best = GetPanoramaKernelLevel();
  for (const PanoramaKernelKind kind : {kPanoramaQuality15, kPanoramaQuality16, kPanoramaQuality32}) {
    const int32_t bytes = kind == kPanoramaQuality32 ? 4 : 2;
    std::vector<uint8_t> map(static_cast<size_t>(kWidth) * kRows * bytes);
    uint32_t h = 2166136261u;
    for (uint8_t& b : map) {
      h = (h ^ 0x9E3779B9u) * 16777619u;
      b = static_cast<uint8_t>(h >> 24);
    }
    // The largest y of a bilinear sample: its lower row is the map's last.
    const PanoramaSampleSource source{map.data(), kWidth * bytes, kWidth - 1, (kRows - 2) * kRow + 0xFFFF};
    std::vector<PanoramaRun> runs;
    std::vector<uint8_t> clamps;
    std::vector<uint8_t> expected;
    for (const Case& c : cases) {
      runs.push_back({c.x, c.y, c.stepX, c.stepY, c.count});
      const int64_t lastY = int64_t{c.y} + int64_t{c.stepY} * (c.count - 1);
      clamps.push_back(c.y < 0 || lastY < 0 || c.y > source.maxY || lastY > source.maxY ? 1 : 0);
      for (int32_t i = 0; i < c.count; ++i) {
        const uint32_t x = c.x + static_cast<uint32_t>(i) * static_cast<uint32_t>(c.stepX);
        const int32_t y = std::clamp(c.y + i * c.stepY, 0, source.maxY);
        uint8_t pixel[4];
        if (kind == kPanoramaQuality32) {
          const uint32_t p = SampleBilinear32(source, x, y);
          std::memcpy(pixel, &p, 4);
        } else {
          const uint16_t p =
              kind == kPanoramaQuality16 ? SampleBilinear565(source, x, y) : SampleBilinear555(source, x, y);
          std::memcpy(pixel, &p, 2);
        }
        expected.insert(expected.end(), pixel, pixel + bytes);
      }
    }
    expected.resize(expected.size() + 8, 0xA5);
    for (const int level : {0, 1, 2, kPanoramaLevelAvx512}) {
      SetPanoramaKernelLevel(level);
      // The row as one call and run by run.
      std::vector<uint8_t> row(expected.size(), 0xA5), single(expected.size(), 0xA5);
      RunPanoramaKernels(kind, source, runs.data(), clamps.data(), static_cast<int32_t>(runs.size()), row.data());
      size_t at = 0;
      for (size_t r = 0; r < runs.size(); ++r) {
        RunPanoramaKernel(kind, source, runs[r], single.data() + at, clamps[r] != 0);
        at += static_cast<size_t>(runs[r].count) * bytes;
      }
      // And as columns, where the level takes them (the renderer's runs at AVX-512).
      std::vector<uint8_t> columns = expected;
      if (CanRunPanoramaBilinearColumns(kind, source)) {
        std::vector<uint32_t> xs;
        std::vector<int32_t> ys, stepXs, stepYs, counts;
        for (const PanoramaRun& run : runs) {
          xs.push_back(run.x);
          ys.push_back(run.y);
          stepXs.push_back(run.stepX);
          stepYs.push_back(run.stepY);
          counts.push_back(run.count);
        }
        const PanoramaRunColumns asColumns{xs.data(), ys.data(), stepXs.data(), stepYs.data(), counts.data()};
        std::fill(columns.begin(), columns.end(), 0xA5);
        RunPanoramaBilinearColumns(kind, source, asColumns, static_cast<int32_t>(runs.size()), columns.data());
      } else {
        EXPECT_LT(GetPanoramaKernelLevel(), kPanoramaLevelAvx512);
      }
      EXPECT_FALSE(CanRunPanoramaNearestColumns(kind, source));
      for (const auto* out : {&row, &single, &columns}) {
        if (*out == expected) continue;
        size_t first = 0;
        while ((*out)[first] == expected[first]) ++first;
        ADD_FAILURE() << bytes * 8 << (kind == kPanoramaQuality15 ? " (5:5:5)" : "") << " bits at level "
                      << GetPanoramaKernelLevel()
                      << (out == &row ? ", the row at once" : out == &single ? ", run by run" : ", as columns")
                      << ": first difference at byte " << first;
      }
    }
  }
  SetPanoramaKernelLevel(best);
}

}  // namespace
