#include "title/shell/HistoryLog.h"

#include <cstdio>
#include <utility>

#include "engine/script/ItemRef.h"
#include "platform/File.h"

namespace {

constexpr int64_t kHeaderLength = 3;  // the code and a blank

// The header of a category's line: its code and a blank.
std::string LineHeader(int32_t category) { return std::string(GetCategoryCode(category)) + " "; }

}  // namespace

HistoryLog::HistoryLog(std::string fileName) : fileName_(std::move(fileName)) {}

int64_t HistoryLog::FlagOffset(int32_t category, int32_t number) {
  return kLineLength * (category - 1) + kHeaderLength + number;
}

std::string HistoryLog::FreshContents() {
  std::string contents;
  contents.reserve(static_cast<size_t>(kFileLength));
  for (int32_t category = ItemRef::kFirstCategory; category <= ItemRef::kLastCategory; ++category) {
    contents += LineHeader(category);
    contents.append(static_cast<size_t>(kFlagsPerLine), '0');
    contents += "\r\n";
  }
  return contents;
}

bool HistoryLog::IsWellFormed(const std::string& contents) {
  if (static_cast<int64_t>(contents.size()) != kFileLength) return false;
  for (int32_t category = ItemRef::kFirstCategory; category <= ItemRef::kLastCategory; ++category) {
    const size_t start = static_cast<size_t>(kLineLength * (category - 1));
    if (contents.compare(start, static_cast<size_t>(kHeaderLength), LineHeader(category)) != 0) return false;
    if (contents.compare(start + static_cast<size_t>(kLineLength) - 2, 2, "\r\n") != 0) return false;
    for (size_t i = 0; i < static_cast<size_t>(kFlagsPerLine); ++i) {
      const char flag = contents[start + static_cast<size_t>(kHeaderLength) + i];
      if (flag != '0' && flag != '1') return false;
    }
  }
  return true;
}

std::string HistoryLog::Repaired(const std::string& contents) {
  std::string repaired = FreshContents();
  for (int32_t category = ItemRef::kFirstCategory; category <= ItemRef::kLastCategory; ++category) {
    const size_t start = static_cast<size_t>(kLineLength * (category - 1));
    // A line whose header is not there (cut off, or another file's text)
    // keeps nothing: its bytes are not this history's flags.
    if (contents.size() < start + static_cast<size_t>(kHeaderLength) ||
        contents.compare(start, static_cast<size_t>(kHeaderLength), LineHeader(category)) != 0) {
      continue;
    }
    for (int32_t number = 0; number < kFlagsPerLine; ++number) {
      const size_t at = static_cast<size_t>(FlagOffset(category, number));
      if (at < contents.size() && contents[at] == '1') repaired[at] = '1';
    }
  }
  return repaired;
}

void HistoryLog::ReportOnce(const char* what) {
  if (reported_) return;
  reported_ = true;
  std::fprintf(stderr, "history.log: %s; visited places are not remembered in this run\n", what);
}

bool HistoryLog::ReadFile(std::string& contents, bool& readable) const {
  readable = false;
  if (!platform::FileExists(fileName_)) return false;
  const int fd = platform::OpenFile(fileName_, platform::kFileRead);
  if (fd < 0) return true;  // there, but a folder or not readable
  contents.assign(static_cast<size_t>(kFileLength) + 1, '\0');
  const int64_t got = platform::ReadAt(fd, contents.data(), kFileLength + 1, 0);
  platform::CloseFile(fd);
  if (got < 0) return true;
  contents.resize(static_cast<size_t>(got));
  readable = true;
  return true;
}

bool HistoryLog::Replace(const std::string& contents) {
  const std::string target = platform::ResolvePath(fileName_);
  const std::string temporary = target + ".new";
  if (!platform::CreateEmptyFile(temporary)) return false;
  const int fd = platform::OpenFile(temporary, platform::kFileWrite);
  bool written = fd >= 0 && platform::WriteAt(fd, contents.data(), static_cast<int64_t>(contents.size()), 0) ==
                                static_cast<int64_t>(contents.size());
  if (fd >= 0 && !platform::CloseFile(fd)) written = false;
  if (!written || std::rename(temporary.c_str(), target.c_str()) != 0) {
    platform::DeleteFile(temporary);
    return false;
  }
  return true;
}

bool HistoryLog::EnsureHistoryLog() {
  if (checked_) {
    // Found well formed before: its length says it is still the same file.
    const int fd = platform::OpenFile(fileName_, platform::kFileRead);
    const int64_t size = fd >= 0 ? platform::GetFileSize(fd) : -1;
    platform::CloseFile(fd);
    if (size == kFileLength) return true;
    checked_ = false;
  }
  std::string contents;
  bool readable = false;
  if (!ReadFile(contents, readable)) {
    checked_ = false;
    if (Replace(FreshContents())) return true;
    ReportOnce("cannot be created in the current folder");
    return false;
  }
  if (!readable) {
    ReportOnce("cannot be read");
    return false;
  }
  if (IsWellFormed(contents)) {
    checked_ = true;
    return true;
  }
  if (!Replace(Repaired(contents))) {
    ReportOnce("has the wrong form and cannot be repaired");
    return false;
  }
  checked_ = true;
  return true;
}

bool HistoryLog::GetFlag(ItemRef item) {
  if (!item.IsItemRefValid() || !EnsureHistoryLog()) return false;
  const int fd = platform::OpenFile(fileName_, platform::kFileRead);
  if (fd < 0) return false;
  char flag = 0;
  const int64_t got = platform::ReadAt(fd, &flag, 1, FlagOffset(item.GetCategory(), item.GetNumber()));
  platform::CloseFile(fd);
  return got == 1 && flag == '1';
}

bool HistoryLog::SetFlag(ItemRef item) {
  if (!item.IsItemRefValid() || !EnsureHistoryLog()) return false;
  const int fd = platform::OpenFile(fileName_, platform::kFileWrite);
  if (fd < 0) {
    ReportOnce("cannot be written");
    return false;
  }
  const char flag = '1';
  const bool written = platform::WriteAt(fd, &flag, 1, FlagOffset(item.GetCategory(), item.GetNumber())) == 1;
  return platform::CloseFile(fd) && written;
}
