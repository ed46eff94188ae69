#include "platform/DirectX.h"

#include <cstdlib>

namespace platform {

bool IsDirectXInstalled() {
  const char* forced = std::getenv("OSTREVAN_NO_DIRECTX");
  return forced == nullptr || forced[0] == '\0' || (forced[0] == '0' && forced[1] == '\0');
}

}  // namespace platform
