#include "title/tour/TourInfoPanel.h"

#include <algorithm>
#include <new>
#include <numeric>
#include <utility>

#include "engine/controls/DeferredDeletion.h"
#include "engine/controls/VPictureButton.h"
#include "engine/controls/VPictureControl.h"
#include "engine/controls/VPictureScrollBar.h"
#include "engine/controls/VSlider.h"
#include "engine/controls/VTextBox.h"
#include "engine/controls/VTextControl.h"
#include "engine/core/VEvent.h"
#include "engine/core/VTask.h"
#include "engine/graphics/VPicture.h"
#include "engine/script/CategoryTables.h"
#include "engine/script/ScriptLexer.h"
#include "engine/sound/SoundManager.h"
#include "platform/Clock.h"
#include "title/controls/AnimatedPictureControl.h"
#include "title/controls/AppListControl.h"
#include "title/controls/AppPictureButton.h"
#include "title/controls/AppTaskListControl.h"

namespace {

// The unfolding page: twelve frames keyed on black.
constexpr int32_t kFoldFrames = 12;
constexpr uint16_t kFirstFoldPicture = 16010;
constexpr uint16_t kPagePicture = 16000;
constexpr uint16_t kOrnamentTopPicture = 16030;
constexpr uint16_t kOrnamentBottomPicture = 16040;
constexpr uint16_t kRuleAbovePicture = 16050;
constexpr uint16_t kRuleBelowPicture = 16051;
constexpr uint16_t kMarkerPicture = 16070;
constexpr uint16_t kUpArrowPicture = 16095;
constexpr uint16_t kUpArrowOverPicture = 16090;
constexpr uint16_t kDownArrowPicture = 16096;
constexpr uint16_t kDownArrowOverPicture = 16091;
constexpr uint16_t kClosePictures[3] = {16100, 16101, 16102};
// The text's scroll bar.
constexpr uint16_t kTrackPicture = 16201;
constexpr uint16_t kThumbPicture = 16202;
constexpr uint16_t kBarUpPictures[3] = {16210, 16212, 16211};
constexpr uint16_t kBarDownPictures[3] = {16220, 16222, 16221};
constexpr int32_t kBarArrowHeight = 13;
constexpr int32_t kBarLayer = 25;
constexpr int32_t kBarThumbLayer = 27;
constexpr int32_t kBarArrowLayer = 30;
constexpr uint32_t kBarArrowRepeatDelay = 75;
constexpr uint32_t kBarArrowRepeatInterval = 45;
constexpr int32_t kBarLineStep = 4;
// The list arrows repeat their pointer-entered event every second.
constexpr uint32_t kArrowRepeatInterval = 1000;

// Picture fonts by index, and the colours of the page's texts.
constexpr int32_t kHeadingFont = 11;
constexpr int32_t kTitleFont = 7;
constexpr int32_t kTextFont = 10;
constexpr int32_t kListFont = 2;
constexpr int32_t kCompanionFont = 6;
constexpr VRGBColor kHeadingColor(53, 53, 82);
constexpr VRGBColor kTitleColor(142, 46, 33);
constexpr VRGBColor kTextColor(23, 22, 60);
constexpr VRGBColor kListColor(127, 66, 54);
constexpr VRGBColor kHighlightColor(48, 82, 109);
// The title under the pointer, drawn again inside the dark highlight bar: a
// light colour, as the list's own dark red would hardly show on the bar.
constexpr VRGBColor kHoveredListColor(250, 244, 224);
constexpr int32_t kListItemHeight = 17;
// The list's companion draws the rows inside the highlight bar at the rows'
// own places, so that the bar shows the title under the pointer (shifted by
// 1.3 per pixel from the list's middle, the bar showed a neighbour's title on
// every row but the middle one).
constexpr double kListOffsetFactor = 0.0;

// The controls ShowControls shows or hides, the list last.
constexpr int32_t kPageControls[] = {
    TourInfoPanel::kPageId,        TourInfoPanel::kHeadingId,     TourInfoPanel::kOrnamentTopId,
    TourInfoPanel::kOrnamentBottomId, TourInfoPanel::kRuleAboveId, TourInfoPanel::kRuleBelowId,
    TourInfoPanel::kUpArrowId,     TourInfoPanel::kDownArrowId,   TourInfoPanel::kMarkerId,
    TourInfoPanel::kTitleId,       TourInfoPanel::kTextId,        TourInfoPanel::kCloseButtonId,
    TourInfoPanel::kScrollBarId,
};

uint8_t UpperLetter(uint8_t c) { return c >= 'a' && c <= 'z' ? static_cast<uint8_t>(c - 'a' + 'A') : c; }
bool IsLetter(uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The TEXT medium base + offset; empty when the id lies beyond the 16-bit
// range or the medium cannot be read.
void LoadAspectText(VString& out, uint16_t base, uint16_t offset) {
  out.Clear();
  if (base > 0xFFFF - offset) return;
  LoadTextMedia(out, static_cast<uint16_t>(base + offset), false);
}

VFont* FontOf(const TourInfoPanel::FontLookup& fonts, int32_t index) { return fonts ? fonts(index) : nullptr; }

VPictureControl* HiddenPicture(int32_t id, uint16_t picture, int32_t left, int32_t top, int32_t layer, int32_t width,
                               int32_t height, VGraphicObject* parent) {
  auto* control = new VPictureControl(id, picture, left, top, layer, width, height, parent);
  control->SetVisible(false, false);
  return control;
}

VTextControl* HiddenText(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                         VString* text, VFont* font, const VRGBColor& color, VGraphicObject* parent) {
  auto* control = new VTextControl(id, left, top, layer, width, height, text, font, kAlignLeft, false, 0, parent);
  control->SetTextColor(color);
  control->SetTransparent(true);
  control->SetVisible(false, false);
  // Texts for reading only: a text control takes every pointer move it is
  // shown, so enabled it would keep them from the list (its highlight) and
  // from the tour beside the page.
  control->SetEnabled(false);
  return control;
}

}  // namespace

TourInfoPanel::TourInfoPanel(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                             VGraphicObject* parent, const FontLookup& fonts)
    : PictureFrameControl(id, 0, left, top, layer, width, height, parent) {
  BuildChildren(fonts);
  ReadTitles();
  ShowTitles();
  SoundManager& sounds = GetSoundManager();
  sounds.AcquireSound(kSoundPage);
  sounds.AcquireSound(kSoundClose);
  sounds.AcquireSound(kSoundOverClose);
}

TourInfoPanel::~TourInfoPanel() {
  // The children may be gone already (a tree deleted from above deletes
  // them first): touch none of them here.
  SoundManager& sounds = GetSoundManager();
  sounds.ReleaseSound(kSoundPage);
  sounds.ReleaseSound(kSoundClose);
  sounds.ReleaseSound(kSoundOverClose);
}

void TourInfoPanel::BuildChildren(const FontLookup& fonts) {
  animation_ = new AnimatedPictureControl(kAnimationId, kFoldFrames, kFirstFoldPicture, kPageLeft, kPageTop, 2,
                                          kPageRight - kPageLeft, kPageBottom - kPageTop, this);
  // Its black is keyed (the control is then transparent): each frame is
  // drawn over what lies behind it, so a narrower frame leaves nothing of a
  // wider one.
  animation_->SetKeyColor(true, VRGBColor(0, 0, 0));
  animation_->ShowFrame(0, false);
  HiddenPicture(kPageId, kPagePicture, kPageLeft, kPageTop, 3, kPageRight - kPageLeft, kPageBottom - kPageTop, this);

  auto* heading = new VString();
  LoadTextMedia(*heading, kHeadingTextId, false);
  HiddenText(kHeadingId, 215, 65, 6, 200, 20, heading, FontOf(fonts, kHeadingFont), kHeadingColor, this);
  HiddenPicture(kOrnamentTopId, kOrnamentTopPicture, 215, 46, 4, 192, 9, this);
  HiddenPicture(kOrnamentBottomId, kOrnamentBottomPicture, 215, 355, 4, 192, 6, this);
  HiddenPicture(kRuleAboveId, kRuleAbovePicture, 226, 84, 4, 181, 2, this);
  HiddenPicture(kRuleBelowId, kRuleBelowPicture, 226, 162, 4, 181, 2, this);

  auto* up = new AppPictureButton(kUpArrowId, kUpArrowPicture, uint16_t{0}, kUpArrowOverPicture, uint16_t{0},
                                  VPoint(226, 78), 7, 0, 0, this);
  auto* down = new AppPictureButton(kDownArrowId, kDownArrowPicture, uint16_t{0}, kDownArrowOverPicture, uint16_t{0},
                                    VPoint(226, 162), 7, 0, 0, this);
  for (AppPictureButton* arrow : {up, down}) {
    arrow->SetEnteredRepeatInterval(kArrowRepeatInterval);
    arrow->SetVisible(false, false);
  }
  auto* close = new VPictureButton(kCloseButtonId, kClosePictures[0], kClosePictures[1], kClosePictures[2],
                                   uint16_t{0}, VPoint(430, 47), 7, 0, 0, this);
  close->SetVisible(false, false);

  HiddenPicture(kMarkerId, kMarkerPicture, 226, 179, 4, 6, 6, this);
  title_ = HiddenText(kTitleId, 236, 177, 6, 200, 15, nullptr, FontOf(fonts, kTitleFont), kTitleColor, this);
  text_ = HiddenText(kTextId, 222, 197, 6, 190, 155, nullptr, FontOf(fonts, kTextFont), kTextColor, this);

  list_ = new AppTaskListControl(kListId, nullptr, 0, kListOffsetFactor, 226, 90, 5, 190, 72, kListItemHeight, this);
  list_->SetItemFont(FontOf(fonts, kListFont));
  list_->SetHeadingFont(FontOf(fonts, kListFont));
  list_->SetColor(kListColor);
  list_->SetHighlightColor(kHighlightColor.red, kHighlightColor.green, kHighlightColor.blue);
  if (AppListControl* companion = list_->GetCompanion()) {
    companion->SetFont(FontOf(fonts, kCompanionFont));
    companion->SetColor(kHoveredListColor);
  }
  list_->SetVisible(false, false);
}

void TourInfoPanel::ReadTitles() { ReadTitles(bases_, order_, titles_); }

void TourInfoPanel::ReadTitles(std::vector<uint16_t>& bases, std::vector<int32_t>& order,
                               std::vector<VString>& sortedTitles) {
  // Every aspect with a base id, in table order; titles whose first
  // character is a small letter a-z get the capital.
  bases.clear();
  order.clear();
  sortedTitles.clear();
  std::vector<VString> titles;
  try {
    std::vector<uint16_t> found;
    for (int32_t number = 0; number < kTableEntries; ++number) {
      const uint16_t base = GetItemBaseMediaId(kAspectTable, number);
      if (base != 0) found.push_back(base);
    }
    titles.resize(found.size());
    order.resize(found.size());
    bases = std::move(found);
  } catch (const std::bad_alloc&) {
    // No memory for the arrays: the list stays empty.
    bases.clear();
    order.clear();
    return;
  }
  for (size_t k = 0; k < bases.size(); ++k) {
    VString& title = titles[k];
    LoadAspectText(title, bases[k], kTitleOffset);
    if (title.GetLength() > 0 && title.GetChars() != nullptr) {
      const auto first = static_cast<uint8_t>(title.GetChars()[0]);
      if (first >= 'a' && first <= 'z') {
        char* chars = title.LockBuffer(title.GetLength());
        if (chars != nullptr) chars[0] = static_cast<char>(UpperLetter(first));
        title.UnlockBuffer();
      }
    }
  }
  // Byte order, equal titles keeping their table order: the order a bubble
  // sort that swaps only greater neighbours gives.
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&titles](int32_t a, int32_t b) {
    return titles[static_cast<size_t>(b)].IsGreaterThan(titles[static_cast<size_t>(a)]);
  });
  sortedTitles.reserve(titles.size());
  for (const int32_t k : order) sortedTitles.push_back(std::move(titles[static_cast<size_t>(k)]));
}

