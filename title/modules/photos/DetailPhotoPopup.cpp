#include "title/modules/photos/DetailPhotoPopup.h"

#include <memory>
#include <string>
#include <utility>

#include "engine/app/MessagePointer.h"
#include "engine/controls/VPictureControl.h"
#include "engine/core/VString.h"
#include "engine/core/VTask.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VPicture.h"
#include "engine/sound/SoundManager.h"
#include "title/controls/HotspotMaskControl.h"
#include "title/controls/MainScreenServices.h"
#include "title/controls/PictureTransitions.h"
#include "title/modules/photos/DetailPhotoItem.h"
#include "title/shell/TitleRunLog.h"
#include "title/tour/TourNavigator.h"
#include "title/tour/TourView.h"

namespace {

constexpr int32_t kStillLayer = 2;
constexpr int32_t kPhotoLayer = 1;

}  // namespace

DetailPhotoPopup::DetailPhotoPopup(int32_t id, const ItemRef& item, int32_t left, int32_t top, int32_t layer,
                                   int32_t width, int32_t height, VGraphicObject* parent)
    : PhotoHotspotFrame(id, item, left, top, layer, width, height, parent) {
  auto photo = std::make_unique<DetailPhotoItem>(item);
  DetailPhotoItem* loaded = photo.get();
  SetPhotoItem(std::move(photo));
  if (loaded->GetMediaBase() != 0) {
    new HotspotMaskControl(kMaskControlId, loaded->GetHotspots(), loaded->GetPictureId(), loaded->GetMaskPictureId(),
                           loaded->GetMaskId(), 0, 0, kPhotoLayer, 0, 0, this);
  }
  loaded->GetItemRef().MarkItemVisited();
  GetSoundManager().AcquireSound(kSoundClick);
}

DetailPhotoPopup::~DetailPhotoPopup() { GetSoundManager().ReleaseSound(kSoundClick); }

DetailPhotoItem* DetailPhotoPopup::GetItem() const { return static_cast<DetailPhotoItem*>(GetPhotoItem()); }

HotspotMaskControl* DetailPhotoPopup::GetPhotograph() {
  return dynamic_cast<HotspotMaskControl*>(FindObject(kMaskControlId));
}

VPictureControl* DetailPhotoPopup::GetStill() { return dynamic_cast<VPictureControl*>(FindObject(kStillControlId)); }

bool DetailPhotoPopup::SetEnabled(bool enabled) {
  const bool old = PhotoHotspotFrame::SetEnabled(enabled);
  HotspotMaskControl* photograph = GetPhotograph();
  if (photograph == nullptr) return old;
  photograph->SetEnabled(enabled);
  return photograph->SetMaskEnabled(enabled);
}

bool DetailPhotoPopup::IsItemVisited(const ItemRef& item) { return item.IsItemVisited(); }

TourNavigator* DetailPhotoPopup::FindNavigator() {
  MainScreenServices* services = GetMainScreenServices();
  VGraphicObject* panel = services != nullptr ? services->GetCurrentPanel() : nullptr;
  auto* view = panel != nullptr ? dynamic_cast<TourView*>(panel->FindObject(TourView::kViewId)) : nullptr;
  return view != nullptr ? view->GetNavigator() : nullptr;
}

VPicture* DetailPhotoPopup::TakeStill(TourNavigator& navigator, const PixelMap& layout) {
  // The transition reads both pictures in one pixel layout: the still takes
  // the photograph's.
  PixelMap* frame = navigator.GetFrameBuffer();
  if (frame != nullptr && frame->HasStorage() && frame->GetDepth() == layout.GetDepth() &&
      frame->GetPixelFormat() == layout.GetPixelFormat()) {
    auto* copy = new PixelMap(*frame, nullptr);
    if (copy->HasStorage()) return new VPicture(copy);
    delete copy;
  }
  // No frame of that layout drawn: one frame of the view now, on black.
  auto* map = new PixelMap(VRect(0, 0, navigator.GetWidth(), navigator.GetHeight()), layout.GetDepth(), nullptr,
                           nullptr, nullptr, PixelMap::kStorageMemory, layout.GetPixelFormat());
  if (map->HasStorage()) {
    const VRGBColor black(0, 0, 0);
    map->FillRect(nullptr, &black);
    // As a draw would: the panorama composed for that layout, then the view.
    if (navigator.PreparePanoramaMap(layout.GetDepth(), layout.GetPixelFormat())) navigator.RenderPanorama(*map);
  }
  return new VPicture(map);
}

VPicture* DetailPhotoPopup::CopyPhotograph() {
  HotspotMaskControl* photograph = GetPhotograph();
  VPicture* shown = photograph != nullptr ? photograph->GetPicture() : nullptr;
  if (shown == nullptr) return nullptr;
  VPicture* copy = nullptr;
  if (PixelMap* map = shown->GetPixelMap(); map != nullptr && map->HasStorage()) {
    auto* pixels = new PixelMap(*map, nullptr);
    if (pixels->HasStorage()) {
      copy = new VPicture(pixels);
    } else {
      delete pixels;
    }
  }
  shown->Release();
  return copy;
}

