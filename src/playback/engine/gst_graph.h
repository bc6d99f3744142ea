#pragma once

#include "playback/engine/engine.h"
#include "playback/engine/gst_dvd_navigator.h"
#include "playback/engine/gst_net_source.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <gst/gst.h>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace eng {

class TGstGraph;
class TGstFilter;

// A pin over a GStreamer pad. Pads of elements inside a bin the graph looks through (decodebin)
// appear as the pins of those elements; their links across the bin's border are followed through
// the ghost pads.
class TGstPin : public IPin {
public:
  TGstPin(TGstFilter* owner, GstPad* pad);
  ~TGstPin() override;
  std::string Name() const override;
  TPinDirection Direction() const override;
  IFilter* Owner() const override;
  IPin* ConnectedTo() const override;
  HRESULT ConnectionMediaType(TMediaType& mt) const override;
  std::vector<TMediaType> MediaTypes() const override;

  GstPad* Pad() const { return pad_; }
  // The pad that links to the outside: a ghost pad of a looked-through bin when the pad leads
  // into one, otherwise the pad itself.
  GstPad* OuterPad() const;

private:
  TGstFilter* owner_;
  GstPad* pad_;
};

// A filter over a GStreamer element (or a bin the program builds as one filter).
class TGstFilter : public IFilter,
                   public IBasicAudio,
                   public IParamEq,
                   public std::enable_shared_from_this<TGstFilter> {
public:
  TGstFilter(GstElement* element, TGuid classId, std::string defaultName);
  ~TGstFilter() override;

  std::string Name() const override;
  TGuid ClassId() const override { return class_; }
  std::vector<IPin*> Pins() override;
  std::string ImplementationFile() const override;
  HRESULT LoadFile(const std::string& name) override;
  HRESULT LoadFiles(const std::vector<std::string>& names) override;
  std::shared_ptr<zv::TVideoProcSettings> ProcessorSettings() override;
  // The element's readable and writable properties of plain kinds (a bin's: those of its element
  // that has the most).
  std::vector<TFilterProperty> Properties() override;
  HRESULT SetProperty(const std::string& name, const std::string& value) override;
  // An audio renderer's volume and balance elements; an equalizer stage.
  IBasicAudio* BasicAudio() override;
  IParamEq* ParamEq() override;
  HRESULT SetVolume(long volume) override;
  HRESULT SetBalance(long balance) override;
  HRESULT GetVolume(long& volume) override;
  HRESULT GetBalance(long& balance) override;
  HRESULT GetAllParameters(TParamEqParams& params) override;
  HRESULT SetAllParameters(const TParamEqParams& params) override;

  GstElement* Element() const { return element_; }
  TGstGraph* Graph() const { return graph_; }
  TGstPin* PinOf(GstPad* pad);
  void SetName(std::string name) { name_ = std::move(name); }
  const std::string& DefaultName() const { return defaultName_; }

  // Set by the graph.
  TGstGraph* graph_ = nullptr;
  // A bin whose children the graph shows instead of the bin (decodebin).
  bool transparent = false;
  // For a child of such a bin: the filter the graph added.
  TGstFilter* topLevel = nullptr;

private:
  GstElement* element_;
  TGuid class_;
  std::string defaultName_;
  std::string name_;
  mutable std::mutex pinLock_;
  std::map<GstPad*, std::unique_ptr<TGstPin>> pins_;
  long volume_ = 0, balance_ = 0; // as last set, in 1/100 dB
};

class TGstGraph : public IGraph {
public:
  TGstGraph();
  ~TGstGraph() override;

  HRESULT QueryInterface(TInterface which) override;
  HRESULT AddFilter(std::shared_ptr<IFilter> filter, const std::string& name) override;
  HRESULT RemoveFilter(IFilter* filter) override;
  std::vector<IFilter*> EnumFilters() override;
  HRESULT ConnectDirect(IPin* out, IPin* in, const TMediaType* mt) override;
  HRESULT Disconnect(IPin* pin) override;
  HRESULT Render(IPin* out) override;
  HRESULT RenderFile(const std::string& name) override;
  HRESULT AddSourceFilter(const std::string& name, const std::string& filterName,
                          std::shared_ptr<IFilter>* filter) override;
  void SetLogFile(const std::string& path) override;
  void Abort() override;

  HRESULT Run() override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  HRESULT GetState(int timeoutMs, TFilterState& state) override;

  HRESULT GetDuration(int64_t& duration) override;
  HRESULT GetCurrentPosition(int64_t& position) override;
  HRESULT SetPositions(int64_t current, int currentFlags, int64_t stop, int stopFlags) override;
  HRESULT SetRate(double rate) override;

  void SetEventNotify(std::function<void()> notify) override;
  bool GetEvent(TEvent& event) override;
  void PostEvent(const TEvent& event) override;
  std::vector<TStreamNotice> TakeStreamNotices() override;

  HRESULT GetVideoSize(int& width, int& height) override;
  HRESULT Step(int frames) override;
  HRESULT SetVideoOutput(IVideoOutput* output) override;
  HRESULT SetVolume(long volume) override;
  HRESULT SetBalance(long balance) override;
  std::string GraphDescription() override;
  IDvdControl* DvdControl() override;

  // How long network streams may take to answer, to show what they carry and to send nothing.
  void SetNetworkLimits(const TNetworkLimits& limits) { netLimits_ = limits; }

  // The filter of an element (created for children of looked-through bins), or none.
  TGstFilter* FilterOfElement(GstElement* element);
  GstElement* Pipeline() const { return pipeline_; }
  // Writes one line into the build trace, when there is one.
  void Trace(const std::string& line);

private:
  friend class TGstFilter;
  struct TStreamResult;

