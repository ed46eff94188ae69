#include "title/shell/TourStandInPanel.h"

#include <algorithm>
#include <new>

#include "engine/controls/VPictureControl.h"
#include "engine/core/VString.h"
#include "engine/core/VTLink.h"
#include "engine/graphics/VPicture.h"
#include "engine/script/ItemRef.h"
#include "title/tour/BubbleRecord.h"
#include "title/tour/TourPopup.h"
#include "title/tour/TourView.h"

namespace {
constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 480;
// The close control of the main interface that ends a detail-photo pop-up.
constexpr uint32_t kPopupCloseControl = static_cast<uint32_t>(TourView::kCloseControlIds[0]);
}  // namespace

TourStandInPanel* TourStandInPanel::installed_ = nullptr;

TourStandInPanel::~TourStandInPanel() {
  if (installed_ != this) return;
  installed_ = nullptr;
  InstallMainScreenServices(nullptr);
}

void TourStandInPanel::Build() {
  PlaceholderPanel::Build();
  InstallMainScreenServices(this);
  installed_ = this;
  view_ = new TourView(TourView::kViewId, 0, 0, 0, kWidth, kHeight, this);
  view_->SetHost(this);
  // The strip lies over the bottom of the panorama, where the main interface
  // screen would be.
  if (VPicture* strip = GetStripPicture()) {
    const int32_t height = std::min(strip->GetHeight(), kHeight);
    new VPictureControl(kAllocateId, strip, 0, kHeight - height, 1, kWidth, height, this);
  }
  ItemRef start;
  start.ParseItemRef(VString(kStartBubble));
  view_->EnterBubble(new BubbleRecord(start));
  view_->HideCover();
}

void TourStandInPanel::SwitchMode(int32_t /*mode*/, int32_t /*duration*/) {
  // The view changes its state after asking: the end is reported later.
  modeSwitchPending_ = true;
}

bool TourStandInPanel::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  switch (code) {
    case kMessageTick:
      if (modeSwitchPending_ && view_ != nullptr) {
        modeSwitchPending_ = false;
        view_->HandleEvent(TourView::kMessageModeSwitched, 0, 0);
      }
      break;
    case TourView::kMessagePopupReady:
      // No pop-up was made: close it at once so that the view navigates again.
      if (view_ != nullptr && !view_->HasPopup()) {
        view_->HandleEvent(TourView::kMessageCloseControl, kPopupCloseControl, 0);
        view_->HandleEvent(TourPopup::kMessageHidden, 0, 0);
      }
      return true;
    case TourView::kMessageUncovered:
    case TourView::kMessageDimmed:
    case TourView::kMessageTransitionDone:
    case TourView::kMessageBubbleEntered:
    case TourView::kMessageOpenItem:
      // No module opens items yet.
      return true;
    default:
      break;
  }
  return PlaceholderPanel::HandleEvent(code, value1, value2);
}

VPropertyHolder* TourStandInPanel::Create(void* /*members*/, void* placement) {
  if (placement != nullptr) return new (placement) TourStandInPanel();
  return new TourStandInPanel();
}

void TourStandInPanel::Destroy(VPropertyHolder* object, bool placement) {
  if (placement) {
    object->~VPropertyHolder();
  } else {
    delete object;
  }
}
