// Test support of the title's panels: a small disc built in a temporary
// folder (the four archives, opened as the title opens them), a 640 x 480
// bench window on a fake clock, and a stand-in for the main window that, as
// the main window does, deletes the panel that asks for another one while it
// takes the request (owner messages 80, 81, 83).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/app/VControl.h"
#include "engine/app/VPanelOwner.h"
#include "engine/controls/ControlTestSupport.h"
#include "engine/controls/DeferredDeletion.h"
#include "engine/controls/VPanel.h"
#include "engine/core/Clock.h"
#include "engine/sound/AudioDecoder.h"
#include "engine/sound/AudioFormat.h"
#include "engine/sound/AudioMixer.h"
#include "engine/sound/SDLAudioDevices.h"
#include "engine/sound/SoundManager.h"
#include "support/BuildPaths.h"
#include "support/Subprocess.h"
#include "title/shell/MuseumArchives.h"
#include "title/shell/ShellTestSupport.h"

namespace paneltest {

class OwnerStandIn : public VControl {
 public:
  explicit OwnerStandIn(VGraphicObject* parent) : VControl(257, 1, 0, 0, 0, 640, 480, parent) {}

  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override {
    if (code != 80 && code != 81 && code != 83) return VControl::HandleEvent(code, value1, value2);
    asked.push_back(code);
    if (panel != nullptr) {
      VPanel* gone = panel;
      panel = nullptr;
      if (VPanelServices* services = GetPanelServices()) services->TeardownPanel(*gone);
      delete gone;
    }
    return true;
  }

  VPanel* panel = nullptr;  // deleted when it asks for another panel
  std::vector<uint32_t> asked;
};

class PanelFixture : public shelltest::ShellFixture {
 protected:
  void TearDown() override {
    delete mixer;
    mixer = nullptr;
    device.reset();
    if (bench) {
      FlushDeferredDeletions();
      bench.reset();
    }
    DestroySoundManager();
    ShellFixture::TearDown();
  }

  // Builds the four archives from the lines given (besides the category
  // tables and a TEXT in each) and opens them; `toolExtra` builds the extra
  // archive with ostrevan-tool, which has the picture conversions.
  void OpenDisc(bool toolExtra = false) {
    std::vector<std::string> gui = {"50 -20 \"gui\""};
    gui.insert(gui.end(), guiLines.begin(), guiLines.end());
    ASSERT_TRUE(BuildArchive("Media/QV_GUI.msf", gui));
    std::vector<std::string> extra = {"7000 -20 \"extra\""};
    extra.insert(extra.end(), extraLines.begin(), extraLines.end());
    if (toolExtra) {
      std::string script;
      for (const std::string& line : extra) script += line + "\n";
      WriteFile("extra.txt", script);
      std::filesystem::create_directories(Path("CD/Media"));
      ASSERT_TRUE(testsupport::RunsToSuccess(
          {OSTREVAN_TOOL_BIN, "archive", "build", Path("extra.txt"), Path("CD/Media/QV_extra.msf")},
          {"ASAN_OPTIONS=detect_leaks=0"}, 60));
    } else {
      ASSERT_TRUE(BuildArchive("CD/Media/QV_extra.msf", extra));
    }
    std::vector<std::string> language = TableLines([](int t) { return shelltest::UniformTable(t); });
    language.emplace_back("49 -20 \"language\"");
    language.insert(language.end(), languageLines.begin(), languageLines.end());
    ASSERT_TRUE(BuildArchive("CD/Media/QV_DE.msf", language));
    std::vector<std::string> video = {"49 -20 \"video\""};
    video.insert(video.end(), videoLines.begin(), videoLines.end());
    ASSERT_TRUE(BuildArchive("CD/Media/QV_DE_VI.msf", video));
    ASSERT_TRUE(OpenMediaArchives());
    bench = std::make_unique<controltest::Bench>(640, 480);
    // The movies' clock counts from here on the bench's fake clock.
    bench->clock().SetStepPerRead(0);
    InitClock();
    owner = new OwnerStandIn(bench->recorder);
  }

  // Opens the panel under the owner stand-in, shown as the window shows
  // its current panel.
  template <typename Panel>
  Panel* Show(Panel* panel) {
    owner->panel = panel;
    EXPECT_TRUE(panel->Open(owner, false));
    panel->SetVisible(true, false);
    return panel;
  }

  // A mixer over a capture device, whose output the idle passes pull as the
  // fake time goes on.
  void StartMixer() {
    EnsureStandardSoundCodecs();
    device = std::make_unique<VCaptureAudioDevice>(VAudioFormat(22050, 16, false));
    device->Open();
    mixer = new VAudioMixer(device.get(), 16);
  }

  // One idle pass `ms` after the last (with the mixer's output for that time
  // pulled first when there is a mixer).
  void Pass(uint32_t ms = 10) {
    if (device) device->PullFrames(static_cast<int32_t>(22050 * ms / 1000));
    bench->clock().AdvanceMilliseconds(ms);
    bench->Idle();
  }

  static int Run(const std::string& command) { return std::system(command.c_str()); }

  // A source file of the test's folder as a build line's quoted path.
  std::string Quoted(const std::string& name) { return "\"" + Path(name) + "\""; }

  std::vector<std::string> guiLines;
  std::vector<std::string> extraLines;
  std::vector<std::string> languageLines;
  std::vector<std::string> videoLines;
  std::unique_ptr<controltest::Bench> bench;
  std::unique_ptr<VCaptureAudioDevice> device;
  VAudioMixer* mixer = nullptr;
  OwnerStandIn* owner = nullptr;  // the bench's window owns it
};

}  // namespace paneltest
