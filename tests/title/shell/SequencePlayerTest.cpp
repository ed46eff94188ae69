// The sequence player on a fake clock: picture levels along their envelopes,
// the owner messages of an empty document, pause then resume, pictures
// loaded one lead ahead so that none shows late, and the player deleted with
// the control it lies in.
#include "title/shell/SequencePlayer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/controls/ControlTestSupport.h"
#include "engine/controls/VPictureControl.h"
#include "engine/graphics/PictureFileReader.h"
#include "engine/graphics/PixelMapAttributes.h"
#include "engine/graphics/VPicture.h"
#include "support/RequireTool.h"
#include "support/TempDir.h"
#include "title/shell/Channel.h"
#include "title/shell/PictureItem.h"
#include "title/shell/Sequence.h"
#include "title/shell/SequenceDocument.h"
#include "title/shell/SoundItem.h"
#include "title/shell/TitleRunLog.h"

namespace {

using controltest::Bench;
using controltest::Log;

constexpr uint32_t kStartTick = 50000;

class SequencePlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bench_.clock().SetStepPerRead(0);
    PassAt(0);
  }
  // An idle pass at ms after the start tick.
  void PassAt(uint32_t ms) {
    bench_.clock().SetTickCount(kStartTick + ms);
    bench_.Idle();
  }
  // A channel with one picture; the document owns it.
  PictureItem* AddPicture(int32_t start, int32_t rise, int32_t sustain, int32_t decay, int32_t opacity) {
    auto* channel = new Channel(&document_);
    auto* picture = new PictureItem();
    picture->SetStart(start);
    picture->SetRise(rise);
    picture->SetSustain(sustain);
    picture->SetDecay(decay);
    picture->SetOpacity(opacity);
    picture->SetBounds(10, 10, 50, 40);
    channel->InsertItem(picture);
    document_.InsertChannel(channel, INT32_MAX);
    return picture;
  }
  SequencePlayer* MakePlayer() {
    auto* player = new SequencePlayer(77, 0, 0, 0, 200, 150, bench_.recorder);
    player->SetDocument(&document_);
    bench_.log.clear();
    return player;
  }

  Bench bench_;
  SequenceDocument document_;
};

TEST_F(SequencePlayerTest, PictureLevelsFollowTheEnvelopeAndOpacity) {
  struct Case {
    int32_t opacity;
    uint32_t at;  // ms after playing starts
    int32_t level;
  };
  const Case cases[] = {
      {63, 0, 0}, {63, 500, 31}, {63, 1000, 63}, {63, 1500, 63},  // rise 1000 from start 0
      {31, 1500, 31},                                             // in the sustain
      {63, 2500, 31},                                             // half the decay
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "opacity " << c.opacity << " at " << c.at);
    document_.RemoveChannelAt(0, true);
    PictureItem* picture = AddPicture(0, 1000, 1000, 1000, c.opacity);
    SequencePlayer* player = MakePlayer();
    PassAt(0);
    player->Play();
    EXPECT_TRUE(document_.IsPlaying());
    PassAt(c.at);
    EXPECT_EQ(picture->GetShownLevel(), c.level);
    EXPECT_EQ(player->GetPosition(), static_cast<int32_t>(c.at));
    delete player;
  }
}

TEST_F(SequencePlayerTest, PictureNotYetStartedIsNotShownAndAppearsAtItsStart) {
  AddPicture(0, 0, 4000, 0, 63);
  PictureItem* later = AddPicture(1000, 1000, 1000, 0, 63);
  SequencePlayer* player = MakePlayer();
  player->Play();
  PassAt(500);
  EXPECT_EQ(later->GetShownLevel(), -1);
  PassAt(1000);
  EXPECT_EQ(later->GetShownLevel(), 0);
  PassAt(1500);
  EXPECT_EQ(later->GetShownLevel(), 31);
  PassAt(3000);
  EXPECT_EQ(later->GetShownLevel(), -1);  // past its end: hidden
  delete player;
}

