// Test support of the tour's records: two small archives built with the
// engine's builder in a temporary folder (the "extra" archive serves the ids
// 6000 to 7000, the main one every other id, as the title routes them), the
// category tables and the visit history in memory, and the message boxes of
// the JPEG decoder captured.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchive.h"
#include "engine/archive/MediaArchiveBuilder.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFileSpec.h"
#include "engine/core/VString.h"
#include "engine/core/VTextFile.h"
#include "engine/graphics/VPicture.h"
#include "engine/image/ImageTestSupport.h"
#include "engine/image/JpegLibraryLoader.h"
#include "engine/script/CategoryTables.h"
#include "engine/script/ItemRef.h"
#include "engine/script/VisitHistory.h"
#include "platform/MessageBox.h"
#include "title/tour/TourMedia.h"

namespace tourtest {

struct Released {
  void operator()(VPicture* p) const {
    if (p) p->Release();
  }
};
using PictureRef = std::unique_ptr<VPicture, Released>;

// A script's text as the tokenizer reads it.
inline VString Text(const std::string& text) { return VString(text.c_str()); }

// The item reference a code such as "BU001" reads as.
inline ItemRef Item(const std::string& code) {
  ItemRef item;
  item.ParseItemRef(VString(code.c_str()));
  return item;
}

// The code of an item reference ("invalid" when it has none).
inline std::string Code(const ItemRef& item) {
  char text[6] = {};
  return item.FormatItemRef(text) ? text : "invalid";
}

class TourFixture : public imgtest::ImageFixture, private MediaArchiveRouter {
 protected:
  explicit TourFixture(std::vector<std::string> tools = {"python3"}) : ImageFixture(std::move(tools)) {}

  void SetUp() override {
    ImageFixture::SetUp();
    previousRouter_ = SetMediaArchiveRouter(this);
    previousTables_ = SetCategoryTables(&tables_);
    previousHistory_ = SetVisitHistory(&history_);
    previousCapture_ = platform::SetMessageBoxCapture(
        [this](const std::string& title, const std::string& text, platform::MessageBoxIcon) {
          boxes_.push_back(title + "|" + text);
          return platform::kMessageBoxOk;
        });
    SetAlternateBubblePicture(false);
  }

  void TearDown() override {
    SetAlternateBubblePicture(false);
    EXPECT_FALSE(IsJpegDecompressing());
    platform::SetMessageBoxCapture(previousCapture_);
    SetVisitHistory(previousHistory_);
    SetCategoryTables(previousTables_);
    SetMediaArchiveRouter(previousRouter_);
    main_.reset();
    extra_.reset();
    ImageFixture::TearDown();
  }

  MediaArchive* GetArchiveForMedia(uint16_t id) override {
    return id >= 6000 && id <= 7000 ? extra_.get() : main_.get();
  }

  void WriteFile(const std::string& name, const std::string& bytes) {
    const std::filesystem::path path(Path(name));
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }

  // A build line of a TEXT medium whose text is written to a file here.
  std::string TextLine(int32_t id, const std::string& text) {
    const std::string name = "src/" + std::to_string(id) + ".txt";
    WriteFile(name, text);
    return std::to_string(id) + " 40 \"" + Path(name) + "\"";
  }
  // A build line of a medium copied from bytes written to a file here (the
  // file name's extension gives the medium's type).
  std::string CopyLine(int32_t id, const std::string& bytes, const std::string& extension) {
    const std::string name = "src/" + std::to_string(id) + "." + extension;
    WriteFile(name, bytes);
    return std::to_string(id) + " 0 \"" + Path(name) + "\"";
  }

  // Builds and opens both archives from their build lines; each needs at
  // least one line.
  void BuildArchives(const std::vector<std::string>& mainLines, const std::vector<std::string>& extraLines = {}) {
    main_ = Build("main.msf", mainLines);
    ASSERT_TRUE(main_);
    if (!extraLines.empty()) {
      extra_ = Build("extra.msf", extraLines);
      ASSERT_TRUE(extra_);
    }
    SetCurrentArchive(main_.get());
  }

  void SetBubbleBase(int32_t number, int32_t base) {
    ASSERT_TRUE(tables_.SetCategoryEntry(kBubbleTable, number, static_cast<uint32_t>(base)));
  }
  void SetTransitionBase(int32_t number, int32_t base) {
    ASSERT_TRUE(tables_.SetCategoryEntry(kTransitionTable, number, static_cast<uint32_t>(base)));
  }

  MediaArchive* MainArchive() const { return main_.get(); }
  MediaArchive* ExtraArchive() const { return extra_.get(); }

  MemoryCategoryTables tables_;
  MemoryVisitHistory history_;
  std::vector<std::string> boxes_;

 private:
  std::unique_ptr<MediaArchive> Build(const std::string& name, const std::vector<std::string>& lines) {
    std::string script;
    for (const std::string& line : lines) script += line + "\n";
    WriteFile(name + ".build", script);
    {
      VTextFile scriptFile(VFileSpec(Path(name + ".build").c_str()), MakeTypeCode("TEXT"), MakeTypeCode("ttxt"));
      VFile archive(VFileSpec(Path(name).c_str()), MakeTypeCode("MSF "), kUnknownFileType);
      const bool built = BuildMediaArchive(scriptFile, archive, nullptr);
      scriptFile.Close();
      archive.Close();
      EXPECT_TRUE(built) << name;
      if (!built) return nullptr;
    }
    auto archive = std::make_unique<MediaArchive>();
    EXPECT_TRUE(archive->OpenArchive(VFileSpec(Path(name).c_str()), false)) << name;
    return archive;
  }

  std::unique_ptr<MediaArchive> main_;
  std::unique_ptr<MediaArchive> extra_;
  MediaArchiveRouter* previousRouter_ = nullptr;
  CategoryTables* previousTables_ = nullptr;
  VisitHistory* previousHistory_ = nullptr;
  platform::MessageBoxCapture previousCapture_;
};

}  // namespace tourtest
