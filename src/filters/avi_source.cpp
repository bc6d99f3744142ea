#include "filters/avi_source.h"

#include "core/format.h"
#include "core/session_log.h"
#include "core/tsan_annotations.h"
#include "filters/avi_parser.h"
#include "filters/cached_file.h"
#include "filters/media_data.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <gst/riff/riff-media.h>
#include <gst/riff/riff-read.h>
#include <memory>
#include <mutex>

namespace zv {

using namespace eng;
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kSourceBlocks = 5;
constexpr uint32_t kSourceBlockSize = 65536;
// A list of part names is a small text file.
constexpr int64_t kMaxListFile = 64 * 1024;

GstClockTime ToNs(int64_t t100) {
  constexpr int64_t kLargest = static_cast<int64_t>(G_MAXINT64 / 100);
  return static_cast<GstClockTime>(std::clamp<int64_t>(t100, 0, kLargest)) * 100;
}

GstCaps* CapsOfType(GstElement* element, const TStreamType& t) {
  // The riff helpers read the stream header and the format from buffers of the file's layout.
  GstBuffer* strhBuf = gst_buffer_new_allocate(nullptr, 56, nullptr);
  {
    GstMapInfo map;
    gst_buffer_map(strhBuf, &map, GST_MAP_WRITE);
    memset(map.data, 0, map.size);
    auto put = [&](int at, uint32_t v) {
      for (int i = 0; i < 4; ++i)
        map.data[at + i] = static_cast<guint8>(v >> (8 * i));
    };
    put(0, t.majorType);
    put(4, t.handler);
    put(20, t.scale);
    put(24, t.rate);
    put(44, t.fixedSizeSamples ? t.sampleSize : 0);
    gst_buffer_unmap(strhBuf, &map);
  }
  gst_riff_strh* strh = nullptr;
  if (!gst_riff_parse_strh(element, strhBuf, &strh))
    return nullptr;
  GstCaps* caps = nullptr;
  gchar* codecName = nullptr;
  GstBuffer* fmt = t.format.empty() ? nullptr : gst_buffer_new_memdup(t.format.data(), t.format.size());
  if (t.majorType == GST_RIFF_FCC_vids && fmt) {
    gst_riff_strf_vids* vids = nullptr;
    GstBuffer* extra = nullptr;
    if (gst_riff_parse_strf_vids(element, fmt, &vids, &extra)) {
      caps = gst_riff_create_video_caps(vids->compression, strh, vids, extra, nullptr, &codecName);
      if (!caps)
        caps = gst_caps_new_simple("video/x-avi-unknown", "fourcc", G_TYPE_INT, vids->compression, nullptr);
      g_free(vids);
    }
    if (extra)
      gst_buffer_unref(extra);
  } else if (t.majorType == GST_RIFF_FCC_auds && fmt) {
    gst_riff_strf_auds* auds = nullptr;
    GstBuffer* extra = nullptr;
    if (gst_riff_parse_strf_auds(element, fmt, &auds, &extra)) {
      caps = gst_riff_create_audio_caps(auds->format, strh, auds, extra, nullptr, &codecName, nullptr);
      if (!caps)
        caps = gst_caps_new_simple("audio/x-avi-unknown", "codec_id", G_TYPE_INT, auds->format, nullptr);
      g_free(auds);
    }
    if (extra)
      gst_buffer_unref(extra);
  } else if (fmt) {
    gst_buffer_unref(fmt);
  }
  g_free(codecName);
  g_free(strh);
  return caps;
}

} // namespace

class TAVISourceBase;

// Marks, for the thread sanitizer, a stretch of code on a GLib thread that uses objects the
// program's threads made or will free: GLib's own locks and joins are invisible to it.
struct TTsanScope {
  void* a;
  void* b;
  TTsanScope(void* first, void* second) : a(first), b(second) {
    ZV_TSAN_ACQUIRE(a);
    ZV_TSAN_ACQUIRE(b);
  }
  ~TTsanScope() {
    ZV_TSAN_RELEASE(a);
    ZV_TSAN_RELEASE(b);
  }
};

// One output pad: the samples of one stream, pushed by the pad's own task.
class TMediaStream {
public:
  TMediaStream(TAVISourceBase& owner, std::unique_ptr<TMediaData> data, GstPad* pad, GstCaps* caps, int number)
      : owner_(owner), data_(std::move(data)), pad_(pad), caps_(caps), number_(number) {
    gst_segment_init(&segment_, GST_FORMAT_TIME);
  }
  ~TMediaStream() {
    ZV_TSAN_ACQUIRE(this);
    if (caps_)
      gst_caps_unref(caps_);
  }

