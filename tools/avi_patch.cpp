// Rewrites the codec of an AVI stream in place, to make files whose codec no decoder knows:
//   avi_patch <in> <out> video <FOURCC>   sets the video stream's FourCC (strh handler, strf compression)
//   avi_patch <in> <out> audio <hex tag>  sets the audio stream's wave format tag
//   avi_patch <in> <out> noindex          turns the idx1 chunk into JUNK (a file without index)
//   avi_patch <in> <out> hdrllast         moves the header list behind the movie data
//   avi_patch <in> <out> shiftindex       moves every idx1 offset 4 bytes on (a damaged index)
//   avi_patch <in> <out> halfindex        overwrites the second half of the idx1 entries with zeros
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {
uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}
} // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[3]) == "hdrllast") {
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::vector<uint8_t>> chunks;
    size_t hdrl = SIZE_MAX;
    for (size_t at = 12; at + 8 <= b.size();) {
      uint32_t size = Get32(b, at + 4);
      size_t end = std::min(b.size(), at + 8 + size + (size & 1));
      if (std::memcmp(&b[at], "LIST", 4) == 0 && at + 12 <= b.size() && std::memcmp(&b[at + 8], "hdrl", 4) == 0)
        hdrl = chunks.size();
      chunks.emplace_back(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(end));
      at = end;
    }
    if (hdrl == SIZE_MAX || chunks.size() < 2) {
      std::fprintf(stderr, "avi_patch: no header list in %s\n", argv[1]);
      return 1;
    }
    // Before the last chunk (the index), after the movie data.
    std::vector<uint8_t> header = chunks[hdrl];
    chunks.erase(chunks.begin() + static_cast<long>(hdrl));
    chunks.insert(chunks.end() - 1, header);
    std::vector<uint8_t> out(b.begin(), b.begin() + 12);
    for (auto& c : chunks)
      out.insert(out.end(), c.begin(), c.end());
    uint32_t riff = static_cast<uint32_t>(out.size() - 8);
    for (int i = 0; i < 4; ++i)
      out[4 + i] = static_cast<uint8_t>(riff >> (8 * i));
    std::ofstream o(argv[2], std::ios::binary | std::ios::trunc);
    o.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return o ? 0 : 1;
  }
  if (argc == 4 && (std::string(argv[3]) == "shiftindex" || std::string(argv[3]) == "halfindex")) {
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    bool shift = std::string(argv[3]) == "shiftindex";
    bool done = false;
    for (size_t at = 12; at + 8 <= b.size() && !done;) {
      uint32_t size = Get32(b, at + 4);
      if (std::memcmp(&b[at], "idx1", 4) == 0) {
        size_t count = std::min<size_t>(size, b.size() - at - 8) / 16;
        for (size_t i = shift ? 0 : count / 2; i < count; ++i) {
          uint8_t* e = &b[at + 8 + 16 * i];
          if (shift) {
            uint32_t offset = Get32(b, at + 8 + 16 * i + 8) + 4;
            for (int k = 0; k < 4; ++k)
              e[8 + k] = static_cast<uint8_t>(offset >> (8 * k));
          } else {
            std::memset(e, 0, 16);
          }
        }
        done = true;
      }
      at += 8 + size + (size & 1);
    }
    if (!done) {
      std::fprintf(stderr, "avi_patch: no idx1 chunk in %s\n", argv[1]);
      return 1;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return out ? 0 : 1;
  }
  if (argc == 4 && std::string(argv[3]) == "noindex") {
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The index follows the movie list at the top level of the first RIFF chunk.
    size_t at = 12;
    bool done = false;
    while (at + 8 <= b.size() && !done) {
      uint32_t size = Get32(b, at + 4);
      if (std::memcmp(&b[at], "idx1", 4) == 0) {
        std::memcpy(&b[at], "JUNK", 4);
        done = true;
      }
      at += 8 + size + (size & 1);
    }
    if (!done) {
      std::fprintf(stderr, "avi_patch: no idx1 chunk in %s\n", argv[1]);
      return 1;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return out ? 0 : 1;
  }
  if (argc != 5) {
    std::fprintf(stderr, "usage: avi_patch <in> <out> video <FOURCC> | audio <hex tag>\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string kind = argv[3];
  bool video = kind == "video";
  const char* wanted = video ? "vids" : "auds";
  bool done = false;
  for (size_t i = 0; i + 64 < b.size() && !done; ++i) {
    if (std::memcmp(&b[i], "strh", 4) != 0 || std::memcmp(&b[i + 8], wanted, 4) != 0)
      continue;
    size_t strhSize = Get32(b, i + 4);
    size_t strf = i + 8 + strhSize + (strhSize & 1);
    if (strf + 8 > b.size() || std::memcmp(&b[strf], "strf", 4) != 0)
      continue;
    if (video) {
      std::memcpy(&b[i + 12], argv[4], 4);        // strh.fccHandler
      std::memcpy(&b[strf + 8 + 16], argv[4], 4); // BITMAPINFOHEADER.biCompression
    } else {
      unsigned tag = static_cast<unsigned>(std::strtoul(argv[4], nullptr, 16));
      b[strf + 8] = static_cast<uint8_t>(tag);
      b[strf + 9] = static_cast<uint8_t>(tag >> 8);
    }
    done = true;
  }
  if (!done) {
    std::fprintf(stderr, "avi_patch: no %s stream in %s\n", wanted, argv[1]);
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  return out ? 0 : 1;
}
