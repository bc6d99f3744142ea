#include "../engine/media_helpers.h"
#include "mediainfo/mpeg_audio.h"
#include "mediainfo/riff_info.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace zv;

namespace {

std::string BE32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}
std::string Syncsafe(uint32_t v) {
  return {static_cast<char>((v >> 21) & 0x7F), static_cast<char>((v >> 14) & 0x7F), static_cast<char>((v >> 7) & 0x7F),
          static_cast<char>(v & 0x7F)};
}

// An ID3v2 tag of the version with the frames (identifier, raw data), padded to `padding` bytes.
std::string Id3v2(int version, const std::vector<std::pair<std::string, std::string>>& frames, size_t padding = 64,
                  bool skipSecond = false) {
  std::string body;
  for (size_t i = 0; i < frames.size(); ++i) {
    const auto& [id, data] = frames[i];
    if (version == 2) {
      uint32_t n = static_cast<uint32_t>(data.size());
      body += id + std::string{static_cast<char>(n >> 16), static_cast<char>(n >> 8), static_cast<char>(n)} + data;
    } else {
      std::string flags(2, '\0');
      if (skipSecond && i == 1)
        flags[1] = static_cast<char>(0x80);
      body += id +
              (version == 4 ? Syncsafe(static_cast<uint32_t>(data.size())) : BE32(static_cast<uint32_t>(data.size()))) +
              flags + data;
    }
  }
  body += std::string(padding, '\0');
  return "ID3" + std::string{static_cast<char>(version), 0, 0} + Syncsafe(static_cast<uint32_t>(body.size())) + body;
}

// `count` MPEG-1 layer III frames of 128 kbit/s at 44100 Hz (417 bytes each, no padding).
std::string Frames(int count, uint8_t mode = 0x44) {
  std::string frame(417, '\0');
  frame[0] = static_cast<char>(0xFF);
  frame[1] = static_cast<char>(0xFB);
  frame[2] = static_cast<char>(0x90);
  frame[3] = static_cast<char>(mode);
  std::string all;
  for (int i = 0; i < count; ++i)
    all += frame;
  return all;
}

std::string Write(const zvtest::TempDir& dir, const std::string& name, const std::string& bytes) {
  zvtest::WriteFile(dir.file(name), bytes);
  return dir.file(name);
}

} // namespace

TEST(ID3v2, TextEncodingsOfEveryVersionDecodeToUtf8) {
  zvtest::TempDir dir;
  // Version 3, UTF-16 with FF FE; artist in Latin-1.
  std::string utf16le = std::string("\x01\xFF\xFE", 3) + std::string("C\0a\0f\0\xE9\0\0\0", 10);
  vtID3v2Tag v3(Write(dir, "v3.mp3", Id3v2(3, {{"TIT2", utf16le}, {"TPE1", std::string("\0Band \xC4", 7)}})));
  EXPECT_EQ(v3.Title, "Café");
  EXPECT_EQ(v3.Artist, "Band Ä");
  // UTF-16 with FE FF (big-endian) and encoding 2 (UTF-16BE without a mark).
  std::string utf16be = std::string("\x01\xFE\xFF", 3) + std::string("\0N\0\xF1\0o", 6);
  std::string enc2 = std::string("\x02", 1) + std::string("\x04\x1F\x04\x30", 4);
  vtID3v2Tag be(Write(dir, "be.mp3", Id3v2(3, {{"TIT2", utf16be}, {"TPE1", enc2}})));
  EXPECT_EQ(be.Title, "Nño");
  EXPECT_EQ(be.Artist, "Па");
  // Version 4 with UTF-8 and a frame larger than 127 bytes (its size is syncsafe).
  std::string longTitle(200, 'x');
  vtID3v2Tag v4(Write(dir, "v4.mp3",
                      Id3v2(4, {{"TPE1", "\x03Ärtist"},
                                {"TIT2", "\x03" + longTitle},
                                {"TALB", "\x03"
                                         "Album"}})));
  EXPECT_EQ(v4.Artist, "Ärtist");
  EXPECT_EQ(v4.Title, longTitle);
  EXPECT_EQ(v4.Frames[2], "Album") << "the frame after the long one is found";
  // Version 2: three-character identifiers.
  vtID3v2Tag v2(Write(dir, "v2.mp3", Id3v2(2, {{"TT2", std::string("\0Old", 4)}, {"TP1", std::string("\0Timer", 6)}})));
  EXPECT_EQ(v2.Title, "Old");
  EXPECT_EQ(v2.Artist, "Timer");
}

