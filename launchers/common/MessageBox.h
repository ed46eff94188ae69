// Message boxes of the launchers' dialog kit: a modal dialog in the classic
// look with the caption, an icon, the text (wrapped, code page 1252) and an
// OK button; the owner is disabled while it shows. Where no display can show
// it, or a test has installed a capture (platform/MessageBox.h), the box
// goes there instead.
#pragma once

#include <cstdint>
#include <string>

#include "platform/MessageBox.h"
#include "platform/PixelBuffer.h"

namespace kit {

class CWindow;

// Shows the box; answers kIdOk (1) when it is closed, -1 when the quit
// message ended it.
int32_t MessageBox(CWindow* owner, const std::string& text, const std::string& caption,
                   platform::MessageBoxIcon icon);

// The layout of a box for a text: the dialog's client size and where the
// icon, text and button lie (client pixels).
struct MessageBoxLayout {
  platform::Rect client;
  platform::Rect icon;
  platform::Rect text;
  platform::Rect button;
};
MessageBoxLayout LayoutMessageBox(const std::string& text, bool hasIcon);

}  // namespace kit
