#include "../engine/media_helpers.h"
#include "mediainfo/audio_tags.h"
#include "mediainfo/media_info.h"
#include "mediainfo/stream_info.h"
#include "skin/language_manager.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace zv;

namespace {

std::string LE32(uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}
std::string LE16(uint16_t v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }
std::string BE24(uint32_t v) { return {static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)}; }

std::string Write(const zvtest::TempDir& dir, const std::string& name, const std::string& bytes) {
  zvtest::WriteFile(dir.file(name), bytes);
  return dir.file(name);
}

// An Ogg page with one packet (fewer than 255 bytes).
std::string OggPage(const std::string& packet, uint64_t granule) {
  return "OggS" + std::string(2, '\0') + LE32(static_cast<uint32_t>(granule)) +
         LE32(static_cast<uint32_t>(granule >> 32)) + std::string(12, '\0') + std::string(1, '\x01') +
         std::string(1, static_cast<char>(packet.size())) + packet;
}

std::string OggVorbis(int channels, const std::vector<std::string>& comments, uint64_t lastGranule) {
  std::string id = std::string("\x01vorbis", 7) + std::string(4, '\0') + std::string(1, static_cast<char>(channels)) +
                   LE32(44100) + LE32(0) + LE32(128000) + LE32(0) + std::string(2, '\0');
  std::string c = std::string("\x03vorbis", 7) + LE32(6) + "vendor" + LE32(static_cast<uint32_t>(comments.size()));
  for (const std::string& s : comments)
    c += LE32(static_cast<uint32_t>(s.size())) + s;
  return OggPage(id, 0) + OggPage(c, 0) + OggPage(std::string(100, 'a'), lastGranule) +
         OggPage(std::string(10, 'b'), UINT64_MAX);
}

// A FLAC stream header with STREAMINFO, then the given metadata blocks (type, data).
std::string Flac(const std::vector<std::pair<int, std::string>>& blocks) {
  std::string info(34, '\0');
  // 44100 Hz, 2 channels, 16 bits, 441000 samples.
  info[10] = 0x0A;
  info[11] = static_cast<char>(0xC4);
  info[12] = 0x42;
  info[13] = static_cast<char>(0xF0);
  std::string samples = {0, 0x06, static_cast<char>(0xBA), static_cast<char>(0xA8)};
  info.replace(14, 4, samples);
  std::string out = "fLaC" + std::string(1, blocks.empty() ? '\x80' : '\0') + BE24(34) + info;
  for (size_t i = 0; i < blocks.size(); ++i) {
    char type = static_cast<char>(blocks[i].first | (i + 1 == blocks.size() ? 0x80 : 0));
    out += std::string(1, type) + BE24(static_cast<uint32_t>(blocks[i].second.size())) + blocks[i].second;
  }
  return out + std::string(44100, 'x');
}

std::string Comments(const std::vector<std::string>& items) {
  std::string c = LE32(6) + "vendor" + LE32(static_cast<uint32_t>(items.size()));
  for (const std::string& s : items)
    c += LE32(static_cast<uint32_t>(s.size())) + s;
  return c;
}

std::string ApeTag(const std::vector<std::pair<std::string, std::string>>& fields) {
  std::string items;
  for (const auto& [name, value] : fields)
    items += LE32(static_cast<uint32_t>(value.size())) + LE32(0) + name + std::string(1, '\0') + value;
  uint32_t size = static_cast<uint32_t>(items.size() + 32);
  return items + "APETAGEX" + LE32(2000) + LE32(size) + LE32(static_cast<uint32_t>(fields.size())) + LE32(0) +
         std::string(8, '\0');
}

} // namespace

