// Process entry: reads the command line, creates the platform backend (the
// machine itself, or a lab machine with --lab), assembles the main form with
// its device scan and pages, and runs it in the Qt window or, without a display
// (or with --headless), on the headless toolkit.
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "common/winpath.h"
#include "config/context/run_context.h"
#include "form/update_dispaly.h"
#include "platform/host/host_process.h"
#include "shell/cli/cli_commands.h"
#include "shell/cli/cli_options.h"
#include "shell/clone_command.h"
#include "shell/command_line.h"
#include "shell/headless_session.h"
#include "shell/replay_check.h"
#include "shell/session_backend.h"
#include "shell/session.h"
#include "shell/startup_checks.h"
#include "ui/headless_toolkit.h"

#ifdef SSDTOOLS_WITH_QT
#include "gui/qt/qt_session.h"
#endif

namespace {

std::string ExecutableFolder() {
  const std::string self = host::ExecutablePath();
  if (self.empty()) return ".";
  return common::ParentFolder(self);
}

std::string WithoutTrailingSeparator(std::string p) {
  while (p.size() > 1 && (p.back() == '/' || p.back() == '\\')) p.pop_back();
  return p;
}

// A screen someone can look at: an X or Wayland display, or a Qt platform
// chosen explicitly that draws somewhere visible.
bool DisplayAvailable() {
  for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* v = std::getenv(var);
    if (v && *v) return true;
  }
  const char* qpa = std::getenv("QT_QPA_PLATFORM");
  if (!qpa || !*qpa) return false;
  const std::string platform(qpa);
  return platform.rfind("offscreen", 0) != 0 && platform.rfind("minimal", 0) != 0;
}

ui::AnswerPolicy PolicyOf(app::DialogAnswer answer) {
  switch (answer) {
    case app::DialogAnswer::kYes:
      return ui::AnswerPolicy::kYes;
    case app::DialogAnswer::kNo:
      return ui::AnswerPolicy::kNo;
    case app::DialogAnswer::kAsk:
      break;
  }
  return ui::AnswerPolicy::kCautious;
}

#ifdef SSDTOOLS_WITH_QT
int RunWindowProcess(int& argc, char** argv, app::RunContext& ctx) {
  guiqt::QtSession session(argc, argv);
  // For scripts/screenshot.sh: a file kept holding the window's layout check.
  if (const char* report = std::getenv("SSDTOOLS_LAYOUT_REPORT"); report && *report) {
    session.ReportLayoutTo(report, guiqt::MainFormBars());
  }
  ui::Application application(session.Toolkit());
  app::TUpdateDispaly form(application, ctx);
  app::SessionPlugins plugins(form, ctx);
  return session.Run(form);
}
#endif

volatile std::sig_atomic_t g_cloneCancel = 0;

void OnInterrupt(int) { g_cloneCancel = 1; }

// ssdtools clone ...: the Data Backup copy on a headless form.
int RunCloneProcess(const std::vector<std::string>& given) {
  std::string error;
  std::vector<std::string> args = given;
  app::RecordingArgs recording;
  if (!app::TakeRecordingArgs(args, recording, error)) {
    std::cerr << "ssdtools clone: " << error << "\n";
    return app::kCloneExitUsage;
  }
  const auto clone = app::ParseCloneArgs(args, error);
  if (!clone) {
    std::cerr << "ssdtools clone: " << error << "\n" << app::CloneUsageText();
    return app::kCloneExitUsage;
  }
  if (clone->help) {
    std::cout << app::CloneUsageText();
    return 0;
  }
  if (const auto problem =
          app::ToolFolderProblem(clone->home.empty() ? ExecutableFolder() : clone->home)) {
    std::cerr << "ssdtools: " << *problem << "\n";
    return app::kCloneExitUsage;
  }
  std::string backendError;
  std::vector<std::string> commandLine{"clone"};
  commandLine.insert(commandLine.end(), args.begin(), args.end());
  std::unique_ptr<os::Os> os = app::OpenSessionBackend(
      clone->lab, recording,
      WithoutTrailingSeparator(clone->home.empty() ? ExecutableFolder() : clone->home),
      commandLine, backendError);
  if (!os) {
    std::cerr << "ssdtools: cannot open the lab " << clone->lab << ":\n" << backendError << "\n";
    return app::kCloneExitUsage;
  }
  os->Trace().SetToStderr(clone->trace);
  app::RunContext ctx(
      *os, WithoutTrailingSeparator(clone->home.empty() ? ExecutableFolder() : clone->home));
  // Ctrl+C presses Cancel: the copy stops after the chunk in progress.
  std::signal(SIGINT, OnInterrupt);
  return app::RunClone(ctx, *clone, std::cout, std::cerr, host::StderrIsTerminal(),
                       &g_cloneCancel);
}

