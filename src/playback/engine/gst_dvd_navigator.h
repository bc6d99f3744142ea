#pragma once

#include "playback/engine/engine.h"

#include <gst/gst.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace eng {

// The elements a DVD graph needs: the disc's navigator with its demuxer and decoders (rsndvdbin),
// the overlay of menu highlights and sub-pictures (dvdspu), and the decoders rsndvdbin picks for
// MPEG-2 video and AC-3 and MPEG sound. The factory names the system lacks; empty when none.
std::vector<std::string> MissingDvdElements();

// The folder to hand the disc reader for a name the user gave (a VIDEO_TS.IFO file, a VIDEO_TS
// folder or the folder holding it); empty when no readable VIDEO_TS.IFO is there.
std::string DvdRoot(const std::string& name);

// One bin that reads the DVD in `root`: rsndvdbin with dvdspu over its pictures, offering a
// "video" and an "audio" pad once the disc's streams are known (then "no-more-pads"). None when an
// element is missing.
GstElement* MakeDvdBin(const std::string& root);

// The navigator over such a bin. Commands go to the disc's source from a thread of the
// navigator's own, in the order given, so the caller never waits for the disc; what the disc then
// does is seen on the source's pad and reported through `post` (on any thread): domain and title
// changes, and the title's time code once a second.
class TGstDvdNavigator : public IDvdControl {
public:
  using TPost = std::function<void(const TEvent&)>;
  // `render` builds the graph from the bin (the graph's part of SetDVDDirectory).
  TGstDvdNavigator(std::function<HRESULT(const std::string& root)> render, TPost post);
  ~TGstDvdNavigator() override;

  // Ends the navigator's thread (the commands not yet sent are dropped); before the graph stops,
  // so that nothing reaches the disc while its elements go.
  void Stop();
  // The graph made the bin: watch it. Detach before the bin is freed.
  void Attach(GstElement* bin);
  void Detach();

  HRESULT SetDVDDirectory(const std::string& folder) override;
  HRESULT PlayForwards(double rate) override;
  HRESULT ShowMenu(TDvdMenu menu, int* commandId) override;
  bool WaitCommand(int commandId, int timeoutMs) override;
  HRESULT PlayAtTime(const TDvdTime& time) override;
  HRESULT PlayTitle(int title) override;
  HRESULT SelectAudioStream(int stream) override;
  HRESULT SelectAtPosition(double x, double y) override;
  HRESULT ActivateAtPosition(double x, double y) override;
  HRESULT GetCurrentDomain(TDvdDomain& domain) override;
  HRESULT GetNumberOfTitles(int& titles) override;
  HRESULT GetAudioLanguages(std::vector<std::string>& codes) override;
  HRESULT GetTotalTitleTime(TDvdTime& time) override;
  std::vector<std::string> MissingComponents() override;

private:
  // Queues work for the navigator's thread; the returned id counts the commands.
  int Enqueue(std::function<void(GstPad* source)> job);
  void Work();
  // On the navigator's thread: asks the disc where it is and reports what changed.
  void Refresh(GstPad* source);
  void ScheduleRefresh();
  // The disc has a button under the pointer that a click would activate.
  static bool CanActivate(GstPad* source);
  static GstPadProbeReturn OnSourceEvent(GstPad* pad, GstPadProbeInfo* info, gpointer self);
  static GstPadProbeReturn OnPicture(GstPad* pad, GstPadProbeInfo* info, gpointer self);
  static void OnElementAdded(GstBin* bin, GstBin* sub, GstElement* element, gpointer self);

  std::function<HRESULT(const std::string&)> render_;
  TPost post_;
  std::thread worker_;
  std::mutex lock_;
  std::condition_variable cond_;
  std::deque<std::pair<int, std::function<void(GstPad*)>>> queue_;
  bool stop_ = false;
  int nextId_ = 1;
  int doneId_ = 0;
  GstElement* bin_ = nullptr; // the bin, while attached
  gulong addedHandler_ = 0;
  GstPad* source_ = nullptr; // the disc source's output, once the bin has made the source
  GstPad* video_ = nullptr;  // the bin's picture output, while attached
  gulong sourceProbe_ = 0, videoProbe_ = 0;
  std::atomic<bool> refreshQueued_{false};
  int jumps_ = 0; // how often the disc flushed or began a segment: jumps (under lock_)
  // What the disc said last (under lock_).
  bool known_ = false;
  TDvdDomain domain_ = DVD_DOMAIN_FirstPlay;
  int title_ = 0, titles_ = 0;
  TDvdTime total_;
  std::vector<std::string> languages_;
  // The pictures' segment and the last second reported (streaming thread only).
  GstSegment segment_{};
  int64_t lastSecond_ = -1;
};

} // namespace eng