TEST(OggTag, IdentificationCommentsAndTheLastGranule) {
  zvtest::TempDir dir;
  vtOggTag ogg(Write(dir, "a.ogg",
                     OggVorbis(2, {"TITLE=Song", "ARTIST=First", "artist=Second", "GENRE=Rock", "X=ignored"}, 441000)));
  EXPECT_EQ(ogg.Channels, 2);
  EXPECT_EQ(ogg.SampleRate, 44100u);
  EXPECT_EQ(ogg.BitRateNominal, 128);
  EXPECT_EQ(ogg.Samples, 441000u) << "the page with granule -1 after it is passed over";
  EXPECT_EQ(ogg.DurationMs(), 10000u);
  EXPECT_EQ(ogg.Title, "Song");
  EXPECT_EQ(ogg.Artist, "Second") << "a later ARTIST replaces an earlier one";
  EXPECT_TRUE(ogg.TagPresent());
  // Three channels: parameters, but the stream does not count as valid and has no tag.
  vtOggTag surround(Write(dir, "s.ogg", OggVorbis(3, {"TITLE=Song"}, 44100)));
  EXPECT_EQ(surround.Channels, 3);
  EXPECT_FALSE(surround.TagPresent());
  // A comment count and lengths larger than the file end the reading.
  std::string lying = OggVorbis(2, {"TITLE=Song"}, 44100);
  size_t count = lying.find("vendor") + 6;
  lying.replace(count, 4, LE32(0xFFFFFFFF));
  vtOggTag l(Write(dir, "l.ogg", lying));
  EXPECT_EQ(l.SampleRate, 44100u);
  vtOggTag real(zvtest::Media("mediainfo/tagged.ogg"));
  EXPECT_EQ(real.Title, "Tëst Title");
  EXPECT_EQ(real.Artist, "Tëst Artist");
  EXPECT_NEAR(real.DurationMs(), 3000, 30);
}

TEST(FLACTag, StreamInfoCommentsAndBlocksOfEveryType) {
  zvtest::TempDir dir;
  vtFLACTag f(Write(dir, "a.flac", Flac({{4, Comments({"ARTIST=First", "ARTIST=Second", "TITLE=Tïtle"})}})));
  ASSERT_TRUE(f.Valid());
  EXPECT_EQ(f.SampleRate, 44100u);
  EXPECT_EQ(f.Channels, 2);
  EXPECT_EQ(f.BitsPerSample, 16);
  EXPECT_EQ(f.Samples, 441000u);
  EXPECT_DOUBLE_EQ(f.Duration(), 10.0);
  EXPECT_EQ(f.Artist, "First") << "the first ARTIST stays";
  EXPECT_EQ(f.Title, "Tïtle");
  EXPECT_TRUE(f.CommentPresent);
  // A PICTURE block (type 6) is skipped like any other; only type 127 is invalid.
  vtFLACTag pic(Write(dir, "p.flac", Flac({{6, std::string(300, 'p')}, {4, Comments({"TITLE=After"})}})));
  EXPECT_TRUE(pic.Valid());
  EXPECT_EQ(pic.Title, "After");
  vtFLACTag bad(Write(dir, "b.flac", Flac({{127, std::string(10, 'z')}})));
  EXPECT_FALSE(bad.Valid());
  EXPECT_EQ(bad.Duration(), 0.0);
  // A comment length past its block ends the comments.
  std::string lying = Comments({"TITLE=Kept"});
  lying += LE32(0x7FFFFFFF) + "ARTIST=x";
  lying.replace(10, 4, LE32(2));
  vtFLACTag l(Write(dir, "l.flac", Flac({{4, lying}})));
  EXPECT_EQ(l.Title, "Kept");
  EXPECT_EQ(l.Artist, "");
  // A block that runs past the end of the file: the length stays, the bit rate is unknown.
  std::string cut = Flac({}).substr(0, 42);
  cut[4] = 0; // STREAMINFO is not the last block
  cut += std::string(1, '\x86') + BE24(0xFFFFFF) + "picture data cut short";
  vtFLACTag past(Write(dir, "c.flac", cut));
  EXPECT_DOUBLE_EQ(past.Duration(), 10.0);
  EXPECT_EQ(past.BitRate(), 0.0);
  TCachedFile pastFile(dir.file("c.flac"));
  TMediaInfo pastInfo(pastFile);
  pastInfo.RetreiveInfo();
  ASSERT_EQ(pastInfo.Info().Audio.size(), 1u);
  EXPECT_EQ(pastInfo.Info().Audio[0].BitRate, 0u) << "unknown, never wrapped";
  vtFLACTag real(zvtest::Media("mediainfo/tagged.flac"));
  EXPECT_EQ(real.Title, "Tëst Title");
  EXPECT_NEAR(real.Duration(), 3.0, 0.01);
}

