// ostrevan-tool's start-up: the libraries that show windows, take input and
// draw text (SDL, Xlib, fontconfig, FreeType, with everything they load in
// turn) load at the first call into them, not at every start of the tool.
// The commands that do call them are checked by their own output (text
// render's golden pictures, the font builds of archive build).
#include <gtest/gtest.h>

#include <string>

#include "support/BuildPaths.h"
#include "support/Subprocess.h"

namespace {

TEST(ToolStartup, LoadsNoWindowOrFontLibraryAtStart) {
  // The dynamic loader lists what it loads at start and stops there.
  const std::string loaded = testsupport::Capture("LD_TRACE_LOADED_OBJECTS=1 '" + OSTREVAN_TOOL_BIN + "' 2>&1");
  ASSERT_NE(loaded.find("libc.so"), std::string::npos) << loaded;
  for (const char* library : {"libSDL2", "libX11", "libfontconfig", "libfreetype"}) {
    EXPECT_EQ(loaded.find(library), std::string::npos) << library << " is loaded at start:\n" << loaded;
  }
}

}  // namespace
