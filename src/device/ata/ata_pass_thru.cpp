#include "device/ata/ata_pass_thru.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "common/text.h"
#include "device/core/open_scope.h"
#include "device/core/request_timeout.h"
#include "device/scsi/scsi_request.h"

namespace device {
namespace {

constexpr size_t kBufferAlignment = 16;

// SAT protocol byte (CDB byte 1) and transfer byte (CDB byte 2). DMA data in
// keeps the extend bit set even for a 28-bit command, as this tool has
// always sent it.
namespace sat = os::sat;
constexpr uint8_t kSatDmaIn = sat::ProtocolField(sat::kProtocolUdmaIn) | sat::kExtend;  // 0x15
constexpr uint8_t kSatPioIn = sat::ProtocolField(sat::kProtocolPioIn);                  // 0x08
constexpr uint8_t kSatDmaOut = sat::ProtocolField(sat::kProtocolUdmaOut);               // 0x16
constexpr uint8_t kSatPioOut = sat::ProtocolField(sat::kProtocolPioOut);                // 0x0A
constexpr uint8_t kSatNonData = sat::ProtocolField(sat::kProtocolNonData);              // 0x06
// 0x0E: T_DIR in, BYT_BLOK, length in the count register. CK_COND (0x20) is
// not set for data in: a successful read returns no registers, and a failed
// one still comes back as CHECK CONDITION with the registers in the sense.
constexpr uint8_t kSatTransferIn = sat::kTDirIn | sat::kBytBlok | sat::kTLengthInCount;
// 0x26: CK_COND, T_DIR out, BYT_BLOK, length in the count register.
constexpr uint8_t kSatTransferOut = sat::kCkCond | sat::kBytBlok | sat::kTLengthInCount;
constexpr uint8_t kSatTransferNone = sat::kCkCond;  // 0x20
static_assert(kSatDmaIn == 0x15 && kSatPioIn == 0x08 && kSatDmaOut == 0x16 && kSatPioOut == 0x0A &&
              kSatNonData == 0x06);
static_assert(kSatTransferIn == 0x0E && kSatTransferOut == 0x26 && kSatTransferNone == 0x20);

bool SendSat(StorageDevice& dev, uint8_t* buffer, os::ATA_PASS_THROUGH_DIRECT& block) {
  uint8_t flags = 0;
  if (block.AtaFlags & os::ATA_FLAGS_DATA_IN)
    flags = SRB_DIR_IN;
  else if (block.AtaFlags & os::ATA_FLAGS_DATA_OUT)
    flags = SRB_DIR_OUT;
  SRB_ExecSCSICmd srb = MakeScsiRequest(dev, flags, 16, block.DataTransferLength ? buffer : nullptr,
                                        block.DataTransferLength);
  const os::sat::Cdb cdb = BuildSatCdb(block);
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
  const OpenScope open(dev, force);
  if (!open) return false;

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
      block.TimeOutValue =
          RequestTimeoutSeconds(dev, AtaRequestLength(block.CurrentTaskFile[os::kTaskFileCommand]));
      block.DataTransferLength = static_cast<os::ULONG>(length);
      block.DataBuffer = aligned;
      bool requestOk;
      if (dev.devAttribute & STORAGE_SCSI_ATAPI) {
        requestOk = SendSat(dev, aligned, block);
      } else {
        os::DWORD returned = 0;
        requestOk = os.DeviceIoControl(dev.Handle(), os::IOCTL_ATA_PASS_THROUGH_DIRECT, &block,
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
  return ok;
}

}  // namespace

os::sat::Cdb BuildSatCdb(const os::ATA_PASS_THROUGH_DIRECT& block) {
  os::sat::Cdb cdb{};
  const bool dma = (block.AtaFlags & os::ATA_FLAGS_USE_DMA) != 0;
  uint8_t& protocol = cdb[sat::kProtocolByte];
  uint8_t& transfer = cdb[sat::kTransferByte];
  cdb[0] = sat::kOpAtaPassThrough16;
  if (block.AtaFlags & os::ATA_FLAGS_DATA_IN) {
    protocol = dma ? kSatDmaIn : kSatPioIn;
    transfer = kSatTransferIn;
  } else if (block.AtaFlags & os::ATA_FLAGS_DATA_OUT) {
    protocol = dma ? kSatDmaOut : kSatPioOut;
    transfer = kSatTransferOut;
  } else {
    protocol = kSatNonData;
    transfer = kSatTransferNone;
  }
  if (block.AtaFlags & os::ATA_FLAGS_48BIT_COMMAND) protocol |= sat::kExtend;
  sat::WriteRegisters(cdb, block);
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
