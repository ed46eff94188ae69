#include "title/tour/RoomTable.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace {

constexpr std::array<RoomTable::Room, RoomTable::kRoomCount> kRooms = {{
    {0, -1, 1, 1, 78},
    {2, 12, 1, 1, 87},
    {8, 14, 1, 1, 96},
    {3, 0, 1, 1, 109},
    {4, 1, 1, 2, 118},
    {7, 8, 1, 2, 131},
    {6, 5, 2, 2, 140},
    {7, 9, 2, 2, 159},
    {5, 3, 1, 1, 168},
    {6, 2, 1, 2, 181},
    {4, 4, 2, 2, 198},
    {1, 13, 1, 1, 211},
    {9, 6, 1, 1, 218},
}};

}  // namespace

const RoomTable::Room* RoomTable::GetRoom(int32_t room) {
  if (room < 0 || room >= kRoomCount) return nullptr;
  return &kRooms[static_cast<size_t>(room)];
}

int32_t RoomTable::FindRoom(int32_t area, int32_t floor) {
  for (int32_t room = 0; room < kRoomCount; ++room) {
    if (kRooms[static_cast<size_t>(room)].area == area && kRooms[static_cast<size_t>(room)].floor == floor) {
      return room;
    }
  }
  return kNoRoom;
}

int32_t RoomTable::FindRoomByKey(int32_t key) {
  for (int32_t room = 0; room < kRoomCount; ++room) {
    if (kRooms[static_cast<size_t>(room)].key == key) return room;
  }
  return 0;
}

uint16_t RoomTable::GetTextBase(int32_t room) {
  const Room* row = GetRoom(room);
  return row != nullptr ? static_cast<uint16_t>(kFirstTextId + row->textOffset) : uint16_t{0};
}

std::vector<int32_t> RoomTable::ListOrder() {
  std::vector<int32_t> rooms;
  for (int32_t room = 0; room < kRoomCount; ++room) {
    const Room& row = kRooms[static_cast<size_t>(room)];
    if (row.area >= 0 && row.area < kAreaCount) rooms.push_back(room);
  }
  std::stable_sort(rooms.begin(), rooms.end(), [](int32_t a, int32_t b) {
    const Room& ra = kRooms[static_cast<size_t>(a)];
    const Room& rb = kRooms[static_cast<size_t>(b)];
    return ra.area != rb.area ? ra.area < rb.area : ra.floor < rb.floor;
  });
  return rooms;
}
