#include "launchers/common/Dialog.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "launchers/common/Button.h"
#include "launchers/common/Edit.h"
#include "launchers/common/KitLoop.h"
#include "launchers/common/ProgressCtrl.h"
#include "launchers/common/Resources.h"
#include "launchers/common/Static.h"
#include "platform/Input.h"
#include "platform/VirtualKeyMap.h"
#include "platform/Window.h"
#include "platform/WindowMessage.h"

namespace kit {

using platform::Point;
using platform::Rect;

namespace {

// a * b / c rounded half away from zero, as the dialog manager scales.
int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  const int64_t n = static_cast<int64_t>(a) * b;
  const int64_t half = (c > 0 ? c : -c) / 2;
  const int64_t r = n >= 0 ? (n + half) / c : (n - half) / c;
  return static_cast<int32_t>(r);
}

constexpr int32_t kFrame = 3;
constexpr int32_t kCaptionHeight = 19;

CButton* AsButton(CWindow* w) { return dynamic_cast<CButton*>(w); }
bool IsRadio(CWindow* w) {
  CButton* b = AsButton(w);
  return b != nullptr && b->GetKind() == CButton::Kind::kRadio;
}

}  // namespace

Rect MapDialogRect(const Rect& units, BaseUnits base) {
  return Rect{MulDiv(units.left, base.x, 4), MulDiv(units.top, base.y, 8), MulDiv(units.right, base.x, 4),
              MulDiv(units.bottom, base.y, 8)};
}

BaseUnits TemplateBaseUnits(const DialogTemplate& t) {
  if (t.units.x > 0 && t.units.y > 0) return t.units;
  std::shared_ptr<platform::Font> font = GetFont(FontSpec{t.fontFace, PointsToPixels(t.pointSize), false});
  if (!font) return BaseUnits{6, 13};
  return MeasureBaseUnits(*font);
}

CDialog::CDialog(DialogTemplate dialogTemplate, CWindow* owner)
    : template_(std::move(dialogTemplate)), requestedOwner_(owner) {}

CDialog::~CDialog() {
  if (IsCreated()) DestroyWindow();
}

bool CDialog::Create() {
  if (IsCreated()) return false;
  ended_ = false;
  result_ = 0;
  defId_ = kIdOk;
  units_ = TemplateBaseUnits(template_);
  const Rect client = kit::MapDialogRect(Rect{0, 0, template_.cx, template_.cy}, units_);
  int32_t width = client.right;
  int32_t height = client.bottom;
  if (template_.hasCaption) {
    width += 2 * kFrame;
    height += 2 * kFrame + kCaptionHeight;
  }
  const Point screen = GetScreenSize();
  int32_t left = 0;
  int32_t top = 0;
  if (template_.centered) {
    left = (screen.x - width) / 2;
    top = (screen.y - height) / 2;
  } else {
    const Rect at = kit::MapDialogRect(Rect{template_.x, template_.y, template_.x, template_.y}, units_);
    left = at.left;
    top = at.top;
  }
  TopLevelOptions options;
  options.title = template_.caption;
  options.bounds = Rect{left, top, left + width, top + height};
  options.caption = template_.hasCaption;
  options.visible = false;
  options.owner = requestedOwner_ != nullptr ? requestedOwner_->GetTopLevel() : nullptr;
  if (!CreateTopLevel(options)) return false;
  style_ = 0;
  SetFont(kit::GetFont(FontSpec{template_.fontFace, PointsToPixels(template_.pointSize), false}), false);

  for (const DialogItem& item : template_.items) {
    std::unique_ptr<CWindow> control;
    uint32_t style = item.style;
    switch (item.kind) {
      case ItemKind::kPushButton:
        control = std::make_unique<CButton>(CButton::Kind::kPush);
        break;
      case ItemKind::kDefPushButton:
        control = std::make_unique<CButton>(CButton::Kind::kDefaultPush);
        defId_ = item.id;
        break;
      case ItemKind::kAutoRadioButton:
        control = std::make_unique<CButton>(CButton::Kind::kRadio);
        break;
      case ItemKind::kAutoCheckBox:
        control = std::make_unique<CButton>(CButton::Kind::kCheckBox);
        break;
      case ItemKind::kGroupBox:
        control = std::make_unique<CButton>(CButton::Kind::kGroupBox);
        break;
      case ItemKind::kText:
        control = std::make_unique<CStatic>(CStatic::Kind::kText);
        break;
      case ItemKind::kBitmap:
        control = std::make_unique<CStatic>(CStatic::Kind::kBitmap);
        style |= kStyleRealSize;
        break;
      case ItemKind::kIcon:
        control = std::make_unique<CStatic>(CStatic::Kind::kIcon);
        break;
      case ItemKind::kProgress:
        control = std::make_unique<CProgressCtrl>();
        break;
      case ItemKind::kEdit:
        control = std::make_unique<CEdit>();
        break;
    }
    Rect r = kit::MapDialogRect(Rect{item.x, item.y, item.x + item.cx, item.y + item.cy}, units_);
    if (item.kind == ItemKind::kIcon) r = Rect{r.left, r.top, r.left + 32, r.top + 32};
    CWindow* made = Adopt(std::move(control));
    made->CreateChild(this, item.id, r, style, item.text);
    if (item.kind == ItemKind::kBitmap) {
      KitImage image;
      if (CResources::LoadBitmap(item.resource, image)) static_cast<CStatic*>(made)->SetImage(std::move(image));
    }
  }
  UpdateDefaultLook();
  if (OnInitDialog()) FocusFirstControl();
  UpdateDefaultLook();
  return IsCreated();
}

