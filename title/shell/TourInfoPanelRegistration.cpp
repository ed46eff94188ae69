#include "title/shell/TourInfoPanelRegistration.h"

#include <utility>

#include "engine/controls/VPictureFont.h"
#include "title/shell/PictureFontTable.h"
#include "title/shell/ScreenRegistry.h"
#include "title/tour/TourInfoPanel.h"

void RegisterTourInfoPanel() {
  ScreenMaker maker;
  maker.make = [](const ScreenRequest& request) -> PictureFrameControl* {
    return new TourInfoPanel(request.id, request.left, request.top, request.layer, request.width, request.height,
                             request.owner, [](int32_t index) -> VFont* { return GetPictureFont(index); });
  };
  ScreenRegistry::Register(TourInfoPanel::kScreenKind, std::move(maker));
}
