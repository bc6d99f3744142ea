#include "app/info_report.h"

#include "core/app_paths.h"
#include "core/cmd_params.h"
#include "core/session_log.h"
#include "core/version_info.h"
#include "filters/cached_file.h"
#include "mediainfo/media_info.h"
#include "prefs/store_folder.h"
#include "prefs/xml_prefs.h"
#include "prefs/xml_tree.h"
#include "skin/language_manager.h"

#include <cstdio>
#include <cstdlib>

namespace zv {
namespace {

const char* const kBannerTemplate = "{P} {MAJ}.{MIN}{RI} (build {B})";

const char* const kHelp =
    "Usage: zelvar [switches] [files, folders, playlists or URLs]\n"
    "\n"
    "Switches may start with \"/\", \"-\" or \"--\" and are matched in any case:\n"
    "  /ADD                 add the files to the playlist without clearing it or starting playback\n"
    "  /NEW                 start a new instance even when one is running\n"
    "  /INFO                show the information report of the first file and exit\n"
    "  /SKIN=path           use this skin and keep it\n"
    "  /CLOSE               close the player at the end of the playlist (this run only)\n"
    "  /INSTALL             associate media types with the program and exit\n"
    "  /UNINSTALL           remove the associations and exit\n"
    "  --help               print this text and exit\n"
    "  --version            print the version and exit\n"
    "\n"
    "A second start hands its files to the running instance.\n"
    "Environment: ZELVAR_HOME replaces the program folder; ZELVAR_AUDIO_SINK and ZELVAR_VIDEO_SINK\n"
    "choose the output elements. A session log is written to ZV.log in the program folder when\n"
    "that file exists.\n";

bool Set(const char* name) {
  const char* v = std::getenv(name);
  return v && *v;
}

} // namespace

bool AnswerWithoutStarting(const std::vector<std::string>& args, int& rc) {
  for (size_t i = 1; i < args.size(); ++i) {
    std::string sw = TCmdParams::SwitchOf(args[i]);
    if (sw == "HELP") {
      std::fputs(kHelp, stdout);
      rc = 0;
      return true;
    }
    if (sw == "VERSION") {
      std::printf("%s\n", TFileVersionInfo(ExePath()).Format(kBannerTemplate).c_str());
      rc = 0;
      return true;
    }
  }
  return false;
}

bool WithoutDisplay() {
  if (Set("QT_QPA_PLATFORM"))
    return std::string(std::getenv("QT_QPA_PLATFORM")) == "offscreen";
  return !Set("DISPLAY") && !Set("WAYLAND_DISPLAY");
}

std::string InfoReportText(const std::string& fileName, IMediaDetector* detector, bool* wantedDetector) {
  TCachedFile file(fileName);
  TMediaInfoContext context;
  context.detector = detector;
  // A stream's address is described without contacting it: a station that does not answer
  // would hold the report up, and one that does only tells once it plays.
  TMediaInfo info(file, context);
  info.RetreiveInfo();
  if (wantedDetector)
    *wantedDetector = info.WantedDetector();
  return info.GetInfoText();
}

bool PrintInfoReport(const std::vector<std::string>& args, IMediaDetector* detector) {
  TCmdParams params(args);
  std::vector<std::string> files = params.Files();
  if (files.empty())
    return true; // nothing to describe: the program leaves at once
  TSessionLog::Options logOptions;
  logOptions.path = ExeDir() + "ZV.log";
  SessionLog().Start(std::move(logOptions));
  Log("System.CmdLine=" + TCmdParams::JoinArguments(args));
  Log("Core.CheckInfoSwitch: " + files.front());
  // The report's words come in the language of the preferences.
  TXMLTree document;
  LoadPrefsDocument(document);
  TLanguageManager language;
  SetLanguageManager(&language);
  LoadProgramLanguage(language, TXMLPrefs(document.Root()).GetString("FrontEnd.Language"), ExeDir());
  bool wanted = false;
  std::string report = InfoReportText(files.front(), detector, &wanted);
  SetLanguageManager(nullptr);
  if (wanted) {
    Log("Core.CheckInfoSwitch: the media detector is needed");
    SessionLog().End();
    return false;
  }
  std::string text;
  text.reserve(report.size());
  for (char c : report)
    if (c != '\r')
      text += c;
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  SessionLog().End();
  return true;
}

} // namespace zv
