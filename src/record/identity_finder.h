#pragma once
// Finds the identity values a reply carries: the serial number and WWN of an
// ATA IDENTIFY DEVICE block (found wherever it
// sits in a buffer, by its signature and its strings), the serial of an NVMe Identify Controller block, of a SCSI
// unit serial number page and of a storage device descriptor.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace record {

struct FoundIdentity {
  enum class Kind { kAtaSerial, kAtaWwn, kText };
  Kind kind;
  size_t offset;  // in the buffer
  size_t length;
};

std::vector<FoundIdentity> FindIdentities(std::span<const uint8_t> bytes);

}  // namespace record
