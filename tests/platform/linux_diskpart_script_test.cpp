// The partitioning script as the Linux backend takes it: read once, only from
// an ordinary file this user wrote and nobody else may write.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/linux/linux_diskpart.h"
#include "support/temp_dir.h"

namespace {

TEST(DiskpartScript, OnlyAnOrdinaryFileOfThisUserThatNobodyElseMayWriteIsRead) {
  testsupport::TempDir dir;
  dir.Write("diskpart.txt", "RESCAN\r\nEXIT\r\n");
  const std::string path = dir.Str() + "/diskpart.txt";
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  std::string script;
  EXPECT_EQ(os::linuxos::ReadDiskpartScript(path, script), "");
  EXPECT_EQ(script, "RESCAN\r\nEXIT\r\n");

  // A link planted under the script's name is not followed.
  const std::string link = dir.Str() + "/linked.txt";
  ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
  EXPECT_NE(os::linuxos::ReadDiskpartScript(link, script), "");
  EXPECT_EQ(script, "");

  // Another user could have put other commands in.
  ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
  EXPECT_EQ(os::linuxos::ReadDiskpartScript(path, script), "another user could have written it");

  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  dir.Write("diskpart.txt", std::string(os::linuxos::kMaxDiskpartScriptBytes + 1, 'x'));
  EXPECT_EQ(os::linuxos::ReadDiskpartScript(path, script), "too long");
  EXPECT_NE(os::linuxos::ReadDiskpartScript(dir.Str(), script), "");
}

}  // namespace
