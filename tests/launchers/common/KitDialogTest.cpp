// The dialog kit without a display: dialogs from templates take mouse and
// key messages as the window layer delivers them (radio groups, the default
// button, Escape, mnemonics, Alt+F4), the controls keep their state, and
// commands reach the dialog.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launchers/common/Button.h"
#include "launchers/common/Dialog.h"
#include "launchers/common/Edit.h"
#include "launchers/common/KitLoop.h"
#include "launchers/common/MessageBox.h"
#include "launchers/common/ProgressCtrl.h"
#include "launchers/common/LauncherDialogs.h"
#include "launchers/common/KitTestSupport.h"
#include "platform/Input.h"
#include "platform/VirtualKeyMap.h"
#include "platform/WindowQueue.h"

namespace {

// The setup-type dialog as the setup launcher drives it: Express checked at
// start; a radio click makes Continue the default; commands are recorded.
class RecordingDialog : public kit::CDialog {
 public:
  explicit RecordingDialog(kit::DialogTemplate t) : kit::CDialog(std::move(t)) {}
  bool OnInitDialog() override {
    CheckDlgButton(1000, 1);
    return true;
  }
  bool OnCommand(int32_t id, uint16_t notification, kit::Handle control) override {
    commands.push_back(id);
    if (id == 1000 || id == 1001) SetDefId(1002);
    if (id == 1002) {
      EndDialog(IsDlgButtonChecked(1000) ? 0 : 2);
      return true;
    }
    return kit::CDialog::OnCommand(id, notification, control);
  }
  std::vector<int32_t> commands;
};

class KitDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetMessageQueue();
    kittest::RegisterSetupPlaceholders();
  }
  void TearDown() override {
    kit::PumpPending();
    kit::CResources::Clear();
    platform::ResetMessageQueue();
  }
};

TEST_F(KitDialogTest, RadioButtonsFollowClicksArrowsAndMnemonics) {
  RecordingDialog dialog(kit::SetupTypeDialogTemplate());
  ASSERT_TRUE(dialog.Create());
  EXPECT_TRUE(dialog.IsDlgButtonChecked(1000));
  EXPECT_FALSE(dialog.IsDlgButtonChecked(1001));
  // The focus starts on the checked radio button: the first tab stop.
  EXPECT_EQ(kit::CWindow::GetFocus(), dialog.GetDlgItem(1000));

  kittest::Click(*dialog.GetDlgItem(1001), 5, 5);
  EXPECT_FALSE(dialog.IsDlgButtonChecked(1000));
  EXPECT_TRUE(dialog.IsDlgButtonChecked(1001));
  EXPECT_EQ(dialog.commands, (std::vector<int32_t>{1001}));
  EXPECT_EQ(dialog.GetDefId(), 1002);

  // Up moves within the group and checks the button it reaches.
  kittest::Key(dialog, platform::kKeyUp);
  EXPECT_TRUE(dialog.IsDlgButtonChecked(1000));
  EXPECT_FALSE(dialog.IsDlgButtonChecked(1001));
  // Alt+B: the custom setup's mnemonic.
  kittest::Key(dialog, 'B', true);
  EXPECT_TRUE(dialog.IsDlgButtonChecked(1001));
  // A click on the group box's frame passes through it and changes nothing.
  kittest::Click(*dialog.Children()[3], 1, 20);
  EXPECT_TRUE(dialog.IsDlgButtonChecked(1001));
  EXPECT_EQ(dialog.commands, (std::vector<int32_t>{1001, 1000, 1001}));
  EXPECT_FALSE(dialog.IsEnded());
}

