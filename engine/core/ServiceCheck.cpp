#include "engine/core/ServiceCheck.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>

#include "platform/Process.h"

namespace {

#ifdef NDEBUG
constexpr bool kFatalByDefault = false;
#else
constexpr bool kFatalByDefault = true;
#endif

// Strict from the start in debug builds and when the program is started
// with OSTREVAN_STRICT_SERVICES=1 (the test suite starts its programs so).
std::atomic<bool>& Fatal() {
  static std::atomic<bool> fatal{kFatalByDefault || platform::IsEnvironmentFlagSet("OSTREVAN_STRICT_SERVICES")};
  return fatal;
}

// Names already warned about, so a service used every frame warns once.
bool FirstReport(const char* name) {
  static std::mutex mutex;
  static std::set<std::string> reported;
  std::lock_guard<std::mutex> lock(mutex);
  return reported.insert(name).second;
}

}  // namespace

void ReportMissingService(const char* name) {
  if (name == nullptr) name = "(unnamed)";
  if (Fatal().load()) {
    std::fprintf(stderr, "service %s used before it was installed\n", name);
    std::fflush(stderr);
    std::abort();
  }
  if (FirstReport(name)) {
    std::fprintf(stderr, "warning: service %s used before it was installed\n", name);
  }
}

bool SetMissingServicesFatal(bool fatal) { return Fatal().exchange(fatal); }

bool AreMissingServicesFatal() { return Fatal().load(); }
