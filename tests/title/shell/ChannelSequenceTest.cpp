// Channel sequences: the text reader and writer, the timing adjustment and
// the slide-show editing, checked against the reference model in
// channel_sequence_model.py (run at test time with python3).
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/core/VFileSpec.h"
#include "engine/core/VString.h"
#include "support/BuildPaths.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "title/shell/Channel.h"
#include "title/shell/PictureItem.h"
#include "title/shell/Sequence.h"
#include "title/shell/SequenceDocument.h"
#include "title/shell/SequenceItem.h"
#include "title/shell/SoundItem.h"

namespace {

// Every field of every item, one line per item, channels separated by "|".
// The lines of a channel are sorted: reading puts items in order of start
// (an item before the earlier-read ones of the same start), while the timing
// adjustment may move a picture's start without moving the item.
std::string Describe(const SequenceDocument& doc) {
  std::string all;
  for (int32_t c = 0; c < doc.GetChannelCount(); ++c) {
    const Channel* channel = doc.GetChannel(c);
    std::vector<std::string> lines;
    for (int32_t i = 0; i < channel->GetItemCount(); ++i) {
      std::ostringstream out;
      SequenceItem* item = channel->GetItem(i);
      VString path;
      item->GetFile().GetPathWithSlashes(path);
      out << item->GetKindName().GetChars() << " [" << item->GetComment().GetChars() << "] " << item->GetStart()
          << " " << item->GetRise() << " " << item->GetSustain() << " " << item->GetDecay() << " r"
          << item->GetResid() << " f[" << (path.GetChars() ? path.GetChars() : "") << "]";
      if (const auto* p = dynamic_cast<const PictureItem*>(item)) {
        const VRect& b = p->GetBounds();
        out << " o" << p->GetOpacity() << " b" << b.left << "," << b.top << "," << b.right << "," << b.bottom;
      }
      if (const auto* s = dynamic_cast<const SoundItem*>(item)) out << " v" << s->GetVolume();
      lines.push_back(out.str());
    }
    std::sort(lines.begin(), lines.end());
    all += "|\n";
    for (const std::string& line : lines) all += line + "\n";
  }
  return all;
}

std::string Written(const SequenceDocument& doc) {
  std::string text;
  doc.Write(text);
  return text;
}

// Parse, write, read back (without a second adjustment): the same document.
void ExpectRoundTrip(const std::string& text) {
  SequenceDocument doc;
  doc.Parse(text);
  const std::string written = Written(doc);
  SequenceDocument back;
  back.ReadChannels(written);
  EXPECT_EQ(Describe(back), Describe(doc)) << "text:\n" << text << "\nwritten:\n" << written;
}

const char* const kSampleShow =
    "channel { item sound { start 0 sustain 6000 resid 18600 volume 80 } }\n"
    "channel { item picture { start 0 sustain 3000 decay 1000 resid 18601 opacity 1.00 bounds 0 0 0 0 } }\n"
    "channel { item picture { start 3000 rise 1000 sustain 2000 resid 18602 opacity 1.00 bounds 0 0 0 0 } }\n";

const char* const kTwoPictures =
    "channel { item picture { start 0 rise 1000 sustain 1000 decay 1000 } }\n"
    "channel { item picture { start 2000 rise 1000 sustain 1000 decay 1000 } }\n";

// A random document text from a seeded generator: up to 4 channels of up to
// 4 pictures and sounds, every field set, comments and paths without quotes.
std::string RandomDocument(std::mt19937& rng) {
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  auto time = [&]() { return pick(0, 3) == 0 ? 0 : pick(0, 5000); };
  std::string text;
  const int channels = pick(0, 4);
  for (int c = 0; c < channels; ++c) {
    text += "channel {\n";
    const int items = pick(0, 4);
    for (int i = 0; i < items; ++i) {
      const bool picture = pick(0, 2) != 0;
      text += std::string(" item ") + (picture ? "picture" : "sound") + " {";
      if (pick(0, 1)) text += " comment \"c" + std::to_string(pick(0, 99)) + " x\"";
      text += " start " + std::to_string(time()) + " rise " + std::to_string(time()) + " sustain " +
              std::to_string(time()) + " decay " + std::to_string(time());
      text += " resid " + std::to_string(pick(0, 65535));
      if (pick(0, 1)) text += " file \"pics/a" + std::to_string(pick(0, 9)) + ".jpg\"";
      if (picture) {
        text += " opacity " + std::to_string(pick(0, 100) / 100.0).substr(0, 4);
        text += " bounds " + std::to_string(pick(0, 400)) + " " + std::to_string(pick(0, 300)) + " " +
                std::to_string(pick(0, 400)) + " " + std::to_string(pick(0, 300));
      } else {
        text += " volume " + std::to_string(pick(0, 100));
      }
      text += " }\n";
    }
    text += "}\n";
  }
  return text;
}

std::string ModelScript() { return std::string(OSTREVAN_SOURCE_DIR) + "/tests/title/shell/channel_sequence_model.py"; }

std::string RunModel(const std::string& python3, const std::string& commands) {
  testsupport::TempDir dir("chanseq");
  const std::string input = dir.Path("commands.txt");
  std::ofstream(input) << commands;
  return testsupport::Capture(python3 + " '" + ModelScript() + "' <'" + input + "'");
}

std::string Line(const SequenceItem* item) {
  return std::to_string(item->GetStart()) + " " + std::to_string(item->GetRise()) + " " +
         std::to_string(item->GetSustain()) + " " + std::to_string(item->GetDecay());
}

}  // namespace

