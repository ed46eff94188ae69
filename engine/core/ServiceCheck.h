// The one check of program-wide services that a higher layer installs at
// start (the records of engine/script/ScriptServices.h,
// engine/graphics/GraphicsServices.h, engine/app/AppServices.h). A use of
// such a service before it was installed is a fault of the program's start:
// in strict mode the program stops with "service <name> used before it was
// installed" on stderr; otherwise the first use of each service prints a
// warning and the caller goes on with its fallback (nothing drawn, nothing
// read).
//
// Strict mode is on from the start in builds without NDEBUG and in programs
// started with OSTREVAN_STRICT_SERVICES=1; the test programs turn it on
// themselves.
#pragma once

// Reports the use of a service that is not installed: aborts in strict mode,
// else warns once per name and returns.
void ReportMissingService(const char* name);

// Turns strict mode on or off; returns the previous setting.
bool SetMissingServicesFatal(bool fatal);
bool AreMissingServicesFatal();

// Lets a scope use services that are not installed without stopping the
// program (tests of the fallbacks): reports in it only warn.
class ScopedMissingServicesAllowed {
 public:
  ScopedMissingServicesAllowed() : previous_(SetMissingServicesFatal(false)) {}
  ~ScopedMissingServicesAllowed() { SetMissingServicesFatal(previous_); }
  ScopedMissingServicesAllowed(const ScopedMissingServicesAllowed&) = delete;
  ScopedMissingServicesAllowed& operator=(const ScopedMissingServicesAllowed&) = delete;

 private:
  bool previous_;
};