  void Loop();
  bool Activate(bool active);
  // Starts (or resumes) the pad's streaming task.
  bool StartTask();
  gboolean Query(GstQuery* query);
  // With the task paused: restart at the key frame at or before `position` (100 ns).
  void SeekTo(int64_t position, const GstSegment& segment, uint32_t seqnum);
  int64_t KeyFrameBefore(int64_t position) const;
  bool Running() const { return gst_pad_get_task_state(pad_) != GST_TASK_STOPPED; }

  const TMediaData& Data() const { return *data_; }
  TAVISourceBase& Owner() const { return owner_; }
  int64_t Position() const { return position_.load(std::memory_order_relaxed); }
  GstPad* Pad() const { return pad_; }

private:
  void PushHeaders();
  TAVISourceBase& owner_;
  std::unique_ptr<TMediaData> data_;
  GstPad* pad_;
  GstCaps* caps_;
  int number_;
  // Guarded by the pad's stream lock.
  int64_t next_ = 0;
  bool discont_ = true;
  bool needStart_ = true;
  bool needSegment_ = true;
  uint32_t segmentSeqnum_ = GST_SEQNUM_INVALID;
  GstSegment segment_;
  std::vector<uint8_t> scratch_;
  std::atomic<int64_t> position_{0}; // 100 ns, the last sample pushed
};

class TAVISourceBase {
public:
  TAVISourceBase(GstElement* element, bool multi) : element_(element), multi_(multi) {}
  ~TAVISourceBase() { ZV_TSAN_ACQUIRE(this); }

  HRESULT Load(const std::string& name, bool withMediaType);
  HRESULT LoadFiles(const std::vector<std::string>& names);
  HRESULT GetCurFile(std::string& name);
  bool HandleSeek(GstEvent* event);
  bool Multi() const { return multi_; }
  GstElement* Element() const { return element_; }
  uint32_t GroupId() const { return groupId_; }
  int64_t Duration() const;

private:
  struct TPart {
    std::unique_ptr<TCachedFile> file;
    std::unique_ptr<TAVIParser> parser;
  };
  // Opens a file as a part; false (and nothing kept) unless it is an AVI file.
  bool AddPart(const std::string& name);
  HRESULT AddPartsFromList(const std::string& listName);
  HRESULT BuildStreams();

  GstElement* element_;
  bool multi_;
  std::mutex filterLock_; // taken before any cached file's lock
  std::vector<TPart> parts_;
  std::vector<std::unique_ptr<TMediaStream>> streams_;
  std::string fileName_;
  bool loaded_ = false;
  uint32_t groupId_ = gst_util_group_id_next();
  std::mutex seekLock_;
  uint32_t lastSeek_ = GST_SEQNUM_INVALID;
};

// ---------------------------------------------------------------------------------------------
// Streams

void TMediaStream::PushHeaders() {
  if (needStart_) {
    gchar* id = gst_pad_create_stream_id_printf(pad_, owner_.Element(), "%02d", number_);
    GstEvent* start = gst_event_new_stream_start(id);
    g_free(id);
    gst_event_set_group_id(start, owner_.GroupId());
    gst_pad_push_event(pad_, start);
    if (caps_)
      gst_pad_push_event(pad_, gst_event_new_caps(caps_));
    needStart_ = false;
  }
  if (needSegment_) {
    GstEvent* seg = gst_event_new_segment(&segment_);
    if (segmentSeqnum_ != GST_SEQNUM_INVALID)
      gst_event_set_seqnum(seg, segmentSeqnum_);
    gst_pad_push_event(pad_, seg);
    needSegment_ = false;
  }
}

