#pragma once
// The subcommands that run a page's work over chosen drives (erase, update):
// they tick exactly those rows, press the page's button with the questions
// answered Yes, print one progress line per step on stderr, and report each
// drive's result from the run's report.
#include <iosfwd>
#include <vector>

#include "shell/cli/cli_drives.h"
#include "shell/cli/cli_session.h"

namespace app::cli {

struct RunCommandContext {
  CliSession& session;
  const std::vector<CliDrive>& drives;  // the identified drives
  const std::vector<int>& rows;         // update-list rows of the chosen ones
  std::ostream& out;
  std::ostream& err;
  bool progress;
  bool json;
};

int Erase(RunCommandContext& rc);
int Update(RunCommandContext& rc);

}  // namespace app::cli
