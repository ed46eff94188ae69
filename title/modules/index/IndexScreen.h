// The index screen: a model of the house that turns under the pointer (an
// animated mask control whose regions are the places) beside the list of the
// places of the house index. Pointing at a region names the place in the main
// interface's caption and marks its row; choosing a row turns the model to
// the place. Opening a place (a click on its region, or a confirmed row)
// plays its slide show or movie in the model's area, with a strip of viewer
// buttons and a go-there button under the list; the go-there button asks the
// main panel for the tour at the place's bubble (owner message 140).
//
// It enters with frames sliding in, the backdrop fading in and a short
// animation that turns into the model (owner message 94 at its end), and
// leaves the same way backwards (95 on the tick after the last move).
//
// RegisterIndexScreen makes it the main panel's module screen of kind 3.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/controls/ControlEvents.h"
#include "engine/core/VString.h"
#include "title/controls/PictureFrameControl.h"

class AnimatedMaskControl;
class AnimatedPictureControl;
class AppTaskListControl;
class IndexEntryList;
class ItemRef;
class PlacementList;
class PlacementTransition;
class PlacementTransitionList;
class SignalTimer;
class SlideShowPanel;
class VPictureButton;
class VPictureControl;
class VideoItemPanel;
class ViewerControlPanel;

class IndexScreen : public PictureFrameControl {
 public:
  static constexpr int32_t kScreenKind = 3;
  static constexpr int32_t kScreenId = 14416;
  static constexpr int32_t kModelId = 14966;
  static constexpr int32_t kListId = 14959;
  static constexpr int32_t kIntroId = 14994;
  static constexpr int32_t kBackdropId = 12292;
  static constexpr int32_t kGoButtonId = 14960;
  static constexpr int32_t kStripId = 14961;
  static constexpr int32_t kSlideShowPanelId = 15008;
  static constexpr int32_t kVideoPanelId = 15007;
  static constexpr int32_t kFrameIds[4] = {14962, 14963, 14964, 14965};
  // The model's area, relative to the screen.
  static constexpr int32_t kModelLeft = 53;
  static constexpr int32_t kModelTop = 71;
  static constexpr int32_t kModelWidth = 320;
  static constexpr int32_t kModelHeight = 240;
  static constexpr int32_t kModelFrames = 41;
  static constexpr int32_t kIntroFrames = 16;
  static constexpr uint16_t kModelFrameBase = 10400;
  static constexpr uint16_t kModelRegionBase = 10500;
  static constexpr uint16_t kModelHighlightBase = 10600;
  static constexpr uint16_t kIntroFrameBase = 10710;
  // Mask values of the model: 0 no region, 1..253 places, 254 the spin area.
  static constexpr int32_t kSpinArea = 254;
  static constexpr int32_t kSelectedMaskValue = 9;
  // The caption shown over the spin area (the main panel's text for the id).
  static constexpr uint32_t kSpinCaptionId = 14990;
  static constexpr uint32_t kOwnerHoverCaption = 28;
  static constexpr uint32_t kOwnerGoToBubble = 140;
  // Ids of the opening and closing sequences (and of their timers).
  static constexpr int32_t kOpeningSequence = 17;
  static constexpr int32_t kClosingSequence = 18;
  static constexpr int32_t kTransitionMs = 500;
  static constexpr uint32_t kTimerTickMs = 40;
  // Sounds (effect indexes).
  static constexpr int32_t kSoundFrames = 28;
  static constexpr int32_t kSoundRegionClicked = 29;
  static constexpr int32_t kSoundRegionEntered = 30;
  static constexpr int32_t kSoundGo = 31;
  static constexpr int32_t kSoundOverGo = 32;
  // The category tables of slide shows and videos (by their TEXT media id).
  static constexpr int32_t kSlideShowTable = 6;
  static constexpr int32_t kVideoTable = 7;

  IndexScreen(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
              VGraphicObject* owner);
  ~IndexScreen() override;
  IndexScreen(const IndexScreen&) = delete;
  IndexScreen& operator=(const IndexScreen&) = delete;

