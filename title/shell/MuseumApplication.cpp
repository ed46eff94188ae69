#include "title/shell/MuseumApplication.h"

#include <cstdio>

#include "engine/app/AudioSetup.h"
#include "engine/app/DisplaySetup.h"
#include "engine/app/MainWindow.h"
#include "engine/app/VDisplay.h"
#include "engine/app/VExceptionFilter.h"
#include "engine/controls/VFactory.h"
#include "engine/core/VString.h"
#include "engine/core/VTask.h"
#include "engine/graphics/DisplaySurfaceOption.h"
#include "engine/sound/AudioDecoder.h"
#include "engine/sound/SoundManager.h"
#include "platform/Clock.h"
#include "platform/DirectX.h"
#include "title/controls/TitleSoundTable.h"
#include "engine/controls/PointerState.h"
#include "title/shell/AppPanel.h"
#include "title/shell/DemoTourPlayer.h"
#include "title/shell/MuseumArchives.h"
#include "title/shell/MuseumServices.h"
#include "title/shell/PictureFontTable.h"
#include "title/shell/StartMessages.h"
#include "title/shell/TitleRunLog.h"

namespace {

void FinishNothing(VPropertyHolder* /*object*/, int32_t /*argument*/) {}

// The main panel's class. The program registers the other three panels'
// classes (opening, language, closing), which are built on this library.
VFactoryRegistration gMainPanelClass(MuseumApplication::kMainPanelType, sizeof(AppPanel), nullptr, nullptr,
                                     FactoryCreateDefault<AppPanel>, FactoryDestroyDefault<AppPanel>, FinishNothing);

constexpr int32_t kNoFlag = 0;

}  // namespace

MuseumApplication::MuseumApplication() : filter_(std::make_unique<VExceptionFilter>()) {}

MuseumApplication::~MuseumApplication() {
  // Normally ExitInstance has shut down already; then this does nothing.
  Shutdown();
  filter_.reset();
  DeleteMuseumArchives();
  RemoveMuseumServices();
}

void MuseumApplication::Quit() { VApplication::Quit(); }

void MuseumApplication::ActivateApp(bool active) { VApplication::ActivateApp(active); }

bool MuseumApplication::StartApplication() {
  if (!platform::IsDirectXInstalled()) {
    ShowStartMessage(StartMessage::kDirectX, kLanguageIndex);
    return false;
  }
  // The title's services were installed before the application was made
  // (InstallMuseumServices, from the program's start).
  if (!VApplication::StartApplication()) return false;
  // Shows its own message and asks to quit.
  if (!OpenMediaArchives()) return false;
  LoadPictureFonts();
  SetupLookupTables();
  SetDisplaySurfaceOption(1);

  DisplaySetup display;
  display.staticColors = false;
  display.changeSystemColors = false;
  display.colorTableId = kColorTableId;
  display.offscreenCount = 1;
  display.offscreenDepth = 0;
  display.withBackWindow = false;
  display.width = kScreenWidth;
  display.height = kScreenHeight;
  display.bitsPerPixel = 16;
  display.fullScreen = true;
  if (!SetupDisplay(display)) {
    std::fputs("Das Ostrevan Haus: the display cannot be set up\n", stderr);
    return false;
  }

  AudioSetup audio;
  audio.format = VAudioFormat(22050, 16, false);
  audio.priorityLevel = true;
  audio.levelCount = 16;
  // Without a sound device the title runs silent.
  SetupAudio(audio);
  // The plain and ADPCM decoders, the raw and WAVE readers, in this order
  // (those the audio set-up has not registered already).
  EnsureStandardSoundCodecs();
  // Makes the sound manager, now that the mixer exists, with the title's table.
  InstallTitleSoundTable();
  StartUpDone(kNoFlag);
  return true;
}

void MuseumApplication::Shutdown() {
  // Before the main window goes: the player replays into it.
  EndDemoTours();
  if (!IsRunning()) return;
  FreePictureFonts();
  VApplication::Shutdown();
  DestroySoundManager();
}