TEST(ID3v2, UnsynchronisationAndExtendedHeadersAreUndone) {
  zvtest::TempDir dir;
  // UTF-16 with its byte-order mark FF FE: unsynchronisation turns it into FF 00 FE.
  std::string title = std::string("\x01\xFF\xFE", 3) + std::string("T\0\xEF\0t\0l\0e\0", 10);
  std::string artist = std::string("\x01\xFF\xFE", 3) + std::string("B\0a\0n\0d\0", 8);
  auto unsync = [](const std::string& b) {
    std::string out;
    for (char c : b) {
      out += c;
      if (c == '\xFF')
        out += '\0';
    }
    return out;
  };
  auto tag = [&](int version, int flags, const std::string& ext, bool unsyncWhole) {
    std::string whole = Id3v2(version, {{"TIT2", title}, {"TPE1", artist}});
    std::string body = ext + whole.substr(10);
    if (unsyncWhole)
      body = unsync(body);
    return "ID3" + std::string{static_cast<char>(version), 0, static_cast<char>(flags)} +
           Syncsafe(static_cast<uint32_t>(body.size())) + body;
  };
  std::string ext3 = BE32(6) + std::string(6, '\0');         // size without itself, flags, padding size
  std::string ext4 = Syncsafe(6) + std::string("\x01\0", 2); // size with itself, one flag byte
  // Version 4 marks unsynchronisation per frame, with a data length indicator before the data.
  std::string frame4 = unsync(title);
  std::string v4 = "TIT2" + Syncsafe(static_cast<uint32_t>(frame4.size() + 4)) + std::string("\0\x03", 2) +
                   Syncsafe(static_cast<uint32_t>(title.size())) + frame4 + "TPE1" +
                   Syncsafe(static_cast<uint32_t>(artist.size())) + std::string(2, '\0') + artist +
                   std::string(32, '\0');
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"v3 extended header", tag(3, 0x40, ext3, false)},
      {"v3 unsynchronised", tag(3, 0x80, "", true)},
      {"v3 both", tag(3, 0xC0, ext3, true)},
      {"v4 extended header", tag(4, 0x40, ext4, false)},
      {"v4 frame unsynchronised", "ID3\x04" + std::string(2, '\0') + Syncsafe(static_cast<uint32_t>(v4.size())) + v4},
  };
  for (const Case& c : cases) {
    vtID3v2Tag t(Write(dir, "t.mp3", c.bytes + Frames(3)));
    EXPECT_EQ(t.Size, c.bytes.size()) << c.name;
    EXPECT_EQ(t.Title, "Tïtle") << c.name;
    EXPECT_EQ(t.Artist, "Band") << c.name;
  }
  EXPECT_EQ(vtID3v2Tag::Resynchronised(reinterpret_cast<const uint8_t*>("\xFF\0\xFF\0\0\xFF"), 6),
            (std::vector<uint8_t>{0xFF, 0xFF, 0x00, 0xFF}));
}

TEST(ID3v2, SizeFlagsPaddingAndBrokenTags) {
  zvtest::TempDir dir;
  std::string tag = Id3v2(3, {{"TIT2", std::string("\0Kept", 5)}, {"TPE1", std::string("\0Skipped", 8)}}, 64, true);
  vtID3v2Tag t(Write(dir, "t.mp3", tag + Frames(3)));
  EXPECT_EQ(t.Size, tag.size());
  EXPECT_EQ(t.Title, "Kept");
  EXPECT_EQ(t.Artist, "") << "a frame whose second flag byte has bit 7 set is skipped";
  // A tag claiming more than the file holds has size 0.
  std::string cut = tag.substr(0, 30);
  vtID3v2Tag c(Write(dir, "cut.mp3", cut));
  EXPECT_EQ(c.Size, 0u);
  EXPECT_FALSE(c.Present());
  // A frame size of zero and a huge one end the walk without hanging.
  std::string zero = std::string("ID3\x03\0\0", 6) + Syncsafe(40) + "TIT2" + BE32(0) + std::string(2, '\0') + "TPE1" +
                     BE32(0xFFFFFFF0u) + std::string(2, '\0') + std::string(20, '\0');
  vtID3v2Tag z(Write(dir, "zero.mp3", zero));
  EXPECT_EQ(z.Size, 50u);
  EXPECT_FALSE(z.Present());
  // Version 5 has a size and no frames read.
  std::string v5 = Id3v2(3, {{"TIT2", std::string("\0X", 2)}});
  v5[3] = 5;
  vtID3v2Tag five(Write(dir, "v5.mp3", v5));
  EXPECT_GT(five.Size, 0u);
  EXPECT_FALSE(five.Present());
  vtID3v2Tag none(Write(dir, "none.mp3", Frames(2)));
  EXPECT_EQ(none.Size, 0u);
  vtID3v2Tag missing(dir.file("nothing.mp3"));
  EXPECT_EQ(missing.Size, 0u);
}

