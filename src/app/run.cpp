#include "app/application.h"
#include "app/core.h"
#include "app/info_report.h"
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

int RunApplication(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  if (int rc = 0; AnswerWithoutStarting(args, rc))
    return rc;

  ChooseQtPlatform();
  TApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);

  TSessionLog::Options logOptions;
  logOptions.path = ExeDir() + "ZV.log";
  logOptions.machine = [] { return GatherMachineFacts(QtScreenFacts()); };
  SessionLog().Start(std::move(logOptions));

  int rc = 0;
  {
    // Watched from the first moment: a signal that comes while the program starts (its socket may
    // already tell later starts that it runs) ends it through the orderly exit once the loop runs.
    TCore* target = nullptr;
    TUnixSignalWatcher signalWatcher([&target](int sig) {
      Log("Core: signal " + std::to_string(sig));
      if (target)
        target->RequestExit();
    });
    TCore core(args);
    target = &core;
    if (core.Create() == TCore::TStart::Run) {
      core.CreateMainWindow();
      if (!core.CheckInfoSwitch()) {
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
