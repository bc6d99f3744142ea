#pragma once

#include <cstdint>

namespace zv {

// Numbers as files store them: little-endian (RIFF, ASF, Ogg) or big-endian (ID3, FLAC, MPEG).
inline uint16_t LE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t LE32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t LE64(const uint8_t* p) { return LE32(p) | (static_cast<uint64_t>(LE32(p + 4)) << 32); }
inline uint32_t BE24(const uint8_t* p) { return (p[0] << 16) | (p[1] << 8) | p[2]; }
inline uint32_t BE32(const uint8_t* p) { return (static_cast<uint32_t>(p[0]) << 24) | BE24(p + 1); }

} // namespace zv
