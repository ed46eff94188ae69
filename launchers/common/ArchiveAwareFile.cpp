// Plain file first, then the archives of the parent folders, nearest first.
#include "launchers/common/ArchiveAwareFile.h"

#include "launchers/common/LauncherFiles.h"
#include "launchers/common/RarReader.h"
#include "launchers/common/StringTokenizer.h"
#include "platform/File.h"

CArchiveAwareFile::~CArchiveAwareFile() {
  Close();
  for (size_t i = 0; i < tempFiles_.GetCount(); ++i) platform::DeleteFile(FileNameText(*tempFiles_.GetNode(i)));
  tempFiles_.Clear();
}

bool CArchiveAwareFile::Open(const std::string& path) {
  Close();
  path_ = path;
  // A folder opens for reading here but is no file: it has no size to read.
  if (!platform::DirectoryExists(path)) file_ = std::fopen(platform::ResolvePath(path).c_str(), "rb");
  if (file_ != nullptr) return true;

  CStringTokenizer parts(path, "\\");
  const int n = parts.CountTokens();
  for (int i = n - 1; i > 1; --i) {
    std::string prefix;
    for (int k = 1; k < i; ++k) prefix += parts.GetToken(k) + "\\";
    std::string member;
    for (int k = i + 1; k < n; ++k) member += parts.GetToken(k) + "\\";
    member += parts.GetToken(n);
    const std::string candidate = prefix + parts.GetToken(i) + ".kvt";
    if (FileExists(candidate)) {
      archive_ = candidate;
      member_ = member;
      return true;
    }
  }
  path_.clear();
  return false;
}

bool CArchiveAwareFile::ReadAll(std::vector<uint8_t>& out) {
  out.clear();
  if (file_ != nullptr) {
    if (std::fseek(file_, 0, SEEK_END) != 0) return false;
    long size = std::ftell(file_);
    if (size <= 0 || std::fseek(file_, 0, SEEK_SET) != 0) return false;
    out.resize(static_cast<size_t>(size));
    if (std::fread(out.data(), 1, out.size(), file_) != out.size()) {
      out.clear();
      return false;
    }
    return true;
  }
  if (archive_.empty() || member_.empty()) return false;
  return ExtractToMemory(out, member_, platform::ResolvePath(archive_), "");
}

void CArchiveAwareFile::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  path_.clear();
  archive_.clear();
  member_.clear();
}
