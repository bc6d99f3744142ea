#include "ui/osd_manager.h"

#include "core/prefs_access.h"
#include "core/text_util.h"
#include "subtitles/subtitle_model.h"

#include <algorithm>

namespace zv {

TOSDManager::TOSDManager(IPrefs* prefs, IOsdView* view, TSubtitlesModel* subtitles, std::function<int64_t()> position)
    : prefs_(prefs), view_(view), subtitles_(subtitles), position_(std::move(position)) {}

void TOSDManager::ShowInfo(const std::string& text) {
  if (Pref(prefs_, "OSD.Info.Show", "1") == "0")
    return;
  infoTicks_ = std::max(StrToIntDef(Pref(prefs_, "OSD.Info.Duration", "4"), 4), 0) * 10;
  SetInfoText(infoTicks_ == 0 ? std::string() : text);
}

void TOSDManager::Tick() {
  if (infoTicks_ > 0 && --infoTicks_ == 0)
    SetInfoText({});
  if (!subtitles_) {
    SetSubText0({});
    SetSubText1({});
    return;
  }
  const bool loaded = !subtitles_->NoneLoaded();
  if (view_)
    view_->SetSubtitleIndicator(loaded);
  if (!loaded) {
    SetSubText0({});
    SetSubText1({});
    return;
  }
  int64_t position = 0;
  try {
    position = position_ ? position_() : 0;
  } catch (const std::exception&) {
    position = 0;
  }
  SetSubText0(subtitles_->Stream0().GetText(position));
  SetSubText1(subtitles_->Stream1().GetText(position));
}

void TOSDManager::Set(int which, const std::string& text) {
  if (texts_[which] == text)
    return;
  texts_[which] = text;
  if (view_)
    view_->SetOsdText(which, text);
}

} // namespace zv
