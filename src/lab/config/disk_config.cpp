#include "lab/config/disk_config.h"

#include "common/text.h"

namespace lab {
namespace {

struct AttachmentEntry {
  Attachment value;
  const char* name;
};
constexpr AttachmentEntry kAttachments[] = {
    {Attachment::kSata, "sata"},
    {Attachment::kNvme, "nvme"},
    {Attachment::kNvmeMiniport, "nvme-miniport"},
    {Attachment::kUsbSat, "usb-sat"},
    {Attachment::kUsbGenesys, "usb-genesys"},
    {Attachment::kUsbNvme, "usb-nvme"},
    {Attachment::kUsbStorage, "usb-storage"},
};

struct FlavourName {
  InquiryFlavour value;
  const char* name;
};
constexpr FlavourName kFlavours[] = {
    {InquiryFlavour::kDefault, "default"},
    {InquiryFlavour::kFlashDevice, "flash"},
    {InquiryFlavour::kPcieTester, "pcie-tester"},
    {InquiryFlavour::kPowerTester, "power-tester"},
    {InquiryFlavour::kVk552, "vk552"},
    {InquiryFlavour::kLeakageTester, "leakage-tester"},
};

}  // namespace

bool IsUsb(Attachment a) {
  return a == Attachment::kUsbSat || a == Attachment::kUsbGenesys || a == Attachment::kUsbNvme ||
         a == Attachment::kUsbStorage;
}

bool NeedsNvmeDrive(Attachment a) {
  return a == Attachment::kNvme || a == Attachment::kNvmeMiniport || a == Attachment::kUsbNvme;
}

const char* AttachmentName(Attachment a) {
  for (const AttachmentEntry& n : kAttachments)
    if (n.value == a) return n.name;
  return "?";
}

std::optional<Attachment> ParseAttachment(std::string_view text) {
  for (const AttachmentEntry& n : kAttachments)
    if (common::EqualsNoCase(common::TrimView(text), n.name)) return n.value;
  return std::nullopt;
}

std::optional<InquiryFlavour> ParseInquiryFlavour(std::string_view text) {
  for (const FlavourName& n : kFlavours)
    if (common::EqualsNoCase(common::TrimView(text), n.name)) return n.value;
  return std::nullopt;
}

}  // namespace lab
