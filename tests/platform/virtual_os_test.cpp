#include "platform/virtual_os.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/host/host_process.h"
#include "support/posix_only.h"

namespace os {
namespace {

TEST(VirtualClock, SleepAdvancesTheLocalTimeAcrossDayAndMonthEnds) {
  SYSTEMTIME start{};
  start.wYear = 2024;
  start.wMonth = 2;
  start.wDay = 28;
  start.wHour = 23;
  start.wMinute = 59;
  start.wSecond = 59;
  start.wMilliseconds = 500;
  VirtualOs vos(start);
  vos.Sleep(600);
  const SYSTEMTIME t = vos.GetLocalTime();
  EXPECT_EQ(t.wYear, 2024);
  EXPECT_EQ(t.wMonth, 2);
  EXPECT_EQ(t.wDay, 29);  // leap year
  EXPECT_EQ(t.wHour, 0);
  EXPECT_EQ(t.wSecond, 0);
  EXPECT_EQ(t.wMilliseconds, 100);
  EXPECT_EQ(t.wDayOfWeek, 4);  // a Thursday
  vos.Sleep(24u * 3600u * 1000u);
  EXPECT_EQ(vos.GetLocalTime().wMonth, 3);
  EXPECT_EQ(vos.GetTickCount64(), 600u + 24u * 3600u * 1000u);
}

TEST(VirtualOs, ProcessesAreRecordedNotStarted) {
  VirtualOs vos;
  const auto dir = std::filesystem::temp_directory_path() / "virtual_os_test_proc";
  std::filesystem::create_directories(dir / "Res" / "Font");
  std::ofstream(dir / "Res" / "Font" / "fontinst.exe") << "MZ";
  EXPECT_GT(vos.WinExec(dir.string() + "\\res\\font\\FontInst.exe /copy", SW_SHOWNORMAL), 31u);
  EXPECT_LE(vos.WinExec(dir.string() + "\\missing.exe", SW_SHOWNORMAL), 31u);
  EXPECT_EQ(vos.GetLastError(), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(vos.StartedProcesses().size(), 1u);
  EXPECT_NE(vos.StartedProcesses()[0].find("/copy"), std::string::npos);
  std::filesystem::remove_all(dir);
}

TEST(HostOs, DeleteFileReportsAMissingFile) {
  HostOs host;
  EXPECT_FALSE(host.DeleteFileA("/nonexistent_dir_xyz/Log.txt"));
  EXPECT_EQ(host.GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(host.DeleteFileA(""));
}

TEST(HostOs, DeleteFileLeavesFoldersAndTheTargetsOfLinksAlone) {
  SKIP_ON_WINDOWS("making a symbolic link needs a privilege there");
  const auto dir = std::filesystem::temp_directory_path() /
                   ("ssdtools_delete_" + std::to_string(host::CurrentProcessId()));
  std::filesystem::create_directories(dir / "empty folder");
  std::ofstream(dir / "target.txt") << "kept";
  std::filesystem::create_symlink(dir / "target.txt", dir / "link.txt");
  HostOs host;
  EXPECT_FALSE(host.DeleteFileA((dir / "empty folder").string()));
  EXPECT_EQ(host.GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "empty folder"));
  EXPECT_TRUE(host.DeleteFileA((dir / "link.txt").string()));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir / "link.txt")));
  std::ifstream in(dir / "target.txt");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "kept");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace os
