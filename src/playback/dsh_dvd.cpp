// The engine control's DVD playback: the disc's graph, its commands, and what its events tell.
#include "core/format.h"
#include "core/session_log.h"
#include "core/system_helper.h"
#include "playback/direct_show_helper.h"

namespace zv {

using namespace eng;

void TDirectShowHelper::CreateDvdGraph() {
  graph_ = engine_.CreateGraph();
  ++graphSerial_;
  CheckResult(graph_ ? S_OK : E_FAIL, "CoCreateInstance(DVDBuilder)");
  dvd_ = graph_->DvdControl();
  CheckResult(dvd_ ? S_OK : E_NOINTERFACE, "DVDBuilder.GetDVDInterface(IDVDControl2)");
  // The components are looked up before anything is built, so that the user hears what to
  // install instead of meeting a disc that shows nothing.
  std::vector<std::string> missing = dvd_->MissingComponents();
  if (!missing.empty()) {
    for (const std::string& line : missing)
      Log("!TDirectShowHelper.CreateBuilder: missing " + line);
    if (host_.dvdCodecDialog)
      host_.dvdCodecDialog(missing);
    CheckResult(VFW_E_DVD_DECNOTENOUGH, "DVDBuilder.RenderDVDVideoVolume(NIL)");
  }
  HRESULT window = graph_->QueryInterface(TInterface::VideoWindow);
  if (Failed(window) && host_.dvdCodecDialog)
    host_.dvdCodecDialog({});
  CheckResult(window, "DVDBuilder.QueryInterface(IVideoWindow)");
  hasVideoWindow_ = true;
  ResetDvdState();
}

void TDirectShowHelper::ResetDvdState() {
  dvdTime_ = dvdTotal_ = {};
  dvdDomainSeen_ = dvdTotalKnown_ = false;
  dvdLanguages_.clear();
}

void TDirectShowHelper::SeekDvd(int64_t position) {
  if (!dvd_)
    return;
  TLogScope scope("TDirectShowHelper.SeekTo.IsDVD");
  if (position == 0) {
    // The title menu instead of the start; the wait is bounded, so that a disc that does not
    // answer never holds the window.
    int id = 0;
    if (Succeeded(dvd_->ShowMenu(DVD_MENU_Title, &id)) && !dvd_->WaitCommand(id, 1000))
      Log("!TDirectShowHelper.SeekTo: the title menu did not come within a second");
    return;
  }
  const int64_t s = position / 10'000'000;
  TDvdTime t;
  t.seconds = static_cast<uint8_t>(s % 60);
  t.minutes = static_cast<uint8_t>(s / 60 % 60);
  t.hours = static_cast<uint8_t>(s / 3600);
  t.frames = 1;
  Log(Format(" = DVDPos: bSeconds(%d), bMinutes(%d), bHours(%d)", t.seconds, t.minutes, t.hours));
  HRESULT hr = dvd_->PlayAtTime(t);
  if (Failed(hr))
    Log("!TDirectShowHelper.SeekTo: " + ErrorText(hr));
}

void TDirectShowHelper::OnDvdEvent(const TEvent& e) {
  if (!dvd_)
    return;
  if (e.code == EC_DVD_DOMAIN_CHANGE || e.code == EC_DVD_TITLE_CHANGE) {
    dvdDomainSeen_ = dvdDomainSeen_ || e.code == EC_DVD_DOMAIN_CHANGE;
    ReadDvdTotal();
  } else if (e.code == EC_DVD_CURRENT_HMSF_TIME) {
    dvdTime_ = TDvdTime::Unpacked(e.param1);
  }
}

void TDirectShowHelper::ReadDvdTotal() {
  // A menu has no length of its own: one second, so that nothing divides by nothing. A title's
  // length may become known only after the title began; it is asked again until then.
  dvdTotalKnown_ = Succeeded(dvd_->GetTotalTitleTime(dvdTotal_));
  if (!dvdTotalKnown_)
    dvdTotal_ = {0, 0, 1, 0};
}

bool TDirectShowHelper::IsDVDMenu() {
  TDvdDomain domain{};
  return isDVD && dvd_ && Succeeded(dvd_->GetCurrentDomain(domain)) &&
         (domain == DVD_DOMAIN_VideoManagerMenu || domain == DVD_DOMAIN_VideoTitleSetMenu);
}

void TDirectShowHelper::DVDSelectAt(double x, double y) {
  if (isDVD && dvd_)
    dvd_->SelectAtPosition(x, y);
}

void TDirectShowHelper::DVDActivateAt(double x, double y) {
  if (isDVD && dvd_)
    dvd_->ActivateAtPosition(x, y);
}

int TDirectShowHelper::DVDTitleCount() {
  int titles = 0;
  if (!isDVD || !dvd_ || Failed(dvd_->GetNumberOfTitles(titles)))
    return 0;
  return titles;
}

int TDirectShowHelper::DVDAudioLanguages() {
  std::vector<std::string> codes;
  dvdLanguages_.clear();
  if (!isDVD || !dvd_ || Failed(dvd_->GetAudioLanguages(codes)))
    return 0;
  for (const std::string& code : codes)
    dvdLanguages_.push_back(host_.languageName ? host_.languageName(code) : code);
  return static_cast<int>(dvdLanguages_.size());
}

void TDirectShowHelper::DVDPlayTitle(int title) {
  if (!isDVD || !dvd_)
    return;
  const int titles = DVDTitleCount();
  if (title < 1 || title > titles) {
    Log(Format("!TDirectShowHelper.DVDPlayTitle(%d): the disc has %d titles", title, titles));
    return;
  }
  dvd_->PlayTitle(title);
}

void TDirectShowHelper::DVDSelectAudio(int stream) {
  if (isDVD && dvd_)
    dvd_->SelectAudioStream(stream);
}

void TDirectShowHelper::DVDShowRootMenu() {
  if (isDVD && dvd_)
    dvd_->ShowMenu(DVD_MENU_Root);
}

} // namespace zv
