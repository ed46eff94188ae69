// File windows: clamped positions, preload, raw and little-endian typed I/O.
#include "engine/core/VFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/core/MediaTypes.h"
#include "engine/core/Memory.h"

namespace {

// The bytes of `count` values of `size` bytes each, cut to whole values below
// 2 GiB; 0, with `count` set to 0, when there are no values to move.
int32_t ArrayBytes(const void* values, int32_t& count, int32_t size) {
  if (values == nullptr || count < 1) {
    count = 0;
    return 0;
  }
  int64_t bytes = static_cast<int64_t>(count) * size;
  if (bytes > 0x7FFFFFFF) bytes = 0x7FFFFFFF - 0x7FFFFFFF % size;
  return static_cast<int32_t>(bytes);
}

}  // namespace

VFile::VFile(VFileObject* object) : object_(object) {
  if (object_ != nullptr) object_->AddReference();
}

VFile::VFile(const VFile& other)
    : object_(other.object_), position_(other.position_), start_(other.start_), length_(other.length_) {
  if (object_ != nullptr) object_->AddReference();
}

VFile::VFile(const VFileSpec& spec, uint32_t type, uint32_t creator)
    : object_(new VFileObject(spec, type, creator)) {}

VFile::~VFile() {
  DropPreload();
  if (object_ != nullptr) object_->Release();
}

bool VFile::Open(int32_t access) {
  if (object_ == nullptr) return false;
  if (!object_->IsOpen()) position_ = start_;
  return object_->Open(access);
}

bool VFile::Close() {
  DropPreload();
  return object_ != nullptr && object_->Close();
}

bool VFile::IsOpen() const { return object_ != nullptr && object_->IsOpen(); }

bool VFile::HasWriteError() const { return object_ != nullptr && object_->HasWriteError(); }

int64_t VFile::GetLength() const {
  if (length_ != kOpenEnded) return length_;
  if (object_ == nullptr) return -start_;
  return object_->GetSize() - start_;
}

void VFile::Seek(int64_t offset, bool fromStart) {
  int64_t target = (fromStart ? start_ : position_) + offset;
  int64_t high = start_ + length_;  // open-ended: start + kOpenEnded, not the file's end
  position_ = std::max(start_, std::min(target, high));
}

void VFile::SetFileSpec(const VFileSpec& spec) {
  DropPreload();
  if (object_ != nullptr) object_->Release();
  object_ = new VFileObject(spec, kUnknownFileType, kUnknownFileType);
  position_ = 0;
  start_ = 0;
  length_ = kOpenEnded;
}

void VFile::GetFileSpec(VFileSpec& out) const {
  if (object_ != nullptr) object_->GetFileSpec(out);
}

void VFile::SetFileObject(VFileObject* object) {
  if (object == object_) return;
  DropPreload();
  if (object != nullptr) object->AddReference();
  if (object_ != nullptr) object_->Release();
  object_ = object;
}

int64_t VFile::Remaining() const { return std::max<int64_t>(0, start_ + length_ - position_); }

// --- Raw transfer ------------------------------------------------------------

template <typename CopyPreloaded, typename Direct>
int32_t VFile::Transfer(int32_t count, CopyPreloaded copyPreloaded, Direct direct) {
  int64_t n = std::min<int64_t>(count, Remaining());
  if (n < 1) return 0;
  int32_t done = 0;
  if (preload_ != nullptr && position_ >= preloadFirst_ && position_ <= preloadLast_) {
    const int64_t k = std::min(n, preloadLast_ - position_ + 1);
    copyPreloaded(preload_ + (position_ - preloadFirst_), static_cast<size_t>(k));
    position_ += k;
    n -= k;
    done = static_cast<int32_t>(k);
  }
  if (object_ != nullptr && n >= 1) {
    const int32_t moved = direct(done, static_cast<int32_t>(n));
    // Only what arrived counts: a short transfer leaves the position at the data's end.
    position_ += moved;
    done += moved;
  }
  return done;
}

int32_t VFile::Read(void* buffer, int32_t count) {
  if (buffer == nullptr) return 0;
  auto* out = static_cast<uint8_t*>(buffer);
  return Transfer(
      count, [out](const uint8_t* cached, size_t k) { std::memcpy(out, cached, k); },
      [this, out](int32_t done, int32_t n) { return object_->Read(out + done, position_, n); });
}

int32_t VFile::Write(const void* buffer, int32_t count) {
  if (buffer == nullptr) return 0;
  const auto* in = static_cast<const uint8_t*>(buffer);
  return Transfer(
      count,
      [this, in](uint8_t* cached, size_t k) {
        std::memcpy(cached, in, k);
        preloadDirty_ = true;
      },
      [this, in](int32_t done, int32_t n) { return object_->Write(in + done, position_, n); });
}

