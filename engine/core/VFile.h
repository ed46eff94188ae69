// VFile: a window (start, length) onto a shared VFileObject with its own
// position, an optional in-memory preload, and the typed reads and writes
// (little-endian here; VBigEndianFile and VTextFile replace the encoding).
// Positions are absolute offsets in the OS file; a window never moves by itself.
#pragma once

#include <cstdint>

#include "engine/core/VFileObject.h"
#include "engine/core/VGeometry.h"
#include "engine/core/VString.h"

class VFile {
 public:
  // Window length that runs to the end of the OS file.
  static constexpr int64_t kOpenEnded = 0x3FFFFFFF;

  // Shares `object` (may be null): one more user of it. Window [0, open-ended).
  explicit VFile(VFileObject* object = nullptr);
  // Shares the other's object and copies position, start and length (no preload).
  VFile(const VFile& other);
  // Makes a new object for the file spec.
  VFile(const VFileSpec& spec, uint32_t type, uint32_t creator);
  VFile& operator=(const VFile&) = delete;
  // DropPreload, then one user less of the object. A write-back that fails
  // here stays noted on the object for the Close of another window onto it.
  virtual ~VFile();

  // Opens the object (1 read, 2 write, 3 both); false without an object.
  bool Open(int32_t access);
  // DropPreload, then VFileObject::Close: false as well when a write (the
  // preload's write-back included) did not land in full.
  bool Close();
  bool IsOpen() const;
  // Whether a write through the object failed since it was last closed.
  bool HasWriteError() const;

  int64_t GetStart() const { return start_; }
  void SetStart(int64_t start) { start_ = start; }
  // The window length; for an open-ended window the OS file's size minus the start.
  int64_t GetLength() const;
  void SetLength(int64_t length) { length_ = length; }
  // Position relative to the window start.
  int64_t GetPosition() const { return position_ - start_; }
  // Moves to (window start when fromStart, else the position) + offset,
  // clamped into [start, start + length].
  void Seek(int64_t offset, bool fromStart);

  // Replaces the object by a new one for the file spec (type and creator "????");
  // position 0, start 0, open-ended.
  void SetFileSpec(const VFileSpec& spec);
  void GetFileSpec(VFileSpec& out) const;
  VFileObject* GetFileObject() const { return object_; }
  // Releases the current object and shares the given one (null allowed).
  void SetFileObject(VFileObject* object);
  void ShareFileObject(const VFile& other) { SetFileObject(other.object_); }

  // --- Line and text tools ------------------------------------------------
  // Bytes up to and including a CR (and an LF after it). 0 when no CR comes.
  int32_t SkipLine();
  // One line (CR, CR LF, LF or a zero byte ends it) into the string.
  int32_t ReadLine(VString& line, bool append);
  // Appends up to min(rest of window, maximum) bytes; stops at a zero byte.
  int32_t ReadIntoString(VString& out, int64_t maximum);
  int32_t WriteLineEnd();
  int32_t WriteTab();
  // Writes min(maximum, length) characters, plus the terminating zero byte
  // when the whole string fits (maximum > length).
  int32_t WriteText(const VString& text, int32_t maximum);

  // --- Virtual operations -------------------------------------------------
  // Reads [offset, offset + length) of the window into memory; later reads
  // and writes there are served from it. Returns the buffer (owned by the
  // file, valid until DropPreload) or null.
  virtual void* Preload(int64_t offset, int64_t length);
  // Writes a changed preload back and frees it; a write-back that does not
  // land in full is noted on the object (HasWriteError, Close).
  virtual void DropPreload();

  virtual int32_t ReadTypeCode(uint32_t& code);
  // A 32-bit length, then that many characters. A length that is negative or
  // larger than the rest of the window is refused (0, string unchanged).
  virtual int32_t ReadString(VString& out);
  virtual int32_t ReadColor(VRGBColor& color);
  virtual int32_t ReadRect(VRect& rect);
  virtual int32_t ReadPoint(VPoint& point);
  virtual int32_t ReadDoubles(double* values, int32_t& count);
  virtual int32_t ReadDouble(double& value);
  virtual int32_t ReadFloats(float* values, int32_t& count);
  virtual int32_t ReadFloat(float& value);
  virtual int32_t ReadLongs(int32_t* values, int32_t& count);
  virtual int32_t ReadLong(int32_t& value);
  virtual int32_t ReadShorts(int16_t* values, int32_t& count);
  virtual int32_t ReadShort(int16_t& value);
  // Raw bytes, clamped to the window. Returns the bytes delivered.
  virtual int32_t Read(void* buffer, int32_t count);
  // Reads synchronously; the bytes delivered are added to the request.
  // 0 when all came, -1 when fewer did or there is no object.
  virtual int32_t ReadAsync(void* buffer, int32_t count, VReadRequest& request);

  virtual int32_t WriteTypeCode(const uint32_t& code);
  virtual int32_t WriteString(const VString& text);
  virtual int32_t WriteColor(const VRGBColor& color);
  virtual int32_t WriteRect(const VRect& rect);
  virtual int32_t WritePoint(const VPoint& point);
  virtual int32_t WriteDoubles(const double* values, int32_t& count);
  virtual int32_t WriteDouble(double value);
  virtual int32_t WriteFloats(const float* values, int32_t& count);
  virtual int32_t WriteFloat(float value);
  virtual int32_t WriteLongs(const int32_t* values, int32_t& count);
  virtual int32_t WriteLong(int32_t value);
  virtual int32_t WriteShorts(const int16_t* values, int32_t& count);
  virtual int32_t WriteShort(int16_t value);
  virtual int32_t Write(const void* buffer, int32_t count);

 protected:
  // Bytes left in the window from the position (0 at or past its end).
  int64_t Remaining() const;
  // Pushes one byte back (the text readers' look-ahead).
  void Unread() { Seek(-1, false); }

 private:
  // Moves up to `count` bytes (clamped to the window) at the position: the
  // part inside the preloaded block through copyPreloaded(block, bytes), the
  // rest through the file object with direct(bytesDone, bytesLeft), which
  // returns what it moved. Returns the bytes moved in all.
  template <typename CopyPreloaded, typename Direct>
  int32_t Transfer(int32_t count, CopyPreloaded copyPreloaded, Direct direct);
  int32_t ReadArray(void* values, int32_t& count, int32_t size);
  int32_t WriteArray(const void* values, int32_t& count, int32_t size);

  VFileObject* object_ = nullptr;
  int64_t position_ = 0;
  int64_t start_ = 0;
  int64_t length_ = kOpenEnded;
  uint8_t* preload_ = nullptr;
  bool preloadDirty_ = false;
  int64_t preloadFirst_ = 0;
  int64_t preloadLast_ = -1;
};
