// The screen that shows one video or slide-show item: a backdrop over the
// screen, the movie or the slide show in a framed panel centred on a given
// point, and a side bar with title pictures, a link to a related place and
// rewind, pause and play. It marks the item seen, puts the item's caption
// into the main interface screen and reports to its owner like every module
// screen (94 shown, 95 hidden). An item without content shows nothing and
// still reports.
//
// RegisterItemViewer makes it the main panel's screen of kind 14 for video
// and slide-show items.
#pragma once

#include <cstdint>

#include "engine/core/VGeometry.h"
#include "title/controls/PictureFrameControl.h"

class ItemRef;
class SlideShowPanel;
class ViewerBackdropPanel;
class VideoItemPanel;

class ItemViewer : public PictureFrameControl {
 public:
  static constexpr int32_t kViewerKind = 14;
  static constexpr int32_t kBackdropId = 14999;
  static constexpr int32_t kBackdropPictureId = 15000;
  static constexpr int32_t kVideoPanelId = 15007;
  static constexpr int32_t kSlideShowPanelId = 15008;
  // The category tables of the two kinds of item (by their TEXT media id).
  static constexpr int32_t kSlideShowTable = 6;
  static constexpr int32_t kVideoTable = 7;
  static constexpr int32_t kMovieWidth = 320;
  static constexpr int32_t kMovieHeight = 240;
  static constexpr int32_t kSlideShowWidth = 426;
  static constexpr int32_t kSlideShowHeight = 320;
  // Where the main panel centres the movie and puts the side bar.
  static constexpr VPoint kMainPanelCentre{290, 204};
  static constexpr VPoint kMainPanelSideBar{581, 105};
  // The link code used when the item names none.
  static constexpr const char* kNoLinkCode = "BU000";

  ItemViewer(int32_t id, uint16_t pictureId, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
             VGraphicObject* parent);

  int32_t GetKind() const override { return kViewerKind; }
  // Shows the item (owned and deleted; null keeps the shown one) centred on
  // `centre`, with the side bar's top left at `sideBar`.
  virtual void ShowItem(ItemRef* item, const VPoint& centre, const VPoint& sideBar);
  virtual void CloseBackdrop();
  // Shows the play button and pauses the item.
  virtual void PauseItem();
  // Plays the slide show or resumes the movie and shows the viewer (94).
  void Show() override;
  // Pauses the movie or deletes the slide-show panel and hides; the viewer
  // then reports 95. A later Show plays nothing until ShowItem runs again.
  void Hide() override;
  // The item's caption into the main interface screen of the current panel.
  void ShowCaption();
  void SetBackdropPicture(uint16_t mediaId);
  // Whether the main interface screen shows neither the viewer (status 14)
  // nor status 13.
  static bool CaptionAllowsLink();

  int32_t GetCategory() const { return category_; }
  int32_t GetNumber() const { return number_; }
  ViewerBackdropPanel* GetBackdrop() const;
  VideoItemPanel* GetVideoPanel() const;
  SlideShowPanel* GetSlideShowPanel() const;

  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

 private:
  void ShowVideo(uint16_t base, const VPoint& centre, const VPoint& sideBar);
  void ShowSlideShow(uint16_t base, const VPoint& centre, const VPoint& sideBar);
  // "WHAT CODE" in the title's run log, CODE the item's text form (SH001).
  void WriteItemLine(const char* what) const;

  int32_t category_ = 0;
  int32_t number_ = 0;
};

// Registers the maker of the main panel's screen of kind 14.
void RegisterItemViewer();
