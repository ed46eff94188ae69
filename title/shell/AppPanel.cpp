#include "title/shell/AppPanel.h"

#include <cstdio>
#include <new>
#include <string>

#include "engine/app/MessagePointer.h"
#include "engine/app/VDisplay.h"
#include "engine/controls/DeferredDeletion.h"
#include "engine/core/Cursor.h"
#include "engine/core/VEvent.h"
#include "engine/graphics/DrawPort.h"
#include "engine/script/ItemRef.h"
#include "engine/script/ScriptLexer.h"
#include "engine/sound/SoundManager.h"
#include "platform/Clock.h"
#include "title/controls/PictureFrameControl.h"
#include "title/shell/MainInterfaceScreen.h"
#include "title/shell/MuseumArchives.h"
#include "title/shell/ScreenRegistry.h"
#include "title/shell/TitleRunLog.h"
#include "title/tour/BubbleRecord.h"
#include "title/tour/TourMedia.h"
#include "title/tour/TourView.h"

namespace {

constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 480;
constexpr int32_t kStripTop = 400;
constexpr int32_t kStripLayer = 100;
constexpr int32_t kStripHeight = 80;
constexpr int32_t kModuleLayer = 30;
constexpr int32_t kOverlayLayer = 40;
constexpr int32_t kNoKind = -1;
// The status code of the tour view with its pop-up.
constexpr int32_t kTourStatus = 13;
constexpr int32_t kViewerKind = 14;
// The tour view's detail-photo pop-up: a fresh id, over the panorama.
constexpr int32_t kDetailPhotoPopupKind = 13;
constexpr int32_t kDetailPhotoPopupId = VControl::kAllocateId;
constexpr int32_t kDetailPhotoPopupLayer = 2;
// Module buttons 1..4 open modules 0..3; the module kinds.
constexpr int32_t kModuleKinds[] = {0, 1, 2, 3, 8};
// The strip's modes the scripts ask for.
constexpr int32_t kModeModule = 1;
constexpr int32_t kModeTour = 2;
constexpr int32_t kModePopup = 3;
constexpr int32_t kModeNone = -1;

// Where each kind of screen goes: its id, top, layer and size (left 0).
struct ScreenPlace {
  int32_t kind;
  int32_t id;
  int32_t top;
  int32_t layer;
  int32_t width;
  int32_t height;
};
constexpr ScreenPlace kScreenPlaces[] = {
    {0, 14417, 0, kModuleLayer, kWidth, kHeight},   {1, 14419, 0, kModuleLayer, kWidth, kHeight},
    {2, 14434, 0, kModuleLayer, kWidth, kHeight},   {3, 14416, 0, kModuleLayer, kWidth, kHeight},
    {8, 14866, 0, kModuleLayer, kWidth, kHeight},   {12, 14423, 0, kModuleLayer, kWidth, kHeight},
    {14, 14424, 20, kModuleLayer, kWidth, 400},     {6, 14420, 0, kOverlayLayer, kWidth, kHeight},
    {10, 14422, 0, kOverlayLayer, kWidth, kHeight},
};
// A video item's viewer is smaller.
constexpr int32_t kVideoViewerWidth = 320;
constexpr int32_t kVideoViewerHeight = 240;

using Row = AppPanel::EventTableRow;
using Step = AppPanel::StepAction;

// The nine scripts, every step waiting for any id.
constexpr Row kEventTable[] = {
    {0, 97, Step::kSuspendTour},        {0, 92, Step::kLayoutMode1},

    {1, 95, Step::kHideOverlay},        {1, 0, Step::kDeleteOverlay},       {1, 95, Step::kHideModule},
    {1, 0, Step::kDeleteModule},        {1, 92, Step::kLayoutModeTour},     {1, 96, Step::kInfoPanelOut},
    {1, 0, Step::kRestoreTourCursor},

    {2, 95, Step::kHideOverlay},        {2, 0, Step::kDeleteOverlay},       {2, 95, Step::kHideModule},
    {2, 0, Step::kDeleteModule},        {2, 92, Step::kLayoutMode2},        {2, 128, Step::kInfoPanelIn},
    {2, 0, Step::kEnterPendingBubble},  {2, 96, Step::kInfoPanelOut},       {2, 0, Step::kRestoreTourCursor},

    {3, 95, Step::kHideOverlay},        {3, 0, Step::kDeleteOverlay},       {3, 95, Step::kHideModule},
    {3, 0, Step::kDeleteModule},        {3, 94, Step::kShowPendingModule},  {3, 0, Step::kUpdateStatusStep},

    {4, 95, Step::kHideOverlay},        {4, 0, Step::kDeleteOverlay},       {4, 94, Step::kShowPendingOverlay},
    {4, 0, Step::kUpdateStatusStep},

    {5, 97, Step::kSuspendTour},        {5, 92, Step::kLayoutMode1},        {5, 94, Step::kShowPendingModule},
    {5, 0, Step::kUpdateStatusStep},

    {6, 97, Step::kSuspendTour},        {6, 95, Step::kHideOverlay},        {6, 0, Step::kDeleteOverlay},
    {6, 95, Step::kHideModule},         {6, 0, Step::kDeleteModule},        {6, 92, Step::kLayoutModeNone},
    {6, 128, Step::kInfoPanelIn},       {6, 0, Step::kRequestMessage84},

    {7, 97, Step::kSuspendTour},        {7, 95, Step::kHideOverlay},        {7, 0, Step::kDeleteOverlay},
    {7, 95, Step::kHideModule},         {7, 0, Step::kDeleteModule},        {7, 92, Step::kLayoutModeNone},
    {7, 128, Step::kInfoPanelIn},       {7, 0, Step::kRequestTextPanel},

    {8, 97, Step::kSuspendTour},        {8, 92, Step::kLayoutMode1},        {8, 94, Step::kShowPendingOverlay},
    {8, 0, Step::kUpdateStatusStep},
};

bool IsCaptionControl(uint32_t value) {
  for (const int32_t id : AppPanel::kCaptionList) {
    if (static_cast<uint32_t>(id) == value) return true;
  }
  return false;
}

bool IsOverlayId(uint32_t value) {
  return value == static_cast<uint32_t>(AppPanel::kInfoOverlayId) ||
         value == static_cast<uint32_t>(AppPanel::kRoomOverlayId);
}

bool IsLetterOrDigitKey(uint32_t key) { return (key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'); }

}  // namespace

// ---- Tables ---------------------------------------------------------------------

std::span<const AppPanel::EventTableRow> AppPanel::GetEventTable() { return kEventTable; }

const char* AppPanel::GetStepActionName(StepAction action) {
  switch (action) {
    case Step::kSuspendTour:
      return "SuspendTour";
    case Step::kLayoutMode1:
      return "LayoutMode1";
    case Step::kLayoutMode2:
      return "LayoutMode2";
    case Step::kLayoutModeTour:
      return "LayoutModeTour";
    case Step::kLayoutModeNone:
      return "LayoutModeNone";
    case Step::kHideModule:
      return "HideModule";
    case Step::kDeleteModule:
      return "DeleteModule";
    case Step::kShowPendingModule:
      return "ShowPendingModule";
    case Step::kHideOverlay:
      return "HideOverlay";
    case Step::kDeleteOverlay:
      return "DeleteOverlay";
    case Step::kShowPendingOverlay:
      return "ShowPendingOverlay";
    case Step::kEnterPendingBubble:
      return "EnterPendingBubble";
    case Step::kInfoPanelIn:
      return "InfoPanelIn";
    case Step::kInfoPanelOut:
      return "InfoPanelOut";
    case Step::kRestoreTourCursor:
      return "RestoreTourCursor";
    case Step::kUpdateStatusStep:
      return "UpdateStatusStep";
    case Step::kRequestMessage84:
      return "RequestMessage84";
    case Step::kRequestTextPanel:
      return "RequestTextPanel";
  }
  return "";
}

int32_t AppPanel::ModuleKindOf(int32_t kind) {
  switch (kind) {
    case 0:
    case 15:
      return 0;
    case 1:
    case 4:
      return 1;
    case 2:
    case 5:
      return 2;
    case 8:
    case 9:
      return 8;
    case -1:
    case 3:
    case 6:
    case 7:
    case 10:
    case 11:
    case 12:
    case 13:
    case 14:
      return kind;
    default:
      return kNoKind;
  }
}

// ---- Life -----------------------------------------------------------------------

AppPanel::AppPanel() {
  BuildScripts();
  sequence_.SetFinished([this] { HandleEvent(kOwnerScriptDone, 0, 0); });
  // Each wait of a script in the run log: "script-wait SCRIPT STEP ms N", or
  // "script-watchdog ..." when no message came and the wait was given up.
  sequence_.SetWaitEnded([this](const ScriptStep& step, uint32_t waitedMs, bool gaveUp) {
    if (!title_run_log::HasSink()) return;
    const ScriptStepList* steps = sequence_.GetSteps();
    title_run_log::Write(std::string(gaveUp ? "script-watchdog " : "script-wait ") +
                         std::to_string(steps != nullptr ? steps->GetNumber() : -1) + " " + step.GetName() + " ms " +
                         std::to_string(waitedMs));
  });
  GetSoundManager().AcquireSound(kPanelSound);
}

AppPanel::~AppPanel() {
  // The screens go while the panel is whole: they may still call it.
  DeleteScreens();
  if (servicesInstalled_) InstallMainScreenServices(nullptr);
  delete pendingBubble_;
  GetSoundManager().ReleaseSound(kPanelSound);
}

void AppPanel::BuildScripts() {
  for (int32_t script = 0; script < kScriptCount; ++script) scripts_[static_cast<size_t>(script)].SetNumber(script);
  for (const Row& row : kEventTable) {
    const StepAction action = row.action;
    scripts_.at(static_cast<size_t>(row.script))
        .AddStep(row.eventCode, ScriptStep::kAnyId, GetStepActionName(action),
                 [this, action] { return RunStep(action); });
  }
}

void AppPanel::Build() {
  StoreBounds(VRect(0, 0, kWidth, kHeight));
  InstallMainScreenServices(this);
  servicesInstalled_ = true;
}

MainInterfaceScreen* AppPanel::MakeMainInterface() {
  return new MainInterfaceScreen(kMainInterfaceId, 0, 0, kStripTop, kStripLayer, kWidth, kStripHeight, this);
}

void AppPanel::Enter() {
  // Entered again without having left: the screens are there.
  if (tourView_ != nullptr) return;
  firstTick_ = true;
  SetWaitCursor(true);
  VDisplay::Get().SetBufferSwap(false);
  LoadTextMedia(welcomeText_, kWelcomeTextId, false);
  if (welcomeText_.GetLength() >= kWelcomeCapacity) {
    const std::string kept(welcomeText_.GetChars(), kWelcomeCapacity - 1);
    welcomeText_ = VString(kept.c_str());
  }
  // The strip first: children join as the new first child, so the strip's
  // reports (92, 91) pass the tour view on their way up to the panel.
  mainInterface_ = MakeMainInterface();
  if (mainInterface_ != nullptr) mainInterface_->SetVisible(false, false);
  tourView_ = new TourView(TourView::kViewId, 0, 0, 0, kWidth, kHeight, this);
  tourView_->SetHost(this);
  tourView_->SetVisible(false, false);
  ItemRef start;
  start.ParseItemRef(VString(kStartBubble));
  EnterStartBubble(new BubbleRecord(start));
}

void AppPanel::Leave() { DeleteScreens(); }

void AppPanel::DeleteScreens() {
  // The pointers may be stale (a tree deleted from above deletes the
  // children before their parent): only the children still linked go.
  tourView_ = nullptr;
  mainInterface_ = nullptr;
  moduleScreen_ = nullptr;
  pendingModule_ = nullptr;
  overlay_ = nullptr;
  pendingOverlay_ = nullptr;
  while (VGraphicObject* child = GetFirstChildObject()) delete child;
}

void AppPanel::DrawContent(DrawPort* port, const VRect& rect) {
  if (port == nullptr) return;
  const VRGBColor black(0, 0, 0);
  port->FillRect(rect, &black, nullptr, 1, 0, 0);
}

// ---- Screens --------------------------------------------------------------------

PictureFrameControl* AppPanel::MakeScreen(int32_t kind, const ItemRef* item, int32_t context) {
  for (const ScreenPlace& place : kScreenPlaces) {
    if (place.kind != kind) continue;
    ScreenRequest request;
    request.kind = kind;
    request.id = place.id;
    request.top = place.top;
    request.layer = place.layer;
    request.width = place.width;
    request.height = place.height;
    if (kind == kViewerKind && item != nullptr && item->GetCategory() == kVideoCategory) {
      request.width = kVideoViewerWidth;
      request.height = kVideoViewerHeight;
    }
    request.owner = this;
    request.item = item;
    request.context = context;
    request.moduleShown = moduleScreen_ != nullptr;
    PictureFrameControl* screen = ScreenRegistry::Make(request);
    if (screen == nullptr) {
      std::fprintf(stderr, "ostrevan-haus: main panel: the screen of kind %d could not be made\n",
                   static_cast<int>(kind));
      return nullptr;
    }
    screen->SetVisible(false, false);
    return screen;
  }
  return nullptr;
}

PictureFrameControl* AppPanel::MakeDetailPhotoPopup(const ItemRef& item, VGraphicObject* parent) {
  if (ScreenRegistry::Find(kDetailPhotoPopupKind) == nullptr) return nullptr;
  ScreenRequest request;
  request.kind = kDetailPhotoPopupKind;
  request.id = kDetailPhotoPopupId;
  request.layer = kDetailPhotoPopupLayer;
  request.width = kWidth;
  request.height = kHeight;
  request.owner = parent;
  request.item = &item;
  MediaArchive* saved = SaveCurrentArchive();
  SelectLanguageArchive();
  PictureFrameControl* popup = ScreenRegistry::Make(request);
  RestoreCurrentArchive(saved);
  return popup;
}

void AppPanel::ScreenOpened(PictureFrameControl& screen, const ItemRef* item) {
  const ScreenMaker* maker = ScreenRegistry::Find(screen.GetKind());
  if (maker == nullptr || !maker->opened) return;
  ScreenRequest request;
  request.kind = screen.GetKind();
  request.id = screen.GetId();
  request.owner = this;
  request.item = item;
  request.moduleShown = moduleScreen_ != nullptr;
  maker->opened(screen, request);
}

void AppPanel::DeleteScreenLater(PictureFrameControl*& screen) {
  // The screen may be inside its own Hide, reporting 95: it goes on the
  // next idle pass.
  DeleteControlLater(screen);
  screen = nullptr;
}

void AppPanel::ShowModule(int32_t module) {
  if (moduleScreen_ != nullptr && ModuleKindOf(moduleScreen_->GetKind()) == ModuleKindOf(module)) return;
  SetWaitCursor(true);
  if (pendingModule_ != nullptr) DeleteScreenLater(pendingModule_);
  for (const int32_t kind : kModuleKinds) {
    if (kind == module) pendingModule_ = MakeScreen(module, nullptr, kNoKind);
  }
  pendingModuleKind_ = module;
  if (pendingModule_ == nullptr) {
    SetWaitCursor(false);
    return;
  }
  ShowSavedCaption();
  ClearStatusAndCaption(false, true);
  RunScript(3);
}

void AppPanel::OpenModuleAtItem(const ItemRef& item) {
  int32_t kind = kNoKind;
  switch (item.GetCategory()) {
    case kEventCategory:
      kind = 2;
      break;
    case kSlideShowCategory:
    case kVideoCategory:
      kind = kViewerKind;
      break;
    case kHistoricalPhotoCategory:
      kind = 12;
      break;
    case kAspectCategory:
      kind = 0;
      break;
    default:
      return;  // BT, BH and the rest open nothing here
  }
  if (pendingModule_ != nullptr) DeleteScreenLater(pendingModule_);
  // The viewer reads the status while it builds its side bar.
  if (kind == kViewerKind && mainInterface_ != nullptr) mainInterface_->SetStatusCode(kViewerKind);
  PictureFrameControl* screen = MakeScreen(kind, &item, kNoKind);
  if (screen == nullptr) {
    UpdateStatus();
    return;
  }
  pendingModule_ = screen;
  pendingModuleKind_ = kind;
  RunScript(5);
  if (kind == kViewerKind || kind == 12) ClearStatusAndCaption(true, true);
  // The script may have shown the screen at once; it is the module then.
  if (screen == pendingModule_ || screen == moduleScreen_) ScreenOpened(*screen, &item);
}

void AppPanel::ShowOverlay(int32_t overlay) {
  if (overlay_ != nullptr && ModuleKindOf(overlay_->GetKind()) == ModuleKindOf(overlay)) return;
  if (overlay != 6 && overlay != 10) return;
  if (moduleScreen_ != nullptr) {
    const ScreenMaker* maker = ScreenRegistry::Find(ModuleKindOf(moduleScreen_->GetKind()));
    if (maker != nullptr && maker->pause) maker->pause(*moduleScreen_);
  }
  SetMovieControlsVisible(false);
  int32_t context = kNoKind;
  if (overlay == 10) {
    if (overlay_ != nullptr) {
      context = overlay_->GetKind();
    } else if (moduleScreen_ != nullptr) {
      context = moduleScreen_->GetKind();
    } else {
      context = GetStripStatusCode();
    }
  }
  if (pendingOverlay_ != nullptr) DeleteScreenLater(pendingOverlay_);
  pendingOverlay_ = MakeScreen(overlay, nullptr, context);
  pendingOverlayKind_ = overlay;
  if (pendingOverlay_ == nullptr) return;
  if (overlay_ == nullptr) {
    SetWaitCursor(true);
    if (mainInterface_ != nullptr) mainInterface_->SetControlsEnabled(false, false);
    if (moduleScreen_ != nullptr) moduleScreen_->SetEnabled(false);
    overlay_ = pendingOverlay_;
    pendingOverlay_ = nullptr;
    title_run_log::Write("screen-shown " + std::to_string(overlay));
    overlay_->SetEnabled(false);
    overlay_->Show();  // reports 94 (at once for most screens)
    UpdateStatus();
  } else {
    RunScript(4);
  }
}

void AppPanel::UpdateStatus() {
  if (mainInterface_ == nullptr) return;
  int32_t code = kNoKind;
  if (overlay_ != nullptr) {
    code = overlay_->GetKind();
  } else if (moduleScreen_ != nullptr) {
    code = moduleScreen_->GetKind();
  }
  mainInterface_->SetStatusCode(code);
}

void AppPanel::SetMovieControlsVisible(bool visible) {
  if (moduleScreen_ == nullptr) return;
  const int32_t kind = moduleScreen_->GetKind();
  if (kind != 14 && kind != 5 && kind != 15 && kind != 3) return;
  const ScreenMaker* maker = ScreenRegistry::Find(ModuleKindOf(kind));
  if (maker != nullptr && maker->setMovieControlsVisible) maker->setMovieControlsVisible(*moduleScreen_, visible);
}

void AppPanel::EnterStartBubble(BubbleRecord* record) {
  if (tourView_ == nullptr) {
    delete record;
    return;
  }
  if (record != nullptr && record == tourView_->GetCurrentBubble()) return;
  tourView_->EnterBubble(record);
}
void AppPanel::WriteBubbleEntered() {
  BubbleRecord* current = tourView_ != nullptr ? tourView_->GetCurrentBubble() : nullptr;
  if (current == nullptr || !title_run_log::HasSink()) return;
  char code[6] = {};
  if (current->GetItem().FormatItemRef(code)) title_run_log::Write(std::string("bubble-entered ") + code);
}


// ---- Scripts ----------------------------------------------------------------------

void AppPanel::RunScript(int32_t script) {
  if (script < 0 || script >= kScriptCount) return;
  SetWaitCursor(true);
  if (!sequence_.IsRunning() && title_run_log::HasSink()) {
    title_run_log::Write("script " + std::to_string(script));
    // The clock now, not the pass's time: a script started by a click starts
    // after the button's press hold, long after the pass began.
    title_run_log::BeginFrameWatch(platform::TickCount());
    watchedScript_ = script;
  }
  sequence_.StartSequence(&scripts_[static_cast<size_t>(script)]);
}

bool AppPanel::HideScreen(PictureFrameControl* screen) {
  if (screen == nullptr) return false;
  if (mainInterface_ != nullptr) mainInterface_->SetControlsEnabled(false, false);
  screen->SetEnabled(false);
  screen->Hide();  // reports 95, perhaps at once
  return true;
}

void AppPanel::ShowPendingScreen(PictureFrameControl*& shown, PictureFrameControl*& pending, int32_t madeKind) {
  // A screen still shown would be lost under the new one.
  if (shown != nullptr && shown != pending) DeleteScreenLater(shown);
  shown = pending;
  pending = nullptr;
  if (shown == nullptr) return;
  // Runs driven from outside learn which screen came up.
  title_run_log::Write("screen-shown " + std::to_string(madeKind));
  if (mainInterface_ != nullptr) mainInterface_->SetControlsEnabled(false, false);
  shown->SetEnabled(false);
  shown->Show();  // reports 94, perhaps at once
}

bool AppPanel::RunStep(StepAction action) {
  title_run_log::NoteWatchStep(GetStepActionName(action));
  switch (action) {
    case Step::kSuspendTour:
      return tourView_ != nullptr && tourView_->Suspend();
    case Step::kLayoutMode1:
      return mainInterface_ != nullptr && mainInterface_->SetLayoutMode(kModeModule, kLayoutDuration);
    case Step::kLayoutMode2:
      return mainInterface_ != nullptr && mainInterface_->SetLayoutMode(kModeTour, kLayoutDuration);
    case Step::kLayoutModeTour:
      return mainInterface_ != nullptr &&
             mainInterface_->SetLayoutMode(HasTourPopup() ? kModePopup : kModeTour, kLayoutDuration);
    case Step::kLayoutModeNone:
      return mainInterface_ != nullptr && mainInterface_->SetLayoutMode(kModeNone, kLayoutDuration);
    case Step::kHideModule:
      return HideScreen(moduleScreen_);
    case Step::kDeleteModule:
      if (moduleScreen_ != nullptr) DeleteScreenLater(moduleScreen_);
      return false;
    case Step::kShowPendingModule: {
      const bool any = pendingModule_ != nullptr;
      ShowPendingScreen(moduleScreen_, pendingModule_, pendingModuleKind_);
      return any;
    }
    case Step::kHideOverlay:
      return HideScreen(overlay_);
    case Step::kDeleteOverlay:
      if (overlay_ != nullptr) DeleteScreenLater(overlay_);
      return false;
    case Step::kShowPendingOverlay: {
      const bool any = pendingOverlay_ != nullptr;
      ShowPendingScreen(overlay_, pendingOverlay_, pendingOverlayKind_);
      return any;
    }
    case Step::kEnterPendingBubble:
      if (pendingBubble_ != nullptr) {
        BubbleRecord* record = pendingBubble_;
        pendingBubble_ = nullptr;
        EnterStartBubble(record);
      }
      return false;
    case Step::kInfoPanelIn:
      return tourView_ != nullptr && tourView_->ShowCover();
    case Step::kInfoPanelOut:
      if (mainInterface_ != nullptr) mainInterface_->SetStatusCode(HasTourPopup() ? kTourStatus : kNoKind);
      return tourView_ != nullptr && tourView_->HideCover();
    case Step::kRestoreTourCursor:
      SetCursorById(kTourCursor);
      if (tourView_ != nullptr) tourView_->ResetCursor();
      return false;
    case Step::kUpdateStatusStep:
      UpdateStatus();
      return false;
    case Step::kRequestMessage84:
      requestMessage84_ = true;
      return true;
    case Step::kRequestTextPanel:
      requestTextPanel_ = true;
      return true;
  }
  return false;
}

// ---- The strip and the cursor ---------------------------------------------------

void AppPanel::SetWaitCursor(bool wait) {
  const uint16_t cursor = wait ? kWaitCursor : kArrowCursor;
  SetPendingCursor(cursor);
  SetMouseCursor(cursor);
}

void AppPanel::ShowSavedCaption() {
  if (mainInterface_ != nullptr) mainInterface_->ShowSavedCaption();
}

void AppPanel::SetStatusText(const VString& text, bool asCaption) {
  if (mainInterface_ != nullptr) mainInterface_->SetStatusText(text, asCaption, false);
}

void AppPanel::SetCaption(const VString& text, bool shown, bool keep) {
  if (mainInterface_ != nullptr) mainInterface_->SetCaption(text, shown, keep);
}

void AppPanel::SwitchMode(int32_t mode, int32_t duration) {
  if (mainInterface_ != nullptr && mainInterface_->SetLayoutMode(mode, duration)) return;
  // A switch already running reports its own end.
  if (mainInterface_ != nullptr && mainInterface_->IsSwitching()) return;
  modeReportPending_ = true;
  pendingMode_ = mode;
}

void AppPanel::ClearStatusAndCaption(bool status, bool caption) {
  if (mainInterface_ == nullptr) return;
  if (status) mainInterface_->SetStatusText(VString(""), false, false);
  if (caption) mainInterface_->SetStatusText(VString(""), true, false);
}

void AppPanel::ShowWelcome() {
  if (IsInfoPanelShown() || HasTourPopup()) return;
  ShowSavedCaption();
  if (mainInterface_ != nullptr) mainInterface_->SetStatusText(welcomeText_, false, true);
}

bool AppPanel::IsInfoPanelShown() const { return tourView_ != nullptr && tourView_->IsCovered(); }

bool AppPanel::HasTourPopup() const { return tourView_ != nullptr && tourView_->HasPopup(); }

int32_t AppPanel::GetStripStatusCode() const {
  return mainInterface_ != nullptr ? mainInterface_->GetStatusCode() : kNoKind;
}

// ---- Keys -----------------------------------------------------------------------

void AppPanel::HandleBubbleKey(const VKeyEvent& event, bool& taken) {
  taken = false;
  if (overlay_ == nullptr || overlay_->GetKind() != 10) return;
  const uint32_t key = event.virtualKey;
  if ((key == 0x4C || key == 0x6C) && event.IsControlDown()) {
    bubbleKeyArmed_ = true;
    taken = true;
    return;
  }
  if ((key == 0x42 || key == 0x62) && event.IsControlDown() && bubbleKeyArmed_) {
    if (BubbleRecord* current = tourView_ != nullptr ? tourView_->GetCurrentBubble() : nullptr) {
      SetAlternateBubblePicture(true);
      HandleEvent(kOwnerBubble, static_cast<uint32_t>(current->GetItem().GetNumber()), 0);
    }
    taken = true;
    return;
  }
  if (IsLetterOrDigitKey(key)) bubbleKeyArmed_ = false;
}

bool AppPanel::KeyDown(const VKeyEvent& event) {
  if (event.virtualKey == kKeyF4 && event.IsAltDown()) {
    RunScript(7);
    return true;
  }
  bool taken = false;
  HandleBubbleKey(event, taken);
  if (taken) return true;
  if (event.virtualKey == kKeyF1) {
    // During a script, or with an overlay waiting, a second room overlay
    // would only lie hidden under the first.
    if (sequence_.IsRunning() || pendingOverlay_ != nullptr) return true;
    if (!IsInfoPanelShown()) {
      ShowSavedCaption();
      ClearStatusAndCaption(true, true);
      pendingOverlay_ = MakeScreen(10, nullptr, GetStripStatusCode());
      pendingOverlayKind_ = 10;
      if (pendingOverlay_ != nullptr) RunScript(8);
    } else {
      ShowOverlay(10);
    }
    return true;
  }
  if (event.character == ' ') {
    HandleEvent(kOwnerBackToTour, 0, 0);
    return true;
  }
  return VPanel::KeyDown(event);
}

// ---- Owner messages -------------------------------------------------------------

void AppPanel::HandleTick() {
  if (firstTick_) {
    firstTick_ = false;
    if (tourView_ != nullptr) tourView_->SetVisible(true, false);
    if (mainInterface_ != nullptr) mainInterface_->SetVisible(true, false);
    UpdateStatus();
    RunScript(1);
  }
  sequence_.CheckWatchdog();
  if (modeReportPending_) {
    modeReportPending_ = false;
    // As the strip reports a switch: up from it, past the tour view.
    if (mainInterface_ != nullptr) {
      mainInterface_->SendUpward(kOwnerModeReached, static_cast<uint32_t>(pendingMode_), 0);
    } else if (tourView_ != nullptr) {
      tourView_->HandleEvent(kOwnerModeReached, static_cast<uint32_t>(pendingMode_), 0);
    }
  }
}

void AppPanel::HandleBubbleMessage(uint32_t number) {
  const auto value = static_cast<int32_t>(number);
  if (value <= 0 || value > ItemRef::kMaxNumber) return;  // no bubble
  BubbleRecord* current = tourView_ != nullptr ? tourView_->GetCurrentBubble() : nullptr;
  if (current != nullptr && current->GetItem().GetNumber() == value && !IsAlternateBubblePicture()) {
    RunScript(1);
    return;
  }
  const ItemRef bubble(kBubbleCategory, value);
  if (GetBubbleMediaId(bubble) == 0) return;
  delete pendingBubble_;
  pendingBubble_ = new BubbleRecord(bubble);
  RunScript(2);
}

bool AppPanel::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  if (code != kMessageTick && code != kOwnerBubbleEntered && sequence_.IsRunning()) {
    sequence_.OnSequenceMessage(code, value1);
    return true;
  }
  switch (code) {
    case kMessageTick:
      HandleTick();
      if (requestMessage84_) {
        requestMessage84_ = false;
        SendUpward(kOwnerMessage84, static_cast<uint32_t>(GetId()), 0);
        return true;
      }
      if (requestTextPanel_) {
        requestTextPanel_ = false;
        // The window replaces this panel at once: touch nothing after it.
        SendUpward(kOwnerShowClosingPanel, static_cast<uint32_t>(GetId()), 0);
        return true;
      }
      break;
    case kOwnerHoverCaption:
      if (IsCaptionControl(value1) && mainInterface_ != nullptr) {
        mainInterface_->ShowCaptionByIndex(static_cast<int32_t>(value1));
      }
      break;
    case kOwnerHoverEnded:
      if (IsCaptionControl(value1)) ShowSavedCaption();
      break;
    case kOwnerScriptDone:
      if (watchedScript_ >= 0) {
        const title_run_log::FrameWatch watch = title_run_log::EndFrameWatch(platform::TickCount());
        title_run_log::Write("script-done " + std::to_string(watchedScript_) + " ms " + std::to_string(watch.durationMs) +
                             " frames " + std::to_string(watch.frames) + " longest-gap-ms " +
                             std::to_string(watch.longestGapMs) + " late-ms " + std::to_string(watch.latestMs));
        watchedScript_ = -1;
      }
      if (moduleScreen_ != nullptr) moduleScreen_->SetEnabled(true);
      if (overlay_ != nullptr) overlay_->SetEnabled(true);
      if (mainInterface_ != nullptr) {
        mainInterface_->SetControlsEnabled(true, false);
        if (mainInterface_->IsShown()) mainInterface_->Redraw(nullptr, nullptr);
      }
      SetWaitCursor(false);
      ShowWelcome();
      return true;
    case kOwnerBackToTour:
    case kOwnerLeaveTour:
      // Also in the middle of a walk or a slide: suspending the tour ends them.
      if (tourView_ != nullptr && tourView_->IsOnShow()) {
        ShowSavedCaption();
        ClearStatusAndCaption(true, true);
        SetCapturedObject(nullptr);
        GetSoundManager().TriggerSound(kPanelSound);
        RunScript(0);
        return true;
      }
      break;
    case kOwnerModuleButton:
      if (value1 >= 1 && value1 <= 4) {
        ShowModule(static_cast<int32_t>(value1) - 1);
        return true;
      }
      break;
    case kOwnerButton:
      switch (static_cast<int32_t>(value1)) {
        case kTourButton:
          RunScript(1);
          return true;
        case kCarouselButton:
          ShowModule(8);
          return true;
        case kInfoButton:
          ShowOverlay(6);
          return true;
        case kRoomButton:
          ShowOverlay(10);
          return true;
        case kButton84:
          RunScript(6);
          return true;
        case kEndButton:
          RunScript(7);
          return true;
        default:
          if (IsCaptionControl(value1) && mainInterface_ != nullptr) {
            mainInterface_->ShowCaptionByIndex(static_cast<int32_t>(value1));
          }
          break;
      }
      break;
    case kOwnerModeReached:
      if (tourView_ != nullptr) tourView_->SetEnabled(true);
      SetCursorById(kTourCursor);
      if (tourView_ != nullptr) tourView_->ResetCursor();
      return true;
    case kOwnerCloseOverlay:
      if (IsOverlayId(value1)) {
        SetWaitCursor(true);
        SetCaption(VString(""), false, false);
        RunStep(Step::kHideOverlay);
        return true;
      }
      break;
    case kOwnerShown:
      if (IsOverlayId(value1)) {
        if (overlay_ != nullptr) overlay_->SetEnabled(true);
        if (mainInterface_ != nullptr) mainInterface_->SetControlsEnabled(true, false);
        SetWaitCursor(false);
        return true;
      }
      break;
    case kOwnerHidden:
      if (IsOverlayId(value1)) {
        if (overlay_ != nullptr && static_cast<uint32_t>(overlay_->GetId()) == value1) DeleteScreenLater(overlay_);
        if (moduleScreen_ != nullptr) moduleScreen_->SetEnabled(true);
        if (mainInterface_ != nullptr) mainInterface_->SetControlsEnabled(true, false);
        SetWaitCursor(false);
        UpdateStatus();
        SetMovieControlsVisible(true);
        return true;
      }
      break;
    case kOwnerWalkEnded:
    case kOwnerPopupReady:
      if (code == kOwnerPopupReady && tourView_ != nullptr && !tourView_->HasPopup()) {
        // No pop-up was made: close it at once so that the view navigates.
        tourView_->HandleEvent(TourView::kMessageCloseControl, static_cast<uint32_t>(TourView::kCloseControlIds[0]),
                               0);
        tourView_->HandleEvent(PictureFrameControl::kOwnerHidden, 0, 0);
      }
      ShowSavedCaption();
      if (mainInterface_ != nullptr) mainInterface_->SetStatusCode(kTourStatus);
      ShowWelcome();
      return true;
    case kOwnerBubbleEntered:
      if (mainInterface_ != nullptr) {
        if (BubbleRecord* current = tourView_ != nullptr ? tourView_->GetCurrentBubble() : nullptr) {
          mainInterface_->SetLinkText(current->GetText());
        }
      }
      WriteBubbleEntered();
      ShowSavedCaption();
      ClearStatusAndCaption(true, true);
      return true;
    case kOwnerOpenItem:
      // The item belongs to its sender, which frees it once this returns.
      if (const ItemRef* item = MessagePointerAs<ItemRef>(value1)) {
        OpenModuleAtItem(*item);
        return true;
      }
      break;
    case kOwnerBubble:
      HandleBubbleMessage(value1);
      return true;
    default:
      break;
  }
  return VPanel::HandleEvent(code, value1, value2);
}

