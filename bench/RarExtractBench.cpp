// Extracting a 10 MB member of a RAR 2.0 archive: our reader in process and
// through ostrevan-tool, against unar (the reference) on the same archive in
// the same run. Both processes write the member to a file; the ratios of the
// medians are printed at the end. The archive comes from the tests' encoder.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "Rar20TestEncoder.h"
#include "bench/MedianRatioReporter.h"
#include "launchers/common/RarReader.h"
#include "platform/Process.h"

extern char** environ;

namespace {

constexpr size_t kMemberSize = 10 << 20;

// Text-like data with repeats near and far, and some noise.
std::vector<uint8_t> MemberData() {
  static const char* const kWords[] = {"house ", "gallery ", "stair ", "window ", "tower ", "garden ",
                                       "the ",   "of ",      "and ",   "\r\n",     "1894 ",  "room "};
  std::mt19937 rng(42);
  std::vector<uint8_t> out;
  out.reserve(kMemberSize);
  while (out.size() < kMemberSize) {
    uint32_t r = rng();
    if (r % 64 == 0 && out.size() > 300000) {
      size_t back = 1000 + rng() % 290000;
      size_t len = 20 + rng() % 200;
      for (size_t i = 0; i < len; ++i) out.push_back(out[out.size() - back]);
    } else if (r % 7 == 0) {
      out.push_back(static_cast<uint8_t>(rng()));
    } else {
      const char* w = kWords[r % 12];
      out.insert(out.end(), w, w + std::char_traits<char>::length(w));
    }
  }
  out.resize(kMemberSize);
  return out;
}

struct BenchArchive {
  std::string dir;
  std::string path;
  BenchArchive() {
    char tmpl[] = "/tmp/ostrevan_bench_rar_XXXXXX";
    if (mkdtemp(tmpl) == nullptr) std::abort();
    dir = tmpl;
    path = dir + "/bench.rar";
    rartest::EncodeMember m;
    m.name = "big.bin";
    m.data = MemberData();
    std::vector<uint8_t> archive = rartest::BuildRarArchive({m}, false);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(archive.data(), 1, archive.size(), f) != archive.size()) std::abort();
    std::fclose(f);
  }
  ~BenchArchive() { std::filesystem::remove_all(dir); }
};

BenchArchive& Archive() {
  static BenchArchive archive;
  return archive;
}

std::string ToolPath() {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string exe(self, n > 0 ? static_cast<size_t>(n) : 0);
  std::string folder = exe.substr(0, exe.find_last_of('/'));
  return folder.substr(0, folder.find_last_of('/')) + "/tools/ostrevan-tool";
}

bool Run(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 1, 0);
  pid_t pid = 0;
  int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return false;
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_OurReaderInProcess(benchmark::State& state) {
  std::vector<uint8_t> out;
  for (auto _ : state) {
    if (ExtractRarMember(Archive().path, "big.bin", out) != RarStatus::kOk) {
      state.SkipWithError("extraction failed");
      return;
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kMemberSize));
}

void BM_OstrevanTool(benchmark::State& state) {
  const std::string tool = ToolPath();
  const std::string target = Archive().dir + "/ours.bin";
  for (auto _ : state) {
    if (!Run({tool, "rar", "extract", Archive().path, "big.bin", target})) {
      state.SkipWithError("ostrevan-tool failed");
      return;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kMemberSize));
}

void BM_Unar(benchmark::State& state) {
  const std::string unar = platform::FindOnPath("unar");
  if (unar.empty()) {
    state.SkipWithError("unar is not installed");
    return;
  }
  const std::string out = Archive().dir + "/unar";
  for (auto _ : state) {
    if (!Run({unar, "-q", "-f", "-o", out, Archive().path})) {
      state.SkipWithError("unar failed");
      return;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kMemberSize));
}

BENCHMARK(BM_OurReaderInProcess)->Apply(benchsupport::MillisecondMedians);
BENCHMARK(BM_OstrevanTool)->Apply(benchsupport::MillisecondMedians);
BENCHMARK(BM_Unar)->Apply(benchsupport::MillisecondMedians);

}  // namespace

int main(int argc, char** argv) {
  Archive();
  const std::string heading = "Ratio of medians (" + std::to_string(benchsupport::kRepetitions) + " repetitions each):";
  return benchsupport::RunWithMedianRatios(argc, argv, heading.c_str(), [](const benchsupport::MedianRatioReporter& reporter) {
    reporter.PrintRatio("RAR 2.0 member, ostrevan-tool vs unar (both processes)", "BM_OstrevanTool", "BM_Unar",
                        "target <= 2");
    reporter.PrintRatio("RAR 2.0 member, reader in process vs unar process", "BM_OurReaderInProcess", "BM_Unar", "");
  });
}
