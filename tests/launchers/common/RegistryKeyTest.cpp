// The launchers' registry key: opening creates the key, a read-only key
// refuses writes, values are found by name whatever stands before them.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "launchers/common/Registry.h"
#include "support/TempDir.h"

namespace {

using platform::RegistryRoot;

TEST(RegistryKey, OpenReadWrite) {
  testsupport::TempDir dir("regkey");
  const char* old = std::getenv(platform::kRegistryFileVariable);
  const std::string saved = old != nullptr ? old : "";
  setenv(platform::kRegistryFileVariable, dir.Path("registry").c_str(), 1);
  {
    CRegistry key;
    EXPECT_FALSE(key.WriteString("x", "y"));  // not open
    ASSERT_TRUE(key.Open(RegistryRoot::kLocalMachine, "Software\\Tesselby", false));
    // A value longer than the original 512-byte buffers before the one looked for.
    ASSERT_TRUE(key.WriteString("Readme", std::string(2000, 'r')));
    ASSERT_TRUE(key.WriteString("RegEntry", "D:\\Ostrevan\\haus.exe"));
    ASSERT_TRUE(key.WriteString("Splash", "1"));
    std::string value;
    ASSERT_TRUE(key.ReadString("REGENTRY", value));
    EXPECT_EQ(value, "D:\\Ostrevan\\haus.exe");
    EXPECT_FALSE(key.ReadString("absent", value));
    EXPECT_TRUE(value.empty());
    std::string name, data;
    ASSERT_TRUE(key.EnumValue(2, name, data));
    EXPECT_EQ(name, "Splash");
    EXPECT_FALSE(key.EnumValue(3, name, data));
  }
  {
    CRegistry key;
    ASSERT_TRUE(key.Open(RegistryRoot::kLocalMachine, "SOFTWARE\\tesselby", true));
    EXPECT_FALSE(key.WriteString("Splash", "0"));
    std::string value;
    ASSERT_TRUE(key.ReadString("splash", value));
    EXPECT_EQ(value, "1");
    key.Close();
    EXPECT_FALSE(key.ReadString("splash", value));
  }
  if (old != nullptr) {
    setenv(platform::kRegistryFileVariable, saved.c_str(), 1);
  } else {
    unsetenv(platform::kRegistryFileVariable);
  }
}

}  // namespace
