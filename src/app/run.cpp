#include "app/application.h"
#include "app/core.h"
#include "core/app_paths.h"
#include "core/cmd_params.h"
#include "core/session_log.h"
#include "platform/display.h"
#include "platform/unix_signals.h"

#include <QApplication>
#include <QTimer>
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

} // namespace

int RunApplication(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  for (size_t i = 1; i < args.size(); ++i) {
    std::string sw = TCmdParams::SwitchOf(args[i]);
    if (sw == "HELP") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (sw == "VERSION") {
      std::printf("%s\n", TFileVersionInfo(ExePath()).Format(kBannerTemplate).c_str());
      return 0;
    }
  }

  ChooseQtPlatform();
  TApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);

  TSessionLog::Options logOptions;
  logOptions.path = ExeDir() + "ZV.log";
  logOptions.machine = [] { return GatherMachineFacts(QtScreenFacts()); };
  SessionLog().Start(std::move(logOptions));

  int rc = 0;
  {
    TCore core(args);
    if (core.Create() == TCore::TStart::Run) {
      core.CreateMainWindow();
      if (!core.CheckInfoSwitch()) {
        TUnixSignalWatcher signalWatcher([&core](int sig) {
          Log("Core: signal " + std::to_string(sig));
          core.RequestExit();
        });
        core.ShowGUI();
        Log("=== Application has been shown");
        core.LoadModules();
        if (!core.ExitRequested())
          core.ProcessCmdLine(args);
        Log("=== Application is responsible");
        if (const char* quit = std::getenv("ZELVAR_QUIT_AFTER_START"); quit && *quit)
          QTimer::singleShot(0, &core, [&core] { core.RequestExit(); });
        // An exit asked for during the start-up was seen by no loop yet: leave at once.
        if (!core.ExitRequested())
          rc = app.exec();
        core.Proxy().SetActive(false);
        core.HideGUI();
        core.FreeModules();
      }
    } else {
      rc = core.ExitCode();
    }
  }
  SessionLog().End();
  return rc;
}

} // namespace zv
