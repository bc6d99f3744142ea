#include "platform/desktop_types.h"

#include "core/atomic_file.h"
#include "core/error.h"
#include "core/session_log.h"
#include "core/stream.h"
#include "core/system_helper.h"
#include "core/text_util.h"
#include "prefs/assoc_store.h"
#include "prefs/file_type_assoc.h"
#include "prefs/xml_tree.h"

#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace zv {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSection = "[Default Applications]";
constexpr const char* kGeneratedMark = "X-Zelvar-Generated=true";

// Reads a whole file; none when it exists but cannot be read, empty when it does not exist.
std::optional<std::string> ReadWhole(const std::string& path) {
  std::error_code ec;
  if (!fs::exists(path, ec))
    return std::string();
  try {
    return ReadWholeFile(path);
  } catch (const EZvError&) {
    return std::nullopt;
  }
}

// Writes a file of ours when its bytes change; false when it could not.
bool WriteIfChanged(const std::string& path, const std::string& bytes) {
  if (auto old = ReadWhole(path); old && *old == bytes)
    return true;
  try {
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    WriteFileAtomic(path, bytes);
    return true;
  } catch (const EZvError& e) {
    Log("TDesktopFileTypes: " + std::string(e.what()));
    return false;
  }
}

std::string IconPath(const TDesktopPaths& paths) { return paths.dataHome + "zelvar/zelvar.png"; }
std::string PackagePath(const TDesktopPaths& paths) { return paths.dataHome + "mime/packages/zelvar.xml"; }

std::string DesktopString(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\t')
      out += "\\t";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

} // namespace

bool TMimeAppsList::FindLine(std::string_view mime, TLine& line, size_t& insertAt) const {
  bool inSection = false;
  insertAt = std::string::npos;
  for (size_t b = 0; b < text_.size();) {
    size_t nl = text_.find('\n', b);
    size_t next = nl == std::string::npos ? text_.size() : nl + 1;
    size_t e = nl == std::string::npos ? text_.size() : nl;
    std::string_view content = std::string_view(text_).substr(b, e - b);
    if (!content.empty() && content.back() == '\r')
      content.remove_suffix(1);
    if (!content.empty() && content.front() == '[') {
      // The first section of the name is the one the desktop reads.
      if (inSection)
        return false;
      inSection = TrimRight(content) == kSection && insertAt == std::string::npos;
      if (inSection)
        insertAt = next;
    } else if (inSection && !Trim(content).empty()) {
      insertAt = next;
      size_t eq = content.find('=');
      if (eq != std::string_view::npos && Trim(content.substr(0, eq)) == mime) {
        line = {b, b + content.size(), next};
        return true;
      }
    }
    b = next;
  }
  return false;
}

std::optional<std::string> TMimeAppsList::Default(std::string_view mime) const {
  TLine line{};
  size_t insertAt;
  if (!FindLine(mime, line, insertAt))
    return std::nullopt;
  std::string_view content = std::string_view(text_).substr(line.begin, line.end - line.begin);
  return std::string(Trim(content.substr(content.find('=') + 1)));
}

void TMimeAppsList::SetDefault(std::string_view mime, std::string_view value) {
  std::string entry = std::string(mime) + "=" + std::string(value);
  TLine line{};
  size_t at;
  if (FindLine(mime, line, at)) {
    text_.replace(line.begin, line.end - line.begin, entry);
    return;
  }
  if (at == std::string::npos) {
    at = text_.size();
    entry = std::string(kSection) + "\n" + entry;
    if (!text_.empty() && text_.back() == '\n')
      entry = "\n" + entry;
  }
  if (at > 0 && text_[at - 1] != '\n')
    entry = "\n" + entry;
  text_.insert(at, entry + "\n");
}

void TMimeAppsList::RemoveDefault(std::string_view mime) {
  TLine line{};
  size_t at;
  if (FindLine(mime, line, at))
    text_.erase(line.begin, line.next - line.begin);
}

std::string FirstDesktopId(std::string_view value) {
  return std::string(Trim(value.substr(0, std::min(value.find(';'), value.size()))));
}

TDesktopPaths DesktopPathsFromEnvironment() {
  const char* data = std::getenv("XDG_DATA_HOME");
  std::string dataHome = data && *data == '/' ? std::string(data) : TSystemHelper::HomeDir() + "/.local/share";
  if (dataHome.back() != '/')
    dataHome += '/';
  return {dataHome, TSystemHelper::UserAppDataDir()};
}

