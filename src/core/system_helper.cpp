#include "core/system_helper.h"

#include "core/format.h"
#include "core/session_log.h"
#include "core/text_util.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {
namespace fs = std::filesystem;

std::string FormatTime(std::string_view tmpl, int64_t value) {
  int64_t ms = value / 10000;
  int64_t millis = ms % 1000;
  int64_t s = ms / 1000;
  int64_t seconds = s % 60;
  int64_t m = s / 60;
  int64_t minutes = m % 60;
  int64_t hours = m / 60;
  // One pass over the template; the values are digits, so no replacement can form a placeholder.
  std::string r;
  r.reserve(tmpl.size() + 8);
  size_t i = 0;
  while (i < tmpl.size()) {
    size_t b = tmpl.find('{', i);
    if (b == std::string_view::npos) {
      r.append(tmpl.substr(i));
      break;
    }
    r.append(tmpl.substr(i, b - i));
    std::string_view rest = tmpl.substr(b);
    if (rest.starts_with("{H}")) {
      r += Format("%d", hours);
      i = b + 3;
    } else if (rest.starts_with("{M}")) {
      r += Format("%.2d", minutes);
      i = b + 3;
    } else if (rest.starts_with("{m}")) {
      r += Format("%.d", minutes);
      i = b + 3;
    } else if (rest.starts_with("{S}")) {
      r += Format("%.2d", seconds);
      i = b + 3;
    } else if (rest.starts_with("{MS}")) {
      r += Format("%.3d", millis);
      i = b + 4;
    } else {
      r += '{';
      i = b + 1;
    }
  }
  return r;
}

std::string PointToStr(TPoint p) { return Format("%d,%d", p.x, p.y); }

TPoint StrToPoint(std::string_view text) {
  TPoint p;
  size_t comma = text.find(',');
  if (comma == std::string_view::npos) {
    if (auto v = StrToIntStrict(text))
      p.x = *v;
    return p;
  }
  auto x = StrToIntStrict(text.substr(0, comma));
  if (!x)
    return p;
  p.x = *x;
  if (auto y = StrToIntStrict(CopyStr(text, static_cast<int64_t>(comma) + 2, 200)))
    p.y = *y;
  return p;
}

std::string JoinInts(char separator, const std::vector<int32_t>& values) {
  std::string r;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i)
      r += separator;
    r += std::to_string(values[i]);
  }
  return r;
}

int64_t NumberField(std::string_view text, int index) {
  int field = 0;
  int64_t value = 0;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      if (field == index)
        value = value * 10 + (c - '0');
    } else {
      if (field == index)
        return value;
      ++field;
    }
  }
  return field == index ? value : 0;
}

namespace {

std::string WithSlash(std::string dir) {
  if (!dir.empty() && dir.back() != '/')
    dir += '/';
  return dir;
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

// The value of XDG_DOCUMENTS_DIR in user-dirs.dirs, with $HOME expanded.
std::string XdgDocumentsDir() {
  std::string config = TSystemHelper::UserAppDataDir();
  if (config.empty())
    return {};
  std::ifstream in(config + "user-dirs.dirs");
  std::string line;
  while (std::getline(in, line)) {
    std::string_view l = Trim(line);
    if (!l.starts_with("XDG_DOCUMENTS_DIR="))
      continue;
    std::string v(l.substr(18));
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
      v = v.substr(1, v.size() - 2);
    if (v.starts_with("$HOME"))
      v = TSystemHelper::HomeDir() + v.substr(5);
    return v;
  }
  return {};
}

} // namespace

std::string TSystemHelper::HomeDir() {
  std::string home = Env("HOME");
  while (home.size() > 1 && home.back() == '/')
    home.pop_back();
  return home;
}

std::string TSystemHelper::UserAppDataDir() {
  std::string dir = Env("XDG_CONFIG_HOME");
  if (!dir.empty() && dir[0] == '/')
    return WithSlash(dir);
  std::string home = HomeDir();
  return home.empty() ? std::string() : WithSlash(home + "/.config");
}

std::string TSystemHelper::CommonAppDataDir() {
  std::string dirs = Env("XDG_CONFIG_DIRS");
  for (const std::string& d : SplitString(dirs, ':'))
    if (!d.empty() && d[0] == '/')
      return WithSlash(d);
  return "/etc/xdg/";
}

std::string TSystemHelper::MyDocumentsDir() {
  std::string docs = XdgDocumentsDir();
  std::error_code ec;
  if (!docs.empty() && fs::is_directory(docs, ec))
    return WithSlash(docs);
  std::string home = HomeDir();
  if (home.empty())
    return {};
  if (fs::is_directory(home + "/Documents", ec))
    return home + "/Documents/";
  return WithSlash(home);
}

std::string TSystemHelper::TempDir() {
  std::string t = Env("TMPDIR");
  return WithSlash(t.empty() ? std::string("/tmp") : t);
}

std::string TSystemHelper::SystemDir() { return "/usr/lib/"; }

std::string TSystemHelper::TrueFileName(const std::string& path) {
  if (path.empty())
    return {};
  std::error_code ec;
  fs::path p = fs::absolute(path, ec);
  if (ec)
    return path;
  return p.lexically_normal().string();
}

std::string TSystemHelper::DiscDeviceOf(const std::string& name) {
  static const std::string kTail = "/VIDEO_TS/VIDEO_TS.IFO";
  if (name.size() <= kTail.size() || !SameText(name.substr(name.size() - kTail.size()), kTail))
    return {};
  std::string device = name.substr(0, name.size() - kTail.size());
  struct stat st {};
  if (::stat(device.c_str(), &st) != 0 || !(S_ISBLK(st.st_mode) || S_ISREG(st.st_mode)))
    return {};
  return device;
}

bool TSystemHelper::CanOpenFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0)
    return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  ::close(fd);
  return ok;
}

TSystemHelper::TSystemHelper(std::shared_ptr<IPowerControl> power) : power_(std::move(power)) {
  if (!power_)
    power_ = std::make_shared<TNullPowerControl>();
}

bool TSystemHelper::Hibernate() { return power_->Hibernate(); }

bool TSystemHelper::PowerOff() { return power_->PowerOff(); }

void TSystemHelper::MonitorPower(bool on) {
  power_->SetMonitorPower(on);
  monitorState_ = !on;
}

void TSystemHelper::MonitorPowerLater() {
  bool on = monitorState_;
  monitorState_ = !on;
  power_->SetMonitorPowerLater(on, 600);
}

bool TNullPowerControl::Hibernate() {
  Log("!TSystemHelper.Hibernate: no power service");
  return false;
}

bool TNullPowerControl::PowerOff() {
  Log("!TSystemHelper.PowerOff: no power service");
  return false;
}

void TNullPowerControl::SetMonitorPower(bool on) {
  Log(Format("!TSystemHelper.MonitorPower(%d): no display service", on ? 1 : 0));
}

void TNullPowerControl::SetMonitorPowerLater(bool on, int) { SetMonitorPower(on); }

} // namespace zv
