// Test support: the base of the launchers' in-process dialog tests. The kit
// runs with a window directory of the test program's own (so other tests'
// windows of the same title never take its messages), every test starts with
// an empty message queue, keeps the message boxes it shows (as
// "caption|text") and records the installer stand-in's starts and the
// registry in its own folder.
#pragma once

#include <stdlib.h>

#include <string>
#include <vector>

#include "launchers/common/KitApp.h"
#include "launchers/common/KitLoop.h"
#include "launchers/common/Resources.h"
#include "platform/MessageBox.h"
#include "platform/Registry.h"
#include "platform/WindowQueue.h"
#include "support/TempDir.h"

namespace launchertest {

class LauncherDialogTest : public testsupport::TempDirTest {
 protected:
  explicit LauncherDialogTest(const char* name) : TempDirTest(name) {}

  // Once per test program: `runtimeName` names its window directory's folder.
  static void StartKit(const char* runtimeName) {
    static testsupport::TempDir runtime(runtimeName);
    setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    kit::InitializeKit();
  }

  void SetUp() override {
    TempDirTest::SetUp();
    platform::ResetMessageQueue();
    setenv(platform::kRegistryFileVariable, Path("registry").c_str(), 1);
    setenv("OSTREVAN_TEST_RECORD", Path("record.txt").c_str(), 1);
    messages_.clear();
    platform::SetMessageBoxCapture([this](const std::string& title, const std::string& text, platform::MessageBoxIcon) {
      messages_.push_back(title + "|" + text);
      return platform::kMessageBoxOk;
    });
  }

  void TearDown() override {
    platform::SetMessageBoxCapture({});
    kit::PumpPending();
    kit::CResources::Clear();
    platform::ResetMessageQueue();
    unsetenv(platform::kRegistryFileVariable);
    unsetenv("OSTREVAN_TEST_RECORD");
  }

  std::vector<std::string> messages_;
};

}  // namespace launchertest
