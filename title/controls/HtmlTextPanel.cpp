#include "title/controls/HtmlTextPanel.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "engine/controls/VHTMLTextControl.h"
#include "engine/controls/VPictureButton.h"
#include "engine/controls/VPictureControl.h"
#include "engine/controls/VPictureScrollBar.h"
#include "engine/controls/VSlider.h"
#include "engine/controls/VTextBox.h"
#include "engine/graphics/VPicture.h"
#include "engine/script/ScriptLexer.h"
#include "engine/sound/SoundManager.h"

namespace {

constexpr int32_t kBarHeight = 187;
constexpr int32_t kArrowHeight = 13;

bool ContainsHtmlTag(const std::string& text) {
  static const char kTag[] = "<html>";
  const size_t n = sizeof(kTag) - 1;
  if (text.size() < n) return false;
  for (size_t i = 0; i + n <= text.size(); ++i) {
    size_t k = 0;
    while (k < n && std::tolower(static_cast<unsigned char>(text[i + k])) == kTag[k]) ++k;
    if (k == n) return true;
  }
  return false;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  size_t pos = 0;
  while ((pos = text.find(from, pos)) != std::string::npos) {
    text.replace(pos, from.size(), to);
    pos += to.size();
  }
}

}  // namespace

void HtmlTextPanel::PrepareText(const VString& in, VString& out) {
  const char* chars = in.GetChars();
  std::string text(chars != nullptr ? chars : "",
                   static_cast<size_t>(std::clamp(chars != nullptr ? in.GetLength() : 0, 0, kMaxTextLength)));
  if (ContainsHtmlTag(text)) {
    out = VString(text.c_str());
    return;
  }
  text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }), text.end());
  ReplaceAll(text, ":  <BR>", ":<BR>");
  ReplaceAll(text, ": <BR>", ":<BR>");
  static const std::string kAfterLabel = "</font><font resid=503>";
  static const std::string kBeforeLabel = "</font><font resid=502>";
  // One pass: each label runs from its line start (the last <BR> before the
  // colon, or the text's start) to the colon.
  std::string marked;
  marked.reserve(text.size() + text.size() / 2);
  size_t copied = 0;
  size_t colon;
  while ((colon = text.find(":<BR>", copied)) != std::string::npos) {
    size_t lineStart = 0;
    if (colon > 0) {
      const size_t br = text.rfind("<BR>", colon - 1);
      if (br != std::string::npos) lineStart = std::max(br, copied);
    }
    lineStart = std::max(lineStart, copied);
    marked.append(text, copied, lineStart - copied);
    marked += kBeforeLabel;
    marked.append(text, lineStart, colon + 1 - lineStart);
    marked += kAfterLabel;
    copied = colon + 1;
  }
  marked.append(text, copied, std::string::npos);
  text.swap(marked);
  text = "<html><body><font resID=503>" + text + "</font></body></html>";
  out = VString(text.c_str());
}

HtmlTextPanel::HtmlTextPanel(int32_t id, uint16_t titleId, const char* path, int32_t left, int32_t top,
                             int32_t layer, int32_t width, int32_t height, VGraphicObject* parent)
    : VControl(kKind, id, left, top, layer, width, height, parent), titleId_(titleId), layer_(layer) {
  VString text;
  LoadTextFile(text, path != nullptr ? path : "", false);
  Build(&text);
}

HtmlTextPanel::HtmlTextPanel(int32_t id, uint16_t titleId, uint16_t textMediaId, int32_t left, int32_t top,
                             int32_t layer, int32_t width, int32_t height, VGraphicObject* parent)
    : VControl(kKind, id, left, top, layer, width, height, parent), titleId_(titleId), layer_(layer) {
  VString text;
  Build(LoadTextMedia(text, textMediaId, false) ? &text : nullptr);
}

HtmlTextPanel::HtmlTextPanel(int32_t id, uint16_t titleId, const VString& text, int32_t left, int32_t top,
                             int32_t layer, int32_t width, int32_t height, VGraphicObject* parent)
    : VControl(kKind, id, left, top, layer, width, height, parent), titleId_(titleId), layer_(layer) {
  Build(&text);
}

