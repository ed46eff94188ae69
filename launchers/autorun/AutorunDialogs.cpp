// The menu, readme, upgrade and about dialogs.
#include "launchers/autorun/AutorunDialogs.h"

#include "launchers/autorun/ReadmeText.h"
#include "launchers/common/KitMessages.h"
#include "launchers/common/LauncherDialogs.h"
#include "launchers/common/MessageBox.h"
#include "platform/MessageBox.h"
#include "platform/ShellExecute.h"
#include "platform/WindowMessage.h"

namespace {

constexpr int32_t kHand = CLauncherMenuDlg::kHandCursor;
constexpr const char* kVisitUs = "Besuchen Sie uns im Internet";

// Lone line feeds become CR LF, the line break the edit control knows.
std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

}  // namespace

void OpenDocument(const std::string& target) {
  if (!target.empty()) platform::ShellExecute("open", target, "", "");
}

CLauncherMenuDlg::CLauncherMenuDlg(CAutorunLauncher& launcher, AutorunAddresses addresses)
    : CDialog(kit::AutorunMenuTemplate()), launcher_(launcher), addresses_(std::move(addresses)) {}

kit::CHoverButton& CLauncherMenuDlg::Button(int32_t id) {
  switch (id) {
    case 1003: return home_;
    case 1010: return homeTop_;
    case 1001: return service_;
    case 1006: return registration_;
    case 1004: return catalog_;
    case 1005: return readme_;
    case 1002: return quit_;
    case 1008: return cover_;
    case 1007: return start_;
    default: return upgrade_;
  }
}

bool CLauncherMenuDlg::OnInitDialog() {
  const bool installed = launcher_.Installed();
  const AutorunSettings& s = launcher_.Settings();
  home_.CreateFromResources(this, 1003, 136, 135, 134, kHand);
  home_.SetToolTipText(kVisitUs);
  homeTop_.CreateFromResources(this, 1010, 158, 160, 159, kHand);
  homeTop_.SetToolTipText(kVisitUs);
  service_.CreateFromResources(this, 1001, 129, 150, 149, kHand);
  service_.SetToolTipText("\xdc" "berzeugen Sie sich von unserem Online-Service");
  registration_.CreateFromResources(this, 1006, 145, 148, 147, kHand);
  registration_.SetToolTipText(
      "Lassen Sie sich bei uns online registrieren und bleiben so immer auf dem Laufenden");
  catalog_.CreateFromResources(this, 1004, 142, 141, 140, kHand);
  catalog_.SetToolTipText("St\xf6" "bern Sie in unserem Katalog\n(ben\xf6tigt Acrobat Reader)");
  readme_.CreateFromResources(this, 1005, 146, 144, 143, kHand);
  readme_.SetToolTipText("Alle n\xf6tigen Informationen gibt es hier");
  quit_.CreateFromResources(this, 1002, 133, 132, 131, kHand);
  quit_.SetToolTipText(installed ? "Beenden des Startvorganges" : "Beenden des Installationsvorganges");
  const char* startTip = installed ? "Starten des Programmes" : "Erstinstallation des Programmes";
  cover_.CreateFromFiles(this, 1008, s.Cover + "_n.bmp", s.Cover + "_h.bmp", s.Cover + "_c.bmp", kHand);
  cover_.SetToolTipText(startTip);
  if (installed) {
    start_.CreateFromResources(this, 1007, 151, 154, 153, kHand);
  } else {
    start_.CreateFromResources(this, 1007, 139, 138, 137, kHand);
  }
  start_.SetToolTipText(startTip);
  if (s.Enable == "1") {
    upgrade_.CreateFromResources(this, 1011, 168, 167, 166, kHand);
    upgrade_.SetToolTipText("Informieren Sie sich \xfc" "ber die aktuellen\nUpgrades zu diesem Produkt");
  }
  CheckDlgButton(kCheckBox, launcher_.DisableSplash() ? 1 : 0);
  return true;
}

bool CLauncherMenuDlg::OnCommand(int32_t id, uint16_t notification, kit::Handle control) {
  switch (id) {
    case 1003:
    case 1010:
      OpenDocument(addresses_.homePage);
      return true;
    case 1006:
      OpenDocument(addresses_.registrationPage);
      return true;
    case 1001:
      OpenDocument(addresses_.servicePage);
      return true;
    case 1004:
      OpenDocument(launcher_.Settings().Catalog);
      return true;
    case 1005: {
      CReadmeDlg readme(launcher_.Settings().Readme, addresses_);
      readme.DoModal();
      return true;
    }
    case 1007:
    case 1008:
      launcher_.SaveDisableSplash(IsDlgButtonChecked(kCheckBox));
      EndDialog(1);
      return true;
    case 1002:
      launcher_.SaveDisableSplash(IsDlgButtonChecked(kCheckBox));
      EndDialog(0);
      return true;
    case 1011:
      if (launcher_.Settings().Enable == "1") {
        CUpgradeDlg upgrade(launcher_.Settings(), addresses_);
        upgrade.DoModal();
      }
      return true;
    default:
      return CDialog::OnCommand(id, notification, control);
  }
}

