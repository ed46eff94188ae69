// The name list and its record file.
#include "launchers/common/FileNameList.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/File.h"

FileNameBlock MakeFileNameBlock(const std::string& name) {
  FileNameBlock block{};
  std::memcpy(block.data(), name.data(), std::min(name.size(), block.size() - 1));
  return block;
}

std::string FileNameText(const FileNameBlock& block) {
  return std::string(block.data(), strnlen(block.data(), block.size()));
}

bool CFileNameList::Add(const FileNameBlock& name) {
  names_.push_back(name);
  return true;
}

bool CFileNameList::Get(size_t index, FileNameBlock* name) const {
  if (index >= names_.size()) return false;
  *name = names_[index];
  return true;
}

bool CFileNameList::RemoveAt(size_t index) {
  if (index >= names_.size()) return false;
  names_.erase(names_.begin() + static_cast<long>(index));
  return true;
}

bool CFileNameList::SetAt(size_t index, const FileNameBlock& name) {
  if (index >= names_.size()) return false;
  names_[index] = name;
  return true;
}

bool CFileNameList::InsertAt(size_t index, const FileNameBlock& name) {
  if (index >= names_.size()) return Add(name);
  names_.insert(names_.begin() + static_cast<long>(index), name);
  return true;
}

bool CFileNameList::Swap(size_t i, size_t j) {
  if (i == j || i >= names_.size() || j >= names_.size()) return false;
  std::swap(names_[i], names_[j]);
  return true;
}

bool CFileNameList::CopyTo(CFileNameList& other) const {
  if (&other == this) return true;
  other.names_ = names_;
  return true;
}

bool CFileNameList::Save(const std::string& path) const {
  FILE* f = std::fopen(platform::ResolvePath(path).c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = true;
  for (const FileNameBlock& name : names_) {
    if (std::fwrite(name.data(), 1, name.size(), f) != name.size()) {
      ok = false;
      break;
    }
  }
  return std::fclose(f) == 0 && ok;
}

bool CFileNameList::Load(const std::string& path) {
  Clear();
  FILE* f = std::fopen(platform::ResolvePath(path).c_str(), "rb");
  if (f == nullptr) return false;
  FileNameBlock block{};
  size_t n;
  while ((n = std::fread(block.data(), 1, block.size(), f)) == block.size()) names_.push_back(block);
  const bool whole = n == 0 && std::ferror(f) == 0;
  std::fclose(f);
  if (!whole) Clear();
  return whole;
}
