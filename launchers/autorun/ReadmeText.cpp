// Reading the readme and telling text from other files.
#include "launchers/autorun/ReadmeText.h"

#include <vector>

#include "platform/File.h"

namespace {

constexpr size_t kMaxReadme = 65535;

}  // namespace

ReadmeStatus ReadReadmeText(const std::string& path, std::string& text) {
  text.clear();
  const int fd = platform::OpenFile(path, platform::kFileRead);
  if (fd < 0) return ReadmeStatus::kUnreadable;
  std::vector<char> buffer(kMaxReadme);
  const int64_t read = platform::ReadAt(fd, buffer.data(), static_cast<int64_t>(buffer.size()), 0);
  platform::CloseFile(fd);
  if (read < 0) return ReadmeStatus::kUnreadable;
  const size_t got = static_cast<size_t>(read);
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
