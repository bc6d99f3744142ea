#include "playback/engine/gst_dvd_navigator.h"

#include "core/system_helper.h"

#include <gst/video/navigation.h>

#include <chrono>
#include <filesystem>
#include <unistd.h>

namespace eng {

namespace {

namespace fs = std::filesystem;

// Whether the registry has the element; one the disc reader is to pick by itself must also have a
// rank, or it is never chosen.
bool HasFactory(const char* name, bool picked) {
  GstElementFactory* f = gst_element_factory_find(name);
  if (!f)
    return false;
  bool usable = !picked || gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(f)) > GST_RANK_NONE;
  gst_object_unref(f);
  return usable;
}

struct TDvdNeed {
  std::vector<const char*> any; // the first is the one named when none is there
  const char* package;          // the Debian package of the first
  bool picked;                  // chosen by rank inside the disc reader, not made by name
};
const std::vector<TDvdNeed>& DvdNeeds() {
  static const std::vector<TDvdNeed> kNeeds = {
      {{"rsndvdbin"}, "gstreamer1.0-plugins-bad", false},
      {{"dvdspu"}, "gstreamer1.0-plugins-bad", false},
      {{"avdec_mpeg2video", "mpeg2dec"}, "gstreamer1.0-libav", true},
      {{"a52dec", "avdec_ac3"}, "gstreamer1.0-plugins-ugly", true},
      {{"mpg123audiodec", "avdec_mp2float"}, "gstreamer1.0-plugins-good", true}};
  return kNeeds;
}

GstFormat TitleFormat() { return gst_format_get_by_nick("title"); }

// The answer to a position or duration query of the disc source; -1 when it gives none.
gint64 Ask(GstPad* source, GstQuery* q) {
  gint64 value = -1;
  if (gst_pad_query(source, q)) {
    if (GST_QUERY_TYPE(q) == GST_QUERY_POSITION)
      gst_query_parse_position(q, nullptr, &value);
    else
      gst_query_parse_duration(q, nullptr, &value);
  }
  gst_query_unref(q);
  return value;
}

// A stream time as a PAL time code (25 frames a second).
TDvdTime TimeCodeOf(guint64 t) {
  const guint64 s = t / GST_SECOND;
  return {static_cast<uint8_t>(s / 3600), static_cast<uint8_t>(s / 60 % 60), static_cast<uint8_t>(s % 60),
          static_cast<uint8_t>(t % GST_SECOND * 25 / GST_SECOND)};
}

// The bin's own pads: the overlay's output as "video", the disc's sound as "audio", made once the
// disc bin has all its streams.
void OnDiscPad(GstElement*, GstPad* pad, gpointer bin) {
  gchar* name = gst_pad_get_name(pad);
  GstElement* spu = gst_bin_get_by_name(GST_BIN(bin), "zvspu");
  if (spu && (g_str_equal(name, "video") || g_str_equal(name, "subpicture"))) {
    GstPad* sink = gst_element_get_static_pad(spu, name);
    if (sink) {
      gst_pad_link(pad, sink);
      gst_object_unref(sink);
    }
  }
  if (spu)
    gst_object_unref(spu);
  g_free(name);
}

void AddGhost(GstElement* bin, const char* name, GstPad* target) {
  GstPad* ghost = gst_ghost_pad_new(name, target);
  gst_pad_set_active(ghost, TRUE);
  gst_element_add_pad(bin, ghost);
}

void OnDiscPadsDone(GstElement* disc, gpointer binPtr) {
  auto* bin = static_cast<GstElement*>(binPtr);
  GstElement* spu = gst_bin_get_by_name(GST_BIN(bin), "zvspu");
  if (spu) {
    GstPad* in = gst_element_get_static_pad(spu, "video");
    GstPad* out = gst_element_get_static_pad(spu, "src");
    if (in && out && gst_pad_is_linked(in))
      AddGhost(bin, "video", out);
    if (in)
      gst_object_unref(in);
    if (out)
      gst_object_unref(out);
    gst_object_unref(spu);
  }
  if (GstPad* audio = gst_element_get_static_pad(disc, "audio")) {
    AddGhost(bin, "audio", audio);
    gst_object_unref(audio);
  }
  gst_element_no_more_pads(bin);
}

} // namespace

