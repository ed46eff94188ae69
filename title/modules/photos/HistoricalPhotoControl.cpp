#include "title/modules/photos/HistoricalPhotoControl.h"

#include <utility>

#include "engine/controls/ControlEvents.h"
#include "engine/controls/VPictureControl.h"
#include "engine/core/VString.h"
#include "engine/core/VTask.h"
#include "engine/graphics/PixelMapAttributes.h"
#include "engine/graphics/VPicture.h"
#include "title/controls/HotspotMaskControl.h"
#include "title/controls/MainScreenServices.h"
#include "title/controls/PlacementAnimation.h"
#include "title/controls/PlacementRecords.h"
#include "title/controls/SignalTimer.h"
#include "title/modules/photos/HistoricalPhotoItem.h"
#include "title/shell/MuseumArchives.h"

namespace {

void SetLevelQuietly(VPictureControl& control, int32_t level) {
  PixelMapAttributes attributes;
  if (!control.GetPixelAttributes(attributes)) return;
  attributes.SetLevel(level);
  control.SetPixelAttributes(attributes, false);
}

}  // namespace

HistoricalPhotoControl::HistoricalPhotoControl(int32_t id, const ItemRef& item, int32_t left, int32_t top,
                                               int32_t layer, int32_t width, int32_t height, VGraphicObject* parent)
    : PhotoHotspotFrame(id, item, left, top, layer, width, height, parent),
      hidden_(std::make_unique<PlacementList>()),
      shown_(std::make_unique<PlacementList>()),
      captionOut_(std::make_unique<PlacementList>()),
      captionIn_(std::make_unique<PlacementList>()),
      in_(std::make_unique<PlacementTransitionList>(kTransitionIn)),
      out_(std::make_unique<PlacementTransitionList>(kTransitionOut)) {
  in_->Add(new PlacementTransition(hidden_.get(), shown_.get(), kStepDuration));
  in_->Add(new PlacementTransition(captionOut_.get(), captionIn_.get(), kStepDuration));
  out_->Add(new PlacementTransition(captionIn_.get(), captionOut_.get(), kStepDuration));
  out_->Add(new PlacementTransition(shown_.get(), hidden_.get(), kStepDuration));

  decoration_ = new VPictureControl(kAllocateId, kDecorationPictureId, kDecorationLeft, kDecorationTop, 0,
                                    kDecorationWidth, kDecorationHeight, this);
  hidden_->AddOrMerge(new PlacementRecord(decoration_, PlacementRecord::kSecondPair, 0, 0, 0, -1));
  shown_->AddOrMerge(new PlacementRecord(decoration_, PlacementRecord::kSecondPair, kShownLevel, 0, kShownLevel, -1));
  SetLevelQuietly(*decoration_, 0);

  // The item's media are the language archive's.
  SelectLanguageArchive();
  auto photo = std::make_unique<HistoricalPhotoItem>(item);
  HistoricalPhotoItem* loaded = photo.get();
  SetPhotoItem(std::move(photo));

  if (loaded->GetMediaBase() != 0) {
    VPicture* measure = new VPicture(loaded->GetPictureId());
    if (measure->GetPixelMap() != nullptr) {
      // Centred on the photo area; a wider photograph reaches further left.
      const int32_t x = kPhotoAreaLeft + (kPhotoAreaWidth - measure->GetWidth()) / 2;
      auto* mask = new HotspotMaskControl(kMaskControlId, loaded->GetHotspots(), loaded->GetPictureId(),
                                          loaded->GetMaskPictureId(), loaded->GetMaskId(), x, kPhotoTop, 1, 0, 0, this);
      hidden_->AddOrMerge(new PlacementRecord(mask, PlacementRecord::kSecondPair, 0, 0, 0, -1));
      shown_->AddOrMerge(new PlacementRecord(mask, PlacementRecord::kSecondPair, kShownLevel, 0, kShownLevel, -1));
      SetLevelQuietly(*mask, 0);
      animates_ = true;
    }
    measure->Release();
  }

  caption_ = new VPictureControl(kAllocateId, loaded->GetCaptionPictureId(), kCaptionLeft, kCaptionTop, 1, 0, 0, this);
  const int32_t captionWidth = caption_->GetWidth();
  caption_->MoveTo(VPoint(-captionWidth, kCaptionTop), false, false, false);
  captionOut_->AddOrMerge(
      new PlacementRecord(caption_, PlacementRecord::kFirstPair, -captionWidth, kCaptionTop, 0, 0));
  captionIn_->AddOrMerge(new PlacementRecord(caption_, PlacementRecord::kFirstPair, kCaptionLeft, kCaptionTop, 0, 0));

  loaded->GetItemRef().MarkItemVisited();
  SelectGuiArchive();
}

