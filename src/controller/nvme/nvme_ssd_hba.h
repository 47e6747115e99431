#pragma once
// NVMeSsdHba: the NVMe counterpart of the SATA vendor object, bound to one
// NVMe StorageDevice (native, miniport or USB bridge). It sends admin and
// vendor commands through the device layer's NVMe dispatcher and keeps the
// status of the last completion; it also carries the miniport's vendor
// control requests and SCSI sector reads and writes.
//
// One of the two bases of the application's per-device class (the other is
// controller::VkmSsdHba). Attach has the same signature in both bases, so the
// derived class's single Attach overrides both; it calls VK4630::Attach or
// VK4540LT::Attach explicitly by access path.
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "device/core/open_scope.h"
#include "device/core/storage_device.h"
#include "device/nvme/nvme_command_record.h"
#include "platform/nvme_command.h"

namespace controller {

// Result codes of the NVMe operations.
inline constexpr int kNvmeOk = 0;
inline constexpr int kNvmeBadParameter = -1;  // also: a vendor command's non-success status
inline constexpr int kNvmeNoBuffer = -2;
inline constexpr int kNvmeRequestFailed = -3;
inline constexpr int kNvmeOpenFailed = -12;
inline constexpr int kNvmeStatusError = -127;  // non-zero status, or a failed sector transfer
inline constexpr int kNvmeNoMemory = 128;      // vendor commands and control requests

// Admin opcodes.

// Status code type 7 (vendor specific) with status code 0xC0: the
// controller's own "done" for vendor commands.
inline constexpr uint16_t kNvmeSctVendor = 7;
inline constexpr uint16_t kNvmeScVendorDone = 0xC0;

// Control codes of the miniport's vendor control requests.
inline constexpr uint32_t kCtrlLocationQuery = 0xE0001C00u;
inline constexpr uint32_t kCtrlEnableIdentify = 0xE0001C14u;
inline constexpr uint32_t kCtrlPciIdentifier = 0xE0001C28u;

inline constexpr uint32_t kNvmeIdentifyBytes = 4096;
inline constexpr size_t kNvmeCommandImageSize = os::kNvmeSubmissionEntrySize;
using NvmeCommandImage = std::array<uint8_t, kNvmeCommandImageSize>;

class NVMeSsdHba {
 public:
  NVMeSsdHba() = default;
  virtual ~NVMeSsdHba() = default;
  NVMeSsdHba(const NVMeSsdHba&) = delete;
  NVMeSsdHba& operator=(const NVMeSsdHba&) = delete;

  // Slot 0: attach by vendor read. Returns the ready flag.
  virtual bool Attach(device::StorageDevice* dev) = 0;

  // Sends the record through the dispatcher and keeps status code, status
  // code type, DW0 and DW3 of the completion (status code type 7, code, DW0
  // and DW3 0 when the request failed). Returns the dispatcher's result.
  bool Execute(device::NvmeCommandRecord& record, uint32_t dataLength, uint32_t metadataLength,
               bool admin, bool force);
  uint16_t StatusCode() const { return lastStatusCode_; }
  uint16_t StatusCodeType() const { return lastStatusCodeType_; }
  uint32_t CompletionDw0() const { return lastDw0_; }
  // The whole DW3, with the More and Do Not Retry bits of the status.
  uint32_t CompletionDw3() const { return lastDw3_; }

