// VFileObject: one open operating-system file, shared by reference count
// between the VFile windows onto it and serialised by its own re-entrant
// mutex, so that VFiles on different threads may share it.
#pragma once

#include <cstdint>

#include "engine/core/VFileSpec.h"
#include "engine/core/VMutex.h"
#include "engine/core/VRefCount.h"

// The record of an asynchronous read: bytesRead counts the bytes delivered.
struct VReadRequest {
  int32_t status = 0;
  int32_t bytesRead = 0;
};

class VFileObject : public VRefCount {
 public:
  enum Access : int32_t { kRead = 1, kWrite = 2, kReadWrite = 3 };

  // Closed, no access, position 0, one user (the creator). Every VFile onto
  // the object holds a reference; at zero the object deletes itself (closing
  // the file).
  VFileObject(const VFileSpec& spec, uint32_t type, uint32_t creator);

  // Opens (or widens access to) the file. An existing file is never
  // truncated; a missing one is created (empty) only for write access.
  bool Open(int32_t access);
  // Closes when at most one VFile uses the object; false (still open) while
  // several do. Also false (closed all the same) when a write since the last
  // Close did not land in full, a preload written back included, or the
  // system refused to close a handle open for writing: the caller learns
  // that data were lost. That error is handed over once; closing a closed
  // object with no error pending is true.
  bool Close();
  bool IsOpen() const { return open_; }
  void GetFileSpec(VFileSpec& out) const;
  uint32_t GetType() const { return type_; }
  uint32_t GetCreator() const { return creator_; }
  int32_t GetAccess() const { return access_; }
  // Whether a write failed since the last Close (see Close).
  bool HasWriteError();

  // Size of the file in bytes; 0 when not open. Does not open the file.
  int64_t GetSize();
  // The position the object stands at after its last transfer (0 when closed).
  int64_t Tell();
  // Moves the cached position (absolute, or relative to it). False when closed.
  bool Seek(int64_t offset, bool absolute);

  // Reads count bytes at the absolute offset, opening the file for reading
  // when needed. Returns the bytes read (0 on any failure).
  virtual int32_t Read(void* buffer, int64_t offset, int32_t count);
  // Writes count bytes at the absolute offset, (re)opening for reading and
  // writing when needed. Returns the bytes written; fewer than count also
  // leaves a write error for Close to report.
  virtual int32_t Write(const void* buffer, int64_t offset, int32_t count);
  // Reads at once (this platform has no asynchronous completion) and adds the
  // bytes delivered to the request. 0 when everything came, else -1.
  virtual int32_t BeginRead(void* buffer, int64_t offset, int32_t count, VReadRequest& request);

 protected:
  ~VFileObject() override;
  // Notes a lost write for Close to report (for subclasses that write by
  // other means).
  void SetWriteError();

 private:
  // Closes the handle when at most one VFile uses the object (false while
  // several do), noting a refused close of a writable handle. The mutex is held.
  bool CloseHandle();

  int handle_ = -1;
  VFileSpec spec_;
  uint32_t type_;
  uint32_t creator_;
  bool open_ = false;
  int32_t access_ = 0;
  int64_t position_ = 0;
  bool writeError_ = false;
  VMutex mutex_;
};