TEST_F(SequencePlayerTest, EmptyDocumentFinishesOnTheFirstStep) {
  SequencePlayer* player = MakePlayer();
  player->Play();
  EXPECT_EQ(bench_.log, (Log{"114 77"}));
  PassAt(10);
  EXPECT_EQ(bench_.log, (Log{"114 77", "115 77", "117 0", "116 77"}));
  EXPECT_FALSE(player->IsPlaying());
  EXPECT_FALSE(document_.IsPlaying());
  PassAt(20);
  EXPECT_EQ(bench_.log.size(), 4u);
  delete player;
}

TEST_F(SequencePlayerTest, ReachingTheEndStopsAtTheDuration) {
  AddPicture(0, 0, 2000, 0, 63);
  SequencePlayer* player = MakePlayer();
  player->Play();
  PassAt(1999);
  EXPECT_TRUE(player->IsPlaying());
  PassAt(2100);
  EXPECT_FALSE(player->IsPlaying());
  EXPECT_EQ(player->GetPosition(), 2000);
  EXPECT_EQ(bench_.log, (Log{"114 77", "115 77", "117 2000", "116 77"}));
  delete player;
}

TEST_F(SequencePlayerTest, PauseThenResumeContinuesFromThePausedTime) {
  PictureItem* picture = AddPicture(0, 1000, 1000, 1000, 63);
  SequencePlayer* player = MakePlayer();
  player->Play();
  PassAt(400);
  player->Pause();
  EXPECT_FALSE(player->IsPlaying());
  EXPECT_FALSE(document_.IsPlaying());
  EXPECT_EQ(player->GetPosition(), 400);
  PassAt(5000);  // time passes while paused: nothing moves
  EXPECT_EQ(player->GetPosition(), 400);
  player->Resume();
  EXPECT_TRUE(document_.IsPlaying());
  PassAt(5100);
  EXPECT_EQ(player->GetPosition(), 500);
  EXPECT_EQ(picture->GetShownLevel(), 31);
  EXPECT_EQ(bench_.log, (Log{"114 77", "114 77"}));
  delete player;
}

TEST_F(SequencePlayerTest, SeekHoldsTheTimeWithinTheDocument) {
  AddPicture(0, 0, 3000, 0, 63);
  SequencePlayer* player = MakePlayer();
  struct Case {
    int64_t time;
    int32_t position;
  };
  for (const Case c : {Case{-50, 0}, Case{1200, 1200}, Case{99999, 3000}, Case{INT64_MIN, 0}}) {
    player->Seek(c.time);
    EXPECT_EQ(player->GetPosition(), c.position) << c.time;
  }
  EXPECT_EQ(bench_.log, (Log{"117 0", "117 1200", "117 3000", "117 0"}));
  delete player;
}

