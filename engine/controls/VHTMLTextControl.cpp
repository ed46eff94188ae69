#include "engine/controls/VHTMLTextControl.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "engine/controls/MarkupParser.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VEvent.h"
#include "engine/core/VFileSpec.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/VPicture.h"

VHTMLTextControl::VHTMLTextControl(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width,
                                   int32_t height, VString* text, VFont* font, VFont* linkFont, int32_t alignment,
                                   bool frame, int32_t wrapWidth, VGraphicObject* parent)
    : VHyperTextControl(NoTextTag{}, kKind, id, left, top, layer, width, height, font, linkFont, alignment, frame,
                        wrapWidth, parent) {
  stopAfterMarkupStart_ = true;
  if (text != nullptr) {
    SetText(text, false);
  } else {
    VTextControl::SetText(static_cast<VString*>(nullptr), false);
  }
}

void VHTMLTextControl::PrepareMarkup(const VString& in, VString& out) {
  VString collapsed(in);
  collapsed.CollapseSpaces();
  const char* text = collapsed.GetChars() != nullptr ? collapsed.GetChars() : "";
  const int32_t length = collapsed.GetLength();
  out.Clear();
  out.Reserve(length);
  int32_t i = 0;
  while (i < length) {
    if (text[i] == '&') {
      int32_t referenceLength = 0;
      const char* replacement = DecodeMarkupEntity(text + i, length - i, referenceLength);
      const char* name = text + i + 1;
      const int32_t nameLength = referenceLength - 1;
      auto is = [&](const char* word) {
        return nameLength == static_cast<int32_t>(std::strlen(word)) &&
               std::memcmp(name, word, static_cast<size_t>(nameLength)) == 0;
      };
      // References spelling mark-up characters stay for the layout.
      const bool keep = is("amp") || is("lt") || is("#38") || is("#60");
      if (replacement != nullptr && replacement[0] != 0 && !keep) {
        out.Append(replacement);
        i += referenceLength;
        if (i < length && text[i] == ';') ++i;
        continue;
      }
    }
    out.AppendChar(text[i]);
    ++i;
  }
}

void VHTMLTextControl::SetText(VString* text, bool redraw) {
  if (text == nullptr) {
    VTextControl::SetText(static_cast<VString*>(nullptr), redraw);
    return;
  }
  auto prepared = std::make_unique<VString>();
  PrepareMarkup(*text, *prepared);
  // The given string goes (unless it is the control's own, which the base
  // replaces).
  if (text != GetTextString()) delete text;
  VTextControl::SetText(prepared.release(), redraw);
}

int32_t VHTMLTextControl::FindMarkupInRun(const char* text, int32_t length, uint16_t) {
  const char* end = GetChars() + GetLength();
  for (int32_t i = 0; i < length; ++i) {
    const char c = text[i];
    if (c == 0) return -1;
    if (c == '<') return i;
    if (c == '&') {
      int32_t referenceLength = 0;
      const char* replacement =
          DecodeMarkupEntity(text + i, static_cast<int32_t>(end - (text + i)), referenceLength);
      if (replacement != nullptr && replacement[0] != 0) return i;
    }
  }
  return -1;
}

const char* VHTMLTextControl::DecodeEntity(const char* text, int32_t available, int32_t& length) {
  return DecodeMarkupEntity(text, available, length);
}

bool VHTMLTextControl::EscapeChar(uint8_t character, VString& out) { return EscapeMarkupChar(character, out); }

bool VHTMLTextControl::HandleMarkup(VTextBox& box, int32_t position, int32_t& newPosition, int32_t& drawCount,
                                    uint16_t& state) {
  const char* text = GetChars();
  const int32_t end = GetLength();
  newPosition = position;
  drawCount = 0;
  if (position < 0 || position >= end) return false;
  if (text[position] == '&') {
    int32_t length = 0;
    const char* replacement = DecodeEntity(text + position, end - position, length);
    if (replacement == nullptr || replacement[0] == 0) return false;
    state |= kMarkupEntity;
    drawCount = length;
    newPosition = position + length;
    if (newPosition < end && text[newPosition] == ';') ++newPosition;
    return false;
  }
  if (text[position] != '<') return false;
  const bool closing = position + 1 < end && text[position + 1] == '/';
  int32_t p = position + (closing ? 2 : 1);
  const MarkupTag tag = MarkupTag::Scan(text, end, p);
  newPosition = p;
  if (closing) return MarkupParser::FinishMarkupTag(*this, box, tag, state, newPosition, position);
  MarkupParser::ParseMarkupTag(*this, box, tag, state, newPosition, position);
  if ((state & (kMarkupLineBreak | kMarkupHeading)) != 0) {
    while (newPosition < end && static_cast<uint8_t>(text[newPosition]) <= 32) ++newPosition;
  }
  return false;
}

