#include <gtest/gtest.h>

#include <sstream>

#include "form/window_caption.h"
#include "platform/virtual_os.h"
#include "shell/command_line.h"
#include "shell/headless_session.h"
#include "support/current_dir.h"
#include "support/temp_dir.h"

namespace app {
namespace {

TEST(WindowCaption, TitleVersionAndInternalName) {
  const VersionResource v{2, 5, 17, 3, "A1"};
  EXPECT_EQ(BuildWindowCaption("", v, ""), "SSD Tools V2.5.17_A1");
  EXPECT_EQ(BuildWindowCaption("Maker Tool", VersionResource{1, 0, 0, 0, ""}, ""),
            "Maker Tool V1.0.0_");
  EXPECT_EQ(BuildWindowCaption("x", std::nullopt, "unchanged"), "unchanged");
}

TEST(WindowCaption, ControllerFamiliesInProfileOrder) {
  ProfileTable t;
  auto add = [&t](const char* n) { t.Profiles[static_cast<size_t>(t.ProfileCount++)].Name = n; };
  EXPECT_EQ(BuildControllerFamilies(t), "VK46");
  add("VK4620XT");
  add("VK4630");
  add("VK4610XT");
  add("VK4620XT2");
  // The separator depends on the text so far, not on the position.
  EXPECT_EQ(BuildControllerFamilies(t), "VK4620XT10XT/20XT2");
  EXPECT_EQ(ControllerListLabel(t), "Controller:VK4620XT10XT/20XT2, ASPI:467");
}

TEST(CommandLine, ParsesEveryOptionAndRejectsUnknownOnes) {
  std::string err;
  const auto cl =
      ParseCommandLine({"--home", "/t", "--lab", "demo", "--headless", "--no", "--trace"}, err);
  ASSERT_TRUE(cl);
  EXPECT_EQ(cl->home, "/t");
  EXPECT_EQ(cl->lab, "demo");
  EXPECT_TRUE(cl->headless);
  EXPECT_EQ(cl->answer, DialogAnswer::kNo);
  EXPECT_TRUE(cl->trace);
  EXPECT_FALSE(ParseCommandLine({"--home"}, err));
  EXPECT_EQ(err, "--home needs a value");
  EXPECT_FALSE(ParseCommandLine({"--bogus"}, err));
}

TEST(HeadlessSession, MissingSettingsGiveAnEmptyRunAndNoFile) {
  testsupport::TempDir dir;
  os::VirtualOs vos;
  RunContext ctx(vos, dir.Str());
  std::ostringstream out;
  EXPECT_EQ(RunHeadlessSession(ctx, out), 0);
  EXPECT_FALSE(ctx.options.PopUpMsgBox);
  EXPECT_FALSE(ctx.options.ErrorLog);
  EXPECT_EQ(ctx.updateSetting.ICVer10XT, 0);
  EXPECT_NE(out.str().find("Number of Device:0"), std::string::npos);
  EXPECT_NE(out.str().find("Tool:SSD Tools V"), std::string::npos);
}

TEST(HeadlessSession, ErrorLogWritesTheWholeRunLog) {
  testsupport::TempDir dir;
  testsupport::CurrentDir cwd(dir.Path());
  dir.Write("Setting.ini",
            "[Option]\nErrorLog=1\nSSDToolTitle=Lab Tool\nICType_0=VK4630\nSSDToolLogName=run.log\n");
  os::VirtualOs vos;
  RunContext ctx(vos, dir.Str());
  std::ostringstream out;
  RunHeadlessSession(ctx, out);
  const std::string text = dir.Read("run.log");
  EXPECT_EQ(
      text.rfind("Start Time=2026-01-02_03:04:05\r\n\n\r\nNumber of Device:0\r\n\r\n[Tool Info]\r\n"
                 "Tool:Lab Tool V",
                 0),
      0u)
      << text;
  EXPECT_NE(text.find(", ASPI:467\r\n\n\r\nEnd Time=2026-01-02_03:04:05\r\n"), std::string::npos);
}

TEST(HeadlessSession, ErrorLogOffStillDeletesTheOldFile) {
  testsupport::TempDir dir;
  testsupport::CurrentDir cwd(dir.Path());
  dir.Write("old.log", "x");
  dir.Write("Setting.ini", "[Option]\nErrorLog=0\nSSDToolLogName=old.log\n");
  os::VirtualOs vos;
  RunContext ctx(vos, dir.Str());
  std::ostringstream out;
  RunHeadlessSession(ctx, out);
  EXPECT_FALSE(dir.Exists("old.log"));
}

}  // namespace
}  // namespace app
