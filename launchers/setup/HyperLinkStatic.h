// The address line of the setup launcher's dialogs: a text that turns blue
// under the pointer, white while it is being opened, and opens its address
// when clicked.
#pragma once
#include <cstdint>
#include <string>

#include "launchers/common/Static.h"

class CHyperLinkStatic : public kit::CStatic {
 public:
  static constexpr uint32_t kRestColor = 0x404040;
  static constexpr uint32_t kHoverColor = 0xFF0000;  // blue as a COLORREF
  static constexpr uint32_t kOpeningColor = 0xFFFFFF;

  CHyperLinkStatic() : CStatic(Kind::kText) {}
  void SetUrl(const std::string& url) { url_ = url; }
  const std::string& GetUrl() const { return url_; }
  uint32_t GetColor() const { return color_; }

  bool CtlColor(kit::CtlColors& colors) override;
  void OnMouseMove(platform::Point p, uint32_t flags) override;
  void OnLButtonUp(platform::Point p, uint32_t flags) override;
  bool IsMouseTransparent() const override { return false; }

 private:
  std::string url_;
  uint32_t color_ = kRestColor;
};
