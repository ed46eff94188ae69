// Modal message boxes with an OK button: SDL's simple message box, the text
// and title given in code page 1252. Where no display can show one, the
// message goes to stderr. Tests capture the boxes instead of showing them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

enum class MessageBoxIcon : uint8_t {
  kNone,
  kError,        // the stop sign
  kWarning,      // the exclamation mark
  kInformation,  // the "i"
};

// The answer of a box closed with its OK button.
constexpr int32_t kMessageBoxOk = 1;

// Shows the box and waits until it is closed; answers kMessageBoxOk.
int32_t ShowMessageBox(const std::string& title, const std::string& text, MessageBoxIcon icon);
// The same, and the text goes to stderr as well when the box showed on a
// screen (once either way): for a message that ends the program, so that a
// start from a terminal or a script also says why.
int32_t ShowMessageBoxAlsoOnConsole(const std::string& title, const std::string& text, MessageBoxIcon icon);

// Receives every box instead of the screen while installed (title and text
// as given, code page 1252); answers what ShowMessageBox returns.
using MessageBoxCapture = std::function<int32_t(const std::string& title, const std::string& text, MessageBoxIcon icon)>;
// Installs a capture (empty removes it); returns the previous one.
MessageBoxCapture SetMessageBoxCapture(MessageBoxCapture capture);

// The stderr form of a box: "title: text" in UTF-8 with a newline.
std::string FormatMessageBoxForConsole(const std::string& title, const std::string& text);

}  // namespace platform
