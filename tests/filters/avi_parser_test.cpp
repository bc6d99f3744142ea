#include "avi_writer.h"
#include "filters/avi_parser.h"
#include "filters/media_data.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <functional>

#include <filesystem>
#include <sys/statvfs.h>

using namespace zv;
namespace avi = zvtest::avi;

namespace {

avi::Stream Video(uint32_t scale, uint32_t rate, uint32_t length) {
  return {avi::Strh("vids", "XVID", scale, rate, length, 0), avi::BitmapInfo("XVID")};
}

avi::Stream Audio(uint32_t scale, uint32_t rate, uint32_t length, uint32_t sampleSize, uint16_t tag = 0x55) {
  return {avi::Strh("auds", std::string(4, '\0'), scale, rate, length, sampleSize),
          avi::WaveFormat(tag, 2, 44100, 16000, 1, 0)};
}

std::string Bytes(size_t n, char c) { return std::string(n, c); }

// Ten video frames (key every fifth) and ten MP3 chunks, interleaved.
std::vector<avi::Sample> Interleaved() {
  std::vector<avi::Sample> s;
  for (int i = 0; i < 10; ++i) {
    s.push_back({"00dc", Bytes(100 + i, static_cast<char>('a' + i)), i % 5 == 0});
    s.push_back({"01wb", Bytes(417, static_cast<char>('A' + i)), true});
  }
  return s;
}

struct Parsed {
  zvtest::TempDir dir;
  std::unique_ptr<TCachedFile> file;
  std::unique_ptr<TAVIParser> parser;
  explicit Parsed(const std::string& bytes, bool build = true) {
    zvtest::WriteFile(dir.file("t.avi"), bytes);
    file = std::make_unique<TCachedFile>(dir.file("t.avi"));
    parser = std::make_unique<TAVIParser>(*file);
    parser->Parse();
    parser->LoadIndex(build);
  }
};

} // namespace

TEST(AVIParser, ReadsHeadersFormatsAndTheIndexByStream) {
  Parsed p(avi::File(40000, 10, {Video(1, 25, 10), Audio(1152, 44100, 10, 0)}, Interleaved()));
  TAVIParser& a = *p.parser;
  ASSERT_TRUE(a.IsRIFFAVI());
  EXPECT_FALSE(a.IsTruncated());
  ASSERT_EQ(a.StreamCount(), 2);
  EXPECT_TRUE(a.IsVideoStream(0));
  EXPECT_TRUE(a.IsAudioStream(1));
  EXPECT_FALSE(a.IsVideoStream(2));
  EXPECT_EQ(a.Duration(), 40000LL * 10 * 10);
  EXPECT_EQ(a.StreamDuration(0), 4'000'000);
  EXPECT_EQ(a.StreamDuration(7), 0);
  ASSERT_EQ(a.Stream(0).entries.size(), 10u);
  ASSERT_EQ(a.Stream(1).entries.size(), 10u);
  EXPECT_EQ(a.Index().size(), 20u);
  EXPECT_TRUE(a.GetIndexEntry(0, 5).KeyFrame());
  EXPECT_FALSE(a.GetIndexEntry(0, 6).KeyFrame());
  EXPECT_EQ(a.GetIndexEntry(0, 10).size, 0u) << "out of range is all zeros";
  EXPECT_EQ(a.GetIndexEntry(-1, 0).size, 0u);
  std::string buf(500, '\0');
  EXPECT_EQ(a.ReadSample(0, 3, buf.data()), 103);
  EXPECT_EQ(buf.substr(0, 103), Bytes(103, 'd'));
  EXPECT_EQ(a.ReadSample(1, 9, buf.data()), 417);
  EXPECT_EQ(buf.substr(0, 417).find_first_not_of('J'), std::string::npos);
  EXPECT_EQ(a.Stream(0).FormatSize(), 40u);
  EXPECT_EQ(TAVIParser::FourCCText(a.Stream(0).FormatData() + 16), "XVID");
}