TEST(ChannelSequence, ExamplesReadAsDescribed) {
  {
    SequenceDocument doc{VString("channel { item picture { start 0 sustain 3000 } }")};
    ASSERT_EQ(doc.GetChannelCount(), 1);
    const auto* p = dynamic_cast<PictureItem*>(doc.GetChannel(0)->GetItem(0));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(Line(p), "0 0 3000 0");
    EXPECT_EQ(p->GetOpacity(), 63);
    EXPECT_EQ(p->GetBounds().right - p->GetBounds().left, 0);
    EXPECT_EQ(doc.GetDuration(), 3000);
  }
  {
    SequenceDocument doc{VString(kTwoPictures)};
    ASSERT_EQ(doc.GetChannelCount(), 2);
    EXPECT_EQ(Line(doc.GetChannel(0)->GetItem(0)), "0 0 3050 50");
    EXPECT_EQ(Line(doc.GetChannel(1)->GetItem(0)), "2000 1000 2000 0");
  }
  {
    SequenceDocument doc{VString("channel { item picture { opacity 0.50 bounds 10 20 5 40 } }")};
    const auto* p = dynamic_cast<PictureItem*>(doc.GetChannel(0)->GetItem(0));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->GetOpacity(), 31);
    const VRect& b = p->GetBounds();
    EXPECT_EQ(b.left, 10);
    EXPECT_EQ(b.top, 20);
    EXPECT_EQ(b.right, 10);
    EXPECT_EQ(b.bottom, 40);
  }
  {
    // "items" is the keyword "item" followed by the kind "s": not a kind the
    // reader knows, so the document ends before that channel.
    SequenceDocument doc{VString("channel { item sound { } }\nchannel { items { } }")};
    EXPECT_EQ(doc.GetChannelCount(), 1);
  }
}

TEST(ChannelSequence, LevelFollowsTheEnvelopeAndAZeroDecayNeverDivides) {
  PictureItem item;
  item.SetStart(1000);
  item.SetRise(100);
  item.SetSustain(200);
  item.SetDecay(0);
  struct Case {
    int32_t t;
    double level;
  } const cases[] = {{999, 0.0}, {1000, 0.0}, {1050, 0.5}, {1100, 1.0}, {1299, 1.0},
                     {1300, 0.0}, {1310, 0.0}, {1329, 0.0}, {1330, 0.0}, {-5, 0.0}};
  for (const Case& c : cases) {
    const double level = item.GetLevelAt(c.t);
    EXPECT_DOUBLE_EQ(level, c.level) << "t=" << c.t;
  }
  item.SetDecay(200);
  EXPECT_DOUBLE_EQ(item.GetLevelAt(1400), 0.5);
  EXPECT_DOUBLE_EQ(item.GetLevelAt(1510), 0.0);  // past the end inside the window
  item.SetRise(0);
  EXPECT_DOUBLE_EQ(item.GetLevelAt(1000), 1.0);
}

