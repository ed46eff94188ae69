// Photo hotspots: HOTSPOTS blocks read into tables (and refused when
// malformed), mask flags that let only hotspot regions react, the cursor,
// the right button, moves handed to the main screen's controls over the
// photo, and the captions a photo frame writes into the main screen.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/core/ServiceCheck.h"
#include "engine/controls/ControlTestSupport.h"
#include "engine/core/Cursor.h"
#include "engine/core/VString.h"
#include "engine/graphics/VMask.h"
#include "engine/sound/SoundManager.h"
#include "platform/Input.h"
#include "platform/WindowMessage.h"
#include "title/controls/HotspotMaskControl.h"
#include "title/controls/HotspotPhoto.h"
#include "title/controls/HotspotTable.h"
#include "title/controls/MainScreenServices.h"
#include "title/controls/PhotoHotspotFrame.h"
#include "title/controls/TitleSoundTable.h"

namespace {

using controltest::Bench;
using controltest::Log;
using controltest::SolidPicture;

std::string Entries(const HotspotTable& table) {
  std::string out;
  for (VListElement* e = table.GetFirst(); e != nullptr; e = e->GetNext()) {
    const auto* entry = static_cast<const HotspotEntry*>(e);
    VString code;
    entry->GetItemRef().FormatItemRef(code);
    out += std::to_string(entry->GetMaskIndex()) + "=" + (code.GetChars() != nullptr ? code.GetChars() : "") + ";";
  }
  return out;
}

TEST(HotspotTable, ReadsBlocks) {
  struct Case {
    const char* name;
    const char* text;
    bool ok;
    const char* entries;
  };
  const Case cases[] = {
      {"two entries in file order",
       "HOTSPOTS {\n HOTSPOT { MASKINDEX 7 INFO DF002 }\n HOTSPOT { MASKINDEX 3 INFO BU001 }\n}", true,
       "7=DF002;3=BU001;"},
      {"keywords without case, number truncated", "hotspots { Hotspot { maskindex 4.9 info bu010 } }", true,
       "4=BU010;"},
      {"empty block", "HOTSPOTS { }", true, ""},
      {"end of text ends the list", "HOTSPOTS { HOTSPOT { MASKINDEX 2 INFO BU002 }", false, "2=BU002;"},
      {"no HOTSPOTS keyword", "HOTSPOT { MASKINDEX 2 INFO BU002 }", false, ""},
      {"no opening brace", "HOTSPOTS HOTSPOT { MASKINDEX 2 INFO BU002 } }", false, ""},
      {"missing MASKINDEX", "HOTSPOTS { HOTSPOT { INFO BU002 } }", false, ""},
      {"missing INFO", "HOTSPOTS { HOTSPOT { MASKINDEX 2 } }", false, ""},
      {"MASKINDEX not a number", "HOTSPOTS { HOTSPOT { MASKINDEX two INFO BU002 } }", false, ""},
      {"INFO not an item code", "HOTSPOTS { HOTSPOT { MASKINDEX 2 INFO Q } }", false, ""},
      {"unknown category", "HOTSPOTS { HOTSPOT { MASKINDEX 2 INFO ZZ002 } }", false, ""},
      {"entry not closed", "HOTSPOTS { HOTSPOT { MASKINDEX 2 INFO BU002 HOTSPOT", false, ""},
      {"stray word stops at the good entries",
       "HOTSPOTS { HOTSPOT { MASKINDEX 1 INFO BU001 } junk HOTSPOT { MASKINDEX 2 INFO BU002 } }", false,
       "1=BU001;"},
      {"empty text", "", false, ""},
  };
  for (const Case& c : cases) {
    HotspotTable table;
    const VString text(c.text);
    EXPECT_EQ(table.LoadFromText(text), c.ok) << c.name;
    EXPECT_EQ(Entries(table), c.entries) << c.name;
  }
}

TEST(HotspotTable, LookupsByMaskIndex) {
  HotspotTable table;
  const VString text(
      "HOTSPOTS { HOTSPOT { MASKINDEX 0 INFO BU009 } HOTSPOT { MASKINDEX 5 INFO BU001 }"
      " HOTSPOT { MASKINDEX 5 INFO BU002 } HOTSPOT { MASKINDEX -3 INFO BU003 } }");
  ASSERT_TRUE(table.LoadFromText(text));
  EXPECT_EQ(table.FindItemRef(0), nullptr);  // read, never found
  EXPECT_EQ(table.FindItemRef(-3), nullptr);
  ASSERT_NE(table.FindItemRef(5), nullptr);
  EXPECT_EQ(*table.FindItemRef(5), ItemRef(1, 1));  // the first in file order wins
  EXPECT_EQ(table.FindEntry(6), nullptr);
}

TEST(HotspotTable, TooManyEntriesAreRefused) {
  std::string text = "HOTSPOTS {";
  for (int i = 0; i <= HotspotTable::kMaxEntries; ++i) text += " HOTSPOT { MASKINDEX 1 INFO BU001 }";
  text += " }";
  HotspotTable table;
  const VString source(text.c_str());
  EXPECT_FALSE(table.LoadFromText(source));
  EXPECT_EQ(table.GetCount(), HotspotTable::kMaxEntries);
}

// Columns 0-9 value 3, 10-19 value 5, 20-29 value 7; 30 x 10.
VMask* ThreeRegionMask() {
  auto* plane = new PixelMap(VRect(0, 0, 30, 10), 8, nullptr, nullptr, nullptr, PixelMap::kStorageMemory);
  {
    PixelMapLock lock(plane);
    for (int32_t y = 0; y < 10; ++y) {
      for (int32_t x = 0; x < 30; ++x) *plane->GetPixelAddress(VPoint(x, y)) = x < 10 ? 3 : (x < 20 ? 5 : 7);
    }
  }
  return new VMask(plane);
}

class FakeMainScreen : public MainScreenServices {
 public:
  VGraphicObject* GetCurrentPanel() override { return panel; }
  void SetCaption(const VString& text, bool shown, bool keep) override {
    captions.push_back(std::string(text.GetChars() != nullptr ? text.GetChars() : "") + (shown ? " [shown]" : "") +
                       (keep ? " [keep]" : ""));
  }
  VGraphicObject* panel = nullptr;
  std::vector<std::string> captions;
};

// A control of the main screen that counts the moves it is given.
class OverlayControl : public VControl {
 public:
  OverlayControl(int32_t id, int32_t left, int32_t top, VGraphicObject* parent)
      : VControl(0, id, left, top, 5, 10, 10, parent) {}
  bool MouseMove(const VMouseEvent&) override {
    ++moves;
    return true;
  }
  int moves = 0;
};

class HotspotMaskTest : public ::testing::Test {
 protected:
  HotspotMaskTest() {
    InstallMainScreenServices(&screen_);
    InstallTitleSoundTable().SetTriggerListener([this](int32_t index) { sounds_.push_back(index); });
  }
  ~HotspotMaskTest() override {
    InstallMainScreenServices(nullptr);
    DestroySoundManager();
  }
  void LoadTable(const char* text) {
    const VString source(text);
    ASSERT_TRUE(table_.LoadFromText(source));
  }
  // The photo at (20, 20) under the given parent.
  HotspotMaskControl* MakeControl(VGraphicObject* parent, int32_t id = 14377, const HotspotTable* table = nullptr) {
    VPicture* picture = SolidPicture(30, 10, 0x808080);
    VPicture* maskPicture = SolidPicture(30, 10, 0xFFFFFF);
    VMask* mask = ThreeRegionMask();
    auto* c = new HotspotMaskControl(id, table != nullptr ? table : &table_, picture, maskPicture, mask, 20, 20, 0,
                                     0, 0, parent);
    picture->Release();
    maskPicture->Release();
    mask->Release();
    return c;
  }
  void RightDown(int32_t x, int32_t y) {
    platform::Message m;
    m.window = bench_.window().GetHandle();
    m.message = platform::kMsgRButtonDown;
    m.wParam = platform::kMouseFlagRightButton;
    m.lParam = platform::MakePointParam(x, y);
    bench_.window().WindowProc(m);
    m.message = platform::kMsgRButtonUp;
    m.wParam = 0;
    bench_.window().WindowProc(m);
  }