void TMediaStream::Loop() {
  // The stream's state passes between the seeking thread and this task under the pad's stream
  // lock, a GLib lock the thread sanitizer cannot see: the hand-over is marked by hand.
  ZV_TSAN_ACQUIRE(this); // before reading any member, the owner's reference included
  TTsanScope scope(&owner_, this);
  PushHeaders();
  if (next_ >= data_->GetSampleCount()) {
    GstEvent* eos = gst_event_new_eos();
    if (segmentSeqnum_ != GST_SEQNUM_INVALID)
      gst_event_set_seqnum(eos, segmentSeqnum_);
    gst_pad_push_event(pad_, eos);
    gst_pad_pause_task(pad_);
    return;
  }
  TSampleRecord r = data_->GetSample(next_);
  // Empty chunks hold a frame's place in time (a frame the encoder dropped or delayed): there is
  // nothing to decode, the next frame keeps its own time.
  while (r.size == 0 && next_ + 1 < data_->GetSampleCount())
    r = data_->GetSample(++next_);
  if (r.size == 0) {
    next_ = data_->GetSampleCount();
    return;
  }
  GstBuffer* buffer = gst_buffer_new_allocate(nullptr, r.size, nullptr);
  GstMapInfo map;
  if (!buffer || !gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
    if (buffer)
      gst_buffer_unref(buffer);
    GST_ELEMENT_ERROR(owner_.Element(), RESOURCE, FAILED, ("Out of memory for a sample of %u bytes", r.size),
                      (nullptr));
    gst_pad_pause_task(pad_);
    return;
  }
  int64_t got = data_->ReadSample(next_, map.data);
  gst_buffer_unmap(buffer, &map);
  if (got != static_cast<int64_t>(r.size)) {
    // A sample that cannot be read whole ends the stream (a file cut short).
    gst_buffer_unref(buffer);
    next_ = data_->GetSampleCount();
    gst_pad_push_event(pad_, gst_event_new_eos());
    gst_pad_pause_task(pad_);
    return;
  }
  // Times are the samples' own; the segment starts at the seek position, so the frames between
  // the key frame and the position are decoded and not shown.
  GstClockTime ts = ToNs(r.start);
  GST_BUFFER_DTS(buffer) = ts;
  // A video frame's presentation time is known for key frames only (frames are stored in
  // decoding order); the parsers and decoders fill in the rest.
  GST_BUFFER_PTS(buffer) = r.keyFrame ? ts : GST_CLOCK_TIME_NONE;
  GST_BUFFER_DURATION(buffer) = r.stop > r.start ? ToNs(r.stop - r.start) : GST_CLOCK_TIME_NONE;
  GST_BUFFER_OFFSET(buffer) = static_cast<guint64>(r.mediaStart);
  GST_BUFFER_OFFSET_END(buffer) = static_cast<guint64>(r.mediaStop);
  if (!r.keyFrame)
    GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT);
  if (discont_)
    GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DISCONT);
  ++next_;
  discont_ = false;
  position_.store(r.start, std::memory_order_relaxed);
  GstFlowReturn ret = gst_pad_push(pad_, buffer);
  if (ret == GST_FLOW_OK)
    return;
  if (ret == GST_FLOW_FLUSHING) {
    gst_pad_pause_task(pad_);
    return;
  }
  if (ret == GST_FLOW_EOS || ret == GST_FLOW_NOT_LINKED) {
    // Downstream wants no more (or nothing takes this stream): this pad is done.
    if (ret == GST_FLOW_EOS)
      gst_pad_push_event(pad_, gst_event_new_eos());
    gst_pad_pause_task(pad_);
    return;
  }
  GST_ELEMENT_FLOW_ERROR(owner_.Element(), ret);
  gst_pad_push_event(pad_, gst_event_new_eos());
  gst_pad_pause_task(pad_);
}

bool TMediaStream::Activate(bool active) {
  if (!active)
    return gst_pad_stop_task(pad_);
  GST_PAD_STREAM_LOCK(pad_);
  ZV_TSAN_ACQUIRE(this);
  next_ = 0;
  discont_ = needStart_ = needSegment_ = true;
  segmentSeqnum_ = GST_SEQNUM_INVALID;
  gst_segment_init(&segment_, GST_FORMAT_TIME);
  segment_.duration = ToNs(owner_.Duration());
  ZV_TSAN_RELEASE(this);
  GST_PAD_STREAM_UNLOCK(pad_);
  return StartTask();
}

bool TMediaStream::StartTask() {
  return gst_pad_start_task(
      pad_, [](gpointer self) { static_cast<TMediaStream*>(self)->Loop(); }, this, nullptr);
}

int64_t TMediaStream::KeyFrameBefore(int64_t position) const {
  int64_t found = 0;
  int64_t n = data_->GetSampleCount();
  for (int64_t i = 0; i < n; ++i) {
    TSampleRecord r = data_->GetSample(i);
    if (r.keyFrame && r.start <= position)
      found = i;
    if (r.stop >= position)
      break;
  }
  return found;
}

