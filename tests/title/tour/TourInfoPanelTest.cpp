// The tour's information overlay on a fake clock, over an archive of aspect
// titles and texts: the titles in the byte order of `LC_ALL=C sort -s` (the
// oracle), the page unfolding (94) and folding away (95, then 105 on every
// tick) with its animation deleted, the close button (93), the list
// scrolling at once and then after 671, 642 ... 149 and every 120 ms, the
// jump to an initial letter, the text's scroll bar only for a text taller
// than its box, the empty list, the partly hidden fifth row, pointer moves
// beside the page left to the tour, and bad aspect tables and texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "TourTestSupport.h"
#include "engine/controls/ControlTestSupport.h"
#include "engine/controls/DeferredDeletion.h"
#include "engine/controls/VPictureScrollBar.h"
#include "engine/controls/VTextControl.h"
#include "engine/core/VTask.h"
#include "engine/graphics/DrawPort.h"
#include "engine/sound/SoundManager.h"
#include "support/Subprocess.h"
#include "title/controls/AnimatedPictureControl.h"
#include "title/controls/AppTaskListControl.h"
#include "title/controls/TitleSoundTable.h"
#include "title/tour/TourInfoPanel.h"

namespace {

using controltest::Log;

std::string Str(const VString& text) {
  return text.GetChars() != nullptr ? std::string(text.GetChars(), static_cast<size_t>(text.GetLength())) : "";
}

// One aspect: its number in the table and its two texts (no title medium
// when `title` is null).
struct Aspect {
  int32_t number;
  const char* title;
  std::string text;
};

// A 24-bit BMP whose pixel (x, y) (from the top) has the colour 0xRRGGBB
// that `colour` gives.
template <typename Colour>
std::string Bmp(int32_t width, int32_t height, Colour colour) {
  const int32_t stride = (width * 3 + 3) / 4 * 4;
  const int32_t size = 54 + stride * height;
  std::string b(static_cast<size_t>(size), '\0');
  auto put = [&b](size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  b[0] = 'B';
  b[1] = 'M';
  put(2, static_cast<uint32_t>(size), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<uint32_t>(width), 4);
  put(22, static_cast<uint32_t>(height), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t rgb = colour(x, height - 1 - y);
      put(54 + static_cast<size_t>(y * stride + x * 3), rgb, 3);  // stored blue, green, red
    }
  }
  return b;
}

// The page's colour, and the width of the paper in fold frame k (centred,
// black around it).
constexpr uint32_t kPaper = 0xE8D8B8;
int32_t FoldWidth(int32_t k) { return 12 + k * 255 / 11; }

constexpr int32_t kBase = 20000;
int32_t BaseOf(int32_t number) { return kBase + 10 * number; }

// Where the arrows and the list lie on the page.
constexpr int32_t kUpArrowX = 231, kUpArrowY = 81;
constexpr int32_t kDownArrowX = 231, kDownArrowY = 165;
constexpr int32_t kListX = 260, kListTop = 90, kRow = 17;

// A control under the panel standing for the tour: a grey backdrop that
// logs the pointer moves reaching it.
class TourStandIn : public VControl {
 public:
  TourStandIn(Log* log, VGraphicObject* parent) : VControl(0, 2, 0, 0, 0, 640, 480, parent), log_(log) {}
  bool MouseMove(const VMouseEvent& event) override {
    log_->push_back("tour move " + std::to_string(event.x) + "," + std::to_string(event.y));
    return true;
  }
  void DrawContent(DrawPort* port, const VRect& rect) override {
    const VRGBColor grey(64, 96, 128);
    if (port != nullptr) port->FillRect(rect, &grey, nullptr, 1, 0, 0);
  }

 private:
  Log* log_;
};

class TourInfoPanelTest : public tourtest::TourFixture {
 protected:
  TourInfoPanelTest() : TourFixture({"sort", "sed"}) {}

  void TearDown() override {
    if (bench) {
      FlushDeferredDeletions();
      bench.reset();
    }
    DestroySoundManager();
    TourFixture::TearDown();
  }