std::vector<std::string> MissingDvdElements() {
  std::vector<std::string> missing;
  for (const TDvdNeed& need : DvdNeeds()) {
    bool found = false;
    for (const char* name : need.any)
      found = found || HasFactory(name, need.picked);
    if (!found)
      missing.push_back(need.any.front());
  }
  return missing;
}

std::vector<std::string> TGstDvdNavigator::MissingComponents() {
  std::vector<std::string> lines;
  for (const std::string& name : MissingDvdElements())
    for (const TDvdNeed& need : DvdNeeds())
      if (name == need.any.front())
        lines.push_back(name + " (" + need.package + ")");
  return lines;
}

std::string DvdRoot(const std::string& name) {
  if (std::string disc = zv::TSystemHelper::DiscDeviceOf(name); !disc.empty())
    return ::access(disc.c_str(), R_OK) == 0 ? disc : std::string(); // the reader takes drives and images too
  std::error_code ec;
  fs::path p = fs::absolute(name, ec).lexically_normal();
  if (!p.has_filename())
    p = p.parent_path();
  // VIDEO_TS.IFO or VIDEO_TS name the disc's folder; the reader takes the folder above.
  if (fs::is_regular_file(p, ec))
    p = p.parent_path();
  if (p.filename() == "VIDEO_TS" || p.filename() == "video_ts")
    p = p.parent_path();
  for (const char* ifo : {"VIDEO_TS/VIDEO_TS.IFO", "video_ts/video_ts.ifo"})
    if (::access((p / ifo).c_str(), R_OK) == 0)
      return p.string();
  return {};
}

GstElement* MakeDvdBin(const std::string& root) {
  GstElement* disc = gst_element_factory_make("rsndvdbin", "zvdisc");
  GstElement* spu = gst_element_factory_make("dvdspu", "zvspu");
  if (!disc || !spu) {
    if (disc)
      gst_object_unref(disc);
    if (spu)
      gst_object_unref(spu);
    return nullptr;
  }
  GstElement* bin = gst_bin_new(nullptr);
  g_object_set(disc, "device", root.c_str(), nullptr);
  gst_bin_add_many(GST_BIN(bin), disc, spu, nullptr);
  g_signal_connect(disc, "pad-added", G_CALLBACK(OnDiscPad), bin);
  g_signal_connect(disc, "no-more-pads", G_CALLBACK(OnDiscPadsDone), bin);
  return bin;
}

TGstDvdNavigator::TGstDvdNavigator(std::function<HRESULT(const std::string&)> render, TPost post)
    : render_(std::move(render)), post_(std::move(post)) {
  gst_segment_init(&segment_, GST_FORMAT_TIME);
  worker_ = std::thread([this] { Work(); });
}

TGstDvdNavigator::~TGstDvdNavigator() {
  Stop();
  Detach();
}

void TGstDvdNavigator::Stop() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    stop_ = true;
  }
  cond_.notify_all();
  if (worker_.joinable())
    worker_.join();
}

void TGstDvdNavigator::Attach(GstElement* bin) {
  Detach();
  GstElement* spu = gst_bin_get_by_name(GST_BIN(bin), "zvspu");
  GstPad* video = spu ? gst_element_get_static_pad(spu, "src") : nullptr;
  if (spu)
    gst_object_unref(spu);
  std::lock_guard<std::mutex> guard(lock_);
  bin_ = GST_ELEMENT(gst_object_ref(bin));
  video_ = video;
  known_ = false;
  if (video_)
    videoProbe_ = gst_pad_add_probe(
        video_, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
        &OnPicture, this, nullptr);
  // The disc bin makes its source when it starts.
  addedHandler_ = g_signal_connect(bin, "deep-element-added", G_CALLBACK(&TGstDvdNavigator::OnElementAdded), this);
}

void TGstDvdNavigator::OnElementAdded(GstBin*, GstBin*, GstElement* element, gpointer self) {
  auto* nav = static_cast<TGstDvdNavigator*>(self);
  gchar* name = gst_element_get_name(element);
  bool source = g_str_equal(name, "dvdsrc");
  g_free(name);
  GstPad* pad = source ? gst_element_get_static_pad(element, "src") : nullptr;
  if (!pad)
    return;
  std::lock_guard<std::mutex> guard(nav->lock_);
  if (nav->source_) {
    gst_pad_remove_probe(nav->source_, nav->sourceProbe_);
    gst_object_unref(nav->source_);
  }
  nav->source_ = pad;
  nav->sourceProbe_ = gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &OnSourceEvent, nav, nullptr);
}

