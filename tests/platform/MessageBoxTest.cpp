// Message boxes: captured in tests, on stderr where no display can show them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/MessageBox.h"

namespace {

TEST(MessageBox, ACaptureReceivesEveryBox) {
  struct Box {
    std::string title, text;
    platform::MessageBoxIcon icon;
  };
  std::vector<Box> boxes;
  platform::SetMessageBoxCapture([&](const std::string& title, const std::string& text, platform::MessageBoxIcon icon) {
    boxes.push_back(Box{title, text, icon});
    return 42;
  });
  EXPECT_EQ(platform::ShowMessageBox("Ostrevan Haus", "Farbtiefe von 16 Bit\r\nneu", platform::MessageBoxIcon::kError),
            42);
  EXPECT_EQ(platform::ShowMessageBox("", "", platform::MessageBoxIcon::kNone), 42);
  platform::SetMessageBoxCapture(nullptr);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].title, "Ostrevan Haus");
  EXPECT_EQ(boxes[0].text, "Farbtiefe von 16 Bit\r\nneu");
  EXPECT_EQ(boxes[0].icon, platform::MessageBoxIcon::kError);
  EXPECT_EQ(boxes[1].icon, platform::MessageBoxIcon::kNone);
}

TEST(MessageBox, WithoutADisplayTheTextGoesToStderrAsUtf8) {
  setenv("OSTREVAN_MESSAGEBOX", "stderr", 1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(platform::ShowMessageBox("Ostrevan", "ben\xF6tigt \x80", platform::MessageBoxIcon::kWarning),
            platform::kMessageBoxOk);
  const std::string err = testing::internal::GetCapturedStderr();
  unsetenv("OSTREVAN_MESSAGEBOX");
  EXPECT_EQ(err, "Ostrevan: ben\xC3\xB6tigt \xE2\x82\xAC\n");
  EXPECT_EQ(platform::FormatMessageBoxForConsole("", "x"), "x\n");
}

// A box that also goes to the console is written there once, whether or not
// a screen shows it: without a display (the box itself goes there) and on a
// display whose box fails to show (no helper program for SDL's boxes) alike.
TEST(MessageBox, AlsoOnConsoleWritesTheTextOnce) {
  for (const bool display : {false, true}) {
    SCOPED_TRACE(display ? "display" : "no display");
    if (!display) setenv("OSTREVAN_MESSAGEBOX", "stderr", 1);
    const char* previousPath = std::getenv("PATH");
    const std::string path = previousPath != nullptr ? previousPath : "";
    // An X display that does not exist, and no helper programs: SDL cannot
    // show the box.
    const char* previousDisplay = std::getenv("DISPLAY");
    const std::string displayName = previousDisplay != nullptr ? previousDisplay : "";
    if (display) {
      setenv("DISPLAY", ":9999", 1);
      setenv("PATH", "/nonexistent", 1);
    }
    testing::internal::CaptureStderr();
    EXPECT_EQ(platform::ShowMessageBoxAlsoOnConsole("Ostrevan", "kaputt", platform::MessageBoxIcon::kInformation),
              platform::kMessageBoxOk);
    const std::string err = testing::internal::GetCapturedStderr();
    unsetenv("OSTREVAN_MESSAGEBOX");
    setenv("PATH", path.c_str(), 1);
    if (previousDisplay != nullptr) {
      setenv("DISPLAY", displayName.c_str(), 1);
    } else {
      unsetenv("DISPLAY");
    }
    EXPECT_EQ(err, "Ostrevan: kaputt\n");
  }
}

}  // namespace
