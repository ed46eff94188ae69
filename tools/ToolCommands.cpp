// Subcommand dispatch of ostrevan-tool.
#include "tools/ToolCommands.h"

#include "engine/image/ImageRegistry.h"
#include "tools/ArchiveCommands.h"
#include "tools/ImageDecodeCommand.h"
#include "tools/RarCommands.h"

namespace {

void PrintUsage(std::ostream& err) {
  err << "usage: ostrevan-tool archive build SCRIPT ARCHIVE [LOG]\n"
         "       ostrevan-tool archive list ARCHIVE\n"
         "       ostrevan-tool archive extract ARCHIVE DIR\n"
         "       ostrevan-tool image decode FILE OUT [--depth D] [--alpha ALPHA.pgm] [--libjpeg]\n"
         "       ostrevan-tool rar extract ARCHIVE MEMBER OUT\n";
}

}  // namespace

int RunTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  InstallImageReaders();
  if (args.empty()) {
    PrintUsage(err);
    return 2;
  }
  const std::string& group = args[0];
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (group == "archive") {
    int result = RunArchiveCommand(rest, out, err);
    if (result == 2) PrintUsage(err);
    return result;
  }
  if (group == "image") {
    int result = RunImageCommand(rest, out, err);
    if (result == 2) PrintUsage(err);
    return result;
  }
  if (group == "rar") {
    int result = RunRarCommand(rest, out, err);
    if (result == 2) PrintUsage(err);
    return result;
  }
  err << "ostrevan-tool: unknown command '" << group << "'\n";
  PrintUsage(err);
  return 2;
}
