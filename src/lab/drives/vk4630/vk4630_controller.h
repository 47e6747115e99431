#pragma once
// An NVMe SSD on the VK4630 controller: admin commands (Identify, Get Log Page,
// Get/Set Features, Firmware Image Download and Commit, Format NVM, the vendor
// no-data command C0h and vendor read C2h), I/O reads and writes on namespace
// 1, and the vendor control requests the maker's miniport hands on.
//
// Vendor commands:
//   C2h  vendor read: CDW10 = length in dwords, CDW12 = 40h, CDW13 = page.
//        2048-byte pages; controller name at byte 496; byte 4 non-zero when a
//        further page follows (page 1).
//   C0h  vendor no-data command: CDW12 = 1 (flush the controller's tables);
//        CDW13 = 1 also flushes the SMART counters and completes with the
//        vendor status C0h (type 7), meaning "accepted, finishing in the
//        background".
// Control requests ("VkmCtrl "):
//   E0001C14h  wake-up; no data
//   E0001C28h  PCI identifier: dword 0 = device id << 16 | vendor id, dword 1
//              the same for the subsystem
//   E0001C00h  location: dword 0 = MiniportLocation
//
// Building the controller is a power-on, which, like ControllerReset, starts
// the firmware of a slot committed for activation at reset. A drive built
// without saved state takes its slots from lab.ini (Slot1..Slot7, ActiveSlot,
// NextSlot) as the tool first finds it: a slot staged for the next reset is
// still waiting after that first power-on.
//
// With ActivationSilenceMs and a clock, a commit that activates at once is
// followed by that long without any answer (commands and control requests),
// as the controller restarts on the new image.
#include <functional>
#include <memory>
#include <vector>

#include "lab/core/device_interfaces.h"
#include "lab/drives/drive_state.h"
#include "lab/drives/vk4630/nvme_firmware.h"
#include "lab/drives/vk4630/nvme_pages.h"
#include "lab/drives/vk4630/vk4630_settings.h"
#include "lab/faults/fault_list.h"
#include "platform/virtual_clock.h"

namespace lab::drives {

namespace nvme {
inline constexpr uint8_t kGetLogPage = 0x02;
inline constexpr uint8_t kIdentify = 0x06;
inline constexpr uint8_t kSetFeatures = 0x09;
inline constexpr uint8_t kGetFeatures = 0x0A;
inline constexpr uint8_t kFirmwareCommit = 0x10;
inline constexpr uint8_t kFirmwareDownload = 0x11;
inline constexpr uint8_t kFormatNvm = 0x80;
inline constexpr uint8_t kVendorNoData = 0xC0;
inline constexpr uint8_t kVendorRead = 0xC2;
inline constexpr uint8_t kFlush = 0x00;
inline constexpr uint8_t kWrite = 0x01;
inline constexpr uint8_t kRead = 0x02;
inline constexpr uint8_t kWriteZeroes = 0x08;
inline constexpr uint8_t kDatasetManagement = 0x09;
inline constexpr uint8_t kLogError = 0x01;
inline constexpr uint8_t kLogHealth = 0x02;
inline constexpr uint8_t kLogFirmwareSlot = 0x03;
inline constexpr uint32_t kCtrlWakeUp = 0xE0001C14;
inline constexpr uint32_t kCtrlPciId = 0xE0001C28;
inline constexpr uint32_t kCtrlLocation = 0xE0001C00;
inline constexpr uint32_t kVendorReadTag = 0x40;
}  // namespace nvme

class Vk4630Controller : public NvmeController {
 public:
  // `clock` (optional) times the silence after an immediate activation.
  Vk4630Controller(Vk4630Settings settings, std::shared_ptr<Media> media, DriveState state,
                   const os::VirtualClock* clock = nullptr);
  Vk4630Controller(const Vk4630Controller&) = delete;
  Vk4630Controller& operator=(const Vk4630Controller&) = delete;

  NvmeCompletion ExecuteNvme(NvmeSubmission& command) override;
  bool HandleControlRequest(uint32_t controlCode, std::span<uint8_t> data) override;
  bool AttachNamespace(std::shared_ptr<Media> media) override;
  // A controller reset by the host: a slot committed for activation at reset
  // starts running.
  void ControllerReset();

  // Without power every command and request goes unanswered. PowerOff(true) is
  // a loss of power (an unsafe shutdown).
  void PowerOff(bool unsafe);
  void PowerOn();
  bool Powered() const { return powered_; }

  const DriveState& State() const { return state_; }
  void SetStateListener(std::function<void(const DriveState&)> listener);
  const Vk4630Settings& Settings() const { return settings_; }
  std::vector<uint8_t> IdentifyController() const;

 private:
  NvmeStatus Admin(NvmeSubmission& c, uint32_t& dw0);
  NvmeStatus Io(NvmeSubmission& c);
  NvmeStatus Identify(NvmeSubmission& c);
  NvmeStatus GetLogPage(NvmeSubmission& c);
  NvmeStatus Features(NvmeSubmission& c, uint32_t& dw0);
  NvmeStatus FirmwareDownload(NvmeSubmission& c, bool& powerLost);
  NvmeStatus FirmwareCommit(NvmeSubmission& c);
  NvmeStatus FormatNvm(NvmeSubmission& c);
  NvmeStatus VendorRead(NvmeSubmission& c);
  NvmeStatus VendorNoData(NvmeSubmission& c);
  // The media of namespace `nsid` (1 is the controller's own); null for an
  // id the controller does not have.
  Media* NamespaceMedia(uint32_t nsid) const;
  NvmeRuntimeFacts Facts(uint32_t nsid = 1) const;
  void Notify();
  void RecordError(const NvmeSubmission& c, NvmeStatus status);
  // Restarting on newly activated firmware: nothing is answered.
  bool Silent() const;

  Vk4630Settings settings_;
  std::shared_ptr<Media> media_;
  std::vector<std::shared_ptr<Media>> moreNamespaces_;  // namespaces 2, 3, ...
  bool factoryFresh_ = false;  // built without saved state
  DriveState state_;
  NvmeFirmwareSlots slots_;
  FaultCounter faults_;
  std::function<void(const DriveState&)> listener_;
  bool powered_ = false;
  const os::VirtualClock* clock_ = nullptr;
  uint64_t silentUntilMs_ = 0;
  uint32_t downloads_ = 0;  // Firmware Image Download commands since the drive was built
  uint64_t hostReads_ = 0;
  uint64_t hostWrites_ = 0;
  uint64_t errorCount_ = 0;
  std::vector<NvmeErrorEntry> errors_;  // newest first
};

}  // namespace lab::drives
