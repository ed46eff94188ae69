#include "title/controls/MainScreenServices.h"

#include "engine/core/ServiceCheck.h"

namespace {
MainScreenServices* gServices = nullptr;
}  // namespace

void InstallMainScreenServices(MainScreenServices* services) { gServices = services; }

MainScreenServices* GetMainScreenServices() {
  if (gServices == nullptr) ReportMissingService("main screen services");
  return gServices;
}
