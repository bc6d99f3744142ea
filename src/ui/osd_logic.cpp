#include "ui/osd_logic.h"

#include "core/text_codec.h"
#include "core/text_util.h"

#include <cctype>

namespace zv {

std::vector<std::string> OsdLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string_view rest = Trim(text);
  while (!rest.empty()) {
    const size_t lf = rest.find('\n');
    const std::string_view line = Trim(rest.substr(0, lf));
    lines.push_back(" " + std::string(line) + " ");
    rest = lf == std::string_view::npos ? std::string_view() : Trim(rest.substr(lf + 1));
  }
  return lines;
}

std::vector<TOsdRun> OsdRuns(std::string_view line, int& style) {
  static const struct {
    const char* tag;
    int bit;
    bool on;
  } kTags[] = {{"<b>", kOsdBold, true},     {"</b>", kOsdBold, false},    {"<i>", kOsdItalic, true},
               {"</i>", kOsdItalic, false}, {"<u>", kOsdUnderline, true}, {"</u>", kOsdUnderline, false}};
  std::vector<TOsdRun> runs;
  std::string run;
  const auto flush = [&] {
    if (!run.empty())
      runs.push_back({run, style});
    run.clear();
  };
  for (size_t i = 0; i < line.size();) {
    bool tag = false;
    for (const auto& t : kTags) {
      const size_t n = std::char_traits<char>::length(t.tag);
      if (line.size() - i >= n && LowerCase(line.substr(i, n)) == t.tag) {
        flush();
        style = t.on ? style | t.bit : style & ~t.bit;
        i += n;
        tag = true;
        break;
      }
    }
    if (!tag)
      run += line[i++];
  }
  flush();
  return runs;
}

int InfoAlignment(int osdInfoPos) {
  switch (osdInfoPos) {
  case 1: return 0;
  case 2: return 3;
  case 3: return 4;
  case 4: return 1;
  case 5: return 5;
  default: return 2;
  }
}

int OsdLineX(int alignment, int width, int lineWidth) {
  if (alignment == 2 || alignment == 4)
    return 5;
  if (alignment == 3 || alignment == 5)
    return width - lineWidth - 5;
  return (width - lineWidth) / 2;
}

TOsdAnchor SubtitleAnchor(int vpos, int videoHeight) {
  const int p = 100 - vpos;
  return p >= 50 ? TOsdAnchor{1, p * videoHeight / 100} : TOsdAnchor{0, p * videoHeight / 100};
}

std::string OsdText(std::string_view bytes, int charset) {
  return IsValidUtf8(bytes) ? std::string(bytes) : CodePageToUtf8(bytes, CodePageOfCharset(charset));
}

} // namespace zv
