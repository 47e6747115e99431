#pragma once
// The tool as a subcommand sees it: the backend, the headless form started up
// (settings read, drives scanned, lists filled) with the scan and the pages
// plugged in, and at the end the form's normal close, which writes the run
// log as the window does. Message boxes go to stderr and are answered Yes
// only with --yes.
#include <iosfwd>
#include <memory>
#include <string>

#include "config/context/run_context.h"
#include "form/update_dispaly.h"
#include "platform/os.h"
#include "shell/cli/cli_options.h"
#include "shell/session.h"
#include "ui/headless_toolkit.h"

namespace app::cli {

class CliSession {
 public:
  // `exeDir`: the tool folder when --home is not given.
  CliSession(const CliOptions& options, std::string exeDir, std::ostream& err);
  ~CliSession();
  CliSession(const CliSession&) = delete;
  CliSession& operator=(const CliSession&) = delete;

  // Opens the backend and runs the start-up. False (with a message on err)
  // when the lab cannot be opened.
  bool Open();
  // The normal close path; also run by the destructor.
  void Close();

  TUpdateDispaly& Form() { return *form_; }
  SessionPlugins& Plugins() { return *plugins_; }
  RunContext& Context() { return *ctx_; }
  os::Os& Os() { return *os_; }

 private:
  const CliOptions& options_;
  std::string exeDir_;
  std::ostream& err_;
  std::unique_ptr<os::Os> os_;
  std::unique_ptr<RunContext> ctx_;
  std::unique_ptr<ui::HeadlessToolkit> toolkit_;
  std::unique_ptr<ui::Application> application_;
  std::unique_ptr<TUpdateDispaly> form_;
  std::unique_ptr<SessionPlugins> plugins_;
};

}  // namespace app::cli
