#include "title/shell/MainInterfaceScreen.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "engine/app/MessagePointer.h"
#include "engine/controls/ControlEvents.h"
#include "engine/controls/DeferredDeletion.h"
#include "engine/controls/PointerState.h"
#include "engine/controls/VPictureButton.h"
#include "engine/controls/VPictureControl.h"
#include "engine/controls/VPictureFont.h"
#include "engine/controls/VTextControl.h"
#include "engine/core/VEvent.h"
#include "engine/graphics/VPicture.h"
#include "engine/script/ScriptLexer.h"
#include "engine/sound/SoundManager.h"
#include "title/controls/MainScreenServices.h"
#include "title/controls/SignalFunctions.h"
#include "title/controls/SignalSinks.h"
#include "title/controls/SignalTimer.h"
#include "title/shell/HoverLinkControl.h"
#include "title/shell/LayoutEntry.h"
#include "title/shell/ModuleButtonDef.h"
#include "title/shell/ModuleSelector.h"
#include "title/shell/PictureFontTable.h"
#include "title/shell/ShellPictures.h"

const std::array<int32_t, MainInterfaceScreen::kControlCount> MainInterfaceScreen::kLayoutOrder = {
    14381, 14380, 14379, 14392, 14393, 14391, 14395, 14386, 14387, 14382, 14383, 14389, 14390, 14388, 14384, 14385};

namespace {

constexpr uint16_t kFirstLanguageText = 18000;
constexpr int32_t kCaptionFont = 8;
constexpr int32_t kLinkFont = 4;
const VRGBColor kStatusColor(157, 143, 134);
const VRGBColor kCaptionColor(230, 230, 230);
const VRGBColor kBlack(0, 0, 0);
const VRGBColor kWhite(255, 255, 255);
const VRGBColor kLinkBlue(54, 120, 205);
const VRGBColor kLinkHover(160, 206, 249);

// The pictures of the link target button: normal, under the pointer and
// disabled of the first set (index 0..2) and of the second (3..5).
constexpr std::array<uint16_t, 6> kLinkButtonPictures = {201, 203, 204, 250, 252, 253};

bool IsToolButton(int32_t id) { return id >= 14391 && id <= 14395; }

bool IsModuleScreenMode(int32_t mode) { return mode == 2 || mode == 3; }

// Region r of the selector (1..4): its caption index, hover and click sounds.
struct RegionRow {
  int32_t hoverSound;
  int32_t clickSound;
};
constexpr std::array<RegionRow, 4> kRegionRows = {{{25, 14}, {26, 15}, {24, 13}, {27, 16}}};

struct ButtonRow {
  int32_t id;
  int32_t hoverSound;
  int32_t clickSound;
};
constexpr std::array<ButtonRow, 7> kButtonRows = {{{14389, 22, 11},
                                                   {14390, 23, 12},
                                                   {14391, 17, 6},
                                                   {14392, 18, 7},
                                                   {14393, 19, 8},
                                                   {14394, 20, 9},
                                                   {14395, 21, 10}}};

// Caption texts by control id: table A (true) or B and the index.
struct CaptionRow {
  int32_t id;
  bool tableA;
  int32_t index;
};
constexpr std::array<CaptionRow, 22> kCaptionRows = {{
    {12299, false, 9}, {14389, false, 0}, {14390, false, 1}, {14391, true, 8},   {14392, true, 6},
    {14393, true, 10}, {14394, true, 11}, {14395, true, 7},  {14455, false, 2},  {14456, false, 3},
    {14870, false, 12}, {14893, false, 13}, {14897, false, 14}, {14957, false, 8}, {14960, false, 10},
    {14990, false, 11}, {14995, false, 15}, {14996, false, 17}, {14997, false, 16}, {15012, false, 4},
    {15014, false, 7},  {15015, false, 5},
}};
constexpr CaptionRow kCaptionRow15018 = {15018, false, 6};

// The language texts of the caption tables: medium 18000 + n for index i.
constexpr std::array<int32_t, 16> kTextsA = {14, 15, 16, 17, -1, 19, 20, 21, 22, -1, 24, 25, 26, 27, -1, 14};
constexpr std::array<int32_t, 18> kTextsB = {32, 33, 46, 47, 45, 43, 42, 44, 48, 37, 38, 36, 31, 34, 35, 39, 40, 41};

VFont* Font(int32_t index) { return GetPictureFont(index); }

int32_t TextWidth(VTextControl& control, const VString& text) {
  const char* chars = text.GetChars();
  return (chars != nullptr ? control.MeasureChars(chars, text.GetLength()) : 0) + 4;
}

void SetText(VTextControl& control, const VString& text) {
  control.SetTextChars(text.GetChars() != nullptr ? text.GetChars() : "", true);
}

}  // namespace

MainInterfaceScreen::MainInterfaceScreen(int32_t id, uint16_t pictureId, int32_t left, int32_t top, int32_t layer,
                                         int32_t width, int32_t height, VGraphicObject* owner)
    : VControl(kApplicationKind, id, left, top, layer, width, height, owner), top_(top) {
  noBackground_ = pictureId == 0;
  if (!noBackground_) background_ = new VPictureControl(kAllocateId, pictureId, 0, 0, 0, 0, 0, this);
  SetTransparent(true);
  SetVisible(false, false);
  SoundManager& sounds = GetSoundManager();
  for (int32_t s = kFirstSound; s <= kLastSound; ++s) sounds.AcquireSound(s);
  BuildControls();
  SetLayoutMode(-1, 0);
}

