#include "subtitles/subtitle_model.h"

#include "commands/model_manager.h"
#include "core/error.h"
#include "core/prefs_access.h"
#include "core/session_log.h"
#include "core/text_util.h"
#include "skin/language_manager.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace zv {

namespace fs = std::filesystem;

namespace {

std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOfPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithExtension(const std::string& path, const char* ext) {
  const std::string name = NameOfPath(path);
  const size_t dot = name.rfind('.');
  const std::string stem = dot == std::string::npos ? path : path.substr(0, path.size() - (name.size() - dot));
  return stem + ext;
}

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

} // namespace

std::optional<double> DecimalPref(const std::string& text) {
  std::string t(Trim(text));
  std::replace(t.begin(), t.end(), ',', '.');
  if (t.empty())
    return std::nullopt;
  double v = 0;
  const char* end = t.data() + t.size();
  const auto [ptr, ec] = std::from_chars(t.data(), end, v);
  if (ec != std::errc() || ptr != end || !std::isfinite(v))
    return std::nullopt;
  return v;
}

std::string ShiftEditText(int tenths) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%2.1f", tenths / 10.0);
  std::string text(Trim(buf));
  return text.starts_with('-') ? text : "+" + text;
}

std::optional<int> ShiftFromEditText(const std::string& text) {
  std::string t(Trim(text));
  if (t.starts_with('+'))
    t.erase(0, 1);
  const std::optional<double> seconds = DecimalPref(t);
  if (!seconds)
    return std::nullopt;
  return static_cast<int>(std::clamp(std::trunc(*seconds * 10), -2147483648.0, 2147483647.0));
}

TSubStreamModel::TSubStreamModel(int index, int vpos, TSubtitleHost& host)
    : index_(index), host_(host), vpos_(std::clamp(vpos, 0, 100)) {
  if (host_.models)
    host_.models->Register(Name("Title"), std::make_unique<TStringModel>());
}

TSubStreamModel::~TSubStreamModel() {
  Unload();
  if (host_.models)
    host_.models->Unregister(Name("Title"));
}

std::string TSubStreamModel::Name(const char* part) const {
  return std::string("App.Subs.") + part + std::to_string(index_);
}

bool TSubStreamModel::IsEnabled() const { return enabled_ && enabled_->Get() > 0; }

void TSubStreamModel::Load(const std::string& file) {
  Unload();
  const std::string voice = FolderOfPath(file) + "SubVoice/";
  if (IsFolder(voice)) {
    voiceDir_ = voice;
    Log("=SubVoice activated");
    if (host_.voicePlayer)
      voice_ = host_.voicePlayer(voice);
  }
  stream_.LoadFromFile(file);
  title_ = NameOfPath(file);
  if (!host_.models)
    return;
  host_.models->SetString(Name("Title"), title_);
  enabled_ = host_.models->Register(Name("Enabled"), std::make_unique<TSInt32Model>(1));
  position_ = host_.models->Register(Name("VPos"), std::make_unique<TSInt32Model>(vpos_, [this] {
                                       vpos_ = std::clamp(position_->Get(), 0, 100);
                                       if (TModel* pos = host_.models->GetModel("App.Subs.Pos"))
                                         pos->Notify();
                                     }));
  shift_ = host_.models->Register(Name("Shift"), std::make_unique<TSInt32Model>(0));
}

void TSubStreamModel::Unload() {
  if (host_.models) {
    // The pointers go before the models they point to.
    shift_ = position_ = nullptr;
    host_.models->Unregister(Name("Shift"));
    host_.models->Unregister(Name("VPos"));
    if (enabled_) {
      enabled_->Set(0);
      enabled_ = nullptr;
      host_.models->Unregister(Name("Enabled"));
    }
  }
  stream_.Clear();
  voice_.reset();
  voiceDir_.clear();
  title_.clear();
}

int64_t TSubStreamModel::MapTime(int64_t position) const {
  double p = static_cast<double>(position);
  if (stream_.Format() == "SubV10(MicroDVD)") {
    double fps = fps_;
    if (host_.prefs && Pref(host_.prefs, "Subtitles.SetMicroDVDFPS", "1") != "0")
      fps = DecimalPref(Pref(host_.prefs, "Subtitles.MicroDVDFPS", "25,00")).value_or(25.0);
    if (!(fps >= 0.0001) || !std::isfinite(fps))
      fps = 25.0;
    p = static_cast<double>(RoundHalfEven(p / 25.0 * fps));
  }
  // The stored offset, or the stream's own shift (tenths of a second) when it has one; an offset
  // that is no number leaves both out.
  double offset = 0;
  if (const std::optional<double> stored = DecimalPref(Pref(host_.prefs, "Subtitles.Offset", "0,00"))) {
    offset = *stored;
    if (shift_)
      offset = shift_->Get() / 10.0;
  }
  return static_cast<int64_t>(p) - RoundHalfEven(offset * 1e7);
}

std::string TSubStreamModel::GetText(int64_t position) {
  if (!IsLoaded() || !IsEnabled())
    return {};
  std::string text = stream_.FindLine(MapTime(position));
  if (voice_ && stream_.CurrentIndex() >= 0)
    voice_->PlayIndex(stream_.CurrentIndex() + 1);
  return text;
}

