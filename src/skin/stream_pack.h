#pragma once

#include "core/stream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

// A set of named files: a skin's interface.xml and the bitmaps it names.
class TStreamPack {
public:
  virtual ~TStreamPack() = default;
  // A new stream over the member's contents, or none.
  virtual std::unique_ptr<TStream> Open(std::string_view name);
};

// A folder on disk. Names that are absolute or climb out of the folder ("..") open nothing.
class TDirStrPack : public TStreamPack {
public:
  explicit TDirStrPack(std::string folder) : folder_(std::move(folder)) {}
  std::unique_ptr<TStream> Open(std::string_view name) override;
  const std::string& Folder() const { return folder_; }

private:
  std::string folder_;
};

// One member of a ZIP archive, as its local header describes it.
struct TZIPEntry {
  uint16_t versionNeeded = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t modTime = 0;
  uint16_t modDate = 0;
  uint32_t crc32 = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint16_t nameLength = 0;
  uint16_t extraLength = 0;
  std::string Name;
  int64_t DataOffset = 0;
  std::string Data;
};

// The catalogue of a ZIP archive, walked through its local headers from the front. Members
// written with a data descriptor (flag bit 3, sizes 0 in the local header) take their sizes from
// the central directory. The archive stream is not owned.
class TPKZIP {
public:
  // Members claiming more than this read as empty.
  static constexpr uint32_t kMemberCap = 64u << 20;

  bool Read(TStream* stream);
  void Extract(size_t index);
  std::vector<TZIPEntry> Entries;

private:
  TStream* stream_ = nullptr;
};

// A ZIP archive over a stream that must outlive the package.
class TZIPStrPack : public TStreamPack {
public:
  explicit TZIPStrPack(TStream& stream);
  // Every member of the name (case ignored) one after the other; an empty stream when none.
  std::unique_ptr<TStream> Open(std::string_view name) override;
  const TPKZIP& Catalogue() const { return zip_; }

private:
  TPKZIP zip_;
};

} // namespace zv
