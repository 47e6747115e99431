#pragma once
// A lab folder with the real drive models, opened and restarted as the tool
// does, and the two raw paths to its drives: ATA task files through ATA
// pass-through on a SATA disk, NVMe submissions through the maker's miniport.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "lab/demo/open_lab.h"
#include "lab/support/requests.h"
#include "platform/nvme_pass_through.h"
#include "support/temp_dir.h"

namespace labtest {

class LabFolder {
 public:
  explicit LabFolder(const std::string& ini) {
    dir_.Write("lab/lab.ini", ini);
    Restart();
  }
  // Ends the run (every handle closed) and starts the tool again: the
  // machine's power-on.
  void Restart() {
    os_.reset();
    std::string error;
    os_ = lab::OpenLab(dir_.Str() + "/lab", lab::DefaultDriveFactory(), error);
    ASSERT_TRUE(os_) << error;
  }
  // Replaces lab.ini (a fault switch added or removed) before a restart.
  void Rewrite(const std::string& ini) { dir_.Write("lab/lab.ini", ini); }
  lab::LabOs& Os() { return *os_; }
  std::string Path(const std::string& rel) const { return dir_.Str() + "/lab/" + rel; }

 private:
  testsupport::TempDir dir_;
  std::unique_ptr<lab::LabOs> os_;
};

struct TaskFile {
  uint8_t features = 0, count = 0, lbaLow = 0, lbaMid = 0, lbaHigh = 0, device = 0xE0, command = 0;
};

struct AtaOutcome {
  bool ok = false;  // the request itself
  TaskFile regs;    // status in `command`, error in `features`
  bool Good() const { return ok && (regs.command & 0x01) == 0; }
};

// One 28-bit ATA_PASS_THROUGH_DIRECT request; `data` goes out when `out`.
inline AtaOutcome SendAta(os::Os& o, os::HANDLE h, const TaskFile& tf, std::vector<uint8_t>& data,
                          bool out = true) {
  os::ATA_PASS_THROUGH_DIRECT apt{};
  apt.Length = sizeof apt;
  apt.AtaFlags = data.empty() ? 0 : (out ? os::ATA_FLAGS_DATA_OUT : os::ATA_FLAGS_DATA_IN);
  apt.DataTransferLength = static_cast<uint32_t>(data.size());
  apt.TimeOutValue = 10;
  apt.DataBuffer = data.empty() ? nullptr : data.data();
  os::UCHAR* c = apt.CurrentTaskFile;
  c[os::kTaskFileFeatures] = tf.features;
  c[os::kTaskFileCount] = tf.count;
  c[os::kTaskFileLbaLow] = tf.lbaLow;
  c[os::kTaskFileLbaMid] = tf.lbaMid;
  c[os::kTaskFileLbaHigh] = tf.lbaHigh;
  c[os::kTaskFileDevice] = tf.device;
  c[os::kTaskFileCommand] = tf.command;
  AtaOutcome r;
  os::DWORD bytes = 0;
  r.ok = o.DeviceIoControl(h, os::IOCTL_ATA_PASS_THROUGH_DIRECT, &apt, sizeof apt, &apt, sizeof apt,
                           &bytes);
  r.regs = {c[os::kTaskFileFeatures], c[os::kTaskFileCount],   c[os::kTaskFileLbaLow],
            c[os::kTaskFileLbaMid],   c[os::kTaskFileLbaHigh], c[os::kTaskFileDevice],
            c[os::kTaskFileCommand]};
  return r;
}

inline std::vector<uint8_t> AtaIdentify(os::Os& o, os::HANDLE h) {
  std::vector<uint8_t> id(512, 0);
  TaskFile tf;
  tf.command = 0xEC;
  EXPECT_TRUE(SendAta(o, h, tf, id, false).Good());
  return id;
}

// IDENTIFY words as text, bytes of each word swapped.
inline std::string AtaString(const std::vector<uint8_t>& id, size_t word, size_t words) {
  std::string s;
  for (size_t i = 0; i < words; ++i) {
    s.push_back(static_cast<char>(id[2 * (word + i) + 1]));
    s.push_back(static_cast<char>(id[2 * (word + i)]));
  }
  return s;
}

struct NvmeOutcome {
  bool ok = false;  // the request itself
  uint32_t dw0 = 0;
  uint16_t status = 0;  // SCT << 8 | SC, as 0x10B
};

// One admin command through the "NvmeMini" pass-through of a SCSI port.
inline NvmeOutcome SendNvme(os::Os& o, os::HANDLE port, uint8_t opcode, uint32_t nsid,
                            std::array<uint32_t, 6> cdw, std::vector<uint8_t>& data,
                            os::ULONG direction) {
  constexpr size_t kHeader = os::kNvmePassThroughHeaderSize;
  std::vector<uint8_t> b(kHeader + data.size(), 0);
  os::SRB_IO_CONTROL srb{};
  srb.HeaderLength = sizeof srb;
  std::memcpy(srb.Signature, os::NVME_SIG_STR, 8);
  srb.Timeout = 10;
  srb.ControlCode = os::NVME_PASS_THROUGH_SRB_IO_CODE;
  srb.Length = static_cast<uint32_t>(b.size() - sizeof srb);
  std::memcpy(b.data(), &srb, sizeof srb);
  constexpr size_t kCmd = offsetof(os::NVME_PASS_THROUGH_IOCTL, NVMeCmd);
  common::WriteLe32(b, kCmd, opcode);
  common::WriteLe32(b, kCmd + 4, nsid);
  for (size_t i = 0; i < cdw.size(); ++i) common::WriteLe32(b, kCmd + 40 + 4 * i, cdw[i]);
  common::WriteLe32(b, offsetof(os::NVME_PASS_THROUGH_IOCTL, Direction), direction);
  common::WriteLe32(b, offsetof(os::NVME_PASS_THROUGH_IOCTL, DataBufferLen),
                    static_cast<uint32_t>(data.size()));
  std::copy(data.begin(), data.end(), b.begin() + kHeader);
  NvmeOutcome r;
  os::DWORD bytes = 0;
  r.ok =
      o.DeviceIoControl(port, os::IOCTL_SCSI_MINIPORT, b.data(), static_cast<os::DWORD>(b.size()),
                        b.data(), static_cast<os::DWORD>(b.size()), &bytes);
  constexpr size_t kCpl = offsetof(os::NVME_PASS_THROUGH_IOCTL, CplEntry);
  r.dw0 = common::ReadLe32(b, kCpl);
  const uint32_t dw3 = common::ReadLe32(b, kCpl + 12);
  r.status = static_cast<uint16_t>((dw3 >> 17) & 0x7FF);
  std::copy(b.begin() + kHeader, b.end(), data.begin());
  return r;
}

}  // namespace labtest
