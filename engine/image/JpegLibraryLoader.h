// JPEG pictures decoded by libjpeg (interface 62) for the application's own
// pictures (bubble pictures, sequence pictures): the compressed medium is read
// into memory, fed to libjpeg through a memory source, and its rows written
// straight into a pixel map in the screen's layout, which becomes a VPicture.
//
// One JPEG is decoded at a time (program-wide state, main thread only). The
// calls come in this order: LoadJpegData (or SetJpegData), StartJpegDecompress,
// ReadJpegLines, FinishJpegDecompress, CreateJpegPicture, FreeJpegData.
// Every libjpeg call runs under its own recovery point: a libjpeg error shows
// libjpeg's message in a message box ("JPEG Fatal Error"), destroys the
// decompressor, drops the rows decoded so far and frees the data; the call
// then answers false, and the later calls of the sequence answer false (or
// null) until the next one starts.
#pragma once

#include <cstdint>
#include <string>

#include "engine/graphics/ColorEntries.h"

struct jpeg_decompress_struct;
struct jpeg_common_struct;
class VPicture;

// Reads the medium of that id (from the archive that serves it) into the
// data block, freeing any earlier block. False when no archive serves the id,
// the entry does not open or is too large, or fewer bytes arrive.
bool LoadJpegData(uint16_t mediaId);
// Takes a copy of `length` bytes as the data block (tools and tests), freeing
// any earlier block; false when memory is short.
bool SetJpegData(const uint8_t* data, uint32_t length);
// Sets libjpeg up on the data block, reads the header, starts decompression
// and makes the decoding map (the screen's depth and layout, 24-bit BGR
// without a screen map; plain memory). CMYK and YCCK pictures (Adobe's
// inverted inks) are turned into RGB as djpeg does. False when a decode is
// already under way, on a libjpeg error, for a picture over kMaxImagePixels
// or without memory for its map (see GetJpegFailureReason).
bool StartJpegDecompress();
// Decodes up to `count` rows into the decoding map. False when count < 1,
// without a decode under way, or on a libjpeg error.
bool ReadJpegLines(int32_t count);
// Decodes the remaining rows, finishes and destroys the decompressor. True
// unless no decode was under way or libjpeg failed.
bool FinishJpegDecompress();
// The finished picture (the caller owns it; release it), or null when no
// decoding map exists (nothing started, or an error ended the decode). The
// picture takes the decoding map over.
VPicture* CreateJpegPicture();
// Frees the data block; always true.
bool FreeJpegData();

uint32_t GetJpegOutputWidth();
uint32_t GetJpegOutputHeight();
// Output height minus the rows decoded so far.
uint32_t GetJpegRemainingLines();
// Whether a decompressor exists (between a successful start and the finish
// or an error).
bool IsJpegDecompressing();
// Why the last decode failed, for a person: libjpeg's message, or one of
// "size over the limit" (more than kMaxImagePixels pixels, refused before
// anything is allocated for them), "unsupported colour space", "out of
// memory", "file too large"; "" after a success. Valid until the next call.
const std::string& GetJpegFailureReason();

// The whole sequence on a block of bytes: the picture (caller releases it)
// or null. The data are copied; the program-wide state is idle afterwards.
VPicture* DecodeJpegWithLibrary(const uint8_t* data, uint32_t length);

// The whole sequence on the medium `id` of the current archive: the picture
// (caller releases it) or null, every step checked; the program-wide state
// is idle afterwards whatever happened.
VPicture* DecodeJpegMedium(uint16_t id);

// Installs the memory source on the decompressor (allocated from libjpeg's
// permanent pool on first use and reused): libjpeg reads the block directly;
// running past its end is libjpeg's error "Empty input file".
void SetJpegMemorySource(jpeg_decompress_struct* decompressor, const uint8_t* data, uint32_t length);
// The error manager's error_exit: shows libjpeg's message and returns to the
// recovery point of the libjpeg call in progress. Never returns.
[[noreturn]] void JpegErrorExit(jpeg_common_struct* decompressor);

// Write one decoded row of `width` pixels into pixel-map memory in the
// layout of `pixelFormat` (5-5-5 and 5-6-5 words big-endian for formats 3
// and 4, little-endian with 0x8000 set; 24- and 32-bit layouts 5 to 10;
// 8-bit grey 11; 8-bit palette 2 through the table's nearest colours, which
// needs `palette`). Rows of other layouts are not written.
void ConvertJpegRgbRow(const uint8_t* rgb, uint8_t* destination, int32_t width, uint16_t pixelFormat,
                       const ColorTableData* palette = nullptr);
// A row of CMYK samples as libjpeg gives them (Adobe's inverted inks: 255 is
// no ink) as red, green, blue: each channel = ink x K / 255, rounded, as
// djpeg writes such pictures.
void ConvertJpegCmykRow(const uint8_t* cmyk, uint8_t* rgb, int32_t width);
void ConvertJpegGreyRow(const uint8_t* grey, uint8_t* destination, int32_t width, uint16_t pixelFormat,
                        const ColorTableData* palette = nullptr);