TEST(APETag, FieldsFromTheEndOfTheFileBeforeAnId3v1Tag) {
  zvtest::TempDir dir;
  std::string tag = ApeTag({{"Title", std::string(300, 't')}, {"Artist", "Somebody"}});
  std::string v1 = "TAG" + std::string(125, '\0');
  vtAPETag a(Write(dir, "a.mpc", std::string(500, 'm') + tag + v1));
  ASSERT_TRUE(a.Present);
  EXPECT_EQ(a.Version, 2000u);
  EXPECT_EQ(a.Size, tag.size());
  EXPECT_EQ(a.Field("TITLE"), std::string(250, 't')) << "values are cut to 250 bytes";
  EXPECT_EQ(a.Field("artist"), "Somebody");
  EXPECT_EQ(a.Field("Album"), "");
  // An item claiming more than the tag holds ends the reading.
  std::string lying = ApeTag({{"Title", "ok"}, {"Artist", "x"}});
  lying.replace(lying.find("Artist") - 8, 4, LE32(0x7FFFFFF0));
  vtAPETag l(Write(dir, "l.mpc", std::string(100, 'm') + lying));
  EXPECT_EQ(l.Field("Title"), "ok");
  EXPECT_EQ(l.Fields.size(), 1u);
  EXPECT_FALSE(vtAPETag(Write(dir, "none.mpc", std::string(100, 'm'))).Present);
}

TEST(MonkeysAudio, OldAndNewHeadersGiveTheirBlocksPerFrame) {
  zvtest::TempDir dir;
  // Version 3920: 73 728 blocks per frame (from 3950 on a frame holds 294 912).
  std::string old = "MAC " + LE16(3920) + LE16(4000) + LE16(0) + LE16(2) + LE32(44100) + LE32(0) + LE32(0) + LE32(11) +
                    LE32(1000) + std::string(4, '\0') + std::string(1000, 'a');
  vtMonkey m(Write(dir, "old.ape", old));
  ASSERT_TRUE(m.Valid());
  EXPECT_EQ(m.TotalSamples, 10 * 73728 + 1000);
  EXPECT_EQ(m.BitsPerSample, 16);
  EXPECT_EQ(m.CompressionName, "Extra High");
  EXPECT_EQ(m.VersionText, "3.92");
  // Version 3990 with a descriptor and a header.
  std::string descriptor = "MAC " + LE16(3990) + LE16(0) + LE32(52) + LE32(24) + std::string(52 - 16, '\0');
  std::string header = LE16(2000) + LE16(0) + LE32(294912) + LE32(500) + LE32(3) + LE16(24) + LE16(1) + LE32(48000);
  vtMonkey n(Write(dir, "new.ape", descriptor + header + std::string(2000, 'b') + ApeTag({{"Title", "Monkey"}})));
  ASSERT_TRUE(n.Valid());
  EXPECT_EQ(n.TotalSamples, 2 * 294912 + 500);
  EXPECT_EQ(n.BitsPerSample, 24);
  EXPECT_EQ(n.Channels, 1);
  EXPECT_EQ(n.SampleRate, 48000u);
  EXPECT_EQ(n.CompressionName, "Normal");
  EXPECT_TRUE(n.APE.Present);
  EXPECT_GT(n.CompressionRatio(), 0.0);
  EXPECT_FALSE(vtMonkey(Write(dir, "no.ape", "MAC")).Valid());
}

TEST(Musepack, StreamVersionSevenHeader) {
  zvtest::TempDir dir;
  std::string h = "MP+" + std::string(1, '\x07') + LE32(1000) + std::string(2, '\0') + std::string(1, '\xA0') +
                  std::string(1, '\x40') + std::string(20, '\0');
  vtMPCTag m(Write(dir, "a.mpc", h + std::string(100000, 'c')));
  ASSERT_TRUE(m.Valid);
  EXPECT_EQ(m.StreamVersion, 7);
  EXPECT_EQ(m.SampleRate, 44100u);
  EXPECT_EQ(m.Profile, "Standard");
  EXPECT_EQ(m.ChannelMode, 2);
  EXPECT_EQ(m.Frames, 1000u);
  EXPECT_NEAR(m.Duration(), 1000 * 1152 / 44100.0, 1e-9);
  EXPECT_GT(m.BitRate, 0u);
  EXPECT_FALSE(vtMPCTag(Write(dir, "b.mpc", std::string(40, 'z'))).Valid);
}

