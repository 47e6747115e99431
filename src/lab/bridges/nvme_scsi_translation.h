#pragma once
// The SCSI commands an NVMe disk driver (inbox, the maker's miniport, or a
// USB-to-NVMe bridge) turns into NVMe commands: INQUIRY from Identify, READ
// CAPACITY from the namespace, READ/WRITE as I/O commands, cache flush.
#include <optional>

#include "lab/bridges/inquiry_identity.h"
#include "lab/bridges/nvme_access.h"
#include "lab/core/device_interfaces.h"

namespace lab {

class NvmeScsiTranslation {
 public:
  // `nsid`: the namespace this disk is (a controller may have several).
  NvmeScsiTranslation(NvmeController& controller, InquiryIdentity inquiry,
                      std::string fallbackVendor, uint32_t nsid = 1)
      : controller_(controller),
        inquiry_(std::move(inquiry)),
        fallbackVendor_(std::move(fallbackVendor)),
        nsid_(nsid) {}

  // Nullopt for an opcode this translation does not know.
  std::optional<ScsiResult> Execute(const ScsiCommand& command);
  // Identify data is read once, as a driver does when it finds the disk; a
  // command that changes the namespace (a format) makes it read again.
  void Forget() {
    controllerText_.reset();
    geometry_.reset();
  }

 private:
  const NvmeControllerText* ControllerText(bool& delivered);
  const NvmeNamespaceGeometry* Geometry(bool& delivered);
  ScsiResult Inquiry(const ScsiCommand& command);
  ScsiResult ReadCapacity(const ScsiCommand& command, bool sixteen);
  ScsiResult ReadWrite(const ScsiCommand& command, bool write, uint64_t lba, uint32_t count);

  NvmeController& controller_;
  InquiryIdentity inquiry_;
  std::string fallbackVendor_;
  uint32_t nsid_ = 1;
  std::optional<NvmeControllerText> controllerText_;
  std::optional<NvmeNamespaceGeometry> geometry_;
};

// The disk side of an NVMe controller on the inbox driver or the miniport:
// SCSI pass-through on its disk handle reaches the translation, anything else
// is an invalid opcode.
class NvmeScsiDisk : public ScsiTarget {
 public:
  NvmeScsiDisk(NvmeController& controller, std::string vendor, uint32_t nsid = 1)
      : translation_(controller, InquiryIdentity{}, std::move(vendor), nsid) {}
  ScsiResult ExecuteScsi(const ScsiCommand& command) override;

 private:
  NvmeScsiTranslation translation_;
};

}  // namespace lab
