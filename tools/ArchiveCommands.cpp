// Listing and extracting Devid Uvedud archives.
#include "tools/ArchiveCommands.h"

#include <cstdio>

#include "engine/archive/MediaArchive.h"
#include "platform/File.h"

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
  int n = 0;
  while (n < 8 && entry.name[n] != 0) ++n;
  return Printable(entry.name, n);
}

void PrintFields(std::ostream& out, const MediaEntry& e) {
  out << e.id << '\t' << TypeText(e.type) << '\t' << e.offset << '\t' << e.size << '\t' << NameText(e) << '\n';
}

bool OpenForTool(MediaArchive& archive, const std::string& path, std::ostream& err) {
  VFileSpec spec(path.c_str());
  if (path.empty() || !platform::FileExists(path) || platform::DirectoryExists(path) ||
      !archive.OpenArchive(spec, false)) {
    err << "ostrevan-tool: '" << path << "' is not a readable Devid Uvedud archive\n";
    return false;
  }
  return true;
}

}  // namespace

int ListArchive(const std::string& path, std::ostream& out, std::ostream& err) {
  MediaArchive archive;
  if (!OpenForTool(archive, path, err)) return 1;
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

int RunArchiveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() == 2 && args[0] == "list") return ListArchive(args[1], out, err);
  if (args.size() == 3 && args[0] == "extract") return ExtractArchive(args[1], args[2], out, err);
  err << "ostrevan-tool: archive: expected 'list ARCHIVE' or 'extract ARCHIVE DIR'\n";
  return 2;
}
