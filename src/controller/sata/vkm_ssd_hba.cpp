#include "controller/sata/vkm_ssd_hba.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "device/ata/ata_commands.h"
#include "device/core/open_scope.h"
#include "device/scsi/scsi_commands.h"

namespace controller {
namespace {

constexpr std::string_view kKnownFamilies[] = {"VK4610", "VK4620"};
constexpr size_t kFamilyLength = 6;

bool StartsWith(std::span<const uint8_t> bytes, std::string_view text) {
  return bytes.size() >= text.size() && std::memcmp(bytes.data(), text.data(), text.size()) == 0;
}

}  // namespace

VkmSsdHba::VkmSsdHba() {
  configuredName_[0] = '\0';
  comparisonName_[0] = '\0';
  detectedName_[0] = '\0';
  ready_ = 0;
}

std::string VkmSsdHba::FieldText(const NameField& field) {
  size_t n = 0;
  while (n < kNameFieldSize && field[n] != '\0') ++n;
  return std::string(field, n);
}

void VkmSsdHba::SetField(NameField& field, std::string_view text) {
  std::memset(field, 0, kNameFieldSize);
  std::memcpy(field, text.data(), std::min<size_t>(text.size(), kNameFieldSize));
}

void VkmSsdHba::SetControllerName(std::string_view text, uint32_t n) {
  n = std::min<uint32_t>(n, kNameFieldSize);
  nameOffset_ = kDefaultNameOffset;
  nameCopyLength_ = n;
  nameCompareLength_ = n;
  const std::string_view name = text.substr(0, std::min<size_t>(n, text.size()));
  SetField(configuredName_, name);
  SetField(comparisonName_, name);
}

// --- Sector primitives -------------------------------------------------------

int VkmSsdHba::ReadSectors(uint32_t lba, uint32_t count, std::span<uint8_t> buffer) {
  if (device_ == nullptr) return kTransferFailed;
  const bool ok = (device_->devAttribute & device::STORAGE_ATA) != 0
                      ? device::AtaReadSectors(*device_, lba, count, buffer, true)
                      : device::ScsiRead10(*device_, lba, count, buffer);
  return ok ? kVendorOk : kTransferFailed;
}

int VkmSsdHba::WriteSectors(uint32_t lba, uint32_t count, std::span<const uint8_t> buffer) {
  if (device_ == nullptr) return kTransferFailed;
  const bool ok = (device_->devAttribute & device::STORAGE_ATA) != 0
                      ? device::AtaWriteSectors(*device_, lba, count, buffer, true)
                      : device::ScsiWrite10(*device_, lba, count, buffer);
  return ok ? kVendorOk : kTransferFailed;
}

int VkmSsdHba::ReadSectorsOpening(uint32_t lba, uint32_t count, std::span<uint8_t> buffer) {
  return device::WithOpenDevice(device_, false, kOpenFailed,
                                [&] { return ReadSectors(lba, count, buffer); });
}

int VkmSsdHba::WriteSectorsOpening(uint32_t lba, uint32_t count, std::span<const uint8_t> buffer) {
  return device::WithOpenDevice(device_, false, kOpenFailed,
                                [&] { return WriteSectors(lba, count, buffer); });
}

// --- Detect and mode ----------------------------------------------------------

int VkmSsdHba::Detect(std::span<uint8_t> modeSector) {
  // The reads go into a sector of our own so that a short caller buffer can
  // never be overrun; the caller gets a copy of what was read.
  std::array<uint8_t, kModeSectorSize> sector{};
  int result = kVendorOk;
  for (int i = 0; i < 5; ++i) {
    if (ReadSectors(kDetectLbas[i], 1, sector) != kVendorOk) {
      result = kDetectReadFailedFirst - i;
      break;
    }
  }
  std::copy_n(sector.begin(), std::min(modeSector.size(), sector.size()), modeSector.begin());
  if (result != kVendorOk) return result;

  std::memset(detectedName_, 0, kNameFieldSize);
  const uint32_t offset = std::min<uint32_t>(nameOffset_, kModeSectorSize);
  const uint32_t copy =
      std::min({nameCopyLength_, kNameFieldSize, static_cast<uint32_t>(kModeSectorSize - offset)});
  std::memcpy(detectedName_, sector.data() + offset, copy);

  for (std::string_view family : kKnownFamilies)
    if (copy >= kFamilyLength && std::memcmp(detectedName_, family.data(), kFamilyLength) == 0)
      return kVendorOk;
  const uint32_t compare = std::min(nameCompareLength_, kNameFieldSize);
  if (comparisonName_[0] != '\0' && std::memcmp(detectedName_, comparisonName_, compare) == 0)
    return kVendorOk;
  return kNotRecognised;
}

int VkmSsdHba::ModeQuery(int* mode, std::span<uint8_t> modeSector) {
  std::array<uint8_t, kModeSectorSize> sector{};
  const int result = Detect(sector);
  std::copy_n(sector.begin(), std::min(modeSector.size(), sector.size()), modeSector.begin());
  if (mode != nullptr) {
    const std::span<const uint8_t> s = sector;
    if (StartsWith(s, "ISP"))
      *mode = kModeIsp;
    else if (StartsWith(s, "MPISP"))
      *mode = kModeMpIsp;
    else if (StartsWith(s, "ROMDE"))
      *mode = kModeRomde;
    else
      *mode = kModeNormal;
  }
  return result;
}

// --- Exchanges ------------------------------------------------------------------

void VkmSsdHba::LeaveVendorMode() {
  std::array<uint8_t, kSectorSize> sector{};
  ReadSectors(kLeaveVendorLba, 1, sector);
}

int VkmSsdHba::RunExchange(const VendorCommandBlock& block, DataPhase data, uint32_t commandLba,
                           size_t echoLength) {
  const size_t length = !data.in.empty() ? data.in.size() : data.out.size();
  const uint64_t sectors = (uint64_t{length} + kSectorSize - 1) / kSectorSize;
  // A data phase the protocol cannot carry is refused before the drive is
  // touched, rather than half sent.
  if (sectors > kMaxDataSectors) return kDataPhaseFailed;

  std::array<uint8_t, kSectorSize> backup{};
  const bool haveBackup = ReadSectors(commandLba, 1, backup) == kVendorOk;

  std::array<uint8_t, kModeSectorSize> scratch{};
  const int detected = Detect(scratch);
  if (detected != kVendorOk) {
    LeaveVendorMode();
    return detected;
  }
  if (WriteSectors(commandLba, 1, block.Bytes()) != kVendorOk) {
    LeaveVendorMode();
    return kCommandNotWritten;
  }

  int result = kVendorOk;
  if (sectors > 0) {
    // Whole sectors move through a buffer of our own: the caller's buffer
    // holds only `length` bytes.
    std::vector<uint8_t> staging;
    try {
      staging.assign(static_cast<size_t>(sectors) * kSectorSize, 0);
    } catch (const std::bad_alloc&) {
      staging.clear();
    }
    if (staging.empty()) {
      result = kDataPhaseFailed;
    } else if (!data.in.empty()) {
      if (ReadSectors(kDataInLba, static_cast<uint32_t>(sectors), staging) == kVendorOk)
        std::copy_n(staging.begin(), length, data.in.begin());
      else
        result = kDataPhaseFailed;
    } else {
      std::copy(data.out.begin(), data.out.end(), staging.begin());
      if (WriteSectors(commandLba, static_cast<uint32_t>(sectors), staging) != kVendorOk)
        result = kDataPhaseFailed;
    }
  }

  scratch.fill(0);
  ReadSectors(commandLba, 1, scratch);
  const bool echoed = std::memcmp(scratch.data(), block.bytes.data(), echoLength) == 0;
  // The command LBA reads back the block: put back what the sector held.
  // Without a saved copy there is nothing trustworthy to write.
  if (echoed && haveBackup) WriteSectors(commandLba, 1, backup);
  // A failed data phase stays a failure whatever the echo says: the caller's
  // buffer does not hold the data it asked for.
  return result;
}

int VkmSsdHba::ExchangeInForce(const VendorCommandBlock& block, std::span<uint8_t> data,
                               bool force) {
  return device::WithOpenDevice(device_, force, kOpenFailed, [&] {
    return RunExchange(block, DataPhase{data, {}}, commandLba_, kEchoCompareLength);
  });
}

int VkmSsdHba::ExchangeOutForce(const VendorCommandBlock& block, std::span<const uint8_t> data,
                                bool force) {
  return device::WithOpenDevice(device_, force, kOpenFailed, [&] {
    return RunExchange(block, DataPhase{{}, data}, commandLba_, kEchoCompareLength);
  });
}

int VkmSsdHba::ExchangeIn(const VendorCommandBlock& block, std::span<uint8_t> data) {
  return ExchangeInForce(block, data, false);
}

int VkmSsdHba::ExchangeOut(const VendorCommandBlock& block, std::span<const uint8_t> data) {
  return ExchangeOutForce(block, data, false);
}

int VkmSsdHba::FirstExchange(const VendorCommandBlock& block, std::span<uint8_t> data) {
  commandLba_ = kCommandLba;
  return device::WithOpenDevice(device_, true, kOpenFailed, [&] {
    int result = RunExchange(block, DataPhase{data, {}}, kCommandLba, kCommandBlockSize);
    if (result == kCommandNotWritten || result == kDataPhaseFailed) {
      // Some firmware takes commands only at the alternative LBA; the data
      // still comes from 0x55AA.
      result = RunExchange(block, DataPhase{data, {}}, kAltCommandLba, kCommandBlockSize);
      if (result == kVendorOk) commandLba_ = kAltCommandLba;
    }
    return result;
  });
}

}  // namespace controller
