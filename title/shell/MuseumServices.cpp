#include "title/shell/MuseumServices.h"

#include <utility>

#include "engine/app/CursorResources.h"
#include "engine/app/MainWindow.h"
#include "engine/archive/ArchiveServices.h"
#include "engine/script/CategoryTables.h"
#include "engine/script/VisitHistory.h"
#include "title/controls/TitleServices.h"
#include "title/shell/HistoryLog.h"
#include "title/shell/ItemViewer.h"
#include "title/shell/MuseumApplication.h"
#include "title/shell/MuseumArchives.h"
#include "title/shell/MuseumCategoryTables.h"
#include "title/shell/TourInfoPanelRegistration.h"
#include "title/shell/RoomOverlayMaker.h"

HistoryLog& GetMuseumHistoryLog() {
  static auto* history = new HistoryLog("history.log");
  return *history;
}

void InstallMuseumServices(EventRecordFactory eventRecords) {
  MainWindow::SetLanguageCode(MuseumApplication::kLanguageIndex);
  MainWindow::SetPanelClassId(MuseumApplication::kMainPanelId, MuseumApplication::kMainPanelType);
  MainWindow::SetPanelClassId(MuseumApplication::kClosingPanelId, MuseumApplication::kTextPicturePanelType);
  MainWindow::SetPanelClassId(MuseumApplication::kOpeningPanelId, MuseumApplication::kCreditsPanelType);
  TitleServicesOptions options;
  options.engine.script.visitHistory = &GetMuseumHistoryLog();
  options.engine.script.categoryTables = &GetMuseumCategoryTables();
  options.engine.script.eventRecords = std::move(eventRecords);
  InstallTitleServices(std::move(options));
  SetMediaArchiveRouter(&GetMuseumArchives());
  SetMissingMediaListener(NoteMissingMedia);
  RegisterCursorResources();
  RegisterItemViewer();
  RegisterTourInfoPanel();
  RegisterRoomOverlay();
}

void RemoveMuseumServices() {
  // The archive router goes with the archives (DeleteMuseumArchives).
  MissingMediaListener listener = SetMissingMediaListener(nullptr);
  if (listener != NoteMissingMedia) SetMissingMediaListener(listener);
  VisitHistory* history = SetVisitHistory(nullptr);
  if (history != &GetMuseumHistoryLog()) SetVisitHistory(history);
  CategoryTables* tables = SetCategoryTables(nullptr);
  if (tables != &GetMuseumCategoryTables()) SetCategoryTables(tables);
}
