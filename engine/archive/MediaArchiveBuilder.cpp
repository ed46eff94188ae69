// The two-pass archive builder.
#include "engine/archive/MediaArchiveBuilder.h"

#include <algorithm>
#include <string>
#include <vector>

#include "engine/archive/BuildLog.h"
#include "engine/archive/BuildScriptLine.h"
#include "engine/archive/BuilderConversions.h"
#include "engine/archive/MediaEntry.h"
#include "engine/core/MediaTypes.h"
#include "platform/File.h"

namespace {

constexpr uint32_t kPendingType = MakeTypeCode("????");
constexpr uint32_t kAllCategories = 0x3F;
constexpr int32_t kMaxEntries = 32767;

enum class LineKind { kOption, kMedia };

struct BuildOption {
  VString name;
  int16_t value = 0;
};

// A file (not a folder) exists at the file spec's path; stores the answer.
bool SourceFileExists(VFileSpec& spec) {
  if (!spec.Exists()) return false;
  if (platform::DirectoryExists(spec.GetStoredPath().GetChars())) {
    spec.SetExists(false);
    return false;
  }
  return true;
}

std::string StoredPath(const VFileSpec& spec) {
  const char* chars = spec.GetStoredPath().GetChars();
  return chars != nullptr ? chars : "";
}

// The folder part of a stored path (without its last separator), or "".
std::string FolderOf(const std::string& path) {
  size_t sep = path.find_last_of("\\/");
  return sep == std::string::npos ? std::string() : path.substr(0, sep == 0 ? 1 : sep);
}

std::string FileNameOf(const std::string& path) {
  size_t sep = path.find_last_of("\\/");
  return sep == std::string::npos ? path : path.substr(sep + 1);
}

class Builder {
 public:
  Builder(VTextFile& script, VFile& archive, VTextFile* log) : script_(script), archive_(archive), log_(log) {}
  bool Run();

 private:
  bool NextLine(VString& line, LineKind& kind);
  bool Pass1();
  bool WriteEmptyHeader();
  bool Pass2();
  bool ProcessSource(VFileSpec& slot0, uint16_t entryId, const BuildMediaLine& line);
  bool ProcessNegativeCode(const BuildMediaLine& line);
  bool WriteFullHeader();
  bool ReadMediaLine(const VString& text, BuildMediaLine& line, bool withParams);
  VFileSpec SourceSpec(const VString& source) const;
  bool CheckRoom(int32_t needed);
  void LogCountMismatch(int32_t fileCount);
  void LogPath(VFileSpec spec);