MainInterfaceScreen::~MainInterfaceScreen() {
  for (VLinkedList& list : lists_) list.DeleteAll();
  statusText_.reset();
  SoundManager& sounds = GetSoundManager();
  for (int32_t s = kFirstSound; s <= kLastSound; ++s) sounds.ReleaseSound(s);
  for (VPicture*& picture : buttonPictures_) {
    if (picture != nullptr) picture->Release();
    picture = nullptr;
  }
  // The child controls (the switch timer among them) go with VControl.
}

// --- Lookups -----------------------------------------------------------------

VGraphicObject* MainInterfaceScreen::Control(int32_t id) {
  for (VGraphicObject* child = GetFirstChildObject(); child != nullptr; child = child->GetNextObject()) {
    if (child->GetId() == id) return child;
  }
  return nullptr;
}

VPictureControl* MainInterfaceScreen::PictureControl(int32_t id) {
  return dynamic_cast<VPictureControl*>(Control(id));
}

ModuleSelector* MainInterfaceScreen::GetSelector() const {
  for (VGraphicObject* child = GetFirstChildObject(); child != nullptr; child = child->GetNextObject()) {
    if (child->GetId() == kSelectorId) return dynamic_cast<ModuleSelector*>(child);
  }
  return nullptr;
}

VLinkedList& MainInterfaceScreen::ListFor(int32_t mode) {
  return lists_[static_cast<size_t>(mode >= 0 && mode <= 3 ? mode : 0)];
}

const VLinkedList& MainInterfaceScreen::ListFor(int32_t mode) const {
  return lists_[static_cast<size_t>(mode >= 0 && mode <= 3 ? mode : 0)];
}

LayoutEntry* MainInterfaceScreen::Entry(int32_t mode, int32_t controlId) {
  for (VListElement* e = ListFor(mode).GetFirst(); e != nullptr; e = e->GetNext()) {
    auto* entry = static_cast<LayoutEntry*>(e);
    if (entry->controlId == controlId) return entry;
  }
  return nullptr;
}

const LayoutEntry* MainInterfaceScreen::GetLayoutEntry(int32_t mode, int32_t controlId) const {
  for (VListElement* e = ListFor(mode).GetFirst(); e != nullptr; e = e->GetNext()) {
    const auto* entry = static_cast<const LayoutEntry*>(e);
    if (entry->controlId == controlId) return entry;
  }
  return nullptr;
}

VString MainInterfaceScreen::GetTextA(int32_t index) const {
  return index >= 0 && index < static_cast<int32_t>(captionA_.size()) ? captionA_[static_cast<size_t>(index)]
                                                                      : VString();
}

VString MainInterfaceScreen::GetTextB(int32_t index) const {
  return index >= 0 && index < static_cast<int32_t>(captionB_.size()) ? captionB_[static_cast<size_t>(index)]
                                                                      : VString();
}

int32_t MainInterfaceScreen::RegionUnderPointer() {
  ModuleSelector* selector = GetSelector();
  VPoint pointer;
  if (selector == nullptr || !GetPointerInWindow(*this, pointer) || !selector->ContainsPoint(pointer)) return -1;
  return selector->RegionAt(pointer);
}

VString MainInterfaceScreen::GetCaptionTextFor(int32_t controlId) {
  // Only the regions 1 to 4 have texts; any other region (or none) has none.
  if (controlId == kSelectorId) {
    const int32_t region = RegionUnderPointer();
    return region >= 1 && region <= 4 ? GetTextA(region - 1) : VString();
  }
  for (const CaptionRow& row : kCaptionRows) {
    if (row.id == controlId) return row.tableA ? GetTextA(row.index) : GetTextB(row.index);
  }
  if (controlId == kCaptionRow15018.id) return GetTextB(kCaptionRow15018.index);
  return VString();
}

MainInterfaceScreen::ControlSounds MainInterfaceScreen::SoundsOf(int32_t controlId) {
  if (controlId == kSelectorId) {
    const int32_t region = RegionUnderPointer();
    if (region < 1 || region > 4) return {};
    const auto& row = kRegionRows[static_cast<size_t>(region - 1)];
    return {row.hoverSound, row.clickSound};
  }
  for (const ButtonRow& row : kButtonRows) {
    if (row.id == controlId) return {row.hoverSound, row.clickSound};
  }
  return {};
}

int32_t MainInterfaceScreen::GetHoverSound(int32_t controlId) { return SoundsOf(controlId).hover; }

int32_t MainInterfaceScreen::GetClickSound(int32_t controlId) { return SoundsOf(controlId).click; }

// --- Building ------------------------------------------------------------------

void MainInterfaceScreen::AppendEntries(const std::array<LayoutEntry*, 4>& byMode) {
  // The lists are filled in the order 2, 3, 1, 0.
  for (int32_t mode : {2, 3, 1, 0}) lists_[static_cast<size_t>(mode)].Append(byMode[static_cast<size_t>(mode)]);
}

