#include "controller/nvme/nvme_ssd_hba.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "common/bytes.h"
#include "device/ata/ata_commands.h"
#include "device/core/identity_reader.h"
#include "device/core/open_scope.h"
#include "device/nvme/nvme_bridge_path.h"
#include "device/nvme/nvme_dispatch.h"
#include "device/scsi/scsi_commands.h"
#include "platform/nvme_command.h"
#include "controller/path_marker.h"

namespace controller {
namespace {

// Identify Controller fields.
constexpr size_t kIdVendorIds = 0;
// Identify Namespace fields.
constexpr size_t kNsSize = 0;
constexpr size_t kNsCapacity = 8;
constexpr size_t kNsEui64 = 120;

constexpr uint32_t kMaxCommitValue = 7;
constexpr uint32_t kCommitBootPartition = 0x80000000u;

constexpr uint32_t kBridgeRecognisedHub = 0x80000000u;
constexpr uint32_t kBridgeUnknownSlot = 0xFF000000u;
constexpr size_t kGpioSlotByte = 4;

// A zeroed record with room for `length` bytes of data, or none when memory
// is short.
std::unique_ptr<device::NvmeCommandRecord> NewRecord(uint32_t length) {
  try {
    return std::make_unique<device::NvmeCommandRecord>(length);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

template <size_t N>
void CopyText(char (&field)[N], const std::string& text) {
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

}  // namespace

bool NVMeSsdHba::Execute(device::NvmeCommandRecord& record, uint32_t dataLength,
                         uint32_t metadataLength, bool admin, bool force) {
  const bool ok = device_ != nullptr && device::ExecuteNvmeCommand(*device_, record, dataLength,
                                                                   metadataLength, admin, force);
  if (ok) {
    lastDw3_ = record.Completion(3);
    lastStatusCode_ = device::NvmeStatusCode(lastDw3_);
    lastStatusCodeType_ = device::NvmeStatusCodeType(lastDw3_);
    lastDw0_ = record.Completion(0);
  } else {
    // No completion came back: nothing of an earlier command may pass for
    // this one's status.
    lastDw3_ = 0;
    lastStatusCode_ = 0;
    lastStatusCodeType_ = kNvmeSctVendor;
    lastDw0_ = 0;
  }
  return ok;
}

// --- Admin commands ---------------------------------------------------------------

bool NVMeSsdHba::Identify(std::span<uint8_t> out, uint32_t nsid, bool controller) {
  auto record = NewRecord(kNvmeIdentifyBytes);
  if (!record) return false;
  record->SetOpcode(os::kNvmeAdminIdentify);
  if (controller) {
    record->SetDword(os::kNvmeCdw10, os::kNvmeCnsController);
    record->SetNsid(0);
  } else {
    record->SetNsid(nsid);
  }
  const bool ok = Execute(*record, kNvmeIdentifyBytes, 0, true, true);
  if (!ok || lastStatusCode_ != 0 || lastStatusCodeType_ != 0) return false;
  const std::span<const uint8_t> data = record->Data().first(kNvmeIdentifyBytes);
  std::copy_n(data.begin(), std::min(out.size(), data.size()), out.begin());
  if (controller) {
    std::copy_n(data.begin() + kIdVendorIds, pciVendorIds_.size(), pciVendorIds_.begin());
    const device::IdentityTexts ids = device::NvmeIdentityTexts(data);
    CopyText(serial_, ids.serial);
    CopyText(model_, ids.model);
    CopyText(firmware_, ids.firmware);
  } else {
    nsCapacity_ = common::ReadLe64(data, kNsCapacity);
    nsSize_ = common::ReadLe64(data, kNsSize);
    std::copy_n(data.begin() + kNsEui64, eui64_.size(), eui64_.begin());
  }
  return true;
}

int NVMeSsdHba::GetLogPage(std::span<uint8_t> out, uint8_t lid, uint8_t lsp, uint32_t nsid,
                           uint32_t cdw12, uint32_t cdw13) {
  if (out.empty()) return kNvmeNoBuffer;
  if (out.size() % 4 != 0 || out.size() > 0xFFFFFFFFu) return kNvmeBadParameter;
  const auto length = static_cast<uint32_t>(out.size());
  auto record = NewRecord(length);
  if (!record) return kNvmeBadParameter;
  const uint32_t numd = length / 4 - 1;
  record->SetOpcode(os::kNvmeAdminGetLogPage);
  record->SetNsid(nsid);
  record->SetDword(os::kNvmeCdw10, (numd << 16) + (uint32_t{lsp} << 8) + lid);
  record->SetDword(os::kNvmeCdw11, (numd >> 16) & 0xFFFF);
  record->SetDword(os::kNvmeCdw12, cdw12);
  record->SetDword(os::kNvmeCdw13, cdw13);
  if (!Execute(*record, length, 0, true, true)) return kNvmeRequestFailed;
  if (lastStatusCode_ != 0 || lastStatusCodeType_ != 0) return kNvmeStatusError;
  std::copy_n(record->Data().begin(), length, out.begin());
  return kNvmeOk;
}

int NVMeSsdHba::FirmwareImageDownload(std::span<const uint8_t> image, uint32_t offset) {
  if (image.empty()) return kNvmeNoBuffer;
  // Sizes and offsets travel as dword counts: anything else would silently
  // drop bytes of the image.
  if (image.size() % 4 != 0 || offset % 4 != 0 || image.size() > 0xFFFFFFFFu)
    return kNvmeBadParameter;
  const auto size = static_cast<uint32_t>(image.size());
  auto record = NewRecord(size);
  if (!record) return kNvmeBadParameter;
  record->SetOpcode(os::kNvmeAdminFirmwareDownload);
  record->SetDword(os::kNvmeCdw10, size / 4 - 1);
  record->SetDword(os::kNvmeCdw11, offset / 4);
  std::copy(image.begin(), image.end(), record->Data().begin());
  if (!Execute(*record, size, 0, true, true)) return kNvmeRequestFailed;
  if (lastStatusCode_ != 0 || lastStatusCodeType_ != 0) return kNvmeStatusError;
  return kNvmeOk;
}

int NVMeSsdHba::FirmwareCommit(uint32_t action, uint32_t slot, bool bootPartition) {
  if (action > kMaxCommitValue || slot > kMaxCommitValue) return kNvmeBadParameter;
  auto record = NewRecord(0);
  if (!record) return kNvmeBadParameter;
  record->SetOpcode(os::kNvmeAdminFirmwareCommit);
  record->SetDword(os::kNvmeCdw10,
                   slot | (action << 3) | (bootPartition ? kCommitBootPartition : 0));
  if (!Execute(*record, 0, 0, true, true)) return kNvmeRequestFailed;
  if (lastStatusCode_ != 0 || lastStatusCodeType_ != 0) return kNvmeStatusError;
  return kNvmeOk;
}

// --- Vendor commands and control requests -----------------------------------------

int NVMeSsdHba::VendorResult(bool sent) const {
  if (!sent) return kNvmeRequestFailed;
  if (lastStatusCode_ == 0 && lastStatusCodeType_ == 0) return kNvmeOk;
  if (lastStatusCode_ == kNvmeScVendorDone && lastStatusCodeType_ == kNvmeSctVendor) return kNvmeOk;
  return kNvmeBadParameter;
}

int NVMeSsdHba::VendorCommand(const NvmeCommandImage& command, std::span<uint8_t> data) {
  if (data.size() > 0xFFFFFFFFu) return kNvmeNoBuffer;
  const auto length = static_cast<uint32_t>(data.size());
  auto record = NewRecord(length);
  if (!record) return kNvmeNoMemory;
  const std::span<const uint8_t> image = command;
  for (int dw : {os::kNvmeCdw0, os::kNvmeNsid, os::kNvmeCdw10, os::kNvmeCdw11, os::kNvmeCdw12,
                 os::kNvmeCdw13, os::kNvmeCdw14, os::kNvmeCdw15})
    record->SetDword(dw, common::ReadLe32(image, os::NvmeDwordOffset(dw)));
  const uint8_t opcode = record->Opcode();
  if (device::NvmeHostToController(opcode))
    std::copy(data.begin(), data.end(), record->Data().begin());
  const bool sent = Execute(*record, length, 0, true, true);
  if (sent && device::NvmeControllerToHost(opcode))
    std::copy_n(record->Data().begin(), length, data.begin());
  return VendorResult(sent);
}

int NVMeSsdHba::ControlRequest(std::span<uint8_t> data, uint32_t controlCode) {
  const uint32_t attribute = device_ != nullptr ? device_->devAttribute : 0;
  const bool native = (attribute & device::STORAGE_NVME) != 0;
  const bool bridge = (attribute & device::STORAGE_NVME_BRIDGE) != 0;
  if (controlCode == kCtrlLocationQuery && (native || bridge)) {
    if (data.size() < 4) return kNvmeNoBuffer;
    const uint32_t location = native ? device_->devLocation : BridgeLocationCode();
    if (!native && location == 0) return kNvmeRequestFailed;
    common::WriteLe32(data, 0, location);
    return kNvmeOk;
  }
  if (native || bridge) return kNvmeOk;

  if (data.size() > 0xFFFFFFFFu) return kNvmeNoBuffer;
  const auto length = static_cast<uint32_t>(data.size());
  auto record = NewRecord(length);
  if (!record) return kNvmeNoMemory;
  record->SetSignature(device::kVendorControlSignature);
  record->SetControlCode(controlCode);
  std::copy(data.begin(), data.end(), record->Data().begin());
  if (!Execute(*record, length, 0, true, true)) return kNvmeRequestFailed;
  std::copy_n(record->Data().begin(), length, data.begin());
  return kNvmeOk;
}

uint32_t NVMeSsdHba::BridgeLocationCode() {
  if (device_ == nullptr) return 0;
  const device::UsbLocationRecord usb = device_->devUsbInfo;
  uint32_t value =
      (usb.port & 0xFF) | (usb.hubPortCount & 0xFF) << 8 | (usb.hubNumber & 0xFF) << 16;
  if (usb.recognisedHub != 0) {
    value += kBridgeRecognisedHub;
    std::array<uint8_t, device::kBridgePacketSize> answer{};
    device::BridgeGpioLocation(*device_, answer);
    if (std::memcmp(answer.data(), "GPIO", 4) == 0)
      value += uint32_t{static_cast<uint8_t>(answer[kGpioSlotByte] & 0x7F)} << 24;
  } else {
    value += kBridgeUnknownSlot;
  }
  return value;
}

// --- Sectors and forwarding ---------------------------------------------------------

int NVMeSsdHba::ReadSectors(uint32_t lba, uint32_t count, std::span<uint8_t> buffer) {
  return device::WithOpenDevice(device_, true, kNvmeOpenFailed, [&] {
    return device::ScsiRead10(*device_, lba, count, buffer) ? kNvmeOk : kNvmeStatusError;
  });
}

int NVMeSsdHba::WriteSectors(uint32_t lba, uint32_t count, std::span<const uint8_t> buffer) {
  return device::WithOpenDevice(device_, true, kNvmeOpenFailed, [&] {
    return device::ScsiWrite10(*device_, lba, count, buffer) ? kNvmeOk : kNvmeStatusError;
  });
}

device::UsbLocationRecord NVMeSsdHba::UsbInfo() const {
  if (device_ == nullptr) return device::UsbLocationRecord{};
  return device_->UsbInfo();
}

bool NVMeSsdHba::SmartEnableOperations() {
  return device_ != nullptr && device::AtaSmartEnableOperations(*device_);
}

bool NVMeSsdHba::SmartReadData(std::span<uint8_t> out) {
  return device_ != nullptr && device::AtaSmartReadData(*device_, out);
}

void NVMeSsdHba::Close() {
  if (device_ != nullptr) device_->Close();
}

// --- Attach helpers -------------------------------------------------------------------

device::OpenScope NVMeSsdHba::OpenForAttach() {
  return device::OpenScope(*device_, [](device::StorageDevice& d) {
    if (d.devAttribute & device::kNvmeOwnHandleMask)
      d.Reopen(true);
    else
      d.OpenPort();
  });
}

void NVMeSsdHba::FinishAttach(bool ready) {
  ready_ = ready ? 1 : 0;
  if (ready) {
    pathMarker_ = PathMarkerFor(device_->devAttribute);
    std::memset(displayName_, 0, sizeof displayName_);
    std::memcpy(displayName_, device_->devName,
                std::min(sizeof displayName_ - 1, sizeof device_->devName));
    displayName_[sizeof displayName_ - 1] = '\0';
    const uint32_t key = device_->AddressKey();
    adapter_ = (key >> 16) & 0xFF;
    target_ = (key >> 8) & 0xFF;
    lun_ = key & 0xFF;
  } else {
    adapter_ = target_ = lun_ = 0;
    nsCapacity_ = nsSize_ = 0;
  }
}

}  // namespace controller
