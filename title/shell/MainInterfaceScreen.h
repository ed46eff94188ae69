// The control strip along the bottom of the window (id 14378): the module
// selector with the four module buttons, the tool buttons, the caption line
// (the program-wide line for titles and hover texts), the status line with
// its button, and the link text. It has four layout modes (and the hidden
// mode -1) and moves between them at once or animated on a value network.
// It reports to its owner: 90 (a module button, 1..4), 91 (a button or the
// link), 92 (an animated mode switch has finished, with the mode).
//
// Ownership: the strip owns its child controls, its layout lists, its
// caption texts and the six pictures of the link target button; it holds
// the interface sounds 6 to 27 for its lifetime. The timer of an animated
// switch and its value network are the strip's until the next switch, which
// deletes them (after the current idle pass when they are still running).
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "engine/app/VControl.h"
#include "engine/core/VLinkedList.h"
#include "engine/core/VString.h"

class LayoutEntry;
class ModuleSelector;
class SignalTimer;
class VPicture;
class VPictureControl;

class MainInterfaceScreen : public VControl {
 public:
  static constexpr int32_t kId = 14378;
  static constexpr int32_t kSelectorId = 14381;
  static constexpr int32_t kSwitchTimerId = 13;
  static constexpr uint32_t kOwnerModuleButton = 90;
  static constexpr uint32_t kOwnerButton = 91;
  static constexpr uint32_t kOwnerModeReached = 92;

  // The strip's controls.
  static constexpr int32_t kSwitchPictureId = 14380;  // the selector turning during switches
  static constexpr int32_t kBarId = 14379;
  // The bar's place in the whole strip (beside the selector, running on
  // beyond the window's right edge) and in the collapsed strips of the tour
  // and the photo screens: there it spans the window, its rounded left end
  // (10 pixels) just left of the window's edge.
  static constexpr int32_t kFullBarLeft = 105;
  static constexpr int32_t kFullBarWidth = 684;
  static constexpr int32_t kCollapsedBarLeft = -10;
  static constexpr int32_t kCollapsedBarWidth = 650;
  static constexpr int32_t kInfoButtonId = 14392;
  static constexpr int32_t kRoomsButtonId = 14393;
  static constexpr int32_t kCarouselButtonId = 14391;
  static constexpr int32_t kUnbuiltButtonId = 14394;  // has texts and sounds, is never built
  static constexpr int32_t kLeaveButtonId = 14395;
  static constexpr int32_t kStatusId = 14386;
  static constexpr int32_t kStatusShadowId = 14387;
  static constexpr int32_t kCaptionId = 14382;
  static constexpr int32_t kCaptionShadowId = 14383;
  static constexpr int32_t kLinkButtonId = 14389;
  static constexpr int32_t kStatusButtonId = 14390;
  static constexpr int32_t kCaptionBoxId = 14388;
  static constexpr int32_t kLinkId = 14384;
  static constexpr int32_t kLinkShadowId = 14385;
  static constexpr int32_t kControlCount = 16;
  // The order of the controls in every layout list.
  static const std::array<int32_t, kControlCount> kLayoutOrder;
  static constexpr int32_t kFirstSound = 6;
  static constexpr int32_t kLastSound = 27;
  static constexpr uint32_t kSwitchTick = 40;

  // pictureId 0: no background picture (the main panel passes 0).
  MainInterfaceScreen(int32_t id, uint16_t pictureId, int32_t left, int32_t top, int32_t layer, int32_t width,
                      int32_t height, VGraphicObject* owner);
  ~MainInterfaceScreen() override;
  MainInterfaceScreen(const MainInterfaceScreen&) = delete;
  MainInterfaceScreen& operator=(const MainInterfaceScreen&) = delete;

  // Creates the controls, the module buttons, the caption texts and the
  // layout tables.
  virtual void BuildControls();
  // Switches to mode -1..3 over duration ms (0: at once). False when the
  // mode is the current one or a switch is running. An animated switch
  // reports 92 with the mode to the owner when it has finished.
  virtual bool SetLayoutMode(int32_t mode, int32_t duration);
  int32_t GetMode() const { return mode_; }
  bool IsSwitching() const { return switching_; }

