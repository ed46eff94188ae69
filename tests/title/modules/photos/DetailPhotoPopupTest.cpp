// The detail photo pop-up in the tour view, as the main panel's registry
// makes it: the opening transition from the navigator's view to the
// photograph (1000 ms, 94 at its end with the photograph on show), the
// still removed on the next tick, clicks on regions (sound 62, owner
// message 138 for a hotspot), the closing transition (the pop-up is
// deleted only after its own 95, the photograph's picture untouched), and
// an item without media that reports at once.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/app/MessagePointer.h"
#include "engine/controls/VPictureControl.h"
#include "engine/graphics/PictureFileReader.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VPicture.h"
#include "platform/PointerWarp.h"
#include "title/controls/HotspotMaskControl.h"
#include "title/modules/photos/DetailPhotoItem.h"
#include "title/modules/photos/DetailPhotoPopup.h"
#include "title/modules/photos/PhotoScreens.h"
#include "title/modules/photos/PhotoTestSupport.h"
#include "title/shell/ScreenRegistry.h"
#include "title/tour/BubbleRecord.h"
#include "title/tour/TourNavigator.h"
#include "title/tour/TourView.h"
#include "title/tour/TourViewHost.h"

namespace {

using phototest::Bmp;
using phototest::Code;
using phototest::Item;
using phototest::SolidBmp;
using phototest::StripeMask;

// The pixels of two maps are the same (same size and depth).
bool SamePixels(PixelMap* a, PixelMap* b) {
  if (a == nullptr || b == nullptr || a->GetWidth() != b->GetWidth() || a->GetHeight() != b->GetHeight() ||
      a->GetDepth() != b->GetDepth()) {
    return false;
  }
  PixelMapLock lockA(a);
  PixelMapLock lockB(b);
  const size_t rowBytes = static_cast<size_t>(a->GetWidth()) * static_cast<size_t>((a->GetDepth() + 7) / 8);
  for (int32_t y = 0; y < a->GetHeight(); ++y) {
    if (std::memcmp(a->GetPixelAddress(VPoint(0, y)), b->GetPixelAddress(VPoint(0, y)), rowBytes) != 0) return false;
  }
  return true;
}

// The share of the pixels (16-bit maps of one size) that are equal.
double EqualShare(PixelMap* a, PixelMap* b) {
  if (a->GetWidth() != b->GetWidth() || a->GetHeight() != b->GetHeight() || a->GetDepth() != 16 ||
      b->GetDepth() != 16) {
    return 0;
  }
  PixelMapLock lockA(a);
  PixelMapLock lockB(b);
  int64_t equal = 0;
  for (int32_t y = 0; y < a->GetHeight(); ++y) {
    for (int32_t x = 0; x < a->GetWidth(); ++x) {
      equal += std::memcmp(a->GetPixelAddress(VPoint(x, y)), b->GetPixelAddress(VPoint(x, y)), 2) == 0 ? 1 : 0;
    }
  }
  return static_cast<double>(equal) / (static_cast<double>(a->GetWidth()) * a->GetHeight());
}

// The shell's side as the main panel gives it: the pop-up from the registry.
class RegistryHost : public TourViewHost {
 public:
  void SetWaitCursor(bool) override {}
  void ShowSavedCaption() override {}
  void SetStatusText(const VString&, bool) override {}
  void SwitchMode(int32_t, int32_t) override {}
  PictureFrameControl* MakeDetailPhotoPopup(const ItemRef& item, VGraphicObject* parent) override {
    const ScreenMaker* maker = ScreenRegistry::Find(DetailPhotoPopup::kKind);
    if (maker == nullptr) return nullptr;
    ScreenRequest request;
    request.kind = DetailPhotoPopup::kKind;
    request.id = VControl::kAllocateId;
    request.layer = 2;
    request.width = 640;
    request.height = 480;
    request.owner = parent;
    request.item = &item;
    popup = dynamic_cast<DetailPhotoPopup*>(maker->make(request));
    return popup;
  }
  DetailPhotoPopup* popup = nullptr;
};

class DetailPhotoPopupTest : public phototest::PhotoFixture {
 protected:
  DetailPhotoPopupTest() : PhotoFixture({"convert"}) {}

