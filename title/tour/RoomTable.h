// The rooms of the room overlay, fixed in the program: thirteen rooms, each
// in one of ten areas of the house, on a floor of its area, reached from the
// screen the overlay opens over by a key, and with its texts at 18000 plus
// its text offset (name, title, text, then a title and a text per item).
#pragma once

#include <cstdint>
#include <vector>

class RoomTable {
 public:
  static constexpr int32_t kRoomCount = 13;
  static constexpr int32_t kAreaCount = 10;
  static constexpr int32_t kNoRoom = -1;
  static constexpr int32_t kFirstTextId = 18000;

  struct Room {
    int32_t area;
    int32_t key;
    int32_t floor;
    int32_t floors;
    int32_t textOffset;
  };

  // The room's row; null outside 0..kRoomCount - 1.
  static const Room* GetRoom(int32_t room);
  // The first room of the area on the floor; kNoRoom when none.
  static int32_t FindRoom(int32_t area, int32_t floor);
  // The first room with the key; room 0 when none has it.
  static int32_t FindRoomByKey(int32_t key);
  // The id of the room's name text (18000 + its text offset); 0 for no room.
  static uint16_t GetTextBase(int32_t room);
  // Every room in the order of the rooms list: by area, and within an area
  // by floor, the ground floor first.
  static std::vector<int32_t> ListOrder();
};