HtmlTextPanel::~HtmlTextPanel() {
  SoundManager& sounds = GetSoundManager();
  sounds.ReleaseSound(kSoundClose);
  sounds.ReleaseSound(kSoundOverClose);
}

void HtmlTextPanel::Build(const VString* text) {
  SoundManager& sounds = GetSoundManager();
  sounds.AcquireSound(kSoundClose);
  sounds.AcquireSound(kSoundOverClose);
  if (text == nullptr) return;  // no text: nothing more to show
  new VPictureControl(kBackgroundId, uint16_t{12106}, 0, 121, layer_, 0, 0, this);
  new VPictureButton(kCloseButtonId, uint16_t{12103}, uint16_t{12105}, uint16_t{12104}, uint16_t{0}, VPoint(353, 131),
                     layer_ + 1, 0, 0, this);
  new VPictureControl(kTitleId, titleId_, 128, 3, layer_, 0, 0, this);
  auto* prepared = new VString();
  PrepareText(*text, *prepared);
  text_ = new VHTMLTextControl(kTextId, 20, 140, 1, 310, 200, nullptr, nullptr, nullptr, kAlignLeft, false, 0, this);
  // The panel's background picture shows through around the letters.
  text_->SetTransparent(true);
  text_->SetText(prepared, false);  // the control takes the string
  UpdateScrollBar();
}

void HtmlTextPanel::UpdateScrollBar() {
  if (text_ == nullptr) return;
  text_->UpdateLayout();
  const int64_t maximum =
      static_cast<int64_t>(text_->GetTextHeight()) + text_->GetTopMargin() - text_->GetHeight();
  if (maximum <= 0) return;
  if (VGraphicObject* old = FindById(kScrollBarId, false); old != nullptr && old != this) {
    if (old == bar_) bar_ = nullptr;
    text_->SetScrollBar(nullptr, 0);
    delete old;
  }
  // The thumb travels 160 pixels whatever its own height.
  VPicture* thumbPicture = new VPicture(uint16_t{12901});
  const int32_t thumbHeight = std::max(thumbPicture->GetHeight(), 0);
  auto* thumb = new VSliderThumb(kThumbId, thumbPicture, nullptr, nullptr, nullptr, 1, kArrowHeight, layer_ + 2, 7,
                                 kThumbTravel + thumbHeight, nullptr);
  thumbPicture->Release();
  auto* track = new VPictureButton(kTrackId, uint16_t{12900}, uint16_t{0}, uint16_t{0}, uint16_t{0}, VPoint(0, 0),
                                   layer_, 9, kBarHeight, nullptr);
  auto* up = new VPictureButton(kUpButtonId, uint16_t{12910}, uint16_t{12912}, uint16_t{12911}, uint16_t{0},
                                VPoint(0, 0), layer_ + 1, 9, kArrowHeight, nullptr);
  auto* down = new VPictureButton(kDownButtonId, uint16_t{12920}, uint16_t{12922}, uint16_t{12921}, uint16_t{0},
                                  VPoint(0, kBarHeight - kArrowHeight - 1), layer_ + 1, 9, kArrowHeight, nullptr);
  for (VPictureButton* arrow : {up, down}) {
    arrow->SetRepeatDelay(75);
    arrow->SetRepeatInterval(45);
  }
  const int32_t clamped = static_cast<int32_t>(std::min<int64_t>(maximum, INT32_MAX));
  bar_ = new VPictureScrollBar(kScrollBarId, 0, clamped, 354, 150, layer_ + 1, 9, kBarHeight, thumb, track, up, down,
                               this);
  bar_->SetLineStep(4);
  bar_->SetSmooth(false);
  text_->ScrollTo(0, 0);
  text_->SetScrollBar(bar_, 0);
}

void HtmlTextPanel::Close() {
  GetSoundManager().TriggerSound(kSoundClose);
  SetVisible(false, true);
  SendControlEvent(*this, kMessageClosed, 0);
}

bool HtmlTextPanel::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  if (static_cast<int32_t>(value1) == kCloseButtonId) {
    if (code == kEventButtonClicked) {
      Close();
      return true;
    }
    if (code == kEventButtonEntered) GetSoundManager().TriggerSound(kSoundOverClose);
  }
  return VControl::HandleEvent(code, value1, value2);
}