VRect MuseumApplication::CenteredWindowRect(const VRect& screen) {
  VRect rect(0, 0, kScreenWidth, kScreenHeight);
  // Halves rounded down, also for negative differences.
  const auto half = [](int64_t value) { return static_cast<int32_t>(value >= 0 ? value / 2 : (value - 1) / 2); };
  const int32_t dx = half(int64_t{screen.left} + screen.right - (int64_t{rect.left} + rect.right));
  const int32_t dy = half(int64_t{screen.top} + screen.bottom - (int64_t{rect.top} + rect.bottom));
  rect.Offset(dx, dy);
  return rect;
}

void MuseumApplication::CreateMainWindow(const VRect& screen) {
  auto* window = new MainWindow(kMainWindowId, kMainWindowId, CenteredWindowRect(screen), true, true);
  VString title("Das Ostrevan Haus");
  window->SetTitle(title);
  if (!demoStart_) return;
  demoPlayer_ = std::make_unique<DemoTourPlayer>(window);
  demoPlayer_->SetChosenPath(demoPath_);
  DemoTourPlayer* player = demoPlayer_.get();
  window->SetInputFilters([player](const VMouseEvent& event, uint16_t kind) { return player->OnInputEvent(event, kind); },
                          [player](const VKeyEvent& event) { return player->KeyDown(event); });
}

void MuseumApplication::EnableDemoTours(DemoTourStart start, std::string path) {
  demoStart_ = start;
  demoPath_ = std::move(path);
}

void MuseumApplication::EndDemoTours() {
  if (!demoPlayer_) return;
  if (auto* window = dynamic_cast<MainWindow*>(GetMainWindow())) window->SetInputFilters({}, {});
  demoPlayer_.reset();
}

void MuseumApplication::IdleStep() {
  uint32_t due = 0;
  const bool hasDue = TakePassDue(due);
  VApplication::IdleStep();
  if (title_run_log::HasSink()) {
    const uint32_t presents = VDisplay::Get().GetPresentCount();
    if (presents != presentsSeen_) {
      presentsSeen_ = presents;
      // When the frame reached the screen (the pass's tasks ran before it),
      // and how long after the loop meant to run the pass that drew it.
      const uint32_t now = platform::TickCount();
      const auto late = static_cast<int32_t>(now - due);
      title_run_log::NoteFrame(now, hasDue && late > 0 ? static_cast<uint32_t>(late) : 0u);
    }
    // Every two seconds the count of frames so far: a watcher outside sees
    // that the idle loop runs and whether frames keep reaching the screen.
    const uint32_t now = platform::TickCount();
    if (static_cast<int32_t>(now - nextAliveLine_) >= 0) {
      nextAliveLine_ = now + kAliveLineIntervalMs;
      title_run_log::Write("alive frames " + std::to_string(presents));
    }
    const VWindow* window = GetMainWindow();
    const VGraphicObject* panel = window != nullptr ? window->GetCurrentPanel() : nullptr;
    const int32_t panelId = panel != nullptr ? panel->GetId() : 0;
    if (panelId != panelSeen_) {
      panelSeen_ = panelId;
      title_run_log::Write("panel " + std::to_string(panelId));
    }
  }
  if (firstFrameReported_ || VDisplay::Get().GetPresentCount() == 0) return;
  firstFrameReported_ = true;
  if (demoPlayer_ && demoStart_ == DemoTourStart::kRecord) {
    VPoint pointer;
    VWindow* window = GetMainWindow();
    if (window != nullptr && GetPointerInWindow(*window, pointer)) {
      demoPlayer_->StartRecording(demoPath_, pointer);
    } else {
      demoPlayer_->StartRecording(demoPath_);
    }
  } else if (demoPlayer_ && demoStart_ == DemoTourStart::kPlay) {
    demoPlayer_->StartPlayback(demoPath_);
  }
  if (firstFrameListener_) firstFrameListener_();
}
