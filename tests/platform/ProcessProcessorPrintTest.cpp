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

namespace {

namespace fs = std::filesystem;

TEST(PlatformProcess, NamesTheRunningProgram) {
  const std::string path = platform::ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_TRUE(fs::is_regular_file(path));
  EXPECT_EQ(fs::canonical(path), fs::canonical("/proc/self/exe"));
  EXPECT_EQ(platform::ExecutableDirectory(), fs::path(path).parent_path().string());
}

#if defined(__x86_64__)
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