TEST_F(SequencePlayerTest, PictureFileIsShownInAViewWhoseLevelFollowsTheEnvelope) {
  REQUIRE_TOOL(convert, "convert");
  testsupport::TempDir dir("ostrevan_seqplayer_");
  const std::string jpeg = dir.Path("slide.jpg");
  ASSERT_EQ(std::system(("'" + convert + "' -size 40x30 xc:red '" + jpeg + "'").c_str()), 0);
  struct Case {
    VRect bounds;
    bool scaled;
    VPoint at;  // the view's top-left in the window
  };
  // 0 x 0 bounds: the picture's own size, centred on the 200 x 150 player.
  for (const Case& c : {Case{VRect(0, 0, 0, 0), false, VPoint(80, 60)}, Case{VRect(10, 20, 30, 35), true, VPoint(10, 20)},
                        Case{VRect(5, 6, 45, 36), false, VPoint(5, 6)}}) {
    SCOPED_TRACE(testing::Message() << c.bounds.right);
    document_.RemoveChannelAt(0, true);
    PictureItem* picture = AddPicture(0, 1000, 1000, 0, 63);
    picture->SetBounds(c.bounds.left, c.bounds.top, c.bounds.right, c.bounds.bottom);
    picture->SetFile(VFileSpec(jpeg.c_str()));
    SequencePlayer* player = MakePlayer();
    PassAt(0);
    player->Play();
    PassAt(500);
    VPictureControl* view = picture->PeekView();
    ASSERT_NE(view, nullptr);
    ASSERT_NE(view->PeekPicture(), nullptr);
    EXPECT_EQ(view->PeekPicture()->GetFullBounds().GetWidth(), 40);
    EXPECT_NE(view->GetId(), PictureItem::kViewId);  // an id of its own from the pool
    EXPECT_EQ(view->IsScaled(), c.scaled);
    VRect global;
    view->GetGlobalBounds(global);
    EXPECT_EQ(VPoint(global.left, global.top), c.at);
    PixelMapAttributes attributes;
    ASSERT_TRUE(view->GetPixelAttributes(attributes));
    EXPECT_EQ(picture->GetShownLevel(), 31);
    EXPECT_EQ(attributes.GetLevel(), 31);
    PassAt(1200);
    ASSERT_TRUE(view->GetPixelAttributes(attributes));
    EXPECT_EQ(attributes.GetLevel(), 63);
    EXPECT_EQ(attributes.flags & PixelMapAttributes::kLevel, 0u);  // opaque: no level at all
    player->Stop();
    EXPECT_EQ(picture->PeekView(), nullptr);
    delete player;
    EXPECT_EQ(picture->PeekPicture(), nullptr);  // the player unloads the media it leaves
  }
}

// While playing, the area each view covers is redrawn as its level changes:
// a picture shown at its own size (bounds without size, centred) as well as
// one scaled to its bounds.
TEST_F(SequencePlayerTest, PlayingRedrawsTheViewsWhoseLevelChanged) {
  REQUIRE_TOOL(convert, "convert");
  testsupport::TempDir dir("ostrevan_seqplayer_");
  const std::string jpeg = dir.Path("slide.jpg");
  ASSERT_EQ(std::system(("'" + convert + "' -size 40x30 xc:'rgb(255,0,0)' '" + jpeg + "'").c_str()), 0);
  // The pictures load at the depth of the window's map, as the program's do
  // at the display's.
  const ScopedLoadPixelFormat depth(16);
  struct Case {
    VRect bounds;
    VPoint inside;  // a point of the view in the window
  };
  for (const Case& c : {Case{VRect(0, 0, 0, 0), VPoint(100, 75)}, Case{VRect(10, 20, 90, 80), VPoint(50, 50)}}) {
    SCOPED_TRACE(testing::Message() << c.bounds.right);
    document_.RemoveChannelAt(0, true);
    PictureItem* picture = AddPicture(0, 1000, 1000, 0, 63);
    picture->SetBounds(c.bounds.left, c.bounds.top, c.bounds.right, c.bounds.bottom);
    picture->SetFile(VFileSpec(jpeg.c_str()));
    SequencePlayer* player = MakePlayer();
    bench_.Redraw();
    EXPECT_EQ(bench_.PixelAt(c.inside.x, c.inside.y), 0x000000u);

    PassAt(0);
    player->Play();
    PassAt(500);
    const uint32_t half = bench_.PixelAt(c.inside.x, c.inside.y);
    EXPECT_GT(half >> 16, 0x40u) << std::hex << half;
    EXPECT_LT(half >> 16, 0xC0u) << std::hex << half;
    PassAt(1200);
    EXPECT_EQ(bench_.PixelAt(c.inside.x, c.inside.y) >> 16, 0xFFu);

    delete player;
    bench_.Redraw();
  }
}

// A document that loads media one second ahead, as slide shows do.
class LeadDocument : public SequenceDocument {
 public:
  LeadDocument() { preloadLead_ = 1000; }
};

