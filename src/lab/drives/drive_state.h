#pragma once
// What an emulated drive keeps across restarts of the lab: its firmware, its
// configuration-identity record, its security passwords and a few life
// counters. The lab stores it beside lab.ini as INI text:
//
//   [DriveState]
//   Firmware="S0220A0 "        revision now running (quoted: blanks count)
//   PendingFirmware=""         ATA microcode saved for activation at power-on
//   Cid=<256 hex digits>       128-byte CID record; empty: the lab.ini default
//   PendingCid=                CID that comes with PendingFirmware
//   Mode=                      boot mode after an update (Normal, ISP, ...)
//   SmartEnabled=1
//   SecurityEnabled=0          user password set
//   SecurityMaximum=0          security level: 0 high, 1 maximum
//   UserPassword=<64 hex>      MasterPassword=<64 hex, empty: factory>
//   MasterPasswordId=65534
//   PowerCycles= UnsafeShutdowns= SectorsRead= SectorsWritten=
//   Slot1=".." .. Slot7=".."   NVMe firmware slots (empty: no image)
//   ActiveSlot=1  NextSlot=0   NVMe slot running / to run after the next reset
//   FirmwareDownloads=0        firmware download commands taken over the drive's life
//
// A drive fills the empty fields from its lab.ini settings when it is built.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lab::drives {

inline constexpr size_t kPasswordSize = 32;
inline constexpr size_t kCidSize = 128;
inline constexpr size_t kFirmwareSlots = 7;
inline constexpr uint16_t kFactoryMasterPasswordId = 0xFFFE;

using Password = std::array<uint8_t, kPasswordSize>;

struct SecurityRecord {
  bool enabled = false;       // a user password is set
  bool maximumLevel = false;  // level chosen with the user password
  Password userPassword{};
  bool masterChanged = false;  // false: the factory master password applies
  Password masterPassword{};
  uint16_t masterPasswordId = kFactoryMasterPasswordId;

  bool operator==(const SecurityRecord&) const = default;
};

struct DriveState {
  std::string firmware;
  std::string pendingFirmware;
  std::vector<uint8_t> cid;
  std::vector<uint8_t> pendingCid;
  std::string mode;
  bool smartEnabled = true;
  SecurityRecord security;
  uint64_t powerCycles = 0;
  uint64_t unsafeShutdowns = 0;
  uint64_t sectorsRead = 0;
  uint64_t sectorsWritten = 0;
  std::array<std::string, kFirmwareSlots> slots;  // index 0 is slot 1
  uint8_t activeSlot = 1;
  uint8_t nextSlot = 0;  // 0: nothing pending
  // NVMe Firmware Image Download commands taken: what an update wore.
  uint64_t firmwareDownloads = 0;

  std::string Serialise() const;
  // Nothing when the text has no [DriveState] section. Values that do not parse
  // keep their defaults, so a damaged file still gives a usable drive.
  static std::optional<DriveState> Parse(std::string_view text);

  bool operator==(const DriveState&) const = default;
};

}  // namespace lab::drives