  VTextFile& script_;
  VFile& archive_;
  BuildLog log_;
  VFileSpec scriptSpec_;
  std::string scriptFolder_;
  int64_t scriptStart_ = 0;
  std::vector<BuildOption> options_;
  int32_t counted_ = 0;
  int32_t filled_ = 0;
  std::vector<MediaEntry> table_;
};

// Reads lines up to the next option or media line, skipping empty lines,
// comments and block comments. False at the end of the script.
bool Builder::NextLine(VString& line, LineKind& kind) {
  while (true) {
    if (script_.ReadLine(line, false) == 0) return false;
    if (line.IsEmpty()) continue;
    std::string text = line.GetChars() != nullptr ? line.GetChars() : "";
    if (text[0] == '#') {
      if (text.find("#option ") == std::string::npos) continue;
      kind = LineKind::kOption;
      return true;
    }
    if (text.compare(0, 2, "//") == 0) continue;
    if (text.compare(0, 2, "/*") == 0) {
      // Everything up to the next "*/" goes, and the rest of its line.
      size_t from = 2;
      while (text.find("*/", from) == std::string::npos) {
        if (script_.ReadLine(line, false) == 0) return false;
        text = line.GetChars() != nullptr ? line.GetChars() : "";
        from = 0;
      }
      continue;
    }
    kind = LineKind::kMedia;
    return true;
  }
}

// ID, CODE and SOURCE (an empty SOURCE counts as missing), then with
// withParams P1..P11 up to the end of the line.
bool Builder::ReadMediaLine(const VString& text, BuildMediaLine& line, bool withParams) {
  BuildScriptLine reader(text);
  if (!reader.ReadNumber(line.id) || !reader.ReadNumber(line.code) || !reader.ReadQuotedString(line.source) ||
      line.source.IsEmpty()) {
    return false;
  }
  for (int i = 0; i < BuildMediaLine::kParamCount; ++i) line.params[i] = 0;
  if (withParams) {
    for (int i = 0; i < BuildMediaLine::kParamCount; ++i) {
      if (!reader.ReadNumber(line.params[i])) break;
    }
  }
  return true;
}

VFileSpec Builder::SourceSpec(const VString& source) const {
  if (scriptFolder_.empty()) return VFileSpec(source.GetChars());
  VFileSpec folder(scriptFolder_.c_str());
  return VFileSpec(source.GetChars(), &folder);
}

void Builder::LogPath(VFileSpec spec) {
  VString path;
  spec.GetPathWithSlashes(path);
  log_.Quoted(path);
}

bool Builder::Run() {
  if (!script_.Open(VFileObject::kRead)) {
    log_.Line("Build aborted: Couldn't open Script file.");
    return false;
  }
  script_.GetFileSpec(scriptSpec_);
  scriptFolder_ = FolderOf(StoredPath(scriptSpec_));
  scriptStart_ = script_.GetPosition();
  script_.Preload(scriptStart_, script_.GetLength() - scriptStart_);
  if (!archive_.Open(VFileObject::kReadWrite)) {
    log_.Line("Build aborted: Couldn't open or create Devid Uvedud file.");
    return false;
  }
  VFileSpec archiveSpec;
  archive_.GetFileSpec(archiveSpec);
  log_.Text("Start building Devid Uvedud file ");
  LogPath(archiveSpec);
  log_.LineEnd();
  return Pass1() && WriteEmptyHeader() && Pass2() && WriteFullHeader();
}

bool Builder::Pass1() {
  VString text;
  LineKind kind;
  while (NextLine(text, kind)) {
    if (kind == LineKind::kOption) {
      BuildScriptLine reader(text);
      BuildOption option;
      int32_t value = 0;
      if (static_cast<int>(options_.size()) >= kMaxBuildOptions || !reader.ReadQuotedString(option.name) ||
          option.name.IsEmpty() || !reader.ReadNumber(value)) {
        log_.Text("Error: invalid #option command (").Quoted(text).Text(")").LineEnd();
        return false;
      }
      option.value = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(value) & 0xFFFF));
      options_.push_back(option);
      continue;
    }
    BuildMediaLine line;
    if (!ReadMediaLine(text, line, true)) {
      log_.Text("Error: unparseable line (").Quoted(text).Text(")").LineEnd();
      return false;
    }
    if (line.code == kFontAlphaCode || line.code == kFontBitmapCode) {
      counted_ += 2;
    } else if (line.code < 0) {
      counted_ += 1;
    } else {
      VFileSpec source = SourceSpec(line.source);
      if (!SourceFileExists(source)) {
        log_.Text("Build aborted: File not found: ").Quoted(line.source).LineEnd();
        return false;
      }
      counted_ += 1;
      bool merged = (line.code == kImageCode || line.code == kAlphaChannelCode) && (line.Param(1) & 1) != 0;
      if (line.id < 0 && !merged) {
        while (source.IncrementNumber() && counted_ <= kMaxEntries) ++counted_;
      }
    }
    if (counted_ > kMaxEntries) {
      log_.Text("Build aborted: more media than a Devid Uvedud file can hold (at most").Number(kMaxEntries);
      log_.Text(")").LineEnd();
      return false;
    }
  }
  log_.Text("Number of media counted:").Number(counted_).LineEnd();
  return true;
}

bool Builder::WriteEmptyHeader() {
  int32_t bytes = archive_format::kHeaderSize + archive_format::kEntrySize * counted_;
  std::vector<uint8_t> header;
  try {
    header.assign(static_cast<size_t>(bytes), 0);
    table_.assign(static_cast<size_t>(counted_), MediaEntry{});
  } catch (const std::bad_alloc&) {
    log_.Line("Build aborted: Couldn't allocate header.");
    return false;
  }
  archive_format::EncodeHeader(0, header.data());
  archive_.Seek(0, true);
  if (archive_.VFile::Write(header.data(), bytes) != bytes) {
    log_.Line("Build aborted: Couldn't write empty header.");
    return false;
  }
  log_.Text("Empty header written of size").Number(bytes).LineEnd().LineEnd();
  return true;
}

