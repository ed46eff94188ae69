// The setup-type and progress dialogs.
#include "launchers/setup/SetupDialogs.h"

#include <chrono>
#include <thread>
#include <vector>

#include "launchers/common/KitMessages.h"
#include "launchers/common/KitPicture.h"
#include "launchers/common/LauncherDialogs.h"
#include "launchers/common/ErrorBox.h"
#include "launchers/common/ProgressCtrl.h"
#include "launchers/setup/InstallerStart.h"
#include "platform/MessageBox.h"

namespace {

// Where both dialogs draw the picture (client pixels).
constexpr int32_t kPictureX = 14;
constexpr int32_t kPictureY = 14;

}  // namespace

bool LoadSetupPicture(const std::string& launcherDir, kit::CDibImage& picture) {
  picture.Free();
  std::vector<uint8_t> bytes;
  kit::KitImage image;
  return ReadSetupPicture(launcherDir, bytes) && kit::DecodePicture(bytes, image) && picture.CreateFromBitmap(image);
}

CSetupTypeDlg::CSetupTypeDlg(SetupSession& session)
    : CDialog(kit::SetupTypeDialogTemplate()), session_(session) {}

bool CSetupTypeDlg::OnInitDialog() {
  link_.SubclassDlgItem(kLink, this);
  if (!LoadSetupPicture(session_.launcherDir, picture_)) {
    ShowLauncherError(this, "Setup\\Setup.jpg konnte nicht ge\xf6" "ffnet werden !?");
    EndDialog(-1);
    return false;
  }
  CheckDlgButton(kExpress, 1);
  if (CWindow* button = GetDlgItem(kContinue)) button->Enable(true);
  link_.SetUrl(session_.serviceUrl);
  return true;
}

void CSetupTypeDlg::OnPaint(kit::DrawContext& dc) {
  CDialog::OnPaint(dc);
  if (picture_.IsValid()) picture_.Paint(dc, kPictureX, kPictureY, kit::kRopSourceCopy);
}

bool CSetupTypeDlg::OnCommand(int32_t id, uint16_t notification, kit::Handle control) {
  switch (id) {
    case kExpress:
    case kCustom:
      if (CWindow* button = GetDlgItem(kContinue)) button->Enable(true);
      SetDefId(kContinue);
      return true;
    case kContinue:
      OnContinue();
      return true;
    default:
      return CDialog::OnCommand(id, notification, control);
  }
}

void CSetupTypeDlg::OnContinue() {
  const InstallerStart start = MakeInstallerStart(session_.launcherDir, IsDlgButtonChecked(kExpress));
  pid_t child = 0;
  if (!LaunchInstaller(start, &child)) {
    ShowLauncherError(this, "Installationsroutine konnte nicht gestartet werden!");
    EndDialog(2);
    return;
  }
  session_.progress.Follow(child);
  EndDialog(start.result);
}

intptr_t CSetupTypeDlg::WindowProc(uint32_t code, uintptr_t wParam, intptr_t lParam) {
  // An installer quicker than this dialog's end: its report is kept for the
  // progress dialog.
  if (code == kSetupProgressMessage) {
    session_.progress.Report(static_cast<intptr_t>(wParam));
    return 0;
  }
  return CDialog::WindowProc(code, wParam, lParam);
}

CInstallProgressDlg::CInstallProgressDlg(SetupSession& session)
    : CDialog(kit::InstallProgressDialogTemplate()), session_(session) {}

bool CInstallProgressDlg::OnInitDialog() {
  link_.SubclassDlgItem(kLink, this);
  if (!LoadSetupPicture(session_.launcherDir, picture_)) {
    ShowLauncherError(this, "Setup.jpg konnte nicht ge\xf6" "ffnet werden !?");
    EndDialog(-1);
    return false;
  }
  link_.SetUrl(session_.serviceUrl);
  if (auto* bar = dynamic_cast<kit::CProgressCtrl*>(GetDlgItem(kProgressBar))) {
    bar->SetRange(0, 100);
    bar->SetPos(0);
  }
  // What the installer reported before this dialog existed, and whether it
  // has ended meanwhile.
  ShowPosition();
  session_.progress.PollInstallerEnded();
  if (session_.progress.Finished()) {
    EndDialog(0);
    return true;
  }
  SetTimer(kWatchTimer, 100);
  return true;
}

void CInstallProgressDlg::ShowPosition() {
  if (auto* bar = dynamic_cast<kit::CProgressCtrl*>(GetDlgItem(kProgressBar))) {
    bar->SetPos(session_.progress.Position());
    bar->UpdateWindow();
  }
}

void CInstallProgressDlg::OnPaint(kit::DrawContext& dc) {
  CDialog::OnPaint(dc);
  if (picture_.IsValid()) picture_.Paint(dc, kPictureX, kPictureY, kit::kRopSourceCopy);
}

void CInstallProgressDlg::OnSetupProgress(intptr_t percent) {
  session_.progress.Report(percent);
  ++reportsSinceTick_;
  ShowPosition();
  // Each report holds the dialog a moment, which paces the bar.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (percent >= 100) EndDialog(0);
}

void CInstallProgressDlg::OnTimer(int32_t id) {
  if (id != kWatchTimer) {
    CDialog::OnTimer(id);
    return;
  }
  // An installer that has gone reports nothing more: waiting on would never
  // end. Its last reports may still wait in the queue (each holds this
  // dialog a moment): those are shown first, so the end comes at a tick
  // without a report before it.
  const bool quiet = reportsSinceTick_ == 0;
  reportsSinceTick_ = 0;
  if (session_.progress.Complete() || (session_.progress.PollInstallerEnded() && quiet)) {
    KillTimer(kWatchTimer);
    ShowPosition();
    EndDialog(0);
  }
}

intptr_t CInstallProgressDlg::WindowProc(uint32_t code, uintptr_t wParam, intptr_t lParam) {
  if (code == kSetupProgressMessage) {
    OnSetupProgress(static_cast<intptr_t>(wParam));
    return 0;
  }
  return CDialog::WindowProc(code, wParam, lParam);
}
