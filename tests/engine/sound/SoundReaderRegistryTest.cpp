// The sound-reader registry: the first prototype registered for a type makes
// the readers, and a reader delivers the bytes between its data start and end.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/core/MediaTypes.h"
#include "engine/core/VFile.h"
#include "engine/sound/SoundReaderRegistry.h"
#include "support/TempDir.h"

namespace {

// A sound reader class of the tests: type "TSTS", data from byte 4 to 10.
class TestSoundReader : public VSoundReader {
 public:
  explicit TestSoundReader(uint32_t type) : type_(type) {}
  TestSoundReader(const VFile& file, uint32_t type) : VSoundReader(file), type_(type) {}
  int32_t ReadHeader() override {
    dataStart_ = 4;
    dataEnd_ = 10;
    return 0;
  }
  VSoundReader* CreateReader(const VFile& file) override { return new TestSoundReader(file, type_ + 1); }
  uint32_t GetTypeCode() const override { return type_; }

 private:
  uint32_t type_;
};

class SoundReaders : public testsupport::TempDirTest {
 protected:
  SoundReaders() : TempDirTest("sound_readers_") {}
};

TEST_F(SoundReaders, FirstRegistrationWins) {
  ClearSoundReaders();
  RegisterSoundReader(nullptr);
  RegisterSoundReader(new TestSoundReader(MakeTypeCode("TSTS")));
  auto* second = new TestSoundReader(MakeTypeCode("TSTS"));
  RegisterSoundReader(second);
  const std::string path = Path("s.raw");
  testsupport::WriteBytes(path, "0123456789");
  VFile file(VFileSpec(path.c_str()), kUnknownFileType, kUnknownFileType);
  ASSERT_TRUE(file.Open(1));
  std::unique_ptr<VSoundReader> reader(CreateSoundReader(file, MakeTypeCode("TSTS")));
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->GetTypeCode(), MakeTypeCode("TSTS") + 1);  // made by the first prototype's CreateReader
  EXPECT_EQ(CreateSoundReader(file, MakeTypeCode("WAVE")), nullptr);
  ASSERT_EQ(reader->ReadHeader(), 0);
  int32_t count = 4;
  bool ended = true;
  uint8_t* bytes = reader->Read(nullptr, count, ended);
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 4), "4567");
  EXPECT_FALSE(ended);
  count = 10;
  bytes = reader->Read(nullptr, count, ended);
  EXPECT_EQ(count, 2);
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 2), "89");
  count = 0;
  EXPECT_EQ(reader->Read(nullptr, count, ended), nullptr);  // at the data end
  EXPECT_FALSE(ended);
  count = -1;
  EXPECT_EQ(reader->Read(nullptr, count, ended), nullptr);
  EXPECT_TRUE(ended);
  file.Close();
  ClearSoundReaders();
}

}  // namespace
