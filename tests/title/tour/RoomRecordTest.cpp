// The room records of the room overlay and its room table: entries of three
// tokens (a number or a keyword, then x and y as positive offsets), what
// the overlay can hold and nothing more (item numbers 1..10, ten navigation
// buttons, keywords of the table but the language one), records cut short,
// and the room table's look-ups.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/VString.h"
#include "title/tour/RoomRecord.h"
#include "title/tour/RoomTable.h"

namespace {

// "n@x,y" for the items present, then "kind@x,y" for the buttons.
std::string Describe(const RoomRecord& record) {
  std::string out;
  for (int32_t n = 1; n <= RoomRecord::kMaxItems; ++n) {
    const RoomRecord::Item& item = record.GetItem(n);
    if (item.present) out += "i" + std::to_string(n) + "@" + std::to_string(item.x) + "," + std::to_string(item.y) + " ";
  }
  for (int32_t i = 0; i < record.GetButtonCount(); ++i) {
    const RoomRecord::Button* b = record.GetButton(i);
    out += "k" + std::to_string(b->kind) + "@" + std::to_string(b->x) + "," + std::to_string(b->y) + " ";
  }
  return out;
}

std::string Repeat(const std::string& entry, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += entry;
  return out;
}

TEST(RoomRecord, ReadsEntriesAndKeepsOnlyWhatTheOverlayHolds) {
  const struct {
    const char* name;
    std::string text;
    std::string buttons;
    int32_t itemCount;
    int32_t skipped;
  } cases[] = {
      {"empty", "", "", 0, 0},
      {"comment only", "<Raum 3: Stube>", "", 0, 0},
      {"items and buttons", "<Raum 1> 1 30 60 2 12 40 tobubbleup.bmp 50 80 exitup.bmp 280 230",
       "i1@30,60 i2@12,40 k5@50,80 k10@280,230 ", 2, 0},
      {"negative offsets are made positive", "helpup.bmp 10 -20 3 -5 7", "i3@5,7 k9@10,20 ", 3, 0},
      {"words as offsets read as 0, digits inside them count", "pijlup.bmp abc x12", "k6@0,12 ", 0, 0},
      {"numbers outside 1..10", "0 1 1 11 2 2 -3 3 3 100000 4 4 0.5 5 5 10 6 6", "i10@6,6 ", 10, 5},
      {"a fraction is its whole part", "2.9 1 1", "i2@1,1 ", 2, 0},
      {"numbers that do not ascend: the count is the last read", "5 1 1 2 2 2", "i2@2,2 i5@1,1 ", 2, 0},
      {"a number read again moves its button", "4 1 1 4 9 9", "i4@9,9 ", 4, 0},
      {"unknown, differently cased and language keywords", "Helpup.bmp 1 1 taalup.bmp 2 2 foo 3 3 { 4 4",
       "", 0, 4},
      {"every keyword of the table",
       "Wankel0 0 0 Wankel1 1 0 Wankel2 2 0 Wankel3 3 0 Wankel4 4 0 backbubbleup.bmp 5 0 tobubbleup.bmp 6 0 "
       "pijlup.bmp 7 0 woordup.bmp 8 0 helpup.bmp 9 0",
       "k0@0,0 k1@1,0 k2@2,0 k3@3,0 k4@4,0 k5@5,0 k5@6,0 k6@7,0 k8@8,0 k9@9,0 ", 0, 0},
      {"more than ten keywords",
       Repeat("exitup.bmp 1 1 ", 10) + "voorkantoor_up.bmp 2 2 gevondenvoorwerpenup.bmp 3 3 gotoroomup.bmp 4 4",
       Repeat("k10@1,1 ", 10), 0, 3},
      {"cut short after x", "1 5 5 helpup.bmp 7", "i1@5,5 ", 1, 1},
      {"cut short after the first token", "1 5 5 2", "i1@5,5 ", 1, 1},
      {"huge offsets are held", "1 99999999999 -2147483648", "i1@32767,32767 ", 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RoomRecord record;
    record.Read(VString(c.text.c_str()));
    EXPECT_EQ(Describe(record), c.buttons);
    EXPECT_EQ(record.GetItemCount(), c.itemCount);
    EXPECT_EQ(record.GetSkippedCount(), c.skipped);
    EXPECT_LE(record.GetButtonCount(), RoomRecord::kMaxButtons);
  }
}

TEST(RoomRecord, AHundredThousandEntriesKeepTheirLimits) {
  std::string text;
  for (int i = 0; i < 50000; ++i) text += std::to_string(i % 13) + " 1 2 helpup.bmp 3 4\n";
  RoomRecord record;
  record.Read(VString(text.c_str()));
  EXPECT_EQ(record.GetButtonCount(), RoomRecord::kMaxButtons);
  EXPECT_EQ(record.GetItemCount(), 1) << "the last number read: 49999 % 13";
  for (int32_t n = 1; n <= 10; ++n) EXPECT_TRUE(record.GetItem(n).present) << n;
  EXPECT_FALSE(record.GetItem(0).present);
  EXPECT_FALSE(record.GetItem(11).present);
  EXPECT_EQ(record.GetButton(RoomRecord::kMaxButtons), nullptr);
  EXPECT_EQ(record.GetButton(-1), nullptr);
}

// A room's box on the plan: four offsets read like a record's, of some
// width and height; anything else gives no box.
TEST(RoomRecord, ReadsARoomsBoxOnThePlan) {
  const struct {
    const char* text;
    const char* box;  // "left,top,right,bottom", or "" for none
  } cases[] = {
      {"15 79 61 134", "15,79,61,134"},
      {"<Raum 1: Kueche> 15 79 61 134 weiter", "15,79,61,134"},
      {"-15 79 61 -134", "15,79,61,134"},
      {"15 79 61", ""},
      {"", ""},
      {"15 79 15 134", ""},
      {"61 79 15 134", ""},
      {"15 134 61 79", ""},
      {"a b c d", ""},
      {"0 0 99999999 99999999", "0,0,32767,32767"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    RoomRecord::Box box;
    const bool read = RoomRecord::ReadBox(VString(c.text), box);
    const std::string got = read ? std::to_string(box.left) + "," + std::to_string(box.top) + "," +
                                       std::to_string(box.right) + "," + std::to_string(box.bottom)
                                 : "";
    EXPECT_EQ(got, c.box);
    EXPECT_EQ(read, *c.box != '\0');
  }
}

TEST(RoomTable, FindsRoomsByAreaFloorAndKey) {
  EXPECT_EQ(RoomTable::FindRoom(4, 1), 4);
  EXPECT_EQ(RoomTable::FindRoom(4, 2), 10);
  EXPECT_EQ(RoomTable::FindRoom(7, 2), 7);
  EXPECT_EQ(RoomTable::FindRoom(6, 1), 9);
  EXPECT_EQ(RoomTable::FindRoom(0, 2), RoomTable::kNoRoom);
  EXPECT_EQ(RoomTable::FindRoom(10, 1), RoomTable::kNoRoom);
  EXPECT_EQ(RoomTable::FindRoom(-1, 1), RoomTable::kNoRoom);
  EXPECT_EQ(RoomTable::FindRoomByKey(1), 4);
  EXPECT_EQ(RoomTable::FindRoomByKey(-1), 0);
  EXPECT_EQ(RoomTable::FindRoomByKey(13), 11);
  EXPECT_EQ(RoomTable::FindRoomByKey(7), 0) << "a key no room has opens room 0";
  EXPECT_EQ(RoomTable::FindRoomByKey(99), 0);
  EXPECT_EQ(RoomTable::GetTextBase(0), 18078);
  EXPECT_EQ(RoomTable::GetTextBase(12), 18218);
  EXPECT_EQ(RoomTable::GetTextBase(13), 0);
  EXPECT_EQ(RoomTable::GetTextBase(-1), 0);
  // Every area has a ground-floor room, and every floor the buttons can ask
  // for exists.
  for (int32_t area = 0; area < RoomTable::kAreaCount; ++area) EXPECT_NE(RoomTable::FindRoom(area, 1), -1) << area;
  for (int32_t room = 0; room < RoomTable::kRoomCount; ++room) {
    const RoomTable::Room* row = RoomTable::GetRoom(room);
    for (int32_t floor = 1; floor <= row->floors; ++floor) EXPECT_NE(RoomTable::FindRoom(row->area, floor), -1);
  }
  // The rooms list: every room once, by area, the ground floor first.
  EXPECT_EQ(RoomTable::ListOrder(), (std::vector<int32_t>{0, 11, 1, 3, 4, 10, 8, 9, 6, 5, 7, 2, 12}));
}

}  // namespace