  // The archive with the aspects (title base + 1, text base + 2) and the
  // heading, the table entries, the bench and the panel (hidden).
  void Start(const std::vector<Aspect>& aspects, std::vector<std::string> extraLines = {}) {
    std::vector<std::string> lines;
    // The page's buttons and the text's scroll bar (the buttons take their
    // pictures' sizes).
    const struct {
      int32_t id, width, height;
    } pictures[] = {{16090, 12, 7},  {16091, 12, 7},  {16095, 12, 7},  {16096, 12, 7},  {16100, 14, 14},
                    {16101, 14, 14}, {16102, 14, 14}, {16201, 9, 153}, {16202, 9, 20},  {16210, 9, 13},
                    {16211, 9, 13},  {16212, 9, 13},  {16220, 9, 13},  {16221, 9, 13},  {16222, 9, 13}};
    for (const auto& p : pictures) {
      const uint32_t shade = static_cast<uint32_t>(p.id % 200) << 16 | 0x6432;
      lines.push_back(CopyLine(p.id, Bmp(p.width, p.height, [shade](int32_t, int32_t) { return shade; }), "bmp"));
    }
    lines.push_back(CopyLine(16000, Bmp(267, 353, [](int32_t, int32_t) { return kPaper; }), "bmp"));
    for (int32_t k = 0; k < (withFoldFrames ? 12 : 0); ++k) {
      const int32_t left = (267 - FoldWidth(k)) / 2;
      const int32_t right = left + FoldWidth(k);
      lines.push_back(CopyLine(16010 + k, Bmp(267, 353, [left, right](int32_t x, int32_t) {
                                 return x >= left && x < right ? kPaper : 0u;
                               }),
                               "bmp"));
    }
    // The texts last, in the order given (the last one ends the archive).
    lines.push_back(TextLine(TourInfoPanel::kHeadingTextId, "Aspekte des Hauses"));
    for (const Aspect& a : aspects) {
      if (a.title != nullptr) lines.push_back(TextLine(BaseOf(a.number) + 1, a.title));
      lines.push_back(TextLine(BaseOf(a.number) + 2, a.text));
      ASSERT_TRUE(tables_.SetCategoryEntry(TourInfoPanel::kAspectTable, a.number,
                                           static_cast<uint32_t>(BaseOf(a.number))));
    }
    for (std::string& line : extraLines) lines.push_back(std::move(line));
    BuildArchives(lines);
    if (HasFatalFailure()) return;
    MakePanel();
  }

  void MakePanel() {
    bench = std::make_unique<controltest::Bench>(640, 480);
    bench->clock().SetStepPerRead(0);
    InstallTitleSoundTable().SetTriggerListener([this](int32_t index) { sounds.push_back(index); });
    tour = new TourStandIn(&bench->log, bench->recorder);
    panel = new TourInfoPanel(TourInfoPanel::kPanelId, 0, 0, 40, 640, 480, bench->recorder);
  }

  // An idle pass as the application runs it: the requests for passes due
  // are forgotten first.
  void Pass(uint32_t ms = 10) {
    bench->clock().AdvanceMilliseconds(ms);
    ClearIdlePassRequests(bench->Now());
    bench->Idle();
  }
  // Shows the panel and idles until it has reported 94.
  bool Open() {
    panel->Show();
    for (int i = 0; i < 200; ++i) {
      Pass();
      if (Count("94 14420") > 0) return true;
    }
    return false;
  }
  // The owner messages of the panel that reached the recorder, in order.
  Log OwnerMessages() {
    Log out;
    for (const std::string& e : bench->log) {
      for (const char* code : {"93 ", "94 ", "95 ", "105 "}) {
        if (e.rfind(code, 0) == 0) out.push_back(e);
      }
    }
    return out;
  }
  int Count(const std::string& entry) const {
    return static_cast<int>(std::count(bench->log.begin(), bench->log.end(), entry));
  }
  std::vector<std::string> Titles() const {
    std::vector<std::string> out;
    for (const VString& t : panel->GetTitles()) out.push_back(Str(t));
    return out;
  }
  std::string ShownText() const { return Str(*panel->GetTextControl()->GetText()); }
  std::string ShownTitle() const { return Str(*panel->GetTitleControl()->GetText()); }
  // A click with the press held long enough for a picture button.
  void Click(int32_t x, int32_t y) {
    bench->clock().SetStepPerRead(1000000ull);
    bench->Click(x, y);
    bench->clock().SetStepPerRead(0);
  }