void TGstDvdNavigator::Detach() {
  // Commands still queued find no disc; the probes go before the pads are let go.
  std::lock_guard<std::mutex> guard(lock_);
  if (bin_) {
    g_signal_handler_disconnect(bin_, addedHandler_);
    gst_object_unref(bin_);
  }
  if (source_) {
    gst_pad_remove_probe(source_, sourceProbe_);
    gst_object_unref(source_);
  }
  if (video_) {
    gst_pad_remove_probe(video_, videoProbe_);
    gst_object_unref(video_);
  }
  bin_ = nullptr;
  source_ = video_ = nullptr;
  known_ = false;
}

int TGstDvdNavigator::Enqueue(std::function<void(GstPad*)> job) {
  int id;
  {
    std::lock_guard<std::mutex> guard(lock_);
    id = nextId_++;
    queue_.emplace_back(id, std::move(job));
  }
  cond_.notify_all();
  return id;
}

void TGstDvdNavigator::Work() {
  for (;;) {
    std::pair<int, std::function<void(GstPad*)>> job;
    GstPad* source = nullptr;
    {
      std::unique_lock<std::mutex> guard(lock_);
      cond_.wait(guard, [this] { return stop_ || !queue_.empty(); });
      if (stop_)
        return;
      job = std::move(queue_.front());
      queue_.pop_front();
      if (source_)
        source = GST_PAD(gst_object_ref(source_));
    }
    if (source) {
      job.second(source);
      gst_object_unref(source);
    }
    {
      std::lock_guard<std::mutex> guard(lock_);
      doneId_ = job.first;
    }
    cond_.notify_all();
  }
}

bool TGstDvdNavigator::WaitCommand(int commandId, int timeoutMs) {
  std::unique_lock<std::mutex> guard(lock_);
  return cond_.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] { return doneId_ >= commandId; });
}

void TGstDvdNavigator::ScheduleRefresh() {
  if (refreshQueued_.exchange(true))
    return;
  Enqueue([this](GstPad* source) {
    refreshQueued_ = false;
    Refresh(source);
  });
}

void TGstDvdNavigator::Refresh(GstPad* source) {
  const gint64 title = Ask(source, gst_query_new_position(TitleFormat()));
  const gint64 titles = Ask(source, gst_query_new_duration(TitleFormat()));
  const gint64 length = Ask(source, gst_query_new_duration(GST_FORMAT_TIME));
  if (title < 0)
    return;
  std::vector<TEvent> events;
  {
    std::lock_guard<std::mutex> guard(lock_);
    // The disc's title is 0 in its menus; which menu (the disc's or a title set's) is not told.
    TDvdDomain domain = title > 0 ? DVD_DOMAIN_Title : DVD_DOMAIN_VideoManagerMenu;
    if (titles > 0)
      titles_ = static_cast<int>(titles);
    if (domain == DVD_DOMAIN_Title && length >= 0)
      total_ = TimeCodeOf(static_cast<guint64>(length));
    if (!known_ || domain != domain_)
      events.push_back({EC_DVD_DOMAIN_CHANGE, domain, 0});
    if (title > 0 && (!known_ || title != title_))
      events.push_back({EC_DVD_TITLE_CHANGE, static_cast<intptr_t>(title), 0});
    known_ = true;
    domain_ = domain;
    title_ = static_cast<int>(title);
  }
  for (const TEvent& e : events)
    post_(e);
}

GstPadProbeReturn TGstDvdNavigator::OnSourceEvent(GstPad*, GstPadProbeInfo* info, gpointer self) {
  auto* nav = static_cast<TGstDvdNavigator*>(self);
  GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
  const GstStructure* s = gst_event_get_structure(event);
  if (GST_EVENT_TYPE(event) == GST_EVENT_CUSTOM_DOWNSTREAM && s && gst_structure_has_name(s, "application/x-gst-dvd")) {
    const gchar* kind = gst_structure_get_string(s, "event");
    if (kind && g_str_equal(kind, "dvd-lang-codes")) {
      std::vector<std::string> codes;
      for (int i = 0; i < 8; ++i) {
        gchar* field = g_strdup_printf("audio-%d-stream", i);
        bool present = gst_structure_has_field(s, field);
        g_free(field);
        if (!present)
          break;
        field = g_strdup_printf("audio-%d-language", i);
        const gchar* lang = gst_structure_get_string(s, field);
        g_free(field);
        codes.emplace_back(lang ? lang : "");
      }
      std::lock_guard<std::mutex> guard(nav->lock_);
      nav->languages_ = std::move(codes);
    }
    nav->ScheduleRefresh();
  } else if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
    nav->ScheduleRefresh();
  }
  // A jump flushes what the disc sent, or, from a menu that stands still, only starts a new
  // segment: either tells that the disc went somewhere else.
  if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP || GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
    {
      std::lock_guard<std::mutex> guard(nav->lock_);
      ++nav->jumps_;
    }
    nav->cond_.notify_all();
  }
  return GST_PAD_PROBE_OK;
}

