#pragma once
// The identified drives: up to 16 slots, each with its VKMClass object bound to
// one discovered drive, the index of the matching controller profile and the
// raw identification data read during the scan. One table lives beside the
// main form for the whole run; ScanTarget rebuilds it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "device/core/identity_match.h"
#include "scan/vkm_class.h"

namespace app {

inline constexpr int kMaxDeviceSlots = 16;
inline constexpr size_t kSlotIdentifySize = 1024;        // IDENTIFY DEVICE in the first 512
inline constexpr size_t kSlotSmartSize = 1024;           // SMART READ DATA in the first 512
inline constexpr size_t kSlotParameterBlockSize = 1024;  // vendor read F0 04
inline constexpr size_t kSlotNvmeIdentifySize = 4096;
inline constexpr size_t kSlotNvmeVendorInfoSize = 2048;
inline constexpr size_t kAtaSectorBytes = 512;
inline constexpr size_t kCurrentFirmwareMaxChars = 15;

// What was read from one identified drive.
struct SlotData {
  int profileIndex = -1;
  // The drive is the disk that holds the running system: destructive work
  // never touches it.
  bool systemDisk = false;
  // Its physical drive number (also for a drive listed by its SCSI port), -1
  // when no disk could be matched to it.
  int diskNumber = -1;
  std::array<uint8_t, kSlotIdentifySize> ataIdentify{};
  std::array<uint8_t, kSlotSmartSize> smartData{};
  std::array<uint8_t, kSlotParameterBlockSize> parameterBlock{};
  std::array<uint8_t, kSlotNvmeIdentifySize> nvmeIdentifyController{};
  std::array<uint8_t, kSlotNvmeIdentifySize> nvmeIdentifyNamespace{};
  std::array<uint8_t, kSlotNvmeVendorInfoSize> nvmeVendorInfo{};

  // Model, serial and capacity as the lists showed them when the drive was
  // listed; destructive work compares the drive with it right before it acts.
  // Empty until a list was filled from the slot.
  std::optional<device::DriveIdentity> listed;

  // The "Curr FW Ver." text as the drive reported it (the list shows it
  // escaped), kept for the SetCID lookup and the update file (at most 15
  // characters).
  const std::string& CurrentFirmware() const { return currentFirmware_; }
  void SetCurrentFirmware(const std::string& text) {
    currentFirmware_ = text.substr(0, kCurrentFirmwareMaxChars);
  }
  void ClearCurrentFirmware() { currentFirmware_.clear(); }

  // Forgets everything read from a drive (the current firmware text stays).
  void ClearReadData();

 private:
  std::string currentFirmware_;
};

struct DeviceSlot {
  VKMClass device;
  SlotData data;
};

class DeviceTable {
 public:
  DeviceTable();
  DeviceTable(const DeviceTable&) = delete;
  DeviceTable& operator=(const DeviceTable&) = delete;

  // Number of filled slots (0..16); slots 0..DeviceCount()-1 are filled.
  int DeviceCount() const { return deviceCount_; }
  bool Full() const { return deviceCount_ >= kMaxDeviceSlots; }
  void Reset() { deviceCount_ = 0; }
  // Keeps the slot at DeviceCount() (the candidate) and moves on.
  void CommitCandidate();

  // Any slot 0..15 (filled or not); out-of-range indexes are a caller error.
  DeviceSlot& Slot(int index);
  const DeviceSlot& Slot(int index) const;
  // The slot a candidate drive is identified into.
  DeviceSlot& Candidate() { return Slot(deviceCount_); }
  bool Filled(int index) const { return index >= 0 && index < deviceCount_; }

  // Start-up: every slot forgets its current-firmware text.
  void ClearCurrentFirmware();

 private:
  std::array<std::unique_ptr<DeviceSlot>, kMaxDeviceSlots> slots_;
  int deviceCount_ = 0;
};

}  // namespace app
