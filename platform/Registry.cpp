// The file-backed registry: a text file of "[key]" lines followed by
// "name=value" lines (backslash escapes), rewritten whole under an exclusive
// lock for each change and read under a shared lock.
#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/File.h"

namespace platform {

namespace {

struct Value {
  std::string name;
  std::string data;
};

struct Key {
  std::string path;  // "HKEY_LOCAL_MACHINE\Software\..."
  std::vector<Value> values;
};

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool SameNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

const char* RootName(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::kClassesRoot: return "HKEY_CLASSES_ROOT";
    case RegistryRoot::kCurrentUser: return "HKEY_CURRENT_USER";
    case RegistryRoot::kLocalMachine: return "HKEY_LOCAL_MACHINE";
    case RegistryRoot::kUsers: return "HKEY_USERS";
  }
  return "HKEY_LOCAL_MACHINE";
}

// Root and sub-key as one path: separators "\" (or "/"), no empty parts.
std::string KeyPath(RegistryRoot root, const std::string& subKey) {
  std::string path = RootName(root);
  std::string part;
  auto flush = [&] {
    if (!part.empty()) path += "\\" + part;
    part.clear();
  };
  for (char c : subKey) {
    if (c == '\\' || c == '/') {
      flush();
    } else {
      part += c;
    }
  }
  flush();
  return path;
}

std::string Escape(const std::string& s, bool name) {
  std::string out;
  for (char c : s) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (name && (c == '=' || c == '[')) {
      out += '\\';
      out += c;
    } else {
      out += c;
    }
  }
  return out;
}

// Undoes Escape up to an unescaped stop character; *end is where it stopped.
std::string Unescape(const std::string& s, size_t from, char stop, size_t* end) {
  std::string out;
  size_t i = from;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (c == stop) break;
    if (c == '\\' && i + 1 < s.size()) {
      char n = s[++i];
      out += n == 'n' ? '\n' : n == 'r' ? '\r' : n;
    } else {
      out += c;
    }
  }
  *end = i;
  return out;
}

std::vector<Key> Parse(const std::string& text) {
  std::vector<Key> keys;
  size_t start = 0;
  while (start < text.size()) {
    size_t eol = text.find('\n', start);
    if (eol == std::string::npos) eol = text.size();
    std::string line = text.substr(start, eol - start);
    start = eol + 1;
    if (line.empty()) continue;
    if (line[0] == '[' && line.back() == ']') {
      keys.push_back({line.substr(1, line.size() - 2), {}});
    } else if (!keys.empty()) {
      size_t eq = 0;
      Value v;
      v.name = Unescape(line, 0, '=', &eq);
      if (eq >= line.size()) continue;
      size_t end = 0;
      v.data = Unescape(line, eq + 1, '\n', &end);
      keys.back().values.push_back(std::move(v));
    }
  }
  return keys;
}

std::string Serialise(const std::vector<Key>& keys) {
  std::string text;
  for (const Key& k : keys) {
    text += "[" + k.path + "]\n";
    for (const Value& v : k.values) text += Escape(v.name, true) + "=" + Escape(v.data, false) + "\n";
  }
  return text;
}

Key* FindKey(std::vector<Key>& keys, const std::string& path) {
  for (Key& k : keys) {
    if (SameNoCase(k.path, path)) return &k;
  }
  return nullptr;
}

// Creates the store's folder when missing.
void MakeParent(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0) CreateDirectories(path.substr(0, slash));
}

// The store opened and locked for the life of the object.
class LockedStore {
 public:
  explicit LockedStore(bool write) {
    const std::string path = RegistryStorePath();
    MakeParent(path);
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) return;
    int r;
    do {
      r = ::flock(fd_, write ? LOCK_EX : LOCK_SH);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~LockedStore() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  LockedStore(const LockedStore&) = delete;
  LockedStore& operator=(const LockedStore&) = delete;

  bool Ok() const { return fd_ >= 0; }

  bool Read(std::vector<Key>* keys) {
    std::string text;
    char buf[8192];
    int64_t offset = 0;
    for (;;) {
      int64_t n = ReadAt(fd_, buf, sizeof buf, offset);
      if (n < 0) return false;
      if (n == 0) break;
      text.append(buf, static_cast<size_t>(n));
      offset += n;
    }
    *keys = Parse(text);
    return true;
  }

  bool Write(const std::vector<Key>& keys) {
    const std::string text = Serialise(keys);
    if (::ftruncate(fd_, 0) != 0) return false;
    return WriteAt(fd_, text.data(), static_cast<int64_t>(text.size()), 0) == static_cast<int64_t>(text.size()) &&
           ::fsync(fd_) == 0;
  }

 private:
  int fd_ = -1;
};

}  // namespace

std::string RegistryStorePath() {
  if (const char* configured = std::getenv(kRegistryFileVariable); configured != nullptr && configured[0] != 0) {
    return configured;
  }
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] != 0) {
    return std::string(config) + "/ostrevan/registry";
  }
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "/tmp") + "/.config/ostrevan/registry";
}

bool RegistryCreateKey(RegistryRoot root, const std::string& subKey) {
  LockedStore store(true);
  std::vector<Key> keys;
  if (!store.Ok() || !store.Read(&keys)) return false;
  const std::string path = KeyPath(root, subKey);
  if (FindKey(keys, path) != nullptr) return true;
  // Parents first, as each level of a path is a key of its own.
  size_t at = std::string(RootName(root)).size();
  bool added = false;
  while (at != std::string::npos) {
    at = path.find('\\', at + 1);
    std::string level = path.substr(0, at);
    if (FindKey(keys, level) == nullptr) {
      keys.push_back({level, {}});
      added = true;
    }
  }
  return !added || store.Write(keys);
}

bool RegistryKeyExists(RegistryRoot root, const std::string& subKey) {
  LockedStore store(false);
  std::vector<Key> keys;
  return store.Ok() && store.Read(&keys) && FindKey(keys, KeyPath(root, subKey)) != nullptr;
}

bool RegistrySetString(RegistryRoot root, const std::string& subKey, const std::string& name,
                       const std::string& data) {
  if (!RegistryKeyExists(root, subKey) && !RegistryCreateKey(root, subKey)) return false;
  LockedStore store(true);
  std::vector<Key> keys;
  if (!store.Ok() || !store.Read(&keys)) return false;
  Key* key = FindKey(keys, KeyPath(root, subKey));
  if (key == nullptr) return false;  // removed in between
  for (Value& v : key->values) {
    if (SameNoCase(v.name, name)) {
      v.data = data;
      return store.Write(keys);
    }
  }
  key->values.push_back({name, data});
  return store.Write(keys);
}

bool RegistryQueryString(RegistryRoot root, const std::string& subKey, const std::string& name, std::string* data) {
  LockedStore store(false);
  std::vector<Key> keys;
  if (!store.Ok() || !store.Read(&keys)) return false;
  Key* key = FindKey(keys, KeyPath(root, subKey));
  if (key == nullptr) return false;
  for (const Value& v : key->values) {
    if (SameNoCase(v.name, name)) {
      *data = v.data;
      return true;
    }
  }
  return false;
}

bool RegistryEnumValue(RegistryRoot root, const std::string& subKey, size_t index, std::string* name,
                       std::string* data) {
  LockedStore store(false);
  std::vector<Key> keys;
  if (!store.Ok() || !store.Read(&keys)) return false;
  Key* key = FindKey(keys, KeyPath(root, subKey));
  if (key == nullptr || index >= key->values.size()) return false;
  *name = key->values[index].name;
  *data = key->values[index].data;
  return true;
}

}  // namespace platform
