// Where the tour finds its bubbles and bubble transitions: the base media ids
// of both from the category tables the shell fills at start (bubbles in table
// 1, transitions in table 8, each indexed by the item's number), and the
// application's one-shot flag that makes the next bubble picture come from
// the alternate picture of the extra archive.
#pragma once

#include <cstdint>

class ItemRef;

// Category tables of the tour's items (numbered by content, not by category).
constexpr int32_t kBubbleTable = 1;
constexpr int32_t kTransitionTable = 8;
// The alternate bubble picture: a JPEG medium of the extra archive.
constexpr uint16_t kAlternateBubblePictureId = 6010;

// The base media id of a bubble (category BU); 0 when the reference is not a
// bubble's or the table has no entry for it (entries of 0 and -1 mean none).
uint16_t GetBubbleMediaId(const ItemRef& bubble);
// The base media id of a bubble transition (category BT); 0 as above.
uint16_t GetTransitionMediaId(const ItemRef& transition);

// The one-shot flag, clear at start; the bubble picture loader clears it when
// it takes the alternate picture.
bool IsAlternateBubblePicture();
void SetAlternateBubblePicture(bool alternate);