void MainInterfaceScreen::LoadCaptionTexts() {
  for (size_t i = 0; i < captionA_.size(); ++i) {
    captionA_[i] = VString();
    if (kTextsA[i] >= 0) LoadTextMedia(captionA_[i], static_cast<uint16_t>(kFirstLanguageText + kTextsA[i]), true);
  }
  for (size_t i = 0; i < captionB_.size(); ++i) {
    captionB_[i] = VString();
    LoadTextMedia(captionB_[i], static_cast<uint16_t>(kFirstLanguageText + kTextsB[i]), true);
  }
}

void MainInterfaceScreen::BuildControls() {
  VGraphicObject* previousParent = SetCurrentParent(this);
  for (VLinkedList& list : lists_) list.DeleteAll();
  const auto local = [this](int32_t windowY) { return windowY - top_; };
  const auto entry = [](int32_t id, double x, double y, int32_t motion, int32_t level, double delay) {
    return new LayoutEntry(id, x, y, motion, level, delay);
  };
  const auto fourEntries = [&](VGraphicObject& c, std::array<double, 4> x, std::array<int32_t, 4> motion,
                               std::array<int32_t, 4> level, std::array<double, 4> delay) {
    const double y = c.GetBounds().top;
    std::array<LayoutEntry*, 4> byMode{};
    for (size_t m = 0; m < 4; ++m) byMode[m] = entry(c.GetId(), x[m], y, motion[m], level[m], delay[m]);
    AppendEntries(byMode);
  };

  // The selector and its four module buttons; it takes the size of its strips.
  auto* selector = new ModuleSelector(kSelectorId, nullptr, 20, local(390), 3, 0, 0, this);
  struct ModuleButton {
    int32_t region;
    uint16_t strip, mask, regions;
  };
  for (const ModuleButton& b : {ModuleButton{4, 300, 304, 308}, ModuleButton{1, 301, 305, 309},
                                ModuleButton{2, 303, 307, 311}, ModuleButton{3, 302, 306, 310}}) {
    auto* record = new ModuleButtonDef(b.region, b.strip, 0, b.mask, b.regions, b.region);
    if (!selector->AddButton(record)) delete record;
  }
  const double w81 = selector->GetWidth();
  const double r81 = selector->GetBounds().left + selector->GetWidth();
  fourEntries(*selector, {-(w81 + 2), 20, -(w81 + 2), -(w81 + 2)}, {0, 0, 0, 0}, {-1, -1, -1, -1}, {0, 0, 0, 0});

  auto* turning = new VPictureControl(kSwitchPictureId, uint16_t{299}, 20, local(390), 4, 0, 0, this);
  turning->SetEnabled(false);
  const double w80 = turning->GetWidth();
  fourEntries(*turning, {-(w80 + 2), 20, -(w80 + 2), -(w80 + 2)}, {1, 1, 1, 1}, {-1, -1, -1, -1}, {0, 0, 0, 0});

  // One layer below the buttons that stand on it (the window keeps no order
  // among the controls of one layer).
  auto* bar = new VPictureControl(kBarId, uint16_t{200}, 20, local(427), 2, 0, 0, this);
  // The bar, the turning selector and the caption box are only pictures:
  // the buttons and the selector that they lie beside or under take the
  // pointer.
  bar->SetEnabled(false);
  const double own79 = bar->GetBounds().left;
  fourEntries(*bar, {own79, own79, own79, own79}, {0, 0, 0, 0}, {0, 63, 63, 63}, {0, 0, 0, 0});

  struct ToolButton {
    int32_t id;
    uint16_t first;
    int32_t x;
    std::array<int32_t, 4> level;
    std::array<double, 4> delay;
  };
  for (const ToolButton& t : {ToolButton{kInfoButtonId, 223, 538, {0, 63, 0, 0}, {200, 0, 200, 200}},
                              ToolButton{kRoomsButtonId, 228, 576, {0, 63, 0, 0}, {400, 200, 400, 400}},
                              ToolButton{kCarouselButtonId, 218, 513, {0, 63, 0, 0}, {0, 600, 0, 0}},
                              ToolButton{kLeaveButtonId, 233, 600, {0, 63, 0, 0}, {600, 0, 600, 600}}}) {
    auto* button = new VPictureButton(t.id, t.first, static_cast<uint16_t>(t.first + 1),
                                      static_cast<uint16_t>(t.first + 2), static_cast<uint16_t>(t.first + 3),
                                      VPoint(t.x, local(438)), 3, 0, 0, this);
    const double own = button->GetBounds().left;
    fourEntries(*button, {own, own, own, own}, {0, 0, 0, 0}, t.level, t.delay);
  }

  LoadCaptionTexts();

  const auto textControl = [&](int32_t id, int32_t x, int32_t y, int32_t layer, const VRGBColor& color) {
    auto* text = new VTextControl(id, x, local(y), layer, 320, 40, nullptr, Font(kCaptionFont), 1, 0, false, 32767,
                                  this);
    text->SetTransparent(true);
    text->SetTextColor(color);
    // The lines only show text: the pointer's moves go on to the controls
    // around and under them.
    text->SetEnabled(false);
    return text;
  };
  auto* status = textControl(kStatusId, 96, 449, 4, kStatusColor);
  fourEntries(*status, {-320, r81 + 5, -320, -320}, {1, 1, 1, 1}, {-1, -1, -1, -1}, {0, 0, 0, 0});
  auto* statusShadow = textControl(kStatusShadowId, 97, 450, 3, kBlack);
  fourEntries(*statusShadow, {-319, r81 + 6, -319, -319}, {1, 1, 1, 1}, {-1, -1, -1, -1}, {0, 0, 0, 0});
  auto* caption = textControl(kCaptionId, 96, 408, 4, kCaptionColor);
  const double r82 = caption->GetBounds().left + caption->GetWidth();
  fourEntries(*caption, {-359, r81 + 5, 20, 20}, {1, 1, 1, 1}, {-1, -1, -1, -1}, {0, 0, 0, 0});
  auto* captionShadow = textControl(kCaptionShadowId, 97, 409, 3, kBlack);
  fourEntries(*captionShadow, {-358, r81 + 6, 21, 21}, {1, 1, 1, 1}, {-1, -1, -1, -1}, {0, 0, 0, 0});

  for (size_t i = 0; i < buttonPictures_.size(); ++i) {
    if (buttonPictures_[i] != nullptr) buttonPictures_[i]->Release();
    buttonPictures_[i] = LoadShellPicture(kLinkButtonPictures[i]);
  }
  VPicture* firstSet[4] = {buttonPictures_[0], buttonPictures_[0], buttonPictures_[1], buttonPictures_[2]};
  const int32_t frames[4] = {0, 0, 0, 0};
  secondSet_ = false;
  auto* linkButton = new VPictureButton(kLinkButtonId, firstSet, frames, VPoint(320, local(438)), 5, 0, 0, this);
  const double w89 = linkButton->GetWidth();
  fourEntries(*linkButton, {640, 300 - w89, 640, 640}, {2, 2, 2, 0}, {0, 63, 0, 63}, {0, 0, 0, 0});

  auto* statusButton = new VPictureButton(kStatusButtonId, 207, 0, 209, 210, VPoint(350, local(438)), 3, 0, 0, this);
  const double w90 = statusButton->GetWidth();
  fourEntries(*statusButton, {-w90, r82 + 5, -w90, -w90}, {1, 1, 1, 1}, {0, 63, 0, 0}, {0, 0, 0, 0});

  auto* box = new VPictureControl(kCaptionBoxId, uint16_t{240}, 96, local(408), 5, 0, 0, this);
  box->SetEnabled(false);
  fourEntries(*box, {-9, 96, 96, 96}, {1, 1, 1, 1}, {-1, -1, -1, -1}, {0, 0, 0, 0});

  auto* link = new HoverLinkControl(kLinkId, 300, local(450), 5, 280, 40, nullptr, Font(kLinkFont), nullptr, 1, 0,
                                    false, 32767, this);
  link->SetTransparent(true);
  fourEntries(*link, {640, 70, 343, 343}, {2, 2, 2, 2}, {-1, -1, -1, -1}, {0, 0, 0, 0});
  auto* linkShadow = new VTextControl(kLinkShadowId, 301, local(451), 4, 280, 40, nullptr, Font(kLinkFont), 1, 0,
                                      false, 32767, this);
  linkShadow->SetTransparent(true);
  linkShadow->SetTextColor(kBlack);
  linkShadow->SetEnabled(false);
  fourEntries(*linkShadow, {641, 71, 344, 344}, {2, 2, 2, 2}, {-1, -1, -1, -1}, {0, 0, 0, 0});

  SetLinkColors(IsModuleScreenMode(mode_), false, false);
  SetCurrentParent(previousParent);
}

