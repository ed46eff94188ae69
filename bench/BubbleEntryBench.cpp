// Entering a bubble of the tour against djpeg. The sample disc's hall
// panorama (2048 x 1024) and a copy of it scaled by ImageMagick to
// 4096 x 2048 are put into a small media archive built at start, as two
// bubbles. Per size:
//
//   Djpeg          libjpeg-turbo decoding the file to RGB rows in memory, as
//                  `djpeg -ppm` does (the reference), into the same memory at
//                  every repetition;
//   DjpegFresh     the same into memory of its own for each picture, as the
//                  bubble's decode must (a second summary is over it);
//   BubbleEntry    what the tour does on entering the bubble: the record's
//                  picture read from the archive and decoded into the screen's
//                  layout, a picture bubble made of it over the whole sphere,
//                  and the viewer's panorama map composed from it;
//   BubbleDecode   the record's picture alone (read, decode, release);
//   BubbleCompose  the composition alone, from a picture decoded once.
//
// The summary gives each of ours over the reference, medians of repetitions
// interleaved at random; the entry's target is at most 1.3. The entry stops
// at the composed map: the first view drawn from it and its way to the
// screen are not in it (PanoramaBench times the drawing).
//
//   bench_BubbleEntryBench [--benchmark_* options]
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "MedianRatioReporter.h"
#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchive.h"
#include "engine/archive/MediaArchiveBuilder.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFile.h"
#include "engine/core/VFileSpec.h"
#include "engine/core/VString.h"
#include "engine/core/VTextFile.h"
#include "engine/graphics/LookupTables.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/PixelMapDisplay.h"
#include "engine/graphics/VPicture.h"
#include "engine/panorama/BubbleGeometry.h"
#include "engine/panorama/BubbleViewControl.h"
#include "engine/panorama/PanoramaMap.h"
#include "engine/panorama/VPictureBubble.h"
#include "engine/script/CategoryTables.h"
#include "engine/script/ItemRef.h"
#include "title/tour/BubbleRecord.h"
#include "tests/support/BuildPaths.h"
#include "title/tour/TourMedia.h"