TEST(AVIParser, StreamDurationRoundsHalvesToEven) {
  // 25/1, 250 frames: 10 s exactly.
  Parsed ten(avi::File(40000, 250, {Video(1, 25, 250)}, {{"00dc", "x"}}));
  EXPECT_EQ(ten.parser->StreamDuration(0), 100'000'000);
  // 3 frames at 20 000 000 / 1: 1.5 units of 100 ns rounds to 2, 2.5 rounds to 2.
  Parsed half(avi::File(1, 3, {Video(1, 20'000'000, 3)}, {{"00dc", "x"}}));
  EXPECT_EQ(half.parser->StreamDuration(0), 2);
  Parsed half2(avi::File(1, 5, {Video(1, 20'000'000, 5)}, {{"00dc", "x"}}));
  EXPECT_EQ(half2.parser->StreamDuration(0), 2);
  EXPECT_EQ(UnitsToTime(3, 20'000'000, 1), 2);
  EXPECT_EQ(UnitsToTime(5, 20'000'000, 1), 2);
  EXPECT_EQ(UnitsToTime(7, 20'000'000, 1), 4);
}

TEST(AVIParser, ZeroRateOrScaleIsAnInvalidStreamNotADivisionByZero) {
  Parsed p(avi::File(40000, 3, {Video(0, 25, 3), Video(1, 0, 3)}, {{"00dc", "x"}, {"01dc", "y"}}));
  EXPECT_EQ(p.parser->StreamRate(0), 0.0);
  EXPECT_EQ(p.parser->StreamDuration(0), 0);
  EXPECT_EQ(p.parser->StreamDuration(1), 0);
  EXPECT_EQ(TAVIData(*p.parser, 0).GetSampleCount(), 0);
  EXPECT_EQ(TAVIData(*p.parser, 1).GetSampleCount(), 0);
  // Lengths and scales at their limits clamp instead of overflowing.
  Parsed huge(avi::File(40000, 1, {Video(0xFFFFFFFF, 1, 0xFFFFFFFF)}, {{"00dc", "x"}}));
  EXPECT_EQ(huge.parser->StreamDuration(0), std::numeric_limits<int64_t>::max());
}

TEST(AVIParser, AbsoluteIndexOffsetsAreRecognisedByTheFirstEntry) {
  Parsed rel(avi::File(40000, 10, {Video(1, 25, 10), Audio(1152, 44100, 10, 0)}, Interleaved()));
  Parsed abs(
      avi::File(40000, 10, {Video(1, 25, 10), Audio(1152, 44100, 10, 0)}, Interleaved(), avi::IndexBase::Absolute));
  ASSERT_EQ(abs.parser->Stream(0).entries.size(), 10u);
  for (int s = 0; s < 2; ++s)
    for (int n = 0; n < 10; ++n)
      EXPECT_EQ(abs.parser->GetIndexEntry(s, n).Offset(), rel.parser->GetIndexEntry(s, n).Offset());
  std::string buf(200, '\0');
  EXPECT_EQ(abs.parser->ReadSample(0, 2, buf.data()), 102);
  EXPECT_EQ(buf.substr(0, 102), Bytes(102, 'c'));
}

TEST(AVIParser, OddJunkBeforeTheMovieListIsSkippedWithItsPad) {
  Parsed p(avi::File(40000, 10, {Video(1, 25, 10), Audio(1152, 44100, 10, 0)}, Interleaved(), avi::IndexBase::Movie,
                     avi::Chunk("JUNK", Bytes(13, 'j'))));
  EXPECT_GT(p.parser->MoviePosition(), 0);
  EXPECT_EQ(p.parser->FourCCAt(p.parser->MoviePosition()), "LIST");
  EXPECT_EQ(p.parser->Stream(0).entries.size(), 10u);
}

