#include "playback/audio_props.h"

#include "commands/model.h"
#include "commands/model_manager.h"
#include "core/format.h"
#include "core/session_log.h"
#include "core/text_util.h"
#include "playback/direct_show_helper.h"
#include "skin/language_manager.h"

#include <algorithm>
#include <array>

namespace zv {

namespace {
std::string Name(const char* what, int n) { return std::string("App.AudioProps.") + what + std::to_string(n); }

constexpr std::array<float, 3> kBandCentre{100.0f, 600.0f, 12000.0f};
constexpr float kBandWidth = 36.0f; // semitones
std::string BandName(int i) { return "App.Equalizer.Band" + std::to_string(i); }
std::string BandKey(int i) { return "Sound.Equalizer.Band" + std::to_string(i) + ".Val"; }
} // namespace

long RendererVolume(int level) { return level <= 0 ? -10000 : (std::min(level, 100) - 100) * 40L; }

long RendererBalance(int position) {
  if (position >= 100)
    return 10000;
  if (position <= 0)
    return -10000;
  return position * 40L - 2000;
}

TAudioPropsModel::TAudioPropsModel(TAudioPropsHost host) : host_(std::move(host)) {
  TBasicModelManager& m = *host_.models;
  count_ = host_.dsh ? host_.dsh->CountAudioRenderers() : 0;
  for (int n = 0; n < count_; ++n) {
    m.Register(Name("Enabled", n), std::make_unique<TSInt32Model>(n == 0 ? 1 : 0, [this] { Apply(); }));
    m.Register(Name("Volume", n), std::make_unique<TSInt32Model>(100, [this] { Apply(); }));
    m.Register(Name("Balance", n), std::make_unique<TSInt32Model>(50, [this] { Apply(); }));
    m.Register(Name("Decoder", n), std::make_unique<TCommandModel>([this, n] {
                 if (host_.showDecoder)
                   host_.showDecoder(n);
               }));
  }
  // The stream the user prefers is the one heard, when the file has it.
  if (!(host_.dsh && host_.dsh->isDVD) && count_ >= 2 && host_.prefs) {
    const int d = static_cast<int8_t>(host_.prefs->GetInt("Sound.DefaultStream") & 0xFF);
    applying_ = true;
    if (d > 0 && d <= count_ - 1)
      Set("Enabled", 0, 0);
    if (d >= 0 && d <= count_ - 1)
      Set("Enabled", d, 1);
    applying_ = false;
  }
  Apply();
}

TAudioPropsModel::~TAudioPropsModel() {
  for (int n = 0; n < count_; ++n)
    for (const char* what : {"Decoder", "Balance", "Volume", "Enabled"})
      host_.models->Unregister(Name(what, n));
}

int TAudioPropsModel::Get(const char* what, int n) const { return host_.models->GetInt(Name(what, n)); }

void TAudioPropsModel::Set(const char* what, int n, int value) { host_.models->SetInt(Name(what, n), value); }

void TAudioPropsModel::Apply() {
  if (applying_ || !host_.dsh)
    return;
  const int main = std::clamp(host_.mainVolume ? host_.mainVolume() : 100, 0, 100);
  const bool muted = host_.prefs && host_.prefs->GetBool("FrontEnd.Mute");
  for (int n = 0; n < count_; ++n) {
    // Levels are products of percentages; a skin slider may set anything, so each is kept in range.
    const int volume = std::clamp(Get("Volume", n), 0, 100);
    const int level = muted || Get("Enabled", n) == 0 ? 0 : volume * main / 100;
    host_.dsh->SetVolume(n, RendererVolume(level));
    host_.dsh->SetBalance(n, RendererBalance(Get("Balance", n)));
  }
}

void TAudioPropsModel::NextStream() {
  if (count_ == 0) {
    if (host_.osd)
      host_.osd(Lang("OSD.NoAudioStream"));
    return;
  }
  int cur = count_ - 1;
  for (int n = count_ - 1; n >= 0; --n)
    if (Get("Enabled", n) > 0) {
      cur = n;
      break;
    }
  const int next = cur + 1 == count_ ? 0 : cur + 1;
  for (int n = 0; n < count_; ++n)
    Set("Enabled", n, n == next ? 1 : 0);
  if (host_.osd)
    host_.osd(Lang("OSD.AudioStream") + " " + std::to_string(next + 1) + " of " + std::to_string(count_));
}

TEqModel::TEqModel(TBasicModelManager& models, TDirectShowHelper& dsh, IPrefs* prefs,
                   std::function<void(const std::string&)> osd)
    : models_(models), dsh_(dsh), prefs_(prefs), osd_(std::move(osd)) {
  Log("+TEqModel.CreateModels");
  for (int i = 0; i < 3; ++i) {
    // A band never saved is flat.
    const int value = StrToIntDef(Pref(prefs_, BandKey(i), "50"), 50);
    models_.Register(BandName(i), std::make_unique<TSInt32Model>(value, [this] { UpdateBand(); }));
  }
  models_.Register("App.Equalizer.Reset", std::make_unique<TCommandModel>([this] { Reset(); }));
  UpdateBand();
  Log("-TEqModel.CreateModels");
}

TEqModel::~TEqModel() {
  models_.Unregister("App.Equalizer.Reset");
  for (int i = 0; i < 3; ++i) {
    if (prefs_)
      prefs_->SetInt(BandKey(i), models_.GetInt(BandName(i)));
    models_.Unregister(BandName(i));
  }
}

float TEqModel::GainOfValue(int value) {
  return static_cast<float>(std::clamp(value, 0, 100)) * 30.0f / 100.0f - 15.0f;
}

void TEqModel::UpdateBand() {
  Log("+TEqModel.UpdateBand");
  std::string text = "EQ - ";
  for (int i = 0; i < 3; ++i)
    text += std::to_string(models_.GetInt(BandName(i))) + ":";
  if (osd_)
    osd_(text);
  for (int i = 0; i < 3; ++i) {
    eng::IFilter* f = dsh_.FindFilterByClassIndex(eng::classes::DMOWrapper, i);
    eng::IParamEq* eq = f ? f->ParamEq() : nullptr;
    if (!eq)
      continue;
    eng::TParamEqParams p;
    eq->GetAllParameters(p);
    p.centre = kBandCentre[static_cast<size_t>(i)];
    p.bandwidth = kBandWidth;
    p.gain = GainOfValue(models_.GetInt(BandName(i)));
    eq->SetAllParameters(p);
  }
  Log("-TEqModel.UpdateBand");
}

void TEqModel::Reset() {
  for (int i = 0; i < 3; ++i)
    models_.SetInt(BandName(i), 50);
  UpdateBand();
}

} // namespace zv