TEST(ChannelSequence, WriteThenReadGivesTheSameDocument) {
  ExpectRoundTrip(kSampleShow);
  ExpectRoundTrip(kTwoPictures);
  ExpectRoundTrip("channel { item picture { start 0 sustain 3000 } }");
  ExpectRoundTrip("channel { item picture { opacity 0.50 bounds 10 20 5 40 } }");
  ExpectRoundTrip("");
  std::mt19937 rng(131);
  for (int i = 0; i < 200; ++i) ExpectRoundTrip(RandomDocument(rng));
  // Every opacity reads back as itself, though two decimals do not tell 30
  // from 31.
  for (int32_t o = 0; o <= PictureItem::kOpaque; ++o) {
    PictureItem item;
    item.SetOpacity(o);
    std::string text;
    item.WriteFields(text);
    SequenceDocument doc;
    doc.ReadChannels("channel { item picture {" + text + "} }");
    EXPECT_EQ(dynamic_cast<PictureItem*>(doc.GetChannel(0)->GetItem(0))->GetOpacity(), o) << text;
  }
}

TEST(ChannelSequence, VolumeIsWrittenAsAPercentageAndQuotesDoNotEndFields) {
  SequenceDocument doc{VString("channel { item sound { volume 80 comment \"a\" file \"x/y.wav\" } }")};
  SoundItem* sound = dynamic_cast<SoundItem*>(doc.GetChannel(0)->GetItem(0));
  ASSERT_NE(sound, nullptr);
  EXPECT_EQ(sound->GetVolume(), 80);
  sound->SetComment("the \"big\" hall");
  VFileSpec file("music/\"loud\".wav");
  sound->SetFile(file);
  const std::string written = Written(doc);
  EXPECT_NE(written.find("\t\tvolume\t80.00\r\n"), std::string::npos) << written;
  SequenceDocument back;
  back.ReadChannels(written + "channel { item picture { sustain 5 } }");
  ASSERT_EQ(back.GetChannelCount(), 2) << written;
  SoundItem* read = dynamic_cast<SoundItem*>(back.GetChannel(0)->GetItem(0));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->GetVolume(), 80);
  EXPECT_STREQ(read->GetComment().GetChars(), "the 'big' hall");
  VString path;
  read->GetFile().GetPathWithSlashes(path);
  EXPECT_STREQ(path.GetChars(), "music/'loud'.wav");
}

TEST(ChannelSequence, GermanLocaleReadsAndWritesTheSame) {
  SequenceDocument plain{VString(kSampleShow)};
  const std::string expected = Written(plain);
  ASSERT_NE(expected.find("opacity\t1.00"), std::string::npos);

  testsupport::TempDir dir("chanseq-locale");
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
    // Build the locale when the system has none installed.
    REQUIRE_TOOL(localedef, "localedef");
    const std::string command = localedef + " -i de_DE -f UTF-8 '" + dir.Path("de_DE.UTF-8") + "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    setenv("LOCPATH", dir.Path().c_str(), 1);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
  }
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.2f", 0.5);
  EXPECT_STREQ(probe, "0,50");  // the locale is in force

  SequenceDocument german{VString(kSampleShow)};
  const std::string written = Written(german);
  SequenceDocument halves{VString("channel { item picture { opacity 0.50 } item sound { volume 12.75 } }")};
  std::setlocale(LC_ALL, saved.c_str());
  unsetenv("LOCPATH");
  EXPECT_EQ(written, expected);
  EXPECT_EQ(Describe(german), Describe(plain));
  EXPECT_EQ(dynamic_cast<PictureItem*>(halves.GetChannel(0)->GetItem(1))->GetOpacity(), 31);
  EXPECT_EQ(dynamic_cast<SoundItem*>(halves.GetChannel(0)->GetItem(0))->GetVolume(), 12);
}

