// Dialogs of the launchers' dialog kit: a template (a table of controls in
// dialog units with the font whose base units map them to pixels), the
// dialog window made from it, the modal loop with the owner disabled, and
// the dialog keyboard: Enter for the default button, Escape for Cancel, Tab
// and the arrow keys between controls and within groups, '&' mnemonics and
// Alt+F4 for closing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "launchers/common/KitFonts.h"
#include "launchers/common/Window.h"

namespace kit {

class CButton;

enum class ItemKind : uint8_t {
  kPushButton,
  kDefPushButton,
  kAutoRadioButton,
  kAutoCheckBox,
  kGroupBox,
  kText,
  kBitmap,    // `resource` names the bitmap (CResources)
  kIcon,
  kProgress,
  kEdit,
};

// One control of a template; position and size in dialog units.
struct DialogItem {
  ItemKind kind = ItemKind::kText;
  int32_t id = -1;
  std::string text;  // code page 1252
  int32_t x = 0;
  int32_t y = 0;
  int32_t cx = 0;
  int32_t cy = 0;
  uint32_t style = 0;  // kit::Style flags
  int32_t resource = 0;
};

struct DialogTemplate {
  std::string caption;   // code page 1252
  bool hasCaption = true;
  std::string fontFace = "MS Sans Serif";
  int32_t pointSize = 8;
  int32_t cx = 0;        // dialog units
  int32_t cy = 0;
  bool centered = true;
  int32_t x = 0;         // dialog units, when not centred
  int32_t y = 0;
  bool foreground = false;
  // Base units to use instead of the font's (a template laid out for a
  // known scale); {0, 0} measures the font.
  BaseUnits units{};
  std::vector<DialogItem> items;
};

// A rectangle of dialog units in pixels: x through the horizontal base unit
// (units of a quarter), y through the vertical (units of an eighth), each
// edge rounded on its own.
platform::Rect MapDialogRect(const platform::Rect& units, BaseUnits base);
// The base units of a template: its own, or its font's.
BaseUnits TemplateBaseUnits(const DialogTemplate& t);

class CDialog : public CWindow {
 public:
  explicit CDialog(DialogTemplate dialogTemplate, CWindow* owner = nullptr);
  ~CDialog() override;

  // Makes the window and its controls and runs OnInitDialog, without a
  // modal loop (tests, and DoModal's first step). False when the window
  // cannot be made.
  bool Create();
  // Runs the dialog: the owner is disabled until it ends; the answer is
  // EndDialog's value, or -1 when the quit message ended it.
  int32_t DoModal();
  void EndDialog(int32_t result);
  bool IsEnded() const { return ended_; }
  int32_t GetResult() const { return result_; }

  const DialogTemplate& GetTemplate() const { return template_; }
  BaseUnits GetBaseUnits() const { return units_; }
  platform::Rect MapDialogRect(const platform::Rect& units) const { return kit::MapDialogRect(units, units_); }

  int32_t GetDefId() const { return defId_; }
  void SetDefId(int32_t id);
  bool IsDlgButtonChecked(int32_t id) const;
  void CheckDlgButton(int32_t id, int32_t state);

  // The next control that takes the focus after (or before) one, following
  // the tab stops; within a radio group the checked button.
  CWindow* NextTabControl(CWindow* from, bool backwards) const;
  // The next control of the group (arrow keys).
  CWindow* NextGroupControl(CWindow* from, bool backwards) const;

  virtual bool OnInitDialog() { return true; }
  virtual void OnOK() { EndDialog(kIdOk); }
  virtual void OnCancel() { EndDialog(kIdCancel); }

  intptr_t WindowProc(uint32_t code, uintptr_t wParam, intptr_t lParam) override;
  bool OnCommand(int32_t id, uint16_t notification, Handle control) override;
  void OnClose() override;
  bool PreTranslateKey(uint32_t message, uint32_t key, uint32_t keyFlags) override;

 protected:
  // Sends the command of a control (as if clicked); false when it is
  // missing or disabled (the standard ids go out without a control).
  bool SendCommandOf(int32_t id);
  bool HandleMnemonic(char letter);
  void UpdateDefaultLook();
  void FocusFirstControl();

 private:
  DialogTemplate template_;
  BaseUnits units_{};
  CWindow* requestedOwner_ = nullptr;
  int32_t defId_ = kIdOk;
  bool ended_ = false;
  int32_t result_ = 0;
};

}  // namespace kit
