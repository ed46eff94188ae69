#include "title/shell/RoomOverlayMaker.h"

#include <string>
#include <utility>

#include "engine/controls/VPictureFont.h"
#include "title/shell/PictureFontTable.h"
#include "title/shell/ScreenRegistry.h"
#include "title/shell/TitleRunLog.h"
#include "title/tour/RoomOverlay.h"

void RegisterRoomOverlay() {
  ScreenMaker maker;
  maker.make = [](const ScreenRequest& request) -> PictureFrameControl* {
    auto* overlay =
        new RoomOverlay(request.id, request.context, request.left, request.top, request.layer, request.width,
                        request.height, request.owner, [](int32_t index) -> VFont* { return GetPictureFont(index); });
    // "room-shown N" in the run log for each room the overlay shows.
    if (title_run_log::HasSink()) {
      overlay->SetRoomListener([](int32_t room, const char* /*name*/) {
        title_run_log::Write("room-shown " + std::to_string(room));
      });
    }
    return overlay;
  };
  ScreenRegistry::Register(RoomOverlay::kOverlayKind, std::move(maker));
}