void TourInfoPanel::ShowTitles() {
  if (list_ == nullptr) return;
  list_->SetItems(titles_.empty() ? nullptr : titles_.data(), GetCount(), kVisibleTitles, top_);
}

VPictureScrollBar* TourInfoPanel::GetScrollBar() const {
  return dynamic_cast<VPictureScrollBar*>(const_cast<TourInfoPanel*>(this)->FindObject(kScrollBarId));
}

// ---- Showing and hiding ----------------------------------------------------------

void TourInfoPanel::Show() {
  closed_ = false;
  SetVisible(true, false);
  GetSoundManager().TriggerSound(kSoundPage);
  opening_ = true;
  if (animation_ != nullptr) {
    animation_->SetVisible(true, false);
    animation_->PlayForward();
    return;
  }
  // Without its animation the page is open at once.
  animationFinished_ = true;
  ShowControls(true, true);
  RequestIdlePassBy(platform::TickCount());
}

void TourInfoPanel::Hide() {
  StopScrolling();
  ShowControls(false, false);
  GetSoundManager().TriggerSound(kSoundPage);
  closing_ = true;
  if (animation_ != nullptr) {
    animation_->SetVisible(true, false);
    animation_->PlayBackward();
    return;
  }
  // Without its animation the page is gone at once.
  animationFinished_ = true;
  closed_ = true;
  SetVisible(false, true);
  RequestIdlePassBy(platform::TickCount());
}

