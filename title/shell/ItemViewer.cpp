#include "title/shell/ItemViewer.h"

#include <memory>
#include <string>
#include <utility>

#include "engine/controls/ControlEvents.h"
#include "engine/controls/VPictureControl.h"
#include "engine/core/VString.h"
#include "engine/script/CategoryTables.h"
#include "engine/script/ItemRef.h"
#include "engine/script/ScriptLexer.h"
#include "title/controls/AppMovieControl.h"
#include "title/shell/MainInterfaceScreen.h"
#include "title/shell/ScreenRegistry.h"
#include "title/shell/SequencePlayer.h"
#include "title/shell/SlideShowPanel.h"
#include "title/shell/StandInScreen.h"
#include "title/shell/TitleRunLog.h"
#include "title/shell/VideoItemPanel.h"
#include "title/shell/ViewerBackdropPanel.h"

namespace {

constexpr int32_t kScreenWidth = 640;
constexpr int32_t kScreenHeight = 480;
constexpr int32_t kBackdropLayer = 1;
constexpr int32_t kPanelLayer = 2;
// Status codes of the main interface screen under which the side bar has no
// caption button.
constexpr int32_t kStatusViewer = 14;
constexpr int32_t kStatusNoCaptionLink = 13;
// The media of an item, from its base id.
constexpr uint16_t kMovieOffset = 1;
constexpr uint16_t kCaptionOffset = 2;
constexpr uint16_t kLinkOffset = 3;

// The item code of the linked place: the first token of TEXT `mediaId` when
// it is a word, else the code that names no place.
ItemRef ReadLink(uint16_t mediaId) {
  VString text;
  LoadTextMedia(text, mediaId, false);
  ItemRef link;
  if (!ReadLeadingItemRef(text, link)) link.ParseItemRef(VString(ItemViewer::kNoLinkCode));
  return link;
}

ItemViewer* AsViewer(PictureFrameControl& screen) { return dynamic_cast<ItemViewer*>(&screen); }

}  // namespace

ItemViewer::ItemViewer(int32_t id, uint16_t pictureId, int32_t left, int32_t top, int32_t layer, int32_t width,
                       int32_t height, VGraphicObject* parent)
    : PictureFrameControl(id, pictureId, left, top, layer, width, height, parent) {}

ViewerBackdropPanel* ItemViewer::GetBackdrop() const {
  return dynamic_cast<ViewerBackdropPanel*>(const_cast<ItemViewer*>(this)->FindObject(kBackdropId));
}

VideoItemPanel* ItemViewer::GetVideoPanel() const {
  return dynamic_cast<VideoItemPanel*>(const_cast<ItemViewer*>(this)->FindObject(kVideoPanelId));
}

SlideShowPanel* ItemViewer::GetSlideShowPanel() const {
  return dynamic_cast<SlideShowPanel*>(const_cast<ItemViewer*>(this)->FindObject(kSlideShowPanelId));
}

void ItemViewer::ShowItem(ItemRef* item, const VPoint& centre, const VPoint& sideBar) {
  CloseBackdrop();
  if (item != nullptr) {
    const std::unique_ptr<ItemRef> owned(item);
    category_ = owned->GetCategory();
    number_ = owned->GetNumber();
    if (category_ == kVideoCategory || category_ == kSlideShowCategory) owned->MarkItemVisited();
  }
  if (category_ == kVideoCategory) {
    const uint16_t base = GetItemBaseMediaId(kVideoTable, number_);
    if (base != 0) ShowVideo(base, centre, sideBar);
  } else if (category_ == kSlideShowCategory) {
    const uint16_t base = GetItemBaseMediaId(kSlideShowTable, number_);
    if (base != 0) ShowSlideShow(base, centre, sideBar);
  }
}