int32_t VFile::ReadAsync(void* buffer, int32_t count, VReadRequest& request) {
  if (buffer == nullptr) return -1;
  int64_t n = std::min<int64_t>(count, Remaining());
  if (n < 1) return 0;
  if (object_ == nullptr && (preload_ == nullptr || position_ < preloadFirst_ || position_ > preloadLast_)) {
    return -1;
  }
  int32_t got = Read(buffer, static_cast<int32_t>(n));
  request.bytesRead += got;
  return got == n ? 0 : -1;
}

void* VFile::Preload(int64_t offset, int64_t length) {
  DropPreload();
  Open(VFileObject::kRead);
  if (object_ == nullptr) return nullptr;
  int64_t limit = std::min(object_->GetSize(), start_ + length_);
  int64_t first = std::min(limit - 1, std::max<int64_t>(start_ + offset, 0));
  int64_t count = std::min(limit - first, std::max<int64_t>(length, 0));
  if (first < 0 || count <= 0 || count > 0x7FFFFFFF) return nullptr;
  auto* buffer = static_cast<uint8_t*>(AllocateMemory(static_cast<int32_t>(count)));
  if (buffer == nullptr) return nullptr;
  int32_t got = object_->Read(buffer, first, static_cast<int32_t>(count));
  if (got < 1) {
    FreeMemory(buffer);
    return nullptr;
  }
  // Only the bytes that arrived are held, so nothing unread is ever served.
  preload_ = buffer;
  preloadFirst_ = first;
  preloadLast_ = first + got - 1;
  preloadDirty_ = false;
  Seek(0, false);
  return preload_;
}

void VFile::DropPreload() {
  if (preload_ == nullptr) return;
  if (preloadDirty_ && object_ != nullptr) {
    object_->Write(preload_, preloadFirst_, static_cast<int32_t>(preloadLast_ - preloadFirst_ + 1));
  }
  FreeMemory(preload_);
  preload_ = nullptr;
  preloadDirty_ = false;
  preloadFirst_ = 0;
  preloadLast_ = -1;
}

// --- Typed values ----------------------------------------------------------

int32_t VFile::ReadArray(void* values, int32_t& count, int32_t size) {
  const int32_t bytes = ArrayBytes(values, count, size);
  if (bytes == 0) return 0;
  const int32_t got = Read(values, bytes);
  count = got / size;
  return got;
}

int32_t VFile::WriteArray(const void* values, int32_t& count, int32_t size) {
  const int32_t bytes = ArrayBytes(values, count, size);
  if (bytes == 0) return 0;
  const int32_t put = Write(values, bytes);
  count = put / size;
  return put;
}

int32_t VFile::ReadTypeCode(uint32_t& code) { return Read(&code, 4); }
int32_t VFile::ReadDouble(double& value) { return Read(&value, 8); }
int32_t VFile::ReadFloat(float& value) { return Read(&value, 4); }
int32_t VFile::ReadLong(int32_t& value) { return Read(&value, 4); }
int32_t VFile::ReadShort(int16_t& value) { return Read(&value, 2); }
int32_t VFile::ReadDoubles(double* values, int32_t& count) { return ReadArray(values, count, 8); }
int32_t VFile::ReadFloats(float* values, int32_t& count) { return ReadArray(values, count, 4); }
int32_t VFile::ReadLongs(int32_t* values, int32_t& count) { return ReadArray(values, count, 4); }
int32_t VFile::ReadShorts(int16_t* values, int32_t& count) { return ReadArray(values, count, 2); }

int32_t VFile::WriteTypeCode(const uint32_t& code) { return Write(&code, 4); }
int32_t VFile::WriteDouble(double value) { return Write(&value, 8); }
int32_t VFile::WriteFloat(float value) { return Write(&value, 4); }
int32_t VFile::WriteLong(int32_t value) { return Write(&value, 4); }
int32_t VFile::WriteShort(int16_t value) { return Write(&value, 2); }
int32_t VFile::WriteDoubles(const double* values, int32_t& count) { return WriteArray(values, count, 8); }
int32_t VFile::WriteFloats(const float* values, int32_t& count) { return WriteArray(values, count, 4); }
int32_t VFile::WriteLongs(const int32_t* values, int32_t& count) { return WriteArray(values, count, 4); }
int32_t VFile::WriteShorts(const int16_t* values, int32_t& count) { return WriteArray(values, count, 2); }

