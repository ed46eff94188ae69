// Item references: a two-letter category code and a number 0..999 naming one
// content item ("BU001"). They key navigation, script records and the visit
// history; the visit flags go through the history service (VisitHistory.h).
#pragma once

#include <cstdint>

class VString;

// Category indexes 1..12 number the title's per-category tables and the lines
// of the visit history; 0 stands for no category. Events (category 4) keep
// their visit flag under another item, their key.
constexpr int32_t kNoCategory = 0;
constexpr int32_t kEventCategory = 4;
// The categories by their codes (BU bubble, DF detail photo, SH slide show,
// VI video, BT bubble transition, HP historical photo, AS aspect, PE person
// of the relations).
constexpr int32_t kBubbleCategory = 1;
constexpr int32_t kDetailPhotoCategory = 3;
constexpr int32_t kSlideShowCategory = 5;
constexpr int32_t kVideoCategory = 6;
constexpr int32_t kTransitionCategory = 7;
constexpr int32_t kHistoricalPhotoCategory = 8;
constexpr int32_t kAspectCategory = 9;
constexpr int32_t kPersonCategory = 10;
// Codes exist for the indexes 0..13; 13 is a second "XX" no lookup returns.
constexpr int32_t kCategoryCodeCount = 14;

class ItemRef {
 public:
  static constexpr int32_t kMaxNumber = 999;
  static constexpr int32_t kFirstCategory = 1;
  static constexpr int32_t kLastCategory = 12;

  // Number 0, category 0.
  constexpr ItemRef() = default;
  // Note the order: category first, then number.
  constexpr ItemRef(int32_t category, int32_t number) : number_(number), category_(category) {}

  constexpr int32_t GetNumber() const { return number_; }
  constexpr int32_t GetCategory() const { return category_; }
  void Set(int32_t category, int32_t number) {
    category_ = category;
    number_ = number;
  }

  // Reads a reference from its text form: the category from the first two
  // characters (0 when not a known code), the number from the characters 2..4
  // as decimal digits (not checked to be digits). Texts shorter than 5
  // characters leave the reference unchanged. Characters after the fifth are
  // ignored.
  void ParseItemRef(const VString& text);

  // Writes the text form ParseItemRef reads back: the two-letter code and the
  // number in exactly three digits ("BU001"). False (and an empty text) when
  // the number is outside 0..999 or the category outside 0..13; categories 0
  // and 13 print as "XX".
  bool FormatItemRef(char (&out)[6]) const;
  // The same into a VString (cleared on failure).
  bool FormatItemRef(VString& out) const;

  bool ItemRefEquals(const ItemRef& other) const {
    return number_ == other.number_ && category_ == other.category_;
  }
  // Category 1..12 and number 0..999.
  bool IsItemRefValid() const {
    return category_ >= kFirstCategory && category_ <= kLastCategory && number_ >= 0 && number_ <= kMaxNumber;
  }

  // Whether the user has seen the item, by category: the history flag for
  // categories 1, 3, 5, 6, 7, 8 and 10; for events (4) the flag of the event's
  // key (EventRecordHook.h); false for every other category.
  bool IsItemVisited() const;
  // Marks the item seen: sets the history flag for categories 1, 2, 3, 5..10;
  // an event (4) sets its own flag and then marks its key. Returns the result
  // of the last flag set; false for categories 0, 11, 12 and others.
  bool MarkItemVisited() const;
  bool IsVisited() const { return IsItemVisited(); }
  bool MarkVisited() const { return MarkItemVisited(); }

  friend constexpr bool operator==(const ItemRef& a, const ItemRef& b) {
    return a.number_ == b.number_ && a.category_ == b.category_;
  }
  friend constexpr bool operator!=(const ItemRef& a, const ItemRef& b) { return !(a == b); }

 private:
  bool IsVisitedAtDepth(int depth) const;
  bool MarkVisitedAtDepth(int depth) const;

  int32_t number_ = 0;
  int32_t category_ = 0;
};

// The category index of the two-letter code at the start of a zero-terminated
// text (compared without case; searched from 12 down to 0), 0 when none
// matches or the text is null or shorter than two characters.
int32_t FindCategoryCode(const char* chars);
// The two-letter code of a category index 0..13 (static text); "XX" for any
// other index.
const char* GetCategoryCode(int32_t index);

// A link text's item: the text's first script token, when it is a word (or
// a quoted string), read into `out` as ParseItemRef reads it (a word shorter
// than five characters leaves `out` as it was). False, `out` untouched, when
// the text does not begin with a word. Starts the script tokenizer on the
// text.
bool ReadLeadingItemRef(const VString& text, ItemRef& out);