void ItemViewer::ShowVideo(uint16_t base, const VPoint& centre, const VPoint& sideBar) {
  auto* backdrop = new ViewerBackdropPanel(kBackdropId, 0, 0, kBackdropLayer, kScreenWidth, kScreenHeight, this);
  auto* panel = new VideoItemPanel(kVideoPanelId, centre.x - kMovieWidth / 2, centre.y - kMovieHeight / 2,
                                   kPanelLayer, kMovieWidth, kMovieHeight, backdrop);
  panel->OpenMovie(static_cast<uint16_t>(base + kMovieOffset), 0, 0, kMovieWidth, kMovieHeight);
  const ItemRef link = ReadLink(static_cast<uint16_t>(base + kLinkOffset));
  if (ViewerBackdropPanel* shown = GetBackdrop()) {
    shown->BuildControls(kVideoCategory, sideBar.x, sideBar.y, link, CaptionAllowsLink());
  }
}

void ItemViewer::ShowSlideShow(uint16_t base, const VPoint& centre, const VPoint& sideBar) {
  auto* backdrop = new ViewerBackdropPanel(kBackdropId, 0, 0, kBackdropLayer, GetWidth(), GetHeight(), this);
  auto* panel = new SlideShowPanel(kSlideShowPanelId, centre.x - kSlideShowWidth / 2, centre.y - kSlideShowHeight / 2,
                                   kPanelLayer, kSlideShowWidth, kSlideShowHeight, backdrop);
  panel->LoadSequence(base);
  const ItemRef link = ReadLink(static_cast<uint16_t>(base + kLinkOffset));
  if (ViewerBackdropPanel* shown = GetBackdrop()) {
    shown->BuildControls(kSlideShowCategory, sideBar.x, sideBar.y, link, CaptionAllowsLink());
  }
}

void ItemViewer::CloseBackdrop() {
  if (FindObject(kBackdropId) != nullptr) RemoveChild(kBackdropId, true);
}

void ItemViewer::PauseItem() {
  if (ViewerBackdropPanel* backdrop = GetBackdrop()) backdrop->ShowPlayButton();
  SendControlEvent(*this, ViewerBackdropPanel::kOwnerPause, 0);
}

void ItemViewer::Show() {
  if (category_ == kVideoCategory) {
    if (VideoItemPanel* panel = GetVideoPanel()) panel->ResumeMovie();
  } else if (category_ == kSlideShowCategory) {
    if (SlideShowPanel* panel = GetSlideShowPanel()) panel->Play();
  }
  SetVisible(true, false);
  if (ViewerBackdropPanel* backdrop = GetBackdrop()) backdrop->ShowAndRedraw();
  WriteItemLine("item-shown");
  SendControlEvent(*this, kOwnerShown);
}

void ItemViewer::Hide() {
  if (category_ == kVideoCategory) {
    if (VideoItemPanel* panel = GetVideoPanel()) panel->PauseMovie();
  } else if (category_ == kSlideShowCategory) {
    // The panel stops its player and lets the sequence and its media go.
    RemoveChild(kSlideShowPanelId, true);
  }
  SetVisible(false, true);
  if (ViewerBackdropPanel* backdrop = GetBackdrop()) {
    // Its 113 comes back here and becomes the 95.
    backdrop->HideAndReport();
  } else {
    // An item without content has no backdrop: the viewer still closes.
    SendControlEvent(*this, kOwnerHidden);
  }
}

void ItemViewer::WriteItemLine(const char* what) const { title_run_log::WriteItem(what, ItemRef(category_, number_)); }

void ItemViewer::ShowCaption() {
  if (category_ != kVideoCategory && category_ != kSlideShowCategory) return;
  const uint16_t base = GetItemBaseMediaId(category_ == kVideoCategory ? kVideoTable : kSlideShowTable, number_);
  if (base == 0) return;
  MainInterfaceScreen* screen = MainInterfaceScreen::FindInCurrentPanel();
  if (screen == nullptr) return;
  VString caption;
  LoadTextMedia(caption, static_cast<uint16_t>(base + kCaptionOffset), false);
  screen->SetCaption(caption, false, false);
}

