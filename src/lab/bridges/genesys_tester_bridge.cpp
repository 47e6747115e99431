#include "lab/bridges/genesys_tester_bridge.h"

#include <algorithm>
#include <span>

#include "lab/bridges/scsi_reply.h"

namespace lab {
namespace {

constexpr uint8_t kVendorInquiryByte3 = 0x55;
constexpr uint8_t kVendorInquiryByte4 = 0x2E;
constexpr size_t kVendorInquiryLength = 46;  // what the bridge returns for it
constexpr size_t kRevisionLetterOffset = 32;

}  // namespace

ScsiResult GenesysTesterBridge::Inquiry(const ScsiCommand& c) {
  if (c.cdb.size() < 6 || c.cdb[1] != 0 || c.cdb[3] != kVendorInquiryByte3 ||
      c.cdb[4] != kVendorInquiryByte4) {
    return SatBridge::Inquiry(c);
  }
  std::vector<uint8_t> d = scsi::StandardInquiry("Genesys", "USB3.0 Tester", "", false);
  d.resize(kVendorInquiryLength);
  d[4] = static_cast<uint8_t>(kVendorInquiryLength - 5);
  std::span<uint8_t> s(d);
  scsi::PutPadded(s.subspan(kRevisionLetterOffset, 4), std::string(1, testerRevision_) + "100");
  return scsi::Good(scsi::CopyOut(c.data, d));
}

}  // namespace lab
