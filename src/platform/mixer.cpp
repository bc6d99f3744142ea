#include "platform/mixer.h"

#include "core/format.h"
#include "core/session_log.h"

#include <algorithm>
#include <alsa/asoundlib.h>
#include <pulse/pulseaudio.h>
#include <unistd.h>
#include <vector>

namespace zv {

namespace {

void MixerError(uint32_t code, const char* call) { Log(Format("!Mixer Error:[%.8x] %s", code, call)); }

// The sound server, through libpulse's threaded main loop; every call waits for its answer.
class TPulseMixer : public IMixerBackend {
public:
  bool Connect() {
    loop_ = pa_threaded_mainloop_new();
    if (!loop_)
      return false;
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "Zelvar");
    if (!context_)
      return false;
    pa_context_set_state_callback(
        context_,
        [](pa_context*, void* loop) { pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0); },
        loop_);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
      return false;
    if (pa_threaded_mainloop_start(loop_) < 0)
      return false;
    pa_threaded_mainloop_lock(loop_);
    pa_context_state_t state;
    while ((state = pa_context_get_state(context_)) != PA_CONTEXT_READY && PA_CONTEXT_IS_GOOD(state))
      pa_threaded_mainloop_wait(loop_);
    pa_threaded_mainloop_unlock(loop_);
    return state == PA_CONTEXT_READY;
  }

  ~TPulseMixer() override {
    if (loop_)
      pa_threaded_mainloop_stop(loop_);
    if (context_) {
      pa_context_disconnect(context_);
      pa_context_unref(context_);
    }
    if (loop_)
      pa_threaded_mainloop_free(loop_);
  }

  std::optional<uint32_t> Read(TLine line) override {
    std::vector<pa_cvolume> volumes = line == TLine::Master ? MasterVolumes() : StreamVolumes(nullptr);
    if (volumes.empty() || volumes.front().channels == 0)
      return std::nullopt;
    return static_cast<uint32_t>(
        std::min<uint64_t>(65535, uint64_t{volumes.front().values[0]} * 65535 / PA_VOLUME_NORM));
  }

  void Write(TLine line, uint32_t value) override {
    const pa_volume_t v = static_cast<pa_volume_t>(uint64_t{std::min<uint32_t>(value, 65535)} * PA_VOLUME_NORM / 65535);
    if (line == TLine::Master) {
      std::vector<pa_cvolume> cur = MasterVolumes();
      if (cur.empty())
        return;
      pa_cvolume cv;
      pa_cvolume_set(&cv, cur.front().channels, v);
      Wait(pa_context_set_sink_volume_by_name(context_, defaultSink_.c_str(), &cv, Done, this),
           "pa_context_set_sink_volume_by_name");
    } else {
      std::vector<uint32_t> indexes;
      std::vector<pa_cvolume> cur = StreamVolumes(&indexes);
      for (size_t i = 0; i < indexes.size(); ++i) {
        pa_cvolume cv;
        pa_cvolume_set(&cv, cur[i].channels, v);
        Wait(pa_context_set_sink_input_volume(context_, indexes[i], &cv, Done, this),
             "pa_context_set_sink_input_volume");
      }
    }
  }

private:
  static void Done(pa_context*, int success, void* self) {
    auto* m = static_cast<TPulseMixer*>(self);
    if (!success)
      m->failed_ = true;
    pa_threaded_mainloop_signal(m->loop_, 0);
  }

  // Runs an operation to its end; the loop's lock is held by the caller.
  void Wait(pa_operation* op, const char* call) {
    failed_ = false;
    if (!op) {
      MixerError(static_cast<uint32_t>(pa_context_errno(context_)), call);
      return;
    }
    while (pa_operation_get_state(op) == PA_OPERATION_RUNNING)
      pa_threaded_mainloop_wait(loop_);
    pa_operation_unref(op);
    if (failed_)
      MixerError(static_cast<uint32_t>(pa_context_errno(context_)), call);
  }

  struct TLocked {
    explicit TLocked(pa_threaded_mainloop* l) : loop(l) { pa_threaded_mainloop_lock(loop); }
    ~TLocked() { pa_threaded_mainloop_unlock(loop); }
    pa_threaded_mainloop* loop;
  };

  std::vector<pa_cvolume> MasterVolumes() {
    TLocked lock(loop_);
    defaultSink_.clear();
    Wait(pa_context_get_server_info(
             context_,
             [](pa_context*, const pa_server_info* info, void* self) {
               auto* m = static_cast<TPulseMixer*>(self);
               if (info && info->default_sink_name)
                 m->defaultSink_ = info->default_sink_name;
               pa_threaded_mainloop_signal(m->loop_, 0);
             },
             this),
         "pa_context_get_server_info");
    found_.clear();
    if (defaultSink_.empty())
      return found_;
    Wait(pa_context_get_sink_info_by_name(
             context_, defaultSink_.c_str(),
             [](pa_context*, const pa_sink_info* info, int eol, void* self) {
               auto* m = static_cast<TPulseMixer*>(self);
               if (info && !eol)
                 m->found_.push_back(info->volume);
               pa_threaded_mainloop_signal(m->loop_, 0);
             },
             this),
         "pa_context_get_sink_info_by_name");
    return found_;
  }

