#pragma once
// One NVMe command with its data and completion, laid out as the public NVMe
// miniport pass-through request ("NvmeMini"): a 152-byte header, then the
// data. The record owns header + data length + 1 zeroed bytes; the miniport
// path sends these very bytes, the other paths read the fields from them.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/nvme_pass_through.h"

namespace device {

inline constexpr uint32_t kNvmeRecordHeaderSize = os::kNvmePassThroughHeaderSize;  // 152
inline constexpr uint32_t kNvmeIdentifySize = 4096;
inline constexpr uint32_t kNvmeControlCodeCommand = os::NVME_PASS_THROUGH_SRB_IO_CODE;
inline constexpr char kVendorControlSignature[] = "VkmCtrl ";

// Opcode direction bits.
inline bool NvmeHostToController(uint8_t opcode) { return (opcode & 0x01) != 0; }
inline bool NvmeControllerToHost(uint8_t opcode) { return (opcode & 0x02) != 0; }

// Completion status from DW3.
inline uint8_t NvmeStatusCode(uint32_t dw3) { return static_cast<uint8_t>((dw3 >> 17) & 0xFF); }
inline uint8_t NvmeStatusCodeType(uint32_t dw3) { return static_cast<uint8_t>((dw3 >> 25) & 7); }
// The whole status field (bits 31..17 of DW3: SC, SCT, CRD, More, DNR), the
// form in which drivers and the kernel report it; 0 means success.
inline uint16_t NvmeStatusField(uint32_t dw3) {
  return static_cast<uint16_t>((dw3 >> 17) & 0x7FFF);
}
inline uint32_t NvmeDw3WithStatus(uint32_t dw3, uint16_t field) {
  return (dw3 & 0x1FFFFu) | (uint32_t{field} & 0x7FFFu) << 17;
}
inline bool NvmeMore(uint32_t dw3) { return (dw3 & (1u << 30)) != 0; }
inline bool NvmeDoNotRetry(uint32_t dw3) { return (dw3 & (1u << 31)) != 0; }

class NvmeCommandRecord {
 public:
  // Room for `capacity` bytes of data (and metadata), all zero.
  explicit NvmeCommandRecord(uint32_t capacity = 0);

  std::span<uint8_t> Bytes() { return bytes_; }
  std::span<const uint8_t> Bytes() const { return bytes_; }
  uint32_t Capacity() const {
    return static_cast<uint32_t>(bytes_.size()) - kNvmeRecordHeaderSize - 1;
  }

  // The miniport control header.
  void SetSignature(std::string_view eightChars);
  std::string_view Signature() const;
  uint32_t ControlCode() const;
  void SetControlCode(uint32_t code);
  uint32_t HeaderField(size_t offset) const;
  void SetHeaderField(size_t offset, uint32_t value);

  // The submission entry, dword by dword (0 = CDW0 with the opcode, 1 = NSID,
  // 10..15 = CDW10..CDW15).
  uint32_t Dword(int index) const;
  void SetDword(int index, uint32_t value);
  uint8_t Opcode() const { return static_cast<uint8_t>(Dword(os::kNvmeCdw0)); }
  void SetOpcode(uint8_t opcode);
  uint32_t Nsid() const { return Dword(os::kNvmeNsid); }
  void SetNsid(uint32_t nsid) { SetDword(os::kNvmeNsid, nsid); }
  // The 64-byte submission entry as it stands.
  std::span<uint8_t> Command();

  // Completion DW0..DW3.
  uint32_t Completion(int index) const;
  void SetCompletion(int index, uint32_t value);

  // Data area: Capacity() bytes.
  std::span<uint8_t> Data() {
    return std::span<uint8_t>(bytes_).subspan(kNvmeRecordHeaderSize, Capacity());
  }
  std::span<const uint8_t> Data() const {
    return std::span<const uint8_t>(bytes_).subspan(kNvmeRecordHeaderSize, Capacity());
  }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace device
