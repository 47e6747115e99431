#pragma once
// Expected storage requests on the scripted OS, one helper per request
// family: drive opens, SCSI pass-through, ATA pass-through and the NVMe
// miniport record. Each checks the request byte for byte against values the
// test writes out by hand and answers with a canned reply.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/ata_pass_through.h"
#include "platform/nvme_pass_through.h"
#include "platform/scsi_pass_through.h"
#include "platform/win_file.h"
#include "support/scripted_os.h"

namespace testsupport {

using Bytes = std::vector<uint8_t>;

inline os::HANDLE H(uintptr_t v) { return ScriptedOs::H(v); }
inline Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A drive opened as the device layer opens it: read/write, shared
// read/write, open existing, no flags.
inline Step& ExpectDriveOpen(ScriptedOs& sos, const std::string& path, os::HANDLE h) {
  return sos.ExpectOpen(path, h).Check([](const OsCall& c) {
    EXPECT_EQ(c.code, os::GENERIC_READ | os::GENERIC_WRITE);
    EXPECT_EQ(c.share, os::FILE_SHARE_READ | os::FILE_SHARE_WRITE);
    EXPECT_EQ(c.disposition, os::OPEN_EXISTING);
    EXPECT_EQ(c.flags, 0u);
  });
}

// Copies the request of a METHOD_BUFFERED pass-through out of the call.
template <typename Request>
Request DecodeRequest(const OsCall& c) {
  Request r{};
  EXPECT_EQ(c.in.size(), sizeof r);
  if (c.in.size() >= sizeof r) std::memcpy(&r, c.in.data(), sizeof r);
  return r;
}

// Copies `reply` into the data buffer a request points at, at most `length`.
inline void FillData(void* buffer, uint32_t length, const Bytes& reply) {
  if (!reply.empty() && buffer != nullptr)
    std::memcpy(buffer, reply.data(), std::min<size_t>(reply.size(), length));
}

// Captures the data a data-out request carried.
inline void CaptureData(Bytes* sink, const void* buffer, uint32_t length) {
  const auto* p = static_cast<const uint8_t*>(buffer);
  sink->assign(p, p + (p != nullptr ? length : 0));
}

// --- SCSI pass-through ------------------------------------------------------------

struct ScsiReply {
  uint8_t status = 0;  // SCSI status; 2 = CHECK CONDITION with the sense below
  Bytes sense;         // copied into the sense buffer
  Bytes data;          // copied into the data buffer (data in)
  bool fail = false;   // the request itself fails with `error`
  os::DWORD error = os::ERROR_IO_DEVICE;
};

inline ScsiReply Good(Bytes data = {}) {
  ScsiReply r;
  r.data = std::move(data);
  return r;
}
inline ScsiReply CheckCondition(Bytes sense, Bytes data = {}) {
  ScsiReply r;
  r.status = 2;
  r.sense = std::move(sense);
  r.data = std::move(data);
  return r;
}
// CHECK CONDITION with fixed-format sense NOT READY (no ATA registers).
inline ScsiReply NotReady() {
  Bytes sense(18, 0);
  sense[0] = 0x70;
  sense[2] = 0x02;
  return CheckCondition(std::move(sense));
}
inline ScsiReply WithStatus(uint8_t status) {
  ScsiReply r;
  r.status = status;
  return r;
}
inline ScsiReply DriverError(os::DWORD error = os::ERROR_IO_DEVICE) {
  ScsiReply r;
  r.fail = true;
  r.error = error;
  return r;
}

inline os::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER DecodeSptd(const OsCall& c) {
  return DecodeRequest<os::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER>(c);
}

using SptdCheck = std::function<void(const os::SCSI_PASS_THROUGH_DIRECT&)>;

// One SCSI pass-through on `h` whose CDB must be `cdb` (the rest of the 16
// bytes zero), with the data direction and length given.
inline Step& ExpectScsi(ScriptedOs& sos, os::HANDLE h, Bytes cdb, uint8_t dataIn, uint32_t length,
                        ScsiReply reply = {}, SptdCheck more = {}) {
  Step& s = sos.ExpectIoctl(os::IOCTL_SCSI_PASS_THROUGH_DIRECT).On(h);
  s.Check([cdb, dataIn, length, more](const OsCall& c) {
    const auto r = DecodeSptd(c);
    EXPECT_EQ(r.sptd.CdbLength, cdb.size());
    Bytes full(16, 0);
    std::copy(cdb.begin(), cdb.end(), full.begin());
    EXPECT_EQ(Bytes(r.sptd.Cdb, r.sptd.Cdb + 16), full);
    EXPECT_EQ(r.sptd.DataIn, dataIn);
    EXPECT_EQ(r.sptd.DataTransferLength, length);
    if (more) more(r.sptd);
  });
  s.Respond([reply](OsCall& c) {
    if (reply.fail) return false;
    auto r = DecodeSptd(c);
    r.sptd.ScsiStatus = reply.status;
    std::copy_n(reply.sense.begin(), std::min(reply.sense.size(), sizeof r.ucSenseBuf),
                r.ucSenseBuf);
    FillData(r.sptd.DataBuffer, r.sptd.DataTransferLength, reply.data);
    std::memcpy(c.out.data(), &r, sizeof r);
    c.outLength = sizeof r;
    return true;
  });
  if (reply.fail) s.error = reply.error;
  return s;
}

// Data written by a data-out SCSI request, captured for the test to check.
inline SptdCheck CaptureOut(Bytes* sink) {
  if (sink == nullptr) return {};
  return [sink](const os::SCSI_PASS_THROUGH_DIRECT& s) {
    CaptureData(sink, s.DataBuffer, s.DataTransferLength);
  };
}

// Descriptor-format sense with an ATA Status Return descriptor.
inline Bytes AtaReturnSense(uint8_t error, uint8_t count, uint8_t device, uint8_t status) {
  Bytes s(32, 0);
  s[0] = 0x72;
  s[7] = 14;
  s[8] = 0x09;
  s[9] = 0x0C;
  s[11] = error;
  s[13] = count;
  s[20] = device;
  s[21] = status;
  return s;
}

// --- ATA pass-through ------------------------------------------------------------

struct AtaReply {
  uint8_t status = 0x50;  // returned status register
  uint8_t error = 0;
  int count = -1;     // returned count register; -1 leaves the sent value
  Bytes data;         // data in
  bool fail = false;  // the request itself fails
};
inline AtaReply AtaGood(Bytes data = {}) {
  AtaReply r;
  r.data = std::move(data);
  return r;
}
inline AtaReply AtaStatus(uint8_t status, uint8_t error) {
  AtaReply r;
  r.status = status;
  r.error = error;
  return r;
}
inline AtaReply AtaFailed() {
  AtaReply r;
  r.fail = true;
  return r;
}

inline os::ATA_PASS_THROUGH_DIRECT DecodeAta(const OsCall& c) {
  return DecodeRequest<os::ATA_PASS_THROUGH_DIRECT>(c);
}

using AtaCheck = std::function<void(const os::ATA_PASS_THROUGH_DIRECT&)>;

// One direct ATA pass-through on `h`: AtaFlags, the seven current task-file
// bytes (features, count, LBA low, mid, high, device, command) and the
// transfer length; the data buffer must be 16-byte aligned.
inline Step& ExpectAta(ScriptedOs& sos, os::HANDLE h, uint16_t flags, Bytes taskFile,
                       uint32_t length, AtaReply reply = {}, AtaCheck more = {}) {
  Step& s = sos.ExpectIoctl(os::IOCTL_ATA_PASS_THROUGH_DIRECT).On(h);
  s.Check([flags, taskFile, length, more](const OsCall& c) {
    const auto b = DecodeAta(c);
    EXPECT_EQ(b.Length, sizeof(os::ATA_PASS_THROUGH_DIRECT));
    EXPECT_EQ(b.AtaFlags, flags);
    EXPECT_EQ(Bytes(b.CurrentTaskFile, b.CurrentTaskFile + 7), taskFile);
    EXPECT_EQ(b.DataTransferLength, length);
    if (length > 0) {
      EXPECT_NE(b.DataBuffer, nullptr);
      EXPECT_EQ(os::HandleValue(b.DataBuffer) % 16, 0u) << "data buffer not 16-byte aligned";
    }
    if (more) more(b);
  });
  s.Respond([reply](OsCall& c) {
    if (reply.fail) return false;
    auto b = DecodeAta(c);
    b.CurrentTaskFile[os::kTaskFileFeatures] = reply.error;
    b.CurrentTaskFile[os::kTaskFileCommand] = reply.status;
    if (reply.count >= 0) b.CurrentTaskFile[os::kTaskFileCount] = static_cast<uint8_t>(reply.count);
    FillData(b.DataBuffer, b.DataTransferLength, reply.data);
    std::memcpy(c.out.data(), &b, sizeof b);
    c.outLength = sizeof b;
    return true;
  });
  if (reply.fail) s.error = os::ERROR_IO_DEVICE;
  return s;
}

// Data written by a data-out ATA request, captured for the test to check.
inline AtaCheck CaptureAtaOut(Bytes* sink) {
  if (sink == nullptr) return {};
  return [sink](const os::ATA_PASS_THROUGH_DIRECT& b) {
    CaptureData(sink, b.DataBuffer, b.DataTransferLength);
  };
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

// One IOCTL_SCSI_MINIPORT request on `h`; what it carried goes into `seen`.
inline Step& ExpectMiniport(ScriptedOs& sos, os::HANDLE h, MiniportSeen* seen,
                            MiniportReply reply = {}) {
  using Ioctl = os::NVME_PASS_THROUGH_IOCTL;
  Step& s = sos.ExpectIoctl(os::IOCTL_SCSI_MINIPORT).On(h);
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
inline uint32_t NvmeStatus(uint32_t sc, uint32_t sct) { return sc << 17 | sct << 25; }

}  // namespace testsupport
