// The lookup of outside programs by the tests: a missing program fails the
// test in CI (naming the program and its Debian package) and skips it on a
// developer's machine; a present one comes back as its path.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "support/RequireTool.h"

namespace {

// Sets CI for the life of the object and puts the old value back.
class ScopedCi {
 public:
  explicit ScopedCi(const char* value) {
    if (const char* old = std::getenv("CI")) old_ = old;
    if (value != nullptr) {
      setenv("CI", value, 1);
    } else {
      unsetenv("CI");
    }
  }
  ~ScopedCi() {
    if (old_) {
      setenv("CI", old_->c_str(), 1);
    } else {
      unsetenv("CI");
    }
  }
  ScopedCi(const ScopedCi&) = delete;
  ScopedCi& operator=(const ScopedCi&) = delete;

 private:
  std::optional<std::string> old_;
};

// What RequireTool returned and recorded on the test while CI had `ci`.
struct Outcome {
  std::string path;
  int failures = 0;
  int skips = 0;
  std::string message;
};

Outcome Require(const char* ci, const std::string& program) {
  const ScopedCi scope(ci);
  ::testing::TestPartResultArray results;
  Outcome outcome;
  {
    const ::testing::ScopedFakeTestPartResultReporter reporter(
        ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
    outcome.path = testsupport::RequireTool(program);
  }
  for (int i = 0; i < results.size(); ++i) {
    const ::testing::TestPartResult& r = results.GetTestPartResult(i);
    outcome.failures += r.fatally_failed() ? 1 : 0;
    outcome.skips += r.skipped() ? 1 : 0;
    outcome.message += r.message();
  }
  return outcome;
}

TEST(RequireTool, MissingProgramFailsInCiAndSkipsElsewhere) {
  struct Row {
    const char* ci;  // null: not set
    bool fails;
  };
  const Row rows[] = {{"true", true}, {"1", true}, {nullptr, false}, {"false", false}, {"", false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.ci != nullptr ? row.ci : "(unset)");
    const Outcome o = Require(row.ci, "ostrevan-no-such-program");
    EXPECT_EQ(o.path, "");
    EXPECT_EQ(o.failures, row.fails ? 1 : 0);
    EXPECT_EQ(o.skips, row.fails ? 0 : 1);
    EXPECT_NE(o.message.find("'ostrevan-no-such-program'"), std::string::npos) << o.message;
  }
}

TEST(RequireTool, MessageNamesTheDebianPackage) {
  struct Row {
    const char* program;
    const char* package;
  };
  const Row rows[] = {{"convert", "imagemagick"},       {"import", "imagemagick"}, {"pdftoppm", "poppler-utils"},
                      {"djpeg", "libjpeg-turbo-progs"}, {"Xvfb", "xvfb"},          {"ffprobe", "ffmpeg"},
                      {"pnmtopng", "netpbm"},           {"bmptoppm", "netpbm"},    {"sox", "sox"}};
  for (const Row& row : rows) EXPECT_EQ(testsupport::DebianPackageOf(row.program), row.package) << row.program;
  EXPECT_EQ(testsupport::DebianPackageOf("ostrevan-no-such-program"), "");
}

TEST(RequireTool, PresentProgramComesBackAsItsPath) {
  // sh is on every machine that runs these tests.
  const Outcome o = Require("true", "sh");
  EXPECT_EQ(o.failures + o.skips, 0) << o.message;
  ASSERT_FALSE(o.path.empty());
  EXPECT_EQ(o.path.front(), '/');
  EXPECT_EQ(o.path.substr(o.path.size() - 3), "/sh");
}

}  // namespace
