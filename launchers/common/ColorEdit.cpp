#include "launchers/common/ColorEdit.h"

#include "launchers/common/KitFonts.h"

namespace kit {

void CColorEdit::SetFontAndColors(const std::string& face, int32_t height, int32_t weight, uint32_t textColor,
                                  uint32_t backColor) {
  FontSpec spec;
  spec.face = face.substr(0, 31);
  spec.pixelHeight = height > 0 ? height : 13;
  spec.bold = weight >= 600;
  if (std::shared_ptr<platform::Font> font = kit::GetFont(spec)) SetFont(font, true);
  text_ = FromColorRef(textColor);
  back_ = FromColorRef(backColor);
  hasColors_ = true;
  Invalidate();
}

bool CColorEdit::CtlColor(CtlColors& colors) {
  if (!hasColors_) return false;
  colors.text = text_;
  colors.back = back_;
  colors.transparent = false;
  return true;
}

}  // namespace kit
