// Fuzz entry for the lab: byte 0 picks what the rest is fed to.
//   0: lab.ini text;
//   1: a device request on one of the reference machine's handles (byte 1 the
//      handle, byte 2 the request, bytes 3-4 the output size, the rest the
//      input block). Requests that carry a data pointer get one to a buffer of
//      the size they claim, as a caller's memory would be; every other field
//      is as hostile as the input makes it.
// Built into the lab's test executable (a test feeds it generated inputs) and,
// with clang and SSDTOOLS_FUZZ, into a libFuzzer target of its own.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "lab/config/lab_config.h"
#include "lab/edge/lab_os.h"
#include "lab/support/fake_drives.h"
#include "lab/support/test_lab.h"
#include "platform/ata_pass_through.h"
#include "platform/scsi_pass_through.h"
#include "platform/srb_io_control.h"
#include "platform/storage_firmware.h"
#include "platform/storage_protocol.h"
#include "platform/usbioctl.h"
#include "platform/volume.h"

namespace {

struct Machine {
  labtest::FakeFactory fakes;
  std::unique_ptr<lab::LabOs> os;
  std::vector<os::HANDLE> handles;
};

std::string& MachineFolder() {
  static std::string dir =
      (std::filesystem::temp_directory_path() / ("ssdtools_lab_fuzz_" + std::to_string(::getpid())))
          .string();
  return dir;
}

// A fresh machine for every input, from factory-fresh drives: what one input
// did (a lock, a firmware slot, a power loss) never shapes how the next one
// is answered, so each crash reproduces from its input alone.
std::unique_ptr<Machine> FreshMachine() {
  auto made = std::make_unique<Machine>();
  const std::string& dir = MachineFolder();
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  static const bool cleanup = [] {
    std::atexit([] {
      std::error_code e;
      std::filesystem::remove_all(MachineFolder(), e);
    });
    return true;
  }();
  (void)cleanup;
  std::string ini = labtest::kReferenceLab;
  for (size_t at = ini.find("64MiB"); at != std::string::npos; at = ini.find("64MiB", at)) {
    ini.replace(at, 5, "4MiB");
  }
  std::string error;
  made->os = lab::LabOs::Create(lab::ParseLabConfig(ini), dir, made->fakes.Factory(), error);
  if (!made->os) return made;
  for (const char* p : {"\\\\.\\PHYSICALDRIVE0", "\\\\.\\PHYSICALDRIVE2", "\\\\.\\PHYSICALDRIVE3",
                        "\\\\.\\PHYSICALDRIVE4", "\\\\.\\PHYSICALDRIVE5",
                        "\\\\.\\D:", "\\\\.\\Scsi2:", "\\\\.\\Scsi0:", "\\\\.\\HCD0"}) {
    made->handles.push_back(made->os->CreateFileA(p, os::GENERIC_READ | os::GENERIC_WRITE, 3,
                                                  nullptr, os::OPEN_EXISTING, 0, nullptr));
  }
  return made;
}

constexpr os::DWORD kCodes[] = {
    os::IOCTL_STORAGE_QUERY_PROPERTY,
    os::IOCTL_SCSI_GET_ADDRESS,
    os::IOCTL_STORAGE_GET_DEVICE_NUMBER,
    os::IOCTL_SCSI_PASS_THROUGH_DIRECT,
    os::IOCTL_ATA_PASS_THROUGH_DIRECT,
    os::IOCTL_STORAGE_PROTOCOL_COMMAND,
    os::IOCTL_STORAGE_FIRMWARE_GET_INFO,
    os::IOCTL_STORAGE_FIRMWARE_DOWNLOAD,
    os::IOCTL_STORAGE_FIRMWARE_ACTIVATE,
    os::IOCTL_SCSI_MINIPORT,
    os::IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS,
    os::FSCTL_LOCK_VOLUME,
    os::FSCTL_DISMOUNT_VOLUME,
    os::FSCTL_UNLOCK_VOLUME,
    os::IOCTL_GET_HCD_DRIVERKEY_NAME,
    os::IOCTL_USB_GET_ROOT_HUB_NAME,
    os::IOCTL_USB_GET_NODE_CONNECTION_INFORMATION,
    os::IOCTL_USB_GET_NODE_CONNECTION_NAME,
    os::IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION,
    0x12345678u,
};

// Points the request's data pointer at memory of the length it claims
// (capped), as a caller's buffer would be.
template <typename Block>
void GiveDataBuffer(std::vector<uint8_t>& in, std::vector<uint8_t>& data) {
  if (in.size() < sizeof(Block)) return;
  Block b;
  std::memcpy(&b, in.data(), sizeof b);
  b.DataTransferLength %= 70000;
  data.assign(b.DataTransferLength + 2, 0);
  // Odd addresses too: the ATA port refuses them.
  b.DataBuffer = b.DataTransferLength == 0 ? nullptr : data.data() + (in[0] & 1);
  std::memcpy(in.data(), &b, sizeof b);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  if (data[0] % 2 == 0) {
    const lab::LabConfig c =
        lab::ParseLabConfig(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    // libFuzzer ignores the return value: a broken invariant must abort.
    if (c.disks.size() > size) std::abort();
    return 0;
  }
  if (size < 5) return 0;
  const std::unique_ptr<Machine> fresh = FreshMachine();
  Machine& m = *fresh;
  if (!m.os) std::abort();  // the reference lab always builds
  const os::HANDLE h = m.handles[data[1] % m.handles.size()];
  const os::DWORD code = kCodes[data[2] % (sizeof kCodes / sizeof kCodes[0])];
  const size_t outSize = (data[3] | data[4] << 8) % 9000;
  std::vector<uint8_t> in(data + 5, data + size);
  std::vector<uint8_t> buffer;
  if (code == os::IOCTL_SCSI_PASS_THROUGH_DIRECT) {
    GiveDataBuffer<os::SCSI_PASS_THROUGH_DIRECT>(in, buffer);
  } else if (code == os::IOCTL_ATA_PASS_THROUGH_DIRECT) {
    GiveDataBuffer<os::ATA_PASS_THROUGH_DIRECT>(in, buffer);
  }
  std::vector<uint8_t> out(outSize, 0);
  os::DWORD returned = 0;
  const bool ok = m.os->DeviceIoControl(
      h, code, in.empty() ? nullptr : in.data(), static_cast<os::DWORD>(in.size()),
      out.empty() ? nullptr : out.data(), static_cast<os::DWORD>(out.size()), &returned);
  // Nothing is ever reported beyond the caller's output buffer.
  if (returned > out.size() || (!ok && m.os->GetLastError() == 0)) std::abort();
  return 0;
}
