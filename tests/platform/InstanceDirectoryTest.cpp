// Single instance and windows between processes: the first process holds the
// lock and publishes its window; a second process (this test program started
// again) finds it through the directory and posts it messages, which arrive
// in the first process's window queue.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "platform/InstanceDirectory.h"
#include "platform/Window.h"
#include "platform/WindowQueue.h"
#include "support/TempDir.h"

extern char** environ;

namespace {

constexpr const char* kLockName = "VInstanceChecker_MMF_Ostrevan Test";
constexpr uint32_t kProgressMessage = 0x500;

class InstanceDirectoryTest : public testsupport::TempDirTest {
 protected:
  InstanceDirectoryTest() : TempDirTest("ostrevan-instance-") {}
  void SetUp() override {
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    hadRuntimeDir_ = old != nullptr;
    if (hadRuntimeDir_) oldRuntimeDir_ = old;
    TempDirTest::SetUp();
    if (HasFatalFailure()) return;
    setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    platform::ResetMessageQueue();
  }
  void TearDown() override {
    platform::InstanceDirectory::Close();
    platform::ResetMessageQueue();
    if (hadRuntimeDir_) {
      setenv("XDG_RUNTIME_DIR", oldRuntimeDir_.c_str(), 1);
    } else {
      unsetenv("XDG_RUNTIME_DIR");
    }
  }