  std::unique_ptr<controltest::Bench> bench;
  TourInfoPanel* panel = nullptr;  // the bench's window owns it
  TourStandIn* tour = nullptr;     // under the panel
  std::vector<int32_t> sounds;
  bool withFoldFrames = false;  // the twelve frames of the unfolding page
};

// The titles as `LC_ALL=C sort -s` orders them (a first small letter a-z
// made a capital with sed first), each with its aspect's place in table
// order; the list shows them so, and each title shows its own aspect's text.
TEST_F(TourInfoPanelTest, TitlesAreInTheByteOrderOfSort) {
  const std::vector<Aspect> aspects = {
      {1, "baugeschichte", "Text 1"},
      {2, "Die Familie Ostrevan", "Text 2"},
      {3, "K\xFC" "che und Tisch", "Text 3"},
      {5, "Kueche", "Text 5"},
      {6, "Ku", "Text 6"},
      {9, "zimmer", "Text 9"},
      {10, "Zimmer", "Text 10"},
      {11, "\xC4pfel", "Text 11"},
      {12, "\xE4pfel", "Text 12"},
      {14, "1872", "Text 14"},
      {15, "Die Familie Ostrevan", "Text 15"},
      {17, "Die Familie", "Text 17"},
      {20, "(Anmerkung)", "Text 20"},
      {21, "a", "Text 21"},
      {22, "Z", "Text 22"},
      {30, "Die familie Ostrevan", "Text 30"},
      {31, "Baugeschichte", "Text 31"},
  };
  Start(aspects);
  if (HasFatalFailure()) return;
  // The oracle: "title<TAB>place" lines, sorted stably on the title alone.
  std::string input;
  for (size_t k = 0; k < aspects.size(); ++k) input += std::string(aspects[k].title) + "\t" + std::to_string(k) + "\n";
  {
    std::ofstream(Path("titles.txt"), std::ios::binary) << input;
  }
  const std::string sorted = testsupport::Capture("LC_ALL=C sed 's/^[a-z]/\\U&/' '" + Path("titles.txt") +
                                                  "' | LC_ALL=C sort -s -t '\t' -k1,1");
  std::vector<std::string> wantTitles;
  std::vector<int32_t> wantOrder;
  std::istringstream lines(sorted);
  for (std::string line; std::getline(lines, line);) {
    const size_t tab = line.find('\t');
    ASSERT_NE(tab, std::string::npos) << line;
    wantTitles.push_back(line.substr(0, tab));
    wantOrder.push_back(std::stoi(line.substr(tab + 1)));
  }
  ASSERT_EQ(wantTitles.size(), aspects.size());
  EXPECT_EQ(Titles(), wantTitles);
  EXPECT_EQ(panel->GetOrder(), wantOrder);
  EXPECT_EQ(panel->GetCount(), static_cast<int32_t>(aspects.size()));
  EXPECT_EQ(panel->GetList()->GetItemCount(), panel->GetCount());
  EXPECT_EQ(panel->GetList()->GetVisibleItems(), 4);

  ASSERT_TRUE(Open());
  for (int32_t i = 0; i < panel->GetCount(); ++i) {
    const int32_t top = std::min(i, panel->GetCount() - 4);
    panel->GetList()->SetItems(panel->GetTitles().data(), panel->GetCount(), 4, top);
    ASSERT_TRUE(panel->HandleEvent(TourInfoPanel::kMessageListClicked, static_cast<uint32_t>(i), 0));
    EXPECT_EQ(panel->GetSelected(), i);
    EXPECT_EQ(ShownTitle(), wantTitles[static_cast<size_t>(i)]);
    EXPECT_EQ(ShownText(), aspects[static_cast<size_t>(wantOrder[static_cast<size_t>(i)])].text);
  }
}

// Show unfolds the page (sound 49, the animation forward); on its arrival
// the page's controls appear and on the next tick the first title is chosen
// and 94 goes out once. The close button sends 93 (sound 3). Hide folds it
// back: on the animation's arrival at frame 0 the panel is hidden and the
// animation deleted (its pointer cleared), on the next tick 95, and 105 on
// every tick after that. Shown again, the page opens without its animation.
TEST_F(TourInfoPanelTest, ThePageOpensAndFoldsAwayWithItsMessages) {
  Start({{1, "Garten", "Kohl und Bohnen"}, {2, "Diele", "Eine Diele"}});
  if (HasFatalFailure()) return;
  ASSERT_NE(panel->GetAnimation(), nullptr);
  EXPECT_FALSE(panel->IsVisible());
  EXPECT_TRUE(panel->GetAnimation()->IsVisible());
  EXPECT_FALSE(panel->GetList()->IsVisible());
  EXPECT_EQ(panel->GetSelected(), -1);

  panel->Show();
  EXPECT_TRUE(panel->IsVisible());
  EXPECT_TRUE(panel->IsOpening());
  EXPECT_EQ(sounds, std::vector<int32_t>{TourInfoPanel::kSoundPage});
  EXPECT_TRUE(panel->GetAnimation()->IsTurning());
  // The animation arrives in a pass's task step; the tick of the same pass
  // reports.
  int passes = 0;
  while (panel->GetAnimation()->IsVisible() && passes < 200) {
    EXPECT_EQ(OwnerMessages(), Log{}) << "nothing before it has opened";
    EXPECT_FALSE(panel->GetList()->IsVisible());
    Pass();
    ++passes;
  }
  ASSERT_FALSE(panel->GetAnimation()->IsVisible()) << "the page has opened";
  EXPECT_GT(passes, 5);
  EXPECT_EQ(panel->GetAnimation()->GetCurrentFrame(), 11);
  EXPECT_TRUE(panel->GetList()->IsVisible());
  EXPECT_TRUE(panel->FindObject(TourInfoPanel::kPageId)->IsVisible());
  EXPECT_EQ(OwnerMessages(), Log{"94 14420"});
  EXPECT_FALSE(panel->IsOpening());
  EXPECT_EQ(panel->GetSelected(), 0);
  EXPECT_EQ(ShownTitle(), "Diele");
  EXPECT_EQ(ShownText(), "Eine Diele");
  EXPECT_TRUE(panel->FindObject(TourInfoPanel::kMarkerId)->IsVisible());
  Pass();
  Pass();
  EXPECT_EQ(OwnerMessages(), Log{"94 14420"}) << "once";

  sounds.clear();
  bench->log.clear();
  Click(435, 52);
  EXPECT_EQ(OwnerMessages(), Log{"93 14420"});
  EXPECT_NE(std::find(sounds.begin(), sounds.end(), TourInfoPanel::kSoundClose), sounds.end());

  sounds.clear();
  bench->log.clear();
  panel->Hide();
  EXPECT_TRUE(panel->IsClosing());
  EXPECT_EQ(sounds, std::vector<int32_t>{TourInfoPanel::kSoundPage});
  EXPECT_FALSE(panel->GetList()->IsVisible());
  EXPECT_TRUE(panel->GetAnimation()->IsVisible());
  passes = 0;
  while (panel->GetAnimation() != nullptr && passes < 200) {
    EXPECT_EQ(OwnerMessages(), Log{});
    EXPECT_FALSE(panel->IsClosed());
    Pass();
    ++passes;
  }
  ASSERT_EQ(panel->GetAnimation(), nullptr) << "folded away: the animation is gone";
  EXPECT_GT(passes, 5);
  EXPECT_TRUE(panel->IsClosed());
  EXPECT_FALSE(panel->IsVisible());
  EXPECT_EQ(panel->FindObject(TourInfoPanel::kAnimationId), nullptr);
  EXPECT_EQ(OwnerMessages(), Log{"95 14420"});
  Pass();
  Pass();
  EXPECT_EQ(OwnerMessages(), (Log{"95 14420", "105 14420", "105 14420"}));

  // Shown again (an owner that keeps it): no animation is left to run, and
  // nothing touches the deleted one.
  bench->log.clear();
  panel->Show();
  EXPECT_TRUE(panel->GetList()->IsVisible());
  Pass(1);
  EXPECT_EQ(OwnerMessages().front(), "94 14420");
}

// The unfolding page on screen: each frame shows its paper in the page's
// colour (the frames are not dithered down to 8 bits) with the tour behind
// its keyed black, and a narrower frame leaves nothing of a wider one.
TEST_F(TourInfoPanelTest, TheFoldFramesShowThePaperAndWhatLiesBehind) {
  withFoldFrames = true;
  Start({{1, "A", "a"}});
  if (HasFatalFailure()) return;
  bench->Redraw();
  const uint32_t behind = bench->PixelAt(190, 300);
  const auto near = [](uint32_t got, uint32_t want) {
    for (int shift : {16, 8, 0}) {
      if (std::abs(static_cast<int>((got >> shift) & 0xFF) - static_cast<int>((want >> shift) & 0xFF)) > 8) return false;
    }
    return true;
  };
  ASSERT_FALSE(near(behind, kPaper));
  panel->Show();
  while (panel->GetAnimation()->GetCurrentFrame() < 6) Pass();
  const int32_t frame = panel->GetAnimation()->GetCurrentFrame();
  const int32_t paperLeft = 186 + (267 - FoldWidth(frame)) / 2;
  EXPECT_TRUE(near(bench->PixelAt(319, 200), kPaper)) << std::hex << bench->PixelAt(319, 200);
  EXPECT_TRUE(near(bench->PixelAt(paperLeft + 2, 300), kPaper));
  EXPECT_EQ(bench->PixelAt(paperLeft - 2, 300), behind);
  ASSERT_TRUE(Open());
  EXPECT_TRUE(near(bench->PixelAt(190, 300), kPaper)) << "the open page";
  panel->Hide();
  while (panel->GetAnimation() != nullptr && panel->GetAnimation()->GetCurrentFrame() > 5) Pass();
  ASSERT_NE(panel->GetAnimation(), nullptr);
  EXPECT_EQ(bench->PixelAt(190, 300), behind) << "nothing left of the wider frames";
  EXPECT_TRUE(near(bench->PixelAt(319, 300), kPaper));
  while (panel->GetAnimation() != nullptr) Pass();
  EXPECT_EQ(bench->PixelAt(319, 300), behind) << "folded away";
}

// A page folded before it had opened reports 94 and then 95, and chooses no
// title.
TEST_F(TourInfoPanelTest, APageClosedWhileOpeningReportsBoth) {
  Start({{1, "Garten", "Kohl"}});
  if (HasFatalFailure()) return;
  panel->Show();
  Pass();
  Pass();
  panel->Hide();
  for (int i = 0; i < 200 && panel->GetAnimation() != nullptr; ++i) Pass();
  EXPECT_EQ(OwnerMessages(), (Log{"94 14420", "95 14420"}));
  EXPECT_EQ(panel->GetSelected(), -1);
}

// With the pointer on an arrow the list moves a title at once, then after
// 671, 642, 613 ... 149 ms and every 120 ms from then on, each step asking
// the loop for a pass in time. Leaving the arrow stops it and starts the
// delays anew; the arrow's own repeats of its pointer-entered event change
// nothing meanwhile. At either end the list stays where it is.
TEST_F(TourInfoPanelTest, TheListScrollsAtOnceThenFasterUntilEvery120Ms) {
  std::vector<Aspect> aspects;
  std::vector<std::string> names;
  for (int32_t n = 1; n <= 40; ++n) names.push_back("Titel " + std::string(n < 10 ? "0" : "") + std::to_string(n));
  for (int32_t n = 1; n <= 40; ++n) aspects.push_back({n, names[static_cast<size_t>(n - 1)].c_str(), "T"});
  Start(aspects);
  if (HasFatalFailure()) return;
  ASSERT_TRUE(Open());
  EXPECT_EQ(panel->GetTop(), 0);
  Pass();

  bench->Move(kDownArrowX, kDownArrowY);
  EXPECT_EQ(panel->GetTop(), 1) << "the first step at once";
  EXPECT_EQ(panel->GetList()->GetFirstItem(), 1);
  uint32_t requested = 0;
  ASSERT_TRUE(GetRequestedIdlePass(requested));
  EXPECT_EQ(requested, panel->GetNextScrollTick());

  const std::vector<int32_t> expected = {671, 642, 613, 584, 555, 526, 497, 468, 439, 410, 381, 352,
                                         323, 294, 265, 236, 207, 178, 149, 120, 120, 120, 120};
  std::vector<int32_t> delays;
  int32_t top = panel->GetTop();
  int32_t since = 0;
  while (delays.size() < expected.size() && since < 1000) {
    Pass(1);
    ++since;
    if (panel->GetTop() != top) {
      EXPECT_EQ(panel->GetTop(), top + 1);
      top = panel->GetTop();
      delays.push_back(since);
      since = 0;
      ASSERT_TRUE(GetRequestedIdlePass(requested));
      EXPECT_EQ(requested, panel->GetNextScrollTick());
    }
  }
  EXPECT_EQ(delays, expected);
  EXPECT_EQ(panel->GetList()->GetFirstItem(), panel->GetTop());

  // Off the arrow: no more steps; back on it: a step at once, 671 ms later
  // the next.
  bench->Move(320, 300);
  EXPECT_FALSE(panel->IsScrolling());
  EXPECT_EQ(panel->GetScrollDelay(), TourInfoPanel::kFirstScrollDelay);
  top = panel->GetTop();
  for (int i = 0; i < 100; ++i) Pass(10);
  EXPECT_EQ(panel->GetTop(), top);
  bench->Move(kUpArrowX, kUpArrowY);
  EXPECT_EQ(panel->GetTop(), top - 1);
  for (int i = 0; i < 670; ++i) Pass(1);
  EXPECT_EQ(panel->GetTop(), top - 1);
  Pass(1);
  EXPECT_EQ(panel->GetTop(), top - 2);
  bench->Move(320, 300);

  // At either end the list stays, however long the pointer rests there.
  bench->Move(kUpArrowX, kUpArrowY);
  for (int i = 0; i < 1500; ++i) Pass(10);
  EXPECT_EQ(panel->GetTop(), 0);
  EXPECT_TRUE(panel->IsScrolling());
  bench->Move(320, 300);
  bench->Move(kDownArrowX, kDownArrowY);
  for (int i = 0; i < 1500; ++i) Pass(10);
  EXPECT_EQ(panel->GetTop(), 36);
  EXPECT_EQ(panel->GetList()->GetFirstItem(), 36);
  EXPECT_TRUE(panel->IsScrolling());
  // Hide stops the scrolling.
  panel->Hide();
  EXPECT_FALSE(panel->IsScrolling());
}

// A letter shows the titles from the first whose initial is not below it,
// the last four at most and never above the first title; other keys are
// not the panel's.
TEST_F(TourInfoPanelTest, ALetterJumpsToItsInitialWithinTheList) {
  const struct {
    std::vector<const char*> titles;
    uint32_t key;
    int32_t top;
    bool taken;
  } cases[] = {
      {{"Alpha", "Beta", "Delta", "Kappa", "Lambda", "My", "Ny", "Omega", "Pi"}, 'K', 3, true},
      {{"Alpha", "Beta", "Delta", "Kappa", "Lambda", "My", "Ny", "Omega", "Pi"}, 'C', 2, true},
      {{"Alpha", "Beta", "Delta", "Kappa", "Lambda", "My", "Ny", "Omega", "Pi"}, 'A', 0, true},
      {{"Alpha", "Beta", "Delta", "Kappa", "Lambda", "My", "Ny", "Omega", "Pi"}, 'O', 5, true},
      {{"Alpha", "Beta", "Delta", "Kappa", "Lambda", "My", "Ny", "Omega", "Pi"}, 'Z', 5, true},
      {{"alpha", "beta", "delta", "kappa", "lambda", "my"}, 'L', 2, true},
      {{"Alpha", "Beta", "Gamma"}, 'Z', 0, true},
      {{"Alpha", "Beta", "Gamma"}, 'G', 0, true},
      {{"Alpha"}, 'B', 0, true},
      {{}, 'M', 0, true},
      {{"Alpha", "Beta", "Delta", "Kappa", "Lambda", "My"}, '5', 0, false},
      {{"Alpha", "Beta", "Delta", "Kappa", "Lambda", "My"}, 0x28 /* down */, 0, false},
  };
  // One archive holds every title; each case makes its own table.
  std::vector<std::string> names;
  for (const auto& c : cases) {
    for (const char* title : c.titles) {
      if (std::find(names.begin(), names.end(), title) == names.end()) names.push_back(title);
    }
  }
  std::vector<Aspect> all;
  for (size_t k = 0; k < names.size(); ++k) all.push_back({static_cast<int32_t>(k), names[k].c_str(), "T"});
  Start(all);
  if (HasFatalFailure()) return;
  int32_t index = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(index++);
    FlushDeferredDeletions();
    bench.reset();
    DestroySoundManager();
    tables_ = MemoryCategoryTables();
    int32_t number = 1;
    for (const char* title : c.titles) {
      const auto k = static_cast<int32_t>(std::find(names.begin(), names.end(), title) - names.begin());
      ASSERT_TRUE(tables_.SetCategoryEntry(9, number++, static_cast<uint32_t>(BaseOf(k))));
    }
    MakePanel();
    ASSERT_TRUE(Open());
    const VKeyEvent event(static_cast<uint8_t>(c.key), c.key);
    EXPECT_EQ(panel->KeyDown(event), c.taken);
    EXPECT_EQ(panel->GetTop(), c.top);
    EXPECT_EQ(panel->GetList()->GetFirstItem(), c.top);
  }
  // Through the window, with the key's own character.
  bench->Key('A');
  EXPECT_EQ(panel->GetTop(), 0);
}