  int32_t GetKind() const override { return kScreenKind; }
  // Entering: the frames slide in, the backdrop fades in, the intro turns
  // into the model; 94 at the end.
  void Show() override;
  // Leaving: the model turns back to frame 0, then the entering backwards;
  // hidden and 95 on the next tick.
  void Hide() override;
  // Pauses the open place (an overlay opens over the screen).
  void Suspend();

  // Opens the place of the list row (a slide show or a movie in the model's
  // area, the strip and the go-there button under the list), or with open
  // false closes any open place. A place with nothing to play gets the
  // go-there button only.
  void ShowEntry(int32_t position, bool open);
  void PlayViewer();
  void PauseViewer();
  void ResumeViewer();
  void RewindViewer(bool redraw);

  AnimatedMaskControl* GetModel() const { return model_; }
  AnimatedPictureControl* GetIntro() const { return intro_; }
  AppTaskListControl* GetList() const { return list_; }
  const IndexEntryList& GetEntries() const { return *entries_; }
  ViewerControlPanel* GetCurrentStrip() const { return currentStrip_; }
  ViewerControlPanel* GetStripAbove() const { return stripAbove_; }
  ViewerControlPanel* GetStripBelow() const { return stripBelow_; }
  VPictureButton* GetGoButtonAbove() const { return goButtonAbove_; }
  VPictureButton* GetGoButtonBelow() const { return goButtonBelow_; }
  SlideShowPanel* GetSlideShowPanel() const;
  VideoItemPanel* GetVideoPanel() const;
  // A slide show or a movie is open in the model's area.
  bool HasViewer() const;
  bool IsShowingSlideShow() const { return showingSlideShow_; }
  int32_t GetCurrentRegion() const { return currentRegion_; }

  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

 private:
  void BuildPlacements();
  void AnimateToPlacements(PlacementTransition* transition, int32_t sequenceId);
  void AnimateToPlacementList(PlacementTransitionList& sequence);
  void StartLeavingAnimation();
  void EnteringDone();
  // The intro reached the frame it was turning to (or stood there already).
  void IntroArrived();
  void SetMainCaption(const VString& text, bool showBox);
  void CaptionForPosition(int32_t position);
  void RemoveViewers();
  // The item's slide show or movie in the model's area; false (and no
  // viewer) when it has none on the disc.
  bool OpenViewer(const ItemRef& item);
  // The go-there button, and the strip when a viewer plays, under the list.
  void PlaceButtons(bool withStrip);
  void HandleRegionEntered();
  void HandleRegionLeft();
  void HandleGoButton();
  void HandleListArrived(int32_t value);
  void HandleRegionClicked(int32_t value);
  void HandleDimToggled(int32_t value);
  void HandleArrival(uint32_t value2);
  void HandleTimerEnded(int32_t id);

  AnimatedMaskControl* model_ = nullptr;
  int32_t currentRegion_ = -1;
  std::unique_ptr<IndexEntryList> entries_;
  VPictureButton* goButtonAbove_ = nullptr;
  VPictureButton* goButtonBelow_ = nullptr;
  ViewerControlPanel* stripAbove_ = nullptr;
  ViewerControlPanel* stripBelow_ = nullptr;
  ViewerControlPanel* currentStrip_ = nullptr;
  AppTaskListControl* list_ = nullptr;
  std::vector<VString> titles_;
  int32_t lastSoundFrame_ = -1;
  bool showingSlideShow_ = false;
  bool showPending_ = false;
  std::unique_ptr<PlacementTransitionList> openingSequence_;
  std::unique_ptr<PlacementTransitionList> closingSequence_;
  PlacementTransition* currentTransition_ = nullptr;
  PlacementTransition* nextTransition_ = nullptr;
  AnimatedPictureControl* intro_ = nullptr;
  bool closed_ = false;
  bool closing_ = false;
  std::unique_ptr<PlacementList> lists_[6];
  SignalTimer* timer_ = nullptr;
  ControlLife life_;
};

// Registers the maker of the main panel's module screen of kind 3.
void RegisterIndexScreen();
