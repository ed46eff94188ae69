// The autorun menu's bitmap controls without a display: picture buttons
// through their three states (the pointer placed where the window layer
// would report it), the delayed tooltip and its place at the screen's
// edges, the packed bitmaps and their drawing, and the readme's colours.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launchers/common/ColorEdit.h"
#include "launchers/common/DibImage.h"
#include "launchers/common/HoverButton.h"
#include "launchers/common/Dialog.h"
#include "launchers/common/KitLoop.h"
#include "launchers/common/LauncherDialogs.h"
#include "launchers/common/ToolTipWnd.h"
#include "launchers/common/KitTestSupport.h"
#include "platform/Input.h"
#include "platform/WindowQueue.h"
#include "support/TempDir.h"

namespace {

using platform::Point;

class MenuDialog : public kit::CDialog {
 public:
  MenuDialog() : kit::CDialog(kit::AutorunMenuTemplate()) {}
  bool OnCommand(int32_t id, uint16_t notification, kit::Handle control) override {
    commands.push_back(id);
    return kit::CDialog::OnCommand(id, notification, control);
  }
  std::vector<int32_t> commands;
};

class BitmapControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetMessageQueue();
    kittest::RegisterLauncherPlaceholders();
  }
  void TearDown() override {
    kit::PumpPending();
    kit::CResources::Clear();
    platform::ResetMessageQueue();
  }
  // Moves the pointer to a point of a control and delivers the move.
  static void MoveTo(kit::CWindow& control, int32_t x, int32_t y) {
    const Point screen = control.ClientToScreen(Point{x, y});
    platform::SetCursorScreenPosition(screen.x, screen.y);
    kit::CWindow& top = *control.GetTopLevel();
    kittest::Feed(top, platform::kMsgMouseMove, 0,
                  platform::MakePointParam(screen.x - top.GetRect().left, screen.y - top.GetRect().top));
  }
  static void Press(kit::CWindow& top, Point screen, bool down) {
    kittest::Feed(top, down ? platform::kMsgLButtonDown : platform::kMsgLButtonUp, down ? 1 : 0,
                  platform::MakePointParam(screen.x - top.GetRect().left, screen.y - top.GetRect().top));
  }
};

TEST_F(BitmapControlsTest, HoverButtonGoesThroughItsStatesAndPostsOnRelease) {
  MenuDialog menu;
  ASSERT_TRUE(menu.Create());
  menu.Show(true);  // only shown windows are found under the pointer
  kit::CHoverButton home;
  ASSERT_TRUE(home.CreateFromResources(&menu, 1003, 136, 135, 134, 155));
  home.SetToolTipText("Besuchen Sie uns im Internet");
  EXPECT_EQ(home.GetRect().right - home.GetRect().left, 185);  // the control took its bitmap's size
  ASSERT_EQ(menu.GetDlgItem(1003), &home);

  const auto shown = [&](int32_t x, int32_t y) {
    const Point p = home.ClientToScreen(Point{x, y});
    return menu.GetPixels()[static_cast<size_t>(p.y - menu.GetRect().top) * 640 +
                            static_cast<size_t>(p.x - menu.GetRect().left)];
  };
  EXPECT_EQ(home.GetState(), kit::CHoverButton::kNormal);
  EXPECT_EQ(shown(40, 20), kittest::PlaceholderColor(136));

  MoveTo(home, 40, 20);
  EXPECT_EQ(home.GetState(), kit::CHoverButton::kHover);
  EXPECT_EQ(shown(40, 20), kittest::PlaceholderColor(135));
  EXPECT_FALSE(home.GetToolTip().IsVisible());
  kit::PumpFor(700);  // the tooltip's half second
  EXPECT_TRUE(home.GetToolTip().IsVisible());
  EXPECT_EQ(home.GetState(), kit::CHoverButton::kHover);  // the pointer is still over it

  const Point at = home.ClientToScreen(Point{40, 20});
  Press(menu, at, true);
  EXPECT_EQ(home.GetState(), kit::CHoverButton::kPressed);
  EXPECT_EQ(shown(40, 20), kittest::PlaceholderColor(134));
  Press(menu, at, false);
  EXPECT_FALSE(home.GetToolTip().IsVisible());
  EXPECT_TRUE(menu.commands.empty());  // posted, not sent
  kit::PumpPending();
  EXPECT_EQ(menu.commands, (std::vector<int32_t>{1003}));
  EXPECT_EQ(home.GetState(), kit::CHoverButton::kPressed);  // until the pointer leaves

  // Off the button: the poll notices and the normal picture returns.
  MoveTo(menu, 300, 20);
  kit::PumpFor(60);
  EXPECT_EQ(home.GetState(), kit::CHoverButton::kNormal);
  EXPECT_EQ(shown(40, 20), kittest::PlaceholderColor(136));
}

