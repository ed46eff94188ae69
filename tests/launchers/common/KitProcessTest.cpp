// Windows of the dialog kit seen from other processes: winmsg finds a
// window by its title and posts it messages (the installer's progress),
// and the windows of a process that died are forgotten.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "launchers/common/KitApp.h"
#include "launchers/common/Dialog.h"
#include "launchers/common/KitLoop.h"
#include "launchers/common/ProgressCtrl.h"
#include "launchers/common/LauncherDialogs.h"
#include "support/BuildPaths.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace {

using testsupport::FileExists;

constexpr uint32_t kProgressMessage = 0x500;
// The children need no display: SDL's dummy video driver serves them.
const char* const kNoDisplay = "SDL_VIDEODRIVER=dummy";

std::string Self() {
  std::string self(4096, '\0');
  self.resize(static_cast<size_t>(readlink("/proc/self/exe", self.data(), self.size() - 1)));
  return self;
}

std::string Winmsg() { return testsupport::BuildDir() + "/launchers/common/winmsg"; }

int RunWinmsg(const std::vector<std::string>& args, std::string* output = nullptr) {
  std::string command = "'" + Winmsg() + "'";
  for (const std::string& a : args) command += " '" + a + "'";
  if (output != nullptr) {
    *output = testsupport::Capture(command + " 2>/dev/null; echo \"rc=$?\"");
    const size_t at = output->rfind("rc=");
    const int rc = std::atoi(output->c_str() + at + 3);
    output->resize(at);
    return rc;
  }
  const int status = std::system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool WaitForFile(const std::string& path, int seconds) {
  for (int i = 0; i < seconds * 50; ++i) {
    if (FileExists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// A title no other test or program uses.
std::string UniqueTitle(const std::string& base) { return base + " " + std::to_string(getpid()); }

TEST(KitProcess, WinmsgPostsProgressToAWindowFoundByTitle) {
  ASSERT_TRUE(FileExists(Winmsg())) << Winmsg();
  const testsupport::TempDir dir("ostrevan-winmsg-");
  const std::string title = UniqueTitle("Pellam Setup");
  const pid_t child = testsupport::Spawn(
      {Self(), "--gtest_filter=ChildProcessKitProcess.ProgressDialog"},
      {"OSTREVAN_KIT_TITLE=" + title, "OSTREVAN_KIT_RESULTS=" + dir.Path("results"),
       "OSTREVAN_KIT_READY=" + dir.Path("ready"), kNoDisplay});
  ASSERT_GT(child, 0);
  ASSERT_TRUE(WaitForFile(dir.Path("ready"), 20));

  std::string found;
  EXPECT_EQ(RunWinmsg({"find", title}, &found), 0);
  EXPECT_NE(found.find(std::to_string(child) + " "), std::string::npos) << found;
  EXPECT_NE(found.find(title), std::string::npos) << found;
  for (const char* percent : {"0", "10", "0x32", "99", "100"}) {
    EXPECT_EQ(RunWinmsg({"post", title, "0x500", percent}), 0) << percent;
  }
  int status = 0;
  ASSERT_TRUE(testsupport::WaitFor(child, 30, &status));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(testsupport::ReadBytes(dir.Path("results")), "progress 0\nprogress 10\nprogress 50\nprogress 99\nprogress 100\nend 0\n");
  // The window is gone with its dialog.
  EXPECT_EQ(RunWinmsg({"find", title}), 1);
  EXPECT_EQ(RunWinmsg({"post", title, "0x500", "5"}), 1);
}

TEST(KitProcess, WindowsOfADeadProcessAreForgotten) {
  const testsupport::TempDir dir("ostrevan-winmsg-");
  const std::string title = UniqueTitle("Doomed Window");
  const pid_t child = testsupport::Spawn({Self(), "--gtest_filter=ChildProcessKitProcess.ProgressDialog"},
                                         {"OSTREVAN_KIT_TITLE=" + title, "OSTREVAN_KIT_RESULTS=" + dir.Path("results"),
                                          "OSTREVAN_KIT_READY=" + dir.Path("ready"), kNoDisplay});
  ASSERT_GT(child, 0);
  ASSERT_TRUE(WaitForFile(dir.Path("ready"), 20));
  EXPECT_EQ(RunWinmsg({"find", title}), 0);
  kill(child, SIGKILL);  // no chance to withdraw its records
  int status = 0;
  ASSERT_TRUE(testsupport::WaitFor(child, 10, &status));
  EXPECT_EQ(RunWinmsg({"find", title}), 1);
  EXPECT_FALSE(kit::FindWindow(title).has_value());
}

TEST(KitProcess, WinmsgRefusesWrongCommandLines) {
  ASSERT_TRUE(FileExists(Winmsg()));
  EXPECT_EQ(RunWinmsg({}), 2);
  EXPECT_EQ(RunWinmsg({"find"}), 2);
  EXPECT_EQ(RunWinmsg({"post", "x"}), 2);
  EXPECT_EQ(RunWinmsg({"post", "x", "0x5zz"}), 2);
  EXPECT_EQ(RunWinmsg({"post", "x", "-1"}), 2);
  EXPECT_EQ(RunWinmsg({"send", "x", "1"}), 2);
  EXPECT_EQ(RunWinmsg({"find", UniqueTitle("No Such Window")}), 1);
}

// The window side of the tests above: a progress dialog titled as asked
// that shows each progress message and ends at 100 percent.
TEST(ChildProcessKitProcess, ProgressDialog) {
  const char* title = std::getenv("OSTREVAN_KIT_TITLE");
  const char* results = std::getenv("OSTREVAN_KIT_RESULTS");
  const char* ready = std::getenv("OSTREVAN_KIT_READY");
  if (title == nullptr || results == nullptr || ready == nullptr) GTEST_SKIP() << "runs as a child of KitProcess";
  kit::InitializeKit();
  class Progress : public kit::CDialog {
   public:
    Progress(kit::DialogTemplate t, std::string results, std::string ready)
        : kit::CDialog(std::move(t)), results_(std::move(results)), ready_(std::move(ready)) {}
    bool OnInitDialog() override {
      std::ofstream(ready_) << "ready\n";
      return true;
    }
    intptr_t WindowProc(uint32_t code, uintptr_t wParam, intptr_t lParam) override {
      if (code != kProgressMessage) return kit::CDialog::WindowProc(code, wParam, lParam);
      GetDlgItem(1004)->SendMessage(kit::kMsgProgressSetPos, wParam, 0);
      std::ofstream(results_, std::ios::app) << "progress " << wParam << "\n";
      if (wParam >= 100) EndDialog(0);
      return 0;
    }

   private:
    std::string results_;
    std::string ready_;
  };
  kit::DialogTemplate t = kit::InstallProgressDialogTemplate();
  t.caption = title;
  Progress dialog(std::move(t), results, ready);
  const int32_t result = dialog.DoModal();
  std::ofstream(results, std::ios::app) << "end " << result << "\n";
  kit::ShutdownKit();
  EXPECT_EQ(result, 0);
}

}  // namespace
