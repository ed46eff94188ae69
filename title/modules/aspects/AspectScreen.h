// The aspects module's screen: the house presented by themes. Beside three
// decorative pictures it lists the titles of the top-level aspects
// (AspectTree); choosing an aspect with children moves its title into a
// title bar with a back button and lists the children; choosing a leaf turns
// its title into a link at the bottom and opens the leaf's item in an item
// viewer over the screen. The link (or the viewer's status button) leads
// back to the list.
//
// Opening: the pictures fade in one after another (500 ms each), then the
// list slides in from the right edge; closing runs the same backwards. The
// owner hears 94 when the screen is ready and 95 on the tick after it has
// closed, like every module screen.
//
// A list shows at most AspectRecord::kMaxChildren rows. Going back climbs one
// level at a time, so trees of any depth the loader keeps can be walked.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/VGeometry.h"
#include "engine/core/VString.h"
#include "title/controls/PictureFrameControl.h"
#include "title/controls/PlacementRecords.h"
#include "title/modules/aspects/AspectTree.h"

class AppTaskListControl;
class AspectTitleBar;
class ItemRef;
class ItemViewer;
class MoveAnimator;
class SignalLevelSink;
class SignalTimer;
class VHTMLTextControl;
class VPictureControl;

class AspectScreen : public PictureFrameControl {
 public:
  static constexpr int32_t kScreenId = 14417;
  static constexpr int32_t kKind = 0;
  static constexpr int32_t kViewerKind = 15;
  static constexpr int32_t kViewerId = 14998;
  static constexpr int32_t kStatusButtonId = 14390;
  static constexpr uint16_t kPictures[3] = {13100, 13200, 13300};
  static constexpr int32_t kSoundBack = 48;
  static constexpr int32_t kSoundOverBack = 47;
  // The list: 237 x 380 with rows of 20, placed at x 342, y 20.
  static constexpr int32_t kListLeft = 342;
  static constexpr int32_t kListTop = 20;
  static constexpr int32_t kListWidth = 237;
  static constexpr int32_t kListHeight = 380;
  static constexpr int32_t kRowHeight = 20;
  static constexpr double kHighlightScale = 1.2;
  static constexpr int32_t kMoveMs = 500;
  static constexpr int32_t kFadeMs = 500;
  // Where the link of an open leaf ends.
  static constexpr int32_t kLinkRow = 388;
  // Where the item viewer centres the item and puts its side bar.
  static constexpr VPoint kViewerCentre{290, 204};
  static constexpr VPoint kViewerSideBar{541, 115};

  // What runs when a move of the title bar or of the link ends.
  enum class BarAction { kNone = 0, kHide = 1, kDescend = 2, kFollow = 3, kShowBack = 4, kHideAll = 5 };
  enum class LinkAction { kNone = 0, kBackToList = 1, kOpenViewer = 2 };

  // The aspect tree is read from the language archive.
  AspectScreen(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
               VGraphicObject* parent);
  ~AspectScreen() override;

  // 15 while the item viewer is open, else 0.
  int32_t GetKind() const override;
  // Starts the opening sequence.
  void Show() override;
  // Starts the closing sequence (closing the item viewer first when open).
  void Hide() override;

  // Opens the aspect with the item's number: at the top level, else one level
  // below; only when no aspect is chosen. The pictures and the list are shown
  // in any case.
  void ShowAspect(const ItemRef& item);
  // The user (or ShowAspect) chooses a row of the shown list.
  void OpenAspect(int32_t row, bool byUser);
  void GoBack();
  void LeaveLeaf();
  // The viewer's status button: closes the viewer and returns to the list.
  void CloseViewer();

  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  int32_t GetState() const { return state_; }
  AspectTree& GetTree() { return tree_; }
  // The list shown now (null while none), and how many levels lie above it.
  const VLinkedList* GetDisplayedList() const { return displayed_; }
  int32_t GetDepth() const { return static_cast<int32_t>(levels_.size()); }
  AspectRecord* GetChosenNode() const { return chosenNode_; }
  AspectRecord* GetChosenLeaf() const { return chosenLeaf_; }
  BarAction GetBarAction() const { return barAction_; }
  LinkAction GetLinkAction() const { return linkAction_; }
  AppTaskListControl* GetList() const { return list_; }
  AspectTitleBar* GetTitleBar() const { return titleBar_; }
  VHTMLTextControl* GetLinkText() const { return link_; }
  VPictureControl* GetPicture(int32_t index) const;
  ItemViewer* GetViewer();
  const std::vector<VString>& GetTitles() const { return titles_; }

 private:
  // The title bar to the chosen leaf's row with its back button, and the
  // link with the leaf's text moving back beside it.
  void MoveBarAndLinkBackToTheLeaf();
  struct Level {
    const VLinkedList* list;
    int32_t row;
    AspectRecord* node;
  };

  void SetState(int32_t state);
  void Fade(int32_t picture, int32_t direction);
  void RunTransition(bool in);
  void ShowAspectList(const VLinkedList* list, bool redraw);
  AspectRecord* RecordAt(int32_t row) const;
  // A row's text point and anchor (screen coordinates); false without the row.
  bool RowPoints(int32_t row, VPoint& text, VPoint& anchor) const;
  int32_t TitleWidth(const AspectRecord* record) const;
  void FitBarTo(const AspectRecord* record);
  void MoveBar(const VPoint& to, BarAction action);
  void MoveBar(const VPoint& from, const VPoint& to, BarAction action);
  void MoveLink(const VPoint& from, const VPoint& to, LinkAction action);
  void DimAllBut(int32_t row);
  void SetCaption(const VString& text);
  void SetStatusCode();
  void RunBarAction();
  void RunLinkAction();
  void Descend();
  void OpenViewer();
  void RemoveViewer(bool later);
  void StopMoves();

  AspectTree tree_;
  AppTaskListControl* list_ = nullptr;
  AspectTitleBar* titleBar_ = nullptr;
  VHTMLTextControl* link_ = nullptr;
  VPictureControl* pictures_[3] = {};
  SignalTimer* fadeTimers_[3] = {};
  SignalLevelSink* levelSinks_[3] = {};
  SignalTimer* transitionTimer_ = nullptr;
  std::unique_ptr<MoveAnimator> barMover_;
  std::unique_ptr<MoveAnimator> linkMover_;
  std::vector<VString> titles_;
  const VLinkedList* displayed_ = nullptr;
  std::vector<Level> levels_;
  AspectRecord* chosenNode_ = nullptr;
  AspectRecord* chosenLeaf_ = nullptr;
  int32_t chosenNodeRow_ = 0;
  int32_t chosenLeafRow_ = 0;
  BarAction barAction_ = BarAction::kNone;
  LinkAction linkAction_ = LinkAction::kNone;
  int32_t state_ = 0;
  // The timer whose end (103) the state waits for; 0 for none.
  int32_t awaitedTimer_ = 0;
  bool closing_ = false;
  PlacementList placementA_;
  PlacementList placementB_;
  std::unique_ptr<PlacementTransition> toB_;
  std::unique_ptr<PlacementTransition> toA_;
};

// Registers the main panel's screen of kind 0 (also made for aspect items).
void RegisterAspectScreen();