  void SetUp() override {
    PhotoFixture::SetUp();
    if (HasFatalFailure()) return;
    // Pictures load at the title's screen depth, which the transitions work
    // in (the fixture's teardown puts the previous depth back).
    SetLoadPixelFormat(16);
    ASSERT_EQ(imgtest::RunCommand("convert -size 512x256 gradient:orange-navy '" + Path("pano.jpg") + "'"), 0);
    const std::string pano = testsupport::ReadBytes(Path("pano.jpg"));
    auto bubble = [](const char* id, const char* item) {
      return std::string("BUBBLE { ID ") + id + " DEFAULTVIEWANGLE 1 0 HOTSPOTS { HOTSPOT { ID BU002 HITRECT 0.9 -0.2 1.1 0.2 INFO " + item + " } } }";
    };
    BuildArchives({
        TextLine(3000, bubble("BU001", "DF001")), CopyLine(3001, pano, "jpg"),
        TextLine(3100, bubble("BU002", "DF004")), CopyLine(3101, pano, "jpg"),
        TextLine(21000,
                 "DETAILPHOTO { ID DF001 HOTSPOTS { HOTSPOT { MASKINDEX 1 INFO BU012 } HOTSPOT { MASKINDEX 2 INFO "
                 "VI001 } } }"),
        // A photograph of colour bands; regions in four columns (0 none,
        // 1 and 2 hotspots, 3 without one).
        CopyLine(21001, Bmp(640, 480, 24, [](int32_t x, int32_t y) {
                   return static_cast<uint32_t>(((x / 40) * 16) << 16 | ((y / 30) * 16) << 8 | 0x40);
                 }), "bmp"),
        CopyLine(21002, SolidBmp(640, 480, 0xFFFFFF), "bmp"),
        CopyLine(21003, StripeMask(640, 480, 4), "bmp"),
        TextLine(21004, "Der Schreibtisch"),
        TextLine(21005, "Das Kassenbuch"),
    });
    SetEntry(1, 1, 3000);
    SetEntry(1, 2, 3100);
    SetEntry(DetailPhotoItem::kTable, 1, 21000);
    RegisterPhotoScreens();
    bench->recorder->onEvent = [this](uint32_t code, uint32_t value, uint32_t) {
      if (code == DetailPhotoPopup::kMessageOpenItem) {
        const ItemRef* item = MessagePointerAs<ItemRef>(value);
        opened.push_back(item != nullptr ? Code(*item) : "null");
      }
      if (code == DetailPhotoPopup::kOwnerShown && host.popup != nullptr &&
          value == static_cast<uint32_t>(host.popup->GetId())) {
        // At the opening's end the still shows what the photograph shows.
        VPictureControl* still = host.popup->GetStill();
        HotspotMaskControl* photo = host.popup->GetPhotograph();
        VPicture* stillPicture = still != nullptr ? still->GetPicture() : nullptr;
        VPicture* photoPicture = photo != nullptr ? photo->GetPicture() : nullptr;
        stillWasPhoto = stillPicture != nullptr && photoPicture != nullptr &&
                        SamePixels(stillPicture->GetPixelMap(), photoPicture->GetPixelMap());
        if (stillPicture != nullptr) stillPicture->Release();
        if (photoPicture != nullptr) photoPicture->Release();
      }
    };
    view = new TourView(TourView::kViewId, 0, 0, 0, 640, 480, bench->recorder);
    view->SetHost(&host);
  }

  void TearDown() override {
    ScreenRegistry::Unregister(12);
    ScreenRegistry::Unregister(DetailPhotoPopup::kKind);
    PhotoFixture::TearDown();
  }

  // Into the bubble, uncovered, then a click on its hotspot in the middle.
  void OpenFrom(const char* bubble) {
    view->EnterBubble(new BubbleRecord(Item(bubble)));
    ASSERT_TRUE(view->HideCover());
    for (int i = 0; i < 200 && view->GetState() != TourView::kNavigating; ++i) Run(10, 10);
    ASSERT_EQ(view->GetState(), TourView::kNavigating);
    bench->Move(321, 240);
    bench->Click(320, 240);
    ASSERT_TRUE(view->HasPopup());
    EXPECT_TRUE(view->HandleEvent(TourView::kMessageModeSwitched, 0, 0));
    EXPECT_EQ(view->GetState(), TourView::kPopupOpen);
  }

