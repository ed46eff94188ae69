// Colour-table readers and writers: the base classes and the fixed registry
// that hands out the reader or writer for a medium's four-character type
// (only "RCX " has one).
#pragma once

#include <cstdint>

class VColorTable;
class VFile;

// Caller flags: which parts of a colour table to read or write.
enum ColorTableParts : int32_t {
  kColorTableEntries = 4,   // the count and the entries
  kColorTableInverse = 8,   // the 65536-byte nearest-index table
  kColorTableShade = 32,    // the 64-level shade table
};

// Reads a colour table from its file (not owned; it must outlive the reader).
class VColorTableReader {
 public:
  explicit VColorTableReader(VFile* file) : file_(file) {}
  virtual ~VColorTableReader() = default;
  VColorTableReader(const VColorTableReader&) = delete;
  VColorTableReader& operator=(const VColorTableReader&) = delete;

  // A chance to handle the read before ReadColorTable; 0 means not handled.
  virtual int32_t ReadFirstChance(VColorTable& table, int32_t flags) {
    (void)table;
    (void)flags;
    return 0;
  }
  // 0 on success, non-zero on failure.
  virtual int32_t ReadColorTable(VColorTable& table, int32_t flags) = 0;
  VFile* GetFile() const { return file_; }

 protected:
  VFile* file_;
};

// Writes a colour table to its file (not owned).
class VColorTableWriter {
 public:
  explicit VColorTableWriter(VFile* file) : file_(file) {}
  virtual ~VColorTableWriter() = default;
  VColorTableWriter(const VColorTableWriter&) = delete;
  VColorTableWriter& operator=(const VColorTableWriter&) = delete;

  virtual int32_t WriteFirstChance(VColorTable& table, int32_t flags) {
    (void)table;
    (void)flags;
    return 0;
  }
  virtual int32_t WriteColorTable(VColorTable& table, int32_t flags) = 0;
  VFile* GetFile() const { return file_; }

 protected:
  VFile* file_;
};

// The reader or writer for the type (the caller deletes it), or null.
VColorTableReader* CreateColorTableReader(VFile* file, uint32_t type);
VColorTableWriter* CreateColorTableWriter(VFile* file, uint32_t type);

// The first-chance operation, then, when it answered 0, the read or write.
int32_t RunColorTableHandler(VColorTableReader& reader, VColorTable& table, int32_t flags);
int32_t RunColorTableHandler(VColorTableWriter& writer, VColorTable& table, int32_t flags);
