// Fuzz target: the visit history over an arbitrary history.log. Whatever the
// file held, after a flag is set it has the history's exact form (12 lines
// of 1005 bytes) with that flag "1", and a flag read back answers seen.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/script/ItemRef.h"
#include "title/shell/HistoryLog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/ostrevan-fuzz-history-" + std::to_string(getpid()) + ".log";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  // The item comes from the input too, so every line is reached.
  const int32_t category = size > 0 ? 1 + data[0] % 12 : 1;
  const int32_t number = size > 2 ? (data[1] * 256 + data[2]) % 1000 : 0;
  HistoryLog history(path);
  history.GetFlag(ItemRef(category, number));
  if (!history.SetFlag(ItemRef(category, number))) std::abort();
  if (!history.GetFlag(ItemRef(category, number))) std::abort();
  std::ifstream in(path, std::ios::binary);
  const std::string contents((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (static_cast<int64_t>(contents.size()) != HistoryLog::kFileLength) std::abort();
  for (int32_t c = 1; c <= 12; ++c) {
    const size_t start = static_cast<size_t>(HistoryLog::kLineLength * (c - 1));
    if (contents.compare(start, 3, std::string(GetCategoryCode(c)) + " ") != 0) std::abort();
    if (contents.compare(start + 1003, 2, "\r\n") != 0) std::abort();
  }
  std::remove(path.c_str());
  return 0;
}