// --- Levels, pictures, colours -----------------------------------------------------

void MainInterfaceScreen::SetLevel(VGraphicObject* control, int32_t level) {
  auto* pictureControl = dynamic_cast<VPictureControl*>(control);
  if (pictureControl == nullptr) return;
  const auto setOn = [level](VPicture* picture) {
    PixelMapAttributes attributes;
    if (picture == nullptr || !picture->GetPixelAttributes(attributes)) return;
    attributes.SetLevel(level);
    picture->SetPixelAttributes(attributes);
  };
  // A button shows another picture in each state: each of them takes the level.
  if (auto* button = dynamic_cast<VGenericPictureButton*>(control)) {
    for (int32_t i = 0; i < button->GetStateCount(); ++i) {
      VPicture* picture = nullptr;
      int32_t frame = 0;
      button->GetStatePicture(i, picture, frame);
      setOn(picture);
      if (picture != nullptr) picture->Release();
    }
  }
  PixelMapAttributes attributes;
  if (pictureControl->GetPixelAttributes(attributes)) {
    attributes.SetLevel(level);
    pictureControl->SetPixelAttributes(attributes, false);
  }
  control->Invalidate();
}

void MainInterfaceScreen::SetPictureSet(bool second, int32_t level) {
  auto* button = dynamic_cast<VGenericPictureButton*>(Control(kLinkButtonId));
  if (button == nullptr) return;
  if (second != secondSet_) {
    const size_t base = second ? 3 : 0;
    VPicture* pictures[4] = {buttonPictures_[base], buttonPictures_[base], buttonPictures_[base + 1],
                             buttonPictures_[base + 2]};
    const int32_t frames[4] = {0, 0, 0, 0};
    button->SetStatePictures(4, pictures, frames, false);
    secondSet_ = second;
  }
  SetLevel(button, level);
}

