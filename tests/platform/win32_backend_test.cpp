// The Win32 backend on what any Windows (and wine) has without disks: files,
// the system folder, SetupAPI, the process token. Nothing here opens a drive:
// the device requests go to a plain file, which refuses them.
#include "platform/win32/win32_backend.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>

#include "platform/storage_firmware.h"
#include "platform/storage_property.h"
#include "platform/win32/win32_os.h"

namespace {

constexpr os::DWORD kShareAll = os::FILE_SHARE_READ | os::FILE_SHARE_WRITE;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// A file of its own in the temporary folder, removed at the end.
class ScratchFile {
 public:
  explicit ScratchFile(const std::string& name, const std::string& content) {
    path_ = std::filesystem::temp_directory_path() / ("ssdtools-win32-" + name);
    std::ofstream(path_, std::ios::binary) << content;
  }
  ~ScratchFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  std::string Path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

class Win32BackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    backend_ = os::MakeWin32Os(error);
    ASSERT_NE(backend_, nullptr) << error;
    os_ = backend_.get();
  }

  std::unique_ptr<os::Os> backend_;
  os::Os* os_ = nullptr;
};

TEST_F(Win32BackendTest, OpeningADeviceThatDoesNotExistFailsWithFileNotFound) {
  // Access 0: the open a scan makes to ask a device about itself.
  for (const char* name : {"\\\\.\\SsdToolsNoSuchDevice7", "\\\\.\\PHYSICALDRIVE97"}) {
    os_->SetLastError(os::ERROR_SUCCESS);
    EXPECT_EQ(os_->CreateFileA(name, 0, kShareAll, nullptr, os::OPEN_EXISTING, 0, nullptr),
              os::INVALID_HANDLE_VALUE)
        << name;
    EXPECT_EQ(os_->GetLastError(), os::ERROR_FILE_NOT_FOUND) << name;
  }
}

TEST_F(Win32BackendTest, OpeningAMissingFileInAMissingFolderFailsWithPathNotFound) {
  const std::string path =
      (std::filesystem::temp_directory_path() / "ssdtools-no-such-folder" / "x.bin").string();
  EXPECT_EQ(
      os_->CreateFileA(path, os::GENERIC_READ, kShareAll, nullptr, os::OPEN_EXISTING, 0, nullptr),
      os::INVALID_HANDLE_VALUE);
  EXPECT_EQ(os_->GetLastError(), os::ERROR_PATH_NOT_FOUND);
}

TEST_F(Win32BackendTest, ADeviceRequestOnAPlainFileIsRefusedAndReportedAsAFailure) {
  ScratchFile file("ioctl.bin", "not a disk");
  const os::HANDLE h = os_->CreateFileA(file.Path(), os::GENERIC_READ, kShareAll, nullptr,
                                        os::OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, os::INVALID_HANDLE_VALUE) << os_->GetLastError();

  // Questions only (a file has no device descriptor and no firmware): the
  // failure and Windows's error come back, no byte counted.
  os::STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = os::StorageDeviceProperty;
  query.QueryType = os::PropertyStandardQuery;
  os::STORAGE_DEVICE_DESCRIPTOR descriptor{};
  os::DWORD returned = 0xDEAD;
  os_->SetLastError(os::ERROR_SUCCESS);
  EXPECT_FALSE(os_->DeviceIoControl(h, os::IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query,
                                    &descriptor, sizeof descriptor, &returned));
  EXPECT_NE(os_->GetLastError(), os::ERROR_SUCCESS);
  EXPECT_EQ(returned, 0u);

  os::STORAGE_HW_FIRMWARE_INFO_QUERY ask{};
  ask.Version = sizeof ask;
  ask.Size = sizeof ask;
  os::STORAGE_HW_FIRMWARE_INFO info{};
  returned = 0xDEAD;
  os_->SetLastError(os::ERROR_SUCCESS);
  EXPECT_FALSE(os_->DeviceIoControl(h, os::IOCTL_STORAGE_FIRMWARE_GET_INFO, &ask, sizeof ask, &info,
                                    sizeof info, &returned));
  EXPECT_NE(os_->GetLastError(), os::ERROR_SUCCESS);
  EXPECT_EQ(returned, 0u);
  EXPECT_TRUE(os_->CloseHandle(h));
}

