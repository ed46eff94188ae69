// The readme's edit control: a read-only multi-line edit drawn with its own
// font and colours (its own answer to the colour message).
#pragma once

#include <cstdint>
#include <string>

#include "launchers/common/Edit.h"

namespace kit {

class CColorEdit : public CEdit {
 public:
  // The face (at most 31 characters are kept), the character height in
  // pixels, the weight (700 bold) and the colours as COLORREF values.
  void SetFontAndColors(const std::string& face, int32_t height, int32_t weight, uint32_t textColor,
                        uint32_t backColor);
  bool CtlColor(CtlColors& colors) override;

 private:
  bool hasColors_ = false;
  platform::Color text_{};
  platform::Color back_{};
};

}  // namespace kit
