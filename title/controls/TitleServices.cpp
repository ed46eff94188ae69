#include "title/controls/TitleServices.h"

#include <utility>

#include "title/controls/MainScreenServices.h"

void InstallTitleServices(TitleServicesOptions options) {
  InstallEngineServices(std::move(options.engine));
  if (options.mainScreen != nullptr) InstallMainScreenServices(options.mainScreen);
}