namespace {

// The hall of the sample disc, in the source tree.
std::string HallPath() { return testsupport::SourceDir() + "/content/disc/tour/renders/BU001-hall.jpg"; }

// The picture bubble's id in the viewer, as the tour's navigator uses one.
constexpr uint32_t kPanoramaBubbleId = 1;

struct Panorama {
  std::string name;  // "2048x1024"
  std::string path;  // the JPEG file
  std::string code;  // the bubble's item code, "BU001"
  int32_t width = 0, height = 0;
  int32_t base = 0;  // the bubble's base medium id
};

std::vector<Panorama> gPanoramas;
std::string gDir;

// A bubble entry at a screen depth: the decoder writes the screen's layout and
// the viewer's map is in it too.
struct Entry {
  const Panorama* panorama;
  int32_t depth;  // 16 or 32
};
std::vector<Entry> gEntries;

// The screen, in memory: its map gives the depth and format the pictures
// decode to.
MemoryPixelMapDisplay gDisplay;
std::unique_ptr<PixelMap> gScreen;

void SetScreenDepth(int32_t depth) {
  gDisplay.SetScreenPixelMap(nullptr);
  gScreen = std::make_unique<PixelMap>(VRect(0, 0, 8, 8), depth, nullptr, nullptr, nullptr, PixelMap::kStorageMemory,
                                       GetDefaultPixelFormat(depth));
  gDisplay.SetScreenPixelMap(gScreen.get());
}

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

ItemRef Item(const std::string& code) {
  ItemRef item;
  item.ParseItemRef(VString(code.c_str()));
  return item;
}

// Builds the archive of both bubbles: per bubble its script at the base id
// and its panorama at the next one.
std::unique_ptr<MediaArchive> BuildArchive() {
  std::string script;
  for (const Panorama& p : gPanoramas) {
    const std::string text = gDir + "/" + p.code + ".txt";
    std::ofstream(text, std::ios::binary) << "BUBBLE { ID " << p.code << " }\n";
    script += std::to_string(p.base) + " 40 \"" + text + "\"\n";
    script += std::to_string(p.base + 1) + " 0 \"" + p.path + "\"\n";
  }
  const std::string buildPath = gDir + "/bubbles.build", archivePath = gDir + "/bubbles.msf";
  std::ofstream(buildPath, std::ios::binary) << script;
  {
    VTextFile scriptFile(VFileSpec(buildPath.c_str()), MakeTypeCode("TEXT"), MakeTypeCode("ttxt"));
    VFile archive(VFileSpec(archivePath.c_str()), MakeTypeCode("MSF "), kUnknownFileType);
    const bool built = BuildMediaArchive(scriptFile, archive, nullptr);
    scriptFile.Close();
    archive.Close();
    if (!built) return nullptr;
  }
  auto archive = std::make_unique<MediaArchive>();
  if (!archive->OpenArchive(VFileSpec(archivePath.c_str()), false)) return nullptr;
  return archive;
}

// The reference: the file decoded to RGB rows, as djpeg does before it writes
// the PPM. `fresh`: into memory of its own for each picture, as a program
// that keeps the picture must take (and the bubble's decode does); otherwise
// into the same memory each time, whose pages are then already there.
void Djpeg(benchmark::State& state, const Panorama* panorama, bool fresh) {
  std::vector<uint8_t> pixels;
  for (auto _ : state) {
    if (fresh) std::vector<uint8_t>().swap(pixels);
    FILE* in = std::fopen(panorama->path.c_str(), "rb");
    if (in == nullptr) {
      state.SkipWithError("cannot open the panorama");
      return;
    }
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, in);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    const size_t stride = size_t{cinfo.output_width} * 3;
    pixels.resize(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW row = pixels.data() + stride * cinfo.output_scanline;
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(in);
    benchmark::DoNotOptimize(pixels.data());
  }
}

// A viewer over the tour's space (0..2pi by -pi/2..pi/2), as the navigator is.
std::unique_ptr<BubbleViewControl> MakeViewer() {
  return std::make_unique<BubbleViewControl>(1, 0, VFRect(0.0f, -kBubbleHalfPi, kBubbleTwoPi, kBubbleHalfPi), 0, 0, 0,
                                             640, 480, nullptr);
}

// Shows the picture in the viewer as the navigator does when a bubble is set:
// the old bubbles gone, a picture bubble over the whole sphere, the whole
// space invalid; then the map composed at the picture's depth and format (the
// screen's, which the decoder writes). False when the map is not made or not
// at the picture's width.
bool Compose(BubbleViewControl& viewer, VPicture* picture) {
  viewer.GetRoot()->VBubbleSpaceGraphicObject::DestroyChildren();
  new VPictureBubble(kPanoramaBubbleId, picture, VFRect(0.0f, 0.0f, kBubbleTwoPi, kBubblePi), 0, viewer.GetRoot());
  viewer.InvalidateBubbleRect(nullptr);
  const PixelMap* pixels = picture->GetPixelMap();
  if (!viewer.PreparePanoramaMap(pixels->GetDepth(), pixels->GetPixelFormat())) return false;
  const PanoramaMap* map = viewer.GetPanoramaMap();
  return map != nullptr && map->GetWidth() == pixels->GetWidth();
}

void BubbleEntry(benchmark::State& state, const Entry* entry) {
  SetScreenDepth(entry->depth);
  BubbleRecord record(Item(entry->panorama->code));
  auto viewer = MakeViewer();
  for (auto _ : state) {
    VPicture* picture = record.GetPicture();
    if (picture == nullptr || !Compose(*viewer, picture)) {
      state.SkipWithError("no picture or no map");
      return;
    }
    // The picture bubble keeps its own reference.
    record.ReleasePicture();
  }
}

void BubbleDecode(benchmark::State& state, const Entry* entry) {
  SetScreenDepth(entry->depth);
  BubbleRecord record(Item(entry->panorama->code));
  for (auto _ : state) {
    VPicture* picture = record.GetPicture();
    if (picture == nullptr) {
      state.SkipWithError("no picture");
      return;
    }
    benchmark::DoNotOptimize(picture);
    record.ReleasePicture();
  }
}

void BubbleCompose(benchmark::State& state, const Entry* entry) {
  SetScreenDepth(entry->depth);
  BubbleRecord record(Item(entry->panorama->code));
  VPicture* picture = record.GetPicture();
  auto viewer = MakeViewer();
  if (picture == nullptr) {
    state.SkipWithError("no picture");
    return;
  }
  for (auto _ : state) {
    if (!Compose(*viewer, picture)) {
      state.SkipWithError("no map");
      return;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  char dir[] = "/tmp/ostrevan_bubbleentry_XXXXXX";
  if (!mkdtemp(dir)) return 1;
  gDir = dir;
  const std::string small = gDir + "/hall_2048x1024.jpg", large = gDir + "/hall_4096x2048.jpg";
  std::error_code copied;
  std::filesystem::copy_file(HallPath(), small, copied);
  if (copied || !Run("convert '" + small + "' -resize 4096x2048! -quality 90 '" + large + "'")) {
    std::fprintf(stderr, "cannot make the panoramas from %s (ImageMagick is needed)\n", HallPath().c_str());
    std::filesystem::remove_all(gDir);
    return 1;
  }
  gPanoramas = {{"2048x1024", small, "BU001", 2048, 1024, 3000}, {"4096x2048", large, "BU002", 4096, 2048, 3010}};

  SetupLookupTables();
  std::unique_ptr<MediaArchive> archive = BuildArchive();
  if (!archive) {
    std::fprintf(stderr, "cannot build the bubbles' archive in %s\n", gDir.c_str());
    std::filesystem::remove_all(gDir);
    return 1;
  }
  MediaArchive* previousDefault = SetDefaultMediaArchive(archive.get());
  MediaArchive* previousCurrent = SetCurrentArchive(archive.get());
  MemoryCategoryTables tables;
  for (size_t i = 0; i < gPanoramas.size(); ++i) {
    tables.SetCategoryEntry(kBubbleTable, static_cast<int32_t>(i + 1), static_cast<uint32_t>(gPanoramas[i].base));
  }
  CategoryTables* previousTables = SetCategoryTables(&tables);
  PixelMapDisplay* previousDisplay = SetPixelMapDisplay(&gDisplay);
  for (const Panorama& p : gPanoramas) {
    for (const int32_t depth : {16, 32}) gEntries.push_back({&p, depth});
  }

  for (const Panorama& p : gPanoramas) {
    benchmark::RegisterBenchmark(("Djpeg/" + p.name).c_str(), Djpeg, &p, false)
        ->Apply(benchsupport::MillisecondMedians);
    benchmark::RegisterBenchmark(("DjpegFresh/" + p.name).c_str(), Djpeg, &p, true)
        ->Apply(benchsupport::MillisecondMedians);
  }
  for (const Entry& e : gEntries) {
    const std::string tail = e.panorama->name + "/" + std::to_string(e.depth);
    benchmark::RegisterBenchmark(("BubbleEntry/" + tail).c_str(), BubbleEntry, &e)
        ->Apply(benchsupport::MillisecondMedians);
    benchmark::RegisterBenchmark(("BubbleDecode/" + tail).c_str(), BubbleDecode, &e)
        ->Apply(benchsupport::MillisecondMedians);
    benchmark::RegisterBenchmark(("BubbleCompose/" + tail).c_str(), BubbleCompose, &e)
        ->Apply(benchsupport::MillisecondMedians);
  }
  benchsupport::InitializeInterleaved(argc, argv);
  benchsupport::MedianRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::printf("\nmedians over djpeg's decode to RGB of the same file (size / screen depth):\n");
  for (const Entry& e : gEntries) {
    const std::string tail = e.panorama->name + "/" + std::to_string(e.depth);
    const std::string reference = "Djpeg/" + e.panorama->name;
    reporter.PrintRatio(("bubble entry " + tail).c_str(), "BubbleEntry/" + tail, reference, "target <= 1.3");
    reporter.PrintRatio(("  decode " + tail).c_str(), "BubbleDecode/" + tail, reference);
    reporter.PrintRatio(("  compose " + tail).c_str(), "BubbleCompose/" + tail, reference);
  }
  std::printf("\nthe same over djpeg's decode into memory of its own for each picture:\n");
  for (const Entry& e : gEntries) {
    const std::string tail = e.panorama->name + "/" + std::to_string(e.depth);
    const std::string reference = "DjpegFresh/" + e.panorama->name;
    reporter.PrintRatio(("bubble entry " + tail).c_str(), "BubbleEntry/" + tail, reference, "target <= 1.3");
    reporter.PrintRatio(("  decode " + tail).c_str(), "BubbleDecode/" + tail, reference);
  }

  SetPixelMapDisplay(previousDisplay);
  gScreen.reset();
  SetCategoryTables(previousTables);
  SetCurrentArchive(previousCurrent);
  SetDefaultMediaArchive(previousDefault);
  archive.reset();
  ShutdownLookupTables();
  std::filesystem::remove_all(gDir);
  return 0;
}
