#include "../engine/media_helpers.h"
#include "mediainfo/codec_names.h"
#include "mediainfo/gst_media_detector.h"
#include "mediainfo/media_info.h"
#include "skin/language_manager.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace zv;

namespace {

class MediaInfoTest : public ::testing::Test {
protected:
  void SetUp() override {
    lang_.LoadFromResource("LangEn");
    SetLanguageManager(&lang_);
  }
  void TearDown() override { SetLanguageManager(nullptr); }

  TLanguageManager lang_;
};

// A detector that reports what the test says.
class TFakeDetector : public IMediaDetector {
public:
  bool Detect(const std::string& fileName, std::vector<TDetectedStream>& out) override {
    asked.push_back(fileName);
    out = streams;
    return works;
  }
  bool works = true;
  std::vector<TDetectedStream> streams;
  std::vector<std::string> asked;
};

TMediaInfoContext WithDetector(IMediaDetector* detector) {
  TMediaInfoContext c;
  c.detector = detector;
  return c;
}

TFileInfo Describe(const std::string& path, TMediaInfoContext context = {}) {
  TCachedFile file(path);
  TMediaInfo info(file, std::move(context));
  info.RetreiveInfo();
  return info.Info();
}

std::string FormatOf(const zvtest::TempDir& dir, const std::string& bytes) {
  zvtest::WriteFile(dir.file("probe.bin"), bytes);
  TCachedFile file(dir.file("probe.bin"));
  TMediaInfo info(file);
  return info.GetFileFormat();
}

} // namespace