GstPadProbeReturn TGstDvdNavigator::OnPicture(GstPad*, GstPadProbeInfo* info, gpointer self) {
  auto* nav = static_cast<TGstDvdNavigator*>(self);
  if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
      const GstSegment* segment = nullptr;
      gst_event_parse_segment(event, &segment);
      gst_segment_copy_into(segment, &nav->segment_);
      nav->lastSecond_ = -1;
    } else if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) {
      nav->lastSecond_ = -1;
    }
    return GST_PAD_PROBE_OK;
  }
  GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  if (!buffer || !GST_BUFFER_PTS_IS_VALID(buffer) || nav->segment_.format != GST_FORMAT_TIME)
    return GST_PAD_PROBE_OK;
  guint64 t = gst_segment_to_stream_time(&nav->segment_, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
  if (t == GST_CLOCK_TIME_NONE)
    return GST_PAD_PROBE_OK;
  int64_t second = static_cast<int64_t>(t / GST_SECOND);
  if (second == nav->lastSecond_)
    return GST_PAD_PROBE_OK;
  nav->lastSecond_ = second;
  nav->post_({EC_DVD_CURRENT_HMSF_TIME, TimeCodeOf(t).Packed(), 0});
  // The reader may tell a jump's new title only after the jump's segment went by: it is asked
  // again with every second.
  nav->ScheduleRefresh();
  return GST_PAD_PROBE_OK;
}

HRESULT TGstDvdNavigator::SetDVDDirectory(const std::string& folder) {
  std::string root = DvdRoot(folder);
  if (root.empty())
    return ZV_E_NOT_A_DVD;
  return render_(root);
}

HRESULT TGstDvdNavigator::PlayForwards(double rate) { return rate == 1.0 ? S_OK : E_NOTIMPL; }

HRESULT TGstDvdNavigator::ShowMenu(TDvdMenu menu, int* commandId) {
  GstNavigationCommand command =
      menu == DVD_MENU_Root ? GST_NAVIGATION_COMMAND_DVD_ROOT_MENU : GST_NAVIGATION_COMMAND_DVD_TITLE_MENU;
  int id =
      Enqueue([command](GstPad* source) { gst_pad_send_event(source, gst_navigation_event_new_command(command)); });
  if (commandId)
    *commandId = id;
  return S_OK;
}

HRESULT TGstDvdNavigator::PlayAtTime(const TDvdTime& time) {
  int64_t position = static_cast<int64_t>(time.Ticks() / 10'000'000) * GST_SECOND;
  Enqueue([position](GstPad* source) {
    gst_pad_send_event(source, gst_event_new_seek(1.0, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, GST_SEEK_TYPE_SET,
                                                  position, GST_SEEK_TYPE_NONE, -1));
  });
  return S_OK;
}

HRESULT TGstDvdNavigator::PlayTitle(int title) {
  int titles = 0;
  if (Failed(GetNumberOfTitles(titles)) || title < 1 || title > titles)
    return E_INVALIDARG;
  // A title jump that reaches the disc reader while a menu stands still makes it loop for ever
  // (the still is never let go by a jump to a title). So in a menu the jump goes by way of the
  // title menu, whose call lets go of the still, and the reader is held at its first picture data in
  // between, so that it cannot come to the still again before the jump.
  Enqueue([this, title](GstPad* source) {
    bool inMenu;
    {
      std::lock_guard<std::mutex> guard(lock_);
      inMenu = domain_ != DVD_DOMAIN_Title;
    }
    gulong hold = 0;
    if (inMenu) {
      // Buffers only: the reader's own events from this thread must pass.
      hold = gst_pad_add_probe(
          source, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BLOCK | GST_PAD_PROBE_TYPE_BUFFER),
          [](GstPad*, GstPadProbeInfo*, gpointer) { return GST_PAD_PROBE_OK; }, nullptr, nullptr);
      gst_pad_send_event(source, gst_navigation_event_new_command(GST_NAVIGATION_COMMAND_DVD_TITLE_MENU));
    }
    gst_pad_send_event(source, gst_event_new_seek(1.0, TitleFormat(), GST_SEEK_FLAG_FLUSH, GST_SEEK_TYPE_SET, title,
                                                  GST_SEEK_TYPE_NONE, -1));
    if (hold)
      gst_pad_remove_probe(source, hold);
  });
  return S_OK;
}