// ssdtools list | info | smart | summary | erase | update ...
int RunSubcommand(const std::vector<std::string>& args) {
  std::string error;
  const auto options = app::cli::ParseCli(args, error);
  if (!options) {
    std::cerr << "ssdtools: " << error << "\n" << app::cli::CliUsageText();
    return app::cli::kExitUsage;
  }
  return app::cli::RunCli(*options, ExecutableFolder(), std::cout, std::cerr,
                          host::StderrIsTerminal());
}

int RunProcess(int& argc, char** argv, std::vector<std::string> args);

// ssdtools replay --check FILE: the recorded command line against its recording.
int RunReplayCheck(int& argc, char** argv, const std::vector<std::string>& args) {
  std::string error;
  const auto check = app::ParseReplayCheck(args, error);
  if (!check) {
    std::cerr << "ssdtools: " << error << "\n" << app::ReplayCheckUsageText();
    return 2;
  }
  // A run that leaves the recording ends the process with the report.
  const int code = RunProcess(argc, argv, check->args);
  std::cout << app::ReplayCheckPassedText(*check, code);
  return 0;
}

int RunProcess(int& argc, char** argv, std::vector<std::string> args) {
  if (app::cli::IsSubcommand(args)) return RunSubcommand(args);
  if (!args.empty() && args.front() == "clone")
    return RunCloneProcess(std::vector<std::string>(args.begin() + 1, args.end()));
  if (!args.empty() && args.front() == "replay") return RunReplayCheck(argc, argv, args);
  std::string error;
  app::RecordingArgs recording;
  if (!app::TakeRecordingArgs(args, recording, error)) {
    std::cerr << "ssdtools: " << error << "\n" << app::UsageText();
    return 2;
  }
  const auto cl = app::ParseCommandLine(args, error);
  if (!cl) {
    std::cerr << "ssdtools: " << error << "\n" << app::UsageText();
    return 2;
  }
  if (cl->help) {
    std::cout << app::UsageText();
    return 0;
  }
  if (const auto problem =
          app::ToolFolderProblem(cl->home.empty() ? ExecutableFolder() : cl->home)) {
    std::cerr << "ssdtools: " << *problem << "\n";
    return app::kExitBadStart;
  }
  std::string backendError;
  std::unique_ptr<os::Os> os = app::OpenSessionBackend(
      cl->lab, recording, WithoutTrailingSeparator(cl->home.empty() ? ExecutableFolder() : cl->home),
      args, backendError);
  if (!os) {
    std::cerr << "ssdtools: cannot open the lab " << cl->lab << ":\n" << backendError << "\n";
    return 2;
  }
  os->Trace().SetToStderr(cl->trace);
  app::RunContext ctx(*os,
                      WithoutTrailingSeparator(cl->home.empty() ? ExecutableFolder() : cl->home));

  bool headless = cl->headless;
  if (!headless && !DisplayAvailable()) {
    std::cerr << "ssdtools: no display found, running headless\n";
    headless = true;
  }
#ifdef SSDTOOLS_WITH_QT
  if (!headless) return RunWindowProcess(argc, argv, ctx);
#else
  if (!headless) std::cerr << "ssdtools: built without the window, running headless\n";
#endif
  return app::RunHeadlessProcess(ctx, std::cout, PolicyOf(cl->answer));
}

}  // namespace

int main(int argc, char** argv) {
#ifdef SSDTOOLS_GUI_SUBSYSTEM
  host::UseParentConsole();
#endif
  return RunProcess(argc, argv, std::vector<std::string>(argv + 1, argv + argc));
}
