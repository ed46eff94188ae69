#include "engine/app/VExceptionFilter.h"

#include <atomic>

#include "engine/app/MediaServices.h"
#include "engine/app/VDisplay.h"
#include "engine/graphics/VColorTable.h"
#include "platform/CrashHandler.h"

namespace {
std::atomic<VExceptionFilter*> g_filter{nullptr};
std::atomic<bool> g_handled{false};
}  // namespace

VExceptionFilter::VExceptionFilter() {
  exceptionCode_ = 0;
  exceptionRecord_ = nullptr;
  g_filter.store(this);
  previousFilter_ = std::make_unique<platform::CrashHandler>(&VExceptionFilter::ProcessFilter);
}

VExceptionFilter::~VExceptionFilter() {
  previousFilter_.reset();
  VExceptionFilter* self = this;
  g_filter.compare_exchange_strong(self, nullptr);
}

void VExceptionFilter::ProcessFilter() {
  if (VExceptionFilter* filter = g_filter.load()) filter->HandleException();
}

int32_t VExceptionFilter::HandleException() {
  if (g_handled.exchange(true)) return kContinueSearch;
  VDisplay::Get().ReleaseFullScreen();
  RestoreSystemPaletteMode();
  StopMovieLibrary();
  return kExecuteHandler;
}

VExceptionFilter* VExceptionFilter::GetRegistered() { return g_filter.load(); }
bool VExceptionFilter::HasHandled() { return g_handled.load(); }
void VExceptionFilter::ResetHandledForTesting() { g_handled.store(false); }
