#pragma once
// Runs one subcommand on a headless form and prints its result: text for
// people, or one JSON document with --json. The flows are the page handlers
// themselves, driven the way a user drives them (select a drive, click).
#include <iosfwd>
#include <string>

#include "shell/cli/cli_options.h"

namespace app::cli {

// Returns the exit code. `exeDir` is the tool folder without --home;
// `stderrIsTerminal` decides whether progress lines are printed without
// --progress.
int RunCli(const CliOptions& options, const std::string& exeDir, std::ostream& out,
           std::ostream& err, bool stderrIsTerminal);

}  // namespace app::cli
