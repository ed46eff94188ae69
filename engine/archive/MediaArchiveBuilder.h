// BuildMediaArchive: the Devid Uvedud file builder. It reads a build script
// twice (pass 1 checks every line and counts the entries, pass 2 converts each
// source and appends it to the archive), writes an empty header first and the
// sorted entry table last, and logs one line per medium plus every warning and
// error. The conversions are in BuilderConversions.
#pragma once

#include "engine/core/VFile.h"
#include "engine/core/VTextFile.h"

// The most variant options a script may declare.
constexpr int kMaxBuildOptions = 31;

// Builds the archive from the script; the log may be null. The archive is
// written in place from position 0 (the caller gives it an empty file). The
// three files stay the caller's: it closes them afterwards. True when the
// build finished; false when it was aborted (the log says why).
bool BuildMediaArchive(VTextFile& script, VFile& archive, VTextFile* log);
