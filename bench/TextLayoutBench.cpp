// Laying out a 20 KB mark-up text in an HTML text control 310 pixels wide
// (Times 12) and drawing its first screen into a 16-bit map, against decoding
// the same bytes from code page 1252 into Unicode once with iconv (a floor:
// every byte has to be looked at once). The ratio of the medians of the
// repetitions (ours / iconv) is printed at the end.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "bench/MedianRatioReporter.h"
#include "engine/controls/VHTMLTextControl.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VFont.h"

namespace {

constexpr int32_t kWidth = 310;
constexpr int32_t kHeight = 200;

// About 20 KB of the mark-up the title's panels use: headings, paragraphs,
// bold and italic runs, links, entities, a list and a small table.
const std::string& MarkupText() {
  static const std::string text = [] {
    std::string t = "<body bgcolor=#FFFFF0><h2>Ostrevan Haus</h2>";
    int n = 0;
    while (t.size() < 20 * 1024) {
      t += "<p>The house stood at the edge of the village for more than three hundred years; its <b>walls</b> "
           "were built of <i>local stone</i> and its roof of slate carried up from the valley &ndash; a long "
           "way for a cart. See <a href=\"#room" + std::to_string(n) + "\">the room</a> or the "
           "<a href=\"item:EV" + std::to_string(n) + "\">event</a> &copy; caf&eacute;.</p>";
      if (n % 4 == 1) t += "<ul><li>The hall</li><li>The kitchen with its hearth</li><li>The attic</li></ul>";
      if (n % 6 == 3) {
        t += "<table border cellpadding=2><tr><td>Year</td><td>Owner</td></tr><tr><td>1702</td><td>Jan "
             "Ostrevan</td></tr></table>";
      }
      t += "<a name=room" + std::to_string(n) + ">" + std::to_string(n) + "</a> <font color=#803020>Note.</font> ";
      ++n;
    }
    return t;
  }();
  return text;
}

void BM_LayoutAndDraw(benchmark::State& state) {
  const std::string& text = MarkupText();
  PixelMap map(VRect(0, 0, kWidth, kHeight), 16, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, kFormat565LE,
               0);
  VFont* font = FindOrCreateFont("Times", 12, 0, nullptr, true);
  VHTMLTextControl control(VControl::kAllocateId, 0, 0, 0, kWidth, kHeight, nullptr, font, nullptr, kAlignLeft,
                           false, 0, nullptr);
  control.SetBackgroundColor(VRGBColor(255, 255, 255));
  DrawPort port(&map);
  for (auto _ : state) {
    control.SetText(new VString(text.c_str(), static_cast<int32_t>(text.size())), false);
    control.DrawContent(&port, VRect(0, 0, kWidth, kHeight));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_LayoutAndDraw)->Unit(benchmark::kMicrosecond)->Repetitions(benchsupport::kRepetitions);

void BM_DecodeToUnicode(benchmark::State& state) {
  const std::string& text = MarkupText();
  std::vector<char32_t> out(text.size() + 1);
  iconv_t cd = iconv_open("UTF-32LE", "CP1252");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv has no CP1252");
    return;
  }
  for (auto _ : state) {
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* o = reinterpret_cast<char*>(out.data());
    size_t outLeft = out.size() * sizeof(char32_t);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    iconv(cd, &in, &inLeft, &o, &outLeft);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  iconv_close(cd);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_DecodeToUnicode)->Unit(benchmark::kMicrosecond)->Repetitions(benchsupport::kRepetitions);

}  // namespace

int main(int argc, char** argv) {
  const std::string heading = "Ratio of medians (" + std::to_string(benchsupport::kRepetitions) + " repetitions each):";
  return benchsupport::RunWithMedianRatios(argc, argv, heading.c_str(), [](const benchsupport::MedianRatioReporter& r) {
    r.PrintRatio("20 KB mark-up layout + draw vs iconv decode", "BM_LayoutAndDraw", "BM_DecodeToUnicode",
                 "target: BM_LayoutAndDraw under 5 ms");
  });
}