  void SetControlsEnabled(bool enabled, bool byMode);
  bool AreControlsEnabled() const { return enabled_; }
  void SetCaption(const VString& text, bool showBox, bool keep);
  void ShowSavedCaption();
  void ShowCaptionByIndex(int32_t controlId);
  int32_t GetCaptionWidth() const;
  void SetStatusText(const VString& text, bool asCaption, bool keepOnStrip);
  void SetStatusCode(int32_t code);
  // The main interface screen of the main window's current panel, or null.
  static MainInterfaceScreen* FindInCurrentPanel();
  int32_t GetStatusCode() const { return statusCode_; }
  void SetLinkText(const VString& text);

  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  // The status line: the text, its shadow and the places of the controls
  // that stand beside it. keepOnStrip pulls the line back to x 20 when it
  // stands further left.
  void SetStatusLine(const VString& text, bool keepOnStrip);
  // The caption text for a control id (hover texts; for the selector the
  // text of the region under the pointer); empty for an id without one.
  VString GetCaptionTextFor(int32_t controlId);
  // The caption texts by table and index; empty outside the tables.
  VString GetTextA(int32_t index) const;
  VString GetTextB(int32_t index) const;
  // The sound indexes a control plays (for the selector by the region under
  // the pointer); 0 for none.
  int32_t GetHoverSound(int32_t controlId);
  int32_t GetClickSound(int32_t controlId);
  // The entry of a control in a mode's layout list (-1 reads mode 0's);
  // null for another id.
  const LayoutEntry* GetLayoutEntry(int32_t mode, int32_t controlId) const;
  ModuleSelector* GetSelector() const;
  const VString& GetTransientCaption() const { return transientCaption_; }
  const VString& GetSavedCaption() const { return savedCaption_; }
  // Whether the link target button shows its second picture set (the way
  // back into the tour).
  bool ShowsSecondPictureSet() const { return secondSet_; }
  // The timer of the running (or last) animated switch; null before the
  // first one.
  SignalTimer* GetSwitchTimer() const { return timer_; }
  // The margin beside a link text of the given pixel width: the full margin
  // up to 130 pixels, shrinking step by step to 0 at 200 and beyond.
  static int32_t LinkMargin(int32_t width, int32_t margin);

 private:
  VGraphicObject* Control(int32_t id);
  VPictureControl* PictureControl(int32_t id);
  VLinkedList& ListFor(int32_t mode);
  const VLinkedList& ListFor(int32_t mode) const;
  LayoutEntry* Entry(int32_t mode, int32_t controlId);
  void AppendEntries(const std::array<LayoutEntry*, 4>& byMode);
  void LoadCaptionTexts();
  void ApplyLayout(int32_t mode);
  void BuildSwitchNetwork(int32_t oldMode, int32_t newMode, int32_t duration);
  void FinishSwitch();
  void SetPictureSet(bool second, int32_t level);
  void SetLinkColors(bool white, bool hover, bool relayout);
  void SetLevel(VGraphicObject* control, int32_t level);
  void SetBarPlacement(bool full);
  // A mouse move at the pointer's place to the control's own handling.
  void MoveAtPointer(VGraphicObject* control);
  int32_t RegionUnderPointer();
  // A control's hover and click sounds (the selector's by the region under
  // the pointer); 0 for controls without.
  struct ControlSounds {
    int32_t hover = 0;
    int32_t click = 0;
  };
  ControlSounds SoundsOf(int32_t controlId);
  void Report(uint32_t code, uint32_t value);
  void RetireTimer();

  VPictureControl* background_ = nullptr;
  int32_t mode_ = 0;
  int32_t top_ = 0;
  std::array<VLinkedList, 4> lists_;
  bool noBackground_ = true;
  bool switching_ = false;
  std::array<VString, 16> captionA_;
  std::array<VString, 18> captionB_;
  std::unique_ptr<VString> statusText_;
  VString transientCaption_;
  VString savedCaption_;
  bool savedShowsBox_ = false;
  int32_t statusCode_ = -1;
  bool enabled_ = true;
  std::array<VPicture*, 6> buttonPictures_{};
  bool secondSet_ = false;
  SignalTimer* timer_ = nullptr;
  bool finishing_ = false;  // reporting the end of a switch from inside its timer
};
