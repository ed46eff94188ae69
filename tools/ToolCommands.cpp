// Subcommand dispatch of ostrevan-tool.
#include "tools/ToolCommands.h"

#include <exception>
#include <new>

#include "tools/ArchiveCommands.h"
#include "tools/ImageDecodeCommand.h"
#include "tools/MovieCommands.h"
#include "tools/PanoramaCommands.h"
#include "tools/RarCommands.h"
#include "tools/SoundCommand.h"
#include "tools/TextCommands.h"

namespace {

void PrintUsage(std::ostream& stream) {
  stream << "usage: ostrevan-tool archive build SCRIPT ARCHIVE [LOG]\n"
            "       ostrevan-tool archive list ARCHIVE\n"
            "       ostrevan-tool archive extract ARCHIVE DIR\n"
            "       ostrevan-tool image decode FILE OUT [--depth D] [--alpha ALPHA.pgm] [--libjpeg]\n"
            "       ostrevan-tool sound decode FILE OUT.wav   (WAVE, RSX or MPEG Layer II audio)\n"
            "       ostrevan-tool movie frames FILE DIR [--depth 16|32] [--audio OUT.wav]\n"
            "       ostrevan-tool panorama render PICTURE OUT.ppm [--yaw Y] [--pitch P] [--fast] [--depth 16|32]\n"
            "                     [--size WxH]\n"
            "       ostrevan-tool rar extract ARCHIVE MEMBER OUT\n"
            "       ostrevan-tool text render MARKUP OUT.ppm [--width W] [--height H] [--font FACE,SIZE]\n"
            "       ostrevan-tool text measure TEXTS (--font FACE,SIZE[,bold] | --picture-font ARCHIVE,ID[,METRICS])\n"
            "                     [--wrap W]   (WIDTH HEIGHT for each line of TEXTS)\n"
            "       ostrevan-tool help | --help\n";
}

bool AsksForHelp(const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == "help") return true;
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

int Dispatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (AsksForHelp(args)) {
    PrintUsage(out);
    return 0;
  }
  if (args.empty()) {
    PrintUsage(err);
    return 2;
  }
  const std::string& group = args[0];
  std::vector<std::string> rest(args.begin() + 1, args.end());
  int result = 2;
  if (group == "archive") {
    result = RunArchiveCommand(rest, out, err);
  } else if (group == "image") {
    result = RunImageCommand(rest, out, err);
  } else if (group == "sound") {
    result = RunSoundCommand(rest, out, err);
  } else if (group == "movie") {
    result = RunMovieCommand(rest, out, err);
  } else if (group == "panorama") {
    result = RunPanoramaCommand(rest, out, err);
  } else if (group == "rar") {
    result = RunRarCommand(rest, out, err);
  } else if (group == "text") {
    result = RunTextCommand(rest, out, err);
  } else if (group.size() > 1 && group[0] == '-') {
    err << "ostrevan-tool: unknown option '" << group << "'\n";
  } else {
    err << "ostrevan-tool: unknown command '" << group << "'\n";
  }
  if (result == 2) PrintUsage(err);
  return result;
}

}  // namespace

int RunCatchingEverything(const std::function<int()>& command, std::ostream& err) {
  try {
    return command();
  } catch (const std::bad_alloc&) {
    err << "ostrevan-tool: out of memory\n";
  } catch (const std::exception& e) {
    err << "ostrevan-tool: unexpected error: " << e.what() << "\n";
  } catch (...) {
    err << "ostrevan-tool: unexpected error\n";
  }
  return 1;
}

int RunTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return RunCatchingEverything([&] { return Dispatch(args, out, err); }, err);
}