void TourInfoPanel::ShowControls(bool visible, bool redraw) {
  for (const int32_t id : kPageControls) ShowChild(id, visible, redraw);
  if (list_ != nullptr) list_->SetVisible(visible, redraw);
}

void TourInfoPanel::AnimationArrived() {
  animationFinished_ = true;
  if (animation_ != nullptr && animation_->GetCurrentFrame() == 0) {
    // Folded away: the panel goes from the screen and the animation with
    // it (on the next idle pass: it is still inside its own step).
    SetVisible(false, true);
    DeleteControlLater(animation_);
    animation_ = nullptr;
    closed_ = true;
    closing_ = true;
  } else {
    if (animation_ != nullptr) animation_->SetVisible(false, false);
    ShowControls(true, true);
  }
  // The owner hears of it on the next tick: ask for one now.
  RequestIdlePassBy(platform::TickCount());
}

// ---- The aspect shown ----------------------------------------------------------------

void TourInfoPanel::SelectItem(int32_t row) {
  // The list has a fifth, partly hidden row: a row past the last title
  // selects nothing.
  const int64_t index = static_cast<int64_t>(top_) + row;
  if (index < 0 || index >= GetCount()) return;
  const int32_t aspect = order_[static_cast<size_t>(index)];
  if (aspect < 0 || static_cast<size_t>(aspect) >= bases_.size()) return;
  auto* text = new VString();
  LoadAspectText(*text, bases_[static_cast<size_t>(aspect)], kTextOffset);
  if (text_ != nullptr) {
    text_->SetText(text, true);
  } else {
    delete text;
  }
  ShowChild(kMarkerId, true, true);
  if (title_ != nullptr) title_->SetText(new VString(titles_[static_cast<size_t>(index)]), true);
  selected_ = static_cast<int32_t>(index);
  RemoveScrollBar();
  if (text_ == nullptr) return;
  const int32_t range = text_->GetMax(0);
  if (range < 1) {
    text_->ScrollTo(0, 0);
    RedrawControl(kPageId);
    return;
  }
  ShowScrollBar(kTextBarRight, kTextBarTop, 0, range);
  if (VPictureScrollBar* bar = GetScrollBar()) text_->SetScrollBar(bar, 0);
  text_->ScrollTo(0, 0);
  text_->Redraw();
}

