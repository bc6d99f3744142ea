#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace zv {

class IPrefs;
class TSubtitlesModel;

// Where the on-screen texts are shown: the information message (0) and the texts of the two
// subtitle streams (1, 2).
class IOsdView {
public:
  virtual ~IOsdView() = default;
  virtual void SetOsdText(int which, const std::string& text) = 0;
  // Whether some subtitle stream is loaded (the skin's indicator).
  virtual void SetSubtitleIndicator(bool loaded) = 0;
};

// The three texts of the on-screen display: messages counted down on the core's 100 ms tick, and
// the subtitle texts asked of the subtitle model on every tick.
class TOSDManager {
public:
  TOSDManager(IPrefs* prefs, IOsdView* view, TSubtitlesModel* subtitles, std::function<int64_t()> position);

  // A message for OSD.Info.Duration seconds (OSD.Info.Show off: none); a duration of 0 or below
  // clears it at once. The same text again restarts the countdown.
  void ShowInfo(const std::string& text);
  void Tick();
  void SetInfoText(const std::string& text) { Set(0, text); }
  void SetSubText0(const std::string& text) { Set(1, text); }
  void SetSubText1(const std::string& text) { Set(2, text); }
  const std::string& Text(int which) const { return texts_[which]; }
  int InfoTicks() const { return infoTicks_; }

private:
  void Set(int which, const std::string& text);
  IPrefs* prefs_;
  IOsdView* view_;
  TSubtitlesModel* subtitles_;
  std::function<int64_t()> position_;
  std::string texts_[3];
  int infoTicks_ = 0;
};

} // namespace zv