// The text's scroll bar: none for a text that fits its box; one whose range
// is the text's overflow for a taller text, the text at its top; choosing a
// short text after it removes it.
TEST_F(TourInfoPanelTest, TheTextHasAScrollBarOnlyWhenItOverflows) {
  std::string longText;
  for (int i = 0; i < 60; ++i) longText += "Zeile " + std::to_string(i) + " des langen Textes\n";
  Start({{1, "Kurz", "Ein kurzer Text."}, {2, "Lang", longText}, {3, "Mittel", "Zwei\nZeilen"}});
  if (HasFatalFailure()) return;
  ASSERT_TRUE(Open());
  EXPECT_EQ(ShownTitle(), "Kurz");
  EXPECT_EQ(panel->GetScrollBar(), nullptr);

  ASSERT_TRUE(panel->HandleEvent(TourInfoPanel::kMessageListClicked, 1, 0));
  EXPECT_EQ(ShownTitle(), "Lang");
  VPictureScrollBar* bar = panel->GetScrollBar();
  ASSERT_NE(bar, nullptr);
  VTextControl* text = panel->GetTextControl();
  EXPECT_GT(text->GetMax(0), 0);
  EXPECT_EQ(bar->VScrollBar::GetMaximum(), text->GetMax(0));
  EXPECT_EQ(text->GetScrollBar(0), static_cast<VScrollBar*>(bar));
  EXPECT_EQ(text->GetPosition(0), 0);
  VRect bounds;
  bar->GetGlobalBounds(bounds);
  EXPECT_EQ(bounds, VRect(413, 197, 422, 350));
  EXPECT_TRUE(bar->IsShown());
  // Scrolled, then another long choice starts again at the top.
  text->ScrollTo(40, 0);
  ASSERT_TRUE(panel->HandleEvent(TourInfoPanel::kMessageListClicked, 1, 0));
  EXPECT_EQ(text->GetPosition(0), 0);
  EXPECT_EQ(panel->FindObject(TourInfoPanel::kThumbId)->GetParentObject(), panel->GetScrollBar());

  ASSERT_TRUE(panel->HandleEvent(TourInfoPanel::kMessageListClicked, 2, 0));
  EXPECT_EQ(ShownTitle(), "Mittel");
  EXPECT_EQ(panel->GetScrollBar(), nullptr);
  EXPECT_EQ(panel->FindObject(TourInfoPanel::kThumbId), nullptr);
  EXPECT_EQ(text->GetScrollBar(0), nullptr);

  // Hidden with the page, shown with it.
  ASSERT_TRUE(panel->HandleEvent(TourInfoPanel::kMessageListClicked, 1, 0));
  panel->ShowControls(false, false);
  EXPECT_FALSE(panel->GetScrollBar()->IsVisible());
  panel->ShowControls(true, false);
  EXPECT_TRUE(panel->GetScrollBar()->IsVisible());
}

