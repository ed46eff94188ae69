// VJPEGImageReader: the engine's own reader for baseline JPEG files (the
// "JPEG" type of the image-reader registry). It decodes sequential
// Huffman-coded 8-bit frames of one to three components, luminance sampled
// 1x1 or 2x2 and chroma 1x1, and writes the pixels straight at the target
// map's depth: 32 and 24 bits as RGB, 15 and 16 bits through a 4x4 ordered
// dither, 8 bits through error diffusion onto the map's colour table.
// Three-component files coded as RGB (an Adobe marker with transform 0, or
// components named 'R', 'G', 'B' without a JFIF marker) are taken as RGB;
// when G and B are sampled at half of R's width and height they are widened
// as libjpeg widens them, so the colours are djpeg's.
// Progressive, lossless, arithmetic-coded, 12-bit and CMYK files, and
// pictures over kMaxImagePixels, are refused with a reason
// (GetFailureReason).
#pragma once

#include <cstdint>
#include <functional>

#include "engine/image/ImageRegistry.h"

class VCodeTable;

class VJPEGImageReader : public VImageReader {
 public:
  // The file is the caller's and must outlive the reader.
  explicit VJPEGImageReader(VFile* file);
  ~VJPEGImageReader() override;

  // Reads the whole file into memory and its segments up to the start of
  // the scan: 0 when a frame this reader can decode follows, -1 otherwise
  // (no memory for the file, no baseline frame, unsupported sampling or
  // component layout, tables missing or malformed, a picture over
  // kMaxImagePixels); the reason is then in GetFailureReason.
  int32_t ReadHeader() override;
  // Decodes the image into the target (made at the header's size; a smaller
  // map receives the part that fits), whatever its depth. 0 on success, also
  // when the entropy data end early (the rows after the end stay as they
  // were); -1 without a decodable header, for an unsupported depth, or when
  // the output tables or buffers cannot be set up. Flags, frame and mode are
  // not used.
  int32_t ReadImage(PixelMap& target, int32_t flags, int32_t frame, int32_t frameCountMode) override;

  // Decodes the image as rows of red, green and blue bytes (the colours of a
  // 24-bit read), handed out from the top in bands: `room` is asked for
  // room for the next `count` rows (at most bandRows, 3 x width bytes each,
  // one after another), which it must keep until it is asked again; null
  // stops the decoding. Rows the entropy data do not reach are zeros. 0 on
  // success, also when the data end early; -1 without a decodable header,
  // when the buffers cannot be set up, or when `room` gave none.
  using RgbRowRoom = std::function<uint8_t*(int32_t count)>;
  int32_t ReadRgbRows(int32_t bandRows, const RgbRowRoom& room);

  // After ReadImage or ReadRgbRows: whether the entropy data ended (or broke) before the
  // last block, leaving rows undecoded.
  bool WasTruncated() const { return truncated_; }

 private:
  bool ParseSegment(uint8_t marker, const uint8_t* data, int32_t length, bool& stop);
  bool ParseFrame(const uint8_t* data, int32_t length);
  bool ParseHuffmanTables(const uint8_t* data, int32_t length);
  bool ParseQuantisationTables(const uint8_t* data, int32_t length);
  bool ParseScan(const uint8_t* data, int32_t length);
  void ParseApplicationData(uint8_t marker, const uint8_t* data, int32_t length);
  bool Refuse(const char* reason);
  void FreeBuffers();

  uint8_t* buffer_ = nullptr;
  int64_t bufferLength_ = 0;
  int64_t entropyStart_ = 0;
  bool headerOk_ = false;
  bool frameSeen_ = false;
  bool truncated_ = false;
  // Colour-space evidence: a JFIF marker, an Adobe marker and its transform
  // (0 RGB or CMYK, 1 YCbCr, 2 YCCK); whether the components hold R, G, B.
  bool sawJfif_ = false;
  bool sawAdobe_ = false;
  int32_t adobeTransform_ = 1;
  bool rgb_ = false;

  uint8_t precision_ = 0;
  int32_t componentCount_ = 0;
  uint8_t componentId_[3] = {};
  int32_t sampleH_[3] = {};
  int32_t sampleV_[3] = {};
  int32_t quantTable_[3] = {};
  int32_t dcTable_[3] = {};
  int32_t acTable_[3] = {};

  // Quantisation tables 0..3 in natural (row-major) order.
  int32_t quant_[4][64] = {};
  bool quantDefined_[4] = {};
  // Decoding tables by class x 2 + table number (classes 0 DC, 1 AC).
  VCodeTable* codeTables_[4] = {};

  friend class VJPEGDecoding;
};

// The registry's factory for "JPEG": a new VJPEGImageReader (the caller
// deletes it).
VImageReader* CreateJPEGImageReader(VFile* file);
// Installs the factory in the image-reader registry. The registry starts with
// it already; this puts it back after a program or test installed another.
void RegisterJPEGImageReader();
