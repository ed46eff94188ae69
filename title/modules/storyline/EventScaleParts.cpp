#include "title/modules/storyline/EventScaleParts.h"

#include <new>

#include "engine/controls/VPictureControl.h"
#include "engine/graphics/VPicture.h"
#include "title/modules/storyline/CardOrder.h"
#include "title/modules/storyline/EventCard.h"
#include "title/modules/storyline/EventCardContent.h"
#include "title/modules/storyline/EventRecord.h"
#include "title/modules/storyline/EventSeries.h"
#include "title/modules/storyline/ScrollArrow.h"
#include "title/modules/storyline/StorylineCatalog.h"
#include "title/modules/storyline/StorylineRecord.h"
#include "title/shell/ShellPictures.h"

void EventScaleParts::MakeArrows(const Layout& layout, int32_t layer, VGraphicObject* owner) {
  for (int32_t i = 0; i < 2; ++i) {
    const Arrow& a = layout.arrows[i];
    arrows_[i] = new (std::nothrow) ScrollArrow(a.id, layout.arrowPicture, a.cursorA, a.cursorB, a.forward, a.at.x,
                                                a.at.y, layer + layout.arrowLayer, layout.arrowWidth,
                                                layout.arrowHeight, owner);
  }
}

void EventScaleParts::MakePictures(const Layout& layout, int32_t layer, VGraphicObject* owner) {
  for (const Picture& p : layout.pictures) {
    VPicture* picture = LoadShellPicture(p.id);
    new (std::nothrow)
        VPictureControl(VControl::kAllocateId, picture, p.at.x, p.at.y, layer + p.layer, p.width, p.height, owner);
    if (picture != nullptr) picture->Release();
  }
}

void EventScaleParts::MakeCards(const EventSeries& series, const StorylineCatalog* storylines, bool forBand,
                                const MakeCard& make, int32_t span, double length, CardOrder& cards) {
  int32_t position = 0;
  for (EventRecord* event = series.GetFirstEvent(); event != nullptr;
       event = series.GetEventAfter(event), ++position) {
    EventCardContent content;
    content.title = event->GetText();
    content.date = event->GetDate();
    content.event = event;
    if (storylines != nullptr) {
      if (const StorylineRecord* storyline = storylines->Find(event->GetStorylineRef())) {
        content.iconId = storyline->GetCardPictureId(forBand);
      }
    }
    EventCard* card = make(event, position, content);
    if (card == nullptr) continue;
    card->SetVisible(false, false);
    cards.Insert(card);
  }
  cards.Space(span, length);
}

void EventScaleParts::SetArrowsEnabled(bool enabled) {
  for (ScrollArrow* arrow : arrows_) {
    if (arrow == nullptr) continue;
    if (enabled) {
      arrow->Enable();
    } else {
      arrow->Disable();
    }
  }
}
