#include "lab/bridges/inquiry_identity.h"

#include <span>

#include "lab/bridges/scsi_reply.h"

namespace lab {
namespace {

constexpr size_t kFlavourBytesOffset = 5;     // bytes 5..7: "vkm" on the maker's flash devices
constexpr size_t kVendorSpecificOffset = 36;  // after the revision

}  // namespace

InquiryIdentity InquiryIdentity::FromConfig(const DiskConfig& disk) {
  InquiryIdentity id;
  id.flavour = disk.inquiryFlavour;
  id.vendor = disk.inquiryVendor;
  id.product = disk.inquiryProduct;
  id.revision = disk.inquiryRevision;
  id.responseFormat = disk.inquiryResponseFormat;
  id.removable = disk.inquiryFlavour == InquiryFlavour::kFlashDevice;
  return id;
}

std::vector<uint8_t> BuildInquiry(const InquiryIdentity& id, const std::string& fallbackVendor,
                                  const std::string& fallbackProduct,
                                  const std::string& fallbackRevision) {
  std::string vendor = id.vendor.empty() ? fallbackVendor : id.vendor;
  std::string product = id.product.empty() ? fallbackProduct : id.product;
  std::string revision = id.revision.empty() ? fallbackRevision : id.revision;
  switch (id.flavour) {
    case InquiryFlavour::kDefault:
      break;
    case InquiryFlavour::kFlashDevice:
      vendor = "VKM";
      if (id.product.empty()) product = "Flash Disk";
      break;
    case InquiryFlavour::kPcieTester:
      vendor = "VKMPCIE";
      product = "TESTER";
      break;
    case InquiryFlavour::kPowerTester:
      vendor = "VKM";
      product = "VKPWR552";
      break;
    case InquiryFlavour::kVk552:
      vendor = "VKM";
      product = "VK552";
      break;
    case InquiryFlavour::kLeakageTester:
      vendor = "VKM";
      // "ASMIC" runs from the last revision byte into the vendor-specific area.
      revision = (revision + "    ").substr(0, 3) + "A";
      break;
  }
  std::vector<uint8_t> d =
      scsi::StandardInquiry(vendor, product, revision, id.removable, id.responseFormat);
  std::span<uint8_t> s(d);
  if (id.flavour == InquiryFlavour::kFlashDevice) {
    s[kFlavourBytesOffset] = 'v';
    s[kFlavourBytesOffset + 1] = 'k';
    s[kFlavourBytesOffset + 2] = 'm';
  }
  if (id.flavour == InquiryFlavour::kLeakageTester) {
    scsi::PutPadded(s.subspan(kVendorSpecificOffset, 4), "SMIC");
  }
  return d;
}

}  // namespace lab
