#include "structure/IncludeRules.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <cctype>
#include <iterator>
#include <sstream>

namespace structure {
namespace {

namespace fs = std::filesystem;

constexpr std::array<const char*, 5> kCheckedRoots = {"platform", "engine", "title", "launchers", "tools"};

bool IsCheckedRoot(const std::string& segment) {
  return std::find_if(kCheckedRoots.begin(), kCheckedRoots.end(),
                      [&](const char* root) { return segment == root; }) != kCheckedRoots.end();
}

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::vector<std::string> Segments(const std::string& path) {
  std::vector<std::string> out;
  for (const auto& part : fs::path(path)) out.push_back(part.string());
  return out;
}

// The engine's libraries, bottom up. A library may use those of a lower
// rank; libraries that share a rank use none of each other: pictures and
// sound both stand on the graphics library, three on the controls, and the
// start-up of services on all of them.
int EngineRank(const std::string& library) {
  static const std::array<std::pair<const char*, int>, 11> kRanks = {{
      {"engine/core", 1},
      {"engine/archive", 2},
      {"engine/script", 3},
      {"engine/graphics", 4},
      {"engine/image", 5},
      {"engine/sound", 5},
      {"engine/app", 6},
      {"engine/controls", 7},
      {"engine/panorama", 8},
      {"engine/mpeg", 8},
      {"engine/services", 9},
  }};
  for (const auto& [name, rank] : kRanks) {
    if (library == name) return rank;
  }
  return 0;
}

bool IsEngine(const std::string& library) { return StartsWith(library, "engine/"); }

// A header outside the tree with the places it may appear.
struct HeaderRule {
  const char* group;
  const char* where;  // for the message
  bool (*allowed)(const std::string& library, bool isSource);
};

bool PlatformSourceOnly(const std::string& library, bool isSource) { return library == "platform" && isSource; }
bool ImageSourceOnly(const std::string& library, bool isSource) { return library == "engine/image" && isSource; }
bool PlatformOrTools(const std::string& library, bool) { return library == "platform" || library == "tools"; }

const HeaderRule kSdl = {"SDL", "platform/*.cpp", PlatformSourceOnly};
const HeaderRule kFreeType = {"FreeType", "platform/*.cpp", PlatformSourceOnly};
const HeaderRule kFontconfig = {"fontconfig", "platform/*.cpp", PlatformSourceOnly};
const HeaderRule kCairo = {"cairo", "platform/*.cpp", PlatformSourceOnly};
const HeaderRule kXlib = {"Xlib", "platform/*.cpp", PlatformSourceOnly};
const HeaderRule kJpeg = {"libjpeg", "engine/image/*.cpp", ImageSourceOnly};
const HeaderRule kProcessorQuery = {"a processor query", "platform/", PlatformOrTools};
const HeaderRule kOperatingSystem = {"an operating-system interface", "platform/", PlatformOrTools};

// The rule for an angle-bracket (or macro) include, null when the header is
// free to use (the standard library, SIMD intrinsics, GoogleTest...).
const HeaderRule* RuleForHeader(const std::string& name, bool isMacro) {
  if (isMacro) return StartsWith(name, "FT_") ? &kFreeType : nullptr;
  if (name == "SDL.h" || StartsWith(name, "SDL2/") || (StartsWith(name, "SDL_") && EndsWith(name, ".h"))) {
    return &kSdl;
  }
  if (name == "ft2build.h" || StartsWith(name, "freetype/") || StartsWith(name, "freetype2/")) return &kFreeType;
  if (StartsWith(name, "fontconfig/")) return &kFontconfig;
  if (name == "cairo.h" || StartsWith(name, "cairo-") || StartsWith(name, "cairo/")) return &kCairo;
  if (StartsWith(name, "X11/")) return &kXlib;
  if (name == "jpeglib.h" || name == "jerror.h" || name == "jconfig.h" || name == "jmorecfg.h" ||
      name == "turbojpeg.h") {
    return &kJpeg;
  }
  if (name == "cpuid.h" || name == "x86intrin.h" || name == "ia32intrin.h" || name == "sys/auxv.h") {
    return &kProcessorQuery;
  }
  static const std::array<const char*, 14> kSystemHeaders = {
      "unistd.h", "fcntl.h", "dirent.h", "dlfcn.h", "poll.h",    "pthread.h", "sched.h",
      "spawn.h",  "pwd.h",   "grp.h",    "termios.h", "strings.h", "syslog.h", "ifaddrs.h"};
  for (const char* header : kSystemHeaders) {
    if (name == header) return &kOperatingSystem;
  }
  static const std::array<const char*, 5> kSystemFolders = {"sys/", "linux/", "asm/", "netinet/", "arpa/"};
  for (const char* folder : kSystemFolders) {
    if (StartsWith(name, folder)) return &kOperatingSystem;
  }
  return nullptr;
}

bool IsSourceFile(const std::string& path) { return EndsWith(path, ".cpp") || EndsWith(path, ".c"); }

bool IsScannedExtension(const fs::path& path) {
  const std::string ext = path.extension().string();
  return ext == ".h" || ext == ".hpp" || ext == ".cpp" || ext == ".c" || ext == ".inl";
}

std::string Trim(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return std::string();
  const size_t last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

// Removes a trailing line comment and block comments that open and close on
// the line; `inBlock` carries an open block comment to the next line.
std::string StripComments(const std::string& line, bool& inBlock) {
  std::string out;
  for (size_t i = 0; i < line.size();) {
    if (inBlock) {
      const size_t end = line.find("*/", i);
      if (end == std::string::npos) return out;
      inBlock = false;
      i = end + 2;
      out += ' ';
      continue;
    }
    if (line.compare(i, 2, "//") == 0) break;
    if (line.compare(i, 2, "/*") == 0) {
      inBlock = true;
      i += 2;
      continue;
    }
    out += line[i++];
  }
  return out;
}

bool IsHeaderFile(const fs::path& path) {
  const std::string ext = path.extension().string();
  return ext == ".h" || ext == ".hpp" || ext == ".inl";
}

bool IsIdentifierChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// A line that starts (at namespace scope, so in the first column) with
// "class" or "struct" and a name, after an optional template head.
struct ClassLine {
  std::string name;
  bool declaration = false;  // "class X;"
  bool definition = false;   // "class X {", "class X : Base", "class X final", "class X" (brace below)
};

std::optional<ClassLine> ParseClassLine(const std::string& line) {
  size_t i = 0;
  auto skipSpaces = [&] {
    while (i < line.size() && IsSpace(line[i])) ++i;
  };
  auto word = [&](const char* expected) {
    const size_t n = std::char_traits<char>::length(expected);
    if (line.compare(i, n, expected) != 0 || (i + n < line.size() && IsIdentifierChar(line[i + n]))) return false;
    i += n;
    return true;
  };
  if (word("template")) {
    skipSpaces();
    if (i >= line.size() || line[i] != '<') return std::nullopt;
    int depth = 0;
    for (; i < line.size(); ++i) {
      if (line[i] == '<') ++depth;
      if (line[i] == '>' && --depth == 0) break;
    }
    if (i >= line.size()) return std::nullopt;
    ++i;
    skipSpaces();
  }
  if (!word("class") && !word("struct")) return std::nullopt;
  if (i >= line.size() || !IsSpace(line[i])) return std::nullopt;
  skipSpaces();
  if (line.compare(i, 2, "[[") == 0) {
    const size_t close = line.find("]]", i);
    if (close == std::string::npos) return std::nullopt;
    i = close + 2;
    skipSpaces();
  }
  const size_t nameStart = i;
  while (i < line.size() && IsIdentifierChar(line[i])) ++i;
  if (i == nameStart || std::isdigit(static_cast<unsigned char>(line[nameStart])) != 0) return std::nullopt;
  ClassLine out;
  out.name = line.substr(nameStart, i - nameStart);
  skipSpaces();
  const std::string rest = line.substr(i);
  if (rest == ";") {
    out.declaration = true;
  } else if (rest.empty() || rest[0] == '{' || (rest[0] == ':' && rest.compare(0, 2, "::") != 0)) {
    out.definition = true;
  } else if (word("final")) {
    out.definition = true;
  } else {
    return std::nullopt;
  }
  return out;
}

// Each line of `text` with its comments removed, with its number.
template <typename Visit>
void ForEachCodeLine(const std::string& text, Visit visit) {
  std::istringstream in(text);
  std::string raw;
  bool inBlock = false;
  int lineNumber = 0;
  while (std::getline(in, raw)) {
    ++lineNumber;
    std::string line = StripComments(raw, inBlock);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) line.pop_back();
    visit(lineNumber, line);
  }
}

}  // namespace

std::optional<std::string> CheckLibraryUse(const std::string& from, const std::string& to) {
  if (from == to || from == "tools") return std::nullopt;
  const std::string refused = from + " may not use " + to;
  if (to == "platform") return std::nullopt;  // the bottom layer, open to all
  if (from == "platform") return refused + " (the platform layer knows nothing above it)";
  if (IsEngine(from)) {
    const int fromRank = EngineRank(from);
    const int toRank = EngineRank(to);
    if (fromRank == 0) return from + " is not in the layering map (add it to tests/structure/IncludeRules.cpp)";
    if (!IsEngine(to)) return refused + " (the engine uses nothing above it)";
    if (toRank == 0) return to + " is not in the layering map (add it to tests/structure/IncludeRules.cpp)";
    if (toRank < fromRank) return std::nullopt;
    return refused + (toRank == fromRank ? " (a library beside it)" : " (a higher library)");
  }
  if (StartsWith(from, "title/")) {
    if (IsEngine(to) || StartsWith(to, "title/")) return std::nullopt;
    return refused;
  }
  if (from == "launchers/common") {
    if (IsEngine(to)) return std::nullopt;
    return refused;
  }
  if (from == "launchers/setup" || from == "launchers/autorun") {
    if (IsEngine(to) || to == "launchers/common") return std::nullopt;
    return refused;
  }
  return from + " is not in the layering map (add it to tests/structure/IncludeRules.cpp)";
}

std::string LibraryOf(const std::string& relativePath) {
  const std::vector<std::string> parts = Segments(fs::path(relativePath).lexically_normal().string());
  if (parts.empty() || !IsCheckedRoot(parts[0])) return std::string();
  if (parts[0] == "platform" || parts[0] == "tools") return parts[0];
  if (parts.size() < 3) return std::string();  // a file directly under engine/ etc.
  return parts[0] + "/" + parts[1];
}

std::optional<std::string> CheckInclude(const std::string& relativePath, const std::string& directive) {
  const std::string from = LibraryOf(relativePath);
  if (from.empty()) return std::nullopt;
  const std::string d = Trim(directive);
  if (d.empty()) return std::nullopt;

  if (d.front() == '"') {
    const size_t close = d.find('"', 1);
    if (close == std::string::npos) return std::nullopt;
    const std::string target = d.substr(1, close - 1);
    const std::vector<std::string> parts = Segments(target);
    fs::path resolved = (!parts.empty() && IsCheckedRoot(parts[0]))
                            ? fs::path(target)
                            : fs::path(relativePath).parent_path() / target;
    const std::string normal = resolved.lexically_normal().string();
    const std::string to = LibraryOf(normal);
    if (to.empty()) {
      const std::string root = Segments(normal).empty() ? std::string() : Segments(normal)[0];
      if (IsCheckedRoot(root)) return "\"" + target + "\" is in no library of the layering map";
      return std::nullopt;  // not a file of the tree (generated or outside headers)
    }
    return CheckLibraryUse(from, to);
  }

  bool isMacro = false;
  std::string name;
  if (d.front() == '<') {
    const size_t close = d.find('>');
    if (close == std::string::npos) return std::nullopt;
    name = d.substr(1, close - 1);
  } else {
    isMacro = true;  // #include FT_FREETYPE_H and the like
    name = d.substr(0, d.find_first_of(" \t"));
  }
  const HeaderRule* rule = RuleForHeader(name, isMacro);
  if (rule == nullptr || rule->allowed(from, IsSourceFile(relativePath))) return std::nullopt;
  return std::string(rule->group) + " header " + name + " belongs in " + rule->where + " only";
}

void CollectClassDefinitions(const std::string& relativePath, const std::string& text, ClassOwners& owners) {
  const std::string library = LibraryOf(relativePath);
  if (library.empty()) return;
  ForEachCodeLine(text, [&](int, const std::string& line) {
    const auto parsed = ParseClassLine(line);
    if (parsed && parsed->definition) owners[parsed->name].insert(library);
  });
}

std::optional<std::string> CheckForwardDeclaration(const std::string& relativePath, const std::string& name,
                                                   const ClassOwners& owners) {
  const std::string from = LibraryOf(relativePath);
  const auto found = owners.find(name);
  if (from.empty() || found == owners.end()) return std::nullopt;
  std::optional<std::string> refusal;
  for (const std::string& owner : found->second) {
    auto reason = CheckLibraryUse(from, owner);
    if (!reason) return std::nullopt;  // one definition within reach is enough
    if (!refusal) refusal = name + " is defined in " + owner + ": " + *reason;
  }
  return refusal;
}

std::vector<Violation> CheckSource(const std::string& relativePath, const std::string& text,
                                   const ClassOwners& owners) {
  std::vector<Violation> out;
  ForEachCodeLine(text, [&](int lineNumber, const std::string& code) {
    const auto parsed = ParseClassLine(code);
    if (parsed && parsed->declaration) {
      if (auto reason = CheckForwardDeclaration(relativePath, parsed->name, owners)) {
        out.push_back({relativePath, lineNumber, code, *reason, true});
      }
      return;
    }
    const std::string line = Trim(code);
    if (line.empty() || line[0] != '#') return;
    const std::string rest = Trim(line.substr(1));
    if (!StartsWith(rest, "include")) return;
    const std::string directive = Trim(rest.substr(7));
    if (auto reason = CheckInclude(relativePath, directive)) {
      out.push_back({relativePath, lineNumber, directive, *reason});
    }
  });
  return out;
}

std::vector<Violation> CheckTree(const fs::path& root) {
  struct Source {
    std::string relative;
    std::string text;
  };
  std::vector<Source> sources;
  ClassOwners owners;
  for (const char* top : kCheckedRoots) {
    const fs::path folder = root / top;
    if (!fs::is_directory(folder)) continue;
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      if (entry.is_regular_file() && IsScannedExtension(entry.path())) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
      std::ifstream in(file, std::ios::binary);
      Source source{file.lexically_relative(root).generic_string(),
                    std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>())};
      if (IsHeaderFile(file)) CollectClassDefinitions(source.relative, source.text, owners);
      sources.push_back(std::move(source));
    }
  }
  std::vector<Violation> out;
  for (const Source& source : sources) {
    for (Violation& v : CheckSource(source.relative, source.text, owners)) out.push_back(std::move(v));
  }
  return out;
}

std::string Describe(const Violation& violation) {
  return violation.file + ":" + std::to_string(violation.line) + ": " +
         (violation.declaration ? std::string() : std::string("#include ")) + violation.directive + ": " +
         violation.reason;
}

}  // namespace structure
