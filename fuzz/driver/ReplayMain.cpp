// Replays every file below the given folders (or the given files) through a
// fuzz target once, so the corpus runs as an ordinary test under the sanitizers.
// A folder that is missing, unreadable or holds no file fails the run: a corpus
// lost in a move must not turn the replay into a test that checks nothing.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int RunFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return 1;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.empty() ? nullptr : bytes.data(), bytes.size());
  return 0;
}

// Replays one folder (recursively) or file; counts inputs and failures.
void Replay(const std::filesystem::path& p, int& runs, int& failures) {
  std::error_code ec;
  if (std::filesystem::is_directory(p, ec)) {
    int here = 0;
    std::filesystem::recursive_directory_iterator it(p, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
      if (it->is_regular_file(ec)) {
        failures += RunFile(it->path());
        ++here;
      }
    }
    if (ec) {
      std::fprintf(stderr, "cannot list corpus folder %s: %s\n", p.c_str(), ec.message().c_str());
      ++failures;
    } else if (here == 0) {
      std::fprintf(stderr, "corpus folder %s holds no inputs\n", p.c_str());
      ++failures;
    }
    runs += here;
  } else if (std::filesystem::is_regular_file(p, ec)) {
    failures += RunFile(p);
    ++runs;
  } else {
    std::fprintf(stderr, "no corpus at %s\n", p.c_str());
    ++failures;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS_FOLDER_OR_FILE...\n", argv[0]);
    return 2;
  }
  int runs = 0;
  int failures = 0;
  // The empty input first: every target has to take it.
  LLVMFuzzerTestOneInput(nullptr, 0);
  for (int i = 1; i < argc; ++i) Replay(argv[i], runs, failures);
  std::printf("replayed %d inputs\n", runs);
  return failures == 0 ? 0 : 1;
}