  // Identify Controller (controller true, NSID 0) or Identify Namespace
  // `nsid`: 4096 bytes into `out` (up to its size). True only when the command
  // completed with status 0; then the object records the identity strings
  // (controller) or capacity, size and EUI64 (namespace).
  bool Identify(std::span<uint8_t> out, uint32_t nsid, bool controller);
  // Get Log Page of out.size() bytes (a multiple of 4). 0; -3 failed; -127
  // non-zero status; -2 no buffer; -1 a length that is no multiple of 4 or
  // no memory.
  int GetLogPage(std::span<uint8_t> out, uint8_t lid, uint8_t lsp, uint32_t nsid, uint32_t cdw12,
                 uint32_t cdw13);
  // Firmware Image Download of `image` at byte `offset` (both multiples of
  // 4). 0; -3; -127; -2 empty image; -1 misaligned size or offset, no memory.
  int FirmwareImageDownload(std::span<const uint8_t> image, uint32_t offset);
  // Firmware Commit. 0; -3; -127 for any non-zero status (also the ones that
  // ask for a reset); -1 when action or slot is above 7.
  int FirmwareCommit(uint32_t action, uint32_t slot, bool bootPartition);
  // A vendor admin command: CDW0, NSID and CDW10..CDW15 from `command`; the
  // data goes out or comes in by the opcode's direction bits. 0 for status 0
  // or status 0xC0 of type 7; -1 other status; -3 failed; 128 no memory.
  int VendorCommand(const NvmeCommandImage& command, std::span<uint8_t> data);
  // A "VkmCtrl " control request: `data` goes in and comes back. The
  // location query is answered from the device record (native NVMe) or the
  // bridge's location code (bridge; -3 when that is 0); other codes on
  // native or bridge drives return 0 unsent, as only miniports answer them.
  // 0; -3 failed; -2 no room for the location; 128 no memory.
  int ControlRequest(std::span<uint8_t> data, uint32_t controlCode);
  // Where a USB-to-NVMe bridge sits: port, hub port count and hub number,
  // with the bridge's slot from its GPIO answer on a recognised hub (0xFF
  // otherwise) in the top byte. Non-zero is success.
  uint32_t BridgeLocationCode();

  // SCSI READ(10) / WRITE(10), opening a closed handle with force for the
  // transfer: 0, -127 failed, -12 not opened.
  int ReadSectors(uint32_t lba, uint32_t count, std::span<uint8_t> buffer);
  int WriteSectors(uint32_t lba, uint32_t count, std::span<const uint8_t> buffer);

  // --- Forwarding to the bound drive ---
  device::UsbLocationRecord UsbInfo() const;
  bool SmartEnableOperations();
  bool SmartReadData(std::span<uint8_t> out);
  bool IsOpen() const { return device_ != nullptr && device_->IsOpen(); }
  void Close();

  // --- State ---
  device::StorageDevice* Device() const { return device_; }
  bool Ready() const { return ready_ != 0; }
  uint64_t NamespaceCapacity() const { return nsCapacity_; }
  uint64_t NamespaceSize() const { return nsSize_; }
  uint32_t PathMarker() const { return pathMarker_; }
  std::string Serial() const { return Text(serial_); }
  std::string Model() const { return Text(model_); }
  std::string FirmwareRevision() const { return Text(firmware_); }
  std::string DisplayName() const { return Text(displayName_); }
  std::array<uint8_t, 4> PciVendorIds() const { return pciVendorIds_; }
  std::array<uint8_t, 8> Eui64() const { return eui64_; }
  uint32_t Adapter() const { return adapter_; }
  uint32_t Target() const { return target_; }
  uint32_t Lun() const { return lun_; }

 protected:
  template <size_t N>
  static std::string Text(const char (&field)[N]) {
    size_t n = 0;
    while (n < N && field[n] != '\0') ++n;
    return std::string(field, n);
  }
  // After an attach test: ready or not, with the fields that go with it.
  void FinishAttach(bool ready);
  // Opens a closed handle for the attach test the way the drive's path wants
  // it (reopen with force for native and bridge drives, the port for
  // miniports), closing on scope exit what it opened.
  device::OpenScope OpenForAttach();
  // Result of a vendor command's completion as the callers read it.
  int VendorResult(bool sent) const;

  // --- Fields, in the product's order ---
  device::StorageDevice* device_ = nullptr;
  uint64_t nsCapacity_ = 0;
  uint64_t nsSize_ = 0;
  uint32_t pathMarker_ = 0;
  uint8_t ready_ = 0;
  char serial_[32] = {};
  char model_[64] = {};
  char firmware_[16] = {};
  char displayName_[50] = {};
  std::array<uint8_t, 4> pciVendorIds_ = {};
  std::array<uint8_t, 8> eui64_ = {};
  uint32_t adapter_ = 0;
  uint32_t target_ = 0;
  uint32_t lun_ = 0;
  uint16_t lastStatusCode_ = 0;
  uint16_t lastStatusCodeType_ = 0;
  uint32_t lastDw0_ = 0;
  uint32_t lastDw3_ = 0;
};

}  // namespace controller
