#include "subtitles/subtitle_stream.h"

#include "core/session_log.h"
#include "core/stream.h"
#include "core/text_util.h"
#include "filters/cached_file.h"

#include <cctype>
#include <limits>
#include <optional>

namespace zv {

namespace {

constexpr const char* kCrLf = "\r\n";

// Characters `from` … `from + count - 1` (1-based), held to the text: a short line gives what it has.
std::string_view Part(std::string_view s, size_t from, size_t count) {
  if (from == 0 || from > s.size())
    return {};
  return s.substr(from - 1, count);
}

std::optional<int32_t> Int32(std::string_view s) {
  const std::optional<int64_t> v = StrToInt64Strict(s);
  if (!v || *v < std::numeric_limits<int32_t>::min() || *v > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(*v);
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size())
    return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

// hours, minutes, seconds and a fraction from their positions; nullopt when one is not a number.
std::optional<int64_t> Clock(std::string_view f, size_t h, size_t hLen, size_t m, size_t s, size_t frac, size_t fracLen,
                             int64_t fracPerSecond, int64_t unit) {
  const auto hh = Int32(Part(f, h, hLen)), mm = Int32(Part(f, m, 2)), ss = Int32(Part(f, s, 2)),
             ff = Int32(Part(f, frac, fracLen));
  if (!hh || !mm || !ss || !ff)
    return std::nullopt;
  return (((int64_t{*hh} * 60 + *mm) * 60 + *ss) * fracPerSecond + *ff) * unit;
}

// A MicroDVD frame field: "{n}" at the front of the line; the line goes on after the "}".
int64_t TakeFrame(std::string& line) {
  const size_t close = line.find('}');
  if (close == std::string::npos)
    return -1;
  const std::optional<int32_t> frame = Int32(Part(line, 2, close - 1));
  line.erase(0, close + 1);
  return frame ? *frame : -1;
}

void ParseMicroDvd(TTextStream& in, TSubtitleStream& out) {
  while (!in.Eof()) {
    std::string line(Trim(in.ReadLine()));
    if (line.empty())
      continue;
    const int64_t start = TakeFrame(line), stop = TakeFrame(line);
    if (start < 0 || stop < 0)
      continue;
    out.AddLine(ReplaceAll(line, "|", kCrLf), start * 400'000, stop * 400'000);
  }
}

void ParseSubViewer(TTextStream& in, TSubtitleStream& out) {
  int64_t start = -1, stop = -1;
  while (!in.Eof()) {
    const std::string line = in.ReadLine();
    if (start >= 0 && stop >= 0)
      out.AddLine(ReplaceAll(line, "[br]", kCrLf), start, stop);
    start = SubViewerTime(Part(line, 1, 11));
    stop = SubViewerTime(Part(line, 13, 11));
  }
}

void ParseSubRip(TTextStream& in, TSubtitleStream& out) {
  std::string buffer;
  int64_t start = 0, stop = 0;
  bool added = true; // whether the buffer's block has been added once
  while (!in.Eof()) {
    const std::string line = in.ReadLine();
    if (!line.empty())
      buffer += line + kCrLf;
    if (const size_t arrow = line.find("-->"); arrow != std::string::npos) {
      const size_t p = arrow + 1;
      start = SubRipTime(p >= 2 ? Part(line, 1, p - 2) : std::string_view());
      stop = SubRipTime(Part(line, p + 4, 12));
      buffer.clear();
      added = false;
    }
    if (line.empty() && !buffer.empty()) {
      out.AddLine(buffer, start, stop);
      added = true;
    }
  }
  // The last block of a file that does not end with a blank line.
  if (!added && !buffer.empty())
    out.AddLine(buffer, start, stop);
}

// Field `index` (from 0) of a comma-separated Dialogue line; field 9 runs to the end.
std::string_view SsaField(std::string_view line, int index) {
  for (int i = 0; i < index; ++i) {
    const size_t comma = line.find(',');
    if (comma == std::string_view::npos)
      break;
    line.remove_prefix(comma + 1);
  }
  if (index < 9)
    line = line.substr(0, line.find(','));
  return line;
}

std::string SsaText(std::string_view text) {
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '{') {
      const size_t close = text.find('}', i);
      if (close == std::string_view::npos)
        break;
      i = close;
      continue;
    }
    plain += text[i];
  }
  return ReplaceAll(plain, "\\n", kCrLf, true);
}

void ParseSsa(TTextStream& in, TSubtitleStream& out) {
  while (!in.Eof()) {
    const std::string line = in.ReadLine();
    if (line.compare(0, 8, "Dialogue") != 0)
      continue;
    out.AddLine(SsaText(SsaField(line, 9)), SsaTime(SsaField(line, 1)), SsaTime(SsaField(line, 2)));
  }
}

} // namespace

int64_t SubViewerTime(std::string_view f) { return Clock(f, 1, 2, 4, 7, 10, 2, 100, 100'000).value_or(-1); }
int64_t SubRipTime(std::string_view f) { return Clock(f, 1, 2, 4, 7, 10, 3, 1000, 10'000).value_or(0); }
int64_t SsaTime(std::string_view f) { return Clock(f, 1, 1, 3, 6, 9, 2, 100, 100'000).value_or(-1); }

void TSubtitleStream::LoadFromFile(const std::string& path) {
  Log("+TSubtitleStream.LoadFromFile(" + path + ")");
  TFileStream file(path);
  LoadFromStream(file);
  const size_t slash = path.rfind('/');
  fileName_ = slash == std::string::npos ? path : path.substr(slash + 1);
  Log("-TSubtitleStream.LoadFromFile");
}

void TSubtitleStream::LoadFromStream(TStream& stream) {
  Clear();
  TCachedStream cached(stream, 16384, 2);
  TTextStream in(cached);
  const int64_t begin = cached.Position();
  // A UTF-8 byte-order mark is not part of the first line.
  int64_t start = begin;
  char bom[3] = {};
  if (cached.Read(bom, 3) == 3 && bom[0] == '\xEF' && bom[1] == '\xBB' && bom[2] == '\xBF')
    start = begin + 3;
  cached.SetPosition(start);
  const std::string first = in.ReadLine();
  cached.SetPosition(start);
  if (StartsWithNoCase(first, "{")) {
    format_ = "SubV10(MicroDVD)";
    ParseMicroDvd(in, *this);
  } else if (StartsWithNoCase(first, "[INF")) {
    format_ = "SubV20";
    ParseSubViewer(in, *this);
  } else if (!Trim(first).empty() && Int32(Trim(first))) {
    format_ = "SubRip";
    ParseSubRip(in, *this);
  } else if (StartsWithNoCase(first, "<SAMI>")) {
    format_ = "SAMI";
  } else if (StartsWithNoCase(first, "[Script")) {
    format_ = "SSA";
    ParseSsa(in, *this);
  } else {
    format_ = "Unknown";
  }
}

void TSubtitleStream::Clear() {
  lines_.clear();
  format_.clear();
  fileName_.clear();
  current_ = -1;
}

void TSubtitleStream::AddLine(std::string text, int64_t start, int64_t stop) {
  lines_.push_back(TSubtitle{start, stop, std::move(text)});
}

std::string TSubtitleStream::FindLine(int64_t time) {
  std::string text;
  current_ = -1;
  for (size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].Start <= time && time <= lines_[i].Stop) {
      current_ = static_cast<int>(i);
      text = lines_[i].Text;
    }
  return text;
}

} // namespace zv
