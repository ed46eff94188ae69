// Linked into every test program that loads pictures: installs the image
// readers before any test runs, as a program does at start.
#include "engine/image/ImageRegistry.h"

namespace {

const bool gInstalled = (InstallImageReaders(), true);

}  // namespace