TEST_F(MediaInfoTest, TextsForSizesDurationsRatiosAndCodes) {
  EXPECT_EQ(SizeText(1023, "."), "1023 Byte(s)");
  EXPECT_EQ(SizeText(1024, "."), "1.00 KB");
  EXPECT_EQ(SizeText(1024, ","), "1,00 KB");
  EXPECT_EQ(SizeText(3 * 1024 * 1024 + 512 * 1024, "."), "3.50 MB");
  EXPECT_EQ(SizeText(int64_t(5) << 30, ","), "5,00 GB");
  EXPECT_EQ(SizeText(int64_t(1) << 62, "."), "4294967296.00 GB");
  EXPECT_EQ(DurationText(36'000'000'000), "1 h 0 min 0 sec");
  EXPECT_EQ(DurationText(599'000'000), "59 sec");
  EXPECT_EQ(DurationText(600'000'000), "1 min 0 sec");
  EXPECT_EQ(DurationText(37'230'000'000), "1 h 2 min 3 sec");
  EXPECT_EQ(DurationClock(37'234'560'000), "1:02:03.456");
  EXPECT_EQ(AspectRatio(1920, 1080), "16:9");
  EXPECT_EQ(AspectRatio(640, 480), "4:3");
  EXPECT_EQ(AspectRatio(720, 576), "5:4");
  EXPECT_EQ(AspectRatio(0, 480), "N/A");
  EXPECT_EQ(FourCCText(0x44495658), "XVID");
  EXPECT_EQ(FourCCText(0), "0x00000000");
  EXPECT_EQ(FourCCText(0x41420102), "??BA");
  EXPECT_EQ(FourCCName("XVID"), "XviD MPEG-4 codec");
  EXPECT_EQ(FourCCName("xvid"), "Unknown yet");
  EXPECT_EQ(FourCCName("0x00000000"), "Unknown yet");
  EXPECT_EQ(FourCCName("3IVX"), "3ivx MPEG4-based codec");
  EXPECT_EQ(FourCCName("3IV0"), "3ivx MPEG4-based codec");
  EXPECT_EQ(FourCCName("DX50"), "DivX 5.x / 6.x codec");
  EXPECT_EQ(FourCCName("H264"), "H.264/MPEG-4 AVC");
  EXPECT_EQ(FourCCName("AVC1"), "H.264/MPEG-4 AVC");
  EXPECT_EQ(FourCCName("YUY2"), "YUV 4:2:2 as for UYVY");
  EXPECT_EQ(FourCCName("cvid"), "Unknown yet") << "upper-case keys only, except avc1, h264 and x264";
  EXPECT_EQ(FourCCName("x264"), "x264 H.264/MPEG-4 AVC");
  EXPECT_NE(FourCCName("IV50"), "Unknown yet");
  EXPECT_EQ(FormatTagName(0x0009), "Unknown");
  EXPECT_EQ(FormatTagName(0x0000), "<Unknown>");
  EXPECT_EQ(FormatTagName(0x0055), "MPEG-1 Layer 3");
  EXPECT_EQ(FormatTagName(0xF1AC), "Free Lossless Audio Codec (FLAC)");
}

TEST_F(MediaInfoTest, TheFormatChainTellsContainersApart) {
  zvtest::TempDir dir;
  std::string pack1 = std::string("\0\0\x01\xBA\x21\0\x01\0\x01\x80\0\x01\0\0\x01\xBB", 16) + std::string(64, '\0');
  EXPECT_EQ(FormatOf(dir, pack1), "MPEG1.System");
  std::string pack2 = std::string("\0\0\x01\xBA\x44", 5) + std::string(64, '\0');
  EXPECT_EQ(FormatOf(dir, pack2), "MPEG2.Program");
  EXPECT_EQ(FormatOf(dir, std::string("\0\0\x01\xB3", 4) + std::string(20, 'x')), "MPEG1.Video");
  EXPECT_EQ(FormatOf(dir, std::string("\x0B\x77", 2) + std::string(100, 'x')), "AC3");
  EXPECT_EQ(FormatOf(dir, "fLaC" + std::string(50, '\0')), "FLAC");
  EXPECT_EQ(
      FormatOf(dir, std::string("\x1A\x45\xDF\xA3\x9F\x42\x86\x81\x01\x42\x82\x84webm", 16) + std::string(40, '\0')),
      "Matroska");
  EXPECT_EQ(FormatOf(dir, "OggS" + std::string(25, '\0') + "vorbis" + std::string(30, '\0')), "OGG");
  EXPECT_EQ(FormatOf(dir, "MThd" + std::string(30, '\0')), "MIDI");
  EXPECT_EQ(FormatOf(dir, std::string(200, 'q')), "Unknown");
  EXPECT_EQ(FormatOf(dir, ""), "Unknown");
  TCachedFile wav(zvtest::Media("pcm.wav"));
  EXPECT_EQ(TMediaInfo(wav).GetFileFormat(), "WAV") << "RIFF WAVE, though RIFF is tested for AVI first";
  TCachedFile mp3(zvtest::Media("xing.mp3"));
  EXPECT_EQ(TMediaInfo(mp3).GetFileFormat(), "MP3") << "after its ID3v2 tag";
  TCachedFile avi(zvtest::Media("avi/film1.avi"));
  EXPECT_EQ(TMediaInfo(avi).GetFileFormat(), "AVI");
  TCachedFile mkv(zvtest::Media("theora_vorbis.mkv"));
  EXPECT_EQ(TMediaInfo(mkv).GetFileFormat(), "Matroska");
}

TEST_F(MediaInfoTest, AnAviFileDescribesItsStreamsAndInfoList) {
  TFileInfo i = Describe(zvtest::Media("avi/film1.avi"));
  EXPECT_EQ(i.FileFormat, "AVI");
  // The longest stream: the audio runs a little past the last picture.
  EXPECT_NEAR(static_cast<double>(i.Duration), 40'000'000.0, 300'000.0);
  ASSERT_EQ(i.Video.size(), 1u);
  EXPECT_EQ(i.Video[0].Width, 160);
  EXPECT_EQ(i.Video[0].Height, 120);
  EXPECT_DOUBLE_EQ(i.Video[0].FrameRate, 25.0);
  ASSERT_EQ(i.Audio.size(), 1u);
  EXPECT_EQ(i.Audio[0].FormatTag, 0x0055);
  EXPECT_EQ(i.Audio[0].Channels, 2u);
  EXPECT_EQ(i.Audio[0].SampleRate, 44100u);
  EXPECT_EQ(i.Title, "film1") << "from the file name";

  // An information list: the title and a Director comment from IART.
  zvtest::TempDir dir;
  std::string bytes = zvtest::ReadFile(zvtest::Media("avi/ff_mpeg4_pcm.avi"));
  TFileInfo ff = Describe(zvtest::Media("avi/ff_mpeg4_pcm.avi"));
  EXPECT_FALSE(ff.Comments.empty()) << "ffmpeg writes its name as ISFT";
  bool software = false;
  for (const std::string& c : ff.Comments)
    software = software || c.rfind("Software: Lavf", 0) == 0;
  EXPECT_TRUE(software);
  // A file cut short is reported broken.
  zvtest::WriteFile(dir.file("cut.avi"), bytes.substr(0, bytes.size() / 2));
  TFileInfo cut = Describe(dir.file("cut.avi"));
  bool broken = false;
  for (const std::string& c : cut.Comments)
    broken = broken || c == "Comment: Broken file";
  EXPECT_TRUE(broken);
}

TEST_F(MediaInfoTest, AnMp3FileTakesItsTagsAndReportsThem) {
  TFileInfo i = Describe(zvtest::Media("mediainfo/tags_v24.mp3"));
  EXPECT_EQ(i.FileFormat, "MP3");
  EXPECT_EQ(i.Title, "Café Ñandú");
  EXPECT_EQ(i.Artist, "Ünïcode Band");
  ASSERT_EQ(i.Audio.size(), 1u);
  EXPECT_EQ(i.Audio[0].FormatTag, 0x0055);
  EXPECT_EQ(i.Audio[0].BitRate, 128u);
  EXPECT_NEAR(static_cast<double>(i.Duration), 30'180'000.0, 600'000.0);
  EXPECT_EQ(i.Comments, (std::vector<std::string>{"ID3v1: +", "ID3v2: +"}));

  TCachedFile file(zvtest::Media("mediainfo/tags_v24.mp3"));
  TMediaInfo info(file);
  info.RetreiveInfo();
  std::string text = info.GetInfoText();
  EXPECT_NE(text.find("File format: MPEG.Audio (MP1, MP2, MP3)\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Title: Café Ñandú\r\n"), std::string::npos);
  EXPECT_NE(text.find("Codec: 0x0055 (MPEG-1 Layer 3)\r\n"), std::string::npos);
  EXPECT_NE(text.find("Format: 44100 Hz, Joint Stereo, 128 kbit/s\r\n"), std::string::npos) << text;
  EXPECT_EQ(info.CodecsText(), "0055 (MPEG-1 Layer 3)");
}

TEST_F(MediaInfoTest, AWavFileKeepsItsTagAndChannelCount) {
  TFileInfo i = Describe(zvtest::Media("mediainfo/list_before_data.wav"));
  EXPECT_EQ(i.FileFormat, "WAV");
  ASSERT_EQ(i.Audio.size(), 1u);
  EXPECT_EQ(i.Audio[0].FormatTag, 1);
  EXPECT_EQ(i.Audio[0].Channels, 1u);
  EXPECT_EQ(i.Audio[0].BitRate, 353u);
  EXPECT_EQ(i.Duration, 20'000'000);
  EXPECT_EQ(i.Comments, (std::vector<std::string>{"Bits per sample: 16"}));
  TCachedFile file(zvtest::Media("mediainfo/list_before_data.wav"));
  TMediaInfo info(file);
  info.RetreiveInfo();
  EXPECT_NE(info.GetInfoText().find("Format: 22050 Hz, Mono, 353 kbit/s"), std::string::npos) << info.GetInfoText();
}

TEST_F(MediaInfoTest, OtherFilesGoToTheDetectorAndReportsUseItsStreams) {
  zvtest::TempDir dir;
  zvtest::WriteFile(dir.file("Some Band - Some Song.xyz"), std::string(300, 'z'));
  TFakeDetector detector;
  TDetectedStream v;
  v.kind = TDetectedStream::Kind::Video;
  v.length = 12.5;
  v.width = 1280;
  v.height = 720;
  v.frameRate = 29.97;
  v.fourcc = 0x34363248; // H264
  TDetectedStream a;
  a.kind = TDetectedStream::Kind::Audio;
  a.length = 12.0;
  a.formatTag = 0x2000;
  a.channels = 5;
  a.sampleRate = 48000;
  a.bitRate = 384;
  TDetectedStream s;
  s.type = "subtitles";
  detector.streams = {v, a, s};
  TMediaInfoContext context;
  context.detector = &detector;
  context.playlistCount = [] { return 7; };
  context.playlistCurrent = [] { return -1; };
  TCachedFile file(dir.file("Some Band - Some Song.xyz"));
  TMediaInfo info(file, context);
  info.RetreiveInfo();
  const TFileInfo& i = info.Info();
  EXPECT_EQ(i.FileFormat, "Unknown");
  EXPECT_EQ(i.Artist, "Some Band");
  EXPECT_EQ(i.Title, "Some Song");
  EXPECT_EQ(i.Duration, 125'000'000);
  EXPECT_EQ(i.Comments, (std::vector<std::string>{"Comment: Used MediaDet"}));
  EXPECT_EQ(info.CodecsText(), "H264 (H.264/MPEG-4 AVC) + 2000 (Dolby Digital (AC3))");
  EXPECT_EQ(info.ReplaceOSDTags("{ARTIST} - {TITLE} [{DURATION}] {CURRENT}/{COUNT} {VIDEOWIDTH}x{VIDEOHEIGHT}"),
            "Some Band - Some Song [0:00:12] 0/7 1280x720");
  EXPECT_EQ(info.ReplaceOSDTags("{AudioFormat}|{AUDIOBITRATE}"), "48000 Hz, Surround |384 kbit/s");
  std::string text = info.GetInfoText();
  EXPECT_NE(text.find("Video size: 1280 x 720 (16:9)\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Frame rate: 29.970 Hz\r\n"), std::string::npos);
  EXPECT_NE(text.find("Stream: subtitles\r\n"), std::string::npos);

  // Placeholders are replaced in one pass: a title holding one stays; HTML values are escaped.
  info.Info().Title = "%Size% & <b>";
  EXPECT_EQ(info.ReplaceTAGs("%title%|%MediaType%|%AudioCodec%"), "%Size% & <b>|V+A|8192");
  EXPECT_EQ(info.ReplaceTAGs("<td>%Title%</td>", true), "<td>%Size% &amp; &lt;b&gt;</td>");

  // A detector that cannot read the file: "Not identified".
  detector.works = false;
  TFileInfo none = Describe(dir.file("Some Band - Some Song.xyz"), WithDetector(&detector));
  EXPECT_EQ(none.Comments, (std::vector<std::string>{"Comment: Not identified"}));
}

TEST_F(MediaInfoTest, APlayingNetworkStreamDescribesItselfOnlyUnderItsOwnName) {
  TFakeDetector detector;
  detector.works = false;
  TMediaInfoContext context = WithDetector(&detector);
  context.networkStream = [](const std::string& name) -> std::optional<TNetStreamInfo> {
    if (name != "http://radio.example:8000/live")
      return std::nullopt;
    return TNetStreamInfo{"Band - Song", "Radio Ünï", "Jazz", "http://radio.example", "128"};
  };
  TFileInfo live = Describe("http://radio.example:8000/live", context);
  EXPECT_EQ(live.FileFormat, "ShoutCast Stream");
  EXPECT_EQ(live.Title, "Band - Song");
  EXPECT_EQ(live.Comments, (std::vector<std::string>{"Site: http://radio.example", "Server: Radio Ünï", "Genre: Jazz",
                                                     "Bitrate: 128 kbit/s"}));
  EXPECT_TRUE(detector.asked.empty()) << "the stream told enough";

  // Another address is described by its name alone: neither contacted nor read as a local path,
  // even where one of that name exists ("http://host/a.mp3" is also the file "http:/host/a.mp3").
  zvtest::TempDir dir;
  std::filesystem::create_directories(dir.path() / "http:" / "radio.example:8000");
  std::filesystem::copy_file(zvtest::Media("cbr.mp3"), dir.path() / "http:" / "radio.example:8000" / "other");
  std::filesystem::path was = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  TFileInfo other = Describe("http://radio.example:8000/other", context);
  std::filesystem::current_path(was);
  EXPECT_EQ(other.FileFormat, "N/A"); // known once it plays
  EXPECT_EQ(other.Size, 0);
  EXPECT_TRUE(other.Audio.empty());
  EXPECT_EQ(other.Comments, (std::vector<std::string>{"Comment: Not identified"}));
  EXPECT_TRUE(detector.asked.empty());
}

TEST_F(MediaInfoTest, TheOnScreenInformationMessage) {
  zvtest::TempDir dir;
  zvtest::WriteFile(dir.file("Band - Song.xyz"), std::string(100, 'z'));
  TCachedFile file(dir.file("Band - Song.xyz"));
  TMediaInfo info(file);
  info.RetreiveInfo();
  TFileInfoMessage m;
  m.templ = "{ARTIST}: {TITLE}\r\n{time} {FileName} {POSITION} -{remains}";
  m.info = &info;
  m.fileName = dir.file("Band - Song.xyz");
  m.hour = 7;
  m.minute = 5;
  m.position = 615'000'000;
  m.duration = 36'000'000'000;
  EXPECT_EQ(FileInfoMessage(m), "Band: Song\r\n07:05 Band - Song.xyz 0:01:01 -0:58:58");
  // The engine could not tell the position: those two stay as written.
  m.position.reset();
  EXPECT_EQ(FileInfoMessage(m), "Band: Song\r\n07:05 Band - Song.xyz {POSITION} -{remains}");
  // A stream's title is the whole message; without media information, the name part.
  m.streamTitle = "Live Now";
  EXPECT_EQ(FileInfoMessage(m), "Live Now");
  m.streamTitle.clear();
  m.info = nullptr;
  EXPECT_EQ(FileInfoMessage(m), "Band - Song.xyz");
}

TEST_F(MediaInfoTest, ChannelModeWordsAreForMpegAudioOnly) {
  zvtest::TempDir dir;
  zvtest::WriteFile(dir.file("x.bin"), "x");
  TCachedFile file(dir.file("x.bin"));
  TMediaInfo info(file);
  info.Info().Audio.push_back({});
  TAudioStream& a = info.Info().Audio.back();
  a.SampleRate = 48000;
  a.FormatTag = 0x0055; // MP3 inside an AVI or Matroska file: a channel count
  a.Channels = 2;
  EXPECT_EQ(info.ReplaceOSDTags("{AudioFormat}"), "48000 Hz, Stereo ");
  a.Channels = 6;
  EXPECT_EQ(info.ReplaceOSDTags("{AudioFormat}"), "48000 Hz, Multichannel (6)");
  a.ChannelMode = true; // an MPEG audio file: the mode
  a.Channels = 1;
  EXPECT_EQ(info.ReplaceOSDTags("{AudioFormat}"), "48000 Hz, Joint Stereo, ");
  a.ChannelMode = false;
  a.FormatTag = 0x00FF;
  a.BitRate = 128;
  a.BitRateKind = 2;
  a.Channels = 6;
  EXPECT_EQ(info.ReplaceTAGs("%AudioFormat%"), "48000 Hz, 6 channels 128 kbit/s VBR");
}

TEST_F(MediaInfoTest, GStreamerDescribesWhatTheReadersDoNotKnow) {
  TGstMediaDetector detector;
  TFileInfo i = Describe(zvtest::Media("theora_vorbis.mkv"), WithDetector(&detector));
  EXPECT_EQ(i.FileFormat, "Matroska");
  ASSERT_EQ(i.Video.size(), 1u);
  EXPECT_EQ(i.Video[0].Width, 320);
  EXPECT_EQ(i.Video[0].Height, 240);
  EXPECT_NEAR(i.Video[0].FrameRate, 25.0, 0.01);
  ASSERT_EQ(i.Audio.size(), 1u);
  EXPECT_EQ(i.Audio[0].FormatTag, 0x674F);
  EXPECT_EQ(i.Audio[0].SampleRate, 44100u);
  EXPECT_EQ(i.Audio[0].Channels, 2u);
  EXPECT_NEAR(static_cast<double>(i.Duration), 30'000'000.0, 1'000'000.0);
  TFileInfo missing = Describe("/nonexistent/zelvar.mkv", WithDetector(&detector));
  EXPECT_EQ(missing.Size, 0);
  EXPECT_EQ(missing.FileFormat, "Unknown");
  EXPECT_EQ(missing.Comments, (std::vector<std::string>{"Comment: Not identified"}));
}

// The files of the fixture against what mediainfo reports for them (tests/data/mediainfo).
TEST_F(MediaInfoTest, FilesOtherReadersGetWrongAreReadRight) {
  // Lengths from how the files were made (and, for the MP3, from counting its frames), since
  // mediainfo itself misreads several of them.
  struct Case {
    const char* file;
    int ms;
    uint32_t kbps; // 0: not checked
    uint16_t tag;
    const char* title;
  };
  const Case cases[] = {
      {"mediainfo/adpcm_ms.wav", 3000, 0, 0x0002, ""}, // compressed sound: the "fact" sample count
      {"mediainfo/adpcm_ima_wav.wav", 3000, 0, 0x0011, ""},
      {"mediainfo/libmp3lame.wav", 3025, 64, 0x0055, ""}, // no byte rate in the header
      {"mediainfo/piped.wav", 2000, 706, 0x0001, ""},     // sizes 0xFFFFFFFF
      {"mediainfo/pcm.aiff", 2000, 0, 0x0001, ""},
      {"mediainfo/pcm.au", 2000, 0, 0x0001, ""},
      {"mediainfo/tagged.opus", 3000, 0, 0x704F, "Opus Tïtle"}, // tags in the stream
      {"mediainfo/vbr_noxing.mp3", 12042, 165, 0x0055, ""},     // VBR without a Xing header
  };
  TGstMediaDetector detector;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TFileInfo i = Describe(zvtest::Media(c.file), WithDetector(&detector));
    EXPECT_NEAR(static_cast<double>(i.Duration) / 10'000, c.ms, 50.0);
    ASSERT_EQ(i.Audio.size(), 1u);
    EXPECT_EQ(i.Audio[0].FormatTag, c.tag);
    if (c.kbps) {
      EXPECT_NEAR(i.Audio[0].BitRate, c.kbps, 1.0);
    }
    if (*c.title) {
      EXPECT_EQ(i.Title, c.title);
      EXPECT_EQ(i.Artist, "Opus Ärtist");
      EXPECT_EQ(i.Album, "Opus Älbum");
    }
  }
}

TEST_F(MediaInfoTest, EveryFixtureFileAgreesWithMediainfo) {
  std::string table = zvtest::ReadFile(std::string(std::getenv("ZV_TEST_DATA")) + "/mediainfo/reference.txt");
  ASSERT_FALSE(table.empty());
  TGstMediaDetector detector;
  int checked = 0;
  size_t at = 0;
  while (at < table.size()) {
    size_t end = table.find('\n', at);
    std::string line = table.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? table.size() : end + 1;
    if (line.empty() || line[0] == '#')
      continue;
    std::vector<std::string> f;
    for (size_t p = 0;;) {
      size_t q = line.find('|', p);
      f.push_back(line.substr(p, q == std::string::npos ? std::string::npos : q - p));
      if (q == std::string::npos)
        break;
      p = q + 1;
    }
    ASSERT_EQ(f.size(), 8u) << line;
    SCOPED_TRACE(f[0]);
    TFileInfo i = Describe(zvtest::Media(f[0]), WithDetector(&detector));
    if (!f[1].empty()) {
      double ms = std::stod(f[1]);
      EXPECT_NEAR(static_cast<double>(i.Duration) / 10'000, ms, std::max(50.0, ms / 100));
    }
    ASSERT_EQ(i.Audio.size(), 1u);
    const TAudioStream& a = i.Audio[0];
    // One unit for every format: kbit/s.
    EXPECT_LT(a.BitRate, 5000u);
    if (std::stoi(f[2]) > 0) {
      EXPECT_NEAR(a.BitRate, std::stod(f[2]), 1.0);
    }
    EXPECT_EQ(a.SampleRate, static_cast<uint32_t>(std::stoul(f[3])));
    // MPEG audio files keep their channel mode: 3 is mono, the others two channels.
    uint32_t channels = a.ChannelMode ? (a.Channels == 3 ? 1 : 2) : a.Channels;
    EXPECT_EQ(channels, static_cast<uint32_t>(std::stoul(f[4])));
    if (!f[5].empty()) {
      EXPECT_EQ(i.Title, f[5]);
    }
    EXPECT_EQ(i.Artist, f[6]);
    EXPECT_EQ(i.Album, f[7]);
    ++checked;
  }
  EXPECT_EQ(checked, 19);
}