  // Runs one test of this program in a child process; answers its exit status.
  int RunChild(const std::string& filter) {
    std::string self(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", self.data(), self.size() - 1);
    if (n <= 0) return -1;
    self.resize(static_cast<size_t>(n));
    std::string filterArg = "--gtest_filter=" + filter;
    char* argv[] = {self.data(), filterArg.data(), nullptr};
    setenv("OSTREVAN_INSTANCE_CHILD", std::to_string(getpid()).c_str(), 1);
    pid_t child = 0;
    const int rc = posix_spawn(&child, self.c_str(), nullptr, nullptr, argv, environ);
    unsetenv("OSTREVAN_INSTANCE_CHILD");
    if (rc != 0) return -1;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (waitpid(child, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        return -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    lastChild_ = child;
    return status;
  }

  std::string oldRuntimeDir_;
  bool hadRuntimeDir_ = false;
  pid_t lastChild_ = 0;
};

TEST_F(InstanceDirectoryTest, TheLockAdmitsOneHolder) {
  EXPECT_EQ(platform::GetInstanceDirectoryPath(), dir_ + "/ostrevan");
  platform::InstanceLock first(kLockName);
  platform::InstanceLock second(kLockName);
  EXPECT_FALSE(platform::InstanceLock::ReadPublished(kLockName).has_value());
  EXPECT_TRUE(first.Acquire());
  EXPECT_FALSE(second.Acquire());
  EXPECT_FALSE(second.Publish(5));  // only the holder publishes
  // Before the window exists the holder is known with no window.
  std::optional<platform::RemoteWindow> published = platform::InstanceLock::ReadPublished(kLockName);
  ASSERT_TRUE(published.has_value());
  EXPECT_EQ(published->processId, getpid());
  EXPECT_EQ(published->handle, 0u);
  EXPECT_TRUE(first.Publish(17));
  EXPECT_EQ(platform::InstanceLock::ReadPublished(kLockName)->handle, 17u);
  platform::InstanceLock other("another program");
  EXPECT_TRUE(other.Acquire());
}

TEST_F(InstanceDirectoryTest, ASecondProcessFindsTheFirstAndItsMessagesArrive) {
  platform::InstanceLock lock(kLockName);
  ASSERT_TRUE(lock.Acquire());
  platform::WindowOptions options;
  options.native = false;
  options.className = "OstrevanMain";
  options.title = "Ostrevan Haus";
  std::unique_ptr<platform::Window> window = platform::Window::Create(options);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(platform::InstanceDirectory::Open());  // publishes the window made before
  ASSERT_TRUE(lock.Publish(window->GetHandle()));
  setenv("OSTREVAN_EXPECTED_HANDLE", std::to_string(window->GetHandle()).c_str(), 1);

  const int status = RunChild("ChildProcessInstanceDirectory.FindsTheFirstInstanceAndPostsToIt");
  unsetenv("OSTREVAN_EXPECTED_HANDLE");
  ASSERT_TRUE(WIFEXITED(status)) << status;
  ASSERT_EQ(WEXITSTATUS(status), 0);

  ASSERT_TRUE(platform::WaitForMessage(30000));  // at once; the limit only absorbs a loaded machine
  platform::Message m;
  ASSERT_TRUE(platform::PeekMessage(m, true));
  EXPECT_EQ(m.window, window->GetHandle());
  EXPECT_EQ(m.message, kProgressMessage);
  EXPECT_EQ(m.wParam, 42u);
  EXPECT_EQ(m.lParam, -7);
  // The raise request was carried out by the queue and is not a message.
  platform::WaitForMessage(200);
  EXPECT_FALSE(platform::PeekMessage(m, true));

  // A record left by a process that ended is removed on the next search.
  const std::string stale = platform::GetInstanceDirectoryPath() + "/win-" + std::to_string(lastChild_) + "-1.rec";
  std::ofstream(stale) << "pid=" << lastChild_ << "\nhandle=1\nclass=41\ntitle=\n";
  EXPECT_FALSE(platform::InstanceDirectory::FindWindow("A", "").has_value());
  EXPECT_NE(access(stale.c_str(), F_OK), 0);

  // A window that goes away takes its record with it.
  const platform::WindowHandle handle = window->GetHandle();
  window.reset();
  EXPECT_FALSE(platform::InstanceDirectory::FindWindow("OstrevanMain", "").has_value());
  // Posting to a process that no longer listens fails.
  platform::RemoteWindow gone;
  gone.processId = lastChild_;
  gone.handle = handle;
  EXPECT_FALSE(platform::InstanceDirectory::PostMessage(gone, kProgressMessage, 1, 0));
}

// The second process of the test above, started by it (suites named
// ChildProcess* are no tests of their own: CTest does not list them); skipped
// when run on its own.
TEST(ChildProcessInstanceDirectory, FindsTheFirstInstanceAndPostsToIt) {
  const char* parent = std::getenv("OSTREVAN_INSTANCE_CHILD");
  const char* expected = std::getenv("OSTREVAN_EXPECTED_HANDLE");
  if (parent == nullptr || expected == nullptr) {
    GTEST_SKIP() << "runs as the second process of InstanceDirectoryTest";
  }
  const int32_t parentPid = std::atoi(parent);
  const auto handle = static_cast<platform::WindowHandle>(std::strtoul(expected, nullptr, 10));

  platform::InstanceLock lock(kLockName);
  EXPECT_FALSE(lock.Acquire());  // the first instance holds it
  std::optional<platform::RemoteWindow> first = platform::InstanceLock::ReadPublished(kLockName);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->processId, parentPid);
  EXPECT_EQ(first->handle, handle);

  std::optional<platform::RemoteWindow> byClass = platform::InstanceDirectory::FindWindow("ostrevanmain", "");
  ASSERT_TRUE(byClass.has_value());
  EXPECT_EQ(byClass->processId, parentPid);
  EXPECT_EQ(byClass->handle, handle);
  EXPECT_EQ(byClass->title, "Ostrevan Haus");
  EXPECT_TRUE(platform::InstanceDirectory::FindWindow("", "Ostrevan Haus").has_value());
  EXPECT_FALSE(platform::InstanceDirectory::FindWindow("OstrevanMain", "Other").has_value());
  EXPECT_FALSE(platform::InstanceDirectory::FindWindow("Nobody", "").has_value());

  EXPECT_TRUE(platform::InstanceDirectory::PostMessage(*byClass, kProgressMessage, 42, -7));
  EXPECT_TRUE(platform::InstanceDirectory::RequestRaise(*first));
}

}  // namespace
