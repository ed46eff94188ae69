// Profile-file parsing and in-place updates.
#include "platform/ProfileFile.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/File.h"

namespace platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && IsBlank(s[a])) ++a;
  while (b > a && IsBlank(s[b - 1])) --b;
  return s.substr(a, b - a);
}

bool SameNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

std::vector<std::string> ReadLines(const std::string& host, bool* exists, bool* crlf) {
  std::vector<std::string> lines;
  std::ifstream in(host, std::ios::binary);
  *exists = static_cast<bool>(in);
  *crlf = true;
  if (!in) return lines;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (text.find('\n') != std::string::npos) *crlf = text.find("\r\n") != std::string::npos;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// The section named on a line "[name]", or false.
bool SectionOf(const std::string& line, std::string* name) {
  std::string t = Trim(line);
  if (t.empty() || t[0] != '[') return false;
  size_t close = t.find(']');
  *name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  return true;
}

// The key and value of a line "key = value", or false (comments, blank lines).
bool EntryOf(const std::string& line, std::string* key, std::string* value) {
  std::string t = Trim(line);
  if (t.empty() || t[0] == ';' || t[0] == '[') return false;
  size_t eq = t.find('=');
  if (eq == std::string::npos) return false;
  *key = Trim(t.substr(0, eq));
  *value = Trim(t.substr(eq + 1));
  return true;
}

}  // namespace

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, size_t bufferSize, const std::string& path) {
  bool exists = false, crlf = true;
  std::vector<std::string> lines = ReadLines(ResolvePath(path), &exists, &crlf);
  std::string result = defaultValue;
  bool inSection = false;
  for (const std::string& line : lines) {
    std::string name, k, v;
    if (SectionOf(line, &name)) {
      inSection = SameNoCase(name, section);
      continue;
    }
    if (inSection && EntryOf(line, &k, &v) && SameNoCase(k, key)) {
      if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
      }
      result = v;
      break;
    }
  }
  if (bufferSize == 0) return std::string();
  if (result.size() > bufferSize - 1) result.resize(bufferSize - 1);
  return result;
}

bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& path) {
  const std::string host = ResolvePath(path);
  bool exists = false, crlf = true;
  std::vector<std::string> lines = ReadLines(host, &exists, &crlf);
  const std::string entry = key + "=" + value;
  bool inSection = false;
  bool done = false;
  long lastOfSection = -1;  // the last non-blank line of the section
  for (size_t i = 0; i < lines.size() && !done; ++i) {
    std::string name, k, v;
    if (SectionOf(lines[i], &name)) {
      if (inSection) break;
      inSection = SameNoCase(name, section);
      if (inSection) lastOfSection = static_cast<long>(i);
      continue;
    }
    if (!inSection) continue;
    if (!Trim(lines[i]).empty()) lastOfSection = static_cast<long>(i);
    if (EntryOf(lines[i], &k, &v) && SameNoCase(k, key)) {
      lines[i] = entry;
      done = true;
    }
  }
  if (!done) {
    if (lastOfSection >= 0) {
      lines.insert(lines.begin() + lastOfSection + 1, entry);
    } else {
      lines.push_back("[" + section + "]");
      lines.push_back(entry);
    }
  }
  const std::string eol = crlf ? "\r\n" : "\n";
  std::string text;
  for (const std::string& line : lines) text += line + eol;
  const std::string temp = host + ".writing";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok || std::rename(temp.c_str(), host.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace platform
