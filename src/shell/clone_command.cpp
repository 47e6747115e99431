#include "shell/clone_command.h"

#include "common/json_writer.h"
#include "common/text.h"
#include "shell/cli/cli_drives.h"
#include "shell/cli/cli_options.h"
#include "shell/cli/drive_names.h"
#include "shell/session.h"
#include "ui/headless_toolkit.h"

namespace app {

std::string CloneUsageText() {
  return "usage: ssdtools clone --source N --destination M [--ignore-zero] --yes\n"
         "                      [--home DIR] [--lab DIR|demo] [--trace] [--json] [--progress]\n"
         "  N, M           an index as `list --all` prints it, a display name\n"
         "                 (PHYSICALDRIVE3), serial:TEXT or a serial number; a word that\n"
         "                 could name two disks is refused (exit 2)\n"
         "  --ignore-zero  all-zero chunks are zeroed on the destination, not written\n"
         "  --yes          required: the destination is wiped; answers the confirmation\n"
         "exit: 0 copied, 1 failed, refused or cancelled (SIGINT cancels), 2 bad usage or an\n"
         "      ambiguous disk,\n"
         "      3 no such disk\n";
}

std::optional<CloneArgs> ParseCloneArgs(const std::vector<std::string>& args, std::string& error) {
  CloneArgs c;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = a + " needs a value";
        return false;
      }
      into = args[++i];
      return true;
    };
    bool ok = true;
    if (a == "--source") {
      ok = value(c.source);
    } else if (a == "--destination") {
      ok = value(c.destination);
    } else if (a == "--home") {
      ok = value(c.home);
    } else if (a == "--lab") {
      ok = value(c.lab);
    } else if (a == "--ignore-zero") {
      c.ignoreZero = true;
    } else if (a == "--yes") {
      c.yes = true;
    } else if (a == "--trace") {
      c.trace = true;
    } else if (a == "--json") {
      c.json = true;
    } else if (a == "--progress") {
      c.progress = true;
    } else if (a == "--help" || a == "-h") {
      c.help = true;
    } else {
      error = "unknown argument: " + a;
      return std::nullopt;
    }
    if (!ok) return std::nullopt;
  }
  if (!c.help && (c.source.empty() || c.destination.empty())) {
    error = "clone needs --source and --destination";
    return std::nullopt;
  }
  return c;
}

namespace {

static_assert(kCloneExitUsage == cli::kExitUsage && kCloneExitNoSuchDisk == cli::kExitNothingToDo,
              "a DRIVE word is refused with the same code by every subcommand");

// The disk `word` names, or -1 with the reason on `err` and `code` set.
int ResolveDisk(const std::vector<cli::CliDrive>& disks, const std::string& word, std::ostream& err,
                int& code) {
  const cli::DriveChoice choice = cli::FindDrive(disks, word);
  if (choice.at >= 0) return choice.at;
  err << "ssdtools clone: " << choice.error;
  if (choice.exitCode == cli::kExitNothingToDo) {
    err << "; the disks:";
    for (const cli::CliDrive& d : disks) err << " " << d.index << "=" << d.name;
  }
  err << "\n";
  code = choice.exitCode;
  return -1;
}

}  // namespace

int RunClone(RunContext& ctx, const CloneArgs& args, std::ostream& out, std::ostream& err,
             bool stderrIsTerminal, const volatile std::sig_atomic_t* cancelRequested) {
  if (!args.yes) {
    err << "ssdtools: clone wipes the destination and runs only with --yes (it also answers the "
           "tool's questions)\n";
    return kCloneExitUsage;
  }
  const bool progress = args.progress || stderrIsTerminal;
  ui::HeadlessToolkit toolkit(ctx.os, &err);
  // Without --yes the confirmation is answered No: nothing is wiped unasked.
  toolkit.SetAnswerPolicy(args.yes ? ui::AnswerPolicy::kYes : ui::AnswerPolicy::kCautious);
  ui::Application application(toolkit);
  TUpdateDispaly form(application, ctx);
  SessionPlugins plugins(form, ctx);
  form.RunCreate();
  if (plugins.DiskAccessMissing()) {
    application.RequestClose(form);
    return kExitNoDiskAccess;
  }
  if (args.ignoreZero) ctx.options.IgnoreWriteZeroPattern = true;

  const std::vector<std::string>& names = form.CMBB_DeviceList_Source.Items();
  // The Data Backup list is the enumeration, so a disk's place in it is the
  // index every subcommand uses.
  const std::vector<cli::CliDrive> disks = cli::EnumeratedDisks(form, plugins);
  int code = kCloneExitNoSuchDisk;
  const int source = ResolveDisk(disks, args.source, err, code);
  const int destination = source < 0 ? -1 : ResolveDisk(disks, args.destination, err, code);
  if (source >= 0 && destination >= 0) {
    form.T_OptionPage.Click();
    form.SBTN_DataBackup.Click();
    form.CMBB_DeviceList_Source.UserSelect(source);
    form.CMBB_DeviceList_Destination.UserSelect(destination);
    maintenance::BackupPage& page = plugins.Backup();
    int shown = -1;
    page.OnProgress = [&](int percent) {
      if (percent != shown && progress) {
        err << "clone: " << percent << "%\n" << std::flush;
      }
      shown = percent;
      if (cancelRequested != nullptr && *cancelRequested != 0) page.T_CancelClick();
    };
    page.OnPoll = [&] {
      if (cancelRequested != nullptr && *cancelRequested != 0) page.T_CancelClick();
    };
    form.T_Backup.Click();
    code = page.LastResult() == maintenance::kResultSuccess ? kCloneExitOk : kCloneExitFailed;
    const app::RunReport& report = page.LastRun();
    if (args.json) {
      common::JsonWriter j;
      j.BeginObject().Key("command").String("clone");
      j.Key("source").String(names[static_cast<size_t>(source)]);
      j.Key("destination").String(names[static_cast<size_t>(destination)]);
      j.Key("resultCode").Int(page.LastResult());
      if (!report.drives.empty()) {
        const DriveReport& d = report.drives[0];
        j.Key("outcome").String(OutcomeName(d.outcome));
        j.Key("result").String(d.result);
        // The result is the list's short text ("Backup Disk Error"); the
        // reason is what the user was told.
        if (!page.LastWarning().empty()) j.Key("reason").String(page.LastWarning());
        j.Key("steps").BeginArray();
        for (const std::string& st : d.steps) j.String(st);
        j.EndArray();
      }
      j.EndObject();
      out << j.Text();
    } else if (!report.drives.empty()) {
      out << report.drives[0].drive << ": " << report.drives[0].result << "\n";
    }
  }
  if (!form.Closed()) application.RequestClose(form);
  return code;
}

}  // namespace app
