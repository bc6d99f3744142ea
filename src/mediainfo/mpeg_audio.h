#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zv {

// Title, artist and album of an ID3v1 tag (the last 128 bytes of a file), as UTF-8.
class vtID3v1Tag {
public:
  explicit vtID3v1Tag(const std::string& fileName);
  bool Present() const { return !Title.empty() || !Artist.empty(); }
  std::string Title, Artist, Album;
};

// Title, artist and album of an ID3v2 tag at the start of a file, as UTF-8, and the tag's size.
class vtID3v2Tag {
public:
  explicit vtID3v2Tag(const std::string& fileName);
  bool Present() const { return !Title.empty() || !Artist.empty(); }
  // Total size of the tag with its header (and footer); 0 without a valid tag.
  uint32_t Size = 0;
  std::string Title, Artist, Album;
  // The frame texts of the table, by slot (TIT2, TPE1, TALB, TRCK, TYER, TCON, COMM, TCOM, TENC,
  // TCOP, TLAN, WXXX, TDRC, TOPE, TIT1, TOAL), decoded.
  static constexpr int kSlots = 16;
  std::string Frames[kSlots];

  // The text of a frame's data: the encoding byte (0 Latin-1, 1 UTF-16 with a byte-order mark,
  // 2 UTF-16 big-endian, 3 UTF-8) and the text, as trimmed UTF-8.
  static std::string DecodeText(const uint8_t* data, size_t size);
  // The tag's total size from the first bytes of a file; 0 without a tag or when the tag would be
  // larger than the file.
  static uint32_t SizeFromHeader(const uint8_t* header, size_t available, int64_t fileSize);
  // The bytes with the unsynchronisation scheme undone (every FF 00 becomes FF).
  static std::vector<uint8_t> Resynchronised(const uint8_t* data, size_t size);
  static constexpr int64_t kMaxTagRead = 1 << 20;
};

struct TMPEGVBRData {
  bool Present = false;
  std::string Kind; // "Xing" or "VBRI"
  uint32_t FrameCount = 0;
  uint32_t ByteCount = 0;
  uint8_t Quality = 0;
  std::string Encoder;
};

struct TMPEGFrameData {
  bool Found = false;
  uint32_t Position = 0; // within the searched window
  uint16_t Size = 0;
  uint8_t Header[4] = {};
  uint8_t VersionID = 1, LayerID = 0;
  bool CRCPresent = false;
  uint8_t BitRateID = 0, SampleRateID = 3;
  bool Padding = false, PrivateBit = false;
  uint8_t ModeID = 4, ModeExtensionID = 4;
  bool Copyright = false, Original = false;
};

// The first MPEG audio frame of a file, its Xing or VBRI header, and what follows from them:
// bit rate, frame count and duration. Reads at most two windows of the file.
class vtMPEGAudioTag {
public:
  explicit vtMPEGAudioTag(const std::string& fileName);

  bool Valid() const { return Frame.Found; }
  static constexpr int kWindow = 3458;

  std::string FileName;
  int64_t FileLength = 0;
  TMPEGVBRData VBR;
  TMPEGFrameData Frame;
  vtID3v1Tag ID3v1;
  vtID3v2Tag ID3v2;
  std::string Version = "MPEG ?", Layer = "Layer ?", Mode = "Unknown";
  uint16_t BitRate = 0;    // kbit/s
  uint16_t SampleRate = 0; // Hz
  uint32_t Frames = 0;
  uint32_t Duration = 0; // milliseconds

  // Whether four bytes make a header this reader accepts.
  static bool IsFrameHeader(const uint8_t* b);

private:
  struct TFrameWalk {
    uint32_t frames = 0;
    int64_t bytes = 0;
    bool varies = false; // a frame's bit rate differs from the first one's
  };
  void Reset();
  bool Read();
  bool FindFrame(const uint8_t* window, int size);
  // Follows the frames from `from` to `end`, at most `limit` of them (0: all).
  TFrameWalk WalkFrames(int64_t from, int64_t end, uint32_t limit);
};

} // namespace zv