void TourInfoPanel::RemoveScrollBar() {
  VGraphicObject* old = FindObject(kScrollBarId);
  if (old == nullptr || old == this) return;
  if (text_ != nullptr) text_->SetScrollBar(nullptr, 0);
  RemoveChild(kScrollBarId, true);
}

void TourInfoPanel::ShowScrollBar(int32_t left, int32_t top, int32_t minimum, int32_t maximum) {
  // The thumb moves between the two arrows.
  auto* thumb = new VSliderThumb(kThumbId, kThumbPicture, kThumbPicture, kThumbPicture, kThumbPicture, 0,
                                 kBarArrowHeight, kBarThumbLayer, kBarWidth, kBarHeight - 2 * kBarArrowHeight - 1,
                                 nullptr);
  auto* track = new VPictureButton(kTrackId, kTrackPicture, uint16_t{0}, uint16_t{0}, uint16_t{0}, VPoint(0, 0),
                                   kBarLayer, kBarWidth, kBarHeight, nullptr);
  track->SetRepeatDelay(0);
  track->SetRepeatInterval(0);
  auto* up = new VPictureButton(kBarUpId, kBarUpPictures[0], kBarUpPictures[1], kBarUpPictures[2], uint16_t{0},
                                VPoint(0, 0), kBarArrowLayer, kBarWidth, kBarArrowHeight, nullptr);
  auto* down = new VPictureButton(kBarDownId, kBarDownPictures[0], kBarDownPictures[1], kBarDownPictures[2],
                                  uint16_t{0}, VPoint(0, kBarHeight - kBarArrowHeight - 1), kBarArrowLayer, kBarWidth,
                                  kBarArrowHeight, nullptr);
  for (VPictureButton* arrow : {up, down}) {
    arrow->SetRepeatInterval(kBarArrowRepeatInterval);
    arrow->SetRepeatDelay(kBarArrowRepeatDelay);
  }
  auto* bar = new VPictureScrollBar(kScrollBarId, minimum, std::max(minimum, maximum), left - kBarWidth, top,
                                    kBarLayer, kBarWidth, kBarHeight, thumb, track, up, down, this);
  // Line by line in steps of 4 pixels, without measuring a smooth scroll.
  bar->SetLineStep(kBarLineStep);
  bar->SetSmooth(false);
  if (bar->IsShown()) bar->Redraw(nullptr, nullptr);
}

