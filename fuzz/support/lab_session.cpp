#include "lab_session.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/ini_file.h"
#include "config/context/run_context.h"
#include "form/update_dispaly.h"
#include "fuzz_check.h"
#include "lab/config/lab_config.h"
#include "shell/cli/cli_drives.h"
#include "shell/session.h"
#include "ui/headless_toolkit.h"

namespace fuzz {

namespace fs = std::filesystem;

namespace {

std::string ReadWhole(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The demo's settings with the run log off (a fuzz run writes no log) and
// the mode the input asks for.
std::string SettingsText(const SessionOptions& options) {
  static const std::string demo = ReadWhole(fs::path(SSDTOOLS_FUZZ_DEMO_HOME) / "Setting.ini");
  std::string text = demo;
  const auto set = [&](const std::string& key, const std::string& value) {
    const size_t at = text.find("\n" + key + "=");
    FUZZ_CHECK(at != std::string::npos);
    const size_t end = text.find('\n', at + 1);
    text.replace(at + 1, end - at - 1, key + "=" + value);
  };
  set("ErrorLog", "0");
  set("PopUpMsgBox", "0");
  set("AutoGenFlu", options.autoGenFlu ? "1" : "0");
  // The stale log is deleted at start: let that be a file of this process.
  set("SSDToolLogName", ProcessFolder() + "/Log.txt");
  return text;
}

void CheckList(const ui::ListView& list) {
  for (int r = 0; r < list.ItemCount(); ++r) {
    const ui::ListItem& item = list.Item(r);
    FUZZ_CHECK(item.caption.size() <= 4096);
    for (const std::string& cell : item.subItems) FUZZ_CHECK(cell.size() <= 4 * 4096);
  }
}

// What the command line (and the lists) show of a drive fits the IDENTIFY
// fields it came from, each byte at most four characters once escaped ("\xHH"),
// and holds no control byte a terminal or the run log would act on.
bool Printable(const std::string& s) {
  for (const char c : s) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b >= 0x7F) return false;
  }
  return true;
}

void CheckDrives(app::TUpdateDispaly& form, app::SessionPlugins& plugins) {
  const std::vector<app::cli::CliDrive> drives = app::cli::IdentifiedDrives(form, plugins);
  FUZZ_CHECK(drives.size() <= 16);
  FUZZ_CHECK(static_cast<int>(drives.size()) == plugins.Scan().Drives().Count());
  for (const app::cli::CliDrive& d : drives) {
    FUZZ_CHECK(d.model.size() <= 4 * 40 && d.serial.size() <= 4 * 20 &&
               d.firmware.size() <= 4 * 15);
    FUZZ_CHECK(Printable(d.model) && Printable(d.serial) && Printable(d.firmware));
    FUZZ_CHECK(d.offered.size() <= 16);
  }
  for (int i = 0; i < plugins.Scan().Drives().Count(); ++i) {
    const app::SlotData& data = plugins.Scan().Drives().At(i).data;
    FUZZ_CHECK(data.CurrentFirmware().size() <= app::kCurrentFirmwareMaxChars);
  }
  CheckList(form.LV_UpdateDevStatus);
  CheckList(form.LV_OptionErase);
  CheckList(form.LV_ShowData);
  FUZZ_CHECK(form.StatusMessage().size() <= 4096);
}

}  // namespace

const std::string& ToolFolder() {
  static const std::string home = [] {
    const fs::path from(SSDTOOLS_FUZZ_DEMO_HOME);
    if (!fs::exists(from / "Setting.ini")) {
      std::fprintf(stderr, "the demo tool folder %s is missing: build target ssd_demo_home\n",
                   SSDTOOLS_FUZZ_DEMO_HOME);
      std::abort();
    }
    const fs::path to = fs::path(ProcessFolder()) / "home";
    std::error_code ec;
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    FUZZ_CHECK(!ec);
    return to.string();
  }();
  return home;
}

std::unique_ptr<lab::LabOs> FreshLab(const std::string& labIni, const lab::DriveFactory& factory) {
  const std::string& dir = FreshFolder();
  lab::LabConfig config = lab::ParseLabConfig(labIni);
  if (!config.problems.empty()) return nullptr;
  std::string error;
  std::unique_ptr<lab::LabOs> os =
      lab::LabOs::Create(std::move(config), dir + "/state", factory, error);
  if (!os) FUZZ_CHECK(!error.empty());
  return os;
}

int RunSession(lab::LabOs& os, const SessionOptions& options) {
  const std::string& home = ToolFolder();
  WriteFile(home + "/Setting.ini", SettingsText(options));

  app::RunContext ctx(os, home);
  ui::HeadlessToolkit toolkit(os);
  ui::Application application(toolkit);
  app::TUpdateDispaly form(application, ctx);
  int listed = 0;
  {
    app::SessionPlugins plugins(form, ctx);
    form.RunCreate();
    listed = form.DeviceCount;
    FUZZ_CHECK(listed >= 0 && listed <= 16);
    CheckDrives(form, plugins);
    if (options.visitPages && listed > 0) {
      form.T_Smart.Click();
      CheckDrives(form, plugins);
      form.T_SummaryPage.Click();
      CheckDrives(form, plugins);
      form.T_UpdateFW.Click();
      CheckDrives(form, plugins);
      form.T_DeviceInfo.Click();
      CheckDrives(form, plugins);
    }
  }
  return listed;
}

}  // namespace fuzz
