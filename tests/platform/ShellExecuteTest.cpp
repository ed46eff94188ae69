// ShellExecute: an executable started with its parameters split by the
// Windows rules, in its working folder, with the raw command line; documents
// and addresses through the opener; the Windows failure codes.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>

#include "platform/CommandLine.h"
#include "platform/ShellExecute.h"
#include "platform/WindowsFolder.h"
#include "support/TempDir.h"

namespace {

// A program that records its folder, arguments and raw command line.
const char* kRecorder =
    "#!/bin/sh\n"
    "{ pwd; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; printf 'line=%s\\n' \"$OSTREVAN_COMMAND_LINE\"; } "
    "> \"$RECORD_FILE\"\n";

class ShellExecuteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_.Path("disc/Setup"));
    std::filesystem::create_directories(dir_.Path("work dir"));
    MakeProgram(dir_.Path("disc/Setup/install.exe"));
    MakeProgram(dir_.Path("opener"));
    testsupport::WriteBytes(dir_.Path("disc/catalog.pdf"), "%PDF");
    setenv("RECORD_FILE", dir_.Path("record.txt").c_str(), 1);
    setenv(platform::kShellOpenerVariable, dir_.Path("opener").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("RECORD_FILE");
    unsetenv(platform::kShellOpenerVariable);
  }
  void MakeProgram(const std::string& path) {
    testsupport::WriteBytes(path, kRecorder);
    chmod(path.c_str(), 0755);
  }
  // Runs and waits; the record the program left.
  std::string RunAndRecord(const std::string& file, const std::string& params, const std::string& directory,
                           int* result) {
    std::filesystem::remove(dir_.Path("record.txt"));
    pid_t child = -1;
    *result = platform::ShellExecute("open", file, params, directory, &child);
    if (*result <= 32) return std::string();
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    return testsupport::ReadBytes(dir_.Path("record.txt"));
  }

  testsupport::TempDir dir_{"shellexec"};
};

TEST_F(ShellExecuteTest, StartsAnExecutableWithWindowsQuoting) {
  int result = 0;
  const std::string record =
      RunAndRecord(dir_.Path("disc/SETUP/Install.EXE"), "/s /f1\"D:\\x y\\setup.iss\"", dir_.Path("work dir"), &result);
  EXPECT_EQ(result, platform::kShellSuccess);
  const std::string expected = dir_.Path("work dir") + "\n[/s]\n[/f1D:\\x y\\setup.iss]\nline=\"" +
                               platform::WindowsFormPath(dir_.Path("disc/Setup/install.exe")) +
                               "\" /s /f1\"D:\\x y\\setup.iss\"\n";
  EXPECT_EQ(record, expected);
}

TEST_F(ShellExecuteTest, RelativeFileIsLookedForInTheFolder) {
  int result = 0;
  const std::string record = RunAndRecord("Setup\\install.exe", "", dir_.Path("disc"), &result);
  EXPECT_EQ(result, platform::kShellSuccess);
  EXPECT_EQ(record.substr(0, record.find('\n')), dir_.Path("disc"));
}

TEST_F(ShellExecuteTest, DocumentsAndAddressesGoToTheOpener) {
  int result = 0;
  std::string record = RunAndRecord(dir_.Path("disc/catalog.pdf"), "", "", &result);
  EXPECT_EQ(result, platform::kShellSuccess);
  EXPECT_NE(record.find("[" + dir_.Path("disc/catalog.pdf") + "]"), std::string::npos) << record;
  record = RunAndRecord("http://www.example.org/ostrevan", "", "", &result);
  EXPECT_EQ(result, platform::kShellSuccess);
  EXPECT_NE(record.find("[http://www.example.org/ostrevan]"), std::string::npos) << record;
  setenv(platform::kShellOpenerVariable, dir_.Path("no-such-opener").c_str(), 1);
  EXPECT_EQ(platform::ShellExecute("open", "mailto:x@example.org", "", ""), platform::kShellNoAssociation);
}

TEST_F(ShellExecuteTest, FailureCodes) {
  EXPECT_EQ(platform::ShellExecute("open", dir_.Path("disc/Setup/missing.exe"), "", ""), platform::kShellFileNotFound);
  EXPECT_EQ(platform::ShellExecute("", dir_.Path("nofolder/x.exe"), "", ""), platform::kShellPathNotFound);
  EXPECT_EQ(platform::ShellExecute("open", dir_.Path("disc/Setup/install.exe"), "", dir_.Path("nofolder")),
            platform::kShellPathNotFound);
  EXPECT_EQ(platform::ShellExecute("print", dir_.Path("disc/catalog.pdf"), "", ""), platform::kShellNoAssociation);
}

TEST(WindowsArguments, SplitAndJoinByTheRuntimeRules) {
  struct Case {
    const char* line;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {"/s /f1\"D:\\x y\\setup.iss\"", {"/s", "/f1D:\\x y\\setup.iss"}},
      {"a\\\\\\\"b c", {"a\\\"b", "c"}},
      {"\"a\\\\\" b", {"a\\", "b"}},
      {"a\\b\\\\c", {"a\\b\\\\c"}},
      {"\"\" x", {"", "x"}},
      {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
      {"  spaced\t\targs  ", {"spaced", "args"}},
      {"\"unclosed quote", {"unclosed quote"}},
      {"", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::SplitWindowsArguments(c.line), c.args) << c.line;
    if (!c.args.empty()) {
      EXPECT_EQ(platform::SplitWindowsArguments(platform::JoinWindowsArguments(c.args)), c.args);
    }
  }
  EXPECT_EQ(platform::WindowsFormPath("/opt/ostrevan/tess"), "Z:\\opt\\ostrevan\\tess");
}

TEST(CommandLineOfThisProcess, BuiltFromArgumentsWithoutAHandOver) {
  const std::string line = platform::GetRawCommandLine();
  ASSERT_FALSE(line.empty());
  EXPECT_EQ(line.rfind("\"Z:\\", 0), 0u) << line;
  // A line handed to another program is not taken as this one's.
  setenv(platform::kCommandLineVariable, "\"X:\\other.exe\" /FORCE", 1);
  setenv(platform::kCommandLineProgramVariable, "/bin/true", 1);
  EXPECT_EQ(platform::GetRawCommandLine(), line);
  unsetenv(platform::kCommandLineVariable);
  unsetenv(platform::kCommandLineProgramVariable);
}

TEST(WindowsFolder, FolderFromTheEnvironmentAndCurrentFolder) {
  testsupport::TempDir dir("winfolder");
  setenv(platform::kWindowsFolderVariable, (dir.Path("windows") + "/").c_str(), 1);
  EXPECT_EQ(platform::GetWindowsDirectory(), dir.Path("windows"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path("windows")));
  unsetenv(platform::kWindowsFolderVariable);
  const std::string before = platform::GetCurrentDirectory();
  ASSERT_TRUE(platform::SetCurrentDirectory(dir.Path("WINDOWS")));
  EXPECT_EQ(platform::GetCurrentDirectory(), dir.Path("windows"));
  EXPECT_FALSE(platform::SetCurrentDirectory(dir.Path("absent")));
  ASSERT_TRUE(platform::SetCurrentDirectory(before));
}

}  // namespace
