// The edit control of the launchers' dialog kit, as the readme needs it: a
// multi-line text (code page 1252, lines ended by CR LF, LF or CR) wrapped
// at the control's width, read-only, with a sunken border and a vertical
// scroll bar (arrows, page clicks in the track, a thumb to drag, the arrow
// and page keys).
#pragma once

#include <string>
#include <vector>

#include "launchers/common/DrawContext.h"
#include "launchers/common/Window.h"

namespace kit {

class CEdit : public CWindow {
 public:
  void SetText(const std::string& text) override;

  int32_t GetLineCount();
  int32_t GetFirstVisibleLine() const { return top_; }
  int32_t VisibleLineCount();
  // Scrolls so the line is the first shown (clamped to the text).
  void ScrollTo(int32_t line);
  void ScrollBy(int32_t lines) { ScrollTo(top_ + lines); }
  // The text of a wrapped line.
  std::string GetLine(int32_t line);

  // Where the parts lie in client coordinates (tests and drawing).
  platform::Rect TextArea() const;
  platform::Rect ScrollBar() const;
  platform::Rect UpArrow() const;
  platform::Rect DownArrow() const;
  platform::Rect Thumb();

  void OnPaint(DrawContext& dc) override;
  void OnLButtonDown(platform::Point p, uint32_t flags) override;
  void OnMouseMove(platform::Point p, uint32_t flags) override;
  void OnLButtonUp(platform::Point p, uint32_t flags) override;
  void OnMouseWheel(int32_t delta) override;
  void OnTimer(int32_t id) override;
  bool OnKeyDown(uint32_t key) override;
  bool CanTakeFocus() const override { return IsEnabled() && IsVisible(); }
  bool WantsArrows() const override { return true; }

 private:
  void Layout();
  int32_t LineHeight();
  int32_t MaxTop();
  void ScrollStep();

  std::vector<TextLine> lines_;
  int32_t layoutWidth_ = -1;
  std::shared_ptr<platform::Font> layoutFont_;
  int32_t top_ = 0;
  // Mouse on the scroll bar: what is held.
  enum class Hold : uint8_t { kNone, kUp, kDown, kPageUp, kPageDown, kThumb } hold_ = Hold::kNone;
  int32_t thumbGrab_ = 0;
};

}  // namespace kit
