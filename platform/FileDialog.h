// Choosing a file to open or save, through the desktop's zenity dialog when
// it is installed; without it the dialog is refused (answered as cancelled).
// Filters come in the form "Name|pattern|Name|pattern||" the engine builds.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

struct FileFilter {
  std::string name;      // code page 1252
  std::string patterns;  // "*.jpg" or "*.jpg;*.jpeg"
};

// Splits "Name|pattern|Name|pattern||" into its pairs. A pair whose name or
// pattern is empty ends the list (the closing "||" does).
std::vector<FileFilter> ParseFileFilter(const std::string& filter);

struct FileDialogRequest {
  bool save = false;
  std::string fileName;  // the name offered (save), code page 1252
  std::vector<FileFilter> filters;
};

// Runs the dialog and waits for it: the chosen path (code page 1252), or
// empty when cancelled or no dialog program exists.
std::optional<std::string> RunFileDialog(const FileDialogRequest& request);

// The dialog program: OSTREVAN_FILE_DIALOG when set, else "zenity" found on
// PATH; empty when there is none.
std::string FindFileDialogProgram();

// The arguments given to the dialog program for a request (without the
// program itself).
std::vector<std::string> FileDialogArguments(const FileDialogRequest& request);

}  // namespace platform