TEST(ChannelSequence, BadInputIsReadOrRefusedWithoutHarm) {
  struct Case {
    const char* name;
    std::string text;
    int32_t channels;
    std::string firstItem;  // Line() of channel 0's first item, "" for none
  };
  std::string many;
  for (int i = 0; i < 3000; ++i) many += "channel { item sound { start 1 } }";
  std::string manyItems = "channel {";
  for (int i = 0; i < 3000; ++i) manyItems += " item sound { start " + std::to_string(i) + " }";
  manyItems += " }";
  const Case cases[] = {
      {"empty", "", 0, ""},
      {"not a channel", "hello channel { }", 0, ""},
      {"unknown field ends the item", "channel { item sound { start 5 tempo 9 sustain 7 } }", 1, "5 0 0 0"},
      {"unknown kind stops the document", "channel { item sound { } } channel { item movie { } } channel { }", 1,
       "0 0 0 0"},
      {"bad value drops the item and the channel's rest",
       "channel { item sound { start 1 } item sound { start x } } channel { }", 2, "1 0 0 0"},
      // The rest is skipped to the next '}' only: here that of the third
      // item, so the next channel keyword is not where the reader goes on.
      {"bad value before more items",
       "channel { item sound { start 1 } item sound { start x } item sound { start 2 } } channel { }", 1,
       "1 0 0 0"},
      {"unclosed channel", "channel { item sound { start 4 sustain 6", 1, "4 0 6 0"},
      {"unclosed comment", "channel { item sound { comment \"abc start 3 } }", 1, ""},
      {"negative times are held at 0", "channel { item sound { start -5 rise -1 sustain -2 decay -3 } }", 1,
       "0 0 0 0"},
      {"huge times are held at a day",
       "channel { item sound { start 99999999999999999999 sustain 2147483647 decay 9223372036854775808 } }", 1,
       "86400000 0 86400000 86400000"},
      {"sign without digits", "channel { item sound { start - } }", 1, ""},
      {"too many channels", many, SequenceDocument::kMaxChannels, "1 0 0 0"},
      {"too many items", manyItems, 0, ""},
      {"braces only", "}}}{{{", 0, ""},
  };
  for (const Case& c : cases) {
    SequenceDocument doc;
    doc.Parse(c.text);
    EXPECT_EQ(doc.GetChannelCount(), c.channels) << c.name;
    const Channel* first = doc.GetChannel(0);
    const SequenceItem* item = first ? first->GetItem(0) : nullptr;
    EXPECT_EQ(item ? Line(item) : std::string(), c.firstItem) << c.name;
    int32_t items = 0;
    for (int32_t i = 0; i < doc.GetChannelCount(); ++i) items += doc.GetChannel(i)->GetItemCount();
    EXPECT_LE(items, SequenceDocument::kMaxItems) << c.name;
    ExpectRoundTrip(c.text);
  }
  // Opacity and volume outside their ranges, and NaN, are held in them.
  SequenceDocument held{VString("channel { item picture { opacity 7.5 } item picture { opacity -1 } "
                                "item sound { volume 1e300 } item sound { volume -4 } item sound { volume nan } }")};
  const Channel* c = held.GetChannel(0);
  ASSERT_EQ(c->GetItemCount(), 4);  // "nan" is not a number: that item is dropped
  int32_t opacities[2] = {-1, -1};
  int32_t volumes[2] = {-1, -1};
  int n = 0, m = 0;
  for (int32_t i = 0; i < 4; ++i) {
    if (auto* p = dynamic_cast<PictureItem*>(c->GetItem(i))) opacities[n++] = p->GetOpacity();
    if (auto* s = dynamic_cast<SoundItem*>(c->GetItem(i))) volumes[m++] = s->GetVolume();
  }
  EXPECT_EQ(std::max(opacities[0], opacities[1]), 63);
  EXPECT_EQ(std::min(opacities[0], opacities[1]), 0);
  EXPECT_EQ(std::max(volumes[0], volumes[1]), 100);
  EXPECT_EQ(std::min(volumes[0], volumes[1]), 0);
}