void DetailPhotoPopup::DeleteStill() {
  cleanup_ = false;
  if (VPictureControl* still = GetStill()) delete still;
}

void DetailPhotoPopup::RunTransition(VPicture* still, VPicture* target, int32_t id) {
  DeleteStill();
  auto* control = new VPictureControl(kStillControlId, still, 0, 0, kStillLayer, 0, 0, this);
  auto* transition =
      new PictureTransition(id, control, target, true, kTransitionDuration, {}, 0, false);
  SetVisible(true, false);
  transition->Start();
}

void DetailPhotoPopup::Show() {
  changeStart_ = GetTaskTickCount();
  closing_ = false;
  HotspotMaskControl* photograph = GetPhotograph();
  VPicture* target = photograph != nullptr ? photograph->GetPicture() : nullptr;
  const bool loaded = target != nullptr && target->GetPixelMap() != nullptr;
  TourNavigator* navigator = loaded ? FindNavigator() : nullptr;
  if (navigator == nullptr) {
    if (target != nullptr) target->Release();
    // Nothing to change from or to: shown as it is.
    SetVisible(true, true);
    SetEnabled(true);
    ReportLater(kOwnerShown);
    return;
  }
  navigator->Deactivate();
  VPicture* still = TakeStill(*navigator, *target->GetPixelMap());
  RunTransition(still, target, kTransitionOpen);
  still->Release();
  target->Release();
}

void DetailPhotoPopup::Hide() {
  changeStart_ = GetTaskTickCount();
  // Closing, the photograph's caption goes at once and its regions answer
  // nothing more while it fades.
  closing_ = true;
  if (GetPhotograph() != nullptr) {
    if (MainScreenServices* services = GetMainScreenServices()) services->SetCaption(VString(""), false, false);
  }
  // The still shows a copy of the photograph: the transition writes into
  // the picture it shows, and the photograph's own picture stays as loaded.
  VPicture* photo = CopyPhotograph();
  TourNavigator* navigator = photo != nullptr ? FindNavigator() : nullptr;
  if (navigator == nullptr) {
    if (photo != nullptr) photo->Release();
    SetEnabled(false);
    SetVisible(false, true);
    ReportLater(kOwnerHidden);
    return;
  }
  VPicture* still = TakeStill(*navigator, *photo->GetPixelMap());
  RunTransition(photo, still, kTransitionClose);
  photo->Release();
  still->Release();
}

void DetailPhotoPopup::Report(uint32_t code) {
  if (title_run_log::HasSink()) {
    // Runs driven from outside learn when the pop-up has opened or closed,
    // and how long its transition took.
    char item[6] = {};
    if (!GetItem()->GetItemRef().FormatItemRef(item)) item[0] = '\0';
    const uint32_t took = GetTaskTickCount() - changeStart_;
    title_run_log::Write(std::string(code == kOwnerShown ? "popup-shown " : "popup-hidden ") + item + " ms " +
                         std::to_string(took));
  }
  SendControlEvent(*this, code);
}

void DetailPhotoPopup::ReportLater(uint32_t code) {
  pendingReport_ = code;
  RequestIdlePassBy(GetTaskTickCount());
}

void DetailPhotoPopup::OpenRegion() {
  HotspotMaskControl* photograph = GetPhotograph();
  if (photograph == nullptr || photograph->GetCurrentRegion() <= 0) return;
  GetSoundManager().TriggerSound(kSoundClick);
  const ItemRef* hotspot = photograph->GetCurrentItemRef();
  if (hotspot == nullptr) return;
  // The pop-up is the copy's one owner: it lives while the owner handles the
  // message.
  auto item = std::make_unique<ItemRef>(hotspot->GetCategory(), hotspot->GetNumber());
  ScopedMessagePointer token(item.get());
  SendUpward(kMessageOpenItem, token.GetValue(), 0);
}

bool DetailPhotoPopup::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  switch (code) {
    case kMessageTick: {
      // The tick goes on to the rest of the window either way.
      if (cleanup_) DeleteStill();
      if (pendingReport_ != 0) Report(std::exchange(pendingReport_, 0));
      return false;
    }
    case kEventReleased:
      if (static_cast<int32_t>(value1) != kMaskControlId) break;
      if (!closing_) OpenRegion();
      return true;
    case kEventPointerEntered:
    case kEventPointerLeft:
      if (closing_) return false;
      break;
    case kEventTransitionEnded:
      if (value1 == static_cast<uint32_t>(kTransitionOpen)) {
        SetEnabled(true);
        cleanup_ = true;
        RequestIdlePassBy(GetTaskTickCount());
        Report(kOwnerShown);
        return true;
      }
      if (value1 == static_cast<uint32_t>(kTransitionClose)) {
        SetEnabled(false);
        cleanup_ = true;
        RequestIdlePassBy(GetTaskTickCount());
        Report(kOwnerHidden);
        return true;
      }
      break;
    default:
      break;
  }
  return PhotoHotspotFrame::HandleEvent(code, value1, value2);
}