void CDialog::FocusFirstControl() {
  CWindow* first = NextTabControl(nullptr, false);
  if (first != nullptr) first->SetFocus();
}

int32_t CDialog::DoModal() {
  // The owner takes no input from before the dialog's initialisation on.
  CWindow* owner = IsCreated() ? GetOwner() : (requestedOwner_ != nullptr ? requestedOwner_->GetTopLevel() : nullptr);
  const bool ownerWasEnabled = owner != nullptr && owner->IsEnabled();
  if (ownerWasEnabled) owner->Enable(false);
  if (!IsCreated() && !Create()) {
    if (ownerWasEnabled) owner->Enable(true);
    return -1;
  }
  const Handle ownerHandle = owner != nullptr ? owner->GetHandle() : 0;
  if (!ended_) {
    Show(true);
    if (template_.foreground && Native() != nullptr) Native()->Raise();
    UpdateWindow();
  }
  int32_t quitCode = 0;
  const bool finished = RunLoopUntil([this] { return ended_ || !IsCreated(); }, &quitCode);
  if (!finished) result_ = -1;
  if (ownerWasEnabled && CWindow::FromHandle(ownerHandle) == owner) {
    owner->Enable(true);
    if (owner->IsVisible() && owner->Native() != nullptr) {
      owner->Native()->Raise();
      platform::SetFocus(owner->Native()->GetHandle());
    }
    owner->Invalidate();
  }
  DestroyWindow();
  return result_;
}

void CDialog::EndDialog(int32_t result) {
  result_ = result;
  ended_ = true;
}

void CDialog::SetDefId(int32_t id) {
  defId_ = id;
  UpdateDefaultLook();
}

void CDialog::UpdateDefaultLook() {
  CButton* focusButton = AsButton(GetFocus());
  const bool focusIsPush = focusButton != nullptr && focusButton->IsPushButton() && focusButton->GetParent() == this;
  for (CWindow* c : Children()) {
    CButton* b = AsButton(c);
    if (b == nullptr || !b->IsPushButton()) continue;
    b->SetDefaultLook(focusIsPush ? b == focusButton : b->GetId() == defId_);
  }
}

bool CDialog::IsDlgButtonChecked(int32_t id) const {
  CWindow* w = GetDlgItem(id);
  return w != nullptr && w->SendMessage(kMsgButtonGetCheck, 0, 0) != 0;
}

void CDialog::CheckDlgButton(int32_t id, int32_t state) {
  if (CWindow* w = GetDlgItem(id)) w->SendMessage(kMsgButtonSetCheck, static_cast<uintptr_t>(state), 0);
}

CWindow* CDialog::NextTabControl(CWindow* from, bool backwards) const {
  // Tab stops: the focusable controls; a radio group counts once, at its
  // checked button (or its first).
  std::vector<CWindow*> stops;
  const auto& all = Children();
  for (size_t i = 0; i < all.size(); ++i) {
    CWindow* c = all[i];
    if (!c->CanTakeFocus()) continue;
    if (IsRadio(c)) {
      std::vector<CWindow*> group = AsButton(c)->GroupMembers();
      CWindow* pick = nullptr;
      for (CWindow* g : group) {
        if (IsRadio(g) && g->CanTakeFocus() && pick == nullptr) pick = g;
      }
      for (CWindow* g : group) {
        if (IsRadio(g) && g->CanTakeFocus() && AsButton(g)->GetCheck() != 0) pick = g;
      }
      if (from != nullptr && IsRadio(from) && std::find(group.begin(), group.end(), from) != group.end()) pick = from;
      if (pick != nullptr && std::find(stops.begin(), stops.end(), pick) == stops.end()) stops.push_back(pick);
      continue;
    }
    stops.push_back(c);
  }
  if (stops.empty()) return nullptr;
  const auto at = std::find(stops.begin(), stops.end(), from);
  if (at == stops.end()) return backwards ? stops.back() : stops.front();
  const size_t i = static_cast<size_t>(at - stops.begin());
  if (backwards) return stops[(i + stops.size() - 1) % stops.size()];
  return stops[(i + 1) % stops.size()];
}

