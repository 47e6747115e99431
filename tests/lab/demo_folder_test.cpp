// The demo lab's folder: made private, taken over only when it is new, empty
// or the demo's own, and renewed by deleting only what the demo's lab wrote.
#include <gtest/gtest.h>
#include <stdlib.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <optional>

#include "lab/demo/open_lab.h"
#include "lab/support/fake_drives.h"
#include "support/host_env.h"
#include "support/posix_only.h"
#include "support/temp_dir.h"

namespace lab {
namespace {

namespace fs = std::filesystem;

// Sets (or, with nullopt, clears) an environment variable for the life of the
// object.
class Env {
 public:
  Env(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* was = std::getenv(name)) previous_ = was;
    if (value) {
      testsupport::SetEnv(name, *value);
    } else {
      testsupport::UnsetEnv(name);
    }
  }
  ~Env() {
    if (previous_) {
      testsupport::SetEnv(name_, *previous_);
    } else {
      testsupport::UnsetEnv(name_);
    }
  }
  Env(const Env&) = delete;
  Env& operator=(const Env&) = delete;

 private:
  const char* name_;
  std::optional<std::string> previous_;
};

std::string FirstLineOfDemo() {
  const std::string ini = DemoLabIni();
  return ini.substr(0, ini.find('\n'));
}

TEST(DemoFolder, ANewFolderIsMadePrivateAndMarkedAsTheDemos) {
  testsupport::TempDir dir;
  std::string error;
  const fs::path folder = dir.Path() / "a/b/demo";
  ASSERT_TRUE(EnsureDemoLab(folder.string(), error)) << error;
#ifndef _WIN32  // a folder under the profile is the user's through its inherited access there
  struct stat st {};
  ASSERT_EQ(::stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
#endif
  EXPECT_TRUE(fs::is_regular_file(folder / ".ssdtools-demo-lab"));
  EXPECT_EQ(dir.Read("a/b/demo/lab.ini"), DemoLabIni());

  // An empty folder is taken over.
  fs::create_directory(dir.Path() / "empty");
  fs::permissions(dir.Path() / "empty", fs::perms::owner_all);
  ASSERT_TRUE(EnsureDemoLab((dir.Path() / "empty").string(), error)) << error;
  EXPECT_TRUE(dir.Exists("empty/.ssdtools-demo-lab"));
  EXPECT_TRUE(dir.Exists("empty/lab.ini"));
}

TEST(DemoFolder, AFolderThatIsNotTheDemosIsRefusedAndKeepsEverything) {
  testsupport::TempDir dir;
  labtest::FakeFactory fakes;
  // A lab of the user's own, with drive data in its state folder.
  dir.Write("mine/lab.ini", "; my lab\n[Disk0]\nAttachment=nvme\n");
  dir.Write("mine/state/Disk0.img", "my drive's data");
  dir.Write("mine/notes.txt", "mine");
  fs::permissions(dir.Path() / "mine", fs::perms::owner_all);
  Env demo("SSDTOOLS_DEMO_LAB", dir.Str() + "/mine");
  std::string error;
  EXPECT_FALSE(OpenLab("demo", fakes.Factory(), error));
  EXPECT_NE(error.find("the demo lab cannot use " + dir.Str() +
                       "/mine: the folder holds files that are not the demo lab's"),
            std::string::npos)
      << error;
  EXPECT_EQ(dir.Read("mine/lab.ini"), "; my lab\n[Disk0]\nAttachment=nvme\n");
  EXPECT_EQ(dir.Read("mine/state/Disk0.img"), "my drive's data");
  EXPECT_FALSE(dir.Exists("mine/.ssdtools-demo-lab"));

#ifndef _WIN32  // file modes are POSIX
  // A folder others may write to is refused even when empty.
  fs::create_directory(dir.Path() / "shared");
  fs::permissions(dir.Path() / "shared", fs::perms::all);
  EXPECT_FALSE(EnsureDemoLab(dir.Str() + "/shared", error));
  EXPECT_NE(error.find("other users can write to it"), std::string::npos) << error;
  EXPECT_TRUE(fs::is_empty(dir.Path() / "shared"));
#endif

  // A file is no folder.
  dir.Write("file", "x");
  EXPECT_FALSE(EnsureDemoLab(dir.Str() + "/file", error));
  EXPECT_NE(error.find("it is not a folder"), std::string::npos) << error;
}

TEST(DemoFolder, AFolderOfAnotherUserIsRefused) {
  SKIP_ON_WINDOWS("folder owners are given away with chown(2)");
#ifndef _WIN32
  testsupport::TempDir dir;
  fs::create_directory(dir.Path() / "theirs");
  fs::permissions(dir.Path() / "theirs", fs::perms::owner_all);
  if (::chown((dir.Path() / "theirs").c_str(), 65534, static_cast<gid_t>(-1)) != 0) {
    GTEST_SKIP() << "giving a folder away needs root";
  }
  std::string error;
  EXPECT_FALSE(EnsureDemoLab(dir.Str() + "/theirs", error));
  EXPECT_NE(error.find("it belongs to another user"), std::string::npos) << error;
  EXPECT_TRUE(fs::is_empty(dir.Path() / "theirs"));
#endif
}

TEST(DemoFolder, AnOlderDemoLosesOnlyTheFilesItsLabWrote) {
  testsupport::TempDir dir;
  std::string error;
  const std::string folder = dir.Str() + "/demo";
  ASSERT_TRUE(EnsureDemoLab(folder, error)) << error;
  dir.Write("demo/lab.ini", "; SSD Tools demo lab, version 0\n[Disk0]\nAttachment=sata\n");
  dir.Write("demo/state/Disk0.img", "old media");
  dir.Write("demo/state/Disk0.state", "Firmware=old\n");
  dir.Write("demo/state/machine.state", "RemovedLetters=\n");
  dir.Write("demo/state/Disk0.state.tmp-a1B2c3", "half");
  dir.Write("demo/state/keep.txt", "not the lab's");
  dir.Write("victim.img", "precious");
#ifndef _WIN32  // making a symbolic link needs a privilege on Windows
  fs::create_symlink(dir.Path() / "victim.img", dir.Path() / "demo/state/Link.img");
#endif
  ASSERT_TRUE(EnsureDemoLab(folder, error)) << error;
  EXPECT_EQ(dir.Read("demo/lab.ini"), DemoLabIni());
  EXPECT_FALSE(dir.Exists("demo/state/Disk0.img"));
  EXPECT_FALSE(dir.Exists("demo/state/Disk0.state"));
  EXPECT_FALSE(dir.Exists("demo/state/machine.state"));
  EXPECT_FALSE(dir.Exists("demo/state/Disk0.state.tmp-a1B2c3"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir.Path() / "demo/state/Link.img")));
  EXPECT_EQ(dir.Read("demo/state/keep.txt"), "not the lab's");
  EXPECT_EQ(dir.Read("victim.img"), "precious");
}

TEST(DemoFolder, ADemoThatAnOlderBuildMadeWithoutAMarkerIsKept) {
  testsupport::TempDir dir;
  std::string error;
  dir.Write("demo/lab.ini", DemoLabIni());
  dir.Write("demo/state/Disk0.img", "media of the current demo");
  fs::permissions(dir.Path() / "demo", fs::perms::owner_all);
  ASSERT_TRUE(EnsureDemoLab(dir.Str() + "/demo", error)) << error;
  EXPECT_EQ(dir.Read("demo/state/Disk0.img"), "media of the current demo");
  EXPECT_TRUE(dir.Exists("demo/.ssdtools-demo-lab"));
  EXPECT_EQ(dir.Read("demo/lab.ini").substr(0, FirstLineOfDemo().size()), FirstLineOfDemo());
}

TEST(DemoFolder, WithoutAHomeFolderTheDemoIsRefusedNotPutInATemporaryFolder) {
  Env own("SSDTOOLS_DEMO_LAB", std::nullopt);
  Env state("XDG_STATE_HOME", std::nullopt);
  Env home("HOME", std::nullopt);
  Env local("LOCALAPPDATA", std::nullopt);
  EXPECT_EQ(DemoLabFolder(), "");
  labtest::FakeFactory fakes;
  std::string error;
  EXPECT_FALSE(OpenLab("demo", fakes.Factory(), error));
  EXPECT_NE(error.find("the demo lab needs a folder of its own and HOME is not set"),
            std::string::npos)
      << error;
}

}  // namespace
}  // namespace lab
