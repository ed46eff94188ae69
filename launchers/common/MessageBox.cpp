#include "launchers/common/MessageBox.h"

#include <algorithm>

#include "launchers/common/Button.h"
#include "launchers/common/Dialog.h"
#include "launchers/common/Static.h"
#include "platform/Input.h"
#include "platform/Window.h"

namespace kit {

using platform::Rect;

namespace {

constexpr int32_t kMargin = 12;
constexpr int32_t kIconSize = 32;
constexpr int32_t kButtonWidth = 75;
constexpr int32_t kButtonHeight = 23;
constexpr int32_t kMaxTextWidth = 400;
constexpr int32_t kOkId = 1;

// The box's picture of its icon.
class CMessageIcon : public CWindow {
 public:
  explicit CMessageIcon(platform::MessageBoxIcon icon) : icon_(icon) {}
  void OnPaint(DrawContext& dc) override {
    platform::Color fill = platform::Color{255, 0, 0};
    if (icon_ == platform::MessageBoxIcon::kWarning) fill = platform::Color{255, 255, 0};
    if (icon_ == platform::MessageBoxIcon::kInformation) fill = platform::Color{0, 0, 255};
    // A disc of radius 15 with a dark rim.
    for (int32_t y = 0; y < kIconSize; ++y) {
      for (int32_t x = 0; x < kIconSize; ++x) {
        const int32_t dx = 2 * x - 31;
        const int32_t dy = 2 * y - 31;
        const int32_t d = dx * dx + dy * dy;
        if (d <= 30 * 30) dc.Pixel(x, y, d >= 28 * 28 ? colors::kDarkShadow : fill);
      }
    }
    if (icon_ == platform::MessageBoxIcon::kError) {
      // The white cross.
      for (int32_t i = 0; i < 13; ++i) {
        for (int32_t t = -1; t <= 1; ++t) {
          dc.Pixel(9 + i + t, 9 + i, colors::kHighlight);
          dc.Pixel(22 - i + t, 9 + i, colors::kHighlight);
        }
      }
    } else {
      const platform::Color ink = icon_ == platform::MessageBoxIcon::kWarning ? colors::kText : colors::kHighlight;
      dc.Fill(Rect{14, 7, 18, 20}, ink);
      dc.Fill(Rect{14, 22, 18, 26}, ink);
    }
  }

 private:
  platform::MessageBoxIcon icon_;
};

class CMessageBoxDialog : public CDialog {
 public:
  CMessageBoxDialog(DialogTemplate t, CWindow* owner, const std::string& text, platform::MessageBoxIcon icon)
      : CDialog(std::move(t), owner), text_(text), icon_(icon) {}

  bool OnInitDialog() override {
    const MessageBoxLayout layout = LayoutMessageBox(text_, icon_ != platform::MessageBoxIcon::kNone);
    if (icon_ != platform::MessageBoxIcon::kNone) {
      CWindow* icon = Adopt(std::make_unique<CMessageIcon>(icon_));
      icon->CreateChild(this, -1, layout.icon, 0, std::string());
    }
    CWindow* text = Adopt(std::make_unique<CStatic>(CStatic::Kind::kText));
    text->CreateChild(this, -1, layout.text, kStyleNoPrefix, text_);
    CWindow* ok = Adopt(std::make_unique<CButton>(CButton::Kind::kDefaultPush));
    ok->CreateChild(this, kOkId, layout.button, kStyleGroup | kStyleTabStop, "OK");
    SetDefId(kOkId);
    ok->SetFocus();
    return false;
  }
  bool PreTranslateKey(uint32_t message, uint32_t key, uint32_t keyFlags) override {
    // Space, Enter and Escape all close a box with one button.
    if (message == platform::kMsgKeyDown && (key == platform::kKeyEscape || key == platform::kKeyReturn)) {
      EndDialog(kOkId);
      return true;
    }
    return CDialog::PreTranslateKey(message, key, keyFlags);
  }
  void OnCancel() override { EndDialog(kOkId); }

 private:
  std::string text_;
  platform::MessageBoxIcon icon_;
};

}  // namespace

MessageBoxLayout LayoutMessageBox(const std::string& text, bool hasIcon) {
  MessageBoxLayout l;
  std::shared_ptr<platform::Font> font = GetFont(DefaultDialogFont());
  Rect measure{0, 0, kMaxTextWidth, 0};
  int32_t textHeight = 13;
  if (font) {
    const std::vector<TextLine> lines = WrapText(text, *font, kMaxTextWidth);
    int32_t widest = 0;
    for (const TextLine& line : lines) widest = std::max(widest, font->GetTextWidth(text.data() + line.start, line.length));
    measure.right = widest;
    textHeight = static_cast<int32_t>(lines.size()) * (font->GetMetrics().ascent + font->GetMetrics().descent);
  }
  const int32_t textWidth = std::max<int32_t>(measure.right, 1);
  const int32_t textLeft = kMargin + (hasIcon ? kIconSize + kMargin : 0);
  const int32_t contentHeight = std::max(textHeight, hasIcon ? kIconSize : 0);
  const int32_t textTop = kMargin + (contentHeight - textHeight) / 2;
  l.icon = hasIcon ? Rect{kMargin, kMargin, kMargin + kIconSize, kMargin + kIconSize} : Rect{};
  l.text = Rect{textLeft, textTop, textLeft + textWidth + 1, textTop + textHeight};
  const int32_t width = std::max(textLeft + textWidth + kMargin, kButtonWidth + 2 * kMargin);
  const int32_t buttonTop = kMargin + contentHeight + kMargin;
  l.button = Rect{(width - kButtonWidth) / 2, buttonTop, (width - kButtonWidth) / 2 + kButtonWidth,
                  buttonTop + kButtonHeight};
  l.client = Rect{0, 0, width, buttonTop + kButtonHeight + kMargin};
  return l;
}

int32_t MessageBox(CWindow* owner, const std::string& text, const std::string& caption,
                   platform::MessageBoxIcon icon) {
  platform::MessageBoxCapture capture = platform::SetMessageBoxCapture(nullptr);
  platform::SetMessageBoxCapture(capture);
  if (capture || !platform::IsWindowSystemRunning()) return platform::ShowMessageBox(caption, text, icon);
  const MessageBoxLayout layout = LayoutMessageBox(text, icon != platform::MessageBoxIcon::kNone);
  DialogTemplate t;
  t.caption = caption;
  t.units = BaseUnits{4, 8};  // one unit a pixel: the layout is in pixels
  t.cx = layout.client.right;
  t.cy = layout.client.bottom;
  t.foreground = true;
  CMessageBoxDialog box(std::move(t), owner, text, icon);
  return box.DoModal();
}

}  // namespace kit
