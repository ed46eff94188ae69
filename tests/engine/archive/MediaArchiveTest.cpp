// MediaArchive over archives from the independent Python writer: lookup by id
// and type, variants, the embedded form, windows, routing, the saved header.
#include "engine/archive/MediaArchive.h"

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/archive/ArchiveServices.h"
#include "engine/archive/ArchiveTestSupport.h"

namespace {

constexpr uint32_t kRIX = MakeTypeCode("RIX ");
constexpr uint32_t kRAX = MakeTypeCode("RAX ");
constexpr uint32_t kTEXT = MakeTypeCode("TEXT");
constexpr uint32_t kMSF = MakeTypeCode("MSF ");
constexpr uint32_t kJPEG = MakeTypeCode("JPEG");
constexpr uint32_t kMPG = MakeTypeCode("MPG ");

std::string ReadAll(VFile& file) {
  std::string out;
  char buf[7];  // odd size on purpose
  int32_t n;
  while ((n = file.Read(buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
  return out;
}

// Duplicate ids with several types, a single-entry id, a zero-size medium,
// a variant table keyed 0 and 3, and a text.
const char* kMixed = R"({"entries": [
  {"id": 2, "type": "TEXT", "name": "hello", "data": "hello\u0000"},
  {"id": 5, "type": "RIX ", "name": "pic", "data": "image-bytes"},
  {"id": 5, "type": "RAX ", "name": "pic", "data": "alpha"},
  {"id": 5, "type": "TEXT", "name": "", "data": "caption"},
  {"id": 7, "type": "JPEG", "name": "eightchr", "data": "jpegdata"},
  {"id": 8, "type": "RSX ", "name": "empty", "data": ""},
  {"id": 9, "name": "multi", "variants": [
     {"key": 0, "type": "RIX ", "name": "base", "data": "variant-zero"},
     {"key": 3, "type": "JPEG", "name": "three", "data": "variant-three"}]},
  {"id": 40000, "type": "MPG ", "name": "movie", "data": "mpeg"}
]})";

class MediaArchiveTest : public ArchiveFixture {
 protected:
  void Open(const std::string& json, bool embedded = false) {
    path_ = Build("a.msf", json);
    ASSERT_TRUE(archive_.OpenArchive(VFileSpec(path_.c_str()), embedded));
  }
  std::string path_;
  MediaArchive archive_;
};

TEST_F(MediaArchiveTest, LookupByIdAndPreferredType) {
  Open(kMixed);
  ScopedMediaArchive serve(&archive_);
  struct Row {
    uint16_t id;
    uint32_t asked;
    bool found;
    uint32_t type;
    std::string data;
  } rows[] = {
      {5, kRAX, true, kRAX, "alpha"},
      {5, kRIX, true, kRIX, "image-bytes"},  // the leftmost, by the fallback
      {5, kTEXT, true, kTEXT, "caption"},
      {5, kJPEG, true, kRIX, "image-bytes"},  // type is a preference
      {7, kRAX, true, kJPEG, "jpegdata"},     // a single entry serves every type
      {8, kRIX, true, MakeTypeCode("RSX "), ""},
      {2, 0, true, kTEXT, std::string("hello\0", 6)},
      {3, kRIX, false, 0, ""},
      {1, kRIX, false, 0, ""},
      {65535, kRIX, false, 0, ""},
  };
  for (const Row& row : rows) {
    VFile window;
    uint32_t type = row.asked;
    MediaEntry entry;
    ASSERT_EQ(archive_.OpenMedia(row.id, window, type, &entry), row.found) << row.id;
    if (!row.found) {
      EXPECT_EQ(type, row.asked);  // untouched
      continue;
    }
    EXPECT_EQ(type, row.type) << row.id;
    EXPECT_EQ(entry.type, row.type);
    EXPECT_EQ(window.GetLength(), entry.size);
    EXPECT_EQ(ReadAll(window), row.data) << row.id;
  }
  EXPECT_EQ(archive_.FindEntry(5, kRAX), 2);
  EXPECT_EQ(archive_.FindEntry(5, kRIX), 1);
  EXPECT_EQ(archive_.FindEntry(4, kRIX), -1);
}

TEST_F(MediaArchiveTest, VariantsFollowTheSelector) {
  Open(kMixed);
  ScopedMediaArchive serve(&archive_);
  struct Row {
    uint16_t selector;
    uint32_t type;
    const char* data;
  } rows[] = {{0, kRIX, "variant-zero"}, {3, kJPEG, "variant-three"}, {7, kRIX, "variant-zero"}};
  for (const Row& row : rows) {
    archive_.SetVariantSelector(row.selector);
    VFile window;
    uint32_t type = kRIX;
    ASSERT_TRUE(archive_.OpenMedia(9, window, type));
    EXPECT_EQ(type, row.type);
    EXPECT_EQ(ReadAll(window), row.data);
  }
  // Asking for the table itself returns it: 4 + 22 x 2 bytes.
  VFile window;
  uint32_t type = kMSF;
  ASSERT_TRUE(archive_.OpenMedia(9, window, type));
  EXPECT_EQ(type, kMSF);
  EXPECT_EQ(window.GetLength(), 48);
  std::string table = ReadAll(window);
  ASSERT_EQ(table.size(), 48u);
  EXPECT_EQ(table[0], 2);
}

TEST_F(MediaArchiveTest, WindowsAreIndependentAndClamped) {
  Open(kMixed);
  ScopedMediaArchive serve(&archive_);
  VFile a, b;
  uint32_t ta = kRIX, tb = kRAX;
  ASSERT_TRUE(archive_.OpenMedia(5, a, ta));
  ASSERT_TRUE(archive_.OpenMedia(5, b, tb));
  std::string sa, sb;
  for (int i = 0; i < 20; ++i) {
    char c;
    if (a.Read(&c, 1) == 1) sa += c;
    if (b.Read(&c, 1) == 1) sb += c;
  }
  EXPECT_EQ(sa, "image-bytes");
  EXPECT_EQ(sb, "alpha");
  a.Seek(100, true);
  EXPECT_EQ(a.GetPosition(), 11);
  a.Seek(-5, true);
  EXPECT_EQ(a.GetPosition(), 0);
  // A window outlives the archive's own handle.
  archive_.CloseArchive();
  a.Seek(6, true);
  EXPECT_EQ(ReadAll(a), "bytes");
}

TEST_F(MediaArchiveTest, ThreadsOpenAndReadTogether) {
  Open(kMixed);
  ScopedMediaArchive serve(&archive_);
  archive_.SetVariantSelector(3);
  std::atomic<int> errors{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i) {
        VFile a, b;
        uint32_t ta = kRAX, tb = kRIX;
        if (!archive_.OpenMedia(5, a, ta) || !archive_.OpenMedia(9, b, tb)) {
          ++errors;
          continue;
        }
        if (ReadAll(a) != "alpha" || ReadAll(b) != "variant-three" || tb != kJPEG) ++errors;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(errors.load(), 0);
}

TEST_F(MediaArchiveTest, EmbeddedArchive) {
  std::string json = std::string(kMixed);
  json.insert(json.rfind('}'), R"(, "embedded": {"prefix": "hex:00112233445566778899"})");
  Open(json, true);
  ScopedMediaArchive serve(&archive_);
  EXPECT_EQ(archive_.GetCount(), 8);
  VFile window;
  uint32_t type = kRAX;
  MediaEntry entry;
  ASSERT_TRUE(archive_.OpenMedia(5, window, type, &entry));
  EXPECT_EQ(window.GetStart(), 10 + entry.offset);
  EXPECT_EQ(ReadAll(window), "alpha");
  VFile byIndex;
  ASSERT_TRUE(archive_.OpenEntryAt(4, byIndex, type));
  EXPECT_EQ(type, kJPEG);
  EXPECT_EQ(ReadAll(byIndex), "jpegdata");
}

TEST_F(MediaArchiveTest, RoutingThroughTheShellServices) {
  Open(kMixed);
  MediaEntry entry;
  // Nothing registered: no archive serves the id.
  EXPECT_FALSE(archive_.GetEntry(5, entry, kRIX));
  EXPECT_EQ(archive_.FindEntry(5, kRIX), 1);  // the own table still answers

  MediaArchive other;
  std::string otherPath = Build("b.msf", R"({"entries": [{"id": 5, "type": "RIX ", "data": "other"}]})");
  ASSERT_TRUE(other.OpenArchive(VFileSpec(otherPath.c_str()), false));
  struct Router : MediaArchiveRouter {
    MediaArchive* low;
    MediaArchive* high;
    MediaArchive* GetArchiveForMedia(uint16_t id) override { return id < 6 ? low : high; }
  } router;
  router.low = &other;
  router.high = &archive_;
  MediaArchiveRouter* previous = SetMediaArchiveRouter(&router);
  VFile window;
  uint32_t type = kRIX;
  ASSERT_TRUE(archive_.OpenMedia(5, window, type));  // asked of archive_, served by other
  EXPECT_EQ(ReadAll(window), "other");
  VString text;
  EXPECT_FALSE(archive_.ReadMedia(2, text));  // id 2 routes to `other`, which lacks it
  // "MPG " media come from the current archive, whatever the routing says.
  EXPECT_EQ(SetCurrentArchive(nullptr), nullptr);
  type = kMPG;
  EXPECT_FALSE(archive_.OpenMedia(40000, window, type));
  SetCurrentArchive(&archive_);
  ASSERT_TRUE(archive_.OpenMedia(40000, window, type));
  EXPECT_EQ(ReadAll(window), "mpeg");
  SetMediaArchiveRouter(previous);
  ForgetMediaArchive(&archive_);
  EXPECT_EQ(GetCurrentArchive(), nullptr);
}

// Every medium asked for that no archive serves reaches the listener once
// per request with the type asked for: an id not in the archive, an id no
// archive serves, a movie without a current archive; found media do not.
std::vector<std::pair<uint16_t, uint32_t>> gMissing;
void NoteMissing(uint16_t id, uint32_t type) { gMissing.emplace_back(id, type); }

TEST_F(MediaArchiveTest, MediaNotServedReachTheMissingMediaListener) {
  Open(kMixed);
  gMissing.clear();
  MissingMediaListener previous = SetMissingMediaListener(NoteMissing);
  {
    ScopedMediaArchive serve(&archive_);
    VFile window;
    uint32_t type = kRIX;
    EXPECT_TRUE(archive_.OpenMedia(5, window, type));
    type = kRIX;
    EXPECT_FALSE(archive_.OpenMedia(3, window, type));
    type = 0;
    EXPECT_FALSE(archive_.OpenMedia(65535, window, type));
    VString text;
    EXPECT_FALSE(archive_.ReadMedia(4, text));
    EXPECT_TRUE(archive_.ReadMedia(2, text));
  }
  VFile window;
  uint32_t type = kTEXT;
  EXPECT_FALSE(archive_.OpenMedia(2, window, type));  // no archive serves any id now
  type = kMPG;
  EXPECT_FALSE(archive_.OpenMedia(40000, window, type));  // no current archive
  EXPECT_EQ(SetMissingMediaListener(previous), NoteMissing);
  const std::vector<std::pair<uint16_t, uint32_t>> want = {{3, kRIX}, {65535, 0}, {4, 0}, {2, kTEXT}, {40000, kMPG}};
  EXPECT_EQ(gMissing, want);
}

TEST_F(MediaArchiveTest, ReadMediaAppendsTheText) {
  Open(kMixed);
  ScopedMediaArchive serve(&archive_);
  VString text("> ");
  EXPECT_TRUE(archive_.ReadMedia(2, text));
  EXPECT_STREQ(text.GetChars(), "> hello");
  EXPECT_FALSE(archive_.ReadMedia(8, text));  // zero-size: nothing read
  EXPECT_FALSE(archive_.ReadMedia(1234, text));
}

TEST_F(MediaArchiveTest, SaveArchiveHeaderSortsStably) {
  Open(R"({"entries": [
    {"id": 30, "type": "TEXT", "name": "c", "data": "3"},
    {"id": 10, "type": "RIX ", "name": "a1", "data": "1"},
    {"id": 20, "type": "RIX ", "name": "b", "data": "2"},
    {"id": 10, "type": "RAX ", "name": "a2", "data": "1"}]})");
  EXPECT_EQ(archive_.SaveArchiveHeader(), 4 * 22);
  archive_.CloseArchive();
  std::string listing = Capture("python3 '" + Oracle() + "' list '" + path_ + "'");
  EXPECT_EQ(listing,
            "0\t10\tRIX \t97\t1\ta1\n"
            "1\t10\tRAX \t99\t1\ta2\n"
            "2\t20\tRIX \t98\t1\tb\n"
            "3\t30\tTEXT\t96\t1\tc\n");
}

TEST_F(MediaArchiveTest, CloseTwiceAndLookupsAfterClose) {
  Open(kMixed);
  archive_.CloseArchive();
  archive_.CloseArchive();
  EXPECT_FALSE(archive_.IsOpen());
  EXPECT_EQ(archive_.FindEntry(5, kRIX), -1);
  MediaEntry entry;
  EXPECT_FALSE(archive_.EntryAt(0, entry));
  // It opens again.
  EXPECT_TRUE(archive_.OpenArchive(VFileSpec(path_.c_str()), false));
  EXPECT_EQ(archive_.FindEntry(5, kRIX), 1);
}

TEST_F(MediaArchiveTest, CaseInsensitiveArchiveName) {
  Build("QV_GUI.msf", kMixed);
  MediaArchive archive(VFileSpec((dir_ + "\\qv_gui.MSF").c_str()));
  EXPECT_TRUE(archive.IsOpen());
  EXPECT_EQ(archive.GetCount(), 8);
}

}  // namespace