// Without aspects the panel opens and closes as always; nothing is chosen,
// the arrows and letters move nothing and a click in the list selects
// nothing.
TEST_F(TourInfoPanelTest, AnEmptyListOpensWithNothingToChoose) {
  Start({}, {TextLine(30000, "unused")});
  if (HasFatalFailure()) return;
  EXPECT_EQ(panel->GetCount(), 0);
  ASSERT_TRUE(Open());
  EXPECT_EQ(panel->GetSelected(), -1);
  EXPECT_EQ(ShownText(), "");
  EXPECT_EQ(panel->GetScrollBar(), nullptr);
  bench->Move(kDownArrowX, kDownArrowY);
  EXPECT_EQ(panel->GetTop(), 0);
  bench->Move(kUpArrowX, kUpArrowY);
  for (int i = 0; i < 100; ++i) Pass(10);
  EXPECT_EQ(panel->GetTop(), 0);
  bench->Move(320, 300);
  EXPECT_TRUE(panel->KeyDown(VKeyEvent('Q', 'Q')));
  EXPECT_EQ(panel->GetTop(), 0);
  bench->Click(kListX, kListTop + 5);
  panel->SelectItem(0);
  EXPECT_TRUE(panel->HandleEvent(TourInfoPanel::kMessageListClicked, 0, 0));
  EXPECT_EQ(panel->GetSelected(), -1);
  panel->Hide();
  for (int i = 0; i < 200 && panel->GetAnimation() != nullptr; ++i) Pass();
  EXPECT_EQ(OwnerMessages(), (Log{"94 14420", "95 14420"}));
}

