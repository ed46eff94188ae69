// The default print file, from the environment.
#include "platform/PrintTarget.h"

#include <cstdlib>

namespace platform {

std::string DefaultPrintFile() {
  const char* env = std::getenv("OSTREVAN_PRINT_FILE");
  return env != nullptr && env[0] != 0 ? std::string(env) : std::string("ostrevan-print.pdf");
}

}  // namespace platform
