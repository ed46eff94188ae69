// Extracting a member of a RAR 2.x archive into a file.
#include "tools/RarCommands.h"

#include <cstdio>

#include "launchers/common/RarReader.h"

namespace {

int ExtractMember(const std::string& archive, const std::string& member, const std::string& outPath,
                  std::ostream& out, std::ostream& err) {
  std::vector<uint8_t> data;
  RarStatus status = ExtractRarMember(archive, member, data);
  if (status != RarStatus::kOk) {
    err << "ostrevan-tool: " << archive << ": " << member << ": " << RarStatusText(status) << "\n";
    return 1;
  }
  FILE* f = std::fopen(outPath.c_str(), "wb");
  if (f == nullptr) {
    err << "ostrevan-tool: cannot write " << outPath << "\n";
    return 1;
  }
  bool written = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
  written = std::fclose(f) == 0 && written;
  if (!written) {
    err << "ostrevan-tool: cannot write " << outPath << "\n";
    std::remove(outPath.c_str());
    return 1;
  }
  out << member << ": " << data.size() << " bytes\n";
  return 0;
}

}  // namespace

int RunRarCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << "ostrevan-tool: rar: expected 'extract ARCHIVE MEMBER OUT'\n";
    return 2;
  }
  if (args[0] != "extract") {
    err << "ostrevan-tool: rar: unknown command '" << args[0] << "'\n";
    return 2;
  }
  if (args.size() != 4) {
    const size_t names = args.size() - 1;
    err << "ostrevan-tool: rar extract: expected ARCHIVE, MEMBER and OUT, got " << names
        << (names == 1 ? " name" : " names") << "\n";
    return 2;
  }
  return ExtractMember(args[1], args[2], args[3], out, err);
}
