#include "playback/engine/media_type.h"

#include "core/format.h"
#include "core/md5.h"
#include "core/text_util.h"

#include <cstring>
#include <glib.h>

namespace eng {

namespace {
constexpr TGuid G(uint32_t d1, uint16_t d2, uint16_t d3, std::array<uint8_t, 8> d4) { return TGuid{d1, d2, d3, d4}; }
constexpr std::array<uint8_t, 8> kFourCCTail = {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr std::array<uint8_t, 8> kE436Tail = {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70};
} // namespace

namespace guids {
const TGuid MEDIATYPE_Video = G(0x73646976, 0x0000, 0x0010, kFourCCTail);
const TGuid MEDIATYPE_Audio = G(0x73647561, 0x0000, 0x0010, kFourCCTail);
const TGuid MEDIATYPE_Text = G(0x73747874, 0x0000, 0x0010, kFourCCTail);
const TGuid MEDIATYPE_Stream = G(0xE436EB83, 0x524F, 0x11CE, kE436Tail);
const TGuid MEDIASUBTYPE_MPEG1Audio = G(0xE436EB87, 0x524F, 0x11CE, kE436Tail);
const TGuid MEDIASUBTYPE_MPEG1Video = G(0xE436EB86, 0x524F, 0x11CE, kE436Tail);
const TGuid MEDIASUBTYPE_Vorbis = G(0xCDDCA2D5, 0x6D75, 0x4F98, {0x84, 0x0E, 0x73, 0x7B, 0xED, 0xD5, 0xC6, 0x3B});
const TGuid MEDIASUBTYPE_RGB32 = G(0xE436EB7E, 0x524F, 0x11CE, kE436Tail);
const TGuid MEDIASUBTYPE_RGB24 = G(0xE436EB7D, 0x524F, 0x11CE, kE436Tail);
const TGuid MEDIASUBTYPE_RGB565 = G(0xE436EB7B, 0x524F, 0x11CE, kE436Tail);
const TGuid MEDIASUBTYPE_RGB555 = G(0xE436EB7C, 0x524F, 0x11CE, kE436Tail);
const TGuid MEDIASUBTYPE_ARGB32 = G(0x773C9AC0, 0x3274, 0x11D0, {0xB7, 0x24, 0x00, 0xAA, 0x00, 0x6C, 0x1A, 0x01});
const TGuid MEDIASUBTYPE_Avi = G(0xE436EB88, 0x524F, 0x11CE, kE436Tail);
const TGuid FORMAT_VideoInfo = G(0x05589F80, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A});
const TGuid FORMAT_WaveFormatEx = G(0x05589F81, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A});
const TGuid FORMAT_None = G(0x0F6417D6, 0xC318, 0x11D0, {0xA4, 0x3F, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96});
} // namespace guids

std::string TGuid::ToString() const {
  return zv::Format("{%.8x-%.4x-%.4x-%.2x%.2x-%.2x%.2x%.2x%.2x%.2x%.2x}", d1, d2, d3, d4[0], d4[1], d4[2], d4[3], d4[4],
                    d4[5], d4[6], d4[7]);
}