  Bench bench_;
  HotspotTable table_;
  FakeMainScreen screen_;
  std::vector<int32_t> sounds_;
};

TEST_F(HotspotMaskTest, OnlyHotspotRegionsReact) {
  LoadTable("HOTSPOTS { HOTSPOT { MASKINDEX 3 INFO BU001 } HOTSPOT { MASKINDEX 7 INFO DF002 } }");
  HotspotMaskControl* c = MakeControl(bench_.recorder);
  VMask* mask = c->GetMask();
  ASSERT_NE(mask, nullptr);
  struct Case {
    int32_t x;
    int32_t region;
    uint8_t flag3, flag5, flag7;
    uint16_t cursor;
    bool item;
  };
  const Case cases[] = {
      {25, 3, 0, 1, 1, 107, true},   // a hotspot: its flag switches, the hand shows
      {35, 5, 1, 1, 1, 220, false},  // no entry: nothing changes, the arrow
      {45, 7, 1, 1, 0, 107, true},
  };
  for (const Case& k : cases) {
    bench_.Move(k.x, 25);
    EXPECT_EQ(c->GetCurrentRegion(), k.region) << k.x;
    EXPECT_EQ(mask->GetCurrentFlags()[3], k.flag3) << k.x;
    EXPECT_EQ(mask->GetCurrentFlags()[5], k.flag5) << k.x;
    EXPECT_EQ(mask->GetCurrentFlags()[7], k.flag7) << k.x;
    EXPECT_EQ(GetShownCursor(), k.cursor) << k.x;
    EXPECT_EQ(c->GetCurrentItemRef() != nullptr, k.item) << k.x;
  }
  bench_.Move(45, 25);
  EXPECT_EQ(*c->GetCurrentItemRef(), ItemRef(3, 2));
  mask->Release();
}

TEST_F(HotspotMaskTest, WithoutATableNothingIsAHotspot) {
  HotspotTable empty;
  HotspotMaskControl* c = MakeControl(bench_.recorder, 14377, &empty);
  bench_.Move(25, 25);
  EXPECT_EQ(c->GetCurrentRegion(), 3);
  EXPECT_EQ(c->GetCurrentItemRef(), nullptr);
  EXPECT_EQ(GetShownCursor(), 220);
  VPicture* picture = SolidPicture(30, 10, 0);
  auto* bare = new HotspotMaskControl(60, nullptr, picture, nullptr, nullptr, 100, 100, 0, 0, 0, bench_.recorder);
  picture->Release();
  bench_.Move(105, 105);
  EXPECT_EQ(bare->GetCurrentItemRef(), nullptr);
}

TEST_F(HotspotMaskTest, RightButtonSends135AndNoPress) {
  LoadTable("HOTSPOTS { HOTSPOT { MASKINDEX 3 INFO BU001 } }");
  MakeControl(bench_.recorder, 88);
  RightDown(25, 25);
  EXPECT_EQ(bench_.log, (Log{"135 88"}));
  bench_.log.clear();
  bench_.Down(25, 25);
  EXPECT_EQ(bench_.log, (Log{"17 88"}));
}

TEST_F(HotspotMaskTest, MovesOverTheMainScreenControlsGoToThem) {
  LoadTable("HOTSPOTS { HOTSPOT { MASKINDEX 3 INFO BU001 } }");
  // The main screen's controls lie above the photo (a higher layer).
  HotspotMaskControl* c = MakeControl(bench_.recorder);
  auto* first = new OverlayControl(14389, 20, 20, bench_.recorder);
  auto* second = new OverlayControl(14384, 40, 20, bench_.recorder);
  screen_.panel = bench_.recorder;
  c->MouseMove(VMouseEvent(0, static_cast<uint32_t>(platform::MakePointParam(25, 25))));
  c->MouseMove(VMouseEvent(0, static_cast<uint32_t>(platform::MakePointParam(45, 25))));
  EXPECT_EQ(first->moves, 1);
  EXPECT_EQ(second->moves, 1);
  EXPECT_EQ(c->GetCurrentRegion(), -1);  // no region tracking under them
  c->MouseMove(VMouseEvent(0, static_cast<uint32_t>(platform::MakePointParam(35, 25))));
  EXPECT_EQ(c->GetCurrentRegion(), 5);
  VGraphicObject::SetCapturedObject(nullptr);
}

class TestPhoto : public HotspotPhoto {
 public:
  explicit TestPhoto(const char* hotspots, const char* text = "Photo") : text(text) {
    table.LoadFromText(VString(hotspots));
  }
  void GetText(VString& out) const override { out = VString(text); }
  void GetRegionCaption(int32_t region, VString& out) const override {
    out = VString(region == 3 ? "Tower" : "");
  }
  const HotspotTable* GetHotspots() const override { return &table; }
  HotspotTable table;
  const char* text;
};

class VisitedFrame : public PhotoHotspotFrame {
 public:
  using PhotoHotspotFrame::PhotoHotspotFrame;
  bool IsItemVisited(const ItemRef& item) override { return item == ItemRef(3, 2); }
};

TEST_F(HotspotMaskTest, FrameWritesCaptionsOfTheHotspotUnderThePointer) {
  auto* frame = new VisitedFrame(500, ItemRef(8, 1), 0, 0, 0, 200, 150, bench_.recorder);
  frame->SetVisible(true, false);
  EXPECT_EQ(GetSoundManager().GetUseCount(PhotoHotspotFrame::kSoundHotspot), 1);
  auto photo = std::make_unique<TestPhoto>(
      "HOTSPOTS { HOTSPOT { MASKINDEX 3 INFO BU001 } HOTSPOT { MASKINDEX 7 INFO DF002 } }");
  const HotspotTable* table = &photo->table;
  frame->SetPhotoItem(std::move(photo));
  MakeControl(frame, PhotoHotspotFrame::kMaskControlId, table);
  bench_.Move(25, 25);  // hotspot 3, not visited
  bench_.Move(35, 25);  // region 5: no hotspot
  bench_.Move(45, 25);  // hotspot 7 with an empty caption, visited
  bench_.Move(150, 100);
  EXPECT_EQ(screen_.captions,
            (std::vector<std::string>{"Photo / Tower", "Photo", "Photo", "Photo", "Photo / ???? [shown]", "Photo"}));
  EXPECT_EQ(sounds_, (std::vector<int32_t>{61, 61}));
  delete frame;
  EXPECT_EQ(GetSoundManager().GetUseCount(PhotoHotspotFrame::kSoundHotspot), 0);
}

TEST_F(HotspotMaskTest, APhotoWithoutTextShowsTheHotspotCaptionAlone) {
  auto* frame = new PhotoHotspotFrame(500, ItemRef(3, 1), 0, 0, 0, 200, 150, bench_.recorder);
  frame->SetVisible(true, false);
  auto photo = std::make_unique<TestPhoto>("HOTSPOTS { HOTSPOT { MASKINDEX 3 INFO BU001 } }", "");
  const HotspotTable* table = &photo->table;
  frame->SetPhotoItem(std::move(photo));
  MakeControl(frame, PhotoHotspotFrame::kMaskControlId, table);
  bench_.Move(25, 25);
  bench_.Move(150, 100);
  EXPECT_EQ(screen_.captions, (std::vector<std::string>{"Tower", ""}));
  delete frame;
}

TEST_F(HotspotMaskTest, FrameWithoutPhotoOrScreenStaysQuiet) {
  auto* frame = new PhotoHotspotFrame(500, ItemRef(8, 1), 0, 0, 0, 200, 150, bench_.recorder);
  frame->SetVisible(true, false);
  MakeControl(frame, PhotoHotspotFrame::kMaskControlId);
  bench_.Move(25, 25);
  EXPECT_EQ(screen_.captions, (std::vector<std::string>{""}));
  ScopedMissingServicesAllowed allowed;
  InstallMainScreenServices(nullptr);
  bench_.Move(45, 25);  // no screen: the caption goes nowhere
  EXPECT_EQ(screen_.captions.size(), 1u);
  EXPECT_TRUE(sounds_.empty());
}

}  // namespace
