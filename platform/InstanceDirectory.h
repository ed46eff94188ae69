// Windows and single instances between processes of the same user. Every
// process that opens the directory gets a Unix datagram socket there and
// publishes a record per window (class name, title, handle), so another
// process can find a window by class or title and post it a message; the
// message arrives in the owner's window queue (platform/WindowQueue.h).
// The single-instance rule is a lock file held with flock: exactly one
// process holds it, and it publishes its main window for a second start.
// The directory is $XDG_RUNTIME_DIR/ostrevan, else /tmp/ostrevan-<uid>
// (made with mode 0700 and refused when another user owns it).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/WindowMessage.h"

namespace platform {

// A window of some process (possibly this one) as the directory knows it.
struct RemoteWindow {
  int32_t processId = 0;
  WindowHandle handle = 0;  // 0: the process's primary window
  std::string className;
  std::string title;
};

// The directory's path (made on first use); empty when it cannot be made.
std::string GetInstanceDirectoryPath();

class InstanceDirectory {
 public:
  // Opens this process's place: binds its socket and starts the thread that
  // posts arriving messages to the window queue; publishes the windows that
  // exist already. Idempotent; false when the directory or socket fails.
  static bool Open();
  // Withdraws this process's records, stops the thread and removes the socket.
  static void Close();
  static bool IsOpen();

  // Adds or updates the record of a window of this process (nothing while
  // the directory is closed). The window layer calls these itself.
  static void PublishWindow(WindowHandle window, const std::string& className, const std::string& title);
  static void WithdrawWindow(WindowHandle window);

  // The first window (in record-name order) whose class name matches without
  // regard to ASCII case and whose title matches exactly; an empty argument
  // matches any. Records of processes that no longer run are removed.
  static std::optional<RemoteWindow> FindWindow(const std::string& className, const std::string& title);

  // Posts a message to a window of another (or this) process. True when the
  // message was handed to that process; whether the window still exists is
  // the receiver's affair (it drops messages for windows it does not have).
  // Works without Open.
  static bool PostMessage(const RemoteWindow& window, uint32_t message, uintptr_t wParam, intptr_t lParam);
  // Asks the process to restore its window if minimised and bring it to the front.
  static bool RequestRaise(const RemoteWindow& window);
};

// The single-instance lock of one program name.
class InstanceLock {
 public:
  explicit InstanceLock(const std::string& name);
  // Releases the lock and withdraws what Publish wrote.
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Takes the lock without waiting: true for the first instance, false when
  // another process (or another InstanceLock of this one) holds it or the
  // lock file cannot be made.
  bool Acquire();
  bool IsHeld() const { return fd_ >= 0; }
  // Publishes the window a second start should bring forward (0: none yet).
  // Only while held.
  bool Publish(WindowHandle window);

  // What the holder of the named lock published: its process and window
  // (handle 0 when it has not published one yet). Empty when nobody runs.
  static std::optional<RemoteWindow> ReadPublished(const std::string& name);

 private:
  std::string name_;
  int fd_ = -1;
  bool published_ = false;
};

}  // namespace platform
