#include "playback/graph_builder.h"

#include "filters/avi_parser.h"

#include "core/atomic_file.h"
#include "core/error.h"
#include "core/format.h"
#include "core/session_log.h"
#include "core/stream.h"
#include "core/text_util.h"
#include "mediainfo/media_info.h"
#include "playback/engine/engine.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace zv {
namespace fs = std::filesystem;
using namespace eng;

namespace {

std::string Code(HRESULT hr) { return Format("%.8x", hr); }

struct TLibraryRow {
  std::vector<std::string> keys;
  const char* name; // nullptr: the key itself
  const char* file; // relative to the plug-in folder
  const char* factory;
  const char* folder; // extra search folder, or nullptr
};

std::string FourCCKey(const char* fourcc) {
  return TAdvancedGraphBuilder::VideoCodecKey(MakeFourCC(fourcc[0], fourcc[1], fourcc[2], fourcc[3]));
}

std::vector<std::string> VideoKeys(std::initializer_list<const char*> fourccs) {
  std::vector<std::string> keys;
  for (const char* f : fourccs)
    keys.push_back(FourCCKey(f));
  return keys;
}

// Every row is tested; a later match overrides an earlier one.
const std::vector<TLibraryRow>& LibraryTable() {
  static const std::vector<TLibraryRow> rows = {
      {VideoKeys({"xDIV"}), "DivX Decoder 4.12", "DivX/4.12/libgstdivxdec.so", "divxdec", nullptr},
      {VideoKeys({"DIV3", "div3", "DIV4", "div4", "DIVX", "divx", "DX50", "dx50", "DIV6"}), "DivX Decoder 5.1.1",
       "DivX/5.1.1/libgstdivxdec.so", "divxdec", nullptr},
      {VideoKeys({"XVID"}), "XviD Decoder", "XviD/libgstxvid.so", "xviddec", "XviD/"},
      {VideoKeys({"IV50"}), "Intel Video Decoder", "Indeo/libgstindeo5.so", "indeo5dec", nullptr},
      {VideoKeys({"IV41"}), nullptr, "Indeo/libgstindeo4.so", "indeo4dec", nullptr},
      {{"audc=0055"}, nullptr, "MPEG 1.3/libgstmp3dec.so", "mp3dec", nullptr},
      {{"audc=0075"}, nullptr, "Voxware/libgstvoxware.so", "voxwaredec", nullptr},
      {{"audc=2000"}, nullptr, "AC3.Tmbar/libgstac3filter.so", "ac3filter", nullptr},
      {{"ext=OGG"}, nullptr, "Ogg/libgstoggds.so", "oggdssplitter", "Ogg/"},
      {{"audc=OGGA"}, nullptr, "Ogg/libgstoggds.so", "oggdsdec", "Ogg/"},
      {{"ext=RM"}, nullptr, "RealMedia/libgstrealmediasplitter.so", "rmsplitter", nullptr},
      {{"audc=RLMD"}, nullptr, "RealMedia/libgstrealmediasplitter.so", "rmaudiodec", nullptr},
      {VideoKeys({"RV20"}), nullptr, "RealMedia/libgstrealmediasplitter.so", "rvvideodec", nullptr},
      {{"ext=MKV"}, nullptr, "Matroska/libgstmatroskasplitter.so", "mkvsplitter", nullptr},
      {{"ext=FLI"}, nullptr, "FLIC/libgstflicsource.so", "flicsource", nullptr},
      {VideoKeys({"COL1"}), nullptr, "COL1/libgstcool1c32.so", "cool1c32dec", nullptr},
  };
  return rows;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The decoder library

TFilterLibrary::TFilterLibrary(IEngine& engine, std::string pluginDir, std::function<void(const std::string&)> alert)
    : engine_(engine), dir_(std::move(pluginDir)), alert_(std::move(alert)) {}

TFilterInfo TFilterLibrary::GetFilterInfo(const std::string& key) {
  Log("+TFilterLibrary.GetFilterInfo(" + key + ")");
  TFilterInfo info;
  info.name = key;
  for (const TLibraryRow& row : LibraryTable()) {
    bool match = false;
    for (const std::string& k : row.keys)
      match = match || k == key;
    if (!match)
      continue;
    info.name = row.name ? row.name : key;
    info.path = dir_ + row.file;
    info.factory = row.factory;
    info.classId = ClassOfFactory(row.factory);
    info.folder = row.folder ? dir_ + row.folder : std::string();
  }
  Log("FoundPath=(" + info.path + ")");
  std::error_code ec;
  if (!info.path.empty() && !fs::is_regular_file(info.path, ec))
    info.path.clear();
  Log("-TFilterLibrary.GetFilterInfo(" + info.path + ")");
  return info;
}

std::shared_ptr<IFilter> TFilterLibrary::CreateFilter(const TFilterInfo& info) {
  if (!info.folder.empty()) {
    const char* old = std::getenv("PATH");
    std::string path = (old ? std::string(old) : std::string()) + ":" + info.folder;
    ::setenv("PATH", path.c_str(), 1);
  }
  // The plug-in stays loaded once it has been; its classes are then known to the engine.
  if (!engine_.LoadPlugin(info.path) || engine_.FilterFriendlyName(info.classId).empty()) {
    if (alert_)
      alert_(" ! TFilterLibrary.CreateFilter: GetCO failed for \"" + info.path + "\"");
    return nullptr;
  }
  return engine_.CreateFilter(info.classId);
}

// ---------------------------------------------------------------------------------------------
// File formats by their first bytes

std::string TSniffedFileFormat::FileFormat(const std::string& path) {
  // The media information's identification of the file's content.
  TCachedFile file(path);
  TMediaInfo info(file);
  return info.GetFileFormat();
}

// ---------------------------------------------------------------------------------------------
// The builder

TAdvancedGraphBuilder::TAdvancedGraphBuilder(TDirectShowHelper& dsh, THost host)
    : dsh_(dsh), host_(std::move(host)), library_(dsh.Engine(), host_.exeDir + "Plugins/GStreamer/", host_.alert) {}

std::string TAdvancedGraphBuilder::VideoCodecKey(uint32_t fourcc) { return Format("vidc=%.8x", fourcc); }

std::string TAdvancedGraphBuilder::MakeAviSynthScript(const std::string& templ, const std::string& name,
                                                      const std::string& plugsDir) {
  std::string s = ReplaceAll(templ, "{SOURCE}", "\"" + name + "\"", true);
  return ReplaceAll(s, "{PLUGS}", plugsDir, true);
}

void TAdvancedGraphBuilder::Reset() {
  codecRequest_.clear();
  rendered_ = allRendered_ = damagedIndex_ = noSoundDevice_ = otherUnrendered_ = false;
  engineResult_ = S_OK;
  fastRender_ = host_.prefs && host_.prefs->GetBool("Modules.DirectShow.FastRender");
}

std::string TAdvancedGraphBuilder::FormatOf(const std::string& name) {
  IFileFormat* f = host_.format ? host_.format : &sniffer_;
  std::string format = f->FileFormat(name);
  Log("TPlayerDS.BuildSource:MediaInfo.GetFileFormat=" + format);
  return format;
}

bool TAdvancedGraphBuilder::Render(const std::string& fileName) {
  TLogScope scope("TAdvancedGraphBuilder.Render");
  Reset();
  std::string name = fileName;
  if (dsh_.isDVD) {
    // A disc has one way in, its navigator; nothing else reads its folder.
    Log("TAdvancedGraphBuilder.Render:DSH.RenderFile(\"" + name + "\")");
    HRESULT hr = dsh_.RenderFile(name);
    Log("TAdvancedGraphBuilder.Render=" + Code(hr));
    engineResult_ = hr;
    rendered_ = allRendered_ = Succeeded(hr);
    return rendered_;
  }
  if (IsStreamName(name)) {
    // A stream has one way in: the engine's network source. Reaching the server does not hold up
    // the user interface; the result comes to FinishRender.
    Log("TAdvancedGraphBuilder.Render:DSH.RenderFile(\"" + name + "\")");
    HRESULT hr = dsh_.RenderFile(name);
    Log("TAdvancedGraphBuilder.Render=" + Code(hr));
    if (hr == E_PENDING) {
      pending_ = true;
      return false;
    }
    return FinishRender(hr);
  }
  std::string ext = fs::path(name).extension().string();
  codecRequest_ = "ext=" + (ext.empty() ? ext : ext.substr(1));

  if (host_.prefs && host_.prefs->GetBool("Modules.AviSynth.Enabled")) {
    std::string script = host_.prefs->GetString("Modules.AviSynth.Script");
    if (script.empty())
      script = "DidezUvezur.avs";
    std::string plugs = host_.exeDir + "Plugins/AviSynth";
    try {
      std::string text = MakeAviSynthScript(ReadWholeFile(plugs + "/" + script), name, plugs);
      std::string target = host_.tempDir + "Temp.avs";
      WriteFileAtomic(target, text);
      name = target;
    } catch (const std::exception& e) {
      // Without its template the script cannot be made; the file itself is rendered instead.
      Log(std::string("!TAdvancedGraphBuilder.Render: AviSynth: ") + e.what());
    }
  }

  HRESULT hr;
  // An AVI file whose index points at the wrong places would play as a smear from the engine's
  // splitter, which trusts the index: the program's own source builds a new one.
  damagedIndex_ = !IsStreamName(name) && TAVIParser::IndexDamaged(name);
  if (damagedIndex_) {
    Log("=Damaged.Index");
    hr = E_FAIL;
  } else if (fastRender_ && !IsStreamName(name) && SameText(FormatOf(name), "AVI")) {
    Log("=Fast.Render");
    hr = E_FAIL;
  } else {
    Log("TAdvancedGraphBuilder.Render:DSH.RenderFile(\"" + name + "\")");
    hr = dsh_.RenderFile(name);
    Log("TAdvancedGraphBuilder.Render=" + Code(hr));
  }
  rendered_ = !Failed(hr);
  allRendered_ = hr == S_OK;
  engineResult_ = hr;
  // Without a sound device no other way renders the sound either.
  noSoundDevice_ = hr == VFW_E_NO_AUDIO_HARDWARE || hr == VFW_S_AUDIO_NOT_RENDERED;
  try {
    if (hr == VFW_E_NO_AUDIO_HARDWARE) {
      dsh_.RemoveAllFilters();
    } else if (Failed(hr)) {
      dsh_.RemoveAllFilters();
      dsh_.AddForcedFilters();
      if (BuildSource(name))
        RenderFreePins();
    } else if (hr > 0) {
      RenderFreePins();
    }
  } catch (const EZvError& e) {
    Log(std::string("!TAdvancedGraphBuilder.Render: ") + e.what());
    allRendered_ = false;
  }
  return rendered_ || allRendered_;
}

bool TAdvancedGraphBuilder::FinishRender(HRESULT hr) {
  Log("TAdvancedGraphBuilder.FinishRender=" + Code(hr));
  pending_ = false;
  engineResult_ = hr;
  noSoundDevice_ = hr == VFW_E_NO_AUDIO_HARDWARE || hr == VFW_S_AUDIO_NOT_RENDERED;
  rendered_ = allRendered_ = Succeeded(hr);
  otherUnrendered_ = Failed(hr) && !noSoundDevice_;
  if (Failed(hr)) {
    try {
      dsh_.RemoveAllFilters();
    } catch (const EZvError& e) {
      Log(std::string("!TAdvancedGraphBuilder.FinishRender: ") + e.what());
    }
  }
  return rendered_;
}

bool TAdvancedGraphBuilder::RenderMultiSource(const std::vector<std::string>& names) {
  TLogScope scope("TAdvancedGraphBuilder.RenderMultiSource");
  Reset();
  codecRequest_ = "proc=MultiLoad";
  dsh_.RemoveAllFilters();
  dsh_.AddForcedFilters();
  std::shared_ptr<IFilter> source = dsh_.CreateFilter(classes::MultiAVISource);
  HRESULT hr = source ? dsh_.Graph()->AddFilter(source, "Multi AVI Source") : E_FAIL;
  Log("Graph.AddFilter(MAviSrc)=" + Code(hr));
  if (Succeeded(hr)) {
    hr = source->LoadFiles(names);
    Log("MAviSrc.LoadFiles=" + Code(hr));
    if (Succeeded(hr))
      RenderFreePins();
    else
      dsh_.Graph()->RemoveFilter(source.get());
  }
  return rendered_ || allRendered_;
}

bool TAdvancedGraphBuilder::BuildSource(const std::string& name) {
  dsh_.RemoveAllFilters();
  dsh_.AddForcedFilters();
  std::string format = IsStreamName(name) ? std::string() : FormatOf(name);
  std::string ext = UpperCase(fs::path(name).extension().string());
  if (SameText(format, "AVI"))
    return (!damagedIndex_ && CreateAVISplitter(name)) || BuildAdvancedAVISource(name);
  if (SameText(format, "OGG"))
    return AddLibrarySplitter("ext=OGG", "OGG Splitter", name, "OGG Splitter");
  if (SameText(format, "RealMedia"))
    return AddLibrarySplitter("ext=RM", "RealMedia Splitter", name, "RealMedia");
  if (SameText(format, "Matroska"))
    return AddLibrarySplitter("ext=MKV", "Matroska Splitter", name, "Matroska");
  if (ext == ".FLI" || ext == ".FLC") {
    TFilterInfo info = library_.GetFilterInfo("ext=FLI");
    if (info.path.empty())
      return false;
    std::shared_ptr<IFilter> f = library_.CreateFilter(info);
    if (!f)
      return false;
    HRESULT hr = dsh_.Graph()->AddFilter(f, "FLIC Source");
    Log("TPlayerDS.BuildSource:DSH.Graph.AddFilter(FLIC Source)=" + Code(hr));
    if (Failed(hr))
      return false;
    Log("TPlayerDS.BuildSource:Filter.Load(FLIC)=" + Code(f->LoadFile(name)));
    return true;
  }
  std::shared_ptr<IFilter> source;
  HRESULT hr = dsh_.Graph()->AddSourceFilter(name, "File Source", &source);
  return Succeeded(hr) && source && source->ClassId() != classes::AsyncFileReader;
}

bool TAdvancedGraphBuilder::AddLibrarySplitter(const std::string& key, const std::string& filterName,
                                               const std::string& name, const std::string& logName) {
  TFilterInfo info = library_.GetFilterInfo(key);
  if (info.path.empty())
    return false;
  std::shared_ptr<IFilter> splitter = library_.CreateFilter(info);
  if (!splitter)
    return false;
  HRESULT hr = dsh_.Graph()->AddFilter(splitter, filterName);
  Log("TPlayerDS.BuildSource:DSH.Graph.AddFilter(" + filterName + ")=" + Code(hr));
  if (Failed(hr))
    return false;
  std::shared_ptr<IFilter> source;
  hr = dsh_.Graph()->AddSourceFilter(name, "File Source", &source);
  Log("TPlayerDS.BuildSource:DSH.Graph.AddSourceFilter(" + logName + ")=" + Code(hr));
  if (Succeeded(hr) && source) {
    Log("TPlayerDS.BuildSource:DSH.ConnectFilters");
    dsh_.ConnectFilters(source.get(), splitter.get());
  }
  return true;
}

bool TAdvancedGraphBuilder::CreateAVISplitter(const std::string& name) {
  std::shared_ptr<IFilter> reader = dsh_.CreateFilter(classes::AsyncFileReader);
  std::shared_ptr<IFilter> splitter = dsh_.CreateFilter(classes::AviSplitter);
  if (!reader || !splitter)
    return false;
  IGraph* g = dsh_.Graph();
  if (Failed(g->AddFilter(reader, "File Reader")) || Failed(g->AddFilter(splitter, "AVI Splitter")))
    return false;
  reader->LoadFile(name);
  HRESULT hr = dsh_.ConnectFilters(reader.get(), splitter.get());
  Log("TPlayerDS.CreateAVISplitter:DSH.ConnectFilters=" + Code(hr));
  if (Failed(hr)) {
    // The next source starts from an empty graph.
    g->RemoveFilter(splitter.get());
    g->RemoveFilter(reader.get());
  }
  return Succeeded(hr);
}

bool TAdvancedGraphBuilder::BuildAdvancedAVISource(const std::string& name) {
  std::shared_ptr<IFilter> source = dsh_.CreateFilter(classes::AdvancedAVISource);
  HRESULT hr = source ? dsh_.Graph()->AddFilter(source, "Advanced AVI Source") : E_FAIL;
  if (Failed(hr)) {
    Log("TPlayerDS.BuildAdvancedAVISource:Graph.AddFilter=" + Code(hr));
    return false;
  }
  hr = source->LoadFile(name);
  if (Succeeded(hr))
    return true;
  dsh_.Graph()->RemoveFilter(source.get());
  Log("TPlayerDS.BuildAdvancedAVISource:AviSrc.Load=" + Code(hr));
  return false;
}

void TAdvancedGraphBuilder::RenderFreePins() {
  TLogScope scope("TPlayerDS.RenderFreePins");
  allRendered_ = true;
  std::vector<IPin*> free;
  for (IFilter* f : dsh_.Graph()->EnumFilters()) {
    std::vector<IPin*> pins = f->Pins();
    // A filter with inputs none of which is connected got nothing to put out (an unused forced
    // filter): its outputs are not free streams.
    bool hasInput = false, fed = false;
    for (IPin* p : pins)
      if (p->Direction() == TPinDirection::Input) {
        hasInput = true;
        fed = fed || p->ConnectedTo() != nullptr;
      }
    for (IPin* p : pins)
      if (!p->ConnectedTo() && (p->Direction() == TPinDirection::Input || !hasInput || fed))
        free.push_back(p);
  }
  for (size_t i = 0; i < free.size(); ++i) {
    Log(Format("TPlayerDS.RenderFreePins:Pin no. %d...", static_cast<int>(i)));
    if (free[i]->Direction() != TPinDirection::Output)
      continue;
    if (RenderPin(free[i]))
      rendered_ = true;
    else
      allRendered_ = false;
  }
}

TAdvancedGraphBuilder::TProblem TAdvancedGraphBuilder::Problem() const {
  if (noSoundDevice_ && !otherUnrendered_)
    return TProblem::NoSoundDevice;
  if (allRendered_)
    return TProblem::None;
  if (!rendered_ && engineResult_ == VFW_E_UNKNOWN_FILE_TYPE)
    return TProblem::NotMedia;
  return TProblem::MissingDecoder;
}

bool TAdvancedGraphBuilder::RenderPin(IPin* pin) {
  Log("+TPlayerDS.RenderPin");
  if (!pin) {
    Log("-TPlayerDS.RenderPin(NIL Pin)");
    return false;
  }
  if (fastRender_ && FastRenderPin(pin)) {
    Log("-TPlayerDS.RenderPin(FastRender)");
    return true;
  }
  HRESULT hr = dsh_.Graph()->Render(pin);
  Log("TPlayerDS.RenderPin: TryNormal DSH.Graph.Render(Pin)=" + Code(hr));
  if (Succeeded(hr)) {
    rendered_ = true;
    Log("-TPlayerDS.RenderPin(NormalRender)");
    return true;
  }
  if (hr == VFW_E_NO_AUDIO_HARDWARE) {
    // Decoded, but nothing to play it on: no decoder would help.
    noSoundDevice_ = true;
    Log("-TPlayerDS.RenderPin(no sound device)");
    return false;
  }
  static const char* const kRealAudio[] = {"14_4", "28_8", "ATRC", "COOK", "DNET", "SIPR"};
  for (const TMediaType& mt : pin->MediaTypes()) {
    if (mt.IsVideo() && mt.HasVideoInfo()) {
      std::string key = VideoCodecKey(mt.SubtypeFourCC());
      if (RenderPinByFilter(pin, key))
        return true;
      codecRequest_ = key;
    }
    if (mt.IsAudio()) {
      uint32_t fourcc = mt.SubtypeFourCC();
      std::string chars{static_cast<char>(fourcc & 0xFF), static_cast<char>((fourcc >> 8) & 0xFF),
                        static_cast<char>((fourcc >> 16) & 0xFF), static_cast<char>((fourcc >> 24) & 0xFF)};
      bool real = false;
      for (const char* r : kRealAudio)
        real = real || chars == r;
      if (real) {
        if (RenderPinByFilter(pin, "audc=RLMD"))
          return true;
        codecRequest_ = "audc=" + chars;
      }
    }
    if (mt.IsAudio() && mt.HasWaveFormat()) {
      std::string key = Format("audc=%.4x", static_cast<int>(mt.WaveFormat().formatTag));
      if (RenderPinByFilter(pin, key))
        return true;
      codecRequest_ = key;
    }
    if (mt.IsAudio() && mt.subtype == guids::MEDIASUBTYPE_Vorbis) {
      if (RenderPinByFilter(pin, "audc=OGGA"))
        return true;
      codecRequest_ = "audc=OGGA";
    }
    if (mt.majortype == guids::MEDIATYPE_Stream && mt.subtype == guids::MEDIASUBTYPE_MPEG1Audio) {
      if (RenderPinByFilter(pin, "audc=0055"))
        return true;
      codecRequest_ = "audc=0055";
    }
  }
  otherUnrendered_ = true;
  Log("-TPlayerDS.RenderPin");
  return false;
}

bool TAdvancedGraphBuilder::RenderPinByFilter(IPin* pin, const std::string& key) {
  TFilterInfo info = library_.GetFilterInfo(key);
  if (info.path.empty())
    return false;
  std::shared_ptr<IFilter> f = library_.CreateFilter(info);
  if (!f)
    return false;
  HRESULT hr = dsh_.Graph()->AddFilter(f, info.name);
  Log("TPlayerDS.RenderPinByFilter:DSH.Graph.AddFilter(" + info.name + ")=" + Code(hr));
  hr = dsh_.Graph()->Render(pin);
  Log("TPlayerDS.RenderPinByFilter:DSH.Graph.Render(Pin)=" + Code(hr));
  return Succeeded(hr);
}

bool TAdvancedGraphBuilder::FastRenderPin(IPin* pin) {
  TLogScope scope("TPlayerDS.FastRenderPin");
  for (const TMediaType& mt : pin->MediaTypes()) {
    if (mt.IsVideo() && mt.HasVideoInfo()) {
      uint32_t f = mt.SubtypeFourCC();
      std::string cc = UpperCase(std::string{static_cast<char>(f & 0xFF), static_cast<char>((f >> 8) & 0xFF),
                                             static_cast<char>((f >> 16) & 0xFF), static_cast<char>((f >> 24) & 0xFF)});
      if ((cc == "DIV3" || cc == "DIVX" || cc == "DX50") &&
          RenderPinByPair(pin, classes::DivXDecoder, "DivX decoder", classes::VideoRenderer, "Video Renderer"))
        return true;
    }
    if (mt.IsAudio() && mt.HasWaveFormat()) {
      std::string tag = Format("%.4x", static_cast<int>(mt.WaveFormat().formatTag));
      if ((tag == "0050" || tag == "0055") &&
          RenderPinByPair(pin, classes::Mpeg3Decoder, "MP3 decoder", classes::DirectSoundRenderer,
                          "Default DirectSound Device"))
        return true;
    }
  }
  return false;
}

bool TAdvancedGraphBuilder::RenderPinByPair(IPin* pin, const TGuid& decoder, const std::string& decoderName,
                                            const TGuid& renderer, const std::string& rendererName) {
  IFilter* owner = pin->Owner();
  std::shared_ptr<IFilter> dec = dsh_.CreateFilter(decoder);
  std::shared_ptr<IFilter> ren = dsh_.CreateFilter(renderer);
  if (!owner || !dec || !ren)
    return false;
  IGraph* g = dsh_.Graph();
  Log("TPlayerDS.RenderPinByPair:DSH.Graph.AddFilter(" + decoderName + ")=" + Code(g->AddFilter(dec, decoderName)));
  Log("TPlayerDS.RenderPinByPair:DSH.Graph.AddFilter(" + rendererName + ")=" + Code(g->AddFilter(ren, rendererName)));
  // The pin it was given is the one connected, whichever output of its filter it is.
  IPin* decIn = TDirectShowHelper::FirstPin(dec.get(), TPinDirection::Input);
  IPin* decOut = TDirectShowHelper::FirstPin(dec.get(), TPinDirection::Output);
  IPin* renIn = TDirectShowHelper::FirstPin(ren.get(), TPinDirection::Input);
  if (!decIn || !renIn)
    return false;
  bool ok = Succeeded(g->ConnectDirect(pin, decIn, nullptr));
  decOut = TDirectShowHelper::FirstPin(dec.get(), TPinDirection::Output);
  ok = ok && decOut && Succeeded(g->ConnectDirect(decOut, renIn, nullptr));
  return ok;
}

} // namespace zv
