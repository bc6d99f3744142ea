#include "core/app_paths.h"
#include "core/session_log.h"
#include "core/text_util.h"
#include "core/version_info.h"
#include "platform/display.h"

#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* const kBannerTemplate = "{P} {MAJ}.{MIN}{RI} (build {B})";

const char* const kHelp =
    "Usage: zelvar [switches] [files, folders, playlists or URLs]\n"
    "\n"
    "Switches may start with \"/\", \"-\" or \"--\" and are matched in any case:\n"
    "  /ADD                 add the files to the playlist without clearing it or starting playback\n"
    "  /NEW                 start a new instance even when one is running\n"
    "  /INFO                show the information report of the first file and exit\n"
    "  /FULLSCREEN          switch to full screen when playback starts\n"
    "  /ZOOM=n or /ZOOM=x:y zoom in percent when playback starts\n"
    "  /RATIO=a:b           aspect ratio when playback starts\n"
    "  /SKIN=path           use this skin and keep it\n"
    "  /INSTALL             associate media types with the program and exit\n"
    "  /UNINSTALL           remove the associations and exit\n"
    "  --help               print this text and exit\n"
    "  --version            print the version and exit\n"
    "\n"
    "Environment: ZELVAR_HOME replaces the program folder; ZELVAR_AUDIO_SINK and ZELVAR_VIDEO_SINK\n"
    "choose the output elements. A session log is written to ZV.log in the program folder when\n"
    "that file exists.\n";

// A token names a switch when, after a leading "/", "-" or "--", its name (before any "=") is the
// given one in any case.
bool IsSwitch(const std::string& token, std::string_view name) {
  std::string_view t = token;
  if (t.starts_with("--"))
    t.remove_prefix(2);
  else if (t.starts_with("/") || t.starts_with("-"))
    t.remove_prefix(1);
  else
    return false;
  return zv::SameText(t.substr(0, t.find('=')), name);
}

std::string JoinCommandLine(int argc, char** argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    std::string a = argv[i];
    if (i)
      line += ' ';
    if (a.empty() || a.find(' ') != std::string::npos)
      line += "\"" + a + "\"";
    else
      line += a;
  }
  return line;
}

} // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  zv::TFileVersionInfo version(zv::ExePath());
  for (const std::string& a : args) {
    if (IsSwitch(a, "help") || a == "-h" || a == "-?" || a == "/?") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (IsSwitch(a, "version")) {
      std::printf("%s\n", version.Format(kBannerTemplate).c_str());
      return 0;
    }
  }

  zv::ChooseQtPlatform();
  QApplication app(argc, argv);

  zv::TSessionLog::Options logOptions;
  logOptions.path = zv::ExeDir() + "ZV.log";
  logOptions.machine = [] { return zv::GatherMachineFacts(zv::QtScreenFacts()); };
  zv::SessionLog().Start(std::move(logOptions));
  {
    zv::TLogScope scope("Core.Create");
    zv::Log("System.CmdLine=" + JoinCommandLine(argc, argv));
    zv::Log("=== " + version.Format(kBannerTemplate) + " ===");
  }
  // Playback arrives with the following work; for now the program introduces itself and exits.
  std::printf("%s\n", version.Format(kBannerTemplate).c_str());
  std::printf("This build does not play media yet.\n");
  zv::SessionLog().End();
  return 0;
}