int32_t VFile::ReadString(VString& out) {
  int32_t length = 0;
  int32_t got = ReadLong(length);
  if (got != 4) return got;
  // The length comes from the file: refuse one that cannot be there.
  if (length < 0 || length > GetLength() - GetPosition()) {
    Seek(-4, false);
    return 0;
  }
  char* chars = out.LockBuffer(length);
  if (chars == nullptr) {
    Seek(-4, false);
    return 0;
  }
  int32_t n = Read(chars, length);
  chars[n] = 0;
  out.UnlockBuffer();
  return n + 4;
}

int32_t VFile::ReadColor(VRGBColor& color) {
  uint8_t bytes[3] = {};
  int32_t got = Read(bytes, 3);
  color.red = bytes[0];
  color.green = bytes[1];
  color.blue = bytes[2];
  return got == 3 ? 3 : 0;
}

int32_t VFile::ReadRect(VRect& rect) {
  int32_t values[4] = {};
  int32_t count = 4;
  int32_t got = ReadLongs(values, count);
  rect.left = values[0];
  rect.top = values[1];
  rect.right = values[2];
  rect.bottom = values[3];
  return count == 4 ? got : 0;
}

int32_t VFile::ReadPoint(VPoint& point) {
  int32_t values[2] = {};
  int32_t count = 2;
  int32_t got = ReadLongs(values, count);
  point.x = static_cast<int16_t>(static_cast<uint32_t>(values[0]) & 0xFFFF);
  point.y = static_cast<int16_t>(static_cast<uint32_t>(values[1]) & 0xFFFF);
  return count == 2 ? got : 0;
}

int32_t VFile::WriteString(const VString& text) {
  int32_t length = text.GetLength();
  int32_t put = WriteLong(length);
  if (length > 0 && text.GetChars() != nullptr) put += Write(text.GetChars(), length);
  return put;
}

int32_t VFile::WriteColor(const VRGBColor& color) {
  uint8_t bytes[3] = {color.red, color.green, color.blue};
  return Write(bytes, 3);
}

int32_t VFile::WriteRect(const VRect& rect) {
  int32_t values[4] = {rect.left, rect.top, rect.right, rect.bottom};
  int32_t count = 4;
  int32_t put = WriteLongs(values, count);
  return count == 4 ? put : 0;
}

int32_t VFile::WritePoint(const VPoint& point) {
  int32_t values[2] = {point.x, point.y};
  int32_t count = 2;
  int32_t put = WriteLongs(values, count);
  return count == 2 ? put : 0;
}

// --- Lines and text ------------------------------------------------------------

int32_t VFile::SkipLine() {
  int32_t taken = 0;
  char c = 0;
  while (Read(&c, 1) == 1) {
    ++taken;
    if (c == '\r') {
      char next = 0;
      if (Read(&next, 1) == 1) {
        if (next == '\n') {
          ++taken;
        } else {
          Unread();
        }
      }
      return taken;
    }
  }
  return 0;
}

int32_t VFile::ReadLine(VString& line, bool append) {
  if (!append) line.Assign("");
  int32_t taken = 0;
  char c = 0;
  while (Read(&c, 1) == 1) {
    ++taken;
    if (c == '\r') {
      char next = 0;
      if (Read(&next, 1) == 1 && next != '\n') Unread();
      return taken;
    }
    if (c == '\n' || c == 0) return taken;
    line.AppendChar(c);
  }
  return taken;
}

int32_t VFile::ReadIntoString(VString& out, int64_t maximum) {
  if (!Open(VFileObject::kRead)) return 0;
  int64_t n = std::min(GetLength() - GetPosition(), maximum);
  if (n < 1) return 0;
  int64_t base = out.GetLength();
  if (base + n > VString::kMaxCapacity) n = VString::kMaxCapacity - base;
  if (n < 1) return 0;
  char* chars = out.LockBuffer(static_cast<int32_t>(base + n));
  if (chars == nullptr) return 0;
  int32_t got = Read(chars + base, static_cast<int32_t>(n));
  chars[base + got] = 0;
  // The string ends at the first zero byte (a TEXT medium's terminator).
  out.UnlockBuffer();
  return got;
}

int32_t VFile::WriteLineEnd() { return Write("\r\n", 2); }

int32_t VFile::WriteTab() { return Write("\t", 1); }

int32_t VFile::WriteText(const VString& text, int32_t maximum) {
  if (text.GetChars() == nullptr || maximum < 1) return 0;
  int32_t length = text.GetLength();
  // Within the maximum, the terminating zero goes with the characters.
  int32_t count = maximum > length ? length + 1 : maximum;
  return Write(text.GetChars(), count);
}
