// The engine's own JPEG decoder against libjpeg-turbo (its SIMD code on,
// smooth upsampling), both from memory and into the same output format:
// 24-bit blue-green-red rows, and 16-bit 5-6-5 words with an ordered dither.
// The 24-bit output is compared with libjpeg-turbo twice in the same run:
// with its default inverse DCT (the accurate integer one) and with its
// floating-point one (JDCT_FLOAT), the kind of transform the own decoder
// computes. The pictures are photographs that Debian ships
// (scripts/setup-bench.sh installs them), scaled by ImageMagick at start to
// 640 x 480 and 2048 x 1536 and compressed with `cjpeg -quality 85` (4:2:0);
// without them a synthetic panorama stands in. Each comparison ends as one
// figure: the own decoder's median processor time over libjpeg-turbo's. The
// 24-bit comparison is the headline: libjpeg-turbo's dithered 5-6-5 output
// runs its colour conversion and dither in plain C (it has no SIMD for it), so
// the 16-bit figures are printed apart and labelled as such.
//
//   bench_JpegBench [--benchmark_* options]
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "MedianRatioReporter.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFile.h"
#include "engine/core/VFileSpec.h"
#include "engine/graphics/LookupTables.h"
#include "engine/graphics/PixelMap.h"
#include "engine/image/VJPEGImageReader.h"