TEST(StreamReaders, AacAc3AndWmaFromTheEncoders) {
  vtAACTag aac(zvtest::Media("mediainfo/tagged.aac"));
  EXPECT_EQ(aac.HeaderType, 2);
  EXPECT_EQ(aac.SampleRate, 44100u);
  EXPECT_EQ(aac.Channels, 2);
  EXPECT_EQ(aac.ProfileName(), "AAC LC");
  EXPECT_NEAR(aac.Duration(), 3.0, 0.1);
  vtAC3 ac3(zvtest::Media("mediainfo/tagged.ac3"));
  ASSERT_TRUE(ac3.Valid);
  EXPECT_EQ(ac3.SampleRate, 44100u);
  EXPECT_EQ(ac3.ChannelLayout, 2);
  EXPECT_NEAR(ac3.Duration, 3.0, 0.1);
  vtWMATag wma(zvtest::Media("mediainfo/tagged.wma"));
  ASSERT_TRUE(wma.Valid);
  EXPECT_EQ(wma.Title, "Tëst Title");
  EXPECT_EQ(wma.Artist, "Tëst Artist");
  EXPECT_EQ(wma.Channels, 2);
  zvtest::TempDir dir;
  // An ADTS frame of length 0 ends the walk.
  std::string zero = std::string("\xFF\xF1\x50\x80\x00\x1F\xFC", 7) + std::string(100, '\0');
  vtAACTag z(Write(dir, "z.aac", zero));
  EXPECT_EQ(z.Frames, 1u);
  // An ASF object of size 0 ends the walk.
  std::string asf = zvtest::ReadFile(zvtest::Media("mediainfo/tagged.wma"));
  asf.replace(30 + 16, 8, std::string(8, '\0'));
  vtWMATag broken(Write(dir, "b.wma", asf));
  EXPECT_FALSE(broken.Valid);
}

TEST(StreamReaders, EachFormatFillsTheInformationRecord) {
  TLanguageManager lang;
  lang.LoadFromResource("LangEn");
  SetLanguageManager(&lang);
  struct TCase {
    const char* file;
    const char* format;
    uint16_t tag;
    bool titled;
  };
  for (const TCase& c :
       {TCase{"mediainfo/tagged.ogg", "OGG", 0x674F, true}, TCase{"mediainfo/tagged.flac", "FLAC", 0xF1AC, true},
        TCase{"mediainfo/tagged.aac", "AAC", 0x00FF, false}, TCase{"mediainfo/tagged.ac3", "AC3", 0x2000, false}}) {
    SCOPED_TRACE(c.file);
    TCachedFile file(zvtest::Media(c.file));
    TMediaInfo info(file);
    info.RetreiveInfo();
    EXPECT_EQ(info.Info().FileFormat, c.format);
    ASSERT_EQ(info.Info().Audio.size(), 1u);
    EXPECT_EQ(info.Info().Audio[0].FormatTag, c.tag);
    EXPECT_EQ(info.Info().Audio[0].SampleRate, 44100u);
    EXPECT_NEAR(static_cast<double>(info.Info().Duration), 30'000'000.0, 1'000'000.0);
    if (c.titled) {
      EXPECT_EQ(info.Info().Title, "Tëst Title");
    }
  }
  SetLanguageManager(nullptr);
}

// Every file the fuzzers keep (seeds and inputs that once broke a reader) goes through every
// reader: under the sanitizer build this replays them on every run.
TEST(StreamReaders, EveryFuzzCorpusFileIsReadSafely) {
  int files = 0;
  for (const char* folder : {"mpeg", "ogg", "flac", "ape", "mpc", "aac", "ac3", "wma", "riff", "mediainfo"}) {
    std::filesystem::path dir = std::filesystem::path(ZV_FUZZ_CORPUS) / folder;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      std::string name = entry.path().string();
      SCOPED_TRACE(name);
      vtMPEGAudioTag mpeg(name);
      vtOggTag ogg(name);
      vtFLACTag flac(name);
      vtMonkey ape(name);
      vtMPCTag mpc(name);
      vtAACTag aac(name);
      vtAC3 ac3(name);
      vtWMATag wma(name);
      TCachedFile file(name);
      TMediaInfo info(file);
      info.RetreiveInfo();
      EXPECT_GE(info.Info().Duration, 0);
      EXPECT_GE(ape.TotalSamples, 0);
      ++files;
    }
  }
  EXPECT_GE(files, 20);
}
