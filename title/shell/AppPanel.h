// The title's main panel (class 2048, panel 8192): it holds the main
// interface screen (the strip) and the panorama tour view, at most one module
// screen and one overlay, the bubble the tour is to enter next, and the nine
// scripts that play every animated hand-over between them. Screens and
// controls report to it with owner messages; it answers each with a module
// switch, an overlay, a new bubble or a script. While a script runs, every
// owner message but the tick (2) and a bubble's entry (137) goes to the
// script alone.
//
// Screens are made through the ScreenRegistry (a stand-in screen for a kind
// no module has registered), hidden, on layer 30 (overlays 40), and deleted
// on the next idle pass: a screen is often still inside its own Hide when its
// 95 asks for its deletion.
//
// The keys: Alt+F4 ends the title (script 7); F1 opens the room overlay;
// space leaves the tour for the main interface (as owner message 88); in the
// room overlay Ctrl+L, then Ctrl+B, reloads the current bubble with the
// alternate picture.
//
// It is the tour view's host and, while it exists, the title's main screen
// services.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "engine/controls/VPanel.h"
#include "engine/core/VString.h"
#include "title/controls/MainScreenServices.h"
#include "title/shell/ScriptStepList.h"
#include "title/shell/StepSequence.h"
#include "title/tour/TourViewHost.h"

class BubbleRecord;
class ItemRef;
class MainInterfaceScreen;
class PictureFrameControl;
class TourView;

class AppPanel : public VPanel, public TourViewHost, public MainScreenServices {
 public:
  static constexpr int32_t kPanelType = 2048;
  static constexpr int32_t kScriptCount = 9;
  static constexpr uint16_t kWelcomeTextId = 18223;
  static constexpr int32_t kWelcomeCapacity = 128;
  static constexpr int32_t kPanelSound = 5;
  static constexpr uint16_t kWaitCursor = 221;
  static constexpr uint16_t kArrowCursor = 220;
  static constexpr uint16_t kTourCursor = 113;
  static constexpr int32_t kLayoutDuration = 1000;
  static constexpr const char* kStartBubble = "BU001";

  // Screen ids.
  static constexpr int32_t kMainInterfaceId = 14378;
  static constexpr int32_t kInfoOverlayId = 14420;
  static constexpr int32_t kRoomOverlayId = 14422;

  // Owner messages.
  static constexpr uint32_t kOwnerHoverCaption = 28;
  static constexpr uint32_t kOwnerHoverEnded = 29;
  static constexpr uint32_t kOwnerShowClosingPanel = 81;
  static constexpr uint32_t kOwnerMessage84 = 84;
  static constexpr uint32_t kOwnerScriptDone = 87;
  static constexpr uint32_t kOwnerBackToTour = 88;
  static constexpr uint32_t kOwnerModuleButton = 90;
  static constexpr uint32_t kOwnerButton = 91;
  static constexpr uint32_t kOwnerModeReached = 92;
  static constexpr uint32_t kOwnerCloseOverlay = 93;
  static constexpr uint32_t kOwnerShown = 94;
  static constexpr uint32_t kOwnerHidden = 95;
  static constexpr uint32_t kOwnerUncovered = 96;
  static constexpr uint32_t kOwnerDimmed = 97;
  static constexpr uint32_t kOwnerWalkEnded = 98;
  static constexpr uint32_t kOwnerPopupReady = 99;
  static constexpr uint32_t kOwnerCoverFaded = 128;
  static constexpr uint32_t kOwnerLeaveTour = 135;
  static constexpr uint32_t kOwnerBubbleEntered = 137;
  static constexpr uint32_t kOwnerOpenItem = 138;
  static constexpr uint32_t kOwnerBubble = 140;

  // Buttons of the main interface (owner message 91).
  static constexpr int32_t kTourButton = 14389;
  static constexpr int32_t kCarouselButton = 14391;
  static constexpr int32_t kInfoButton = 14392;
  static constexpr int32_t kRoomButton = 14393;
  static constexpr int32_t kButton84 = 14394;
  static constexpr int32_t kEndButton = 14395;

  // Keys.
  static constexpr uint32_t kKeyF1 = 0x70;
  static constexpr uint32_t kKeyF4 = 0x73;

  // The controls whose hover shows a caption of the main interface.
  static constexpr std::array<int32_t, 17> kCaptionList = {12299, 14390, 14455, 14456, 14870, 14893,
                                                           14897, 14957, 14960, 14990, 14995, 14996,
                                                           14997, 15012, 15014, 15015, 15018};

  // The steps the scripts are made of.
  enum class StepAction {
    kSuspendTour,
    kLayoutMode1,
    kLayoutMode2,
    kLayoutModeTour,
    kLayoutModeNone,
    kHideModule,
    kDeleteModule,
    kShowPendingModule,
    kHideOverlay,
    kDeleteOverlay,
    kShowPendingOverlay,
    kEnterPendingBubble,
    kInfoPanelIn,
    kInfoPanelOut,
    kRestoreTourCursor,
    kUpdateStatusStep,
    kRequestMessage84,
    kRequestTextPanel,
  };
  // One row of the event table: a step of a script, in script order.
  struct EventTableRow {
    int32_t script;
    int32_t eventCode;
    StepAction action;
  };
  // The nine scripts as the panel builds them (every step waits for any id).
  static std::span<const EventTableRow> GetEventTable();
  static const char* GetStepActionName(StepAction action);

  // The kind the panel compares screens by: 0 and 15 give 0, 1 and 4 give 1,
  // 2 and 5 give 2, 8 and 9 give 8; -1, 3, 6, 7 and 10 to 14 stay; others -1.
  static int32_t ModuleKindOf(int32_t kind);

