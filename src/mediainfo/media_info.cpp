#include "mediainfo/media_info.h"

#include "core/byte_order.h"
#include "core/format.h"
#include "core/session_log.h"
#include "core/system_helper.h"
#include "core/text_util.h"
#include "filters/avi_parser.h"
#include "mediainfo/codec_names.h"
#include "mediainfo/mpeg_audio.h"
#include "mediainfo/riff_info.h"
#include "mediainfo/stream_info.h"
#include "skin/language_manager.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace zv {
namespace fs = std::filesystem;

namespace {

std::string L(std::string_view key) { return Lang(key); }

int64_t SecondsTo100ns(double s) { return static_cast<int64_t>(std::llround(s * 10'000'000.0)); }

bool Blank(std::string_view s) { return Trim(s).empty(); }

// A number inside a buffer that may be too short for it: 0 then.
uint32_t LE32At(const std::vector<uint8_t>& v, size_t at) { return at + 4 <= v.size() ? LE32(v.data() + at) : 0; }

// A reader's bit rate as kbit/s; anything but a positive number of sensible size is unknown (0).
uint32_t KBits(double kbps) { return kbps > 0 && kbps < 1e7 ? static_cast<uint32_t>(std::lround(kbps)) : 0; }

uint16_t LE16At(const std::vector<uint8_t>& v, size_t at) { return at + 2 <= v.size() ? LE16(v.data() + at) : 0; }

// Replaces each placeholder of `values` found in `templ`, in one pass from left to right, so a
// value that holds a placeholder's text stays as it is. Names compare without regard to case.
std::string ReplaceOnce(const std::string& templ,
                        const std::vector<std::pair<std::string, std::function<std::string()>>>& values) {
  std::string out;
  size_t i = 0;
  while (i < templ.size()) {
    bool replaced = false;
    for (const auto& [name, value] : values) {
      if (templ.size() - i >= name.size() && SameText(std::string_view(templ).substr(i, name.size()), name)) {
        out += value();
        i += name.size();
        replaced = true;
        break;
      }
    }
    if (!replaced)
      out += templ[i++];
  }
  return out;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Texts

std::string SizeText(int64_t bytes, const std::string& decimalSeparator) {
  auto twoPlaces = [&](double v, const char* unit) {
    return ReplaceAll(Format("%.2f ", v), ".", decimalSeparator) + unit;
  };
  if (bytes / (int64_t(1) << 30) > 0)
    return twoPlaces(static_cast<double>(bytes) / (1 << 30), "GB");
  if (bytes / (int64_t(1) << 20) > 0)
    return twoPlaces(static_cast<double>(bytes) / (1 << 20), "MB");
  if (bytes / 1024 > 0)
    return twoPlaces(static_cast<double>(bytes) / 1024, "KB");
  return Format("%d Byte(s)", bytes);
}

std::string FileInfoMessage(const TFileInfoMessage& m) {
  if (!m.streamTitle.empty())
    return m.streamTitle;
  std::string name = fs::path(m.fileName).filename().string();
  if (!m.info)
    return name;
  std::string text = m.info->ReplaceOSDTags(m.templ);
  text = ReplaceAll(text, "{TIME}", Format("%.2d:%.2d", m.hour, m.minute), true);
  text = ReplaceAll(text, "{FILENAME}", name, true);
  if (m.position && m.duration) {
    text = ReplaceAll(text, "{POSITION}", FormatTime("{H}:{M}:{S}", *m.position), true);
    text = ReplaceAll(text, "{REMAINS}", FormatTime("{H}:{M}:{S}", *m.duration - *m.position), true);
  }
  return text;
}

std::string DurationText(int64_t duration) {
  double s = static_cast<double>(duration) / 10'000'000.0;
  int64_t t = static_cast<int64_t>(s);
  std::string out;
  if (s >= 3600)
    out += Format("%d ", t / 3600) + L("Info.Hour") + " ";
  if (s >= 60)
    out += Format("%d ", (t / 60) % 60) + L("Info.Min") + " ";
  out += Format("%d " + L("Info.Sec"), t % 60);
  return out;
}

std::string DurationClock(int64_t duration) {
  double s = static_cast<double>(duration) / 10'000'000.0;
  int64_t t = static_cast<int64_t>(s);
  return Format("%d:%.2d:%.2d.%.3d", t / 3600, (t / 60) % 60, t % 60, static_cast<int64_t>(s * 1000) % 1000);
}

std::string AspectRatio(int32_t width, int32_t height) {
  if (width == 0 || height == 0)
    return "N/A";
  for (int i = 2; i <= 1023; ++i)
    while (width % i == 0 && height % i == 0) {
      width /= i;
      height /= i;
    }
  return Format("%d:%d", width, height);
}

std::string FourCCText(uint32_t code) {
  if (code == 0)
    return "0x00000000";
  std::string s(4, '?');
  for (int i = 0; i < 4; ++i) {
    char c = static_cast<char>((code >> (8 * i)) & 0xFF);
    s[i] = static_cast<unsigned char>(c) < 32 ? '?' : c;
  }
  return s;
}

// ---------------------------------------------------------------------------------------------
// TMediaInfo

TMediaInfo::TMediaInfo(TCachedFile& file, TMediaInfoContext context)
    : fileName_(file.FileName()), file_(file), context_(std::move(context)) {
  Log("+TMediaInfo.Create(CFile:TCachedFile)");
  Log("-TMediaInfo.Create(CFile:TCachedFile)");
}

int64_t& TMediaInfo::ReportSizeTotal() {
  static int64_t total = 0;
  return total;
}

int64_t& TMediaInfo::ReportDurationTotal() {
  static int64_t total = 0;
  return total;
}

int64_t TMediaInfo::BigFileSize(const std::string& fileName) {
  Log("+TMediaInfo.BigFileSize");
  int64_t size = 0;
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0)
    Log("!CreateFile");
  else if (S_ISREG(st.st_mode))
    size = static_cast<int64_t>(st.st_size);
  Log(Format("-TMediaInfo.BigFileSize(%d)", size));
  return size;
}

void TMediaInfo::AddComment(const std::string& name, const std::string& value) {
  info_.Comments.push_back((name.empty() ? L("Info.Comment") : name) + ": " + value);
}

std::string TMediaInfo::GetFileFormat() {
  std::vector<uint8_t> head(1088, 0);
  int64_t got = file_.Read(head.data(), static_cast<int64_t>(head.size()), 0);
  if (got < 0)
    got = 0;
  head.resize(static_cast<size_t>(got));
  auto at = [&](size_t n, const char* text) {
    size_t len = std::strlen(text);
    return n + len <= head.size() && std::memcmp(head.data() + n, text, len) == 0;
  };
  auto byte = [&](size_t n) -> int { return n < head.size() ? head[n] : -1; };
  // The readers' header tests run on the bytes read once here.
  if (vtAC3::IsSync(head.data(), head.size()) && head.size() >= 7)
    return "AC3";
  std::string result = "Unknown";
  if (at(0, "RIFF") && at(8, "AVI "))
    result = "AVI";
  if (vtWAV::IsWave(head.data(), head.size()))
    return "WAV";
  if (at(0, "FORM") && at(8, "AIFF"))
    result = "AIFF";
  if (at(0, "FORM") && at(8, "AIFC"))
    result = "AIFC";
  if (at(0, ".snd"))
    result = "AU";
  if (byte(0) == 0 && byte(1) == 0 && byte(2) == 1 && byte(3) == 0xBA && (byte(4) & 0xF1) == 0x21 && (byte(6) & 1) &&
      (byte(8) & 1) && (byte(9) & 0x80) && (byte(11) & 1) && byte(12) == 0 && byte(13) == 0 && byte(14) == 1 &&
      byte(15) == 0xBB)
    result = "MPEG1.System";
  if (byte(0) == 0 && byte(1) == 0 && byte(2) == 1 && byte(3) == 0xB3)
    result = "MPEG1.Video";
  if (at(0, "FLV"))
    result = "FLV";
  if (at(0, "RIFF") && at(8, "CDXA") && at(12, "fmt ") && at(36, "data") && byte(44) == 0 && byte(55) == 0 &&
      std::all_of(head.begin() + std::min<size_t>(45, head.size()), head.begin() + std::min<size_t>(55, head.size()),
                  [](uint8_t b) { return b == 0xFF; }) &&
      head.size() >= 56)
    result = "MPEG1.VideoCD";
  if (at(4, "moov") || at(4, "mdat"))
    result = "QuickTime.Movie";
  if (byte(0) == 0 && byte(1) == 0 && byte(2) == 1 && byte(3) == 0xBA && byte(4) >= 0x40)
    result = "MPEG2.Program";
  uint32_t first = LE32At(head, 0);
  if (first == 0x75B22630u || first == 0xD6E229D1u)
    result = "ASF";
  if (at(0, "MP+"))
    return "MPC";
  if (at(0, "fLaC"))
    return "FLAC";
  // Matroska and WebM: the EBML magic and a document type naming either.
  if (at(8, "matroska") || (byte(0) == 0x1A && byte(1) == 0x45 && byte(2) == 0xDF && byte(3) == 0xA3 &&
                            (std::search(head.begin(), head.begin() + std::min<size_t>(64, head.size()), "matroska",
                                         "matroska" + 8) != head.begin() + std::min<size_t>(64, head.size()) ||
                             std::search(head.begin(), head.begin() + std::min<size_t>(64, head.size()), "webm",
                                         "webm" + 4) != head.begin() + std::min<size_t>(64, head.size()))))
    return "Matroska";
  int64_t size = info_.Size > 0 ? info_.Size : file_.FileSize();
  uint32_t tagSize = vtID3v2Tag::SizeFromHeader(head.data(), head.size(), size);
  int64_t start = tagSize > 0 && tagSize < size ? tagSize : 0;
  uint8_t second = 0;
  if (file_.Read(&second, 1, start + 1) == 1 && (second == 0xFA || second == 0xFB || second == 0xFE || second == 0xF3))
    return "MP3";
  // AAC streams: an ADIF header, or ADTS frames (the sync of MPEG audio with layer bits 00).
  uint8_t aac[4] = {};
  if (file_.Read(aac, 4, start) == 4 &&
      (std::memcmp(aac, "ADIF", 4) == 0 || (aac[0] == 0xFF && (aac[1] & 0xF6) == 0xF0)))
    return "AAC";
  if (at(0, "MAC"))
    return "APE";
  if (at(4, "ftyp"))
    return "MP4";
  if (at(8, "CDDA")) {
    info_.Duration = SecondsTo100ns(byte(42) * 60 + byte(41));
    return "CDA";
  }
  if (at(0, "OggS") && at(29, "vorbis"))
    return "OGG";
  if (at(0, "OggS") && at(29, "video"))
    return "OGM";
  if (at(0, ".RMF"))
    result = "RealMedia";
  if (at(0, "Exte") && at(4, "nded"))
    result = "XM";
  if (at(44, "SCRM"))
    result = "S3M";
  if (at(1080, "M.K."))
    result = "MOD";
  if (at(0, "MThd"))
    result = "MIDI";
  return result;
}

void TMediaInfo::DefaultArtistTitle() {
  // "Artist - Title.mp3" gives both; any other name is the title.
  std::string stem = fs::path(fileName_).stem().string();
  size_t dash = stem.find(" - ");
  if (dash != std::string::npos && !Blank(stem.substr(0, dash)) && !Blank(stem.substr(dash + 3))) {
    info_.Artist = std::string(Trim(stem.substr(0, dash)));
    info_.Title = std::string(Trim(stem.substr(dash + 3)));
  } else {
    info_.Artist.clear();
    info_.Title = stem;
  }
}

void TMediaInfo::RetreiveInfo() {
  TLogScope scope("TMediaInfo.RetreiveInfo");
  info_ = TFileInfo{};
  wantedDetector_ = false;
  info_.FileName = fileName_;
  // An address is never read as a local path (one named like it may exist): a stream tells what
  // it is once it plays (the network-stream fill), its format stays unknown until then.
  bool stream = IsStreamName(fileName_);
  if (!stream)
    info_.Size = BigFileSize(fileName_);
  DefaultArtistTitle();
  if (!stream)
    info_.FileFormat = GetFileFormat();
  bool handled = true;
  const std::string& f = info_.FileFormat;
  if (f == "AVI") {
    handled = false;
    FillAVI();
    handled = !info_.Video.empty() || !info_.Audio.empty() || info_.Duration > 0;
  } else if (f == "MP3") {
    FillMP3();
  } else if (f == "WAV") {
    FillWAV();
  } else if (f == "CDA") {
    FillCDA();
  } else if (f == "MPC") {
    FillMPC();
  } else if (f == "AAC") {
    FillAAC();
  } else if (f == "AC3") {
    FillAC3();
  } else if (f == "APE") {
    FillAPE();
  } else if (f == "FLAC") {
    FillFLAC();
  } else if (f == "OGG" || f == "OGM") {
    FillOgg();
  } else {
    handled = false;
  }
  if (FillNetworkStream())
    handled = true;
  if (!handled && !UseMediaDet())
    AddComment("", "Not identified");
  for (const auto& v : info_.Video)
    info_.Duration = std::max(info_.Duration, v.Duration);
  for (const auto& a : info_.Audio)
    info_.Duration = std::max(info_.Duration, a.Duration);
  for (const auto& u : info_.Unknown)
    info_.Duration = std::max(info_.Duration, u.Duration);
}

bool TMediaInfo::FillNetworkStream() {
  std::optional<TNetStreamInfo> stream =
      context_.networkStream ? context_.networkStream(fileName_) : std::optional<TNetStreamInfo>();
  if (!stream)
    return false;
  info_.Title = stream->title;
  info_.FileFormat = kNetworkStreamFormat;
  AddComment("Site", stream->stationUrl);
  AddComment("Server", stream->stationName);
  AddComment("Genre", stream->genre);
  AddComment("Bitrate", stream->bitRate + " " + L("Info.KBitPerSec"));
  return true;
}

void TMediaInfo::FillAVI() {
  TAVIParser parser(file_);
  if (!parser.IsRIFFAVI())
    return;
  parser.Parse();
  if (parser.IsTruncated())
    AddComment("", "Broken file");
  info_.Duration = parser.Duration();
  for (int s = 0; s < parser.StreamCount(); ++s) {
    const TAVIStream& st = parser.Stream(s);
    // A short format chunk gives zeros.
    std::vector<uint8_t> fmt(st.FormatData(), st.FormatData() + st.FormatSize());
    if (parser.IsVideoStream(s)) {
      TVideoStream v;
      v.Duration = parser.StreamDuration(s);
      v.Width = static_cast<int32_t>(LE32At(fmt, 4));
      v.Height = std::abs(static_cast<int32_t>(LE32At(fmt, 8))); // negative: a top-down picture
      v.FrameRate = parser.StreamRate(s);
      v.FourCC = LE32At(fmt, 16);
      info_.Video.push_back(v);
    } else if (parser.IsAudioStream(s)) {
      TAudioStream a;
      a.Duration = parser.StreamDuration(s);
      a.FormatTag = LE16At(fmt, 0);
      a.Channels = LE16At(fmt, 2);
      a.SampleRate = LE32At(fmt, 4);
      a.BitRate = static_cast<uint32_t>(static_cast<uint64_t>(LE32At(fmt, 8)) * 8 / 1000);
      info_.Audio.push_back(a);
    }
  }
  // The information list, once (not once per video stream, which repeated every comment).
  if (!info_.Video.empty()) {
    vtAVITag tag(fileName_);
    if (!Blank(tag.Title()))
      info_.Title = tag.Title();
    for (int i = 1; i < vtAVITag::kFields; ++i)
      if (*vtAVITag::kNames[i] && !tag.Fields[i].empty())
        AddComment(vtAVITag::kNames[i], tag.Fields[i]);
  }
  for (const TAVITag& t : parser.Tags())
    if (t.id == "IART" && !Blank(t.data))
      info_.Artist = std::string(Trim(std::string_view(t.data.c_str())));
}

void TMediaInfo::FillMP3() {
  vtMPEGAudioTag mpeg(fileName_);
  TAudioStream a;
  a.FormatTag = mpeg.Layer.find("Layer III") != std::string::npos ? 0x0055 : 0x0050;
  a.Duration = static_cast<int64_t>(mpeg.Duration) * 10'000;
  if (a.Duration == 0)
    a.Duration = EngineDuration();
  a.BitRate = mpeg.BitRate;
  a.SampleRate = mpeg.SampleRate;
  a.Channels = mpeg.Frame.ModeID;
  a.ChannelMode = true;
  info_.Audio.push_back(a);
  info_.Artist.clear();
  info_.Title.clear();
  if (mpeg.ID3v1.Present()) {
    info_.Title = mpeg.ID3v1.Title;
    info_.Artist = mpeg.ID3v1.Artist;
    info_.Album = mpeg.ID3v1.Album;
    Log("= ID3v1 is available (Title: " + info_.Title + "; Artist: " + info_.Artist + ")");
    AddComment("ID3v1", "+");
  }
  if (mpeg.ID3v2.Present()) {
    info_.Title = mpeg.ID3v2.Title;
    info_.Artist = mpeg.ID3v2.Artist;
    if (!mpeg.ID3v2.Album.empty())
      info_.Album = mpeg.ID3v2.Album;
    Log("= ID3v2 is available (Title: " + info_.Title + "; Artist: " + info_.Artist + ")");
    AddComment("ID3v2", "+");
  } else {
    Log("= ID3v2 is not available");
  }
}

int64_t TMediaInfo::EngineDuration() const {
  // Only the engine's length of this very file, when it is the one playing.
  return context_.playingDuration ? context_.playingDuration(fileName_) / 10'000 * 10'000 : 0;
}

void TMediaInfo::FillOgg() {
  vtOggTag ogg(fileName_);
  TAudioStream a;
  a.FormatTag = 0x674F;
  a.Duration = static_cast<int64_t>(ogg.DurationMs()) * 10'000;
  if (a.Duration == 0)
    a.Duration = EngineDuration();
  a.BitRate = ogg.BitRateNominal;
  a.SampleRate = ogg.SampleRate;
  a.Channels = ogg.Channels;
  info_.Audio.push_back(a);
  if (ogg.TagPresent()) {
    info_.Title = ogg.Title;
    info_.Artist = ogg.Artist;
    info_.Album = ogg.Album;
    AddComment("OGG Tag", "+");
    AddComment("ID3v2", ogg.ID3v2Size > 0 ? "+" : "-");
  }
}

void TMediaInfo::TakeTags(const vtID3v1Tag& v1, const vtID3v2Tag& v2, const vtAPETag& ape, const char* suffix) {
  std::string s = suffix;
  if (v1.Present()) {
    info_.Title = v1.Title;
    info_.Artist = v1.Artist;
    info_.Album = v1.Album;
    AddComment("ID3v1" + s, "+");
  }
  if (v2.Present()) {
    info_.Title = v2.Title;
    info_.Artist = v2.Artist;
    if (!v2.Album.empty())
      info_.Album = v2.Album;
    AddComment("ID3v2" + s, "+");
  }
  if (ape.Present) {
    info_.Title = ape.Field("Title");
    info_.Artist = ape.Field("Artist");
    if (!ape.Field("Album").empty())
      info_.Album = ape.Field("Album");
    AddComment("APE Tag", "+");
  }
}

void TMediaInfo::FillAPE() {
  vtMonkey ape(fileName_);
  TAudioStream a;
  a.FormatTag = 0xAEEF;
  a.Duration = SecondsTo100ns(ape.Duration);
  a.BitRate = KBits(ape.BitRate / 1000);
  a.SampleRate = ape.SampleRate;
  a.Channels = ape.Channels;
  info_.Audio.push_back(a);
  info_.Title.clear();
  info_.Artist.clear();
  TakeTags(ape.ID3v1, ape.ID3v2, ape.APE, "");
  AddComment("Bits Per Sample", std::to_string(ape.BitsPerSample));
  AddComment("Compression Ratio", Format("%.2f", ape.CompressionRatio()) + "% - " + ape.CompressionName);
  if (ape.Version != 0) {
    std::string digits = std::to_string(ape.Version / 10);
    AddComment("APE File version", digits.substr(0, 1) + "." + digits.substr(1));
  }
}

void TMediaInfo::FillAAC() {
  vtAACTag aac(fileName_);
  TAudioStream a;
  a.FormatTag = 0x00FF;
  a.Duration = SecondsTo100ns(aac.Duration());
  a.BitRate = KBits(aac.BitRate / 1000.0); // the reader counts bits per second
  a.SampleRate = aac.SampleRate;
  a.Channels = aac.Channels;
  a.BitRateKind = aac.BitRateKind;
  info_.Audio.push_back(a);
  info_.Title.clear();
  info_.Artist.clear();
  TakeTags(aac.ID3v1, aac.ID3v2, aac.APE, "");
  AddComment("MPEG Version", aac.MPEGVersionName());
  AddComment("AAC Profile", aac.ProfileName());
}

void TMediaInfo::FillAC3() {
  vtAC3 ac3(fileName_);
  TAudioStream a;
  a.FormatTag = 0x2000;
  a.Duration = SecondsTo100ns(ac3.Duration);
  a.BitRate = ac3.BitRate;
  a.SampleRate = ac3.SampleRate;
  a.Channels = ac3.ChannelLayout;
  info_.Audio.push_back(a);
  info_.Title.clear();
  info_.Artist.clear();
}

void TMediaInfo::FillFLAC() {
  vtFLACTag flac(fileName_);
  TAudioStream a;
  a.FormatTag = 0xF1AC;
  a.Duration = SecondsTo100ns(flac.Duration());
  a.BitRate = KBits(flac.BitRate());
  a.SampleRate = flac.SampleRate;
  a.Channels = flac.Channels;
  info_.Audio.push_back(a);
  if (flac.CommentPresent) {
    if (!flac.Title.empty())
      info_.Title = flac.Title;
    if (!flac.Artist.empty())
      info_.Artist = flac.Artist;
    info_.Album = flac.Album;
    AddComment("FLAC Tag", "+");
  }
  AddComment("Bits per sample", std::to_string(flac.BitsPerSample));
}

void TMediaInfo::FillMPC() {
  vtMPCTag mpc(fileName_);
  TAudioStream a;
  a.FormatTag = 0xEACC;
  a.Duration = SecondsTo100ns(mpc.Duration());
  a.BitRate = mpc.BitRate;
  a.SampleRate = mpc.SampleRate;
  a.Channels = mpc.ChannelMode;
  info_.Audio.push_back(a);
  TakeTags(mpc.ID3v1, mpc.ID3v2, mpc.APE, " Tag");
  AddComment("MPC Version", std::to_string(mpc.StreamVersion));
  AddComment("MPC Profile", mpc.Profile);
}

void TMediaInfo::FillWAV() {
  vtWAV wav(fileName_);
  TAudioStream a;
  if (wav.Valid) {
    // The file's own tag: the report names it from the table.
    a.FormatTag = wav.FormatTag;
    a.Duration = SecondsTo100ns(wav.Duration());
    a.BitRate = KBits(wav.BitRate);
    a.SampleRate = wav.SampleRate;
    a.Channels = wav.Channels;
    if (wav.BitsPerSample)
      AddComment("Bits per sample", std::to_string(wav.BitsPerSample));
    // The file's information list, as other players show it.
    vtAVITag list(fileName_);
    if (!Blank(list.Title()))
      info_.Title = list.Title();
    if (!Blank(list.Fields[1]))
      info_.Artist = list.Fields[1];
  }
  info_.Audio.push_back(a);
}

void TMediaInfo::FillCDA() {
  TAudioStream a;
  a.FormatTag = 0x0001;
  a.Duration = info_.Duration;
  a.BitRate = 1411;
  a.SampleRate = 44100;
  a.Channels = 2;
  info_.Audio.push_back(a);
}

bool TMediaInfo::UseMediaDet() {
  TLogScope scope("TMediaInfo.UseMediaDet(" + fileName_ + ")");
  std::vector<TDetectedStream> streams;
  // A station that does not answer would hold up whoever asked; streams are described by what
  // they tell while they play, unless contacting them was asked for.
  if (IsStreamName(fileName_) && !context_.contactStreams)
    return false;
  wantedDetector_ = !context_.detector;
  if (!context_.detector || !context_.detector->Detect(fileName_, streams))
    return false;
  AddComment("", "Used MediaDet");
  for (const TDetectedStream& d : streams) {
    int64_t duration = SecondsTo100ns(d.length);
    if (d.kind == TDetectedStream::Kind::Video) {
      TVideoStream v;
      v.Duration = duration;
      v.Width = d.width;
      v.Height = d.height;
      v.FrameRate = d.frameRate;
      v.FourCC = d.fourcc;
      info_.Video.push_back(v);
    } else if (d.kind == TDetectedStream::Kind::Audio) {
      TAudioStream a;
      a.Duration = duration;
      a.FormatTag = d.formatTag;
      a.Channels = d.channels;
      a.SampleRate = d.sampleRate;
      a.BitRate = d.bitRate;
      info_.Audio.push_back(a);
      if (a.FormatTag == 0x0160 || a.FormatTag == 0x0161) {
        // Windows Media audio: the header objects' own title and artist.
        vtWMATag wma(fileName_);
        if (!wma.Title.empty() || !wma.Artist.empty()) {
          info_.Title = wma.Title;
          info_.Artist = wma.Artist;
          info_.Album = wma.Album;
          continue;
        }
      }
    } else {
      info_.Unknown.push_back({duration, d.type});
    }
    if (!d.title.empty())
      info_.Title = d.title;
    if (!d.artist.empty())
      info_.Artist = d.artist;
    if (!d.album.empty())
      info_.Album = d.album;
  }
  // An AU file names its encoding in its header: PCM, float, or the telephone laws.
  if (info_.FileFormat == "AU" && info_.Audio.size() == 1) {
    uint8_t b[4] = {};
    uint32_t encoding = file_.Read(b, 4, 12) == 4 ? BE32(b) : 0;
    static const std::pair<uint32_t, uint16_t> kTags[] = {{1, 0x0007}, {2, 0x0001}, {3, 0x0001}, {4, 0x0001},
                                                          {5, 0x0001}, {6, 0x0003}, {7, 0x0003}, {27, 0x0006}};
    for (auto [code, tag] : kTags)
      if (code == encoding)
        info_.Audio[0].FormatTag = tag;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Reports

std::string TMediaInfo::ChannelWords(const TAudioStream& a, TWords kind) const {
  const bool report = kind == TWords::Report;
  const std::string end = report ? ", " : " ";
  const uint32_t n = a.Channels;
  auto channels = [&](const std::string& tail) { return std::to_string(n) + " " + L("Info.Channels") + tail; };
  if (a.ChannelMode) { // MPEG audio: the channel mode
    static const char* const kModes[] = {"Stereo", "Joint Stereo", "Dual Channel", "Mono", "Unknown"};
    const std::string tail = kind == TWords::Tags ? " " : ", ";
    return n <= 4 ? std::string(kModes[n]) + tail : channels(tail);
  }
  switch (a.FormatTag) {
  case 0xEACC: {
    static const char* const kWords[] = {"Unknown", "Stereo", "Joint Stereo"};
    return n <= 2 ? std::string(kWords[n]) + end : std::string();
  }
  case 0x0000:
  case 0x0160:
  case 0x0161: {
    static const char* const kWords[] = {"Unknown", "Mono", "Stereo"};
    return n <= 2 ? std::string(kWords[n]) + end : std::string();
  }
  case 0x00FF: {
    static const char* const kWords[] = {"Unknown", "Mono", "Stereo"};
    if (n <= 2)
      return std::string(kWords[n]) + end;
    return channels(kind == TWords::OSD ? ", " : end);
  }
  case 0x2000: {
    static const char* const kWords[] = {"", "Mono", "Stereo", "2.1", "Quad", "Surround"};
    if (n >= 1 && n <= 5)
      return std::string(kWords[n]) + end;
    return channels(kind == TWords::OSD ? ", " : end);
  }
  default: // a channel count
    if (n == 0)
      return report ? "unknown, " : "Unknown ";
    if (n == 1)
      return "Mono" + end;
    if (n == 2)
      return "Stereo" + end;
    if (report)
      return "multichannel sound (" + std::to_string(n) + "), ";
    return "Multichannel (" + std::to_string(n) + (kind == TWords::OSD ? ")" : ") ");
  }
}

std::string TMediaInfo::BitRateText(const TAudioStream& a) const {
  std::string kind = a.BitRateKind == 2 ? " VBR" : a.BitRateKind == 1 ? " CBR" : "";
  return std::to_string(a.BitRate) + " " + L("Info.KBitPerSec") + kind;
}

std::string TMediaInfo::GetInfoText() const {
  const std::string nl = "\r\n";
  std::string t;
  t += L("Info.Location") + ": " + info_.FileName + nl;
  t += L("Info.FileName") + ": " + info_.FileName + nl;
  if (info_.FileFormat == "MP3")
    t += L("Info.FileFormat") + ": MPEG.Audio (MP1, MP2, MP3)" + nl;
  else if (info_.FileFormat == "CDA")
    t += L("Info.FileFormat") + ": Compact Disk Digital Audio (CDDA)" + nl;
  else
    t += L("Info.FileFormat") + ": " + info_.FileFormat + nl;
  t += L("Info.FileSize") + ": " + SizeText(info_.Size) + nl;
  t += L("Info.Duration") + ": " + DurationText(info_.Duration) + " (" + DurationClock(info_.Duration) + ")" + nl;
  if (!info_.Artist.empty())
    t += L("Info.Artist") + ": " + info_.Artist + nl;
  if (!info_.Title.empty())
    t += L("Info.Title") + ": " + info_.Title + nl;
  auto durationLine = [&](int64_t d) {
    return L("Info.Duration") + ": " + DurationText(d) + " (" + DurationClock(d) + ")" + nl;
  };
  for (const TVideoStream& v : info_.Video) {
    t += nl + L("Info.Stream") + ": " + L("Info.TypeVideo") + nl;
    t += durationLine(v.Duration);
    t += L("Info.Codec") + " FourCC: " + FourCCText(v.FourCC) + " (" + FourCCName(FourCCText(v.FourCC)) + ")" + nl;
    t += L("Info.VideoSize") + Format(": %d x %d (%s)", v.Width, v.Height, AspectRatio(v.Width, v.Height)) + nl;
    t += L("Info.FrameRate") + Format(": %1.3f ", v.FrameRate) + L("Info.Hz") + nl;
  }
  for (const TAudioStream& a : info_.Audio) {
    t += nl + L("Info.Stream") + ": " + L("Info.TypeAudio") + nl;
    t += durationLine(a.Duration);
    t += L("Info.Codec") + Format(": 0x%.4x (%s)", static_cast<int>(a.FormatTag), FormatTagName(a.FormatTag)) + nl;
    t += L("Info.Format") + Format(": %d ", a.SampleRate) + L("Info.Hz") + ", " + ChannelWords(a, TWords::Report) +
         BitRateText(a) + nl;
  }
  for (const TUnknownStream& u : info_.Unknown)
    t += nl + L("Info.Stream") + ": " + u.Type + nl;
  if (!info_.Comments.empty()) {
    t += nl;
    for (const std::string& c : info_.Comments)
      t += c + nl;
  }
  return t;
}

std::string TMediaInfo::ReplaceTAGs(const std::string& templ, bool html) const {
  TLogScope scope("TMediaInfo.ReplaceTAGs");
  const TVideoStream* v = info_.Video.empty() ? nullptr : &info_.Video.front();
  const TAudioStream* a = info_.Audio.empty() ? nullptr : &info_.Audio.front();
  const std::string na = "N/A";
  auto text = [html](std::string s) { return html ? EscapeMarkup(s) : s; };
  std::vector<std::pair<std::string, std::function<std::string()>>> values = {
      {"%FileName%", [&] { return text(fs::path(info_.FileName).filename().string()); }},
      {"%Size%",
       [&] {
         int64_t size = BigFileSize(info_.FileName);
         ReportSizeTotal() += size;
         return SizeText(size);
       }},
      {"%Artist%", [&] { return text(info_.Artist); }},
      {"%Title%", [&] { return text(info_.Title); }},
      {"%FileFormat%", [&] { return text(info_.FileFormat); }},
      {"%VideoWidth%", [&] { return v ? std::to_string(v->Width) : na; }},
      {"%VideoHeight%", [&] { return v ? std::to_string(v->Height) : na; }},
      {"%VideoAspectRatio%", [&] { return v ? AspectRatio(v->Width, v->Height) : na; }},
      {"%VideoCodecDesc%", [&] { return v ? text(FourCCName(FourCCText(v->FourCC))) : na; }},
      {"%VideoCodec%", [&] { return v ? text(FourCCText(v->FourCC)) : na; }},
      {"%VideoBitRate%", [&] { return na; }},
      {"%VideoQuality%", [&] { return na; }},
      {"%VideoDurationText%", [&] { return DurationText(info_.Duration); }},
      {"%VideoDuration%",
       [&] {
         ReportDurationTotal() += info_.Duration;
         return DurationClock(info_.Duration);
       }},
      {"%VideoFPS%", [&] { return v ? Format("%1.2f ", v->FrameRate) + L("Info.Hz") : na; }},
      {"%AudioDurationText%", [&] { return a ? DurationText(a->Duration) : na; }},
      {"%AudioDuration%", [&] { return a ? DurationClock(a->Duration) : na; }},
      {"%AudioStreamsCount%", [&] { return std::to_string(info_.Audio.size()); }},
      {"%AudioFormat%",
       [&] {
         return a ? Format("%d ", a->SampleRate) + L("Info.Hz") + ", " + ChannelWords(*a, TWords::Tags) +
                        BitRateText(*a)
                  : na;
       }},
      {"%AudioCodecDesc%", [&] { return a ? text(FormatTagName(a->FormatTag)) : na; }},
      {"%AudioCodec%", [&] { return a ? std::to_string(a->FormatTag) : na; }},
      {"%AudioBitRate%", [&] { return a ? std::to_string(a->BitRate) + " " + L("Info.KBitPerSec") : na; }},
      {"%MediaType%",
       [&] {
         return v && a ? std::string("V+A") : a ? std::string("A") : v ? std::string("V-A") : std::string("Unknown");
       }},
  };
  return ReplaceOnce(templ, values);
}

std::string TMediaInfo::ReplaceOSDTags(const std::string& templ) const {
  const TVideoStream* v = info_.Video.empty() ? nullptr : &info_.Video.front();
  const TAudioStream* a = info_.Audio.empty() ? nullptr : &info_.Audio.front();
  std::vector<std::pair<std::string, std::function<std::string()>>> values = {
      {"{VideoAspectRatio}", [&] { return v ? AspectRatio(v->Width, v->Height) : std::string(); }},
      {"{VideoCodecDesc}", [&] { return v ? FourCCName(FourCCText(v->FourCC)) : std::string(); }},
      {"{VideoCodec}", [&] { return v ? FourCCText(v->FourCC) : std::string(); }},
      {"{VideoDurationText}", [&] { return DurationText(info_.Duration); }},
      {"{VideoDuration}", [&] { return DurationClock(info_.Duration); }},
      {"{AudioFormat}",
       [&] {
         return a ? Format("%d ", a->SampleRate) + L("Info.Hz") + ", " + ChannelWords(*a, TWords::OSD) : std::string();
       }},
      {"{VideoFPS}", [&] { return v ? Format("%1.2f ", v->FrameRate) + L("Info.Hz") : std::string(); }},
      {"{AudioDurationText}", [&] { return a ? DurationText(a->Duration) : std::string(); }},
      {"{AudioDuration}", [&] { return a ? DurationClock(a->Duration) : std::string(); }},
      {"{AudioStreamsCount}", [&] { return std::to_string(info_.Audio.size()); }},
      {"{VIDEOWIDTH}", [&] { return v ? std::to_string(v->Width) : std::string(); }},
      {"{VIDEOHEIGHT}", [&] { return v ? std::to_string(v->Height) : std::string(); }},
      {"{AUDIOCODECDESC}", [&] { return a ? FormatTagName(a->FormatTag) : std::string(); }},
      {"{AUDIOCODEC}", [&] { return a ? std::to_string(a->FormatTag) : std::string(); }},
      {"{AUDIOBITRATE}", [&] { return a ? BitRateText(*a) : std::string("N/A"); }},
      {"{ARTIST}", [&] { return info_.Artist; }},
      {"{TITLE}", [&] { return info_.Title; }},
      {"{FORMAT}", [&] { return info_.FileFormat; }},
      {"{CODECS}", [&] { return CodecsText(); }},
      {"{DURATION}", [&] { return FormatTime("{H}:{M}:{S}", info_.Duration); }},
      {"{SIZE}", [&] { return SizeText(info_.Size); }},
      {"{COUNT}", [&] { return std::to_string(context_.playlistCount ? context_.playlistCount() : 0); }},
      {"{CURRENT}", [&] { return std::to_string(context_.playlistCurrent ? context_.playlistCurrent() + 1 : 0); }},
  };
  return ReplaceOnce(templ, values);
}

std::string TMediaInfo::CodecsText() const {
  std::string t;
  if (!info_.Video.empty()) {
    std::string code = FourCCText(info_.Video.front().FourCC);
    t = code + " (" + FourCCName(code) + ")";
  }
  for (const TAudioStream& a : info_.Audio) {
    if (!t.empty())
      t += " + ";
    t += Format("%.4x", static_cast<int>(a.FormatTag)) + " (" + FormatTagName(a.FormatTag) + ")";
  }
  return t;
}

} // namespace zv
