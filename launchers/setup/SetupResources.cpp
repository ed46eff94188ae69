// The heading picture, a placeholder panel of the launcher's own.
#include "launchers/setup/SetupResources.h"

#include "launchers/common/PlaceholderBitmap.h"
#include "launchers/common/Resources.h"

void RegisterSetupResources() {
  kit::CResources::AddBitmap(129, MakePlaceholderBitmap(288, 20, 0x203060, PanelLook::kRaised));
}