TEST_F(KitDialogTest, EnterSendsTheDefaultButtonAndEscapeCancels) {
  {
    RecordingDialog dialog(kit::SetupTypeDialogTemplate());
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(dialog.GetDefId(), 1002);  // the template's default push button
    kittest::Key(dialog, platform::kKeyReturn);
    EXPECT_TRUE(dialog.IsEnded());
    EXPECT_EQ(dialog.GetResult(), 0);  // Express was checked
  }
  {
    RecordingDialog dialog(kit::SetupTypeDialogTemplate());
    ASSERT_TRUE(dialog.Create());
    kittest::Key(dialog, platform::kKeyEscape);
    EXPECT_TRUE(dialog.IsEnded());
    EXPECT_EQ(dialog.GetResult(), kit::kIdCancel);
    EXPECT_EQ(dialog.commands, (std::vector<int32_t>{kit::kIdCancel}));
  }
  {
    // Alt+F4 asks the dialog to close, which is its Cancel.
    RecordingDialog dialog(kit::SetupTypeDialogTemplate());
    ASSERT_TRUE(dialog.Create());
    kittest::Key(dialog, platform::kKeyF4, true);
    kit::PumpPending();
    EXPECT_TRUE(dialog.IsEnded());
    EXPECT_EQ(dialog.GetResult(), kit::kIdCancel);
  }
  {
    // Tab to the Cancel button: Enter then presses the focused button.
    RecordingDialog dialog(kit::SetupTypeDialogTemplate());
    ASSERT_TRUE(dialog.Create());
    kittest::Key(dialog, platform::kKeyTab);
    EXPECT_EQ(kit::CWindow::GetFocus(), dialog.GetDlgItem(1002));
    kittest::Key(dialog, platform::kKeyTab);
    EXPECT_EQ(kit::CWindow::GetFocus(), dialog.GetDlgItem(2));
    auto* cancel = dynamic_cast<kit::CButton*>(dialog.GetDlgItem(2));
    ASSERT_NE(cancel, nullptr);
    EXPECT_TRUE(cancel->HasDefaultLook());
    kittest::Key(dialog, platform::kKeyReturn);
    EXPECT_EQ(dialog.GetResult(), kit::kIdCancel);
  }
}

TEST_F(KitDialogTest, DisabledDefaultButtonIgnoresEnter) {
  RecordingDialog dialog(kit::SetupTypeDialogTemplate());
  ASSERT_TRUE(dialog.Create());
  dialog.GetDlgItem(1002)->Enable(false);
  kittest::Key(dialog, platform::kKeyReturn);
  EXPECT_FALSE(dialog.IsEnded());
  kittest::Click(*dialog.GetDlgItem(1002), 10, 10);  // a disabled button takes no click either
  EXPECT_FALSE(dialog.IsEnded());
}

TEST_F(KitDialogTest, ModalLoopDisablesTheOwnerAndEndsOnQuit) {
  RecordingDialog owner(kit::SetupTypeDialogTemplate());
  ASSERT_TRUE(owner.Create());
  class Probe : public kit::CDialog {
   public:
    using kit::CDialog::CDialog;
    bool OnInitDialog() override {
      ownerEnabledDuring = GetOwner() != nullptr && GetOwner()->IsEnabled();
      PostMessage(kit::kMsgCommand, kit::MakeCommandParam(kit::kIdOk, 0), 0);
      return true;
    }
    bool ownerEnabledDuring = true;
  };
  Probe child(kit::AboutDialogTemplate(), &owner);
  EXPECT_EQ(child.DoModal(), kit::kIdOk);
  EXPECT_FALSE(child.ownerEnabledDuring);
  EXPECT_TRUE(owner.IsEnabled());

  // The quit message ends a modal loop with -1 and stays for the loops outside.
  class Quitter : public kit::CDialog {
   public:
    using kit::CDialog::CDialog;
    bool OnInitDialog() override {
      platform::PostQuitMessage(-1);
      return false;
    }
  };
  Quitter quitter(kit::AboutDialogTemplate(), &owner);
  EXPECT_EQ(quitter.DoModal(), -1);
  int32_t code = 0;
  EXPECT_TRUE(kit::TakeQuitMessage(&code));
  EXPECT_EQ(code, -1);
  EXPECT_TRUE(owner.IsEnabled());
}

TEST_F(KitDialogTest, ProgressBarKeepsItsPositionInRange) {
  kit::CDialog dialog(kit::InstallProgressDialogTemplate());
  ASSERT_TRUE(dialog.Create());
  auto* bar = dynamic_cast<kit::CProgressCtrl*>(dialog.GetDlgItem(1004));
  ASSERT_NE(bar, nullptr);
  bar->SendMessage(kit::kMsgProgressSetRange, 0, static_cast<intptr_t>(0 | (100 << 16)));
  EXPECT_EQ(bar->SendMessage(kit::kMsgProgressSetPos, 0, 0), 0);
  EXPECT_EQ(bar->FilledBlocks(), 0);
  EXPECT_EQ(bar->SendMessage(kit::kMsgProgressSetPos, 50, 0), 0);
  const int32_t half = bar->FilledBlocks();
  bar->SetPos(100);
  const int32_t full = bar->FilledBlocks();
  EXPECT_GT(half, 0);
  EXPECT_NEAR(half * 2, full, 2);
  bar->SetPos(250);  // beyond the range: held at its end
  EXPECT_EQ(bar->GetPos(), 100);
  bar->SetPos(-5);
  EXPECT_EQ(bar->GetPos(), 0);
  // The blocks fit the well: the last one ends inside the bar.
  bar->SetPos(100);
  const std::vector<uint32_t>& pixels = dialog.GetPixels();
  EXPECT_FALSE(pixels.empty());
}