void TMediaStream::SeekTo(int64_t position, const GstSegment& segment, uint32_t seqnum) {
  GST_PAD_STREAM_LOCK(pad_);
  ZV_TSAN_ACQUIRE(this);
  next_ = KeyFrameBefore(position);
  discont_ = true;
  segment_ = segment;
  segmentSeqnum_ = seqnum;
  needSegment_ = true;
  ZV_TSAN_RELEASE(this);
  GST_PAD_STREAM_UNLOCK(pad_);
}

gboolean TMediaStream::Query(GstQuery* query) {
  ZV_TSAN_ACQUIRE(this);
  TTsanScope scope(&owner_, this); // what loading made, read from any thread
  switch (GST_QUERY_TYPE(query)) {
  case GST_QUERY_CAPS: {
    if (!caps_)
      return FALSE;
    GstCaps* filter = nullptr;
    gst_query_parse_caps(query, &filter);
    GstCaps* result = filter ? gst_caps_intersect_full(filter, caps_, GST_CAPS_INTERSECT_FIRST) : gst_caps_ref(caps_);
    gst_query_set_caps_result(query, result);
    gst_caps_unref(result);
    return TRUE;
  }
  case GST_QUERY_ACCEPT_CAPS: {
    GstCaps* caps = nullptr;
    gst_query_parse_accept_caps(query, &caps);
    gst_query_set_accept_caps_result(query, caps_ && caps && gst_caps_can_intersect(caps, caps_));
    return TRUE;
  }
  case GST_QUERY_DURATION: {
    GstFormat format;
    gst_query_parse_duration(query, &format, nullptr);
    if (format != GST_FORMAT_TIME)
      return FALSE;
    gst_query_set_duration(query, GST_FORMAT_TIME, static_cast<gint64>(ToNs(owner_.Duration())));
    return TRUE;
  }
  case GST_QUERY_POSITION: {
    GstFormat format;
    gst_query_parse_position(query, &format, nullptr);
    if (format != GST_FORMAT_TIME)
      return FALSE;
    gst_query_set_position(query, GST_FORMAT_TIME,
                           static_cast<gint64>(ToNs(position_.load(std::memory_order_relaxed))));
    return TRUE;
  }
  case GST_QUERY_SEEKING: {
    GstFormat format;
    gst_query_parse_seeking(query, &format, nullptr, nullptr, nullptr);
    if (format != GST_FORMAT_TIME)
      return FALSE;
    gst_query_set_seeking(query, GST_FORMAT_TIME, TRUE, 0, static_cast<gint64>(ToNs(owner_.Duration())));
    return TRUE;
  }
  default: return gst_pad_query_default(pad_, GST_OBJECT_CAST(owner_.Element()), query);
  }
}

// ---------------------------------------------------------------------------------------------
// Loading

bool TAVISourceBase::AddPart(const std::string& name) {
  TPart part;
  part.file = std::make_unique<TCachedFile>(name);
  part.file->RebuidCache(kSourceBlocks, kSourceBlockSize);
  part.parser = std::make_unique<TAVIParser>(*part.file);
  if (!part.parser->IsRIFFAVI())
    return false;
  part.parser->Parse();
  part.parser->LoadIndex(true);
  parts_.push_back(std::move(part));
  return true;
}

HRESULT TAVISourceBase::AddPartsFromList(const std::string& listName) {
  std::error_code ec;
  if (!fs::is_regular_file(listName, ec) || fs::file_size(listName, ec) > static_cast<uintmax_t>(kMaxListFile) || ec)
    return VFW_E_INVALID_FILE_FORMAT;
  std::ifstream in(listName, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof())
    return VFW_E_INVALID_FILE_FORMAT;
  if (text.find('\0') != std::string::npos) // not a text file
    return VFW_E_INVALID_FILE_FORMAT;
  fs::path folder = fs::path(listName).parent_path();
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos)
      end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
      line.pop_back();
    if (line.empty())
      continue;
    // Names in the list count from the list's own folder.
    fs::path p(line);
    if (p.is_relative())
      p = folder / p;
    AddPart(p.string());
  }
  return parts_.empty() ? VFW_E_INVALID_FILE_FORMAT : S_OK;
}