TEST(ID3v1, TitleAndArtistFromTheLast128Bytes) {
  zvtest::TempDir dir;
  std::string v1 = "TAG" + std::string("Song \xE9") + std::string(24, ' ') + std::string("Singer") +
                   std::string(24, '\0') + std::string(128 - 63, '\0');
  vtID3v1Tag t(Write(dir, "t.mp3", Frames(2) + v1));
  EXPECT_EQ(t.Title, "Song é");
  EXPECT_EQ(t.Artist, "Singer");
  // A blank block is no tag; a file shorter than a tag has none.
  vtID3v1Tag blank(Write(dir, "b.mp3", Frames(2) + "TAG" + std::string(125, ' ')));
  EXPECT_FALSE(blank.Present());
  vtID3v1Tag tiny(Write(dir, "tiny.mp3", "TAG"));
  EXPECT_FALSE(tiny.Present());
}

TEST(MPEGAudio, TheFirstFrameAfterTheTagGivesRateLengthAndMode) {
  zvtest::TempDir dir;
  std::string tag = Id3v2(3, {{"TIT2", std::string("\0T", 2)}}, 4096 - 22);
  ASSERT_EQ(tag.size(), 4096u);
  // A false sync (a valid header whose successor does not match) before the real frames.
  std::string noise = std::string("\xFF\xFB\x90\x44", 4) + std::string(10, '\x11');
  std::string file = tag + noise + Frames(100, 0xC4); // mono
  vtMPEGAudioTag m(Write(dir, "m.mp3", file));
  ASSERT_TRUE(m.Valid());
  EXPECT_EQ(m.ID3v2.Size, 4096u) << "searched from the end of the tag";
  EXPECT_EQ(m.Frame.Position, noise.size()) << "the false sync is skipped";
  EXPECT_EQ(m.Version, "MPEG 1");
  EXPECT_EQ(m.Layer, "Layer III");
  EXPECT_EQ(m.Mode, "Mono");
  EXPECT_EQ(m.Frame.ModeID, 3);
  EXPECT_EQ(m.BitRate, 128);
  EXPECT_EQ(m.SampleRate, 44100);
  EXPECT_EQ(m.Frame.Size, 417);
  EXPECT_EQ(m.Frames, 100u);
  // 41 700 bytes at 128 kbit/s.
  EXPECT_EQ(m.Duration, 2606u);
}

TEST(MPEGAudio, FreeFormatStreamsAndNoiseAreNotRecognised) {
  zvtest::TempDir dir;
  std::string frame = Frames(1);
  frame[2] = 0x00; // bit-rate index 0: free format
  std::string freeFormat;
  for (int i = 0; i < 10; ++i)
    freeFormat += frame;
  vtMPEGAudioTag f(Write(dir, "free.mp3", freeFormat));
  EXPECT_FALSE(f.Valid());
  EXPECT_EQ(f.Version, "MPEG ?");
  EXPECT_EQ(f.Mode, "Unknown");
  EXPECT_EQ(f.Duration, 0u);
  // A header at the window's very end never reads past it.
  std::string edge(3456, '\0');
  edge += "\xFF\xFB";
  vtMPEGAudioTag e(Write(dir, "edge.mp3", edge));
  EXPECT_FALSE(e.Valid());
  vtMPEGAudioTag missing(dir.file("none.mp3"));
  EXPECT_FALSE(missing.Valid());
}

