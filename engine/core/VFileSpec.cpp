// File specs (VFileSpec): path normalisation, names, parents and existence.
#include "engine/core/VFileSpec.h"

#include <string>

#include "engine/core/MediaTypes.h"
#include "platform/File.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Index of the last "\" or "/" at position 1 or later, or -1.
int32_t LastSeparator(const VString& path) {
  for (int32_t i = path.GetLength() - 1; i >= 1; --i) {
    if (IsSeparator(static_cast<char>(path.GetCharAt(i)))) return i;
  }
  return -1;
}

}  // namespace

VFileSpec::VFileSpec() = default;

VFileSpec::VFileSpec(const char* path, const VFileSpec* base) { Set(path, base); }

VFileSpec::VFileSpec(const VFileSpec& other) : exists_(other.exists_), path_(other.path_) {}

VFileSpec& VFileSpec::operator=(const VFileSpec& other) {
  Assign(other);
  return *this;
}

VFileSpec::~VFileSpec() = default;

void VFileSpec::Assign(const VFileSpec& other) {
  if (this == &other) return;
  exists_ = other.exists_;
  path_.Assign(other.path_);
}

void VFileSpec::Set(const char* path, const VFileSpec* base) {
  std::string copy = path != nullptr ? path : "";
  for (size_t i = 0; i < copy.size(); ++i) {
    if (copy[i] == '/' || (copy[i] == ':' && i != 1)) copy[i] = '\\';
  }
  bool absolute = (copy.size() >= 2 && copy[0] == '\\') || (copy.size() >= 3 && copy[1] == ':');
  if (base == nullptr || absolute) {
    path_.Assign(copy.c_str());
  } else {
    std::string joined = base->path_.GetChars() != nullptr ? base->path_.GetChars() : "";
    if (!copy.empty() && copy[0] == '\\' && !joined.empty() && joined.back() == '\\') joined.pop_back();
    if (!copy.empty() && !joined.empty() && copy[0] != '\\' && joined.back() != '\\') joined += '\\';
    joined += copy;
    path_.Assign(joined.c_str());
  }
  exists_ = !path_.IsEmpty();
}

const VString& VFileSpec::GetPath() {
  if (!exists_) path_.Clear();
  return path_;
}

void VFileSpec::GetPathWithSlashes(VString& out) {
  const VString& path = GetPath();
  std::string s = path.GetChars() != nullptr ? path.GetChars() : "";
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' || (s[i] == ':' && i != 1)) s[i] = '/';
  }
  out.Assign(s.c_str());
}

void VFileSpec::GetFileName(VString& out) const {
  int32_t sep = LastSeparator(path_);
  std::string s = path_.GetChars() != nullptr ? path_.GetChars() : "";
  if (sep >= 0) s = s.substr(static_cast<size_t>(sep) + 1);
  while (!s.empty() && s.back() == '/') s.pop_back();
  out.Assign(s.c_str());
}

void VFileSpec::SetFileName(const char* name) {
  int32_t sep = LastSeparator(path_);
  std::string s = path_.GetChars() != nullptr ? path_.GetChars() : "";
  s = sep >= 0 ? s.substr(0, static_cast<size_t>(sep) + 1) : std::string();
  if (name != nullptr) s += name;
  path_.Assign(s.c_str());
  exists_ = !path_.IsEmpty();
}

void VFileSpec::GetParent(VFileSpec& out) const {
  out.exists_ = false;
  if (!exists_) return;
  if (path_.GetLength() < 4) {
    out.path_.Clear();
    return;
  }
  std::string s = path_.GetChars();
  while (!s.empty() && s.back() == '\\') s.pop_back();
  size_t sep = s.find_last_of('\\');
  s = sep == std::string::npos ? std::string() : s.substr(0, sep);
  while (!s.empty() && s.back() == '\\') s.pop_back();
  out.path_.Assign(s.c_str());
  out.Exists();
}

bool VFileSpec::IncrementNumber() {
  std::string s = path_.GetChars() != nullptr ? path_.GetChars() : "";
  int64_t i = static_cast<int64_t>(s.size()) - 1;
  while (i >= 0 && !(s[i] >= '0' && s[i] <= '9') && s[i] != '\\' && s[i] != '/' && s[i] != ':') --i;
  bool increased = false;
  if (i >= 0 && s[i] >= '0' && s[i] <= '9') {
    while (i >= 0 && s[i] >= '0' && s[i] <= '9') {
      if (s[i] != '9') {
        ++s[i];
        increased = true;
        break;
      }
      s[i] = '0';
      --i;
    }
  }
  path_.Assign(s.c_str());
  return increased ? Exists() : false;
}

bool VFileSpec::Exists() {
  exists_ = path_.GetChars() != nullptr && !path_.IsEmpty() && platform::FileExists(path_.GetChars());
  return exists_;
}

uint32_t VFileSpec::GetFileTypeFromExtension(uint32_t categoryMask) const {
  int32_t length = path_.GetLength();
  int32_t from = length < 5 ? 0 : length - 5;
  int32_t to = length < 5 ? 3 : length - 2;
  for (int32_t i = from; i <= to && i < length; ++i) {
    if (path_.GetCharAt(i) == '.') return FileTypeFromExtension(path_.GetChars() + i + 1, categoryMask);
  }
  return kUnknownFileType;
}

bool CreateFileForSpec(VFileSpec& spec, uint32_t /*type*/, uint32_t /*creator*/) {
  const VString& path = spec.GetPath();
  if (path.GetChars() == nullptr || path.IsEmpty()) return false;
  platform::CreateEmptyFile(path.GetChars());
  return spec.Exists();
}

bool DeleteFileForSpec(VFileSpec& spec) {
  const VString& path = spec.GetPath();
  if (path.GetChars() == nullptr || path.IsEmpty()) return false;
  return platform::DeleteFile(path.GetChars());
}
