// Shared, locked operating-system files.
#include "engine/core/VFileObject.h"

#include "platform/File.h"

VFileObject::VFileObject(const VFileSpec& spec, uint32_t type, uint32_t creator)
    : spec_(spec), type_(type), creator_(creator) {}

VFileObject::~VFileObject() {
  if (handle_ >= 0) platform::CloseFile(handle_);
}

bool VFileObject::Open(int32_t access) {
  VMutexLock lock(mutex_);
  access &= kReadWrite;
  if (open_ && (access_ & access) == access) return true;
  CloseHandle();
  if (!open_) position_ = 0;
  int32_t previousAccess = access_;
  access_ |= access;
  if (access_ == 0) return false;

  const VString& path = spec_.GetPath();
  int fd = -1;
  if (path.GetChars() != nullptr && !path.IsEmpty()) {
    // A missing file is created for write access; an existing one that cannot
    // be opened is left exactly as it is (never emptied).
    fd = (access_ & kWrite) ? platform::OpenOrCreateFile(path.GetChars(), access_)
                            : platform::OpenFile(path.GetChars(), access_);
  }
  if (fd < 0) {
    if (open_) {
      // Several users share the old handle: keep it and its access.
      access_ = previousAccess;
    }
    return false;
  }
  if (handle_ >= 0 && !platform::CloseFile(handle_) && (previousAccess & kWrite) != 0) {
    writeError_ = true;  // the replaced handle of a shared object
  }
  handle_ = fd;
  open_ = true;
  position_ = 0;
  spec_.SetExists(true);
  return true;
}

bool VFileObject::CloseHandle() {
  if (GetReferenceCount() > 1 && open_) return false;
  if (handle_ >= 0 && !platform::CloseFile(handle_) && (access_ & kWrite) != 0) {
    // A failed close of a written file can mean the last writes never landed.
    writeError_ = true;
  }
  handle_ = -1;
  open_ = false;
  return true;
}

bool VFileObject::Close() {
  VMutexLock lock(mutex_);
  if (!CloseHandle()) return false;
  const bool lost = writeError_;
  writeError_ = false;
  return !lost;
}

bool VFileObject::HasWriteError() {
  VMutexLock lock(mutex_);
  return writeError_;
}

void VFileObject::SetWriteError() {
  VMutexLock lock(mutex_);
  writeError_ = true;
}

void VFileObject::GetFileSpec(VFileSpec& out) const { out.Assign(spec_); }

int64_t VFileObject::GetSize() {
  VMutexLock lock(mutex_);
  if (!open_) return 0;
  int64_t size = platform::GetFileSize(handle_);
  return size < 0 ? 0 : size;
}

int64_t VFileObject::Tell() {
  VMutexLock lock(mutex_);
  return open_ ? position_ : 0;
}

bool VFileObject::Seek(int64_t offset, bool absolute) {
  VMutexLock lock(mutex_);
  if (!open_) return false;
  int64_t target = absolute ? offset : position_ + offset;
  if (target < 0) return false;
  position_ = target;
  return true;
}

int32_t VFileObject::Read(void* buffer, int64_t offset, int32_t count) {
  if (buffer == nullptr || count < 1 || offset < 0) return 0;
  VMutexLock lock(mutex_);
  if (!open_ && !Open(kRead)) return 0;
  if ((access_ & kRead) == 0) return 0;
  int64_t n = platform::ReadAt(handle_, buffer, count, offset);
  if (n < 0) return 0;
  position_ = offset + n;
  return static_cast<int32_t>(n);
}

int32_t VFileObject::Write(const void* buffer, int64_t offset, int32_t count) {
  if (buffer == nullptr || count < 1 || offset < 0) return 0;
  VMutexLock lock(mutex_);
  if (!open_ || (access_ & kWrite) == 0) Open(kReadWrite);
  if (!open_ || (access_ & kWrite) == 0) {
    writeError_ = true;
    return 0;
  }
  int64_t n = platform::WriteAt(handle_, buffer, count, offset);
  if (n < count) writeError_ = true;
  if (n < 0) return 0;
  position_ = offset + n;
  return static_cast<int32_t>(n);
}

int32_t VFileObject::BeginRead(void* buffer, int64_t offset, int32_t count, VReadRequest& request) {
  if (buffer == nullptr || count < 1) return -1;
  int32_t n = Read(buffer, offset, count);
  request.bytesRead += n;
  return n == count ? 0 : -1;
}
