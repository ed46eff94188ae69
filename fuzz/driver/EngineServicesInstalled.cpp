// Linked into every fuzz target: installs the engine's services before the
// first input, as a program does at start, so a reader that reaches a
// picture, a font or a panel runs the real service.
#include "engine/services/EngineServices.h"

namespace {

[[maybe_unused]] const bool gInstalled = (InstallEngineServices(), true);

}  // namespace
