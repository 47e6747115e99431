#include "shell/clone_command.h"

#include "common/json_writer.h"
#include "common/str_to_int.h"
#include "common/text.h"
#include "shell/session.h"
#include "ui/headless_toolkit.h"

namespace app {

std::string CloneUsageText() {
  return "usage: ssdtools clone --source N --destination M [--ignore-zero] --yes\n"
         "                      [--home DIR] [--lab DIR|demo] [--trace] [--json] [--progress]\n"
         "  N, M           a drive path (PHYSICALDRIVE3) or an index into the Data Backup\n"
         "                 disk list, counted from 0\n"
         "  --ignore-zero  all-zero chunks are zeroed on the destination, not written\n"
         "  --yes          required: the destination is wiped; answers the confirmation\n"
         "exit: 0 copied, 1 failed, refused or cancelled (SIGINT cancels), 2 bad usage,\n"
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

int ResolveDiskChoice(const std::vector<std::string>& names, const std::string& choice) {
  std::string wanted = common::Trim(choice);
  if (wanted.rfind("\\\\.\\", 0) == 0) wanted = wanted.substr(4);
  if (!wanted.empty() && wanted.find_first_not_of("0123456789") == std::string::npos) {
    const int32_t index = common::StrToIntDef(wanted, -1);
    return index >= 0 && index < static_cast<int32_t>(names.size()) ? index : -1;
  }
  for (size_t i = 0; i < names.size(); ++i)
    if (common::EqualsNoCase(common::Trim(names[i]), wanted)) return static_cast<int>(i);
  return -1;
}

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
  const int source = ResolveDiskChoice(names, args.source);
  const int destination = ResolveDiskChoice(names, args.destination);
  int code = kCloneExitNoSuchDisk;
  if (source < 0 || destination < 0) {
    err << "ssdtools clone: no disk " << (source < 0 ? args.source : args.destination)
        << " in the Data Backup list:";
    for (size_t i = 0; i < names.size(); ++i) err << " " << i << "=" << names[i];
    err << "\n";
  } else {
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