TEST_F(SequencePlayerTest, NextPictureIsLoadedOneLeadAheadAndTheLastOneUnloaded) {
  REQUIRE_TOOL(convert, "convert");
  testsupport::TempDir dir("ostrevan_seqplayer_");
  const std::string jpeg = dir.Path("slide.jpg");
  ASSERT_EQ(std::system(("'" + convert + "' -size 16x16 xc:blue '" + jpeg + "'").c_str()), 0);
  LeadDocument document;
  PictureItem* pictures[2] = {};
  for (int i = 0; i < 2; ++i) {
    auto* channel = new Channel(&document);
    pictures[i] = new PictureItem();
    pictures[i]->SetStart(i * 3000);
    pictures[i]->SetSustain(3000);
    pictures[i]->SetFile(VFileSpec(jpeg.c_str()));
    channel->InsertItem(pictures[i]);
    document.InsertChannel(channel, INT32_MAX);
  }
  auto* player = new SequencePlayer(78, 0, 0, 0, 200, 150, bench_.recorder);
  player->SetDocument(&document);
  PassAt(0);
  player->Play();
  PassAt(1500);
  EXPECT_NE(pictures[0]->PeekView(), nullptr);
  EXPECT_EQ(pictures[1]->PeekPicture(), nullptr);
  PassAt(2100);  // within a second of its start: loaded, not yet shown
  EXPECT_NE(pictures[1]->PeekPicture(), nullptr);
  EXPECT_EQ(pictures[1]->PeekView(), nullptr);
  PassAt(3100);  // the first is left behind and let go
  EXPECT_NE(pictures[1]->PeekView(), nullptr);
  EXPECT_EQ(pictures[0]->PeekView(), nullptr);
  EXPECT_EQ(pictures[0]->PeekPicture(), nullptr);
  delete player;
  EXPECT_EQ(pictures[1]->PeekPicture(), nullptr);
}

TEST_F(SequencePlayerTest, ResumeAtTheStartPlays) {
  PictureItem* picture = AddPicture(0, 1000, 1000, 0, 63);
  SequencePlayer* player = MakePlayer();
  PassAt(0);
  player->Resume();
  EXPECT_TRUE(player->IsPlaying());
  EXPECT_TRUE(document_.IsPlaying());
  PassAt(500);
  EXPECT_EQ(picture->GetShownLevel(), 31);
  EXPECT_EQ(bench_.log, (Log{"114 77"}));
  delete player;
}

TEST_F(SequencePlayerTest, SoundFileGivesItsLengthAndIsLoadedAndLetGo) {
  REQUIRE_TOOL(sox, "sox");
  testsupport::TempDir dir("ostrevan_seqplayer_");
  const std::string wave = dir.Path("music.wav");
  ASSERT_EQ(std::system(("'" + sox + "' -n -r 22050 -c 1 -b 16 '" + wave + "' synth 1.5 sine 440").c_str()), 0);
  Sequence sequence{VString("")};
  const VFileSpec file(wave.c_str());
  sequence.SetSound(&file, 0.8);
  auto* sound = static_cast<SoundItem*>(sequence.GetSoundItem());
  EXPECT_EQ(sound->GetSustain(), 1500);
  EXPECT_EQ(sound->GetVolume(), 80);
  EXPECT_EQ(sound->PeekStream(), nullptr);  // measured on a stream of its own
  sound->LoadMedia();
  ASSERT_NE(sound->PeekStream(), nullptr);
  EXPECT_EQ(sound->GetSoundLength(), 1500);
  sound->UnloadMedia(false);
  EXPECT_EQ(sound->PeekStream(), nullptr);
  // A missing file: no stream and no length.
  sound->SetFile(VFileSpec(dir.Path("missing.wav").c_str()));
  sound->LoadMedia();
  EXPECT_EQ(sound->PeekStream(), nullptr);
  EXPECT_EQ(sound->GetSoundLength(), 0);
}