void MainInterfaceScreen::SetLinkColors(bool white, bool hover, bool relayout) {
  auto* link = dynamic_cast<VHyperTextControl*>(Control(kLinkId));
  if (link == nullptr) return;
  link->SetLinkColor(hover ? kLinkHover : (white ? kWhite : kLinkBlue));
  link->SetSecondLinkColor(kWhite);
  if (relayout) {
    link->MarkLayoutDirty();
    link->UpdateLayout();
    link->Redraw();
  }
}

void MainInterfaceScreen::SetBarPlacement(bool full) {
  VGraphicObject* bar = Control(kBarId);
  if (bar == nullptr) return;
  bar->MoveTo(VPoint(full ? kFullBarLeft : kCollapsedBarLeft, 427 - top_), false, false, false);
  bar->SetWidth(full ? kFullBarWidth : kCollapsedBarWidth);
}

void MainInterfaceScreen::MoveAtPointer(VGraphicObject* control) {
  VPoint pointer;
  if (control == nullptr || !GetPointerInWindow(*this, pointer)) return;
  const VMouseEvent event(pointer, 0, 0, 0);
  control->MouseMove(event);
}

void MainInterfaceScreen::Report(uint32_t code, uint32_t value) {
  ScopedMessagePointer sender(GetEventHandler());
  SendUpward(code, value, sender.GetValue());
}

// --- Mode switches -----------------------------------------------------------------

void MainInterfaceScreen::ApplyLayout(int32_t mode) {
  // A switch at once ends as an animated one does.
  ModuleSelector* selector = GetSelector();
  const bool linked = mode == 1 || mode == 3;
  for (VListElement* e = ListFor(mode).GetFirst(); e != nullptr; e = e->GetNext()) {
    const auto* entry = static_cast<const LayoutEntry*>(e);
    VGraphicObject* c = Control(entry->controlId);
    if (c == nullptr) continue;
    const int32_t id = entry->controlId;
    // Every switch ends exactly on the mode's layout, whatever the rounding
    // of the curves on the way; the selector is put in place while hidden.
    if (entry->motion != 0 || id == kSelectorId) {
      c->MoveTo(VPoint(static_cast<int32_t>(entry->x), c->GetBounds().top), false, false, false);
    }
    if (entry->level != -1) SetLevel(c, entry->level);
    if (id == kSelectorId && selector != nullptr) {
      selector->SetEnabled(linked);
      selector->SetVisible(true, false);
    } else if (id == kStatusButtonId || id == kLinkId) {
      c->SetEnabled(linked);
    } else if (id == kLinkButtonId) {
      c->SetEnabled(linked);
      SetLevel(c, linked ? 63 : 0);
      MoveAtPointer(c);
    } else if (id == kBarId) {
      SetBarPlacement(mode == 1);
    } else if (id == kSwitchPictureId) {
      c->SetVisible(false, false);
    } else if (IsToolButton(id)) {
      c->SetEnabled(mode == 1);
      SetLevel(c, mode == 1 ? 63 : 0);
    }
  }
  SetPictureSet(mode == 3, linked ? 63 : 0);
  SetLinkColors(IsModuleScreenMode(mode), false, true);
}

void MainInterfaceScreen::RetireTimer() {
  if (timer_ == nullptr) return;
  SignalTimer* timer = timer_;
  timer_ = nullptr;
  timer->Stop(false);
  // Deleting the timer deletes the value network that hangs from it. While
  // the timer is reporting its end (a switch asked for from the owner's
  // answer to 92) it is deleted after the idle pass.
  if (finishing_) {
    DeleteControlLater(timer);
  } else {
    delete timer;
  }
}

