// MediaArchive: the reader of one Devid Uvedud file. It keeps the entry table
// in memory and hands out media by id and preferred type as VFile windows onto
// the archive's bytes; it also writes the table back and extracts media.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/archive/MediaEntry.h"
#include "engine/core/VFile.h"
#include "engine/core/VFileSpec.h"
#include "engine/core/VString.h"

class MediaArchive {
 public:
  MediaArchive();
  // MediaArchive(), then OpenArchive(spec, not embedded).
  explicit MediaArchive(const VFileSpec& spec);
  MediaArchive(const MediaArchive&) = delete;
  MediaArchive& operator=(const MediaArchive&) = delete;
  virtual ~MediaArchive();

  // Opens the archive file (embedded: the archive that ends 4 bytes before the
  // end of a host file, whose last 4 bytes give its length) and loads the
  // entry table. True at once when already open. Every failure leaves the
  // archive closed.
  bool OpenArchive(const VFileSpec& spec, bool embedded);
  bool IsOpen() const;
  // Closes both files and frees the table; harmless when closed.
  void CloseArchive();

  // The header's entry count (below 1 for an empty archive).
  int16_t GetCount() const { return count_; }
  // The header's version field, as stored (the builder writes
  // archive_format::kVersion); opening does not check it.
  uint16_t GetVersion() const { return version_; }
  // Length of the archive's bytes (the window of an embedded archive).
  int64_t GetArchiveLength() const { return archiveLength_; }

  // The index for (id, type) in this archive's own table by the lookup rule:
  // leftmost entry with the id, a later one of the wanted type, else the
  // leftmost. -1 when closed, empty or the id is missing.
  int32_t FindEntry(uint16_t id, uint32_t type) const;
  // Copies the entry at an index; false when closed or out of range.
  bool EntryAt(int32_t index, MediaEntry& out) const;

  // The entry to use for (id, type), routed to the archive that serves the
  // request (the current archive for "MPG ", else GetArchiveForMedia) and with
  // "MSF " variant tables resolved through ChooseVariant. A request for "MSF "
  // returns the table's own entry. False when nothing serves the id, the id is
  // missing, or the entry (or its chosen variant) lies outside the archive.
  bool GetEntry(uint16_t id, MediaEntry& out, uint32_t type);
  // The variant whose key equals the selector; 0 when none does.
  virtual uint32_t ChooseVariant(const MediaEntry* variants, uint32_t count);
  uint16_t GetVariantSelector() const { return variantSelector_; }
  void SetVariantSelector(uint16_t selector) { variantSelector_ = selector; }

  // The media access point: routes like GetEntry, then points `out` (which
  // shares the serving archive's file object) at the medium's bytes, position
  // 0; `type` becomes the entry's actual type. On failure `out` and `type` are
  // untouched. The window is the caller's, independent of the archive but for
  // the shared (locked) file object.
  bool OpenMedia(uint16_t id, VFile& out, uint32_t& type, MediaEntry* entry = nullptr);
  // Appends the whole medium (type 0: the id's leftmost entry or its variant)
  // of the archive that holds the id to `out`, up to its first zero byte.
  // True when bytes were read.
  bool ReadMedia(uint16_t id, VString& out);
  // Like OpenMedia for the entry at an index of this archive, without routing
  // and without resolving variant tables.
  bool OpenEntryAt(int32_t index, VFile& out, uint32_t& type, MediaEntry* entry = nullptr);
  // Reads and checks the variant table of an "MSF " entry of this archive:
  // the table inside the archive, count >= 1, size exactly 4 + 22 x count.
  // The variants' own ranges are checked when one is chosen.
  bool ReadVariants(const MediaEntry& entry, std::vector<MediaEntry>& out);

  // Writes the header {5, count, 0} and the table, sorted by id (equal ids
  // keep their order), at the archive's start. The bytes of table written, or
  // -1. Leaves the file open for reading and writing.
  int32_t SaveArchiveHeader();
  // Writes every entry as an extracted medium ("MediaNNNN.mf") into the
  // folder; a repeated NNNN gets a suffix ("Media0007_2.mf") instead of
  // replacing the earlier file. Returns how many were written completely; it
  // stops at the first failure.
  int32_t ExtractAllMedia(const VFileSpec& directory);

 private:
  MediaArchive* ServingArchive(uint16_t id, uint32_t type);
  bool ResolveEntry(uint16_t id, MediaEntry& out, uint32_t type);
  bool EntryInside(const MediaEntry& entry) const;
  void PointAt(const MediaEntry& entry, VFile& out);

  VFile primary_;
  VFile second_;
  std::vector<MediaEntry> entries_;
  bool loaded_ = false;  // a table is loaded (possibly empty)
  int16_t count_ = 0;
  uint16_t version_ = 0;
  uint16_t variantSelector_ = 0;
  int64_t archiveLength_ = 0;
};