// A slide show of three pictures, each cross-fading into the next, played
// at 25 frames a second. A Sequence loads each picture one lead (1000 ms)
// before its start, so no picture change waits for its decoding; a document
// without a lead decodes each in the step that shows it, which the player
// counts and logs as late.
TEST_F(SequencePlayerTest, WithThePreloadLeadNoPictureChangeIsLate) {
  REQUIRE_TOOL(convert, "convert");
  testsupport::TempDir dir("ostrevan_seqplayer_");
  std::string text;
  const char* colours[] = {"red", "green", "blue"};
  for (int i = 0; i < 3; ++i) {
    const std::string jpeg = dir.Path(std::string(colours[i]) + ".jpg");
    ASSERT_EQ(std::system(("'" + convert + "' -size 426x320 xc:" + colours[i] + " '" + jpeg + "'").c_str()), 0);
    // Starts off the 40 ms frame grid: the change comes 20 ms after the start.
    const int32_t start = i == 0 ? 0 : 3000 * i - 980;
    text += "channel { item picture { start " + std::to_string(start) + " rise " + (i == 0 ? "0" : "1000") +
            " sustain 2000 decay 1000 file \"" + jpeg + "\" opacity 1.00 bounds 0 0 0 0 } }\r\n";
  }
  std::vector<std::string> log;
  title_run_log::SetSink([&log](const std::string& line) { log.push_back(line); });
  const struct {
    const char* name;
    bool lead;
    std::vector<std::string> late;
  } cases[] = {
      {"a sequence loads one lead ahead", true, {}},
      {"a document without a lead", false,
       {"sequence player: picture of channel 1 shown 20 ms late",
        "sequence player: picture of channel 2 shown 20 ms late"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    log.clear();
    std::unique_ptr<SequenceDocument> document;
    if (c.lead) {
      document = std::make_unique<Sequence>(VString(text.c_str()));
    } else {
      document = std::make_unique<SequenceDocument>(VString(text.c_str()));
    }
    auto* player = new SequencePlayer(79, 0, 0, 0, 426, 320, bench_.recorder);
    player->SetDocument(document.get());
    PassAt(0);
    player->Play();
    for (uint32_t t = 40; player->IsPlaying(); t += 40) PassAt(t);
    EXPECT_EQ(player->GetPosition(), document->GetDuration());
    EXPECT_EQ(player->GetLatePictureCount(), static_cast<int32_t>(c.late.size()));
    EXPECT_EQ(log, c.late);
    delete player;
  }
  title_run_log::SetSink(nullptr);
}

// Deleting a tree of controls deletes the leaves first: the pictures' views
// go before the player that shows them, and the player then lets go of its
// document without touching a view that is gone.
TEST_F(SequencePlayerTest, DeletingTheControlThePlayerLiesInWhilePlaying) {
  REQUIRE_TOOL(convert, "convert");
  testsupport::TempDir dir("ostrevan_seqplayer_");
  const std::string jpeg = dir.Path("slide.jpg");
  ASSERT_EQ(std::system(("'" + convert + "' -size 40x30 xc:red '" + jpeg + "'").c_str()), 0);
  for (const bool playing : {true, false}) {
    SCOPED_TRACE(playing ? "playing" : "stopped");
    document_.RemoveChannelAt(0, true);
    PictureItem* picture = AddPicture(0, 1000, 1000, 0, 63);
    picture->SetFile(VFileSpec(jpeg.c_str()));
    auto* container = new VControl(257, 5, 0, 0, 0, 200, 150, bench_.recorder);
    auto* player = new SequencePlayer(80, 0, 0, 0, 200, 150, container);
    player->SetDocument(&document_);
    PassAt(0);
    if (playing) player->Play();
    PassAt(500);
    ASSERT_NE(picture->PeekView(), nullptr);
    delete container;
    EXPECT_EQ(picture->PeekView(), nullptr);
    EXPECT_EQ(picture->PeekPicture(), nullptr);
    EXPECT_FALSE(document_.IsPlaying());
    EXPECT_EQ(document_.GetListener(), nullptr);
  }
}

}  // namespace
