#include "title/modules/storyline/EventCard.h"

#include <string>

#include "engine/controls/VPictureButton.h"
#include "engine/controls/VPictureControl.h"
#include "engine/controls/VPictureFont.h"
#include "engine/graphics/VPicture.h"
#include "title/controls/TextToPicture.h"
#include "title/shell/PictureFontTable.h"
#include "title/shell/ShellPictures.h"

namespace {

constexpr double kTitleAngle = 45.0;
// The title picture's size before the title is rendered into it.
constexpr int32_t kTitleArea = 400;
constexpr uint16_t kHighlightStep = 6;

}  // namespace

EventCard::EventCard(int32_t id, const EventCardContent* content, int32_t left, int32_t top, int32_t layer,
                     int32_t width, int32_t height, VGraphicObject* owner)
    : VControl(kKind, id, left, top, layer, width, height, owner), hasContent_(content != nullptr) {
  if (content != nullptr) content_ = *content;
}

EventCard::~EventCard() = default;

void EventCard::Build() {
  if (!hasContent_) return;
  BuildIcon();
  title_ = new VPictureControl(kAllocateId, static_cast<uint16_t>(0), 0, 0, 0, kTitleArea, kTitleArea, this);
  RenderCard();
}

VTime EventCard::GetDate() const { return hasContent_ ? content_.date : VTime(); }

void EventCard::BuildIcon() {
  if (content_.iconId == 0) return;
  // The icon's size comes from its first picture; one that cannot be read
  // leaves the card without icon, as an unknown storyline does.
  VPicture* first = LoadShellPicture(content_.iconId);
  if (first == nullptr) return;
  iconWidth_ = first->GetWidth();
  iconHeight_ = first->GetHeight();
  first->Release();
  iconX_ = (GetSlotWidth() - iconWidth_) / 2;
  iconY_ = (GetSlotHeight() - iconHeight_) / 2;
  const uint16_t id = content_.iconId;
  icon_ = new VPictureButton(kAllocateId, id, static_cast<uint16_t>(id + 2), static_cast<uint16_t>(id + 4), 0,
                             VPoint(iconX_, iconY_), 1, iconWidth_, iconHeight_, this);
}

void EventCard::RenderCard() {
  VPictureFont* font = GetPictureFont(kTitleFont);
  if (font == nullptr) return;
  // The title loses its last letter until its turned picture fits the
  // width limit; every pass measures the text with one space after it, and
  // only the pass that fits is rendered and turned.
  const char* chars = content_.title.GetChars();
  std::string text = chars != nullptr ? std::string(chars, static_cast<size_t>(content_.title.GetLength())) : "";
  for (;;) {
    text += ' ';
    int32_t width = 0, height = 0;
    // A text that cannot be rendered leaves the card without title.
    if (!MeasureTextToPicture(text.c_str(), kTitleAngle, font, width, height)) return;
    if (width <= GetTitleWidthLimit()) break;
    text.resize(text.size() - (text.size() >= 2 ? 2 : text.size()));
    if (text.empty()) return;
  }
  VPicture* rendered = RenderTextToPicture(text.c_str(), 0, kTitleAngle, font, kTitleColour, 2);
  if (rendered == nullptr) return;
  renderedText_ = text;

  VRect total;
  GetTotalBounds(total);
  Shape shape;
  ShapeCard(rendered->GetWidth(), rendered->GetHeight(), total.top, total.left, shape);
  // The shape is worked out in window coordinates; the bounds are kept
  // relative to the owner.
  VRect global;
  GetGlobalBounds(global);
  VRect card = shape.card;
  card.Offset(GetBounds().left - global.left, GetBounds().top - global.top);
  StoreBounds(card);
  title_->StoreBounds(shape.title);
  if (icon_ != nullptr) {
    icon_->StoreBounds(VRect(shape.icon.x, shape.icon.y, shape.icon.x + iconWidth_, shape.icon.y + iconHeight_));
  }
  // The title keeps the colour it was rendered in; the shared font is left
  // white for whoever draws with it next.
  font->SetColor(VRGBColor(255, 255, 255));
  title_->SetPicture(rendered, false);
  rendered->Release();
}

void EventCard::Highlight() { SetIconPicture(static_cast<uint16_t>(content_.iconId + kHighlightStep)); }

void EventCard::Unhighlight() { SetIconPicture(content_.iconId); }

void EventCard::SetIconPicture(uint16_t id) {
  if (icon_ == nullptr) return;
  VPicture* picture = LoadShellPicture(id);
  if (picture == nullptr) return;
  const bool hideAndShow = !KeepsHiddenOnHighlight() || IsVisible();
  if (hideAndShow) SetVisible(false, false);
  icon_->SetStatePicture(0, picture, 0, false);
  if (hideAndShow) SetVisible(true, false);
  picture->Release();
}

bool EventCard::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  if (icon_ != nullptr && value1 == static_cast<uint32_t>(icon_->GetId()) &&
      (code == kEventButtonClicked || code == kEventButtonEntered || code == kEventButtonLeft)) {
    ReportIconEvent(code);
    return true;
  }
  return VControl::HandleEvent(code, value1, value2);
}

bool EventCard::SendToOwner(uint32_t code, uint32_t value) {
  const ControlLife::Watch watch = life_.MakeWatch();
  SendUpward(code, value, 0);
  return watch.Alive();
}
