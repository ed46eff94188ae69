// winmsg: finds a window of another process by its title and posts it a
// message, through the same window directory the launchers' windows are
// published in. For installers and tests:
//   winmsg find TITLE                      prints "pid handle class title"
//   winmsg post TITLE MESSAGE [W [L]]      numbers in decimal or 0x hex
// Exit status 0 on success, 1 when no such window is found or the message
// could not be handed over, 2 for a wrong command line.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "launchers/common/KitApp.h"

namespace {

bool ParseNumber(const char* text, long long& out) {
  if (text == nullptr || *text == '\0') return false;
  errno = 0;
  char* end = nullptr;
  out = std::strtoll(text, &end, 0);
  return errno == 0 && end != nullptr && *end == '\0';
}

int Usage() {
  std::fprintf(stderr, "usage: winmsg find TITLE\n       winmsg post TITLE MESSAGE [WPARAM [LPARAM]]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  const std::string title = argv[2];
  if (command == "find" && argc == 3) {
    const auto window = kit::FindWindow(title);
    if (!window) {
      std::fprintf(stderr, "winmsg: no window titled \"%s\"\n", title.c_str());
      return 1;
    }
    std::printf("%d %u %s %s\n", window->processId, window->handle, window->className.c_str(), window->title.c_str());
    return 0;
  }
  if (command == "post" && argc >= 4 && argc <= 6) {
    long long message = 0;
    long long wParam = 0;
    long long lParam = 0;
    if (!ParseNumber(argv[3], message) || message < 0 || message > 0xFFFFFFFFll) return Usage();
    if (argc >= 5 && !ParseNumber(argv[4], wParam)) return Usage();
    if (argc >= 6 && !ParseNumber(argv[5], lParam)) return Usage();
    const auto window = kit::FindWindow(title);
    if (!window) {
      std::fprintf(stderr, "winmsg: no window titled \"%s\"\n", title.c_str());
      return 1;
    }
    if (!kit::PostRemoteMessage(*window, static_cast<uint32_t>(message), static_cast<uintptr_t>(wParam),
                                static_cast<intptr_t>(lParam))) {
      std::fprintf(stderr, "winmsg: the message could not be handed over\n");
      return 1;
    }
    return 0;
  }
  return Usage();
}