  platform::RecordingPointerWarp warp;
  platform::ScopedPointerWarpBackend scopedWarp{&warp};
  RegistryHost host;
  TourView* view = nullptr;
  std::vector<std::string> opened;
  bool stillWasPhoto = false;
};

TEST_F(DetailPhotoPopupTest, OpensOverTheViewAndClosesAfterItsOwnReport) {
  OpenFrom("BU001");
  DetailPhotoPopup* popup = host.popup;
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->GetKind(), 13);
  EXPECT_TRUE(Item("DF001").IsItemVisited());
  const std::string shown = "94 " + std::to_string(popup->GetId());
  ASSERT_NE(popup->GetStill(), nullptr);
  EXPECT_TRUE(view->GetNavigator()->IsAtRest());
  // The transition starts from the navigator's view (no frame was buffered
  // here: the view drawn now), not from black.
  {
    ASSERT_EQ(view->GetNavigator()->GetFrameBuffer(), nullptr);
    VPicture* still = popup->GetStill()->GetPicture();
    PixelMap* stillMap = still->GetPixelMap();
    PixelMap view640(VRect(0, 0, 640, 480), 16, nullptr, nullptr, nullptr, PixelMap::kStorageMemory,
                     stillMap->GetPixelFormat());
    ASSERT_TRUE(view->GetNavigator()->RenderPanorama(view640));
    // The same view (the renderer's quality pass may touch a few pixels).
    EXPECT_GT(EqualShare(stillMap, &view640), 0.98);
    const VRGBColor black(0, 0, 0);
    PixelMap dark(VRect(0, 0, 640, 480), 16, nullptr, nullptr, nullptr, PixelMap::kStorageMemory,
                  stillMap->GetPixelFormat());
    dark.FillRect(nullptr, &black);
    EXPECT_LT(EqualShare(stillMap, &dark), 0.5);
    still->Release();
  }
  // The photograph as loaded, to compare with after the closing.
  VPicture* photograph = popup->GetPhotograph()->GetPicture();
  auto* loaded = new PixelMap(*photograph->GetPixelMap(), nullptr);

  const int32_t took = RunUntil(shown);
  EXPECT_GE(took, 1000);
  EXPECT_LE(took, 1010);
  EXPECT_TRUE(stillWasPhoto);
  EXPECT_TRUE(popup->IsEnabled());
  EXPECT_EQ(Count(shown), 1);
  Run(5);
  EXPECT_EQ(popup->GetStill(), nullptr) << "removed on the tick after the transition";

  // Regions: 1 opens BU012, 2 opens VI001, 3 has no hotspot, 0 is none.
  sounds.clear();
  const int32_t columns[] = {240, 400, 560, 80};
  for (const int32_t x : columns) {
    bench->Move(x, 100);
    bench->Click(x, 100);
  }
  EXPECT_EQ(opened, (std::vector<std::string>{"BU012", "VI001"}));
  int clicks = 0;
  for (const int32_t s : sounds) clicks += s == DetailPhotoPopup::kSoundClick ? 1 : 0;
  EXPECT_EQ(clicks, 3);

  // Closing: the view waits for the pop-up's own 95 and then drops it.
  EXPECT_TRUE(view->HandleEvent(TourView::kMessageCloseControl, 14389, 0));
  EXPECT_EQ(view->GetState(), TourView::kPopupClosing);
  ASSERT_NE(popup->GetStill(), nullptr);
  Run(990);
  EXPECT_TRUE(view->HasPopup());
  int32_t closed = -1;
  for (int32_t t = 990; t <= 1100 && closed < 0; t += 5) {
    Run(5);
    if (!view->HasPopup()) closed = t + 5;
  }
  EXPECT_GE(closed, 1000);
  EXPECT_EQ(view->GetState(), TourView::kNavigating);
  FlushDeferredDeletions();
  EXPECT_TRUE(SamePixels(photograph->GetPixelMap(), loaded)) << "the closing wrote into the photograph";
  photograph->Release();
  delete loaded;
}