HRESULT TAVISourceBase::BuildStreams() {
  int count = parts_.front().parser->StreamCount();
  std::vector<std::unique_ptr<TMediaData>> data;
  int64_t samples = 0;
  for (int s = 0; s < count; ++s) {
    if (multi_) {
      auto multi = std::make_unique<TMultiAVIData>();
      for (TPart& p : parts_)
        multi->AddAVIStream(std::make_unique<TAVIData>(*p.parser, s));
      data.push_back(std::move(multi));
    } else {
      data.push_back(std::make_unique<TAVIData>(*parts_.front().parser, s));
    }
    samples += data.back()->GetSampleCount();
  }
  // A file whose streams hold no sample at all is no film to play.
  if (samples == 0)
    return VFW_E_INVALID_FILE_FORMAT;
  static GstStaticPadTemplate srcTemplate =
      GST_STATIC_PAD_TEMPLATE("src_%u", GST_PAD_SRC, GST_PAD_SOMETIMES, GST_STATIC_CAPS_ANY);
  GstState state = GST_STATE(element_);
  for (int s = 0; s < count; ++s) {
    std::optional<TStreamType> type = data[static_cast<size_t>(s)]->GetMediaType();
    GstCaps* caps = type ? CapsOfType(element_, *type) : nullptr;
    std::string name = data[static_cast<size_t>(s)]->GetName();
    GstPad* pad = gst_pad_new_from_static_template(&srcTemplate, name.c_str());
    auto stream = std::make_unique<TMediaStream>(*this, std::move(data[static_cast<size_t>(s)]), pad, caps, s);
    gst_pad_set_element_private(pad, stream.get());
    gst_pad_set_activatemode_function(pad, [](GstPad* p, GstObject*, GstPadMode mode, gboolean active) -> gboolean {
      if (mode != GST_PAD_MODE_PUSH)
        return FALSE;
      return static_cast<TMediaStream*>(gst_pad_get_element_private(p))->Activate(active);
    });
    gst_pad_set_query_function(pad, [](GstPad* p, GstObject*, GstQuery* q) -> gboolean {
      return static_cast<TMediaStream*>(gst_pad_get_element_private(p))->Query(q);
    });
    gst_pad_set_event_function(pad, [](GstPad* p, GstObject*, GstEvent* e) -> gboolean {
      gboolean ok = FALSE;
      if (GST_EVENT_TYPE(e) == GST_EVENT_SEEK)
        ok = static_cast<TMediaStream*>(gst_pad_get_element_private(p))->Owner().HandleSeek(e);
      else if (GST_EVENT_TYPE(e) == GST_EVENT_RECONFIGURE)
        ok = TRUE;
      gst_event_unref(e);
      return ok;
    });
    streams_.push_back(std::move(stream));
    ZV_TSAN_RELEASE(this);
    if (state > GST_STATE_READY)
      gst_pad_set_active(pad, TRUE);
    gst_element_add_pad(element_, pad);
  }
  ZV_TSAN_RELEASE(this);
  gst_element_no_more_pads(element_);
  return S_OK;
}

int64_t TAVISourceBase::Duration() const {
  int64_t d = 0;
  for (const auto& s : streams_)
    d = std::max(d, s->Data().GetDuration());
  return d;
}

HRESULT TAVISourceBase::Load(const std::string& name, bool withMediaType) {
  const char* scope = multi_ ? "TMultiAVISource.Load" : "TAVISource.Load";
  Log(std::string("+") + scope);
  auto done = [&](HRESULT hr) {
    Log(Format("-%s(0x%x)", scope, hr));
    return hr;
  };
  if (name.empty())
    return done(E_POINTER);
  std::lock_guard<std::mutex> guard(filterLock_);
  if (loaded_)
    return done(E_FAIL);
  if (withMediaType)
    return done(VFW_E_INVALIDMEDIATYPE);
  fileName_ = name;
  Log("TAVISource.Load:FileName=\"" + name + "\"");
  HRESULT hr;
  try {
    if (AddPart(name))
      hr = S_OK;
    else if (multi_)
      hr = AddPartsFromList(name);
    else
      hr = VFW_E_INVALID_FILE_FORMAT;
    if (hr == S_OK)
      hr = BuildStreams();
  } catch (const std::exception& e) {
    Log(std::string("!") + scope + ": " + e.what());
    hr = E_FAIL;
  }
  if (hr != S_OK) {
    streams_.clear();
    parts_.clear();
  }
  loaded_ = hr == S_OK;
  return done(hr);
}

