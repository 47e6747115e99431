#pragma once
// Script helpers for the vendor-object tests: a drive record already open on
// the scripted OS, and expected ATA, SCSI and NVMe miniport requests checked
// byte for byte against values the tests write out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "device/core/fixed_text.h"
#include "device/core/storage_device.h"
#include "platform/ata_pass_through.h"
#include "platform/nvme_pass_through.h"
#include "platform/scsi_pass_through.h"
#include "support/scripted_os.h"

namespace vendortest {

using Bytes = std::vector<uint8_t>;
using testsupport::OsCall;
using testsupport::ScriptedOs;
using testsupport::Step;

inline os::HANDLE Handle() { return ScriptedOs::H(7); }

// A drive found by physical number, with its handle open already.
inline void OpenDrive(device::StorageDevice& dev, uint32_t attribute) {
  dev.devAttribute = attribute;
  device::SetFixedText(dev.devPath, "\\\\.\\PHYSICALDRIVE1");
  device::SetFixedText(dev.devName, "PHYSICALDRIVE1");
  dev.devHandle = Handle();
}

inline Bytes Sector(uint8_t fill) { return Bytes(512, fill); }

// A 512-byte sector with `text` at `offset`.
inline Bytes SectorWith(size_t offset, const std::string& text) {
  Bytes s(512, 0);
  std::copy(text.begin(), text.end(), s.begin() + static_cast<ptrdiff_t>(offset));
  return s;
}

// --- ATA pass-through ------------------------------------------------------------

struct AtaReply {
  bool fail = false;      // the request itself fails
  uint8_t status = 0x50;  // returned status register
  uint8_t error = 0;
  int count = -1;  // returned count register; -1 leaves the sent value
  Bytes data;      // data in
};

inline os::ATA_PASS_THROUGH_DIRECT DecodeAta(const OsCall& c) {
  os::ATA_PASS_THROUGH_DIRECT b{};
  EXPECT_EQ(c.in.size(), sizeof b);
  if (c.in.size() >= sizeof b) std::memcpy(&b, c.in.data(), sizeof b);
  return b;
}

// One direct ATA pass-through: AtaFlags, the seven current task-file bytes
// (features, count, LBA low, mid, high, device, command) and the length.
// Data out is captured into `written` when given.
inline Step& ExpectAta(ScriptedOs& sos, uint16_t flags, Bytes taskFile, uint32_t length,
                       AtaReply reply = {}, Bytes* written = nullptr) {
  Step& s = sos.ExpectIoctl(os::IOCTL_ATA_PASS_THROUGH_DIRECT).On(Handle());
  s.Check([flags, taskFile, length, written](const OsCall& c) {
    const auto b = DecodeAta(c);
    EXPECT_EQ(b.AtaFlags, flags);
    EXPECT_EQ(Bytes(b.CurrentTaskFile, b.CurrentTaskFile + 7), taskFile);
    EXPECT_EQ(b.DataTransferLength, length);
    if (written != nullptr && b.DataBuffer != nullptr) {
      const auto* p = static_cast<const uint8_t*>(b.DataBuffer);
      written->assign(p, p + b.DataTransferLength);
    }
  });
  s.Respond([reply](OsCall& c) {
    if (reply.fail) return false;
    auto b = DecodeAta(c);
    b.CurrentTaskFile[os::kTaskFileFeatures] = reply.error;
    b.CurrentTaskFile[os::kTaskFileCommand] = reply.status;
    if (reply.count >= 0) b.CurrentTaskFile[os::kTaskFileCount] = static_cast<uint8_t>(reply.count);
    if (!reply.data.empty() && b.DataBuffer != nullptr)
      std::memcpy(b.DataBuffer, reply.data.data(),
                  std::min<size_t>(reply.data.size(), b.DataTransferLength));
    std::memcpy(c.out.data(), &b, sizeof b);
    c.outLength = sizeof b;
    return true;
  });
  if (reply.fail) s.error = os::ERROR_IO_DEVICE;
  return s;
}

// READ DMA (flags 0x13) and WRITE DMA (flags 0x15) with hand-written task files.
inline Step& ReadDma(ScriptedOs& sos, Bytes taskFile, Bytes data, bool fail = false) {
  const uint32_t length = taskFile[1] * 512u;
  AtaReply r;
  r.data = std::move(data);
  r.fail = fail;
  return ExpectAta(sos, 0x13, std::move(taskFile), length, r);
}
inline Step& WriteDma(ScriptedOs& sos, Bytes taskFile, Bytes* written, bool fail = false) {
  const uint32_t length = taskFile[1] * 512u;
  AtaReply r;
  r.fail = fail;
  return ExpectAta(sos, 0x15, std::move(taskFile), length, r, written);
}

// The task files of the reserved LBAs, one sector each.
inline Bytes ReadAt0xAA() { return {0x00, 0x01, 0xAA, 0x00, 0x00, 0xE0, 0xC8}; }
inline Bytes ReadAt0xAA00() { return {0x00, 0x01, 0x00, 0xAA, 0x00, 0xE0, 0xC8}; }
inline Bytes ReadAt0x55() { return {0x00, 0x01, 0x55, 0x00, 0x00, 0xE0, 0xC8}; }
inline Bytes ReadAt0x5500() { return {0x00, 0x01, 0x00, 0x55, 0x00, 0xE0, 0xC8}; }
inline Bytes ReadAt0x55AA() { return {0x00, 0x01, 0xAA, 0x55, 0x00, 0xE0, 0xC8}; }
inline Bytes ReadAt0x789() { return {0x00, 0x01, 0x89, 0x07, 0x00, 0xE0, 0xC8}; }
inline Bytes ReadAt0x1234() { return {0x00, 0x01, 0x34, 0x12, 0x00, 0xE0, 0xC8}; }
inline Bytes WriteAt0x55AA() { return {0x00, 0x01, 0xAA, 0x55, 0x00, 0xE0, 0xCA}; }
inline Bytes WriteAt0x789() { return {0x00, 0x01, 0x89, 0x07, 0x00, 0xE0, 0xCA}; }

// The five detect reads, the last answering `modeSector`.
inline void ExpectDetect(ScriptedOs& sos, const Bytes& modeSector) {
  ReadDma(sos, ReadAt0xAA(), Sector(0));
  ReadDma(sos, ReadAt0xAA00(), Sector(0));
  ReadDma(sos, ReadAt0x55(), Sector(0));
  ReadDma(sos, ReadAt0x5500(), Sector(0));
  ReadDma(sos, ReadAt0x55AA(), modeSector);
}

// A mode sector of normal firmware on a VK4620XT.
inline Bytes Vk4620ModeSector() { return SectorWith(46, "VK4620XT"); }

// --- SCSI pass-through ------------------------------------------------------------

struct ScsiReply {
  bool fail = false;
  uint8_t status = 0;  // SCSI status; 2 = CHECK CONDITION with the sense below
  Bytes sense;
  Bytes data;
};

inline os::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER DecodeSptd(const OsCall& c) {
  os::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER r{};
  EXPECT_EQ(c.in.size(), sizeof r);
  if (c.in.size() >= sizeof r) std::memcpy(&r, c.in.data(), sizeof r);
  return r;
}

// One SCSI pass-through with exactly this CDB, direction and length.
inline Step& ExpectScsi(ScriptedOs& sos, Bytes cdb, uint8_t dataIn, uint32_t length,
                        ScsiReply reply = {}, Bytes* written = nullptr) {
  Step& s = sos.ExpectIoctl(os::IOCTL_SCSI_PASS_THROUGH_DIRECT).On(Handle());
  s.Check([cdb, dataIn, length, written](const OsCall& c) {
    const auto r = DecodeSptd(c);
    EXPECT_EQ(r.sptd.CdbLength, cdb.size());
    EXPECT_EQ(Bytes(r.sptd.Cdb, r.sptd.Cdb + cdb.size()), cdb);
    EXPECT_EQ(r.sptd.DataIn, dataIn);
    EXPECT_EQ(r.sptd.DataTransferLength, length);
    if (written != nullptr && r.sptd.DataBuffer != nullptr) {
      const auto* p = static_cast<const uint8_t*>(r.sptd.DataBuffer);
      written->assign(p, p + r.sptd.DataTransferLength);
    }
  });
  s.Respond([reply](OsCall& c) {
    if (reply.fail) return false;
    auto r = DecodeSptd(c);
    r.sptd.ScsiStatus = reply.status;
    std::copy_n(reply.sense.begin(), std::min(reply.sense.size(), sizeof r.ucSenseBuf),
                r.ucSenseBuf);
    if (!reply.data.empty() && r.sptd.DataBuffer != nullptr)
      std::memcpy(r.sptd.DataBuffer, reply.data.data(),
                  std::min<size_t>(reply.data.size(), r.sptd.DataTransferLength));
    std::memcpy(c.out.data(), &r, sizeof r);
    c.outLength = sizeof r;
    return true;
  });
  if (reply.fail) s.error = os::ERROR_IO_DEVICE;
  return s;
}

inline ScsiReply ScsiData(Bytes data) {
  ScsiReply r;
  r.data = std::move(data);
  return r;
}
inline ScsiReply ScsiFail() {
  ScsiReply r;
  r.fail = true;
  return r;
}

// CHECK CONDITION with fixed-format sense (not an ATA status return).
inline ScsiReply CheckCondition() {
  ScsiReply r;
  r.status = 2;
  r.sense = Bytes(18, 0);
  r.sense[0] = 0x70;
  r.sense[2] = 0x02;  // NOT READY
  return r;
}

// --- NVMe miniport pass-through ------------------------------------------------------

struct MiniportSeen {
  uint32_t dw[16] = {};
  std::string signature;
  uint32_t controlCode = 0;
  uint32_t direction = 0;
  Bytes data;  // data area as sent
};

struct MiniportReply {
  bool fail = false;
  uint32_t dw0 = 0;
  uint32_t dw3 = 0;
  Bytes data;  // copied into the data area of the reply
};

// One IOCTL_SCSI_MINIPORT request; what it carried goes into `seen`.
inline Step& ExpectMiniport(ScriptedOs& sos, MiniportSeen* seen, MiniportReply reply = {}) {
  using Ioctl = os::NVME_PASS_THROUGH_IOCTL;
  Step& s = sos.ExpectIoctl(os::IOCTL_SCSI_MINIPORT).On(Handle());
  s.Check([seen](const OsCall& c) {
    ASSERT_GE(c.in.size(), os::kNvmePassThroughHeaderSize);
    const uint8_t* p = c.in.data();
    for (int i = 0; i < 16; ++i) std::memcpy(&seen->dw[i], p + offsetof(Ioctl, NVMeCmd) + 4 * i, 4);
    seen->signature.assign(
        reinterpret_cast<const char*>(p + offsetof(os::SRB_IO_CONTROL, Signature)), 8);
    std::memcpy(&seen->controlCode, p + offsetof(os::SRB_IO_CONTROL, ControlCode), 4);
    std::memcpy(&seen->direction, p + offsetof(Ioctl, Direction), 4);
    seen->data.assign(p + os::kNvmePassThroughHeaderSize, p + c.in.size());
  });
  s.Respond([reply](OsCall& c) {
    if (reply.fail) return false;
    uint8_t* p = c.out.data();
    std::memcpy(p + offsetof(Ioctl, CplEntry), &reply.dw0, 4);
    std::memcpy(p + offsetof(Ioctl, CplEntry) + 12, &reply.dw3, 4);
    const size_t room = c.out.size() - os::kNvmePassThroughHeaderSize;
    std::copy_n(reply.data.begin(), std::min(room, reply.data.size()),
                p + os::kNvmePassThroughHeaderSize);
    c.outLength = static_cast<os::DWORD>(c.out.size());
    return true;
  });
  if (reply.fail) s.error = os::ERROR_IO_DEVICE;
  return s;
}

// Completion DW3 with a status code and status code type.
inline uint32_t Status(uint32_t sc, uint32_t sct) { return sc << 17 | sct << 25; }

}  // namespace vendortest
