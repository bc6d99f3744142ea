#include "platform/display_modes.h"

#include "core/format.h"
#include "core/session_log.h"
#include "core/text_util.h"
#include "platform/display.h"

#include <cmath>
#include <cstdlib>
#include <memory>
#include <xcb/randr.h>
#include <xcb/xcb.h>

namespace zv {

// ---------------------------------------------------------------------------------------------
// The switch

void TDisplayModeSwitch::Enter(int width, int height) {
  Log("ChangeResolution");
  if (!saved_) {
    saved_ = modes_.Current();
    if (!saved_)
      return;
    Log(Format("Back res: %dx%d, %d Bit, %d Hz", saved_->width, saved_->height, saved_->depth, saved_->refresh));
  }
  if (!ApplyMode(TDisplayMode{width, height, saved_->depth, saved_->refresh}))
    Log(Format("ChangeResolution: no mode %dx%d at %d Hz, the current one stays", width, height, saved_->refresh));
}

void TDisplayModeSwitch::Leave() {
  if (!saved_)
    return;
  ApplyMode(*saved_);
  saved_.reset();
}

bool TDisplayModeSwitch::ApplyMode(const TDisplayMode& mode) {
  for (const TDisplayMode& m : modes_.Modes()) {
    if (m.width != mode.width || m.height != mode.height || m.refresh != mode.refresh)
      continue;
    int result = modes_.Apply(m);
    Log(Format("ChangeDisplaySettings(%dx%d, %d Bit, %d Hz)=%d", m.width, m.height, m.depth, m.refresh, result));
    if (result == 0)
      return true;
  }
  return false;
}

// ---------------------------------------------------------------------------------------------
// RandR

namespace {
struct TFree {
  void operator()(void* p) const { std::free(p); }
};
template <class T>
using TReply = std::unique_ptr<T, TFree>;

int RefreshOf(const xcb_randr_mode_info_t& m) {
  if (m.htotal == 0 || m.vtotal == 0)
    return 0;
  return static_cast<int>(RoundHalfEven(static_cast<double>(m.dot_clock) / (m.htotal * static_cast<double>(m.vtotal))));
}

// The primary output (or the first connected one) with its CRTC, the screen's modes and depth.
struct TOutputState {
  xcb_connection_t* c = nullptr;
  xcb_window_t root = 0;
  int depth = 24;
  TReply<xcb_randr_get_screen_resources_current_reply_t> resources;
  xcb_randr_output_t output = 0;
  xcb_randr_crtc_t crtc = 0;
  TReply<xcb_randr_get_crtc_info_reply_t> crtcInfo;
  TReply<xcb_randr_get_output_info_reply_t> outputInfo;

  bool Load() {
    c = X11Connection();
    if (!c)
      return false;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen)
      return false;
    root = screen->root;
    depth = screen->root_depth;
    resources.reset(
        xcb_randr_get_screen_resources_current_reply(c, xcb_randr_get_screen_resources_current(c, root), nullptr));
    if (!resources)
      return false;
    TReply<xcb_randr_get_output_primary_reply_t> primary(
        xcb_randr_get_output_primary_reply(c, xcb_randr_get_output_primary(c, root), nullptr));
    const xcb_randr_output_t* outputs = xcb_randr_get_screen_resources_current_outputs(resources.get());
    const int count = xcb_randr_get_screen_resources_current_outputs_length(resources.get());
    for (int pass = 0; pass < 2 && !crtc; ++pass)
      for (int i = 0; i < count && !crtc; ++i) {
        if (pass == 0 && (!primary || outputs[i] != primary->output))
          continue;
        TReply<xcb_randr_get_output_info_reply_t> info(xcb_randr_get_output_info_reply(
            c, xcb_randr_get_output_info(c, outputs[i], resources->config_timestamp), nullptr));
        if (!info || info->connection != XCB_RANDR_CONNECTION_CONNECTED || !info->crtc)
          continue;
        output = outputs[i];
        crtc = info->crtc;
        outputInfo = std::move(info);
      }
    if (!crtc)
      return false;
    crtcInfo.reset(
        xcb_randr_get_crtc_info_reply(c, xcb_randr_get_crtc_info(c, crtc, resources->config_timestamp), nullptr));
    return crtcInfo != nullptr;
  }
  const xcb_randr_mode_info_t* ModeInfo(xcb_randr_mode_t id) const {
    const xcb_randr_mode_info_t* modes = xcb_randr_get_screen_resources_current_modes(resources.get());
    const int n = xcb_randr_get_screen_resources_current_modes_length(resources.get());
    for (int i = 0; i < n; ++i)
      if (modes[i].id == id)
        return &modes[i];
    return nullptr;
  }
  TDisplayMode ModeOf(const xcb_randr_mode_info_t& m) const {
    return TDisplayMode{m.width, m.height, depth, RefreshOf(m)};
  }
};
} // namespace

std::vector<TDisplayMode> TRandrDisplayModes::Modes() {
  std::vector<TDisplayMode> modes;
  TOutputState s;
  if (!s.Load())
    return modes;
  const xcb_randr_mode_t* ids = xcb_randr_get_output_info_modes(s.outputInfo.get());
  const int n = xcb_randr_get_output_info_modes_length(s.outputInfo.get());
  for (int i = 0; i < n; ++i)
    if (const xcb_randr_mode_info_t* m = s.ModeInfo(ids[i]))
      modes.push_back(s.ModeOf(*m));
  return modes;
}

std::optional<TDisplayMode> TRandrDisplayModes::Current() {
  TOutputState s;
  if (!s.Load())
    return std::nullopt;
  const xcb_randr_mode_info_t* m = s.ModeInfo(s.crtcInfo->mode);
  if (!m)
    return std::nullopt;
  return s.ModeOf(*m);
}

int TRandrDisplayModes::Apply(const TDisplayMode& mode) {
  TOutputState s;
  if (!s.Load())
    return -1;
  const xcb_randr_mode_t* ids = xcb_randr_get_output_info_modes(s.outputInfo.get());
  const int n = xcb_randr_get_output_info_modes_length(s.outputInfo.get());
  for (int i = 0; i < n; ++i) {
    const xcb_randr_mode_info_t* m = s.ModeInfo(ids[i]);
    if (!m || !(s.ModeOf(*m) == mode))
      continue;
    TReply<xcb_randr_set_crtc_config_reply_t> reply(xcb_randr_set_crtc_config_reply(
        s.c,
        xcb_randr_set_crtc_config(s.c, s.crtc, XCB_CURRENT_TIME, s.resources->config_timestamp, s.crtcInfo->x,
                                  s.crtcInfo->y, m->id, s.crtcInfo->rotation, 1, &s.output),
        nullptr));
    return reply ? reply->status : -1;
  }
  return -1;
}

} // namespace zv