namespace {

// Photographs of lomiri-wallpapers-16.04: a bridge in a city, mountains, a
// dragonfly close up.
const char* const kPhotographs[] = {
    "/usr/share/backgrounds/Bridge_by_Sander_Klootwijk.jpg",
    "/usr/share/backgrounds/picosdeeuropa_by_Aitzol_Berasategi.jpg",
    "/usr/share/backgrounds/Dragonfly_by_Bolly.jpg",
};
struct Size {
  int32_t width, height;
};
constexpr Size kSizes[] = {{640, 480}, {2048, 1536}};

struct Picture {
  std::string name;  // e.g. "Bridge/2048x1536"
  std::string path;
  std::string bytes;
  int32_t width = 0, height = 0;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A panorama-like picture (sky, buildings with windows, textured ground,
// mild noise) as binary PPM, for machines without the photographs.
std::string MakePanorama(int32_t width, int32_t height) {
  std::string out = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  uint32_t state = 12345;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      state = state * 1664525u + 1013904223u;
      const int32_t noise = static_cast<int32_t>((state >> 24) & 7) - 4;
      int32_t r, g, b;
      const int32_t skyline = height * 2 / 5 + static_cast<int32_t>(60 * std::sin(x * 0.01)) + ((x / 97) % 3) * 40;
      if (y < skyline) {
        r = 90 + y / 8, g = 140 + y / 6, b = 230 - y / 10;
      } else if (y < height * 7 / 10) {
        const bool window = (x % 23 < 9) && (y % 31 < 14);
        r = window ? 240 : 120 + (x / 97) % 5 * 20;
        g = window ? 220 : 100 + (x / 61) % 4 * 15;
        b = window ? 150 : 90 + (x / 131) % 3 * 25;
      } else {
        r = 70 + static_cast<int32_t>(30 * std::sin(x * 0.05 + y * 0.11));
        g = 110 + static_cast<int32_t>(25 * std::sin(x * 0.021 - y * 0.07));
        b = 50;
      }
      auto c = [](int32_t v) { return static_cast<char>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
      out += c(r + noise);
      out += c(g + noise);
      out += c(b + noise);
    }
  }
  return out;
}

std::string gDir;

// Scales (and crops to the aspect) a photograph with ImageMagick and
// compresses it with cjpeg; false when a tool fails.
bool MakeFromPhotograph(const std::string& source, const std::string& name, Size size, Picture& out) {
  const std::string dims = std::to_string(size.width) + "x" + std::to_string(size.height);
  const std::string ppm = gDir + "/" + name + "_" + dims + ".ppm";
  out.name = name + "/" + dims;
  out.path = gDir + "/" + name + "_" + dims + ".jpg";
  const std::string scale = "convert '" + source + "' -resize " + dims + "^ -gravity center -extent " + dims +
                            " '" + ppm + "' 2>/dev/null";
  const std::string encode = "cjpeg -quality 85 -outfile '" + out.path + "' '" + ppm + "'";
  const bool ok = std::system(scale.c_str()) == 0 && std::system(encode.c_str()) == 0;
  std::remove(ppm.c_str());
  out.bytes = ReadAll(out.path);
  out.width = size.width;
  out.height = size.height;
  return ok && !out.bytes.empty();
}

bool MakeSynthetic(Size size, Picture& out) {
  const std::string dims = std::to_string(size.width) + "x" + std::to_string(size.height);
  const std::string ppm = gDir + "/synthetic_" + dims + ".ppm";
  std::ofstream(ppm, std::ios::binary) << MakePanorama(size.width, size.height);
  out.name = "synthetic/" + dims;
  out.path = gDir + "/synthetic_" + dims + ".jpg";
  const std::string encode = "cjpeg -quality 85 -outfile '" + out.path + "' '" + ppm + "'";
  const bool ok = std::system(encode.c_str()) == 0;
  std::remove(ppm.c_str());
  out.bytes = ReadAll(out.path);
  out.width = size.width;
  out.height = size.height;
  return ok && !out.bytes.empty();
}

std::vector<Picture> gPictures;

enum class Output { kBGR24, kRGB565 };
const char* OutputName(Output o) { return o == Output::kBGR24 ? "bgr24" : "rgb565"; }
// The reference's name: libjpeg-turbo's 5-6-5 output is its scalar C path.
const char* ReferenceName(Output o) { return o == Output::kBGR24 ? "LibjpegTurbo/" : "LibjpegTurboScalarC/"; }
// libjpeg-turbo with its floating-point inverse DCT (24-bit output only).
constexpr const char* kFloatReferenceName = "LibjpegTurboFloatDct/";

void OwnDecoder(benchmark::State& state, const Picture* picture, Output output) {
  const bool packed = output == Output::kRGB565;
  PixelMap map(VRect(0, 0, picture->width, picture->height), packed ? 16 : 24, nullptr, nullptr, nullptr,
               PixelMap::kStorageMemory, packed ? kFormat565LE : kFormatBGR24);
  VFile file(VFileSpec(picture->path.c_str()), kUnknownFileType, kUnknownFileType);
  if (!map.HasStorage() || !file.Open(1) || !file.Preload(0, static_cast<int64_t>(picture->bytes.size()))) {
    state.SkipWithError("cannot set up the decode");
    return;
  }
  for (auto _ : state) {
    VJPEGImageReader reader(&file);
    if (reader.ReadHeader() != 0 || reader.ReadImage(map, kReadPixels, 0, 0) != 0) {
      state.SkipWithError("decode failed");
      return;
    }
  }
}

// One libjpeg-turbo decode from memory into `rows` in the same layout.
void DecodeWithLibjpeg(const std::string& bytes, Output output, J_DCT_METHOD dct, std::vector<uint8_t>& pixels) {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.dct_method = dct;
  if (output == Output::kBGR24) {
    cinfo.out_color_space = JCS_EXT_BGR;
  } else {
    cinfo.out_color_space = JCS_RGB565;
    cinfo.dither_mode = JDITHER_ORDERED;
  }
  jpeg_start_decompress(&cinfo);
  const size_t stride = size_t{cinfo.output_width} * (output == Output::kBGR24 ? 3 : 2);
  pixels.resize(stride * cinfo.output_height);
  JSAMPROW rows[16];
  while (cinfo.output_scanline < cinfo.output_height) {
    for (uint32_t i = 0; i < 16; ++i) {
      const uint32_t y = std::min(cinfo.output_scanline + i, cinfo.output_height - 1);
      rows[i] = pixels.data() + stride * y;
    }
    jpeg_read_scanlines(&cinfo, rows, 16);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
}

void LibjpegTurboWith(benchmark::State& state, const Picture* picture, Output output, J_DCT_METHOD dct) {
  std::vector<uint8_t> pixels;
  for (auto _ : state) {
    DecodeWithLibjpeg(picture->bytes, output, dct, pixels);
    benchmark::DoNotOptimize(pixels.data());
  }
}
void LibjpegTurbo(benchmark::State& state, const Picture* picture, Output output) {
  LibjpegTurboWith(state, picture, output, JDCT_DEFAULT);
}
void LibjpegTurboFloatDct(benchmark::State& state, const Picture* picture, Output output) {
  LibjpegTurboWith(state, picture, output, JDCT_FLOAT);
}

// The median of each benchmark's repetitions, by name: processor time, which
// other work on a shared machine disturbs less than wall-clock time.
std::map<std::string, double> gMedians;

class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (!run.error_occurred && run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        gMedians[run.run_name.function_name] = run.GetAdjustedCPUTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  char dir[] = "/tmp/ostrevan_jpegbench_XXXXXX";
  if (!mkdtemp(dir)) return 1;
  gDir = dir;
  for (const char* source : kPhotographs) {
    if (access(source, R_OK) != 0) continue;
    std::string name = source;
    name = name.substr(name.rfind('/') + 1);
    name = name.substr(0, name.find("_by_"));
    for (const Size size : kSizes) {
      Picture picture;
      if (MakeFromPhotograph(source, name, size, picture)) gPictures.push_back(picture);
    }
  }
  if (gPictures.empty()) {
    std::fprintf(stderr, "no photographs found (scripts/setup-bench.sh installs them): synthetic pictures only\n");
    for (const Size size : kSizes) {
      Picture picture;
      if (MakeSynthetic(size, picture)) gPictures.push_back(picture);
    }
  }
  if (gPictures.empty()) {
    std::fprintf(stderr, "cannot make the test files (ImageMagick and cjpeg are needed)\n");
    return 1;
  }
  SetupLookupTables();
  std::vector<std::string> comparisons;
  for (const Picture& picture : gPictures) {
    for (const Output output : {Output::kBGR24, Output::kRGB565}) {
      const std::string tail = picture.name + "/" + OutputName(output);
      comparisons.push_back(tail);
      struct Contender {
        std::string prefix;
        void (*run)(benchmark::State&, const Picture*, Output);
      };
      std::vector<Contender> contenders = {{"Own/", OwnDecoder}, {ReferenceName(output), LibjpegTurbo}};
      if (output == Output::kBGR24) contenders.push_back({kFloatReferenceName, LibjpegTurboFloatDct});
      for (const Contender& contender : contenders) {
        auto* b = benchmark::RegisterBenchmark((contender.prefix + tail).c_str(), contender.run, &picture, output);
        b->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);
      }
    }
  }
  benchsupport::InitializeInterleaved(argc, argv);
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  // Prints "own / reference" for the comparisons of one output.
  auto printRatios = [&](Output output, const std::string& referencePrefix) {
    for (const std::string& c : comparisons) {
      const std::string suffix = std::string("/") + OutputName(output);
      if (c.size() < suffix.size() || c.compare(c.size() - suffix.size(), suffix.size(), suffix) != 0) continue;
      const std::string reference = referencePrefix + c;
      const auto own = gMedians.find("Own/" + c), turbo = gMedians.find(reference);
      if (own == gMedians.end() || turbo == gMedians.end() || turbo->second <= 0) continue;
      std::printf("  %-40s %6.2f  (Own/%s / %s)\n", c.c_str(), own->second / turbo->second, c.c_str(),
                  reference.c_str());
    }
  };
  std::printf("\nown decoder / libjpeg-turbo, median processor time of the repetitions\n");
  std::printf("24-bit BGR, against libjpeg-turbo with its SIMD and its default (accurate integer) inverse DCT\n"
              "(the headline):\n");
  printRatios(Output::kBGR24, ReferenceName(Output::kBGR24));
  std::printf("24-bit BGR, against libjpeg-turbo with its SIMD and its floating-point inverse DCT (JDCT_FLOAT):\n");
  printRatios(Output::kBGR24, kFloatReferenceName);
  std::printf("16-bit 5-6-5 with an ordered dither, against libjpeg-turbo's dithered 5-6-5 output, which is\n"
              "scalar C (no SIMD in libjpeg-turbo for it), so these figures flatter ours:\n");
  printRatios(Output::kRGB565, ReferenceName(Output::kRGB565));
  for (const Picture& picture : gPictures) std::remove(picture.path.c_str());
  rmdir(dir);
  ShutdownLookupTables();
  return 0;
}
