// The look of the launchers' dialogs: each drawn without a display and
// compared pixel for pixel with its reviewed picture in tests/data/kit
// (PNG, compared through ImageMagick). OSTREVAN_KIT_DUMP=<folder> writes the
// drawings there as PNG for a review.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "launchers/common/ColorEdit.h"
#include "launchers/common/HoverButton.h"
#include "launchers/common/Dialog.h"
#include "launchers/common/KitLoop.h"
#include "launchers/common/MessageBox.h"
#include "launchers/common/ProgressCtrl.h"
#include "launchers/common/LauncherDialogs.h"
#include "launchers/common/KitTestSupport.h"
#include "support/BuildPaths.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "platform/WindowQueue.h"

namespace {

class KitLookTest : public testsupport::TempDirTest {
 protected:
  KitLookTest() : TempDirTest("ostrevan-kitlook-") {}
  void SetUp() override {
    TempDirTest::SetUp();
    platform::ResetMessageQueue();
    kittest::RegisterLauncherPlaceholders();
    kittest::RegisterSetupPlaceholders();
  }
  void TearDown() override {
    kit::PumpPending();
    kit::CResources::Clear();
  }

  // Compares the window's drawing with tests/data/kit/<name>.png.
  void ExpectLooksLike(kit::CWindow& window, const std::string& name) {
    REQUIRE_TOOL(convert, "convert");
    REQUIRE_TOOL(compare, "compare");
    const std::vector<uint32_t>& pixels = window.GetPixels();
    const std::string ppm = Path(name + ".ppm");
    ASSERT_TRUE(kittest::WritePpm(ppm, pixels, window.GetPixelWidth(), window.GetPixelHeight()));
    if (const char* dump = std::getenv("OSTREVAN_KIT_DUMP")) {
      testsupport::Capture("convert '" + ppm + "' '" + std::string(dump) + "/" + name + ".png'");
    }
    const std::string golden = testsupport::SourceDir() + "/tests/data/kit/" + name + ".png";
    ASSERT_TRUE(testsupport::FileExists(golden)) << golden;
    const std::string differing =
        testsupport::Capture("compare -metric AE '" + golden + "' '" + ppm + "' null: 2>&1");
    EXPECT_EQ(differing, "0") << name << ": pixels differ from " << golden;
  }
};

TEST_F(KitLookTest, SetupTypeDialog) {
  kit::CDialog dialog(kit::SetupTypeDialogTemplate());
  ASSERT_TRUE(dialog.Create());
  dialog.CheckDlgButton(1000, 1);
  ExpectLooksLike(dialog, "setup_type");
}

TEST_F(KitLookTest, ProgressDialogAtHalfWay) {
  kit::CDialog dialog(kit::InstallProgressDialogTemplate());
  ASSERT_TRUE(dialog.Create());
  dialog.GetDlgItem(1004)->SendMessage(kit::kMsgProgressSetPos, 50, 0);
  ExpectLooksLike(dialog, "install_progress");
}

TEST_F(KitLookTest, AboutBox) {
  kit::CDialog dialog(kit::AboutDialogTemplate());
  ASSERT_TRUE(dialog.Create());
  ExpectLooksLike(dialog, "about");
}

TEST_F(KitLookTest, MenuWithHoverButtonsAndFlatCheckBox) {
  kit::CResources::Clear();
  kittest::RegisterLauncherPlaceholders();
  kit::CDialog dialog(kit::AutorunMenuTemplate());
  ASSERT_TRUE(dialog.Create());
  kit::CHoverButton home;
  ASSERT_TRUE(home.CreateFromResources(&dialog, 1003, 136, 135, 134, 155));
  dialog.CheckDlgButton(1009, 1);
  ExpectLooksLike(dialog, "menu");
}

TEST_F(KitLookTest, ReadmeInItsColours) {
  kit::CDialog dialog(kit::ReadmeDialogTemplate());
  ASSERT_TRUE(dialog.Create());
  kit::CColorEdit edit;
  ASSERT_TRUE(edit.SubclassDlgItem(1012, &dialog));
  edit.SetFontAndColors("Arial", 12, 700, 0x000000, 0xF5F1F0);
  edit.SetText(kittest::ReadmeText());
  ExpectLooksLike(dialog, "readme_top");
}

TEST_F(KitLookTest, ErrorMessageBoxLayout) {
  // The box's dialog as MessageBox builds it, drawn without its loop.
  const std::string text = "Setup\\Setup.jpg konnte nicht ge\xF6" "ffnet werden !?";
  const kit::MessageBoxLayout layout = kit::LayoutMessageBox(text, true);
  EXPECT_EQ(layout.button.right - layout.button.left, 75);
  EXPECT_EQ(layout.button.bottom - layout.button.top, 23);
}

}  // namespace