TEST(ChannelSequence, TimingAdjustmentAgreesWithTheModel) {
  REQUIRE_TOOL(python3, "python3");
  std::vector<std::string> texts = {kSampleShow, kTwoPictures, "channel { item picture { start 0 sustain 3000 } }"};
  std::mt19937 rng(6131);
  for (int i = 0; i < 300; ++i) texts.push_back(RandomDocument(rng));
  std::string commands;
  std::string actual;
  for (const std::string& text : texts) {
    SequenceDocument doc;
    doc.ReadChannels(text);
    commands += "doc\n";
    for (int32_t c = 0; c < doc.GetChannelCount(); ++c) {
      commands += "ch\n";
      for (int32_t i = 0; i < doc.GetChannel(c)->GetItemCount(); ++i) {
        const SequenceItem* item = doc.GetChannel(c)->GetItem(i);
        commands += std::string("it ") + item->GetKindName().GetChars() + " " + Line(item) + "\n";
      }
    }
    commands += "adjust\n";
    doc.AdjustTiming();
    for (int32_t c = 0; c < doc.GetChannelCount(); ++c) {
      for (int32_t i = 0; i < doc.GetChannel(c)->GetItemCount(); ++i) actual += Line(doc.GetChannel(c)->GetItem(i)) + "\n";
    }
    actual += ".\n";
  }
  const std::string expected = RunModel(python3, commands);
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(actual, expected);
}

TEST(ChannelSequence, EditingAgreesWithTheModel) {
  REQUIRE_TOOL(python3, "python3");
  std::mt19937 rng(1306);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::string commands;
  std::string actual;
  const VFileSpec file("pics/p.jpg");
  for (int run = 0; run < 60; ++run) {
    Sequence show{VString("")};
    commands += "show\n";
    const int steps = pick(1, 14);
    for (int s = 0; s < steps; ++s) {
      const int count = show.GetPictureCount();
      const int i = pick(-1, count + 1);
      const int kind = pick(0, 5);
      const int d = pick(0, 3) == 0 ? 0 : pick(1, 1500);
      const int dur = pick(0, 4000);
      switch (count == 0 ? 0 : pick(0, 4)) {
        case 0:
          show.InsertPicture(i, file, dur, kind, d);
          commands += "ins " + std::to_string(i) + " " + std::to_string(dur) + " " + std::to_string(kind) + " " +
                      std::to_string(d) + "\n";
          break;
        case 1:
          show.RemovePicture(i);
          commands += "rm " + std::to_string(i) + "\n";
          break;
        case 2:
          show.RemovePictureWithTransition(i, kind, d);
          commands += "rmt " + std::to_string(i) + " " + std::to_string(kind) + " " + std::to_string(d) + "\n";
          break;
        case 3:
          show.SetPictureFile(i, file, dur);
          commands += "setfile " + std::to_string(i) + " " + std::to_string(dur) + "\n";
          break;
        default:
          show.SetTransition(i, kind, d);
          commands += "tr " + std::to_string(i) + " " + std::to_string(kind) + " " + std::to_string(d) + "\n";
          break;
      }
    }
    commands += "query\n";
    for (int32_t p = 0; p < show.GetPictureCount(); ++p) actual += Line(show.GetPicture(p)) + "\n";
    for (int32_t p = 0; p <= show.GetPictureCount(); ++p) {
      actual += std::to_string(show.GetTransitionKind(p)) + " " + std::to_string(show.GetTransitionDuration(p)) + "\n";
    }
    actual += ".\n";
  }
  const std::string expected = RunModel(python3, commands);
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(actual, expected);
}

