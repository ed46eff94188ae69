#include "engine/app/VExceptionFilter.h"

#include <atomic>

#include "engine/app/MediaServices.h"
#include "engine/app/VDisplay.h"
#include "engine/graphics/VColorTable.h"
#include "platform/CrashHandler.h"

namespace {
std::atomic<VExceptionFilter*> gFilter{nullptr};
std::atomic<bool> gHandled{false};
}  // namespace

VExceptionFilter::VExceptionFilter() {
  exceptionCode_ = 0;
  exceptionRecord_ = nullptr;
  gFilter.store(this);
  previousFilter_ = std::make_unique<platform::CrashHandler>(&VExceptionFilter::ProcessFilter);
}

VExceptionFilter::~VExceptionFilter() {
  previousFilter_.reset();
  VExceptionFilter* self = this;
  gFilter.compare_exchange_strong(self, nullptr);
}

void VExceptionFilter::ProcessFilter() {
  if (VExceptionFilter* filter = gFilter.load()) filter->HandleException();
}

int32_t VExceptionFilter::HandleException() {
  if (gHandled.exchange(true)) return kContinueSearch;
  VDisplay::Get().ReleaseFullScreen();
  RestoreSystemPaletteMode();
  StopMovieLibrary();
  return kExecuteHandler;
}

VExceptionFilter* VExceptionFilter::GetRegistered() { return gFilter.load(); }
bool VExceptionFilter::HasHandled() { return gHandled.load(); }
void VExceptionFilter::ResetHandledForTesting() { gHandled.store(false); }
