#include "title/shell/RoomOverlayMaker.h"

#include <utility>

#include "engine/controls/VPictureFont.h"
#include "title/shell/PictureFontTable.h"
#include "title/shell/ScreenRegistry.h"
#include "title/tour/RoomOverlay.h"

void RegisterRoomOverlay() {
  ScreenMaker maker;
  maker.make = [](const ScreenRequest& request) -> PictureFrameControl* {
    return new RoomOverlay(request.id, request.context, request.left, request.top, request.layer, request.width,
                           request.height, request.owner, [](int32_t index) -> VFont* { return GetPictureFont(index); });
  };
  ScreenRegistry::Register(RoomOverlay::kOverlayKind, std::move(maker));
}
