// Replays every file below the given folders (or the given files) through a
// fuzz target once, so the corpus runs as an ordinary test under the sanitizers.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static int RunFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return 1;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.empty() ? nullptr : bytes.data(), bytes.size());
  return 0;
}

int main(int argc, char** argv) {
  int runs = 0;
  int failures = 0;
  // An empty input always runs, so a target without corpus still executes once.
  LLVMFuzzerTestOneInput(nullptr, 0);
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path p(argv[i]);
    std::error_code ec;
    if (std::filesystem::is_directory(p, ec)) {
      for (const auto& e : std::filesystem::recursive_directory_iterator(p)) {
        if (e.is_regular_file()) {
          failures += RunFile(e.path());
          ++runs;
        }
      }
    } else if (std::filesystem::exists(p, ec)) {
      failures += RunFile(p);
      ++runs;
    }
  }
  std::printf("replayed %d inputs\n", runs);
  return failures == 0 ? 0 : 1;
}
