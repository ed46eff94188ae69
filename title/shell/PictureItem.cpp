#include "title/shell/PictureItem.h"

#include <charconv>
#include <cmath>
#include <string>

#include "engine/app/VGraphicObject.h"
#include "engine/controls/VPictureControl.h"
#include "engine/core/MediaTypes.h"
#include "engine/graphics/PixelMapAttributes.h"
#include "engine/graphics/VPicture.h"
#include "engine/image/JpegLibraryLoader.h"
#include "title/shell/MuseumArchives.h"
#include "title/shell/Channel.h"
#include "title/shell/PictureItemView.h"
#include "title/shell/SequenceDocument.h"
#include "title/shell/SequenceTextCursor.h"

PictureItem::PictureItem() : SequenceItem("picture") {}

PictureItem::~PictureItem() { UnloadMedia(false); }

void PictureItem::SetOpacity(int32_t opacity) {
  opacity_ = opacity < 0 ? 0 : (opacity > kOpaque ? kOpaque : opacity);
}

void PictureItem::SetBounds(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  bounds_.left = left;
  bounds_.top = top;
  bounds_.right = right < left ? left : right;
  bounds_.bottom = bottom < top ? top : bottom;
}

int32_t PictureItem::OpacityFromFraction(double fraction) {
  const double scaled = fraction * kOpaque;
  if (!(scaled > 0.0)) return 0;  // negatives and NaN
  if (scaled >= kOpaque) return kOpaque;
  return static_cast<int32_t>(scaled);
}

namespace {

int32_t HoldCoordinate(int64_t value) {
  if (value < INT32_MIN) return INT32_MIN;
  if (value > INT32_MAX) return INT32_MAX;
  return static_cast<int32_t>(value);
}

std::string Fixed(double value, int decimals) {
  char buffer[64];
  const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  return std::string(buffer, r.ptr);
}

}  // namespace

std::string PictureItem::FormatOpacity(int32_t opacity) {
  const double fraction = static_cast<double>(opacity) / kOpaque;
  for (int decimals = 2; decimals <= 8; ++decimals) {
    const std::string text = Fixed(fraction, decimals);
    SequenceTextCursor cursor(text);
    double back = 0.0;
    if (cursor.Real(back) && OpacityFromFraction(back) == opacity) return text;
  }
  // Half a step above the value always truncates back to it.
  return Fixed((opacity + 0.5) / kOpaque, 4);
}

bool PictureItem::ReadFields(SequenceTextCursor& cursor) {
  for (;;) {
    if (!ReadBaseFields(cursor)) return false;
    bool matched = false;
    if (!ReadMediaField(cursor, matched)) return false;
    if (matched) continue;
    if (cursor.Keyword("opacity")) {
      double value = 0.0;
      if (!cursor.Real(value)) return false;
      opacity_ = OpacityFromFraction(value);
      continue;
    }
    if (cursor.Keyword("bounds")) {
      int64_t left = 0, top = 0, right = 0, bottom = 0;
      if (!cursor.Integer(left) || !cursor.Integer(top) || !cursor.Integer(right) || !cursor.Integer(bottom)) {
        return false;
      }
      SetBounds(HoldCoordinate(left), HoldCoordinate(top), HoldCoordinate(right), HoldCoordinate(bottom));
      continue;
    }
    return true;
  }
}

void PictureItem::WriteFields(std::string& out) const {
  SequenceItem::WriteFields(out);
  WriteMediaFields(out);
  out += "\t\topacity\t" + FormatOpacity(opacity_) + "\r\n";
  out += "\t\tbounds\t" + std::to_string(bounds_.left) + " " + std::to_string(bounds_.top) + " " +
         std::to_string(bounds_.right) + " " + std::to_string(bounds_.bottom) + "\r\n";
}

int32_t PictureItem::GetLevelOnScreenAt(int32_t t) const {
  const double level = std::trunc(GetLevelAt(t) * static_cast<double>(opacity_));
  if (!(level > 0.0)) return 0;
  if (level >= static_cast<double>(kOpaque)) return kOpaque;
  return static_cast<int32_t>(level);
}

void PictureItem::LoadMedia() {
  if (picture_ != nullptr) return;
  if (GetResid() != 0) {
    MediaArchive* saved = SaveCurrentArchive();
    SelectArchiveForMedia(GetResid());
    picture_ = DecodeJpegMedium(GetResid());
    RestoreCurrentArchive(saved);
  } else if (GetFile().Exists()) {
    auto* picture = new VPicture(GetFile(), kUnknownFileType);
    if (picture->GetPixelMap() != nullptr) {
      picture_ = picture;
    } else {
      picture->Release();
    }
  }
}

void PictureItem::Show(int32_t t) {
  static_cast<void>(t);
  LoadMedia();
  if (view_ == nullptr) {
    Channel* channel = GetChannel();
    SequenceDocument* document = channel != nullptr ? channel->GetOwner() : nullptr;
    VGraphicObject* listener = document != nullptr ? document->GetListener() : nullptr;
    if (listener != nullptr) {
      const int32_t w = bounds_.GetWidth();
      const int32_t h = bounds_.GetHeight();
      const int32_t layer = document->GetChannelIndex(channel);
      view_ = new PictureItemView(*this, kViewId, picture_, bounds_.left, bounds_.top, layer, w, h, listener);
      if (picture_ != nullptr) {
        const VRect& own = picture_->GetFullBounds();
        if (w > 0 && h > 0 && (own.GetWidth() != w || own.GetHeight() != h)) {
          view_->SetScaled(true, nullptr);
        } else if (w == 0 && h == 0) {
          VRect area;
          listener->GetGlobalBounds(area);
          const VPoint centred(area.left + (area.GetWidth() - own.GetWidth()) / 2,
                               area.top + (area.GetHeight() - own.GetHeight()) / 2);
          view_->MoveTo(centred, true, false, false);
        }
      }
    }
  }
  // A new view starts invisible; PresentAt gives it its level.
  if (shownLevel_ < 0) {
    shownLevel_ = 0;
    ApplyLevel();
  }
}

void PictureItem::Hide() {
  delete view_;  // the view's destructor forgets it here
  view_ = nullptr;
  shownLevel_ = -1;
}

void PictureItem::ForgetView(const VPictureControl* view) {
  if (view != view_) return;
  view_ = nullptr;
  shownLevel_ = -1;
}

void PictureItem::UnloadMedia(bool redraw) {
  static_cast<void>(redraw);
  Hide();
  if (picture_ != nullptr) picture_->Release();
  picture_ = nullptr;
}

void PictureItem::ApplyLevel() {
  if (view_ == nullptr || view_->PeekPicture() == nullptr) return;
  PixelMapAttributes attributes;
  view_->GetPixelAttributes(attributes);
  attributes.SetLevel(shownLevel_);
  view_->SetPixelAttributes(attributes, false);
}

VRect PictureItem::GetScreenArea() const {
  // Where the view is, not the bounds: bounds without a size put the view,
  // at the picture's own size, in the middle of the player.
  VRect area;
  if (view_ != nullptr) view_->GetTotalBounds(area);
  return area;
}

void PictureItem::PresentAt(int32_t t, VRect& changed) {
  if (shownLevel_ < 0) Show(t);
  const int32_t level = GetLevelOnScreenAt(t);
  if (level == shownLevel_) return;
  shownLevel_ = level;
  ApplyLevel();
  changed.Union(GetScreenArea());
}

void PictureItem::Finish(VRect* changed) {
  if (changed != nullptr && shownLevel_ >= 0) changed->Union(GetScreenArea());
}
