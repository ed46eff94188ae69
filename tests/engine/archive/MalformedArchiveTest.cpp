// Malformed archives from the independent writer fail cleanly: the open is
// refused, or the bad medium is refused while the good ones still read.
#include <string>

#include "engine/archive/ArchiveServices.h"
#include "engine/archive/ArchiveTestSupport.h"
#include "engine/archive/MediaArchive.h"

namespace {

struct Case {
  const char* name;
  const char* json;
  bool embedded;
  bool opens;
  // When it opens: whether id 1 (the probe) opens, and whether id 2 (a good
  // medium, when present) still does.
  bool probeOpens;
  bool goodOpens;
};

const Case kCases[] = {
    {"empty file", R"({"entries": [], "truncate": 0})", false, false, false, false},
    {"truncated header", R"({"entries": [], "truncate": 5})", false, false, false, false},
    {"count 0 is an empty archive", R"({"entries": [], "count": 0})", false, true, false, false},
    {"negative count is an empty archive",
     R"({"entries": [{"id": 1, "type": "TEXT", "data": "x"}], "count": -3})", false, true, false, false},
    {"count past the file", R"({"entries": [{"id": 1, "type": "TEXT", "data": "x"}], "count": 30000})", false,
     false, false, false},
    {"table cut short", R"({"entries": [{"id": 1, "type": "TEXT", "data": "x"},
       {"id": 2, "type": "TEXT", "data": "y"}], "truncate": 40})", false, false, false, false},
    {"offset past the end", R"({"entries": [{"id": 1, "type": "RIX ", "data": "abc", "offset": 100000},
       {"id": 2, "type": "TEXT", "data": "ok"}]})", false, true, false, true},
    {"size past the end", R"({"entries": [{"id": 1, "type": "RIX ", "data": "abc", "size": 40},
       {"id": 2, "type": "TEXT", "data": "ok"}]})", false, true, false, true},
    {"offset plus size wraps", R"({"entries": [{"id": 1, "type": "RIX ", "data": "abc",
       "offset": 4294967280, "size": 32}, {"id": 2, "type": "TEXT", "data": "ok"}]})", false, true, false, true},
    {"variant table of the wrong size", R"({"entries": [{"id": 1, "variants": [
       {"key": 0, "type": "RIX ", "data": "v"}], "msf_size": 30}, {"id": 2, "type": "TEXT", "data": "ok"}]})",
     false, true, false, true},
    {"variant count 0", R"({"entries": [{"id": 1, "variants": [
       {"key": 0, "type": "RIX ", "data": "v"}], "msf_count": 0}, {"id": 2, "type": "TEXT", "data": "ok"}]})",
     false, true, false, true},
    {"variant count whose size wraps in 32 bits", R"({"entries": [{"id": 1, "variants": [
       {"key": 0, "type": "RIX ", "data": "v"}], "msf_count": 2147483649}, {"id": 2, "type": "TEXT", "data": "ok"}]})",
     false, true, false, true},
    {"variant table past the end", R"({"entries": [{"id": 1, "variants": [
       {"key": 0, "type": "RIX ", "data": "v"}], "offset": 5000}, {"id": 2, "type": "TEXT", "data": "ok"}]})",
     false, true, false, true},
    {"chosen variant past the end", R"({"entries": [{"id": 1, "variants": [
       {"key": 0, "type": "RIX ", "data": "v", "offset": 900000}]}, {"id": 2, "type": "TEXT", "data": "ok"}]})",
     false, true, false, true},
    {"zero-size medium", R"({"entries": [{"id": 1, "type": "RIX ", "data": ""}]})", false, true, true, false},
    {"embedded, trailer beyond the host", R"({"entries": [{"id": 1, "type": "TEXT", "data": "x"}],
       "embedded": {"prefix": "hex:aabb", "trailer": 100000}})", true, false, false, false},
    {"embedded, negative trailer", R"({"entries": [{"id": 1, "type": "TEXT", "data": "x"}],
       "embedded": {"prefix": "hex:aabb", "trailer": -1}})", true, false, false, false},
    {"embedded, trailer covers itself", R"({"entries": [{"id": 1, "type": "TEXT", "data": "x"}],
       "embedded": {"prefix": "", "trailer": 34}})", true, false, false, false},
    {"embedded, trailer 0", R"({"entries": [{"id": 1, "type": "TEXT", "data": "x"}],
       "embedded": {"prefix": "hex:aabb", "trailer": 0}})", true, false, false, false},
    {"embedded, host shorter than a trailer", R"({"entries": [], "truncate": 0,
       "embedded": {"prefix": "", "trailer": 0}})", true, false, false, false},
    {"embedded, well formed", R"({"entries": [{"id": 1, "type": "TEXT", "data": "x"},
       {"id": 2, "type": "TEXT", "data": "ok"}], "embedded": {"prefix": "hex:aabbcc"}})", true, true, true, true},
};

class MalformedArchiveTest : public ArchiveFixture {};

TEST_F(MalformedArchiveTest, FailCleanly) {
  int n = 0;
  for (const Case& c : kCases) {
    std::string path = Build("m" + std::to_string(n++) + ".msf", c.json);
    MediaArchive archive;
    EXPECT_EQ(archive.OpenArchive(VFileSpec(path.c_str()), c.embedded), c.opens) << c.name;
    // Every failure leaves the archive closed, so a retry starts afresh.
    EXPECT_EQ(archive.IsOpen(), c.opens) << c.name;
    ScopedMediaArchive serve(&archive);
    VFile window;
    uint32_t type = MakeTypeCode("RIX ");
    EXPECT_EQ(archive.OpenMedia(1, window, type), c.probeOpens) << c.name;
    if (c.probeOpens) {
      char buf[64];
      int32_t got = window.Read(buf, sizeof buf);
      EXPECT_EQ(got, window.GetLength()) << c.name;
    }
    VFile good;
    type = MakeTypeCode("TEXT");
    EXPECT_EQ(archive.OpenMedia(2, good, type), c.goodOpens) << c.name;
    if (c.goodOpens) {
      char buf[8] = {};
      EXPECT_EQ(good.Read(buf, 8), 2) << c.name;
    }
    // Extraction stops at the first bad entry instead of reading outside.
    int32_t extracted = archive.ExtractAllMedia(VFileSpec(dir_.c_str()));
    EXPECT_LE(extracted, archive.GetCount() > 0 ? archive.GetCount() : 0) << c.name;
  }
}

TEST_F(MalformedArchiveTest, MissingFileAndFolder) {
  MediaArchive archive;
  EXPECT_FALSE(archive.OpenArchive(VFileSpec(Path("none.msf").c_str()), false));
  EXPECT_FALSE(archive.OpenArchive(VFileSpec(dir_.c_str()), false));
  EXPECT_FALSE(archive.IsOpen());
}

}  // namespace