TEST_F(Win32BackendTest, AHandleTheBackendDidNotOpenNeverReachesWindows) {
  const os::HANDLE madeUp = os::HandleFromValue(0x1234);
  os::DWORD returned = 7;
  EXPECT_FALSE(os_->DeviceIoControl(madeUp, os::IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0,
                                    nullptr, 0, &returned));
  EXPECT_EQ(os_->GetLastError(), os::ERROR_INVALID_HANDLE);
  EXPECT_EQ(returned, 0u);
  char byte = 0;
  os::DWORD read = 7;
  EXPECT_FALSE(os_->ReadFile(madeUp, &byte, 1, &read));
  EXPECT_EQ(os_->GetLastError(), os::ERROR_INVALID_HANDLE);
  EXPECT_EQ(read, 0u);
  EXPECT_FALSE(os_->CloseHandle(madeUp));
  EXPECT_EQ(os_->GetLastError(), os::ERROR_INVALID_HANDLE);
}

TEST_F(Win32BackendTest, ReadsAPlainFileAtAPositionGivenInTwoHalves) {
  ScratchFile file("read.bin", "0123456789abcdef");
  const os::HANDLE h = os_->CreateFileA(file.Path(), os::GENERIC_READ, kShareAll, nullptr,
                                        os::OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, os::INVALID_HANDLE_VALUE) << os_->GetLastError();

  os::LONG high = 0;
  EXPECT_EQ(os_->SetFilePointer(h, 10, &high, os::FILE_BEGIN), 10u);
  EXPECT_EQ(high, 0);
  char buffer[8] = {};
  os::DWORD read = 0;
  ASSERT_TRUE(os_->ReadFile(h, buffer, 4, &read));
  EXPECT_EQ(read, 4u);
  EXPECT_EQ(std::string(buffer, read), "abcd");

  // Back by three from the current position: a negative low half without a
  // high one is a signed distance.
  EXPECT_EQ(os_->SetFilePointer(h, -3, nullptr, os::FILE_CURRENT), 11u);
  ASSERT_TRUE(os_->ReadFile(h, buffer, 2, &read));
  EXPECT_EQ(std::string(buffer, read), "bc");

  // Before the start: refused, the position kept.
  high = -1;
  EXPECT_EQ(os_->SetFilePointer(h, -100, &high, os::FILE_CURRENT), os::INVALID_SET_FILE_POINTER);
  EXPECT_EQ(os_->GetLastError(), os::ERROR_NEGATIVE_SEEK);
  EXPECT_TRUE(os_->CloseHandle(h));
}

TEST_F(Win32BackendTest, SetupApiWithNoDisksListsNoneAndTheSetIsDestroyedOnce) {
  const os::HDEVINFO set = os_->SetupDiGetClassDevsA(&os::GUID_DEVINTERFACE_DISK, nullptr,
                                                     os::DIGCF_PRESENT | os::DIGCF_DEVICEINTERFACE);
  ASSERT_NE(set, os::INVALID_HANDLE_VALUE) << os_->GetLastError();

  os::SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data;
  EXPECT_FALSE(
      os_->SetupDiEnumDeviceInterfaces(set, nullptr, &os::GUID_DEVINTERFACE_DISK, 0, &data));
  EXPECT_EQ(os_->GetLastError(), os::ERROR_NO_MORE_ITEMS);
  os::SP_DEVINFO_DATA info{};
  info.cbSize = sizeof info;
  EXPECT_FALSE(os_->SetupDiEnumDeviceInfo(set, 0, &info));
  EXPECT_EQ(os_->GetLastError(), os::ERROR_NO_MORE_ITEMS);

  EXPECT_TRUE(os_->SetupDiDestroyDeviceInfoList(set));
  EXPECT_FALSE(os_->SetupDiDestroyDeviceInfoList(set));
  EXPECT_EQ(os_->GetLastError(), os::ERROR_INVALID_HANDLE);
}