// Pass 2 never fills more entries than pass 1 counted (files may appear
// between the passes): the overflow ends the build instead.
bool Builder::CheckRoom(int32_t needed) {
  if (filled_ + needed <= counted_) return true;
  LogCountMismatch(filled_ + needed);
  return false;
}

void Builder::LogCountMismatch(int32_t fileCount) {
  log_.Text("Build aborted: number of files processed not the same as the counted number. (File count:");
  log_.Number(fileCount).Text(")").LineEnd();
}

bool Builder::Pass2() {
  script_.Seek(scriptStart_, true);
  VString text;
  LineKind kind;
  while (NextLine(text, kind)) {
    if (kind == LineKind::kOption) continue;
    BuildMediaLine line;
    if (!ReadMediaLine(text, line, true)) return true;  // pass 1 refused such lines already
    if (line.code < 0) {
      if (!ProcessNegativeCode(line)) return false;
      continue;
    }
    VFileSpec slot0 = SourceSpec(line.source);
    bool merged = (line.code == kImageCode || line.code == kAlphaChannelCode) && (line.Param(1) & 1) != 0;
    uint16_t entryId = line.EntryId();
    while (true) {
      if (!CheckRoom(1)) return false;
      if (!ProcessSource(slot0, entryId, line)) return false;
      ++filled_;
      ++entryId;
      if (line.id >= 0 || merged || !slot0.IncrementNumber()) break;
    }
  }
  return true;
}

bool Builder::ProcessNegativeCode(const BuildMediaLine& line) {
  bool font = line.code == kFontAlphaCode || line.code == kFontBitmapCode;
  if (!CheckRoom(font ? 2 : 1)) return false;
  uint16_t entryId = line.EntryId();
  BuildRecord record;
  record.entry.id = entryId;
  record.entry.offset = static_cast<uint32_t>(archive_.GetPosition());
  record.entry.type = kPendingType;
  BuildRecord fontRecord;
  fontRecord.entry.id = entryId;
  fontRecord.entry.type = kPendingType;
  ConversionContext context;
  context.archive = &archive_;
  context.log = &log_;
  context.line = &line;
  context.scriptSpec = scriptSpec_;
  context.shownSource.Assign(line.source);
  context.fontRecord = font ? &fontRecord : nullptr;
  int64_t before = archive_.GetPosition();
  if (!RunBuilderConversion(context, record)) return false;
  if (!font) record.entry.size = static_cast<uint32_t>(archive_.GetPosition() - before);
  table_[static_cast<size_t>(filled_++)] = record.entry;
  if (font) table_[static_cast<size_t>(filled_++)] = fontRecord.entry;
  const MediaEntry& shown = font ? fontRecord.entry : record.entry;
  log_.Number(entryId).Tab().TypeCode(shown.type).Tab().Quoted(context.shownSource).Tab();
  log_.Number(static_cast<int32_t>(shown.size)).Text(record.note).LineEnd();
  return true;
}

