#include "controller/sata/vk4540lt.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/bytes.h"
#include "common/text.h"
#include "device/core/fixed_text.h"
#include "device/core/open_scope.h"
#include "device/scsi/scsi_request.h"
#include "controller/path_marker.h"

namespace controller {
namespace {

constexpr char kOwnName[] = "VK4540LT";
constexpr uint32_t kOwnNameLength = 8;
constexpr std::string_view kVk551Prefix = "VK551";

// INQUIRY reply fields.
constexpr uint32_t kAttachInquiryLength = 0x38;  // 56
constexpr size_t kInquiryVendorOffset = 8;
constexpr size_t kInquiryVendorLength = 8;
constexpr size_t kInquiryProductOffset = 16;
constexpr size_t kInquiryProductLength = 16;
constexpr size_t kInquiryRevisionOffset = 32;
constexpr size_t kInquiryRevisionLength = 4;
constexpr uint8_t kPeripheralTypeMask = 0x1F;
constexpr uint8_t kRemovableBit = 0x80;
constexpr int32_t kDirectAccessDevice = 0;

constexpr uint8_t kOpTestUnitReady = 0x00;
constexpr uint8_t kOpInquiry = 0x12;
constexpr uint8_t kOpReadCapacity10 = 0x25;

}  // namespace

VK4540LT::VK4540LT() {
  nameOffset_ = kDefaultNameOffset;
  nameCopyLength_ = kOwnNameLength;
  nameCompareLength_ = kOwnNameLength;
  SetField(configuredName_, kOwnName);
  SetField(comparisonName_, kOwnName);
}

// --- Attach ---------------------------------------------------------------------

// The attach requests carry this object's address and the LUN in CDB byte 1,
// and open a closed handle with force.
bool VK4540LT::AttachScsiRequest(uint8_t* cdb, uint8_t cdbLength, uint8_t flags, uint8_t* data,
                                 uint32_t length) {
  device::SRB_ExecSCSICmd srb = device::MakeScsiRequest(*device_, flags, cdbLength, data, length);
  srb.SRB_HaId = static_cast<uint8_t>(adapter_);
  srb.SRB_Target = static_cast<uint8_t>(target_);
  srb.SRB_Lun = static_cast<uint8_t>(lun_);
  std::memcpy(srb.CDBByte, cdb, cdbLength);
  return device::ExecuteScsiRequest(*device_, srb, true) == device::SS_COMP;
}

bool VK4540LT::Attach(device::StorageDevice* dev) {
  ready_ = 0;
  device_ = dev;
  attachResult_ = kTransferFailed;
  if (dev != nullptr) {
    const device::OpenScope open(*dev, true);
    if (open) {
      const uint8_t lunBits = static_cast<uint8_t>(lun_ << 5);

      uint8_t inquiry[kAttachInquiryLength] = {};
      uint8_t inquiryCdb[6] = {kOpInquiry, lunBits, 0, 0, kAttachInquiryLength, 0};
      if (AttachScsiRequest(inquiryCdb, 6, device::SRB_DIR_IN, inquiry, sizeof inquiry)) {
        deviceType_ = inquiry[0] & kPeripheralTypeMask;
        removable_ = (inquiry[1] & kRemovableBit) ? 1 : 0;
        const std::span<const uint8_t> in = inquiry;
        SetField(vendorText_,
                 common::TextFromBytes(in.subspan(kInquiryVendorOffset, kInquiryVendorLength)));
        SetField(productText_,
                 common::TextFromBytes(in.subspan(kInquiryProductOffset, kInquiryProductLength)));
        SetField(revisionText_,
                 common::TextFromBytes(in.subspan(kInquiryRevisionOffset, kInquiryRevisionLength)));
      } else {
        deviceType_ = -1;
        removable_ = 0;
        SetField(vendorText_, "");
        SetField(productText_, "");
        SetField(revisionText_, "");
      }

      uint8_t turCdb[6] = {kOpTestUnitReady, lunBits, 0, 0, 0, 0};
      if (!AttachScsiRequest(turCdb, 6, 0, nullptr, 0)) {
        attachResult_ = kTransferFailed;
      } else {
        uint8_t capacity[8] = {};
        uint8_t capacityCdb[10] = {kOpReadCapacity10, lunBits, 0, 0, 0, 0, 0, 0, 0, 0};
        blockCount_ = 0;
        blockLength_ = 0;
        if (AttachScsiRequest(capacityCdb, 10, device::SRB_DIR_IN, capacity, sizeof capacity)) {
          const uint32_t lastLba = common::ReadBe32(capacity, 0);
          blockCount_ = lastLba == 0 ? 0 : lastLba + 1;
          blockLength_ = common::ReadBe32(capacity, 4);
        }
        std::array<uint8_t, kVendorIdentifySize> scratch{};
        VendorIdentify(scratch);
        attachResult_ = Detect(scratch);
        // Reading an ordinary sector takes the firmware out of vendor mode.
        ReadSectors(0, 1, std::span<uint8_t>(scratch).first(kSectorSize));
      }

      if (attachResult_ == kVendorOk && deviceType_ == kDirectAccessDevice && blockCount_ != 0 &&
          blockLength_ != 0) {
        ready_ = 1;
        const std::string product = ProductText();
        vk551_ = product.compare(0, kVk551Prefix.size(), kVk551Prefix) == 0 ? 1 : 0;
        reserved_ = 0;
        pathMarker_ = PathMarkerFor(dev->devAttribute);
        SetField(displayName_, device::FixedText(dev->devName));
      }
    }
  }

  if (ready_ != 0) {
    const uint32_t key = dev->AddressKey();
    adapter_ = (key >> 16) & 0xFF;
    target_ = (key >> 8) & 0xFF;
    lun_ = key & 0xFF;
  } else {
    adapter_ = target_ = lun_ = 0;
    blockCount_ = blockLength_ = 0;
  }
  return ready_ != 0;
}

// --- Vendor commands ------------------------------------------------------------

int VK4540LT::ReadFixed(const VendorCommandBlock& block, uint32_t length, std::span<uint8_t> out) {
  std::vector<uint8_t> data(length, 0);
  const int result = ExchangeIn(block, data);
  std::copy_n(data.begin(), std::min<size_t>(out.size(), data.size()), out.begin());
  return result;
}

int VK4540LT::VendorIdentify(std::span<uint8_t> out) {
  std::array<uint8_t, kVendorIdentifySize> data{};
  const VendorCommandBlock block = MakeCommandBlock(kVendorRead, kSubIdentify, 0, 0, false);
  const int result = FirstExchange(block, data);
  std::copy_n(data.begin(), std::min(out.size(), data.size()), out.begin());
  return result;
}

int VK4540LT::ReadMemory(uint32_t address, std::span<uint8_t> out, bool longLayout) {
  const auto sectors = static_cast<uint16_t>(out.size() / kSectorSize);
  return ExchangeIn(MakeCommandBlock(kVendorRead, kSubReadMemory, address, sectors, longLayout),
                    out);
}

int VK4540LT::WriteMemory(uint32_t address, std::span<const uint8_t> data, bool longLayout) {
  const auto sectors = static_cast<uint16_t>(data.size() / kSectorSize);
  return ExchangeOut(MakeCommandBlock(kVendorWrite, kSubWriteMemory, address, sectors, longLayout),
                     data);
}

int VK4540LT::ReadParameterBlock(std::span<uint8_t> out) {
  return ReadFixed(MakeCommandBlock(kVendorRead, kSubParameterBlock, 0,
                                    kParameterBlockSize / kSectorSize, false),
                   kParameterBlockSize, out);
}

int VK4540LT::ReadFlashInfo(std::span<uint8_t> out) {
  return ReadFixed(
      MakeCommandBlock(kVendorRead, kSubFlashInfo, 0, kFlashInfoBlockSize / kSectorSize, false),
      kFlashInfoBlockSize, out);
}

int VK4540LT::SwitchMode(uint8_t value) {
  VendorCommandBlock block = MakeCommandBlock(kVendorRead, kSubSwitch, 0, 0, false);
  block.bytes[kSwitchValueOffset] = value;
  return ExchangeIn(block, {});
}

int VK4540LT::ReadStatusBlock(std::span<uint8_t> out, bool flag) {
  // The erase takes no arguments: every byte after the sub-opcode is zero,
  // with no sector count either (the firmware fixes the reply's length).
  return ReadFixed(MakeCommandBlock(kVendorRead, flag ? kSubStatusLong : kSubStatusShort, 0, 0,
                                    false),
                   kStatusBlockSize, out);
}

// --- Forwarding -----------------------------------------------------------------

bool VK4540LT::IdentifyDevice(std::span<uint8_t> out) {
  return device_ != nullptr && device::AtaIdentifyDevice(*device_, out);
}

bool VK4540LT::SmartEnableOperations() {
  return device_ != nullptr && device::AtaSmartEnableOperations(*device_);
}

bool VK4540LT::SmartReadData(std::span<uint8_t> out) {
  return device_ != nullptr && device::AtaSmartReadData(*device_, out);
}

bool VK4540LT::SmartReadThresholds(std::span<uint8_t> out) {
  return device_ != nullptr && device::AtaSmartReadThresholds(*device_, out);
}

bool VK4540LT::DownloadMicrocode(uint8_t subcommand, uint32_t offset, uint32_t count,
                                 std::span<const uint8_t> data, bool dma,
                                 device::AtaRegisters* result) {
  return device_ != nullptr &&
         device::AtaDownloadMicrocode(*device_, subcommand, offset, count, data, dma, result);
}

void VK4540LT::SetTimeout(uint32_t seconds) {
  if (device_ != nullptr) device_->SetTimeout(seconds);
}

int VK4540LT::SecuritySetPassword(std::span<const uint8_t> block) {
  return device_ != nullptr ? device::AtaSecuritySetPassword(*device_, block) : 1;
}

int VK4540LT::SecurityErasePrepare() {
  return device_ != nullptr ? device::AtaSecurityErasePrepare(*device_) : 1;
}

int VK4540LT::SecurityEraseUnit(std::span<const uint8_t> block) {
  return device_ != nullptr ? device::AtaSecurityEraseUnit(*device_, block) : 1;
}

int VK4540LT::SecurityDisablePassword(std::span<const uint8_t> block) {
  return device_ != nullptr ? device::AtaSecurityDisablePassword(*device_, block) : 1;
}

bool VK4540LT::IsOpen() const { return device_ != nullptr && device_->IsOpen(); }

bool VK4540LT::Open(bool force) {
  if (device_ == nullptr) return false;
  if (device_->IsOpen()) return true;
  return device_->Reopen(force);
}

void VK4540LT::Close() {
  if (device_ != nullptr) device_->Close();
}

}  // namespace controller
