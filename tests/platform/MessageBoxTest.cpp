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

}  // namespace
