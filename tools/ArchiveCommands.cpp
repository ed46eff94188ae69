// Building, listing and extracting Devid Uvedud archives.
#include "tools/ArchiveCommands.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "engine/archive/MediaArchive.h"
#include "engine/archive/MediaArchiveBuilder.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VTextFile.h"
#include "engine/graphics/VColorTable.h"
#include "platform/File.h"
#include "tools/PictureConversions.h"

namespace {

// Printable ASCII as it is, anything else as \xNN.
std::string Printable(const uint8_t* bytes, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    uint8_t c = bytes[i];
    if (c >= 32 && c < 127 && c != '\\') {
      text += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      text += buf;
    }
  }
  return text;
}

std::string TypeText(uint32_t type) {
  uint8_t bytes[4];
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(type >> (8 * i));
  return Printable(bytes, 4);
}

std::string NameText(const MediaEntry& entry) {
  char name[9];
  archive_format::ShortNameText(entry, name);
  return Printable(reinterpret_cast<const uint8_t*>(name), static_cast<int>(std::strlen(name)));
}

void PrintFields(std::ostream& out, const MediaEntry& e) {
  out << e.id << '\t' << TypeText(e.type) << '\t' << e.offset << '\t' << e.size << '\t' << NameText(e) << '\n';
}

bool OpenForTool(MediaArchive& archive, const std::string& path, std::ostream& err) {
  if (path.empty() || !platform::FileExists(path)) {
    err << "ostrevan-tool: '" << path << "': no such file\n";
    return false;
  }
  if (platform::DirectoryExists(path)) {
    err << "ostrevan-tool: '" << path << "' is a folder, not an archive\n";
    return false;
  }
  VFileSpec spec(path.c_str());
  const std::string refusal = "ostrevan-tool: '" + path + "' is not a Devid Uvedud archive (or it is damaged)";
  if (!archive.OpenArchive(spec, false)) {
    err << refusal << "\n";
    return false;
  }
  // Opening reads any file with a header and a table; what the builder
  // writes also has its version, a count of 0 or more and every entry
  // inside the file.
  if (archive.GetVersion() != archive_format::kVersion || archive.GetCount() < 0) {
    err << refusal << "\n";
    return false;
  }
  return true;
}

// Whether every entry lies inside the archive; else says which does not.
bool EntriesInside(const MediaArchive& archive, const std::string& path, std::ostream& err) {
  MediaEntry entry;
  for (int32_t i = 0; archive.EntryAt(i, entry); ++i) {
    if (!archive_format::RangeInside(entry.offset, entry.size, static_cast<uint64_t>(archive.GetArchiveLength()))) {
      err << "ostrevan-tool: '" << path << "' is not a Devid Uvedud archive (or it is damaged): entry " << i
          << " lies past its end\n";
      return false;
    }
  }
  return true;
}

// A new file beside `target` (same folder, so a rename replaces the target in
// one step), made empty and exclusively; its host path, or "" when none can
// be made.
std::string MakeTemporaryBeside(const std::string& target) {
  const size_t slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate =
        folder + "." + name + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      return candidate;
    }
    if (errno != EEXIST) break;
  }
  return std::string();
}

// Why the build stopped, from its log: the log's last line that is not
// empty, without the "Build aborted: " the builder starts it with; "" when
// there is no log.
std::string AbortReason(const std::string& logPath) {
  std::ifstream log(logPath, std::ios::binary);
  std::string line, last;
  while (std::getline(log, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (!line.empty()) last = line;
  }
  const std::string prefix = "Build aborted: ";
  if (last.compare(0, prefix.size(), prefix) == 0) last.erase(0, prefix.size());
  return last;
}

}  // namespace

int ListArchive(const std::string& path, std::ostream& out, std::ostream& err) {
  MediaArchive archive;
  if (!OpenForTool(archive, path, err) || !EntriesInside(archive, path, err)) return 1;
  int result = 0;
  MediaEntry entry;
  for (int32_t i = 0; archive.EntryAt(i, entry); ++i) {
    out << i << '\t';
    PrintFields(out, entry);
    if (entry.type != archive_format::kVariantTableType) continue;
    std::vector<MediaEntry> variants;
    if (!archive.ReadVariants(entry, variants)) {
      err << "ostrevan-tool: entry " << i << " (id " << entry.id << "): unreadable variant table\n";
      result = 1;
      continue;
    }
    for (const MediaEntry& v : variants) {
      out << "\tvariant\t";
      PrintFields(out, v);
    }
  }
  return result;
}

