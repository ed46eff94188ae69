// The "image" commands of ostrevan-tool: decoding a picture file through the
// engine's reader registry into PPM (and its alpha channel into PGM).
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

class VPicture;

// Dispatches "decode FILE OUT [--depth D] [--alpha ALPHA.pgm] [--libjpeg]". Exit code as
// RunTool: 0 success, 1 failure (one line on `err`), 2 a command line not
// understood (one line on `err` naming what; the caller prints the usage).
int RunImageCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Loads the file as a picture (type from its extension) at the depth (8, 15,
// 16, 24, 32, or -1 for the file's own) and writes frame 0 as binary PPM to
// `output`, row by row from the pixel map's memory; with `alphaPath` not
// empty and an alpha channel present, its levels 0..63 scaled to 0..255 as
// binary PGM. 0, or 1 with one line on `err` saying why: the file is missing
// or a folder, its extension names no picture format, the reader's reason
// (damaged data, size over the limit, an unsupported JPEG, with a pointer to
// --libjpeg when libjpeg decodes the file), or the output cannot be written.
int DecodeImage(const std::string& input, const std::string& output, int32_t depth, const std::string& alphaPath,
                std::ostream& err);

// Decodes a JPEG file through libjpeg (the application's picture path, at
// 24 bits without a display) instead of the registry's reader and writes it
// as binary PPM. 0 or 1.
int DecodeJpegThroughLibrary(const std::string& input, const std::string& output, std::ostream& err);

// The frame selection that reads a picture file's first picture (what the
// decode command writes): frame 0, or a layered file's merged image.
int32_t FirstPictureSelection(const std::string& path);

// Why a picture file cannot be read, in the words of the decode command's
// error line: "no such file", "it is a folder", "it cannot be opened for
// reading", a note that the extension names no picture format, or the
// reason the reader of its format gives (a JPEG file that libjpeg decodes
// gets a pointer to --libjpeg). `flags` are the reader flags of the read
// that failed.
std::string ExplainUnreadablePicture(const std::string& path, int32_t flags);

// Reads the whole file into `bytes`: "" on success, else why not ("no such
// file", "it is a folder", "it cannot be opened for reading").
std::string ReadPictureFile(const std::string& path, std::string& bytes);

// Decodes JPEG bytes through libjpeg (the application's picture path) with
// its message boxes held back: a picture with pixels (the caller releases
// it), or null with GetJpegFailureReason saying why.
VPicture* DecodeJpegQuietly(const std::string& bytes);
