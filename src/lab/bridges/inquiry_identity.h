#pragma once
// The standard INQUIRY data a lab SCSI target answers with: configured
// strings (or the drive's own, when none are configured), shaped by the
// flavour that marks the maker's testers and flash devices.
#include <cstdint>
#include <string>
#include <vector>

#include "lab/config/disk_config.h"

namespace lab {

struct InquiryIdentity {
  InquiryFlavour flavour = InquiryFlavour::kDefault;
  std::string vendor;  // empty: use the fallback strings
  std::string product;
  std::string revision;
  uint8_t responseFormat = 2;
  bool removable = false;

  static InquiryIdentity FromConfig(const DiskConfig& disk);
};

// `fallback*` are what the target knows of the drive (SAT style: "ATA", the
// model, the firmware revision).
std::vector<uint8_t> BuildInquiry(const InquiryIdentity& id, const std::string& fallbackVendor,
                                  const std::string& fallbackProduct,
                                  const std::string& fallbackRevision);

}  // namespace lab