TSubtitlesModel::TSubtitlesModel(TSubtitleHost host) : host_(std::move(host)) {
  const auto pos = [&](const char* key, const char* def) { return StrToIntDef(Pref(host_.prefs, key, def), 0); };
  streams_[0] = std::make_unique<TSubStreamModel>(0, pos("Subtitles.Pos1", "5"), host_);
  streams_[1] = std::make_unique<TSubStreamModel>(1, pos("Subtitles.Pos2", "75"), host_);
  if (host_.models) {
    host_.models->Register("App.Subs.Load0", std::make_unique<TCommandModel>([this] { Load0(); }));
    host_.models->Register("App.Subs.Load1", std::make_unique<TCommandModel>([this] { Load1(); }));
    host_.models->Register("App.Subs.Pos", std::make_unique<TModel>());
  }
}

TSubtitlesModel::~TSubtitlesModel() {
  if (host_.prefs) {
    host_.prefs->SetInt("Subtitles.Pos1", streams_[0]->VPos());
    host_.prefs->SetInt("Subtitles.Pos2", streams_[1]->VPos());
  }
  if (host_.models) {
    host_.models->Unregister("App.Subs.Pos");
    host_.models->Unregister("App.Subs.Load1");
    host_.models->Unregister("App.Subs.Load0");
  }
  streams_[1].reset();
  streams_[0].reset();
}

void TSubtitlesModel::SetLoadEnabled(bool enabled) {
  if (!host_.models)
    return;
  for (const char* name : {"App.Subs.Load0", "App.Subs.Load1"})
    if (auto* load = dynamic_cast<TCommandModel*>(host_.models->GetModel(name)); load && load->IsEnabled() != enabled) {
      load->SetDisabled(!enabled);
      load->Notify();
    }
}

void TSubtitlesModel::SetFPS(double fps) {
  // A film without a usable frame rate counts as 25 frames per second.
  if (!std::isfinite(fps) || fps <= 0)
    fps = 25.0;
  for (auto& s : streams_)
    s->SetFPS(fps);
}

void TSubtitlesModel::UnloadAll() {
  for (auto& s : streams_)
    s->Unload();
}

void TSubtitlesModel::LoadIntoFree(const std::string& file) {
  TSubStreamModel* free = !streams_[0]->IsLoaded()   ? streams_[0].get()
                          : !streams_[1]->IsLoaded() ? streams_[1].get()
                                                     : nullptr;
  if (!free)
    return;
  try {
    free->Load(file);
  } catch (const EZvError& e) {
    Log(std::string("!SubsModel.LoadIntoFree: ") + e.what());
  }
}

std::string TSubtitlesModel::ChooseFile() {
  if (!host_.chooseFile)
    return {};
  IPrefs* p = host_.prefs;
  std::string folder;
  if (p && p->GetBool("Subtitles.UseFolder")) {
    folder = p->GetString("Subtitles.Folder");
    if (folder.empty())
      folder = p->GetString("OSD.Subs.Folder");
  } else {
    folder = Pref(p, "FrontEnd.MediaDir", "");
  }
  const std::string mask = "*.txt;*.ass;*.sub;*.srt;*.ssa";
  const std::string chosen =
      host_.chooseFile(Lang("Command.350") + "...", "Subtitles (" + mask + ")|" + mask + "|Any File (*.*)|*.*", folder);
  if (!chosen.empty() && p)
    p->SetString("OSD.Subs.Folder", FolderOfPath(chosen));
  return chosen;
}

void TSubtitlesModel::LoadChosen(TSubStreamModel& stream) {
  const std::string file = ChooseFile();
  if (file.empty())
    return;
  try {
    stream.Load(file);
  } catch (const EZvError& e) {
    Log(std::string("!SubsModel.Load: ") + e.what());
  }
}

void TSubtitlesModel::Load0() { LoadChosen(*streams_[0]); }
void TSubtitlesModel::Load1() { LoadChosen(*streams_[1]); }

void TSubtitlesModel::AutoSearch(const std::string& media) {
  IPrefs* p = host_.prefs;
  std::string folder = p ? p->GetString("Subtitles.Folder") : std::string();
  if (p && p->GetBool("Subtitles.UseFolder") && !folder.empty()) {
    if (folder.back() != '/')
      folder += '/';
    Log("SubsModel.SearchSubs(\"" + folder + "\":\"" + media + "\")");
    SearchDir(folder + NameOfPath(media), 0);
  }
  if (HasFree())
    TryNamesakes(media);
}

void TSubtitlesModel::SearchDir(const std::string& path, int depth) {
  const std::string folder = FolderOfPath(path);
  Log("+SubsModel.SearchDir(\"" + folder + "\")");
  if (!HasFree())
    return;
  TryNamesakes(path);
  // Depth first, in the order the folder lists them; links to folders are not followed, so a loop
  // of links ends, and so does a tree deeper than 32.
  std::vector<std::string> subs;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (!it->is_symlink(ec) && it->is_directory(ec))
      subs.push_back(it->path().filename().string());
  if (depth < 32)
    for (const std::string& sub : subs)
      SearchDir(folder + sub + "/" + NameOfPath(path), depth + 1);
  Log("-SubsModel.SearchDir(\"" + folder + "\")");
}

void TSubtitlesModel::TryNamesakes(const std::string& path) {
  for (const char* ext : {".ass", ".srt", ".sub", ".ssa"}) {
    if (!HasFree())
      return;
    const std::string candidate = WithExtension(path, ext);
    std::error_code ec;
    if (fs::is_regular_file(candidate, ec))
      LoadIntoFree(candidate);
  }
}

void TSubtitlesModel::SetAllEnabled(int value) {
  if (!host_.models)
    return;
  // A stream that is not loaded has no such model and stays as it is.
  for (const char* name : {"App.Subs.Enabled0", "App.Subs.Enabled1"})
    if (auto* m = dynamic_cast<TSInt32Model*>(host_.models->GetModel(name)))
      m->Set(value);
}

} // namespace zv
