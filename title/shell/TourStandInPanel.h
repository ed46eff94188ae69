// The main panel's stand-in until the main panel and its main interface
// screen exist: the placeholder panel with the panorama tour. At its build
// it makes a tour view over the whole panel with the strip's background (a
// picture control) over its bottom edge, enters the start bubble BU001 and
// uncovers it; walks through doors then work as in the tour. What the
// main panel and its interface screen would do with the view's requests is
// reduced to the least that keeps the tour going: layout mode switches end
// on the next tick (the view's 92), captions and status texts go nowhere,
// no detail-photo pop-up opens (the view is led back to navigating at once)
// and items the tour asks to open (138) are not opened.
//
// While it exists it is the title's main screen services (its own panel as
// the current panel, captions dropped); it removes them when it goes.
#pragma once

#include <cstdint>

#include "title/controls/MainScreenServices.h"
#include "title/shell/PlaceholderPanel.h"
#include "title/tour/TourViewHost.h"

class TourView;

class TourStandInPanel : public PlaceholderPanel, public TourViewHost, public MainScreenServices {
 public:
  // The start bubble's text form.
  static constexpr const char* kStartBubble = "BU001";

  TourStandInPanel() = default;
  ~TourStandInPanel() override;
  TourStandInPanel(const TourStandInPanel&) = delete;
  TourStandInPanel& operator=(const TourStandInPanel&) = delete;

  // The placeholder's build, then the tour view under the strip, in the
  // start bubble, uncovering.
  void Build() override;
  // The tour view's reports: taken (138 opens nothing); on a tick a pending
  // mode switch reports its end to the view.
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  TourView* GetTourView() const { return view_; }

  // TourViewHost: nothing shows but the mode switch, which ends on the next
  // tick; no pop-up is made.
  void SetWaitCursor(bool /*wait*/) override {}
  void ShowSavedCaption() override {}
  void SetStatusText(const VString& /*text*/, bool /*asCaption*/) override {}
  void SwitchMode(int32_t mode, int32_t duration) override;
  TourPopup* MakeDetailPhotoPopup(const ItemRef& /*item*/, VGraphicObject* /*parent*/) override { return nullptr; }

  // MainScreenServices: this panel; captions go nowhere.
  VGraphicObject* GetCurrentPanel() override { return this; }
  void SetCaption(const VString& /*text*/, bool /*shown*/, bool /*keep*/) override {}

  // Factory functions of the panel's class registration.
  static VPropertyHolder* Create(void* members, void* placement);
  static void Destroy(VPropertyHolder* object, bool placement);

 private:
  // The stand-in whose services are installed, or null.
  static TourStandInPanel* installed_;

  TourView* view_ = nullptr;  // a child; goes with the panel
  bool modeSwitchPending_ = false;
};
