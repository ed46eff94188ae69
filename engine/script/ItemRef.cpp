#include "engine/script/ItemRef.h"

#include "engine/script/EventRecordHook.h"
#include "engine/script/ScriptLexer.h"
#include "engine/script/VisitHistory.h"
#include "engine/core/VString.h"

namespace {

constexpr const char* kCategoryCodes[kCategoryCodeCount] = {
    "XX", "BU", "BH", "DF", "EV", "SH", "VI", "BT", "HP", "AS", "PE", "ST", "TL", "XX",
};

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// How the history treats a category: whether its flag can be asked and set.
bool AsksHistoryFlag(int32_t category) {
  switch (category) {
    case 1: case 3: case 5: case 6: case 7: case 8: case 10:
      return true;
    default:
      return false;
  }
}

bool SetsHistoryFlag(int32_t category) { return AsksHistoryFlag(category) || category == 2 || category == 9; }

}  // namespace

int32_t FindCategoryCode(const char* chars) {
  if (chars == nullptr || chars[0] == '\0') return 0;
  const char first = UpperAscii(chars[0]);
  const char second = UpperAscii(chars[1]);
  for (int32_t index = 12; index >= 0; --index) {
    if (kCategoryCodes[index][0] == first && kCategoryCodes[index][1] == second) return index;
  }
  return 0;
}

const char* GetCategoryCode(int32_t index) {
  if (index < 0 || index >= kCategoryCodeCount) return kCategoryCodes[0];
  return kCategoryCodes[index];
}

void ItemRef::ParseItemRef(const VString& text) {
  if (text.GetLength() < 5) return;
  const char code[3] = {static_cast<char>(text.GetCharAt(0)), static_cast<char>(text.GetCharAt(1)), '\0'};
  category_ = FindCategoryCode(code);
  // The three characters are taken as digits without checking them; each lies
  // in 0..255, so the sum cannot overflow.
  number_ = 100 * (static_cast<int32_t>(text.GetCharAt(2)) - '0') +
            10 * (static_cast<int32_t>(text.GetCharAt(3)) - '0') + (static_cast<int32_t>(text.GetCharAt(4)) - '0');
}

bool ItemRef::FormatItemRef(char (&out)[6]) const {
  out[0] = '\0';
  if (number_ < 0 || number_ > kMaxNumber || category_ < 0 || category_ >= kCategoryCodeCount) return false;
  const char* code = kCategoryCodes[category_];
  out[0] = code[0];
  out[1] = code[1];
  out[2] = static_cast<char>('0' + number_ / 100);
  out[3] = static_cast<char>('0' + number_ / 10 % 10);
  out[4] = static_cast<char>('0' + number_ % 10);
  out[5] = '\0';
  return true;
}

bool ItemRef::FormatItemRef(VString& out) const {
  char text[6];
  const bool formatted = FormatItemRef(text);
  out.Assign(text);
  return formatted;
}

// An event answers through its key. The key is followed one level only: a key
// that is itself an event (an event naming itself, or a chain of events) is
// answered by its own history flag, so a loop of events cannot recurse forever.
bool ItemRef::IsVisitedAtDepth(int depth) const {
  if (category_ == kEventCategory) {
    if (depth > 0) return GetHistoryFlag(*this);
    std::unique_ptr<EventRecordInterface> record = CreateEventRecord(*this);
    if (!record) return false;
    ItemRef key;
    record->GetEventKey(key);
    record.reset();
    return key.IsVisitedAtDepth(depth + 1);
  }
  return AsksHistoryFlag(category_) && GetHistoryFlag(*this);
}

bool ItemRef::MarkVisitedAtDepth(int depth) const {
  if (category_ == kEventCategory) {
    const bool own = SetHistoryFlag(*this);
    if (depth > 0) return own;
    std::unique_ptr<EventRecordInterface> record = CreateEventRecord(*this);
    if (!record) return false;
    ItemRef key;
    record->GetEventKey(key);
    record.reset();
    return key.MarkVisitedAtDepth(depth + 1);
  }
  if (!SetsHistoryFlag(category_)) return false;
  return SetHistoryFlag(*this);
}

bool ItemRef::IsItemVisited() const { return IsVisitedAtDepth(0); }

bool ItemRef::MarkItemVisited() const { return MarkVisitedAtDepth(0); }

bool ReadLeadingItemRef(const VString& text, ItemRef& out) {
  BeginScript(text);
  if (GetTokenKind() != kTokenWord) return false;
  out.ParseItemRef(VString(GetTokenText()));
  return true;
}
