#pragma once

#include "filters/yv_osd.h"
#include "ui/osd_painter.h"

#include <QColor>
#include <QFont>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace zv {

class IPrefs;
class TDirectShowHelper;
class TSubtitlesModel;

// How a text of the on-screen display is drawn: its panel's font and colour, the character set
// its bytes are read in, and the information panel's alignment (which places all three texts
// drawn into the picture).
struct TOsdFace {
  QFont font;
  QColor colour;
  int charset = 1;
  int alignment = 2;
};

// Where the on-screen texts are shown: the information message (0) and the texts of the two
// subtitle streams (1, 2).
class IOsdView {
public:
  virtual ~IOsdView() = default;
  // Shows the text on its panel; an empty or blank text hides the panel.
  virtual void SetOsdText(int which, const std::string& text) = 0;
  virtual TOsdFace OsdFace(int which) const = 0;
  // Whether some subtitle stream is loaded (the skin's indicator).
  virtual void SetSubtitleIndicator(bool loaded) = 0;
};

// The picture the texts can be drawn into: the video processor's overlay list while the playing
// graph has one, and the picture's size in video pixels (false without video).
struct TOsdVideoOut {
  std::function<std::shared_ptr<TYVOSD>()> overlay;
  std::function<bool(int& width, int& height)> size;
};

// The video processor of the engine control's graph, and its picture's size.
TOsdVideoOut VideoOutOf(TDirectShowHelper* dsh);

// The three texts of the on-screen display: messages counted down on the core's 100 ms tick, and
// the subtitle texts asked of the subtitle model on every tick. With OSD.WithVideo and a video
// processor in the graph the texts are drawn into the picture (so they show in full screen and in
// screen shots); otherwise they show on the panels over the video area.
class TOSDManager {
public:
  TOSDManager(IPrefs* prefs, IOsdView* view, TSubtitlesModel* subtitles, std::function<int64_t()> position);
  void SetVideoOut(TOsdVideoOut out) { videoOut_ = std::move(out); }

  // A message for OSD.Info.Duration seconds (OSD.Info.Show off: none); a duration of 0 or below
  // clears it at once. The same text again restarts the countdown.
  void ShowInfo(const std::string& text);
  void Tick();
  void SetInfoText(const std::string& text) { Set(0, text); }
  void SetSubText0(const std::string& text) { Set(1, text); }
  void SetSubText1(const std::string& text) { Set(2, text); }
  const std::string& Text(int which) const { return texts_[which]; }
  int InfoTicks() const { return infoTicks_; }
  // Whether the texts go into the picture now.
  bool VideoMode() const { return videoMode_; }

private:
  struct TVideoItem {
    std::shared_ptr<const TYVImage> image;
    int y = 0;
  };
  void Set(int which, const std::string& text);
  // The overlay list when the texts can go into the picture now, with the picture's size.
  std::shared_ptr<TYVOSD> VideoOverlay(int& width, int& height) const;
  // Shows every text again where it belongs now, when the picture came, went or changed size.
  // False when nothing changed.
  bool FollowVideoMode();
  void Show(int which, const std::shared_ptr<TYVOSD>& overlay, int width, int height);
  void Rebuild(int which, int width, int height);
  void Publish(const std::shared_ptr<TYVOSD>& overlay);
  TOsdVideoOut videoOut_;
  TOSDPainter painter_;
  TYVImageCreator creator_;
  TVideoItem items_[3];
  std::weak_ptr<TYVOSD> published_;
  bool videoMode_ = false;
  int videoWidth_ = 0, videoHeight_ = 0;
  IPrefs* prefs_;
  IOsdView* view_;
  TSubtitlesModel* subtitles_;
  std::function<int64_t()> position_;
  std::string texts_[3];
  int infoTicks_ = 0;
};

} // namespace zv
