// Choosing a file to open or save for a VFileSpec, with a filter built from
// media type codes (their display names and extensions).
#pragma once

#include <cstdint>
#include <string>

class VFileSpec;

// The filter text for the type codes: for each type with both a display
// name and an extension "name| *.ext|", then a closing "|". Without a list:
// "All files (*.*)|*.*||".
std::string BuildFileFilter(const uint32_t* typeCodes, int32_t count);

// True when the user chose a file: the file spec is set to it and its existence
// tested. Otherwise the file spec's existence flag is cleared and the answer is false.
bool ShowOpenFileDialog(VFileSpec& fileSpec, const uint32_t* typeCodes, int32_t count);
// Offers the file spec's current name; on OK the file spec is set to the chosen path
// (without an existence test).
bool ShowSaveFileDialog(VFileSpec& fileSpec);
