#pragma once
// A SATA SSD as the lab emulates it: IDENTIFY, SMART, sector reads and writes
// (28-bit and 48-bit, PIO and DMA), the security feature set, DOWNLOAD
// MICROCODE and the small housekeeping commands a host sends. A drive of
// another maker is exactly this; controller firmware derives from it and takes
// over reserved sectors through the Intercept hooks.
//
// Building a drive is a power-on. The drive owns its DriveState; the lab reads
// it with State() and is told through the listener whenever a lasting part
// (firmware, CID, passwords, SMART switch, slots) changes. Life counters change
// without a notice and are saved whenever the lab saves.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "lab/core/device_interfaces.h"
#include "lab/drives/ata/ata_drive_settings.h"
#include "lab/drives/ata/ata_security.h"
#include "lab/drives/ata/microcode_receiver.h"
#include "lab/drives/drive_state.h"
#include "lab/faults/fault_list.h"

namespace lab::drives {

class AtaDrive : public AtaDevice {
 public:
  AtaDrive(AtaDriveSettings settings, std::shared_ptr<Media> media, DriveState state);
  AtaDrive(const AtaDrive&) = delete;
  AtaDrive& operator=(const AtaDrive&) = delete;

  AtaResult ExecuteAta(AtaCommand& command) override;

  // A drive without power leaves every command undelivered. PowerOff(true) is
  // a loss of power (counted as an unsafe shutdown). PowerOn activates saved
  // microcode, locks a drive with a user password and forgets everything that
  // lives in RAM.
  void PowerOff(bool unsafe);
  void PowerOn();
  bool Powered() const { return powered_; }

  const DriveState& State() const { return state_; }
  void SetStateListener(std::function<void(const DriveState&)> listener);
  const AtaDriveSettings& Settings() const { return settings_; }
  Media& UserMedia() { return *media_; }
  uint64_t Sectors() const { return media_->SectorCount(); }

  // What IDENTIFY DEVICE and SMART READ DATA answer now.
  Sector Identify() const;
  Sector SmartData() const;
  bool SecurityLocked() const { return security_.Locked(); }

 protected:
  enum class Intercept { kPass, kDone, kAbort };

  // Controller firmware sees every sector transfer first; kPass leaves it to
  // the user data, kDone means it was answered, kAbort fails it.
  virtual Intercept InterceptRead(uint64_t lba, uint32_t count, std::span<uint8_t> out);
  virtual Intercept InterceptWrite(uint64_t lba, uint32_t count, std::span<const uint8_t> in);
  virtual void OnPowerOn() {}
  // After a new image became active (firmware and CID already in the state).
  virtual void OnFirmwareActivated() {}
  virtual void AdjustIdentify(Sector& /*identify*/) const {}
  // False refuses DOWNLOAD MICROCODE (the controller is not prepared for it).
  virtual bool DownloadAllowed() const { return true; }

  DriveState& MutableState() { return state_; }
  void NotifyStateChanged();
  // Zeroes every user sector (security and vendor erase, format).
  bool ZeroUserData();

 private:
  struct Transfer {
    uint64_t lba = 0;
    uint32_t count = 0;
  };

  AtaResult Execute(AtaCommand& c, AtaResult r);
  AtaResult ReadSectors(const AtaCommand& c, AtaResult r);
  AtaResult WriteSectors(const AtaCommand& c, AtaResult r);
  AtaResult ReadVerify(const AtaCommand& c, AtaResult r);
  AtaResult DataSetManagement(const AtaCommand& c, AtaResult r);
  AtaResult ReadNativeMax(const AtaCommand& c, AtaResult r);
  AtaResult IdentifyDevice(const AtaCommand& c, AtaResult r);
  AtaResult Smart(const AtaCommand& c, AtaResult r);
  AtaResult Security(const AtaCommand& c, AtaResult r);
  AtaResult DownloadMicrocode(const AtaCommand& c, AtaResult r);
  AtaResult SetFeatures(const AtaCommand& c, AtaResult r);

  static Transfer Decode(const AtaCommand& c);
  bool InRange(const Transfer& t) const;
  // Index of the first sector that cannot be read, when one can't.
  std::optional<uint64_t> FirstBadSector(uint64_t lba, uint32_t count);
  void ActivateImage(std::span<const uint8_t> image);
  void ActivatePending();
  std::vector<SmartAttribute> Attributes() const;

  static AtaResult Good(AtaResult r);
  static AtaResult Fail(AtaResult r, uint8_t error);
  static void SetLba(AtaResult& r, bool extended, uint64_t lba);

  AtaDriveSettings settings_;
  std::shared_ptr<Media> media_;
  DriveState state_;
  AtaSecurity security_;
  MicrocodeReceiver receiver_;
  FaultCounter faults_;
  std::function<void(const DriveState&)> listener_;
  bool powered_ = false;
  uint32_t downloadSegments_ = 0;  // since the drive was built
};

}  // namespace lab::drives