std::vector<std::string> MimeTypesOfExtension(const std::string& extension) {
  static const char* const kMediaApplications[] = {
      "application/vnd.apple.mpegurl", "application/vnd.ms-asf", "application/ram",
      "application/vnd.rn-realmedia",  "application/ogg",        TDesktopFileTypes::kPlaylistMime};
  std::vector<std::string> types;
  if (SameText(extension, "ZVP"))
    types.push_back(TDesktopFileTypes::kPlaylistMime);
  if (extension.empty())
    return types;
  QMimeDatabase db;
  for (const QMimeType& t : db.mimeTypesForFileName(QString::fromStdString("x." + LowerCase(extension)))) {
    std::string name = t.name().toStdString();
    bool media = StartsText("audio/", name) || StartsText("video/", name) ||
                 std::any_of(std::begin(kMediaApplications), std::end(kMediaApplications),
                             [&](const char* a) { return name == a; });
    if (media && std::find(types.begin(), types.end(), name) == types.end())
      types.push_back(name);
  }
  return types;
}

std::string DesktopExecArg(std::string_view arg) {
  static constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string out;
  bool quote = arg.empty() || arg.find_first_of(kReserved) != std::string_view::npos;
  for (char c : arg) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
      out += '\\';
    out += c;
  }
  if (quote)
    out = "\"" + out + "\"";
  return DesktopString(ReplaceAll(out, "%", "%%"));
}

TDesktopFileTypes::TDesktopFileTypes(IAssocStore& store, TDesktopPaths paths, std::string exePath,
                                     std::function<std::string()> icon)
    : store_(store), paths_(std::move(paths)), exePath_(std::move(exePath)), icon_(std::move(icon)) {}

std::string TDesktopFileTypes::DesktopEntry(const std::vector<std::string>& mimeTypes) const {
  // The actions are the association's own menu: the verbs with a caption, their switches as the
  // command gives them, each file given as one argument.
  std::string ref = "\"" + exePath_ + "\"";
  std::string exe = DesktopExecArg(exePath_);
  auto exec = [&](const TFileTypeAction& a) {
    std::string line = exe;
    for (const std::string& token : SplitString(a.command.substr(std::min(ref.size(), a.command.size())), ' ')) {
      if (token.empty())
        continue;
      line += " " + (token == "\"%1\"" ? std::string(a.verb == "Info" ? "%f" : "%F") : DesktopExecArg(token));
    }
    return line;
  };
  TFileTypeMenu menu = ProgramFileTypeMenu(ref);
  std::string text = "[Desktop Entry]\nType=Application\nVersion=1.4\nName=Zelvar\nGenericName=Media Player\n"
                     "Comment=Play video, audio, DVDs and network streams\n";
  text += "Icon=" + (icon_ ? DesktopString(IconPath(paths_)) : std::string("multimedia-video-player")) + "\n";
  text += "TryExec=" + DesktopString(exePath_) + "\n";
  std::string actions;
  for (const TFileTypeAction& a : menu.actions) {
    if (SameText(a.verb, menu.defaultVerb))
      text += "Exec=" + exec(a) + "\n";
    else if (!a.caption.empty())
      actions += a.verb + ";";
  }
  text += "Terminal=false\nCategories=AudioVideo;Video;Audio;Player;\nKeywords=video;audio;movie;music;dvd;player;\n";
  std::string mimes;
  for (const std::string& m : mimeTypes)
    mimes += m + ";";
  text += "MimeType=" + mimes + "\n";
  text += "Actions=" + actions + "\n";
  text += std::string(kGeneratedMark) + "\n";
  for (const TFileTypeAction& a : menu.actions) {
    if (a.caption.empty() || SameText(a.verb, menu.defaultVerb))
      continue;
    text += "\n[Desktop Action " + a.verb + "]\nName=" + DesktopString(ReplaceAll(a.caption, "&", "")) +
            "\nExec=" + exec(a) + "\n";
  }
  return text;
}

std::string TDesktopFileTypes::MimePackage(const std::string& description) {
  std::string desc = Trim(description).empty() ? std::string("Zelvar Playlist") : std::string(Trim(description));
  std::string escaped = TXMLTree::Escape(desc);
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<!-- Written by Zelvar for its playlists; removed when no file type is associated. -->\n"
         "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
         "  <mime-type type=\"" +
         std::string(kPlaylistMime) +
         "\">\n"
         "    <comment>" +
         escaped +
         "</comment>\n"
         "    <generic-icon name=\"audio-x-generic\"/>\n"
         "    <glob pattern=\"*.zvp\"/>\n"
         "  </mime-type>\n"
         "</mime-info>\n";
}

