#include <gtest/gtest.h>

#include "engine/core/ServiceCheck.h"

namespace {

// The test programs run in strict mode: a missing service stops the program
// with its name on stderr.
TEST(ServiceCheckDeathTest, StrictModeStopsWithTheServicesName) {
  ASSERT_TRUE(AreMissingServicesFatal());
  EXPECT_DEATH(ReportMissingService("visit history"), "service visit history used before it was installed");
}

// Outside strict mode the program goes on: the first report of each service
// warns, later ones are silent.
TEST(ServiceCheckTest, LenientModeWarnsOncePerService) {
  ScopedMissingServicesAllowed allowed;
  EXPECT_FALSE(AreMissingServicesFatal());
  testing::internal::CaptureStderr();
  ReportMissingService("lenient test service");
  ReportMissingService("lenient test service");
  ReportMissingService("another lenient test service");
  const std::string output = testing::internal::GetCapturedStderr();
  EXPECT_EQ(output,
            "warning: service lenient test service used before it was installed\n"
            "warning: service another lenient test service used before it was installed\n");
}

TEST(ServiceCheckTest, ScopeRestoresStrictMode) {
  const bool before = AreMissingServicesFatal();
  {
    ScopedMissingServicesAllowed allowed;
    EXPECT_FALSE(AreMissingServicesFatal());
  }
  EXPECT_EQ(AreMissingServicesFatal(), before);
}

}  // namespace