void TourInfoPanel::RedrawControl(int32_t id) {
  VGraphicObject* control = FindObject(id);
  if (control != nullptr && control->IsShown()) control->Redraw(nullptr, nullptr);
}

// ---- Scrolling the list -----------------------------------------------------------

void TourInfoPanel::ScrollStep() {
  const int32_t before = top_;
  if (scrollUp_) {
    if (top_ > 0) --top_;
  } else if (static_cast<int64_t>(top_) + kVisibleTitles < GetCount()) {
    ++top_;
  }
  if (top_ != before) {
    ShowTitles();
    RedrawControl(kListId);
  }
  if (scrollDelay_ > kShortestScrollDelay) scrollDelay_ -= kScrollDelayStep;
  nextScrollTick_ = platform::TickCount() + static_cast<uint32_t>(scrollDelay_);
  scrolling_ = true;
  RequestIdlePassBy(nextScrollTick_);
}

void TourInfoPanel::StopScrolling() {
  scrollDelay_ = kFirstScrollDelay;
  nextScrollTick_ = 0;
  scrolling_ = false;
}

// ---- Input and events --------------------------------------------------------------

bool TourInfoPanel::MouseMove(const VMouseEvent& event) {
  VPoint origin;
  GetGlobalOrigin(origin, true);
  const VRect page(origin.x + kPageLeft, origin.y + kPageTop, origin.x + kPageRight, origin.y + kPageBottom);
  // Beside the page the moves are the tour's (its mouse look and hotspots).
  if (!page.ContainsPointInclusive(event.GetPoint())) return false;
  VGraphicObject::MouseMove(event);
  return true;
}

bool TourInfoPanel::KeyDown(const VKeyEvent& event) {
  if (!IsLetter(event.character)) return PictureFrameControl::KeyDown(event);
  const uint8_t letter = UpperLetter(event.character);
  int32_t top = 0;
  const int32_t count = GetCount();
  while (top < count && UpperLetter(titles_[static_cast<size_t>(top)].GetCharAt(0)) < letter) ++top;
  // The last four titles at most, and never above the first (fewer than
  // four titles).
  top_ = std::max(std::min(top, count - kVisibleTitles), 0);
  ShowTitles();
  RedrawControl(kListId);
  return true;
}

bool TourInfoPanel::HandleTick(uint32_t now) {
  if (animationFinished_) {
    animationFinished_ = false;
    const ControlLife::Watch watch = life_.MakeWatch();
    if (opening_) {
      opening_ = false;
      // A page closed before it had opened shows nothing.
      if (!closing_) SelectItem(0);
      SendControlEvent(*this, kOwnerShown);
      if (!watch.Alive()) return true;
    }
    if (closing_) {
      closing_ = false;
      SendControlEvent(*this, kOwnerHidden);
    }
    return true;
  }
  if (closed_) {
    SendControlEvent(*this, kOwnerClosedAgain);
    return true;
  }
  if (scrolling_) {
    if (static_cast<int32_t>(now - nextScrollTick_) >= 0) {
      ScrollStep();
      return true;
    }
    // Renewed on every tick: the loop keeps only the earliest request.
    RequestIdlePassBy(nextScrollTick_);
  }
  return false;
}

bool TourInfoPanel::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  const auto id = static_cast<int32_t>(value1);
  switch (code) {
    case kMessageTick:
      if (HandleTick(platform::TickCount())) return true;
      break;
    case kEventButtonClicked:
      if (id == kCloseButtonId) {
        GetSoundManager().TriggerSound(kSoundClose);
        SendControlEvent(*this, kOwnerCloseRequest);
        return true;
      }
      break;
    case kEventButtonEntered:
      if ((id == kUpArrowId || id == kDownArrowId) && !scrolling_) {
        scrollUp_ = id == kUpArrowId;
        ScrollStep();
        return true;
      }
      if (id == kCloseButtonId) GetSoundManager().TriggerSound(kSoundOverClose);
      break;
    case kEventButtonLeft:
      if (id == kUpArrowId || id == kDownArrowId) {
        StopScrolling();
        return true;
      }
      break;
    case kMessageListClicked:
      // The list reports the index of the title clicked; the rows count
      // from the first title shown.
      if (id >= 0 && id < GetCount()) SelectItem(id - top_);
      return true;
    case kMessageAnimationArrived:
      AnimationArrived();
      return true;
    default:
      break;
  }
  return PictureFrameControl::HandleEvent(code, value1, value2);
}
