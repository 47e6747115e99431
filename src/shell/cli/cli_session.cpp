#include "shell/cli/cli_session.h"

#include <ostream>

#include "shell/startup_checks.h"

namespace app::cli {

CliSession::CliSession(const CliOptions& options, std::string exeDir, std::ostream& err)
    : options_(options), exeDir_(std::move(exeDir)), err_(err) {}

CliSession::~CliSession() { Close(); }

bool CliSession::Open() {
  if (const auto problem = ToolFolderProblem(options_.home.empty() ? exeDir_ : options_.home)) {
    err_ << "ssdtools: " << *problem << "\n";
    return false;
  }
  std::string error;
  std::string home = options_.home.empty() ? exeDir_ : options_.home;
  while (home.size() > 1 && (home.back() == '/' || home.back() == '\\')) home.pop_back();
  os_ = OpenSessionBackend(options_.lab, options_.recording, home, options_.commandLine, error);
  if (!os_) {
    const bool recording = !options_.recording.record.empty() || !options_.recording.replay.empty();
    err_ << "ssdtools: " << (recording ? "" : "cannot open the lab " + options_.lab + ":\n") << error
         << "\n";
    return false;
  }
  os_->Trace().SetToStderr(options_.trace);
  ctx_ = std::make_unique<RunContext>(*os_, home);
  toolkit_ = std::make_unique<ui::HeadlessToolkit>(*os_, &err_);
  toolkit_->SetAnswerPolicy(options_.yes ? ui::AnswerPolicy::kYes : ui::AnswerPolicy::kCautious);
  application_ = std::make_unique<ui::Application>(*toolkit_);
  form_ = std::make_unique<TUpdateDispaly>(*application_, *ctx_);
  plugins_ = std::make_unique<SessionPlugins>(*form_, *ctx_);
  // Start-up only: the unattended run of AutoRun belongs to the window and
  // the plain headless mode, not to a subcommand.
  form_->RunCreate();
  if (!ctx_->settingsProblem.empty()) {
    err_ << "ssdtools: " << ctx_->settingsProblem << "\n";
    return false;
  }
  // What the window's status bar and run log say about drives left out.
  if (const std::string dropped = plugins_->Scan().DroppedText(); !dropped.empty())
    err_ << "ssdtools: " << dropped << "\n";
  return true;
}

void CliSession::Close() {
  if (form_ && !form_->Closed()) application_->RequestClose(*form_);
  plugins_.reset();
  form_.reset();
  application_.reset();
  toolkit_.reset();
  ctx_.reset();
  os_.reset();
}

}  // namespace app::cli