HRESULT TAVISourceBase::LoadFiles(const std::vector<std::string>& names) {
  TLogScope scope("TMultiAVISource.LoadFiles");
  if (!multi_)
    return E_NOINTERFACE;
  std::lock_guard<std::mutex> guard(filterLock_);
  if (loaded_)
    return E_FAIL;
  HRESULT hr;
  try {
    for (const std::string& n : names)
      AddPart(n);
    hr = parts_.empty() ? VFW_E_INVALID_FILE_FORMAT : BuildStreams();
  } catch (const std::exception& e) {
    Log(std::string("!TMultiAVISource.LoadFiles: ") + e.what());
    hr = E_FAIL;
  }
  if (hr != S_OK) {
    streams_.clear();
    parts_.clear();
  }
  fileName_.clear();
  loaded_ = hr == S_OK;
  return hr;
}

HRESULT TAVISourceBase::GetCurFile(std::string& name) {
  Log(multi_ ? "+TMultiAVISource.GetCurFile" : "+TAVISource.GetCurFile");
  std::lock_guard<std::mutex> guard(filterLock_);
  HRESULT hr = loaded_ ? S_OK : E_FAIL;
  name = loaded_ ? fileName_ : std::string();
  Log(Format(multi_ ? "-TMultiAVISource.GetCurFile(0x%x)" : "-TAVISource.GetCurFile(0x%x)", hr));
  return hr;
}

// ---------------------------------------------------------------------------------------------
// Seeking

bool TAVISourceBase::HandleSeek(GstEvent* event) {
  gdouble rate;
  GstFormat format;
  GstSeekFlags flags;
  GstSeekType startType, stopType;
  gint64 start, stop;
  gst_event_parse_seek(event, &rate, &format, &flags, &startType, &start, &stopType, &stop);
  if (format != GST_FORMAT_TIME || rate <= 0)
    return false;
  ZV_TSAN_ACQUIRE(this);
  uint32_t seqnum = gst_event_get_seqnum(event);
  std::lock_guard<std::mutex> guard(seekLock_);
  // Every stream's branch brings the same seek up to its pad; it is carried out once.
  if (seqnum == lastSeek_)
    return true;
  bool running = false;
  for (auto& s : streams_)
    running = running || s->Running();
  if (!running) // nothing streams (the graph is stopped): positions stay as they are
    return false;
  lastSeek_ = seqnum;
  int64_t duration = Duration();
  int64_t position = 0;
  if (startType == GST_SEEK_TYPE_SET)
    position = start / 100;
  else if (startType == GST_SEEK_TYPE_END)
    position = duration + start / 100;
  else
    position = streams_.empty() ? 0 : streams_.front()->Position();
  position = std::clamp<int64_t>(position, 0, duration);
  if (flags & GST_SEEK_FLAG_KEY_UNIT) {
    // To the key frame of the (first) video stream: every stream starts from there.
    for (auto& s : streams_) {
      std::optional<TStreamType> t = s->Data().GetMediaType();
      if (t && t->majorType == GST_RIFF_FCC_vids && s->Data().GetSampleCount() > 0) {
        position = s->Data().GetSample(s->KeyFrameBefore(position)).start;
        break;
      }
    }
  }
  const bool flush = (flags & GST_SEEK_FLAG_FLUSH) != 0;
  if (flush)
    for (auto& s : streams_) {
      GstEvent* e = gst_event_new_flush_start();
      gst_event_set_seqnum(e, seqnum);
      gst_pad_push_event(s->Pad(), e);
    }
  for (auto& s : streams_)
    gst_pad_pause_task(s->Pad());
  if (flush)
    for (auto& s : streams_) {
      GstEvent* e = gst_event_new_flush_stop(TRUE);
      gst_event_set_seqnum(e, seqnum);
      gst_pad_push_event(s->Pad(), e);
    }
  GstSegment segment;
  gst_segment_init(&segment, GST_FORMAT_TIME);
  segment.duration = ToNs(duration);
  gst_segment_do_seek(&segment, rate, GST_FORMAT_TIME,
                      static_cast<GstSeekFlags>(
                          flags & ~(GST_SEEK_FLAG_KEY_UNIT | GST_SEEK_FLAG_SNAP_BEFORE | GST_SEEK_FLAG_SNAP_AFTER)),
                      GST_SEEK_TYPE_SET, static_cast<gint64>(ToNs(position)), stopType, stop, nullptr);
  for (auto& s : streams_) {
    s->SeekTo(position, segment, seqnum);
    s->StartTask();
  }
  return true;
}

} // namespace zv

