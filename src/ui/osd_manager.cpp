#include "ui/osd_manager.h"

#include "core/prefs_access.h"
#include "core/text_util.h"
#include "playback/direct_show_helper.h"
#include "subtitles/subtitle_model.h"
#include "ui/osd_logic.h"
#include "ui/plain_text.h"

#include <algorithm>

namespace zv {

TOsdVideoOut VideoOutOf(TDirectShowHelper* dsh) {
  TOsdVideoOut out;
  out.overlay = [dsh]() -> std::shared_ptr<TYVOSD> {
    const std::shared_ptr<TVideoProcSettings> s = dsh ? dsh->VideoProcessorSettings() : nullptr;
    return s ? s->osd : nullptr;
  };
  out.size = [dsh](int& width, int& height) {
    if (!dsh || !dsh->Graph() || !dsh->HasVideo())
      return false;
    width = dsh->VideoWidth();
    height = dsh->VideoHeight();
    return true;
  };
  return out;
}

TOSDManager::TOSDManager(IPrefs* prefs, IOsdView* view, TSubtitlesModel* subtitles, std::function<int64_t()> position)
    : prefs_(prefs), view_(view), subtitles_(subtitles), position_(std::move(position)) {}

void TOSDManager::ShowInfo(const std::string& text) {
  if (Pref(prefs_, "OSD.Info.Show", "1") == "0")
    return;
  infoTicks_ = std::max(StrToIntDef(Pref(prefs_, "OSD.Info.Duration", "4"), 4), 0) * 10;
  SetInfoText(infoTicks_ == 0 ? std::string() : text);
}

void TOSDManager::Tick() {
  FollowVideoMode();
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
  if (FollowVideoMode())
    return;
  // The mode is as it was: the list published last, at the size it was made for.
  const std::shared_ptr<TYVOSD> overlay = videoMode_ ? published_.lock() : nullptr;
  Show(which, overlay, videoWidth_, videoHeight_);
  if (overlay)
    Publish(overlay);
}

std::shared_ptr<TYVOSD> TOSDManager::VideoOverlay(int& width, int& height) const {
  if (!videoOut_.overlay || !videoOut_.size || Pref(prefs_, "OSD.WithVideo", "0") != "1")
    return nullptr;
  std::shared_ptr<TYVOSD> overlay = videoOut_.overlay();
  if (!overlay || !videoOut_.size(width, height) || width <= 0 || height <= 0)
    return nullptr;
  return overlay;
}

bool TOSDManager::FollowVideoMode() {
  int width = 0, height = 0;
  const std::shared_ptr<TYVOSD> overlay = VideoOverlay(width, height);
  const std::shared_ptr<TYVOSD> old = published_.lock();
  if (overlay == old && (overlay != nullptr) == videoMode_ &&
      (!overlay || (width == videoWidth_ && height == videoHeight_)))
    return false;
  // Leaving a picture that still plays: nothing stays burned into it.
  if (old && old != overlay)
    old->Replace({});
  published_.reset();
  videoMode_ = overlay != nullptr;
  videoWidth_ = width;
  videoHeight_ = height;
  for (int which = 0; which < 3; ++which)
    Show(which, overlay, width, height);
  if (overlay)
    Publish(overlay);
  return true;
}

void TOSDManager::Show(int which, const std::shared_ptr<TYVOSD>& overlay, int width, int height) {
  if (!overlay) {
    items_[which] = {};
    if (view_)
      view_->SetOsdText(which, texts_[which]);
    return;
  }
  if (view_)
    view_->SetOsdText(which, {});
  Rebuild(which, width, height);
}

void TOSDManager::Rebuild(int which, int width, int height) {
  items_[which] = {};
  if (texts_[which].empty() || !view_)
    return;
  const TOsdFace face = view_->OsdFace(which);
  const std::string text = OutsideText(OsdText(texts_[which], face.charset)).toStdString();
  const QImage bitmap = painter_.RenderText(text, face.font, face.colour, width, face.alignment);
  items_[which].image =
      creator_.CreateImage(reinterpret_cast<const uint32_t*>(bitmap.constBits()), bitmap.width(), bitmap.height(),
                           static_cast<size_t>(bitmap.bytesPerLine()) / 4, TOSDPainter::kKey);
  if (which > 0 && subtitles_) {
    const TSubStreamModel& stream = which == 1 ? subtitles_->Stream0() : subtitles_->Stream1();
    const TOsdAnchor a = SubtitleAnchor(std::clamp(stream.VPos(), 0, 100), height);
    items_[which].y = a.alignment == 1 ? a.y - bitmap.height() : a.y;
  }
}

void TOSDManager::Publish(const std::shared_ptr<TYVOSD>& overlay) {
  std::vector<TYVOSD::TItem> list;
  for (const TVideoItem& item : items_)
    if (item.image)
      list.push_back({1, item.y, item.image});
  overlay->Replace(std::move(list));
  published_ = overlay;
}

} // namespace zv