TEST(MPEGAudio, XingAndVbriHeadersGiveFramesAndTheAverageRate) {
  zvtest::TempDir dir;
  // Mono MPEG 1: the VBR header sits 21 bytes into the frame.
  std::string frames = Frames(20, 0xC4);
  std::string xing = "Xing" + BE32(0x0F) + BE32(1000) + BE32(1000 * 300);
  frames.replace(4 + 17, xing.size(), xing);
  vtMPEGAudioTag x(Write(dir, "x.mp3", frames));
  ASSERT_TRUE(x.Valid());
  EXPECT_TRUE(x.VBR.Present);
  EXPECT_EQ(x.VBR.Kind, "Xing");
  EXPECT_EQ(x.Frames, 1000u);
  EXPECT_EQ(x.BitRate, 92) << "300 bytes a frame at 44100 Hz";
  EXPECT_EQ(x.Duration, 26122u) << "1000 frames of 1152 samples";
  std::string vbri = "VBRI" + std::string(5, '\0') + std::string(1, '\x50') + BE32(500 * 400) + BE32(500);
  std::string frames2 = Frames(20, 0xC4);
  frames2.replace(21, vbri.size(), vbri);
  vtMPEGAudioTag v(Write(dir, "v.mp3", frames2));
  EXPECT_EQ(v.VBR.Kind, "VBRI");
  EXPECT_EQ(v.Frames, 500u);
  EXPECT_EQ(v.VBR.Quality, 0x50);
}

TEST(MPEGAudio, EncodedFilesReadLikeTheirEncoderWroteThem) {
  vtMPEGAudioTag cbr(zvtest::Media("cbr.mp3"));
  ASSERT_TRUE(cbr.Valid());
  EXPECT_EQ(cbr.BitRate, 128);
  EXPECT_EQ(cbr.SampleRate, 44100);
  EXPECT_NEAR(cbr.Duration, 3018, 60);
  vtMPEGAudioTag vbr(zvtest::Media("mediainfo/vbr_mono.mp3"));
  ASSERT_TRUE(vbr.Valid());
  EXPECT_TRUE(vbr.VBR.Present);
  EXPECT_EQ(vbr.Mode, "Mono");
  // The frames also hold the encoder's delay and padding: a little more than the 3.018 s put in.
  EXPECT_NEAR(vbr.Duration, 3060, 60);
  vtMPEGAudioTag gst(zvtest::Media("mediainfo/tags_v24.mp3"));
  EXPECT_EQ(gst.ID3v2.Title, "Café Ñandú");
  EXPECT_EQ(gst.ID3v2.Artist, "Ünïcode Band");
  EXPECT_EQ(gst.ID3v1.Artist, "Ünïcode Band");
  EXPECT_NEAR(gst.Duration, 3018, 60);
  vtMPEGAudioTag ff(zvtest::Media("mediainfo/tags_v23.mp3"));
  EXPECT_EQ(ff.ID3v2.Title, "Ffmpeg Tïtle");
  EXPECT_EQ(ff.ID3v2.Artist, "Ff Artist");
  EXPECT_NEAR(ff.Duration, 3000, 60);
}

TEST(WAV, HeaderFieldsAndDataAfterOtherChunks) {
  vtWAV plain(zvtest::Media("pcm.wav"));
  ASSERT_TRUE(plain.Valid);
  EXPECT_EQ(plain.FormatTag, 1);
  EXPECT_EQ(plain.Channels, 2);
  EXPECT_EQ(plain.SampleRate, 44100u);
  EXPECT_EQ(plain.BitsPerSample, 16);
  EXPECT_NEAR(plain.Duration(), 130 * 1024 / 44100.0, 0.01);
  vtWAV listed(zvtest::Media("mediainfo/list_before_data.wav"));
  ASSERT_TRUE(listed.Valid);
  EXPECT_NEAR(listed.Duration(), 2.0, 0.01) << "the data chunk is found past the LIST chunk";
  zvtest::TempDir dir;
  // Block align 0 and a format chunk of 18 bytes.
  std::string h = "RIFF" + std::string("\x40\0\0\0", 4) + "WAVEfmt " + std::string("\x12\0\0\0", 4) +
                  std::string("\x01\0\x01\0\x44\xAC\0\0\x88\x58\x01\0\0\0\x10\0\0\0", 18) + "data" +
                  std::string("\x10\0\0\0", 4) + std::string(16, '\0');
  zvtest::WriteFile(dir.file("odd.wav"), h);
  vtWAV odd(dir.file("odd.wav"));
  ASSERT_TRUE(odd.Valid);
  EXPECT_EQ(odd.SampleCount, 0u) << "no division by a block align of 0";
  EXPECT_EQ(odd.HeaderSize, 46u);
  EXPECT_FALSE(vtWAV(zvtest::Media("xing.mp3")).Valid);
}
