#include "title/controls/TitleServices.h"

#include <utility>

#include "title/controls/MainScreenServices.h"
#include "title/controls/TitleSoundTable.h"

void InstallTitleServices(TitleServicesOptions options) {
  InstallEngineServices(std::move(options.engine));
  InstallTitleSoundTable();
  if (options.mainScreen != nullptr) InstallMainScreenServices(options.mainScreen);
}