TEST(AVIParser, AMissingOrEmptyIndexIsBuiltFromTheMovieListOnlyWhenAsked) {
  std::string noIndex =
      avi::File(40000, 10, {Video(1, 25, 10), Audio(1152, 44100, 10, 0)}, Interleaved(), avi::IndexBase::None);
  Parsed without(noIndex, false);
  EXPECT_EQ(without.parser->Index().size(), 0u);
  EXPECT_TRUE(without.parser->Stream(0).entries.empty());
  Parsed built(noIndex, true);
  ASSERT_EQ(built.parser->Stream(0).entries.size(), 10u);
  ASSERT_EQ(built.parser->Stream(1).entries.size(), 10u);
  for (int n = 0; n < 10; ++n)
    EXPECT_TRUE(built.parser->GetIndexEntry(0, n).KeyFrame()) << "a built index marks every chunk a key frame";
  std::string buf(200, '\0');
  EXPECT_EQ(built.parser->ReadSample(0, 9, buf.data()), 109);
  EXPECT_EQ(buf.substr(0, 109), Bytes(109, 'j'));

  // An idx1 chunk of size 0 is an empty index.
  std::string withIndex = avi::File(40000, 10, {Video(1, 25, 10), Audio(1152, 44100, 10, 0)}, Interleaved());
  size_t idx = withIndex.rfind("idx1");
  std::string empty = withIndex.substr(0, idx) + "idx1" + avi::LE32(0);
  std::string riffSize = avi::LE32(static_cast<uint32_t>(empty.size() - 8));
  empty.replace(4, 4, riffSize);
  Parsed emptyIdx(empty, false);
  EXPECT_GT(emptyIdx.parser->IndexPosition(), 0);
  EXPECT_EQ(emptyIdx.parser->Index().size(), 0u);
  Parsed rebuilt(empty, true);
  EXPECT_EQ(rebuilt.parser->Stream(0).entries.size(), 10u);
}

TEST(AVIParser, StreamNumbersComeFromTwoLeadingDigitsOnly) {
  std::vector<avi::Sample> s = {{"00dc", "v"}, {"01wb", "a"}, {"ix00", "i"},
                                {"0xdc", "q"}, {"x1wb", "r"}, {"02dc", "none"}};
  Parsed p(avi::File(40000, 1, {Video(1, 25, 1), Audio(1, 100, 1, 1)}, s));
  EXPECT_EQ(p.parser->Stream(0).entries.size(), 1u);
  EXPECT_EQ(p.parser->Stream(1).entries.size(), 1u);
  EXPECT_EQ(p.parser->Index().size(), 6u) << "the index keeps every entry; only the streams leave some out";
}

TEST(AVIParser, ATruncatedDownloadBuildsTheIndexFromWhatIsPresent) {
  std::string whole =
      avi::File(40000, 10, {Video(1, 25, 10), Audio(1152, 44100, 10, 0)}, Interleaved(), avi::IndexBase::None);
  // Cut inside the seventh video frame.
  size_t cut = whole.find(Bytes(106, 'g')) + 50;
  Parsed p(whole.substr(0, cut), true);
  EXPECT_TRUE(p.parser->IsTruncated());
  EXPECT_EQ(p.parser->Stream(0).entries.size(), 6u) << "the cut frame points past the end and is dropped";
  EXPECT_EQ(p.parser->Stream(1).entries.size(), 6u);
}

TEST(AVIParser, AnIndexThatDoesNotMatchItsChunksIsRebuilt) {
  std::string whole = avi::File(40000, 10, {Video(1, 25, 10), Audio(1152, 44100, 10, 0)}, Interleaved());
  size_t idx = whole.rfind("idx1");
  size_t lastVideo = whole.rfind("00dc");
  ASSERT_GT(lastVideo, idx);
  auto damage = [&](std::function<void(std::string&)> how) {
    std::string f = whole;
    how(f);
    return f;
  };
  struct Case {
    const char* name;
    std::string file;
  };
  const Case cases[] = {
      // The last video entry claims a huge size.
      {"a lying size", damage([&](std::string& f) { f.replace(lastVideo + 12, 4, avi::LE32(0x7FFFFFF0)); })},
      // Every offset four bytes off.
      {"shifted", damage([&](std::string& f) {
         for (size_t e = idx + 8; e + 16 <= f.size(); e += 16)
           f.replace(e + 8, 4, avi::LE32(LE32(reinterpret_cast<const uint8_t*>(f.data()) + e + 8) + 4));
       })},
      // The second half of the entries zeroed.
      {"half overwritten", damage([&](std::string& f) {
         size_t entries = (f.size() - idx - 8) / 16;
         f.replace(idx + 8 + entries / 2 * 16, (entries - entries / 2) * 16,
                   std::string((entries - entries / 2) * 16, '\0'));
       })},
  };
  for (const Case& c : cases) {
    Parsed without(c.file, false);
    EXPECT_TRUE(without.parser->Idx1Damaged()) << c.name;
    EXPECT_TRUE(without.parser->Stream(0).entries.empty()) << c.name << ": a damaged index is not used";
    Parsed rebuilt(c.file, true);
    ASSERT_EQ(rebuilt.parser->Stream(0).entries.size(), 10u) << c.name;
    ASSERT_EQ(rebuilt.parser->Stream(1).entries.size(), 10u) << c.name;
    std::string buf(200, '\0');
    EXPECT_EQ(rebuilt.parser->ReadSample(0, 9, buf.data()), 109) << c.name;
  }
  Parsed sound(whole, false);
  EXPECT_FALSE(sound.parser->Idx1Damaged());
  EXPECT_EQ(sound.parser->Stream(0).entries.size(), 10u);
}

