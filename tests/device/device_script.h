#pragma once
// Script helpers for the device-layer tests: expected SCSI, ATA and opening
// requests on the scripted OS, each checked byte for byte against values
// written out by hand in the test.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/ata_pass_through.h"
#include "platform/scsi_pass_through.h"
#include "platform/win_file.h"
#include "support/scripted_os.h"

namespace devtest {

using Bytes = std::vector<uint8_t>;
using testsupport::OsCall;
using testsupport::ScriptedOs;
using testsupport::Step;

inline os::HANDLE H(uintptr_t v) { return ScriptedOs::H(v); }

// A drive open as the device layer does it: read/write, shared read/write,
// open existing, no flags.
inline Step& ExpectDriveOpen(ScriptedOs& sos, const std::string& path, os::HANDLE h) {
  return sos.ExpectOpen(path, h).Check([](const OsCall& c) {
    EXPECT_EQ(c.code, os::GENERIC_READ | os::GENERIC_WRITE);
    EXPECT_EQ(c.share, os::FILE_SHARE_READ | os::FILE_SHARE_WRITE);
    EXPECT_EQ(c.disposition, os::OPEN_EXISTING);
    EXPECT_EQ(c.flags, 0u);
  });
}

struct ScsiReply {
  uint8_t status = 0;
  Bytes sense;  // copied into the sense buffer on CHECK CONDITION
  Bytes data;   // copied into the data buffer (data in)
  bool fail = false;
  os::DWORD error = 0;
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
inline ScsiReply WithStatus(uint8_t status) {
  ScsiReply r;
  r.status = status;
  return r;
}
inline ScsiReply DriverError(os::DWORD error) {
  ScsiReply r;
  r.fail = true;
  r.error = error;
  return r;
}

inline os::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER DecodeSptd(const OsCall& c) {
  os::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER r{};
  EXPECT_EQ(c.in.size(), sizeof r);
  if (c.in.size() >= sizeof r) std::memcpy(&r, c.in.data(), sizeof r);
  return r;
}

// One SCSI pass-through whose CDB must be `cdb` (the rest of the 16 bytes
// zero), with the data direction and length given.
inline Step& ExpectScsi(ScriptedOs& sos, os::HANDLE h, Bytes cdb, uint8_t dataIn, uint32_t length,
                        ScsiReply reply = {},
                        std::function<void(const os::SCSI_PASS_THROUGH_DIRECT&)> more = {}) {
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
    if (!reply.sense.empty())
      std::memcpy(r.ucSenseBuf, reply.sense.data(),
                  std::min(reply.sense.size(), sizeof r.ucSenseBuf));
    if (!reply.data.empty() && r.sptd.DataBuffer != nullptr)
      std::memcpy(r.sptd.DataBuffer, reply.data.data(),
                  std::min<size_t>(reply.data.size(), r.sptd.DataTransferLength));
    std::memcpy(c.out.data(), &r, sizeof r);
    c.outLength = sizeof r;
    return true;
  });
  if (reply.fail) s.error = reply.error;
  return s;
}

// Data written by a data-out SCSI request, captured for the test to check.
inline std::function<void(const os::SCSI_PASS_THROUGH_DIRECT&)> CaptureOut(Bytes* sink) {
  return [sink](const os::SCSI_PASS_THROUGH_DIRECT& s) {
    const uint8_t* p = static_cast<const uint8_t*>(s.DataBuffer);
    sink->assign(p, p + (p ? s.DataTransferLength : 0));
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

struct AtaReply {
  uint8_t status = 0x50;
  uint8_t error = 0;
  Bytes data;
  bool fail = false;
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

inline os::ATA_PASS_THROUGH_DIRECT DecodeAta(const OsCall& c) {
  os::ATA_PASS_THROUGH_DIRECT b{};
  EXPECT_EQ(c.in.size(), sizeof b);
  if (c.in.size() >= sizeof b) std::memcpy(&b, c.in.data(), sizeof b);
  return b;
}

// One direct ATA pass-through with the given flags, current task file (the
// seven register bytes) and transfer length.
inline Step& ExpectAta(ScriptedOs& sos, os::HANDLE h, uint16_t flags, Bytes taskFile,
                       uint32_t length, AtaReply reply = {},
                       std::function<void(const os::ATA_PASS_THROUGH_DIRECT&)> more = {}) {
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
    b.CurrentTaskFile[0] = reply.error;
    b.CurrentTaskFile[6] = reply.status;
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

inline Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

}  // namespace devtest
