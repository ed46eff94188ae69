// The layering rules of the source tree: which library may include which,
// where third-party and operating-system headers may appear, and which
// classes a library may name in a forward declaration. The checker reads
// sources as text; it compiles nothing.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace structure {

// The library a source path belongs to ("engine/graphics", "platform",
// "title/tour", "launchers/common", "tools"), from its path relative to the
// source root; empty for a path outside the checked folders.
std::string LibraryOf(const std::string& relativePath);

// Why library `from` may not use library `to` (both as LibraryOf names them),
// or nothing when it may.
std::optional<std::string> CheckLibraryUse(const std::string& from, const std::string& to);

// Why `relativePath` may not contain the include directive `directive` (the
// text after "#include", e.g. "\"engine/app/VWindow.h\"" or "<SDL.h>"), or
// nothing when it may. Quoted includes are taken from the source root when
// they start with a checked folder, else from the including file's folder.
std::optional<std::string> CheckInclude(const std::string& relativePath, const std::string& directive);

// The classes and structs defined at namespace scope in the headers of the
// tree: each name with the libraries that define a class of that name.
using ClassOwners = std::map<std::string, std::set<std::string>>;

// Adds the classes the header `relativePath` defines. A definition starts a
// line ("class X {", "struct X : Base", "class X final", or the name alone
// with its brace on the next line); nested classes are indented and not
// taken.
void CollectClassDefinitions(const std::string& relativePath, const std::string& text, ClassOwners& owners);

// Why `relativePath` may not forward-declare the class `name`, or nothing
// when it may: a library names only classes of its own or of libraries it
// may use. A name no library defines is not this check's business.
std::optional<std::string> CheckForwardDeclaration(const std::string& relativePath, const std::string& name,
                                                   const ClassOwners& owners);

struct Violation {
  std::string file;  // relative to the scanned root
  int line = 0;
  std::string directive;     // the text after "#include", or the whole declaration
  std::string reason;
  bool declaration = false;  // a forward declaration rather than an include
};

// Every include directive of one source text that breaks a rule, and every
// forward declaration at namespace scope ("class X;", "struct X;" starting a
// line) of a class that `owners` places in a library out of reach.
// Directives and declarations inside block comments are skipped.
std::vector<Violation> CheckSource(const std::string& relativePath, const std::string& text,
                                   const ClassOwners& owners = {});

// Scans every source (.h .hpp .cpp .c .inl) under the checked folders of root
// that exist (platform, engine, title, launchers, tools), with the classes
// defined in their headers.
std::vector<Violation> CheckTree(const std::filesystem::path& root);

// "file:line: #include directive: reason", or "file:line: class X;: reason".
std::string Describe(const Violation& violation);

}  // namespace structure
