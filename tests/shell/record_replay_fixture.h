#pragma once
// The built-in demo lab (a fresh one per test) with the demo tool folder and
// its firmware package, and the tool started on it the ways a user starts it:
// a subcommand, the plain headless process and the clone, each with the
// recording options of the command line. A run's result is what a user keeps
// of it: exit code, stdout, stderr and the run log file.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "package/tools/demo_package.h"
#include "shell/cli/cli_commands.h"
#include "shell/cli/cli_options.h"
#include "shell/clone_command.h"
#include "shell/headless_session.h"
#include "shell/session_backend.h"
#include "support/host_env.h"
#include "support/temp_dir.h"

namespace recordtest {

namespace fs = std::filesystem;

struct RunResult {
  int code = -1;
  std::string out, err, log;
};

class DemoRecording : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    fs::current_path(work.Path());  // the run log is written here
    testsupport::SetEnv("SSDTOOLS_DEMO_LAB", (work.Path() / "demo-lab").string());
    fs::copy(SSDTOOLS_DEMO_DIR, home.Path(), fs::copy_options::recursive);
    std::string error;
    ASSERT_TRUE(firmware::demo::WriteDemoPackage(home.Str(), error)) << error;
  }
  void TearDown() override {
    testsupport::UnsetEnv("SSDTOOLS_DEMO_LAB");
    fs::current_path(previous_);
  }

  std::string Rec(const std::string& name) const { return (work.Path() / name).string(); }

  // ssdtools <args> --home <home>, as the process entry runs a subcommand.
  RunResult Cli(std::vector<std::string> args) {
    args.insert(args.end(), {"--home", home.Str()});
    std::ostringstream out, err;
    RunResult r;
    std::string error;
    const auto o = app::cli::ParseCli(args, error);
    if (!o) {
      r.err = error;
      r.code = app::cli::kExitUsage;
      return r;
    }
    r.code = app::cli::RunCli(*o, home.Str(), out, err, false);
    return Finish(r, out, err);
  }

  // ssdtools --headless <recording options> --home <home>: the start-up and
  // close of the plain process.
  RunResult Headless(std::vector<std::string> recordingArgs) {
    RunResult r;
    app::RecordingArgs rec;
    std::string error;
    if (!app::TakeRecordingArgs(recordingArgs, rec, error)) {
      r.err = error;
      return r;
    }
    auto os = app::OpenSessionBackend(rec.replay.empty() ? "demo" : "", rec, home.Str(),
                                      {"--headless"}, error);
    if (!os) {
      r.err = error;
      return r;
    }
    app::RunContext ctx(*os, home.Str());
    std::ostringstream out, err;
    r.code = app::RunHeadlessProcess(ctx, out, ui::AnswerPolicy::kYes);
    return Finish(r, out, err);
  }

  // ssdtools clone <args> --home <home>, as the process entry runs it.
  RunResult Clone(std::vector<std::string> args, const std::string& lab) {
    RunResult r;
    app::RecordingArgs rec;
    std::string error;
    std::vector<std::string> commandLine{"clone"};
    commandLine.insert(commandLine.end(), args.begin(), args.end());
    if (!app::TakeRecordingArgs(args, rec, error)) return r;
    const auto c = app::ParseCloneArgs(args, error);
    if (!c) return r;
    auto os = app::OpenSessionBackend(lab, rec, home.Str(), commandLine, error);
    if (!os) {
      r.err = error;
      return r;
    }
    app::RunContext ctx(*os, home.Str());
    std::ostringstream out, err;
    r.code = app::RunClone(ctx, *c, out, err, false);
    return Finish(r, out, err);
  }

  std::string ReadFile(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void WriteFile(const std::string& path, const std::string& text) const {
    std::ofstream(path, std::ios::binary) << text;
  }

  testsupport::TempDir work, home;

 private:
  RunResult& Finish(RunResult& r, std::ostringstream& out, std::ostringstream& err) {
    r.out = out.str();
    r.err = err.str();
    // Each run starts a run log of its own.
    const fs::path log = work.Path() / "Log.txt";
    r.log = ReadFile(log.string());
    fs::remove(log);
    return r;
  }

  fs::path previous_;
};

// Every line of a recording, the header first.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

inline std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  return text;
}

}  // namespace recordtest