TEST_F(Win32BackendTest, TheSystemFolderIsAnsweredAndATooSmallBufferGetsTheSizeNeeded) {
  char folder[260] = {};
  const os::UINT length = os_->GetSystemDirectoryA(folder, sizeof folder);
  ASSERT_GT(length, 3u);
  ASSERT_LT(length, sizeof folder);
  const std::string text(folder, length);
  EXPECT_EQ(text[1], ':');
  EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(text[0])));
  EXPECT_EQ(Lower(text.substr(text.size() - 9)), "\\system32");

  char small[4] = {};
  EXPECT_EQ(os_->GetSystemDirectoryA(small, sizeof small), length + 1);

  // The drive of the system folder is among the logical drives.
  const int letter = std::toupper(static_cast<unsigned char>(text[0])) - 'A';
  EXPECT_NE(os_->GetLogicalDrives() & (os::DWORD{1} << letter), 0u);
}

TEST_F(Win32BackendTest, TheVersionIsAnNtVersion) {
  os::OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(os_->GetVersionExA(&info));
  EXPECT_EQ(info.dwPlatformId, os::VER_PLATFORM_WIN32_NT);
  EXPECT_GE(info.dwMajorVersion, 5u);

  info.dwOSVersionInfoSize = 12;  // no record Windows knows
  EXPECT_FALSE(os_->GetVersionExA(&info));
}

TEST_F(Win32BackendTest, TheProcessTokenIsOpenedAndClosedOnce) {
  os::LUID luid{};
  EXPECT_TRUE(os_->LookupPrivilegeValueA(nullptr, os::SE_LOAD_DRIVER_NAME, &luid));
  EXPECT_FALSE(os_->LookupPrivilegeValueA(nullptr, "SeNoSuchPrivilege", &luid));
  EXPECT_EQ(os_->GetLastError(), os::ERROR_NO_SUCH_PRIVILEGE);

  os::HANDLE token = nullptr;
  ASSERT_TRUE(os_->OpenProcessToken(os_->GetCurrentProcess(), os::TOKEN_QUERY, &token));
  EXPECT_NE(token, os::INVALID_HANDLE_VALUE);
  EXPECT_TRUE(os_->CloseHandle(token));
  EXPECT_FALSE(os_->CloseHandle(token));

  // Any other process handle is not this backend's to pass on.
  EXPECT_FALSE(os_->OpenProcessToken(os::HandleFromValue(0x1234), os::TOKEN_QUERY, &token));
  EXPECT_EQ(token, os::INVALID_HANDLE_VALUE);
  EXPECT_EQ(os_->GetLastError(), os::ERROR_INVALID_HANDLE);
}

TEST(Win32CommandLineTest, OnlyTheBarePartitioningToolIsSentToTheNativeSystemFolder) {
  os::Win32Os backend;
  const std::string native = backend.NativeCommandLine("DISKPART /s diskpart.txt");
  const std::string tail = "\\diskpart.exe /s diskpart.txt";
  ASSERT_GT(native.size(), tail.size());
  EXPECT_EQ(native.substr(native.size() - tail.size()), tail);
  const std::string folder = Lower(native.substr(0, native.size() - tail.size()));
  const bool nativeFolder = folder.ends_with("\\system32") || folder.ends_with("\\sysnative");
  EXPECT_TRUE(nativeFolder) << native;
  EXPECT_EQ(Lower(backend.NativeCommandLine("diskpart")), folder + "\\diskpart.exe");

  EXPECT_EQ(backend.NativeCommandLine("DISKPARTX /s a"), "DISKPARTX /s a");
  EXPECT_EQ(backend.NativeCommandLine("C:\\tools\\setup.exe /copy"), "C:\\tools\\setup.exe /copy");
}

}  // namespace