bool Builder::ProcessSource(VFileSpec& slot0, uint16_t entryId, const BuildMediaLine& line) {
  struct Slot {
    VFileSpec spec;
    uint16_t key;
  };
  std::vector<Slot> slots;
  slots.push_back({slot0, 0});
  std::string base = StoredPath(slot0);
  std::string folder = FolderOf(base);
  std::string name = FileNameOf(base);
  for (const BuildOption& option : options_) {
    std::string path = (folder.empty() ? std::string() : folder + "\\") + option.name.GetChars() + "\\" + name;
    VFileSpec spec(path.c_str());
    if (SourceFileExists(spec)) slots.push_back({spec, static_cast<uint16_t>(option.value)});
  }
  const uint32_t variants = static_cast<uint32_t>(slots.size());
  MediaEntry& top = table_[static_cast<size_t>(filled_)];
  top = MediaEntry{};
  top.id = entryId;
  top.offset = static_cast<uint32_t>(archive_.GetPosition());
  top.type = kPendingType;
  std::vector<uint8_t> variantTable;
  // The sub-header: the variant count, then one entry per variant.
  auto writeSubHeader = [&] {
    int32_t tableBytes = static_cast<int32_t>(variantTable.size());
    return archive_.VFile::WriteLong(static_cast<int32_t>(variants)) == 4 &&
           archive_.VFile::Write(variantTable.data(), tableBytes) == tableBytes;
  };
  if (variants > 1) {
    top.type = archive_format::kVariantTableType;
    top.size = 4 + archive_format::kEntrySize * variants;
    variantTable.assign(static_cast<size_t>(archive_format::kEntrySize) * variants, 0);
    if (!writeSubHeader()) {
      log_.Line("Could not write empty sub-header");
      return false;
    }
  }
  for (uint32_t i = 0; i < variants; ++i) {
    Slot& slot = slots[i];
    BuildRecord record;
    record.entry.type = slot.spec.GetFileTypeFromExtension(kAllCategories);
    VFile source(slot.spec, record.entry.type, kUnknownFileType);
    VString path;
    slot.spec.GetPathWithSlashes(path);
    if (!source.Open(VFileObject::kRead)) {
      log_.Text("Build aborted: Couldn't open file ").Quoted(path).LineEnd();
      return false;
    }
    int64_t length = source.GetLength();
    record.entry.size = static_cast<uint32_t>(std::clamp<int64_t>(length, 0, UINT32_MAX));
    record.entry.id = variants == 1 ? entryId : slot.key;
    int64_t before = archive_.GetPosition();
    record.entry.offset = static_cast<uint32_t>(before);
    std::string fileName = FileNameOf(StoredPath(slot.spec));
    for (size_t k = 0; k < 8 && k < fileName.size() && fileName[k] != '.'; ++k) {
      char c = fileName[k];
      record.entry.name[k] = static_cast<uint8_t>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    ConversionContext context;
    context.archive = &archive_;
    context.log = &log_;
    context.line = &line;
    context.source = &source;
    context.sourceSpec = slot.spec;
    context.scriptSpec = scriptSpec_;
    if (!RunBuilderConversion(context, record)) return false;
    record.entry.size = static_cast<uint32_t>(archive_.GetPosition() - before);
    log_.Number(entryId).Tab().TypeCode(record.entry.type).Tab().Text(path).Tab();
    log_.Number(static_cast<int32_t>(record.entry.size)).Text(record.note).LineEnd();
    source.Close();
    if (variants == 1) {
      top = record.entry;
    } else {
      archive_format::EncodeEntry(record.entry, variantTable.data() + archive_format::kEntrySize * i);
    }
  }
  if (variants > 1) {
    int64_t end = archive_.GetPosition();
    archive_.Seek(top.offset, true);
    if (!writeSubHeader()) {
      log_.Line("Could not write full sub-header");
      return false;
    }
    archive_.Seek(end, true);
    log_.Number(static_cast<int32_t>(variants)).Text(" submedia written").LineEnd();
  }
  return true;
}

bool Builder::WriteFullHeader() {
  if (filled_ != counted_) {
    LogCountMismatch(filled_);
    return false;
  }
  // Sorted by id; equal ids keep their script order.
  std::stable_sort(table_.begin(), table_.end(), [](const MediaEntry& a, const MediaEntry& b) { return a.id < b.id; });
  std::vector<uint8_t> header(archive_format::kHeaderSize + archive_format::kEntrySize * table_.size());
  archive_format::EncodeHeader(static_cast<int16_t>(counted_), header.data());
  for (size_t i = 0; i < table_.size(); ++i) {
    archive_format::EncodeEntry(table_[i], header.data() + archive_format::kHeaderSize + archive_format::kEntrySize * i);
  }
  int64_t end = archive_.GetPosition();
  archive_.Seek(0, true);
  int32_t bytes = static_cast<int32_t>(header.size());
  if (archive_.VFile::Write(header.data(), bytes) != bytes) {
    log_.Line("Build aborted: Couldn't write full header.");
    return false;
  }
  archive_.Seek(end, true);
  int64_t length = archive_.GetLength();
  log_.LineEnd().Text("Full header written.").LineEnd();
  log_.Text("Total file size:").Number(static_cast<int32_t>((length + 1023) / 1024)).Text(" K").LineEnd();
  log_.Line("Finished successfully.");
  return true;
}

}  // namespace

bool BuildMediaArchive(VTextFile& script, VFile& archive, VTextFile* log) {
  Builder builder(script, archive, log);
  return builder.Run();
}
