// What the tour view asks of the application shell around it: the wait
// cursor, the main interface screen's status line and layout modes, and the
// making of a detail-photo pop-up (with the language archive current while
// it loads). The shell installs one on the view (TourView::SetHost); without
// one these requests do nothing and no pop-up opens.
//
// A pop-up is a picture frame: the view calls its Show and Hide, enables and
// disables it, and once it has gone it reports 95 (owner hidden) up its event
// tree; the view then deletes it.
#pragma once

#include <cstdint>

class ItemRef;
class PictureFrameControl;
class VGraphicObject;
class VString;

class TourViewHost {
 public:
  virtual ~TourViewHost() = default;
  virtual void SetWaitCursor(bool wait) = 0;
  // The main interface screen: shows its remembered caption again, sets its
  // status text (as the caption or not), switches its layout mode over the
  // duration (ms) and reports 92 to its owner when the switch has finished.
  // Nothing when the screen is absent.
  virtual void ShowSavedCaption() = 0;
  virtual void SetStatusText(const VString& text, bool asCaption) = 0;
  virtual void SwitchMode(int32_t mode, int32_t duration) = 0;
  // A new detail-photo pop-up for the item, a child of `parent` covering
  // 640 x 480 at its top-left on layer 2; null when it cannot be made.
  virtual PictureFrameControl* MakeDetailPhotoPopup(const ItemRef& item, VGraphicObject* parent) = 0;
};
