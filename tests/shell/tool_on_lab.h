#pragma once
// A tool folder (Setting.ini, the demo's rule files, configured images) and a
// lab folder, with the three ways a user starts the tool on them: a
// subcommand, the plain headless process, and the form itself for what the
// window shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "config/context/run_context.h"
#include "lab/demo/open_lab.h"
#include "package/tools/demo_images.h"
#include "shell/cli/cli_commands.h"
#include "shell/cli/cli_options.h"
#include "shell/headless_session.h"
#include "shell/session.h"
#include "support/lab_builder.h"
#include "support/temp_dir.h"
#include "ui/headless_toolkit.h"

namespace shelltest {

// Configured mode with images for the SATA and NVMe profiles, no questions.
inline std::string ToolSettings(const std::string& extraOptions = "") {
  return "[Option]\nErrorLog=1\nSSDToolLogName=Log.txt\nPopUpMsgBox=0\nATA-PIFlag=1\n"
         "SupportInboxDriver=1\nEnableChkFWVer=1\n" +
         extraOptions +
         "ICType_0=VK4620XT\nICType_1=VK4630\n"
         "[VK4620XT]\nVKMStrTag=VKM4620XT\nISP_FilePath=ISP_VK4620XT.bin\n"
         "FWVerDB_FilePath=FWVerDB.ini\nISPVerOffset=1582\nISPVerChkStrLengh=8\n"
         "ISPVerChkStrSwapFlag=1\nECTableRule_FilePath=IdentifyDevice.ini\n"
         "SMARTRule_FilePath=SmartAttr.ini\nSMARTRule_SectionName=VK4620XT\n"
         "[VK4630]\nVKMStrTag=VK4630\nISP_FilePath=ISP_VK4630.bin\nFWVerDB_FilePath=FWVerDB.ini\n"
         "ISPVerOffset=528328\nISPVerChkStrLengh=8\nISPWithCSSHeader=1\n"
         "ECTableRule_FilePath=IdentifyController.ini\nSMARTRule_FilePath=SmartHealthLog.ini\n";
}

class ToolOnLab : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(work.Path());
    namespace fs = std::filesystem;
    for (const char* profile : {"VK4620XT", "VK4630"}) {
      fs::copy(fs::path(SSDTOOLS_DEMO_DIR) / profile, home.Path() / profile,
               fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
    WriteBytes("VK4620XT/ISP_VK4620XT.bin",
               firmware::demo::SataIspImage("shell-test", "S0312A0 ", "02", "FBiCS4"));
    WriteBytes("VK4630/ISP_VK4630.bin", firmware::demo::NvmeImage("shell-test", "N0312A0 "));
    home.Write("VK4620XT/FWVerDB.ini", "[UPDATE_S0220A0]\nFWSupportVer_1=S0312A0\n");
    home.Write("VK4630/FWVerDB.ini", "[UPDATE_N0220A0]\nFWSupportVer_1=N0312A0\n");
    home.Write("Setting.ini", ToolSettings());
  }
  void TearDown() override { std::filesystem::current_path(previous_); }

  void WriteBytes(const std::string& relative, const std::vector<uint8_t>& bytes) {
    home.Write(relative, std::string(bytes.begin(), bytes.end()));
  }

  // ssdtools <args> --home <home> --lab <lab>; a --home or --lab of the
  // test's own is kept.
  int Cli(std::vector<std::string> args) {
    const auto given = [&args](const char* option) {
      return std::find(args.begin(), args.end(), option) != args.end();
    };
    if (!given("--home")) args.insert(args.end(), {"--home", home.Str()});
    if (!given("--lab")) args.insert(args.end(), {"--lab", lab.Str()});
    out.str("");
    err.str("");
    std::string error;
    const auto o = app::cli::ParseCli(args, error);
    if (!o) {
      err << error;
      return app::cli::kExitUsage;
    }
    return app::cli::RunCli(*o, home.Str(), out, err, false);
  }

  // ssdtools --headless --home <home> --lab <lab>: what it prints and its code.
  int Headless(std::string& printed, const std::string& homeDir = "") {
    std::string error;
    auto os = app::OpenBackend(lab.Str(), error);
    EXPECT_NE(os, nullptr) << error;
    if (!os) return -1;
    app::RunContext ctx(*os, homeDir.empty() ? home.Str() : homeDir);
    std::ostringstream printedOut;
    const int code = app::RunHeadlessProcess(ctx, printedOut, ui::AnswerPolicy::kYes);
    printed = printedOut.str();
    return code;
  }

  testsupport::TempDir work, home, lab;
  std::ostringstream out, err;

 private:
  std::filesystem::path previous_;
};

// No control byte but the line ends a text file needs.
inline bool HasControlBytes(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\n' || c == '\t') continue;
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

}  // namespace shelltest