  // Called on streaming threads.
  static void OnPadAdded(GstElement* element, GstPad* pad, gpointer self);
  static void OnNoMorePads(GstElement* element, gpointer self);
  static void OnUnknownType(GstElement* element, GstPad* pad, GstCaps* caps, gpointer self);
  GstPad* Exposed(GstPad* pad);
  static GstBusSyncReply OnBusSync(GstBus* bus, GstMessage* msg, gpointer self);
  void HandleNewPad(GstElement* element, GstPad* pad);

  // Builds a renderer for raw caps and links the pad to it; keeps its data until the first
  // pause or run. Returns a failure code when no renderer could be made.
  HRESULT AttachRenderer(GstPad* pad, GstCaps* caps);
  // A video processor the graph holds whose input is still free, or none.
  std::shared_ptr<TGstFilter> FreeProcessor();
  std::shared_ptr<TGstFilter> MakeRenderer(GstCaps* caps, HRESULT& hr);
  // Links the pad to a free input of a filter already in the graph that takes its caps and renders
  // that filter's outputs; VFW_E_CANNOT_RENDER when no such filter takes the stream.
  HRESULT RenderThroughGraphFilters(TGstPin* out, GstPad* pad, GstCaps* caps);
  void Hold(GstPad* pad);
  void HoldRenderer(GstElement* renderer);
  void ReleaseHolds();
  // Links cut while data flows: the output pad waits at a block until it is linked again, so that
  // nothing is pushed into nowhere. When an element that took data went away, the data flow
  // stopped and starts again at the position it had once every cut link is mended.
  bool Live() const;
  void Park(GstPad* src);
  void Unpark(GstPad* src);
  // Lets go of a push that waits below an unlinked sink pad, dropping what lies there.
  void FlushBelow(GstPad* sink);
  void Resync();
  // Registers a filter the graph made itself.
  void AddOwnFilter(const std::shared_ptr<TGstFilter>& f, const std::string& name);
  std::string UniqueName(const std::string& wanted);
  void WaitForDiscovery(GstElement* element, int timeoutMs);
  // Adds a source and a decoding bin behind it and starts finding the streams; the decoding bin
  // in `decoder`.
  HRESULT StartDiscovery(GstElement* src, const TGuid& sourceClass, const std::string& location, GstElement** decoder);
  // What the streams found so far make of a rendering; waitLock_ held.
  HRESULT RenderResult(GstElement* decoder, bool timedOut);
  // A network stream renders on its own thread, which then watches the data while the graph runs.
  HRESULT BeginNetworkRender(const std::string& url);
  void WatchNetwork(GstElement* decoder, std::string url);
  void StopWatch();
  void ApplyVideoOutput();
  GstElement* FirstElementOfClass(const TGuid& cls);
  bool TranslateMessage(GstMessage* msg, TEvent& event);
  // Takes the stream notices of a tag or element message as it is posted; false when it tells
  // nothing new and need not be queued.
  bool TakeNotices(GstMessage* msg);
  HRESULT ErrorToResult(GError* error) const;

  GstElement* pipeline_ = nullptr;
  GstBus* bus_ = nullptr;

  std::recursive_mutex lock_;
  std::vector<std::shared_ptr<TGstFilter>> filters_; // in the order added
  std::map<GstElement*, std::unique_ptr<TGstFilter>> inner_;
  std::vector<std::pair<GstPad*, gulong>> holds_;
  std::map<GstPad*, gulong> parked_;
  bool flushed_ = false;
  int64_t resyncPosition_ = 0; // 100 ns
  bool released_ = false;
  bool restart_ = false; // a stream joined after the source started: start again at the first run
  TFilterState state_ = State_Stopped;
  int64_t lastPosition_ = 0;
  double rate_ = 1.0;
  IVideoOutput* video_ = nullptr;

  // Discovery of the streams of a file, signalled from streaming threads.
  std::mutex waitLock_;
  std::condition_variable waitCond_;
  std::set<GstElement*> noMorePads_;
  bool error_ = false;
  HRESULT errorCode_ = S_OK;
  int renderedVideo_ = 0, renderedAudio_ = 0, renderedOther_ = 0, freePins_ = 0, noAudioHardware_ = 0;
  int notMedia_ = 0; // streams that are no media at all (a web page)

  // Network streams, guarded by waitLock_ but for the atomics.
  TNetworkLimits netLimits_;
  std::thread watch_;
  bool watchStop_ = false;
  bool answered_ = false;   // the server's response headers arrived
  HRESULT netError_ = S_OK; // what an error of the network source said
  GstElement* netSource_ = nullptr;
  // The DVD's navigator, made when asked for, and the bin reading the disc.
  std::unique_ptr<TGstDvdNavigator> dvd_;
  GstElement* dvdBin_ = nullptr; // held by its filter
  HRESULT RenderDvd(const std::string& root);
  // A new rendering starts: no error, nothing rendered yet.
  void BeginRenderCount();
  GCancellable* cancel_ = nullptr;
  std::atomic<bool> running_{false};
  std::atomic<int64_t> lastData_{0}; // steady milliseconds of the last data from the network

  std::mutex notifyLock_;
  std::function<void()> notify_;
  std::mutex messageLock_;
  std::deque<GstMessage*> messages_;   // bus messages in the order they were posted
  std::vector<TStreamNotice> notices_; // guarded by messageLock_
  std::string lastTitle_;              // the title last noticed (sinks repeat their tags)

  std::mutex traceLock_;
  std::string tracePath_;
};

} // namespace eng