TEST(AVIParser, KeyFramesOfMpeg4AndH264AreFoundInTheFrameData) {
  auto vop = [](int type) { return std::string("\0\0\x01\xB6", 4) + static_cast<char>(type << 6) + "data"; };
  auto nal = [](int type) { return std::string("\0\0\0\x01", 4) + static_cast<char>(0x60 | type) + "slice"; };
  std::string vol = std::string("\0\0\x01\xB0\x01\0\0\x01\xB5\x09", 10);
  std::string sei = std::string("\0\0\x01\x06", 4) + std::string(3000, 'x'); // an encoder's long notes
  struct Case {
    const char* codec;
    std::vector<avi::Sample> frames;
    std::vector<bool> keys;
  };
  const Case cases[] = {
      {"XVID",
       {{"00dc", vol + vop(0)}, {"00dc", vop(1)}, {"00dc", vop(2)}, {"00dc", ""}, {"00dc", vop(0)}},
       {true, false, false, false, true}},
      {"divx", {{"00dc", vop(0)}, {"00dc", vop(1)}}, {true, false}},
      {"H264",
       {{"00dc", nal(7) + nal(8) + sei + nal(5)}, {"00dc", nal(1)}, {"00dc", nal(9) + nal(1)}, {"00dc", nal(5)}},
       {true, false, false, true}},
      // Codecs whose pictures are not read: every chunk is a key frame.
      {"MJPG", {{"00dc", "jpeg"}, {"00dc", "jpeg"}}, {true, true}},
  };
  for (const Case& c : cases) {
    uint32_t n = static_cast<uint32_t>(c.frames.size());
    std::string file = avi::File(40000, n, {{avi::Strh("vids", c.codec, 1, 25, n, 0), avi::BitmapInfo(c.codec)}},
                                 c.frames, avi::IndexBase::None);
    Parsed p(file, true);
    ASSERT_EQ(p.parser->Stream(0).entries.size(), c.keys.size()) << c.codec;
    for (size_t i = 0; i < c.keys.size(); ++i)
      EXPECT_EQ(p.parser->GetIndexEntry(0, static_cast<int64_t>(i)).KeyFrame(), c.keys[i]) << c.codec << " " << i;
  }
}

TEST(AVIParser, LyingSizesAllocateNothingAndEndTheWalk) {
  // A strf chunk that claims 3 GB, an INFO list with a 2 MiB tag, a main list claiming more than the file.
  std::string strl = avi::List("strl", avi::Strh("vids", "XVID", 1, 25, 1, 0) + "strf" + avi::LE32(0xC0000000u) +
                                           avi::BitmapInfo("XVID"));
  std::string info = avi::List("INFO", "INAM" + avi::LE32(2u << 20) + "title");
  std::string body = avi::List("hdrl", avi::Avih(40000, 1, 1) + strl) + info;
  std::string file = "RIFF" + avi::LE32(0xFFFFFFF0u) + "AVI " + body;
  Parsed p(file);
  ASSERT_EQ(p.parser->StreamCount(), 1);
  EXPECT_TRUE(p.parser->Stream(0).format.empty()) << "a format over 1 MiB is refused";
  EXPECT_TRUE(p.parser->Tags().empty());
  EXPECT_TRUE(p.parser->IsTruncated());
  EXPECT_LT(p.parser->MoviePosition(), 0);

  // A super index that claims four billion entries in a chunk running past the end of the file:
  // only the entries present are looked at, and one pointing outside the file is dropped.
  std::string indx = "indx" + avi::LE32(0xFFFFFF00u) + avi::LE16(4) + std::string(1, '\0') + std::string(1, '\0') +
                     avi::LE32(0xFFFFFFFFu) + "00dc" + std::string(12, '\0') + avi::LE64(0x7FFFFFFFFFull) +
                     avi::LE32(100) + avi::LE32(0);
  std::string strl2 =
      avi::List("strl", avi::Strh("vids", "XVID", 1, 25, 1, 0) + avi::Chunk("strf", avi::BitmapInfo("XVID")));
  strl2 =
      strl2.substr(0, 4) + avi::LE32(static_cast<uint32_t>(strl2.size() - 8 + indx.size())) + strl2.substr(8) + indx;
  std::string hdrl = avi::List("hdrl", avi::Avih(40000, 1, 1) + strl2);
  Parsed q("RIFF" + avi::LE32(static_cast<uint32_t>(hdrl.size() + 4)) + "AVI " + hdrl);
  ASSERT_EQ(q.parser->StreamCount(), 1);
  EXPECT_TRUE(q.parser->Stream(0).indexChunks.empty());
  EXPECT_EQ(q.parser->Stream(0).FormatSize(), 40u);
}

