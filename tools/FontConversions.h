// The builder conversions that turn a system font into a picture font: code
// -11 writes the glyph strip as an alpha channel, code -10 as a raw image in
// the text and background colours; both follow it with the "FONT" record.
#pragma once

// Registers codes -11 and -10 with the builder and makes picture fonts
// available (once; later calls do nothing).
void RegisterFontConversions();
