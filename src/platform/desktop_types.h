#pragma once

#include "prefs/file_types.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

class IAssocStore;

// The user's mimeapps.list: its "[Default Applications]" read and changed one line at a time,
// every other byte of the file kept as it was.
class TMimeAppsList {
public:
  explicit TMimeAppsList(std::string text = {}) : text_(std::move(text)) {}
  // The value of the type's line ("a.desktop;b.desktop;"), none when there is no line.
  std::optional<std::string> Default(std::string_view mime) const;
  void SetDefault(std::string_view mime, std::string_view value);
  void RemoveDefault(std::string_view mime);
  const std::string& Text() const { return text_; }

private:
  struct TLine {
    size_t begin, end; // the line without its end of line
    size_t next;       // where the next line begins
  };
  // The line of the type in the section, or where a new one goes (npos-begun line: no section).
  bool FindLine(std::string_view mime, TLine& line, size_t& insertAt) const;
  std::string text_;
};

// The first desktop id of a mimeapps.list value.
std::string FirstDesktopId(std::string_view value);

// Where the desktop looks for applications and MIME packages (with trailing "/"): $XDG_DATA_HOME
// (~/.local/share) and $XDG_CONFIG_HOME (~/.config).
struct TDesktopPaths {
  std::string dataHome;
  std::string configHome;
};
TDesktopPaths DesktopPathsFromEnvironment();

// The MIME types the desktop knows for files of an extension (the playlist type of our own
// package included); only media types: a ".ts" file is a video here, not a translation source.
std::vector<std::string> MimeTypesOfExtension(const std::string& extension);

// The associations projected onto the desktop: the program's "zelvar.desktop" with its actions,
// the user's defaults in mimeapps.list (the type's previous default kept in the store and put back
// when the type is given back, but only while the default still names this program), a MIME package
// for the program's playlists, and "x-content/video-dvd" for DVD auto-play. The desktop's caches are
// renewed when their tools are installed. With nothing associated the files the program wrote are
// removed again.
class TDesktopFileTypes : public IFileTypeShell {
public:
  static constexpr const char* kDesktopId = "zelvar.desktop";
  static constexpr const char* kPlaylistMime = "application/x-zelvar-playlist";
  static constexpr const char* kDVDMime = "x-content/video-dvd";

  // `icon` gives the program's icon as PNG bytes.
  TDesktopFileTypes(IAssocStore& store, TDesktopPaths paths, std::string exePath, std::function<std::string()> icon);

  void AssociationsChanged(const TExplorerIntegrator& types) override;

  // The desktop entry for the MIME types.
  std::string DesktopEntry(const std::vector<std::string>& mimeTypes) const;
  // The MIME package that defines the playlist type.
  static std::string MimePackage(const std::string& description);
  std::string DesktopFilePath() const { return paths_.dataHome + "applications/" + kDesktopId; }
  std::string MimeAppsPath() const { return paths_.configHome + "mimeapps.list"; }

private:
  // Sets the defaults of the types; false when mimeapps.list could not be read or written.
  bool UpdateDefaults(const std::vector<std::pair<std::string, bool>>& wanted);
  void WriteFiles(const std::vector<std::string>& mimeTypes, const std::string& playlistDescription);
  void RemoveFiles();
  void RunCacheTools();

  IAssocStore& store_;
  TDesktopPaths paths_;
  std::string exePath_;
  std::function<std::string()> icon_;
};

// One argument of a desktop entry's Exec line, quoted and escaped as the desktop expects.
std::string DesktopExecArg(std::string_view arg);

} // namespace zv