VPicture* VHTMLTextControl::LoadPicture(const VString& path) {
  if (path.IsEmpty()) return nullptr;
  VFileSpec spec(path.GetChars());
  auto* picture = new (std::nothrow) VPicture(spec, kUnknownFileType);
  if (picture == nullptr) return nullptr;
  if (picture->GetPixelMap() == nullptr) {
    picture->Release();
    return nullptr;
  }
  return picture;
}

void VHTMLTextControl::DrawSegment(DrawPort* port, VTextSegment& segment, int32_t boxX, int32_t boxY) {
  const int32_t page = GetCurrentPage();
  VPoint origin;
  GetGlobalOrigin(origin, true);
  const int32_t x = origin.x + boxX + segment.x - GetScrollX();
  const int32_t y = origin.y + boxY + segment.y - GetScrollY() - page * GetPageHeight();

  if ((segment.kind & kSegmentPicture) != 0) {
    if (segment.page != page || segment.picture == nullptr) return;
    const VRect destination(x, y - segment.height, x + segment.width, y);
    segment.picture->Draw(port, destination, GetDrawClip());
    return;
  }
  if ((segment.kind & kSegmentBoxMask) != 0) {
    VTextBox* box = segment.box;
    if (box == nullptr) return;
    const bool cell = (segment.kind & kSegmentCell) != 0;
    const bool row = (segment.kind & kSegmentRow) != 0;
    const int32_t cp = cell ? box->columnPadding : 0;
    const int32_t rp = cell || row ? box->rowPadding : 0;
    const int32_t top = y - segment.height;
    if (!box->noBackground) {
      const VRect fill(x - cp / 2, top - rp / 2, x + segment.width + cp - cp / 2, y + rp - rp / 2);
      port->FillRect(fill, &box->background, nullptr, 1, 0, 0);
    }
    box->DrawRange(port, 0, 32767);
    if ((box->flags & 1) != 0) {
      const VRGBColor& color = GetCurrentColor();
      if (cell) {
        const int32_t rx = x + segment.width - 1 + cp / 2;
        port->DrawLine(VPoint(rx, top - rp / 2), VPoint(rx, y + rp / 2 - 1 + 1), &color, 1);
      } else if (row) {
        const int32_t by = y + rp / 2 - 1;
        port->DrawLine(VPoint(x, by), VPoint(x + segment.width - 1 + 1, by), &color, 1);
      } else if ((segment.kind & kSegmentTable) != 0) {
        const VRect outline(x, top, x + segment.width, y);
        FrameRect(port, outline, color);
      }
    }
    return;
  }
  if ((segment.kind & kSegmentBullet) != 0) {
    if (segment.page != page) return;
    const char bullet = static_cast<char>(0x95);
    DrawPieceText(port, segment, &bullet, 1, x, y, segment.color);
    return;
  }
  if (segment.page != page) return;
  VHyperTextControl::DrawSegment(port, segment, boxX, boxY);
}

void VHTMLTextControl::SegmentMouse(const VPoint& point, const VMouseEvent& event) {
  VTextBox* root = GetRootBox();
  if (root == nullptr) return;
  if (GetLength() == 0) {
    root->ClearPressed();
    return;
  }
  const VPoint p = ToTextPoint(point);
  VTextSegment* s = root->HitTest(p.x, p.y, true, false, nullptr, nullptr, nullptr);
  if (s != nullptr && (s->kind == kSegmentLinkStart || s->kind == kSegmentInLink ||
                       s->kind == (kSegmentPicture | kSegmentInLink))) {
    if (event.buttons != 0) {
      s->pressed = 1;
      SetPressedActive(true);
      return;
    }
    if (IsPressedActive()) {
      const bool report = s->pressed != 0 && (s->kind & kSegmentLinkStart) != 0;
      root->ClearPressed();
      SetPressedActive(false);
      if (report) SendLink(*s);
      return;
    }
    root->ClearPressed();
    return;
  }
  VHyperTextControl::SegmentMouse(point, event);
}

void VHTMLTextControl::SegmentClicked(int32_t index, const VMouseEvent& event) {
  VTextBox* root = GetRootBox();
  if (root == nullptr || event.buttons != 0 || !IsPressedActive() || PressedFirst() < 0) {
    VHyperTextControl::SegmentClicked(index, event);
    return;
  }
  VTextSegment* start = root->GetSegment(PressedFirst() - 1);
  if (start == nullptr || (start->kind & kSegmentLinkStart) == 0) start = root->GetSegment(PressedLast() - 2);
  PressedFirst() = PressedLast() = -1;
  if (start != nullptr) SendLink(*start);
}
