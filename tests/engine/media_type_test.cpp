#include "playback/engine/gst_media_type.h"

#include <gtest/gtest.h>

using namespace eng;

namespace {
TMediaType FromText(const char* caps) {
  gst_init(nullptr, nullptr);
  GstCaps* c = gst_caps_from_string(caps);
  TMediaType mt = MediaTypeFromCaps(c);
  gst_caps_unref(c);
  return mt;
}
} // namespace

TEST(MediaType, VideoCapsGiveFourCCsAndAVideoInfoHeader) {
  TMediaType mt =
      FromText("video/x-divx, divxversion=(int)5, width=(int)640, height=(int)352, framerate=(fraction)25/1");
  EXPECT_TRUE(mt.IsVideo());
  EXPECT_EQ(FourCCText(mt.SubtypeFourCC()), "DX50");
  TVideoInfo vi = mt.VideoInfo();
  EXPECT_EQ(vi.width, 640);
  EXPECT_EQ(vi.height, 352);
  EXPECT_EQ(vi.avgTimePerFrame, 400'000);
  EXPECT_EQ(FourCCText(vi.compression), "DX50");
  EXPECT_EQ(FourCCText(FromText("video/x-avi-unknown, fourcc=(int)1145258561").SubtypeFourCC()), "ABCD");
  EXPECT_EQ(FourCCText(FromText("video/x-xvid").SubtypeFourCC()), "XVID");
  EXPECT_EQ(FourCCText(FromText("image/jpeg").SubtypeFourCC()), "MJPG");
  EXPECT_EQ(FromText("video/x-raw, format=(string)BGRx").subtype, guids::MEDIASUBTYPE_RGB32);
  EXPECT_EQ(FourCCText(FromText("video/x-raw, format=(string)I420").SubtypeFourCC()), "IYUV");
  EXPECT_EQ(FromText("video/x-raw, framerate=(fraction)30000/1001").VideoInfo().avgTimePerFrame, 333'666);
}

TEST(MediaType, AudioCapsGiveWaveTags) {
  TMediaType mp3 = FromText("audio/mpeg, mpegversion=(int)1, layer=(int)3, rate=(int)44100, channels=(int)2");
  EXPECT_TRUE(mp3.IsAudio());
  EXPECT_EQ(mp3.WaveFormat().formatTag, 0x0055);
  EXPECT_EQ(mp3.WaveFormat().samplesPerSec, 44100u);
  EXPECT_EQ(mp3.WaveFormat().channels, 2);
  EXPECT_EQ(FromText("audio/mpeg, mpegversion=(int)1, layer=(int)2").subtype, guids::MEDIASUBTYPE_MPEG1Audio);
  EXPECT_EQ(FromText("audio/mpeg, mpegversion=(int)4").WaveFormat().formatTag, 0x00FF);
  EXPECT_EQ(FromText("audio/x-ac3").WaveFormat().formatTag, 0x2000);
  EXPECT_EQ(FromText("audio/x-avi-unknown, codec_id=(int)4660").WaveFormat().formatTag, 0x1234);
  EXPECT_EQ(FromText("audio/x-vorbis").subtype, guids::MEDIASUBTYPE_Vorbis);
  TMediaType pcm = FromText("audio/x-raw, format=(string)S16LE, rate=(int)48000, channels=(int)2");
  EXPECT_EQ(pcm.WaveFormat().formatTag, 1);
  EXPECT_EQ(pcm.WaveFormat().blockAlign, 4);
  EXPECT_EQ(pcm.WaveFormat().avgBytesPerSec, 192000u);
}

TEST(MediaType, GuidsPrintParseAndDeriveFromNames) {
  auto g = TGuid::Parse("{e436ebb5-524f-11ce-9f53-0020af0ba770}");
  ASSERT_TRUE(g);
  EXPECT_EQ(g->ToString(), "{E436EBB5-524F-11CE-9F53-0020AF0BA770}");
  EXPECT_FALSE(TGuid::Parse("{E436EBB5-524F-11CE-9F53}"));
  EXPECT_FALSE(TGuid::Parse("not a guid at all, but 38 characters"));
  EXPECT_EQ(TGuid::FromFourCC(MakeFourCC('X', 'V', 'I', 'D')).ToString(), "{44495658-0000-0010-8000-00AA00389B71}");
  EXPECT_EQ(TGuid::FromName("gst:avdec_h264"), TGuid::FromName("gst:avdec_h264"));
  EXPECT_NE(TGuid::FromName("gst:avdec_h264"), TGuid::FromName("gst:avdec_h265"));
  EXPECT_FALSE(TGuid::FromName("x").IsFourCCBased());
  EXPECT_EQ(EventName(1), "EC_COMPLETE");
  EXPECT_EQ(EventName(31), "EC_DEVICE_LOST");
  EXPECT_EQ(EventName(283), "EC_DVD_KARAOKE_MODE");
  EXPECT_EQ(EventName(15), "EC:0x0000000F");
  EXPECT_EQ(EventName(1000), "EC:0x000003E8");
}
