// The setup launcher's two dialogs on the dialog kit: the choice of express
// or custom setup, which starts the installer, and the progress dialog the
// installer drives with message 0x500 until 100 percent.
#pragma once
#include <cstdint>
#include <string>

#include "launchers/common/DibImage.h"
#include "launchers/common/Dialog.h"
#include "launchers/setup/HyperLinkStatic.h"
#include "launchers/setup/SetupProgress.h"

// What both dialogs share: the launcher's folder, the service address and
// the installer's progress.
struct SetupSession {
  std::string launcherDir;
  std::string serviceUrl = "http://www.pellam.example/service";
  CSetupProgress progress;
};

// Loads the picture beside the launcher (Setup\setup.jpg, or from Setup.kvt).
bool LoadSetupPicture(const std::string& launcherDir, kit::CDibImage& picture);

class CSetupTypeDlg : public kit::CDialog {
 public:
  static constexpr int32_t kExpress = 1000;
  static constexpr int32_t kCustom = 1001;
  static constexpr int32_t kContinue = 1002;
  static constexpr int32_t kLink = 1007;

  explicit CSetupTypeDlg(SetupSession& session);
  bool OnInitDialog() override;
  void OnPaint(kit::DrawContext& dc) override;
  bool OnCommand(int32_t id, uint16_t notification, kit::Handle control) override;
  intptr_t WindowProc(uint32_t code, uintptr_t wParam, intptr_t lParam) override;
  bool PictureLoaded() const { return picture_.IsValid(); }

 private:
  void OnContinue();
  SetupSession& session_;
  CHyperLinkStatic link_;
  kit::CDibImage picture_;
};

class CInstallProgressDlg : public kit::CDialog {
 public:
  static constexpr int32_t kProgressBar = 1004;
  static constexpr int32_t kLink = 1007;
  static constexpr int32_t kWatchTimer = 1;

  explicit CInstallProgressDlg(SetupSession& session);
  bool OnInitDialog() override;
  void OnPaint(kit::DrawContext& dc) override;
  void OnTimer(int32_t id) override;
  intptr_t WindowProc(uint32_t code, uintptr_t wParam, intptr_t lParam) override;

 private:
  void OnSetupProgress(intptr_t percent);
  void ShowPosition();
  SetupSession& session_;
  CHyperLinkStatic link_;
  kit::CDibImage picture_;
  int32_t reportsSinceTick_ = 0;
};
