#pragma once

// Builds AVI files byte by byte for the tests: exact layouts the muxers do not write (odd chunks,
// damaged sizes, indexes with either offset base, OpenDML indexes of very large files).
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace zvtest::avi {

inline std::string LE32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i)
    s[i] = static_cast<char>(v >> (8 * i));
  return s;
}
inline std::string LE16(uint16_t v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8)}; }
inline std::string LE64(uint64_t v) { return LE32(static_cast<uint32_t>(v)) + LE32(static_cast<uint32_t>(v >> 32)); }

inline std::string Chunk(const std::string& id, const std::string& data) {
  std::string s = id + LE32(static_cast<uint32_t>(data.size())) + data;
  if (data.size() & 1)
    s += '\0';
  return s;
}
inline std::string List(const std::string& type, const std::string& body) {
  return "LIST" + LE32(static_cast<uint32_t>(body.size() + 4)) + type + body;
}
inline std::string Riff(const std::string& type, const std::string& body) {
  return "RIFF" + LE32(static_cast<uint32_t>(body.size() + 4)) + type + body;
}

inline std::string Avih(uint32_t usPerFrame, uint32_t totalFrames, uint32_t streams, uint32_t w = 64, uint32_t h = 48) {
  std::string d = LE32(usPerFrame) + LE32(0) + LE32(0) + LE32(0x10) + LE32(totalFrames) + LE32(0) + LE32(streams) +
                  LE32(0) + LE32(w) + LE32(h) + std::string(16, '\0');
  return Chunk("avih", d);
}

inline std::string Strh(const std::string& type, const std::string& handler, uint32_t scale, uint32_t rate,
                        uint32_t length, uint32_t sampleSize) {
  std::string d = type + handler + LE32(0) + LE32(0) + LE32(0) + LE32(scale) + LE32(rate) + LE32(0) + LE32(length) +
                  LE32(0) + LE32(0xFFFFFFFF) + LE32(sampleSize) + std::string(8, '\0');
  return Chunk("strh", d);
}

// A bitmap header for a video stream.
inline std::string BitmapInfo(const std::string& compression, uint32_t w = 64, uint32_t h = 48) {
  return LE32(40) + LE32(w) + LE32(h) + LE16(1) + LE16(24) + compression + LE32(w * h * 3) + std::string(16, '\0');
}

// A wave format: tag, channels, rate, bytes per second, block align, bits.
inline std::string WaveFormat(uint16_t tag, uint16_t channels, uint32_t rate, uint32_t bytesPerSec, uint16_t align,
                              uint16_t bits) {
  return LE16(tag) + LE16(channels) + LE32(rate) + LE32(bytesPerSec) + LE16(align) + LE16(bits) + LE16(0);
}

struct Sample {
  std::string id; // "00dc", "01wb"
  std::string data;
  bool key = true;
};

struct Stream {
  std::string strh;
  std::string strf; // the format data
};

enum class IndexBase { Movie, Absolute, None };

// A whole file: header list, optional extra chunks before the movie list, the samples and an
// index counted from the "movi" FourCC (or from the file's start).
inline std::string File(uint32_t usPerFrame, uint32_t totalFrames, const std::vector<Stream>& streams,
                        const std::vector<Sample>& samples, IndexBase base = IndexBase::Movie,
                        const std::string& beforeMovie = "") {
  std::string strls;
  for (const Stream& s : streams)
    strls += List("strl", s.strh + Chunk("strf", s.strf));
  std::string hdrl = List("hdrl", Avih(usPerFrame, totalFrames, static_cast<uint32_t>(streams.size())) + strls);
  std::string head = "RIFF" + LE32(0) + "AVI " + hdrl + beforeMovie;
  std::string movi;
  std::string idx;
  const uint64_t moviePos = head.size();
  for (const Sample& s : samples) {
    uint64_t at = 4 + movi.size(); // from the "movi" FourCC
    if (base == IndexBase::Absolute)
      at += moviePos + 8;
    idx += s.id + LE32(s.key ? 0x10 : 0) + LE32(static_cast<uint32_t>(at)) + LE32(static_cast<uint32_t>(s.data.size()));
    movi += Chunk(s.id, s.data);
  }
  std::string body = head.substr(12) + List("movi", movi);
  if (base != IndexBase::None)
    body += Chunk("idx1", idx);
  return Riff("AVI ", body);
}

