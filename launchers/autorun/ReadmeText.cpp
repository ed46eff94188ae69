// Reading the readme and telling text from other files.
#include "launchers/autorun/ReadmeText.h"

#include "platform/File.h"

#include <unistd.h>

#include <vector>

namespace {

constexpr size_t kMaxReadme = 65535;

}  // namespace

ReadmeStatus ReadReadmeText(const std::string& path, std::string& text) {
  text.clear();
  const int fd = platform::OpenFile(path, platform::kFileRead);
  if (fd < 0) return ReadmeStatus::kUnreadable;
  std::vector<char> buffer(kMaxReadme);
  size_t got = 0;
  while (got < buffer.size()) {
    const ssize_t n = read(fd, buffer.data() + got, buffer.size() - got);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  close(fd);
  size_t controls = 0;
  for (size_t i = 0; i < got; ++i) {
    const unsigned char c = static_cast<unsigned char>(buffer[i]);
    if (c == 0) return ReadmeStatus::kNotText;
    if (c < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != 0x1A) ++controls;
  }
  if (controls * 20 > got) return ReadmeStatus::kNotText;
  text.assign(buffer.data(), got);
  return ReadmeStatus::kText;
}
