#include "title/controls/MainScreenServices.h"

namespace {
MainScreenServices* gServices = nullptr;
}  // namespace

void InstallMainScreenServices(MainScreenServices* services) { gServices = services; }
MainScreenServices* GetMainScreenServices() { return gServices; }
