#pragma once
// VkmSsdHba: the sector-based vendor protocol of the VK46xx SATA controllers
// on one StorageDevice. Vendor commands travel as ordinary sector reads and
// writes at reserved LBAs: a detect read sequence reveals the mode sector
// (and puts the firmware into vendor mode), a command block written to the
// command LBA starts a command, and its data moves at a data LBA.
//
// Designed as one of the two bases of the application's per-device class,
// which also derives from the NVMe object (vendor/nvme/nvme_ssd_hba.h). Both
// bases declare `virtual bool Attach(device::StorageDevice*)` with the same
// signature, so a single Attach in the derived class overrides both at once
// (it then routes by access path and calls VK4540LT::Attach or
// VK4630::Attach explicitly). The other virtual operations are distinct names
// and are simply inherited.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "device/core/storage_device.h"
#include "controller/sata/command_block.h"
#include "controller/sata/vendor_codes.h"

namespace controller {

class VkmSsdHba {
 public:
  VkmSsdHba();
  virtual ~VkmSsdHba() = default;
  VkmSsdHba(const VkmSsdHba&) = delete;
  VkmSsdHba& operator=(const VkmSsdHba&) = delete;

  // --- Virtual operations, in the order the product's class lays them out ---

  // Binds the object to a drive and decides whether it is ready; returns the
  // ready flag. A null device is never ready.
  virtual bool Attach(device::StorageDevice* dev) = 0;
  // Command exchanges. A closed handle is opened for the exchange (with
  // `force` in the first two, without in the last two) and closed after it;
  // -12 when it cannot be opened. `data` empty: no data phase. Data-in reads
  // (size + 511) / 512 sectors from the data LBA and copies size bytes into
  // `data`; data-out writes the bytes, padded with zeroes to whole sectors, to
  // the command LBA. Result: 0, -1..-5 or -10 (detect), -6 (block not
  // written), -7 (data phase failed, also when the echo matched).
  virtual int ExchangeInForce(const VendorCommandBlock& block, std::span<uint8_t> data, bool force);
  virtual int ExchangeOutForce(const VendorCommandBlock& block, std::span<const uint8_t> data,
                               bool force);
  virtual int ExchangeIn(const VendorCommandBlock& block, std::span<uint8_t> data);
  virtual int ExchangeOut(const VendorCommandBlock& block, std::span<const uint8_t> data);
  // Reads the five detect LBAs in order; the last one is the mode sector,
  // copied into `modeSector` (up to 512 bytes). 0 when the controller name in
  // it is recognised; -1..-5 when that read failed; -10 when not recognised.
  virtual int Detect(std::span<uint8_t> modeSector);

  // --- Names ---

  // Name offset 46 and both names set to the first n characters of `text`
  // (n at most 50); copy and comparison length n.
  void SetControllerName(std::string_view text, uint32_t n);

  // --- Sector primitives (0 success, -127 failure) ---

  // ATA READ DMA / WRITE DMA when the device has STORAGE_ATA, otherwise SCSI
  // READ(10) / WRITE(10). `buffer` must hold count * 512 bytes.
  int ReadSectors(uint32_t lba, uint32_t count, std::span<uint8_t> buffer);
  int WriteSectors(uint32_t lba, uint32_t count, std::span<const uint8_t> buffer);
  // The same, opening a closed handle (without force) for the one transfer;
  // -12 when it cannot be opened.
  int ReadSectorsOpening(uint32_t lba, uint32_t count, std::span<uint8_t> buffer);
  int WriteSectorsOpening(uint32_t lba, uint32_t count, std::span<const uint8_t> buffer);

  // Detect, copy the mode sector to the caller (up to 512 bytes) and report
  // the mode (VendorMode). Returns the detect result.
  int ModeQuery(int* mode, std::span<uint8_t> modeSector);

  // --- State ---
  device::StorageDevice* Device() const { return device_; }
  bool Ready() const { return ready_ != 0; }
  uint32_t CommandLbaInUse() const { return commandLba_; }
  uint32_t BlockCount() const { return blockCount_; }
  uint32_t BlockLength() const { return blockLength_; }
  int32_t DeviceType() const { return deviceType_; }
  uint32_t Removable() const { return removable_; }
  uint32_t PathMarker() const { return pathMarker_; }
  bool IsVk551() const { return vk551_ != 0; }
  uint32_t Adapter() const { return adapter_; }
  uint32_t Target() const { return target_; }
  uint32_t Lun() const { return lun_; }
  uint32_t NameOffset() const { return nameOffset_; }
  uint32_t NameCopyLength() const { return nameCopyLength_; }
  uint32_t NameCompareLength() const { return nameCompareLength_; }
  std::string VendorText() const { return FieldText(vendorText_); }
  std::string ProductText() const { return FieldText(productText_); }
  std::string RevisionText() const { return FieldText(revisionText_); }
  std::string DisplayName() const { return FieldText(displayName_); }
  std::string ConfiguredName() const { return FieldText(configuredName_); }
  std::string ComparisonName() const { return FieldText(comparisonName_); }
  std::string DetectedName() const { return FieldText(detectedName_); }

 protected:
  using NameField = char[kNameFieldSize];
  static std::string FieldText(const NameField& field);
  static void SetField(NameField& field, std::string_view text);

  // The first exchange of attach: a data-in exchange on 0x55AA with the
  // whole echoed sector compared, repeated once on 0x789 when it ends with -6
  // or -7. Sets the command LBA in use.
  int FirstExchange(const VendorCommandBlock& block, std::span<uint8_t> data);

  // --- Fields, in the product's order ---
  device::StorageDevice* device_ = nullptr;
  NameField vendorText_ = {};
  NameField productText_ = {};
  NameField revisionText_ = {};
  NameField spareText_ = {};
  NameField displayName_ = {};
  NameField configuredName_ = {};
  NameField comparisonName_ = {};
  NameField detectedName_ = {};
  uint32_t nameOffset_ = kDefaultNameOffset;
  uint32_t nameCopyLength_ = 0;
  uint32_t nameCompareLength_ = 0;
  uint32_t adapter_ = 0;
  uint32_t target_ = 0;
  uint32_t lun_ = 0;
  uint32_t removable_ = 0;
  int32_t deviceType_ = -1;
  uint32_t pathMarker_ = 0;
  uint32_t commandLba_ = kCommandLba;
  uint32_t blockCount_ = 0;
  uint32_t blockLength_ = 0;
  uint32_t reserved_ = 0;
  uint8_t vk551_ = 0;
  uint8_t ready_ = 0;

 private:
  // What one exchange moves in its data phase.
  struct DataPhase {
    std::span<uint8_t> in;
    std::span<const uint8_t> out;
  };
  // Steps 1-5 of an exchange on an open handle.
  int RunExchange(const VendorCommandBlock& block, DataPhase data, uint32_t commandLba,
                  size_t echoLength);
  void LeaveVendorMode();
};

}  // namespace controller