// The pointer over the photograph's regions: the photo's text, then the
// region's own text (TEXT B + 4 + i), "????" for a hotspot whose text is
// missing, nothing more for a region without a hotspot; the box beside the
// caption for an item already seen. Closing empties the caption line at
// once, and the fading photograph's regions answer nothing; once the pop-up
// has gone, the tour's hotspot under the pointer names itself again.
TEST_F(DetailPhotoPopupTest, RegionsNameTheirTextsOnTheCaptionLine) {
  Item("VI001").MarkItemVisited();
  OpenFrom("BU001");
  ASSERT_NE(host.popup, nullptr);
  ASSERT_GE(RunUntil("94 " + std::to_string(host.popup->GetId())), 0);
  screen.captions.clear();
  sounds.clear();
  for (const int32_t x : {240, 400, 560, 80}) bench->Move(x, 100);
  EXPECT_EQ(screen.captions,
            (std::vector<std::string>{"Der Schreibtisch / Das Kassenbuch", "Der Schreibtisch",
                                      "Der Schreibtisch / ???? [seen]", "Der Schreibtisch", "Der Schreibtisch",
                                      "Der Schreibtisch", "Der Schreibtisch"}));
  EXPECT_EQ(sounds, (std::vector<int32_t>{61, 61}));

  // Closing: the caption goes at once; while the photograph fades the
  // regions under the pointer neither name themselves nor open anything.
  bench->Move(240, 100);
  sounds.clear();
  EXPECT_TRUE(view->HandleEvent(TourView::kMessageCloseControl, 14389, 0));
  EXPECT_EQ(screen.captions.back(), "");
  Run(300);
  for (const int32_t x : {400, 240}) {
    bench->Move(x, 100);
    bench->Click(x, 100);
  }
  EXPECT_EQ(screen.captions.back(), "");
  EXPECT_TRUE(sounds.empty());
  EXPECT_TRUE(opened.empty());
  for (int32_t t = 0; t <= 2000 && view->HasPopup(); t += 5) Run(5);
  EXPECT_FALSE(view->HasPopup());
  // The desk's hotspot in the middle of the view: its text is empty here,
  // and its detail photo has been seen.
  EXPECT_EQ(screen.captions.back(), " [seen]");
  EXPECT_TRUE(opened.empty());
}

// An item without media: no photograph and nothing to change; the pop-up
// shows at once and reports 94, then 95, each on the next tick, and the
// tour view goes back to navigating.
TEST_F(DetailPhotoPopupTest, AnItemWithoutMediaReportsAtOnce) {
  OpenFrom("BU002");
  DetailPhotoPopup* popup = host.popup;
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->GetPhotograph(), nullptr);
  const std::string shown = "94 " + std::to_string(popup->GetId());
  EXPECT_EQ(Count(shown), 0);
  Run(5);
  EXPECT_EQ(Count(shown), 1);
  bench->Click(320, 240);
  EXPECT_TRUE(opened.empty());
  EXPECT_TRUE(view->HandleEvent(TourView::kMessageCloseControl, 14384, 0));
  EXPECT_EQ(view->GetState(), TourView::kPopupClosing);
  Run(5);
  EXPECT_EQ(view->GetState(), TourView::kNavigating);
  EXPECT_FALSE(view->HasPopup());
}

// Closed while it is still opening: the opening's transition goes with its
// still, and the closing runs to its own end and report.
TEST_F(DetailPhotoPopupTest, ClosedWhileOpeningItStillReportsItsEnd) {
  OpenFrom("BU001");
  ASSERT_NE(host.popup, nullptr);
  const std::string shown = "94 " + std::to_string(host.popup->GetId());
  Run(700);
  EXPECT_TRUE(view->HandleEvent(TourView::kMessageCloseControl, 14389, 0));
  EXPECT_EQ(view->GetState(), TourView::kPopupClosing);
  int32_t closed = -1;
  for (int32_t t = 0; t <= 2000 && closed < 0; t += 5) {
    Run(5);
    if (!view->HasPopup()) closed = t + 5;
  }
  EXPECT_GE(closed, 1000);
  EXPECT_LE(closed, 1010);
  EXPECT_EQ(view->GetState(), TourView::kNavigating);
  EXPECT_EQ(Count(shown), 0);
}

}  // namespace
