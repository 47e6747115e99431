#include "device/ata/ata_pass_thru.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "common/text.h"
#include "device/scsi/scsi_request.h"

namespace device {
namespace {

constexpr uint8_t kOpAtaPassThrough16 = 0x85;
constexpr size_t kBufferAlignment = 16;

// SAT protocol byte (CDB byte 1) and transfer byte (CDB byte 2).
constexpr uint8_t kSatDmaIn = 0x15;  // the extend bit stays set, as the tool always sent it
constexpr uint8_t kSatPioIn = 0x08;
constexpr uint8_t kSatDmaOut = 0x16;
constexpr uint8_t kSatPioOut = 0x0A;
constexpr uint8_t kSatNonData = 0x06;
constexpr uint8_t kSatExtend = 0x01;
constexpr uint8_t kSatTransferIn = 0x0E;    // CK_COND, T_DIR in, byte block, length in count
constexpr uint8_t kSatTransferOut = 0x26;   // CK_COND, T_DIR out, byte block, length in count
constexpr uint8_t kSatTransferNone = 0x20;  // CK_COND

bool SendSat(StorageDevice& dev, uint8_t* buffer, os::ATA_PASS_THROUGH_DIRECT& block) {
  uint8_t flags = 0;
  if (block.AtaFlags & os::ATA_FLAGS_DATA_IN)
    flags = SRB_DIR_IN;
  else if (block.AtaFlags & os::ATA_FLAGS_DATA_OUT)
    flags = SRB_DIR_OUT;
  SRB_ExecSCSICmd srb = MakeScsiRequest(dev, flags, 16, block.DataTransferLength ? buffer : nullptr,
                                        block.DataTransferLength);
  const std::array<uint8_t, 16> cdb = BuildSatCdb(block);
  std::memcpy(srb.CDBByte, cdb.data(), cdb.size());
  const bool ok = ExecuteScsiRequest(dev, srb, true) == SS_COMP;
  uint8_t* tf = block.CurrentTaskFile;
  tf[os::kTaskFileFeatures] = srb.SenseArea[kSenseAtaError];
  tf[os::kTaskFileCount] = srb.SenseArea[kSenseAtaCount];
  tf[os::kTaskFileDevice] = srb.SenseArea[kSenseAtaDevice];
  tf[os::kTaskFileCommand] = srb.SenseArea[kSenseAtaStatus];
  return ok;
}

bool Transfer(StorageDevice& dev, const uint8_t* out, uint8_t* in, size_t length,
              os::ATA_PASS_THROUGH_DIRECT& block, bool force) {
  os::Os& os = dev.Os();
  const bool openedHere = !dev.IsOpen();
  if (openedHere && !dev.Reopen(force)) return false;

  bool ok = false;
  const bool dataIn = (block.AtaFlags & os::ATA_FLAGS_DATA_IN) != 0;
  const bool dataOut = (block.AtaFlags & os::ATA_FLAGS_DATA_OUT) != 0;
  if (length == 0 || ((out != nullptr || in != nullptr) && (dataIn || dataOut))) {
    // The data travels through a 16-byte aligned buffer of its own.
    std::vector<uint8_t> staging;
    uint8_t* aligned = nullptr;
    bool allocated = true;
    if (length > 0 && length <= 0xFFFFFFFFu - kBufferAlignment) {
      try {
        staging.assign(length + kBufferAlignment, 0);
        void* start = staging.data();
        size_t space = staging.size();
        aligned = static_cast<uint8_t*>(std::align(kBufferAlignment, length, start, space));
        if (dataOut && out != nullptr) std::memcpy(aligned, out, length);
      } catch (const std::bad_alloc&) {
        allocated = false;
      }
    } else if (length > 0) {
      allocated = false;
    }
    if (allocated) {
      block.Length = sizeof(os::ATA_PASS_THROUGH_DIRECT);
      block.AtaFlags |= os::ATA_FLAGS_DRDY_REQUIRED;
      block.TimeOutValue = dev.devTimeout;
      block.DataTransferLength = static_cast<os::ULONG>(length);
      block.DataBuffer = aligned;
      bool requestOk;
      if (dev.devAttribute & STORAGE_SCSI_ATAPI) {
        requestOk = SendSat(dev, aligned, block);
      } else {
        os::DWORD returned = 0;
        requestOk = os.DeviceIoControl(dev.devHandle, os::IOCTL_ATA_PASS_THROUGH_DIRECT, &block,
                                       sizeof block, &block, sizeof block, &returned);
      }
      ok = requestOk && (block.CurrentTaskFile[os::kTaskFileCommand] & 0x01) == 0;
      if (ok && dataIn && in != nullptr && length > 0) std::memcpy(in, aligned, length);
      block.DataBuffer = nullptr;  // the staging buffer dies here
      if (!ok)
        os.OutputDebugStringA(
            common::Format("[VKM_DEBUG] AtaPassThru: Error = 0x%X\n", os.GetLastError()));
    }
  }
  if (openedHere) dev.Close();
  return ok;
}

}  // namespace

std::array<uint8_t, 16> BuildSatCdb(const os::ATA_PASS_THROUGH_DIRECT& block) {
  std::array<uint8_t, 16> cdb{};
  const bool dma = (block.AtaFlags & os::ATA_FLAGS_USE_DMA) != 0;
  cdb[0] = kOpAtaPassThrough16;
  if (block.AtaFlags & os::ATA_FLAGS_DATA_IN) {
    cdb[1] = dma ? kSatDmaIn : kSatPioIn;
    cdb[2] = kSatTransferIn;
  } else if (block.AtaFlags & os::ATA_FLAGS_DATA_OUT) {
    cdb[1] = dma ? kSatDmaOut : kSatPioOut;
    cdb[2] = kSatTransferOut;
  } else {
    cdb[1] = kSatNonData;
    cdb[2] = kSatTransferNone;
  }
  const uint8_t* cur = block.CurrentTaskFile;
  const uint8_t* prev = block.PreviousTaskFile;
  if (block.AtaFlags & os::ATA_FLAGS_48BIT_COMMAND) {
    cdb[1] |= kSatExtend;
    cdb[3] = prev[os::kTaskFileFeatures];
    cdb[5] = prev[os::kTaskFileCount];
    cdb[7] = prev[os::kTaskFileLbaLow];
    cdb[9] = prev[os::kTaskFileLbaMid];
    cdb[11] = prev[os::kTaskFileLbaHigh];
  }
  cdb[4] = cur[os::kTaskFileFeatures];
  cdb[6] = cur[os::kTaskFileCount];
  cdb[8] = cur[os::kTaskFileLbaLow];
  cdb[10] = cur[os::kTaskFileLbaMid];
  cdb[12] = cur[os::kTaskFileLbaHigh];
  cdb[13] = cur[os::kTaskFileDevice];
  cdb[14] = cur[os::kTaskFileCommand];
  return cdb;
}

bool AtaPassThru(StorageDevice& dev, std::span<uint8_t> data, os::ATA_PASS_THROUGH_DIRECT& block,
                 bool force) {
  return Transfer(dev, data.data(), data.data(), data.size(), block, force);
}

bool AtaPassThruOut(StorageDevice& dev, std::span<const uint8_t> data,
                    os::ATA_PASS_THROUGH_DIRECT& block, bool force) {
  return Transfer(dev, data.data(), nullptr, data.size(), block, force);
}

}  // namespace device