std::optional<TGuid> TGuid::Parse(std::string_view text) {
  text = zv::Trim(text);
  if (text.size() == 38 && text.front() == '{' && text.back() == '}')
    text = text.substr(1, 36);
  if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
    return std::nullopt;
  std::string hex;
  for (char c : text)
    if (c != '-')
      hex += c;
  if (hex.size() != 32)
    return std::nullopt;
  uint8_t b[16];
  for (int i = 0; i < 16; ++i) {
    auto nib = [](char c) -> int {
      if (c >= '0' && c <= '9')
        return c - '0';
      c = zv::AsciiUpper(c);
      if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
      return -1;
    };
    int hi = nib(hex[2 * i]), lo = nib(hex[2 * i + 1]);
    if (hi < 0 || lo < 0)
      return std::nullopt;
    b[i] = static_cast<uint8_t>(hi * 16 + lo);
  }
  TGuid g;
  g.d1 = (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
  g.d2 = static_cast<uint16_t>((b[4] << 8) | b[5]);
  g.d3 = static_cast<uint16_t>((b[6] << 8) | b[7]);
  for (int i = 0; i < 8; ++i)
    g.d4[i] = b[8 + i];
  return g;
}

TGuid TGuid::FromFourCC(uint32_t fourcc) { return TGuid{fourcc, 0x0000, 0x0010, kFourCCTail}; }

bool TGuid::IsFourCCBased() const { return d2 == 0x0000 && d3 == 0x0010 && d4 == kFourCCTail; }

TGuid TGuid::FromName(std::string_view name) {
  // An RFC 4122 version 5 UUID (SHA-1) in a namespace of the program's own.
  static const uint8_t kNamespace[16] = {0x5A, 0x65, 0x6C, 0x76, 0x61, 0x72, 0x47, 0x73,
                                         0x74, 0x46, 0x61, 0x63, 0x74, 0x6F, 0x72, 0x79};
  GChecksum* sum = g_checksum_new(G_CHECKSUM_SHA1);
  g_checksum_update(sum, kNamespace, sizeof kNamespace);
  g_checksum_update(sum, reinterpret_cast<const guchar*>(name.data()), static_cast<gssize>(name.size()));
  uint8_t digest[20];
  gsize len = sizeof digest;
  g_checksum_get_digest(sum, digest, &len);
  g_checksum_free(sum);
  digest[6] = static_cast<uint8_t>((digest[6] & 0x0F) | 0x50);
  digest[8] = static_cast<uint8_t>((digest[8] & 0x3F) | 0x80);
  TGuid g;
  g.d1 = (uint32_t(digest[0]) << 24) | (uint32_t(digest[1]) << 16) | (uint32_t(digest[2]) << 8) | digest[3];
  g.d2 = static_cast<uint16_t>((digest[4] << 8) | digest[5]);
  g.d3 = static_cast<uint16_t>((digest[6] << 8) | digest[7]);
  for (int i = 0; i < 8; ++i)
    g.d4[i] = digest[8 + i];
  return g;
}

std::string FourCCText(uint32_t fourcc) {
  std::string s;
  for (int i = 0; i < 4; ++i)
    s += static_cast<char>((fourcc >> (8 * i)) & 0xFF);
  return s;
}

namespace {
void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t Get16(const std::vector<uint8_t>& b, size_t at) { return b[at] | (uint32_t(b[at + 1]) << 8); }
uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}
} // namespace

std::vector<uint8_t> MakeVideoInfoHeader(const TVideoInfo& vi) {
  // RECT rcSource, RECT rcTarget, DWORD dwBitRate, DWORD dwBitErrorRate, REFERENCE_TIME
  // AvgTimePerFrame, then BITMAPINFOHEADER (40 bytes) at offset 48.
  std::vector<uint8_t> b(88, 0);
  Put32(b, 32, vi.bitRate);
  uint64_t t = static_cast<uint64_t>(vi.avgTimePerFrame);
  Put32(b, 40, static_cast<uint32_t>(t));
  Put32(b, 44, static_cast<uint32_t>(t >> 32));
  Put32(b, 48, 40);
  Put32(b, 52, static_cast<uint32_t>(vi.width));
  Put32(b, 56, static_cast<uint32_t>(vi.height));
  Put16(b, 60, 1);
  Put16(b, 62, vi.bitCount);
  Put32(b, 64, vi.compression);
  return b;
}

std::vector<uint8_t> MakeWaveFormatEx(const TWaveFormat& wf) {
  std::vector<uint8_t> b(18, 0);
  Put16(b, 0, wf.formatTag);
  Put16(b, 2, wf.channels);
  Put32(b, 4, wf.samplesPerSec);
  Put32(b, 8, wf.avgBytesPerSec);
  Put16(b, 12, wf.blockAlign);
  Put16(b, 14, wf.bitsPerSample);
  return b;
}

TVideoInfo TMediaType::VideoInfo() const {
  TVideoInfo vi;
  if (!HasVideoInfo())
    return vi;
  vi.bitRate = Get32(format, 32);
  vi.avgTimePerFrame = static_cast<int64_t>(Get32(format, 40) | (uint64_t(Get32(format, 44)) << 32));
  vi.width = static_cast<int32_t>(Get32(format, 52));
  vi.height = static_cast<int32_t>(Get32(format, 56));
  vi.bitCount = static_cast<uint16_t>(Get16(format, 62));
  vi.compression = Get32(format, 64);
  return vi;
}

TWaveFormat TMediaType::WaveFormat() const {
  TWaveFormat wf;
  if (!HasWaveFormat())
    return wf;
  wf.formatTag = static_cast<uint16_t>(Get16(format, 0));
  wf.channels = static_cast<uint16_t>(Get16(format, 2));
  wf.samplesPerSec = Get32(format, 4);
  wf.avgBytesPerSec = Get32(format, 8);
  wf.blockAlign = static_cast<uint16_t>(Get16(format, 12));
  wf.bitsPerSample = static_cast<uint16_t>(Get16(format, 14));
  return wf;
}

