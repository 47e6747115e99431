#include "platform/linux/transfer_split.h"

#include <algorithm>
#include <charconv>

#include "platform/linux/ata_reply.h"
#include "platform/linux/scsi_block_cdb.h"

namespace os::linuxos {

SplitOutcome RunSplit(const SgCommand& command, uint32_t limit, std::span<uint8_t> sense,
                      const SgRunner& run) {
  SplitOutcome out;
  const BlockTransferCdb t =
      DecodeBlockTransfer(std::span<const uint8_t>(command.cdb.data(), command.cdbLength));
  if (!t.valid || t.count == 0 || command.length % t.count != 0) {
    out.error = ERROR_INVALID_PARAMETER;
    return out;
  }
  const uint32_t blockBytes = command.length / t.count;
  const uint32_t perPiece = blockBytes == 0 ? 0 : limit / blockBytes;
  if (perPiece == 0) {
    out.error = ERROR_INVALID_PARAMETER;
    return out;
  }
  auto* data = static_cast<uint8_t*>(command.data);
  for (uint32_t done = 0; done < t.count;) {
    const uint32_t n = std::min(perPiece, t.count - done);
    SgCommand piece = command;
    EncodeBlockTransfer(piece.cdb, t.sixteen, t.lba + done, n);
    piece.data = data + uint64_t{done} * blockBytes;
    piece.length = n * blockBytes;
    out.error = run(piece, sense, &out.reply);
    if (out.error != ERROR_SUCCESS || out.reply.status != kScsiStatusGood) return out;
    const uint32_t resid = static_cast<uint32_t>(
        std::clamp<int32_t>(out.reply.resid, 0, static_cast<int32_t>(piece.length)));
    out.transferred += piece.length - resid;
    done += n;
  }
  return out;
}

uint32_t MaxTransferBytes(KernelCalls& kernel, const std::string& sysRoot,
                          const std::string& disk) {
  const std::string text =
      kernel.ReadAttribute(sysRoot + "/block/" + disk + "/queue/max_hw_sectors_kb");
  uint32_t kib = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), kib);
  if (ec != std::errc() || kib == 0 || kib > 0x3FFFFF) return 0;
  return kib * 1024;
}

}  // namespace os::linuxos
