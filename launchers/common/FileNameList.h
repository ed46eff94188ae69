// An ordered list of fixed-size file names (128-byte zero-padded blocks),
// saved to and loaded from a file of 128-byte records without a header.
#pragma once

#include <array>
#include <string>
#include <vector>

using FileNameBlock = std::array<char, 128>;

// A block holding name (cut to 127 characters), zero-padded.
FileNameBlock MakeFileNameBlock(const std::string& name);
// The name in a block, up to its first zero.
std::string FileNameText(const FileNameBlock& block);

class CFileNameList {
 public:
  void Clear() { names_.clear(); }
  bool Add(const FileNameBlock& name);
  bool Get(size_t index, FileNameBlock* name) const;
  bool RemoveAt(size_t index);
  bool SetAt(size_t index, const FileNameBlock& name);
  // Before the name at index; at or past the end the same as Add.
  bool InsertAt(size_t index, const FileNameBlock& name);
  bool Swap(size_t i, size_t j);
  size_t GetCount() const { return names_.size(); }
  bool CopyTo(CFileNameList& other) const;
  // One 128-byte record per name; false when the file cannot be written whole.
  bool Save(const std::string& path) const;
  // Replaces the list; a file whose size is not a multiple of 128 leaves it
  // empty and gives false.
  bool Load(const std::string& path);
  // The block at index, or null.
  const FileNameBlock* GetNode(size_t index) const { return index < names_.size() ? &names_[index] : nullptr; }

 private:
  std::vector<FileNameBlock> names_;
};