void ItemViewer::SetBackdropPicture(uint16_t mediaId) {
  ViewerBackdropPanel* backdrop = GetBackdrop();
  if (backdrop == nullptr) return;
  new VPictureControl(kBackdropPictureId, mediaId, 0, 0, 0, backdrop->GetWidth(), backdrop->GetHeight(), backdrop);
}

bool ItemViewer::CaptionAllowsLink() {
  const MainInterfaceScreen* screen = MainInterfaceScreen::FindInCurrentPanel();
  if (screen == nullptr) return false;
  const int32_t status = screen->GetStatusCode();
  return status != kStatusViewer && status != kStatusNoCaptionLink;
}

bool ItemViewer::HandleEvent(uint32_t code, uint32_t /*value1*/, uint32_t /*value2*/) {
  VideoItemPanel* video = category_ == kVideoCategory ? GetVideoPanel() : nullptr;
  SlideShowPanel* slides = category_ == kSlideShowCategory ? GetSlideShowPanel() : nullptr;
  switch (code) {
    case AppMovieControl::kMessagePaused:
      if (video != nullptr) WriteItemLine("item-ended");
      if (video != nullptr) video->RewindMovie();
      if (ViewerBackdropPanel* backdrop = GetBackdrop()) backdrop->ShowPlayButton();
      return true;
    case ViewerBackdropPanel::kOwnerRewind:
      if (video != nullptr) video->RewindMovie();
      if (slides != nullptr) {
        // Resumed first so that the rewind stops a paused show as well: the
        // player ends stopped at 0.
        slides->Resume();
        slides->Rewind(true);
      }
      return true;
    case ViewerBackdropPanel::kOwnerPause:
      if (video != nullptr) video->UserPauseMovie();
      if (slides != nullptr) slides->Pause();
      return true;
    case ViewerBackdropPanel::kOwnerPlay:
      if (video != nullptr) video->ResumeMovie();
      if (slides != nullptr) slides->Resume();
      return true;
    case ViewerBackdropPanel::kOwnerHidden:
      SendControlEvent(*this, kOwnerHidden);
      return true;
    case SequencePlayer::kMessageEnded:
      if (slides != nullptr) WriteItemLine("item-ended");
      if (slides != nullptr) slides->Rewind(true);
      if (ViewerBackdropPanel* backdrop = GetBackdrop()) backdrop->ShowPlayButton();
      return true;
    default:
      return false;
  }
}

void RegisterItemViewer() {
  ScreenMaker maker;
  maker.make = [](const ScreenRequest& request) -> PictureFrameControl* {
    const int32_t category = request.item != nullptr ? request.item->GetCategory() : -1;
    if (category != kVideoCategory && category != kSlideShowCategory) return new StandInScreen(request);
    auto* viewer = new ItemViewer(request.id, 0, request.left, request.top, request.layer, request.width,
                                  request.height, request.owner);
    viewer->ShowItem(new ItemRef(*request.item), ItemViewer::kMainPanelCentre, ItemViewer::kMainPanelSideBar);
    return viewer;
  };
  maker.opened = [](PictureFrameControl& screen, const ScreenRequest& request) {
    ItemViewer* viewer = AsViewer(screen);
    if (viewer != nullptr && !request.moduleShown) viewer->ShowCaption();
  };
  maker.pause = [](PictureFrameControl& screen) {
    if (ItemViewer* viewer = AsViewer(screen)) viewer->PauseItem();
  };
  maker.setMovieControlsVisible = [](PictureFrameControl& screen, bool visible) {
    ItemViewer* viewer = AsViewer(screen);
    // The movie draws straight to the screen: it goes while an overlay lies over it.
    if (viewer != nullptr && viewer->GetCategory() == kVideoCategory) {
      viewer->ShowChild(ItemViewer::kVideoPanelId, visible, true);
    }
  };
  ScreenRegistry::Register(ItemViewer::kViewerKind, std::move(maker));
}