TEST(AVIParser, InfoTagsAreRead) {
  std::string strl =
      avi::List("strl", avi::Strh("vids", "XVID", 1, 25, 1, 0) + avi::Chunk("strf", avi::BitmapInfo("XVID")));
  std::string info = avi::List("INFO", avi::Chunk("INAM", "A title") + avi::Chunk("IART", "Someone"));
  std::string body =
      avi::List("hdrl", avi::Avih(40000, 1, 1) + strl) + info + avi::List("movi", avi::Chunk("00dc", "f"));
  Parsed p(avi::Riff("AVI ", body));
  ASSERT_EQ(p.parser->Tags().size(), 2u);
  EXPECT_EQ(p.parser->Tags()[0].id, "INAM");
  EXPECT_EQ(p.parser->Tags()[0].data, "A title");
  EXPECT_EQ(p.parser->Tags()[1].data, "Someone");
  EXPECT_EQ(p.parser->Stream(0).entries.size(), 1u) << "built from the movie list";
}

TEST(AVIParser, NotAnAVIFileGivesNothing) {
  Parsed p("RIFF" + avi::LE32(100) + "WAVE" + Bytes(100, 0));
  EXPECT_FALSE(p.parser->IsRIFFAVI());
  EXPECT_FALSE(p.parser->IsTruncated());
  EXPECT_EQ(p.parser->StreamCount(), 0);
  EXPECT_TRUE(p.parser->Index().empty());
  Parsed tiny("RIF");
  EXPECT_FALSE(tiny.parser->IsRIFFAVI());
}

TEST(AVIParser, TheBuiltIndexStopsAtItsCap) {
  // Ten video and ten audio chunks, interleaved, without an index; the cap lets seven in.
  Parsed p(avi::File(40000, 10, {Video(1, 25, 10), Audio(1152, 44100, 10, 0)}, Interleaved(), avi::IndexBase::None),
           false);
  p.parser->SetBuiltIndexCap(7);
  p.parser->LoadIndex(true);
  EXPECT_EQ(p.parser->Index().size(), 7u);
  EXPECT_EQ(p.parser->Stream(0).entries.size(), 4u);
  EXPECT_EQ(p.parser->Stream(1).entries.size(), 3u);
}