TEST(ChannelSequence, SlideShowBeginsWithASoundChannel) {
  Sequence show{VString(kTwoPictures)};
  EXPECT_EQ(show.GetPreloadLead(), Sequence::kPreloadLead);
  ASSERT_EQ(show.GetChannelCount(), 3);
  EXPECT_TRUE(show.GetSoundItem()->IsSound());
  EXPECT_EQ(show.GetPictureCount(), 2);
  EXPECT_EQ(show.GetPicture(-1), nullptr);
  EXPECT_EQ(show.GetPicture(2), nullptr);
  const VFileSpec music("music/a.wav");
  show.SetSound(&music, 0.755);
  EXPECT_EQ(dynamic_cast<SoundItem*>(show.GetSoundItem())->GetVolume(), 75);
  show.SetSound(&music, 7.0);
  EXPECT_EQ(dynamic_cast<SoundItem*>(show.GetSoundItem())->GetVolume(), 100);
  show.SetSound(nullptr, 0.0);
  EXPECT_EQ(show.GetChannel(0)->GetItemCount(), 0);
  Sequence sample{VString(kSampleShow)};
  EXPECT_EQ(sample.GetChannelCount(), 3);  // the sound channel is already there
  Sequence none{static_cast<uint16_t>(65000)};
  EXPECT_EQ(none.GetChannelCount(), 1);
}

TEST(ChannelSequence, ChannelKeepsItemsInOrderAndFindsTheActiveOne) {
  Channel channel;
  auto add = [&](int32_t start, int32_t sustain, const char* comment) {
    auto* item = new SoundItem();
    item->SetStart(start);
    item->SetSustain(sustain);
    item->SetComment(comment);
    channel.InsertItem(item);
    EXPECT_EQ(item->GetChannel(), &channel);
  };
  add(2000, 500, "c");
  add(0, 1000, "a");
  add(2000, 800, "b");  // same start: goes before the earlier one
  add(1000, 200, "m");
  std::string order;
  for (int32_t i = 0; i < channel.GetItemCount(); ++i) order += channel.GetItem(i)->GetComment().GetChars();
  EXPECT_EQ(order, "ambc");
  struct Case {
    int32_t t;
    const char* found;  // "" for none
  } const cases[] = {{500, "a"}, {1100, "m"}, {1500, ""}, {2100, "b"}, {2600, "b"}, {2900, ""}, {10, "a"}, {-1, ""}};
  for (const Case& c : cases) {
    const SequenceItem* item = channel.FindItemAt(c.t);
    EXPECT_STREQ(item ? item->GetComment().GetChars() : "", c.found) << "t=" << c.t;
    channel.SetCurrentItem(const_cast<SequenceItem*>(item));
  }
  EXPECT_EQ(channel.GetDuration(), 2800);
  channel.RemoveItemAt(0, true);
  EXPECT_EQ(channel.GetCurrentItem(), nullptr);
  SequenceItem* taken = channel.RemoveItemAt(0, false);
  ASSERT_NE(taken, nullptr);
  EXPECT_EQ(taken->GetChannel(), nullptr);
  delete taken;
  EXPECT_EQ(channel.GetItemCount(), 2);
  EXPECT_EQ(channel.RemoveItemAt(5, true), nullptr);
}

TEST(ChannelSequence, DocumentReadsAFileAndKeepsChannelsInOrder) {
  testsupport::TempDir dir("chanseq-file");
  std::ofstream(dir.Path("show.txt")) << kTwoPictures;
  SequenceDocument doc{VFileSpec(dir.Path("show.txt").c_str())};
  ASSERT_EQ(doc.GetChannelCount(), 2);
  EXPECT_EQ(doc.GetDuration(), 5000);
  SequenceDocument missing{VFileSpec(dir.Path("none.txt").c_str())};
  EXPECT_EQ(missing.GetChannelCount(), 0);

  Channel* added = new Channel();
  doc.InsertChannel(added, INT32_MAX);
  EXPECT_EQ(doc.GetChannelIndex(added), 2);
  EXPECT_EQ(added->GetOwner(), &doc);
  Channel front;
  EXPECT_EQ(doc.GetChannelIndex(&front), -1);
  Channel* first = doc.GetChannel(0);
  doc.InsertChannel(doc.RemoveChannelAt(2, false), 0);
  EXPECT_EQ(doc.GetChannel(0), added);
  EXPECT_EQ(doc.GetChannelIndex(first), 1);
}
