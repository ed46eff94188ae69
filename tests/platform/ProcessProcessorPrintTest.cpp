// The platform's answers about the running program, the processor and the
// default print file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/PrintTarget.h"
#include "platform/Process.h"
#include "platform/Processor.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

TEST(PlatformProcess, NamesTheRunningProgram) {
  const std::string path = platform::ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_TRUE(fs::is_regular_file(path));
  EXPECT_EQ(fs::canonical(path), fs::canonical("/proc/self/exe"));
  EXPECT_EQ(platform::ExecutableDirectory(), fs::path(path).parent_path().string());
}

TEST(PlatformProcess, FindsAProgramOnPathOrByItsOwnPath) {
  testsupport::TempDir dir("ostrevan-path-");
  ASSERT_FALSE(dir.Path().empty());
  fs::create_directory(dir.Path("first"));
  fs::create_directory(dir.Path("second"));
  const auto make = [&](const std::string& name, fs::perms perms) {
    testsupport::WriteBytes(dir.Path(name), "#!/bin/sh\n");
    fs::permissions(dir.Path(name), perms);
  };
  make("first/plain", fs::perms::owner_read | fs::perms::owner_write);
  make("second/plain", fs::perms::owner_all);
  make("second/tool", fs::perms::owner_all);
  make("first/tool", fs::perms::owner_all);
  const char* old = std::getenv("PATH");
  const std::string saved = old != nullptr ? old : "";
  // An empty entry and a missing folder are passed over; a file that is not
  // executable does not hide a later one that is.
  setenv("PATH", ("::" + dir.Path("missing") + ":" + dir.Path("first") + ":" + dir.Path("second")).c_str(), 1);
  struct Row {
    std::string name;
    std::string found;
  };
  const Row rows[] = {
      {"tool", dir.Path("first/tool")},
      {"plain", dir.Path("second/plain")},
      {"absent", ""},
      {dir.Path("second/tool"), dir.Path("second/tool")},  // a path stands as it is
      {dir.Path("first/plain"), ""},
      {"second/tool", ""},  // a relative path is not looked up on PATH
  };
  for (const Row& row : rows) EXPECT_EQ(platform::FindOnPath(row.name), row.found) << row.name;
  setenv("PATH", saved.c_str(), 1);
}

#if defined(__x86_64__)
// A flag is set by "1" alone: other values and an unset variable leave it off.
TEST(PlatformProcess, EnvironmentFlagIsSetByOneAlone) {
  const char* const kName = "OSTREVAN_TEST_FLAG";
  const struct {
    const char* value;  // null: unset
    bool set;
  } cases[] = {{"1", true}, {nullptr, false}, {"", false}, {"0", false}, {"10", false}, {"true", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value != nullptr ? c.value : "(unset)");
    if (c.value != nullptr) {
      setenv(kName, c.value, 1);
    } else {
      unsetenv(kName);
    }
    EXPECT_EQ(platform::IsEnvironmentFlagSet(kName), c.set);
  }
  unsetenv(kName);
}

TEST(PlatformProcessor, AnX86ProcessorIdentifiesItselfWithItsBaseFeatures) {
  const platform::ProcessorIdentity id = platform::IdentifyProcessor();
  EXPECT_TRUE(id.isX86);
  ASSERT_TRUE(id.hasIdentification);
  EXPECT_NE(id.signature, 0u);
  // Every 64-bit x86 processor has the time-stamp counter, MMX and SSE.
  EXPECT_TRUE(id.features & (1u << 4));
  EXPECT_TRUE(id.features & (1u << 23));
  EXPECT_TRUE(id.features & (1u << 25));
}
#endif

class PlatformPrintTarget : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("OSTREVAN_PRINT_FILE");
    hadOld_ = old != nullptr;
    if (hadOld_) old_ = old;
  }
  void TearDown() override {
    if (hadOld_) {
      setenv("OSTREVAN_PRINT_FILE", old_.c_str(), 1);
    } else {
      unsetenv("OSTREVAN_PRINT_FILE");
    }
  }

 private:
  bool hadOld_ = false;
  std::string old_;
};

TEST_F(PlatformPrintTarget, TheEnvironmentNamesTheFileElseTheWorkingFolderHasIt) {
  struct Row {
    const char* value;  // null: unset
    const char* expected;
  };
  for (const Row& row : {Row{nullptr, "ostrevan-print.pdf"}, Row{"", "ostrevan-print.pdf"},
                         Row{"/tmp/pages.pdf", "/tmp/pages.pdf"}}) {
    if (row.value == nullptr) {
      unsetenv("OSTREVAN_PRINT_FILE");
    } else {
      setenv("OSTREVAN_PRINT_FILE", row.value, 1);
    }
    EXPECT_EQ(platform::DefaultPrintFile(), row.expected) << (row.value ? row.value : "(unset)");
  }
}

}  // namespace
