// The readme's text for the menu's readme dialog: the file's first 65535
// bytes, and whether they are text at all.
#pragma once
#include <string>

enum class ReadmeStatus {
  kText,
  kUnreadable,  // missing or unreadable: the dialog shows an empty text
  kNotText,     // zero bytes or control characters: a picture or program, not a text
};

// The text (empty unless kText).
ReadmeStatus ReadReadmeText(const std::string& path, std::string& text);
