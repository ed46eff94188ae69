// The title's one application object: its start-up (the multimedia runtime
// check, the four archives and the category tables, the picture fonts, the
// display at 640 x 480 x 16 and audio at 22050 Hz, 16 bits, mono, the sound
// codecs and the sound manager), its main window, the registrations of its
// four panel classes and the shutdown of what it made.
//
//   MuseumApplication app;        // one, before VApplication::Main
//   return VApplication::Main(argc, argv);
//
// Ownership: the application owns the crash filter, the four archives (and
// deletes them with itself) and the picture-font table; the fonts belong to
// the font registry.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/app/VApplication.h"

class DemoTourPlayer;
class VExceptionFilter;

class MuseumApplication : public VApplication {
 public:
  // The build's language: German.
  static constexpr int32_t kLanguageIndex = 3;
  // The panel classes of the class factory.
  static constexpr int32_t kMainPanelType = 2048;
  static constexpr int32_t kCreditsPanelType = 2049;
  static constexpr int32_t kLanguagePanelType = 2050;
  static constexpr int32_t kTextPicturePanelType = 2051;
  // The main window's panel ids: the main panel, the closing panel and the
  // opening panel (the first one shown).
  static constexpr int32_t kMainPanelId = 8192;
  static constexpr int32_t kClosingPanelId = 8193;
  static constexpr int32_t kOpeningPanelId = 8194;
  // The main window's ids and size.
  static constexpr int32_t kMainWindowId = 4096;
  static constexpr int32_t kScreenWidth = 640;
  static constexpr int32_t kScreenHeight = 480;
  // The default colour table's media id.
  static constexpr uint16_t kColorTableId = 100;

  MuseumApplication();
  ~MuseumApplication() override;

  void Quit() override;
  bool StartApplication() override;
  void Shutdown() override;
  void ActivateApp(bool active) override;
  // The 640 x 480 window centred in the screen rectangle.
  void CreateMainWindow(const VRect& screen) override;
  // The framework's idle step; reports the first presented frame, and to the
  // run log each presented frame and each change of the panel on show.
  void IdleStep() override;

  // Demo tours, which the title has only when asked for: the recorder and
  // player is made with the main window and sees its keys and mouse input
  // first (F12, then R or P). With kRecord it records into `path` from the
  // first frame on (the pointer's place first) and ends the file when the
  // program ends; with kPlay it plays `path` from the first frame on. A path
  // stands for the file dialogs of the keys. Call before the main window is
  // made.
  enum class DemoTourStart { kKeys, kRecord, kPlay };
  void EnableDemoTours(DemoTourStart start, std::string path);
  DemoTourPlayer* GetDemoTourPlayer() const { return demoPlayer_.get(); }

  // Called once, on the idle pass after the first frame reached the screen.
  void SetFirstFrameListener(std::function<void()> listener) { firstFrameListener_ = std::move(listener); }

  // The rectangle (0, 0, 640, 480) moved to the middle of `screen` (by half
  // the difference of the edge sums, halves rounded down).
  static VRect CenteredWindowRect(const VRect& screen);

 private:
  std::unique_ptr<VExceptionFilter> filter_;
  std::function<void()> firstFrameListener_;
  bool firstFrameReported_ = false;
  uint32_t presentsSeen_ = 0;
  int32_t panelSeen_ = 0;
  static constexpr uint32_t kAliveLineIntervalMs = 2000;
  uint32_t nextAliveLine_ = 0;
  std::optional<DemoTourStart> demoStart_;
  std::string demoPath_;
  std::unique_ptr<DemoTourPlayer> demoPlayer_;
  // Takes the player's filters off the main window and deletes the player
  // (a recording gets its end marker).
  void EndDemoTours();
};
