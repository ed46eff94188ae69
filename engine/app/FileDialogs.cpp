#include "engine/app/FileDialogs.h"

#include "engine/core/MediaTypes.h"
#include "engine/core/VFileSpec.h"
#include "engine/core/VString.h"
#include "platform/FileDialog.h"

namespace {

constexpr const char* kAllFiles = "All files (*.*)|*.*||";

std::vector<platform::FileFilter> FiltersOf(const std::string& filter) {
  std::vector<platform::FileFilter> filters = platform::ParseFileFilter(filter);
  // The patterns keep the blank the filter text puts before them.
  for (platform::FileFilter& f : filters) {
    const size_t first = f.patterns.find_first_not_of(' ');
    f.patterns = first == std::string::npos ? std::string() : f.patterns.substr(first);
  }
  return filters;
}

}  // namespace

std::string BuildFileFilter(const uint32_t* typeCodes, int32_t count) {
  if (typeCodes == nullptr) return kAllFiles;
  std::string filter;
  for (int32_t i = 0; i < count; ++i) {
    VString name;
    VString extension;
    GetFileTypeName(typeCodes[i], name);
    GetExtensionForFileType(typeCodes[i], extension);
    if (name.IsEmpty() || extension.IsEmpty()) continue;
    filter += name.GetChars();
    filter += "| *.";
    filter += extension.GetChars();
    filter += "|";
  }
  filter += "|";
  return filter;
}

bool ShowOpenFileDialog(VFileSpec& fileSpec, const uint32_t* typeCodes, int32_t count) {
  platform::FileDialogRequest request;
  request.save = false;
  request.filters = FiltersOf(BuildFileFilter(typeCodes, count));
  const std::optional<std::string> chosen = platform::RunFileDialog(request);
  if (!chosen || chosen->empty()) {
    fileSpec.SetExists(false);
    return false;
  }
  fileSpec.Set(chosen->c_str());
  fileSpec.Exists();
  return true;
}

bool ShowSaveFileDialog(VFileSpec& fileSpec) {
  platform::FileDialogRequest request;
  request.save = true;
  VString name;
  fileSpec.GetFileName(name);
  if (name.GetChars() != nullptr) request.fileName = name.GetChars();
  request.filters = FiltersOf(kAllFiles);
  const std::optional<std::string> chosen = platform::RunFileDialog(request);
  if (!chosen || chosen->empty()) {
    fileSpec.SetExists(false);
    return false;
  }
  fileSpec.Set(chosen->c_str());
  return true;
}
