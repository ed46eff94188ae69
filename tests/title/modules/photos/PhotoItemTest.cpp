// Photo items: records read through the category tables (the HOTSPOTS block
// after the ID inside the record, or at the start of the item's text), the
// item's own reference from its ID, items without media, records cut short;
// the captions of hotspot regions of historical photos (bubble titles,
// relation records, "????") and of detail photos (TEXT B + 4 + i).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/VString.h"
#include "title/modules/photos/DetailPhotoItem.h"
#include "title/modules/photos/HistoricalPhotoItem.h"
#include "title/modules/photos/PhotoTestSupport.h"

namespace {

using phototest::Code;
using phototest::Item;
using phototest::Str;

std::string Hotspots(const PhotoItem& item) {
  std::string out;
  for (VListElement* e = item.GetHotspots()->GetFirst(); e != nullptr; e = e->GetNext()) {
    const auto* entry = static_cast<const HotspotEntry*>(e);
    out += std::to_string(entry->GetMaskIndex()) + "=" + Code(entry->GetItemRef()) + ";";
  }
  return out;
}

class PhotoItemTest : public phototest::PhotoFixture {};

TEST_F(PhotoItemTest, RecordsOpenWithWhatIsValid) {
  struct Case {
    const char* name;
    const char* record;  // TEXT B; null: no medium
    const char* text;    // TEXT B + 4; null: no medium
    int32_t entry;       // table 4 entry of the item
    bool loaded;
    const char* item;
    const char* hotspots;
    const char* itemText;
  };
  const Case cases[] = {
      {"hotspots after the ID inside the record",
       "DETAILPHOTO { ID DF007 HOTSPOTS { HOTSPOT { MASKINDEX 1 INFO BU012 } HOTSPOT { MASKINDEX 2 INFO VI001 } } }",
       "  Der Schreibtisch \n", 21010, true, "DF007", "1=BU012;2=VI001;", "Der Schreibtisch"},
      {"keywords without case", "detailphoto { id df002 hotspots { hotspot { maskindex 4 info sh001 } } }",
       "Tisch", 21020, true, "DF002", "4=SH001;", "Tisch"},
      {"hotspots at the start of the item's text", "DETAILPHOTO { ID DF003 }",
       "HOTSPOTS { HOTSPOT { MASKINDEX 1 INFO SH001 } }", 21030, true, "DF003", "1=SH001;", ""},
      {"record cut short inside the hotspots",
       "DETAILPHOTO { ID DF004 HOTSPOTS { HOTSPOT { MASKINDEX 1 INFO BU001 } HOTSPOT { MASKINDEX 2 IN", "Kurz",
       21040, true, "DF004", "1=BU001;", "Kurz"},
      {"record cut short after the ID", "DETAILPHOTO { ID DF005", "Ende", 21050, true, "DF005", "", "Ende"},
      {"no record block: the reference stays", "PHOTO { ID DF009 }", "Nur Text", 21060, true, "DF006", "",
       "Nur Text"},
      {"an ID naming no item is not taken", "DETAILPHOTO { ID ZZ001 }", "Text", 21070, true, "DF007", "", "Text"},
      {"no record medium", nullptr, "Text", 21080, true, "DF008", "", "Text"},
      {"table entry 0: no media", "DETAILPHOTO { ID DF001 }", "Text", 0, false, "DF009", "", ""},
      {"table entry -1: no media", "DETAILPHOTO { ID DF001 }", "Text", -1, false, "DF010", "", ""},
  };
  std::vector<std::string> lines;
  for (const Case& c : cases) {
    if (c.entry <= 0) continue;
    if (c.record != nullptr) lines.push_back(TextLine(c.entry, c.record));
    if (c.text != nullptr) lines.push_back(TextLine(c.entry + 4, c.text));
  }
  BuildArchives(lines);
  int32_t number = 0;
  for (const Case& c : cases) {
    ++number;
    SetEntry(DetailPhotoItem::kTable, number, c.entry);
    DetailPhotoItem item(ItemRef(kDetailPhotoCategory, number));
    SCOPED_TRACE(c.name);
    EXPECT_EQ(item.GetMediaBase() != 0, c.loaded);
    EXPECT_EQ(item.Load(ItemRef(kDetailPhotoCategory, number)), c.loaded);
    EXPECT_EQ(Code(item.GetItemRef()), c.item);
    EXPECT_EQ(Hotspots(item), c.hotspots);
    EXPECT_EQ(Str(item.GetItemText()), c.itemText);
    VString text;
    item.GetText(text);
    EXPECT_EQ(Str(text), c.itemText);
    const uint16_t base = static_cast<uint16_t>(c.loaded ? c.entry : 0);
    EXPECT_EQ(item.GetPictureId(), c.loaded ? base + 1 : 0);
    EXPECT_EQ(item.GetMaskPictureId(), c.loaded ? base + 2 : 0);
    EXPECT_EQ(item.GetMaskId(), c.loaded ? base + 3 : 0);
  }
}

TEST_F(PhotoItemTest, HistoricalPhotoCaptionsNameBubblesAndPersons) {
  BuildArchives({
      TextLine(20000,
               "HISTORICALPHOTO { ID HP001 HOTSPOTS { HOTSPOT { MASKINDEX 1 INFO BU003 } HOTSPOT { MASKINDEX 2 "
               "INFO PE001 } HOTSPOT { MASKINDEX 3 INFO VI001 } HOTSPOT { MASKINDEX 4 INFO BU004 } HOTSPOT { "
               "MASKINDEX 5 INFO PE009 } HOTSPOT { MASKINDEX 6 INFO BU005 } } }"),
      TextLine(20004, "Der Garten um 1910"),
      // The title of BU003; BU004 has a script but no title; BU005 nothing.
      TextLine(3000, "BUBBLE { ID BU003 }"),
      TextLine(3002, "Salon"),
      TextLine(3100, "BUBBLE { ID BU004 }"),
      // The relations table: record number 1 (id 0), no links.
      TextLine(12102, "1 0 5101 0 40 300 \"Gaertner\" 0\n"),
  });
  SetEntry(HistoricalPhotoItem::kTable, 1, 20000);
  SetEntry(1, 3, 3000);
  SetEntry(1, 4, 3100);
  const HistoricalPhotoItem item(Item("HP001"));
  EXPECT_EQ(item.GetCaptionPictureId(), 20005);
  const std::vector<std::pair<int32_t, const char*>> cases = {
      {1, "Salon"},  // a bubble: its title
      {2, "Gaertner"},  // person 1: relation record 0
      {3, "????"},  // neither bubble nor person
      {4, "????"},  // a bubble without a title
      {5, "????"},  // a person without a record
      {6, "????"},  // a bubble without media
      {7, "????"},  // a region without a hotspot
      {0, "????"},
  };
  for (const auto& [index, want] : cases) {
    VString text;
    item.GetHotspotText(text, index);
    EXPECT_EQ(Str(text), want) << index;
    item.GetRegionCaption(index, text);
    EXPECT_EQ(Str(text), want) << index;
  }
  VString text;
  item.GetText(text);
  EXPECT_EQ(Str(text), "Der Garten um 1910");

  // Without media nothing is read, and the caption picture is none.
  const HistoricalPhotoItem none(Item("HP002"));
  EXPECT_EQ(none.GetCaptionPictureId(), 0);
  EXPECT_EQ(none.GetPictureId(), 0);
  none.GetHotspotText(text, 1);
  EXPECT_EQ(Str(text), "????");
}

TEST_F(PhotoItemTest, DetailPhotoCaptionsFollowTheItemText) {
  BuildArchives({
      TextLine(21000,
               "DETAILPHOTO { ID DF001 HOTSPOTS { HOTSPOT { MASKINDEX 1 INFO SH001 } HOTSPOT { MASKINDEX 2 INFO "
               "VI001 } HOTSPOT { MASKINDEX 3 INFO BU002 } } }"),
      TextLine(21004, "Schreibtisch"), TextLine(21005, "Das Kassenbuch"), TextLine(21006, "Das Tintenfass"),
      TextLine(21007, "Die Tuer"), TextLine(21008, "not a hotspot's"),
  });
  SetEntry(DetailPhotoItem::kTable, 1, 21000);
  const DetailPhotoItem item(Item("DF001"));
  EXPECT_EQ(item.GetHotspotCount(), 3);
  const std::vector<std::pair<int32_t, const char*>> cases = {
      {0, ""}, {1, "Das Kassenbuch"}, {2, "Das Tintenfass"}, {3, "Die Tuer"}, {4, ""}, {-1, ""},
  };
  for (const auto& [index, want] : cases) {
    VString text("stale");
    item.GetHotspotText(text, index);
    EXPECT_EQ(Str(text), want) << index;
  }
}

}  // namespace