void MainInterfaceScreen::BuildSwitchNetwork(int32_t oldMode, int32_t newMode, int32_t duration) {
  RetireTimer();
  timer_ = new SignalTimer(kSwitchTimerId, kSwitchTick, this);
  const double d = duration;
  const double rate = 3.14 / d;

  // The largest moves: of the status button, and of the far-sliding group.
  int32_t dS = 0, d2 = 0;
  const LayoutEntry* lastOld = nullptr;
  const LayoutEntry* lastNew = nullptr;
  for (VListElement *o = ListFor(oldMode).GetFirst(), *n = ListFor(newMode).GetFirst(); o != nullptr && n != nullptr;
       o = o->GetNext(), n = n->GetNext()) {
    const auto* oe = static_cast<const LayoutEntry*>(o);
    const auto* ne = static_cast<const LayoutEntry*>(n);
    const int32_t move = std::abs(static_cast<int32_t>(ne->x) - static_cast<int32_t>(oe->x));
    if (ne->controlId == kStatusButtonId) dS = std::max(dS, move);
    if (ne->motion == 2) d2 = std::max(d2, move);
    lastOld = oe;
    lastNew = ne;
  }
  if (lastOld != nullptr && lastNew != nullptr && lastNew->x > lastOld->x) {
    dS = -dS;
    d2 = -d2;
  }

  ModuleSelector* selector = GetSelector();
  for (VListElement *o = ListFor(oldMode).GetFirst(), *n = ListFor(newMode).GetFirst(); o != nullptr && n != nullptr;
       o = o->GetNext(), n = n->GetNext()) {
    const auto* oe = static_cast<const LayoutEntry*>(o);
    const auto* ne = static_cast<const LayoutEntry*>(n);
    const int32_t id = ne->controlId;
    VGraphicObject* c = Control(id);
    if (c == nullptr) continue;
    int32_t motion = ne->motion;
    const int32_t xn = static_cast<int32_t>(ne->x);
    const int32_t dL = ne->level >= 0 && oe->level >= 0 ? ne->level - oe->level : 0;
    if (id == kLinkButtonId && oldMode == 1 && newMode == 3) motion = 2;
    if (id == kLinkId) SetLinkColors(IsModuleScreenMode(newMode), false, true);

    SignalSine* slide = nullptr;
    if (motion == 2 || motion == 1) {
      int32_t h = d2 / 2;
      if (motion == 1) {
        h = id == kCaptionId || id == kCaptionShadowId || id == kCaptionBoxId
                ? (static_cast<int32_t>(oe->x) - xn) / 2
                : -dS / 2;
      }
      // From xn + 2h to xn along a half cosine over the duration.
      slide = new SignalSine(0, xn + h, 1.57, rate, h);
      slide->Subscribe(new SignalPositionSink(c), 0);
      timer_->Subscribe(slide, 0);
    }

    if (id == kSwitchPictureId) {
      auto* turning = dynamic_cast<VPictureControl*>(c);
      c->SetVisible(true, false);
      if (selector != nullptr) selector->SetVisible(false, false);
      if (turning != nullptr) {
        const int32_t m = turning->GetFrameCount() / 2;
        auto* frames = new SignalSine(0, m, 0.0, rate, xn > oe->x ? -m : m);
        frames->Subscribe(new SignalFrameSink(turning), 0);
        timer_->Subscribe(frames, 0);
      }
      // The bar follows the turning selector: its left edge is the
      // selector's left + 85, held within the collapsed bar's left edge
      // and 185, its right edge stays.
      if (VGraphicObject* bar = Control(kBarId); bar != nullptr && slide != nullptr) {
        auto* clamp = new SignalClamp(c->GetBounds().left, -85, kCollapsedBarLeft, 185);
        slide->Subscribe(clamp, 0);
        clamp->Subscribe(new SignalPositionSink(bar), 0);
        clamp->Subscribe(new SignalWidthSink(bar), 0);
      }
    }

    if (dL != 0) {
      if (auto* picture = dynamic_cast<VPictureControl*>(c)) {
        // The change runs over the whole duration, whatever it is.
        auto* ramp = new SignalSpeedRamp(0, dL > 0 ? 0 : 63, 1000.0 / d, dL, ne->delay);
        ramp->Subscribe(new SignalLevelSink(picture), 0);
        timer_->Subscribe(ramp, 0);
      }
    }
    c->SetEnabled(false);
  }
  timer_->Start(static_cast<uint32_t>(duration));
  switching_ = true;
  enabled_ = false;
}

bool MainInterfaceScreen::SetLayoutMode(int32_t mode, int32_t duration) {
  if (mode == mode_ || switching_ || mode < -1 || mode > 3) return false;
  if (mode != -1 && mode_ == -1) SetVisible(true, false);
  if (mode == 2) {
    if (ModuleSelector* selector = GetSelector()) selector->Reset();
  }
  if (duration <= 0) {
    ApplyLayout(mode);
  } else {
    BuildSwitchNetwork(mode_, mode, duration);
  }
  if (auto* status = dynamic_cast<VTextControl*>(Control(kStatusId))) {
    status->SetTextColor(IsModuleScreenMode(mode) ? kCaptionColor : kStatusColor);
  }
  Invalidate();
  mode_ = mode;
  return true;
}

void MainInterfaceScreen::FinishSwitch() {
  finishing_ = true;
  ApplyLayout(mode_);
  Invalidate();
  // Done before the owner hears of it, so that it may switch again at once.
  switching_ = false;
  enabled_ = true;
  Report(kOwnerModeReached, static_cast<uint32_t>(mode_));
  finishing_ = false;
}

void MainInterfaceScreen::SetControlsEnabled(bool enabled, bool byMode) {
  if (enabled == enabled_) return;
  ModuleSelector* selector = GetSelector();
  const bool v = byMode ? mode_ == 1 : enabled;
  for (VListElement* e = ListFor(mode_).GetFirst(); e != nullptr; e = e->GetNext()) {
    const int32_t id = static_cast<const LayoutEntry*>(e)->controlId;
    VGraphicObject* c = Control(id);
    if (c == nullptr) continue;
    if (id == kSelectorId && selector != nullptr) {
      selector->SetEnabled(v);
    } else if (id == kLinkButtonId || IsToolButton(id)) {
      c->SetEnabled(v);
      // The way back into the tour stays visible in mode 3 too.
      const bool shown = mode_ == 1 || (id == kLinkButtonId && mode_ == 3);
      SetLevel(c, shown ? 63 : 0);
      MoveAtPointer(c);
    } else if (id == kLinkId) {
      c->SetEnabled(v);
      SetLinkColors(IsModuleScreenMode(mode_), false, true);
    }
  }
  enabled_ = enabled;
}

// --- Caption, status, link ---------------------------------------------------

