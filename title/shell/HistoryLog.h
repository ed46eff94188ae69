// The visit history kept in the text file "history.log" in the current
// folder: twelve lines, one per item category in order, each the category's
// two-letter code, a blank, 1000 flag characters ("1" seen, "0" not) and CR
// LF; 1005 bytes a line, 12060 bytes in all. Every access opens and closes the
// file, so the flags survive a crash at any moment.
//
// A file of another length or with lines that are not the history's (a short,
// long or foreign file) is repaired before any flag is read or written: the
// lines whose header is right keep their "1" flags, everything else becomes
// "0", and the repaired file replaces the old one in one rename. Where the
// file can be neither made nor repaired (a read-only folder) every flag reads
// "not seen" and setting one fails; this is said once on stderr.
#pragma once

#include <cstdint>
#include <string>

#include "engine/script/VisitHistory.h"

class HistoryLog : public VisitHistory {
 public:
  static constexpr int64_t kLineLength = 1005;
  static constexpr int64_t kFileLength = 12 * kLineLength;
  static constexpr int32_t kFlagsPerLine = 1000;

  // The file name is resolved like every engine path, relative to the
  // current folder (the title's "history.log").
  explicit HistoryLog(std::string fileName = "history.log");

  // The byte offset of an item's flag: 1005 x (category - 1) + 3 + number.
  static int64_t FlagOffset(int32_t category, int32_t number);
  // The contents of a new file: every flag "0".
  static std::string FreshContents();

  // Makes sure the file exists with the history's layout (creating or
  // repairing it); false when it cannot.
  bool EnsureHistoryLog();
  // True when the item's flag is "1"; false for an invalid item or when the
  // file cannot be made.
  bool GetFlag(ItemRef item) override;
  // Sets the item's flag to "1"; true when it was written.
  bool SetFlag(ItemRef item) override;

 private:
  // Reads the file (at most one byte past the history's length). False when
  // it does not exist; `readable` tells whether an existing file could be read.
  bool ReadFile(std::string& contents, bool& readable) const;
  // The history with the flags of `contents` kept where their lines are right.
  static std::string Repaired(const std::string& contents);
  static bool IsWellFormed(const std::string& contents);
  // Writes the contents to a file beside the log and renames it over the log.
  bool Replace(const std::string& contents);
  void ReportOnce(const char* what);

  std::string fileName_;
  bool checked_ = false;  // the contents were found well formed in this run
  bool reported_ = false;
};
