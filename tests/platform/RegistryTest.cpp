// The file-backed registry: names without case, enumeration order, values
// shared between processes under the store's lock.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Registry.h"
#include "support/TempDir.h"

namespace {

using platform::RegistryRoot;

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv(platform::kRegistryFileVariable);
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv(platform::kRegistryFileVariable, dir_.Path("sub/registry").c_str(), 1);
  }
  void TearDown() override {
    if (had_) {
      setenv(platform::kRegistryFileVariable, old_.c_str(), 1);
    } else {
      unsetenv(platform::kRegistryFileVariable);
    }
  }
  testsupport::TempDir dir_{"registry"};
  bool had_ = false;
  std::string old_;
};

TEST_F(RegistryTest, ValuesByNameAndInOrder) {
  const std::string key = "Software\\Ostrevan\\Haus";
  EXPECT_FALSE(platform::RegistryKeyExists(RegistryRoot::kLocalMachine, key));
  ASSERT_TRUE(platform::RegistryCreateKey(RegistryRoot::kLocalMachine, key));
  EXPECT_TRUE(platform::RegistryKeyExists(RegistryRoot::kLocalMachine, "SOFTWARE/ostrevan"));
  EXPECT_FALSE(platform::RegistryKeyExists(RegistryRoot::kCurrentUser, key));
  ASSERT_TRUE(platform::RegistrySetString(RegistryRoot::kLocalMachine, key, "Path", "D:\\Ostrevan\\"));
  ASSERT_TRUE(platform::RegistrySetString(RegistryRoot::kLocalMachine, key, "Odd=Name[x]", "line1\nline2\\"));
  ASSERT_TRUE(platform::RegistrySetString(RegistryRoot::kLocalMachine, key, "Long", std::string(5000, 'L')));
  ASSERT_TRUE(platform::RegistrySetString(RegistryRoot::kLocalMachine, key, "PATH", "E:\\"));  // replaces
  std::string value;
  ASSERT_TRUE(platform::RegistryQueryString(RegistryRoot::kLocalMachine, "software\\OSTREVAN\\haus", "path", &value));
  EXPECT_EQ(value, "E:\\");
  ASSERT_TRUE(platform::RegistryQueryString(RegistryRoot::kLocalMachine, key, "odd=name[X]", &value));
  EXPECT_EQ(value, "line1\nline2\\");
  std::vector<std::string> names;
  std::string name, data;
  for (size_t i = 0; platform::RegistryEnumValue(RegistryRoot::kLocalMachine, key, i, &name, &data); ++i) {
    names.push_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Path", "Odd=Name[x]", "Long"}));
  EXPECT_FALSE(platform::RegistryQueryString(RegistryRoot::kLocalMachine, key, "absent", &value));
}

TEST_F(RegistryTest, AnotherProcessWritesWhatThisOneReads) {
  const std::string key = "Software\\Ostrevan";
  constexpr int kWriters = 4;
  constexpr int kValues = 25;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      bool ok = true;
      for (int v = 0; v < kValues; ++v) {
        ok = platform::RegistrySetString(RegistryRoot::kLocalMachine, key,
                                         "w" + std::to_string(w) + "v" + std::to_string(v), std::to_string(v)) &&
             ok;
      }
      _exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int w = 0; w < kWriters; ++w) {
    for (int v = 0; v < kValues; ++v) {
      std::string value;
      ASSERT_TRUE(platform::RegistryQueryString(RegistryRoot::kLocalMachine, key,
                                                "W" + std::to_string(w) + "V" + std::to_string(v), &value));
      EXPECT_EQ(value, std::to_string(v));
    }
  }
}

}  // namespace
