// The layering rules of the source tree: which library may include which,
// and where third-party and operating-system headers may appear. The checker
// reads sources as text; it compiles nothing.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace structure {

// The library a source path belongs to ("engine/graphics", "platform",
// "title/tour", "launchers/common", "tools"), from its path relative to the
// source root; empty for a path outside the checked folders.
std::string LibraryOf(const std::string& relativePath);

// Why `relativePath` may not contain the include directive `directive` (the
// text after "#include", e.g. "\"engine/app/VWindow.h\"" or "<SDL.h>"), or
// nothing when it may. Quoted includes are taken from the source root when
// they start with a checked folder, else from the including file's folder.
std::optional<std::string> CheckInclude(const std::string& relativePath, const std::string& directive);

struct Violation {
  std::string file;  // relative to the scanned root
  int line = 0;
  std::string directive;
  std::string reason;
};

// Every include directive of one source text that breaks a rule. Directives
// inside block comments are skipped.
std::vector<Violation> CheckSource(const std::string& relativePath, const std::string& text);

// Scans every source (.h .hpp .cpp .c .inl) under the checked folders of root
// that exist (platform, engine, title, launchers, tools).
std::vector<Violation> CheckTree(const std::filesystem::path& root);

// "file:line: #include directive: reason".
std::string Describe(const Violation& violation);

}  // namespace structure
