// The layering of the source tree: each include directive against the map of
// which library may use which and where outside headers may appear, and each
// forward declaration against the libraries that define the class; first as
// tables of verdicts, then on a small tree made for the test, then on the
// real tree.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "structure/IncludeRules.h"
#include "support/TempDir.h"
#include "support/BuildPaths.h"

namespace {

using structure::CheckForwardDeclaration;
using structure::CheckInclude;
using structure::CheckSource;
using structure::CheckTree;
using structure::ClassOwners;
using structure::CollectClassDefinitions;
using structure::Describe;

struct IncludeCase {
  const char* file;
  const char* directive;
  bool allowed;
};

void PrintTo(const IncludeCase& c, std::ostream* os) {
  *os << c.file << " #include " << c.directive << (c.allowed ? " (allowed)" : " (refused)");
}

class IncludeVerdictTest : public ::testing::TestWithParam<IncludeCase> {};

TEST_P(IncludeVerdictTest, MatchesTheLayeringMap) {
  const IncludeCase& c = GetParam();
  const auto reason = CheckInclude(c.file, c.directive);
  EXPECT_EQ(!reason.has_value(), c.allowed) << c.file << " #include " << c.directive << ": "
                                            << reason.value_or("allowed");
}

INSTANTIATE_TEST_SUITE_P(
    Libraries, IncludeVerdictTest,
    ::testing::Values(
        // The platform layer stands on nothing of ours.
        IncludeCase{"platform/File.cpp", "\"platform/File.h\"", true},
        IncludeCase{"platform/File.cpp", "\"engine/core/VString.h\"", false},
        IncludeCase{"platform/Window.h", "\"engine/app/VWindow.h\"", false},
        // The engine's chain: core <- archive <- script <- graphics <- image and sound <- app <- controls.
        IncludeCase{"engine/core/VFile.cpp", "\"platform/File.h\"", true},
        IncludeCase{"engine/core/VFile.cpp", "\"engine/core/VFile.h\"", true},
        IncludeCase{"engine/core/VFile.cpp", "\"VFile.h\"", true},
        IncludeCase{"engine/core/VFile.cpp", "\"engine/archive/MediaArchive.h\"", false},
        IncludeCase{"engine/core/VFile.cpp", "\"../graphics/PixelMap.h\"", false},
        IncludeCase{"engine/archive/MediaArchive.cpp", "\"engine/core/VFile.h\"", true},
        IncludeCase{"engine/archive/MediaArchive.cpp", "\"engine/script/ItemRef.h\"", false},
        IncludeCase{"engine/script/ItemRef.cpp", "\"engine/archive/MediaArchive.h\"", true},
        IncludeCase{"engine/script/ItemRef.cpp", "\"engine/graphics/VPicture.h\"", false},
        IncludeCase{"engine/graphics/VPicture.cpp", "\"engine/script/ItemRef.h\"", true},
        IncludeCase{"engine/graphics/VPicture.cpp", "\"engine/image/ImageRegistry.h\"", false},
        IncludeCase{"engine/graphics/kernels/Blend.cpp", "\"engine/core/Clock.h\"", true},
        IncludeCase{"engine/graphics/kernels/Blend.cpp", "\"../../app/VWindow.h\"", false},
        IncludeCase{"engine/image/Codecs.cpp", "\"engine/graphics/PixelMap.h\"", true},
        IncludeCase{"engine/image/Codecs.cpp", "\"engine/app/VWindow.h\"", false},
        IncludeCase{"engine/app/VWindow.cpp", "\"engine/image/ImageRegistry.h\"", true},
        IncludeCase{"engine/app/SoundMediaServices.cpp", "\"engine/sound/AudioMixer.h\"", true},
        IncludeCase{"engine/sound/AudioStream.h", "\"engine/graphics/VMedia.h\"", true},
        IncludeCase{"engine/sound/AudioStream.cpp", "\"engine/archive/MediaArchive.h\"", true},
        IncludeCase{"engine/sound/SoundMediaServices.h", "\"engine/app/MediaServices.h\"", false},
        IncludeCase{"engine/sound/Mixer.cpp", "\"engine/image/ImageRegistry.h\"", false},
        IncludeCase{"engine/image/Codecs.cpp", "\"engine/sound/AudioFormat.h\"", false},
        IncludeCase{"engine/app/VWindow.cpp", "\"engine/controls/VTextControl.h\"", false},
        IncludeCase{"engine/controls/VTextControl.cpp", "\"engine/app/VWindow.h\"", true},
        IncludeCase{"engine/controls/VTextControl.cpp", "\"engine/sound/SoundManager.h\"", true},
        IncludeCase{"engine/controls/VTextControl.cpp", "\"engine/panorama/Viewer.h\"", false},
        // The two at the top use controls and below, but not each other.
        IncludeCase{"engine/panorama/Viewer.cpp", "\"engine/controls/VTextControl.h\"", true},
        IncludeCase{"engine/panorama/Viewer.cpp", "\"engine/sound/SoundManager.h\"", true},
        IncludeCase{"engine/sound/Mixer.cpp", "\"engine/controls/VControlBase.h\"", false},
        IncludeCase{"engine/sound/Mixer.cpp", "\"engine/app/VApplication.h\"", false},
        IncludeCase{"engine/sound/Mixer.cpp", "\"engine/mpeg/MovieControl.h\"", false},
        IncludeCase{"engine/mpeg/MovieControl.cpp", "\"engine/sound/SoundManager.h\"", true},
        IncludeCase{"engine/mpeg/MovieControl.cpp", "\"engine/panorama/Viewer.h\"", false},
        IncludeCase{"engine/panorama/Viewer.cpp", "\"engine/mpeg/MovieControl.h\"", false},
        IncludeCase{"engine/sound/Mixer.cpp", "\"title/shell/Shell.h\"", false},
        IncludeCase{"engine/core/VFile.cpp", "\"tools/ToolCommands.h\"", false},
        // A library missing from the map is reported, not let through.
        IncludeCase{"engine/network/Socket.cpp", "\"engine/core/VFile.h\"", false},
        IncludeCase{"engine/app/VWindow.cpp", "\"engine/network/Socket.h\"", false},
        // The title, the launchers and the tools.
        IncludeCase{"title/shell/Shell.cpp", "\"engine/mpeg/MovieControl.h\"", true},
        IncludeCase{"title/shell/Shell.cpp", "\"title/modules/Storyline.h\"", true},
        IncludeCase{"title/shell/Shell.cpp", "\"platform/Window.h\"", true},
        IncludeCase{"title/shell/Shell.cpp", "\"launchers/common/RarReader.h\"", false},
        IncludeCase{"title/shell/Shell.cpp", "\"tools/ToolCommands.h\"", false},
        IncludeCase{"launchers/common/RarReader.cpp", "\"engine/core/VFile.h\"", true},
        IncludeCase{"launchers/common/RarReader.cpp", "\"platform/File.h\"", true},
        IncludeCase{"launchers/common/RarReader.cpp", "\"launchers/setup/Setup.h\"", false},
        IncludeCase{"launchers/common/RarReader.cpp", "\"title/shell/Shell.h\"", false},
        IncludeCase{"launchers/setup/Setup.cpp", "\"launchers/common/RarReader.h\"", true},
        IncludeCase{"launchers/setup/Setup.cpp", "\"engine/app/VWindow.h\"", true},
        IncludeCase{"launchers/setup/Setup.cpp", "\"launchers/autorun/Menu.h\"", false},
        IncludeCase{"launchers/autorun/Menu.cpp", "\"title/shell/Shell.h\"", false},
        IncludeCase{"tools/main.cpp", "\"title/shell/Shell.h\"", true},
        IncludeCase{"tools/demo/AppDemo.cpp", "\"launchers/common/RarReader.h\"", true}));

INSTANTIATE_TEST_SUITE_P(
    OutsideHeaders, IncludeVerdictTest,
    ::testing::Values(
        // SDL, FreeType, fontconfig and cairo: platform sources only, never its headers.
        IncludeCase{"platform/Window.cpp", "<SDL.h>", true},
        IncludeCase{"platform/Window.cpp", "<SDL2/SDL_video.h>", true},
        IncludeCase{"platform/Window.h", "<SDL.h>", false},
        IncludeCase{"engine/app/VWindow.cpp", "<SDL.h>", false},
        IncludeCase{"engine/sound/Device.cpp", "<SDL_audio.h>", false},
        IncludeCase{"platform/FontRasterizer.cpp", "<ft2build.h>", true},
        IncludeCase{"platform/FontRasterizer.cpp", "FT_FREETYPE_H", true},
        IncludeCase{"engine/controls/Fonts.cpp", "FT_FREETYPE_H", false},
        IncludeCase{"platform/FontRasterizer.h", "<ft2build.h>", false},
        IncludeCase{"platform/FontRasterizer.cpp", "<fontconfig/fontconfig.h>", true},
        IncludeCase{"engine/graphics/VFont.cpp", "<fontconfig/fontconfig.h>", false},
        IncludeCase{"platform/PdfDeviceContext.cpp", "<cairo-pdf.h>", true},
        IncludeCase{"platform/PdfDeviceContext.h", "<cairo.h>", false},
        IncludeCase{"engine/graphics/PrintPort.cpp", "<cairo.h>", false},
        // Xlib (through SDL's window-manager info): the platform's sources only.
        IncludeCase{"platform/WindowPixels.cpp", "<X11/Xlib.h>", true},
        IncludeCase{"launchers/common/Window.cpp", "<X11/Xlib.h>", false},
        // libjpeg: the image library's sources only.
        IncludeCase{"engine/image/JpegLibraryLoader.cpp", "<jpeglib.h>", true},
        IncludeCase{"engine/image/JpegLibraryLoader.cpp", "<jerror.h>", true},
        IncludeCase{"engine/image/JpegLibraryLoader.h", "<jpeglib.h>", false},
        IncludeCase{"engine/graphics/VPicture.cpp", "<jpeglib.h>", false},
        IncludeCase{"tools/ImageDecodeCommand.cpp", "<jpeglib.h>", false},
        // Processor and operating-system queries: the platform layer (and the tools' programs).
        IncludeCase{"platform/Processor.cpp", "<cpuid.h>", true},
        IncludeCase{"platform/Clock.cpp", "<x86intrin.h>", true},
        IncludeCase{"engine/core/Clock.cpp", "<cpuid.h>", false},
        IncludeCase{"engine/mpeg/Idct.cpp", "<x86intrin.h>", false},
        IncludeCase{"engine/app/VApplication.cpp", "<unistd.h>", false},
        IncludeCase{"engine/core/VThread.cpp", "<pthread.h>", false},
        IncludeCase{"engine/core/VFile.cpp", "<sys/stat.h>", false},
        IncludeCase{"title/shell/Shell.cpp", "<dlfcn.h>", false},
        IncludeCase{"platform/File.cpp", "<sys/stat.h>", true},
        IncludeCase{"tools/demo/AppDemo.cpp", "<sys/resource.h>", true},
        // SIMD intrinsics and the standard library are free to use.
        IncludeCase{"engine/graphics/TransferKernels.cpp", "<immintrin.h>", true},
        IncludeCase{"engine/graphics/TransferKernels.cpp", "<emmintrin.h>", true},
        IncludeCase{"engine/core/VThread.h", "<thread>", true},
        IncludeCase{"engine/core/VString.cpp", "<cstdlib>", true},
        // Files outside the checked folders are not this check's business.
        IncludeCase{"tests/engine/core/FileTest.cpp", "<unistd.h>", true},
        IncludeCase{"fuzz/JpegReader.cpp", "<jpeglib.h>", true}));

// The classes of a few made-up headers, for the forward-declaration verdicts.
const ClassOwners& SampleOwners() {
  static const ClassOwners owners = [] {
    ClassOwners o;
    CollectClassDefinitions("engine/app/VWindow.h",
                            "#pragma once\n"
                            "class VWindow : public VGraphicObject {\n"
                            "  class Nested {};\n"  // indented: a nested class, not taken
                            "};\n"
                            "// class InComment {\n",
                            o);
    CollectClassDefinitions("engine/graphics/VPicture.h", "class VPicture\n{\n};\nstruct PixelRun final {};\n", o);
    CollectClassDefinitions("engine/image/VImageReader.h", "class VImageReader {\n", o);
    CollectClassDefinitions("engine/sound/AudioMixer.h", "class VAudioMixer final {\n", o);
    CollectClassDefinitions("engine/mpeg/VMovieControl.h", "template <typename T>\nclass VMovieControl : public T {\n",
                            o);
    // A name defined in a low library and again in a high one.
    CollectClassDefinitions("engine/core/Entry.h", "struct Entry {\n", o);
    CollectClassDefinitions("engine/controls/Entry.h", "struct Entry {\n", o);
    // Not a header of the tree: no library.
    CollectClassDefinitions("tests/support/Fake.h", "class FakeWindow {\n", o);
    return o;
  }();
  return owners;
}

struct DeclarationCase {
  const char* file;
  const char* name;
  bool allowed;
};

void PrintTo(const DeclarationCase& c, std::ostream* os) {
  *os << c.file << " class " << c.name << ";" << (c.allowed ? " (allowed)" : " (refused)");
}

class ForwardDeclarationVerdictTest : public ::testing::TestWithParam<DeclarationCase> {};

TEST_P(ForwardDeclarationVerdictTest, MatchesTheLayeringMap) {
  const DeclarationCase& c = GetParam();
  const auto reason = CheckForwardDeclaration(c.file, c.name, SampleOwners());
  EXPECT_EQ(!reason.has_value(), c.allowed) << c.file << " class " << c.name << ";: " << reason.value_or("allowed");
}

INSTANTIATE_TEST_SUITE_P(
    Classes, ForwardDeclarationVerdictTest,
    ::testing::Values(
        // A class of a higher library: refused, as its include would be.
        DeclarationCase{"engine/graphics/PixelMap.h", "VWindow", false},
        DeclarationCase{"engine/sound/AudioStream.cpp", "VWindow", false},
        DeclarationCase{"platform/Window.h", "VWindow", false},
        DeclarationCase{"engine/app/VWindow.h", "VMovieControl", false},
        // A class of a library beside it: refused.
        DeclarationCase{"engine/sound/AudioStream.h", "VImageReader", false},
        DeclarationCase{"engine/image/Codecs.h", "VAudioMixer", false},
        // Its own library or a lower one: accepted.
        DeclarationCase{"engine/graphics/PixelMap.h", "VPicture", true},
        DeclarationCase{"engine/graphics/PixelMap.h", "PixelRun", true},
        DeclarationCase{"engine/app/VWindow.cpp", "VPicture", true},
        DeclarationCase{"engine/app/SoundMediaServices.h", "VAudioMixer", true},
        DeclarationCase{"engine/mpeg/VMovieControl.h", "VWindow", true},
        DeclarationCase{"title/controls/Frame.h", "VMovieControl", true},
        DeclarationCase{"tools/Main.cpp", "VWindow", true},
        // A name that a library within reach defines as well: accepted.
        DeclarationCase{"engine/graphics/PixelMap.h", "Entry", true},
        // Names no library of the tree defines: nested classes, classes
        // outside the tree, the standard library's.
        DeclarationCase{"engine/core/VFile.h", "Nested", true},
        DeclarationCase{"engine/core/VFile.h", "InComment", true},
        DeclarationCase{"engine/core/VFile.h", "FakeWindow", true},
        DeclarationCase{"engine/core/VFile.h", "tm", true}));

TEST(LayeringSourceTest, ReportsTheLineOfEachForwardDeclarationOfAClassOutOfReach) {
  const std::string text =
      "#pragma once\n"
      "class VWindow;\n"
      "struct VWindow;  // the same, as a struct\n"
      "class VPicture;\n"
      "template <typename T> class VMovieControl;\n"
      "class VImageReader final {\n"  // a definition, not a declaration
      "  class VWindow;\n"             // nested: a class of its own
      "  friend class VWindow;\n"
      "};\n"
      "enum class VWindow;\n"
      "// class VWindow;\n"
      "/* class VWindow;\n"
      "   class VWindow; */\n";
  const auto violations = CheckSource("engine/graphics/PixelMap.h", text, SampleOwners());
  std::vector<int> lines;
  for (const auto& v : violations) lines.push_back(v.line);
  EXPECT_EQ(lines, (std::vector<int>{2, 3, 5}));
  ASSERT_FALSE(violations.empty());
  EXPECT_TRUE(violations[0].declaration);
  EXPECT_EQ(Describe(violations[0]),
            "engine/graphics/PixelMap.h:2: class VWindow;: VWindow is defined in engine/app: engine/graphics may not "
            "use engine/app (a higher library)");
  // Without the classes of the tree only includes are checked.
  EXPECT_TRUE(CheckSource("engine/graphics/PixelMap.h", text).empty());
}

TEST(LayeringSourceTest, ReportsTheLineOfEachRefusedDirective) {
  const std::string text =
      "// A header.\n"
      "#include \"engine/core/VFile.h\"\n"
      "#  include \"engine/app/VWindow.h\"  // upward\n"
      "/* #include \"engine/app/VWindow.h\" in a comment\n"
      "   #include <SDL.h> still in the comment */\n"
      "#include <vector>\n"
      "#include <SDL.h>\n"
      "// #include <cpuid.h>\n";
  const auto violations = CheckSource("engine/graphics/VPicture.cpp", text);
  ASSERT_EQ(violations.size(), 2u);
  EXPECT_EQ(violations[0].line, 3);
  EXPECT_EQ(violations[0].directive, "\"engine/app/VWindow.h\"");
  EXPECT_EQ(violations[1].line, 7);
  EXPECT_EQ(violations[1].directive, "<SDL.h>");
  EXPECT_EQ(Describe(violations[0]).rfind("engine/graphics/VPicture.cpp:3: #include \"engine/app/VWindow.h\": ", 0),
            0u)
      << Describe(violations[0]);
}

class LayeringTreeTest : public testsupport::TempDirTest {
 protected:
  LayeringTreeTest() : TempDirTest("layering-") {}
  void Write(const std::string& relative, const std::string& text) {
    const std::filesystem::path path = std::filesystem::path(dir_) / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
};

TEST_F(LayeringTreeTest, FindsEveryViolationInAMadeUpTreeAndNothingElse) {
  Write("platform/Clock.cpp", "#include \"platform/Clock.h\"\n#include <x86intrin.h>\n");
  Write("platform/Clock.h", "#pragma once\n#include <cstdint>\n");
  Write("engine/core/Clock.cpp", "#include \"engine/core/Clock.h\"\n\n#include <cpuid.h>\n");
  Write("engine/core/Clock.h", "#pragma once\n#include \"platform/Clock.h\"\n");
  Write("engine/graphics/kernels/Blend.cpp", "#include \"../../image/Codecs.h\"\n");
  Write("engine/image/Codecs.cpp", "#include <jpeglib.h>\n#include \"engine/graphics/PixelMap.h\"\n");
  Write("engine/image/README.md", "#include \"engine/app/VWindow.h\"\n");  // not a source
  Write("tests/engine/core/ClockTest.cpp", "#include \"engine/app/VWindow.h\"\n");  // not scanned

  const auto violations = CheckTree(dir_);
  std::vector<std::string> where;
  for (const auto& v : violations) where.push_back(v.file + ":" + std::to_string(v.line));
  EXPECT_EQ(where, (std::vector<std::string>{"engine/core/Clock.cpp:3", "engine/graphics/kernels/Blend.cpp:1"}));
}

TEST_F(LayeringTreeTest, FindsForwardDeclarationsOfClassesDefinedInHigherHeaders) {
  Write("engine/app/VWindow.h", "#pragma once\nclass VWindow {\n};\n");
  Write("engine/app/VWindow.cpp", "#include \"engine/app/VWindow.h\"\nclass Helper {\n};\n");
  Write("engine/app/Frame.h", "#pragma once\nclass VWindow;\nclass VPicture;\n");  // beside and below
  Write("engine/graphics/VPicture.h", "#pragma once\nclass VPicture {\n};\n");
  Write("engine/graphics/Port.h", "#pragma once\nclass VPicture;\n\nclass VWindow;\n");
  Write("engine/core/Task.h", "#pragma once\nclass Helper;\n");  // defined in a source file only

  const auto violations = CheckTree(dir_);
  std::vector<std::string> where;
  for (const auto& v : violations) where.push_back(v.file + ":" + std::to_string(v.line));
  EXPECT_EQ(where, (std::vector<std::string>{"engine/graphics/Port.h:4"}));
}

TEST_F(LayeringTreeTest, AnEmptyOrPartialTreeIsClean) {
  EXPECT_TRUE(CheckTree(dir_).empty());
  Write("platform/File.cpp", "#include \"platform/File.h\"\n");
  EXPECT_TRUE(CheckTree(dir_).empty());
}

TEST(LayeringTest, TheSourceTreeKeepsItsLayers) {
  const auto violations = CheckTree(OSTREVAN_SOURCE_DIR);
  for (const auto& v : violations) ADD_FAILURE() << Describe(v);
  EXPECT_TRUE(violations.empty());
}

}  // namespace
