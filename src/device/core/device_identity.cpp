#include "device/core/device_identity.h"

#include <cstring>
#include <vector>

#include "common/text.h"
#include "device/ata/ata_commands.h"
#include "device/ata/identify_words.h"
#include "device/nvme/nvme_command_record.h"
#include "device/nvme/nvme_commands.h"
#include "device/scsi/scsi_commands.h"

namespace device {
namespace {

// Byte ranges of the identity strings.
constexpr size_t kNvmeSerial = 4, kNvmeModel = 24, kNvmeFirmware = 64;
constexpr size_t kNvmeSerialLength = 20, kNvmeModelLength = 40, kNvmeFirmwareLength = 8;

template <size_t N>
void CopyField(char (&field)[N], const std::vector<uint8_t>& data, size_t offset, size_t length,
               bool swapPairs) {
  static_assert(N > 0);
  std::memset(field, 0, N);
  const size_t n = length < N - 1 ? length : N - 1;
  std::vector<uint8_t> part(data.begin() + static_cast<ptrdiff_t>(offset),
                            data.begin() + static_cast<ptrdiff_t>(offset + n));
  if (swapPairs) common::SwapBytePairs(part);
  std::memcpy(field, part.data(), n);
}

}  // namespace

void FillIdentityStrings(StorageDevice& dev) {
  std::memset(dev.devSerial, 0, sizeof dev.devSerial);
  std::memset(dev.devModel, 0, sizeof dev.devModel);
  std::memset(dev.devFirmware, 0, sizeof dev.devFirmware);
  if (IsNvme(dev.devAttribute)) {
    std::vector<uint8_t> identify(kNvmeIdentifySize, 0);
    if (!NvmeIdentifyController(dev, identify)) return;
    CopyField(dev.devSerial, identify, kNvmeSerial, kNvmeSerialLength, false);
    CopyField(dev.devModel, identify, kNvmeModel, kNvmeModelLength, false);
    CopyField(dev.devFirmware, identify, kNvmeFirmware, kNvmeFirmwareLength, false);
    return;
  }
  if (dev.devAttribute & STORAGE_VKM_UFD) return;
  std::vector<uint8_t> identify(kAtaSector, 0);
  if (!AtaIdentifyDevice(dev, identify)) return;
  namespace id = device::identify;
  CopyField(dev.devSerial, identify, id::ByteOf(id::kSerialNumber), id::kSerialNumberChars, true);
  CopyField(dev.devModel, identify, id::ByteOf(id::kModelNumber), id::kModelNumberChars, true);
  CopyField(dev.devFirmware, identify, id::ByteOf(id::kFirmwareRevision),
            id::kFirmwareRevisionChars, true);
}

void ReadDeviceCapacity(StorageDevice& dev) {
  // A device reached only through its SCSI port cannot carry READ CAPACITY.
  dev.devCapacity = dev.CanCarryScsi() ? ReadCapacityBlocks(dev) : 0;
}

}  // namespace device