TEST_F(BitmapControlsTest, ReleaseOverAButtonPressedElsewhereStillPosts) {
  MenuDialog menu;
  ASSERT_TRUE(menu.Create());
  kit::CHoverButton quit;
  ASSERT_TRUE(quit.CreateFromResources(&menu, 1002, 133, 132, 131, 155));
  Press(menu, menu.ClientToScreen(Point{300, 20}), true);  // on the background
  MoveTo(quit, 10, 10);
  Press(menu, quit.ClientToScreen(Point{10, 10}), false);
  kit::PumpPending();
  EXPECT_EQ(menu.commands, (std::vector<int32_t>{1002}));
  // A double click's second press is ignored, its release posts again.
  Press(menu, quit.ClientToScreen(Point{10, 10}), true);
  Press(menu, quit.ClientToScreen(Point{10, 10}), false);
  kit::PumpPending();
  EXPECT_EQ(menu.commands, (std::vector<int32_t>{1002, 1002}));
}

TEST_F(BitmapControlsTest, MissingPicturesLeaveStatesBlankOrFailTheButton) {
  MenuDialog menu;
  ASSERT_TRUE(menu.Create());
  kit::CResources::AddBitmap(999, {'B', 'M', 0, 0});  // a bitmap the reader refuses
  kit::CHoverButton partial;
  // Hover picture 998 does not exist and 999 does not decode: those states stay empty.
  EXPECT_TRUE(partial.CreateFromResources(&menu, 1006, 145, 998, 999, 155));
  EXPECT_TRUE(partial.Image(kit::CHoverButton::kNormal).IsValid());
  EXPECT_FALSE(partial.Image(kit::CHoverButton::kHover).IsValid());
  EXPECT_FALSE(partial.Image(kit::CHoverButton::kPressed).IsValid());
  MoveTo(partial, 5, 5);
  EXPECT_EQ(partial.GetState(), kit::CHoverButton::kHover);
  (void)menu.GetPixels();  // drawing a state without a picture draws nothing and fails nothing

  const testsupport::TempDir dir("ostrevan-cover-");
  const std::string cover = dir.Path("Cover");
  testsupport::WriteBytes(cover + "_n.bmp", std::string(reinterpret_cast<const char*>(kittest::Placeholder(180, 246, 0x123456).data()),
                                                      kittest::Placeholder(180, 246, 0x123456).size()));
  testsupport::WriteBytes(cover + "_h.bmp", "not a picture at all");
  kit::CHoverButton fromFiles;
  EXPECT_FALSE(fromFiles.CreateFromFiles(&menu, 1008, cover + "_n.bmp", cover + "_h.bmp", cover + "_c.bmp", 155));
  EXPECT_TRUE(fromFiles.Image(kit::CHoverButton::kNormal).IsValid());
  EXPECT_FALSE(fromFiles.Image(kit::CHoverButton::kHover).IsValid());
  kit::CHoverButton none;
  EXPECT_FALSE(none.CreateFromResources(&menu, 4711, 136, 135, 134, 155));  // no such control
}

TEST_F(BitmapControlsTest, ToolTipFlipsAtTheScreensEdges) {
  struct Case {
    Point cursor;
    Point expected;
  };
  const Point size{120, 19};
  const Point screen{640, 480};
  const Case cases[] = {
      {{100, 100}, {112, 124}},  // below and to the right
      {{600, 100}, {480, 124}},  // right edge: its right edge at the pointer
      {{100, 450}, {112, 431}},  // bottom edge: its bottom edge at the pointer
      {{600, 450}, {480, 431}},  // the corner: both
      {{508, 437}, {520, 461}},  // just fits
  };
  for (const Case& c : cases) {
    const Point p = kit::CToolTipWnd::PlaceAt(c.cursor, size, screen);
    EXPECT_EQ(p.x, c.expected.x) << c.cursor.x << "," << c.cursor.y;
    EXPECT_EQ(p.y, c.expected.y) << c.cursor.x << "," << c.cursor.y;
  }
}

TEST_F(BitmapControlsTest, ToolTipMeasuresItsTextWrappedAt250Pixels) {
  kit::CToolTipWnd shortTip;
  ASSERT_TRUE(shortTip.Create(nullptr, "Zur\xFC" "ck zur Auswahl"));
  EXPECT_LT(shortTip.GetPixelWidth(), 250);
  EXPECT_EQ(shortTip.GetPixelHeight(), 13 + 4 + 2);  // one line, the margins and the border
  kit::CToolTipWnd twoLines;
  ASSERT_TRUE(twoLines.Create(nullptr, "Informieren Sie sich \xFC" "ber die aktuellen\nUpgrades zu diesem Produkt"));
  EXPECT_EQ(twoLines.GetPixelHeight(), 2 * 13 + 4 + 2);
  kit::CToolTipWnd huge;
  ASSERT_TRUE(huge.Create(nullptr, std::string(100000, 'M')));  // one endless word: broken at the width
  EXPECT_LE(huge.GetPixelWidth(), 250 + 6 + 2);
  EXPECT_FALSE(huge.IsVisible());
  // Its colours: pale yellow under black text.
  EXPECT_EQ(twoLines.GetPixels()[static_cast<size_t>(twoLines.GetPixelWidth()) * 2 + 1], 0xF5F8A4u);
  EXPECT_EQ(twoLines.GetPixels()[0], 0x000000u);  // the border
}

