// Dialog geometry of the launchers: the fonts' base units and the control
// rectangles of the launchers' dialogs in pixels.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "launchers/common/Button.h"
#include "launchers/common/Dialog.h"
#include "launchers/common/KitFonts.h"
#include "launchers/common/LauncherDialogs.h"

namespace {

using platform::Rect;

bool WineFontsInstalled() {
  struct stat st {};
  return stat((kit::WineFontFolder() + "/ms_sans_serif.ttf").c_str(), &st) == 0;
}

#define REQUIRE_WINE_FONTS()                                                                          \
  if (!WineFontsInstalled()) {                                                                        \
    if (std::getenv("CI") != nullptr) GTEST_FAIL() << "fonts-wine is missing; scripts/setup.sh installs it"; \
    GTEST_SKIP() << "needs fonts-wine";                                                               \
  }

std::string Describe(const Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
         std::to_string(r.bottom - r.top);
}

TEST(KitGeometry, MsSansSerifEightPointHasTheClassicBaseUnits) {
  REQUIRE_WINE_FONTS();
  std::shared_ptr<platform::Font> font = kit::GetFont(kit::DefaultDialogFont());
  ASSERT_NE(font, nullptr);
  EXPECT_NE(font->GetFile().path.find("ms_sans_serif"), std::string::npos) << font->GetFile().path;
  EXPECT_EQ(kit::MeasureBaseUnits(*font), (kit::BaseUnits{6, 13}));
}

TEST(KitGeometry, DialogUnitsMapEachEdgeRoundedHalfAway) {
  const kit::BaseUnits units{6, 13};
  struct Case {
    Rect units;
    Rect pixels;
  };
  const Case cases[] = {
      {{0, 0, 286, 196}, {0, 0, 429, 319}},        // 286 * 6 / 4 = 429; 196 * 13 / 8 = 318.5 -> 319
      {{175, 178, 225, 192}, {263, 289, 338, 312}},  // 262.5 -> 263, 337.5 -> 338
      {{1, 1, 3, 3}, {2, 2, 5, 5}},                 // 1.5 -> 2, 1.625 -> 2, 4.5 -> 5, 4.875 -> 5
      {{-1, -1, 0, 0}, {-2, -2, 0, 0}},             // away from zero below it
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Describe(kit::MapDialogRect(c.units, units)), Describe(c.pixels)) << Describe(c.units);
  }
}

struct ControlCase {
  int32_t index;  // in template order
  Rect pixels;
};

void ExpectDialog(kit::DialogTemplate t, Rect client, const std::vector<ControlCase>& controls) {
  kit::CDialog dialog(std::move(t));
  ASSERT_TRUE(dialog.Create());
  EXPECT_EQ(Describe(dialog.GetClientRect()), Describe(client));
  for (const ControlCase& c : controls) {
    ASSERT_LT(static_cast<size_t>(c.index), dialog.Children().size());
    EXPECT_EQ(Describe(dialog.Children()[static_cast<size_t>(c.index)]->GetRect()), Describe(c.pixels))
        << "control " << c.index;
  }
}

TEST(KitGeometry, SetupTypeDialogInPixels) {
  REQUIRE_WINE_FONTS();
  ExpectDialog(kit::SetupTypeDialogTemplate(), Rect{0, 0, 429, 319},
               {
                   {0, {6, 0, 423, 281}},       // outer group box 4,0 278x173
                   {2, {144, 46, 413, 128}},    // explanation 96,28 179x51
                   {3, {159, 146, 347, 206}},   // inner group box 106,90 125x37 (206.375 -> 206)
                   {4, {171, 161, 263, 177}},   // Express 114,99 61x10
                   {5, {171, 182, 317, 198}},   // custom 114,112 97x10
                   {6, {144, 236, 257, 275}},   // hotline 96,145 75x24
                   {8, {296, 249, 398, 262}},   // service link 197,153 68x8
                   {9, {263, 289, 338, 312}},   // Weiter 175,178 50x14
                   {10, {348, 289, 423, 312}},  // Abbrechen 232,178 50x14
               });
}

TEST(KitGeometry, ProgressDialogInPixels) {
  REQUIRE_WINE_FONTS();
  ExpectDialog(kit::InstallProgressDialogTemplate(), Rect{0, 0, 429, 288},
               {
                   {3, {144, 124, 408, 172}},  // group box 96,76 176x30
                   {4, {153, 145, 398, 163}},  // progress bar 102,89 163x11
               });
}

TEST(KitGeometry, AboutBoxInPixels) {
  REQUIRE_WINE_FONTS();
  ExpectDialog(kit::AboutDialogTemplate(), Rect{0, 0, 353, 89},
               {
                   {3, {267, 11, 342, 34}},  // OK 178,7 50x14
               });
}

TEST(KitGeometry, MenuTemplatesCoverTheirPixelsExactly) {
  // Without any bitmap the controls keep their template rectangles; the
  // menus' scale puts each at its pixel position.
  kit::CDialog menu(kit::AutorunMenuTemplate());
  ASSERT_TRUE(menu.Create());
  EXPECT_EQ(Describe(menu.GetClientRect()), "0,0 640x480");
  const std::vector<std::pair<int32_t, std::string>> corners = {
      {1010, "462,0"}, {1003, "0,147"}, {1006, "0,207"}, {1001, "0,267"}, {1004, "0,327"},  {1011, "455,147"},
      {1007, "455,226"}, {1005, "455,327"}, {1002, "455,388"}, {1008, "248,138"},
  };
  for (const auto& [id, at] : corners) {
    kit::CWindow* c = menu.GetDlgItem(id);
    ASSERT_NE(c, nullptr) << id;
    EXPECT_EQ(std::to_string(c->GetRect().left) + "," + std::to_string(c->GetRect().top), at) << id;
  }
  EXPECT_EQ(Describe(menu.GetDlgItem(1009)->GetRect()), "7,445 13x13");

  kit::CDialog readme(kit::ReadmeDialogTemplate());
  ASSERT_TRUE(readme.Create());
  EXPECT_EQ(Describe(readme.GetDlgItem(1012)->GetRect()), "7,134 632x338");
  kit::CDialog upgrade(kit::UpgradeDialogTemplate());
  ASSERT_TRUE(upgrade.Create());
  EXPECT_EQ(Describe(upgrade.GetClientRect()), "0,0 641x480");
  EXPECT_EQ(Describe(upgrade.GetDlgItem(1012)->GetRect()).substr(0, 7), "217,419");
}

}  // namespace
