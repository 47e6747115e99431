// The run log's file: which names it may take, what is deleted at start, and
// the file written as the log grows.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>

#include "config/context/run_context.h"
#include "config/run_log/log_file_name.h"
#include "config/run_log/run_log_lines.h"
#include "platform/virtual_os.h"
#include "support/current_dir.h"
#include "support/posix_only.h"
#include "support/temp_dir.h"

namespace app {
namespace {

namespace fs = std::filesystem;

// A tool folder "tool" and a current folder "work" beside it, with a victim
// file outside both.
struct LogFolders {
  testsupport::TempDir dir;
  fs::path tool = dir.Path() / "tool";
  fs::path work = dir.Path() / "work";
  LogFolders() {
    dir.Write("tool/VK4610XT/rules.ini", "[Rules]\n");
    dir.Write("work/.keep", "");
    dir.Write("outside/victim.txt", "precious");
  }
  void Settings(const std::string& option) const {
    dir.Write("tool/Setting.ini", "[Option]\nICType_0=VK4610XT\n" + option +
                                      "\n[VK4610XT]\nECTableRule_FilePath=rules.ini\n");
  }
};

std::optional<std::string> Problem(const std::string& name, const LogFolders& f) {
  return RunLogNameProblem(name, {f.tool.string() + "\\VK4610XT\\rules.ini"});
}

TEST(RunLogName, OnlyAPlainFileNameInTheCurrentFolderIsTaken) {
  LogFolders f;
  testsupport::CurrentDir cwd(f.work);
  EXPECT_EQ(Problem("Log.txt", f), std::nullopt);
  EXPECT_EQ(Problem("Run Log 2.txt", f), std::nullopt);
  f.dir.Write("work/Log.txt", "the previous run");
  EXPECT_EQ(Problem("Log.txt", f), std::nullopt);

  for (const char* folderPart : {"..\\outside\\victim.txt", "../outside/victim.txt", "/tmp/x.txt",
                                 "sub\\Log.txt", "C:Log.txt", "C:\\Log.txt"}) {
    const auto why = Problem(folderPart, f);
    ASSERT_TRUE(why) << folderPart;
    EXPECT_NE(why->find("folder part"), std::string::npos) << folderPart;
  }
  EXPECT_EQ(Problem("", f), "the name is empty");
  EXPECT_EQ(Problem("..", f), "it names a folder");
  EXPECT_EQ(Problem(".", f), "it names a folder");
  fs::create_directory(f.work / "empty folder");
  EXPECT_EQ(Problem("empty folder", f), "it names a folder");
  EXPECT_EQ(Problem("Log\r\n[Result Info].txt", f), "it holds characters a file name cannot hold");
  EXPECT_EQ(Problem("Log?.txt", f), "it holds characters a file name cannot hold");
  EXPECT_EQ(Problem(std::string(256, 'a'), f), "the name is longer than 255 characters");
#ifndef _WIN32  // symbolic links need a privilege on Windows, and FIFOs are POSIX
  fs::create_symlink(f.dir.Path() / "outside/victim.txt", f.work / "linked.txt");
  EXPECT_EQ(Problem("linked.txt", f), "it is a symbolic link");
  ::mkfifo((f.work / "pipe").c_str(), 0600);
  EXPECT_EQ(Problem("pipe", f), "it is not an ordinary file");
#endif
}

TEST(RunLogName, TheToolsOwnFilesAreNeverTheLog) {
  LogFolders f;
  {
    testsupport::CurrentDir cwd(f.tool);  // the usual start: in the tool folder
    EXPECT_EQ(Problem("Log.txt", f), std::nullopt);
    EXPECT_EQ(Problem("Setting.ini", f), "it is the tool's own file Setting.ini");
    EXPECT_EQ(Problem("setting.INI", f), "it is the tool's own file Setting.ini");
    EXPECT_EQ(Problem("diskpart.txt", f), "it is the tool's own file diskpart.txt");
    EXPECT_EQ(Problem("VK4610XT", f), "it names a folder");
    // A profile path that leads out of its folder back into the tool folder.
    EXPECT_EQ(RunLogNameProblem("Rules.ini", {f.tool.string() + "\\VK4610XT\\..\\Rules.ini"}),
              "it is one of the tool's own files");
  }
  // A folder of the tool is no refusal; a file in it that a profile names is.
  testsupport::CurrentDir cwd(f.tool / "VK4610XT");
  EXPECT_EQ(Problem("rules.ini", f), "it is one of the tool's own files");
  EXPECT_EQ(Problem("Log.txt", f), std::nullopt);
}

// Started in its own folder with the tool folder given relative to it: the log
// is written beside the program, and the tool's files are still recognised.
TEST(RunLogName, ARelativeToolFolderThatIsTheCurrentOneTakesTheLog) {
  LogFolders f;
  testsupport::CurrentDir cwd(f.tool);
  os::VirtualOs vos;
  f.Settings("ErrorLog=1\nSSDToolLogName=Log.txt");
  {
    RunContext ctx(vos, ".");
    AppendStartLines(ctx.runLog, vos.GetLocalTime());
    ASSERT_TRUE(ctx.ReadSettingsSecondPass());
    EXPECT_TRUE(ctx.settingsProblems.empty())
        << (ctx.settingsProblems.empty() ? "" : ctx.settingsProblems[0]);
    EXPECT_TRUE(ctx.runLogFileAccepted);
    ctx.FinishRunLog();
  }
  EXPECT_NE(f.dir.Read("tool/Log.txt").find("Start Time="), std::string::npos);

  for (const char* own : {"Setting.ini", "New_ISP.bin"}) {
    f.Settings(std::string("ErrorLog=1\nSSDToolLogName=") + own);
    const std::string settings = f.dir.Read("tool/Setting.ini");
    RunContext ctx(vos, ".");
    ASSERT_TRUE(ctx.ReadSettingsSecondPass());
    ASSERT_EQ(ctx.settingsProblems.size(), 1u) << own;
    EXPECT_NE(ctx.settingsProblems[0].find("it is the tool's own file"), std::string::npos);
    ctx.FinishRunLog();
    EXPECT_EQ(f.dir.Read("tool/Setting.ini"), settings);
  }
  // The rule file a profile names, reached from a folder of the tool.
  testsupport::CurrentDir inProfile(f.tool / "VK4610XT");
  f.Settings("ErrorLog=1\nSSDToolLogName=rules.ini");
  RunContext ctx(vos, "..");
  ASSERT_TRUE(ctx.ReadSettingsSecondPass());
  ASSERT_EQ(ctx.settingsProblems.size(), 1u);
  EXPECT_NE(ctx.settingsProblems[0].find("it is one of the tool's own files"), std::string::npos)
      << ctx.settingsProblems[0];
  ctx.FinishRunLog();
  EXPECT_EQ(f.dir.Read("tool/VK4610XT/rules.ini"), "[Rules]\n");
}

TEST(RunLogName, ARefusedNameTouchesNoFileAndIsReportedOnce) {
  LogFolders f;
  testsupport::CurrentDir cwd(f.work);
  fs::create_directory(f.work / "empty folder");
  for (const std::string& name :
       {std::string("..\\outside\\victim.txt"), std::string("empty folder"),
        std::string("Setting.ini"), (f.tool / "Setting.ini").string()}) {
    os::VirtualOs vos;
    f.Settings("ErrorLog=1\nSSDToolLogName=" + name);
    const std::string settings = f.dir.Read("tool/Setting.ini");
    RunContext ctx(vos, f.tool.string());
    AppendStartLines(ctx.runLog, vos.GetLocalTime());
    ASSERT_TRUE(ctx.ReadSettingsSecondPass());
    ASSERT_EQ(ctx.settingsProblems.size(), 1u) << name;
    EXPECT_EQ(ctx.settingsProblems[0].rfind(
                  "Setting.ini: the run log name SSDToolLogName=\"" + name + "\" is refused: ", 0),
              0u)
        << ctx.settingsProblems[0];
    ctx.FinishRunLog();
    EXPECT_EQ(f.dir.Read("outside/victim.txt"), "precious");
    EXPECT_TRUE(fs::is_directory(f.work / "empty folder"));
    EXPECT_EQ(f.dir.Read("tool/Setting.ini"), settings);
    EXPECT_EQ(f.dir.Read("tool/VK4610XT/rules.ini"), "[Rules]\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(f.work), fs::directory_iterator()), 2)
        << "no log file was written";
  }
}

TEST(RunLogName, ASoundNamesOldFileIsDeletedAlsoWithoutErrorLog) {
  LogFolders f;
  testsupport::CurrentDir cwd(f.work);
  f.dir.Write("work/old.log", "previous run");
  f.Settings("ErrorLog=0\nSSDToolLogName=old.log");
  os::VirtualOs vos;
  RunContext ctx(vos, f.tool.string());
  ASSERT_TRUE(ctx.ReadSettingsSecondPass());
  EXPECT_TRUE(ctx.settingsProblems.empty());
  EXPECT_FALSE(f.dir.Exists("work/old.log"));
  ctx.FinishRunLog();
  EXPECT_FALSE(f.dir.Exists("work/old.log"));

  // An empty name is no log at all, and no problem when no log is asked for.
  f.Settings("ErrorLog=0\nSSDToolLogName=");
  RunContext quiet(vos, f.tool.string());
  ASSERT_TRUE(quiet.ReadSettingsSecondPass());
  EXPECT_TRUE(quiet.settingsProblems.empty());
  f.Settings("ErrorLog=1\nSSDToolLogName=");
  RunContext asked(vos, f.tool.string());
  ASSERT_TRUE(asked.ReadSettingsSecondPass());
  ASSERT_EQ(asked.settingsProblems.size(), 1u);
  EXPECT_NE(asked.settingsProblems[0].find("the name is empty"), std::string::npos);
}

TEST(RunLogFile, EntriesAreInTheFileAsSoonAsTheyAreAppended) {
  testsupport::TempDir dir;
  dir.Write("Log.txt", "an older and much longer run log that must disappear entirely");
  os::VirtualOs vos;
  RunLog log;
  log.Append("Start Time=x");
  log.Append("\n");
  ASSERT_TRUE(log.WriteAsItGrows(dir.Str() + "/Log.txt", vos));
  EXPECT_EQ(dir.Read("Log.txt"), "Start Time=x\r\n\n\r\n");
  log.Append("Please check FW file(0)...\n C:\\a");
  log.Append("");
  EXPECT_EQ(dir.Read("Log.txt"),
            "Start Time=x\r\n\n\r\nPlease check FW file(0)...\n C:\\a\r\n\r\n");
  // What a killed run leaves is what writing the list whole gives.
  EXPECT_EQ(dir.Read("Log.txt"), log.Serialize());
  log.CloseFile();
  log.Append("not written after the close");
  EXPECT_EQ(dir.Read("Log.txt"),
            "Start Time=x\r\n\n\r\nPlease check FW file(0)...\n C:\\a\r\n\r\n");
}

TEST(RunLogFile, ThePlaceOfTheFileIsNotFollowedThroughALink) {
  SKIP_ON_WINDOWS("making a symbolic link needs a privilege there");
  testsupport::TempDir dir;
  dir.Write("victim.txt", "precious");
  fs::create_symlink(dir.Path() / "victim.txt", dir.Path() / "Log.txt");
  os::VirtualOs vos;
  vos.Trace().SetCapture(true);
  RunLog log;
  log.Append("x");
  EXPECT_FALSE(log.WriteAsItGrows(dir.Str() + "/Log.txt", vos));
  EXPECT_FALSE(log.Writing());
  EXPECT_TRUE(vos.Trace().Contains("Cannot write the run log"));
  EXPECT_EQ(dir.Read("victim.txt"), "precious");
}

TEST(RunLogFile, ARunThatEndsNormallyLeavesTheWholeLogByteForByte) {
  LogFolders f;
  testsupport::CurrentDir cwd(f.work);
  f.Settings("ErrorLog=1\nSSDToolLogName=Log.txt");
  os::VirtualOs vos;
  RunContext ctx(vos, f.tool.string());
  AppendStartLines(ctx.runLog, vos.GetLocalTime());
  ASSERT_TRUE(ctx.ReadSettingsSecondPass());
  AppendDeviceCount(ctx.runLog, 0);
  AppendToolInfo(ctx.runLog, "SSD Tools V2.5.17_A1");
  EXPECT_EQ(f.dir.Read("work/Log.txt"),
            "Start Time=2026-01-02_03:04:05\r\n\n\r\nNumber of Device:0\r\n\r\n[Tool Info]\r\n"
            "Tool:SSD Tools V2.5.17_A1, ASPI:467\r\n");
  ctx.FinishRunLog();
  EXPECT_EQ(f.dir.Read("work/Log.txt"), ctx.runLog.Serialize());
  const std::string end = "\n\r\nEnd Time=2026-01-02_03:04:05\r\n";
  const std::string text = f.dir.Read("work/Log.txt");
  ASSERT_GT(text.size(), end.size());
  EXPECT_EQ(text.substr(text.size() - end.size()), end);
}

TEST(RunLogFile, ALogThatCannotBeCreatedAtStartIsWrittenWholeAtCloseWhenItCan) {
  SKIP_ON_WINDOWS("a process's current folder cannot be removed there");
  LogFolders f;
  f.Settings("ErrorLog=1\nSSDToolLogName=Log.txt");
  fs::create_directory(f.work / "gone");
  testsupport::CurrentDir cwd(f.work / "gone");
  fs::remove(f.work / "gone");  // nothing can be created in a removed folder
  os::VirtualOs vos;
  vos.Trace().SetCapture(true);
  RunContext ctx(vos, f.tool.string());
  ASSERT_TRUE(ctx.ReadSettingsSecondPass());
  EXPECT_FALSE(ctx.runLog.Writing());
  EXPECT_TRUE(vos.Trace().Contains("Cannot write the run log \"Log.txt\""));
  ctx.FinishRunLog();  // reported again, and the close goes on
}

}  // namespace
}  // namespace app
