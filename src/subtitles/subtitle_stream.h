#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zv {

class TStream;

// One timed text of a subtitle file: due from Start to Stop (100 ns, both inclusive). Line breaks
// inside the text are CR LF; <B>, <I>, <U> and their closing forms are mark-up for the OSD.
struct TSubtitle {
  int64_t Start = 0;
  int64_t Stop = 0;
  std::string Text;
  friend bool operator==(const TSubtitle&, const TSubtitle&) = default;
};

// One subtitle file in memory: its format recognised from the first line (MicroDVD, SubViewer 2.0,
// SubRip, SSA/ASS; SAMI recognised without entries), its entries in file order, and the entry due
// at a moment. Text stays as the file's bytes; MicroDVD frames count at 25 frames per second.
class TSubtitleStream {
public:
  // Raises EZvError when the file cannot be opened (the content is then left as it was).
  void LoadFromFile(const std::string& path);
  void LoadFromStream(TStream& stream);
  void Clear();
  void AddLine(std::string text, int64_t start, int64_t stop);
  // The text due at `time` (the last entry in file order when several are); sets CurrentIndex.
  // Empty and -1 when none is.
  std::string FindLine(int64_t time);

  const std::vector<TSubtitle>& Lines() const { return lines_; }
  int Count() const { return static_cast<int>(lines_.size()); }
  // "SubV10(MicroDVD)", "SubV20", "SubRip", "SAMI", "SSA" or "Unknown"; empty before a load.
  const std::string& Format() const { return format_; }
  const std::string& FileName() const { return fileName_; }
  int CurrentIndex() const { return current_; }

private:
  std::vector<TSubtitle> lines_;
  std::string format_, fileName_;
  int current_ = -1;
};

// The time fields by position, "not a number" as the formats want it: SubViewer HH:MM:SS.CC (-1),
// SubRip HH:MM:SS,mmm (0), SSA H:MM:SS.CC (-1). A line too short for a field has no number there.
int64_t SubViewerTime(std::string_view field);
int64_t SubRipTime(std::string_view field);
int64_t SsaTime(std::string_view field);

} // namespace zv
