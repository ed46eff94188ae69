// The closing panel on a fake clock: the text pages with the looping
// animation and the first music, the interlude sound, the second animation
// and music, then the end of the program. It reaches the end with its media
// played through a mixer, with its media but no mixer (no sound is heard,
// so none is waited for beyond its length) and with no media at all. Keys:
// any key but Escape and Alt+F4 only skips the text, once; Escape and Alt+F4
// end the program at once. Taking the panel down while the mixer thread still
// plays its sounds lets go of each stream once.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <algorithm>
#include <memory>
#include <ostream>
#include <tuple>
#include <string>
#include <vector>

#include "PanelTestSupport.h"
#include "engine/controls/ControlEvents.h"
#include "engine/core/VEvent.h"
#include "engine/graphics/VPicture.h"
#include "engine/sound/AudioChannel.h"
#include "engine/sound/AudioDecoder.h"
#include "engine/sound/AudioFormat.h"
#include "engine/sound/AudioMixer.h"
#include "engine/sound/MediaAudioStream.h"
#include "engine/sound/SDLAudioDevices.h"
#include "platform/VirtualKeyMap.h"
#include "support/RequireTool.h"
#include "title/controls/AnimatedPicture.h"
#include "title/controls/ResourceTextControl.h"
#include "title/modules/panels/TextPicturePanel.h"

namespace {

// The closing panel with the program's end recorded instead of made.
class ClosingPanel : public TextPicturePanel {
 public:
  int quits = 0;

 protected:
  void EndApplication() override { ++quits; }
};

// Two pages of text; each runs for a fade in and out of its cover.
constexpr const char* kPages = ";0\r\n<kopje>Auf Wiedersehen\r\nDanke.\r\n;0\r\nBis bald.\r\n";

class TextPicturePanelTest : public paneltest::PanelFixture {
 protected:
  // The closing panel's media: 75 frames of each animation (tiny JPEGs),
  // the two musics and the interlude sound (sox, WAVE) and the pages.
  void AddMedia() {
    REQUIRE_TOOL(convert, "convert");
    REQUIRE_TOOL(sox, "sox");
    std::filesystem::create_directories(Path("loop"));
    std::filesystem::create_directories(Path("end"));
    for (int i = 1; i <= 75; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "frame%03d.jpg", i);
      for (const char* folder : {"loop", "end"}) {
        const std::string colour = std::string(folder) == "loop" ? "orange" : "navy";
        ASSERT_EQ(Run("'" + convert + "' -size 32x24 xc:" + colour + " '" + Path(std::string(folder) + "/" + name) +
                      "'"),
                  0);
      }
    }
    extraLines.push_back("-6200 0 " + Quoted("loop/frame001.jpg"));
    extraLines.push_back("-6300 0 " + Quoted("end/frame001.jpg"));
    for (const auto& [id, length, tone] : {std::tuple{6005, "0.6", "440"}, std::tuple{6006, "0.8", "330"},
                                           std::tuple{761, "0.3", "660"}}) {
      const std::string file = std::to_string(id) + ".wav";
      ASSERT_EQ(Run("'" + sox + "' -n -r 22050 -b 16 -c 1 '" + Path(file) + "' synth " + length + " sine " + tone +
                    " gain -12"),
                0);
      (id == 761 ? guiLines : extraLines).push_back(std::to_string(id) + " 0 " + Quoted(file));
    }
    WriteFile("pages.txt", kPages);
    languageLines.push_back("18226 40 " + Quoted("pages.txt") + " 0");
  }

  // Idle passes of 10 ms (with the mixer's output pulled for each when there
  // is one) until the panel asks to quit; the states passed, in order.
  std::vector<int32_t> RunToQuit(ClosingPanel* panel, int passes = 3000) {
    std::vector<int32_t> states{panel->GetState()};
    for (int i = 0; i < passes && panel->quits == 0; ++i) {
      Pass(10);
      if (panel->GetState() != states.back()) states.push_back(panel->GetState());
    }
    return states;
  }

};

struct Case {
  const char* name;
  bool media;
  bool mixer;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class TextPicturePanelSequence : public TextPicturePanelTest, public testing::WithParamInterface<Case> {};

// The whole sequence reaches the end of the program: with the sounds heard
// through a mixer, with the media but nothing that plays them, and with no
// media at all. It passes the states in order (several may pass within one
// idle pass) and waits where it has to: for the text (1), the interlude (3)
// and the second animation (4).
TEST_P(TextPicturePanelSequence, ReachesTheEnd) {
  const Case c = GetParam();
  if (c.media) AddMedia();
  if (HasFatalFailure() || IsSkipped()) return;
  OpenDisc();
  if (HasFatalFailure() || IsSkipped()) return;
  if (c.mixer) StartMixer();
  auto* panel = Show(new ClosingPanel());
  if (c.media) {
    // The first frame is read and shown.
    ASSERT_NE(panel->GetAnimation(), nullptr);
    VPicture* frame = panel->GetAnimation()->GetPicture();  // one reference for the test
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->GetWidth(), 32);
    frame->Release();
  }
  EXPECT_EQ(panel->GetStream(0) != nullptr, c.media) << "the first music";
  EXPECT_EQ(panel->GetChannel() != nullptr, c.media);
  const std::vector<int32_t> states = RunToQuit(panel);
  EXPECT_EQ(panel->quits, 1);
  EXPECT_TRUE(std::is_sorted(states.begin(), states.end())) << testing::PrintToString(states);
  EXPECT_EQ(states.back(), TextPicturePanel::kQuit);
  if (c.media) {
    for (int32_t waited : {1, 3, 4}) {
      EXPECT_NE(std::find(states.begin(), states.end(), waited), states.end())
          << waited << " in " << testing::PrintToString(states);
    }
    EXPECT_EQ(panel->GetStream(0), nullptr) << "the first music was dropped in state 2";
    EXPECT_NE(panel->GetStream(1), nullptr);
    EXPECT_NE(panel->GetStream(2), nullptr);
  }
  if (c.mixer && c.media) {
    // Something other than silence went out.
    bool heard = false;
    for (uint8_t byte : device->Captured()) heard = heard || (byte != 0);
    EXPECT_TRUE(heard);
  }
  // More ticks ask for the end no more.
  for (int i = 0; i < 5; ++i) Pass(10);
  EXPECT_EQ(panel->quits, 1);
  panel->Leave();
  EXPECT_EQ(panel->GetChannel(), nullptr);
  for (int32_t k = 0; k < 3; ++k) EXPECT_EQ(panel->GetStream(k), nullptr);
  owner->panel = nullptr;
  delete panel;
}

