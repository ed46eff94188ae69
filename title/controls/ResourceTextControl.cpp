#include "title/controls/ResourceTextControl.h"

#include <algorithm>
#include <string>

#include "engine/app/GraphicServices.h"
#include "engine/controls/VHTMLTextControl.h"
#include "engine/controls/VPictureControl.h"
#include "engine/controls/VPictureFont.h"
#include "engine/controls/VTextBox.h"
#include "engine/graphics/PixelMapAttributes.h"
#include "engine/graphics/VPicture.h"
#include "engine/script/ScriptLexer.h"

namespace {

constexpr int32_t kFreshId = 12288;
constexpr int32_t kTextTop = 175;
constexpr int32_t kPictureTop = 90;
constexpr int32_t kOpaque = 63;
constexpr int32_t kTurnLevel = 62;
const VRGBColor kTextColor(255, 168, 88);

// The picture id of an entry line (";<digits>"); 0 for no digits or a value
// outside the 16-bit ids.
uint16_t EntryPictureId(const std::string& line) {
  uint32_t value = 0;
  for (size_t i = 1; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
    value = value * 10 + static_cast<uint32_t>(line[i] - '0');
    if (value > 0xFFFF) return 0;
  }
  return static_cast<uint16_t>(value);
}

}  // namespace

bool ResourceTextControl::ParseEntries(const VString& text, std::vector<ResourceTextEntry>& entries) {
  entries.clear();
  const char* chars = text.GetChars();
  const int32_t length = std::min(text.GetLength(), kMaxTextLength);
  if (chars == nullptr || length <= 1) return false;
  std::string body;
  bool open = false;
  uint16_t pictureId = 0;
  auto finish = [&]() {
    if (!open) return;
    ResourceTextEntry entry;
    entry.pictureId = pictureId;
    entry.text = VString(body.c_str());
    entries.push_back(std::move(entry));
    body.clear();
  };
  int32_t start = 0;
  while (start < length) {
    int32_t end = start;
    while (end < length && chars[end] != '\n' && chars[end] != '\0') ++end;
    std::string line(chars + start, chars + end);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const bool last = end >= length || chars[end] == '\0';
    start = end + 1;
    if (!line.empty() && line[0] == ';') {
      finish();
      open = true;
      pictureId = EntryPictureId(line);
    } else if (!open) {
      break;  // the text must start with an entry
    } else {
      const size_t heading = line.find("<kopje>");
      if (heading != std::string::npos) {
        line.replace(heading, 7, "<font resID=506>");
        line += "</font>";
      }
      body += line;
      body += "<BR>";
    }
    if (last) break;
  }
  finish();
  return !entries.empty();
}

ResourceTextControl::ResourceTextControl(int32_t id, uint16_t textMediaId, int32_t left, int32_t top, int32_t layer,
                                         int32_t width, int32_t height, VGraphicObject* parent)
    : VControl(kKind, id, left, top, layer, width, height, parent),
      VTask(0, true, false, false, GetTaskManager()) {
  Build(layer);
  VString text;
  LoadTextMedia(text, textMediaId, false);
  Start(text);
}

ResourceTextControl::ResourceTextControl(int32_t id, const VString& text, int32_t left, int32_t top, int32_t layer,
                                         int32_t width, int32_t height, VGraphicObject* parent)
    : VControl(kKind, id, left, top, layer, width, height, parent),
      VTask(0, true, false, false, GetTaskManager()) {
  Build(layer);
  Start(text);
}

ResourceTextControl::~ResourceTextControl() = default;

void ResourceTextControl::Build(int32_t layer) {
  layer_ = layer;
  lastStep_ = GetTaskTickCount();
  SetNextStepTime(lastStep_ + kStepMs);
  const VRGBColor background = VGraphicObject::GetBackgroundColor();
  cover_ = new VPictureControl(kFreshId, background, 0, 0, layer + 3, GetWidth(), GetHeight(), this);
  PixelMapAttributes attributes;
  if (cover_->GetPixelAttributes(attributes)) {
    attributes.SetLevel(kOpaque);
    cover_->SetPixelAttributes(attributes, false);
  }
  VFont* font = FindFontById(kFontId, 0);
  text_ = new VHTMLTextControl(kFreshId, 0, kTextTop, layer + 1, GetWidth(), GetHeight(), nullptr, font, font,
                               kAlignCenter, false, 0, this);
  text_->SetTextColor(kTextColor);
  text_->SetBackgroundColor(background);
}

void ResourceTextControl::Start(const VString& text) {
  ParseEntries(text, entries_);
  ShowNextEntry();
}

void ResourceTextControl::SetTextColor(const VRGBColor& color) {
  if (text_ != nullptr) text_->SetTextColor(color);
}

int32_t ResourceTextControl::GetCoverLevel() const {
  PixelMapAttributes attributes;
  if (cover_ == nullptr || !cover_->GetPixelAttributes(attributes)) return -1;
  return attributes.GetLevel();
}

bool ResourceTextControl::ShowNextEntry() {
  if (next_ >= 0 && next_ < static_cast<int32_t>(entries_.size()) && !stopped_) {
    const ResourceTextEntry& entry = entries_[static_cast<size_t>(next_)];
    text_->SetText(new VString(entry.text), true);  // the control takes the copy
    delete picture_;
    picture_ = nullptr;
    if (entry.pictureId != 0) {
      picture_ = new VPictureControl(kFreshId, entry.pictureId, 0, 0, layer_ + 2, 0, 0, this);
      if (picture_->GetWidth() < GetWidth()) {
        picture_->MoveTo(VPoint((GetWidth() - picture_->GetWidth()) / 2, kPictureTop), false, false, false);
      }
    }
    ++next_;
    return true;
  }
  SetActive(false);
  SetVisible(false, true);
  next_ = 0;
  stopped_ = false;
  const ControlLife::Watch watch = life_.MakeWatch();
  SendControlEvent(*this, kMessageFinished, static_cast<uint32_t>(GetId()));
  return watch.Alive();
}

bool ResourceTextControl::Fade() {
  PixelMapAttributes attributes;
  if (cover_ == nullptr || !cover_->GetPixelAttributes(attributes)) return true;
  int32_t level = attributes.GetLevel();
  if (direction_ == 0) {
    if (level > 1) {
      --level;
    } else {
      direction_ = 1;
    }
  } else if (level >= kTurnLevel) {
    direction_ = 0;
    if (!ShowNextEntry()) return false;
  } else {
    ++level;
  }
  attributes.SetLevel(level);
  cover_->SetPixelAttributes(attributes, false);
  // The whole screen under the cover (what lies behind the text, the text,
  // the entry's picture) is drawn again with the cover at its new level; the
  // cover alone drawn over the last frame would only ever darken it.
  if (IsShown()) {
    VRect area;
    GetGlobalBounds(area);
    VGraphicWindow* window = GetWindow();
    VGraphicObject* root = window != nullptr ? window->GetRootObject() : nullptr;
    if (root != nullptr) root->Draw(nullptr, &area, false, true);
  }
  return true;
}

bool ResourceTextControl::Step(uint32_t) {
  const uint32_t now = GetTaskTickCount();
  // Between steps the task asks for no passes: the loop may sleep until the next.
  SetNextStepTime(lastStep_ + kStepMs);
  if (now - lastStep_ < kStepMs) return true;
  const ControlLife::Watch watch = life_.MakeWatch();
  if (!Fade() || !watch.Alive()) return false;
  lastStep_ = now;
  SetNextStepTime(lastStep_ + kStepMs);
  return IsActive();
}
