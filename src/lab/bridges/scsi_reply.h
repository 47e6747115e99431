#pragma once
// SCSI opcodes, sense codes and reply builders shared by the lab's SCSI
// targets: fixed-format sense for ordinary errors, descriptor-format sense with
// the ATA Status Return descriptor for SAT pass-through, standard INQUIRY data.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "lab/core/commands.h"
#include "lab/core/device_interfaces.h"

namespace lab::scsi {

inline constexpr uint8_t kTestUnitReady = 0x00;
inline constexpr uint8_t kRequestSense = 0x03;
inline constexpr uint8_t kInquiry = 0x12;
inline constexpr uint8_t kModeSense6 = 0x1A;
inline constexpr uint8_t kStartStopUnit = 0x1B;
inline constexpr uint8_t kReadCapacity10 = 0x25;
inline constexpr uint8_t kRead10 = 0x28;
inline constexpr uint8_t kWrite10 = 0x2A;
inline constexpr uint8_t kSynchronizeCache10 = 0x35;
inline constexpr uint8_t kWriteBuffer = 0x3B;
inline constexpr uint8_t kReadBuffer = 0x3C;
inline constexpr uint8_t kModeSense10 = 0x5A;
inline constexpr uint8_t kAtaPassThrough16 = 0x85;
inline constexpr uint8_t kRead16 = 0x88;
inline constexpr uint8_t kWrite16 = 0x8A;
inline constexpr uint8_t kServiceActionIn16 = 0x9E;  // READ CAPACITY(16) with action 0x10
inline constexpr uint8_t kAtaPassThrough12 = 0xA1;
inline constexpr uint8_t kReadCapacity16Action = 0x10;

inline constexpr uint8_t kKeyNoSense = 0x00;
inline constexpr uint8_t kKeyRecoveredError = 0x01;
inline constexpr uint8_t kKeyNotReady = 0x02;
inline constexpr uint8_t kKeyMediumError = 0x03;
inline constexpr uint8_t kKeyHardwareError = 0x04;
inline constexpr uint8_t kKeyIllegalRequest = 0x05;
inline constexpr uint8_t kKeyAbortedCommand = 0x0B;

// Additional sense code and qualifier pairs.
struct Asc {
  uint8_t code;
  uint8_t qualifier;
};
inline constexpr Asc kAscNone{0x00, 0x00};
inline constexpr Asc kAscAtaInformationAvailable{0x00, 0x1D};
inline constexpr Asc kAscNotReady{0x04, 0x00};
inline constexpr Asc kAscWriteError{0x0C, 0x00};
inline constexpr Asc kAscUnrecoveredReadError{0x11, 0x00};
inline constexpr Asc kAscInvalidOpcode{0x20, 0x00};
inline constexpr Asc kAscLbaOutOfRange{0x21, 0x00};
inline constexpr Asc kAscInvalidFieldInCdb{0x24, 0x00};
inline constexpr Asc kAscSequenceError{0x2C, 0x00};
inline constexpr Asc kAscInternalTargetFailure{0x44, 0x00};

inline constexpr size_t kFixedSenseLength = 18;
inline constexpr size_t kAtaStatusSenseLength = 22;  // 8-byte header + 14-byte descriptor
inline constexpr uint8_t kAtaStatusReturnDescriptor = 0x09;

ScsiResult Good(uint32_t bytesTransferred = 0);
// CHECK CONDITION with fixed-format (0x70) sense.
ScsiResult CheckCondition(uint8_t key, Asc asc);
// CHECK CONDITION with descriptor-format (0x72) sense holding the ATA Status
// Return descriptor with the registers the device returned.
ScsiResult AtaStatusReturn(uint8_t key, Asc asc, const AtaResult& registers, bool extend,
                           uint32_t bytesTransferred);
// The link never answered.
ScsiResult NotDelivered(bool timedOut);
// A READ or WRITE the bridge passed on: a device error is a medium error.
ScsiResult FromTransfer(TransferOutcome o, bool write, uint32_t bytes);

// Copies as much as fits; returns the bytes copied.
uint32_t CopyOut(std::span<uint8_t> to, std::span<const uint8_t> from);

// Standard INQUIRY data (96 bytes): direct-access device, response data
// format `format`, strings blank-padded. Bytes 5..7 and 36.. are left zero
// for the caller to set.
std::vector<uint8_t> StandardInquiry(const std::string& vendor, const std::string& product,
                                     const std::string& revision, bool removable,
                                     uint8_t format = 2);
void PutPadded(std::span<uint8_t> field, const std::string& text);

// The allocation length of a 6-byte INQUIRY (bytes 3..4, big-endian).
uint32_t InquiryAllocationLength(const std::vector<uint8_t>& cdb);

}  // namespace lab::scsi
