#pragma once
// The NVMe path of a disk on the inbox NVMe driver: identify, log pages and
// features as protocol-specific properties, vendor commands, and the firmware
// slot information, image download and activation requests. On any other
// disk these requests fail as Windows fails them.
#include "lab/edge/edge_request.h"

namespace lab::edge {

class NvmeInboxHandler : public HandleHandler {
 public:
  explicit NvmeInboxHandler(const EdgeContext& ctx) : ctx_(ctx) {}
  // The request codes Control answers.
  static bool Handles(os::DWORD code);
  Reply Control(const Request& r) override;
  // Part of the storage property query.
  Reply ProtocolSpecificQuery(const Request& r, LabDisk& disk);

 private:
  Reply ProtocolCommand(const Request& r, LabDisk& disk);
  Reply FirmwareInfo(const Request& r, LabDisk& disk);
  Reply FirmwareDownload(const Request& r, LabDisk& disk);
  Reply FirmwareActivate(const Request& r, LabDisk& disk);

  const EdgeContext& ctx_;
};

}  // namespace lab::edge