INSTANTIATE_TEST_SUITE_P(Media, TextPicturePanelSequence,
                         testing::Values(Case{"MediaHeard", true, true}, Case{"MediaNoMixer", true, false},
                                         Case{"NoMedia", false, false}, Case{"NoMediaMixer", false, true}),
                         [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// Keys and clicks while the pages run: any key or a click skips the rest of
// the text, once, only while the text runs; Escape and Alt+F4 end the
// program at any time.
TEST_F(TextPicturePanelTest, KeysSkipTheTextOrEndTheProgram) {
  AddMedia();
  if (HasFatalFailure() || IsSkipped()) return;
  OpenDisc();
  if (HasFatalFailure() || IsSkipped()) return;
  auto* panel = Show(new ClosingPanel());
  auto* text = dynamic_cast<ResourceTextControl*>(panel->FindObject(TextPicturePanel::kTextId));
  ASSERT_NE(text, nullptr);
  Pass(10);
  EXPECT_EQ(panel->GetState(), TextPicturePanel::kTextRuns);

  VKeyEvent space(0, ' ');
  EXPECT_TRUE(panel->KeyDown(space));
  EXPECT_TRUE(panel->IsSkipRequested());
  EXPECT_EQ(panel->quits, 0);
  // The page fades out and the text ends: the sequence goes on.
  for (int i = 0; i < 1000 && panel->GetState() == TextPicturePanel::kTextRuns; ++i) Pass(10);
  EXPECT_EQ(panel->GetState(), TextPicturePanel::kTextEnded) << "the text ended after its page";
  EXPECT_FALSE(text->IsVisible());
  const int32_t state = panel->GetState();
  EXPECT_TRUE(panel->KeyDown(space));
  EXPECT_TRUE(panel->HandleEvent(kEventReleased, TextPicturePanel::kBackgroundId, 0));
  EXPECT_EQ(panel->GetState(), state) << "a second key does nothing more";
  EXPECT_EQ(panel->quits, 0);

  struct Case {
    const char* name;
    uint32_t virtualKey;
    uint8_t character;
    uint16_t modifiers;
  };
  for (const Case c : {Case{"Escape", 27, 0, 0}, Case{"Escape character", 0, 27, 0},
                       Case{"Alt+F4", platform::kKeyF4, 0, kModifierAlt}}) {
    SCOPED_TRACE(c.name);
    panel->quits = 0;
    VKeyEvent key(c.character, c.virtualKey);
    key.character = c.character;
    key.modifiers = c.modifiers;
    // A fresh panel each time: the end is asked once per panel.
    owner->panel = nullptr;
    delete panel;
    panel = Show(new ClosingPanel());
    EXPECT_TRUE(panel->KeyDown(key));
    EXPECT_EQ(panel->quits, 1);
    EXPECT_FALSE(panel->IsSkipRequested()) << "it does not skip";
  }
  // Keys pressed in the window reach the panel past its children.
  owner->panel = nullptr;
  delete panel;
  panel = Show(new ClosingPanel());
  bench->Key(0x20);
  EXPECT_TRUE(panel->IsSkipRequested()) << "space skips";
  EXPECT_EQ(panel->quits, 0);
  bench->Key(27);
  EXPECT_EQ(panel->quits, 1) << "Escape ends";
  // F4 without Alt only skips.
  owner->panel = nullptr;
  delete panel;
  panel = Show(new ClosingPanel());
  VKeyEvent f4(0, platform::kKeyF4);
  f4.modifiers = 0;
  EXPECT_TRUE(panel->KeyDown(f4));
  EXPECT_EQ(panel->quits, 0);
  EXPECT_TRUE(panel->IsSkipRequested());
}

// The panel taken down while the mixer thread plays the interlude: its
// channel stops, each stream is let go once and the mixer goes on rendering
// without touching what the panel freed (run under the address sanitizer).
TEST_F(TextPicturePanelTest, TakeDownWhileTheMixerPlays) {
  AddMedia();
  if (HasFatalFailure() || IsSkipped()) return;
  OpenDisc();
  if (HasFatalFailure() || IsSkipped()) return;
  StartMixer();
  auto* panel = Show(new ClosingPanel());
  panel->Skip();
  for (int i = 0; i < 1000 && panel->GetState() < TextPicturePanel::kInterlude; ++i) Pass(10);
  ASSERT_EQ(panel->GetState(), TextPicturePanel::kInterlude);
  ASSERT_NE(panel->GetChannel(), nullptr);
  EXPECT_TRUE(panel->GetChannel()->IsPlaying());
  Pass(10);
  // As the window closes it: take-down, then deletion.
  owner->panel = nullptr;
  panel->Leave();
  panel->Leave();  // a second take-down finds nothing left to free
  delete panel;
  for (int i = 0; i < 20; ++i) device->PullFrames(220);
}

}  // namespace