HistoricalPhotoControl::~HistoricalPhotoControl() {
  // The transitions refer to the lists: they go first.
  running_ = nullptr;
  next_ = nullptr;
  in_.reset();
  out_.reset();
  hidden_.reset();
  shown_.reset();
  captionOut_.reset();
  captionIn_.reset();
}

HistoricalPhotoItem* HistoricalPhotoControl::GetItem() const {
  return static_cast<HistoricalPhotoItem*>(GetPhotoItem());
}

void HistoricalPhotoControl::Show() {
  leaving_ = false;
  SetVisible(true, true);
  if (FindObject(kMaskControlId) != nullptr) {
    VString text;
    GetItem()->GetText(text);
    MainScreenServices* services = GetMainScreenServices();
    if (services != nullptr) services->SetCaption(text, IsItemVisited(GetItem()->GetItemRef()), false);
  }
  if (!animates_) {
    ReportLater(kOwnerShown);
    return;
  }
  RunTransitionList(*in_);
}

void HistoricalPhotoControl::Hide() {
  leaving_ = true;
  // The photo's caption leaves with it: the main screen shows the saved
  // caption again whenever a script ends.
  if (FindObject(kMaskControlId) != nullptr) {
    if (MainScreenServices* services = GetMainScreenServices()) services->SetCaption(VString(""), false, false);
  }
  if (!animates_) {
    SetVisible(false, true);
    ReportLater(kOwnerHidden);
    return;
  }
  RunTransitionList(*out_);
}

void HistoricalPhotoControl::ReportLater(uint32_t code) {
  pendingReport_ = code;
  RequestIdlePassBy(GetTaskTickCount());
}

void HistoricalPhotoControl::RunTransitionList(PlacementTransitionList& list) {
  auto* first = static_cast<PlacementTransition*>(list.GetFirst());
  if (first == nullptr) return;
  running_ = &list;
  RunTransition(*first, list.GetId());
}

void HistoricalPhotoControl::RunTransition(PlacementTransition& transition, int32_t listId) {
  // The previous step's timer (and the graph hanging from it) is done.
  if (timer_ != nullptr) delete timer_;
  timer_ = RunPlacementTransition(*this, transition, listId, kOvershoot);
  next_ = static_cast<PlacementTransition*>(transition.GetNext());
}

bool HistoricalPhotoControl::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  if (code == kMessageTick) {
    // The tick goes on to the rest of the window either way.
    const ControlLife::Watch watch = life_.MakeWatch();
    if (pendingReport_ != 0) {
      const uint32_t report = std::exchange(pendingReport_, 0);
      SendControlEvent(*this, report);
      if (!watch.Alive()) return false;
    }
    if (hiddenReport_) {
      hiddenReport_ = false;
      SendControlEvent(*this, kOwnerHidden);
    }
    return false;
  }
  if (code == SignalTimer::kMessageTimerEnded && running_ != nullptr &&
      (value1 == static_cast<uint32_t>(kTransitionIn) || value1 == static_cast<uint32_t>(kTransitionOut)) &&
      value1 == static_cast<uint32_t>(running_->GetId())) {
    if (next_ != nullptr) {
      RunTransition(*next_, running_->GetId());
      return true;
    }
    running_ = nullptr;
    if (value1 == static_cast<uint32_t>(kTransitionIn)) {
      SendControlEvent(*this, kOwnerShown);
    } else {
      SetVisible(false, true);
      hiddenReport_ = true;
      RequestIdlePassBy(GetTaskTickCount());
    }
    return true;
  }
  // Leaving, the photograph's regions name nothing on the caption line.
  if (leaving_ && (code == kEventPointerEntered || code == kEventPointerLeft)) return false;
  return PhotoHotspotFrame::HandleEvent(code, value1, value2);
}
