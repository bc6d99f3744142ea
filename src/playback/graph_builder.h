#pragma once

#include "core/prefs_access.h"
#include "playback/direct_show_helper.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zv {

// The answer of the decoder library for a codec request key.
struct TFilterInfo {
  std::string name;    // the filter's name in the graph
  std::string path;    // the plug-in file; empty when not available
  std::string folder;  // extra search folder for the plug-in's own libraries; empty for none
  std::string factory; // the element factory the plug-in provides
  eng::TGuid classId;
};

// Decoders and splitters that come with the program as GStreamer plug-in files under
// Plugins/GStreamer/ in the program folder, found by codec request key ("vidc=...", "audc=...",
// "ext=...").
class TFilterLibrary {
public:
  // `pluginDir` ends with "/"; `alert` shows the modal message when a plug-in cannot be used.
  TFilterLibrary(eng::IEngine& engine, std::string pluginDir, std::function<void(const std::string&)> alert);

  TFilterInfo GetFilterInfo(const std::string& key);
  std::shared_ptr<eng::IFilter> CreateFilter(const TFilterInfo& info);

private:
  eng::IEngine& engine_;
  std::string dir_;
  std::function<void(const std::string&)> alert_;
};

// The container format of a file as the media information names it ("AVI", "OGG", "Matroska",
// "RealMedia"); "Unknown" when nothing matches.
class IFileFormat {
public:
  virtual ~IFileFormat() = default;
  virtual std::string FileFormat(const std::string& path) = 0;
};

// The format the media information finds in the file's content ("AVI", "OGG", "Matroska", ...).
class TSniffedFileFormat : public IFileFormat {
public:
  std::string FileFormat(const std::string& path) override;
};

// Turns a file name (or a list of joined AVI parts) into a fully connected graph in the engine
// control's graph: first the engine renders the file by itself; when that fails or leaves streams
// unconnected, the source is built by file format and every free output is rendered, with the
// decoders of the program's own plug-in folder as the last resort.
class TAdvancedGraphBuilder {
public:
  struct THost {
    IPrefs* prefs = nullptr;
    std::string exeDir;  // trailing "/"
    std::string tempDir; // trailing "/"
    std::function<void(const std::string&)> alert;
    IFileFormat* format = nullptr; // TSniffedFileFormat when none
  };

  TAdvancedGraphBuilder(TDirectShowHelper& dsh, THost host);

  // False both on failure and while a network stream is still being reached (Pending()); the
  // latter ends in FinishRender with the engine's result.
  bool Render(const std::string& name);
  bool Pending() const { return pending_; }
  bool FinishRender(eng::HRESULT result);
  // What the engine's own rendering gave (why a stream failed).
  eng::HRESULT EngineResult() const { return engineResult_; }
  bool RenderMultiSource(const std::vector<std::string>& names);

  bool Rendered() const { return rendered_; }
  bool AllRendered() const { return allRendered_; }
  // Why the last build did not render every stream, as the user is told.
  enum class TProblem {
    None,           // every stream is rendered
    NotMedia,       // no media format was found in the file
    NoSoundDevice,  // only sound streams are left, for want of an output device
    MissingDecoder, // a stream or the file's format needs a decoder that is not there
  };
  TProblem Problem() const;
  const std::string& CodecRequest() const { return codecRequest_; }
  TFilterLibrary& Library() { return library_; }

  // The AviSynth script for a file: every "{SOURCE}" becomes the quoted name, every "{PLUGS}" the
  // plug-in folder (any case).
  static std::string MakeAviSynthScript(const std::string& templ, const std::string& name, const std::string& plugsDir);
  // "vidc=33564944" for DIV3.
  static std::string VideoCodecKey(uint32_t fourcc);

private:
  void Reset();
  bool BuildSource(const std::string& name);
  bool CreateAVISplitter(const std::string& name);
  bool BuildAdvancedAVISource(const std::string& name);
  bool AddLibrarySplitter(const std::string& key, const std::string& filterName, const std::string& name,
                          const std::string& logName);
  void RenderFreePins();
  bool RenderPin(eng::IPin* pin);
  bool FastRenderPin(eng::IPin* pin);
  bool RenderPinByFilter(eng::IPin* pin, const std::string& key);
  bool RenderPinByPair(eng::IPin* pin, const eng::TGuid& decoder, const std::string& decoderName,
                       const eng::TGuid& renderer, const std::string& rendererName);
  std::string FormatOf(const std::string& name);

  TDirectShowHelper& dsh_;
  THost host_;
  TSniffedFileFormat sniffer_;
  TFilterLibrary library_;
  bool fastRender_ = false;
  bool rendered_ = false;
  bool damagedIndex_ = false;     // the file's AVI index points at the wrong places
  eng::HRESULT engineResult_ = 0; // what the engine's own rendering of the file gave
  bool noSoundDevice_ = false;    // a sound stream found no output device
  bool otherUnrendered_ = false;  // a stream was left for another reason
  bool allRendered_ = false;
  bool pending_ = false;
  std::string codecRequest_;
};

} // namespace zv
