// SCSI and ATA pass-through on a disk handle: the request block is checked
// the way the port driver checks it, turned into one plain command, and the
// outcome (status, sense, registers) written back into the block.
#include "lab/edge/pass_through.h"

#include <algorithm>
#include <cstring>

#include "lab/bridges/scsi_reply.h"
#include "platform/ata_pass_through.h"
#include "platform/request_buffer.h"
#include "platform/scsi_pass_through.h"

namespace lab::edge {
namespace {

constexpr size_t kMaxCdbLength = 16;
// The AHCI port needs word-aligned data buffers.
constexpr uintptr_t kAtaAlignmentMask = 1;

}  // namespace

Reply PassThrough::Scsi(const Request& r, LabDisk& disk) {
  os::SCSI_PASS_THROUGH_DIRECT sptd{};
  if (!os::LoadRequest(r.in, r.inSize, &sptd) || sptd.Length != sizeof(sptd) || r.out == nullptr ||
      r.outSize < sizeof(sptd)) {
    return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  }
  if (sptd.CdbLength == 0 || sptd.CdbLength > kMaxCdbLength ||
      sptd.DataTransferLength > disk.MaxTransferBytes() ||
      (sptd.DataTransferLength > 0 && sptd.DataBuffer == nullptr) ||
      (sptd.SenseInfoLength > 0 &&
       (sptd.SenseInfoOffset < sizeof(sptd) ||
        uint64_t{sptd.SenseInfoOffset} + sptd.SenseInfoLength > r.outSize)) ||
      sptd.DataIn > os::SCSI_IOCTL_DATA_UNSPECIFIED) {
    return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  }
  ScsiCommand c;
  c.cdb.assign(sptd.Cdb, sptd.Cdb + sptd.CdbLength);
  if (sptd.DataTransferLength == 0) {
    c.direction = DataDirection::kNone;
  } else {
    c.direction = sptd.DataIn == os::SCSI_IOCTL_DATA_OUT ? DataDirection::kOut : DataDirection::kIn;
    c.data = std::span<uint8_t>(static_cast<uint8_t*>(sptd.DataBuffer), sptd.DataTransferLength);
  }
  c.timeoutSeconds = sptd.TimeOutValue;
  const ScsiResult res = disk.Scsi().ExecuteScsi(c);
  if (!res.delivered) return ctx_.Unanswered(res.timedOut, sptd.TimeOutValue);

  sptd.ScsiStatus = res.status;
  sptd.DataTransferLength = std::min(res.bytesTransferred, sptd.DataTransferLength);
  os::DWORD bytes = sizeof(sptd);
  if (res.status == kScsiStatusCheckCondition && sptd.SenseInfoLength > 0) {
    // Autosense: the sense data lands where the request said.
    const size_t n = std::min<size_t>(sptd.SenseInfoLength, res.sense.size());
    std::span<uint8_t> area =
        os::BytesOf(r.out, r.outSize).subspan(sptd.SenseInfoOffset, sptd.SenseInfoLength);
    std::fill(area.begin(), area.end(), 0);
    std::copy_n(res.sense.begin(), n, area.begin());
    sptd.SenseInfoLength = static_cast<uint8_t>(n);
    bytes = static_cast<os::DWORD>(sptd.SenseInfoOffset + n);
  } else {
    sptd.SenseInfoLength = 0;
  }
  os::StoreReply(r.out, r.outSize, sptd);
  return Reply::Done(bytes);
}

Reply PassThrough::Ata(const Request& r, LabDisk& disk) {
  AtaDevice* ata = disk.Ata();
  if (ata == nullptr) {
    // Only the AHCI port driver carries task files.
    return Reply::Fail(IsUsb(disk.GetAttachment()) ? os::ERROR_INVALID_FUNCTION
                                                   : os::ERROR_NOT_SUPPORTED);
  }
  os::ATA_PASS_THROUGH_DIRECT apt{};
  if (!os::LoadRequest(r.in, r.inSize, &apt) || apt.Length != sizeof(apt) || r.out == nullptr ||
      r.outSize < sizeof(apt)) {
    return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  }
  const bool in = apt.AtaFlags & os::ATA_FLAGS_DATA_IN;
  const bool out = apt.AtaFlags & os::ATA_FLAGS_DATA_OUT;
  if (apt.DataTransferLength > disk.MaxTransferBytes() || (in && out) ||
      (apt.DataTransferLength > 0 &&
       (apt.DataBuffer == nullptr || (!in && !out) ||
        (reinterpret_cast<uintptr_t>(apt.DataBuffer) & kAtaAlignmentMask) != 0))) {
    return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  }
  AtaCommand c;
  const auto regs = [](const os::UCHAR* tf) {
    return AtaRegisters{tf[os::kTaskFileFeatures], tf[os::kTaskFileCount],
                        tf[os::kTaskFileLbaLow],   tf[os::kTaskFileLbaMid],
                        tf[os::kTaskFileLbaHigh],  tf[os::kTaskFileDevice],
                        tf[os::kTaskFileCommand]};
  };
  c.current = regs(apt.CurrentTaskFile);
  c.extended = apt.AtaFlags & os::ATA_FLAGS_48BIT_COMMAND;
  if (c.extended) c.previous = regs(apt.PreviousTaskFile);
  c.dma = apt.AtaFlags & os::ATA_FLAGS_USE_DMA;
  c.timeoutSeconds = apt.TimeOutValue;
  if (apt.DataTransferLength > 0) {
    c.direction = in ? DataDirection::kIn : DataDirection::kOut;
    c.data = std::span<uint8_t>(static_cast<uint8_t*>(apt.DataBuffer), apt.DataTransferLength);
  }
  const AtaResult res = ata->ExecuteAta(c);
  if (!res.delivered) return ctx_.Unanswered(res.timedOut, apt.TimeOutValue);

  const auto put = [](os::UCHAR* tf, const AtaRegisters& a) {
    tf[os::kTaskFileFeatures] = a.features;
    tf[os::kTaskFileCount] = a.sectorCount;
    tf[os::kTaskFileLbaLow] = a.lbaLow;
    tf[os::kTaskFileLbaMid] = a.lbaMid;
    tf[os::kTaskFileLbaHigh] = a.lbaHigh;
    tf[os::kTaskFileDevice] = a.device;
    tf[os::kTaskFileCommand] = a.command;
  };
  put(apt.CurrentTaskFile, res.current);
  if (c.extended) put(apt.PreviousTaskFile, res.previous);
  // The request succeeds whatever the drive said: the status register tells.
  os::StoreReply(r.out, r.outSize, apt);
  return Reply::Done(sizeof(apt));
}

}  // namespace lab::edge