TEST(MediaData, VideoAndAudioSamplesGetTheirTimes) {
  // CBR MP3 with sample size 1 and rate = bytes per second: times from byte positions.
  std::vector<avi::Sample> s;
  for (int i = 0; i < 4; ++i) {
    s.push_back({"00dc", Bytes(10, 'v'), i == 0});
    s.push_back({"01wb", Bytes(4000, 'a'), true});
  }
  Parsed p(avi::File(40000, 4, {Video(1, 25, 4), Audio(1, 16000, 16000, 1)}, s));
  TAVIData video(*p.parser, 0), audio(*p.parser, 1);
  ASSERT_EQ(video.GetSampleCount(), 4);
  EXPECT_EQ(video.GetSample(2).start, 800'000);
  EXPECT_EQ(video.GetSample(2).stop, 1'200'000);
  EXPECT_EQ(video.GetSample(2).mediaStart, 2);
  EXPECT_TRUE(video.GetSample(0).keyFrame);
  EXPECT_FALSE(video.GetSample(1).keyFrame);
  ASSERT_EQ(audio.GetSampleCount(), 4);
  EXPECT_EQ(audio.GetSample(1).mediaStart, 4000);
  EXPECT_EQ(audio.GetSample(1).start, 2'500'000) << "4000 bytes at 16000 bytes/s";
  EXPECT_EQ(audio.GetSample(3).stop, 10'000'000);
  EXPECT_EQ(audio.GetMaxSampleSize(), 4000);
  EXPECT_EQ(audio.GetSample(9).size, 0u);
  EXPECT_EQ(video.GetName(), "Stream 00 (vids:XVID)");
  EXPECT_EQ(audio.GetName(), "Stream 01 (auds:0055)");
  std::optional<TStreamType> vt = video.GetMediaType();
  ASSERT_TRUE(vt);
  EXPECT_EQ(vt->formatType, TStreamType::Format::VideoInfo);
  EXPECT_EQ(vt->formatBlock.size(), 48u + 40u);
  EXPECT_EQ(vt->avgTimePerFrame, 400'000);
  EXPECT_TRUE(vt->temporalCompression);
  std::optional<TStreamType> at = audio.GetMediaType();
  ASSERT_TRUE(at);
  EXPECT_EQ(at->subtype, 0x55u);
  EXPECT_TRUE(at->fixedSizeSamples);
  EXPECT_EQ(at->sampleSize, 1u);
}

TEST(MediaData, AudioWithoutASampleSizeIsTimedOneChunkPerSample) {
  // VBR MP3 as both common muxers write it: scale 1152, rate 44100, sample size 0.
  std::vector<avi::Sample> s;
  for (int i = 0; i < 5; ++i)
    s.push_back({"00wb", Bytes(300 + 50 * i, 'a'), false});
  Parsed p(avi::File(40000, 0, {Audio(1152, 44100, 5, 0)}, s));
  TAVIData audio(*p.parser, 0);
  ASSERT_EQ(audio.GetSampleCount(), 5);
  EXPECT_EQ(audio.GetSample(3).mediaStart, 3);
  EXPECT_EQ(audio.GetSample(3).start, 783'673); // 3 x 1152 samples at 44.1 kHz, in 100 ns
  EXPECT_TRUE(audio.GetSample(3).keyFrame) << "audio chunks are key frames";
}

TEST(MediaData, JoinedPartsFollowEachOtherOnOneTimeLine) {
  // Part 1: 10 frames of video and audio; part 2: video only; part 3: both again.
  auto part = [](bool withAudio) {
    std::vector<avi::Sample> s;
    for (int i = 0; i < 10; ++i) {
      s.push_back({"00dc", Bytes(20, 'v'), i % 5 == 0});
      if (withAudio)
        s.push_back({"01wb", Bytes(1600, 'a'), true});
    }
    std::vector<avi::Stream> streams{Video(1, 25, 10)};
    if (withAudio)
      streams.push_back(Audio(1, 4000, 16000, 1));
    return avi::File(40000, 10, streams, s);
  };
  Parsed p1(part(true)), p2(part(false)), p3(part(true));
  TMultiAVIData video, audio;
  for (Parsed* p : {&p1, &p2, &p3}) {
    video.AddAVIStream(std::make_unique<TAVIData>(*p->parser, 0));
    audio.AddAVIStream(std::make_unique<TAVIData>(*p->parser, 1));
  }
  EXPECT_EQ(video.GetDuration(), 3 * 4'000'000);
  EXPECT_EQ(video.GetSampleCount(), 30);
  EXPECT_EQ(audio.GetSampleCount(), 20);
  EXPECT_EQ(video.GetSample(10).start, 4'000'000) << "part 2 starts where part 1 ends";
  EXPECT_EQ(video.GetSample(20).start, 8'000'000);
  EXPECT_EQ(video.GetSample(20).mediaStart, 20);
  EXPECT_EQ(audio.GetSample(10).start, 8'000'000) << "a part without audio still moves the audio on";
  EXPECT_EQ(audio.GetSample(30).size, 0u);
  std::string buf(2000, '\0');
  EXPECT_EQ(audio.ReadSample(19, buf.data()), 1600);
  EXPECT_EQ(audio.ReadSample(20, buf.data()), 0);
  EXPECT_EQ(video.GetName(), "Stream 00 (vids:XVID)");
  TMultiAVIData none;
  EXPECT_EQ(none.GetName(), "Empty");
  EXPECT_FALSE(none.GetMediaType());
  EXPECT_EQ(none.GetMaxSampleSize(), 1);
  TMediaData plain;
  EXPECT_EQ(plain.GetName(), "Dummy");
  EXPECT_EQ(plain.GetMaxSampleSize(), 1);
}

TEST(AVIParser, AFourGigabyteOpenDMLFileIndexesWhole) {
  zvtest::TempDir dir;
  struct statvfs fsInfo {};
  ASSERT_EQ(::statvfs(dir.str().c_str(), &fsInfo), 0);
  std::string path = dir.file("big.avi");
  // 1100 frames of 4 MiB, in RIFF chunks of at most 1 GiB: about 4.3 GB, nearly all holes.
  const uint32_t frames = 1100, frameSize = 4u << 20;
  ASSERT_TRUE(zvtest::avi::WriteOpenDML(path, frames, frameSize, 1ull << 30));
  TCachedFile file(path);
  ASSERT_GT(file.FileSize(), 4'000'000'000LL);
  TAVIParser parser(file);
  parser.Parse();
  parser.LoadIndex(true);
  EXPECT_TRUE(parser.OpenDMLIndex());
  EXPECT_EQ(parser.TotalFrames(), frames);
  EXPECT_EQ(parser.Duration(), 40000LL * 10 * frames);
  ASSERT_EQ(parser.Stream(0).entries.size(), frames);
  EXPECT_TRUE(parser.GetIndexEntry(0, 1090).KeyFrame());
  EXPECT_FALSE(parser.GetIndexEntry(0, 1091).KeyFrame());
  EXPECT_EQ(parser.GetIndexEntry(0, 1099).size, frameSize);
  std::string buf(frameSize, '\0');
  for (int64_t n : {0, 255, 256, 700, 1099}) {
    ASSERT_EQ(parser.ReadSample(0, n, buf.data()), frameSize);
    EXPECT_EQ(buf.substr(0, 10).c_str(), "frame" + std::to_string(n));
  }
  EXPECT_GT(parser.GetIndexEntry(0, 1099).Offset(), 4'000'000'000LL);

  // Without its OpenDML indexes (only a movie walk), the extension lists still give every frame.
  TCachedFile again(path);
  TAVIParser walker(again);
  walker.Parse();
  walker.BuildIndex();
  EXPECT_EQ(walker.Stream(0).entries.size(), frames);
}

// Every file the fuzzer keeps (seeds and the inputs that once broke the reader) is read whole:
// under the sanitizer build this replays them on every run.
TEST(AVIParser, EveryFuzzCorpusFileIsReadSafely) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(ZV_FUZZ_CORPUS) + "/avi")) {
    SCOPED_TRACE(entry.path().string());
    TCachedFile file(entry.path().string()), second(entry.path().string());
    TAVIParser parser(file), part(second);
    parser.Parse();
    parser.LoadIndex(true);
    part.Parse();
    part.LoadIndex(false);
    int64_t size = file.FileSize();
    for (int s = 0; s < parser.StreamCount(); ++s) {
      TMultiAVIData joined;
      joined.AddAVIStream(std::make_unique<TAVIData>(parser, s));
      joined.AddAVIStream(std::make_unique<TAVIData>(part, s));
      EXPECT_LE(joined.GetMaxSampleSize(), std::max<int64_t>(size, 1));
      std::vector<uint8_t> buffer(static_cast<size_t>(joined.GetMaxSampleSize()));
      for (int64_t i = 0; i < joined.GetSampleCount() && i < 32; ++i)
        EXPECT_LE(joined.ReadSample(i, buffer.data()), static_cast<int64_t>(joined.GetSample(i).size));
      EXPECT_GE(joined.GetDuration(), 0);
    }
    EXPECT_GE(parser.Duration(), 0);
    ++files;
  }
  EXPECT_GE(files, 8);
}