void MainInterfaceScreen::SetCaption(const VString& text, bool showBox, bool keep) {
  auto* caption = dynamic_cast<VTextControl*>(Control(kCaptionId));
  auto* shadow = dynamic_cast<VTextControl*>(Control(kCaptionShadowId));
  if (caption == nullptr || shadow == nullptr) return;
  const VString copy(text);  // the text may be one of the strip's own
  if (!keep) {
    savedCaption_ = copy;
    savedShowsBox_ = showBox;
  } else {
    transientCaption_ = copy;
  }
  const int32_t w = TextWidth(*caption, copy);
  // The lines break at the text's own width: a caption wider than the line
  // as built stays on one line instead of wrapping onto the strip below.
  for (VTextControl* c : {caption, shadow}) {
    c->SetLayoutWidth(w);
    SetText(*c, copy);
    c->SetWidth(w);
  }
  VGraphicObject* box = Control(kCaptionBoxId);
  const int32_t b = box != nullptr ? box->GetWidth() : 0;
  if (LayoutEntry* e = Entry(0, kCaptionId)) e->x = -(w + b + 1);
  if (LayoutEntry* e = Entry(0, kCaptionShadowId)) e->x = -(w + b);
  for (int32_t mode : {1, 2, 3}) {
    LayoutEntry* boxEntry = Entry(mode, kCaptionBoxId);
    const LayoutEntry* captionEntry = Entry(mode, kCaptionId);
    if (boxEntry != nullptr && captionEntry != nullptr) boxEntry->x = static_cast<int32_t>(captionEntry->x) + w;
  }
  if (box != nullptr) {
    box->SetVisible(showBox, false);
    if (mode_ != 0 && mode_ != -1) {
      box->MoveTo(VPoint(caption->GetBounds().left + w, box->GetBounds().top), false, false, false);
    }
  }
  Invalidate();
}

void MainInterfaceScreen::ShowSavedCaption() {
  const VString saved(savedCaption_);
  SetCaption(saved, savedShowsBox_, false);
}

void MainInterfaceScreen::ShowCaptionByIndex(int32_t controlId) {
  const VString text = GetCaptionTextFor(controlId);
  if (text.GetLength() > 0) SetCaption(text, false, true);
}

int32_t MainInterfaceScreen::GetCaptionWidth() const {
  for (VGraphicObject* child = GetFirstChildObject(); child != nullptr; child = child->GetNextObject()) {
    if (child->GetId() == kCaptionId) return child->GetWidth();
  }
  return 0;
}

void MainInterfaceScreen::SetStatusText(const VString& text, bool asCaption, bool keepOnStrip) {
  statusText_ = std::make_unique<VString>(text);
  const VString copy(*statusText_);
  if (asCaption) {
    SetCaption(copy, false, false);
  } else {
    SetStatusLine(copy, keepOnStrip);
  }
}

void MainInterfaceScreen::SetStatusLine(const VString& text, bool keepOnStrip) {
  auto* status = dynamic_cast<VTextControl*>(Control(kStatusId));
  auto* shadow = dynamic_cast<VTextControl*>(Control(kStatusShadowId));
  if (status == nullptr || shadow == nullptr) return;
  const VString copy(text);
  const int32_t w = TextWidth(*status, copy);
  for (VTextControl* c : {status, shadow}) {
    SetText(*c, copy);
    c->SetWidth(w);
  }
  if (keepOnStrip && status->GetBounds().left < 20) {
    const int32_t dx = 20 - status->GetBounds().left;
    for (VTextControl* c : {status, shadow}) {
      c->MoveTo(VPoint(c->GetBounds().left + dx, c->GetBounds().top), false, false, false);
    }
  }
  VGraphicObject* turning = Control(kSwitchPictureId);
  for (int32_t mode : {2, 0}) {
    if (LayoutEntry* e = Entry(mode, kStatusId)) e->x = 3 - w;
    if (LayoutEntry* e = Entry(mode, kStatusShadowId)) e->x = 4 - w;
    const LayoutEntry* statusEntry = Entry(mode, kStatusId);
    if (LayoutEntry* e = Entry(mode, kSwitchPictureId); e != nullptr && statusEntry != nullptr) {
      e->x = statusEntry->x - 5 - (turning != nullptr ? turning->GetWidth() : 0);
    }
  }
  if (LayoutEntry* e = Entry(1, kStatusButtonId)) {
    if (const LayoutEntry* statusEntry = Entry(1, kStatusId)) e->x = statusEntry->x + w - 3;
  }
  Invalidate();
}

void MainInterfaceScreen::SetStatusCode(int32_t code) {
  statusCode_ = code;
  // Codes 6 and 10 go to the caption line.
  const bool asCaption = code == 6 || code == 10;
  if (VGraphicObject* button = Control(kStatusButtonId)) {
    const bool keepsVisibility = code == 7 || code == 11 || code == 13 || code == 14;
    if (!keepsVisibility) button->SetVisible(false, false);
  }
  SetStatusText(code == -1 ? VString() : GetTextA(code), asCaption, false);
}

int32_t MainInterfaceScreen::LinkMargin(int32_t width, int32_t margin) {
  if (width <= 130) return margin;
  if (width <= 200) return margin - ((width - 130) * margin) / 70;
  return 0;
}

