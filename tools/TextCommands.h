// The "text" commands of ostrevan-tool: laying out a mark-up file in an HTML
// text control and writing what it draws as a picture; measuring texts in a
// font as the screens measure them.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Dispatches "render MARKUP OUT.ppm [--width W] [--height H] [--font
// FACE,SIZE]" and "measure TEXTS (--font FACE,SIZE[,bold] | --picture-font
// ARCHIVE,ID[,METRICS]) [--wrap W]" (one "WIDTH HEIGHT" line on `out` for
// each line of TEXTS). 0 success, 1 refusal (one line on `err`), 2 a command
// line not understood.
int RunTextCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