void CLauncherMenuDlg::ShowAbout() {
  CAboutDlg about;
  about.DoModal();
}

intptr_t CLauncherMenuDlg::WindowProc(uint32_t code, uintptr_t wParam, intptr_t lParam) {
  if (code == kit::kMsgSysCommand && (wParam & 0xFFF0) == kAboutCommand) {
    ShowAbout();
    return 0;
  }
  return CDialog::WindowProc(code, wParam, lParam);
}

bool CLauncherMenuDlg::PreTranslateKey(uint32_t message, uint32_t key, uint32_t keyFlags) {
  // The menu has no caption: Alt+Space, which would open its system menu,
  // opens the about box that menu holds.
  if (message == platform::kMsgSysKeyDown && key == 0x20) {
    ShowAbout();
    return true;
  }
  return CDialog::PreTranslateKey(message, key, keyFlags);
}

CReadmeDlg::CReadmeDlg(const std::string& readmePath, const AutorunAddresses& addresses)
    : CDialog(kit::ReadmeDialogTemplate()), readmePath_(readmePath), addresses_(addresses) {}

bool CReadmeDlg::OnInitDialog() {
  home_.CreateFromResources(this, kHome, 158, 160, 159, kHand);
  home_.SetToolTipText(kVisitUs);
  back_.CreateFromResources(this, kBack, 164, 163, 162, kHand);
  back_.SetToolTipText("Zur\xfc" "ck zur Auswahl");
  edit_.SubclassDlgItem(kEdit, this);
  edit_.SetFontAndColors("Arial", 12, 700, 0x000000, 0xF5F1F0);
  std::string text;
  if (ReadReadmeText(readmePath_, text) == ReadmeStatus::kNotText) {
    text = "Die Datei " + readmePath_ + " enth\xe4lt keinen lesbaren Text.";
  }
  edit_.SetText(WithCrLf(text));
  return true;
}

bool CReadmeDlg::OnCommand(int32_t id, uint16_t notification, kit::Handle control) {
  if (id == kBack) {
    EndDialog(0);
    return true;
  }
  if (id == kHome) {
    OpenDocument(addresses_.homePage);
    return true;
  }
  return CDialog::OnCommand(id, notification, control);
}

CUpgradeDlg::CUpgradeDlg(const AutorunSettings& settings, const AutorunAddresses& addresses)
    : CDialog(kit::UpgradeDialogTemplate()), settings_(settings), addresses_(addresses) {}

bool CUpgradeDlg::OnInitDialog() {
  background_.LoadPictureFile(settings_.Screen);
  home_.CreateFromResources(this, 1003, 158, 160, 159, kHand);
  home_.SetToolTipText(kVisitUs);
  shop_.CreateFromResources(this, 1011, 170, 175, 174, kHand);
  shop_.SetToolTipText("Weiter zum Online Shop");
  back_.CreateFromResources(this, 1000, 173, 172, 171, kHand);
  back_.SetToolTipText("Zur\xfc" "ck zur Hauptauswahl");
  form_.CreateFromResources(this, 1012, 178, 180, 179, kHand);
  form_.SetToolTipText("\xd6" "ffnet das Bestellformular");
  return true;
}

bool CUpgradeDlg::OnEraseBackground(kit::DrawContext& dc) {
  if (!background_.IsValid()) return CDialog::OnEraseBackground(dc);
  background_.Paint(dc, 1, 0, kit::kRopSourceCopy);
  return true;
}

bool CUpgradeDlg::OnCommand(int32_t id, uint16_t notification, kit::Handle control) {
  switch (id) {
    case 1003:
      OpenDocument(addresses_.homePage);
      return true;
    case 1011:
      OpenDocument(settings_.URL);
      return true;
    case 1000:
      EndDialog(0);
      return true;
    case 1012:
      OpenDocument(settings_.Form);
      return true;
    default:
      return CDialog::OnCommand(id, notification, control);
  }
}

CAboutDlg::CAboutDlg() : CDialog(kit::AboutDialogTemplate()) {}
