#pragma once

#include "core/text_util.h"
#include "filters/cached_file.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zv {

struct TVideoStream {
  int64_t Duration = 0; // 100 ns
  int32_t Width = 0, Height = 0;
  double FrameRate = 0;
  uint32_t FourCC = 0;
};

struct TAudioStream {
  int64_t Duration = 0; // 100 ns
  uint32_t SampleRate = 0;
  // A channel count; for MPEG audio files the channel mode (0 stereo, 1 joint stereo, 2 dual
  // channel, 3 mono, 4 unknown), for AC3 the channel-layout code, for Musepack its mode.
  uint32_t Channels = 0;
  uint32_t BitRate = 0; // kbit/s
  uint16_t FormatTag = 0;
  // Whether `Channels` holds an MPEG channel mode (streams of MPEG audio files) instead of a count.
  bool ChannelMode = false;
  // Where the stream tells (AAC): 0 unknown, 1 constant, 2 variable bit rate.
  int BitRateKind = 0;
};

struct TUnknownStream {
  int64_t Duration = 0;
  std::string Type; // the stream's kind, as the detector names it
};

struct TFileInfo {
  std::string FileName;
  std::string FileFormat = "N/A";
  int64_t Size = 0;
  int64_t Duration = 0; // 100 ns
  std::string Artist, Title;
  std::string Album; // from the tags that name one; not part of the reports
  std::vector<TVideoStream> Video;
  std::vector<TAudioStream> Audio;
  std::vector<TUnknownStream> Unknown;
  std::vector<std::string> Comments;
};

// What the platform's media detector found in a file (GStreamer's discoverer in the program,
// a fake in tests).
struct TDetectedStream {
  enum class Kind { Video, Audio, Other } kind = Kind::Other;
  double length = 0; // seconds
  int32_t width = 0, height = 0;
  double frameRate = 0;
  uint32_t fourcc = 0;
  uint16_t formatTag = 0;
  uint32_t channels = 0, sampleRate = 0, bitRate = 0; // bit rate in kbit/s
  std::string type;                                   // for other streams
  std::string title, artist, album;                   // tags the detector read
};

class IMediaDetector {
public:
  virtual ~IMediaDetector() = default;
  // False when there is no detector or it cannot read the file at all.
  virtual bool Detect(const std::string& fileName, std::vector<TDetectedStream>& streams) = 0;
};

// What the media information asks of the rest of the program, all optional.
// The format name of a playing network stream.
inline constexpr const char* kNetworkStreamFormat = "ShoutCast Stream";

// What a playing network stream tells of itself in its headers and metadata.
struct TNetStreamInfo {
  std::string title;       // the stream title of the metadata
  std::string stationName; // icy-name
  std::string genre;       // icy-genre
  std::string stationUrl;  // icy-url
  std::string bitRate;     // icy-br, kbit/s
};

struct TMediaInfoContext {
  IMediaDetector* detector = nullptr;
  // Whether the detector may be asked about a stream's address (it connects to the station).
  bool contactStreams = false;
  // The texts of the network stream that is playing, when it is this name and the playlist's
  // current entry; nothing otherwise.
  std::function<std::optional<TNetStreamInfo>(const std::string& fileName)> networkStream;
  // The engine's duration (100 ns) of the file that is playing, 0 when it is not that file.
  std::function<int64_t(const std::string& fileName)> playingDuration;
  // The playlist's size and current index (-1: none), for "{COUNT}" and "{CURRENT}".
  std::function<int()> playlistCount;
  std::function<int()> playlistCurrent;
};

// Tells what a media file is and what it holds, and writes that as the information report, the
// playlist report's placeholders and the OSD information text.
class TMediaInfo {
public:
  TMediaInfo(TCachedFile& file, TMediaInfoContext context = {});

  void RetreiveInfo();
  std::string GetFileFormat();
  std::string GetInfoText() const;
  // The report's placeholders ("%Title%" ...), replaced in one pass over the template, any case;
  // with `html` the values are HTML-escaped.
  std::string ReplaceTAGs(const std::string& templ, bool html = false) const;
  std::string ReplaceOSDTags(const std::string& templ) const;
  std::string CodecsText() const;
  bool UseMediaDet();
  // Whether the last RetreiveInfo needed the media detector for the file and had none.
  bool WantedDetector() const { return wantedDetector_; }
  void AddComment(const std::string& name, const std::string& value);

  static int64_t BigFileSize(const std::string& fileName);

  TFileInfo& Info() { return info_; }
  const TFileInfo& Info() const { return info_; }

  // The playlist report's totals, to which every ReplaceTAGs with "%Size%" or "%VideoDuration%"
  // adds (the report resets them).
  static int64_t& ReportSizeTotal();
  static int64_t& ReportDurationTotal();

private:
  bool FillNetworkStream();
  void FillAVI();
  void FillMP3();
  void FillWAV();
  void FillCDA();
  void FillOgg();
  void FillAPE();
  void FillAAC();
  void FillAC3();
  void FillFLAC();
  void FillMPC();
  // Title and artist from the tags present, later ones over earlier ones, with their comments.
  void TakeTags(const class vtID3v1Tag& v1, const class vtID3v2Tag& v2, const class vtAPETag& ape, const char* suffix);
  int64_t EngineDuration() const;
  void DefaultArtistTitle();
  enum class TWords { Report, Tags, OSD };
  std::string ChannelWords(const TAudioStream& a, TWords kind) const;
  std::string BitRateText(const TAudioStream& a) const;

  std::string fileName_;
  TCachedFile& file_;
  TMediaInfoContext context_;
  bool wantedDetector_ = false;
  TFileInfo info_;
};

// The information message of the on-screen display for a file. With its media information the
// template's placeholders are filled, then "{TIME}" (clock hours and minutes), "{FILENAME}" (name
// part), "{POSITION}" and "{REMAINS}" (duration - position), in any case; position and duration
// the engine could not tell leave their two placeholders. Without media information the text is
// the name part. A network stream's title, when it has one, is the text instead.
struct TFileInfoMessage {
  std::string templ;
  const TMediaInfo* info = nullptr;
  std::string fileName;
  std::optional<int64_t> position, duration; // 100 ns
  int hour = 0, minute = 0;
  std::string streamTitle;
};
std::string FileInfoMessage(const TFileInfoMessage& m);

// The texts shared by the reports.
// "1.00 KB", with the user's decimal separator unless another is given.
std::string SizeText(int64_t bytes, const std::string& decimalSeparator = UserDecimalSeparator());
std::string DurationText(int64_t duration);
std::string DurationClock(int64_t duration);
std::string AspectRatio(int32_t width, int32_t height);
std::string FourCCText(uint32_t code);

} // namespace zv
