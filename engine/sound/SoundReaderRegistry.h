// The sound-reader registry: the base of sound readers and the program-wide
// list of prototype readers, one per class, that the application registers
// at start; a sound medium is read by a new reader made by the first
// prototype of its type. The sound library supplies the readers.
#pragma once

#include <cstdint>

#include "engine/core/Memory.h"
#include "engine/core/VFile.h"
#include "engine/core/VLinkedList.h"
#include "engine/sound/AudioFormat.h"

class VAudioDecoderConfig;

// Reads the sound data of one medium through a file of its own (a copy of
// the given one, sharing its file object).
class VSoundReader {
 public:
  // A prototype holds a file without file object.
  VSoundReader() = default;
  explicit VSoundReader(const VFile& file) : file_(file) {}
  VSoundReader(const VSoundReader&) = delete;
  VSoundReader& operator=(const VSoundReader&) = delete;
  virtual ~VSoundReader() = default;

  // Reads the format and sets the data start and end: 0 on success.
  virtual int32_t ReadHeader() = 0;
  // Reads up to `count` bytes at the position into the buffer (null: the
  // internal buffer, owned by the reader and valid until the next Read).
  // Returns the data or null; `count` becomes the bytes delivered; `ended`
  // is set when the data ended or a read failed (see the .cpp).
  virtual uint8_t* Read(uint8_t* buffer, int32_t& count, bool& ended);
  // A new reader of the same class on the file (the caller deletes it).
  virtual VSoundReader* CreateReader(const VFile& file) = 0;
  virtual uint32_t GetTypeCode() const = 0;
  // The parameters a decoder of the data needs (owned by the reader), or null.
  virtual const VAudioDecoderConfig* GetDecoderConfig() const { return nullptr; }
  virtual bool IsPastEnd(int32_t count) const { return int64_t{dataStart_} + count >= dataEnd_; }
  virtual bool IsAtEnd() const { return int64_t{dataStart_} + position_ >= dataEnd_; }

  int32_t GetPosition() const { return position_; }
  void SetPosition(int32_t position) { position_ = position; }
  const VAudioEncodingFormat& GetFormat() const { return format_; }
  VFile& GetFile() { return file_; }
  int32_t GetDataStart() const { return dataStart_; }
  int32_t GetDataEnd() const { return dataEnd_; }

 protected:
  VFile file_;
  VAudioEncodingFormat format_;
  int32_t position_ = 0;
  int32_t dataStart_ = 0;
  int32_t dataEnd_ = 0;
  VByteBuffer buffer_;
};

// One registry entry: the prototype (owned) and its type code.
class VSoundReaderRegisterElement : public VListElement {
 public:
  VSoundReaderRegisterElement(VSoundReader* prototype, uint32_t type) : prototype_(prototype), type_(type) {}
  ~VSoundReaderRegisterElement() override { delete prototype_; }
  VSoundReader* GetPrototype() const { return prototype_; }
  uint32_t GetTypeCode() const { return type_; }

 private:
  VSoundReader* prototype_;
  uint32_t type_;
};

// Appends the prototype (owned by the registry from now on) with its type
// code; null is ignored.
void RegisterSoundReader(VSoundReader* prototype);
// A new reader from the first prototype registered for the type (the
// caller deletes it), or null when none matches.
VSoundReader* CreateSoundReader(const VFile& file, uint32_t type);
// Whether a prototype is registered for the type.
bool HasSoundReader(uint32_t type);
// Deletes every registered prototype (tests; the registry is also emptied at exit).
void ClearSoundReaders();