CWindow* CDialog::NextGroupControl(CWindow* from, bool backwards) const {
  CButton* b = AsButton(from);
  if (from == nullptr) return nullptr;
  std::vector<CWindow*> group;
  if (b != nullptr) {
    group = b->GroupMembers();
  } else {
    group.push_back(from);
  }
  std::vector<CWindow*> focusable;
  for (CWindow* g : group) {
    if (g->CanTakeFocus()) focusable.push_back(g);
  }
  const auto at = std::find(focusable.begin(), focusable.end(), from);
  if (at == focusable.end() || focusable.size() < 2) return nullptr;
  const size_t i = static_cast<size_t>(at - focusable.begin());
  return backwards ? focusable[(i + focusable.size() - 1) % focusable.size()] : focusable[(i + 1) % focusable.size()];
}

bool CDialog::SendCommandOf(int32_t id) {
  CWindow* control = GetDlgItem(id);
  if (control != nullptr && (!control->IsEnabled() || !control->IsVisible())) return false;
  if (control == nullptr && id != kIdOk && id != kIdCancel) return false;
  const Handle handle = control != nullptr ? control->GetHandle() : 0;
  WindowProc(kMsgCommand, MakeCommandParam(id, kNotifyClicked), static_cast<intptr_t>(handle));
  return true;
}

bool CDialog::HandleMnemonic(char letter) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  const auto& all = Children();
  for (size_t i = 0; i < all.size(); ++i) {
    CWindow* c = all[i];
    if (!c->IsVisible() || !c->IsEnabled() || (c->GetStyle() & kStyleNoPrefix)) continue;
    if (MnemonicOf(c->GetText()) != letter) continue;
    CButton* b = AsButton(c);
    if (b != nullptr && b->GetKind() != CButton::Kind::kGroupBox) {
      b->SetFocus();
      UpdateDefaultLook();
      b->Click();
      return true;
    }
    // A label: the focus goes to the next control that takes it.
    for (size_t j = i + 1; j < all.size(); ++j) {
      if (all[j]->CanTakeFocus()) {
        all[j]->SetFocus();
        UpdateDefaultLook();
        return true;
      }
    }
    return true;
  }
  return false;
}

bool CDialog::PreTranslateKey(uint32_t message, uint32_t key, uint32_t keyFlags) {
  CWindow* focus = GetFocus();
  if (focus != nullptr && focus->GetTopLevel() != this) focus = nullptr;
  if (message == platform::kMsgKeyDown) {
    switch (key) {
      case platform::kKeyTab: {
        const bool back = platform::GetKeyState(platform::kKeyShift) < 0;
        if (CWindow* next = NextTabControl(focus, back)) {
          next->SetFocus();
          UpdateDefaultLook();
        }
        return true;
      }
      case platform::kKeyLeft:
      case platform::kKeyUp:
      case platform::kKeyRight:
      case platform::kKeyDown: {
        if (focus != nullptr && focus->WantsArrows()) return false;
        const bool back = key == platform::kKeyLeft || key == platform::kKeyUp;
        if (CWindow* next = NextGroupControl(focus, back)) {
          next->SetFocus();
          UpdateDefaultLook();
          if (IsRadio(next)) AsButton(next)->Click();
        }
        return true;
      }
      case platform::kKeyReturn: {
        CButton* b = AsButton(focus);
        if (b != nullptr && b->IsPushButton()) {
          b->Click();
        } else {
          SendCommandOf(defId_ != 0 ? defId_ : kIdOk);
        }
        return true;
      }
      case platform::kKeyEscape:
        SendCommandOf(kIdCancel);
        return true;
      default:
        return false;
    }
  }
  if (message == platform::kMsgChar) {
    if (key == '\r' || key == 0x1B || key == '\t') return true;
    if (focus != nullptr && focus->WantsArrows()) return false;
    if (key > ' ' && key < 0x80 && std::isalnum(static_cast<int>(key))) return HandleMnemonic(static_cast<char>(key));
    return false;
  }
  if (message == platform::kMsgSysKeyDown && (keyFlags & platform::kKeyFlagAltDown) != 0) {
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return HandleMnemonic(static_cast<char>(key));
  }
  return false;
}

intptr_t CDialog::WindowProc(uint32_t code, uintptr_t wParam, intptr_t lParam) {
  switch (code) {
    case kMsgDialogGetDefId:
      return defId_;
    case kMsgDialogSetDefId:
      SetDefId(static_cast<int32_t>(wParam));
      return 0;
    default:
      return CWindow::WindowProc(code, wParam, lParam);
  }
}

bool CDialog::OnCommand(int32_t id, uint16_t, Handle) {
  if (id == kIdOk) {
    OnOK();
    return true;
  }
  if (id == kIdCancel) {
    OnCancel();
    return true;
  }
  return false;
}

void CDialog::OnClose() { SendCommandOf(kIdCancel); }

}  // namespace kit