// The list's height leaves a fifth row partly shown below the four: with
// the last four titles on show it lies past the last title, and neither a
// click there nor that row's number selects anything; rows within the list
// select their titles.
TEST_F(TourInfoPanelTest, TheFifthRowNeverReachesPastTheList) {
  Start({{1, "A1", "a1"}, {2, "A2", "a2"}, {3, "A3", "a3"}, {4, "A4", "a4"}, {5, "A5", "a5"}});
  if (HasFatalFailure()) return;
  ASSERT_TRUE(Open());
  bench->Move(kDownArrowX, kDownArrowY);
  bench->Move(320, 300);
  ASSERT_EQ(panel->GetTop(), 1);
  ASSERT_EQ(panel->GetSelected(), 0);

  panel->SelectItem(4);  // top 1 + row 4 = 5 titles: past the end
  EXPECT_EQ(panel->GetSelected(), 0);
  EXPECT_TRUE(panel->HandleEvent(TourInfoPanel::kMessageListClicked, 5, 0));
  EXPECT_TRUE(panel->HandleEvent(TourInfoPanel::kMessageListClicked, 0xFFFFFFFFu, 0));
  EXPECT_EQ(panel->GetSelected(), 0);
  Click(kListX, kListTop + 4 * kRow + 2);  // the fifth row
  EXPECT_EQ(panel->GetSelected(), 0);
  EXPECT_EQ(ShownText(), "a1");

  Pass(1000);  // not a double click
  Click(kListX, kListTop + 3 * kRow + 5);  // the fourth row shows the last title
  EXPECT_EQ(panel->GetSelected(), 4);
  EXPECT_EQ(ShownTitle(), "A5");
  EXPECT_EQ(ShownText(), "a5");
  panel->SelectItem(-1);  // the title above the first shown
  EXPECT_EQ(ShownTitle(), "A1");
  panel->SelectItem(-2);
  EXPECT_EQ(ShownTitle(), "A1");
}

