#pragma once
// What a SCSI-to-NVMe translation asks of the controller behind it: Identify
// (strings, namespace size and block length) and I/O reads and writes of
// namespace 1.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "lab/core/device_interfaces.h"

namespace lab {

inline constexpr uint8_t kNvmeAdminGetLogPage = 0x02;
inline constexpr uint8_t kNvmeAdminIdentify = 0x06;
inline constexpr uint8_t kNvmeAdminFirmwareCommit = 0x10;
inline constexpr uint8_t kNvmeAdminFirmwareDownload = 0x11;
inline constexpr uint8_t kNvmeAdminNamespaceManagement = 0x0D;
inline constexpr uint8_t kNvmeAdminNamespaceAttachment = 0x15;
inline constexpr uint8_t kNvmeAdminFormatNvm = 0x80;
inline constexpr uint8_t kNvmeIoFlush = 0x00;
inline constexpr uint8_t kNvmeIoWrite = 0x01;
inline constexpr uint8_t kNvmeIoRead = 0x02;
inline constexpr uint32_t kNvmeIdentifyBytes = 4096;

// The data direction NVMe gives an opcode in its two low bits.
DataDirection NvmeOpcodeDirection(uint8_t opcode);

// Identify with CNS `cns` for `nsid`; empty when not answered cleanly.
std::vector<uint8_t> NvmeIdentify(NvmeController& c, uint32_t cns, uint32_t nsid,
                                  bool* delivered = nullptr);

struct NvmeControllerText {
  std::string model;
  std::string serial;
  std::string firmware;
};
NvmeControllerText DecodeNvmeIdentify(std::span<const uint8_t> identifyController);

struct NvmeNamespaceGeometry {
  uint64_t blocks = 0;
  uint32_t blockBytes = 512;
};
NvmeNamespaceGeometry DecodeNvmeNamespace(std::span<const uint8_t> identifyNamespace);

// Another handle on a controller owned elsewhere (the disk of a further
// namespace speaks to its owner's controller).
class NvmeControllerRef : public NvmeController {
 public:
  explicit NvmeControllerRef(NvmeController& inner) : inner_(inner) {}
  NvmeCompletion ExecuteNvme(NvmeSubmission& command) override {
    return inner_.ExecuteNvme(command);
  }
  bool HandleControlRequest(uint32_t code, std::span<uint8_t> data) override {
    return inner_.HandleControlRequest(code, data);
  }
  bool AttachNamespace(std::shared_ptr<Media> media) override {
    return inner_.AttachNamespace(std::move(media));
  }

 private:
  NvmeController& inner_;
};

// Moves `count` blocks of namespace `nsid`; `data` holds count * blockBytes.
TransferOutcome NvmeTransfer(NvmeController& c, bool write, uint64_t lba, uint32_t count,
                                 uint32_t blockBytes, std::span<uint8_t> data, uint32_t nsid = 1);

// The completion queue entry's dword 3 for a status (phase tag set).
uint32_t NvmeCompletionDw3(const NvmeCompletion& completion);

}  // namespace lab
