// ostrevan-haus: the title's program. It runs "Das Ostrevan Haus" from the
// current folder (Media/QV_GUI.msf, history.log) and the CD-ROM (the folders
// of OSTREVAN_CD first, then the optical mounts).
//
//   ostrevan-haus [--log FILE] [--quit-after MS] [--record-demo FILE | --play-demo FILE | --demo-keys] [--help]
//
// --log appends the start-up's measurements to FILE: "start", then
// "first-frame-ms MS" (from the program's entry to the first frame on the
// screen), "resident-kb KB" (the memory held then) and at the end
// "exit CODE", and in between what the title reports of its run (the panel
// on show, "opening-movie-first-frame-ms MS" from the program's entry to the
// opening movie's first picture on the screen, each hand-over script with
// its frame times, and every two seconds "alive frames N", the count of
// frames shown so far). --quit-after ends
// the program MS milliseconds after its first frame (for measurements and
// tests). --record-demo records the mouse input into a demo-tour file from
// the first frame to the program's end, --play-demo plays one from the first
// frame on; with either, and with --demo-keys, F12 then R or P records or
// plays through the file dialogs (the option's file stands for them).
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "engine/core/VTask.h"
#include "platform/Clock.h"
#include "platform/File.h"
#include "platform/Process.h"
#include "title/modules/index/IndexScreen.h"
#include "title/modules/relations/RelationsScreen.h"
#include "title/modules/aspects/AspectScreen.h"
#include "title/modules/carousel/CarouselScreen.h"
#include "title/modules/panels/TitlePanelClasses.h"
#include "title/modules/photos/PhotoScreens.h"
#include "title/modules/storyline/EventRecord.h"
#include "title/modules/storyline/StorylineScreen.h"
#include "title/shell/MuseumApplication.h"
#include "title/shell/MuseumServices.h"
#include "title/shell/TitleRunLog.h"

namespace {

constexpr const char* kUsage =
    "usage: ostrevan-haus [--log FILE] [--quit-after MS]\n"
    "                     [--record-demo FILE | --play-demo FILE | --demo-keys] [--help]\n"
    "\n"
    "Starts \"Das Ostrevan Haus\". The current folder holds Media/QV_GUI.msf and\n"
    "the visit history history.log; the CD-ROM's Media folder holds QV_extra.msf,\n"
    "QV_DE.msf and QV_DE_VI.msf.\n"
    "\n"
    "Options:\n"
    "  --log FILE       append the start-up measurements to FILE (start,\n"
    "                   first-frame-ms, resident-kb, exit) and the run's events\n"
    "  --quit-after MS  end the program MS milliseconds after its first frame\n"
    "  --record-demo FILE  record the mouse input into the demo tour FILE (made\n"
    "                   when missing) from the first frame to the program's end\n"
    "  --play-demo FILE play the demo tour FILE from the first frame on (the\n"
    "                   input of the mouse is ignored while it plays)\n"
    "  --demo-keys      F12 then R records, F12 then P plays a demo tour chosen in\n"
    "                   a file dialog; F12 stops (also with the two options above,\n"
    "                   whose FILE then stands for the dialog)\n"
    "  --help           show this text\n"
    "\n"
    "Environment:\n"
    "  OSTREVAN_CD          folders that stand for CD-ROM drives, separated by ':',\n"
    "                       searched before the iso9660/udf mounts\n"
    "  OSTREVAN_WINDOWED=1  show the 640 x 480 screen in a window instead of full screen\n"
    "  OSTREVAN_NO_DIRECTX=1  act as if DirectX were missing (shows that message)\n"
    "  OSTREVAN_DRIVE_X     the folder drive letter X: stands for in paths\n"
    "  SDL_VIDEODRIVER, SDL_AUDIODRIVER  SDL's display and sound drivers\n"
    "  SDL_RENDER_DRIVER    SDL's renderer for the screen (opengl, software ...);\n"
    "                       unset, SDL's software renderer is taken where OpenGL\n"
    "                       would itself be drawn in software (e.g. under Xvfb)\n";

std::ofstream gLog;
uint64_t gStartMicroseconds = 0;
int gQuitAfterMs = -1;

// The demo-tour options.
struct DemoOptions {
  std::optional<MuseumApplication::DemoTourStart> start;
  std::string path;
};

void Log(const std::string& line) {
  if (!gLog.is_open()) return;
  gLog << line << '\n';
  gLog.flush();
}

// Ends the program a while after the first frame.
class QuitTimer : public VTask {
 public:
  explicit QuitTimer(uint32_t delayMs) : VTask(0, true, true, true, ::GetTaskManager()), delay_(delayMs) {}
  bool Step(uint32_t /*pass*/) override {
    const uint32_t now = GetTaskTickCount();
    if (!started_) {
      started_ = true;
      due_ = now + delay_;
    }
    if (static_cast<int32_t>(now - due_) < 0) {
      SetNextStepTime(due_);
      return true;
    }
    if (VApplication* app = GetApplication()) app->Quit();
    return false;
  }

