#include "title/tour/RoomRecord.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <string>

#include "engine/core/VString.h"
#include "engine/script/ScriptLexer.h"

namespace {

constexpr std::array<RoomRecord::Keyword, 15> kKeywords = {{
    {"Wankel0", 0, 3400},
    {"Wankel1", 1, 3410},
    {"Wankel2", 2, 3420},
    {"Wankel3", 3, 3430},
    {"Wankel4", 4, 3440},
    {"backbubbleup.bmp", 5, 3330},
    {"tobubbleup.bmp", 5, 3330},
    {"pijlup.bmp", 6, 3360},
    {"taalup.bmp", 7, 3370},
    {"woordup.bmp", 8, 3390},
    {"helpup.bmp", 9, 3350},
    {"exitup.bmp", 10, 3340},
    {"voorkantoor_up.bmp", 11, 3460},
    {"gevondenvoorwerpenup.bmp", 12, 3450},
    {"gotoroomup.bmp", 13, 3470},
}};

// The token's text as an integer, made positive and held within the
// offsets a button can take.
int32_t ReadOffset() {
  const int64_t value = VString(GetTokenText()).GetInteger();
  const int64_t magnitude = value < 0 ? -value : value;
  return static_cast<int32_t>(magnitude > RoomRecord::kMaxOffset ? RoomRecord::kMaxOffset : magnitude);
}

// The item number of a number token: 1..kMaxItems, else 0.
int32_t ItemNumber(double value) {
  if (!(value >= 1.0 && value < RoomRecord::kMaxItems + 1.0)) return 0;
  return static_cast<int32_t>(value);
}

}  // namespace

void RoomRecord::Clear() {
  items_.fill(Item{});
  buttons_.fill(Button{});
  itemCount_ = 0;
  buttonCount_ = 0;
  skipped_ = 0;
}

bool RoomRecord::Load(uint16_t mediaId) {
  Clear();
  VString text;
  if (!LoadTextMedia(text, mediaId, false)) return false;
  Read(text);
  return true;
}

void RoomRecord::Read(const VString& text) {
  Clear();
  BeginScript(text);
  while (GetTokenKind() != kTokenEnd) {
    const bool isNumber = GetTokenKind() == kTokenNumber;
    const int32_t number = isNumber ? ItemNumber(GetTokenNumber()) : 0;
    const std::string word = isNumber ? std::string() : std::string(GetTokenText());
    // x and y: an entry that the end of the text cuts short makes nothing.
    if (NextToken() == kTokenEnd) {
      ++skipped_;
      break;
    }
    const int32_t x = ReadOffset();
    if (NextToken() == kTokenEnd) {
      ++skipped_;
      break;
    }
    const int32_t y = ReadOffset();
    NextToken();

    if (isNumber) {
      if (number == 0) {
        ++skipped_;
        continue;
      }
      items_[static_cast<size_t>(number - 1)] = Item{true, x, y};
      itemCount_ = number;
      continue;
    }
    const Keyword* keyword = FindKeyword(word.c_str());
    if (keyword == nullptr || keyword->kind == kLanguageKind || buttonCount_ >= kMaxButtons) {
      ++skipped_;
      continue;
    }
    buttons_[static_cast<size_t>(buttonCount_)] = Button{keyword->kind, keyword->pictureBase, x, y};
    ++buttonCount_;
  }
}

const RoomRecord::Item& RoomRecord::GetItem(int32_t number) const {
  static const Item kAbsent;
  if (number < 1 || number > kMaxItems) return kAbsent;
  return items_[static_cast<size_t>(number - 1)];
}

const RoomRecord::Button* RoomRecord::GetButton(int32_t index) const {
  if (index < 0 || index >= buttonCount_) return nullptr;
  return &buttons_[static_cast<size_t>(index)];
}

const RoomRecord::Keyword* RoomRecord::FindKeyword(const char* word) {
  if (word == nullptr) return nullptr;
  for (const Keyword& keyword : kKeywords) {
    if (std::strcmp(keyword.word, word) == 0) return &keyword;
  }
  return nullptr;
}

bool RoomRecord::ReadBox(const VString& text, Box& box) {
  box = Box{};
  std::array<int32_t, 4> values{};
  BeginScript(text);
  for (int32_t& value : values) {
    if (GetTokenKind() == kTokenEnd) return false;
    value = ReadOffset();
    NextToken();
  }
  if (values[0] >= values[2] || values[1] >= values[3]) return false;
  box = Box{values[0], values[1], values[2], values[3]};
  return true;
}

bool RoomRecord::LoadBox(uint16_t mediaId, Box& box) {
  box = Box{};
  VString text;
  if (!LoadTextMedia(text, mediaId, false)) return false;
  return ReadBox(text, box);
}
