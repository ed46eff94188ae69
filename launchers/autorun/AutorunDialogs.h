// The autorun menu's dialogs on the dialog kit: the 640 x 480 menu of picture
// buttons, the readme, the upgrade page and the about box.
#pragma once
#include <cstdint>
#include <string>

#include "launchers/autorun/AutorunLauncher.h"
#include "launchers/common/ColorEdit.h"
#include "launchers/common/DibImage.h"
#include "launchers/common/Dialog.h"
#include "launchers/common/HoverButton.h"

// The publisher's addresses the menu opens.
struct AutorunAddresses {
  std::string homePage = "http://www.pellam.example";
  std::string servicePage = "http://www.pellam.example/service";
  std::string registrationPage = "http://www.pellam.example/registrierung";
};

// Opens a document or address the way every button of the menus does (the
// result is not looked at).
void OpenDocument(const std::string& target);

class CLauncherMenuDlg : public kit::CDialog {
 public:
  static constexpr int32_t kCheckBox = 1009;
  static constexpr int32_t kAboutCommand = 0x10;
  static constexpr int32_t kHandCursor = 155;

  CLauncherMenuDlg(CAutorunLauncher& launcher, AutorunAddresses addresses = {});
  bool OnInitDialog() override;
  bool OnCommand(int32_t id, uint16_t notification, kit::Handle control) override;
  intptr_t WindowProc(uint32_t code, uintptr_t wParam, intptr_t lParam) override;
  bool PreTranslateKey(uint32_t message, uint32_t key, uint32_t keyFlags) override;
  void OnOK() override {}     // Enter does nothing
  void OnClose() override {}  // the menu cannot be closed, only left through its buttons
  kit::CHoverButton& Button(int32_t id);

 private:
  void ShowAbout();
  CAutorunLauncher& launcher_;
  AutorunAddresses addresses_;
  kit::CHoverButton home_, homeTop_, registration_, service_, catalog_, readme_, quit_, cover_, start_, upgrade_;
};

class CReadmeDlg : public kit::CDialog {
 public:
  static constexpr int32_t kEdit = 1012;
  static constexpr int32_t kHome = 1011;
  static constexpr int32_t kBack = 1010;

  CReadmeDlg(const std::string& readmePath, const AutorunAddresses& addresses);
  bool OnInitDialog() override;
  bool OnCommand(int32_t id, uint16_t notification, kit::Handle control) override;
  void OnOK() override {}
  void OnClose() override {}
  kit::CColorEdit& Edit() { return edit_; }

 private:
  std::string readmePath_;
  AutorunAddresses addresses_;
  kit::CColorEdit edit_;
  kit::CHoverButton home_, back_;
};

class CUpgradeDlg : public kit::CDialog {
 public:
  CUpgradeDlg(const AutorunSettings& settings, const AutorunAddresses& addresses);
  bool OnInitDialog() override;
  bool OnCommand(int32_t id, uint16_t notification, kit::Handle control) override;
  bool OnEraseBackground(kit::DrawContext& dc) override;
  bool HasBackground() const { return background_.IsValid(); }

 private:
  AutorunSettings settings_;
  AutorunAddresses addresses_;
  kit::CDibImage background_;
  kit::CHoverButton home_, shop_, back_, form_;
};

class CAboutDlg : public kit::CDialog {
 public:
  CAboutDlg();
};