// Pointer moves over the page are the panel's; beside it (the page's edges
// included) they go on to the tour below. Over the list they reach the list,
// past the page's texts: its highlight follows the pointer.
TEST_F(TourInfoPanelTest, MovesBesideThePageGoToTheTourAndOverTheListToTheList) {
  Start({{1, "A", "a"}, {2, "B", "b"}, {3, "C", "c"}});
  if (HasFatalFailure()) return;
  ASSERT_TRUE(Open());
  const struct {
    int32_t x, y;
    bool tour;
  } moves[] = {{100, 100, true}, {185, 200, true}, {186, 200, false}, {453, 378, false}, {454, 378, true},
               {300, 24, true},  {300, 25, false}, {600, 450, true},  {300, 250, false}, {300, 70, false}};
  for (const auto& m : moves) {
    bench->log.clear();
    const VMouseEvent event(VPoint(m.x, m.y), 0, 0, 0);
    EXPECT_EQ(panel->MouseMove(event), !m.tour) << m.x << "," << m.y;
    bench->Move(m.x, m.y);
    EXPECT_EQ(Count("tour move " + std::to_string(m.x) + "," + std::to_string(m.y)), m.tour ? 1 : 0)
        << m.x << "," << m.y;
  }
  bench->Move(kListX, kListTop + kRow + 5);
  EXPECT_EQ(panel->GetList()->GetHoveredItem(), 1);
  Pass(300);
  EXPECT_TRUE(panel->GetList()->IsResting());
}

// Sounds of the close button: 4 when the pointer comes over it, 3 on its
// click (with 93).
TEST_F(TourInfoPanelTest, TheCloseButtonSoundsAndAsksToClose) {
  Start({{1, "A", "a"}});
  if (HasFatalFailure()) return;
  ASSERT_TRUE(Open());
  sounds.clear();
  bench->Move(436, 53);
  EXPECT_EQ(sounds, std::vector<int32_t>{TourInfoPanel::kSoundOverClose});
  bench->log.clear();
  Click(436, 53);
  EXPECT_EQ(OwnerMessages(), Log{"93 14420"});
  ASSERT_FALSE(sounds.empty());
  EXPECT_EQ(sounds.back(), TourInfoPanel::kSoundClose);
}