TMediaType TMediaType::Video(const TGuid& subtype, const TVideoInfo& vi, std::string caps) {
  TMediaType mt;
  mt.majortype = guids::MEDIATYPE_Video;
  mt.subtype = subtype;
  mt.formattype = guids::FORMAT_VideoInfo;
  mt.format = MakeVideoInfoHeader(vi);
  mt.caps = std::move(caps);
  return mt;
}

TMediaType TMediaType::Audio(const TGuid& subtype, const TWaveFormat& wf, std::string caps) {
  TMediaType mt;
  mt.majortype = guids::MEDIATYPE_Audio;
  mt.subtype = subtype;
  mt.formattype = guids::FORMAT_WaveFormatEx;
  mt.format = MakeWaveFormatEx(wf);
  mt.caps = std::move(caps);
  return mt;
}

std::string EventName(int32_t code) {
  static const char* const kLow[] = {nullptr,
                                     "EC_COMPLETE",
                                     "EC_USERABORT",
                                     "EC_ERRORABORT",
                                     "EC_TIME",
                                     "EC_REPAINT",
                                     "EC_STREAM_ERROR_STOPPED",
                                     "EC_STREAM_ERROR_STILLPLAYING",
                                     "EC_ERROR_STILLPLAYING",
                                     "EC_PALETTE_CHANGED",
                                     "EC_VIDEO_SIZE_CHANGED",
                                     "EC_QUALITY_CHANGE",
                                     "EC_SHUTTING_DOWN",
                                     "EC_CLOCK_CHANGED",
                                     "EC_PAUSED",
                                     nullptr,
                                     "EC_OPENING_FILE",
                                     "EC_BUFFERING_DATA",
                                     "EC_FULLSCREEN_LOST",
                                     "EC_ACTIVATE",
                                     "EC_NEED_RESTART",
                                     "EC_WINDOW_DESTROYED",
                                     "EC_DISPLAY_CHANGED",
                                     "EC_STARVATION",
                                     "EC_OLE_EVENT",
                                     "EC_NOTIFY_WINDOW",
                                     "EC_STREAM_CONTROL_STOPPED",
                                     "EC_STREAM_CONTROL_STARTED",
                                     "EC_END_OF_SEGMENT",
                                     "EC_SEGMENT_STARTED",
                                     "EC_LENGTH_CHANGED",
                                     "EC_DEVICE_LOST"};
  static const char* const kDvd[] = {"EC_DVD_DOMAIN_CHANGE",
                                     "EC_DVD_TITLE_CHANGE",
                                     "EC_DVD_CHAPTER_START",
                                     "EC_DVD_AUDIO_STREAM_CHANGE",
                                     "EC_DVD_SUBPICTURE_STREAM_CHANGE",
                                     "EC_DVD_ANGLE_CHANGE",
                                     "EC_DVD_BUTTON_CHANGE",
                                     "EC_DVD_VALID_UOPS_CHANGE",
                                     "EC_DVD_STILL_ON",
                                     "EC_DVD_STILL_OFF",
                                     "EC_DVD_CURRENT_TIME",
                                     "EC_DVD_ERROR",
                                     "EC_DVD_WARNING",
                                     "EC_DVD_CHAPTER_AUTOSTOP",
                                     "EC_DVD_NO_FP_PGC",
                                     "EC_DVD_PLAYBACK_RATE_CHANGE",
                                     "EC_DVD_PARENTAL_LEVEL_CHANGE",
                                     "EC_DVD_PLAYBACK_STOPPED",
                                     "EC_DVD_ANGLES_AVAILABLE",
                                     "EC_DVD_PLAYPERIOD_AUTOSTOP",
                                     "EC_DVD_BUTTON_AUTO_ACTIVATED",
                                     "EC_DVD_CMD_START",
                                     "EC_DVD_CMD_END",
                                     "EC_DVD_DISC_EJECTED",
                                     "EC_DVD_DISC_INSERTED",
                                     "EC_DVD_CURRENT_HMSF_TIME",
                                     "EC_DVD_KARAOKE_MODE"};
  if (code >= 1 && code <= 31 && kLow[code])
    return kLow[code];
  if (code == 36)
    return "EC_STEP_COMPLETE";
  if (code == 48)
    return "EC_TIMECODE_AVAILABLE";
  if (code >= 257 && code <= 283)
    return kDvd[code - 257];
  if (code == EC_ZV_STREAM_NOTICE)
    return "EC_ZV_STREAM_NOTICE";
  if (code == EC_ZV_RENDER_DONE)
    return "EC_ZV_RENDER_DONE";
  return zv::Format("EC:0x%.8X", code);
}

} // namespace eng
