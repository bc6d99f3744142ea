#include "playback/sound_out.h"

#include "core/session_log.h"
#include "core/text_util.h"
#include "playback/direct_show_helper.h"

namespace zv {

using namespace eng;

std::string TSoundOut::Chosen() const { return Pref(prefs_, "Sound.OutDevice", kDefaultSoundDevice); }

void TSoundOut::DeviceList(std::vector<std::string>& list) {
  list.clear();
  chosen_ = TGuid{};
  const std::string wanted = Chosen();
  for (const TAudioDevice& d : dsh_.Engine().AudioDevices()) {
    list.push_back(d.name.empty() ? "Noname" : d.name);
    if (SameText(list.back(), wanted))
      chosen_ = d.classId; // a later device of the same name wins, as the list shows both
  }
}

TGuid TSoundOut::ChosenDevice() {
  std::vector<std::string> scratch;
  DeviceList(scratch);
  return chosen_;
}

std::shared_ptr<IFilter> TSoundOut::CreateChosenDevice() { return dsh_.Engine().CreateAudioRenderer(Chosen()); }

void TSoundOut::SwitchOutput() {
  const std::string device = Chosen();
  const TGuid c = ChosenDevice();
  if (c.IsNull())
    return;
  Log("SoundOut:DestFilter=" + c.ToString());
  Reroute(device);
}

void TSoundOut::FallBackToDefault() {
  Log("SoundOut:back to the default device");
  Reroute({});
}

void TSoundOut::Reroute(const std::string& device) {
  IGraph* graph = dsh_.Graph();
  if (!graph)
    return;
  const int k = dsh_.CountAudioRenderers();
  std::vector<IFilter*> renderers;
  for (int i = 0; i < k; ++i)
    renderers.push_back(dsh_.FindAudioRenderer(i));
  for (IFilter* old : renderers) {
    IPin* in = TDirectShowHelper::FirstPin(old, TPinDirection::Input);
    IPin* fed = in ? in->ConnectedTo() : nullptr;
    try {
      dsh_.DisconnectAll(old);
    } catch (const std::exception& e) {
      Log(std::string("!SoundOut: ") + e.what());
    }
    graph->RemoveFilter(old);
    std::shared_ptr<IFilter> r;
    std::string name;
    if (!device.empty()) {
      r = dsh_.Engine().CreateAudioRenderer(device);
      name = "Forced: [" + device + "]";
    }
    if (!r) {
      if (!device.empty())
        Log("!SoundOut: the device \"" + device + "\" could not be opened; the default output plays");
      r = dsh_.CreateFilter(classes::DirectSoundRenderer);
      name = kDefaultSoundDevice;
    }
    if (!r) {
      // Nothing to play on: the sound goes nowhere, in time with the picture.
      r = dsh_.CreateFilter(classes::NullRenderer);
      name = "Null Renderer";
    }
    if (!r || !fed)
      continue;
    graph->AddFilter(r, name);
    IPin* newIn = TDirectShowHelper::FirstPin(r.get(), TPinDirection::Input);
    if (!newIn || Failed(graph->ConnectDirect(fed, newIn, nullptr)))
      Log("!SoundOut: could not connect " + name);
  }
}

} // namespace zv
