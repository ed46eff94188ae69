// The application's display set-up and shutdown: colour tables, the back
// window, the main window, the display mode and the main window's
// off-screen pixel maps.
#include <algorithm>

#include "engine/app/VApplication.h"
#include "engine/app/VBackWindow.h"
#include "engine/app/VDisplay.h"
#include "engine/app/VWindow.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VFont.h"

namespace {
constexpr int32_t kBackWindowId = 4097;
constexpr uint16_t kBackWindowWindowId = 8191;
}  // namespace

bool VApplication::SetupDisplay(const DisplaySetup& setup) {
  SetSystemPaletteMode(setup.staticColors, false, setup.changeSystemColors);

  VColorTable* table =
      setup.colorTableId == 0 ? new VColorTable(StandardPalette{0}) : new VColorTable(setup.colorTableId);
  if (table->GetColorCount() > 0) SetCurrentColorTable(table);
  table->Release();

  VDisplay& display = VDisplay::Get();
  display.Init();

  if (setup.withBackWindow) {
    auto* back = new VBackWindow(kBackWindowId, kBackWindowWindowId, true, true, true);
    back->SetVisible(true, false);
    SetBackWindow(back);
  }

  VRect screen;
  display.GetScreenRect(screen);
  CreateMainWindow(screen);
  VWindow* main = GetMainWindow();

  const int32_t width = setup.width;
  const int32_t height = setup.height;
  const int32_t bitsPerPixel = setup.bitsPerPixel;
  if (width * height != 0 || bitsPerPixel != 0) {
    // Only the first request can switch: the fallbacks leave out a value,
    // and a switch needs all three. They record what was asked for.
    if (!display.SetDisplayMode(width, height, bitsPerPixel, true) &&
        !display.SetDisplayMode(width, height, 0, true)) {
      display.SetDisplayMode(0, 0, bitsPerPixel, true);
    }
    if (main != nullptr) {
      display.GetScreenRect(screen);
      main->SetWindowBounds(screen, true);
    }
  }

  if (main != nullptr) {
    int32_t count = setup.offscreenCount;
    int32_t depth = setup.offscreenDepth;
    if (setup.fullScreen) {
      if (!display.IsModeRestored()) display.EnterFullScreen();
      if (display.IsFullScreen()) main->SetTransferMode(VWindow::kTransferDirectDraw);
      if (PixelMap* flip = display.GetFlipPixelMap()) {
        count = display.CanBltFromSystemMemory() ? std::max(count, 2) : 2;
        depth = flip->GetDepth();
      } else {
        count = 1;
      }
    }
    main->CreateOffscreenMaps(depth, nullptr, count);
    main->BringToFront(false);
    main->ValidateWindow(nullptr);
  }
  return main != nullptr;
}

void VApplication::ShutdownDisplay() {
  VDisplay& display = VDisplay::Get();
  if (VWindow* main = GetMainWindow()) {
    main->CloseAllPanels();
  }
  display.ReleaseFullScreen();
  if (VWindow* main = GetMainWindow()) {
    delete main;
    SetMainWindow(nullptr);
  }
  // The table in use until now: the reference of this fetch is the only one
  // this code owns of it.
  VColorTable* previous = GetCurrentColorTable();
  auto* standard = new VColorTable(StandardPalette{0});
  SetCurrentColorTable(standard);
  standard->Release();
  if (VWindow* back = GetBackWindow()) {
    SetBackWindow(nullptr);
    delete back;
  }
  DeleteAllFonts();
  // The standard table goes with the current-table slot that holds it; the
  // slot is emptied rather than left pointing at a freed table.
  SetCurrentColorTable(nullptr);
  RestoreSystemPaletteMode();
  // Other holders (pictures still alive) keep their own references.
  if (previous != nullptr) previous->Release();
}
