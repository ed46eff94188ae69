// Shared integer lookup tables of the pixel routines: clamping tables and
// scaling tables, shared program-wide by value through one reference-counted
// manager, so that every kernel and ditherer asking for the same table holds
// the same object.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/VRef.h"
#include "engine/core/VRefCount.h"

// Base of the shared tables: (end - first) signed 32-bit entries reached as
// Get()[i] for first <= i < end.
class VLookupTable : public VRefCount {
 public:
  enum Kind : int32_t { kClip = 0, kMultiply = 1, kUnsignedMultiply = 2 };

  ~VLookupTable() override;

  // Allocates (end - first) entries, records the range and fills it; false
  // (and the table unchanged) when end <= first or memory is exhausted. A
  // buffer replaced by a rebuild stays allocated until the table is deleted,
  // so pointers taken from it earlier stay valid over their old range.
  virtual bool Build(int32_t first, int32_t end) = 0;
  // True when the other table computes the same entries (ranges aside).
  virtual bool Equals(const VLookupTable& other) const { return kind_ == other.kind_; }

  // The biased entry pointer: Get()[i] for first <= i < end. Null before Build.
  const int32_t* Get() const { return biased_; }
  int32_t operator[](int32_t i) const { return biased_[i]; }
  int32_t GetFirst() const { return first_; }
  int32_t GetEnd() const { return end_; }
  int32_t GetKind() const { return kind_; }

  // The range an unbuilt table is built over when it is handed to ShareTable.
  void SetRequestedRange(int32_t first, int32_t end) {
    if (!biased_) {
      first_ = first;
      end_ = end;
    }
  }

 protected:
  explicit VLookupTable(int32_t kind) : kind_(kind) {}
  // Allocates a buffer for [first, end), retiring the old one; returns the
  // biased pointer for the fill, or null on failure (nothing changed).
  int32_t* Allocate(int32_t first, int32_t end);
  // The last reference is gone: the table leaves the manager's list (when it
  // is on it) before it is deleted. Safe with or without a manager.
  void LastReleased() override;

 private:
  friend class VLookupTableManager;
  int32_t* buffer_ = nullptr;
  int32_t* biased_ = nullptr;
  int32_t first_ = 0;
  int32_t end_ = 0;
  int32_t kind_;
  bool shared_ = false;  // on the manager's list
  std::vector<int32_t*> retired_;
};

// Clamp table: i < low -> offset + low; low <= i < high -> offset + i;
// i >= high -> offset + high - 1.
class VClipTable : public VLookupTable {
 public:
  VClipTable(int32_t offset, int32_t low, int32_t high) : VLookupTable(kClip), low_(low), high_(high), offset_(offset) {}
  bool Build(int32_t first, int32_t end) override;
  bool Equals(const VLookupTable& other) const override;

 private:
  int32_t low_;
  int32_t high_;
  int32_t offset_;
};

// Scaling table: entry i = i * factor + offset rounded half away from zero,
// accumulated by repeated addition of the factor from first * factor + offset.
class VMultiplyTable : public VLookupTable {
 public:
  VMultiplyTable(double factor, double offset) : VMultiplyTable(kMultiply, factor, offset) {}
  bool Build(int32_t first, int32_t end) override;
  bool Equals(const VLookupTable& other) const override;

 protected:
  VMultiplyTable(int32_t kind, double factor, double offset) : VLookupTable(kind), factor_(factor), offset_(offset) {}

 private:
  double factor_;
  double offset_;
};

// The same entries as VMultiplyTable, kept apart from a signed table with the same numbers.
class VUnsignedMultiplyTable : public VMultiplyTable {
 public:
  VUnsignedMultiplyTable(double factor, double offset) : VMultiplyTable(kUnsignedMultiply, factor, offset) {}
};

// The list of shared tables. The manager holds one reference to each table on
// its list. Deleting it drops those references; tables still held elsewhere
// leave the list and are deleted by their last holder's Release.
class VLookupTableManager {
 public:
  VLookupTableManager() = default;
  ~VLookupTableManager();
  VLookupTableManager(const VLookupTableManager&) = delete;
  VLookupTableManager& operator=(const VLookupTableManager&) = delete;

  // Takes over a new table holding one reference (the caller's). Returns the
  // held equal table (widened to cover the new range when needed) or the new
  // table built and listed; the new one is deleted when not kept. Null for a
  // null argument or a failed build. The caller owns one reference of the result.
  VLookupTable* ShareTable(VLookupTable* table);

  int32_t GetCount() const { return static_cast<int32_t>(tables_.size()); }
  // Unlinks the table (when listed) and deletes it.
  void Remove(VLookupTable* table);

 private:
  friend class VLookupTable;
  // Unlinks the table when it is listed.
  void Unlist(VLookupTable* table);

  std::vector<VLookupTable*> tables_;
};

// The program's one manager; the application creates it at start-up and deletes it at shutdown.
VLookupTableManager* GetLookupTableManager();
// Creates the manager when it does not exist yet.
void SetupLookupTables();
// Deletes the manager (see ~VLookupTableManager).
void ShutdownLookupTables();

// Shared tables. Each returns a table with one reference owned by the caller
// (Release it), or null when the range is empty or memory is exhausted.
// Without a manager the table is built unshared.
VClipTable* GetClipTable(int32_t offset, int32_t low, int32_t high, int32_t first, int32_t end);
VMultiplyTable* GetMultiplyTable(double factor, double offset, int32_t first, int32_t end);
VUnsignedMultiplyTable* GetUnsignedMultiplyTable(double factor, double offset, int32_t first, int32_t end);

// Holds one reference to a shared table and releases it on scope exit.
template <class T>
class LookupTableRef : public VRef<T> {
 public:
  using VRef<T>::VRef;
  const int32_t* Entries() const { return this->get() ? this->get()->Get() : nullptr; }
};