  AppPanel();
  ~AppPanel() override;
  AppPanel(const AppPanel&) = delete;
  AppPanel& operator=(const AppPanel&) = delete;

  // 640 x 480; the panel becomes the main screen services.
  void Build() override;
  // Builds the strip, then the tour view (in this order: the strip's reports
  // pass the tour view on their way up), and enters the start bubble.
  void Enter() override;
  // Deletes the screens (entered again, the panel builds them anew).
  void Leave() override;
  void DrawContent(DrawPort* port, const VRect& rect) override;
  bool KeyDown(const VKeyEvent& event) override;
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  // Starts script 0..8 with the hourglass; only the hourglass while a script
  // runs.
  void RunScript(int32_t script);
  // Module n (0 aspects, 1 relations, 2 storylines, 3 index, 8 carousel)
  // replaces the one shown (script 3); nothing when the kind is the one shown.
  void ShowModule(int32_t module);
  // The screen for the item's category (EV, SH, VI, HP, AS) over the tour
  // (script 5); other categories open nothing.
  void OpenModuleAtItem(const ItemRef& item);
  // Overlay 6 (tour information) or 10 (rooms), at once or through script 4
  // when another overlay is shown.
  void ShowOverlay(int32_t overlay);
  // The strip's status code: the overlay's kind, else the module's, else -1.
  void UpdateStatus();
  // Shows or hides the movie controls of the module screen shown.
  void SetMovieControlsVisible(bool visible);
  // Enters the record (taken over) unless it is the tour's current bubble.
  void EnterStartBubble(BubbleRecord* record);

  // TourViewHost (and the panel's own wait cursor: 221, else 220).
  void SetWaitCursor(bool wait) override;
  void ShowSavedCaption() override;
  void SetStatusText(const VString& text, bool asCaption) override;
  // The strip's layout mode; when the strip cannot switch, the view still
  // hears 92 on the next tick.
  void SwitchMode(int32_t mode, int32_t duration) override;
  // The screen of kind 13 made through ScreenRegistry with the language
  // archive current; without a maker (or when it makes none) null, and the
  // view is led back to the tour.
  PictureFrameControl* MakeDetailPhotoPopup(const ItemRef& item, VGraphicObject* parent) override;

  // MainScreenServices: this panel, and the strip's caption.
  VGraphicObject* GetCurrentPanel() override { return this; }
  void SetCaption(const VString& text, bool shown, bool keep) override;

  TourView* GetTourView() const { return tourView_; }
  MainInterfaceScreen* GetMainInterface() const { return mainInterface_; }
  PictureFrameControl* GetModuleScreen() const { return moduleScreen_; }
  PictureFrameControl* GetPendingModule() const { return pendingModule_; }
  PictureFrameControl* GetOverlay() const { return overlay_; }
  PictureFrameControl* GetPendingOverlay() const { return pendingOverlay_; }
  BubbleRecord* GetPendingBubble() const { return pendingBubble_; }
  const StepSequence& GetSequence() const { return sequence_; }
  const ScriptStepList& GetScript(int32_t script) const { return scripts_.at(static_cast<size_t>(script)); }
  const VString& GetWelcomeText() const { return welcomeText_; }
  bool IsBubbleKeyArmed() const { return bubbleKeyArmed_; }


 protected:
  // The strip, a child of the panel, hidden (tests give their own).
  virtual MainInterfaceScreen* MakeMainInterface();

 private:
  // "bubble-entered CODE" in the title's run log for the tour's current bubble.
  void WriteBubbleEntered();
  void BuildScripts();
  // Deletes every child: the strip, the tour view and the screens.
  void DeleteScreens();
  bool RunStep(StepAction action);
  bool HideScreen(PictureFrameControl* screen);
  // `madeKind` is the kind the pending screen was made as: a screen may
  // report no kind of its own until its opening has run.
  void ShowPendingScreen(PictureFrameControl*& shown, PictureFrameControl*& pending, int32_t madeKind);
  // A new screen of the kind (see the table in the .cpp) for the item, or null.
  PictureFrameControl* MakeScreen(int32_t kind, const ItemRef* item, int32_t context);
  void ScreenOpened(PictureFrameControl& screen, const ItemRef* item);
  void DeleteScreenLater(PictureFrameControl*& screen);
  void ClearStatusAndCaption(bool status, bool caption);
  void ShowWelcome();
  bool IsInfoPanelShown() const;
  bool HasTourPopup() const;
  int32_t GetStripStatusCode() const;
  void HandleTick();
  void HandleBubbleMessage(uint32_t number);
  void HandleBubbleKey(const VKeyEvent& event, bool& taken);

  TourView* tourView_ = nullptr;                 // a child
  MainInterfaceScreen* mainInterface_ = nullptr;  // a child
  PictureFrameControl* moduleScreen_ = nullptr;
  PictureFrameControl* pendingModule_ = nullptr;
  int32_t pendingModuleKind_ = -1;  // the kind pendingModule_ was made as
  PictureFrameControl* overlay_ = nullptr;
  PictureFrameControl* pendingOverlay_ = nullptr;
  int32_t pendingOverlayKind_ = -1;  // the kind pendingOverlay_ was made as
  BubbleRecord* pendingBubble_ = nullptr;  // owned until entered
  StepSequence sequence_;
  std::array<ScriptStepList, kScriptCount> scripts_;
  bool requestTextPanel_ = false;
  bool requestMessage84_ = false;
  bool firstTick_ = true;
  bool bubbleKeyArmed_ = false;
  // A mode switch the strip could not start: 92 goes to the view on the
  // next tick.
  bool modeReportPending_ = false;
  // The script on the run log's frame watch, -1 for none.
  int32_t watchedScript_ = -1;
  int32_t pendingMode_ = 0;
  VString welcomeText_;
  bool servicesInstalled_ = false;
};
