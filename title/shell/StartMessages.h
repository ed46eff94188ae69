// The texts of the title's start-up messages by language (0 Dutch, 1 and 5
// English, 3 German), in code page 1252. French and Spanish have none: their
// DirectX failure shows no box and the archive failures an empty one. A
// message shown on the screen also goes to standard error, so that a start
// from a terminal or a script says why the title ended.
#pragma once

#include <cstdint>

enum class StartMessage : int32_t {
  kDirectX,  // the multimedia runtime is missing
  kFiles,    // the interface archive is missing
  kCdRom,    // an archive of the CD-ROM is missing
  kDamaged,  // the archives opened, but the category tables cannot be read
};

// The text; "" for a language without texts.
const char* GetStartMessage(StartMessage message, int32_t language);
// Shows the message of the language as the start-up does: DirectX with the
// error icon and not at all without a text, the others with the information
// icon (empty without a text). The text goes to standard error as well.
void ShowStartMessage(StartMessage message, int32_t language);