TEST_F(BitmapControlsTest, DibImageKeepsRowsBottomUpAndDrawsSourceRectangles) {
  kit::KitImage image;
  image.width = 4;
  image.height = 3;
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 4; ++x) image.pixels.push_back(static_cast<uint32_t>(y * 16 + x));
  kit::CDibImage dib;
  ASSERT_TRUE(dib.CreateFromBitmap(image));
  EXPECT_EQ(dib.GetWidth(), 4);
  EXPECT_EQ(dib.GetHeight(), 3);
  const std::vector<uint8_t>& packed = dib.GetPackedDib();
  ASSERT_EQ(packed.size(), 40u + 4 * 3 * 4);
  EXPECT_EQ(packed[14], 32);                // bits per pixel
  EXPECT_EQ(packed[40], 2 * 16 + 0);        // the first stored row is the bottom one
  EXPECT_EQ(dib.GetPixel(3, 0), 3u);

  std::vector<uint32_t> target(8 * 8, 0xFFFFFF);
  platform::PixelBuffer buffer{reinterpret_cast<uint8_t*>(target.data()), 32, 8, 8, platform::PixelLayout::kBgrx32, false};
  platform::RasterDeviceContext device(buffer);
  kit::DrawContext dc(device, Point{0, 0}, platform::Rect{0, 0, 8, 8});
  ASSERT_TRUE(dib.Draw(dc, 1, 1, 2, 2, 1, 1, 2, 2, kit::kRopSourceCopy));
  EXPECT_EQ(target[1 * 8 + 1], 17u);  // source (1, 1) from the top
  EXPECT_EQ(target[2 * 8 + 2], 34u);
  EXPECT_EQ(target[0], 0xFFFFFFu);
  // Halving averages each 2 x 2 block.
  ASSERT_TRUE(dib.Draw(dc, 4, 4, 2, 1, 0, 0, 4, 2, kit::kRopSourceCopy));
  EXPECT_EQ(target[4 * 8 + 4], (0u + 1 + 16 + 17 + 2) / 4);
  // Refused: other operations, empty, mirrored or outside rectangles, an empty image.
  EXPECT_FALSE(dib.Draw(dc, 0, 0, 2, 2, 0, 0, 2, 2, 0x00EE0086));
  EXPECT_FALSE(dib.Draw(dc, 0, 0, -2, 2, 0, 0, 2, 2, kit::kRopSourceCopy));
  EXPECT_FALSE(dib.Draw(dc, 0, 0, 2, 2, 3, 2, 2, 2, kit::kRopSourceCopy));
  kit::CDibImage empty;
  EXPECT_FALSE(empty.Paint(dc, 0, 0, kit::kRopSourceCopy));
  EXPECT_EQ(empty.GetWidth(), 0);
  EXPECT_FALSE(empty.LoadPictureFile(""));
  EXPECT_FALSE(empty.LoadPictureFile("/nonexistent/folder/picture.jpg"));
  EXPECT_FALSE(empty.LoadResourceBitmap(31337));
}

TEST_F(BitmapControlsTest, ColorEditAnswersItsOwnColourMessage) {
  kit::CDialog readme(kit::ReadmeDialogTemplate());
  ASSERT_TRUE(readme.Create());
  kit::CColorEdit edit;
  ASSERT_TRUE(edit.SubclassDlgItem(1012, &readme));
  const kit::CtlColors before = edit.ResolveColors();
  EXPECT_EQ(before.back, kit::colors::kFace);
  edit.SetFontAndColors("Arial", 12, 700, 0x000000, 0xF5F1F0);
  const kit::CtlColors after = edit.ResolveColors();
  EXPECT_EQ(after.back, (platform::Color{0xF0, 0xF1, 0xF5}));
  EXPECT_EQ(after.text, (platform::Color{0, 0, 0}));
  ASSERT_NE(edit.GetFont(), nullptr);
  EXPECT_TRUE(edit.GetFont()->GetRequest().bold);
  EXPECT_EQ(edit.GetFont()->GetRequest().pixelHeight, 12);
  EXPECT_NE(edit.GetFont()->GetFile().family.find("Liberation Sans"), std::string::npos)
      << edit.GetFont()->GetFile().family;
  // The well of the edit shows the background colour.
  const std::vector<uint32_t>& pixels = readme.GetPixels();
  EXPECT_EQ(pixels[static_cast<size_t>(134 + 300) * 640 + 300], 0xF0F1F5u);
  // A face name beyond 31 characters is cut, not refused.
  edit.SetFontAndColors(std::string(200, 'A'), 12, 400, 0x0000FF, 0xFFFFFF);
  EXPECT_EQ(edit.ResolveColors().text, (platform::Color{0xFF, 0, 0}));
}

}  // namespace