// Bad aspects: entries of none (-1, 0, 0xFFFF in the low half) are no
// aspects; an aspect without its title medium gets an empty title, one
// whose base leaves no room for its text ids gets an empty text; titles and
// texts with mark-up, braces, unknown words, control characters and
// Windows line ends are listed as they are; a title and a text of 100,000
// characters are taken. The panel opens with all of it.
TEST_F(TourInfoPanelTest, BadAspectsStillOpenWithWhatIsValid) {
  std::string hugeTitle = "r";
  hugeTitle.append(99999, 'x');
  std::string hugeText;
  while (hugeText.size() < 100000) hugeText += "Wort ";
  Start({{1, nullptr, "ohne Titel"},
         {2, "<html><b>Fett</b>", "<font resid=999>unbekannt</font>"},
         {3, "{ UNBEKANNT 12 }", "SCHLUESSEL { WERT } }}}"},
         {4, "Zeile\r\n", "a\tb\x01\x7F\r\n"},
         {5, hugeTitle.c_str(), hugeText}},
        {TextLine(65535, "am Rand")});
  if (HasFatalFailure()) return;
  ASSERT_TRUE(tables_.SetCategoryEntry(9, 6, 0xFFFFFFFFu));
  ASSERT_TRUE(tables_.SetCategoryEntry(9, 7, 0x0001FFFFu));
  ASSERT_TRUE(tables_.SetCategoryEntry(9, 8, 65534));  // title 65535, text 65536: none
  FlushDeferredDeletions();
  bench.reset();
  DestroySoundManager();
  MakePanel();

  EXPECT_EQ(panel->GetCount(), 6);
  const std::vector<std::string> titles = Titles();
  ASSERT_EQ(titles.size(), 6u);
  EXPECT_EQ(titles[0], "");
  EXPECT_EQ(titles[1], "<html><b>Fett</b>");
  EXPECT_EQ(titles[2], "Am Rand");
  EXPECT_EQ(titles[3], "R" + hugeTitle.substr(1));
  EXPECT_EQ(titles[4], "Zeile\r\n");
  EXPECT_EQ(titles[5], "{ UNBEKANNT 12 }");
  ASSERT_TRUE(Open());
  const std::vector<std::string> texts = {"ohne Titel", "<font resid=999>unbekannt</font>", "", hugeText,
                                          "a\tb\x01\x7F\r\n", "SCHLUESSEL { WERT } }}}"};
  for (int32_t i = 0; i < 6; ++i) {
    panel->GetList()->SetItems(panel->GetTitles().data(), 6, 4, std::min(i, 2));
    ASSERT_TRUE(panel->HandleEvent(TourInfoPanel::kMessageListClicked, static_cast<uint32_t>(i), 0));
    EXPECT_EQ(ShownText(), texts[static_cast<size_t>(i)]) << i;
    EXPECT_EQ(panel->GetScrollBar() != nullptr, i == 3) << i;
  }
  bench->Redraw();
}

// An archive cut short inside the last aspect's text: the panel opens with
// the titles, and that text shows as far as it was read.
TEST_F(TourInfoPanelTest, ATextCutShortShowsWhatWasRead) {
  std::string text;
  for (int i = 0; i < 50; ++i) text += "Satz " + std::to_string(i) + ". ";
  Start({{1, "Erster", "eins"}, {2, "Zweiter", text}});
  if (HasFatalFailure()) return;
  const auto size = std::filesystem::file_size(Path("main.msf"));
  std::filesystem::resize_file(Path("main.msf"), size - text.size() / 2);
  FlushDeferredDeletions();
  bench.reset();
  DestroySoundManager();
  MakePanel();
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Erster", "Zweiter"}));
  ASSERT_TRUE(Open());
  EXPECT_EQ(ShownText(), "eins");
  ASSERT_TRUE(panel->HandleEvent(TourInfoPanel::kMessageListClicked, 1, 0));
  const std::string shown = ShownText();
  EXPECT_LT(shown.size(), text.size());
  EXPECT_GT(shown.size(), 0u);
  EXPECT_EQ(text.compare(0, shown.size(), shown), 0) << shown;
}

// A table that answers for every number up to 100,000: only its 1000
// entries are aspects; equal titles keep their table order.
TEST_F(TourInfoPanelTest, OnlyTheTablesThousandEntriesAreRead) {
  class WideTables : public CategoryTables {
   public:
    bool GetCategoryEntry(int32_t category, int32_t number, uint32_t& entry) const override {
      if (category != 9 || number < 0 || number >= 100000) return false;
      entry = static_cast<uint32_t>(kBase + 10 * (number % 3));
      return true;
    }
  } wide;
  Start({{0, "Gleich", "g"}, {1, "Anders", "a"}, {2, "Gleich", "h"}});
  if (HasFatalFailure()) return;
  FlushDeferredDeletions();
  bench.reset();
  DestroySoundManager();
  const ScopedCategoryTables scoped(&wide);
  MakePanel();
  ASSERT_EQ(panel->GetCount(), 1000);
  const std::vector<int32_t>& order = panel->GetOrder();
  const std::vector<std::string> titles = Titles();
  for (int32_t i = 0; i < 1000; ++i) {
    EXPECT_EQ(titles[static_cast<size_t>(i)], i < 333 ? "Anders" : "Gleich") << i;
    if (i > 0 && titles[static_cast<size_t>(i)] == titles[static_cast<size_t>(i - 1)]) {
      EXPECT_LT(order[static_cast<size_t>(i - 1)], order[static_cast<size_t>(i)]) << i;
    }
  }
  ASSERT_TRUE(Open());
  EXPECT_EQ(ShownText(), "a");
  panel->GetList()->SetItems(panel->GetTitles().data(), 1000, 4, 996);
  ASSERT_TRUE(panel->HandleEvent(TourInfoPanel::kMessageListClicked, 999, 0));
  EXPECT_EQ(ShownText(), order[999] % 3 == 0 ? "g" : "h");
}

}  // namespace
