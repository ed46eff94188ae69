// A file of the launchers found on disc or, when it is missing there, as a
// member of a launcher archive (.kvt) named after one of its parent folders:
// D:\a\b\x.bmp is looked for as x.bmp in D:\a\b.kvt, then as b\x.bmp in
// D:\a.kvt.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "launchers/common/FileNameList.h"

class CArchiveAwareFile {
 public:
  CArchiveAwareFile() = default;
  ~CArchiveAwareFile();
  CArchiveAwareFile(const CArchiveAwareFile&) = delete;
  CArchiveAwareFile& operator=(const CArchiveAwareFile&) = delete;

  // True when the file opened or an archive holding it was found.
  bool Open(const std::string& path);
  // The whole file or member; false (out empty) for an empty or unreadable
  // file and for a member that does not extract.
  bool ReadAll(std::vector<uint8_t>& out);
  void Close();

  const std::string& Path() const { return path_; }
  const std::string& Archive() const { return archive_; }
  const std::string& Member() const { return member_; }
  bool IsPlainFile() const { return file_ != nullptr; }
  // Files deleted when the object goes.
  CFileNameList& TempFiles() { return tempFiles_; }

 private:
  FILE* file_ = nullptr;
  std::string path_;
  std::string archive_;
  std::string member_;
  CFileNameList tempFiles_;
};
