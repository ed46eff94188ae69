#include "title/modules/photos/PhotoScreens.h"

#include "engine/script/ItemRef.h"
#include "title/modules/photos/DetailPhotoPopup.h"
#include "title/modules/photos/HistoricalPhotoControl.h"
#include "title/shell/ScreenRegistry.h"

void RegisterPhotoScreens() {
  ScreenMaker historical;
  historical.make = [](const ScreenRequest& request) -> PictureFrameControl* {
    const ItemRef item = request.item != nullptr ? *request.item : ItemRef();
    return new HistoricalPhotoControl(request.id, item, request.left, request.top, request.layer, request.width,
                                      request.height, request.owner);
  };
  ScreenRegistry::Register(HistoricalPhotoControl::kKind, std::move(historical));

  ScreenMaker detail;
  detail.make = [](const ScreenRequest& request) -> PictureFrameControl* {
    if (request.item == nullptr) return nullptr;
    return new DetailPhotoPopup(request.id, *request.item, request.left, request.top, request.layer, request.width,
                                request.height, request.owner);
  };
  ScreenRegistry::Register(DetailPhotoPopup::kKind, std::move(detail));
}
