// The marker of one event on a timeline band or on the storyline panel: an
// icon button of the event's storyline and the event's title rendered once,
// turned by 45 degrees, into a picture. The card shapes itself around the
// two, switches its icon between normal and highlighted and reports its
// icon's events to its owner; the owner places it. BandEventCard and
// PanelEventCard are the two kinds; they differ in the icon's slot, the
// title's width limit, the shape and the messages.
#pragma once

#include <cstdint>
#include <string>

#include "engine/app/VControl.h"
#include "engine/controls/ControlEvents.h"
#include "engine/core/VLinkedList.h"
#include "title/modules/storyline/EventCardContent.h"

class VPicture;
class VPictureButton;
class VPictureControl;

class EventCard : public VControl, public VListElement {
 public:
  static constexpr int32_t kKind = 257;
  // Entry of the application's picture-font table the titles are set in.
  static constexpr int32_t kTitleFont = 3;
  // The titles are printed in a parchment colour: the band pictures and the
  // backdrop they turn over are dark.
  static constexpr VRGBColor kTitleColour{240, 230, 205};
  // Owner messages common to both kinds: the pointer rests on the icon
  // (the card's id) or has left it (0).
  static constexpr uint32_t kOwnerShowEvent = 148;

  ~EventCard() override;

  // The event, the owner's passenger; null for a card without content.
  EventRecord* GetEvent() const { return content_.event; }
  bool HasContent() const { return hasContent_; }
  const EventCardContent& GetContent() const { return content_; }
  // A copy of the event's date; all fields 0 without content.
  VTime GetDate() const;
  void SetOffset(int32_t offset) { offset_ = offset; }
  int32_t GetOffset() const { return offset_; }

  // The icon's first picture becomes iconId + 6, or iconId again. Nothing
  // without an icon or when the picture cannot be read.
  void Highlight();
  void Unhighlight();

  // The icon's events 21, 28 and 29 become owner messages; other events are
  // left to others.
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  // The children: null when the card has none.
  VPictureButton* GetIcon() const { return icon_; }
  VPictureControl* GetTitlePicture() const { return title_; }
  uint16_t GetIconId() const { return content_.iconId; }
  int32_t GetIconX() const { return iconX_; }
  int32_t GetIconY() const { return iconY_; }
  // The text of the last rendering pass (with its trailing space); empty
  // when no title fitted.
  const std::string& GetRenderedText() const { return renderedText_; }

 protected:
  // content null: the card stays empty (no icon, no title).
  EventCard(int32_t id, const EventCardContent* content, int32_t left, int32_t top, int32_t layer, int32_t width,
            int32_t height, VGraphicObject* owner);

  // Builds the icon and the title picture and renders the title; each kind
  // calls it at the end of its constructor, when its shape is known.
  void Build();

  // The card's, the title picture's and the icon's bounds for a rendered
  // title of W x H, the card's top-left (T, L) before shaping given in
  // window coordinates; the results are in window coordinates for the card
  // and relative to the card for the children.
  struct Shape {
    VRect card;
    VRect title;
    VPoint icon;  // the icon's top-left
  };
  virtual void ShapeCard(int32_t width, int32_t height, int32_t top, int32_t left, Shape& shape) const = 0;
  virtual int32_t GetSlotWidth() const = 0;
  virtual int32_t GetSlotHeight() const = 0;
  virtual int32_t GetTitleWidthLimit() const = 0;
  // Sends the owner messages of icon event 21, 28 or 29.
  virtual void ReportIconEvent(uint32_t code) = 0;
  // Whether a highlight hides and shows the card only while it is shown.
  virtual bool KeepsHiddenOnHighlight() const = 0;

  // Sends (code, value, 0) to the owner; false when the card was deleted
  // by a receiver.
  bool SendToOwner(uint32_t code, uint32_t value);

  ControlLife life_;

 private:
  void BuildIcon();
  void RenderCard();
  void SetIconPicture(uint16_t id);

  EventCardContent content_;
  bool hasContent_;
  VPictureControl* title_ = nullptr;  // children, owned by the control tree
  VPictureButton* icon_ = nullptr;
  std::string renderedText_;
  int32_t offset_ = 0;
  int32_t iconX_ = 0;
  int32_t iconY_ = 0;
  int32_t iconWidth_ = 0;
  int32_t iconHeight_ = 0;
};
