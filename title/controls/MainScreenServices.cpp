#include "title/controls/MainScreenServices.h"

namespace {
MainScreenServices* g_services = nullptr;
}  // namespace

void InstallMainScreenServices(MainScreenServices* services) { g_services = services; }
MainScreenServices* GetMainScreenServices() { return g_services; }