void MainInterfaceScreen::SetLinkText(const VString& text) {
  auto* link = dynamic_cast<HoverLinkControl*>(Control(kLinkId));
  auto* shadow = dynamic_cast<VTextControl*>(Control(kLinkShadowId));
  if (link == nullptr || shadow == nullptr) return;
  const VString plain(text);
  const std::string markup = "<A HREF=" + std::to_string(kLinkButtonId) + ">" +
                             std::string(plain.GetChars() != nullptr ? plain.GetChars() : "",
                                         static_cast<size_t>(plain.GetLength())) +
                             "</A>";
  link->SetTextChars(markup.c_str(), false);
  SetText(*shadow, plain);
  const int32_t w = TextWidth(*shadow, plain);
  const int32_t w0 = link->GetWidth();
  link->SetWidth(w);
  shadow->SetWidth(w);
  VGraphicObject* button = Control(kLinkButtonId);
  const int32_t bw = button != nullptr ? button->GetWidth() : 0;
  const int32_t m17 = LinkMargin(w, 17);
  const int32_t m5 = LinkMargin(w, 5);
  for (int32_t mode = 0; mode < 4; ++mode) {
    LayoutEntry* e = Entry(mode, kLinkId);
    if (e == nullptr) continue;
    if (mode == 2 || mode == 3) {
      e->x = 640 - (w + 17);
    } else if (mode == 1) {
      e->x = 513 - (w + m17);
    } else {
      e->x = w + m5 + 640 + bw;
    }
    if (LayoutEntry* b = Entry(mode, kLinkButtonId)) b->x = e->x - bw - m5;
    if (LayoutEntry* s = Entry(mode, kLinkShadowId)) s->x = e->x + 1;
  }
  link->SetThirdLinkColor(kLinkHover);
  SetLinkColors(IsModuleScreenMode(mode_), false, true);
  if (mode_ != 0 && mode_ != -1 && w != w0) {
    // The three stand where the current mode puts them for the new width.
    for (int32_t id : {kLinkId, kLinkShadowId, kLinkButtonId}) {
      VGraphicObject* c = Control(id);
      const LayoutEntry* e = Entry(mode_, id);
      if (c != nullptr && e != nullptr) {
        c->MoveTo(VPoint(static_cast<int32_t>(e->x), c->GetBounds().top), false, false, false);
      }
    }
    Invalidate();
  }
}

// --- Events ------------------------------------------------------------------------

bool MainInterfaceScreen::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  SoundManager& sounds = GetSoundManager();
  const auto play = [&sounds](int32_t index) {
    if (index != 0) sounds.TriggerSound(index);
  };
  const auto id = static_cast<int32_t>(value1);
  auto* linkButton = dynamic_cast<VGenericPictureButton*>(Control(kLinkButtonId));
  const size_t set = secondSet_ ? 3 : 0;
  switch (code) {
    case kEventButtonClicked:
      play(GetClickSound(id));
      if (id >= kLinkButtonId && id <= kLeaveButtonId) {
        if (id == kLinkButtonId && linkButton != nullptr) linkButton->SetStatePicture(0, buttonPictures_[set], 0, true);
        Report(kOwnerButton, value1);
        return true;
      }
      break;
    case kEventButtonEntered:
      play(GetHoverSound(id));
      SetCaption(GetCaptionTextFor(id), false, true);
      if (id == kLinkButtonId) SetLinkColors(IsModuleScreenMode(mode_), true, true);
      return true;
    case kEventButtonLeft:
      if (id > 0 && !GetCaptionTextFor(id).Equals(transientCaption_)) return true;
      ShowSavedCaption();
      if (id == kLinkButtonId) SetLinkColors(IsModuleScreenMode(mode_), false, true);
      return true;
    case kEventLinkActivated: {
      play(GetClickSound(kLinkButtonId));
      if (GetCapturedObject() != nullptr) SetCapturedObject(nullptr);
      if (linkButton != nullptr) linkButton->SetStatePicture(0, buttonPictures_[set], 0, true);
      const VString* target = MessagePointerAs<VString>(value1);
      const char* chars = target != nullptr ? target->GetChars() : nullptr;
      const long number = chars != nullptr ? std::strtol(chars, nullptr, 10) : 0;
      Report(kOwnerButton, static_cast<uint32_t>(number));
      return true;
    }
    case ModuleSelector::kEventClicked:
      if (id >= 1 && id <= 4) play(kRegionRows[static_cast<size_t>(id - 1)].clickSound);
      Report(kOwnerModuleButton, value1);
      return true;
    case HoverLinkControl::kEventOntoLink:
      play(GetHoverSound(kLinkButtonId));
      if (linkButton != nullptr) linkButton->SetStatePicture(0, buttonPictures_[set + 1], 0, true);
      ShowCaptionByIndex(kLinkButtonId);
      return true;
    case HoverLinkControl::kEventLeft:
      if (linkButton != nullptr) linkButton->SetStatePicture(0, buttonPictures_[set], 0, true);
      ShowSavedCaption();
      return true;
    case SignalTimer::kMessageTimerEnded:
      if (id == kSwitchTimerId && switching_) FinishSwitch();
      break;
    default:
      break;
  }
  return VControl::HandleEvent(code, value1, value2);
}

MainInterfaceScreen* MainInterfaceScreen::FindInCurrentPanel() {
  MainScreenServices* services = GetMainScreenServices();
  VGraphicObject* panel = services != nullptr ? services->GetCurrentPanel() : nullptr;
  if (panel == nullptr) return nullptr;
  return dynamic_cast<MainInterfaceScreen*>(panel->FindById(kId, false));
}
