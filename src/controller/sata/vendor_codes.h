#pragma once
// Result codes, reserved LBAs and mode values of the sector-based vendor
// protocol of the VK46xx SATA controllers.
#include <cstdint>

namespace controller {

// Results of the sector primitives, the exchanges and attach.
inline constexpr int kVendorOk = 0;
// -1 .. -5: the detect read at that position (1-based) failed.
inline constexpr int kDetectReadFailedFirst = -1;
inline constexpr int kCommandNotWritten = -6;
inline constexpr int kDataPhaseFailed = -7;
inline constexpr int kNotRecognised = -10;
inline constexpr int kOpenFailed = -12;
inline constexpr int kTransferFailed = -127;

// Reserved LBAs. Every transfer at them is one 512-byte sector unless a data
// phase says otherwise.
inline constexpr uint32_t kDetectLbas[5] = {0xAA, 0xAA00, 0x55, 0x5500, 0x55AA};
inline constexpr uint32_t kCommandLba = 0x55AA;  // first choice, and the data-in LBA
inline constexpr uint32_t kDataInLba = 0x55AA;
inline constexpr uint32_t kAltCommandLba = 0x789;    // used when 0x55AA takes no command
inline constexpr uint32_t kLeaveVendorLba = 0x1234;  // read once after a failed exchange

inline constexpr uint32_t kSectorSize = 512;
// Largest data phase the exchange accepts: the ATA count register carries 8
// bits, so a longer read at the data LBA could not be asked for in one go.
inline constexpr uint32_t kMaxDataSectors = 256;

// Mode sector: the mode text at its start and the controller name field.
inline constexpr uint32_t kModeSectorSize = 512;
inline constexpr uint32_t kDefaultNameOffset = 46;
inline constexpr uint32_t kNameFieldSize = 50;

// What the mode query reports about the running firmware.
enum VendorMode : int {
  kModeNormal = 0,
  kModeMpIsp = 1,  // "MPISP"
  kModeIsp = 2,    // "ISP"
  kModeRomde = 3,  // "ROMDE"
};

}  // namespace controller
