#pragma once

#include "core/prefs_access.h"

#include <functional>
#include <string>

namespace zv {

class TBasicModelManager;
class TDirectShowHelper;

struct TAudioPropsHost {
  TBasicModelManager* models = nullptr;
  TDirectShowHelper* dsh = nullptr;
  IPrefs* prefs = nullptr;
  // The main window's volume position, 0 … 100.
  std::function<int()> mainVolume;
  std::function<void(const std::string&)> osd;
  // Opens the settings of audio decoder n.
  std::function<void(int n)> showDecoder;
};

// Renderer volume in 1/100 dB for a level of 0 … 100 (0 is silence), and renderer balance for a
// balance position of 0 (left) … 50 (centre) … 100 (right).
long RendererVolume(int level);
long RendererBalance(int position);

// For each audio renderer n of the open file the models "App.AudioProps.Enabled<n>", "Volume<n>",
// "Balance<n>" and the command "Decoder<n>"; they, the main volume and the mute setting make each
// renderer's volume and balance. Lives from the opening of a file to its closing.
class TAudioPropsModel {
public:
  explicit TAudioPropsModel(TAudioPropsHost host);
  ~TAudioPropsModel();
  TAudioPropsModel(const TAudioPropsModel&) = delete;
  TAudioPropsModel& operator=(const TAudioPropsModel&) = delete;

  int Count() const { return count_; }
  // Sets every renderer's volume and balance from the models.
  void Apply();
  // Makes the next stream the only one heard and says which on the OSD.
  void NextStream();

private:
  int Get(const char* what, int n) const;
  void Set(const char* what, int n, int value);
  TAudioPropsHost host_;
  int count_ = 0;
  bool applying_ = false;
};

// The three stages of the parametric equalizer as the models "App.Equalizer.Band0" … "Band2"
// (0 … 100, 50 flat) and the command "App.Equalizer.Reset". Lives from the insertion of the stages
// to the closing of the file, and stores the band values when it goes.
class TEqModel {
public:
  TEqModel(TBasicModelManager& models, TDirectShowHelper& dsh, IPrefs* prefs,
           std::function<void(const std::string&)> osd);
  ~TEqModel();
  TEqModel(const TEqModel&) = delete;
  TEqModel& operator=(const TEqModel&) = delete;

  // Writes the bands into the stages and shows them on the OSD.
  void UpdateBand();
  void Reset();
  // The gain of a band value in dB: 0 gives -15, 50 gives 0, 100 gives +15.
  static float GainOfValue(int value);

private:
  TBasicModelManager& models_;
  TDirectShowHelper& dsh_;
  IPrefs* prefs_;
  std::function<void(const std::string&)> osd_;
};

} // namespace zv
