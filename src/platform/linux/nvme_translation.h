#pragma once
// Pure translations of the Windows NVMe requests into Linux NVMe
// pass-through commands (the layout of struct nvme_passthru_cmd), and of the
// result back into the request buffers. Every offset a request names is
// checked against its buffer.
#include <cstdint>
#include <span>

#include "platform/win_types.h"

namespace os::linuxos {

// The fields of the kernel's struct nvme_passthru_cmd (72 bytes).
struct NvmePassthru {
  uint8_t opcode = 0;
  uint8_t flags = 0;
  uint16_t rsvd1 = 0;
  uint32_t nsid = 0;
  uint32_t cdw2 = 0;
  uint32_t cdw3 = 0;
  uint64_t metadata = 0;
  uint64_t addr = 0;
  uint32_t metadataLen = 0;
  uint32_t dataLen = 0;
  uint32_t cdw10 = 0, cdw11 = 0, cdw12 = 0, cdw13 = 0, cdw14 = 0, cdw15 = 0;
  uint32_t timeoutMs = 0;
  uint32_t result = 0;
};
static_assert(sizeof(NvmePassthru) == 72);

// Time-outs of the requests that carry none: ordinary admin commands, and
// firmware download and commit, which a controller may take long over.
inline constexpr uint32_t kNvmeDefaultTimeoutMs = 60000;
inline constexpr uint32_t kNvmeLongTimeoutMs = 300000;

// One command to send: which queue, and where the answer goes.
struct NvmeJob {
  NvmePassthru cmd;
  bool admin = true;
  bool valid = false;
  // A firmware activation request that asks for the new image to run now
  // (the inbox driver's request without "switch upon reset").
  bool activateNow = false;
};

// From a 64-byte submission entry and a data area; the flags byte of CDW0
// stays 0, as the kernel demands.
NvmePassthru PassthruFromEntry(std::span<const uint8_t> entry, uint8_t* data, uint32_t length,
                               uint32_t timeoutMs);

// Completion DW3 for an ioctl result: 0 success, a positive value is the
// NVMe status field (SCT << 8 | SC), which sits in bits 17..31 of DW3.
uint32_t CompletionDw3(int ioctlResult);

// IOCTL_STORAGE_PROTOCOL_COMMAND buffer -> command; result written back
// (ReturnStatus, FixedProtocolReturnData, the completion entry at the error
// information offset).
NvmeJob JobFromProtocolCommand(std::span<uint8_t> buffer);
void CompleteProtocolCommand(std::span<uint8_t> buffer, int ioctlResult, uint32_t dw0);

// Protocol-specific property query (Identify, Get Log Page) -> command whose
// data goes to the answer's data area at offset 48.
NvmeJob JobFromPropertyQuery(std::span<uint8_t> buffer);
void CompletePropertyQuery(std::span<uint8_t> buffer);

// "NvmeMini" miniport record -> command; the completion goes into the record.
NvmeJob JobFromMiniportRecord(std::span<uint8_t> record, uint32_t sentLength);
void CompleteMiniportRecord(std::span<uint8_t> record, int ioctlResult, uint32_t dw0);

// The answer to IOCTL_STORAGE_FIRMWARE_GET_INFO from an Identify Controller
// answer: upgrade supported, the slot count of FRMW, no slot entries (the
// rest of the answer zero). False when the answer cannot hold the header or
// the identify data is short.
inline constexpr uint32_t kIdentifyControllerSize = 4096;
bool FirmwareInfoFromIdentify(std::span<const uint8_t> identify, std::span<uint8_t> answer);

// A Format NVM sent on a namespace node may name only that namespace
// (`nodeNsid`, 0 when it is not known): never another one, nor all of them.
bool FormatAimedAtNode(const NvmePassthru& command, uint32_t nodeNsid);

// Firmware requests -> Firmware Image Download / Firmware Commit.
NvmeJob JobFromFirmwareDownload(std::span<uint8_t> buffer);
NvmeJob JobForFirmwareActivate(std::span<const uint8_t> request);

}  // namespace os::linuxos
