#pragma once
// A USB-to-NVMe bridge. Ordinary SCSI commands are translated to NVMe; the
// bridge's tunnel carries raw NVMe commands in WRITE/READ BUFFER (mode 0xFF):
//   buffer 0 (write): a 1024-byte packet, bytes 0..63 the submission entry,
//     64..67 the time-out, 68 the queue (0 admin, else I/O). A packet whose
//     submission entry is all zero is a GPIO query instead, byte 68 its index;
//   buffer 1: the data phase that runs the command (write for data to the
//     drive, read for data from it or for a command without data), or the
//     GPIO answer ("GPIO", a 32-bit value at byte 4, the bridge string at 13);
//   buffer 2 (read): the status block, "NVMe", byte 4 bit 0 set when a command
//     completed since the last packet, completion dwords 0..3 at bytes 8..23.
#include <array>
#include <memory>
#include <string>

#include "lab/bridges/nvme_scsi_translation.h"
#include "lab/core/device_interfaces.h"

namespace lab {

class UsbNvmeBridge : public ScsiTarget {
 public:
  struct Options {
    InquiryIdentity inquiry;
    std::string bridgeString;  // GPIO 7: the string the host takes as the USB serial token
    uint32_t slot = 0;         // GPIO 6: the tester slot the bridge sits in (7 bits)
    uint32_t ready = 1;        // GPIO 4
  };

  static constexpr size_t kPacketBytes = 1024;
  static constexpr uint8_t kTunnelMode = 0xFF;

  UsbNvmeBridge(std::unique_ptr<NvmeController> controller, Options options);
  ScsiResult ExecuteScsi(const ScsiCommand& command) override;
  NvmeController& Controller() { return *controller_; }

 private:
  enum class Pending { kNone, kCommand, kGpio };

  ScsiResult WriteBuffer(const ScsiCommand& command);
  ScsiResult ReadBuffer(const ScsiCommand& command);
  ScsiResult RunCommand(std::span<uint8_t> data, uint32_t transferBytes);
  std::vector<uint8_t> GpioAnswer() const;

  std::unique_ptr<NvmeController> controller_;
  Options options_;
  NvmeScsiTranslation translation_;
  Pending pending_ = Pending::kNone;
  std::array<uint8_t, kPacketBytes> packet_{};
  bool statusValid_ = false;
  NvmeCompletion last_;
};

}  // namespace lab
