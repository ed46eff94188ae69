// A room record of the room overlay: the buttons placed on a room's plan,
// read from a TEXT medium with the script tokenizer as entries of three
// tokens each, up to the end of the text:
//   n x y        item button n (1..10)
//   keyword x y  a navigation button of the keyword's kind
// x and y are read as integers (0 when a token holds none) and taken as
// their absolute values, offsets from the top-left of the plan.
//
// What the overlay can hold and nothing more is kept: item numbers outside
// 1..10, keywords not in the table (or of the language kind, which has no
// button) and navigation buttons beyond the tenth are skipped, as is an
// entry cut short by the end of the text. A number read again moves its
// button; numbers need not ascend (the item count is the last one read).
//
// A room may also have a box on the plan (a TEXT medium of its own beside
// the record): four integers left, top, right and bottom, offsets from the
// plan's top-left read like the buttons' offsets; a click in the box chooses
// the room.
#pragma once

#include <array>
#include <cstdint>

class VString;

class RoomRecord {
 public:
  static constexpr int32_t kMaxItems = 10;
  static constexpr int32_t kMaxButtons = 10;
  static constexpr int32_t kKindCount = 14;
  // The kind of "taalup.bmp", which makes no button.
  static constexpr int32_t kLanguageKind = 7;
  // Offsets are held at this, so that placing a button never overflows.
  static constexpr int32_t kMaxOffset = 32767;

  struct Keyword {
    const char* word;
    int32_t kind;
    uint16_t pictureBase;
  };
  struct Button {
    int32_t kind = 0;
    uint16_t pictureBase = 0;
    int32_t x = 0;
    int32_t y = 0;
  };
  struct Item {
    bool present = false;
    int32_t x = 0;
    int32_t y = 0;
  };
  struct Box {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
  };

  // Replaces what was read before with the text's entries.
  void Read(const VString& text);
  // Clears the record, then reads the TEXT medium (an empty record when it
  // cannot be read); false when the medium was not read.
  bool Load(uint16_t mediaId);
  void Clear();

  // The last item number read (0 for none).
  int32_t GetItemCount() const { return itemCount_; }
  // Item n (1..kMaxItems); an absent item for any other number.
  const Item& GetItem(int32_t number) const;
  int32_t GetButtonCount() const { return buttonCount_; }
  // Navigation button 0..count - 1 in record order; null for others.
  const Button* GetButton(int32_t index) const;
  // Entries read that made no button.
  int32_t GetSkippedCount() const { return skipped_; }

  // The keyword's row (exact, case-sensitive match); null when the table
  // has none.
  static const Keyword* FindKeyword(const char* word);

  // A room's box on the plan from its text; false (and no box) unless the
  // text begins with four tokens that give a box of some width and height.
  static bool ReadBox(const VString& text, Box& box);
  // The same from a TEXT medium; false when it cannot be read.
  static bool LoadBox(uint16_t mediaId, Box& box);

 private:
  std::array<Item, kMaxItems> items_{};
  std::array<Button, kMaxButtons> buttons_{};
  int32_t itemCount_ = 0;
  int32_t buttonCount_ = 0;
  int32_t skipped_ = 0;
};
