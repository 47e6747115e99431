#include "shell/cli/cli_commands.h"

#include <ostream>
#include <vector>

#include "common/json_writer.h"
#include "common/text.h"
#include "pages/info/page_status.h"
#include "shell/cli/cli_disk_use.h"
#include "shell/cli/cli_drives.h"
#include "shell/cli/cli_health.h"
#include "shell/cli/cli_session.h"
#include "shell/cli/drive_names.h"
#include "shell/cli/run_commands.h"

namespace app::cli {
namespace {

void WriteDrive(common::JsonWriter& j, const CliDrive& d) {
  j.BeginObject();
  j.Key("index").Int(d.index);
  j.Key("name").String(d.name);
  j.Key("path").String(d.path);
  j.Key("attachment").String(d.attachment);
  j.Key("devAttribute").Uint(d.devAttribute);
  j.Key("model").String(d.model);
  j.Key("serial").String(d.serial);
  j.Key("firmware").String(d.firmware);
  j.Key("capacitySectors").Uint(d.capacitySectors);
  j.Key("blockBytes").Uint(d.blockBytes);
  j.Key("capacityBytes").Uint(d.CapacityBytes());
  j.Key("offeredFirmware").String(d.offered);
  j.Key("identified").Bool(d.identified);
  j.Key("diskNumber").Int(d.diskNumber);
  j.Key("systemDisk").Bool(d.systemDisk);
  j.Key("inUse").Bool(!d.usedBy.empty());
  j.Key("usedBy").BeginArray();
  for (const std::string& u : d.usedBy) j.String(u);
  j.EndArray();
  j.EndObject();
}

int List(const CliOptions& o, CliSession& s, std::ostream& out) {
  std::vector<CliDrive> drives =
      o.all ? EnumeratedDisks(s.Form(), s.Plugins()) : IdentifiedDrives(s.Form(), s.Plugins());
  AddDiskUse(drives, o.all, s.Plugins(), s.Form().Context().os);
  if (o.json) {
    common::JsonWriter j;
    j.BeginObject().Key("drives").BeginArray();
    for (const CliDrive& d : drives) WriteDrive(j, d);
    j.EndArray().EndObject();
    out << j.Text();
  } else {
    for (const CliDrive& d : drives) {
      out << common::Format("%2d  %-16s %-13s %-40s %-20s %-8s %8.2f GB", d.index, d.name.c_str(),
                            d.attachment.c_str(), d.model.c_str(), d.serial.c_str(),
                            d.firmware.c_str(),
                            static_cast<double>(d.CapacityBytes()) / 1073741824.0);
      if (!d.offered.empty()) out << "  offered " << d.offered;
      if (d.systemDisk) out << "  system disk";
      for (size_t k = 0; k < d.usedBy.size(); ++k)
        out << (k == 0 ? "  in use: " : ", ") << d.usedBy[k];
      out << "\n";
    }
  }
  return drives.empty() ? kExitNothingToDo : kExitOk;
}

// Device Info or SMART: the rows the page shows.
int Table(const CliOptions& o, CliSession& s, const CliDrive& d, std::ostream& out) {
  TUpdateDispaly& form = s.Form();
  form.SelectedDevice = d.row;
  if (o.command == "info") {
    form.T_DeviceInfo.Click();
  } else {
    form.T_Smart.Click();
  }
  const std::string status = form.StatusMessage();
  const bool ok = status == info::kReadConfigOk || status == info::kReadSmartOk;
  const ui::ListView& list = form.LV_ShowData;
  const bool smart = o.command == "smart";
  const info::InfoPages& pages = s.Plugins().InfoPages().Pages();
  const std::optional<info::HealthVerdict> health =
      smart ? pages.LastHealth() : std::optional<info::HealthVerdict>();
  if (o.json) {
    common::JsonWriter j;
    j.BeginObject();
    j.Key("drive");
    WriteDrive(j, d);
    j.Key("status").String(status);
    j.Key("columns").BeginArray();
    for (int c = 0; c < list.ColumnCount(); ++c) j.String(list.Column(c).caption);
    j.EndArray();
    j.Key("rows").BeginArray();
    for (int r = 0; r < list.ItemCount(); ++r) {
      j.BeginArray().String(list.Item(r).caption);
      for (const std::string& sub : list.Item(r).subItems) j.String(sub);
      j.EndArray();
    }
    j.EndArray();
    if (smart) WriteSmartNumbersJson(j, pages);
    WriteHealthJson(j, health);
    j.EndObject();
    out << j.Text();
  } else {
    for (int r = 0; r < list.ItemCount(); ++r) {
      out << list.Item(r).caption;
      for (const std::string& sub : list.Item(r).subItems) out << "  |  " << common::Trim(sub);
      out << "\n";
    }
    out << status << "\n";
    PrintHealth(out, health, 0);
  }
  return ok ? kExitOk | HealthExitBits(health) : kExitDriveFailed;
}

int Summary(const CliOptions& o, CliSession& s, const CliDrive& d, std::ostream& out) {
  TUpdateDispaly& form = s.Form();
  form.SelectedDevice = d.row;
  form.T_SummaryPage.Click();
  const auto& values = s.Plugins().InfoPages().Pages().LastSummary();
  const auto& health = s.Plugins().InfoPages().Pages().LastHealth();
  const std::string status = form.StatusMessage();
  if (o.json) {
    common::JsonWriter j;
    j.BeginObject();
    j.Key("drive");
    WriteDrive(j, d);
    j.Key("status").String(status);
    if (values) {
      j.Key("model").String(common::Trim(values->model));
      j.Key("firmware").String(common::Trim(values->firmware));
      j.Key("serial").String(common::Trim(values->serial));
      // Counters are exact decimal texts; they go out as strings.
      j.Key("powerOnHours").String(values->powerOnHours);
      j.Key("lifePercent").Int(values->lifePercent);
      j.Key("bytesWritten").String(values->bytesWritten);
      j.Key("features").BeginObject();
      j.Key("smart").Bool(values->features.smart);
      j.Key("ncq").Bool(values->features.ncq);
      j.Key("apm").Bool(values->features.apm);
      j.Key("trim").Bool(values->features.trim);
      j.EndObject();
      WriteHealthJson(j, health);
    }
    j.EndObject();
    out << j.Text();
  } else if (values) {
    out << "Model:          " << values->model << "\n"
        << "Firmware:       " << values->firmware << "\n"
        << "Serial:         " << values->serial << "\n"
        << "Power-on hours: " << values->powerOnHours << "\n"
        << "Life left:      " << values->lifePercent << "%\n"
        << "Bytes written:  " << values->bytesWritten << "\n"
        << "SMART " << (values->features.smart ? "yes" : "no") << ", NCQ "
        << (values->features.ncq ? "yes" : "no") << ", APM "
        << (values->features.apm ? "yes" : "no") << ", TRIM "
        << (values->features.trim ? "yes" : "no") << "\n";
    PrintHealth(out, health, 16);
  } else {
    out << status << "\n";
  }
  return values ? kExitOk | HealthExitBits(health) : kExitDriveFailed;
}

// A disk the enumeration lists but the scan did not identify: only the clone
// can use it; a page would read or send to another drive's row.
std::string NotIdentifiedText(const CliDrive& d, const std::string& command) {
  const bool changes = command == "erase" || command == "update";
  return d.name + " (index " + std::to_string(d.index) + ") is not a drive this tool can " +
         (changes ? command : std::string("read")) +
         ": it was not identified as a drive on a supported controller (`list` shows the ones "
         "it can work on)";
}

}  // namespace

int RunCli(const CliOptions& o, const std::string& exeDir, std::ostream& out, std::ostream& err,
           bool stderrIsTerminal) {
  const bool destructive = o.command == "erase" || o.command == "update";
  if (destructive && !o.yes) {
    err << "ssdtools: " << o.command
        << " changes drives and runs only with --yes (it also answers the tool's questions)\n";
    return kExitUsage;
  }
  CliSession session(o, exeDir, err);
  if (!session.Open()) return kExitUsage;
  if (session.Plugins().DiskAccessMissing()) return kExitNoDiskAccess;

  if (o.command == "list") return List(o, session, out);

  const std::vector<CliDrive> disks = EnumeratedDisks(session.Form(), session.Plugins());
  std::vector<int> rows;
  for (const std::string& spec : o.drives) {
    const DriveChoice choice = FindDrive(disks, spec);
    if (choice.at < 0) {
      err << "ssdtools: " << choice.error << "\n";
      return choice.exitCode;
    }
    const CliDrive& disk = disks[static_cast<size_t>(choice.at)];
    if (disk.row < 0) {
      err << "ssdtools: " << NotIdentifiedText(disk, o.command) << "\n";
      return kExitNothingToDo;
    }
    rows.push_back(disk.row);
  }
  const std::vector<CliDrive> drives = IdentifiedDrives(session.Form(), session.Plugins());
  if (o.command == "update" && o.all) {
    for (const CliDrive& d : drives) rows.push_back(d.row);
  }
  if (rows.empty()) {
    err << "ssdtools: no drive to " << o.command << "\n";
    return kExitNothingToDo;
  }
  const bool progress = o.progress || stderrIsTerminal;
  const CliDrive* first = DriveAtRow(drives, rows.front());
  if (first == nullptr) return kExitNothingToDo;
  if (o.command == "info" || o.command == "smart") return Table(o, session, *first, out);
  if (o.command == "summary") return Summary(o, session, *first, out);
  RunCommandContext rc{session, drives, rows, out, err, progress, o.json};
  if (o.command == "erase") return Erase(rc);
  return Update(rc);
}

}  // namespace app::cli