// Writes a sparse OpenDML file of `frames` video frames of `frameSize` bytes spread over a
// first RIFF "AVI " chunk and "AVIX" extension chunks of at most `riffLimit` bytes each, with a
// super index and one standard index per RIFF chunk. Frame k starts with the text "frame<k>"; the
// rest of every frame is a hole. Every tenth frame is a key frame. Returns false on a write error.
inline bool WriteOpenDML(const std::string& path, uint32_t frames, uint32_t frameSize, uint64_t riffLimit) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0)
    return false;
  bool ok = true;
  auto put = [&](uint64_t at, const std::string& bytes) {
    ok = ok && ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(at)) == static_cast<ssize_t>(bytes.size());
  };
  // Plan the RIFF chunks: how many frames each holds.
  const uint64_t perFrame = 8 + frameSize + (frameSize & 1);
  const uint32_t maxRiffs = 64;
  const uint32_t superEntries = maxRiffs;
  std::string superIndex = LE16(4) + std::string(1, '\0') + std::string(1, '\0') + LE32(0) + "00dc" +
                           std::string(12, '\0') + std::string(superEntries * 16, '\0');
  std::string strl = List("strl", Strh("vids", "XVID", 1, 25, frames, 0) + Chunk("strf", BitmapInfo("XVID")) +
                                      Chunk("indx", superIndex));
  std::string odml = List("odml", Chunk("dmlh", LE32(frames) + std::string(244, '\0')));
  std::string hdrl = List("hdrl", Avih(40000, 0, 1) + strl + odml);
  // Where the super index's entries live in the file.
  const uint64_t strlAt = 12 + 12 + Avih(40000, 0, 1).size();
  const uint64_t strhLen = Strh("vids", "XVID", 1, 25, frames, 0).size();
  const uint64_t strfLen = Chunk("strf", BitmapInfo("XVID")).size();
  const uint64_t indxAt = strlAt + 12 + strhLen + strfLen; // the "indx" chunk header
  uint64_t pos = 0;
  uint32_t done = 0;
  uint32_t riffNo = 0;
  uint32_t avihFrames = 0;
  std::vector<std::pair<uint64_t, uint32_t>> ixChunks; // position, size
  while (done < frames && riffNo < maxRiffs && ok) {
    const uint64_t riffStart = pos;
    std::string head = riffNo == 0 ? hdrl : std::string();
    uint64_t headerBytes = 12 + head.size();
    uint64_t moviAt = riffStart + headerBytes;
    uint64_t room = riffLimit - headerBytes - 12 - 4096;
    uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(frames - done, room / perFrame));
    if (n == 0)
      n = 1;
    // Frames, then this chunk's standard index inside the movie list.
    uint64_t at = moviAt + 12;
    std::string ix = LE16(2) + std::string(1, '\0') + std::string(1, '\1') + LE32(n) + "00dc" + LE64(moviAt) + LE32(0);
    for (uint32_t k = 0; k < n; ++k) {
      uint32_t frame = done + k;
      put(at, "00dc" + LE32(frameSize) + "frame" + std::to_string(frame));
      uint32_t size = frameSize | ((frame % 10 == 0) ? 0u : 0x80000000u);
      ix += LE32(static_cast<uint32_t>(at + 8 - moviAt)) + LE32(size);
      at += perFrame;
    }
    std::string ixChunk = Chunk("ix00", ix);
    ixChunks.emplace_back(at, static_cast<uint32_t>(ixChunk.size()));
    put(at, ixChunk);
    at += ixChunk.size();
    uint64_t moviSize = at - moviAt - 8;
    put(moviAt, "LIST" + LE32(static_cast<uint32_t>(moviSize)) + "movi");
    uint64_t riffSize = at - riffStart - 8;
    put(riffStart, "RIFF" + LE32(static_cast<uint32_t>(riffSize)) + (riffNo == 0 ? "AVI " : "AVIX") + head);
    if (riffNo == 0)
      avihFrames = n;
    done += n;
    pos = at;
    ++riffNo;
  }
  // The super index and the first RIFF's frame count.
  std::string entries;
  for (auto& [p, s] : ixChunks)
    entries += LE64(p) + LE32(s) + LE32(0);
  put(indxAt + 8 + 4, LE32(static_cast<uint32_t>(ixChunks.size())));
  put(indxAt + 8 + 24, entries);
  put(12 + 12 + 8 + 16, LE32(avihFrames));
  ok = ok && ::ftruncate(fd, static_cast<off_t>(pos)) == 0;
  ::close(fd);
  return ok;
}

} // namespace zvtest::avi