void TDesktopFileTypes::AssociationsChanged(const TExplorerIntegrator& types) {
  TLogScope scope("TDesktopFileTypes.AssociationsChanged");
  std::vector<std::pair<std::string, bool>> wanted;
  auto want = [&wanted](const std::string& mime, bool on) {
    auto it = std::find_if(wanted.begin(), wanted.end(), [&](const auto& w) { return w.first == mime; });
    if (it == wanted.end())
      wanted.emplace_back(mime, on);
    else
      it->second = it->second || on; // a type shared by two extensions follows either
  };
  for (const std::string& id : types.TypeList("*")) {
    bool on = types.IsAssociated(id);
    for (const std::string& mime : MimeTypesOfExtension(id))
      want(mime, on);
  }
  want(kDVDMime, types.IsDVDAssociated());
  bool any = std::any_of(wanted.begin(), wanted.end(), [](const auto& w) { return w.second; });
  if (any) {
    // The entry names only the types taken over: the desktop makes a program that names a type the
    // default of every type nobody chose, and which types are the program's is the user's choice.
    std::vector<std::string> taken;
    for (const auto& w : wanted)
      if (w.second)
        taken.push_back(w.first);
    WriteFiles(taken, types.TypeDescription("ZVP"));
  }
  UpdateDefaults(wanted);
  if (!any)
    RemoveFiles();
  RunCacheTools();
}

bool TDesktopFileTypes::UpdateDefaults(const std::vector<std::pair<std::string, bool>>& wanted) {
  const std::string path = MimeAppsPath();
  std::optional<std::string> text = ReadWhole(path);
  if (!text) {
    Log("TDesktopFileTypes: " + path + " cannot be read; the desktop's defaults are left as they are");
    return false;
  }
  const std::string backup = std::string(TExplorerIntegrator::kTag) + ".Backup";
  const std::string remove = std::string(TExplorerIntegrator::kTag) + ".Delete";
  TMimeAppsList list(*text);
  for (const auto& [mime, on] : wanted) {
    std::string record = "\\MimeDefaults\\" + mime;
    std::optional<std::string> current = list.Default(mime);
    bool ours = current && FirstDesktopId(*current) == kDesktopId;
    if (on && !ours) {
      // What the desktop had is kept first; without that the line is not changed.
      bool kept = store_.CreateKey(record) &&
                  (current ? store_.WriteValue(record, backup, *current) && (store_.DeleteValue(record, remove), true)
                           : store_.WriteValue(record, remove, "Delete") && (store_.DeleteValue(record, backup), true));
      if (kept)
        list.SetDefault(mime, std::string(kDesktopId) + ";");
    } else if (!on && store_.KeyExists(record)) {
      // A default the user has changed since is theirs: only our record goes.
      std::string old;
      if (ours && store_.ReadValue(record, backup, old))
        list.SetDefault(mime, old);
      else if (ours)
        list.RemoveDefault(mime);
      store_.DeleteKey(record);
    }
  }
  if (list.Text() == *text)
    return true;
  // The backups are on disk before the defaults change.
  if (!store_.Flush())
    return false;
  return WriteIfChanged(path, list.Text());
}

void TDesktopFileTypes::WriteFiles(const std::vector<std::string>& mimeTypes, const std::string& playlistDescription) {
  if (icon_)
    if (std::string png = icon_(); !png.empty())
      WriteIfChanged(IconPath(paths_), png);
  WriteIfChanged(PackagePath(paths_), MimePackage(playlistDescription));
  WriteIfChanged(DesktopFilePath(), DesktopEntry(mimeTypes));
}

void TDesktopFileTypes::RemoveFiles() {
  std::error_code ec;
  // Only what we wrote: a desktop entry without our mark (a packaged one, or the user's) stays.
  if (auto entry = ReadWhole(DesktopFilePath()); entry && entry->find(kGeneratedMark) != std::string::npos)
    fs::remove(DesktopFilePath(), ec);
  if (auto package = ReadWhole(PackagePath(paths_)); package && package->find("Written by Zelvar") != std::string::npos)
    fs::remove(PackagePath(paths_), ec);
  fs::remove(IconPath(paths_), ec);
  fs::remove(fs::path(IconPath(paths_)).parent_path(), ec); // only when empty
}

void TDesktopFileTypes::RunCacheTools() {
  const std::pair<const char*, std::string> tools[] = {{"update-desktop-database", paths_.dataHome + "applications"},
                                                       {"update-mime-database", paths_.dataHome + "mime"}};
  for (const auto& [tool, dir] : tools) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
      continue;
    QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty()) {
      Log(std::string("TDesktopFileTypes: no ") + tool + "; the desktop renews its cache itself");
      continue;
    }
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(program, {QString::fromStdString(dir)});
    if (!p.waitForFinished(30000)) {
      p.kill();
      p.waitForFinished(1000);
      Log(std::string("TDesktopFileTypes: ") + tool + " did not finish");
    } else if (p.exitCode() != 0) {
      Log(std::string("TDesktopFileTypes: ") + tool + " failed with " + std::to_string(p.exitCode()));
    }
  }
}

} // namespace zv