// ---------------------------------------------------------------------------------------------
// The GStreamer types

struct ZvAviSrc {
  GstElement parent;
  zv::TAVISourceBase* core;
};

struct ZvAviSrcClass {
  GstElementClass parent_class;
};

struct ZvMultiAviSrc {
  ZvAviSrc parent;
};

struct ZvMultiAviSrcClass {
  ZvAviSrcClass parent_class;
};

G_DEFINE_TYPE(ZvAviSrc, zv_avi_src, GST_TYPE_ELEMENT)
G_DEFINE_TYPE(ZvMultiAviSrc, zv_multi_avi_src, zv_avi_src_get_type())

namespace {

void SetCore(ZvAviSrc* self, bool multi) {
  delete self->core;
  self->core = new zv::TAVISourceBase(GST_ELEMENT(self), multi);
}

gboolean SendEvent(GstElement* element, GstEvent* event) {
  if (GST_EVENT_TYPE(event) == GST_EVENT_SEEK) {
    gboolean ok = reinterpret_cast<ZvAviSrc*>(element)->core->HandleSeek(event);
    gst_event_unref(event);
    return ok;
  }
  return GST_ELEMENT_CLASS(zv_avi_src_parent_class)->send_event(element, event);
}

void Finalize(GObject* object) {
  auto* self = reinterpret_cast<ZvAviSrc*>(object);
  delete self->core;
  self->core = nullptr;
  G_OBJECT_CLASS(zv_avi_src_parent_class)->finalize(object);
}

} // namespace

void zv_avi_src_class_init(ZvAviSrcClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = Finalize;
  GstElementClass* e = GST_ELEMENT_CLASS(klass);
  e->send_event = SendEvent;
  gst_element_class_set_static_metadata(e, "Advanced AVI File Source", "Source/File/Demuxer",
                                        "Plays an AVI file from its index, rebuilding a missing one", "Zelvar");
  static GstStaticPadTemplate src =
      GST_STATIC_PAD_TEMPLATE("src_%u", GST_PAD_SRC, GST_PAD_SOMETIMES, GST_STATIC_CAPS_ANY);
  gst_element_class_add_static_pad_template(e, &src);
}

void zv_avi_src_init(ZvAviSrc* self) {
  self->core = nullptr;
  SetCore(self, false);
}

void zv_multi_avi_src_class_init(ZvMultiAviSrcClass* klass) {
  gst_element_class_set_static_metadata(GST_ELEMENT_CLASS(klass), "Multi AVI File Source", "Source/File/Demuxer",
                                        "Plays the numbered parts of a split AVI film as one", "Zelvar");
}

void zv_multi_avi_src_init(ZvMultiAviSrc* self) { SetCore(reinterpret_cast<ZvAviSrc*>(self), true); }

namespace zv {

void RegisterAviSources() {
  static std::once_flag once;
  std::call_once(once, [] {
    gst_riff_init();
    gst_element_register(nullptr, "zvavisrc", GST_RANK_NONE, zv_avi_src_get_type());
    gst_element_register(nullptr, "zvmultiavisrc", GST_RANK_NONE, zv_multi_avi_src_get_type());
  });
}

bool IsZvAviSource(GstElement* element) {
  return element && G_TYPE_CHECK_INSTANCE_TYPE(element, zv_avi_src_get_type());
}

HRESULT ZvAviSourceLoad(GstElement* element, const std::string& name, bool withMediaType) {
  if (!IsZvAviSource(element))
    return E_NOINTERFACE;
  return reinterpret_cast<ZvAviSrc*>(element)->core->Load(name, withMediaType);
}

HRESULT ZvAviSourceLoadFiles(GstElement* element, const std::vector<std::string>& names) {
  if (!IsZvAviSource(element))
    return E_NOINTERFACE;
  return reinterpret_cast<ZvAviSrc*>(element)->core->LoadFiles(names);
}

HRESULT ZvAviSourceGetCurFile(GstElement* element, std::string& name) {
  if (!IsZvAviSource(element))
    return E_NOINTERFACE;
  return reinterpret_cast<ZvAviSrc*>(element)->core->GetCurFile(name);
}

} // namespace zv