TEST_F(KitDialogTest, ReadOnlyEditWrapsAndScrollsLongCp1252Text) {
  kit::CDialog dialog(kit::ReadmeDialogTemplate());
  ASSERT_TRUE(dialog.Create());
  auto* edit = dynamic_cast<kit::CEdit*>(dialog.GetDlgItem(1012));
  ASSERT_NE(edit, nullptr);
  std::string text;
  for (int i = 0; i < 200; ++i) {
    text += "Zeile " + std::to_string(i) + ": Gr\xFC\xDF" "e aus K\xF6ln, \x84" "Anf\xFChrung\x93 \x80 5\r\n";
  }
  text += std::string(3000, 'x');  // one word longer than the width: broken
  edit->SetText(text);
  EXPECT_GE(edit->GetLineCount(), 201);
  EXPECT_EQ(edit->GetLine(0), "Zeile 0: Gr\xFC\xDF" "e aus K\xF6ln, \x84" "Anf\xFChrung\x93 \x80 5");
  const int32_t visible = edit->VisibleLineCount();
  EXPECT_GT(visible, 5);
  edit->SetFocus();
  kittest::Key(dialog, platform::kKeyDown);
  EXPECT_EQ(edit->GetFirstVisibleLine(), 1);
  kittest::Key(dialog, platform::kKeyPageDown);
  EXPECT_EQ(edit->GetFirstVisibleLine(), 1 + visible);
  kittest::Key(dialog, platform::kKeyEnd);
  EXPECT_EQ(edit->GetFirstVisibleLine(), edit->GetLineCount() - visible);
  kittest::Key(dialog, platform::kKeyHome);
  EXPECT_EQ(edit->GetFirstVisibleLine(), 0);
  // The scroll bar's down arrow and the track below the thumb.
  const platform::Rect down = edit->DownArrow();
  kittest::Click(*edit, down.left + 4, down.top + 4);
  EXPECT_EQ(edit->GetFirstVisibleLine(), 1);
  const platform::Rect thumb = edit->Thumb();
  ASSERT_FALSE(thumb.IsEmpty());
  kittest::Click(*edit, thumb.left + 4, thumb.bottom + 20);
  EXPECT_EQ(edit->GetFirstVisibleLine(), 1 + visible);
  // Escape still ends the dialog while the edit has the focus.
  kittest::Key(dialog, platform::kKeyEscape);
  EXPECT_TRUE(dialog.IsEnded());
}

TEST_F(KitDialogTest, MessageBoxGoesToTheCaptureWithItsTexts) {
  std::vector<std::string> seen;
  platform::MessageBoxCapture previous = platform::SetMessageBoxCapture(
      [&](const std::string& title, const std::string& text, platform::MessageBoxIcon icon) {
        seen.push_back(title + "|" + text + "|" + std::to_string(static_cast<int>(icon)));
        return platform::kMessageBoxOk;
      });
  EXPECT_EQ(kit::MessageBox(nullptr, "Setup\\Setup.jpg konnte nicht ge\xF6" "ffnet werden !?", "F E H L E R",
                            platform::MessageBoxIcon::kError),
            kit::kIdOk);
  platform::SetMessageBoxCapture(previous);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], "F E H L E R|Setup\\Setup.jpg konnte nicht ge\xF6" "ffnet werden !?|1");
}

TEST_F(KitDialogTest, MessageBoxLayoutGrowsWithItsText) {
  const kit::MessageBoxLayout one = kit::LayoutMessageBox("Kurz", true);
  const kit::MessageBoxLayout many = kit::LayoutMessageBox(
      "Eines der Bilder\n\nX_n.bmp\nX_h.bmp\n\nund/oder\n\nX_c.bmp\n\nkonnte nicht gefunden werden !?", true);
  EXPECT_GT(many.client.bottom, one.client.bottom);
  EXPECT_GE(one.text.left, one.icon.right);
  EXPECT_GE(many.button.top, many.text.bottom);
  EXPECT_EQ(many.button.right - many.button.left, 75);
  // A text without breaks is wrapped at the box's text width.
  const kit::MessageBoxLayout longText = kit::LayoutMessageBox(std::string(20000, 'W'), true);
  EXPECT_LE(longText.client.right, 12 + 32 + 12 + 401 + 12);
}

}  // namespace