HRESULT TGstDvdNavigator::SelectAudioStream(int stream) {
  // The disc source takes the digits 1 to 8 as the choice of its sound streams.
  if (stream < 0 || stream > 7)
    return E_INVALIDARG;
  std::string key(1, static_cast<char>('1' + stream));
  Enqueue([key](GstPad* source) {
    gst_pad_send_event(source, gst_navigation_event_new_key_press(key.c_str(), GST_NAVIGATION_MODIFIER_NONE));
  });
  return S_OK;
}

HRESULT TGstDvdNavigator::SelectAtPosition(double x, double y) {
  Enqueue([x, y](GstPad* source) {
    gst_pad_send_event(source, gst_navigation_event_new_mouse_move(x, y, GST_NAVIGATION_MODIFIER_NONE));
  });
  return S_OK;
}

HRESULT TGstDvdNavigator::ActivateAtPosition(double x, double y) {
  // A button acts when the pointer is let go over it. A menu whose buttons the disc has not read
  // yet (its first moments) does not take the click: until the disc jumps, the click is made
  // again, for up to five seconds, on this thread only.
  Enqueue([this, x, y](GstPad* source) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < until) {
      gst_pad_send_event(source, gst_navigation_event_new_mouse_move(x, y, GST_NAVIGATION_MODIFIER_NONE));
      int jumps;
      {
        std::lock_guard<std::mutex> guard(lock_);
        jumps = jumps_;
      }
      bool clicked = CanActivate(source);
      if (clicked)
        gst_pad_send_event(
            source, gst_navigation_event_new_mouse_button_release(1, x, y, GST_NAVIGATION_MODIFIER_BUTTON1_MASK));
      std::unique_lock<std::mutex> guard(lock_);
      if (cond_.wait_for(guard, std::chrono::milliseconds(clicked ? 500 : 100),
                         [&] { return stop_ || (clicked && jumps_ != jumps); }))
        return;
    }
  });
  return S_OK;
}

bool TGstDvdNavigator::CanActivate(GstPad* source) {
  GstQuery* q = gst_navigation_query_new_commands();
  bool can = false;
  guint n = 0;
  if (gst_pad_query(source, q) && gst_navigation_query_parse_commands_length(q, &n))
    for (guint i = 0; i < n; ++i) {
      GstNavigationCommand c;
      if (gst_navigation_query_parse_commands_nth(q, i, &c) && c == GST_NAVIGATION_COMMAND_ACTIVATE)
        can = true;
    }
  gst_query_unref(q);
  return can;
}

HRESULT TGstDvdNavigator::GetCurrentDomain(TDvdDomain& domain) {
  std::lock_guard<std::mutex> guard(lock_);
  if (!known_)
    return VFW_E_WRONG_STATE;
  domain = domain_;
  return S_OK;
}

HRESULT TGstDvdNavigator::GetNumberOfTitles(int& titles) {
  std::lock_guard<std::mutex> guard(lock_);
  if (!known_ || titles_ <= 0)
    return VFW_E_WRONG_STATE;
  titles = titles_;
  return S_OK;
}

HRESULT TGstDvdNavigator::GetAudioLanguages(std::vector<std::string>& codes) {
  std::lock_guard<std::mutex> guard(lock_);
  if (!known_)
    return VFW_E_WRONG_STATE;
  codes = languages_;
  return S_OK;
}

HRESULT TGstDvdNavigator::GetTotalTitleTime(TDvdTime& time) {
  std::lock_guard<std::mutex> guard(lock_);
  if (!known_ || domain_ != DVD_DOMAIN_Title)
    return VFW_E_WRONG_STATE;
  time = total_;
  return S_OK;
}

} // namespace eng
