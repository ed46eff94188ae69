// Linked into every test program of the engine, the title, the launchers
// and the tools: before any test runs it turns the strict check of services
// on (a service used before it was installed stops the test program) and
// installs every service the engine offers, as a program does at start.
// Tests that change one service use the scoped setters of its layer; tests
// of what happens without a service wrap it in ScopedMissingServicesAllowed.
#include <gtest/gtest.h>

#include "engine/core/ServiceCheck.h"
#include "engine/services/EngineServices.h"

namespace {

class EngineServicesEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    SetMissingServicesFatal(true);
    InstallEngineServices();
  }
};

[[maybe_unused]] ::testing::Environment* const gEnvironment =
    ::testing::AddGlobalTestEnvironment(new EngineServicesEnvironment);

}  // namespace