int ExtractArchive(const std::string& path, const std::string& directory, std::ostream& out, std::ostream& err) {
  MediaArchive archive;
  if (!OpenForTool(archive, path, err)) return 1;
  if (!platform::CreateDirectories(directory)) {
    err << "ostrevan-tool: cannot make folder '" << directory << "'\n";
    return 1;
  }
  int32_t total = archive.GetCount() > 0 ? archive.GetCount() : 0;
  VFileSpec folder(directory.c_str());
  int32_t written = archive.ExtractAllMedia(folder);
  out << "extracted " << written << " of " << total << " media\n";
  if (written != total) {
    err << "ostrevan-tool: entry " << written << " of '" << path << "' could not be extracted\n";
    return 1;
  }
  return 0;
}

std::string DefaultBuildLogPath(const std::string& archive) {
  size_t sep = archive.find_last_of('/');
  size_t dot = archive.find_last_of('.');
  bool hasExtension = dot != std::string::npos && (sep == std::string::npos || dot > sep + 1);
  return (hasExtension ? archive.substr(0, dot) : archive) + ".log";
}

int BuildArchive(const std::string& script, const std::string& archive, const std::string& logPath, std::ostream& out,
                 std::ostream& err) {
  std::string logName = logPath.empty() ? DefaultBuildLogPath(archive) : logPath;
  if (archive.empty() || platform::DirectoryExists(archive)) {
    err << "ostrevan-tool: '" << archive << "' cannot be written as an archive\n";
    return 1;
  }
  if (logName == archive || logName == script || archive == script) {
    err << "ostrevan-tool: the script, the archive and the log must be three different files\n";
    return 1;
  }
  // The builder writes into a new file beside the archive, which replaces the
  // archive only when the build finished: a failed build leaves no empty or
  // partial archive (and an earlier archive of that name stays as it was).
  const std::string target = platform::ResolvePath(archive);
  const std::string temporary = MakeTemporaryBeside(target);
  if (temporary.empty()) {
    err << "ostrevan-tool: cannot write the archive '" << archive << "': " << std::strerror(errno) << "\n";
    return 1;
  }
  platform::DeleteFile(logName);
  RegisterToolConversions();
  VTextFile log(VFileSpec(logName.c_str()), MakeTypeCode("TEXT"), MakeTypeCode("ttxt"));
  VTextFile* logFile = &log;
  if (!log.Open(VFileObject::kWrite)) {
    err << "ostrevan-tool: cannot write the log '" << logName << "'\n";
    logFile = nullptr;
  }
  bool built = false;
  bool archiveWritten = true;
  // A colour-table line makes its table current for the rest of the build;
  // the program's current table comes back afterwards.
  VColorTable* previousTable = GetCurrentColorTable();
  {
    VTextFile scriptFile(VFileSpec(script.c_str()), MakeTypeCode("TEXT"), MakeTypeCode("ttxt"));
    VFile archiveFile(VFileSpec(temporary.c_str()), MakeTypeCode("MSF "), kUnknownFileType);
    built = BuildMediaArchive(scriptFile, archiveFile, logFile);
    scriptFile.Close();
    archiveWritten = archiveFile.Close();
  }
  SetCurrentColorTable(previousTable);
  if (previousTable != nullptr) previousTable->Release();
  log.Close();
  if (!built) {
    ::unlink(temporary.c_str());
    const std::string reason = logFile != nullptr ? AbortReason(logName) : std::string();
    err << "ostrevan-tool: the build of '" << archive << "' was aborted";
    if (!reason.empty()) err << ": " << reason;
    if (logFile != nullptr) err << " (see '" << logName << "')";
    err << "\n";
    return 1;
  }
  if (!archiveWritten) {
    err << "ostrevan-tool: writing '" << archive << "' failed; the archive was not replaced\n";
    ::unlink(temporary.c_str());
    return 1;
  }
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    err << "ostrevan-tool: cannot replace '" << archive << "': " << std::strerror(errno) << "\n";
    ::unlink(temporary.c_str());
    return 1;
  }
  out << "built '" << archive << "' (log '" << logName << "')\n";
  return 0;
}

int RunArchiveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i].size() > 1 && args[i][0] == '-') {
      err << "ostrevan-tool: unknown option '" << args[i] << "'\n";
      return 2;
    }
  }
  if ((args.size() == 3 || args.size() == 4) && args[0] == "build") {
    return BuildArchive(args[1], args[2], args.size() == 4 ? args[3] : std::string(), out, err);
  }
  if (args.size() == 2 && args[0] == "list") return ListArchive(args[1], out, err);
  if (args.size() == 3 && args[0] == "extract") return ExtractArchive(args[1], args[2], out, err);
  err << "ostrevan-tool: archive: expected 'build SCRIPT ARCHIVE [LOG]', 'list ARCHIVE' or 'extract ARCHIVE DIR'\n";
  return 2;
}
