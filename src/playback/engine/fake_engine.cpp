#include "playback/engine/fake_engine.h"

#include "core/format.h"
#include "core/text_util.h"

namespace eng::fake {

IFilter* TFakePin::Owner() const { return owner_; }

HRESULT TFakePin::ConnectionMediaType(TMediaType& mt) const {
  if (!peer_)
    return VFW_E_NOT_CONNECTED;
  mt = connection;
  return S_OK;
}

std::vector<IPin*> TFakeFilter::Pins() {
  std::vector<IPin*> r;
  for (auto& p : pins_)
    r.push_back(p.get());
  return r;
}

HRESULT TFakeFilter::LoadFile(const std::string& name) {
  if (!isFileSource)
    return E_NOINTERFACE;
  loaded = name;
  return S_OK;
}

TFakePin* TFakeFilter::AddPin(std::string name, TPinDirection dir, std::vector<TMediaType> types) {
  pins_.push_back(std::make_unique<TFakePin>(this, std::move(name), dir, std::move(types)));
  return pins_.back().get();
}

HRESULT TFakeGraph::QueryInterface(TInterface which) {
  auto it = script_.refused.find(which);
  return it == script_.refused.end() ? S_OK : it->second;
}

HRESULT TFakeGraph::AddFilter(std::shared_ptr<IFilter> filter, const std::string& name) {
  auto* f = dynamic_cast<TFakeFilter*>(filter.get());
  if (!f)
    return E_POINTER;
  std::string unique = name;
  for (int i = 1;; ++i) {
    bool taken = false;
    for (auto& other : filters_)
      taken = taken || other->Name() == unique;
    if (!taken)
      break;
    unique = name + zv::Format(" %.4d", i);
  }
  f->name_ = unique;
  filters_.push_back(filter);
  Note("AddFilter(" + unique + ")");
  return unique == name ? S_OK : VFW_S_DUPLICATE_NAME;
}

HRESULT TFakeGraph::RemoveFilter(IFilter* filter) {
  for (auto it = filters_.begin(); it != filters_.end(); ++it)
    if (it->get() == filter) {
      Note("RemoveFilter(" + filter->Name() + ")");
      filters_.erase(it);
      return S_OK;
    }
  return VFW_E_NOT_IN_GRAPH;
}

std::vector<IFilter*> TFakeGraph::EnumFilters() {
  std::vector<IFilter*> r;
  for (auto it = filters_.rbegin(); it != filters_.rend(); ++it)
    r.push_back(it->get());
  return r;
}

HRESULT TFakeGraph::ConnectDirect(IPin* out, IPin* in, const TMediaType* mt) {
  auto* o = dynamic_cast<TFakePin*>(out);
  auto* i = dynamic_cast<TFakePin*>(in);
  if (!o || !i)
    return E_POINTER;
  if (o->peer_ || i->peer_)
    return VFW_E_ALREADY_CONNECTED;
  o->peer_ = i;
  i->peer_ = o;
  TMediaType type = mt ? *mt : (o->MediaTypes().empty() ? TMediaType{} : o->MediaTypes().front());
  o->connection = i->connection = type;
  Note("ConnectDirect(" + o->Name() + "," + i->Name() + ")");
  return S_OK;
}

HRESULT TFakeGraph::Disconnect(IPin* pin) {
  auto* p = dynamic_cast<TFakePin*>(pin);
  if (!p)
    return E_POINTER;
  if (!p->peer_)
    return S_FALSE;
  Note("Disconnect(" + p->Name() + ")");
  p->peer_ = nullptr; // the other end keeps its side, as each end is disconnected on its own
  return S_OK;
}

HRESULT TFakeGraph::Render(IPin* out) {
  Note("Render(" + (out ? out->Name() : std::string("null")) + ")");
  if (script_.renderPinHook)
    return script_.renderPinHook(*this, out);
  return script_.renderPin;
}

HRESULT TFakeGraph::RenderFile(const std::string& name) {
  Note("RenderFile(" + name + ")");
  if (script_.renderFileHook)
    return script_.renderFileHook(*this, name);
  auto it = script_.renderFile.find(name);
  return it == script_.renderFile.end() ? script_.defaultRender : it->second;
}

HRESULT TFakeGraph::AddSourceFilter(const std::string& name, const std::string& filterName,
                                    std::shared_ptr<IFilter>* filter) {
  auto f = std::make_shared<TFakeFilter>(*TGuid::Parse("{E436EBB5-524F-11CE-9F53-0020AF0BA770}"), filterName);
  f->isFileSource = true;
  f->loaded = name;
  f->AddPin("Output", TPinDirection::Output);
  HRESULT hr = AddFilter(f, filterName);
  if (filter)
    *filter = f;
  return hr;
}

HRESULT TFakeGraph::Run() {
  Note("Run");
  if (Succeeded(script_.run))
    state_ = State_Running;
  return script_.run;
}

HRESULT TFakeGraph::Pause() {
  Note("Pause");
  if (Succeeded(script_.pause))
    state_ = State_Paused;
  return script_.pause;
}

HRESULT TFakeGraph::Stop() {
  Note("Stop");
  if (Succeeded(script_.stop))
    state_ = State_Stopped;
  return script_.stop;
}

HRESULT TFakeGraph::GetDuration(int64_t& duration) {
  if (!script_.duration)
    return E_FAIL;
  duration = *script_.duration;
  return S_OK;
}

HRESULT TFakeGraph::SetPositions(int64_t current, int currentFlags, int64_t, int stopFlags) {
  Note(zv::Format("SetPositions(%d,%d,%d)", current, currentFlags, stopFlags));
  position_ = current;
  seeks_.push_back(current);
  return S_OK;
}

HRESULT TFakeGraph::SetRate(double rate) {
  rate_ = rate;
  Note(zv::Format("SetRate(%1.2f)", rate));
  return S_OK;
}

void TFakeGraph::SetEventNotify(std::function<void()> notify) {
  std::lock_guard<std::mutex> guard(eventLock_);
  notify_ = std::move(notify);
}

bool TFakeGraph::GetEvent(TEvent& event) {
  std::lock_guard<std::mutex> guard(eventLock_);
  if (events_.empty())
    return false;
  event = events_.front();
  events_.pop_front();
  return true;
}

void TFakeGraph::PostEvent(const TEvent& event) {
  std::function<void()> notify;
  {
    std::lock_guard<std::mutex> guard(eventLock_);
    events_.push_back(event);
    notify = notify_;
  }
  if (notify)
    notify();
}

HRESULT TFakeGraph::GetVideoSize(int& width, int& height) {
  if (script_.videoWidth <= 0)
    return E_NOINTERFACE;
  width = script_.videoWidth;
  height = script_.videoHeight;
  return S_OK;
}

HRESULT TFakeGraph::Step(int frames) {
  Note(zv::Format("Step(%d)", frames));
  return script_.canStep ? S_OK : E_NOINTERFACE;
}

HRESULT TFakeGraph::SetVideoOutput(IVideoOutput* output) {
  video_ = output;
  Note(output ? "SetVideoOutput(set)" : "SetVideoOutput(none)");
  return S_OK;
}

HRESULT TFakeGraph::SetVolume(long volume) {
  volume_ = volume;
  return S_OK;
}

HRESULT TFakeGraph::SetBalance(long balance) {
  balance_ = balance;
  return S_OK;
}

HRESULT TFakeDvd::ShowMenu(TDvdMenu menu, int* commandId) {
  if (commandId)
    *commandId = nextId_;
  return Note("ShowMenu(" + std::to_string(menu) + ")#" + std::to_string(nextId_++));
}

bool TFakeDvd::WaitCommand(int commandId, int timeoutMs) {
  Note("WaitCommand(#" + std::to_string(commandId) + ", " + std::to_string(timeoutMs) + ")");
  return commandsEnd;
}

HRESULT TFakeDvd::PlayAtTime(const TDvdTime& t) {
  return Note(zv::Format("PlayAtTime(%d:%.2d:%.2d.%d)", t.hours, t.minutes, t.seconds, t.frames));
}

HRESULT TFakeDvd::SelectAtPosition(double x, double y) {
  selected.emplace_back(x, y);
  return S_OK;
}

HRESULT TFakeDvd::ActivateAtPosition(double x, double y) {
  activated.emplace_back(x, y);
  return Note("ActivateAtPosition");
}

std::unique_ptr<IGraph> TFakeEngine::CreateGraph() {
  log.push_back("CreateGraph");
  auto g = std::make_unique<TFakeGraph>(script, &log);
  lastGraph = g.get();
  return g;
}

std::shared_ptr<IFilter> TFakeEngine::CreateFilter(const TGuid& classId) {
  auto it = knownClasses.find(classId);
  if (it == knownClasses.end())
    return nullptr;
  auto f = std::make_shared<TFakeFilter>(classId, it->second);
  if (classId == classes::VideoProcessor)
    f->processor = std::make_shared<zv::TVideoProcSettings>();
  f->eq = classId == classes::DMOWrapper;
  // Audio renderers have no output.
  f->audio = classId == classes::DirectSoundRenderer || classId == classes::WaveOutRenderer;
  f->AddPin("In", TPinDirection::Input);
  if (!f->audio)
    f->AddPin("Out", TPinDirection::Output);
  log.push_back("CreateFilter(" + it->second + ")");
  return f;
}

bool TFakeEngine::LoadPlugin(const std::string& path) {
  log.push_back("LoadPlugin(" + path + ")");
  auto it = plugins.find(path);
  if (it == plugins.end())
    return false;
  for (const auto& [cls, name] : it->second)
    if (auto guid = TGuid::Parse(cls))
      knownClasses[*guid] = name;
  return true;
}

std::string TFakeEngine::FilterFriendlyName(const TGuid& classId) {
  auto it = knownClasses.find(classId);
  return it == knownClasses.end() ? std::string() : it->second;
}

} // namespace eng::fake

namespace eng::fake {
std::shared_ptr<IFilter> TFakeEngine::CreateAudioRenderer(const std::string& device) {
  for (const TAudioDevice& d : devices)
    if (zv::SameText(d.name, device) && d.name != devices.front().name) {
      auto f = std::make_shared<TFakeFilter>(classes::DirectSoundRenderer, device);
      f->audio = true;
      f->AddPin("In", TPinDirection::Input);
      log.push_back("CreateAudioRenderer(" + device + ")");
      return f;
    }
  return nullptr;
}
} // namespace eng::fake