 private:
  uint32_t delay_;
  uint32_t due_ = 0;
  bool started_ = false;
};

void OnFirstFrame() {
  const uint64_t elapsed = platform::Microseconds() - gStartMicroseconds;
  char text[64];
  std::snprintf(text, sizeof text, "first-frame-ms %.1f", static_cast<double>(elapsed) / 1000.0);
  Log(text);
  Log("resident-kb " + std::to_string(platform::ResidentMemoryKilobytes()));
  if (gQuitAfterMs >= 0) new QuitTimer(static_cast<uint32_t>(gQuitAfterMs));
}

// Reads the options. -1 to go on, else the exit code (0 after --help, 2 for
// a command line not understood).
int ParseOptions(int argc, char** argv, std::string& logPath, DemoOptions& demo) {
  const auto refuse = [](const std::string& message) {
    std::fprintf(stderr, "ostrevan-haus: %s\n%s", message.c_str(), kUsage);
    return 2;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--help" || option == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    const bool demoOption = option == "--record-demo" || option == "--play-demo" || option == "--demo-keys";
    if (demoOption && demo.start) return refuse("only one of --record-demo, --play-demo and --demo-keys");
    if (option == "--demo-keys") {
      demo.start = MuseumApplication::DemoTourStart::kKeys;
      continue;
    }
    if (option != "--log" && option != "--quit-after" && !demoOption) {
      return refuse("unknown argument '" + option + "'");
    }
    if (i + 1 >= argc) return refuse("option '" + option + "' needs a value");
    const std::string value = argv[++i];
    if (option == "--log") {
      logPath = value;
      continue;
    }
    if (demoOption) {
      if (value.empty()) return refuse("option '" + option + "' needs a file");
      demo.start = option == "--record-demo" ? MuseumApplication::DemoTourStart::kRecord
                                              : MuseumApplication::DemoTourStart::kPlay;
      demo.path = value;
      continue;
    }
    char* end = nullptr;
    errno = 0;
    const long ms = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || errno == ERANGE || ms < 0 || ms > INT_MAX) {
      return refuse("bad duration '" + value + "' for --quit-after (milliseconds)");
    }
    gQuitAfterMs = static_cast<int>(ms);
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  gStartMicroseconds = platform::Microseconds();
  std::string logPath;
  DemoOptions demo;
  const int parsed = ParseOptions(argc, argv, logPath, demo);
  if (parsed >= 0) return parsed;
  // A demo tour to play must be there: playing never makes the file.
  if (demo.start == MuseumApplication::DemoTourStart::kPlay) {
    const int fd = platform::OpenFile(demo.path, platform::kFileRead);
    if (fd < 0) {
      std::fprintf(stderr, "ostrevan-haus: cannot read the demo tour '%s'\n", demo.path.c_str());
      return 1;
    }
    platform::CloseFile(fd);
  }
  if (!logPath.empty()) {
    gLog.open(logPath, std::ios::app);
    if (!gLog.is_open()) {
      std::fprintf(stderr, "ostrevan-haus: cannot write the log '%s'\n", logPath.c_str());
      return 1;
    }
  }
  Log("start");
  if (gLog.is_open()) {
    title_run_log::SetProgramStart(gStartMicroseconds);
    title_run_log::SetSink(Log);
  }
  int code = 1;
  InstallMuseumServices(MakeEventRecord);
  RegisterTitlePanelClasses();
  RegisterPhotoScreens();
  RegisterIndexScreen();
  RegisterRelationsScreen();
  RegisterAspectScreen();
  RegisterStorylineScreen();
  RegisterCarouselScreen();
  {
    MuseumApplication app;
    app.SetFirstFrameListener(OnFirstFrame);
    if (demo.start) app.EnableDemoTours(*demo.start, demo.path);
    // The command line carries only this program's options.
    code = VApplication::Main(1, argv);
  }
  Log("exit " + std::to_string(code));
  return code;
}
