// Linked-record tables: a small in-memory database read from one TEXT medium.
// Each record has an id, up to two ids of records it links to, a few numbers
// and a text; the table finds records by id and the records that link to one.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/core/VLinkedList.h"

class VString;
class VTextFile;

class LinkedRecord : public VListElement {
 public:
  static constexpr int32_t kMaxLinkedIds = 2;

  // Id -1, no linked ids, numbers A, B and the media id -1 (0xFFFF), D and E
  // 0, no text.
  LinkedRecord();
  ~LinkedRecord() override;

  // Stores every field. At most kMaxLinkedIds of `count` ids are kept (a
  // negative count keeps none); `ids` may be null when count is 0. The text is
  // copied (null: no text).
  void Set(int32_t id, int32_t count, const int32_t* ids, int16_t a, int16_t b, int16_t mediaId, int32_t d,
           int32_t e, const VString* text);
  // Replaces the text with a copy (null: no text).
  void SetText(const VString* text);
  void SetMediaId(int16_t mediaId) { mediaId_ = mediaId; }

  int32_t GetId() const { return id_; }
  // Copies the linked ids into `out` (room for kMaxLinkedIds) and returns
  // their count.
  int32_t GetLinkedIds(int32_t* out) const;
  // The record's text, owned by the record (valid until the record is changed
  // or destroyed); null when it has none.
  const VString* GetText() const { return text_.get(); }
  int16_t GetNumberA() const { return numberA_; }
  int16_t GetNumberB() const { return numberB_; }
  int16_t GetMediaId() const { return mediaId_; }
  int32_t GetNumberD() const { return numberD_; }
  int32_t GetNumberE() const { return numberE_; }

 private:
  int32_t id_ = -1;
  int32_t linkedCount_ = 0;
  int32_t linkedIds_[kMaxLinkedIds] = {-1, -1};
  int16_t numberA_ = -1;
  int16_t numberB_ = -1;
  int16_t mediaId_ = -1;
  int32_t numberD_ = 0;
  int32_t numberE_ = 0;
  std::unique_ptr<VString> text_;
};

// The records in file order; the table owns them.
class LinkedRecordTable : public VLinkedList {
 public:
  // An empty table, not loaded.
  LinkedRecordTable() = default;
  // An empty table, then Load(mediaId).
  explicit LinkedRecordTable(uint16_t mediaId);

  // Reads the records of the TEXT medium `mediaId` from the archive that
  // serves it and appends them. True once the medium could be opened, however
  // many records it held; the loaded flag keeps the result.
  bool Load(uint16_t mediaId);
  // Reads records from `file` (opened for reading) while its position is below
  // `size`, appending them. The records' texts and media ids come from the
  // category table of category 2 where it names a base media id.
  void ReadRecords(VTextFile& file, uint32_t size);
  bool IsLoaded() const { return loaded_; }

  // The first record with the id, or null. Owned by the table.
  LinkedRecord* FindRecord(int32_t id) const;
  // The record's linked ids copied into `out` (room for two); their count, 0
  // when no record has the id.
  int32_t GetLinkedIds(int32_t id, int32_t* out) const;
  // The record's text (owned by the record), or null.
  const VString* GetRecordText(int32_t id) const;
  // Appends to `out` the id of every record that links to `id`, once per link
  // (a record listing it twice is entered twice), in list order, at most
  // `capacity` entries. Two entries per record always suffice. Returns the
  // count stored.
  int32_t FindRecordsLinkingTo(int32_t id, int32_t* out, int32_t capacity) const;

 private:
  bool loaded_ = false;
};
