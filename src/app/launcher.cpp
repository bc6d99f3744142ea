// The program as users start it. It answers what needs no user interface at once ("--help",
// "--version", and "/INFO" without a display, which would otherwise spend most of its time
// loading the user interface's libraries), and hands everything else to the player beside it,
// which takes over this process.
#include "app/info_report.h"
#include "core/app_paths.h"
#include "core/cmd_params.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unistd.h>

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  int rc = 0;
  if (zv::AnswerWithoutStarting(args, rc))
    return rc;
  bool info = false;
  for (size_t i = 1; i < args.size(); ++i)
    info = info || zv::TCmdParams::SwitchOf(args[i]) == "INFO";
  if (info && zv::WithoutDisplay() && zv::PrintInfoReport(args, nullptr))
    return 0;
  std::string player = (std::filesystem::path(zv::ExePath()).parent_path() / "zelvar-player").string();
  ::execv(player.c_str(), argv);
  std::fprintf(stderr, "Zelvar: cannot start %s: %s\n", player.c_str(), std::strerror(errno));
  return 127;
}