  // The volumes of this process's own streams.
  std::vector<pa_cvolume> StreamVolumes(std::vector<uint32_t>* indexes) {
    TLocked lock(loop_);
    found_.clear();
    foundIndex_.clear();
    Wait(pa_context_get_sink_input_info_list(
             context_,
             [](pa_context*, const pa_sink_input_info* info, int eol, void* self) {
               auto* m = static_cast<TPulseMixer*>(self);
               if (info && !eol && info->has_volume) {
                 const char* pid = pa_proplist_gets(info->proplist, PA_PROP_APPLICATION_PROCESS_ID);
                 if (pid && std::to_string(getpid()) == pid) {
                   m->found_.push_back(info->volume);
                   m->foundIndex_.push_back(info->index);
                 }
               }
               pa_threaded_mainloop_signal(m->loop_, 0);
             },
             this),
         "pa_context_get_sink_input_info_list");
    if (indexes)
      *indexes = foundIndex_;
    return found_;
  }

  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  bool failed_ = false;
  std::string defaultSink_;
  std::vector<pa_cvolume> found_;
  std::vector<uint32_t> foundIndex_;
};

// The default card's simple mixer controls.
class TAlsaMixer : public IMixerBackend {
public:
  bool Open() {
    int r;
    if ((r = snd_mixer_open(&mixer_, 0)) < 0)
      return Fail(r, "snd_mixer_open");
    if ((r = snd_mixer_attach(mixer_, "default")) < 0)
      return Fail(r, "snd_mixer_attach");
    if ((r = snd_mixer_selem_register(mixer_, nullptr, nullptr)) < 0)
      return Fail(r, "snd_mixer_selem_register");
    if ((r = snd_mixer_load(mixer_)) < 0)
      return Fail(r, "snd_mixer_load");
    return true;
  }
  ~TAlsaMixer() override {
    if (mixer_)
      snd_mixer_close(mixer_);
  }

  std::optional<uint32_t> Read(TLine line) override {
    snd_mixer_elem_t* e = Element(line);
    long min = 0, max = 0, v = 0;
    if (!e || snd_mixer_selem_get_playback_volume_range(e, &min, &max) < 0 || max <= min)
      return std::nullopt;
    if (int r = snd_mixer_selem_get_playback_volume(e, SND_MIXER_SCHN_FRONT_LEFT, &v); r < 0) {
      MixerError(static_cast<uint32_t>(r), "snd_mixer_selem_get_playback_volume");
      return std::nullopt;
    }
    return static_cast<uint32_t>((v - min) * 65535 / (max - min));
  }

  void Write(TLine line, uint32_t value) override {
    snd_mixer_elem_t* e = Element(line);
    long min = 0, max = 0;
    if (!e || snd_mixer_selem_get_playback_volume_range(e, &min, &max) < 0 || max <= min)
      return;
    const long v =
        min + static_cast<long>(uint64_t{std::min<uint32_t>(value, 65535)} * static_cast<uint64_t>(max - min) / 65535);
    if (int r = snd_mixer_selem_set_playback_volume_all(e, v); r < 0)
      MixerError(static_cast<uint32_t>(r), "snd_mixer_selem_set_playback_volume_all");
  }

private:
  bool Fail(int r, const char* call) {
    MixerError(static_cast<uint32_t>(r), call);
    return false;
  }
  snd_mixer_elem_t* Element(TLine line) {
    snd_mixer_selem_id_t* id;
    snd_mixer_selem_id_alloca(&id);
    snd_mixer_selem_id_set_index(id, 0);
    snd_mixer_selem_id_set_name(id, line == TLine::Master ? "Master" : "PCM");
    snd_mixer_elem_t* e = snd_mixer_find_selem(mixer_, id);
    return e && snd_mixer_selem_has_playback_volume(e) ? e : nullptr;
  }
  snd_mixer_t* mixer_ = nullptr;
};

} // namespace

std::unique_ptr<IMixerBackend> OpenSystemMixer() {
  auto pulse = std::make_unique<TPulseMixer>();
  if (pulse->Connect())
    return pulse;
  auto alsa = std::make_unique<TAlsaMixer>();
  if (alsa->Open())
    return alsa;
  Log("Mixer: no sound server or sound card mixer");
  return nullptr;
}

TMixer::TMixer(std::function<std::unique_ptr<IMixerBackend>()> open) : open_(std::move(open)) {}

uint32_t TMixer::ValueOfPercent(int percent) {
  return static_cast<uint32_t>(std::clamp(percent, 0, 100)) * 65535 / 100;
}

void TMixer::FirstUse() {
  if (initialised_)
    return;
  initialised_ = true;
  backend_ = open_ ? open_() : nullptr;
  if (!backend_)
    return;
  savedMaster_ = backend_->Read(IMixerBackend::TLine::Master);
  savedWave_ = backend_->Read(IMixerBackend::TLine::Wave);
}

void TMixer::SetMaster(int percent) {
  FirstUse();
  if (backend_)
    backend_->Write(IMixerBackend::TLine::Master, ValueOfPercent(percent));
}

void TMixer::SetWave(int percent) {
  FirstUse();
  if (backend_) {
    // Streams that started after the first change had no value to keep; theirs is the first seen.
    if (!savedWave_)
      savedWave_ = backend_->Read(IMixerBackend::TLine::Wave);
    backend_->Write(IMixerBackend::TLine::Wave, ValueOfPercent(percent));
  }
}

void TMixer::Restore() {
  if (!initialised_ || !backend_)
    return;
  if (savedMaster_)
    backend_->Write(IMixerBackend::TLine::Master, *savedMaster_);
  if (savedWave_)
    backend_->Write(IMixerBackend::TLine::Wave, *savedWave_);
}

} // namespace zv
